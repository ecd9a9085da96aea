// The settings of the QuickTime movie a movie is published as, and of the frame export.
#pragma once

#include <cstdint>

struct QuickTimeSettings {
  int32_t stageWidth = 0;  // the movie's stage in twips
  int32_t stageHeight = 0;
  int32_t width = 0;  // the QuickTime movie's size in pixels
  int32_t height = 0;
  int32_t mode = 0;            // 1: the movie is drawn with straight alpha
  int32_t controllerType = 0;  // 1: the movie shows its controller
  bool paused = false;         // the movie does not start by itself
  bool loop = false;
  bool flatten = false;      // the movie resource comes before the sample data
  bool frameExport = false;  // frames rendered from the movie instead of a Flash track
};

struct FrameExportSettings {
  int32_t sourceWidth = 0;  // the size frames are rendered at (set by the caller)
  int32_t sourceHeight = 0;
  int32_t width = 0;  // the size of the movie written
  int32_t height = 0;
  float frameRate = 0;
  bool alpha = false;
  int32_t mode = 0;
  int32_t controllerType = 0;
  bool paused = false;
  bool loop = false;
  bool flatten = false;
};

// The smallest stage the frame export renders from: 1280 x 960 pixels.
inline constexpr int32_t kSwfMinimumStageWidth = 25600;
inline constexpr int32_t kSwfMinimumStageHeight = 19200;

inline bool IsStageBelowSwfMinimum(const QuickTimeSettings& s) {
  return s.stageWidth < kSwfMinimumStageWidth || s.stageHeight < kSwfMinimumStageHeight;
}
