// The generator's own action records and push values: their bytes, their sizes (always the
// bytes they write), the constant pool's limits, push merging, and the 16-bit fields that
// refuse values they cannot hold.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "script/GenAction.h"
#include "script/GenerationContext.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Written(GenList& list, int32_t version = 6) { return WriteGenActions(list, version); }

Bytes WrittenRecord(GenActionPtr record, int32_t version = 6) {
  GenList list;
  list.push_back(std::move(record));
  return Written(list, version);
}

Bytes WrittenValue(const GenPushValue& value) {
  ActionWriter writer(6);
  value.Write(writer);
  EXPECT_EQ(static_cast<int32_t>(writer.Position()), value.Size());
  return writer.TakeBytes();
}

std::string Hex(const Bytes& bytes) {
  std::string text;
  for (uint8_t b : bytes) {
    char buffer[4];
    std::snprintf(buffer, sizeof buffer, "%02X", b);
    if (!text.empty()) text += ' ';
    text += buffer;
  }
  return text;
}

GenList Body(std::initializer_list<int32_t> codes) {
  GenList list;
  for (int32_t code : codes) AppendAction(list, code);
  return list;
}

TEST(GenActionTest, ConsecutivePushesMergeIntoOneAction) {
  GenerationContext context(6);
  GenList list;
  AppendPushString(context, list, "abc");
  AppendPushNumber(list, 7);
  AppendPushValue(list, std::make_unique<PushNull>());
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(Hex(Written(list)), "96 0B 00 00 61 62 63 00 07 07 00 00 00 02");
}

TEST(GenActionTest, PushValueBytes) {
  struct Case {
    GenPushValuePtr value;
    const char* bytes;
  };
  Case cases[] = {
      {std::make_unique<PushDouble>(1.0), "06 00 00 F0 3F 00 00 00 00"},
      {std::make_unique<PushDouble>(0.5), "06 00 00 E0 3F 00 00 00 00"},
      {std::make_unique<PushDouble>(std::bit_cast<double>(uint64_t{0x400921FB54442D18})), "06 FB 21 09 40 18 2D 44 54"},
      {std::make_unique<PushInteger>(-1), "07 FF FF FF FF"},
      {std::make_unique<PushInteger>(16384 + 3), "07 03 40 00 00"},
      {std::make_unique<PushConstant>(255), "08 FF"},
      {std::make_unique<PushConstant>(256), "09 00 01"},
      {std::make_unique<PushConstant>(65534), "09 FE FF"},
      {std::make_unique<PushString>(""), "00 00"},
      {std::make_unique<PushString>("hi"), "00 68 69 00"},
      {std::make_unique<PushNull>(), "02"},
      {std::make_unique<PushUndefined>(), "03"},
      {std::make_unique<PushRegister>(0), "04 00"},
      {std::make_unique<PushBoolean>(true), "05 01"},
      {std::make_unique<PushBoolean>(false), "05 00"},
  };
  for (Case& c : cases) {
    EXPECT_EQ(Hex(WrittenValue(*c.value)), c.bytes);
    GenPushValuePtr copy = c.value->Clone();
    EXPECT_EQ(copy->Type(), c.value->Type());
    EXPECT_EQ(Hex(WrittenValue(*copy)), c.bytes);
  }
}

TEST(GenActionTest, NumbersPushZeroAsDouble) {
  GenList zero, minusOne;
  AppendPushNumber(zero, 0);
  AppendPushNumber(minusOne, -1);
  EXPECT_EQ(Hex(Written(zero)), "96 09 00 06 00 00 00 00 00 00 00 00");
  EXPECT_EQ(Hex(Written(minusOne)), "96 05 00 07 FF FF FF FF");
}

