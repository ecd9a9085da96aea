#include "swf/ControlTags.h"

#include "swf/SwfTagBody.h"

namespace {

// SWF versions above this one carry the named-anchor byte of frame labels.
constexpr uint8_t kLastVersionWithoutAnchor = 5;

}  // namespace

size_t EndTag::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  WriteTagHeader(*this, writer, 0, false);
  return writer.GetByteCount() - before;
}

uint32_t SetBackgroundColorTag::GetColor() const {
  return static_cast<uint32_t>(colour.red) | static_cast<uint32_t>(colour.green) << 8 |
         static_cast<uint32_t>(colour.blue) << 16;
}

size_t SetBackgroundColorTag::Read(SwfReader& reader) { return colour.Read(reader); }

size_t SetBackgroundColorTag::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  WriteTagHeader(*this, writer, 3, false);
  colour.Write(writer);
  return writer.GetByteCount() - before;
}

size_t ProtectTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  reader.ReadBytes(SwfTagBytesLeft(reader, before), body);
  return reader.GetPosition() - before;
}

size_t ProtectTag::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  WriteTagHeader(*this, writer, body.size(), false);
  writer.WriteBytes(body);
  return writer.GetByteCount() - before;
}

size_t FrameLabelTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  namedAnchor = 0;
  reader.ReadString(label, 0, false);
  if (reader.GetVersion() > kLastVersionWithoutAnchor && SwfTagBytesLeft(reader, before) > 0)
    namedAnchor = reader.ReadU8();
  return reader.GetPosition() - before;
}

size_t FrameLabelTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  body.WriteWideString(label);
  body.WriteU8(0);
  if (body.GetVersion() > kLastVersionWithoutAnchor) body.WriteU8(namedAnchor);
  return WriteWithBody(writer, body, false);
}

size_t EnableDebuggerTag::ReadPassword(SwfReader& reader) { return reader.ReadString(password, 0, false); }

void EnableDebuggerTag::WritePassword(SwfBitWriter& body) const {
  body.WriteWideString(password);
  body.WriteU8(0);
}

size_t EnableDebuggerTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  ReadPassword(reader);
  return reader.GetPosition() - before;
}

size_t EnableDebuggerTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  WritePassword(body);
  return WriteWithBody(writer, body, false);
}

size_t EnableDebugger2Tag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  reserved = reader.ReadU16();
  ReadPassword(reader);
  return reader.GetPosition() - before;
}

size_t EnableDebugger2Tag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  body.WriteU16(reserved);
  WritePassword(body);
  return WriteWithBody(writer, body, false);
}
