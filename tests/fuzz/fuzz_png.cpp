// Arbitrary bytes as a PNG. The chunks' CRCs are put right first, so that mutations reach the
// decoder instead of stopping at the checksum. Any crash, sanitizer report, hang or allocation
// beyond the fuzzer's limits is a failure; a decoded image must have the size it states.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "media/PngBitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> png(data, data + size);
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const size_t length = size_t{png[at]} << 24 | size_t{png[at + 1]} << 16 | size_t{png[at + 2]} << 8 | png[at + 3];
    if (length > png.size() - at - 12) break;
    const uLong crc = crc32(0, png.data() + at + 4, static_cast<uInt>(length + 4));
    for (int i = 0; i < 4; ++i) png[at + 8 + length + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    at += 12 + length;
  }
  PngBitmap bitmap;
  if (bitmap.DecodeFromMemory(png.data(), png.size())) {
    const int channels = bitmap.Channels();
    if ((channels != 3 && channels != 4) || bitmap.Size() != size_t{bitmap.Width()} * bitmap.Height() * channels)
      std::abort();
    if ((channels == 4) != (bitmap.AlphaPlane() != nullptr)) std::abort();
  }
  return 0;
}
