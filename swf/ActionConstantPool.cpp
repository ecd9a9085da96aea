#include "swf/ActionConstantPool.h"

#include "swf/SwfBitWriter.h"
#include "swf/SwfReader.h"

uint32_t ActionConstantPool::Size() const {
  uint32_t size = 5;
  for (const WideString& s : strings) size += TextSize(s, textVersion);
  return size;
}

int ActionConstantPool::AddString(const WideString& text, size_t position) {
  const int found = IndexOf(text);
  if (found >= 0) return found;
  // The payload (count and strings) must stay within the u16 length field.
  if (strings.size() >= kMaxStrings || Size() - 3 + TextSize(text, textVersion) > 0xFFFF) return -1;
  if (position < strings.size()) {
    strings.insert(strings.begin() + static_cast<std::ptrdiff_t>(position), text);
    return static_cast<int>(position);
  }
  strings.push_back(text);
  return static_cast<int>(strings.size() - 1);
}

int ActionConstantPool::IndexOf(const WideString& text) const {
  for (size_t i = 0; i < strings.size(); ++i)
    if (strings[i] == text) return static_cast<int>(i);
  return -1;
}

bool ActionConstantPool::GetString(size_t index, WideString& text) const {
  if (index >= strings.size()) return false;
  text = strings[index];
  return true;
}

size_t ActionConstantPool::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  textVersion = reader.GetVersion();
  strings.clear();
  const uint16_t length = reader.ReadU16();
  const size_t end = reader.GetPosition() + length;
  const uint16_t count = reader.ReadU16();
  while (reader.GetPosition() < end && !reader.HasOverrun()) {
    WideString text;
    if (!ReadText(reader, text, true)) {
      reader.SetOverrun(true);
      break;
    }
    strings.push_back(std::move(text));
  }
  // A count that disagrees with the strings of the payload leaves the pool
  // ambiguous: such bytes do not fit, and the list keeps them as they are.
  if (strings.size() != count) reader.SetOverrun(true);
  return reader.GetPosition() - before;
}

size_t ActionConstantPool::Write(SwfBitWriter& writer) {
  SwfBitWriter payload(writer.GetVersion());
  payload.WriteU16(static_cast<uint16_t>(strings.size()));
  for (const WideString& s : strings) {
    payload.WriteWideString(s);
    if (!targetPath.empty() && s == L"_root") {
      targetPath[0] = L'.';
      payload.WriteWideString(targetPath);
    }
    payload.WriteU8(0);
  }
  return WritePayload(writer, 0x88, payload);
}
