// The built-in name tables: exact, case-sensitive lookups with their fall-back values, the
// exact bits of the folded constants, and the SWF numbers behind events and properties.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "script/BuiltinNames.h"

namespace {

struct NumberCase {
  const char* name;
  int32_t value;
};

TEST(BuiltinNamesTest, ButtonEventsAreSwfConditionBitsAndKeyCodes) {
  const BuiltinNames names;
  const NumberCase cases[] = {
      {"rollOver", 1},
      {"rollOut", 2},
      {"press", 4},
      {"release", 8},
      {"dragOver", 32 + 128},
      {"menuDragOver", 128},
      {"menuDragOut", 256},
      // Release outside is the out-down to idle transition of the button record.
      {"releaseOutside", 64},
      {"releaseOut", 64},
      {"<left>", 1 * 512},
      {"<right>", 2 * 512},
      {"<home>", 3 * 512},
      {"<end>", 4 * 512},
      {"<insert>", 5 * 512},
      {"<delete>", 6 * 512},
      {"<backspace>", 8 * 512},
      {"<enter>", 13 * 512},
      {"<up>", 14 * 512},
      {"<down>", 15 * 512},
      {"<pageUp>", 16 * 512},
      {"<pageDown>", 17 * 512},
      {"<tab>", 18 * 512},
      {"<escape>", 19 * 512},
      {"<space>", 32 * 512},
      // Not in the table, or not written exactly: 0, so the caller falls back to the first
      // character as a key press.
      {"<Left>", 0},
      {"Press", 0},
      {"dragOut", 0},
      {"", 0},
      {"load", 0},
  };
  for (const NumberCase& c : cases) {
    EXPECT_EQ(names.ButtonEventValue(c.name), c.value) << c.name;
  }
  EXPECT_EQ(names.ButtonEvents().size(), 24u);
}

TEST(BuiltinNamesTest, ClipEventsAreSwfEventFlags) {
  const BuiltinNames names;
  const NumberCase cases[] = {
      {"load", 1},       {"enterFrame", 2}, {"unload", 4},  {"mouseMove", 8}, {"mouseDown", 16},
      {"mouseUp", 32},   {"keyDown", 64},   {"keyUp", 128}, {"data", 256},    {"Load", 0},
      {"enterframe", 0}, {"press", 0},      {"", 0},
  };
  for (const NumberCase& c : cases) {
    EXPECT_EQ(names.ClipEventValue(c.name), c.value) << c.name;
  }
  EXPECT_EQ(names.ClipEvents().size(), 9u);
}

TEST(BuiltinNamesTest, KeyConstantsAreIntegers) {
  const BuiltinNames names;
  const NumberCase cases[] = {
      {"Key.BACKSPACE", 8}, {"Key.CAPSLOCK", 20}, {"Key.CONTROL", 17}, {"Key.DELETEKEY", 46}, {"Key.DOWN", 40},
      {"Key.END", 35},      {"Key.ENTER", 13},    {"Key.ESCAPE", 27},  {"Key.HOME", 36},      {"Key.INSERT", 45},
      {"Key.LEFT", 37},     {"Key.PGDN", 34},     {"Key.PGUP", 33},    {"Key.RIGHT", 39},     {"Key.SHIFT", 16},
      {"Key.SPACE", 32},    {"Key.TAB", 9},       {"Key.UP", 38},
  };
  for (const NumberCase& c : cases) {
    ASSERT_TRUE(names.IsConstant(c.name)) << c.name;
    std::optional<BuiltinConstant> value = names.ConstantValue(c.name);
    ASSERT_TRUE(value.has_value()) << c.name;
    EXPECT_EQ(value->type, BuiltinConstant::Type::Integer) << c.name;
    EXPECT_EQ(value->integer, c.value) << c.name;
  }
}

TEST(BuiltinNamesTest, MathAndNumberConstantsAreExactDoubles) {
  const BuiltinNames names;
  struct BitsCase {
    const char* name;
    uint64_t bits;
  };
  const BitsCase cases[] = {
      {"Math.E", 0x4005BF0A8B145769ULL},
      {"Math.LN2", 0x3FE62E42FEFA39EFULL},
      {"Math.LOG2E", 0x3FF71547652B82FEULL},
      {"Math.LN10", 0x40026BB1BBB55516ULL},
      {"Math.LOG10E", 0x3FDBCB7B1526E50EULL},
      {"Math.PI", 0x400921FB54442D18ULL},
      {"Math.SQRT1_2", 0x3FE6A09E667F3BCDULL},
      {"Math.SQRT2", 0x3FF6A09E667F3BCDULL},
      {"Number.NaN", 0x7FF8000000000000ULL},
      {"Number.NEGATIVE_INFINITY", 0xFFF0000000000000ULL},
      {"Number.POSITIVE_INFINITY", 0x7FF0000000000000ULL},
      {"Number.MAX_VALUE", 0x7FEFFFFFFFFFFFFFULL},
      {"Number.MIN_VALUE", 0x0000000000000001ULL},
  };
  for (const BitsCase& c : cases) {
    std::optional<BuiltinConstant> value = names.ConstantValue(c.name);
    ASSERT_TRUE(value.has_value()) << c.name;
    EXPECT_EQ(value->type, BuiltinConstant::Type::Double) << c.name;
    EXPECT_EQ(std::bit_cast<uint64_t>(value->number), c.bits) << c.name;
  }
  // The patterns are the values the names promise.
  EXPECT_EQ(names.ConstantValue("Math.PI")->number, M_PI);
  EXPECT_EQ(names.ConstantValue("Math.SQRT2")->number, std::sqrt(2.0));
  EXPECT_TRUE(std::isnan(names.ConstantValue("Number.NaN")->number));
  EXPECT_EQ(names.ConstantValue("Number.MIN_VALUE")->number, 5e-324);
  EXPECT_EQ(names.Constants().size(), 31u);
}

TEST(BuiltinNamesTest, ConstantLookupIsExactAndGivesAFreshCopy) {
  const BuiltinNames names;
  for (const char* name : {"Math.pi", "math.PI", "Math", "PI", "Math.PI.x", "Key.left", "Number", "Math.foo", ""}) {
    EXPECT_FALSE(names.IsConstant(name)) << name;
    EXPECT_FALSE(names.ConstantValue(name).has_value()) << name;
  }
  std::optional<BuiltinConstant> first = names.ConstantValue("Math.PI");
  ASSERT_TRUE(first.has_value());
  first->number = 0.0;
  first->type = BuiltinConstant::Type::Integer;
  std::optional<BuiltinConstant> second = names.ConstantValue("Math.PI");
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(second->type, BuiltinConstant::Type::Double);
  EXPECT_EQ(second->number, M_PI);
}

// As push values the constants write the bytes of an integer or a double push value; each call
// gives a new value of the caller's own.
TEST(BuiltinNamesTest, ConstantsAsPushValues) {
  const BuiltinNames names;
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"Key.LEFT", {0x07, 0x25, 0x00, 0x00, 0x00}},
      {"Math.PI", {0x06, 0xFB, 0x21, 0x09, 0x40, 0x18, 0x2D, 0x44, 0x54}},
      {"Number.MIN_VALUE", {0x06, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00}},
  };
  for (const Case& c : cases) {
    GenPushValuePtr value = names.ConstantPushValue(c.name);
    ASSERT_NE(value, nullptr) << c.name;
    ActionWriter writer(6);
    value->Write(writer);
    EXPECT_EQ(writer.Bytes(), c.bytes) << c.name;
    EXPECT_EQ(value->Size(), static_cast<int32_t>(c.bytes.size())) << c.name;
  }
  GenPushValuePtr first = names.ConstantPushValue("Math.PI");
  GenPushValuePtr second = names.ConstantPushValue("Math.PI");
  EXPECT_NE(first.get(), second.get());
  first.reset();
  EXPECT_EQ(names.ConstantValue("Math.PI")->number, M_PI);
  EXPECT_EQ(names.ConstantPushValue("Math.pi"), nullptr);
}

