#include "swf/SwfRecord.h"

#include <cstring>
#include <limits>

SwfRecord::~SwfRecord() = default;

size_t SwfRecord::Read(SwfReader&) { return 0; }

size_t SwfRecord::Write(SwfBitWriter&) { return 0; }

void SwfTag::Reset() {}

void SwfTag::Relocate(int, int, int) {}

bool SwfTag::CanRelocate(int, int, int) const { return true; }

void SwfTag::CollectReferences(SwfTagReferences&) const {}

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

RawTag::RawTag(int code, SwfBytes body) : code_(code), bodyLength_(0) { SetBody(std::move(body)); }

void RawTag::SetBody(std::vector<uint8_t> body) { SetBody(SwfBytes(std::move(body))); }

void RawTag::SetBody(SwfBytes body) {
  body_ = std::move(body);
  const size_t limit = std::numeric_limits<uint32_t>::max();
  bodyLength_ = static_cast<uint32_t>(body_.size() > limit ? limit : body_.size());
}

size_t RawTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  body_ = reader.ReadShared(bodyLength_);
  bodyLength_ = static_cast<uint32_t>(body_.size());
  return reader.GetPosition() - before;
}

size_t RawTag::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  WriteTagHeader(*this, writer, body_.size(), false);
  writer.WriteBytes(body_.data(), body_.size());
  return writer.GetByteCount() - before;
}

void TextRecordBase::Clear() {}

namespace {

uint16_t U16At(const SwfBytes& body, size_t at) {
  return body.size() >= at + 2 ? static_cast<uint16_t>(body[at] | (body[at + 1] << 8)) : 0;
}

// The id a PlaceObject2, PlaceObject3 or PlaceObject4 body places, when it has one.
bool PlacedIdOfRawPlacement(const SwfBytes& body, bool withSecondFlags, uint16_t& id) {
  const size_t flagBytes = withSecondFlags ? 2 : 1;
  if (body.size() < flagBytes + 2) return false;
  const uint8_t flags = body[0];
  if ((flags & 0x02) == 0) return false;
  size_t at = flagBytes + 2;
  if (withSecondFlags) {
    const uint8_t flags2 = body[1];
    // A class name (has class name, or has image with a character) comes before the id.
    if ((flags2 & 0x08) != 0 || ((flags2 & 0x10) != 0 && (flags & 0x02) != 0)) {
      const void* nul = std::memchr(body.data() + at, 0, body.size() - at);
      if (nul == nullptr) return false;
      at = static_cast<size_t>(static_cast<const uint8_t*>(nul) - body.data()) + 1;
    }
  }
  if (at + 2 > body.size()) return false;
  id = U16At(body, at);
  return true;
}

// The ids of an asset list: u16 count, then per asset a u16 id and a 0-terminated name.
void AddAssetIds(const SwfBytes& body, size_t at, std::vector<uint16_t>& ids) {
  if (at + 2 > body.size()) return;
  const uint16_t count = U16At(body, at);
  at += 2;
  for (uint16_t i = 0; i < count && at + 2 <= body.size(); ++i) {
    ids.push_back(U16At(body, at));
    at += 2;
    const void* nul = std::memchr(body.data() + at, 0, body.size() - at);
    if (nul == nullptr) return;
    at = static_cast<size_t>(static_cast<const uint8_t*>(nul) - body.data()) + 1;
  }
}

// Position just after the 0-terminated text at `at`, or the body size when there is none.
size_t AfterText(const SwfBytes& body, size_t at) {
  if (at >= body.size()) return body.size();
  const void* nul = std::memchr(body.data() + at, 0, body.size() - at);
  return nul == nullptr ? body.size() : static_cast<size_t>(static_cast<const uint8_t*>(nul) - body.data()) + 1;
}

}  // namespace

void RawTag::CollectReferences(SwfTagReferences& refs) const {
  const SwfBytes& body = body_;
  uint16_t id = 0;
  switch (code_) {
    case kSwfTagPlaceObject2:
      if (PlacedIdOfRawPlacement(body, false, id)) refs.ids.push_back(id);
      break;
    case kSwfTagPlaceObject3:
    case kSwfTagPlaceObject4:
      if (PlacedIdOfRawPlacement(body, true, id)) refs.ids.push_back(id);
      break;
    case kSwfTagExportAssets:
    case kSwfTagSymbolClass: AddAssetIds(body, 0, refs.ids); break;
    case kSwfTagImportAssets: AddAssetIds(body, AfterText(body, 0), refs.ids); break;
    case kSwfTagImportAssets2: AddAssetIds(body, AfterText(body, 0) + 2, refs.ids); break;
    // Tags about one character that name it first.
    case kSwfTagFreeCharacter:
    case kSwfTagPlaceObject:
    case kSwfTagRemoveObject:
    case kSwfTagDefineFontInfo:
    case kSwfTagStartSound:
    case kSwfTagDefineButtonSound:
    case kSwfTagDefineButtonCxform:
    case kSwfTagDoInitAction:
    case kSwfTagVideoFrame:
    case kSwfTagDefineFontInfo2:
    case kSwfTagDefineFontAlignZones:
    case kSwfTagCsmTextSettings:
    case kSwfTagDefineScalingGrid:
    case kSwfTagDefineFontName:
      if (body.size() >= 2) refs.ids.push_back(U16At(body, 0));
      break;
    default: break;
  }
}
