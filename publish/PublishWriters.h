// The writers the publish dispatcher runs, behind one interface so that a caller (or a test)
// can put its own in. The HTML page and the QuickTime movie are written here; the projectors,
// the screen saver and its installer are not part of this library and answer false unless a
// caller's writers override them.
#pragma once

#include <string>

#include "platform/WideString.h"
#include "publish/FrameSource.h"
#include "publish/HtmlSettings.h"
#include "publish/PublishQuickTime.h"
#include "publish/QuickTimeSettings.h"

class PublishWriters {
 public:
  virtual ~PublishWriters() = default;

  virtual bool WriteHtml(const WideString& path, const HtmlSettings& settings, bool replace);
  // `error` says why a failed movie failed.
  virtual bool WriteQuickTime(const QuickTimeJob& job, const QuickTimeSettings& settings,
                              FrameExportSettings& frameExport, std::string& error);
  // The projector writers embed the movie into a player for each system; their settings are
  // the writers' own.
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
};
