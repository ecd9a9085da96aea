#include "tests/support/AvmVerifier.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <set>

#include "tests/support/ActionDecoder.h"

namespace avmverify {
namespace {

std::string Hex(size_t v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%zX", v);
  return buf;
}

std::string CodeName(uint8_t code) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", code);
  return buf;
}

// Bounded reads inside one action's payload.
using Cursor = actiondecode::Cursor;

// One value as the stack analysis sees it.
enum class SlotKind : uint8_t {
  Unknown,
  Number,       // a literal whose integer value is known (arity counts, StartDrag's constraint)
  Null,         // a pushed null
  Enumeration,  // what Enumerate left: any number of names, then a null
  Name,         // a name taken from an enumeration (only ever popped, never stored)
  EndTest,      // the result of comparing such a name with null
};

struct Slot {
  SlotKind kind = SlotKind::Unknown;
  int64_t value = 0;        // Number: the value; Name and EndTest: the enumeration's stack index
  bool endWhenTrue = true;  // EndTest: whether a true result means the enumeration is done

  // Whether the slot is an ordinary value; what is known about it (a literal, a null) is a
  // fact about one path, and paths that join with different values still bring the same stack.
  bool IsValue() const {
    return kind == SlotKind::Unknown || kind == SlotKind::Number || kind == SlotKind::Null || kind == SlotKind::Name;
  }

  bool operator==(const Slot& o) const {
    if (IsValue() && o.IsValue()) return true;
    if (kind != o.kind) return false;
    if (kind == SlotKind::EndTest) return value == o.value && endWhenTrue == o.endWhenTrue;
    return true;
  }
};

using Stack = std::vector<Slot>;

// A Push operand as decoded.
struct PushValue {
  uint8_t type = 0;
  std::optional<int64_t> number;  // integer value when the literal is a whole number
  uint32_t poolIndex = 0;         // types 8 and 9
};

struct Action {
  size_t offset = 0;
  uint8_t code = 0;
  size_t payload = 0;  // offset of the payload
  size_t length = 0;   // payload length
  size_t size = 1;
  int block = 0;
  // Decoded operands.
  std::vector<PushValue> pushes;
  int branch = 0;          // Jump and If: the signed offset
  int skip = 0;            // WaitForFrame, WaitForFrame2: actions to skip
  size_t bodySize = 0;     // DefineFunction(2), With: the size of the following block
  bool anonymous = false;  // DefineFunction(2) with an empty name pushes the function
  uint32_t poolCount = 0;  // ConstantPool
  size_t trySize = 0, catchSize = 0, finallySize = 0;
  bool hasCatch = false;
  bool decodedOk = true;
};

// A code block: the whole list, or one function body.
struct CodeBlock {
  size_t begin = 0;
  size_t end = 0;
};

class Verifier {
 public:
  Verifier(const uint8_t* data, size_t size, const VerifyOptions& options)
      : data_(data), size_(size), options_(options) {}

  VerifyResult Run() {
    Decode();
    if (decodeFailed_) return Finish();
    CheckStructure();
    if (options_.checkStack) CheckStack();
    return Finish();
  }

 private:
  void Problem(const std::string& text) {
    if (problemTexts_.insert(text).second) result_.problems.push_back(text);
  }

  VerifyResult Finish() {
    for (const Action& a : actions_) {
      VerifiedAction v;
      v.offset = a.offset;
      v.code = a.code;
      v.size = a.size;
      v.block = a.block;
      auto it = depthAt_.find(a.offset);
      if (it != depthAt_.end()) v.depthBefore = it->second;
      result_.actions.push_back(v);
    }
    return std::move(result_);
  }

  // ---- Decoding --------------------------------------------------------------------------

