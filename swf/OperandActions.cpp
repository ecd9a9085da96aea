#include "swf/OperandActions.h"

#include "swf/SwfBitWriter.h"
#include "swf/SwfReader.h"
#include "swf/SwfRelocation.h"

namespace {

size_t Consumed(const SwfReader& reader, size_t before) { return reader.GetPosition() - before; }

}  // namespace

// --- GotoFrame ---------------------------------------------------------------

size_t ActionGotoFrame::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  reader.ReadU16();
  frame = reader.ReadU16();
  return Consumed(reader, before);
}

size_t ActionGotoFrame::Write(SwfBitWriter& writer) {
  writer.WriteU8(0x81);
  writer.WriteU16(2);
  writer.WriteU16(frame);
  return 5;
}

void ActionGotoFrame::Relocate(int, int, int frameDelta) { frame = static_cast<uint16_t>(frame + frameDelta); }

bool ActionGotoFrame::CanRelocate(int, int, int frameDelta) const { return SwfU16Fits(frame, frameDelta); }

// --- GetURL ------------------------------------------------------------------

size_t ActionGetUrl::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  textVersion = reader.GetVersion();
  reader.ReadU16();
  url.clear();
  target.clear();
  if (!ReadText(reader, url, false) || !ReadText(reader, target, false)) reader.SetOverrun(true);
  return Consumed(reader, before);
}

size_t ActionGetUrl::Write(SwfBitWriter& writer) {
  SwfBitWriter payload(writer.GetVersion());
  WriteText(payload, url);
  WriteText(payload, target);
  return WritePayload(writer, 0x83, payload);
}

uint32_t ActionGetUrl::Size() const { return 3 + TextSize(url, textVersion) + TextSize(target, textVersion); }

// --- StoreRegister -----------------------------------------------------------

size_t ActionStoreRegister::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  reader.ReadU16();
  registerNumber = reader.ReadU8();
  return Consumed(reader, before);
}

size_t ActionStoreRegister::Write(SwfBitWriter& writer) {
  writer.WriteU8(0x87);
  writer.WriteU16(1);
  writer.WriteU8(registerNumber);
  return 4;
}

// --- WaitForFrame ------------------------------------------------------------

size_t ActionWaitForFrame::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  reader.ReadU16();
  frame = reader.ReadU16();
  skipCount = reader.ReadU8();
  return Consumed(reader, before);
}

size_t ActionWaitForFrame::Write(SwfBitWriter& writer) {
  writer.WriteU8(0x8A);
  writer.WriteU16(3);
  writer.WriteU16(frame);
  writer.WriteU8(skipCount);
  return 6;
}

void ActionWaitForFrame::Relocate(int, int, int frameDelta) { frame = static_cast<uint16_t>(frame + frameDelta); }

bool ActionWaitForFrame::CanRelocate(int, int, int frameDelta) const { return SwfU16Fits(frame, frameDelta); }

// --- SetTarget ---------------------------------------------------------------

size_t ActionSetTarget::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  textVersion = reader.GetVersion();
  reader.ReadU16();
  target.clear();
  if (!ReadText(reader, target, true)) reader.SetOverrun(true);
  return Consumed(reader, before);
}

size_t ActionSetTarget::Write(SwfBitWriter& writer) {
  SwfBitWriter payload(writer.GetVersion());
  payload.WriteWideString(pathPrefix);
  WriteText(payload, target);
  return WritePayload(writer, 0x8B, payload);
}

uint32_t ActionSetTarget::Size() const {
  return 3 + (TextSize(pathPrefix, textVersion) - 1) + TextSize(target, textVersion);
}

// --- GoToLabel ---------------------------------------------------------------

size_t ActionGoToLabel::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  textVersion = reader.GetVersion();
  reader.ReadU16();
  label.clear();
  if (!ReadText(reader, label, false)) reader.SetOverrun(true);
  return Consumed(reader, before);
}

size_t ActionGoToLabel::Write(SwfBitWriter& writer) {
  SwfBitWriter payload(writer.GetVersion());
  WriteText(payload, label);
  return WritePayload(writer, 0x8C, payload);
}

uint32_t ActionGoToLabel::Size() const { return 3 + TextSize(label, textVersion); }

// --- WaitForFrame2 -----------------------------------------------------------

size_t ActionWaitForFrame2::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  reader.ReadU16();
  skipCount = reader.ReadU8();
  return Consumed(reader, before);
}

size_t ActionWaitForFrame2::Write(SwfBitWriter& writer) {
  writer.WriteU8(0x8D);
  writer.WriteU16(1);
  writer.WriteU8(skipCount);
  return 4;
}

// --- With --------------------------------------------------------------------

