#include <gtest/gtest.h>

#include <clocale>

#include "swf/ActionBranch.h"
#include "swf/ActionConstantPool.h"
#include "swf/ActionGeneric.h"
#include "swf/ActionListing.h"
#include "swf/ActionPush.h"
#include "swf/OperandActions.h"
#include "swf/SimpleActions.h"
#include "tests/swf/ActionTestUtil.h"

namespace {

WideString Listed(const ActionRecord& action) {
  auto line = ListAction(action);
  return line ? line->text : WideString(L"<none>");
}

TEST(ActionListingTest, LinesOfTheOneCodeActions) {
  EXPECT_EQ(Listed(ActionStop()), L"\tStop");
  EXPECT_EQ(Listed(ActionLess()), L"\tLessThan");
  EXPECT_EQ(Listed(ActionGreater()), L"\tGreaterThan");
  EXPECT_EQ(Listed(ActionSetVariable()), L"\tSetVariable");
  EXPECT_EQ(Listed(ActionCall()), L"\tCall");
  EXPECT_EQ(Listed(ActionCharToAscii()), L"\tCharToASCII");
  // Read from a movie, a one-code action is an ActionGeneric: same line.
  EXPECT_EQ(Listed(ActionGeneric(0x07)), L"\tStop");
  for (int code = 1; code < 0x100; ++code)
    if (auto action = MakeSimpleAction(static_cast<uint8_t>(code))) {
      auto line = ListAction(*action);
      ASSERT_NE(line, nullptr) << code;
      EXPECT_EQ(line->action->ActionCode(), code);
      EXPECT_EQ(line->value, 0);
    }
}

TEST(ActionListingTest, LinesOfTheOperandActions) {
  EXPECT_EQ(Listed(ActionGotoFrame(12)), L"\tGotoFrame 12");
  EXPECT_EQ(Listed(ActionGetUrl(L"a.swf", L"_self")), L"\tGetURL \"a.swf\" \"_self\"");
  EXPECT_EQ(Listed(ActionGetUrl(L"a.swf", L"")), L"\tGetURL \"a.swf\"");
  EXPECT_EQ(Listed(ActionGetUrl(L"", L"_self")), L"\tGetURL");
  EXPECT_EQ(Listed(ActionStoreRegister(2)), L"\tStoreRegister 2");
  EXPECT_EQ(Listed(ActionWaitForFrame(9, 1)), L"\tWaitForFrame 9");
  EXPECT_EQ(Listed(ActionSetTarget(L"_parent")), L"\tSetTarget \"_parent\"");
  EXPECT_EQ(Listed(ActionGoToLabel(L"done")), L"\tGotoLabel \"done\"");
  EXPECT_EQ(Listed(ActionGoToLabel()), L"\tGotoLabel");
  EXPECT_EQ(Listed(ActionWaitForFrame2(1)), L"\tWaitForFrame2");
  EXPECT_EQ(Listed(ActionWith()), L"\tWith");
  EXPECT_EQ(Listed(ActionJump(4)), L"\tBranch");
  EXPECT_EQ(Listed(ActionGetUrl2(0)), L"\tGetURL2");
  EXPECT_EQ(Listed(ActionIf(4)), L"\tBranchIfTrue");
  EXPECT_EQ(Listed(ActionGotoFrame2(1)), L"\tGotoFrame2");

  ActionConstantPool pool;
  pool.AddString(L"x");
  pool.AddString(L"y");
  EXPECT_EQ(Listed(pool), L"\tConstantPool 1: x, 2: y");

  ActionPush push(5);
  push.AddString(L"ab");
  push.AddBoolean(true);
  EXPECT_EQ(Listed(push), L"\tPush 5, \"ab\", True");
  ActionPush others;
  others.AddDouble(0.5);
  others.AddFloat(2.0f);
  others.AddNull();
  others.AddUndefined();
  others.AddRegister(3);
  others.AddBoolean(false);
  others.AddConstant8(1);
  others.AddConstant16(300);
  EXPECT_EQ(Listed(others), L"\tPush 0.5000, 2.0000, NULL, UNDEF, reg: 3, False, dict: 1, dict: 300");
}

TEST(ActionListingTest, NumbersAreListedInTheCLocale) {
  const char* old = std::setlocale(LC_ALL, nullptr);
  std::string saved = old ? old : "C";
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  ActionPush push;
  push.AddDouble(1.25);
  const WideString text = Listed(push);
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(text, L"\tPush 1.2500");
}

TEST(ActionListingTest, LongValuesAreNeverCut) {
  ActionPush push(WideString(1000, L'z'));
  push.AddDouble(1e300);
  const WideString text = Listed(push);
  EXPECT_EQ(text.size(), 6 + 1002 + 2 + 301 + 5);
}

TEST(ActionListingTest, DefineFunctionBuiltOrRead) {
  ActionDefineFunction f(L"go");
  f.parameters = {L"a", L"b"};
  EXPECT_EQ(Listed(f), L"\tDefineFunction go(a, b)");
  EXPECT_EQ(Listed(ActionDefineFunction()), L"\tDefineFunction Anonymous()");
  // Read from a movie, a DefineFunction is kept as bytes; its line comes from them.
  auto list = ReadList({0x9B, 0x09, 0x00, 'g', 'o', 0x00, 0x01, 0x00, 'a', 0x00, 0x00, 0x00, 0x00});
  ASSERT_EQ(list->ActionAt(0)->Kind(), ActionKind::Generic);
  EXPECT_EQ(Listed(*list->ActionAt(0)), L"\tDefineFunction go(a)");
  EXPECT_EQ(Listed(ActionGeneric(0x9B, Bytes{'x'})), L"<none>");
}

// An action whose bytes did not fit its layout is kept as bytes: the listing
// never reads it as the class of its code.
TEST(ActionListingTest, ActionsKeptAsBytesGiveNoFieldLines) {
  EXPECT_EQ(Listed(ActionGeneric(0x81, Bytes{0x0A})), L"<none>");
  EXPECT_EQ(Listed(ActionGeneric(0x96, Bytes{0x0A, 0x01})), L"<none>");
  EXPECT_EQ(Listed(ActionGeneric(0x88, Bytes{})), L"<none>");
  EXPECT_EQ(Listed(ActionGeneric(0x83, Bytes{'a', 0x00})), L"<none>");
  EXPECT_EQ(Listed(ActionGeneric(0x99, Bytes{0x01})), L"\tBranch");
  EXPECT_EQ(Listed(ActionGeneric(0x8E)), L"<none>");
  EXPECT_EQ(Listed(ActionGeneric(0x02)), L"<none>");
}

TEST(ActionListingTest, LinesHoldTheirOwnCopy) {
  auto push = std::make_unique<ActionPush>(9);
  auto line = ListAction(*push);
  push.reset();
  ASSERT_EQ(line->action->Kind(), ActionKind::Push);
  EXPECT_EQ(WriteAction(*line->action), (Bytes{0x96, 0x05, 0x00, 0x07, 0x09, 0x00, 0x00, 0x00}));
  auto formatted = FormatListingLine(std::make_unique<ActionStop>(), L"%ls %d", L"n", 4);
  EXPECT_EQ(formatted->text, L"n 4");
  EXPECT_EQ(formatted->action->ActionCode(), 0x07);
}

}  // namespace
