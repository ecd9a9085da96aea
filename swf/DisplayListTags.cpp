#include "swf/DisplayListTags.h"

#include "swf/SwfRelocation.h"
#include "swf/SwfTagBody.h"

namespace {

uint16_t gMaxCharacterIdRead = 0;

}  // namespace

void ResetCharacterIdRange() { gMaxCharacterIdRead = 0; }

uint16_t GetMaxCharacterIdRead() { return gMaxCharacterIdRead; }

void NoteCharacterIdRead(uint16_t id) {
  if (id > gMaxCharacterIdRead) gMaxCharacterIdRead = id;
}

size_t ShowFrameTag::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  WriteTagHeader(*this, writer, 0, false);
  return writer.GetByteCount() - before;
}

// --- FreeCharacter ---------------------------------------------------------------------

size_t FreeCharacterTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  characterId = reader.ReadU16();
  return reader.GetPosition() - before;
}

size_t FreeCharacterTag::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  WriteTagHeader(*this, writer, 2, false);
  writer.WriteU16(characterId);
  return writer.GetByteCount() - before;
}

void FreeCharacterTag::Relocate(int idDelta, int, int) { characterId = RelocateCharacterId(characterId, idDelta); }

bool FreeCharacterTag::CanRelocate(int idDelta, int, int) const { return SwfU16Fits(characterId, idDelta); }

// --- PlaceObject -----------------------------------------------------------------------

void PlaceObjectTag::SetCharacterId(int id) { characterId = static_cast<uint16_t>(id & 0xFFFF); }

void PlaceObjectTag::ClearTransforms() {
  matrix.reset();
  colorTransform.reset();
}

size_t PlaceObjectTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  ClearTransforms();
  characterId = reader.ReadU16();
  NoteCharacterIdRead(characterId);
  depth = reader.ReadU16();
  matrix = std::make_unique<SwfMatrix>();
  matrix->Read(reader);
  reader.ByteAlign();
  if (SwfTagBytesLeft(reader, before) > 0) {
    colorTransform = std::make_unique<SwfCxform>();
    colorTransform->Read(reader);
    reader.ByteAlign();
  }
  return reader.GetPosition() - before;
}

size_t PlaceObjectTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  body.WriteU16(characterId);
  body.WriteU16(depth);
  if (matrix) {
    matrix->Write(body);
  } else {
    SwfMatrix().Write(body);
  }
  body.Flush();
  if (colorTransform) colorTransform->Write(body);
  return WriteWithBody(writer, body, false);
}

void PlaceObjectTag::Relocate(int idDelta, int depthDelta, int) {
  characterId = RelocateCharacterId(characterId, idDelta);
  depth = RelocateDepth(depth, depthDelta);
}

bool PlaceObjectTag::CanRelocate(int idDelta, int depthDelta, int) const {
  return SwfU16Fits(characterId, idDelta) && SwfU16Fits(depth, depthDelta);
}

// --- RemoveObject, RemoveObject2 -------------------------------------------------------

size_t RemoveObjectTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  characterId = reader.ReadU16();
  depth = reader.ReadU16();
  return reader.GetPosition() - before;
}

size_t RemoveObjectTag::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  WriteTagHeader(*this, writer, 4, false);
  writer.WriteU16(characterId);
  writer.WriteU16(depth);
  return writer.GetByteCount() - before;
}

void RemoveObjectTag::Relocate(int idDelta, int depthDelta, int) {
  characterId = RelocateCharacterId(characterId, idDelta);
  depth = RelocateDepth(depth, depthDelta);
}

bool RemoveObjectTag::CanRelocate(int idDelta, int depthDelta, int) const {
  return SwfU16Fits(characterId, idDelta) && SwfU16Fits(depth, depthDelta);
}

size_t RemoveObject2Tag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  depth = reader.ReadU16();
  return reader.GetPosition() - before;
}

size_t RemoveObject2Tag::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  WriteTagHeader(*this, writer, 2, false);
  writer.WriteU16(depth);
  return writer.GetByteCount() - before;
}

bool RemoveObject2Tag::CanRelocate(int, int depthDelta, int) const { return SwfU16Fits(depth, depthDelta); }

void FreeCharacterTag::CollectReferences(SwfTagReferences& refs) const { refs.ids.push_back(characterId); }

void PlaceObjectTag::CollectReferences(SwfTagReferences& refs) const {
  refs.ids.push_back(characterId);
  refs.placedIds.push_back(characterId);
  refs.depths.push_back(depth);
}

void RemoveObjectTag::CollectReferences(SwfTagReferences& refs) const {
  refs.ids.push_back(characterId);
  refs.depths.push_back(depth);
}
