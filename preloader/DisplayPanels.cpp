// The property panels of the display types: the controls a display makes inside the Display
// page for the settings of its own type, and how they reach the display.
#include <algorithm>

#include "host/ui/Control.h"
#include "preloader/AnimatedDisplays.h"
#include "preloader/PreloaderDisplay.h"
#include "preloader/SegmentsDisplay.h"
#include "ui/MessageBox.h"

namespace {

constexpr int kLabelWidth = 50;
constexpr int kButtonWidth = 32;
constexpr int kCountLabelWidth = 90;
constexpr int kSpacingLabelWidth = 60;
constexpr int kFieldWidth = 40;

// Numbered texts.
constexpr int kRefusedHeading = 10001;
constexpr int kCountRefusedText = 168, kSpacingRefusedText = 169;

// Makes the control at the bounds in the host and embeds it in the parent.
template <typename C>
bool MakeIn(C& control, DialogWindow& host, ControlRef parent, int number, const UiRect& bounds,
            const WideString& title) {
  if (!control.Create(host, number, bounds, title)) return false;
  if (parent != nullptr) control.EmbedIn(parent);
  return true;
}

// A label and a colour button side by side, from the row's top left; returns the row's bottom.
int MakeColorRow(StaticText& label, ColorButton& button, DialogWindow& host, ControlRef parent, int labelNumber,
                 const wchar_t* text, int top, int left) {
  const UiRect labelBounds{left, top, left + kLabelWidth, top + label.DefaultHeight()};
  MakeIn(label, host, parent, labelNumber, labelBounds, text);
  const int buttonLeft = labelBounds.right + button.HorizontalGap();
  const UiRect buttonBounds{buttonLeft, top, buttonLeft + kButtonWidth, top + button.DefaultHeight()};
  MakeIn(button, host, parent, labelNumber + 1, buttonBounds, WideString());
  return std::max(labelBounds.bottom, buttonBounds.bottom);
}

// Stores the button's colour into the field when it differs; true when it did.
bool TakeColor(const ColorButton& button, uint32_t current, void (ColorPairDisplay::*set)(uint32_t),
               ColorPairDisplay& display) {
  const uint32_t color = button.GetColor() & 0xFFFFFF;
  if (color == current) return false;
  (display.*set)(color);
  return true;
}

}  // namespace

// --- the base: no controls ---

bool PreloaderDisplay::CreatePanel(DialogWindow& host, ControlRef parent, const UiRect& origin) {
  panelHost_ = &host;
  CreateTypeControls(host, parent, origin);
  return true;
}

bool PreloaderDisplay::DestroyPanel() {
  panelHost_ = nullptr;
  DestroyTypeControls();
  return true;
}

bool PreloaderDisplay::EnablePanel(bool) { return true; }
bool PreloaderDisplay::OnPanelControlChanged(int, ControlRef) { return true; }
bool PreloaderDisplay::HandleTypeCommand(uint32_t) { return false; }
bool PreloaderDisplay::CreateTypeControls(DialogWindow&, ControlRef, const UiRect&) { return true; }
bool PreloaderDisplay::DestroyTypeControls() { return true; }
bool PreloaderDisplay::ApplyTypeControls() { return true; }

// --- the colour pair ---

bool ColorPairDisplay::CreateTypeControls(DialogWindow& host, ControlRef parent, const UiRect& origin) {
  ColorPairDisplay::DestroyTypeControls();
  rowsBottom_ = origin.top;
  if (HasFgRow()) {
    rowsBottom_ = MakeColorRow(fgLabel_, fgButton_, host, parent, kFgLabel, L"Fg Color:", origin.top, origin.left);
  }
  if (HasBgRow()) {
    rowsBottom_ = MakeColorRow(bgLabel_, bgButton_, host, parent, kBgLabel, L"Bg Color:",
                               rowsBottom_ + bgButton_.VerticalGap(), origin.left);
  }
  if (HasBgRow()) bgButton_.SetColor(GetBgColor(), true);
  if (HasFgRow()) fgButton_.SetColor(GetFgColor(), true);
  return true;
}

bool ColorPairDisplay::DestroyTypeControls() {
  fgLabel_.Destroy();
  fgButton_.Destroy();
  bgLabel_.Destroy();
  bgButton_.Destroy();
  return true;
}

bool ColorPairDisplay::EnablePanel(bool on) {
  if (HasFgRow()) {
    fgLabel_.Enable(on);
    fgButton_.Enable(on);
  }
  if (HasBgRow()) {
    bgLabel_.Enable(on);
    bgButton_.Enable(on);
  }
  return true;
}

