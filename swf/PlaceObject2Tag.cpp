#include "swf/PlaceObject2Tag.h"

#include <algorithm>

#include "swf/SwfRelocation.h"

namespace {

// From this SWF version on, clip event flags are 32 bits wide.
constexpr uint8_t kFirstVersionWithWideEvents = 6;

uint32_t ReadEventFlags(SwfReader& reader, uint8_t version) {
  return version < kFirstVersionWithWideEvents ? reader.ReadU16() : reader.ReadU32();
}

void WriteEventFlags(SwfBitWriter& writer, uint32_t flags, uint8_t version) {
  if (version < kFirstVersionWithWideEvents) {
    writer.WriteU16(static_cast<uint16_t>(flags));
  } else {
    writer.WriteU32(flags);
  }
}

uint32_t EventFlagsInWidth(uint32_t flags, uint8_t version) {
  return version < kFirstVersionWithWideEvents ? flags & 0xFFFF : flags;
}

}  // namespace

// --- ClipActionRecord ------------------------------------------------------------------

ClipActionRecord::ClipActionRecord(uint32_t events) : eventFlags(events), actions(std::make_unique<DoActionTag>()) {}

ClipActionRecord::~ClipActionRecord() {
  if (actions) actions->Clear();
}

void ClipActionRecord::AddAction(std::unique_ptr<ActionRecord> action) {
  if (!actions) actions = std::make_unique<DoActionTag>();
  actions->AddAction(std::move(action));
}

void ClipActionRecord::SetActions(std::unique_ptr<DoActionTag> list) {
  actions = list ? std::move(list) : std::make_unique<DoActionTag>();
}

void ClipActionRecord::SetBranchTracking(bool on) {
  if (actions) actions->SetBranchTracking(on, false);
}

// --- PlaceObject2Tag -------------------------------------------------------------------

PlaceObject2Tag::PlaceObject2Tag() { Reset(); }

PlaceObject2Tag::PlaceObject2Tag(const PlaceObject2Tag& other) : PlaceObjectTag() {
  Reset();
  CopyFrom(other);
}

PlaceObject2Tag& PlaceObject2Tag::CopyFrom(const PlaceObject2Tag& other) {
  if (&other == this) return *this;
  characterId = other.characterId;
  depth = other.depth;
  ratio = other.ratio;
  name = other.name;
  clipDepth = other.clipDepth;
  if (other.matrix) matrix = std::make_unique<SwfMatrix>(*other.matrix);
  if (other.colorTransformAlpha) colorTransformAlpha = std::make_unique<SwfCxformWithAlpha>(*other.colorTransformAlpha);
  hasClipActions = other.hasClipActions;
  hasClipDepth = other.hasClipDepth;
  hasName = other.hasName;
  hasRatio = other.hasRatio;
  hasCharacter = other.hasCharacter;
  move = other.move;
  return *this;
}

void PlaceObject2Tag::Reset() {
  characterId = 0;
  ratio = 0;
  clipDepth = 0;
  hasClipActions = false;
  hasClipDepth = false;
  hasName = false;
  hasRatio = false;
  hasCharacter = false;
  move = false;
  clipActionVersion = 4;
}

void PlaceObject2Tag::SetCharacterId(int id) {
  PlaceObjectTag::SetCharacterId(id);
  hasCharacter = true;
}

void PlaceObject2Tag::ClearTransforms() {
  PlaceObjectTag::ClearTransforms();
  colorTransformAlpha.reset();
  clipActions.clear();
  hasClipActions = false;
  allEventFlagsAsRead = false;
  name.clear();
}

void PlaceObject2Tag::SetName(const WideString& text) {
  name = text;
  hasName = true;
}

void PlaceObject2Tag::AddClipAction(std::unique_ptr<ClipActionRecord> record) {
  if (!record) return;
  clipActions.push_back(std::move(record));
  hasClipActions = true;
  // The records are no longer those read: their union describes them.
  allEventFlagsAsRead = false;
}

size_t PlaceObject2Tag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  ClearTransforms();
  const uint8_t flags = reader.ReadU8();
  depth = reader.ReadU16();
  move = (flags & 0x01) != 0;
  if (flags & 0x02) {
    SetCharacterId(reader.ReadU16());
    NoteCharacterIdRead(characterId);
  } else {
    characterId = 0;
    hasCharacter = false;
  }
  if (flags & 0x04) {
    matrix = std::make_unique<SwfMatrix>();
    matrix->Read(reader);
  }
  reader.ByteAlign();
  if (flags & 0x08) {
    colorTransformAlpha = std::make_unique<SwfCxformWithAlpha>();
    colorTransformAlpha->Read(reader);
  }
  hasRatio = (flags & 0x10) != 0;
  ratio = hasRatio ? reader.ReadU16() : 0;
  hasName = (flags & 0x20) != 0;
  if (hasName) reader.ReadString(name, 0, false);
  hasClipDepth = (flags & 0x40) != 0;
  clipDepth = hasClipDepth ? reader.ReadU16() : 0;
  hasClipActions = (flags & 0x80) != 0;
  allEventFlags = 0;
  if (hasClipActions) ReadClipActions(reader);
  reader.ByteAlign();
  return reader.GetPosition() - before;
}

