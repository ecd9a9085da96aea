// The button family: push buttons, check boxes, popups and the colour button.
#pragma once

#include <cstdint>
#include <string>

#include "ui/DialogControl.h"

// Shows the icon family of "main.rsrc" with that id as the button's content; false when it
// is missing or holds no image Qt can read.
bool SetButtonIconFromResource(ControlRef control, int iconResourceId);
// The first PNG image inside an icon family ('icns') resource, or the bytes themselves when
// they are an image already; empty when there is none. Every length is checked.
std::string IconImageFromIconFamily(const std::string& resource);

class PushButton : public DialogControl {
 public:
  bool Create(DialogWindow& window, int number, const UiRect& bounds, const WideString& title) override;
  bool OnAttach() override { return true; }
  int DefaultHeight() const override { return 17; }
  bool SetTitle(const WideString& title, bool redraw);
  WideString GetTitle() const;
  bool SetIconFromResource(int iconResourceId, uint32_t iconKey);
  uint32_t GetIconKey() const { return iconKey_; }

 private:
  uint32_t iconKey_ = 0;
};

class CheckBox : public DialogControl {
 public:
  bool Create(DialogWindow& window, int number, const UiRect& bounds, const WideString& title) override;
  void Toggle(bool redraw);
  void SetChecked(bool checked, bool redraw);
  bool IsChecked() const;
};

class PopupButton : public DialogControl {
 public:
  int CountItems() const;
  bool RemoveAllItems();
  // Returns the new item count; -1 when the popup can't take items.
  int AppendItem(const WideString& text);
  int AppendItemById(int stringNumber);
  // Selects the item at the index, clamped to the items there are.
  bool SelectItem(int index);
  // The selected item's index, -1 when none; its text into `text` when one is given.
  int GetSelectedItem(WideString* text = nullptr) const;
};

class ColorButton : public DialogControl {
 public:
  ColorButton() = default;
  ~ColorButton() override;
  bool Create(DialogWindow& window, int number, const UiRect& bounds, const WideString& title) override;
  // Installs the click handler and shows the swatch of the current colour.
  bool OnAttach() override;
  uint32_t GetColor() const { return color_; }  // 0x00BBGGRR
  void SetColor(uint32_t color, bool redraw);
  // While off, clicks are left to the window and no picker opens.
  void SetPickerEnabled(bool enabled) { enabled_ = enabled; }
  bool IsPickerEnabled() const { return enabled_; }

 private:
  int OnClick();
  uint32_t color_ = 0;
  bool enabled_ = true;
  int handlerId_ = 0;
};
