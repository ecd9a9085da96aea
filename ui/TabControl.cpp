#include "ui/TabControl.h"

#include "host/ui/Control.h"
#include "host/ui/Window.h"

TabControl::~TabControl() {
  if (handlerId_ != 0 && Live()) control_->Target().RemoveHandler(handlerId_);
}

bool TabControl::OnAttach() {
  if (!Live()) return false;
  if (handlerId_ != 0) control_->Target().RemoveHandler(handlerId_);
  handlerId_ =
      control_->Target().InstallHandler({{host::ui::kClassControl, host::ui::kControlHit}}, [this](host::ui::Event& e) {
        if (e.control == nullptr || !Live() || e.control->Signature() != GetSignature()) {
          return host::ui::kEventNotHandled;
        }
        SelectTab(control_->Value() - 1, true);
        return 0;
      });
  return handlerId_ != 0;
}

bool TabControl::AddPane(DialogWindow*, int paneId) {
  panes_.push_back(paneId);
  return true;
}

ControlRef TabControl::GetPane(int index) const {
  if (window_ == nullptr || index < 0 || index >= int(panes_.size())) return nullptr;
  return window_->FindControl(0, panes_[size_t(index)]).get();
}

bool TabControl::SelectTab(int index, bool redraw) {
  std::shared_ptr<host::ui::Control> shown;
  for (int i = 0; i < int(panes_.size()); ++i) {
    std::shared_ptr<host::ui::Control> pane = window_ != nullptr ? window_->FindControl(0, panes_[size_t(i)]) : nullptr;
    if (!pane) continue;
    if (i == index)
      shown = pane;
    else
      pane->SetVisible(false);
  }
  if (shown) {
    window_->ClearKeyboardFocus();
    shown->SetVisible(true);
  }
  if (Live()) {
    control_->SetValue(index + 1);
    if (redraw) control_->Redraw();
  }
  changed_.Emit(this);
  return true;
}

int TabControl::GetValue() const { return Live() ? control_->Value() : 0; }
