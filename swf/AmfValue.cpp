#include "swf/AmfValue.h"

#include <cstring>
#include <string>

namespace {

constexpr size_t kMaxShortString = 65535;

void WriteBytes(ByteStreamWriter& writer, const std::string& bytes) {
  for (unsigned char c : bytes) writer.WriteBits(c, 8);
}

// Cuts UTF-8 text to at most `limit` bytes without splitting a character.
std::string CutUtf8(std::string bytes, size_t limit) {
  if (bytes.size() <= limit) return bytes;
  size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80) --end;
  bytes.resize(end);
  return bytes;
}

}  // namespace

size_t WriteAmfString(const WideString& text, ByteStreamWriter& writer) {
  writer.Flush();
  const size_t before = writer.GetByteCount();
  const std::string bytes = CutUtf8(WideToUtf8(text), kMaxShortString);
  writer.WriteBits(static_cast<uint32_t>(bytes.size()), 16);
  WriteBytes(writer, bytes);
  return writer.GetByteCount() - before;
}

size_t WriteAmfProperty(const AmfProperty& property, ByteStreamWriter& writer) {
  const size_t before = writer.GetByteCount();
  WriteAmfString(property.name, writer);
  WriteAmfValue(property.value, writer);
  return writer.GetByteCount() - before;
}

size_t WriteAmfValue(const AmfValue& value, ByteStreamWriter& writer) {
  const size_t before = writer.GetByteCount();
  switch (value.type) {
    case AmfValue::kNumber: {
      writer.WriteBits(AmfValue::kNumber, 8);
      uint64_t bits = 0;
      std::memcpy(&bits, &value.number, sizeof bits);
      writer.WriteBits(static_cast<uint32_t>(bits >> 32), 32);
      writer.WriteBits(static_cast<uint32_t>(bits), 32);
      break;
    }
    case AmfValue::kBoolean:
      writer.WriteBits(AmfValue::kBoolean, 8);
      writer.WriteBits(value.boolean, 8);
      break;
    case AmfValue::kString:
    case AmfValue::kMovieClip:
    case AmfValue::kLongString: {
      const std::string bytes = WideToUtf8(value.text);
      if (bytes.size() > kMaxShortString && value.type != AmfValue::kMovieClip) {
        writer.WriteBits(AmfValue::kLongString, 8);
        writer.WriteBits(static_cast<uint32_t>(bytes.size()), 32);
        WriteBytes(writer, bytes);
      } else {
        writer.WriteBits(value.type == AmfValue::kLongString ? uint8_t{AmfValue::kString} : value.type, 8);
        WriteAmfString(value.text, writer);
      }
      break;
    }
    case AmfValue::kEcmaArray:
      writer.WriteBits(AmfValue::kEcmaArray, 8);
      writer.WriteBits(static_cast<uint32_t>(value.properties.size()), 32);
      for (const AmfProperty& property : value.properties) WriteAmfProperty(property, writer);
      writer.WriteBits(9, 24);
      break;
    default: writer.WriteBits(value.type, 8); break;
  }
  return writer.GetByteCount() - before;
}
