// libFuzzer target: the XML reader on any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/XmlTree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  host::xml::Document doc;
  host::xml::Parse(std::string_view(reinterpret_cast<const char*>(data), size), doc);
  return 0;
}
