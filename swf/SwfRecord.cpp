#include "swf/SwfRecord.h"

#include <limits>

SwfRecord::~SwfRecord() = default;

size_t SwfRecord::Read(SwfReader&) { return 0; }

size_t SwfRecord::Write(SwfBitWriter&) { return 0; }

void SwfTag::Reset() {}

void SwfTag::Relocate(int, int, int) {}

bool SwfTag::CanRelocate(int, int, int) const { return true; }

void SwfTag::WriteTagHeader(const SwfTag& tag, SwfBitWriter& writer, uint64_t bodyLength, bool forceLong) {
  WriteTagHeader(tag.TagCode(), writer, bodyLength, forceLong);
}

void SwfTag::WriteTagHeader(int code, SwfBitWriter& writer, uint64_t bodyLength, bool forceLong) {
  const uint16_t codeBits = static_cast<uint16_t>((static_cast<unsigned>(code) & 0x3FFu) << 6);
  if (bodyLength <= kSwfShortTagMaxLength && !forceLong) {
    writer.WriteU16(static_cast<uint16_t>(codeBits | bodyLength));
  } else {
    writer.WriteU16(static_cast<uint16_t>(codeBits | 0x3F));
    const uint64_t limit = std::numeric_limits<uint32_t>::max();
    writer.WriteU32(static_cast<uint32_t>(bodyLength > limit ? limit : bodyLength));
  }
}

std::vector<uint8_t> SwfTag::MakeTagHeader(const SwfTag& tag, uint64_t bodyLength, bool forceLong) {
  return MakeTagHeader(tag.TagCode(), bodyLength, forceLong);
}

std::vector<uint8_t> SwfTag::MakeTagHeader(int code, uint64_t bodyLength, bool forceLong) {
  SwfBitWriter writer(4);
  WriteTagHeader(code, writer, bodyLength, forceLong);
  return writer.GetBytes();
}

size_t SwfTag::WriteWithBody(SwfBitWriter& writer, SwfBitWriter& body, bool forceLong) const {
  body.Flush();
  const size_t before = writer.GetByteCount();
  WriteTagHeader(*this, writer, body.GetByteCount(), forceLong);
  writer.Append(body);
  return writer.GetByteCount() - before;
}

SwfBitWriter SwfTag::MakeBodyWriter(const SwfBitWriter& target) {
  SwfBitWriter body(target.GetVersion());
  body.SetNoSound(target.GetNoSound());
  return body;
}

uint16_t SwfCharacterTag::GetCharacterId() const { return characterId_; }

void SwfCharacterTag::SetCharacterId(int id) { characterId_ = static_cast<uint16_t>(id & 0xFFFF); }

bool ReadTagHeader(SwfReader& reader, SwfTagHeader& header) {
  const bool before = reader.HasOverrun();
  reader.SetOverrun(false);
  const uint16_t value = reader.ReadU16();
  header.code = value >> 6;
  header.length = value & 0x3F;
  header.longForm = header.length == 0x3F;
  if (header.longForm) header.length = reader.ReadU32();
  const bool ok = !reader.HasOverrun();
  reader.SetOverrun(before || !ok);
  return ok;
}

RawTag::RawTag(int code, uint32_t bodyLength) : code_(code), bodyLength_(bodyLength) {}

RawTag::RawTag(int code, std::vector<uint8_t> body) : code_(code), bodyLength_(0) { SetBody(std::move(body)); }

void RawTag::SetBody(std::vector<uint8_t> body) {
  body_ = std::move(body);
  const size_t limit = std::numeric_limits<uint32_t>::max();
  bodyLength_ = static_cast<uint32_t>(body_.size() > limit ? limit : body_.size());
}

size_t RawTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  reader.ReadBytes(bodyLength_, body_);
  bodyLength_ = static_cast<uint32_t>(body_.size());
  return reader.GetPosition() - before;
}

size_t RawTag::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  WriteTagHeader(*this, writer, body_.size(), false);
  writer.WriteBytes(body_);
  return writer.GetByteCount() - before;
}

void TextRecordBase::Clear() {}
