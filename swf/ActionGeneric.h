// An action of any code kept as its bytes: every code the readers have no
// class for, and any action whose body does not fit its own layout. It writes
// back exactly what it read.
#pragma once

#include <vector>

#include "swf/ActionRecord.h"

class ActionGeneric : public ActionRecord {
 public:
  explicit ActionGeneric(uint8_t code) : code_(code) {}
  ActionGeneric(uint8_t code, std::vector<uint8_t> payload);
  ~ActionGeneric() override = default;

  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  uint8_t ActionCode() const override { return code_; }
  uint32_t Size() const override;
  ActionKind Kind() const override { return ActionKind::Generic; }
  std::unique_ptr<ActionRecord> Clone() const override { return std::make_unique<ActionGeneric>(*this); }
  uint32_t WriteMapped(SwfBitWriter& writer, const ActionOffsetMap& map) override;

  const std::vector<uint8_t>& Payload() const { return payload_; }
  uint16_t Length() const { return length_; }

 private:
  std::vector<uint8_t> payload_;
  uint8_t code_;
  uint16_t length_ = 0;  // the payload length as last read
};
