#include "swf/DoActionTag.h"

#include <algorithm>

#include "swf/ActionBranch.h"
#include "swf/ActionConstantPool.h"
#include "swf/ActionGeneric.h"
#include "swf/ActionPush.h"
#include "swf/OperandActions.h"
#include "swf/SimpleActions.h"
#include "swf/SwfBitWriter.h"
#include "swf/SwfReader.h"
#include "swf/SwfRelocation.h"

std::unique_ptr<ActionRecord> CreateActionForCode(uint8_t code) {
  switch (code) {
    case 0x1D: return std::make_unique<ActionSetVariable>();
    case 0x81: return std::make_unique<ActionGotoFrame>();
    case 0x83: return std::make_unique<ActionGetUrl>();
    case 0x87: return std::make_unique<ActionStoreRegister>();
    case 0x88: return std::make_unique<ActionConstantPool>();
    case 0x8A: return std::make_unique<ActionWaitForFrame>();
    case 0x8B: return std::make_unique<ActionSetTarget>();
    case 0x8C: return std::make_unique<ActionGoToLabel>();
    case 0x8D: return std::make_unique<ActionWaitForFrame2>();
    case 0x94: return std::make_unique<ActionWith>();
    case 0x96: return std::make_unique<ActionPush>();
    case 0x99: return std::make_unique<ActionJump>();
    case 0x9A: return std::make_unique<ActionGetUrl2>();
    case 0x9D: return std::make_unique<ActionIf>();
    case 0x9F: return std::make_unique<ActionGotoFrame2>();
    default: return std::make_unique<ActionGeneric>(code);
  }
}

std::unique_ptr<ActionRecord> ReadActionBody(SwfReader& reader, uint8_t code, size_t padEnd) {
  std::unique_ptr<ActionRecord> action = CreateActionForCode(code);
  if (code < 0x80 || action->Kind() == ActionKind::Generic) {
    action->Read(reader);
    return action;
  }
  const size_t start = reader.GetPosition();
  if (reader.GetRemaining() >= 2) {
    const SwfBytes& data = reader.GetData();
    const size_t declared = 2 + static_cast<size_t>(data[start] | (data[start + 1] << 8));
    bool fits = false;
    {
      SwfReaderRange range(reader, declared, SwfReaderRange::Overrun::Contain);
      const size_t consumed = action->Read(reader);
      fits = !range.Truncated() && consumed == declared && !range.Overran();
    }
    if (fits) {
      if (padEnd != 0 && action->Kind() == ActionKind::GotoFrame2) {
        auto* gotoFrame2 = static_cast<ActionGotoFrame2*>(action.get());
        gotoFrame2->endOfEnclosingData = padEnd;
        gotoFrame2->ReadPadByte(reader);
      }
      return action;
    }
    reader.Seek(start);
  }
  // The bytes do not fit the action's layout: keep them as they are.
  auto generic = std::make_unique<ActionGeneric>(code);
  generic->Read(reader);
  return generic;
}

namespace {

// Reads actions from the reader's position to the end of its range (the enclosing body).
// The End that closes the body ends the list and is not kept. An End with bytes after it is
// kept as an action (code 0) and reading goes on, since the code after it (a function body,
// a try block, the target of a jump) runs. When the bytes after such an End do not read as
// actions, they are returned as they are (the list's tail) and the actions read from them
// are dropped.
std::vector<uint8_t> ReadActionsToBodyEnd(SwfReader& reader, size_t padEnd,
                                          std::vector<std::unique_ptr<ActionRecord>>& out) {
  const bool overrunBefore = reader.HasOverrun();
  size_t afterEnd = 0;  // position after the last End met inside the body, 0 before
  size_t keep = 0;      // actions up to that End
  while (reader.GetRemaining() > 0) {
    const uint8_t code = reader.ReadU8();
    if (code == 0 && reader.GetRemaining() == 0) break;
    out.push_back(ReadActionBody(reader, code, padEnd));
    if (code == 0) {
      afterEnd = reader.GetPosition();
      keep = out.size();
    }
    if (!overrunBefore && reader.HasOverrun() && afterEnd != 0) {
      out.resize(keep);
      reader.SetOverrun(false);
      const SwfBytes& data = reader.GetData();
      std::vector<uint8_t> tail(data.begin() + static_cast<std::ptrdiff_t>(afterEnd),
                                data.begin() + static_cast<std::ptrdiff_t>(reader.GetRangeEnd()));
      reader.Seek(reader.GetRangeEnd());
      return tail;
    }
  }
  return {};
}

// Distances counted in Size() units from the end of one action, mapped to the
// bytes actually written.
class ListOffsetMap : public ActionOffsetMap {
 public:
  ListOffsetMap(const std::vector<int64_t>& nominal, const std::vector<int64_t>& actual)
      : nominal_(nominal), actual_(actual) {}
  void SetAction(size_t index) { index_ = index; }

