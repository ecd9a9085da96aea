// Writes QuickTime movie files: a video track of uncompressed 32-bit frames ('raw ', alpha
// first), a track holding a whole SWF movie as the single sample of a Flash ('flsh') media, and
// the movie's user data for its controller, looping and auto play.
//
// The samples go to a temporary file in the program's private temporary folder while the movie
// is made; Finish writes the movie file beside its destination and renames it into place (with
// `kFlatten` the movie resource comes before the sample data). A writer destroyed or failing
// before Finish leaves the destination as it was, and the temporary file is removed on every
// path.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/WideString.h"

class QuickTimeMovieWriter {
 public:
  enum Flags : uint32_t { kFlatten = 1, kAutoPlay = 2, kLoop = 4, kController = 8 };
  // The graphics mode that draws a track with straight alpha; 0 copies.
  static constexpr uint16_t kStraightAlpha = 256;

  QuickTimeMovieWriter() = default;
  ~QuickTimeMovieWriter();
  QuickTimeMovieWriter(const QuickTimeMovieWriter&) = delete;
  QuickTimeMovieWriter& operator=(const QuickTimeMovieWriter&) = delete;

  // Starts a movie of width x height pixels. The frame rate is truncated to whole frames a
  // second; the time scale is ten units a frame. False for an empty size, a frame rate below
  // one frame a second, or when the temporary file can't be made.
  [[nodiscard]] bool Create(const WideString& path, uint32_t width, uint32_t height, double frameRate, uint32_t flags);
  // Adds the video track that AddFrame fills. False before Create or when there is one.
  [[nodiscard]] bool BeginVideoTrack();
  // Appends one frame of width x height pixels of 4 bytes (red, green, blue, alpha), rows
  // packed, as a sample of ten time units. False without a video track or on a write error.
  [[nodiscard]] bool AddFrame(const uint8_t* rgba);
  // Adds the SWF file as the single sample of a Flash track as long as the movie plays (its
  // frame count at its frame rate), drawn with the graphics mode and the op colour (red in the
  // low byte). False when the file is not a SWF movie, has no frames or a frame rate of 0.
  [[nodiscard]] bool AddFlashTrack(const WideString& swfPath, uint16_t graphicsMode, uint32_t opColor);
  // Writes the movie file and puts it in place. False on any error; the destination is then
  // as it was. The writer is closed afterwards either way.
  [[nodiscard]] bool Finish();

  uint32_t FrameRate() const { return frameRate_; }
  uint32_t TimeScale() const { return timeScale_; }
  uint32_t FramesAdded() const { return framesAdded_; }

  // The largest SWF file taken into a Flash track.
  static constexpr uint64_t kMaxFlashSampleSize = 256ull << 20;

 private:
  struct Track {
    bool video = false;
    uint32_t timeScale = 0;
    uint16_t graphicsMode = 0;
    uint32_t opColor = 0;
    std::vector<uint64_t> offsets;  // in the sample data
    std::vector<uint32_t> sizes;
    std::vector<uint32_t> durations;
    uint64_t Duration() const;
  };

  bool AppendSample(Track& track, const void* data, size_t size, uint32_t duration);
  std::string MovieResource(uint64_t dataStart, bool wideOffsets) const;
  std::string TrackAtom(const Track& track, uint32_t id, uint64_t dataStart, bool wideOffsets) const;
  uint64_t MovieDuration() const;
  void Close();

  WideString path_;
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  uint32_t frameRate_ = 12;
  uint32_t timeScale_ = 600;
  uint32_t frameDuration_ = 10;
  uint32_t flags_ = kController;
  uint32_t framesAdded_ = 0;
  std::vector<Track> tracks_;
  int videoTrack_ = -1;
  std::string dataPath_;  // the temporary file of the sample data (UTF-8)
  std::FILE* data_ = nullptr;
  uint64_t dataSize_ = 0;
  bool failed_ = false;
  std::vector<uint8_t> frame_;  // one frame in the track's pixel order
};