  void Decode() {
    // Open function bodies, innermost last: the index of the block and its end.
    std::vector<std::pair<int, size_t>> open;
    blocks_.push_back({0, size_});
    size_t p = 0;
    while (p < size_) {
      while (!open.empty() && open.back().second <= p) {
        if (open.back().second < p) {
          Problem("the body of the function at block " + std::to_string(open.back().first) + " ends at " +
                  Hex(open.back().second) + ", inside the action at " + Hex(p - 1));
        }
        open.pop_back();
      }
      Action a;
      a.offset = p;
      a.code = data_[p];
      a.block = open.empty() ? 0 : open.back().first;
      actiondecode::Record record;
      const actiondecode::RecordStatus status = actiondecode::ReadRecord(data_, size_, p, record);
      if (status == actiondecode::RecordStatus::kNoRoomForLength) {
        Problem("the action " + CodeName(a.code) + " at " + Hex(p) + " has no room for its length");
        decodeFailed_ = true;
        return;
      }
      if (a.code >= 0x80) {
        a.length = record.length;
        a.payload = record.payload;
        a.size = record.size;
      }
      if (status == actiondecode::RecordStatus::kPayloadPastEnd) {
        Problem("the action " + CodeName(a.code) + " at " + Hex(p) + " declares " + std::to_string(a.length) +
                " bytes, past the end of the block");
        decodeFailed_ = true;
        return;
      }
      indexAt_[p] = actions_.size();
      DecodeOperands(a);
      if ((a.code == 0x9B || a.code == 0x8E) && a.decodedOk) {
        size_t bodyBegin = p + a.size;
        size_t bodyEnd = bodyBegin + a.bodySize;
        size_t outerEnd = open.empty() ? size_ : open.back().second;
        if (bodyEnd > outerEnd) {
          Problem("the function at " + Hex(p) + " declares a body of " + std::to_string(a.bodySize) +
                  " bytes, past the end of its block at " + Hex(outerEnd));
          decodeFailed_ = true;
          actions_.push_back(a);
          return;
        }
        int index = static_cast<int>(blocks_.size());
        blocks_.push_back({bodyBegin, bodyEnd});
        if (a.bodySize > 0) open.emplace_back(index, bodyEnd);
      }
      actions_.push_back(a);
      p += a.size;
    }
    while (!open.empty()) {
      if (open.back().second != size_) {
        Problem("the body of a function ends at " + Hex(open.back().second) + ", inside an action");
      }
      open.pop_back();
    }
  }

