#include "ui/Buttons.h"

#include <cstring>

#include "host/ui/Application.h"
#include "host/ui/Control.h"
#include "platform/ResourceFile.h"
#include "platform/WideTextBuffer.h"

namespace {

constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";

uint32_t BigEndian32(const std::string& s, size_t at) {
  return (uint32_t(uint8_t(s[at])) << 24) | (uint32_t(uint8_t(s[at + 1])) << 16) | (uint32_t(uint8_t(s[at + 2])) << 8) |
         uint32_t(uint8_t(s[at + 3]));
}

}  // namespace

std::string IconImageFromIconFamily(const std::string& resource) {
  if (resource.compare(0, 8, kPngSignature, 8) == 0) return resource;
  if (resource.size() < 8 || resource.compare(0, 4, "icns") != 0) return {};
  const size_t total = std::min<size_t>(BigEndian32(resource, 4), resource.size());
  size_t at = 8;
  while (at + 8 <= total) {
    const uint32_t length = BigEndian32(resource, at + 4);
    if (length < 8 || length > total - at) return {};
    if (length >= 16 && resource.compare(at + 8, 8, kPngSignature, 8) == 0) return resource.substr(at + 8, length - 8);
    at += length;
  }
  return {};
}

bool SetButtonIconFromResource(ControlRef control, int iconResourceId) {
  if (control == nullptr) return false;
  std::string data;
  if (!GetMainRsrcResource(uint32_t('i') << 24 | uint32_t('c') << 16 | uint32_t('n') << 8 | uint32_t('s'),
                           iconResourceId, data)) {
    return false;
  }
  const std::string image = IconImageFromIconFamily(data);
  return !image.empty() && control->SetIconImage(image);
}

// Push button.

bool PushButton::Create(DialogWindow& window, int number, const UiRect& bounds, const WideString& title) {
  if (!DialogControl::Create(window, number, bounds, title)) return false;
  return MakeControl(window, host::ui::Control::kPush, bounds, title) && Register(window, number);
}

bool PushButton::SetTitle(const WideString& title, bool redraw) {
  if (!Live() || !control_->SetText(title)) return false;
  if (redraw) control_->Redraw();
  return true;
}

WideString PushButton::GetTitle() const { return Live() ? WideString(control_->Text()) : WideString(); }

bool PushButton::SetIconFromResource(int iconResourceId, uint32_t iconKey) {
  iconKey_ = iconKey;
  return SetButtonIconFromResource(GetControlRef(), iconResourceId);
}

// Check box.

bool CheckBox::Create(DialogWindow& window, int number, const UiRect& bounds, const WideString& title) {
  if (!DialogControl::Create(window, number, bounds, title)) return false;
  if (!MakeControl(window, host::ui::Control::kCheck, bounds, title)) return false;
  control_->SetValue(0);
  return Register(window, number);
}

void CheckBox::Toggle(bool redraw) { SetChecked(!IsChecked(), redraw); }

void CheckBox::SetChecked(bool checked, bool redraw) {
  if (!Live()) return;
  control_->SetValue(checked ? 1 : 0);
  if (redraw) control_->Redraw();
}

bool CheckBox::IsChecked() const { return Live() && control_->Value() != 0; }

// Popup.

int PopupButton::CountItems() const { return Live() ? control_->ItemCount() : 0; }

bool PopupButton::RemoveAllItems() {
  if (!Live() || !control_->RemoveAllItems()) return false;
  control_->SetMinimum(0);
  control_->SetMaximum(0);
  return true;
}

int PopupButton::AppendItem(const WideString& text) {
  if (!Live() || !control_->AppendItem(text)) {
    lastStatus_ = -1;
    return -1;
  }
  const int count = control_->ItemCount();
  control_->SetMinimum(1);
  control_->SetMaximum(count);
  return count;
}

int PopupButton::AppendItemById(int stringNumber) {
  WideTextBuffer text(stringNumber);
  return AppendItem(WideString(text.GetText() != nullptr ? text.GetText() : L""));
}

bool PopupButton::SelectItem(int index) {
  if (!Live()) return false;
  const int count = control_->ItemCount();
  if (count == 0) return control_->SetValue(0);
  // Clamped to the last item: a value past it would select nothing.
  if (index < 0) index = 0;
  if (index > count - 1) index = count - 1;
  return control_->SetValue(index + 1);
}

int PopupButton::GetSelectedItem(WideString* text) const {
  if (!Live()) return -1;
  const int value = control_->Value();
  if (value < 1 || value > control_->ItemCount()) {
    if (text != nullptr) text->clear();
    return -1;
  }
  if (text != nullptr) *text = WideString(control_->ItemText(value - 1));
  return value - 1;
}

// Colour button.

ColorButton::~ColorButton() {
  if (handlerId_ != 0 && Live()) control_->Target().RemoveHandler(handlerId_);
}

bool ColorButton::Create(DialogWindow& window, int number, const UiRect& bounds, const WideString& title) {
  if (!DialogControl::Create(window, number, bounds, title)) return false;
  if (!MakeControl(window, host::ui::Control::kBevel, bounds, title)) return false;
  return OnAttach() && Register(window, number);
}

bool ColorButton::OnAttach() {
  if (!Live()) return false;
  if (handlerId_ != 0) control_->Target().RemoveHandler(handlerId_);
  handlerId_ = control_->Target().InstallHandler({{host::ui::kClassControl, host::ui::kControlHit}},
                                                 [this](host::ui::Event&) { return OnClick(); });
  SetColor(color_, false);
  return true;
}

int ColorButton::OnClick() {
  if (!enabled_) return host::ui::kEventNotHandled;
  uint32_t chosen = color_;
  if (host::ui::PickColor(L"Choose a color", color_, chosen)) SetColor(chosen & 0x00FFFFFF, true);
  // Passed on, so the window still sees the click.
  return host::ui::kEventNotHandled;
}

void ColorButton::SetColor(uint32_t color, bool redraw) {
  color_ = color;
  if (!Live()) return;
  control_->SetSwatch(color);
  if (redraw && control_->IsVisible()) control_->Redraw();
}
