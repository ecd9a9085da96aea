// The fixed vocabulary of names that the code generator recognises: the events of button and
// clip handlers (with the key names of button handlers), the constants of Key, Math and Number
// that are folded into pushes, the movie-clip properties, the global functions that compile to
// actions of their own, and the calls that leave no value on the stack.
//
// Every compiler fills its own copy at construction and nothing changes it afterwards. All
// lookups compare names exactly: case-sensitive, byte for byte.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "script/GenAction.h"

// The value of a built-in constant, as it is pushed: the Key codes are 32-bit integers, the
// Math and Number values doubles (the exact IEEE 754 values, NaN and the infinities included).
struct BuiltinConstant {
  enum class Type { Integer, Double };

  Type type = Type::Integer;
  int32_t integer = 0;  // for Type::Integer
  double number = 0.0;  // for Type::Double
};

class BuiltinNames {
 public:
  BuiltinNames();

  // The button condition of an On handler's event name: the condition bits of the SWF button
  // record, or for a named key ("<left>", "<enter>", ...) its key code times 512. 0 when the name
  // is not in the table; the caller then reads the name as a key press of its first character.
  int32_t ButtonEventValue(const std::string& name) const;

  // The clip-event flag of an OnClipEvent handler's event name, 0 when the name is unknown.
  int32_t ClipEventValue(const std::string& name) const;

  // Dotted names such as "Math.PI" or "Key.LEFT" whose value is known at compile time.
  bool IsConstant(const std::string& name) const;
  // The value to push for such a name; a fresh copy each time. Empty for a name that
  // IsConstant refuses.
  std::optional<BuiltinConstant> ConstantValue(const std::string& name) const;
  // The same value as a new push value that the caller owns (PushInteger or PushDouble), or
  // null for a name that IsConstant refuses.
  GenPushValuePtr ConstantPushValue(const std::string& name) const;

  // Movie-clip properties ("_x", "_alpha", ...) and their SWF property indices. PropertyIndex
  // is 0 for a name that is not a property, which is also the index of "_x": IsProperty tells
  // them apart.
  bool IsProperty(const std::string& name) const;
  int32_t PropertyIndex(const std::string& name) const;

  // Global functions that the generator translates into actions of their own.
  bool IsBuiltinFunction(const std::string& name) const;

  // Calls whose generated code leaves nothing on the stack, so that a call used as a statement
  // needs no Pop after it. Every name here is also a built-in function: a call of any other
  // name is a CallFunction, which always leaves its result.
  bool IsNoValueFunction(const std::string& name) const;

  // The whole tables, for callers that walk them.
  const std::map<std::string, int32_t>& ButtonEvents() const { return buttonEvents_; }
  const std::map<std::string, int32_t>& ClipEvents() const { return clipEvents_; }
  const std::map<std::string, BuiltinConstant>& Constants() const { return constants_; }
  const std::map<std::string, int32_t>& Properties() const { return properties_; }
  const std::set<std::string>& BuiltinFunctions() const { return builtinFunctions_; }
  const std::set<std::string>& NoValueFunctions() const { return noValueFunctions_; }

 private:
  std::map<std::string, int32_t> buttonEvents_;
  std::map<std::string, int32_t> clipEvents_;
  std::map<std::string, BuiltinConstant> constants_;
  std::map<std::string, int32_t> properties_;
  std::set<std::string> builtinFunctions_;
  std::set<std::string> noValueFunctions_;
};
