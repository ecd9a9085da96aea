#include "publish/DialogPublishInteraction.h"

#include "host/StringTable.h"
#include "host/ui/Application.h"
#include "platform/Paths.h"
#include "ui/ToolkitDialogs.h"

namespace {

// The question of a run that handles several files: with "Apply To All" and "Stop".
constexpr int kSeveralItems = 1;

std::wstring Numbered(int number) {
  const std::wstring* text = host::strings::MainStringTable().Find(number);
  return text != nullptr ? *text : std::wstring();
}

}  // namespace

// An alert is answered with the arrow, whatever the run shows around it.
class DialogPublishInteraction::ArrowWhileAlert {
 public:
  explicit ArrowWhileAlert(bool busy) : busy_(busy) {
    if (busy_) host::ui::SetArrowCursor();
  }
  ~ArrowWhileAlert() {
    if (busy_) host::ui::SetWatchCursor();
  }
  ArrowWhileAlert(const ArrowWhileAlert&) = delete;
  ArrowWhileAlert& operator=(const ArrowWhileAlert&) = delete;

 private:
  bool busy_;
};

DialogPublishInteraction::~DialogPublishInteraction() {
  if (busy_) host::ui::SetArrowCursor();
}

int DialogPublishInteraction::AskReplaceExistingFile(const WideString& path) {
  if (!PathExists(path)) return kReplaceNoFile;
  const int answer = ::AskReplaceExistingFile(path, parent_, kSeveralItems);
  return answer == kReplaceNoFile ? kReplaceStop : answer;
}

void DialogPublishInteraction::ShowError(int heading, int text, const std::string& reason) {
  std::wstring detail = Numbered(text);
  if (!reason.empty()) detail += (detail.empty() ? L"" : L"\n\n") + Utf8ToWide(reason);
  if (detail.empty()) detail = L"Error";
  const std::wstring title = Numbered(heading);
  const ArrowWhileAlert arrow(busy_);
  ui::ShowMessageSheet(parent_, ui::kStyleStop | ui::kStyleOk, title.empty() ? L"Error" : title, detail);
}

void DialogPublishInteraction::ShowErrorText(const std::string& heading, const std::string& text) {
  const ArrowWhileAlert arrow(busy_);
  ui::ShowMessageSheet(parent_, ui::kStyleStop | ui::kStyleOk, Utf8ToWide(heading), Utf8ToWide(text));
}

void DialogPublishInteraction::ShowNote(int heading, int text) {
  const ArrowWhileAlert arrow(busy_);
  ui::ShowNoteBoxById(parent_, heading, text);
}

void DialogPublishInteraction::ShowBusy(bool busy) {
  busy_ = busy;
  if (busy)
    host::ui::SetWatchCursor();
  else
    host::ui::SetArrowCursor();
}
