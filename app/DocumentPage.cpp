#include "app/DocumentPage.h"

#include <cmath>
#include <cstdio>

#include "app/MainWindow.h"
#include "app/UndoHistory.h"
#include "host/ui/Event.h"
#include "preloader/PreloaderData.h"
#include "swf/ControlTags.h"
#include "swf/SwfHeader.h"
#include "swf/SwfReader.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"

namespace {

constexpr int kErrorHeading = 10000;
constexpr int kNoTargetText = 116;
constexpr int kUnreadableTargetText = 129;

}  // namespace

bool DocumentPage::OnCommand(uint32_t command, UiEvent& event) {
  (void)event;
  if (command != host::ui::FourCC("bBrw")) return false;
  ChooseTarget();
  return true;
}

bool DocumentPage::Commit(bool requireTarget) {
  if (requireTarget && project_.GetTargetUrl().empty()) {
    ui::ShowErrorBoxById(main_.GetWindowRef(), kErrorHeading, kNoTargetText);
    return false;
  }
  return true;
}

void DocumentPage::Refresh() {}

bool DocumentPage::ChooseTarget() {
  ui::FileTypeFilterList filters;
  filters.AddSwfMovieFilters();
  ui::FileDialogOptions options;
  options.filters = &filters;
  ui::FileDialogResult reply;
  ui::OpenFileDialog chooser;
  if (!chooser.Run(reply, main_.GetWindowRef(), &options) || !reply.chosen) return false;
  bool read = false;
  {
    EditTransaction edit(main_, project_);
    read = ReadTargetInfo(reply.path, true);
  }
  if (read) main_.AddRecentMovie(reply.path);
  return read;
}

bool DocumentPage::ReadTargetInfo(const WideString& path, bool apply) {
  SwfReader reader;
  if (!reader.LoadFileWithOptions(path, true, 0, true)) {
    ui::ShowErrorBoxById(main_.GetWindowRef(), kErrorHeading, kUnreadableTargetText, {std::wstring(path)});
    return false;
  }
  if (!apply) return true;
  const SwfHeader& header = reader.GetHeader();
  project_.SetTargetUrl(path);
  project_.SetTargetSize(header.GetFrameWidth() / 20, header.GetFrameHeight() / 20);
  project_.SetTargetFps(header.frameRate);
  for (const auto& tag : reader.GetTags()) {
    if (tag->TagCode() == kSwfTagSetBackgroundColor) {
      project_.SetBackgroundColor(static_cast<const SetBackgroundColorTag&>(*tag).GetColor());
      break;
    }
  }
  return true;
}

void DocumentPage::ShowOutputSize(uint64_t bytes) { outputSize_ = FormatByteSize(bytes); }

WideString DocumentPage::FormatByteSize(uint64_t bytes) {
  char text[64];
  if (bytes < 1024)
    std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
  else if (bytes < 1024000)
    std::snprintf(text, sizeof text, "%.2f kb", static_cast<double>(bytes) / 1024.0);
  else
    std::snprintf(text, sizeof text, "%.2f MB", static_cast<double>(bytes) / 1024000.0);
  return Utf8ToWide(text);
}
