// The frame export: a movie rendered frame after frame at its frame rate and stored as the
// uncompressed video of a QuickTime movie.
#pragma once

#include "platform/WideString.h"
#include "publish/FrameSource.h"
#include "publish/QuickTimeSettings.h"

class SwfQuickTimeExport {
 public:
  explicit SwfQuickTimeExport(FrameSourceFactory& sources) : sources_(sources) {}

  // Renders the movie at the settings' source size (the movie's stage when that is 0) and
  // writes the frames, scaled to the settings' size when that differs. False when the movie
  // can't be read or rendered, its frame rate is below one frame a second, it lasts no time
  // at all, or the output can't be written; the output is then as it was.
  [[nodiscard]] bool Export(const WideString& swfPath, const WideString& outputPath,
                            const FrameExportSettings& settings);

 private:
  bool GrabFrames(FrameSource& source, const WideString& outputPath, const FrameExportSettings& settings);

  FrameSourceFactory& sources_;
};
