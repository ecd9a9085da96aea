#include "swf/ButtonTags.h"

#include "swf/SwfRelocation.h"

namespace {

// Steps over one FILTERLIST and gives its bytes (count byte included). Returns false for a
// filter the format does not define.
bool ReadFilterList(SwfReader& reader, std::vector<uint8_t>& bytes) {
  reader.ByteAlign();
  const size_t start = reader.GetPosition();
  const uint8_t count = reader.ReadU8();
  for (int i = 0; i < count && !reader.HasOverrun(); ++i) {
    const uint8_t filter = reader.ReadU8();
    switch (filter) {
      case 0:  // drop shadow
        reader.Skip(23);
        break;
      case 1:  // blur
        reader.Skip(9);
        break;
      case 2:  // glow
        reader.Skip(15);
        break;
      case 3:  // bevel
        reader.Skip(27);
        break;
      case 4:    // gradient glow
      case 7: {  // gradient bevel
        const uint8_t colours = reader.ReadU8();
        reader.Skip(static_cast<size_t>(colours) * 5 + 19);
        break;
      }
      case 5: {  // convolution
        const uint8_t columns = reader.ReadU8();
        const uint8_t rows = reader.ReadU8();
        reader.Skip(8 + static_cast<size_t>(columns) * rows * 4 + 5);
        break;
      }
      case 6:  // colour matrix
        reader.Skip(80);
        break;
      default: reader.SetOverrun(true); return false;
    }
  }
  const SwfBytes& data = reader.GetData();
  bytes.assign(data.begin() + static_cast<std::ptrdiff_t>(start),
               data.begin() + static_cast<std::ptrdiff_t>(reader.GetPosition()));
  return !reader.HasOverrun();
}

// Reads one action list inside the reader's current range.
std::unique_ptr<DoActionTag> ReadActionList(SwfReader& reader, size_t& consumed) {
  auto list = std::make_unique<DoActionTag>();
  list->embedded = true;
  list->padDetection = false;
  consumed = list->Read(reader);
  return list;
}

}  // namespace

// --- ButtonRecord ----------------------------------------------------------------------------

std::unique_ptr<ButtonRecord> ReadButtonRecord(SwfReader& reader, uint8_t stateFlags, bool withColorTransform) {
  auto record = std::make_unique<ButtonRecord>();
  record->stateFlags = stateFlags;
  record->characterId = reader.ReadU16();
  record->depth = reader.ReadU16();
  reader.ByteAlign();
  record->matrix = std::make_unique<SwfMatrix>();
  record->matrix->Read(reader);
  reader.ByteAlign();
  if (withColorTransform) {
    record->colorTransform = std::make_unique<SwfCxformWithAlpha>();
    record->colorTransform->Read(reader);
    reader.ByteAlign();
    if (stateFlags & ButtonRecord::kHasFilterList) ReadFilterList(reader, record->filterList);
    if (stateFlags & ButtonRecord::kHasBlendMode) record->blendMode = reader.ReadU8();
  }
  return record;
}

size_t ButtonRecord::Write(SwfBitWriter& writer, bool withColorTransform) const {
  const size_t before = writer.GetByteCount();
  writer.WriteU8(stateFlags);
  writer.WriteU16(characterId);
  writer.WriteU16(depth);
  SwfMatrix identity;
  (matrix ? *matrix : identity).Write(writer);
  writer.Flush();
  if (withColorTransform) {
    SwfCxformWithAlpha plain;
    (colorTransform ? *colorTransform : plain).Write(writer);
    writer.Flush();
    if (stateFlags & kHasFilterList) {
      if (filterList.empty()) {
        writer.WriteU8(0);
      } else {
        writer.WriteBytes(filterList);
      }
    }
    if (stateFlags & kHasBlendMode) writer.WriteU8(blendMode);
  }
  return writer.GetByteCount() - before;
}

// --- DefineButton ----------------------------------------------------------------------------

void DefineButtonTag::Clear() {
  actions.clear();
  records.clear();
}

