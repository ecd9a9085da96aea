// libFuzzer target: the bitmap, button, font, sound, video and text tags read any body
// without a crash, a hang or an unbounded allocation; a body they accept writes, reads and
// writes again to the same bytes. The first input byte picks the tag, the second the version.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <vector>

#include "swf/SwfReader.h"
#include "swf/SwfTagFactory.h"

namespace {

// Reads the tag in `bytes` (header and body) as the movie's tag loop does. False when the
// body was refused.
bool ReadFramed(const std::vector<uint8_t>& bytes, SwfTag& tag, uint8_t version) {
  SwfReader reader(bytes, version);
  SwfTagHeader header;
  if (!ReadTagHeader(reader, header)) return false;
  reader.SetCurrentTagLength(header.length);
  SwfReaderRange body(reader, header.length, SwfReaderRange::Overrun::Contain);
  tag.Read(reader);
  body.Close();
  return !body.Overran();
}

std::vector<uint8_t> Written(SwfTag& tag, uint8_t version) {
  SwfBitWriter writer(version);
  tag.Write(writer);
  return writer.GetBytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int kCodes[] = {6,  8,  21, 35, 20, 36, 7,  34, 23, 17, 10, 13,
                               62, 48, 14, 15, 18, 45, 19, 60, 61, 11, 33, 37};
  if (size < 2) return 0;
  const int code = kCodes[data[0] % std::size(kCodes)];
  const uint8_t version = static_cast<uint8_t>(data[1] % 12 + 1);
  const uint32_t length = static_cast<uint32_t>(size - 2);
  std::vector<uint8_t> bytes = {static_cast<uint8_t>((code << 6 | 0x3F) & 0xFF),
                                static_cast<uint8_t>(code >> 2),
                                static_cast<uint8_t>(length),
                                static_cast<uint8_t>(length >> 8),
                                static_cast<uint8_t>(length >> 16),
                                static_cast<uint8_t>(length >> 24)};
  bytes.insert(bytes.end(), data + 2, data + size);

  auto tag = CreateSwfTag(code, length);
  if (!ReadFramed(bytes, *tag, version)) return 0;
  const std::vector<uint8_t> first = Written(*tag, version);
  SwfReader probe(first, version);
  SwfTagHeader header;
  if (!ReadTagHeader(probe, header)) __builtin_trap();
  auto again = CreateSwfTag(code, header.length);
  if (!ReadFramed(first, *again, version)) __builtin_trap();
  if (Written(*again, version) != first) __builtin_trap();
  return 0;
}
