// Helpers for the code generator's tests: compiling script text to action bytes, and a small
// listing of action bytes written for the tests from the SWF action table (it shares nothing
// with the generator), so that expectations read as actions rather than as hex.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "script/BuiltinNames.h"
#include "script/CodeGenerator.h"
#include "script/ScriptParse.h"
#include "tests/support/AvmVerifier.h"

namespace scripttest {

// Parses and generates; throws what the parser or the generator throws. The spans of the
// top-level statements of a frame script go to statements when it is given.
inline std::vector<uint8_t> CompileScript(const std::string& text, int32_t version = 6,
                                          std::vector<ScriptStatementSpan>* statements = nullptr) {
  static const BuiltinNames names;
  std::istringstream in(text);
  SyntaxNodePtr root = ParseScript(in);
  return GenerateScriptActions(*root, version, names, statements);
}

// Compiles a frame script and runs the AVM1 verifier over its actions, telling it where each
// top-level statement lies so that each must leave the stack as it found it.
inline avmverify::VerifyResult CompileAndVerify(const std::string& text, int32_t version, std::vector<uint8_t>& bytes) {
  std::vector<ScriptStatementSpan> statements;
  bytes = CompileScript(text, version, &statements);
  avmverify::VerifyOptions options;
  options.finalEnd = avmverify::FinalEnd::Refused;
  for (const ScriptStatementSpan& s : statements) options.statements.push_back({s.begin, s.end});
  return avmverify::VerifyActionBlock(bytes, options);
}

inline const char* ActionName(uint8_t code) {
  static const std::map<uint8_t, const char*> names = {
      {0x04, "NextFrame"},
      {0x05, "PrevFrame"},
      {0x06, "Play"},
      {0x07, "Stop"},
      {0x08, "ToggleQuality"},
      {0x09, "StopSounds"},
      {0x0A, "Add"},
      {0x0B, "Subtract"},
      {0x0C, "Multiply"},
      {0x0D, "Divide"},
      {0x12, "Not"},
      {0x14, "StringLength"},
      {0x15, "StringExtract"},
      {0x17, "Pop"},
      {0x18, "ToInteger"},
      {0x30, "RandomNumber"},
      {0x31, "MBStringLength"},
      {0x32, "CharToAscii"},
      {0x33, "AsciiToChar"},
      {0x35, "MBStringExtract"},
      {0x36, "MBCharToAscii"},
      {0x37, "MBAsciiToChar"},
      {0x1C, "GetVariable"},
      {0x1D, "SetVariable"},
      {0x21, "StringAdd"},
      {0x22, "GetProperty"},
      {0x23, "SetProperty"},
      {0x24, "CloneSprite"},
      {0x25, "RemoveSprite"},
      {0x26, "Trace"},
      {0x27, "StartDrag"},
      {0x28, "EndDrag"},
      {0x34, "GetTime"},
      {0x3A, "Delete"},
      {0x3B, "Delete2"},
      {0x3C, "DefineLocal"},
      {0x3D, "CallFunction"},
      {0x3E, "Return"},
      {0x3F, "Modulo"},
      {0x40, "NewObject"},
      {0x41, "DefineLocal2"},
      {0x42, "InitArray"},
      {0x43, "InitObject"},
      {0x44, "TypeOf"},
      {0x45, "TargetPath"},
      {0x46, "Enumerate"},
      {0x47, "Add2"},
      {0x48, "Less2"},
      {0x49, "Equals2"},
      {0x4A, "ToNumber"},
      {0x4B, "ToString"},
      {0x4C, "PushDuplicate"},
      {0x4D, "StackSwap"},
      {0x4E, "GetMember"},
      {0x4F, "SetMember"},
      {0x50, "Increment"},
      {0x51, "Decrement"},
      {0x52, "CallMethod"},
      {0x54, "InstanceOf"},
      {0x55, "Enumerate2"},
      {0x60, "BitAnd"},
      {0x61, "BitOr"},
      {0x62, "BitXor"},
      {0x63, "BitLShift"},
      {0x64, "BitRShift"},
      {0x65, "BitURShift"},
      {0x67, "Greater"},
      {0x81, "GotoFrame"},
      {0x83, "GetURL"},
      {0x87, "StoreRegister"},
      {0x88, "Pool"},
      {0x94, "With"},
      {0x96, "push"},
      {0x99, "Jump"},
      {0x9A, "GetURL2"},
      {0x9B, "DefineFunction"},
      {0x9D, "If"},
      {0x9F, "GotoFrame2"},
  };
  auto found = names.find(code);
  return found == names.end() ? nullptr : found->second;
}

// Whole numbers in fixed form with ".0" (100000.0), others in their shortest form (0.001).
inline std::string FormatDouble(double value) {
  char buffer[400];
  bool whole = value == value && value - value == 0 && value == static_cast<double>(static_cast<long long>(value)) &&
               value > -1e18 && value < 1e18;
  auto result = whole ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
                      : std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, result.ptr);
  if (whole) text += ".0";
  return text;
}

