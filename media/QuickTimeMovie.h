// An image or movie file opened as a movie: its picture size (the movie box), which can be
// changed, its duration, and a frame rendered as packed R G B or R G B A rows or drawn into an
// off-screen surface. Images are movies of one frame. Decoding and scaling are FFmpeg's
// (host/MediaFile); every format it reads among images and movies opens. The sound of a movie,
// or of a sound file opened for its sound alone, is described and exported as AIFF.
//
// Rendered sizes are computed in size_t within the limits of media/Bitmap.h; a render that
// can't be done (no picture, a damaged frame, a size beyond the limits, a buffer too small)
// returns 0 bytes and writes nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "host/MediaFile.h"

#include "media/PixelScaler.h"
#include "platform/FileTypes.h"
#include "platform/OffscreenGWorld.h"
#include "platform/WideString.h"

using TimeValue = int32_t;  // in units of the movie's time scale
using TimeScale = int32_t;  // units a second

class QuickTimeMovie {
 public:
  static constexpr TimeScale kTimeScale = 600;

  QuickTimeMovie();
  // A movie whose pictures may have at most maxPixels pixels (the bitmap limit by default).
  explicit QuickTimeMovie(uint64_t maxPixels);
  ~QuickTimeMovie();
  QuickTimeMovie(const QuickTimeMovie&) = delete;
  QuickTimeMovie& operator=(const QuickTimeMovie&) = delete;

  // Opens an image or movie file. False for anything else (a folder, a FIFO, a device, sound
  // formats, damaged files); the object then owns no movie. The box is the picture's size with
  // its top-left at (0, 0); 0 x 0 for a movie without pictures.
  bool Open(const WideString& path);

  // Opens a file for its sound alone: a sound file, or the sound of a movie. False when the
  // file holds no sound that can be read. The movie has no pictures (a 0 x 0 box) and the
  // duration of its sound.
  bool OpenSound(const WideString& path);

  void GetSize(int& width, int& height) const;
  // Keeps the box's top-left corner. False, with the box unchanged, for negative sizes or sizes
  // beyond the bitmap limits.
  bool SetSize(int width, int height);

  // Renders the frame shown at the time into packed rows of `bits` 24 (R G B) or 32 (R G B A)
  // and returns their byte count width x height x bits / 8: the size of the destination
  // rectangle when given, else of the source rectangle when given, else of the box. With no
  // buffer nothing is rendered: the count tells the caller what to allocate. With a buffer of
  // fewer than that many bytes (capacity) nothing is written and 0 comes back.
  //
  // Without rectangles the picture is scaled to the box. A source rectangle (in box pixels, from
  // the box's top-left) picks the part of the picture scaled to the box that is scaled to the
  // output; it must lie within the box. At 24 bits a transparent picture is composited over
  // white; at 32 bits its alpha is kept (255 where the picture has none).
  size_t RenderFrame(TimeValue time, uint8_t* buffer, size_t capacity, const PixelRect* destination,
                     const PixelRect* source, int bits);

  // The movie has pictures (an image, or a movie with a video track).
  bool HasVisualTrack() const;
  TimeScale GetTimeScale() const { return kTimeScale; }
  // 0 for images.
  TimeValue GetDuration() const;

  // Draws the current frame (the one last rendered, or the first) into the surface, scaled to
  // the box given or else the movie's box, at that box's position, over what the surface holds
  // (its alpha composites). With a mask surface, each of the surface's pixels within the mask's
  // bounds sets the mask's pixel at the same place: black (0) where the surface is opaque white
  // 0xFFFFFFFF, white (255) elsewhere. False when nothing can be drawn.
  bool DrawIntoGWorld(GWorldPtr world, const PixelRect* box, GWorldPtr mask);

  // The frame at the time rendered at the box's size as R G B A, of which the rows of the
  // source rectangle's width and height from the top-left (the whole box without one) are
  // copied. Returns the byte count; with no buffer just the count. A source rectangle larger
  // than the box or a buffer smaller than the count gives 0.
  size_t CopyFramePixels(TimeValue time, uint8_t* buffer, size_t capacity, const PixelRect* source);

  // The first sound stream of the movie as the file stores it: channels, whole sample rate
  // (not a signed 16.16 number, which can't hold 44100 or 48000) and bits per sample. False
  // when the movie has no sound.
  bool GetSoundDescription(host::av::SoundDescription& out) const;

  // Called with the share written (0 to 100); returning false cancels the export.
  using ExportProgress = std::function<bool(int percent)>;
  // Writes the movie's sound, or its first `milliseconds` when above 0, as 16-bit samples at
  // its own rate in at most two channels (more are mixed down to two): 'AIFF' as an AIFF file
  // of big-endian samples, 'AIFC' as an AIFC file of little-endian ('sowt') samples. False,
  // with SoundError() saying why, for other types, a movie without sound, a write that fails
  // and a cancelled export; the file at `path` is then as it was before.
  bool ExportSound(const WideString& path, OSType fileType, int64_t milliseconds, const ExportProgress& progress = {});
  const std::string& SoundError() const { return soundError_; }

 private:
  bool Render(TimeValue time, bool alpha, uint32_t width, uint32_t height, uint8_t* out);

  uint64_t maxPixels_;
  std::unique_ptr<host::av::MediaFile> file_;
  PixelRect box_;
  TimeValue currentTime_ = 0;
  std::string path_;                        // of the open movie, UTF-8
  int64_t soundDurationMicroseconds_ = -1;  // of a movie opened for its sound alone
  std::string soundError_;
};

// The media reader's libraries are the ones the program was built for.
bool IsQuickTimeInstalled();
// 0x0700 when the reader is there (it reads what the program needs of a 7.0 toolbox), else 0.
uint16_t GetQuickTimeVersion();
// For tests of the start-up check: the version GetQuickTimeVersion reports instead, or the real
// one again with nullopt.
void SetQuickTimeVersionForTesting(std::optional<uint16_t> version);
