#include "ui/EditTextField.h"

#include <cstdarg>
#include <cstring>

#include "host/ui/Control.h"
#include "platform/TextConversions.h"
#include "platform/WideTextBuffer.h"

namespace {

bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }

// The rule of a mode for one character, without the '.' and first-digit conditions.
bool ModeAllows(int mode, char32_t c) {
  switch (mode) {
    case EditTextField::kLetters: return host::ui::IsLetterCharacter(c);
    case EditTextField::kSignedInteger: return IsDigit(c) || c == '-';
    case EditTextField::kInteger: return IsDigit(c);
    case EditTextField::kSignedReal: return IsDigit(c) || c == '-' || c == '.';
    case EditTextField::kReal: return IsDigit(c) || c == '.';
    case EditTextField::kIdentifier: return host::ui::IsLetterCharacter(c) || IsDigit(c) || c == '_';
    default: return true;
  }
}

// Whether a whole text obeys the mode: what pasting or dropping may put into the field.
bool TextObeysMode(int mode, const std::wstring& text) {
  int dots = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char32_t c = char32_t(text[i]);
    if (!ModeAllows(mode, c)) return false;
    if (c == '.') ++dots;
    if (mode == EditTextField::kIdentifier && i == 0 && IsDigit(c)) return false;
  }
  return dots <= 1 || (mode != EditTextField::kSignedReal && mode != EditTextField::kReal);
}

}  // namespace

EditTextField::~EditTextField() {
  if (Live()) {
    if (previousSaved_) control_->SetKeyFilter(previousFilter_);
    if (rawKeyHandler_ != 0) control_->Target().RemoveHandler(rawKeyHandler_);
    control_->SetTextCheck(nullptr);
  }
}

bool EditTextField::Create(DialogWindow& window, int number, const UiRect& bounds, const WideString& text) {
  if (!DialogControl::Create(window, number, bounds, text)) return false;
  if (!MakeControl(window, host::ui::Control::kEdit, bounds, text)) return false;
  OnAttach();
  return Register(window, number);
}

bool EditTextField::OnAttach() {
  if (!Live()) return true;
  control_->SetRefCon(this);
  if (!previousSaved_) {
    previousFilter_ = control_->KeyFilter();
    previousSaved_ = true;
  }
  control_->SetKeyFilter([this](char32_t c) { return FilterKey(c); });
  SetInputMode(mode_);
  return true;
}

void EditTextField::SetInputMode(int mode) {
  mode_ = mode;
  if (!Live()) return;
  if (mode >= kLetters && mode <= kIdentifier) {
    control_->SetTextCheck([mode](const std::wstring& text) { return TextObeysMode(mode, text); });
  } else {
    control_->SetTextCheck(nullptr);
  }
}

void EditTextField::SetCommitCallback(CommitCallback callback, uint32_t userValue) {
  callback_ = callback;
  userValue_ = userValue;
  InstallRawKeyHandler();
}

void EditTextField::SetCommitNotifiesWindow(DialogWindow* window) {
  notifyWindow_ = window;
  callback_ = nullptr;
  InstallRawKeyHandler();
}

void EditTextField::InstallRawKeyHandler() {
  if (rawKeyHandler_ != 0 || !Live()) return;
  rawKeyHandler_ =
      control_->Target().InstallHandler({{host::ui::kClassKeyboard, host::ui::kKeyDown}}, [this](host::ui::Event& e) {
        if (e.keyCode == host::ui::kTabKeyCode) Commit();
        return host::ui::kEventNotHandled;  // Tab still moves on
      });
}

void EditTextField::Commit() {
  if (callback_ != nullptr) {
    callback_(this, userValue_);
  } else if (notifyWindow_ != nullptr) {
    notifyWindow_->OnControlChange(nullptr, GetControlRef());
  }
}

bool EditTextField::AcceptsCharacter(char32_t c) const {
  if (c == 28 || c == 29 || c == 8 || c == 127) return true;
  if (!ModeAllows(mode_, c)) return false;
  if (c == '.' && (mode_ == kSignedReal || mode_ == kReal)) {
    int start = 0, end = 0;
    const std::wstring text = Live() ? control_->Text() : std::wstring();
    if (!Live() || !control_->Selection(start, end) || start == end) {
      return text.find(L'.') == std::wstring::npos;
    }
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == L'.' && (int(i) < start || int(i) >= end)) return false;  // a '.' the typing keeps
    }
    return true;
  }
  if (mode_ == kIdentifier && IsDigit(c)) {
    int start = 0, end = 0;
    if (!Live() || !control_->Selection(start, end)) return false;
    return start != 0;
  }
  return true;
}

bool EditTextField::FilterKey(char32_t c) {
  if (c == 13 || c == 10 || c == 3) {
    Commit();
    if (!passCommitKeys_) return false;
  }
  return AcceptsCharacter(c);
}

bool EditTextField::SetText(const WideString& text, bool redraw) {
  if (!Live() || !control_->SetText(text)) return false;
  if (redraw) control_->Redraw();
  return true;
}

bool EditTextField::SetPascalText(const unsigned char* text, bool redraw) {
  if (text == nullptr) return false;
  return SetText(NarrowToWide(std::string_view(reinterpret_cast<const char*>(text + 1), text[0])), redraw);
}

bool EditTextField::SetInt(int value, bool redraw) { return SetFormatted(redraw, L"%d", value); }

bool EditTextField::SetFormatted(bool redraw, const wchar_t* format, ...) {
  WideTextBuffer text;
  va_list args;
  va_start(args, format);
  const bool ok = text.FormatV(format, args);
  va_end(args);
  return ok && SetText(WideString(text.GetText()), redraw);
}

bool EditTextField::SetReal(double value, int width, int precision, bool redraw) {
  WideTextBuffer format;
  if (width != 0 && precision != 0)
    format.Format(L"%%%d.%df", width, precision);
  else if (width != 0)
    format.Format(L"%%%d.f", width);
  else if (precision != 0)
    format.Format(L"%%.%df", precision);
  else
    format.Set(L"%f");
  return SetFormatted(redraw, format.GetText(), value);
}

size_t EditTextField::GetTextLength() const { return Live() ? control_->Text().size() : 0; }

size_t EditTextField::GetText(wchar_t* buffer, size_t capacity) const {
  if (buffer == nullptr || capacity == 0) return 0;
  buffer[0] = 0;
  if (!Live()) return 0;
  const std::wstring text = control_->Text();
  const size_t n = std::min(text.size(), capacity - 1);
  std::wmemcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return n;
}

int EditTextField::GetInt() const {
  const std::wstring text = Live() ? control_->Text().substr(0, 255) : std::wstring();
  int value = 0;
  return ParseDecimalInt(text.c_str(), value);
}

double EditTextField::GetReal() const {
  const std::wstring text = Live() ? control_->Text().substr(0, 255) : std::wstring();
  double value = 0;
  return ParseReal(text.c_str(), value);
}

wchar_t* EditTextField::GetTextAlloc(size_t* length) const {
  const std::wstring text = Live() ? control_->Text() : std::wstring();
  auto* buffer = new wchar_t[text.size() + 1];
  std::wmemcpy(buffer, text.data(), text.size());
  buffer[text.size()] = 0;
  if (length != nullptr) *length = text.size();
  return buffer;
}

WideString EditTextField::GetTextString() const { return Live() ? WideString(control_->Text()) : WideString(); }