  void DecodeOperands(Action& a) {
    Cursor c{data_ + a.payload, a.length};
    bool exact = true;  // operands must fill the payload exactly
    switch (a.code) {
      case 0x96: {  // Push
        while (c.pos < c.n && !c.bad) {
          actiondecode::PushValue read;
          if (!actiondecode::ReadPushValue(c, read)) {
            if (!c.bad) {
              Problem("the Push at " + Hex(a.offset) + " has a value of unknown type " + std::to_string(read.type));
              c.bad = true;
            }
            break;
          }
          PushValue v;
          v.type = read.type;
          switch (read.type) {
            case actiondecode::kPushFloat:
            case actiondecode::kPushBoolean:
            case actiondecode::kPushDouble:
            case actiondecode::kPushInteger:
              if (std::isfinite(read.number) && read.number == std::floor(read.number) &&
                  std::fabs(read.number) < 1e15) {
                v.number = static_cast<int64_t>(read.number);
              }
              break;
            case actiondecode::kPushConstant8:
            case actiondecode::kPushConstant16: v.poolIndex = read.index; break;
            default: break;
          }
          a.pushes.push_back(v);
        }
        if (a.length == 0) Problem("the Push at " + Hex(a.offset) + " pushes nothing");
        break;
      }
      case 0x88: {  // ConstantPool
        a.poolCount = c.U16();
        for (uint32_t i = 0; i < a.poolCount && !c.bad; ++i) c.String();
        break;
      }
      case 0x99:  // Jump
      case 0x9D:  // If
        a.branch = static_cast<int16_t>(c.U16());
        break;
      case 0x8A:  // WaitForFrame: frame, skip count
        c.U16();
        a.skip = c.U8();
        break;
      case 0x8D:  // WaitForFrame2: skip count
        a.skip = c.U8();
        break;
      case 0x9B: {  // DefineFunction
        size_t nameStart = c.pos;
        c.String();
        a.anonymous = !c.bad && c.pos == nameStart + 1;
        uint16_t params = c.U16();
        for (uint32_t i = 0; i < params && !c.bad; ++i) c.String();
        a.bodySize = c.U16();
        break;
      }
      case 0x8E: {  // DefineFunction2
        size_t nameStart = c.pos;
        c.String();
        a.anonymous = !c.bad && c.pos == nameStart + 1;
        uint16_t params = c.U16();
        c.U8();   // register count
        c.U16();  // flags
        for (uint32_t i = 0; i < params && !c.bad; ++i) {
          c.U8();
          c.String();
        }
        a.bodySize = c.U16();
        break;
      }
      case 0x94:  // With
        a.bodySize = c.U16();
        break;
      case 0x8F: {  // Try
        uint8_t flags = c.U8();
        a.trySize = c.U16();
        a.catchSize = c.U16();
        a.finallySize = c.U16();
        a.hasCatch = (flags & 1) != 0;
        if (flags & 4) {
          c.U8();
        } else {
          c.String();
        }
        break;
      }
      default:
        exact = false;  // other operands are not needed here
        break;
    }
    if (c.bad) {
      Problem("the operands of " + CodeName(a.code) + " at " + Hex(a.offset) + " do not fit its length of " +
              std::to_string(a.length));
      a.decodedOk = false;
    } else if (exact && c.pos != c.n) {
      Problem("the operands of " + CodeName(a.code) + " at " + Hex(a.offset) + " leave " + std::to_string(c.n - c.pos) +
              " of its " + std::to_string(a.length) + " bytes unused");
      a.decodedOk = false;
    }
  }

  // ---- Structure -------------------------------------------------------------------------

  // Whether offset is an action boundary of the given code block, or that block's end.
  bool IsBoundaryOf(size_t offset, int block) const {
    const CodeBlock& b = blocks_[static_cast<size_t>(block)];
    if (offset == b.end) return true;
    if (offset < b.begin || offset > b.end) return false;
    auto it = indexAt_.find(offset);
    return it != indexAt_.end() && actions_[it->second].block == block;
  }

  std::optional<size_t> BranchTarget(const Action& a) const {
    int64_t target = static_cast<int64_t>(a.offset + a.size) + a.branch;
    if (target < 0) return std::nullopt;
    return static_cast<size_t>(target);
  }

  // The offset after skipping n actions that follow the action at index i, within its block.
  std::optional<size_t> SkipTarget(size_t i, int n) const {
    size_t j = i;
    for (int k = 0; k <= n; ++k) {
      size_t next = NextInBlock(j);
      if (k == n) return next;
      auto it = indexAt_.find(next);
      if (it == indexAt_.end() || actions_[it->second].block != actions_[i].block) {
        return std::nullopt;  // ran off the block
      }
      j = it->second;
    }
    return std::nullopt;
  }

  // The offset of the action that follows action i in its own code block (function bodies
  // are stepped over).
  size_t NextInBlock(size_t i) const {
    const Action& a = actions_[i];
    size_t next = a.offset + a.size;
    if ((a.code == 0x9B || a.code == 0x8E) && a.decodedOk) next += a.bodySize;
    return next;
  }

