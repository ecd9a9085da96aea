// The base of every window of the program: modal dialogs, modeless windows and palettes,
// sheets, and the pages that live in a pane of another window. It owns one window (from an
// interface file or made in code), turns the window's events into calls of its virtual
// operations, runs the modal loop and ends it with a result.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "host/ui/Event.h"
#include "platform/WideString.h"

namespace host::ui {
class Window;
class Control;
}  // namespace host::ui

class DialogControl;
class NibReference;

using WindowRef = host::ui::Window*;
using ControlRef = host::ui::Control*;
using UiRect = host::ui::Rect;
using UiEvent = host::ui::Event;

struct UiPoint {
  int x = 0, y = 0;
};

class DialogWindow {
 public:
  // Style flags of CreateNew.
  static constexpr uint32_t kMovableModal = 0x1, kShowAtOnce = 0x2, kCloseBox = 0x4, kResizable = 0x10,
                            kSheet = 0x200000, kUtility = 0x400000, kFloating = 0x800000;

  DialogWindow();
  virtual ~DialogWindow();
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;

  // Makes the window from the interface files by name, shows it and runs the modal loop
  // until EndDialog; returns the result given to it (-1 when the window can't be made).
  virtual int DoModal(const NibReference& nib, const WideString& name, WindowRef parent, int number);
  virtual bool PreTranslateEvent(UiEvent& event);
  virtual bool OnInitDialog();
  virtual bool OnClose();
  virtual bool OnPaint();
  virtual bool OnCommand(uint32_t command, UiEvent& event);
  virtual bool OnSize(int width, int height);
  virtual bool OnSizing(UiRect* bounds, int unused);
  virtual bool OnMove(int left, int top);
  virtual bool OnLButtonDown(int x, int y, uint32_t modifiers);
  virtual bool OnLButtonUp(int x, int y, uint32_t modifiers);
  virtual bool OnRButtonDown(int x, int y, uint32_t modifiers);
  virtual bool OnRButtonUp(int x, int y, uint32_t modifiers);
  virtual bool OnMouseMove(int x, int y, uint32_t modifiers);
  virtual void OnDropFile(const WideString& path, const UiPoint* point);
  // A drop of files: calls OnDropFile for each, sorted by file name; the first gets the drop
  // point, the others (32767, 32767).
  virtual int OnDragReceive(const std::vector<WideString>& paths, UiPoint point);
  virtual bool OnKeyDown(UiEvent& event);
  virtual bool OnKeyUp(UiEvent& event);
  virtual bool OnOpenDocument(const WideString& path);
  virtual bool OnHotKey(int hotKeyId);
  virtual bool OnOtherEvent(uint32_t eventClass, uint32_t kind, UiEvent& event);
  virtual bool OnControlChange(ControlRef hit, ControlRef previous);
  // The event types the dispatcher is installed for: control hits only for a sheet.
  virtual std::vector<host::ui::EventType> GetEventTypes();

  bool CreateNew(int x, int y, int width, int height, uint32_t flags, WindowRef parent);
  bool CreateModeless(const NibReference& nib, const WideString& name, WindowRef parent, int number);
  // Binds this object to the pane {0, pane id} of another window: the pane's events come
  // here first; what this object leaves reaches the window.
  bool AttachToPane(const NibReference& nib, int paneId, WindowRef window, int number);
  int RunModal();
  bool EndDialog(int result);
  // Removes the handler and disposes the window (a pane-bound object only lets go of the
  // pane). False when there is no window.
  bool Destroy();
  bool AttachControl(uint32_t signature, DialogControl& control);

  // The event dispatcher: one event in, a status out (0 or 1 handled, -9874 passed on).
  int Dispatch(UiEvent& event);

  WindowRef GetWindowRef() const { return window_.get(); }
  ControlRef GetPaneControl() const { return pane_.get(); }
  int GetDialogNumber() const { return number_; }
  int GetResult() const { return result_; }
  bool IsModalRunning() const { return modal_; }
  bool IsAttachedToPane() const { return attachedToPane_; }
  uint32_t GetStyleFlags() const { return flags_; }
  // The window object a window belongs to (its property); null when none.
  static DialogWindow* FromWindow(WindowRef window);

  bool Show(bool show);
  bool Hide() { return Show(false); }
  bool IsVisible() const;
  bool Activate(bool activate);
  bool BringToFront();
  bool GetContentBounds(UiRect* bounds) const;
  bool GetPosition(int* x, int* y) const;
  bool MoveTo(int x, int y);
  bool CenterOnMainScreen(WindowRef parent);
  bool GetSize(int* width, int* height) const;
  bool SetSize(int width, int height);
  bool SetTitle(const WideString& title);

 protected:
  bool InstallDispatcher(host::ui::EventTarget& target);
  bool IsSheet() const;

  uint32_t flags_ = 0;
  std::shared_ptr<host::ui::Window> window_;
  bool modal_ = false;
  bool attachedToPane_ = false;
  WindowRef parent_ = nullptr;
  int handlerId_ = 0;
  int result_ = -1;
  std::shared_ptr<host::ui::Control> pane_;
  int number_ = 0;
  std::shared_ptr<host::ui::Control> lastHit_;
};

// A null pointer member that some windows carry.
struct NullableRef {
  void* pointer = nullptr;
};

// The busy cursor for the life of the object.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};
bool SetWatchCursor();
bool SetArrowCursor();
