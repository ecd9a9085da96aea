#include "publish/PublishMovie.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/TempFolder.h"

namespace {

// Movies made for the writers only, deleted when the run ends however it ends.
class TemporaryMovies {
 public:
  ~TemporaryMovies() {
    for (const WideString& path : paths_)
      if (!path.empty()) DeleteFileAtPath(path);
  }
  void Add(const WideString& path) { paths_.push_back(path); }

 private:
  std::vector<WideString> paths_;
};

// Shows the busy cursor while it lives.
class BusyCursor {
 public:
  explicit BusyCursor(PublishInteraction* interaction) : interaction_(interaction) {
    if (interaction_ != nullptr) interaction_->ShowBusy(true);
  }
  ~BusyCursor() {
    if (interaction_ != nullptr) interaction_->ShowBusy(false);
  }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  PublishInteraction* interaction_;
};

constexpr PublishOutput kAskOrder[] = {
    kPublishSwf,       kPublishHtml,        kPublishMacProjector, kPublishWindowsProjector,
    kPublishQuickTime, kPublishScreenSaver, kPublishInstaller};

WideString PathOf(const PublishSettings& settings, int output) {
  WideString path;
  if (!MakePathInFolder(path, settings.names[static_cast<size_t>(output)], settings.outputFolder)) return {};
  return path;
}

bool Produce(const PublishSettings::Producer& producer, const WideString& path, bool minimumStage) {
  return producer && !path.empty() && producer(path, minimumStage);
}

}  // namespace

bool PublishMovie(PublishContext& context, PublishSettings& settings, PublishWriters& writers,
                  PublishInteraction* interaction) {
  writers.error.clear();
  auto fail = [&](int text) {
    if (interaction != nullptr) interaction->ShowError(kPublishErrorHeading, text, writers.error);
    return false;
  };
  bool any = false;
  for (bool flag : settings.publish) any = any || flag;
  if (!any) {
    if (interaction != nullptr) interaction->ShowError(kPublishErrorHeading, kPublishNothingToPublish, {});
    return true;
  }
  if (!PathIsFolder(settings.outputFolder)) return fail(kPublishFolderMissing);

  // The decisions: proceed with an output, and replace its file.
  std::array<bool, kPublishOutputCount> proceed{};
  std::array<bool, kPublishOutputCount> replace{};
  if (interaction == nullptr) {
    proceed = settings.publish;
    replace = settings.replace;
  } else {
    bool replaceAll = false;
    bool stopped = false;
    for (PublishOutput o : kAskOrder) {
      const size_t i = static_cast<size_t>(o);
      if (stopped) continue;
      if (!settings.publish[i]) {
        proceed[i] = o != kPublishSwf;
        continue;
      }
      if (replaceAll) {
        proceed[i] = replace[i] = true;
        continue;
      }
      WideString path = PathOf(settings, o);
      if (o == kPublishInstaller) path = ReplacePathExtension(path, L".app");
      switch (interaction->AskReplaceExistingFile(path)) {
        case kReplaceNoFile: proceed[i] = true; break;
        case kReplace: proceed[i] = replace[i] = true; break;
        case kReplaceAll:
          proceed[i] = replace[i] = true;
          replaceAll = true;
          break;
        case kDontReplaceAll:
        case kReplaceStop: stopped = o != kPublishInstaller; break;
        default:  // don't replace, and anything unknown
          break;
      }
    }
  }
  auto made = [&](PublishOutput o) { return settings.publish[o] && proceed[o]; };

  BusyCursor busy(interaction);
  TemporaryMovies temporary;
  const WideString swfPath = PathOf(settings, kPublishSwf);
  bool movieForPlayers = true;
  if (made(kPublishSwf)) {
    if (!Produce(settings.swf, swfPath, false)) return fail(kPublishSwfFailed);
    context.movie = context.frameMovie = swfPath;
  } else if (proceed[kPublishMacProjector] || proceed[kPublishWindowsProjector] || proceed[kPublishQuickTime]) {
    WideString unique;
    if (!swfPath.empty() && MakeUniqueFilePath(unique, swfPath)) {
      temporary.Add(unique);
      Produce(settings.swf, unique, false);  // a movie that failed shows as the writers' failure
    }
    context.movie = context.frameMovie = unique;
  } else if (proceed[kPublishScreenSaver] || proceed[kPublishInstaller]) {
    WideString path;
    if (GetTempFilePath(path, L"_tmppblsh.swf", true)) {
      temporary.Add(path);
      Produce(settings.swf, path, false);
    }
    context.movie = context.frameMovie = path;
    movieForPlayers = false;
  }
  if (movieForPlayers && proceed[kPublishQuickTime] && settings.quickTime.frameExport &&
      IsStageBelowSwfMinimum(settings.quickTime)) {
    WideString path;
    if (GetTempFilePath(path, L"_tmppblsh2.swf", true)) {
      temporary.Add(path);
      Produce(settings.swf, path, true);
    }
    context.frameMovie = path;
  }

  if (made(kPublishFlv) && !Produce(settings.flv, PathOf(settings, kPublishFlv), false)) return false;
  if (made(kPublishF4v) && !Produce(settings.f4v, PathOf(settings, kPublishF4v), false)) return false;
  if (made(kPublishHtml)) {
    settings.html.movieName = settings.names[kPublishSwf];
    const WideString path = PathOf(settings, kPublishHtml);
    if (path.empty() || !writers.WriteHtml(path, settings.html, replace[kPublishHtml])) return fail(kPublishHtmlFailed);
  }
  if (made(kPublishMacProjector)) {
    const WideString path = PathOf(settings, kPublishMacProjector);
    if (path.empty() || !writers.WriteMacProjector(context.movie, path, replace[kPublishMacProjector]))
      return fail(kPublishMacProjectorFailed);
  }
  if (made(kPublishWindowsProjector)) {
    const WideString path = PathOf(settings, kPublishWindowsProjector);
    if (path.empty() || !writers.WriteWindowsProjector(context.movie, path, replace[kPublishWindowsProjector]))
      return fail(kPublishWindowsProjectorFailed);
  }
  if (made(kPublishQuickTime)) {
    const QuickTimeJob job{context.movie, context.frameMovie, PathOf(settings, kPublishQuickTime)};
    std::string error;
    if (job.output.empty() || !writers.WriteQuickTime(job, settings.quickTime, settings.frameExport, error)) {
      if (interaction != nullptr && !error.empty()) interaction->ShowErrorText("QTError", error);
      return fail(kPublishQuickTimeFailed);
    }
  }
  if (made(kPublishScreenSaver) || made(kPublishInstaller)) {
    // A movie the screen saver refuses would leave it showing an earlier one.
    if (!writers.SetScreenSaverMovie(context.movie))
      return fail(made(kPublishScreenSaver) ? kPublishScreenSaverFailed : kPublishInstallerFailed);
    if (made(kPublishScreenSaver)) {
      const WideString path = PathOf(settings, kPublishScreenSaver);
      if (path.empty() || !writers.BuildScreenSaver(path, replace[kPublishScreenSaver]))
        return fail(kPublishScreenSaverFailed);
    }
    if (made(kPublishInstaller)) {
      const WideString path = PathOf(settings, kPublishInstaller);
      if (path.empty() ||
          !writers.BuildInstaller(path, settings.names[kPublishScreenSaver], replace[kPublishInstaller]))
        return fail(kPublishInstallerFailed);
    }
  }
  if (interaction != nullptr) interaction->ShowNote(kPublishDoneHeading, kPublishDone);
  return true;
}
