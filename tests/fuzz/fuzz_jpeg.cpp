// Arbitrary bytes as a JPEG: decoded, cleaned of metadata (and the clean stream decoded too),
// and searched for its start-to-end span. Any crash, sanitizer report, hang or allocation
// beyond the fuzzer's limits is a failure; a decoded image must have the size it states.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "media/JpegBitmap.h"
#include "media/JpegSectionList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  JpegBitmap jpeg;
  if (jpeg.DecodeFromMemory(data, size)) {
    if (jpeg.Size() != size_t{jpeg.Width()} * jpeg.Height() * 3 || jpeg.BitsPerPixel() != 24) std::abort();
  }
  const std::vector<uint8_t> clean = RebuildJpegWithoutMetadata(data, size);
  if (!clean.empty()) {
    if (clean[0] != 0xFF || clean[1] != 0xD8) std::abort();
    JpegBitmap again;
    again.DecodeFromMemory(clean.data(), clean.size());
  }
  size_t span = 0;
  const uint8_t* start = FindJpegSoiToEoi(data, size, span);
  if (start != nullptr && (start < data || start + span > data + size || span < 4)) std::abort();
  return 0;
}