  void CheckStructure() {
    uint32_t poolCount = 0;
    bool havePool = false;
    for (size_t i = 0; i < actions_.size(); ++i) {
      const Action& a = actions_[i];
      const CodeBlock& block = blocks_[static_cast<size_t>(a.block)];
      if (a.code == 0x00) {
        bool last = a.offset + 1 == size_;
        if (!last) {
          Problem("an End action sits inside the list at " + Hex(a.offset));
        } else if (options_.finalEnd == FinalEnd::Refused) {
          Problem("the block ends with an End action at " + Hex(a.offset));
        }
      }
      if (!a.decodedOk) continue;
      if (a.code == 0x88) {
        poolCount = a.poolCount;
        havePool = true;
      }
      if (a.code == 0x96) {
        for (const PushValue& v : a.pushes) {
          if (v.type != 8 && v.type != 9) continue;
          if (!havePool) {
            Problem("the Push at " + Hex(a.offset) + " uses constant " + std::to_string(v.poolIndex) +
                    " with no constant pool before it");
          } else if (v.poolIndex >= poolCount) {
            Problem("the Push at " + Hex(a.offset) + " uses constant " + std::to_string(v.poolIndex) +
                    " of a pool of " + std::to_string(poolCount));
          }
        }
      }
      if (a.code == 0x99 || a.code == 0x9D) {
        std::optional<size_t> target = BranchTarget(a);
        if (!target || !IsBoundaryOf(*target, a.block)) {
          std::string where = target ? Hex(*target) : std::string("before the block");
          Problem(std::string(a.code == 0x99 ? "the Jump" : "the If") + " at " + Hex(a.offset) + " lands at " + where +
                  ", not on an action of its block [" + Hex(block.begin) + ", " + Hex(block.end) + ")");
        }
      }
      if (a.code == 0x8A || a.code == 0x8D) {
        if (!SkipTarget(i, a.skip)) {
          Problem("the WaitForFrame at " + Hex(a.offset) + " skips " + std::to_string(a.skip) +
                  " actions, past the end of its block");
        }
      }
      if (a.code == 0x94) {
        size_t end = a.offset + a.size + a.bodySize;
        if (!IsBoundaryOf(end, a.block)) {
          Problem("the With at " + Hex(a.offset) + " ends its block at " + Hex(end) +
                  ", not on an action of its block");
        }
      }
      if (a.code == 0x8F) {
        size_t p = a.offset + a.size;
        for (size_t part : {a.trySize, a.catchSize, a.finallySize}) {
          p += part;
          if (!IsBoundaryOf(p, a.block)) {
            Problem("the Try at " + Hex(a.offset) + " has a block ending at " + Hex(p) +
                    ", not on an action of its block");
            break;
          }
        }
      }
    }
    if (options_.finalEnd == FinalEnd::Required &&
        (actions_.empty() || actions_.back().code != 0x00 || actions_.back().offset + 1 != size_)) {
      Problem("the block does not end with an End action");
    }
    for (const StatementSpan& s : options_.statements) {
      std::optional<int> b = BlockOfBoundary(s.begin);
      std::optional<int> e = BlockOfBoundary(s.end);
      if (s.end < s.begin || !b || !e || *b != *e || !IsBoundaryOf(s.end, *b)) {
        Problem("the statement [" + Hex(s.begin) + ", " + Hex(s.end) +
                ") does not lie on the actions of one code block");
        continue;
      }
      spans_.push_back({s, *b});
    }
  }

  std::optional<int> BlockOfBoundary(size_t offset) const {
    auto it = indexAt_.find(offset);
    if (it != indexAt_.end()) return actions_[it->second].block;
    if (offset == size_) return 0;
    // The end of a function body that is not followed by an action of it.
    for (size_t b = 1; b < blocks_.size(); ++b) {
      if (blocks_[b].end == offset) return static_cast<int>(b);
    }
    return std::nullopt;
  }

  // ---- Stack -----------------------------------------------------------------------------

  // A point where paths join and whose stack is kept: branch targets, statement ends, the
  // starts of code blocks and of catch blocks, and block ends.
  struct JoinKey {
    int block;
    size_t offset;
    bool operator<(const JoinKey& o) const { return block != o.block ? block < o.block : offset < o.offset; }
  };

