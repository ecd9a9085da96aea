// The one decoder of SWF action bytes that the tests share: action records, bounded reads of
// their payloads and the values of Push. It reads straight from the file format and shares
// no code with the movie model under swf/, so the tools built on it (ActionChecker,
// AvmVerifier, the preloader tests' script notation and target rules) check the bytes the
// program wrote rather than its own idea of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace actiondecode {

// One action record as it lies in the bytes.
struct Record {
  size_t offset = 0;  // of the code byte
  uint8_t code = 0;
  size_t payload = 0;  // offset of the payload: past the code, and the length from code 0x80 on
  size_t length = 0;   // payload length: 0 below code 0x80
  size_t size = 1;     // the whole record
};

enum class RecordStatus {
  kOk,
  kNoRoomForLength,  // a code from 0x80 on whose length field runs past the data
  kPayloadPastEnd,   // a payload that runs past the data
};

// Reads the record whose code byte is at `offset` (which must lie below `size`). The End
// code (0) is a record of one byte like any code below 0x80.
RecordStatus ReadRecord(const uint8_t* data, size_t size, size_t offset, Record& record);

// Bounded reads inside one payload: a read past its end sets `bad`, moves to the end and
// gives zeros.
struct Cursor {
  const uint8_t* p = nullptr;
  size_t n = 0;
  size_t pos = 0;
  bool bad = false;

  bool Has(size_t k) const { return !bad && pos + k <= n; }
  uint8_t U8();
  uint16_t U16();
  uint32_t U32();
  void Skip(size_t k);
  // A zero-terminated string, whose terminator must lie inside the payload: String passes
  // over it, Text returns it (what there is of it when the terminator is missing).
  void String();
  std::string Text();
  // Two 32-bit little-endian halves, the high half first.
  double Double();
  float Float();
};

// Push value types.
enum PushType : uint8_t {
  kPushString = 0,
  kPushFloat = 1,
  kPushNull = 2,
  kPushUndefined = 3,
  kPushRegister = 4,
  kPushBoolean = 5,
  kPushDouble = 6,
  kPushInteger = 7,
  kPushConstant8 = 8,
  kPushConstant16 = 9,
};

bool IsKnownPushType(uint8_t type);

// One value of a Push.
struct PushValue {
  uint8_t type = 0;
  std::string text;    // a string
  double number = 0;   // a float, double or integer; a boolean as 0 or 1
  uint32_t index = 0;  // a register number or a constant-pool index
};

// Reads the next value of a Push payload. False when the value is cut short (the cursor is
// then bad) or of an unknown type (the cursor stays at the value's operands).
bool ReadPushValue(Cursor& cursor, PushValue& value);

}  // namespace actiondecode
