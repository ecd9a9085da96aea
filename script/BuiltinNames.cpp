#include "script/BuiltinNames.h"

#include <bit>

namespace {

BuiltinConstant IntegerConstant(int32_t value) {
  BuiltinConstant c;
  c.type = BuiltinConstant::Type::Integer;
  c.integer = value;
  return c;
}

// A double given by its IEEE 754 bit pattern, so that every value is exact.
BuiltinConstant DoubleConstant(uint64_t bits) {
  BuiltinConstant c;
  c.type = BuiltinConstant::Type::Double;
  c.number = std::bit_cast<double>(bits);
  return c;
}

}  // namespace

BuiltinNames::BuiltinNames() {
  // Button conditions, as the bits of the SWF button condition word:
  //   1 idle to over-up, 2 over-up to idle, 4 over-up to over-down, 8 over-down to over-up,
  //   16 over-down to out-down, 32 out-down to over-down, 64 out-down to idle,
  //   128 idle to over-down, 256 over-down to idle; a key code sits in bits 9 to 15.
  // Releasing outside the button is the out-down to idle transition (64).
  buttonEvents_ = {
      {"rollOver", 1},          {"rollOut", 2},        {"press", 4},           {"release", 8},
      {"releaseOutside", 64},   {"dragOver", 160},     {"releaseOut", 64},     {"menuDragOver", 128},
      {"menuDragOut", 256},     {"<left>", 1 * 512},   {"<right>", 2 * 512},   {"<home>", 3 * 512},
      {"<end>", 4 * 512},       {"<insert>", 5 * 512}, {"<delete>", 6 * 512},  {"<backspace>", 8 * 512},
      {"<enter>", 13 * 512},    {"<up>", 14 * 512},    {"<down>", 15 * 512},   {"<pageUp>", 16 * 512},
      {"<pageDown>", 17 * 512}, {"<tab>", 18 * 512},   {"<escape>", 19 * 512}, {"<space>", 32 * 512},
  };

  clipEvents_ = {
      {"load", 1},     {"enterFrame", 2}, {"unload", 4},  {"mouseMove", 8}, {"mouseDown", 16},
      {"mouseUp", 32}, {"keyDown", 64},   {"keyUp", 128}, {"data", 256},
  };

  constants_ = {
      {"Key.BACKSPACE", IntegerConstant(8)},
      {"Key.CAPSLOCK", IntegerConstant(20)},
      {"Key.CONTROL", IntegerConstant(17)},
      {"Key.DELETEKEY", IntegerConstant(46)},
      {"Key.DOWN", IntegerConstant(40)},
      {"Key.END", IntegerConstant(35)},
      {"Key.ENTER", IntegerConstant(13)},
      {"Key.ESCAPE", IntegerConstant(27)},
      {"Key.HOME", IntegerConstant(36)},
      {"Key.INSERT", IntegerConstant(45)},
      {"Key.LEFT", IntegerConstant(37)},
      {"Key.PGDN", IntegerConstant(34)},
      {"Key.PGUP", IntegerConstant(33)},
      {"Key.RIGHT", IntegerConstant(39)},
      {"Key.SHIFT", IntegerConstant(16)},
      {"Key.SPACE", IntegerConstant(32)},
      {"Key.TAB", IntegerConstant(9)},
      {"Key.UP", IntegerConstant(38)},
      {"Math.E", DoubleConstant(0x4005BF0A8B145769ULL)},
      {"Math.LN2", DoubleConstant(0x3FE62E42FEFA39EFULL)},
      {"Math.LOG2E", DoubleConstant(0x3FF71547652B82FEULL)},
      {"Math.LN10", DoubleConstant(0x40026BB1BBB55516ULL)},
      {"Math.LOG10E", DoubleConstant(0x3FDBCB7B1526E50EULL)},
      {"Math.PI", DoubleConstant(0x400921FB54442D18ULL)},
      {"Math.SQRT1_2", DoubleConstant(0x3FE6A09E667F3BCDULL)},
      {"Math.SQRT2", DoubleConstant(0x3FF6A09E667F3BCDULL)},
      {"Number.NaN", DoubleConstant(0x7FF8000000000000ULL)},
      {"Number.NEGATIVE_INFINITY", DoubleConstant(0xFFF0000000000000ULL)},
      {"Number.POSITIVE_INFINITY", DoubleConstant(0x7FF0000000000000ULL)},
      {"Number.MAX_VALUE", DoubleConstant(0x7FEFFFFFFFFFFFFFULL)},
      {"Number.MIN_VALUE", DoubleConstant(0x0000000000000001ULL)},
  };

  const char* const propertyNames[] = {
      "_x",          "_y",     "_xscale",      "_yscale",    "_currentframe", "_totalframes",  "_alpha",
      "_visible",    "_width", "_height",      "_rotation",  "_target",       "_framesloaded", "_name",
      "_droptarget", "_url",   "_highquality", "_focusrect", "_soundbuftime", "_quality",      "_xmouse",
      "_ymouse",
  };
  int32_t index = 0;
  for (const char* name : propertyNames) properties_[name] = index++;

  builtinFunctions_ = {
      "delete",
      "duplicateMovieClip",
      "eval",
      "fscommand",
      "getProperty",
      "getTimer",
      "getURL",
      "getVersion",
      "gotoAndPlay",
      "gotoAndStop",
      "hitTest",
      "loadMovie",
      "loadVariables",
      "nextFrame",
      "nextScene",
      "Number",
      "play",
      "prevFrame",
      "prevScene",
      "print",
      "printAsBitmap",
      "removeMovieClip",
      "set",
      "setProperty",
      "startDrag",
      "stop",
      "stopAllSounds",
      "stopDrag",
      "String",
      "targetPath",
      "toggleHighQuality",
      "trace",
      "typeof",
      "unloadMovie",
      "void",
      // The loads, unloads and prints of a level, and the functions the player has only as
      // actions of their own.
      "loadMovieNum",
      "unloadMovieNum",
      "loadVariablesNum",
      "printNum",
      "printAsBitmapNum",
      "int",
      "random",
      "length",
      "substring",
      "chr",
      "ord",
      "mbchr",
      "mbord",
      "mblength",
      "mbsubstring",
  };

  // "set" stores with SetVariable and "loadVariables" loads with GetURL2: neither leaves a
  // value, so a Pop after them would take a value that belongs to someone else; nor do the
  // loads, unloads and prints of a level.
  // A call named "delete" would end in Delete2, which leaves a flag behind, so it is not here.
  noValueFunctions_ = {
      "duplicateMovieClip",
      "fscommand",
      "getURL",
      "gotoAndPlay",
      "gotoAndStop",
      "loadMovie",
      "loadVariables",
      "nextFrame",
      "nextScene",
      "play",
      "prevFrame",
      "prevScene",
      "print",
      "printAsBitmap",
      "removeMovieClip",
      "set",
      "setProperty",
      "startDrag",
      "stop",
      "stopAllSounds",
      "stopDrag",
      "toggleHighQuality",
      "trace",
      "unloadMovie",
      "loadMovieNum",
      "unloadMovieNum",
      "loadVariablesNum",
      "printNum",
      "printAsBitmapNum",
  };
}

