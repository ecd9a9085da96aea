#include "swf/BitmapTags.h"

#include "swf/SwfRelocation.h"

namespace {

// Starts a tag whose body length is known before it is written: the header goes first and
// the caller writes the body straight after it, with no body writer between (a bitmap's data
// is copied once). Returns the writer's byte count before the header, as the tags written
// through a body writer count it.
size_t BeginBody(SwfBitWriter& writer, const SwfTag& tag, uint64_t bodyLength, bool forceLong) {
  const size_t before = writer.GetByteCount();
  SwfTag::WriteTagHeader(tag, writer, bodyLength, forceLong);
  return before;
}

// Reads the bytes up to and including the `markers`-th end-of-image marker (0xFF 0xD9), or
// to the end of the reader's range when there are fewer.
SwfBytes ReadJpegToEndMarker(SwfReader& reader, int markers) {
  reader.ByteAlign();
  const size_t begin = reader.GetPosition();
  const SwfBytes& bytes = reader.GetData();
  const size_t end = reader.GetRangeEnd();
  size_t at = begin;
  int found = 0;
  while (at < end && found < markers) {
    const uint8_t byte = bytes[at++];
    if (byte == 0xFF && at < end) {
      if (bytes[at++] == 0xD9) ++found;
    }
  }
  return reader.ReadShared(at - begin);
}

// Reads the image bytes of a JPEG tag after its id: a known body length gives their count,
// an unknown one (0) ends them at the given end-of-image marker. A known body shorter than
// the id is a format error.
SwfBytes ReadJpegData(SwfReader& reader, int32_t bodyLength, int markers) {
  if (bodyLength == 0) return ReadJpegToEndMarker(reader, markers);
  if (bodyLength < 2) {
    reader.SetOverrun(true);
    return {};
  }
  return reader.ReadShared(static_cast<size_t>(bodyLength) - 2);
}

}  // namespace

// --- DefineBits ----------------------------------------------------------------------------

DefineBitsTag::DefineBitsTag(int32_t bodyLength) : bodyLength_(bodyLength) {}

void DefineBitsTag::CopyFrom(const DefineBitsTag& other) {
  SetCharacterId(other.GetCharacterId());
  data_ = other.data_;
}

void DefineBitsTag::SetData(int characterId, std::vector<uint8_t> data) {
  SetCharacterId(characterId);
  data_ = std::move(data);
}

void DefineBitsTag::ClearData() { data_.clear(); }

size_t DefineBitsTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  SetCharacterId(reader.ReadU16());
  data_ = ReadJpegData(reader, bodyLength_, 1);
  return reader.GetPosition() - before;
}

size_t DefineBitsTag::Write(SwfBitWriter& writer) {
  const size_t before = BeginBody(writer, *this, 2 + data_.size(), false);
  writer.WriteU16(GetCharacterId());
  writer.WriteBytes(data_);
  return writer.GetByteCount() - before;
}

void DefineBitsTag::Relocate(int idDelta, int, int) { characterId_ = RelocateCharacterId(characterId_, idDelta); }

// --- JPEGTables ----------------------------------------------------------------------------

JpegTablesTag::JpegTablesTag(int32_t bodyLength) : bodyLength_(bodyLength) {}

size_t JpegTablesTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  data_ = reader.ReadShared(bodyLength_ > 0 ? static_cast<size_t>(bodyLength_) : 0);
  return reader.GetPosition() - before;
}

size_t JpegTablesTag::Write(SwfBitWriter& writer) {
  const size_t before = BeginBody(writer, *this, data_.size(), false);
  writer.WriteBytes(data_);
  return writer.GetByteCount() - before;
}

// --- DefineBitsJPEG2 -----------------------------------------------------------------------

DefineBitsJpeg2Tag::DefineBitsJpeg2Tag() = default;

DefineBitsJpeg2Tag::DefineBitsJpeg2Tag(int characterId, const uint8_t* bytes, size_t count) {
  SetCharacterId(characterId);
  data_ = SwfBytes::Copy(bytes, count);
}

void DefineBitsJpeg2Tag::SetTagLength(int32_t bodyLength) { bodyLength_ = bodyLength; }

void DefineBitsJpeg2Tag::SetData(int characterId, std::vector<uint8_t> data) {
  SetCharacterId(characterId);
  data_ = std::move(data);
}

