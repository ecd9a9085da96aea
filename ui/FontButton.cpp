#include "ui/FontButton.h"

#include "host/ui/Control.h"
#include "ui/FontChooserDialog.h"
#include "ui/MessageFormat.h"

FontButton::FontButton(ChangeCallback callback, void* userData) : callback_(callback), userData_(userData) {}

FontButton::~FontButton() {
  if (handlerId_ != 0 && Live()) control_->Target().RemoveHandler(handlerId_);
}

bool FontButton::Create(DialogWindow& window, int number, const UiRect& bounds, const WideString& title) {
  if (!DialogControl::Create(window, number, bounds, title)) return false;
  if (!MakeControl(window, host::ui::Control::kPush, bounds, title)) return false;
  return OnAttach() && Register(window, number);
}

bool FontButton::OnAttach() {
  if (!Live()) return false;
  if (handlerId_ != 0) control_->Target().RemoveHandler(handlerId_);
  handlerId_ = control_->Target().InstallHandler({{host::ui::kClassControl, host::ui::kControlHit}},
                                                 [this](host::ui::Event&) { return OnClick(); });
  Relabel(false);
  return true;
}

void FontButton::SetChangeCallback(ChangeCallback callback, void* userData) {
  callback_ = callback;
  userData_ = userData;
}

void FontButton::SetPlatformFont(const PlatformFont& font, bool redraw) {
  font_ = font;
  Relabel(redraw);
}

WideString FontButton::LabelFor(const PlatformFont& font) {
  std::wstring text;
  const ui::MessageArg args[] = {std::wstring(font.GetName()), std::wstring(font.GetStyleName()),
                                 static_cast<long long>(font.GetSize())};
  ui::FormatMessage(L"%ls %ls %d pt", args, text);
  return text;
}

void FontButton::Relabel(bool redraw) { SetTitle(LabelFor(font_), redraw); }

int FontButton::OnClick() {
  if (!enabled_) return host::ui::kEventNotHandled;
  const PlatformFont before = font_;
  {
    FontChooserDialog chooser;
    chooser.Run(font_, GetWindow(), &chooserRect_);
    chooserRect_ = chooser.GetWindowRect();
  }
  // "Apply" changes the font even when the chooser is then cancelled.
  if (!font_.Equals(before)) {
    Relabel(true);
    if (callback_ != nullptr) callback_(font_, userData_);
  }
  // Passed on, so the window still sees the click.
  return host::ui::kEventNotHandled;
}