int32_t BuiltinNames::ButtonEventValue(const std::string& name) const {
  auto it = buttonEvents_.find(name);
  return it == buttonEvents_.end() ? 0 : it->second;
}

int32_t BuiltinNames::ClipEventValue(const std::string& name) const {
  auto it = clipEvents_.find(name);
  return it == clipEvents_.end() ? 0 : it->second;
}

bool BuiltinNames::IsConstant(const std::string& name) const { return constants_.count(name) != 0; }

std::optional<BuiltinConstant> BuiltinNames::ConstantValue(const std::string& name) const {
  auto it = constants_.find(name);
  if (it == constants_.end()) return std::nullopt;
  return it->second;
}

GenPushValuePtr BuiltinNames::ConstantPushValue(const std::string& name) const {
  auto it = constants_.find(name);
  if (it == constants_.end()) return nullptr;
  if (it->second.type == BuiltinConstant::Type::Integer) {
    return std::make_unique<PushInteger>(it->second.integer);
  }
  return std::make_unique<PushDouble>(it->second.number);
}

bool BuiltinNames::IsProperty(const std::string& name) const { return properties_.count(name) != 0; }

int32_t BuiltinNames::PropertyIndex(const std::string& name) const {
  auto it = properties_.find(name);
  return it == properties_.end() ? 0 : it->second;
}

bool BuiltinNames::IsBuiltinFunction(const std::string& name) const { return builtinFunctions_.count(name) != 0; }

bool BuiltinNames::IsNoValueFunction(const std::string& name) const { return noValueFunctions_.count(name) != 0; }
