#include "ui/MessageBox.h"

#include "host/StringTable.h"

namespace ui {
namespace {

std::wstring Numbered(int number, const wchar_t* fallback) {
  const std::wstring* text = host::strings::MainStringTable().Find(number);
  return text != nullptr ? *text : std::wstring(fallback);
}

// Style buttons as flags, first one set wins; 0 when none is set.
MessageBoxStyle ButtonFlag(MessageBoxStyle style) {
  for (MessageBoxStyle f : {kStyleOk, kStyleOkCancel, kStyleRetryCancel, kStyleYesNo, kStyleYesCancelNo,
                            kStyleSaveChanges, kStyleRetryIgnoreAbort}) {
    if ((style & f) != 0) return f;
  }
  return 0;
}

}  // namespace

host::ui::AlertSpec AlertForStyle(MessageBoxStyle style) {
  host::ui::AlertSpec spec;
  spec.icon = (style & kStyleStop) != 0      ? host::ui::AlertIcon::kStop
              : (style & kStyleCaution) != 0 ? host::ui::AlertIcon::kCaution
              : (style & kStyleNote) != 0    ? host::ui::AlertIcon::kNote
                                             : host::ui::AlertIcon::kPlain;
  switch (ButtonFlag(style)) {
    case kStyleOkCancel:
      spec.defaultText = Numbered(11100, L"OK");
      spec.cancelText = Numbered(11101, L"Cancel");
      break;
    case kStyleRetryCancel:
      spec.defaultText = L"Retry";
      spec.cancelText = Numbered(11101, L"Cancel");
      break;
    case kStyleYesNo:
      spec.defaultText = Numbered(11102, L"Yes");
      spec.cancelText = Numbered(11103, L"No");
      break;
    case kStyleYesCancelNo:
      spec.defaultText = Numbered(11102, L"Yes");
      spec.cancelText = Numbered(11101, L"Cancel");
      spec.otherText = Numbered(11103, L"No");
      break;
    case kStyleSaveChanges:
      spec.defaultText = L"Save";
      spec.cancelText = L"Cancel";
      spec.otherText = L"Don't Save";
      break;
    case kStyleRetryIgnoreAbort:
      spec.defaultText = L"Retry";
      spec.cancelText = L"Ignore";
      spec.otherText = L"Abort";
      break;
    default: break;  // one OK button with the system's text
  }
  return spec;
}

MessageResult MapResult(MessageBoxStyle style, int item) {
  if (item < 1 || item > 3) return kResultCancel;
  switch (ButtonFlag(style)) {
    case kStyleOk: return kResultOk;
    case kStyleYesNo: return item == 1 ? kResultOk : item == 2 ? kResultNo : kResultCancel;
    case kStyleYesCancelNo:
    case kStyleSaveChanges:
    case kStyleRetryIgnoreAbort: return item == 1 ? kResultOk : item == 2 ? kResultCancel : kResultNo;
    default: return item == 1 ? kResultOk : kResultCancel;
  }
}

MessageResult ShowMessageSheet(WindowRef parent, MessageBoxStyle style, std::wstring_view heading,
                               std::wstring_view detail) {
  host::ui::AlertSpec spec = AlertForStyle(style);
  spec.heading = heading;
  spec.detail = detail;
  return MapResult(style, host::ui::RunAlert(spec, parent));
}

MessageResult ShowMessageBox(WindowRef parent, MessageBoxStyle style, std::wstring_view heading,
                             std::wstring_view format, MessageArgs args) {
  std::wstring detail;
  if (!FormatMessage(format, std::span<const MessageArg>(args.begin(), args.size()), detail)) detail = format;
  return ShowMessageSheet(parent, style, heading, detail);
}

MessageResult ShowNoteBox(WindowRef parent, std::wstring_view heading, std::wstring_view format, MessageArgs args) {
  return ShowMessageBox(parent, kStyleNote | kStyleOk, heading, format, args);
}

MessageResult ShowErrorBox(WindowRef parent, std::wstring_view heading, std::wstring_view format, MessageArgs args) {
  return ShowMessageBox(parent, kStyleStop | kStyleOk, heading, format, args);
}

MessageResult ShowErrorCodeBox(WindowRef parent, int code) {
  std::wstring heading;
  FormatMessage(L"Err: %d", std::initializer_list<MessageArg>{(long long)code}, heading);
  return ShowMessageBox(parent, kStyleStop | kStyleOk, heading, L"Type: %d", {(long long)code});
}

MessageResult ShowMessageBoxById(WindowRef parent, MessageBoxStyle style, int headingNumber, int detailNumber,
                                 MessageArgs args) {
  return ShowMessageBox(parent, style, Numbered(headingNumber, L""), Numbered(detailNumber, L""), args);
}

MessageResult ShowErrorBoxById(WindowRef parent, int headingNumber, int detailNumber, MessageArgs args) {
  const std::wstring* heading = host::strings::MainStringTable().Find(headingNumber);
  const std::wstring* detail = host::strings::MainStringTable().Find(detailNumber);
  const std::wstring headingText = heading != nullptr ? *heading : L"Error";
  if (detail == nullptr) return ShowMessageSheet(parent, kStyleStop | kStyleOk, headingText, L"Error");
  return ShowMessageBox(parent, kStyleStop | kStyleOk, headingText, *detail, args);
}

MessageResult ShowNoteBoxById(WindowRef parent, int headingNumber, int detailNumber, MessageArgs args) {
  return ShowMessageBoxById(parent, kStyleNote | kStyleOk, headingNumber, detailNumber, args);
}

}  // namespace ui
