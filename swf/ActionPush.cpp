#include "swf/ActionPush.h"

#include <cstring>
#include <utility>

#include "swf/SwfBitWriter.h"
#include "swf/SwfReader.h"

float PushValue::Float() const {
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

uint32_t ActionPush::ValueSize(const PushValue& value) const {
  switch (value.type) {
    case PushValue::kString: return 1 + TextSize(value.text, textVersion);
    case PushValue::kFloat:
    case PushValue::kInteger: return 5;
    case PushValue::kDouble: return 9;
    case PushValue::kRegister:
    case PushValue::kBoolean:
    case PushValue::kConstant8: return 2;
    case PushValue::kConstant16: return 3;
    default: return 1;
  }
}

uint32_t ActionPush::Insert(PushValue value, size_t position) {
  const uint32_t size = ValueSize(value);
  if (payloadLength + size > kMaxPayload) return 0;
  if (position < values.size())
    values.insert(values.begin() + static_cast<std::ptrdiff_t>(position), std::move(value));
  else
    values.push_back(std::move(value));
  payloadLength += size;
  return size;
}

uint32_t ActionPush::AddString(const WideString& text, size_t position) {
  PushValue v;
  v.type = PushValue::kString;
  v.text = text;
  return Insert(std::move(v), position);
}

uint32_t ActionPush::AddFloat(float value, size_t position) {
  PushValue v;
  v.type = PushValue::kFloat;
  std::memcpy(&v.bits, &value, sizeof v.bits);
  return Insert(std::move(v), position);
}

uint32_t ActionPush::AddBoolean(bool value, size_t position) {
  PushValue v;
  v.type = PushValue::kBoolean;
  v.bits = value ? 1 : 0;
  return Insert(std::move(v), position);
}

uint32_t ActionPush::AddDouble(double value, size_t position) {
  PushValue v;
  v.type = PushValue::kDouble;
  v.number = value;
  return Insert(std::move(v), position);
}

uint32_t ActionPush::AddInteger(int32_t value, size_t position) {
  PushValue v;
  v.type = PushValue::kInteger;
  v.bits = static_cast<uint32_t>(value);
  return Insert(std::move(v), position);
}

uint32_t ActionPush::AddConstant8(int index, size_t position) {
  if (index < 0) return 0;
  if (index > 0xFF) return AddConstant16(index, position);
  PushValue v;
  v.type = PushValue::kConstant8;
  v.bits = static_cast<uint32_t>(index);
  return Insert(std::move(v), position);
}

uint32_t ActionPush::AddConstant16(int index, size_t position) {
  if (index < 0 || index > 0xFFFF) return 0;
  PushValue v;
  v.type = PushValue::kConstant16;
  v.bits = static_cast<uint32_t>(index);
  return Insert(std::move(v), position);
}

uint32_t ActionPush::AddRegister(uint8_t number, size_t position) {
  PushValue v;
  v.type = PushValue::kRegister;
  v.bits = number;
  return Insert(std::move(v), position);
}

uint32_t ActionPush::AddNull(size_t position) {
  PushValue v;
  v.type = PushValue::kNull;
  return Insert(std::move(v), position);
}

uint32_t ActionPush::AddUndefined(size_t position) {
  PushValue v;
  v.type = PushValue::kUndefined;
  return Insert(std::move(v), position);
}

int ActionPush::RemoveValue(size_t position) {
  if (position >= values.size()) return 0;
  payloadLength -= ValueSize(values[position]);
  values.erase(values.begin() + static_cast<std::ptrdiff_t>(position));
  return 1;
}

size_t ActionPush::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  textVersion = reader.GetVersion();
  const uint16_t length = reader.ReadU16();
  payloadLength = 0;
  pathLength = 0;
  const size_t end = reader.GetPosition() + length;
  // Reads values while the declared payload lasts. An unknown type stops the
  // reading before its type byte, so the action does not fit its declared
  // size and the list keeps it as bytes.
  while (reader.GetPosition() < end && !reader.HasOverrun()) {
    const uint8_t type = reader.PeekByte();
    if (type > PushValue::kConstant16) break;
    reader.ReadU8();
    switch (type) {
      case PushValue::kString: {
        WideString text;
        if (!ReadText(reader, text, true)) reader.SetOverrun(true);
        AddString(text);
        break;
      }
      case PushValue::kFloat: {
        PushValue v;
        v.type = PushValue::kFloat;
        v.bits = reader.ReadU32();
        Insert(std::move(v), kAppend);
        break;
      }
      case PushValue::kNull: AddNull(); break;
      case PushValue::kUndefined: AddUndefined(); break;
      case PushValue::kRegister: AddRegister(reader.ReadU8()); break;
      case PushValue::kBoolean: {
        // Kept as read, so a boolean byte other than 0 and 1 is written back unchanged.
        PushValue v;
        v.type = PushValue::kBoolean;
        v.bits = reader.ReadU8();
        Insert(std::move(v), kAppend);
        break;
      }
      case PushValue::kDouble: {
        const uint64_t high = reader.ReadU32();
        const uint64_t low = reader.ReadU32();
        const uint64_t pattern = (high << 32) | low;
        double d;
        std::memcpy(&d, &pattern, sizeof d);
        AddDouble(d);
        break;
      }
      case PushValue::kInteger: AddInteger(static_cast<int32_t>(reader.ReadU32())); break;
      case PushValue::kConstant8: {
        PushValue v;
        v.type = PushValue::kConstant8;
        v.bits = reader.ReadU8();
        Insert(std::move(v), kAppend);
        break;
      }
      case PushValue::kConstant16: {
        PushValue v;
        v.type = PushValue::kConstant16;
        v.bits = reader.ReadU16();
        Insert(std::move(v), kAppend);
        break;
      }
    }
  }
  return reader.GetPosition() - before;
}

size_t ActionPush::Write(SwfBitWriter& writer) {
  SwfBitWriter payload(writer.GetVersion());
  for (const PushValue& v : values) {
    payload.WriteU8(v.type);
    switch (v.type) {
      case PushValue::kString:
        if (!targetPath.empty() && !v.text.empty() && v.text[0] == L'/') {
          targetPath[0] = '/';
          payload.WriteString(targetPath);
        }
        payload.WriteWideString(v.text);
        if (!targetPath.empty() && v.text == L"_root") {
          targetPath[0] = '.';
          payload.WriteString(targetPath);
        }
        payload.WriteU8(0);
        break;
      case PushValue::kFloat:
      case PushValue::kInteger: payload.WriteU32(v.bits); break;
      case PushValue::kDouble: {
        uint64_t pattern;
        std::memcpy(&pattern, &v.number, sizeof pattern);
        payload.WriteU32(static_cast<uint32_t>(pattern >> 32));
        payload.WriteU32(static_cast<uint32_t>(pattern));
        break;
      }
      case PushValue::kRegister:
      case PushValue::kBoolean:
      case PushValue::kConstant8: payload.WriteU8(static_cast<uint8_t>(v.bits)); break;
      case PushValue::kConstant16: payload.WriteU16(static_cast<uint16_t>(v.bits)); break;
      default: break;
    }
  }
  return WritePayload(writer, 0x96, payload);
}
