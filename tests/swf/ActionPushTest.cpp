#include <gtest/gtest.h>

#include <string>

#include "swf/ActionConstantPool.h"
#include "swf/ActionPush.h"
#include "tests/swf/ActionTestUtil.h"

namespace {

TEST(ActionPushTest, ByteTable) {
  ActionPush one(1);
  EXPECT_EQ(WriteAction(one), (Bytes{0x96, 0x05, 0x00, 0x07, 0x01, 0x00, 0x00, 0x00}));
  EXPECT_EQ(one.Size(), 8u);

  ActionPush d;
  EXPECT_EQ(d.AddDouble(1.5), 9u);
  EXPECT_EQ(WriteAction(d), (Bytes{0x96, 0x09, 0x00, 0x06, 0x00, 0x00, 0xF8, 0x3F, 0x00, 0x00, 0x00, 0x00}));

  ActionPush text(L"a");
  text.AddBoolean(true);
  EXPECT_EQ(WriteAction(text), (Bytes{0x96, 0x05, 0x00, 0x00, 0x61, 0x00, 0x05, 0x01}));

  ActionPush all;
  all.AddFloat(1.0f);
  all.AddNull();
  all.AddUndefined();
  all.AddRegister(2);
  all.AddInteger(-2);
  all.AddConstant8(7);
  all.AddConstant16(0x0102);
  EXPECT_EQ(WriteAction(all), (Bytes{0x96, 0x13, 0x00, 0x01, 0x00, 0x00, 0x80, 0x3F, 0x02, 0x03, 0x04,
                                     0x02, 0x07, 0xFE, 0xFF, 0xFF, 0xFF, 0x08, 0x07, 0x09, 0x02, 0x01}));
  EXPECT_EQ(all.Size(), 22u);
}

TEST(ActionPushTest, InsertAndRemoveKeepThePayloadLength) {
  ActionPush push(5);
  EXPECT_EQ(push.AddString(L"ab", 0), 4u);
  EXPECT_EQ(push.payloadLength, 9u);
  ASSERT_EQ(push.values.size(), 2u);
  EXPECT_EQ(push.values[0].type, PushValue::kString);
  EXPECT_EQ(WriteAction(push), (Bytes{0x96, 0x09, 0x00, 0x00, 'a', 'b', 0x00, 0x07, 0x05, 0x00, 0x00, 0x00}));

  push.AddUndefined();
  push.AddConstant16(300);
  EXPECT_EQ(push.payloadLength, 13u);
  EXPECT_EQ(push.RemoveValue(2), 1);  // undefined: 1 byte
  EXPECT_EQ(push.payloadLength, 12u);
  EXPECT_EQ(push.RemoveValue(2), 1);  // two-byte constant: 3 bytes
  EXPECT_EQ(push.payloadLength, 9u);
  EXPECT_EQ(push.RemoveValue(2), 0);
  EXPECT_EQ(push.RemoveValue(0), 1);  // "ab": n + 2
  EXPECT_EQ(push.payloadLength, 5u);
}

TEST(ActionPushTest, ConstantIndexesFrom256OnTakeTwoBytes) {
  ActionPush push;
  EXPECT_EQ(push.AddConstant8(255), 2u);
  EXPECT_EQ(push.AddConstant8(256), 3u);
  EXPECT_EQ(push.AddConstant8(-1), 0u);  // a missing string is never a reference
  EXPECT_EQ(push.AddConstant16(70000), 0u);
  EXPECT_EQ(WriteAction(push), (Bytes{0x96, 0x05, 0x00, 0x08, 0xFF, 0x09, 0x00, 0x01}));
}

TEST(ActionPushTest, PayloadNeverOutgrowsItsLengthField) {
  ActionPush push;
  const WideString big(60000, L'x');
  EXPECT_EQ(push.AddString(big), 60002u);
  EXPECT_EQ(push.AddString(WideString(6000, L'y')), 0u);
  EXPECT_EQ(push.values.size(), 1u);
  EXPECT_GT(push.AddString(WideString(5000, L'y')), 0u);
  EXPECT_LE(push.payloadLength, 0xFFFFu);
  EXPECT_EQ(WriteAction(push).size(), push.Size());
}

TEST(ActionPushTest, ReadsEveryTypeBackExactly) {
  ActionPush all(L"s");
  all.AddFloat(2.5f);
  all.AddNull();
  all.AddUndefined();
  all.AddRegister(1);
  all.AddBoolean(false);
  all.AddDouble(-0.25);
  all.AddInteger(123456);
  all.AddConstant8(3);
  all.AddConstant16(999);
  const Bytes bytes = WriteAction(all);
  auto list = ReadList(Concat({bytes, {0x00}}));
  ASSERT_EQ(list->ActionCount(), 1u);
  ASSERT_EQ(list->ActionAt(0)->Kind(), ActionKind::Push);
  const auto& read = static_cast<const ActionPush&>(*list->ActionAt(0));
  ASSERT_EQ(read.values.size(), 10u);
  EXPECT_EQ(read.values[0].text, L"s");
  EXPECT_EQ(read.values[1].Float(), 2.5f);
  EXPECT_EQ(read.values[6].number, -0.25);
  EXPECT_EQ(read.values[7].Integer(), 123456);
  EXPECT_EQ(read.values[9].bits, 999u);
  EXPECT_EQ(read.Size(), bytes.size());
  EXPECT_EQ(WriteAction(*list->ActionAt(0)), bytes);
}

TEST(ActionPushTest, UnknownTypesAndOverrunsAreKeptAsBytes) {
  const Bytes cases[] = {
      {0x96, 0x03, 0x00, 0x0A, 0x01, 0x02},  // type 10
      {0x96, 0x03, 0x00, 0x07, 0x01, 0x02},  // integer cut short
      {0x96, 0x03, 0x00, 0x00, 'a', 'b'},    // string without its terminator
      {0x96, 0x02, 0x00, 0x07, 0x01},        // integer past the payload
  };
  for (const Bytes& push : cases) {
    SCOPED_TRACE(::testing::PrintToString(push));
    const Bytes body = Concat({push, {0x07, 0x00}});
    auto list = ReadList(body);
    ASSERT_EQ(list->ActionCount(), 2u);
    EXPECT_EQ(list->ActionAt(0)->Kind(), ActionKind::Generic);
    EXPECT_EQ(WriteList(*list), body);
  }
}

TEST(ActionPushTest, TargetPathRedirectsAbsoluteReferences) {
  ActionPush slash(L"/a");
  slash.targetPath = "?ptgt";
  slash.pathLength = 5;
  EXPECT_EQ(WriteAction(slash), (Bytes{0x96, 0x09, 0x00, 0x00, '/', 'p', 't', 'g', 't', '/', 'a', 0x00}));
  EXPECT_EQ(slash.Size(), 12u);  // 5 more than the plain Push of /a

  ActionPush root(L"_root");
  root.targetPath = "?ptgt";
  root.pathLength = 5;
  const Bytes rooted = WriteAction(root);
  EXPECT_EQ(rooted, (Bytes{0x96, 0x0C, 0x00, 0x00, '_', 'r', 'o', 'o', 't', '.', 'p', 't', 'g', 't', 0x00}));
  EXPECT_EQ(root.Size(), rooted.size());

  ActionPush other(L"_Root");
  other.targetPath = "?ptgt";
  EXPECT_EQ(WriteAction(other), (Bytes{0x96, 0x07, 0x00, 0x00, '_', 'R', 'o', 'o', 't', 0x00}));
}

TEST(ActionPushTest, CopyKeepsValuesAndPath) {
  ActionPush push(L"x");
  push.AddInteger(3);
  push.targetPath = "?p";
  push.pathLength = 2;
  ActionPush copy = push;
  EXPECT_EQ(copy.payloadLength, push.payloadLength);
  EXPECT_EQ(copy.Size(), push.Size());
  EXPECT_EQ(WriteAction(copy), WriteAction(push));
}

TEST(ActionConstantPoolTest, ByteTableAndLookups) {
  ActionConstantPool pool;
  EXPECT_EQ(pool.AddString(L"x"), 0);
  EXPECT_EQ(pool.AddString(L"yy"), 1);
  EXPECT_EQ(pool.AddString(L"x"), 0);
  EXPECT_EQ(WriteAction(pool), (Bytes{0x88, 0x07, 0x00, 0x02, 0x00, 0x78, 0x00, 0x79, 0x79, 0x00}));
  EXPECT_EQ(pool.Size(), 10u);
  EXPECT_EQ(pool.IndexOf(L"yy"), 1);
  EXPECT_EQ(pool.IndexOf(L"YY"), -1);
  EXPECT_EQ(pool.AddString(L"first", 0), 0);
  EXPECT_EQ(pool.IndexOf(L"yy"), 2);

  WideString s;
  EXPECT_TRUE(pool.GetString(2, s));
  EXPECT_EQ(s, L"yy");
  EXPECT_FALSE(pool.GetString(3, s));
  ActionConstantPool empty;
  EXPECT_FALSE(empty.GetString(0, s));
  EXPECT_EQ(WriteAction(empty), (Bytes{0x88, 0x02, 0x00, 0x00, 0x00}));
  EXPECT_EQ(empty.Size(), 5u);
}

TEST(ActionConstantPoolTest, ReadKeepsTheStringsOfThePayload) {
  auto list = ReadList({0x88, 0x05, 0x00, 0x02, 0x00, 'a', 0x00, 0x00, 0x07, 0x00});
  ASSERT_EQ(list->ActionCount(), 2u);
  ASSERT_EQ(list->ActionAt(0)->Kind(), ActionKind::ConstantPool);
  const auto& pool = static_cast<const ActionConstantPool&>(*list->ActionAt(0));
  ASSERT_EQ(pool.strings.size(), 2u);
  EXPECT_EQ(pool.strings[0], L"a");
  EXPECT_EQ(pool.strings[1], L"");
  // Duplicates in a movie's pool stay where they are.
  auto dup = ReadList({0x88, 0x06, 0x00, 0x02, 0x00, 'a', 0x00, 'a', 0x00, 0x00});
  EXPECT_EQ(static_cast<const ActionConstantPool&>(*dup->ActionAt(0)).strings.size(), 2u);
}

TEST(ActionConstantPoolTest, BrokenPoolsAreKeptAsBytes) {
  const Bytes cases[] = {
      {0x88, 0x01, 0x00, 0x00},                  // no room for the count
      {0x88, 0x04, 0x00, 0x01, 0x00, 'a', 'b'},  // string crosses the end
      // the count says 5, the payload holds 2 strings
      {0x88, 0x05, 0x00, 0x05, 0x00, 'a', 0x00, 0x00},
  };
  for (const Bytes& pool : cases) {
    const Bytes body = Concat({pool, {0x07, 0x00}});
    auto list = ReadList(body);
    ASSERT_EQ(list->ActionCount(), 2u);
    EXPECT_EQ(list->ActionAt(0)->Kind(), ActionKind::Generic);
    EXPECT_EQ(WriteList(*list), body);
  }
}

TEST(ActionConstantPoolTest, LargePoolsAreReferencedWithTwoByteIndexesAndRefuseOverflow) {
  ActionConstantPool pool;
  for (int i = 0; i < 300; ++i) ASSERT_EQ(pool.AddString(L"v" + std::to_wstring(i)), i);
  ActionPush push;
  push.AddConstant8(pool.IndexOf(L"v255"));
  push.AddConstant8(pool.IndexOf(L"v256"));
  push.AddConstant8(pool.IndexOf(L"v299"));
  EXPECT_EQ(WriteAction(push), (Bytes{0x96, 0x08, 0x00, 0x08, 0xFF, 0x09, 0x00, 0x01, 0x09, 0x2B, 0x01}));

  // The payload (count and strings) fills its 16-bit length, then refuses.
  ActionConstantPool full;
  int added = 0;
  while (full.AddString(std::to_wstring(added) + WideString(200, L'.')) >= 0) ++added;
  EXPECT_LE(full.Size() - 3, 0xFFFFu);
  EXPECT_EQ(static_cast<int>(full.strings.size()), added);
  const Bytes bytes = WriteAction(full);
  EXPECT_EQ(bytes.size(), full.Size());
  EXPECT_EQ(bytes[1] | (bytes[2] << 8), static_cast<int>(bytes.size() - 3));
  EXPECT_EQ(bytes[3] | (bytes[4] << 8), added);
}

TEST(ActionConstantPoolTest, StringCountIsRefusedPastWhatTheFormatCounts) {
  ActionConstantPool pool;
  pool.strings.assign(ActionConstantPool::kMaxStrings - 1, WideString());
  pool.strings.push_back(L"");  // 65535 strings of one byte each
  EXPECT_EQ(pool.AddString(L"more"), -1);
  EXPECT_EQ(pool.strings.size(), ActionConstantPool::kMaxStrings);
}

}  // namespace
