// ConstantPool (0x88): the texts that Push values of types 8 and 9 refer to by index.
#pragma once

#include <vector>

#include "swf/ActionRecord.h"

class ActionConstantPool : public ActionRecord {
 public:
  static constexpr size_t kAppend = static_cast<size_t>(-1);
  // The format counts strings and payload bytes in 16 bits.
  static constexpr size_t kMaxStrings = 0xFFFF;

  ActionConstantPool() = default;

  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  uint8_t ActionCode() const override { return 0x88; }
  uint32_t Size() const override;
  ActionKind Kind() const override { return ActionKind::ConstantPool; }
  std::unique_ptr<ActionRecord> Clone() const override { return std::make_unique<ActionConstantPool>(*this); }

  // Adds the text unless it is present (exact comparison), before the string at
  // the position or appended. Returns the text's index, or -1 when the pool
  // cannot take another string (its count or payload would outgrow 16 bits).
  int AddString(const WideString& text, size_t position = kAppend);
  // Index of the first string equal to the text (exact, case-sensitive), or -1.
  int IndexOf(const WideString& text) const;
  // Copies the string at the index; false when there is none (an empty pool, an
  // index past the end).
  bool GetString(size_t index, WideString& text) const;

  std::vector<WideString> strings;
  // Redirects the exact text "_root" when written ("_root" and the path, its
  // first character a placeholder replaced by '.'). Empty: inactive.
  WideString targetPath;
  uint8_t textVersion = kActionDefaultTextVersion;
};