size_t DefineButtonTag::ReadRecords(SwfReader& reader, bool withColorTransform) {
  const size_t before = reader.GetPosition();
  while (!reader.HasOverrun()) {
    const uint8_t flags = reader.ReadU8();
    if (flags == 0) break;
    records.push_back(ReadButtonRecord(reader, flags, withColorTransform));
  }
  return reader.GetPosition() - before;
}

size_t DefineButtonTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  Clear();
  SetCharacterId(reader.ReadU16());
  ReadRecords(reader, false);
  if (!reader.HasOverrun()) {
    size_t consumed = 0;
    auto list = ReadActionList(reader, consumed);
    if (consumed != 0) actions.push_back(std::move(list));
  }
  return reader.GetPosition() - before;
}

size_t DefineButtonTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  body.WriteU16(GetCharacterId());
  for (const auto& record : records) record->Write(body, false);
  body.WriteU8(0);
  for (const auto& list : actions) {
    list->embedded = true;
    list->WriteActions(body, false);
  }
  return WriteWithBody(writer, body, false);
}

void DefineButtonTag::RelocateRecordsAndActions(int idDelta, int depthDelta, int frameDelta) {
  characterId_ = RelocateCharacterId(characterId_, idDelta);
  for (const auto& record : records) {
    record->characterId = RelocateCharacterId(record->characterId, idDelta);
    record->depth = RelocateDepth(record->depth, depthDelta);
  }
  if (frameDelta != 0) {
    for (const auto& list : actions) list->Relocate(idDelta, depthDelta, frameDelta);
  }
}

void DefineButtonTag::Relocate(int idDelta, int depthDelta, int frameDelta) {
  RelocateRecordsAndActions(idDelta, depthDelta, frameDelta);
}

// --- DefineButton2 ---------------------------------------------------------------------------

void DefineButton2Tag::Clear() {
  DefineButtonTag::Clear();
  conditionCodes.clear();
  trackAsMenu = 0;
}

void DefineButton2Tag::ClearConditionActions() {
  actions.clear();
  conditionCodes.clear();
}

bool DefineButton2Tag::AddConditionAction(uint16_t condition, std::unique_ptr<DoActionTag> list) {
  conditionCodes.push_back(condition);
  actions.push_back(std::move(list));
  return true;
}

size_t DefineButton2Tag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  Clear();
  SetCharacterId(reader.ReadU16());
  trackAsMenu = reader.ReadU8();
  const size_t offsetField = reader.GetPosition();
  const uint16_t actionOffset = reader.ReadU16();
  ReadRecords(reader, true);
  if (actionOffset == 0 || reader.HasOverrun()) return reader.GetPosition() - before;

  // The first condition starts where the action offset points, just after the records.
  const size_t first = offsetField + actionOffset;
  if (first < reader.GetPosition() || first > reader.GetRangeEnd()) {
    reader.SetOverrun(true);
    return reader.GetPosition() - before;
  }
  reader.Seek(first);
  while (!reader.HasOverrun()) {
    const uint16_t size = reader.ReadU16();
    const uint16_t condition = reader.ReadU16();
    if (reader.HasOverrun() || (size != 0 && size < 4)) {
      reader.SetOverrun(true);
      break;
    }
    const size_t length = size != 0 ? size - 4u : reader.GetRemaining();
    size_t consumed = 0;
    std::unique_ptr<DoActionTag> list;
    {
      SwfReaderRange range(reader, length);
      if (range.Truncated()) reader.SetOverrun(true);
      list = ReadActionList(reader, consumed);
    }
    AddConditionAction(condition, std::move(list));
    if (size == 0) break;
  }
  return reader.GetPosition() - before;
}