size_t ActionWith::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  textVersion = reader.GetVersion();
  const uint16_t length = reader.ReadU16();
  blockSize = reader.ReadU16();
  name.clear();
  // An empty name would be written without its terminator: such bytes do not fit.
  if (length > 2 && (!ReadText(reader, name, false) || name.empty())) reader.SetOverrun(true);
  return Consumed(reader, before);
}

size_t ActionWith::WriteWithBlockSize(SwfBitWriter& writer, uint16_t size) {
  SwfBitWriter payload(writer.GetVersion());
  payload.WriteU16(size);
  if (!name.empty()) WriteText(payload, name);
  return WritePayload(writer, 0x94, payload);
}

size_t ActionWith::Write(SwfBitWriter& writer) { return WriteWithBlockSize(writer, blockSize); }

uint32_t ActionWith::Size() const { return name.empty() ? 5 : 5 + TextSize(name, textVersion); }

uint32_t ActionWith::WriteMapped(SwfBitWriter& writer, const ActionOffsetMap& map) {
  int64_t actual = 0;
  if (map.Map(blockSize, actual) && actual >= 0 && actual <= 0xFFFF)
    return static_cast<uint32_t>(WriteWithBlockSize(writer, static_cast<uint16_t>(actual)));
  return static_cast<uint32_t>(Write(writer));
}

// --- GetURL2 -----------------------------------------------------------------

size_t ActionGetUrl2::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  reader.ReadU16();
  flags = reader.ReadU8();
  return Consumed(reader, before);
}

size_t ActionGetUrl2::Write(SwfBitWriter& writer) {
  writer.WriteU8(0x9A);
  writer.WriteU16(1);
  writer.WriteU8(flags);
  return 4;
}

// --- DefineFunction ----------------------------------------------------------

size_t ActionDefineFunction::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  textVersion = reader.GetVersion();
  name.clear();
  parameters.clear();
  codeSize = 0;
  reader.ReadU16();
  bool ok = ReadText(reader, name, false);
  const uint16_t count = reader.ReadU16();
  for (uint16_t i = 0; ok && i < count && !reader.HasOverrun(); ++i) {
    WideString parameter;
    ok = ReadText(reader, parameter, false);
    parameters.push_back(std::move(parameter));
  }
  if (!ok) reader.SetOverrun(true);
  codeSize = reader.ReadU16();
  return Consumed(reader, before);
}

size_t ActionDefineFunction::WriteWithCodeSize(SwfBitWriter& writer, uint16_t size) {
  SwfBitWriter payload(writer.GetVersion());
  WriteText(payload, name);
  payload.WriteU16(static_cast<uint16_t>(parameters.size()));
  for (const WideString& parameter : parameters) WriteText(payload, parameter);
  payload.WriteU16(size);
  return WritePayload(writer, 0x9B, payload);
}

size_t ActionDefineFunction::Write(SwfBitWriter& writer) { return WriteWithCodeSize(writer, codeSize); }

uint32_t ActionDefineFunction::Size() const {
  uint32_t size = 3 + TextSize(name, textVersion) + 2 + 2;
  for (const WideString& parameter : parameters) size += TextSize(parameter, textVersion);
  return size;
}

uint32_t ActionDefineFunction::WriteMapped(SwfBitWriter& writer, const ActionOffsetMap& map) {
  int64_t actual = 0;
  if (map.Map(codeSize, actual) && actual >= 0 && actual <= 0xFFFF)
    return static_cast<uint32_t>(WriteWithCodeSize(writer, static_cast<uint16_t>(actual)));
  return static_cast<uint32_t>(Write(writer));
}

// --- GotoFrame2 --------------------------------------------------------------

size_t ActionGotoFrame2::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  reader.ReadU16();
  flags = reader.ReadU8();
  sceneBias = (flags & kSceneBias) ? reader.ReadU16() : 0;
  padByte = false;
  return Consumed(reader, before);
}

bool ActionGotoFrame2::ReadPadByte(SwfReader& reader) {
  if (endOfEnclosingData == 0 || reader.GetRemaining() == 0) return false;
  if (reader.PeekByte() != 0 || endOfEnclosingData <= reader.GetPosition() + 1) return false;
  reader.ReadU8();
  padByte = true;
  return true;
}

size_t ActionGotoFrame2::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  const bool bias = (flags & kSceneBias) != 0;
  writer.WriteU8(0x9F);
  writer.WriteU16(bias ? 3 : 1);
  writer.WriteU8(flags);
  if (bias) writer.WriteU16(sceneBias);
  if (padByte) writer.WriteU8(0);
  return writer.GetByteCount() - before;
}

uint32_t ActionGotoFrame2::Size() const { return ((flags & kSceneBias) ? 6 : 4) + (padByte ? 1 : 0); }