// One action per item, separated by "; ": "push('x', 5, 0.0, null, undef, true, r0, c3)",
// "If +5", "Jump -20", "GetURL 'a' '_b'", "Pool('a', 'b')", "DefineFunction f(a, b) 12" (the
// body follows inline). Anything the listing cannot read ends it with "<bad ...>".
inline std::string ListActions(const std::vector<uint8_t>& bytes) {
  std::string out;
  size_t i = 0;
  auto u16 = [&](size_t at) { return static_cast<unsigned>(bytes[at] | bytes[at + 1] << 8); };
  auto str = [&](size_t& at, size_t end) {
    std::string s;
    while (at < end && bytes[at] != 0) s += static_cast<char>(bytes[at++]);
    ++at;
    return s;
  };
  while (i < bytes.size()) {
    if (!out.empty()) out += "; ";
    uint8_t code = bytes[i];
    const char* name = ActionName(code);
    if (!name) return out + "<bad code " + std::to_string(code) + ">";
    if (code < 0x80) {
      out += name;
      ++i;
      continue;
    }
    if (i + 3 > bytes.size()) return out + "<bad length>";
    size_t length = u16(i + 1);
    size_t at = i + 3;
    size_t end = at + length;
    if (end > bytes.size()) return out + "<bad length>";
    out += name;
    switch (code) {
      case 0x96: {
        out += "(";
        bool first = true;
        while (at < end) {
          if (!first) out += ", ";
          first = false;
          uint8_t type = bytes[at++];
          switch (type) {
            case 0: out += "'" + str(at, end) + "'"; break;
            case 2: out += "null"; break;
            case 3: out += "undef"; break;
            case 4: out += "r" + std::to_string(bytes[at++]); break;
            case 5: out += bytes[at++] ? "true" : "false"; break;
            case 6: {
              uint64_t hi = bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint64_t{bytes[at + 3]} << 24;
              uint64_t lo = bytes[at + 4] | bytes[at + 5] << 8 | bytes[at + 6] << 16 | uint64_t{bytes[at + 7]} << 24;
              uint64_t bits = hi << 32 | lo;
              double d;
              std::memcpy(&d, &bits, sizeof d);
              out += FormatDouble(d);
              at += 8;
              break;
            }
            case 7: {
              int32_t v = static_cast<int32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                               static_cast<uint32_t>(bytes[at + 3]) << 24);
              out += std::to_string(v);
              at += 4;
              break;
            }
            case 8: out += "c" + std::to_string(bytes[at++]); break;
            case 9:
              out += "c" + std::to_string(u16(at));
              at += 2;
              break;
            default: return out + "<bad push type>";
          }
        }
        out += ")";
        break;
      }
      case 0x88: {
        unsigned count = u16(at);
        at += 2;
        out += "(";
        for (unsigned n = 0; n < count; ++n) out += (n ? ", '" : "'") + str(at, end) + "'";
        out += ")";
        break;
      }
      case 0x83: {
        std::string url = str(at, end);
        std::string target = str(at, end);
        out += " '" + url + "' '" + target + "'";
        break;
      }
      case 0x9B: {
        std::string fname = str(at, end);
        unsigned count = u16(at);
        at += 2;
        out += " " + fname + "(";
        for (unsigned n = 0; n < count; ++n) out += (n ? ", " : "") + str(at, end);
        out += ") " + std::to_string(u16(at));
        break;
      }
      case 0x99:
      case 0x9D: {
        int16_t offset = static_cast<int16_t>(u16(at));
        out += offset >= 0 ? " +" + std::to_string(offset) : " " + std::to_string(offset);
        break;
      }
      case 0x81:
      case 0x94: out += " " + std::to_string(u16(at)); break;
      case 0x87:
      case 0x9F: out += " " + std::to_string(bytes[at]); break;
      case 0x9A: {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, " 0x%02X", bytes[at]);
        out += buffer;
        break;
      }
      default: break;
    }
    i = end;
  }
  return out;
}

}  // namespace scripttest
