#include "swf/SwfHeader.h"

#include <cmath>

void SwfHeader::Set(int32_t xmin, int32_t ymin, int32_t xmax, int32_t ymax, float rate, uint8_t v) {
  frameSize.Set(xmin, ymin, xmax, ymax, false);
  frameRate = rate;
  version = v;
}

void SwfHeader::FrameRateBytes(float rate, uint8_t& fraction, uint8_t& integer) {
  if (std::isnan(rate) || rate < 0.0f) rate = 0.0f;
  if (rate >= 256.0f) {
    fraction = 255;
    integer = 255;
    return;
  }
  const int whole = static_cast<int>(rate);
  integer = static_cast<uint8_t>(whole);
  fraction = static_cast<uint8_t>(static_cast<int>((rate - static_cast<float>(whole)) * 256.0f));
}

size_t SwfHeader::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  writer.WriteString("FWS");
  writer.WriteU8(version);
  writer.WriteU32(fileLength);
  frameSize.Write(writer);
  uint8_t fraction = 0;
  uint8_t integer = 0;
  FrameRateBytes(frameRate, fraction, integer);
  writer.WriteU8(fraction);
  writer.WriteU8(integer);
  writer.WriteU16(frameCount);
  return writer.GetByteCount() - before;
}

size_t SwfHeader::ReadFrom(SwfReader& reader, bool checkSignature) {
  const bool overrunBefore = reader.HasOverrun();
  reader.SetOverrun(false);
  reader.ByteAlign();
  const size_t before = reader.GetPosition();
  if (checkSignature) {
    const uint8_t f = reader.ReadU8();
    const uint8_t w = reader.ReadU8();
    const uint8_t s = reader.ReadU8();
    if (f != 'F' || w != 'W' || s != 'S' || reader.HasOverrun()) {
      reader.SetOverrun(overrunBefore || reader.HasOverrun());
      return 0;
    }
    version = reader.ReadU8();
  }
  fileLength = reader.ReadU32();
  frameSize.Read(reader);
  const uint8_t fraction = reader.ReadU8();
  const uint8_t integer = reader.ReadU8();
  frameRate = static_cast<float>(integer) + static_cast<float>(fraction) / 256.0f;
  frameCount = reader.ReadU16();
  const bool cut = reader.HasOverrun();
  reader.SetOverrun(overrunBefore || cut);
  return cut ? 0 : reader.GetPosition() - before;
}