bool ColorPairDisplay::ApplyTypeControls() {
  // The colours are taken as the buttons show them; only the changed flag tells of a
  // difference.
  if (HasFgRow() && !fgButton_.IsEmpty() && TakeColor(fgButton_, fgColor_, &ColorPairDisplay::SetFgColor, *this))
    SetChanged(true);
  if (HasBgRow() && !bgButton_.IsEmpty() && TakeColor(bgButton_, bgColor_, &ColorPairDisplay::SetBgColor, *this))
    SetChanged(true);
  return true;
}

bool ColorPairDisplay::HandleTypeCommand(uint32_t command) {
  if (command == uint32_t(kFgButton)) {
    if (!fgButton_.IsEmpty() && TakeColor(fgButton_, fgColor_, &ColorPairDisplay::SetFgColor, *this)) SetChanged(true);
    return true;
  }
  if (command == uint32_t(kBgButton)) {
    if (!bgButton_.IsEmpty() && TakeColor(bgButton_, bgColor_, &ColorPairDisplay::SetBgColor, *this)) SetChanged(true);
    return true;
  }
  return false;
}

// --- the segments ---

void SegmentsDisplay::OnFieldCommit(EditTextField* field, uint32_t) {
  auto* panelField = static_cast<PanelField*>(field);
  if (panelField->owner != nullptr) panelField->owner->OnPanelControlChanged(0, field->GetControlRef());
}

bool SegmentsDisplay::CreateTypeControls(DialogWindow& host, ControlRef parent, const UiRect& origin) {
  DestroyTypeControls();
  ColorPairDisplay::CreateTypeControls(host, parent, origin);
  int bottom = GetColorRowsBottom();
  const auto fieldRow = [&](StaticText& label, PanelField& field, int labelNumber, const wchar_t* text, int labelWidth,
                            int mode, int value) {
    const int top = bottom + field.VerticalGap();
    const UiRect labelBounds{origin.left, top, origin.left + labelWidth, top + label.DefaultHeight()};
    MakeIn(label, host, parent, labelNumber, labelBounds, text);
    const UiRect fieldBounds{labelBounds.right, top, labelBounds.right + kFieldWidth, top + field.DefaultHeight()};
    MakeIn(field, host, parent, labelNumber + 1, fieldBounds, WideString());
    field.SetInputMode(mode);
    field.owner = this;
    field.SetCommitCallback(&SegmentsDisplay::OnFieldCommit, 0);
    field.SetInt(value, true);
    bottom = std::max(labelBounds.bottom, fieldBounds.bottom);
  };
  fieldRow(countLabel_, countField_, kCountLabel, L"Max Segments:", kCountLabelWidth, EditTextField::kInteger,
           maxSegs_);
  if (hgapEditable_) {
    fieldRow(spacingLabel_, spacingField_, kSpacingLabel, L"Spacing:", kSpacingLabelWidth,
             EditTextField::kSignedInteger, hgap_);
  }
  return true;
}

bool SegmentsDisplay::DestroyTypeControls() {
  ColorPairDisplay::DestroyTypeControls();
  countLabel_.Destroy();
  countField_.Destroy();
  spacingLabel_.Destroy();
  spacingField_.Destroy();
  return true;
}

bool SegmentsDisplay::EnablePanel(bool on) {
  ColorPairDisplay::EnablePanel(on);
  countLabel_.Enable(on);
  countField_.Enable(on);
  if (hgapEditable_) {
    spacingLabel_.Enable(on);
    spacingField_.Enable(on);
  }
  return true;
}

bool SegmentsDisplay::OnPanelControlChanged(int, ControlRef control) {
  if (control != nullptr &&
      (control == countField_.GetControlRef() || (hgapEditable_ && control == spacingField_.GetControlRef())))
    SetChanged(true);
  if (IsChanged() && GetPanelHost() != nullptr) GetPanelHost()->OnControlChange(nullptr, nullptr);
  return true;
}

bool SegmentsDisplay::ApplyTypeControls() {
  ColorPairDisplay::ApplyTypeControls();
  // A refused value is shown with its limits; the field gets the display's value back.
  const auto refuse = [this](PanelField& field, int text, int minimum, int maximum, int32_t stored) {
    WindowRef parent = GetPanelHost() != nullptr ? GetPanelHost()->GetWindowRef() : nullptr;
    ui::ShowErrorBoxById(parent, kRefusedHeading, text, {(long long)minimum, (long long)maximum});
    field.SetInt(stored, true);
    if (field.GetControlRef() != nullptr) field.GetControlRef()->Focus();
    return false;
  };
  if (!countField_.IsEmpty() && !SetMaxSegs(countField_.GetInt()))
    return refuse(countField_, kCountRefusedText, GetMaxSegsMin(), GetMaxSegsMax(), maxSegs_);
  if (hgapEditable_ && !spacingField_.IsEmpty() && !SetHgap(spacingField_.GetInt()))
    return refuse(spacingField_, kSpacingRefusedText, 1 - segWidth_, GetWidthMax(), hgap_);
  return true;
}
