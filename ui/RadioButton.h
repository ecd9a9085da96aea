// Radio buttons, also the icon buttons of the tool bar and the pages: a click does not
// change their state; their owner selects them.
#pragma once

#include <cstdint>

#include "ui/DialogControl.h"

class RadioButton : public DialogControl {
 public:
  bool Create(DialogWindow& window, int number, const UiRect& bounds, const WideString& title) override;
  void SetSelected(bool selected, bool redraw);
  bool IsSelected() const;
  // Shows the icon family with that id of "main.rsrc", kept under the key.
  bool SetIconFromResource(int iconResourceId, uint32_t iconKey);
  uint32_t GetIconKey() const { return iconKey_; }
  bool HasIcon() const;

 private:
  uint32_t iconKey_ = 0;
};