size_t DefineBitsJpeg2Tag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  SetCharacterId(reader.ReadU16());
  data_ = ReadJpegData(reader, bodyLength_, 2);
  return reader.GetPosition() - before;
}

size_t DefineBitsJpeg2Tag::Write(SwfBitWriter& writer) {
  const size_t before = BeginBody(writer, *this, 2 + data_.size(), false);
  writer.WriteU16(GetCharacterId());
  writer.WriteBytes(data_);
  return writer.GetByteCount() - before;
}

void DefineBitsJpeg2Tag::Relocate(int idDelta, int, int) { characterId_ = RelocateCharacterId(characterId_, idDelta); }

// --- DefineBitsJPEG3 -----------------------------------------------------------------------

void DefineBitsJpeg3Tag::SetData(int characterId, std::vector<uint8_t> data) {
  DefineBitsJpeg2Tag::SetData(characterId, std::move(data));
  alphaDataOffset_ = static_cast<uint32_t>(data_.size());
}

size_t DefineBitsJpeg3Tag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  SetCharacterId(reader.ReadU16());
  alphaDataOffset_ = reader.ReadU32();
  if (reader.HasOverrun() || alphaDataOffset_ > reader.GetRemaining()) {
    reader.SetOverrun(true);
    data_.clear();
    alpha_.clear();
    return reader.GetPosition() - before;
  }
  data_ = reader.ReadShared(alphaDataOffset_);
  // The alpha plane is the rest of the body as its header declares it.
  const uint64_t bodyLength = reader.GetCurrentTagLength();
  const uint64_t fixed = static_cast<uint64_t>(alphaDataOffset_) + 6;
  if (bodyLength < fixed) {
    reader.SetOverrun(true);
    alpha_.clear();
  } else {
    alpha_ = reader.ReadShared(static_cast<size_t>(bodyLength - fixed));
  }
  return reader.GetPosition() - before;
}

size_t DefineBitsJpeg3Tag::Write(SwfBitWriter& writer) {
  const size_t before = BeginBody(writer, *this, uint64_t{6} + data_.size() + alpha_.size(), false);
  alphaDataOffset_ = static_cast<uint32_t>(data_.size());
  writer.WriteU16(GetCharacterId());
  writer.WriteU32(alphaDataOffset_);
  writer.WriteBytes(data_);
  writer.WriteBytes(alpha_);
  return writer.GetByteCount() - before;
}

// --- DefineBitsLossless and DefineBitsLossless2 --------------------------------------------

DefineBitsLosslessTag::DefineBitsLosslessTag(uint8_t format) : format_(format) {}

void DefineBitsLosslessTag::Clear() {
  data_.clear();
  colorTableSize_ = 0;
}

void DefineBitsLosslessTag::SetData(const uint8_t* bytes, size_t count) { data_ = SwfBytes::Copy(bytes, count); }

size_t DefineBitsLosslessTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  SetCharacterId(reader.ReadU16());
  format_ = reader.ReadU8();
  SetWidth(reader.ReadU16());
  SetHeight(reader.ReadU16());
  colorTableSize_ = format_ == kColorMapped ? reader.ReadU8() : 0;
  data_ = reader.ReadShared(reader.GetRemaining());
  return reader.GetPosition() - before;
}

size_t DefineBitsLosslessTag::Write(SwfBitWriter& writer) {
  const uint64_t fixed = format_ == kColorMapped ? 8 : 7;
  const size_t before = BeginBody(writer, *this, fixed + data_.size(), true);
  writer.WriteU16(GetCharacterId());
  writer.WriteU8(format_);
  writer.WriteU16(width_);
  writer.WriteU16(height_);
  if (format_ == kColorMapped) writer.WriteU8(colorTableSize_);
  writer.WriteBytes(data_);
  return writer.GetByteCount() - before;
}

void DefineBitsLosslessTag::Relocate(int idDelta, int, int) {
  characterId_ = RelocateCharacterId(characterId_, idDelta);
}

bool DefineBitsTag::CanRelocate(int idDelta, int, int) const { return SwfU16Fits(characterId_, idDelta); }

bool DefineBitsJpeg2Tag::CanRelocate(int idDelta, int, int) const { return SwfU16Fits(characterId_, idDelta); }

bool DefineBitsLosslessTag::CanRelocate(int idDelta, int, int) const { return SwfU16Fits(characterId_, idDelta); }