  void CheckStack() {
    for (size_t b = 0; b < blocks_.size(); ++b) {
      joins_.insert({static_cast<int>(b), blocks_[b].begin});
      joins_.insert({static_cast<int>(b), blocks_[b].end});
    }
    for (size_t i = 0; i < actions_.size(); ++i) {
      const Action& a = actions_[i];
      if (!a.decodedOk) continue;
      if (a.code == 0x99 || a.code == 0x9D) {
        std::optional<size_t> t = BranchTarget(a);
        if (t && IsBoundaryOf(*t, a.block)) joins_.insert({a.block, *t});
      }
      if (a.code == 0x8A || a.code == 0x8D) {
        std::optional<size_t> t = SkipTarget(i, a.skip);
        if (t) joins_.insert({a.block, *t});
      }
      if (a.code == 0x8F) {
        joins_.insert({a.block, a.offset + a.size + a.trySize});
        joins_.insert({a.block, a.offset + a.size + a.trySize + a.catchSize});
      }
    }
    for (const auto& [span, block] : spans_) {
      joins_.insert({block, span.begin});
      joins_.insert({block, span.end});
    }

    for (size_t b = 0; b < blocks_.size(); ++b) {
      Arrive({static_cast<int>(b), blocks_[b].begin}, Stack{}, blocks_[b].begin);
    }
    while (!work_.empty()) {
      JoinKey key = work_.front();
      work_.pop_front();
      Walk(key.block, key.offset, states_[key]);
    }

    for (const auto& [span, block] : spans_) {
      auto b = states_.find({block, span.begin});
      auto e = states_.find({block, span.end});
      if (b == states_.end() || e == states_.end()) continue;
      if (!(b->second == e->second)) {
        Problem("the statement [" + Hex(span.begin) + ", " + Hex(span.end) + ") changes the stack from " +
                std::to_string(b->second.size()) + " to " + std::to_string(e->second.size()) + " values");
      }
    }
  }

  // A path brings stack to a join point.
  void Arrive(const JoinKey& key, const Stack& stack, size_t from) {
    auto it = states_.find(key);
    if (it == states_.end()) {
      storedSlots_ += stack.size();
      if (storedSlots_ > kMaxStoredSlots) {
        GiveUp("the stacks kept at the joins of this block grow past " + std::to_string(kMaxStoredSlots) +
               " values; the stack is not followed further");
        work_.clear();
        return;
      }
      states_.emplace(key, stack);
      const CodeBlock& b = blocks_[static_cast<size_t>(key.block)];
      if (key.offset == b.end) {
        LeaveBlock(stack, "the end of the block at " + Hex(b.end));
      } else {
        work_.push_back(key);
      }
      return;
    }
    if (!(it->second == stack)) {
      Problem("paths join at " + Hex(key.offset) + " with " + std::to_string(it->second.size()) + " and " +
              std::to_string(stack.size()) + " values on the stack (one from " + Hex(from) + ")");
    }
  }

  void LeaveBlock(const Stack& stack, const std::string& where) {
    if (options_.requireEmptyStackAtExit && !stack.empty()) {
      Problem(where + " leaves " + std::to_string(stack.size()) + " value(s) on the stack");
    }
  }

  void GiveUp(const std::string& why) {
    result_.stackUnknown = true;
    Problem(why);
  }

  // Follows one path from a join point until it leaves the block, reaches the next join
  // point, or can go no further.
  void Walk(int block, size_t offset, Stack stack) {
    const CodeBlock& b = blocks_[static_cast<size_t>(block)];
    bool first = true;
    size_t from = offset;  // the action the path last went through
    while (true) {
      if (offset == b.end) {
        Arrive({block, offset}, stack, from);
        return;
      }
      if (!first && joins_.count({block, offset})) {
        Arrive({block, offset}, stack, from);
        return;
      }
      first = false;
      auto it = indexAt_.find(offset);
      if (it == indexAt_.end()) return;  // reported by the structure checks
      size_t i = it->second;
      const Action& a = actions_[i];
      if (!a.decodedOk) return;
      depthAt_.emplace(a.offset, static_cast<int>(stack.size()));
      underflow_ = false;
      if (!Step(i, a, block, stack)) return;
      if (stack.size() > static_cast<size_t>(result_.maxDepth)) {
        result_.maxDepth = static_cast<int>(stack.size());
      }
      if (stack.size() > kMaxDepth) {
        GiveUp("the stack grows past " + std::to_string(kMaxDepth) + " values at " + Hex(a.offset));
        return;
      }
      from = a.offset;
      offset = NextInBlock(i);
    }
  }

