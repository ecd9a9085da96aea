// libFuzzer target: the resource-file reader on any bytes; what it accepts must write back
// and read again to the same resources.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/ResourceMap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  host::rsrc::ResourceMap map;
  if (!map.Parse(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
  std::string out;
  if (!map.Serialize(out)) return 0;
  host::rsrc::ResourceMap again;
  if (!again.Parse(out) || again.Resources().size() != map.Resources().size()) std::abort();
  return 0;
}
