#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "swf/ActionBranch.h"
#include "swf/ActionGeneric.h"
#include "swf/OperandActions.h"
#include "swf/SimpleActions.h"
#include "tests/swf/ActionTestUtil.h"

namespace {

struct ByteCase {
  std::string name;
  std::function<std::unique_ptr<ActionRecord>()> make;
  Bytes bytes;
};

const Bytes kASwf = {'a', '.', 's', 'w', 'f'};
const Bytes kSelf = {'_', 's', 'e', 'l', 'f'};

std::vector<ByteCase> Cases() {
  return {
      {"GotoFrame 10", [] { return std::make_unique<ActionGotoFrame>(10); }, {0x81, 0x02, 0x00, 0x0A, 0x00}},
      {"GetURL a.swf _self", [] { return std::make_unique<ActionGetUrl>(L"a.swf", L"_self"); },
       Concat({{0x83, 0x0C, 0x00}, kASwf, {0x00}, kSelf, {0x00}})},
      {"GetURL empty", [] { return std::make_unique<ActionGetUrl>(); }, {0x83, 0x02, 0x00, 0x00, 0x00}},
      {"StoreRegister 3", [] { return std::make_unique<ActionStoreRegister>(3); }, {0x87, 0x01, 0x00, 0x03}},
      {"WaitForFrame 258 skip 4",
       [] { return std::make_unique<ActionWaitForFrame>(258, 4); },
       {0x8A, 0x03, 0x00, 0x02, 0x01, 0x04}},
      {"SetTarget _parent",
       [] { return std::make_unique<ActionSetTarget>(L"_parent"); },
       {0x8B, 0x08, 0x00, '_', 'p', 'a', 'r', 'e', 'n', 't', 0x00}},
      {"SetTarget empty", [] { return std::make_unique<ActionSetTarget>(); }, {0x8B, 0x01, 0x00, 0x00}},
      {"GoToLabel loaderdone",
       [] { return std::make_unique<ActionGoToLabel>(L"loaderdone"); },
       {0x8C, 0x0B, 0x00, 'l', 'o', 'a', 'd', 'e', 'r', 'd', 'o', 'n', 'e', 0x00}},
      {"WaitForFrame2 skip 2", [] { return std::make_unique<ActionWaitForFrame2>(2); }, {0x8D, 0x01, 0x00, 0x02}},
      {"With block 7",
       [] {
         auto a = std::make_unique<ActionWith>();
         a->blockSize = 7;
         return a;
       },
       {0x94, 0x02, 0x00, 0x07, 0x00}},
      {"With named",
       [] {
         auto a = std::make_unique<ActionWith>();
         a->blockSize = 1;
         a->name = L"o";
         return a;
       },
       {0x94, 0x04, 0x00, 0x01, 0x00, 'o', 0x00}},
      {"Jump 2", [] { return std::make_unique<ActionJump>(2); }, {0x99, 0x02, 0x00, 0x02, 0x00}},
      {"GetURL2 0x40", [] { return std::make_unique<ActionGetUrl2>(0x40); }, {0x9A, 0x01, 0x00, 0x40}},
      {"DefineFunction empty, code size 22",
       [] {
         auto a = std::make_unique<ActionDefineFunction>();
         a->codeSize = 22;
         return a;
       },
       {0x9B, 0x05, 0x00, 0x00, 0x00, 0x00, 0x16, 0x00}},
      {"DefineFunction f(a, bc)",
       [] {
         auto a = std::make_unique<ActionDefineFunction>(L"f");
         a->parameters = {L"a", L"bc"};
         a->codeSize = 3;
         return a;
       },
       {0x9B, 0x0B, 0x00, 'f', 0x00, 0x02, 0x00, 'a', 0x00, 'b', 'c', 0x00, 0x03, 0x00}},
      {"If -10", [] { return std::make_unique<ActionIf>(-10); }, {0x9D, 0x02, 0x00, 0xF6, 0xFF}},
      {"GotoFrame2 play, scene bias 2",
       [] {
         auto a = std::make_unique<ActionGotoFrame2>(0x03);
         a->sceneBias = 2;
         return a;
       },
       {0x9F, 0x03, 0x00, 0x03, 0x02, 0x00}},
      {"GotoFrame2 play", [] { return std::make_unique<ActionGotoFrame2>(0x01); }, {0x9F, 0x01, 0x00, 0x01}},
  };
}

// Every built action writes its exact bytes, reports them as its Size, and reads
// back (in a list, as a movie is read) into an object that writes them again.
TEST(OperandActions, BuiltActionsWriteTheirBytesAndReadBack) {
  for (const ByteCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<ActionRecord> action = c.make();
    EXPECT_EQ(WriteAction(*action), c.bytes);
    EXPECT_EQ(action->Size(), c.bytes.size());
    EXPECT_EQ(WriteAction(*action->Clone()), c.bytes);

    auto list = ReadList(Concat({c.bytes, {0x00}}));
    ASSERT_EQ(list->ActionCount(), 1u);
    ActionRecord* read = list->ActionAt(0);
    EXPECT_EQ(read->ActionCode(), c.bytes[0]);
    // DefineFunction is read as bytes; every other class reads into itself.
    if (c.bytes[0] == 0x9B)
      EXPECT_EQ(read->Kind(), ActionKind::Generic);
    else
      EXPECT_EQ(read->Kind(), action->Kind());
    EXPECT_EQ(read->Size(), c.bytes.size());
    EXPECT_EQ(WriteAction(*read), c.bytes);
  }
}

TEST(OperandActions, DefineFunctionReadsItsFields) {
  Bytes body = {0x0B, 0x00, 'f', 0x00, 0x02, 0x00, 'a', 0x00, 'b', 'c', 0x00, 0x03, 0x00};
  SwfReader reader(body, 6);
  ActionDefineFunction f(L"old");
  f.parameters = {L"x", L"y", L"z"};
  EXPECT_EQ(f.Read(reader), body.size());
  EXPECT_EQ(f.name, L"f");
  ASSERT_EQ(f.parameters.size(), 2u);
  EXPECT_EQ(f.parameters[1], L"bc");
  EXPECT_EQ(f.codeSize, 3);
}

TEST(OperandActions, RelocationMovesOnlyFrameNumbers) {
  ActionGotoFrame gotoFrame(10);
  gotoFrame.Relocate(100, 100, 5);
  EXPECT_EQ(WriteAction(gotoFrame), (Bytes{0x81, 0x02, 0x00, 0x0F, 0x00}));
  ActionWaitForFrame wait(0xFFFF, 1);
  wait.Relocate(0, 0, 2);  // wraps in 16 bits
  EXPECT_EQ(wait.frame, 1);
  ActionGotoFrame2 gotoFrame2(0x01);
  gotoFrame2.Relocate(0, 0, 5);
  EXPECT_EQ(WriteAction(gotoFrame2), (Bytes{0x9F, 0x01, 0x00, 0x01}));
}

TEST(OperandActions, CopiesOfBranchesAndSetTargetStartFresh) {
  ActionIf branch(12);
  branch.spanCount = 3;
  branch.spanBytes = 12;
  auto copy = branch.Clone();
  EXPECT_EQ(static_cast<ActionIf&>(*copy).offset, 12);
  EXPECT_EQ(static_cast<ActionIf&>(*copy).spanCount, 0u);
  ActionSetTarget target(L"clip");
  target.pathPrefix = L"/p";
  EXPECT_EQ(WriteAction(target), (Bytes{0x8B, 0x07, 0x00, '/', 'p', 'c', 'l', 'i', 'p', 0x00}));
  EXPECT_EQ(target.Size(), 10u);
  auto targetCopy = target.Clone();
  EXPECT_EQ(WriteAction(*targetCopy), (Bytes{0x8B, 0x05, 0x00, 'c', 'l', 'i', 'p', 0x00}));
}

TEST(OperandActions, GotoFrame2PadByteInsideTheBody) {
  const Bytes body = {0x9F, 0x01, 0x00, 0x01, 0x00, 0x07, 0x00};
  auto list = ReadList(body);
  ASSERT_EQ(list->ActionCount(), 2u);
  EXPECT_EQ(list->ActionAt(0)->Size(), 5u);
  EXPECT_EQ(list->ActionAt(1)->ActionCode(), 0x07);
  EXPECT_EQ(WriteList(*list), body);

  // Without pad detection the 0 is an End with code after it: kept, and the Stop too.
  auto plain = ReadList(body, 6, false);
  ASSERT_EQ(plain->ActionCount(), 3u);
  EXPECT_EQ(plain->ActionAt(0)->Size(), 4u);
  EXPECT_EQ(plain->ActionAt(1)->ActionCode(), 0x00);
  EXPECT_EQ(WriteList(*plain), body);

  // The last 0 of the body is the list's End, never a pad byte.
  const Bytes last = {0x9F, 0x01, 0x00, 0x01, 0x00};
  auto ending = ReadList(last);
  ASSERT_EQ(ending->ActionCount(), 1u);
  EXPECT_EQ(ending->ActionAt(0)->Size(), 4u);
  EXPECT_EQ(WriteList(*ending), last);
}

TEST(OperandActions, WithOfLengthTwoHasNoName) {
  auto list = ReadList({0x94, 0x02, 0x00, 0x09, 0x00, 0x00});
  ASSERT_EQ(list->ActionCount(), 1u);
  ASSERT_EQ(list->ActionAt(0)->Kind(), ActionKind::With);
  auto* with = static_cast<ActionWith*>(list->ActionAt(0));
  EXPECT_TRUE(with->name.empty());
  EXPECT_EQ(with->blockSize, 9);
  EXPECT_EQ(WriteAction(*with), (Bytes{0x94, 0x02, 0x00, 0x09, 0x00}));
}

// Payloads that do not match their action's layout are kept as bytes, so the
// actions after them are read as they are and nothing is rewritten.
TEST(OperandActions, PayloadsThatDoNotFitTheirLayoutAreKeptAsBytes) {
  const Bytes cases[] = {
      {0x81, 0x03, 0x00, 0x0A, 0x00, 0x00},               // GotoFrame with a trailing 0 byte
      {0x81, 0x01, 0x00, 0x0A},                           // GotoFrame too short
      {0x87, 0x00, 0x00},                                 // StoreRegister without its byte
      {0x83, 0x06, 0x00, 'a', '.', 's', 'w', 'f', 0x00},  // GetURL without a target
      {0x83, 0x03, 0x00, 'a', 'b', 'c'},                  // GetURL without a terminator
      {0x8C, 0x03, 0x00, 'a', 0x00, 0x07},                // GoToLabel with a byte after its text
      {0x8B, 0x02, 0x00, 'a', 'b'},                       // SetTarget without a terminator
      {0x94, 0x01, 0x00, 0x05},                           // With too short
      {0x99, 0x03, 0x00, 0x01, 0x00, 0x07},               // Jump with a third byte
      {0x9D, 0x01, 0x00, 0x00},                           // If too short
      {0x9A, 0x02, 0x00, 0x01, 0x00},                     // GetURL2 too long
      {0x9F, 0x01, 0x00, 0x03},                           // GotoFrame2 with a bias flag but no bias
      {0x8D, 0x02, 0x00, 0x01, 0x00},                     // WaitForFrame2 too long
  };
  for (const Bytes& action : cases) {
    SCOPED_TRACE(::testing::PrintToString(action));
    const Bytes body = Concat({action, {0x06, 0x07, 0x00}});
    auto list = ReadList(body);
    ASSERT_EQ(list->ActionCount(), 3u);
    EXPECT_EQ(list->ActionAt(0)->Kind(), ActionKind::Generic);
    EXPECT_EQ(list->ActionAt(0)->ActionCode(), action[0]);
    EXPECT_EQ(list->ActionAt(1)->ActionCode(), 0x06);
    EXPECT_EQ(list->ActionAt(2)->ActionCode(), 0x07);
    EXPECT_EQ(WriteList(*list), body);
  }
}

TEST(OperandActions, ActionRunningPastTheListEndsIt) {
  // The length claims 9 bytes where 2 remain: kept as the bytes that exist.
  SwfReader reader(Bytes{0x07, 0x81, 0x09, 0x00, 0x01, 0x00}, 6);
  DoActionTag list;
  list.Read(reader);
  ASSERT_EQ(list.ActionCount(), 2u);
  EXPECT_EQ(list.ActionAt(1)->Kind(), ActionKind::Generic);
  EXPECT_TRUE(reader.HasOverrun());
}

}  // namespace