TEST(GenActionTest, OperandActionBytes) {
  struct Case {
    int32_t code;
    int64_t operand;
    const char* bytes;
  };
  const Case cases[] = {
      {GenCode::If, -5, "9D 02 00 FB FF"},           {GenCode::Jump, 300, "99 02 00 2C 01"},
      {GenCode::StoreRegister, 0, "87 01 00 00"},    {GenCode::GetUrl2, 0xC2, "9A 01 00 C2"},
      {GenCode::GotoFrame2, 1, "9F 01 00 01"},       {GenCode::GotoFrame, 4, "81 02 00 04 00"},
      {GenCode::GotoFrame, 65535, "81 02 00 FF FF"}, {GenCode::With, 12, "94 02 00 0C 00"},
      {GenCode::Jump, -32768, "99 02 00 00 80"},     {GenCode::If, 32767, "9D 02 00 FF 7F"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Hex(WrittenRecord(std::make_unique<GenOperandAction>(c.code, c.operand))), c.bytes) << c.code;
  }
}

TEST(GenActionTest, SimpleActionsAndCall) {
  EXPECT_EQ(Hex(WrittenRecord(std::make_unique<GenSimpleAction>(GenCode::Add2))), "47");
  EXPECT_EQ(Hex(WrittenRecord(std::make_unique<GenSimpleAction>(GenCode::Call))), "9E 00 00");
}

TEST(GenActionTest, UrlPoolAndFunctionBytes) {
  EXPECT_EQ(Hex(WrittenRecord(std::make_unique<GenUrlAction>("a", "_b"))), "83 05 00 61 00 5F 62 00");
  EXPECT_EQ(Hex(WrittenRecord(std::make_unique<GenUrlAction>("", ""))), "83 02 00 00 00");
  EXPECT_EQ(Hex(WrittenRecord(std::make_unique<GenConstantPool>(std::vector<std::string>{"x", "yz"}))),
            "88 07 00 02 00 78 00 79 7A 00");
  EXPECT_EQ(Hex(WrittenRecord(std::make_unique<GenConstantPool>(std::vector<std::string>{}))), "88 02 00 00 00");
  // Header: code, length (name + 5 + parameters, up to the body size), name, count, each
  // parameter, body size; then the body.
  EXPECT_EQ(Hex(WrittenRecord(std::make_unique<GenDefineFunction>("f", std::vector<std::string>{"a", "bc"},
                                                                  Body({GenCode::Play, GenCode::Stop})))),
            "9B 0B 00 66 00 02 00 61 00 62 63 00 02 00 06 07");
  EXPECT_EQ(Hex(WrittenRecord(std::make_unique<GenDefineFunction>("", std::vector<std::string>{}, GenList{}))),
            "9B 05 00 00 00 00 00 00");
}

TEST(GenActionTest, ClipEventHandlerByVersion) {
  EXPECT_EQ(Hex(WrittenRecord(std::make_unique<GenEventHandler>(GenCode::ClipEventHandler, 1, GenList{}), 5)),
            "01 00 01 00 00 00 00");
  EXPECT_EQ(Hex(WrittenRecord(std::make_unique<GenEventHandler>(GenCode::ClipEventHandler, 1, GenList{}), 6)),
            "01 00 00 00 01 00 00 00 00");
  EXPECT_EQ(
      Hex(WrittenRecord(std::make_unique<GenEventHandler>(GenCode::ClipEventHandler, 2, Body({GenCode::Play})), 6)),
      "02 00 00 00 02 00 00 00 06 00");
  EXPECT_EQ(Hex(WrittenRecord(std::make_unique<GenEventHandler>(GenCode::ButtonCondition, 12, Body({GenCode::Stop})))),
            "0C 00 07 00");
}

TEST(GenActionTest, RecordListsByCode) {
  auto buttons = [] {
    GenList handlers;
    handlers.push_back(std::make_unique<GenEventHandler>(GenCode::ButtonCondition, 8, Body({GenCode::Play})));
    handlers.push_back(std::make_unique<GenEventHandler>(GenCode::ButtonCondition, 1, Body({GenCode::Stop})));
    return std::make_unique<GenRecordList>(GenCode::ButtonConditionList, std::move(handlers));
  };
  // Each condition is 4 bytes: the first offset is 6, the last 0.
  EXPECT_EQ(Hex(WrittenRecord(buttons())), "06 00 08 00 06 00 00 00 01 00 07 00");

  auto clips = [] {
    GenList handlers;
    handlers.push_back(std::make_unique<GenEventHandler>(GenCode::ClipEventHandler, 1, GenList{}));
    handlers.push_back(std::make_unique<GenEventHandler>(GenCode::ClipEventHandler, 4, GenList{}));
    return std::make_unique<GenRecordList>(GenCode::ClipActionList, std::move(handlers));
  };
  EXPECT_EQ(Hex(WrittenRecord(clips(), 5)), "00 00 05 00 01 00 01 00 00 00 00 04 00 01 00 00 00 00 00 00");
  EXPECT_EQ(Hex(WrittenRecord(clips(), 6)),
            "00 00 05 00 00 00 01 00 00 00 01 00 00 00 00 04 00 00 00 01 00 00 00 00 00 00 00 00");
  EXPECT_EQ(
      Hex(WrittenRecord(std::make_unique<GenRecordList>(GenCode::PlainList, Body({GenCode::Play, GenCode::Stop})))),
      "06 07");
}

