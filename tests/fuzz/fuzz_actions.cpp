// Action lists from arbitrary bytes: reading never fails unsafely, writing what
// was read and reading it again reaches a fixed point, and every action lists.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "swf/ActionListing.h"
#include "swf/DoActionTag.h"
#include "swf/SwfBitWriter.h"
#include "swf/SwfReader.h"

namespace {

std::vector<uint8_t> ReadWrite(const std::vector<uint8_t>& bytes, uint8_t version, bool pad) {
  SwfReader reader(bytes, version);
  DoActionTag list;
  list.padDetection = pad;
  list.Read(reader);
  for (const auto& action : list.Actions()) ListAction(*action);
  SwfBitWriter writer(version);
  list.WriteActions(writer, false);
  return writer.GetBytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t version = static_cast<uint8_t>(4 + (data[0] & 7));
  const bool pad = (data[0] & 8) != 0;
  const std::vector<uint8_t> bytes(data + 1, data + size);
  const std::vector<uint8_t> once = ReadWrite(bytes, version, pad);
  const std::vector<uint8_t> twice = ReadWrite(once, version, pad);
  if (once != twice) std::abort();
  return 0;
}