  bool Map(int64_t distance, int64_t& mapped) const override {
    const int64_t target = nominal_[index_ + 1] + distance;
    auto it = std::lower_bound(nominal_.begin(), nominal_.end(), target);
    if (it == nominal_.end() || *it != target) return false;
    // Several boundaries share a nominal position only after an action of size 0.
    const size_t k = static_cast<size_t>(it - nominal_.begin());
    mapped = actual_[k] - actual_[index_ + 1];
    return true;
  }

 private:
  const std::vector<int64_t>& nominal_;
  const std::vector<int64_t>& actual_;
  size_t index_ = 0;
};

// Writes the actions for which keep is true into body. When an action's bytes
// differ from its Size() (a text encoded longer, an action left out), branch
// offsets and block sizes are written again for the bytes actually written.
void WriteActionSequence(const std::vector<std::unique_ptr<ActionRecord>>& actions, const std::vector<bool>& keep,
                         SwfBitWriter& body) {
  const size_t n = actions.size();
  std::vector<int64_t> nominal(n + 1, 0);
  std::vector<int64_t> actual(n + 1, 0);
  SwfBitWriter first(body.GetVersion());
  bool exact = true;
  for (size_t i = 0; i < n; ++i) {
    const int64_t size = actions[i]->Size();
    int64_t written = 0;
    if (keep[i]) {
      const size_t before = first.GetByteCount();
      actions[i]->Write(first);
      written = static_cast<int64_t>(first.GetByteCount() - before);
    }
    nominal[i + 1] = nominal[i] + size;
    actual[i + 1] = actual[i] + written;
    exact = exact && written == size;
  }
  if (exact) {
    body.Append(first);
    return;
  }
  ListOffsetMap map(nominal, actual);
  for (size_t i = 0; i < n; ++i) {
    if (!keep[i]) continue;
    map.SetAction(i);
    actions[i]->WriteMapped(body, map);
  }
}

// The End that closes a list, or the tail read after its last End in its stead.
void WriteClosing(SwfBitWriter& writer, const std::vector<uint8_t>& tail) {
  if (tail.empty()) {
    writer.WriteU8(0);
  } else {
    writer.WriteBytes(tail);
  }
}

}  // namespace

// --- DoActionTag -------------------------------------------------------------

uint32_t DoActionTag::AddAction(std::unique_ptr<ActionRecord> action) {
  const uint32_t size = action->Size();
  if (!trackingOff) {
    // Every open branch spans the new action, not only the innermost one.
    for (ActionBranch* branch : openBranches_) branch->offset += static_cast<int32_t>(size);
    if (action->IsBranch()) openBranches_.push_back(static_cast<ActionBranch*>(action.get()));
  }
  actions_.push_back(std::move(action));
  return size;
}

void DoActionTag::EndBranch() {
  if (!openBranches_.empty()) openBranches_.pop_back();
  ComputeBranchSpans();
}

void DoActionTag::EndBranch(const ActionRecord* branch) {
  const auto it = std::find(openBranches_.begin(), openBranches_.end(), branch);
  if (it == openBranches_.end()) return;
  openBranches_.erase(it);
  ComputeBranchSpans();
}

void DoActionTag::SetBranchTracking(bool on, bool forgetOpen) {
  trackingOff = !on;
  if (forgetOpen) openBranches_.clear();
}

void DoActionTag::Clear() {
  openBranches_.clear();
  actions_.clear();
  tail.clear();
}

std::vector<std::unique_ptr<ActionRecord>> DoActionTag::TakeActions() {
  openBranches_.clear();
  tail.clear();
  return std::move(actions_);
}

