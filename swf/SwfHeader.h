// The header of an uncompressed SWF file: "FWS", version, file length, frame size, frame
// rate (8.8 fixed point, fraction byte first) and frame count.
#pragma once

#include <cstddef>
#include <cstdint>

#include "swf/SwfBasicRecords.h"

class SwfHeader : public SwfRecord {
 public:
  SwfHeader() = default;

  // Frame size in twips (argument order x, y, x, y), rate and version.
  void Set(int32_t xmin, int32_t ymin, int32_t xmax, int32_t ymax, float frameRate, uint8_t version);
  void SetFrameRate(float rate) { frameRate = rate; }
  void SetFrameCount(uint16_t count) { frameCount = count; }
  void SetFileLength(uint32_t length) { fileLength = length; }
  int32_t GetFrameWidth() const { return frameSize.xmax - frameSize.xmin; }
  int32_t GetFrameHeight() const { return frameSize.ymax - frameSize.ymin; }

  // Writes the whole header. A frame rate outside 0..255.996 is written saturated (NaN as
  // 0). Returns the bytes written.
  size_t Write(SwfBitWriter& writer) override;
  // Reads a header. With `checkSignature` the first three bytes must be "FWS" and the version
  // byte follows; without, reading starts at the length field and the version is left as it
  // is. Returns the bytes consumed, or 0 when the signature is wrong or the data ends first.
  size_t ReadFrom(SwfReader& reader, bool checkSignature);

  // The rate's two bytes: fraction (rate - (int)rate) x 256, then the integer part.
  static void FrameRateBytes(float rate, uint8_t& fraction, uint8_t& integer);

  float frameRate = 12.0f;
  uint16_t frameCount = 0;
  uint32_t fileLength = 0;
  SwfRect frameSize;
  uint8_t version = 4;
};

// Bytes "FWS"/"CWS" and the offset of the length field shared by both forms.
inline constexpr size_t kSwfLengthOffset = 4;
inline constexpr size_t kSwfSignatureAndLengthSize = 8;
