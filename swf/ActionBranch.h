// Jump and If: a signed byte offset counted from the end of the action.
//
// The action list keeps, for every branch, its span: the actions its offset
// jumps over (forward from the action after it, or backward from the branch
// itself). The span is kept as a count of actions and their byte size; a
// branch never owns them.
#pragma once

#include "swf/ActionRecord.h"

class ActionBranch : public ActionRecord {
 public:
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  uint32_t Size() const override { return 5; }
  uint32_t WriteMapped(SwfBitWriter& writer, const ActionOffsetMap& map) override;

  // Stored offset. Held wider than the 16-bit field so that growing it never
  // wraps; a value outside -32768..32767 cannot be written and is clamped.
  int32_t offset;
  // The span, as last computed by the list (DoActionTag::ComputeBranchSpans).
  uint32_t spanCount = 0;
  uint32_t spanBytes = 0;

  // The offset Write() produces: the stored one, or the span's bytes when it is 0.
  int32_t EffectiveOffset() const { return offset != 0 ? offset : static_cast<int32_t>(spanBytes); }

 protected:
  explicit ActionBranch(int32_t offset) : offset(offset) {}
  // A copy keeps the offset and starts with an empty span.
  ActionBranch(const ActionBranch& other) : ActionRecord(other), offset(other.offset) {}
  ActionBranch& operator=(const ActionBranch&) = default;

 private:
  size_t WriteOffset(SwfBitWriter& writer, int64_t value);
};

class ActionJump : public ActionBranch {
 public:
  explicit ActionJump(int32_t offset = 0) : ActionBranch(offset) {}
  uint8_t ActionCode() const override { return 0x99; }
  ActionKind Kind() const override { return ActionKind::Jump; }
  std::unique_ptr<ActionRecord> Clone() const override { return std::make_unique<ActionJump>(*this); }
};

class ActionIf : public ActionBranch {
 public:
  explicit ActionIf(int32_t offset = 0) : ActionBranch(offset) {}
  uint8_t ActionCode() const override { return 0x9D; }
  ActionKind Kind() const override { return ActionKind::If; }
  std::unique_ptr<ActionRecord> Clone() const override { return std::make_unique<ActionIf>(*this); }
};
