#include "swf/ActionBranch.h"

#include <algorithm>

#include "swf/SwfBitWriter.h"
#include "swf/SwfReader.h"

size_t ActionBranch::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  reader.ReadU16();
  offset = reader.ReadS16();
  spanCount = 0;
  spanBytes = 0;
  return reader.GetPosition() - before;
}

size_t ActionBranch::WriteOffset(SwfBitWriter& writer, int64_t value) {
  writer.WriteU8(ActionCode());
  writer.WriteU16(2);
  writer.WriteS16(static_cast<int16_t>(std::clamp<int64_t>(value, -32768, 32767)));
  return 5;
}

size_t ActionBranch::Write(SwfBitWriter& writer) { return WriteOffset(writer, EffectiveOffset()); }

uint32_t ActionBranch::WriteMapped(SwfBitWriter& writer, const ActionOffsetMap& map) {
  int64_t actual = 0;
  if (map.Map(EffectiveOffset(), actual)) return static_cast<uint32_t>(WriteOffset(writer, actual));
  return static_cast<uint32_t>(Write(writer));
}
