#include "publish/SwfQuickTimeExport.h"

#include <vector>

#include "media/PixelScaler.h"
#include "publish/QuickTimeMovieWriter.h"
#include "swf/SwfFileInfo.h"

bool SwfQuickTimeExport::Export(const WideString& swfPath, const WideString& outputPath,
                                const FrameExportSettings& settings) {
  int32_t stageWidth = 0;
  int32_t stageHeight = 0;
  float frameRate = 0;
  if (!ReadSwfFileInfo(swfPath, &stageWidth, &stageHeight, &frameRate, nullptr, nullptr, nullptr)) return false;
  const int32_t sourceWidth = settings.sourceWidth > 0 ? settings.sourceWidth : stageWidth / 20;
  const int32_t sourceHeight = settings.sourceHeight > 0 ? settings.sourceHeight : stageHeight / 20;
  if (sourceWidth <= 0 || sourceHeight <= 0) return false;
  std::unique_ptr<FrameSource> source =
      sources_.Open(swfPath, static_cast<uint32_t>(sourceWidth), static_cast<uint32_t>(sourceHeight), settings.alpha);
  if (source == nullptr) return false;
  return GrabFrames(*source, outputPath, settings);
}

bool SwfQuickTimeExport::GrabFrames(FrameSource& source, const WideString& outputPath,
                                    const FrameExportSettings& settings) {
  const uint32_t timeScale = source.TimeScale();
  const uint32_t duration = source.Duration();
  const double frameRate = settings.frameRate;
  // A rate below one frame a second, no time scale or no duration would never move on.
  if (!(frameRate >= 1.0) || timeScale == 0 || duration == 0) return false;
  if (source.Width() == 0 || source.Height() == 0 || settings.width <= 0 || settings.height <= 0) return false;
  uint32_t flags = 0;
  if (!settings.paused) flags |= QuickTimeMovieWriter::kAutoPlay;
  if (settings.loop) flags |= QuickTimeMovieWriter::kLoop;
  if (settings.controllerType == 1) flags |= QuickTimeMovieWriter::kController;
  QuickTimeMovieWriter writer;
  const uint32_t width = static_cast<uint32_t>(settings.width);
  const uint32_t height = static_cast<uint32_t>(settings.height);
  if (!writer.Create(outputPath, width, height, frameRate, flags)) return false;
  if (!writer.BeginVideoTrack()) return false;
  const bool scaling = width != source.Width() || height != source.Height();
  const PixelRect from{0, 0, static_cast<int32_t>(source.Width()), static_cast<int32_t>(source.Height())};
  const PixelRect to{0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)};
  std::vector<uint8_t> buffer(static_cast<size_t>(source.Width()) * source.Height() * 4);
  for (uint64_t i = 0;; ++i) {
    const double time = static_cast<double>(i) * timeScale / frameRate;
    if (time >= static_cast<double>(duration) - 1) break;
    if (!source.Render(static_cast<uint32_t>(time), buffer.data())) return false;
    if (scaling) {
      const std::unique_ptr<uint8_t[]> scaled = ScalePixelBuffer(buffer.data(), from, to, 32);
      if (scaled == nullptr || !writer.AddFrame(scaled.get())) return false;
    } else if (!writer.AddFrame(buffer.data())) {
      return false;
    }
  }
  if (writer.FramesAdded() == 0) return false;
  return writer.Finish();
}
