// The writers the publish dispatcher runs, behind one interface so that a caller (or a test)
// can put its own in. These write the real files: the HTML page, the two projectors (around
// the bundle's player stubs), the QuickTime movie, the screen saver and its installer (from
// the template folders). A writer that fails says why in `error`.
#pragma once

#include <initializer_list>
#include <string>

#include "platform/WideString.h"
#include "publish/FrameSource.h"
#include "publish/HtmlSettings.h"
#include "publish/ProjectorWriter.h"
#include "publish/PublishQuickTime.h"
#include "publish/QuickTimeSettings.h"
#include "publish/ScreenSaverSettings.h"

// The bundle's template folders of the screen saver and of its installer.
inline constexpr wchar_t kSaverTemplateResource[] = L"ss_tmp";
inline constexpr wchar_t kInstallerTemplateResource[] = L"ssin_tmp";

class PublishWriters {
 public:
  virtual ~PublishWriters() = default;

  virtual bool WriteHtml(const WideString& path, const HtmlSettings& settings, bool replace);
  // `error` says why a failed movie failed.
  virtual bool WriteQuickTime(const QuickTimeJob& job, const QuickTimeSettings& settings,
                              FrameExportSettings& frameExport, std::string& error);
  // The projectors embed the movie into a player for each system, with the settings below.
  virtual bool WriteMacProjector(const WideString& movie, const WideString& path, bool replace);
  virtual bool WriteWindowsProjector(const WideString& movie, const WideString& path, bool replace);
  // The screen saver and its installer show the movie given first. False when the movie is
  // refused (not a movie, missing).
  virtual bool SetScreenSaverMovie(const WideString& movie);
  virtual bool BuildScreenSaver(const WideString& path, bool replace);
  // The installer installs the screen saver named `saverName`.
  virtual bool BuildInstaller(const WideString& path, const WideString& saverName, bool replace);

  // Renders the frames of the QuickTime frame export; none by default (the export then fails).
  FrameSourceFactory* frameSources = nullptr;

  ProjectorSettings macProjector;
  ProjectorSettings windowsProjector;
  // Where the projectors' player stubs come from.
  ProjectorStubSource projectorStubs = GetBundleProjectorStub;
  // The screen saver and the installer; the run sets its movie.
  ScreenSaverSettings screenSaver;
  // The template folders; empty: the bundle's resources named above.
  WideString saverTemplate;
  WideString installerTemplate;

  // Why the last writer failed, in its own words; empty when it said nothing.
  std::string error;

 private:
  // Hands the screen saver its template folders; false, saying which, when one it needs is missing.
  bool FindTemplates(bool installerToo);
  // What stood in the way of a projector that failed, when it was a file in the way, a missing
  // stub or a missing movie.
  std::string ProjectorFailure(const WideString& movie, const WideString& path, bool replace,
                               std::initializer_list<int> stubIds) const;
};
