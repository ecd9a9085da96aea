// The base of every control wrapper: it binds to a control of an interface-file window (by
// signature and id) or creates one in code and registers it with its window. The wrapper
// holds a weak handle: once the window is gone, it reports empty and its operations fail.
#pragma once

#include <cstdint>
#include <memory>

#include "ui/DialogWindow.h"

class DialogControl {
 public:
  DialogControl() = default;
  virtual ~DialogControl();
  DialogControl(const DialogControl&) = delete;
  DialogControl& operator=(const DialogControl&) = delete;

  // True when no live control is bound.
  virtual bool IsEmpty() const;
  // True only while no control is bound: the precondition of the subclasses' creation.
  virtual bool Create(DialogWindow& window, int number, const UiRect& bounds, const WideString& title);
  virtual bool CreateById(DialogWindow& window, int number, const UiRect& bounds, int titleString);
  // Binds to the window's control {signature, number}; false (nothing changed) when the
  // window has none.
  virtual bool Attach(uint32_t signature, WindowRef window, int number);
  // Disposes a control this wrapper created; true.
  virtual bool Destroy();
  // The hook where subclasses install their handlers; true.
  virtual bool OnAttach();
  virtual bool GetBounds(UiRect* bounds) const;
  virtual bool GetPosition(int* x, int* y) const;
  virtual bool Move(int x, int y);
  virtual int GetX() const;
  virtual bool SetX(int x);
  virtual int GetY() const;
  virtual bool SetY(int y);
  virtual bool GetSize(int* width, int* height) const;
  virtual bool Resize(int width, int height);
  virtual int GetWidth() const;
  virtual bool SetWidth(int width);
  virtual int GetHeight() const;
  virtual bool SetHeight(int height);
  virtual bool Redraw();
  virtual bool Enable(bool enable);
  virtual bool Disable() { return Enable(false); }
  virtual bool Show(bool show);
  virtual bool Hide() { return Show(false); }
  virtual int DefaultHeight() const { return 16; }
  virtual int HorizontalGap() const { return 8; }
  virtual int VerticalGap() const { return 8; }

  // Run by the subclasses' creation after the control was made: names it {number, the
  // window's dialog number}, with the number as its command, embeds it in the window's pane
  // when the window is a page, gives it the small font; the control is owned.
  bool Register(DialogWindow& window, int number);
  bool EmbedIn(ControlRef parent);
  ControlRef GetControlRef() const { return control_.get(); }
  uint32_t GetSignature() const { return signature_; }
  int GetNumber() const { return number_; }
  WindowRef GetWindow() const { return window_; }
  bool IsOwned() const { return owned_; }
  int GetLastStatus() const { return lastStatus_; }

 protected:
  // Creates a control of the kind in the window (in its pane for a page); false when it
  // can't be made.
  bool MakeControl(DialogWindow& window, int kind, const UiRect& bounds, const WideString& title);
  bool Live() const;

  int lastStatus_ = 0;
  uint32_t signature_ = 0;
  int number_ = 0;
  std::shared_ptr<host::ui::Control> control_;
  WindowRef window_ = nullptr;
  bool owned_ = false;
};
