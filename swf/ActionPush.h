// Push (0x96): an ordered list of typed values, pushed first to last.
#pragma once

#include <string>
#include <vector>

#include "swf/ActionRecord.h"

// One value of a Push. The type selects which field holds the payload.
struct PushValue {
  enum Type : uint8_t {
    kString = 0,
    kFloat = 1,
    kNull = 2,
    kUndefined = 3,
    kRegister = 4,
    kBoolean = 5,
    kDouble = 6,
    kInteger = 7,
    kConstant8 = 8,
    kConstant16 = 9,
  };

  uint8_t type = kNull;
  WideString text;    // kString
  uint32_t bits = 0;  // kFloat (bit pattern), kRegister, kBoolean, kInteger, kConstant8, kConstant16
  double number = 0;  // kDouble

  int32_t Integer() const { return static_cast<int32_t>(bits); }
  float Float() const;
};

class ActionPush : public ActionRecord {
 public:
  // Appends at any position at or past the value count.
  static constexpr size_t kAppend = static_cast<size_t>(-1);
  // The largest payload the u16 length field holds.
  static constexpr uint32_t kMaxPayload = 0xFFFF;

  ActionPush() = default;
  explicit ActionPush(int32_t value) { AddInteger(value); }
  explicit ActionPush(const WideString& text) { AddString(text); }

  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  uint8_t ActionCode() const override { return 0x96; }
  uint32_t Size() const override { return payloadLength + pathLength + 3; }
  ActionKind Kind() const override { return ActionKind::Push; }
  std::unique_ptr<ActionRecord> Clone() const override { return std::make_unique<ActionPush>(*this); }

  // Each add inserts the value before the one at the position, or appends when
  // the position is at or past the count, and returns the bytes it adds to the
  // payload; 0 (nothing added) when the payload would outgrow its length field.
  uint32_t AddString(const WideString& text, size_t position = kAppend);
  uint32_t AddFloat(float value, size_t position = kAppend);
  uint32_t AddBoolean(bool value, size_t position = kAppend);
  uint32_t AddDouble(double value, size_t position = kAppend);
  uint32_t AddInteger(int32_t value, size_t position = kAppend);
  // A constant-pool reference. Indexes from 256 on take the two-byte form
  // (as AddConstant16); a negative index is refused.
  uint32_t AddConstant8(int index, size_t position = kAppend);
  uint32_t AddConstant16(int index, size_t position = kAppend);
  uint32_t AddRegister(uint8_t number, size_t position = kAppend);
  uint32_t AddNull(size_t position = kAppend);
  uint32_t AddUndefined(size_t position = kAppend);
  // Removes the value at the position: 1, or 0 when there is none.
  int RemoveValue(size_t position);

  // Bytes a value adds to the payload (type byte included), with texts in textVersion's form.
  uint32_t ValueSize(const PushValue& value) const;

  std::vector<PushValue> values;
  uint32_t payloadLength = 0;  // sum of ValueSize over the values
  // A path that redirects absolute references of string values when written
  // ("/a" becomes the path and "/a", "_root" becomes "_root" and the path); its
  // first character is a placeholder the writer replaces. Empty: inactive.
  std::string targetPath;
  uint16_t pathLength = 0;  // bytes the rewriting adds; set along with the target path
  uint8_t textVersion = kActionDefaultTextVersion;

 private:
  uint32_t Insert(PushValue value, size_t position);
};
