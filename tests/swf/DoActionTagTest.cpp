#include <gtest/gtest.h>

#include "swf/ActionBranch.h"
#include "swf/ActionGeneric.h"
#include "swf/ActionPush.h"
#include "swf/OperandActions.h"
#include "swf/SimpleActions.h"
#include "tests/support/ActionChecker.h"
#include "tests/swf/ActionTestUtil.h"

namespace {

// Writes the list and checks its bytes with the independent checker.
Bytes WriteChecked(DoActionTag& list, uint8_t version = 6) {
  Bytes bytes = WriteList(list, version);
  actioncheck::CheckResult r = actioncheck::CheckActionList(bytes);
  EXPECT_TRUE(r.Ok()) << r.Report();
  return bytes;
}

int16_t OffsetAt(const Bytes& bytes, size_t at) { return static_cast<int16_t>(bytes[at + 3] | (bytes[at + 4] << 8)); }

TEST(DoActionTagTest, TrackedBranchSpansTheActionsUpToEndBranch) {
  DoActionTag list;
  list.AddAction(std::make_unique<ActionNot>());
  list.AddAction(std::make_unique<ActionIf>(0));
  EXPECT_EQ(list.AddAction(std::make_unique<ActionPush>(1)), 8u);
  list.AddAction(std::make_unique<ActionSetVariable>());
  list.EndBranch();
  EXPECT_EQ(list.OpenBranchCount(), 0u);
  const Bytes bytes = WriteChecked(list);
  EXPECT_EQ(bytes,
            (Bytes{0x12, 0x9D, 0x02, 0x00, 0x09, 0x00, 0x96, 0x05, 0x00, 0x07, 0x01, 0x00, 0x00, 0x00, 0x1D, 0x00}));
}

// Every open branch grows with each action appended, so an outer branch lands
// after the inner branch's body too.
TEST(DoActionTagTest, NestedBranchesAllGrow) {
  DoActionTag list;
  auto a = std::make_unique<ActionIf>(0);
  auto b = std::make_unique<ActionIf>(0);
  ActionIf* outer = a.get();
  ActionIf* inner = b.get();
  list.AddAction(std::move(a));
  list.AddAction(std::move(b));
  list.AddAction(std::make_unique<ActionPush>(7));  // x: 8 bytes
  list.EndBranch();
  list.AddAction(std::make_unique<ActionStop>());  // y: 1 byte
  list.EndBranch();
  EXPECT_EQ(inner->offset, 8);
  EXPECT_EQ(outer->offset, 5 + 8 + 1);
  WriteChecked(list);
}

// If-else: the If lands after the Jump that the then-part ends with, while the Jump is still
// open and innermost; the Jump lands at the end. A branch that is not open is left alone.
TEST(DoActionTagTest, ANamedBranchLandsWhereverItStandsAmongTheOpenOnes) {
  DoActionTag list;
  auto test = std::make_unique<ActionIf>(0);
  auto over = std::make_unique<ActionJump>(0);
  ActionIf* toElse = test.get();
  ActionJump* toEnd = over.get();
  list.AddAction(std::move(test));
  list.AddAction(std::make_unique<ActionPush>(7));  // then: 8 bytes
  list.AddAction(std::move(over));
  list.EndBranch(toElse);
  list.EndBranch(toElse);                          // closed already: nothing
  list.AddAction(std::make_unique<ActionStop>());  // else: 1 byte
  list.AddAction(std::make_unique<ActionPlay>());  // 1 byte
  list.EndBranch(toEnd);
  list.AddAction(std::make_unique<ActionStop>());  // after both
  EXPECT_EQ(toElse->offset, 8 + 5);
  EXPECT_EQ(toEnd->offset, 1 + 1);
  EXPECT_EQ(list.OpenBranchCount(), 0u);
  const Bytes bytes = WriteChecked(list);
  EXPECT_EQ(OffsetAt(bytes, 0), 8 + 5);
  EXPECT_EQ(OffsetAt(bytes, 5 + 8), 1 + 1);
}

TEST(DoActionTagTest, SequentialBranchesAsTheGeneratorBuildsThem) {
  // Push; Equals2; PushDuplicate; Not; If -> A; Pop; condition; A: Not; If -> end; body; end.
  DoActionTag list;
  list.AddAction(std::make_unique<ActionPush>(L"bmsg0"));
  list.AddAction(std::make_unique<ActionEquals2>());
  list.AddAction(std::make_unique<ActionPushDuplicate>());
  list.AddAction(std::make_unique<ActionNot>());
  list.AddAction(std::make_unique<ActionIf>(0));
  list.AddAction(std::make_unique<ActionPop>());
  list.AddAction(std::make_unique<ActionPush>(3));
  list.AddAction(std::make_unique<ActionGetTime>());
  list.AddAction(std::make_unique<ActionLess2>());
  list.EndBranch();
  list.AddAction(std::make_unique<ActionNot>());
  list.AddAction(std::make_unique<ActionIf>(0));
  list.AddAction(std::make_unique<ActionPush>(L"bmsg0"));
  list.AddAction(std::make_unique<ActionPush>(1));
  list.AddAction(std::make_unique<ActionSetVariable>());
  list.EndBranch();
  const Bytes bytes = WriteChecked(list);
  // The first If spans Pop, Push int, GetTime, Less2; the second the body.
  const size_t firstIf = 10 + 1 + 1 + 1;
  EXPECT_EQ(bytes[firstIf], 0x9D);
  EXPECT_EQ(OffsetAt(bytes, firstIf), 1 + 8 + 1 + 1);
  const size_t secondIf = firstIf + 5 + 11 + 1;
  EXPECT_EQ(bytes[secondIf], 0x9D);
  EXPECT_EQ(OffsetAt(bytes, secondIf), 10 + 8 + 1);
}

TEST(DoActionTagTest, TrackingOffKeepsGivenOffsets) {
  DoActionTag list;
  list.SetBranchTracking(false, false);
  list.AddAction(std::make_unique<ActionJump>(2));
  list.AddAction(std::make_unique<ActionPreviousFrame>());
  list.AddAction(std::make_unique<ActionPlay>());
  const Bytes bytes = WriteChecked(list);
  EXPECT_EQ(OffsetAt(bytes, 0), 2);
  list.SetBranchTracking(true, true);
  EXPECT_TRUE(list.IsBranchTracking());
  EXPECT_EQ(list.OpenBranchCount(), 0u);
}

TEST(DoActionTagTest, TrackedBackwardJumpGrowsLikeAnyBranch) {
  DoActionTag list;
  auto jump = std::make_unique<ActionJump>(-20);
  ActionJump* j = jump.get();
  list.AddAction(std::move(jump));
  list.AddAction(std::make_unique<ActionStop>());
  list.AddAction(std::make_unique<ActionPlay>());
  EXPECT_EQ(j->offset, -18);
  list.EndBranch();
  list.AddAction(std::make_unique<ActionStop>());
  EXPECT_EQ(j->offset, -18);
}

TEST(DoActionTagTest, EmptyListsAndHeaders) {
  DoActionTag empty;
  SwfBitWriter w(6);
  EXPECT_EQ(empty.Write(w), 0u);
  EXPECT_EQ(w.GetByteCount(), 0u);
  empty.embedded = true;
  EXPECT_EQ(empty.Write(w), 1u);
  EXPECT_EQ(w.GetBytes(), Bytes{0x00});
  DoActionTag plain;
  EXPECT_EQ(WriteList(plain), Bytes{0x00});

  DoActionTag ten;
  ten.AddAction(std::make_unique<ActionPush>(1));
  ten.AddAction(std::make_unique<ActionStop>());
  ten.AddAction(std::make_unique<ActionPlay>());
  SwfBitWriter tagWriter(6);
  EXPECT_EQ(ten.Write(tagWriter), 17u);
  EXPECT_EQ(tagWriter.GetBytes(), (Bytes{0x3F, 0x03, 0x0B, 0x00, 0x00, 0x00, 0x96, 0x05, 0x00, 0x07, 0x01, 0x00, 0x00,
                                         0x00, 0x07, 0x06, 0x00}));
  ten.embedded = true;
  SwfBitWriter embeddedWriter(6);
  EXPECT_EQ(ten.Write(embeddedWriter), 11u);
}

TEST(DoActionTagTest, DropOptionsLeaveActionsOutAndKeepBranchesRight) {
  DoActionTag list;
  list.dropGotoFrame = true;
  list.droppedFrame = 5;
  list.AddAction(std::make_unique<ActionGotoFrame>(5));
  list.AddAction(std::make_unique<ActionPlay>());
  list.AddAction(std::make_unique<ActionStop>());
  EXPECT_EQ(WriteList(list), (Bytes{0x07, 0x00}));
  list.Clear();
  list.AddAction(std::make_unique<ActionGotoFrame>(4));
  list.AddAction(std::make_unique<ActionPlay>());
  EXPECT_EQ(WriteList(list), (Bytes{0x81, 0x02, 0x00, 0x04, 0x00, 0x06, 0x00}));

  // An If over a Stop that is left out lands where it did, one byte nearer.
  DoActionTag drop;
  drop.dropStop = true;
  drop.AddAction(std::make_unique<ActionIf>(0));
  drop.AddAction(std::make_unique<ActionStop>());
  drop.AddAction(std::make_unique<ActionPlay>());
  drop.EndBranch();
  drop.AddAction(std::make_unique<ActionNextFrame>());
  EXPECT_EQ(WriteChecked(drop), (Bytes{0x9D, 0x02, 0x00, 0x01, 0x00, 0x06, 0x04, 0x00}));
}

TEST(DoActionTagTest, ReadingTurnsTrackingOnAndLeavesNoOpenBranch) {
  DoActionTag list;
  list.SetBranchTracking(false, false);
  SwfReader reader(Bytes{0x99, 0x02, 0x00, 0x01, 0x00, 0x07, 0x00}, 6);
  list.Read(reader);
  EXPECT_TRUE(list.IsBranchTracking());
  EXPECT_EQ(list.OpenBranchCount(), 0u);
  list.AddAction(std::make_unique<ActionPlay>());
  EXPECT_EQ(static_cast<ActionJump*>(list.ActionAt(0))->offset, 1);
}

TEST(DoActionTagTest, ListWithoutEndStopsAtTheBodyEnd) {
  Bytes movie = {0x07, 0x06, 0xAA, 0xBB};
  SwfReader reader(movie, 6);
  DoActionTag list;
  {
    SwfReaderRange body(reader, 2);
    EXPECT_EQ(list.Read(reader), 2u);
    EXPECT_FALSE(body.Overran());
  }
  EXPECT_EQ(list.ActionCount(), 2u);
  EXPECT_FALSE(reader.HasOverrun());
  EXPECT_EQ(WriteList(list), (Bytes{0x07, 0x06, 0x00}));
}

TEST(DoActionTagTest, SpansCoverTheActionsAnOffsetJumpsOver) {
  DoActionTag list;
  list.SetBranchTracking(false, false);
  list.AddAction(std::make_unique<ActionStop>());    // 0: 1 byte
  list.AddAction(std::make_unique<ActionPlay>());    // 1: 1 byte
  list.AddAction(std::make_unique<ActionJump>(-7));  // 2: the Jump and the two before it
  list.AddAction(std::make_unique<ActionIf>(6));     // 3: crosses into the Push
  list.AddAction(std::make_unique<ActionPush>(1));   // 4: 8 bytes
  list.AddAction(std::make_unique<ActionJump>(0));   // 5: empty span
  list.AddAction(std::make_unique<ActionIf>(100));   // 6: runs past the end
  list.AddAction(std::make_unique<ActionStop>());
  list.ComputeBranchSpans();
  auto span = [&](size_t i) {
    auto* b = static_cast<ActionBranch*>(list.ActionAt(i));
    return std::make_pair(b->spanCount, b->spanBytes);
  };
  EXPECT_EQ(span(2), std::make_pair(3u, 7u));
  EXPECT_EQ(span(3), std::make_pair(1u, 8u));
  EXPECT_EQ(span(5), std::make_pair(0u, 0u));
  EXPECT_EQ(span(6), std::make_pair(1u, 1u));
  auto far = std::make_unique<ActionJump>(-1000);
  list.AddAction(std::move(far));
  list.ComputeBranchSpans();
  EXPECT_EQ(span(8), std::make_pair(9u, 1u + 1 + 5 + 5 + 8 + 5 + 5 + 1 + 5));
}

TEST(DoActionTagTest, RelocationMovesFramesAndSpriteIds) {
  DoActionTag list;
  list.AddAction(std::make_unique<ActionGotoFrame>(2));
  list.AddAction(std::make_unique<ActionWaitForFrame>(3, 1));
  list.AddAction(std::make_unique<ActionStop>());
  list.Relocate(100, 10, 3);
  EXPECT_EQ(static_cast<ActionGotoFrame*>(list.ActionAt(0))->frame, 5);
  EXPECT_EQ(static_cast<ActionWaitForFrame*>(list.ActionAt(1))->frame, 6);

  DoInitActionTag init(7);
  SwfBitWriter w(6);
  EXPECT_EQ(init.Write(w), 9u);
  EXPECT_EQ(w.GetBytes(), (Bytes{0xFF, 0x0E, 0x03, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00}));
  init.AddAction(std::make_unique<ActionGotoFrame>(1));
  init.Relocate(100, 0, 0);
  EXPECT_EQ(init.spriteId, 107);
  EXPECT_EQ(static_cast<ActionGotoFrame*>(init.actions[0].get())->frame, 1);
}

TEST(DoActionTagTest, DoInitActionReadsItsSpriteAndActions) {
  const Bytes body = {0x07, 0x00, 0x9F, 0x01, 0x00, 0x01, 0x00, 0x07, 0x00};
  SwfReader reader(body, 6);
  DoInitActionTag init;
  init.Read(reader);
  EXPECT_EQ(init.spriteId, 7);
  // No pad byte here: the 0 after the GotoFrame2 is an End with code after it, kept with
  // the Stop that follows it.
  ASSERT_EQ(init.actions.size(), 3u);
  EXPECT_EQ(init.actions[1]->ActionCode(), 0x00);
  EXPECT_EQ(init.actions[2]->ActionCode(), 0x07);
  SwfBitWriter w(6);
  init.Write(w);
  Bytes expected = {0xFF, 0x0E, 0x09, 0x00, 0x00, 0x00};
  expected.insert(expected.end(), body.begin(), body.end());
  EXPECT_EQ(w.GetBytes(), expected);
}

// Texts whose bytes in the movie differ from what Size() counted (built as
// UTF-8, written into an older movie one byte per character; or read from an
// older movie and written into a newer one) still get offsets and sizes that
// land where they should.
TEST(DoActionTagTest, BranchesAndBlocksFollowTheWrittenBytesOfTexts) {
  DoActionTag list;
  list.AddAction(std::make_unique<ActionIf>(0));
  list.AddAction(std::make_unique<ActionPush>(L"\u00e9t\u00e9"));  // 5 bytes as UTF-8, 3 in version 5
  list.AddAction(std::make_unique<ActionStop>());
  list.EndBranch();
  auto function = std::make_unique<ActionDefineFunction>(L"f");
  ActionDefineFunction* f = function.get();
  list.AddAction(std::move(function));
  f->codeSize = static_cast<uint16_t>(list.AddAction(std::make_unique<ActionPush>(L"\u00e9")) +
                                      list.AddAction(std::make_unique<ActionReturn>()));
  list.AddAction(std::make_unique<ActionPlay>());

  const Bytes v6 = WriteChecked(list, 6);
  EXPECT_EQ(OffsetAt(v6, 0), 3 + 1 + 5 + 1 + 1);
  const Bytes v5 = WriteChecked(list, 5);
  EXPECT_EQ(OffsetAt(v5, 0), 3 + 1 + 3 + 1 + 1);
  EXPECT_EQ(v5.size() + 3, v6.size());

  // Read from the version-5 movie and written into a version-6 one.
  auto read = ReadList(v5, 5);
  const Bytes merged = WriteChecked(*read, 6);
  EXPECT_EQ(merged, v6);
}

TEST(DoActionTagTest, GenericFunctionAndTryBlocksFollowTheWrittenBytes) {
  // DefineFunction2 "g" with no parameters, body: Push "é" (v5: 1 byte), Return.
  const Bytes v5 = {0x8E, 0x09, 0x00, 'g', 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x07, 0x00, 0x96, 0x03, 0x00, 0x00, 0xE9,
                    0x00, 0x3E,
                    // Try: flags 0, try 6 (Push "é"), catch 1 (Pop), finally 0, catch name "e"
                    0x8F, 0x09, 0x00, 0x00, 0x06, 0x00, 0x01, 0x00, 0x00, 0x00, 'e', 0x00, 0x96, 0x03, 0x00, 0x00, 0xE9,
                    0x00, 0x17, 0x00};
  ASSERT_TRUE(actioncheck::CheckActionList(v5).Ok()) << actioncheck::CheckActionList(v5).Report();
  auto list = ReadList(v5, 5);
  EXPECT_EQ(WriteChecked(*list, 5), v5);
  const Bytes v6 = WriteChecked(*list, 6);
  EXPECT_EQ(v6.size(), v5.size() + 2);
  EXPECT_EQ(v6[10], 0x08);  // function body: Push of 7 bytes and Return
  EXPECT_EQ(v6[24], 0x07);  // try block: the Push
}

TEST(DoActionTagTest, CreateActionForCodeFollowsTheReadersTable) {
  const std::pair<uint8_t, ActionKind> table[] = {
      {0x81, ActionKind::GotoFrame},    {0x83, ActionKind::GetUrl},        {0x87, ActionKind::StoreRegister},
      {0x88, ActionKind::ConstantPool}, {0x8A, ActionKind::WaitForFrame},  {0x8B, ActionKind::SetTarget},
      {0x8C, ActionKind::GoToLabel},    {0x8D, ActionKind::WaitForFrame2}, {0x94, ActionKind::With},
      {0x96, ActionKind::Push},         {0x99, ActionKind::Jump},          {0x9A, ActionKind::GetUrl2},
      {0x9D, ActionKind::If},           {0x9F, ActionKind::GotoFrame2},    {0x1D, ActionKind::Simple},
      {0x9B, ActionKind::Generic},      {0x07, ActionKind::Generic},       {0x8E, ActionKind::Generic},
  };
  for (const auto& [code, kind] : table) {
    auto action = CreateActionForCode(code);
    EXPECT_EQ(action->Kind(), kind) << int(code);
    EXPECT_EQ(action->ActionCode(), code);
  }
}

}  // namespace