  Slot Pop(Stack& stack, const Action& a) {
    if (stack.empty()) {
      if (!underflow_) {
        Problem("the action " + CodeName(a.code) + " at " + Hex(a.offset) + " takes more values than the stack holds");
        underflow_ = true;
      }
      return Slot{};
    }
    Slot top = stack.back();
    if (top.kind == SlotKind::Enumeration) {
      // One more name from the enumeration; there may be any number of them.
      Slot name;
      name.kind = SlotKind::Name;
      name.value = static_cast<int64_t>(stack.size() - 1);
      return name;
    }
    stack.pop_back();
    return top;
  }

  void PopN(Stack& stack, const Action& a, int64_t n) {
    for (int64_t k = 0; k < n; ++k) {
      Pop(stack, a);
      if (underflow_) return;
    }
  }

  static void Push(Stack& stack, SlotKind kind = SlotKind::Unknown) {
    Slot s;
    s.kind = kind;
    stack.push_back(s);
  }

  // A count that the action takes from the stack; it must be a visible literal.
  std::optional<int64_t> PopCount(Stack& stack, const Action& a, const char* what) {
    Slot s = Pop(stack, a);
    if (underflow_) return std::nullopt;
    if (s.kind != SlotKind::Number || s.value < 0) {
      GiveUp(std::string("the ") + what + " taken by " + CodeName(a.code) + " at " + Hex(a.offset) +
             " is not a literal count; the stack is not followed from there");
      return std::nullopt;
    }
    return s.value;
  }

