// Action lists of built movies turned back into the notation in which the loader's scripts
// are written down: `Push ["btt", int 1024]; Greater; Not; If +74`. A quoted string is a
// constant-pool reference, `inline "x"` a string value, `int`, `dbl` and `bool` the typed
// values.
//
// The decoder reads the bytes straight from the file format; it shares no code with the
// movie model, so a test that compares its text with the written-down script checks the
// bytes the generator wrote, branch offsets included.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "swf/DoActionTag.h"
#include "swf/SwfBitWriter.h"

namespace scriptnotation {

struct Action {
  size_t offset = 0;  // of the code byte
  size_t size = 0;    // whole record
  uint8_t code = 0;
  int branch = 0;     // the offset of a Jump or If
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
    case 0x1C: return "GetVariable";
    case 0x1D: return "SetVariable";
    case 0x26: return "Trace";
    case 0x34: return "GetTime";
    case 0x40: return "NewObject";
    case 0x47: return "Add2";
    case 0x48: return "Less2";
    case 0x49: return "Equals2";
    case 0x4C: return "PushDuplicate";
    case 0x4E: return "GetMember";
    case 0x4F: return "SetMember";
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
      Action a;
      a.offset = p;
      a.code = b_[p];
      if (a.code == 0) return true;
      size_t payload = 0;
      size_t q = p + 1;
      if (a.code >= 0x80) {
        if (q + 2 > b_.size()) return Bad(error, "cut header", p);
        payload = b_[q] | (b_[q + 1] << 8);
        q += 2;
      }
      const size_t end = q + payload;
      if (end > b_.size()) return Bad(error, "payload past the end", p);
      a.size = end - p;
      if (!Describe(a, q, end, error)) return false;
      out.push_back(a);
      p = end;
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
  std::string Str(size_t& q, size_t end) {
    std::string s;
    while (q < end && b_[q] != 0) s += static_cast<char>(b_[q++]);
    ++q;
    return s;
  }
  uint32_t U32(size_t q) const {
    return b_[q] | (b_[q + 1] << 8) | (b_[q + 2] << 16) | (static_cast<uint32_t>(b_[q + 3]) << 24);
  }
  static std::string Number(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", v);
    return buffer;
  }

  bool Describe(Action& a, size_t q, size_t end, std::string& error) {
    if (a.code < 0x80) {
      const char* name = SimpleName(a.code);
      if (!name) return Bad(error, "unknown action", a.offset);
      a.text = name;
      return true;
    }
    switch (a.code) {
      case 0x88: {
        const size_t count = b_[q] | (b_[q + 1] << 8);
        q += 2;
        pool_.clear();
        a.text = "ConstantPool [";
        for (size_t i = 0; i < count; ++i) {
          pool_.push_back(Str(q, end));
          a.text += (i ? ", \"" : "\"") + pool_.back() + "\"";
        }
        a.text += "]";
        return q == end || Bad(error, "pool size", a.offset);
      }
      case 0x96: {
        a.text = "Push [";
        bool first = true;
        while (q < end) {
          const uint8_t type = b_[q++];
          std::string v;
          switch (type) {
            case 0: v = "inline \"" + Str(q, end) + "\""; break;
            case 5: v = std::string("bool ") + (b_[q++] ? "true" : "false"); break;
            case 6: {
              const uint64_t bits = (static_cast<uint64_t>(U32(q)) << 32) | U32(q + 4);
              double d;
              std::memcpy(&d, &bits, 8);
              v = "dbl " + Number(d);
              q += 8;
              break;
            }
            case 7: v = "int " + std::to_string(static_cast<int32_t>(U32(q))); q += 4; break;
            case 8:
            case 9: {
              size_t index = b_[q++];
              if (type == 9) index |= static_cast<size_t>(b_[q++]) << 8;
              if (index >= pool_.size()) return Bad(error, "pool index out of range", a.offset);
              v = "\"" + pool_[index] + "\"";
              break;
            }
            default: return Bad(error, "push type", a.offset);
          }
          a.text += (first ? "" : ", ") + v;
          first = false;
        }
        a.text += "]";
        return q == end || Bad(error, "push size", a.offset);
      }
      case 0x99:
      case 0x9D: {
        a.branch = static_cast<int16_t>(b_[q] | (b_[q + 1] << 8));
        a.text = std::string(a.code == 0x99 ? "Jump " : "If ") + (a.branch >= 0 ? "+" : "") + std::to_string(a.branch);
        return true;
      }
      case 0x81: a.text = "GotoFrame " + std::to_string(b_[q] | (b_[q + 1] << 8)); return true;
      case 0x8B: a.text = "SetTarget \"" + Str(q, end) + "\""; return true;
      case 0x8C: a.text = "GoToLabel \"" + Str(q, end) + "\""; return true;
      case 0x9A: {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "GetURL2 0x%02x", b_[q]);
        a.text = buffer;
        return true;
      }
      case 0x9F: a.text = "GotoFrame2 " + std::to_string(b_[q]); return true;
      case 0x9B: {
        const std::string name = Str(q, end);
        const size_t params = b_[q] | (b_[q + 1] << 8);
        q += 2;
        a.text = "DefineFunction \"" + name + "\" (";
        for (size_t i = 0; i < params; ++i) a.text += (i ? ", " : "") + Str(q, end);
        a.text += ") " + std::to_string(b_[q] | (b_[q + 1] << 8));
        return true;
      }
      default: return Bad(error, "unknown action", a.offset);
    }
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