void PlaceObject2Tag::ReadClipActions(SwfReader& reader) {
  clipActionVersion = reader.GetVersion();
  reader.ByteAlign();
  reader.ReadU16();  // reserved
  allEventFlags = ReadEventFlags(reader, clipActionVersion);
  allEventFlagsAsRead = true;
  while (reader.GetRemaining() > 0 && !reader.HasOverrun()) {
    const uint32_t events = ReadEventFlags(reader, clipActionVersion);
    if (events == 0 || reader.HasOverrun()) break;
    auto record = std::make_unique<ClipActionRecord>(events);
    record->actionSize = reader.ReadU32();
    bool truncated = false;
    {
      // The record's key code and actions lie inside its declared size; whatever the
      // actions leave of it is skipped.
      SwfReaderRange range(reader, record->actionSize);
      truncated = range.Truncated();
      if (events & ClipActionRecord::kKeyPressEvent) record->keyCode = reader.ReadU8();
      auto list = std::make_unique<DoActionTag>();
      list->padDetection = false;
      if (list->Read(reader) != 0) record->SetActions(std::move(list));
    }
    clipActions.push_back(std::move(record));
    if (truncated) {
      // The record claims bytes the body does not have.
      reader.SetOverrun(true);
      break;
    }
  }
}

void PlaceObject2Tag::WriteBody(SwfBitWriter& body, const BodyOptions& options, size_t* clipDepthAt) {
  const uint8_t version = options.clipActionVersion;
  const bool writeCharacter = options.characterFlag;
  uint8_t flags = 0;
  if (hasClipActions) flags |= 0x80;
  if (hasClipDepth) flags |= 0x40;
  if (hasName) flags |= 0x20;
  if (hasRatio) flags |= 0x10;
  if (colorTransformAlpha) flags |= 0x08;
  if (matrix) flags |= 0x04;
  if (writeCharacter) flags |= 0x02;
  if (move) flags |= 0x01;
  body.WriteU8(flags);
  body.WriteU16(depth);
  if (writeCharacter) body.WriteU16(characterId);
  if (matrix) {
    matrix->Write(body);
    body.Flush();
  }
  if (colorTransformAlpha) {
    colorTransformAlpha->Write(body);
    body.Flush();
  }
  if (hasRatio) body.WriteU16(ratio);
  if (hasName) {
    body.WriteWideString(name);
    body.WriteU8(0);
  }
  if (hasClipDepth) {
    if (clipDepthAt != nullptr) *clipDepthAt = body.GetByteCount();
    body.WriteU16(clipDepth);
  }
  if (hasClipActions) {
    body.Flush();
    body.WriteU16(0);
    uint32_t all = options.allEventFlags;
    if (all == 0 && !options.allEventFlagsAsGiven) {
      for (const auto& record : clipActions) all |= record->eventFlags;
    }
    all = EventFlagsInWidth(all, version);
    WriteEventFlags(body, all, version);
    if (all != 0 || options.allEventFlagsAsGiven) {
      for (const auto& record : clipActions) {
        const uint32_t events = EventFlagsInWidth(record->eventFlags, version);
        if (events == 0) continue;
        WriteEventFlags(body, events, version);
        SwfBitWriter inner(version);
        if (events & ClipActionRecord::kKeyPressEvent) inner.WriteU8(record->keyCode);
        if (record->actions) {
          record->actions->embedded = true;
          record->actions->Write(inner);
        } else {
          inner.WriteU8(0);
        }
        inner.Flush();
        body.WriteU32(static_cast<uint32_t>(inner.GetByteCount()));
        body.Append(inner);
      }
    }
    WriteEventFlags(body, 0, version);
  }
  body.Flush();
}

size_t PlaceObject2Tag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  const BodyOptions options{std::max(clipActionVersion, writer.GetVersion()), hasCharacter || characterId != 0,
                            allEventFlagsAsRead ? allEventFlags : 0, allEventFlagsAsRead};
  WriteBody(body, options, nullptr);
  return WriteWithBody(writer, body, false);
}

size_t PlaceObject2Tag::GetClipDepthOffset() {
  if (!hasClipDepth) return 0;
  SwfBitWriter body(clipActionVersion);
  size_t clipDepthAt = 0;
  WriteBody(body, BodyOptions{clipActionVersion, hasCharacter, allEventFlags, false}, &clipDepthAt);
  return MakeTagHeader(*this, body.GetByteCount(), false).size() + clipDepthAt;
}

void PlaceObject2Tag::Relocate(int idDelta, int depthDelta, int) {
  if (hasCharacter) characterId = RelocateCharacterId(characterId, idDelta);
  depth = RelocateDepth(depth, depthDelta);
  if (hasClipDepth) clipDepth = RelocateDepth(clipDepth, depthDelta);
}

bool PlaceObject2Tag::CanRelocate(int idDelta, int depthDelta, int) const {
  if (hasCharacter && !SwfU16Fits(characterId, idDelta)) return false;
  if (!SwfU16Fits(depth, depthDelta)) return false;
  return !hasClipDepth || SwfU16Fits(clipDepth, depthDelta);
}

void PlaceObject2Tag::CollectReferences(SwfTagReferences& refs) const {
  if (hasCharacter || characterId != 0) refs.ids.push_back(characterId);
  if (hasCharacter && characterId != 0) refs.placedIds.push_back(characterId);
  refs.depths.push_back(depth);
}
