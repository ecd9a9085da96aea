#include "ui/ToolkitDialogs.h"

#include "platform/Paths.h"
#include "ui/MessageFormat.h"
#include "ui/NibReference.h"

namespace {

constexpr uint32_t Code(const char (&c)[5]) {
  return (uint32_t(uint8_t(c[0])) << 24) | (uint32_t(uint8_t(c[1])) << 16) | (uint32_t(uint8_t(c[2])) << 8) |
         uint32_t(uint8_t(c[3]));
}

constexpr uint32_t kOk = Code("ok  "), kCancel = Code("not!"), kDont = Code("bDnt"), kStop = Code("bStp"),
                   kAll = Code("cAll"), kMessage = Code("sMsg"), kDontShow = Code("cDwm");

ReplaceItemResponder g_replaceResponder;
NoticeResponder g_noticeResponder;

}  // namespace

void SetReplaceItemResponder(ReplaceItemResponder responder) { g_replaceResponder = std::move(responder); }
void SetNoticeResponder(NoticeResponder responder) { g_noticeResponder = std::move(responder); }

int ReplaceItemDialog::RunAsSheet(WindowRef parent) {
  if (!CreateNew(100, 100, 390, 131, kSheet, parent)) return -1;
  return RunModal();
}

bool ReplaceItemDialog::OnInitDialog() {
  // The whole path is shown however long it is.
  std::wstring text;
  const ui::MessageArg args[] = {std::wstring(GetFileName(path_)), std::wstring(GetParentFolderPath(path_, false))};
  ui::FormatMessage(L"The item \"%ls\" in %ls already exists. Replace it?", args, text);
  message_.Create(*this, int(kMessage), UiRect{20, 20, 370, 59}, text);
  if (mode_ == 1) {
    applyToAll_.Create(*this, int(kAll), UiRect{20, 95, 104, 109}, L"Apply To All");
    dontReplace_.Create(*this, int(kDont), UiRect{123, 94, 222, 111}, L"Don't Replace");
    stop_.Create(*this, int(kStop), UiRect{245, 94, 293, 111}, L"Stop");
  } else {
    dontReplace_.Create(*this, int(kDont), UiRect{194, 94, 293, 111}, L"Don't Replace");
  }
  replace_.Create(*this, int(kOk), UiRect{307, 94, 370, 111}, L"Replace");
  return true;
}

bool ReplaceItemDialog::OnCommand(uint32_t command, UiEvent&) {
  const int all = !applyToAll_.IsEmpty() && applyToAll_.IsChecked() ? 1 : 0;
  if (command == kStop) return EndDialog(kStopReplacing);
  if (command == kOk) return EndDialog(kReplaceItem + all);
  if (command == kDont) return EndDialog(kDontReplace + all);
  return false;
}

bool NoticeDialog::OnInitDialog() {
  dontShowAgain_.Attach(kDontShow, GetWindowRef(), GetDialogNumber());
  return true;
}

bool NoticeDialog::OnCommand(uint32_t command, UiEvent&) {
  if (command == kOk) {
    if (showFlag_ != nullptr) *showFlag_ = dontShowAgain_.IsChecked() ? 0 : 1;
    return EndDialog(int(kOk));
  }
  if (command == kCancel) return EndDialog(int(kCancel));
  return false;
}

bool RunNoticeDialog(const WideString& name, WindowRef parent, uint8_t* showFlag) {
  if (showFlag != nullptr && *showFlag == 0) return true;
  if (g_noticeResponder) {
    bool dontShow = false;
    if (g_noticeResponder(name, dontShow) == kOk && showFlag != nullptr) *showFlag = dontShow ? 0 : 1;
    return true;
  }
  NoticeDialog dialog(showFlag);
  dialog.DoModal(GetMainNib(), name, parent, 60);
  return true;
}

int AskReplaceExistingFile(const WideString& path, WindowRef parent, int mode) {
  if (!PathExists(path)) return -1;
  if (g_replaceResponder) return g_replaceResponder(path, mode);
  ReplaceItemDialog dialog(path, mode);
  return dialog.RunAsSheet(parent);
}