  // Applies action a to stack. Returns false when the path ends here (having sent the stack
  // on where it goes).
  bool Step(size_t i, const Action& a, int block, Stack& stack) {
    auto binary = [&] {
      Pop(stack, a);
      Pop(stack, a);
      Push(stack);
    };
    auto unary = [&] {
      Pop(stack, a);
      Push(stack);
    };
    switch (a.code) {
      case 0x00:  // End
        LeaveBlock(stack, "the End action at " + Hex(a.offset));
        return false;
      // No stack effect.
      case 0x04:
      case 0x05:
      case 0x06:
      case 0x07:
      case 0x08:
      case 0x09:
      case 0x28:
      case 0x81:
      case 0x83:
      case 0x88:
      case 0x8B:
      case 0x8C: return true;
      case 0x96:  // Push
        for (const PushValue& v : a.pushes) {
          Slot s;
          if (v.type == 2) {
            s.kind = SlotKind::Null;
          } else if (v.number) {
            s.kind = SlotKind::Number;
            s.value = *v.number;
          }
          stack.push_back(s);
        }
        return true;
      case 0x17:  // Pop
        Pop(stack, a);
        return true;
      // Two in, one out.
      case 0x0A:
      case 0x0B:
      case 0x0C:
      case 0x0D:
      case 0x0F:
      case 0x10:
      case 0x11:
      case 0x13:
      case 0x21:
      case 0x29:
      case 0x22:
      case 0x47:
      case 0x48:
      case 0x3F:
      case 0x4E:
      case 0x54:
      case 0x60:
      case 0x61:
      case 0x62:
      case 0x63:
      case 0x64:
      case 0x65:
      case 0x67:
      case 0x68:
      case 0x2B:
      case 0x3A: binary(); return true;
      case 0x0E:
      case 0x49:
      case 0x66: {  // Equals, Equals2, StrictEquals
        Slot x = Pop(stack, a);
        Slot y = Pop(stack, a);
        Slot r;
        if ((x.kind == SlotKind::Null && y.kind == SlotKind::Name) ||
            (y.kind == SlotKind::Null && x.kind == SlotKind::Name)) {
          r.kind = SlotKind::EndTest;
          r.value = x.kind == SlotKind::Name ? x.value : y.value;
          r.endWhenTrue = true;
        }
        stack.push_back(r);
        return true;
      }
      case 0x12: {  // Not
        Slot x = Pop(stack, a);
        Slot r;
        if (x.kind == SlotKind::EndTest) {
          r = x;
          r.endWhenTrue = !x.endWhenTrue;
        }
        stack.push_back(r);
        return true;
      }
      // One in, one out.
      case 0x14:
      case 0x18:
      case 0x31:
      case 0x32:
      case 0x33:
      case 0x36:
      case 0x37:
      case 0x1C:
      case 0x30:
      case 0x45:
      case 0x4A:
      case 0x4B:
      case 0x44:
      case 0x50:
      case 0x51:
      case 0x3B: unary(); return true;
      case 0x15:
      case 0x35:  // StringExtract, MBStringExtract
        PopN(stack, a, 3);
        Push(stack);
        return true;
      // One in, none out.
      case 0x20:
      case 0x25:
      case 0x26:
      case 0x41:
      case 0x9E:
      case 0x9F: Pop(stack, a); return true;
      // Two in, none out.
      case 0x1D:
      case 0x3C:
      case 0x9A:
      case 0x69: PopN(stack, a, 2); return true;
      // Three in, none out.
      case 0x23:
      case 0x24:
      case 0x4F: PopN(stack, a, 3); return true;
      case 0x34:  // GetTime
        Push(stack);
        return true;
      case 0x4C:  // PushDuplicate
        if (stack.empty()) {
          Pop(stack, a);
        } else if (stack.back().kind == SlotKind::Enumeration) {
          Push(stack);
        } else {
          Slot top = stack.back();
          if (top.kind == SlotKind::EndTest) top = Slot{};
          stack.push_back(top);
        }
        return true;
      case 0x4D:  // StackSwap
        if (stack.size() < 2) {
          PopN(stack, a, 2);
        } else if (stack.back().kind == SlotKind::Enumeration ||
                   stack[stack.size() - 2].kind == SlotKind::Enumeration) {
          GiveUp("StackSwap at " + Hex(a.offset) + " moves an enumeration; the stack is not followed from there");
          return false;
        } else {
          std::swap(stack.back(), stack[stack.size() - 2]);
        }
        return true;
      case 0x87:  // StoreRegister reads the top and leaves it
        if (stack.empty()) Pop(stack, a);
        return true;
      case 0x27: {  // StartDrag: target, lock centre, constrain [, the four edges]
        PopN(stack, a, 2);
        if (underflow_) return true;
        std::optional<int64_t> constrain = PopCount(stack, a, "constraint flag");
        if (!constrain) return underflow_;
        if (*constrain != 0) PopN(stack, a, 4);
        return true;
      }
      case 0x3D:    // CallFunction: name, count, arguments
      case 0x40: {  // NewObject: name, count, arguments
        Pop(stack, a);
        std::optional<int64_t> n = PopCount(stack, a, "argument count");
        if (!n) return underflow_;
        PopN(stack, a, *n);
        Push(stack);
        return true;
      }
      case 0x52:    // CallMethod: name, object, count, arguments
      case 0x53: {  // NewMethod
        PopN(stack, a, 2);
        std::optional<int64_t> n = PopCount(stack, a, "argument count");
        if (!n) return underflow_;
        PopN(stack, a, *n);
        Push(stack);
        return true;
      }
      case 0x42: {  // InitArray: count, elements
        std::optional<int64_t> n = PopCount(stack, a, "element count");
        if (!n) return underflow_;
        PopN(stack, a, *n);
        Push(stack);
        return true;
      }
      case 0x43: {  // InitObject: count, pairs
        std::optional<int64_t> n = PopCount(stack, a, "member count");
        if (!n) return underflow_;
        PopN(stack, a, *n * 2);
        Push(stack);
        return true;
      }
      case 0x2C: {  // ImplementsOp: constructor, count, interfaces
        Pop(stack, a);
        std::optional<int64_t> n = PopCount(stack, a, "interface count");
        if (!n) return underflow_;
        PopN(stack, a, *n);
        return true;
      }
      case 0x46:
      case 0x55: {  // Enumerate, Enumerate2
        Pop(stack, a);
        Push(stack, SlotKind::Enumeration);
        return true;
      }
      case 0x3E:  // Return
        Pop(stack, a);
        LeaveBlock(stack, "the Return at " + Hex(a.offset));
        return false;
      case 0x2A:  // Throw
        Pop(stack, a);
        return false;
      case 0x99: {  // Jump
        std::optional<size_t> t = BranchTarget(a);
        if (t && IsBoundaryOf(*t, block)) Arrive({block, *t}, stack, a.offset);
        return false;
      }
      case 0x9D: {  // If
        Slot cond = Pop(stack, a);
        Stack taken = stack;
        if (cond.kind == SlotKind::EndTest) {
          // The branch that saw the null leaves the enumeration behind.
          Stack& done = cond.endWhenTrue ? taken : stack;
          size_t at = static_cast<size_t>(cond.value);
          if (at + 1 != done.size() || done.back().kind != SlotKind::Enumeration) {
            Problem("the enumeration ended at " + Hex(a.offset) + " lies below other values on the stack");
          }
          if (at < done.size()) done.erase(done.begin() + static_cast<std::ptrdiff_t>(at));
        }
        std::optional<size_t> t = BranchTarget(a);
        if (t && IsBoundaryOf(*t, block)) Arrive({block, *t}, taken, a.offset);
        return true;
      }
      case 0x8A:
      case 0x8D: {  // WaitForFrame, WaitForFrame2
        if (a.code == 0x8D) Pop(stack, a);
        std::optional<size_t> t = SkipTarget(i, a.skip);
        if (t) Arrive({block, *t}, stack, a.offset);
        return true;
      }
      case 0x9B:
      case 0x8E:  // DefineFunction, DefineFunction2
        if (a.anonymous) Push(stack);
        return true;
      case 0x94:  // With
        Pop(stack, a);
        return true;
      case 0x8F: {  // Try: a caught exception enters the catch block with the stack of the try
        if (a.hasCatch) {
          Arrive({block, a.offset + a.size + a.trySize}, stack, a.offset);
        }
        return true;
      }
      default:
        GiveUp("the action " + CodeName(a.code) + " at " + Hex(a.offset) +
               " is not in the action table; the stack is not followed from there");
        return false;
    }
  }

