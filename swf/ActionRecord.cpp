#include "swf/ActionRecord.h"

#include "swf/SwfBitWriter.h"
#include "swf/SwfReader.h"
#include "swf/SwfString.h"

size_t ActionRecord::Read(SwfReader&) { return 0; }

size_t ActionRecord::Write(SwfBitWriter& writer) {
  writer.WriteU8(ActionCode());
  return 1;
}

void ActionRecord::Relocate(int, int, int) {}

bool ActionRecord::CanRelocate(int, int, int) const { return true; }

uint32_t ActionRecord::WriteMapped(SwfBitWriter& writer, const ActionOffsetMap&) {
  return static_cast<uint32_t>(Write(writer));
}

size_t ActionRecord::WritePayload(SwfBitWriter& writer, uint8_t code, SwfBitWriter& payload) {
  const size_t before = writer.GetByteCount();
  payload.Flush();
  writer.WriteU8(code);
  // Every builder keeps its payloads within the u16 field (see the add operations).
  writer.WriteU16(static_cast<uint16_t>(payload.GetByteCount()));
  writer.Append(payload);
  return writer.GetByteCount() - before;
}

uint32_t ActionRecord::TextSize(const WideString& text, uint8_t version) {
  return static_cast<uint32_t>(SwfStringByteLength(text, version)) + 1;
}

size_t ActionRecord::WriteText(SwfBitWriter& writer, const WideString& text) {
  const size_t before = writer.GetByteCount();
  writer.WriteWideString(text);
  writer.WriteU8(0);
  return writer.GetByteCount() - before;
}

bool ActionRecord::ReadText(SwfReader& reader, WideString& text, bool detectPaths) {
  const size_t consumed = reader.ReadString(text, 0, detectPaths);
  if (consumed == 0) return false;
  const size_t pos = reader.GetPosition();
  return pos > 0 && pos <= reader.GetSize() && reader.GetData()[pos - 1] == 0;
}
