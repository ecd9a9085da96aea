// libFuzzer target: the numbered-text table parser on any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/StringTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto table = host::strings::StringTable::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
  (void)table.Find(1);
  return 0;
}
