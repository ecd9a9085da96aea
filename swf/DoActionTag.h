// DoAction (tag 12) and the action list it stands for wherever the movie model
// keeps a script (button conditions, clip actions, compiled scripts, every
// script the generator builds); DoInitAction (tag 59).
//
// While a script is built, the list fixes up Jump and If offsets: a Jump or If
// appended with tracking on stays open until EndBranch(), and every action
// appended meanwhile grows the offset of every open branch, so the builder
// never counts bytes itself.
#pragma once

#include <memory>
#include <vector>

#include "swf/ActionRecord.h"
#include "swf/SwfRecord.h"

class ActionBranch;

// The object the readers make for an action code (before it reads its body):
// a class of its own for SetVariable and the operand actions that have one,
// an ActionGeneric for every other code.
std::unique_ptr<ActionRecord> CreateActionForCode(uint8_t code);

// Reads the body of one action whose code byte has just been read. An operand
// action is read inside its declared payload; when its layout does not use the
// payload exactly, the action is kept as an ActionGeneric with its bytes.
// padEnd, when not 0, is the end of the enclosing tag body, for the pad byte
// of GotoFrame2.
std::unique_ptr<ActionRecord> ReadActionBody(SwfReader& reader, uint8_t code, size_t padEnd);

class DoActionTag : public SwfTag {
 public:
  DoActionTag() = default;
  DoActionTag(const DoActionTag&) = delete;
  DoActionTag& operator=(const DoActionTag&) = delete;
  ~DoActionTag() override = default;

  // Reads actions to the end of the enclosing body (the tag, button condition or clip
  // action). An End byte with more bytes after it is kept as an action (code 0) and reading
  // goes on; only the End that closes the body ends the list. A list without that End is
  // written with it. Bytes after an End that do not read as actions are kept as the tail.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override { return WriteActions(writer, true); }
  int TagCode() const override { return kSwfTagDoAction; }
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  // Whether every action keeps its frame number inside its field.
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  // Takes the action and appends it; returns its Size(). With tracking on, its
  // size is added to every open branch, and a Jump or If opens a branch.
  uint32_t AddAction(std::unique_ptr<ActionRecord> action);
  // Closes the innermost open branch (nothing when none is open).
  void EndBranch();
  // Closes the given open branch wherever it stands among the open ones (nothing when it is
  // not open): it lands where the next action is appended.
  void EndBranch(const ActionRecord* branch);
  // Tracking on or off; forgetOpen empties the open branches (the actions stay).
  void SetBranchTracking(bool on, bool forgetOpen);
  bool IsBranchTracking() const { return !trackingOff; }
  size_t OpenBranchCount() const { return openBranches_.size(); }
  // Deletes every action; the flags stay.
  void Clear();
  // Gives the actions away (the list is left empty, the flags stay).
  std::vector<std::unique_ptr<ActionRecord>> TakeActions();

  // The action records and the End byte, after the long tag header unless the
  // list is embedded or withHeader is false. An empty stand-alone tag writes
  // nothing. Offsets and block sizes are written for the bytes as actually
  // written (see ActionOffsetMap).
  size_t WriteActions(SwfBitWriter& writer, bool withHeader);
  // Rebuilds the span of every Jump and If from its stored offset.
  void ComputeBranchSpans();

  const std::vector<std::unique_ptr<ActionRecord>>& Actions() const { return actions_; }
  size_t ActionCount() const { return actions_.size(); }
  ActionRecord* ActionAt(size_t index) const { return actions_[index].get(); }

  bool embedded = false;       // written inside another record: never a tag header
  bool trackingOff = false;    // appending does no branch bookkeeping
  bool dropStop = false;       // Stop actions are left out when written
  bool dropGotoFrame = false;  // a GotoFrame to droppedFrame (and a Play right after it) is left out
  int32_t droppedFrame = 0;
  bool padDetection = true;  // a GotoFrame2 may take a following 0 byte as its pad byte
  // Bytes read after the list's last End that do not read as actions (stray bytes that
  // nothing runs): written as they are after the actions, in place of the closing End.
  std::vector<uint8_t> tail;

 private:
  std::vector<ActionBranch*> openBranches_;  // innermost last; owned by actions_
  std::vector<std::unique_ptr<ActionRecord>> actions_;
};

class DoInitActionTag : public SwfTag {
 public:
  DoInitActionTag() = default;
  explicit DoInitActionTag(uint16_t spriteId) : spriteId(spriteId) {}
  DoInitActionTag(const DoInitActionTag&) = delete;
  DoInitActionTag& operator=(const DoInitActionTag&) = delete;

  // The sprite id, then actions to the end of the body as DoActionTag reads them.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;
  int TagCode() const override { return kSwfTagDoInitAction; }
  // Moves the sprite id; the actions stay as they are.
  void CollectReferences(SwfTagReferences& refs) const override;
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  void AddAction(std::unique_ptr<ActionRecord> action) { actions.push_back(std::move(action)); }

  uint16_t spriteId = 0;
  std::vector<std::unique_ptr<ActionRecord>> actions;
  std::vector<uint8_t> tail;  // as DoActionTag::tail
};