TEST(GenActionTest, PoolLimitsByVersion) {
  for (int32_t version : {5, 6}) {
    GenerationContext context(version);
    for (int i = 0; i < 257; ++i) context.AddPoolString("s" + std::to_string(i));
    EXPECT_FALSE(context.poolUsed);
    context.AddPoolString("s0");
    EXPECT_TRUE(context.poolUsed);
    GenList list;
    AppendPushString(context, list, "s255");
    AppendPushString(context, list, "s256");
    auto& push = static_cast<GenPush&>(*list.back());
    ASSERT_EQ(push.values.size(), 2u);
    EXPECT_EQ(push.values[0]->Type(), PushValueType::Constant);
    // The 257th string has no room below version 6 and is pushed inline.
    EXPECT_EQ(push.values[1]->Type(), version < 6 ? PushValueType::String : PushValueType::Constant);
    EXPECT_EQ(context.PoolIndexOf("s256"), version < 6 ? -1 : 256);
  }
}

TEST(GenActionTest, PoolCountAndLengthNeverWrapTheirSixteenBits) {
  GenerationContext context(6);
  for (int i = 0; i < 65536; ++i) context.AddPoolString(std::to_string(i));
  context.AddPoolString("0");
  ASSERT_TRUE(context.poolUsed);
  size_t count = context.Pool().size();
  EXPECT_GT(count, 256u);
  EXPECT_LT(count, 65536u);
  Bytes bytes = WrittenRecord(context.NewConstantPool());
  ASSERT_GE(bytes.size(), 5u);
  EXPECT_EQ(static_cast<size_t>(bytes[3] | bytes[4] << 8), count);
  EXPECT_EQ(bytes.size(), static_cast<size_t>(3 + (bytes[1] | bytes[2] << 8)));
  // What no longer fits is pushed inline.
  std::string last = std::to_string(65535);
  EXPECT_EQ(context.PoolIndexOf(last), -1);
  GenList list;
  AppendPushString(context, list, last);
  EXPECT_EQ(static_cast<GenPush&>(*list.back()).values.back()->Type(), PushValueType::String);
}

TEST(GenActionTest, PoolStopsBeforeItsLengthPassesSixteenBits) {
  GenerationContext context(6);
  const std::string big(30000, 'a');
  context.AddPoolString(big + "1");
  context.AddPoolString(big + "2");
  context.AddPoolString(big + "3");  // would take the pool action past 65535 bytes
  context.AddPoolString("short");
  EXPECT_EQ(context.Pool().size(), 3u);
  EXPECT_EQ(context.PoolIndexOf(big + "3"), -1);
  EXPECT_EQ(context.PoolIndexOf("short"), 2);
  EXPECT_NO_THROW(WrittenRecord(context.NewConstantPool()));
}

TEST(GenActionTest, LongPushesGoOnInANewPush) {
  GenerationContext context(6);
  GenList list;
  const std::string big(40000, 'x');
  AppendPushString(context, list, big);
  AppendPushString(context, list, big);
  AppendPushNumber(list, 1);
  ASSERT_EQ(list.size(), 2u);
  Bytes bytes = Written(list);
  size_t first = 3 + (bytes[1] | bytes[2] << 8);
  EXPECT_EQ(first, 3u + 40002u);
  ASSERT_LT(first, bytes.size());
  EXPECT_EQ(bytes[first], 0x96);
  EXPECT_EQ(bytes.size(), first + 3 + (bytes[first + 1] | bytes[first + 2] << 8));
}

