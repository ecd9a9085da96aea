#include "swf/VideoTags.h"

#include "swf/SwfRelocation.h"

size_t DefineVideoStreamTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  SetCharacterId(reader.ReadU16());
  frameCount = reader.ReadU16();
  width = reader.ReadU16();
  height = reader.ReadU16();
  videoFlags = reader.ReadU8();
  codecId = reader.ReadU8();
  return reader.GetPosition() - before;
}

size_t DefineVideoStreamTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  body.WriteU16(GetCharacterId());
  body.WriteU16(frameCount);
  body.WriteU16(width);
  body.WriteU16(height);
  body.WriteU8(videoFlags);
  body.WriteU8(codecId);
  return WriteWithBody(writer, body, false);
}

void DefineVideoStreamTag::Relocate(int idDelta, int, int) {
  characterId_ = RelocateCharacterId(characterId_, idDelta);
}

size_t VideoFrameTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  streamId = reader.ReadU16();
  frameNumber = reader.ReadU16();
  if (reader.HasOverrun() || bodyLength_ < 4) {
    reader.SetOverrun(true);
    data.clear();
  } else {
    data = reader.ReadShared(static_cast<size_t>(bodyLength_) - 4);
  }
  return reader.GetPosition() - before;
}

size_t VideoFrameTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  body.Reserve(data.size() + 4);
  body.WriteU16(streamId);
  body.WriteU16(frameNumber);
  body.WriteBytes(data);
  const size_t written = WriteWithBody(writer, body, false);
  writer.Flush();
  return written;
}

void VideoFrameTag::Relocate(int idDelta, int, int) { streamId = RelocateCharacterId(streamId, idDelta); }

bool DefineVideoStreamTag::CanRelocate(int idDelta, int, int) const { return SwfU16Fits(characterId_, idDelta); }

bool VideoFrameTag::CanRelocate(int idDelta, int, int) const { return SwfU16Fits(streamId, idDelta); }

void VideoFrameTag::CollectReferences(SwfTagReferences& refs) const {
  refs.ids.push_back(streamId);
  refs.placedIds.push_back(streamId);
}
