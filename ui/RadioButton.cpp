#include "ui/RadioButton.h"

#include "host/ui/Control.h"
#include "ui/Buttons.h"

bool RadioButton::Create(DialogWindow& window, int number, const UiRect& bounds, const WideString& title) {
  if (!DialogControl::Create(window, number, bounds, title)) return false;
  if (!MakeControl(window, host::ui::Control::kRadio, bounds, title)) return false;
  control_->SetValue(0);
  return Register(window, number);
}

void RadioButton::SetSelected(bool selected, bool redraw) {
  if (!Live()) return;
  control_->SetValue(selected ? 1 : 0);
  if (redraw) control_->Redraw();
}

bool RadioButton::IsSelected() const { return Live() && control_->Value() != 0; }

bool RadioButton::SetIconFromResource(int iconResourceId, uint32_t iconKey) {
  iconKey_ = iconKey;
  return SetButtonIconFromResource(GetControlRef(), iconResourceId);
}

bool RadioButton::HasIcon() const { return Live() && control_->HasIcon(); }
