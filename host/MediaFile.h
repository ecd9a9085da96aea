// Our layer over FFmpeg (libavformat, libavcodec, libswscale): one image or movie file opened
// for reading its picture size, its duration and the picture shown at a given time, scaled to
// packed R G B or R G B A rows.
//
// Files are untrusted. Only regular files are opened (a FIFO, a device or a folder is refused
// before FFmpeg sees it, and opening never waits on one); FFmpeg reads the file through our own
// reader and may open nothing else, so no network protocol, playlist, reference or sequence
// reaches another file; only image and movie formats are probed; decoded pictures are limited
// in their sides and pixel count; every failure comes back as false, never as a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace host::av {

struct Limits {
  uint32_t maxSide = 65535;                // pixels on either side of a picture
  uint64_t maxPixels = uint64_t{1} << 26;  // pixels of a picture in all
};

enum class PixelLayout {
  kRgb24,   // R G B
  kRgba32,  // R G B A, alpha not premultiplied; 255 where the picture has no alpha
};

class MediaFile {
 public:
  explicit MediaFile(Limits limits = {});
  ~MediaFile();
  MediaFile(const MediaFile&) = delete;
  MediaFile& operator=(const MediaFile&) = delete;

  // Opens the file at the UTF-8 path, closing any earlier one. False, with Error() saying why,
  // for anything but a regular file, for formats other than images and movies, for damaged
  // files (the first picture is decoded to know) and for pictures beyond the limits. A file
  // without a picture (sound alone in a movie container) opens, with HasVideo() false.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const;
  const std::string& Error() const { return error_; }

  // A picture stream (cover art attached to sound does not count).
  bool HasVideo() const;
  // The picture's display size (its pixel aspect applied); 0 x 0 without a picture.
  uint32_t Width() const;
  uint32_t Height() const;
  // The movie's length; 0 for still images and when the file does not tell.
  int64_t DurationMicroseconds() const;

  // Decodes the picture shown at the time (counted from the first picture; negative counts as
  // 0) and keeps it for the calls below. False when there is no picture or it can't be decoded.
  bool SeekFrame(int64_t microseconds);
  // Of the kept picture: its stored size and whether its pixels carry alpha.
  uint32_t FrameWidth() const;
  uint32_t FrameHeight() const;
  bool FrameHasAlpha() const;
  // Scales the kept picture to width x height pixels written as packed rows `stride` bytes
  // apart. False when no picture is kept or the sizes are beyond the limits.
  bool ScaleFrame(PixelLayout layout, uint32_t width, uint32_t height, uint8_t* out, size_t stride);

  // The FFmpeg objects behind an open file; defined in MediaFile.cpp.
  struct State;

 private:
  Limits limits_;
  std::string error_;
  std::unique_ptr<State> state_;
};

// Scales packed pixels of the layout from one size to another with the scaler the pictures use.
// False for empty or oversized pictures or strides too short for their rows.
bool ScalePacked(PixelLayout layout, const uint8_t* source, size_t sourceStride, uint32_t sourceWidth,
                 uint32_t sourceHeight, uint8_t* out, size_t outStride, uint32_t width, uint32_t height,
                 const Limits& limits = {});

// Limits of a sound decoded by DecodeSound.
struct SoundLimits {
  uint64_t maxFrames = uint64_t{44100} * 60 * 60;  // sample frames put out (an hour at 44.1 kHz)
  int maxSourceChannels = 64;
  int maxSourceRate = 768000;
};

// A sound decoded to interleaved signed 16-bit samples in native byte order.
struct DecodedSound {
  uint32_t rate = 0;      // sample frames per second of `samples`
  uint32_t channels = 0;  // 1 or 2
  std::vector<int16_t> samples;
  // As the file stored it.
  uint32_t sourceRate = 0;
  uint32_t sourceChannels = 0;

  uint64_t Frames() const { return channels == 0 ? 0 : samples.size() / channels; }
};

// Decodes the first sound stream of the file at the UTF-8 path (a sound file, or the sound of
// a movie) and converts it to `rate` frames a second (1 to 192000) in `channels` channels (1 or
// 2); `limitMilliseconds` above 0 keeps only the sound's start. The same rules as MediaFile
// hold: regular files only, read through our own reader with nothing else opened, formats told
// by their bytes. False, with `error` saying why, for files without sound, damaged sound and
// sound beyond the limits.
bool DecodeSound(const std::string& path, uint32_t rate, uint32_t channels, int64_t limitMilliseconds,
                 DecodedSound& out, std::string& error, const SoundLimits& limits = {});

// The first sound stream of a file as it is stored.
struct SoundDescription {
  uint32_t channels = 0;
  uint32_t rate = 0;                 // sample frames a second
  uint32_t bitsPerSample = 0;        // of the stored samples, or of the decoder's output for compressed sound
  int64_t durationMicroseconds = 0;  // 0 when the file does not tell
};

// Reads the description of the first sound stream of the file at the UTF-8 path, under the
// rules of DecodeSound. False, with `error` saying why, for files without sound and sound
// beyond the limits.
bool DescribeSound(const std::string& path, SoundDescription& out, std::string& error, const SoundLimits& limits = {});

// True when the FFmpeg libraries loaded at run time have the major versions this program was
// built against.
bool LibrariesMatch();

}  // namespace host::av
