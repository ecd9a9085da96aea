// libFuzzer target: the resource-fork side-file reader on any bytes; a fork it finds must
// write back and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/ResourceFork.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string fork;
  bool exists = false;
  if (host::fs::ParseAppleDouble(std::string_view(reinterpret_cast<const char*>(data), size), fork, exists, 1 << 20) !=
      0) {
    return 0;
  }
  if (!exists) return 0;
  std::string again;
  bool existsAgain = false;
  if (host::fs::ParseAppleDouble(host::fs::BuildAppleDouble(fork), again, existsAgain) != 0 || !existsAgain ||
      again != fork) {
    std::abort();
  }
  return 0;
}
