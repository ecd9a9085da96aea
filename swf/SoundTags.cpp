#include "swf/SoundTags.h"

#include <algorithm>

#include "swf/SwfRelocation.h"

uint8_t SetSoundFormatBits(uint8_t byte, unsigned value, int shift, uint8_t mask) {
  return static_cast<uint8_t>((byte & ~mask) | ((value << shift) & mask));
}

// --- SOUNDINFO -------------------------------------------------------------------------------

void SoundInfo::Clear() { *this = SoundInfo(); }

size_t SoundInfo::Read(SwfReader& reader) {
  Clear();
  const size_t before = reader.GetPosition();
  flags = reader.ReadU8();
  if (flags & kHasInPoint) inPoint = reader.ReadU32();
  if (flags & kHasOutPoint) outPoint = reader.ReadU32();
  if (flags & kHasLoops) loopCount = reader.ReadU16();
  if (flags & kHasEnvelope) {
    envelopePointCount = reader.ReadU8();
    if (!reader.CanHold(envelopePointCount, 8)) {
      reader.SetOverrun(true);
    } else {
      envelope.resize(envelopePointCount);
      for (SoundEnvelopePoint& point : envelope) {
        point.position = reader.ReadU32();
        point.leftLevel = reader.ReadU16();
        point.rightLevel = reader.ReadU16();
      }
    }
  }
  return reader.GetPosition() - before;
}

size_t SoundInfo::Write(SwfBitWriter& writer) const {
  const size_t before = writer.GetByteCount();
  writer.WriteU8(flags);
  if (flags & kHasInPoint) writer.WriteU32(inPoint);
  if (flags & kHasOutPoint) writer.WriteU32(outPoint);
  if (flags & kHasLoops) writer.WriteU16(loopCount);
  if (flags & kHasEnvelope) {
    const size_t count = std::min<size_t>(envelope.size(), 255);
    writer.WriteU8(static_cast<uint8_t>(count));
    for (size_t i = 0; i < count; ++i) {
      writer.WriteU32(envelope[i].position);
      writer.WriteU16(envelope[i].leftLevel);
      writer.WriteU16(envelope[i].rightLevel);
    }
  }
  return writer.GetByteCount() - before;
}

bool SoundInfo::operator==(const SoundInfo& other) const {
  if (flags != other.flags || inPoint != other.inPoint || outPoint != other.outPoint || loopCount != other.loopCount ||
      envelope.size() != other.envelope.size()) {
    return false;
  }
  for (size_t i = 0; i < envelope.size(); ++i) {
    const SoundEnvelopePoint& a = envelope[i];
    const SoundEnvelopePoint& b = other.envelope[i];
    if (a.position != b.position || a.leftLevel != b.leftLevel || a.rightLevel != b.rightLevel) return false;
  }
  return true;
}

// --- SoundStreamHead and SoundStreamHead2 --------------------------------------------------

size_t SoundStreamHeadTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  playbackByte = reader.ReadU8();
  streamByte = reader.ReadU8();
  sampleCount = reader.ReadU16();
  trailing = reader.ReadBytes(reader.GetRemaining());
  return reader.GetPosition() - before;
}

size_t SoundStreamHeadTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  body.WriteU8(playbackByte & 0x0F);
  body.WriteU8(streamByte);
  body.WriteU16(sampleCount);
  body.WriteBytes(trailing);
  return WriteWithBody(writer, body, false);
}

void SoundStreamHeadTag::Relocate(int idDelta, int, int) { characterId_ = RelocateCharacterId(characterId_, idDelta); }

// --- SoundStreamBlock ----------------------------------------------------------------------

size_t SoundStreamBlockTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  data = reader.ReadShared(reader.GetRemaining());
  return reader.GetPosition() - before;
}

size_t SoundStreamBlockTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  body.WriteBytes(data);
  return WriteWithBody(writer, body, false);
}

// --- DefineSound -----------------------------------------------------------------------------

size_t DefineSoundTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  SetCharacterId(reader.ReadU16());
  flags = reader.ReadU8();
  sampleCount = reader.ReadU32();
  const uint32_t bodyLength = reader.GetCurrentTagLength();
  if (reader.HasOverrun() || bodyLength < 7) {
    reader.SetOverrun(true);
    data.clear();
  } else {
    data = reader.ReadShared(bodyLength - 7);
  }
  return reader.GetPosition() - before;
}

size_t DefineSoundTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  body.Reserve(data.size() + 7);
  body.WriteU16(GetCharacterId());
  body.WriteU8(flags);
  body.WriteU32(sampleCount);
  body.WriteBytes(data);
  return WriteWithBody(writer, body, false);
}

void DefineSoundTag::Relocate(int idDelta, int, int) { characterId_ = RelocateCharacterId(characterId_, idDelta); }

// --- StartSound ------------------------------------------------------------------------------

size_t StartSoundTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  soundId = reader.ReadU16();
  info.Read(reader);
  return reader.GetPosition() - before;
}

size_t StartSoundTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  body.WriteU16(soundId);
  info.Write(body);
  return WriteWithBody(writer, body, false);
}

void StartSoundTag::Relocate(int idDelta, int, int) { soundId = RelocateCharacterId(soundId, idDelta); }

bool SoundStreamHeadTag::CanRelocate(int idDelta, int, int) const { return SwfU16Fits(characterId_, idDelta); }

bool DefineSoundTag::CanRelocate(int idDelta, int, int) const { return SwfU16Fits(characterId_, idDelta); }

bool StartSoundTag::CanRelocate(int idDelta, int, int) const { return SwfU16Fits(soundId, idDelta); }

void StartSoundTag::CollectReferences(SwfTagReferences& refs) const {
  refs.ids.push_back(soundId);
  refs.placedIds.push_back(soundId);
}
