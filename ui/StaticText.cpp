#include "ui/StaticText.h"

#include "host/ui/Control.h"
#include "platform/WideTextBuffer.h"

bool StaticText::Create(DialogWindow& window, int number, const UiRect& bounds, const WideString& text) {
  if (Live()) return false;
  return MakeControl(window, host::ui::Control::kStatic, bounds, text) && Register(window, number);
}

bool StaticText::SetText(const WideString& text, bool redraw) {
  if (!Live() || !control_->SetText(text)) return false;
  if (redraw) control_->Redraw();
  return true;
}

bool StaticText::SetInt(int value, bool redraw) {
  WideTextBuffer text;
  return text.Format(L"%d", value) && SetText(WideString(text.GetText()), redraw);
}

bool StaticText::SetTextById(int stringNumber, bool redraw) {
  WideTextBuffer text(stringNumber);
  return SetText(WideString(text.GetText() != nullptr ? text.GetText() : L""), redraw);
}

WideString StaticText::GetText() const { return Live() ? WideString(control_->Text()) : WideString(); }
