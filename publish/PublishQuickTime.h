// The publishing step that turns the movie into a QuickTime movie: the movie itself as a
// Flash track, or with frame export its frames rendered one by one.
#pragma once

#include <string>

#include "platform/WideString.h"
#include "publish/FrameSource.h"
#include "publish/QuickTimeSettings.h"

struct QuickTimeJob {
  WideString movie;       // the movie put into the Flash track
  WideString frameMovie;  // the movie the frame export renders
  WideString output;      // the QuickTime movie written
};

// Writes the QuickTime movie. With frame export it fills `frameExport` from the settings and
// the movie's frame rate and renders through `sources` (no factory: false). False on any
// failure, with `error` saying why ("Failed to create file", "Failed to add Flash track", ...);
// the output is then as it was and no temporary file is left.
[[nodiscard]] bool PublishQuickTime(const QuickTimeJob& job, const QuickTimeSettings& settings,
                                    FrameExportSettings& frameExport, FrameSourceFactory* sources, std::string& error);
