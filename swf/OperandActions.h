// The actions with operands (code 0x80 and above), except Jump and If
// (swf/ActionBranch.h) and Push and ConstantPool.
//
// Each reads its body after the code byte: the u16 length, then its operands
// by its layout. The action-list readers hand each one exactly its declared
// payload and keep the bytes as an ActionGeneric when the layout does not use
// the whole payload. Texts are counted in the string form of textVersion (the
// version of the movie they were read from, or UTF-8 for built actions); the
// length fields written always count the bytes actually written.
#pragma once

#include <utility>
#include <vector>

#include "swf/ActionRecord.h"

class ActionGotoFrame : public ActionRecord {
 public:
  explicit ActionGotoFrame(uint16_t frame = 0) : frame(frame) {}
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  uint8_t ActionCode() const override { return 0x81; }
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;
  uint32_t Size() const override { return 5; }
  ActionKind Kind() const override { return ActionKind::GotoFrame; }
  std::unique_ptr<ActionRecord> Clone() const override { return std::make_unique<ActionGotoFrame>(*this); }

  uint16_t frame;
};

class ActionGetUrl : public ActionRecord {
 public:
  ActionGetUrl() = default;
  ActionGetUrl(WideString url, WideString target) : url(std::move(url)), target(std::move(target)) {}
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  uint8_t ActionCode() const override { return 0x83; }
  uint32_t Size() const override;
  ActionKind Kind() const override { return ActionKind::GetUrl; }
  std::unique_ptr<ActionRecord> Clone() const override { return std::make_unique<ActionGetUrl>(*this); }

  WideString url;
  WideString target;
  uint8_t textVersion = kActionDefaultTextVersion;
};

class ActionStoreRegister : public ActionRecord {
 public:
  explicit ActionStoreRegister(uint8_t reg = 0) : registerNumber(reg) {}
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  uint8_t ActionCode() const override { return 0x87; }
  uint32_t Size() const override { return 4; }
  ActionKind Kind() const override { return ActionKind::StoreRegister; }
  std::unique_ptr<ActionRecord> Clone() const override { return std::make_unique<ActionStoreRegister>(*this); }

  uint8_t registerNumber;
};

class ActionWaitForFrame : public ActionRecord {
 public:
  explicit ActionWaitForFrame(uint16_t frame = 0, uint8_t skipCount = 0) : frame(frame), skipCount(skipCount) {}
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  uint8_t ActionCode() const override { return 0x8A; }
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;
  uint32_t Size() const override { return 6; }
  ActionKind Kind() const override { return ActionKind::WaitForFrame; }
  std::unique_ptr<ActionRecord> Clone() const override { return std::make_unique<ActionWaitForFrame>(*this); }

  uint16_t frame;
  uint8_t skipCount;
};

class ActionSetTarget : public ActionRecord {
 public:
  ActionSetTarget() = default;
  explicit ActionSetTarget(WideString target) : target(std::move(target)) {}
  // A copy keeps the target and starts without a path prefix.
  ActionSetTarget(const ActionSetTarget& other)
      : ActionRecord(other), target(other.target), textVersion(other.textVersion) {}
  ActionSetTarget& operator=(const ActionSetTarget&) = default;
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  uint8_t ActionCode() const override { return 0x8B; }
  uint32_t Size() const override;
  ActionKind Kind() const override { return ActionKind::SetTarget; }
  std::unique_ptr<ActionRecord> Clone() const override { return std::make_unique<ActionSetTarget>(*this); }

  WideString target;
  // Written right before the target, without a separator: redirects the target
  // (for instance into the clip a movie is loaded into). Empty unless set.
  WideString pathPrefix;
  uint8_t textVersion = kActionDefaultTextVersion;
};

class ActionGoToLabel : public ActionRecord {
 public:
  ActionGoToLabel() = default;
  explicit ActionGoToLabel(WideString label) : label(std::move(label)) {}
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  uint8_t ActionCode() const override { return 0x8C; }
  uint32_t Size() const override;
  ActionKind Kind() const override { return ActionKind::GoToLabel; }
  std::unique_ptr<ActionRecord> Clone() const override { return std::make_unique<ActionGoToLabel>(*this); }

