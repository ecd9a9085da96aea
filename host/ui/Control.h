// A control of the widget layer: a weak handle on one widget of a window. The widget belongs
// to its window; when the window goes, every operation of the handle fails quietly.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "host/ui/Event.h"

class QWidget;

namespace host::ui {

class Window;

class Control : public std::enable_shared_from_this<Control> {
 public:
  enum Kind { kUnknown, kPush, kBevel, kCheck, kRadio, kPopup, kStatic, kEdit, kTab, kPane };

  // A new control in the window at bounds in window content coordinates (in the pane when
  // one is given). Radio buttons and bevel buttons do not toggle themselves.
  static std::shared_ptr<Control> Create(Window& window, Kind kind, Rect bounds, const std::wstring& title,
                                         Control* pane);

  ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  bool Alive() const;
  Kind GetKind() const { return kind_; }
  Window* GetWindow() const;
  QWidget* Widget() const;
  EventTarget& Target() { return target_; }

  uint32_t Signature() const;
  int Id() const;
  bool SetId(uint32_t signature, int id);
  uint32_t CommandId() const { return command_; }
  void SetCommandId(uint32_t command) { command_ = command; }
  void SetRefCon(void* ref) { refCon_ = ref; }
  void* RefCon() const { return refCon_; }

  // Value, minimum and maximum: checked state of buttons (0/1), the 1-based item of popups
  // and tabs, 0 for the others.
  int Value() const;
  bool SetValue(int value);
  int Minimum() const { return minimum_; }
  int Maximum() const { return maximum_; }
  void SetMinimum(int v) { minimum_ = v; }
  void SetMaximum(int v) { maximum_ = v; }

  // The title of buttons, the text of static texts and edit fields.
  std::wstring Text() const;
  bool SetText(const std::wstring& text);

  Rect Bounds() const;  // window content coordinates
  bool Move(int x, int y);
  bool Resize(int width, int height);
  bool IsVisible() const;  // its own flag, whatever its parents
  bool SetVisible(bool visible);
  bool IsEnabled() const;
  bool SetEnabled(bool enabled);
  bool EmbedIn(Control& pane);
  // The control this one is embedded in (a pane, a group); null at the window's top level.
  std::shared_ptr<Control> Container() const;
  bool SetSmallFont();
  // Shows the control's text in that family at a size in pixels, bold and italic as asked.
  bool SetTextFont(const std::wstring& family, int pixelSize, bool bold, bool italic);
  bool Redraw();
  // Deletes a control made in code (deferred); the handle is dead afterwards.
  void Dispose();

  // Popup items (0-based).
  int ItemCount() const;
  bool AppendItem(const std::wstring& text);
  bool RemoveAllItems();
  std::wstring ItemText(int index) const;

  // Tabs.
  int TabCount() const;
  bool AddTab(const std::wstring& label);

  // Edit fields: the selection (start, end in characters); a key filter that sees each
  // typed character first and blocks it by returning false; a check of the whole new text
  // that edits other than typing (pasting, dropping) must pass.
  bool Selection(int& start, int& end) const;
  bool SetSelection(int start, int end);
  void SetKeyFilter(std::function<bool(char32_t)> filter) { keyFilter_ = std::move(filter); }
  const std::function<bool(char32_t)>& KeyFilter() const { return keyFilter_; }
  bool HasKeyFilter() const { return bool(keyFilter_); }
  bool SetTextCheck(std::function<bool(const std::wstring&)> check);
  bool SetMaxLength(int length);

  // Button content: an image (PNG or other bytes Qt reads) as icon, or a flat colour
  // swatch (0x00BBGGRR) filling the button.
  bool SetIconImage(const std::string& imageBytes);
  bool ClearIcon();
  bool HasIcon() const;
  bool SetSwatch(uint32_t color);

  // The window's keyboard focus.
  bool Focus();

 private:
  friend class Window;
  Control();
  static std::shared_ptr<Control> Wrap(QWidget* widget, std::weak_ptr<Window> window);
  bool FilterKey(char32_t c) const { return !keyFilter_ || keyFilter_(c); }

  struct Data;
  std::unique_ptr<Data> d_;
  Kind kind_ = kUnknown;
  EventTarget target_;
  uint32_t command_ = 0;
  void* refCon_ = nullptr;
  int minimum_ = 0, maximum_ = 0;
  std::function<bool(char32_t)> keyFilter_;
};

// Whether the character is a letter (of any script).
bool IsLetterCharacter(char32_t c);

}  // namespace host::ui