  static constexpr size_t kMaxDepth = 100000;
  static constexpr size_t kMaxStoredSlots = 262144;

  const uint8_t* data_;
  size_t size_;
  const VerifyOptions& options_;
  VerifyResult result_;
  std::set<std::string> problemTexts_;
  bool decodeFailed_ = false;
  bool underflow_ = false;

  std::vector<Action> actions_;
  std::map<size_t, size_t> indexAt_;  // action offset -> index
  std::vector<CodeBlock> blocks_;
  std::vector<std::pair<StatementSpan, int>> spans_;

  std::set<JoinKey> joins_;
  std::map<JoinKey, Stack> states_;
  std::deque<JoinKey> work_;
  std::map<size_t, int> depthAt_;
  size_t storedSlots_ = 0;
};

}  // namespace

std::string VerifyResult::Report() const {
  std::string out;
  for (const std::string& p : problems) {
    out += p;
    out += '\n';
  }
  return out;
}

VerifyResult VerifyActionBlock(const uint8_t* data, size_t size, const VerifyOptions& options) {
  Verifier verifier(data, size, options);
  return verifier.Run();
}

VerifyResult VerifyActionBlock(const std::vector<uint8_t>& bytes, const VerifyOptions& options) {
  return VerifyActionBlock(bytes.data(), bytes.size(), options);
}

}  // namespace avmverify