  WideString label;
  uint8_t textVersion = kActionDefaultTextVersion;
};

class ActionWaitForFrame2 : public ActionRecord {
 public:
  explicit ActionWaitForFrame2(uint8_t skipCount = 0) : skipCount(skipCount) {}
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  uint8_t ActionCode() const override { return 0x8D; }
  uint32_t Size() const override { return 4; }
  ActionKind Kind() const override { return ActionKind::WaitForFrame2; }
  std::unique_ptr<ActionRecord> Clone() const override { return std::make_unique<ActionWaitForFrame2>(*this); }

  uint8_t skipCount;
};

// With: the block of blockSize bytes of actions after it runs with the object
// on the stack as scope.
class ActionWith : public ActionRecord {
 public:
  ActionWith() = default;
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  uint8_t ActionCode() const override { return 0x94; }
  uint32_t Size() const override;
  ActionKind Kind() const override { return ActionKind::With; }
  std::unique_ptr<ActionRecord> Clone() const override { return std::make_unique<ActionWith>(*this); }
  uint32_t WriteMapped(SwfBitWriter& writer, const ActionOffsetMap& map) override;

  uint16_t blockSize = 0;
  WideString name;
  uint8_t textVersion = kActionDefaultTextVersion;

 private:
  size_t WriteWithBlockSize(SwfBitWriter& writer, uint16_t size);
};

class ActionGetUrl2 : public ActionRecord {
 public:
  explicit ActionGetUrl2(uint8_t flags = 0) : flags(flags) {}
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  uint8_t ActionCode() const override { return 0x9A; }
  uint32_t Size() const override { return 4; }
  ActionKind Kind() const override { return ActionKind::GetUrl2; }
  std::unique_ptr<ActionRecord> Clone() const override { return std::make_unique<ActionGetUrl2>(*this); }

  uint8_t flags;  // send-vars method in bits 0-1, load target 0x40, load variables 0x80
};

// DefineFunction: codeSize bytes of actions after it form the function body.
class ActionDefineFunction : public ActionRecord {
 public:
  explicit ActionDefineFunction(WideString name = WideString()) : name(std::move(name)) {}
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  uint8_t ActionCode() const override { return 0x9B; }
  uint32_t Size() const override;
  ActionKind Kind() const override { return ActionKind::DefineFunction; }
  std::unique_ptr<ActionRecord> Clone() const override { return std::make_unique<ActionDefineFunction>(*this); }
  uint32_t WriteMapped(SwfBitWriter& writer, const ActionOffsetMap& map) override;

  WideString name;
  std::vector<WideString> parameters;
  uint16_t codeSize = 0;
  uint8_t textVersion = kActionDefaultTextVersion;

 private:
  size_t WriteWithCodeSize(SwfBitWriter& writer, uint16_t size);
};

class ActionGotoFrame2 : public ActionRecord {
 public:
  static constexpr uint8_t kPlay = 0x01;
  static constexpr uint8_t kSceneBias = 0x02;

  explicit ActionGotoFrame2(uint8_t flags = 0) : flags(flags) {}
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  uint8_t ActionCode() const override { return 0x9F; }
  uint32_t Size() const override;
  ActionKind Kind() const override { return ActionKind::GotoFrame2; }
  std::unique_ptr<ActionRecord> Clone() const override { return std::make_unique<ActionGotoFrame2>(*this); }

  // Takes a 0 byte that follows the action inside its tag body as its pad
  // byte, unless that byte is the last one of the body (the list's End):
  // the byte is written back right after the action, outside its length.
  // Needs endOfEnclosingData; returns true when the byte was taken.
  bool ReadPadByte(SwfReader& reader);

  uint8_t flags;
  uint16_t sceneBias = 0;
  size_t endOfEnclosingData = 0;  // reader position of the end of the tag body; 0 = not given
  bool padByte = false;
};
