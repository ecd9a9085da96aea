// Action lists of built movies turned back into the notation in which the loader's scripts
// are written down: `Push ["btt", int 1024]; Greater; Not; If +74`. A quoted string is a
// constant-pool reference, `inline "x"` a string value, `int`, `dbl` and `bool` the typed
// values.
//
// The decoder (tests/support/ActionDecoder.h) reads the bytes straight from the file format; it
// shares no code with the movie model, so a test that compares its text with the written-down
// script checks the bytes the generator wrote, branch offsets included.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "swf/DoActionTag.h"
#include "swf/SwfBitWriter.h"
#include "tests/support/ActionDecoder.h"

namespace scriptnotation {

struct Action {
  size_t offset = 0;  // of the code byte
  size_t size = 0;    // whole record
  uint8_t code = 0;
  int branch = 0;  // the offset of a Jump or If
  std::string text;
};

inline const char* SimpleName(uint8_t code) {
  switch (code) {
    case 0x04: return "NextFrame";
    case 0x05: return "PreviousFrame";
    case 0x06: return "Play";
    case 0x07: return "Stop";
    case 0x0A: return "Add";
    case 0x0B: return "Subtract";
    case 0x0C: return "Multiply";
    case 0x0D: return "Divide";
    case 0x10: return "And";
    case 0x12: return "Not";
    case 0x17: return "Pop";
    case 0x18: return "ToInteger";
    case 0x1C: return "GetVariable";
    case 0x1D: return "SetVariable";
    case 0x20: return "SetTarget2";
    case 0x23: return "SetProperty";
    case 0x26: return "Trace";
    case 0x34: return "GetTime";
    case 0x40: return "NewObject";
    case 0x47: return "Add2";
    case 0x48: return "Less2";
    case 0x49: return "Equals2";
    case 0x4C: return "PushDuplicate";
    case 0x4E: return "GetMember";
    case 0x4F: return "SetMember";
    case 0x50: return "Increment";
    case 0x52: return "CallMethod";
    case 0x67: return "Greater";
    default: return nullptr;
  }
}

class Decoder {
 public:
  explicit Decoder(const std::vector<uint8_t>& bytes) : b_(bytes) {}

  // Decodes up to the End byte; false (with `error`) when the bytes do not decode.
  bool Run(std::vector<Action>& out, std::string& error) {
    size_t p = 0;
    while (p < b_.size()) {
      actiondecode::Record record;
      switch (actiondecode::ReadRecord(b_.data(), b_.size(), p, record)) {
        case actiondecode::RecordStatus::kNoRoomForLength: return Bad(error, "cut header", p);
        case actiondecode::RecordStatus::kPayloadPastEnd: return Bad(error, "payload past the end", p);
        case actiondecode::RecordStatus::kOk: break;
      }
      Action a;
      a.offset = p;
      a.code = record.code;
      if (a.code == 0) return true;
      a.size = record.size;
      actiondecode::Cursor c{b_.data() + record.payload, record.length};
      if (!Describe(a, c, error)) return false;
      out.push_back(a);
      p += record.size;
    }
    error = "no End byte";
    return false;
  }

 private:
  bool Bad(std::string& error, const char* what, size_t at) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%s at %zu", what, at);
    error = buffer;
    return false;
  }
  static std::string Number(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", v);
    return buffer;
  }

