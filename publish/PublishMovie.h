// Publishes one movie in up to nine forms into one folder: the movie itself, an FLV and an F4V
// made by the caller, an HTML page, two projectors, a QuickTime movie, a screen saver and an
// installer for it. Existing files are asked about (or the replace flags decide), the movie is
// made once through the caller's producer, and the writers run in a fixed order; the first
// that fails ends the run and says which it was.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "platform/WideString.h"
#include "publish/HtmlSettings.h"
#include "publish/PublishWriters.h"
#include "publish/QuickTimeSettings.h"
#include "ui/ToolkitDialogs.h"

enum PublishOutput : int {
  kPublishSwf,
  kPublishFlv,
  kPublishF4v,
  kPublishHtml,
  kPublishMacProjector,
  kPublishWindowsProjector,
  kPublishQuickTime,
  kPublishScreenSaver,
  kPublishInstaller,
  kPublishOutputCount
};

// Numbered messages of the run.
enum PublishMessage : int {
  kPublishErrorHeading = 8010,
  kPublishSwfFailed = 8011,
  kPublishHtmlFailed = 8012,
  kPublishMacProjectorFailed = 8013,
  kPublishWindowsProjectorFailed = 8014,
  kPublishQuickTimeFailed = 8015,
  kPublishNothingToPublish = 8016,
  kPublishDoneHeading = 8017,
  kPublishDone = 8018,
  kPublishScreenSaverFailed = 8019,
  kPublishInstallerFailed = 8020,
  kPublishFolderMissing = 8021,
};

// Answers of the replace question: the toolkit's (kReplaceAll, kDontReplace and the others
// below), and no file at the path.
inline constexpr int kReplaceNoFile = -1;
inline constexpr int kReplace = kReplaceItem;
inline constexpr int kDontReplaceAll = kDontReplaceAny;
inline constexpr int kReplaceStop = kStopReplacing;

// What an interactive run asks and shows; the application's uses the toolkit's dialogs.
class PublishInteraction {
 public:
  virtual ~PublishInteraction() = default;
  // kReplaceNoFile when nothing is at the path, else the user's answer.
  virtual int AskReplaceExistingFile(const WideString& path) = 0;
  // A numbered failure; `reason` is the failed writer's own account of it (empty when it gave
  // none).
  virtual void ShowError(int heading, int text, const std::string& reason) = 0;
  // A failure explained by a writer in its own words.
  virtual void ShowErrorText(const std::string& heading, const std::string& text) = 0;
  virtual void ShowNote(int heading, int text) = 0;
  // The busy cursor from the questions' end to the run's end.
  virtual void ShowBusy(bool busy) = 0;
};

struct PublishSettings {
  // Writes a file at the path; for the movie, `minimumStage` raises its stage to at least
  // 1280 x 960 pixels. Empty: there is none (an output that needs it fails).
  using Producer = std::function<bool(const WideString& path, bool minimumStage)>;
  Producer swf;
  Producer flv;
  Producer f4v;
  WideString outputFolder;
  HtmlSettings html;  // its movie name is set by the run
  QuickTimeSettings quickTime;
  FrameExportSettings frameExport;  // filled from the QuickTime settings for the frame export
  std::array<WideString, kPublishOutputCount> names{};
  std::array<bool, kPublishOutputCount> publish{};
  std::array<bool, kPublishOutputCount> replace{};  // the decisions of runs that don't ask
};

// The movie the writers embed and the one the frame export renders, as the last run made them.
struct PublishContext {
  WideString movie;
  WideString frameMovie;
};

// Runs the publishing. With an interaction the run asks about existing files and shows its
// messages; without one it uses the replace flags and shows nothing. True when everything
// asked for was made (or nothing was asked for); false at the first failure, the outputs
// made before it staying. The temporary movies are deleted on every path.
bool PublishMovie(PublishContext& context, PublishSettings& settings, PublishWriters& writers,
                  PublishInteraction* interaction);
