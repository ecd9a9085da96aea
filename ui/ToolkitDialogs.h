// Two small dialogs of the toolkit: the question whether an existing item may be replaced
// (a sheet built in code), and the notices with a "don't show again" check box.
#pragma once

#include <cstdint>
#include <functional>

#include "ui/Buttons.h"
#include "ui/DialogWindow.h"
#include "ui/StaticText.h"

// Results of the replace question.
inline constexpr int kReplaceItem = 1000;
inline constexpr int kReplaceAll = 1001;
inline constexpr int kDontReplace = 1002;
inline constexpr int kDontReplaceAny = 1003;
inline constexpr int kStopReplacing = 1004;

class ReplaceItemDialog : public DialogWindow {
 public:
  // Mode 1: several items are being handled (adds "Apply To All" and "Stop").
  ReplaceItemDialog(const WideString& path, int mode) : path_(path), mode_(mode) {}
  // 1000 to 1004 as above; -1 when the sheet can't be made or closes without a button.
  int RunAsSheet(WindowRef parent);
  bool OnInitDialog() override;
  bool OnCommand(uint32_t command, UiEvent& event) override;

 private:
  WideString path_;
  StaticText message_;
  PushButton replace_, dontReplace_, stop_;
  CheckBox applyToAll_;
  int mode_;
};

class NoticeDialog : public DialogWindow {
 public:
  explicit NoticeDialog(uint8_t* showFlag) : showFlag_(showFlag) {}
  bool OnInitDialog() override;
  bool OnCommand(uint32_t command, UiEvent& event) override;

 private:
  CheckBox dontShowAgain_;
  uint8_t* showFlag_;
};

// Shows the interface file's notice of that name unless the flag is 0; OK stores whether
// the notice is to be shown again into the flag, Cancel leaves it. True.
bool RunNoticeDialog(const WideString& name, WindowRef parent, uint8_t* showFlag);

// -1 when nothing exists at the path; otherwise the answer to the replace question.
int AskReplaceExistingFile(const WideString& path, WindowRef parent, int mode);

// Tests answer without a window: the replace question with a result, a notice with 'ok  '
// or 'not!' and the state of its check box. Empty functions restore the dialogs.
using ReplaceItemResponder = std::function<int(const WideString& path, int mode)>;
using NoticeResponder = std::function<uint32_t(const WideString& name, bool& dontShowAgain)>;
void SetReplaceItemResponder(ReplaceItemResponder responder);
void SetNoticeResponder(NoticeResponder responder);
