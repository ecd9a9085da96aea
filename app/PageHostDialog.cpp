#include "app/PageHostDialog.h"

#include "preloader/TextEffect.h"

PageHostDialog::~PageHostDialog() {
  SetEffect(nullptr);
  Destroy();
}

void PageHostDialog::SetEffect(TextEffect* effect) {
  if (effect != effect_ && effect_ != nullptr) {
    effect_->ApplyPanel();
    effect_->DestroyPanel();
    effect_ = nullptr;
  }
  if (effect == nullptr) return;
  if (effect != effect_) {
    effect_ = effect;
    effect_->CreatePanel(*this, nullptr, kPanelRect);
  }
  effect_->LoadPanel();
}

bool PageHostDialog::ApplyPanel() { return effect_ == nullptr || effect_->ApplyPanel(); }

bool PageHostDialog::OnClose() {
  ApplyPanel();
  Hide();
  return true;
}

bool PageHostDialog::OnControlChange(ControlRef hit, ControlRef) {
  if (hit != nullptr || effect_ == nullptr) return false;
  effect_->ApplyPanel();
  return true;
}
