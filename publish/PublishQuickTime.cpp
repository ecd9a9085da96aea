#include "publish/PublishQuickTime.h"

#include "platform/FileSystem.h"
#include "platform/TempFolder.h"
#include "publish/QuickTimeMovieWriter.h"
#include "publish/SwfQuickTimeExport.h"
#include "swf/SwfCompression.h"
#include "swf/SwfFileInfo.h"

namespace {

// Deletes a temporary file when it goes out of scope.
class TempFile {
 public:
  ~TempFile() {
    if (!path.empty()) DeleteFileAtPath(path);
  }
  WideString path;
};

}  // namespace

bool PublishQuickTime(const QuickTimeJob& job, const QuickTimeSettings& settings, FrameExportSettings& frameExport,
                      FrameSourceFactory* sources, std::string& error) {
  error.clear();
  float frameRate = 0;
  bool compressed = false;
  if (!ReadSwfFileInfo(job.movie, nullptr, nullptr, &frameRate, nullptr, nullptr, &compressed)) {
    error = "Failed to read the movie";
    return false;
  }
  if (settings.frameExport) {
    frameExport.width = settings.width;
    frameExport.height = settings.height;
    frameExport.frameRate = frameRate;
    frameExport.alpha = settings.mode == 1;
    frameExport.mode = settings.mode;
    frameExport.controllerType = settings.controllerType;
    frameExport.paused = settings.paused;
    frameExport.loop = settings.loop;
    frameExport.flatten = settings.flatten;
    if (sources == nullptr || !SwfQuickTimeExport(*sources).Export(job.frameMovie, job.output, frameExport)) {
      error = "Failed to export the frames";
      return false;
    }
    return true;
  }
  uint32_t flags = 0;
  if (settings.flatten) flags |= QuickTimeMovieWriter::kFlatten;
  if (!settings.paused) flags |= QuickTimeMovieWriter::kAutoPlay;
  if (settings.loop) flags |= QuickTimeMovieWriter::kLoop;
  if (settings.controllerType == 1) flags |= QuickTimeMovieWriter::kController;
  QuickTimeMovieWriter writer;
  if (settings.width <= 0 || settings.height <= 0 ||
      !writer.Create(job.output, static_cast<uint32_t>(settings.width), static_cast<uint32_t>(settings.height),
                     frameRate, flags)) {
    error = "Failed to create file";
    return false;
  }
  const uint16_t graphicsMode = settings.mode == 1 ? QuickTimeMovieWriter::kStraightAlpha : 0;
  if (compressed) {
    TempFile inflated;
    if (!GetTempFilePath(inflated.path, L"pbflate.swf", true) || !DecompressSwfFile(job.movie, inflated.path, true) ||
        !writer.AddFlashTrack(inflated.path, graphicsMode, 0)) {
      error = "Failed to add Flash Track compressed";
      return false;
    }
  } else if (!writer.AddFlashTrack(job.movie, graphicsMode, 0)) {
    error = "Failed to add Flash track";
    return false;
  }
  if (!writer.Finish()) {
    error = "Failed to write file";
    return false;
  }
  return true;
}
