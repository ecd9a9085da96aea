#include "tests/support/ActionDecoder.h"

#include <cstring>

namespace actiondecode {

RecordStatus ReadRecord(const uint8_t* data, size_t size, size_t offset, Record& record) {
  record = Record();
  record.offset = offset;
  record.code = data[offset];
  record.payload = offset + 1;
  if (record.code < 0x80) return RecordStatus::kOk;
  if (offset + 3 > size) return RecordStatus::kNoRoomForLength;
  record.length = static_cast<size_t>(data[offset + 1] | (data[offset + 2] << 8));
  record.payload = offset + 3;
  record.size = 3 + record.length;
  return offset + record.size > size ? RecordStatus::kPayloadPastEnd : RecordStatus::kOk;
}

uint8_t Cursor::U8() {
  if (!Has(1)) {
    bad = true;
    pos = n;
    return 0;
  }
  return p[pos++];
}

uint16_t Cursor::U16() {
  if (!Has(2)) {
    bad = true;
    pos = n;
    return 0;
  }
  const uint16_t v = static_cast<uint16_t>(p[pos] | (p[pos + 1] << 8));
  pos += 2;
  return v;
}

uint32_t Cursor::U32() {
  if (!Has(4)) {
    bad = true;
    pos = n;
    return 0;
  }
  const uint32_t lo = U16();
  const uint32_t hi = U16();
  return lo | (hi << 16);
}

void Cursor::Skip(size_t k) {
  if (!Has(k)) {
    bad = true;
    pos = n;
    return;
  }
  pos += k;
}

std::string Cursor::Text() {
  const size_t start = pos < n ? pos : n;
  size_t end = start;
  while (end < n && p[end] != 0) ++end;
  std::string text(reinterpret_cast<const char*>(p) + start, end - start);
  if (end >= n) {
    bad = true;
    pos = n;
  } else {
    pos = end + 1;
  }
  return text;
}

void Cursor::String() { Text(); }

double Cursor::Double() {
  const uint64_t hi = U32();
  const uint64_t lo = U32();
  const uint64_t bits = (hi << 32) | lo;
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

float Cursor::Float() {
  const uint32_t bits = U32();
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

bool IsKnownPushType(uint8_t type) { return type <= kPushConstant16; }

bool ReadPushValue(Cursor& cursor, PushValue& value) {
  value = PushValue();
  value.type = cursor.U8();
  if (cursor.bad) return false;
  switch (value.type) {
    case kPushString: value.text = cursor.Text(); break;
    case kPushFloat: value.number = cursor.Float(); break;
    case kPushNull:
    case kPushUndefined: break;
    case kPushRegister: value.index = cursor.U8(); break;
    case kPushBoolean: value.number = cursor.U8() != 0 ? 1 : 0; break;
    case kPushDouble: value.number = cursor.Double(); break;
    case kPushInteger: value.number = static_cast<int32_t>(cursor.U32()); break;
    case kPushConstant8: value.index = cursor.U8(); break;
    case kPushConstant16: value.index = cursor.U16(); break;
    default: return false;
  }
  return !cursor.bad;
}

}  // namespace actiondecode