TEST(GenActionTest, SealedPushIsNotGrown) {
  GenList list;
  AppendPushNumber(list, 1);
  list.back()->sealed = true;
  AppendPushNumber(list, 2);
  EXPECT_EQ(list.size(), 2u);
  GenList region;
  AppendPushNumber(region, 3);
  AppendRegion(list, region);
  EXPECT_TRUE(list.back()->sealed);
  AppendPushNumber(list, 4);
  EXPECT_EQ(list.size(), 4u);
}

TEST(GenActionTest, FieldsTooSmallForTheirValueAreErrors) {
  auto fails = [](GenActionPtr record) {
    GenList list;
    list.push_back(std::move(record));
    EXPECT_THROW(WriteGenActions(list, 6), ScriptGenerateError);
  };
  fails(std::make_unique<GenOperandAction>(GenCode::If, 32768));
  fails(std::make_unique<GenOperandAction>(GenCode::Jump, -32769));
  fails(std::make_unique<GenOperandAction>(GenCode::With, 65536));
  fails(std::make_unique<GenOperandAction>(GenCode::GotoFrame, -1));
  fails(std::make_unique<GenOperandAction>(GenCode::StoreRegister, 256));
  fails(std::make_unique<GenOperandAction>(GenCode::BreakPlaceholder, 0));
  fails(std::make_unique<GenUrlAction>(std::string(65534, 'u'), ""));

  auto push = std::make_unique<GenPush>();
  push->values.push_back(std::make_unique<PushString>(std::string(65534, 's')));
  fails(std::move(push));

  GenList body;
  for (int i = 0; i < 70000; ++i) AppendAction(body, GenCode::Play);
  fails(std::make_unique<GenDefineFunction>("f", std::vector<std::string>{}, std::move(body)));
  fails(std::make_unique<GenDefineFunction>(std::string(65531, 'n'), std::vector<std::string>{}, GenList{}));
  fails(std::make_unique<GenEventHandler>(GenCode::ButtonCondition, 65536, GenList{}));

  GenList clip;
  clip.push_back(std::make_unique<GenEventHandler>(GenCode::ClipEventHandler, 0x10000, GenList{}));
  GenList clipList;
  clipList.push_back(std::make_unique<GenRecordList>(GenCode::ClipActionList, std::move(clip)));
  EXPECT_THROW(WriteGenActions(clipList, 5), ScriptGenerateError);
}

TEST(GenActionTest, SizesAreTheWrittenBytes) {
  GenList list;
  list.push_back(std::make_unique<GenConstantPool>(std::vector<std::string>{"a"}));
  AppendPushNumber(list, 3);
  AppendOperandAction(list, GenCode::If, 1);
  AppendAction(list, GenCode::Play);
  list.push_back(std::make_unique<GenUrlAction>("u", "t"));
  list.push_back(std::make_unique<GenDefineFunction>("g", std::vector<std::string>{"p"}, Body({GenCode::Stop})));
  for (int32_t version : {5, 6, 8}) {
    int64_t total = GenListLength(list, version);
    EXPECT_EQ(static_cast<int64_t>(WriteGenActions(list, version).size()), total);
  }
}

TEST(GenActionTest, IntegerLiterals) {
  struct Case {
    const char* text;
    int64_t value;
  };
  const Case cases[] = {
      {"0x1F", 31},
      {"0X1f", 31},
      {"123", 123},
      {"1e5", 245},
      {"1a", 20},
      {"1.5", 1},
      {"007", 7},
      {"0", 0},
      {"0x", 0},
      {"", 0},
      {"2147483647", 2147483647},
      {"0xFFFFFFFF", 4294967295},
      {"3000000000", 3000000000},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseIntegerLiteral(c.text), c.value) << c.text;
  // A literal far beyond 32 bits stays beyond them instead of overflowing.
  EXPECT_GT(ParseIntegerLiteral("99999999999999999999999999"), int64_t{std::numeric_limits<uint32_t>::max()});
}

}  // namespace
