// Writes 16-bit sound as an AIFF or AIFC file: FORM, COMM (channels, sample frames, sample
// size, the rate as an 80-bit extended number), SSND with the interleaved samples. The byte
// order of the samples is the one their format names: big-endian for plain AIFF ('twos'),
// little-endian for AIFC 'sowt'.
//
// The file is written to a temporary file beside the destination and renamed over it only by
// Finish; a writer dropped or aborted before leaves the destination as it was.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/AtomicFile.h"
#include "platform/WideString.h"

enum class AiffSampleFormat {
  kBigEndian,     // FORM AIFF, samples 'twos'
  kLittleEndian,  // FORM AIFC, compression type 'sowt'
};

class AiffWriter {
 public:
  // The rate as an 80-bit IEEE extended number (big-endian), exact for every whole rate.
  static std::array<uint8_t, 10> ExtendedRate(uint32_t rate);

  // Starts the file. False, with Error() saying why, for channels outside 1 to 16, a rate of
  // 0 or a file that can't be created.
  bool Open(const WideString& path, AiffSampleFormat format, uint32_t channels, uint32_t rate);
  // Appends interleaved samples (whole sample frames: `count` a multiple of the channels).
  // False when the file would outgrow its 32-bit sizes or a write fails.
  bool Write(const int16_t* samples, size_t count);
  // Puts the sizes and the frame count in place and renames the file over the destination.
  bool Finish();
  // Drops the file; the destination stays as it was.
  void Abort();

  const std::string& Error() const { return error_; }
  uint64_t FramesWritten() const { return frames_; }

 private:
  bool Fail(const std::string& why);

  AtomicFileWriter out_;
  AiffSampleFormat format_ = AiffSampleFormat::kBigEndian;
  uint32_t channels_ = 0;
  uint64_t frames_ = 0;
  uint64_t commOffset_ = 0;  // of the COMM chunk's frame count
  uint64_t ssndOffset_ = 0;  // of the SSND chunk's size
  std::string error_;
};