  bool Describe(Action& a, actiondecode::Cursor& c, std::string& error) {
    if (a.code < 0x80) {
      const char* name = SimpleName(a.code);
      if (!name) return Bad(error, "unknown action", a.offset);
      a.text = name;
      return true;
    }
    switch (a.code) {
      case 0x88: {
        const size_t count = c.U16();
        pool_.clear();
        a.text = "ConstantPool [";
        for (size_t i = 0; i < count && !c.bad; ++i) {
          pool_.push_back(c.Text());
          a.text += (i ? ", \"" : "\"") + pool_.back() + "\"";
        }
        a.text += "]";
        return Whole(c, error, "pool size", a.offset);
      }
      case 0x96: {
        a.text = "Push [";
        bool first = true;
        while (c.pos < c.n) {
          actiondecode::PushValue value;
          if (!actiondecode::ReadPushValue(c, value)) return Bad(error, c.bad ? "push size" : "push type", a.offset);
          std::string v;
          switch (value.type) {
            case actiondecode::kPushString: v = "inline \"" + value.text + "\""; break;
            case actiondecode::kPushFloat: v = "flt " + Number(static_cast<float>(value.number)); break;
            case actiondecode::kPushBoolean: v = std::string("bool ") + (value.number != 0 ? "true" : "false"); break;
            case actiondecode::kPushDouble: v = "dbl " + Number(value.number); break;
            case actiondecode::kPushInteger: v = "int " + std::to_string(static_cast<int32_t>(value.number)); break;
            case actiondecode::kPushConstant8:
            case actiondecode::kPushConstant16:
              if (value.index >= pool_.size()) return Bad(error, "pool index out of range", a.offset);
              v = "\"" + pool_[value.index] + "\"";
              break;
            default: return Bad(error, "push type", a.offset);
          }
          a.text += (first ? "" : ", ") + v;
          first = false;
        }
        a.text += "]";
        return true;
      }
      case 0x99:
      case 0x9D: {
        a.branch = static_cast<int16_t>(c.U16());
        a.text = std::string(a.code == 0x99 ? "Jump " : "If ") + (a.branch >= 0 ? "+" : "") + std::to_string(a.branch);
        return Whole(c, error, "branch size", a.offset);
      }
      case 0x81: a.text = "GotoFrame " + std::to_string(c.U16()); return Whole(c, error, "frame size", a.offset);
      case 0x8B: a.text = "SetTarget \"" + c.Text() + "\""; return Whole(c, error, "target size", a.offset);
      case 0x8C: a.text = "GoToLabel \"" + c.Text() + "\""; return Whole(c, error, "label size", a.offset);
      case 0x9A: {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "GetURL2 0x%02x", c.U8());
        a.text = buffer;
        return Whole(c, error, "GetURL2 size", a.offset);
      }
      case 0x9F:
        a.text = "GotoFrame2 " + std::to_string(c.U8());
        return c.bad ? Bad(error, "GotoFrame2 size", a.offset) : true;
      case 0x9B: {
        const std::string name = c.Text();
        const size_t params = c.U16();
        a.text = "DefineFunction \"" + name + "\" (";
        for (size_t i = 0; i < params && !c.bad; ++i) a.text += (i ? ", " : "") + c.Text();
        a.text += ") " + std::to_string(c.U16());
        return Whole(c, error, "function size", a.offset);
      }
      default: return Bad(error, "unknown action", a.offset);
    }
  }

  // True when the operands filled the payload exactly.
  bool Whole(const actiondecode::Cursor& c, std::string& error, const char* what, size_t at) {
    return (!c.bad && c.pos == c.n) || Bad(error, what, at);
  }

  const std::vector<uint8_t>& b_;
  std::vector<std::string> pool_;
};

inline std::string Join(const std::vector<Action>& actions) {
  std::string text;
  for (const Action& a : actions) text += (text.empty() ? "" : "; ") + a.text;
  return text;
}

// The written bytes of an action list (the End byte included, no tag header).
inline std::vector<uint8_t> Bytes(DoActionTag& actions, uint8_t version = 7) {
  SwfBitWriter writer(version);
  actions.WriteActions(writer, false);
  return writer.GetBytes();
}

// Where a Jump or If at `index` lands: the text of the action there, "end" at the End byte,
// or "nowhere" when no action starts at that offset.
inline std::string Landing(const std::vector<Action>& actions, size_t index) {
  const Action& a = actions[index];
  const long target = static_cast<long>(a.offset + a.size) + a.branch;
  for (const Action& b : actions)
    if (static_cast<long>(b.offset) == target) return b.text;
  if (!actions.empty() && static_cast<long>(actions.back().offset + actions.back().size) == target) return "end";
  return "nowhere";
}

}  // namespace scriptnotation