size_t DefineButton2Tag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  body.WriteU16(GetCharacterId());
  body.WriteU8(trackAsMenu);
  SwfBitWriter recordBytes = MakeBodyWriter(writer);
  for (const auto& record : records) record->Write(recordBytes, true);
  recordBytes.WriteU8(0);
  body.WriteU16(actions.empty() ? 0 : static_cast<uint16_t>(recordBytes.GetByteCount() + 2));
  body.Append(recordBytes);
  for (size_t j = 0; j < actions.size(); ++j) {
    DoActionTag& list = *actions[j];
    list.embedded = true;
    SwfBitWriter listBytes = MakeBodyWriter(writer);
    list.WriteActions(listBytes, false);
    const bool last = j + 1 == actions.size();
    body.WriteU16(last ? 0 : static_cast<uint16_t>(listBytes.GetByteCount() + 4));
    body.WriteU16(j < conditionCodes.size() ? conditionCodes[j] : 0);
    body.Append(listBytes);
  }
  return WriteWithBody(writer, body, false);
}

// --- DefineButtonCxform ----------------------------------------------------------------------

size_t DefineButtonCxformTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  SetCharacterId(reader.ReadU16());
  if (!colorTransform) colorTransform = std::make_unique<SwfCxform>();
  colorTransform->Reset();
  colorTransform->Read(reader);
  reader.ByteAlign();
  return reader.GetPosition() - before;
}

size_t DefineButtonCxformTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  body.WriteU16(GetCharacterId());
  SwfCxform plain;
  (colorTransform ? *colorTransform : plain).Write(body);
  body.Flush();
  return WriteWithBody(writer, body, false);
}

void DefineButtonCxformTag::Relocate(int idDelta, int, int) {
  characterId_ = RelocateCharacterId(characterId_, idDelta);
}

// --- DefineButtonSound -----------------------------------------------------------------------

size_t DefineButtonSoundTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  SetCharacterId(reader.ReadU16());
  for (size_t i = 0; i < soundIds.size(); ++i) {
    soundIds[i] = reader.ReadU16();
    soundInfos[i].Clear();
    if (soundIds[i] != 0) soundInfos[i].Read(reader);
  }
  return reader.GetPosition() - before;
}

size_t DefineButtonSoundTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  body.WriteU16(GetCharacterId());
  for (size_t i = 0; i < soundIds.size(); ++i) {
    body.WriteU16(soundIds[i]);
    if (soundIds[i] != 0) {
      SwfBitWriter info = MakeBodyWriter(writer);
      soundInfos[i].Write(info);
      body.Append(info);
    }
  }
  return WriteWithBody(writer, body, false);
}

void DefineButtonSoundTag::Relocate(int idDelta, int, int) {
  characterId_ = RelocateCharacterId(characterId_, idDelta);
  for (uint16_t& id : soundIds) {
    if (id != 0) id = RelocateCharacterId(id, idDelta);
  }
}

bool DefineButtonTag::CanRelocate(int idDelta, int depthDelta, int frameDelta) const {
  if (!SwfU16Fits(characterId_, idDelta)) return false;
  for (const auto& record : records) {
    if (!SwfU16Fits(record->characterId, idDelta) || !SwfU16Fits(record->depth, depthDelta)) return false;
  }
  if (frameDelta != 0) {
    for (const auto& list : actions) {
      if (!list->CanRelocate(idDelta, depthDelta, frameDelta)) return false;
    }
  }
  return true;
}

bool DefineButtonCxformTag::CanRelocate(int idDelta, int, int) const { return SwfU16Fits(characterId_, idDelta); }

bool DefineButtonSoundTag::CanRelocate(int idDelta, int, int) const {
  if (!SwfU16Fits(characterId_, idDelta)) return false;
  for (uint16_t id : soundIds) {
    if (id != 0 && !SwfU16Fits(id, idDelta)) return false;
  }
  return true;
}

void DefineButtonTag::CollectReferences(SwfTagReferences& refs) const {
  for (const auto& record : records) refs.ids.push_back(record->characterId);
}

// The button whose colours it sets.
void DefineButtonCxformTag::CollectReferences(SwfTagReferences& refs) const { refs.ids.push_back(GetCharacterId()); }

// The button, then its sounds.
void DefineButtonSoundTag::CollectReferences(SwfTagReferences& refs) const {
  refs.ids.push_back(GetCharacterId());
  for (uint16_t soundId : soundIds) refs.ids.push_back(soundId);
}
