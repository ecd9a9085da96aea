// libFuzzer target: zlib inflation into a growing buffer on any bytes.
#include <cstddef>
#include <cstdint>

#include "platform/Checksum.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t length = 0;
  auto out = UncompressToNewBuffer(data, size, length, size_t{16} << 20);
  if (out && length > (size_t{16} << 20)) __builtin_trap();
  return 0;
}