TEST(BuiltinNamesTest, PropertiesHaveTheSwfIndices) {
  const BuiltinNames names;
  const char* const ordered[] = {
      "_x",          "_y",     "_xscale",      "_yscale",    "_currentframe", "_totalframes",  "_alpha",
      "_visible",    "_width", "_height",      "_rotation",  "_target",       "_framesloaded", "_name",
      "_droptarget", "_url",   "_highquality", "_focusrect", "_soundbuftime", "_quality",      "_xmouse",
      "_ymouse",
  };
  int32_t index = 0;
  for (const char* name : ordered) {
    EXPECT_TRUE(names.IsProperty(name)) << name;
    EXPECT_EQ(names.PropertyIndex(name), index) << name;
    ++index;
  }
  EXPECT_EQ(names.Properties().size(), 22u);
  // An unknown name shares the index 0 with "_x"; only IsProperty tells them apart.
  for (const char* name : {"_X", "x", "_xMouse", "_level0", "_root", ""}) {
    EXPECT_FALSE(names.IsProperty(name)) << name;
    EXPECT_EQ(names.PropertyIndex(name), 0) << name;
  }
}

TEST(BuiltinNamesTest, BuiltinFunctions) {
  const BuiltinNames names;
  const char* const builtins[] = {
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
  for (const char* name : builtins) EXPECT_TRUE(names.IsBuiltinFunction(name)) << name;
  EXPECT_EQ(names.BuiltinFunctions().size(), std::size(builtins));
  // Conversions are functions; the dotted constants are not.
  for (const char* name : {"number", "string", "Trace", "Number.NaN", "Int", "parseInt", "myFunc", ""}) {
    EXPECT_FALSE(names.IsBuiltinFunction(name)) << name;
  }
  EXPECT_TRUE(names.IsConstant("Number.NaN"));
}

TEST(BuiltinNamesTest, NoValueFunctionsAreTheBuiltinsThatLeaveNothing) {
  const BuiltinNames names;
  const char* const noValue[] = {
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
  for (const char* name : noValue) EXPECT_TRUE(names.IsNoValueFunction(name)) << name;
  EXPECT_EQ(names.NoValueFunctions().size(), std::size(noValue));

  // These leave a value: conversions and queries, Delete2's flag, the functions the player has
  // as actions, and the calls that are compiled as ordinary function calls (CallFunction always
  // pushes its result).
  for (const char* name :
       {"eval",   "getTimer", "getVersion", "getProperty", "hitTest",     "Number", "String",    "targetPath",
        "typeof", "void",     "delete",     "int",         "random",      "length", "substring", "chr",
        "ord",    "mbchr",    "mbord",      "mblength",    "mbsubstring", "myFunc"}) {
    EXPECT_FALSE(names.IsNoValueFunction(name)) << name;
  }
  // A call that leaves nothing must be one the generator translates itself.
  for (const std::string& name : names.NoValueFunctions()) {
    EXPECT_TRUE(names.IsBuiltinFunction(name)) << name;
  }
}

}  // namespace