void DoActionTag::ComputeBranchSpans() {
  const size_t n = actions_.size();
  // prefix[k]: the bytes of the actions before index k.
  std::vector<int64_t> prefix(n + 1, 0);
  for (size_t i = 0; i < n; ++i) prefix[i + 1] = prefix[i] + actions_[i]->Size();
  for (size_t i = 0; i < n; ++i) {
    if (!actions_[i]->IsBranch()) continue;
    auto* branch = static_cast<ActionBranch*>(actions_[i].get());
    branch->spanCount = 0;
    branch->spanBytes = 0;
    const int64_t off = branch->offset;
    if (off > 0) {
      // Forward from the action after the branch, until the offset is covered.
      auto first = prefix.begin() + static_cast<std::ptrdiff_t>(i + 1);
      auto it = std::lower_bound(first, prefix.end(), prefix[i + 1] + off);
      const size_t k = it == prefix.end() ? n : static_cast<size_t>(it - prefix.begin());
      branch->spanCount = static_cast<uint32_t>(k - (i + 1));
      branch->spanBytes = static_cast<uint32_t>(prefix[k] - prefix[i + 1]);
    } else if (off < 0) {
      // Backward from the branch itself: its own bytes count.
      const int64_t want = prefix[i + 1] + off;  // covered once prefix[k] <= want
      auto it = std::upper_bound(prefix.begin(), prefix.begin() + static_cast<std::ptrdiff_t>(i + 1), want);
      const size_t k = it == prefix.begin() ? 0 : static_cast<size_t>(it - prefix.begin()) - 1;
      branch->spanCount = static_cast<uint32_t>(i + 1 - k);
      branch->spanBytes = static_cast<uint32_t>(prefix[i + 1] - prefix[k]);
    }
  }
}

size_t DoActionTag::Read(SwfReader& reader) {
  trackingOff = true;
  const size_t start = reader.GetPosition();
  const size_t end = reader.GetRangeEnd();
  std::vector<std::unique_ptr<ActionRecord>> read;
  tail = ReadActionsToBodyEnd(reader, padDetection ? end : 0, read);
  for (auto& action : read) AddAction(std::move(action));
  trackingOff = false;
  ComputeBranchSpans();
  return reader.GetPosition() - start;
}

size_t DoActionTag::WriteActions(SwfBitWriter& writer, bool withHeader) {
  if (actions_.empty()) {
    if (embedded || !withHeader) {
      writer.WriteU8(0);
      return 1;
    }
    return 0;
  }
  const size_t before = writer.GetByteCount();
  std::vector<bool> keep(actions_.size(), true);
  for (size_t i = 0; i < actions_.size(); ++i) {
    const ActionRecord& a = *actions_[i];
    if (dropStop && a.ActionCode() == 0x07) keep[i] = false;
    if (dropGotoFrame && a.Kind() == ActionKind::GotoFrame &&
        static_cast<const ActionGotoFrame&>(a).frame == droppedFrame) {
      keep[i] = false;
      if (i + 1 < actions_.size() && actions_[i + 1]->ActionCode() == 0x06) keep[i + 1] = false;
    }
  }
  SwfBitWriter body(writer.GetVersion());
  WriteActionSequence(actions_, keep, body);
  const size_t closing = tail.empty() ? 1 : tail.size();
  if (!embedded && withHeader) WriteTagHeader(*this, writer, body.GetByteCount() + closing, true);
  writer.Append(body);
  WriteClosing(writer, tail);
  return writer.GetByteCount() - before;
}

void DoActionTag::Relocate(int idDelta, int depthDelta, int frameDelta) {
  for (auto& action : actions_) action->Relocate(idDelta, depthDelta, frameDelta);
}

bool DoActionTag::CanRelocate(int idDelta, int depthDelta, int frameDelta) const {
  return std::all_of(actions_.begin(), actions_.end(), [&](const std::unique_ptr<ActionRecord>& action) {
    return action->CanRelocate(idDelta, depthDelta, frameDelta);
  });
}

// --- DoInitActionTag ---------------------------------------------------------

size_t DoInitActionTag::Read(SwfReader& reader) {
  const size_t start = reader.GetPosition();
  spriteId = reader.ReadU16();
  tail = ReadActionsToBodyEnd(reader, 0, actions);
  return reader.GetPosition() - start;
}

size_t DoInitActionTag::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  SwfBitWriter body(writer.GetVersion());
  body.WriteU16(spriteId);
  WriteActionSequence(actions, std::vector<bool>(actions.size(), true), body);
  WriteTagHeader(*this, writer, body.GetByteCount() + (tail.empty() ? 1 : tail.size()), true);
  writer.Append(body);
  WriteClosing(writer, tail);
  return writer.GetByteCount() - before;
}

void DoInitActionTag::Relocate(int idDelta, int, int) { spriteId = static_cast<uint16_t>(spriteId + idDelta); }

bool DoInitActionTag::CanRelocate(int idDelta, int, int) const { return SwfU16Fits(spriteId, idDelta); }

void DoInitActionTag::CollectReferences(SwfTagReferences& refs) const { refs.ids.push_back(spriteId); }
