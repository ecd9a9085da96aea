// Edit fields: typed keys filtered by the input mode, pasted text held to the same rules,
// commits on Return, Enter and Tab, and the text as numbers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "ui/EditTextField.h"

using host::ui::FourCC;
using uitest::TestNib;

namespace {

class FieldWindow : public DialogWindow {
 public:
  std::vector<std::pair<ControlRef, ControlRef>> changes;
  bool OnInitDialog() override { return true; }
  bool OnControlChange(ControlRef hit, ControlRef previous) override {
    changes.emplace_back(hit, previous);
    return false;
  }
};

int g_commits = 0;
uint32_t g_commitValue = 0;
void CountCommit(EditTextField*, uint32_t value) {
  ++g_commits;
  g_commitValue = value;
}

class EditField : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window.CreateModeless(TestNib(), L"IDD_TOOLKIT_TEST", nullptr, 7));
    window.Show(true);
    ASSERT_TRUE(window.AttachControl(FourCC("edt1"), field));
    edit = static_cast<QLineEdit*>(field.GetControlRef()->Widget());
    g_commits = 0;
  }
  void TearDown() override {
    window.Destroy();
    uitest::Flush();
  }
  FieldWindow window;
  EditTextField field;
  QLineEdit* edit = nullptr;
};

// Each row: the mode, the text and selection before, the keys typed, the text after.
TEST_F(EditField, InputModesFilterTypedKeys) {
  struct Case {
    int mode;
    const char* before;
    int selStart, selEnd;  // -1: cursor at the end
    const char* typed;
    const char* after;
  };
  const std::vector<Case> cases = {
      {0, "", -1, -1, "a1._-x", "a1._-x"},
      {2, "", -1, -1, "ab1c_", "abc"},
      {3, "", -1, -1, "-12x3", "-123"},
      {4, "", -1, -1, "1a2-3", "123"},
      {5, "", -1, -1, "-1.2.3", "-1.23"},
      {6, "1.5", -1, -1, ".7", "1.57"},  // a second '.' is refused
      {6, "1.5", 1, 3, ".", "1."},       // the '.' being replaced may be typed again
      {6, "1.5", 0, 1, ".", "1.5"},      // the kept '.' refuses another
      {7, "", -1, -1, "1", ""},          // no digit first
      {7, "", -1, -1, "_1a", "_1a"},
      {7, "ab", 0, 0, "9", "ab"},
      {7, "ab", 2, 2, "9", "ab9"},
  };
  for (const Case& c : cases) {
    field.SetInputMode(c.mode);
    field.SetText(Utf8ToWide(c.before), false);
    if (c.selStart >= 0) field.GetControlRef()->SetSelection(c.selStart, c.selEnd);
    QTest::keyClicks(edit, QString::fromLatin1(c.typed));
    EXPECT_EQ(edit->text().toStdString(), c.after) << "mode " << c.mode << " typing " << c.typed;
  }
}

TEST_F(EditField, EditingKeysPassInEveryMode) {
  field.SetInputMode(EditTextField::kInteger);
  field.SetText(L"1234", false);
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClick(edit, Qt::Key_Left);
  QTest::keyClick(edit, Qt::Key_Left);
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClick(edit, Qt::Key_Right);
  QTest::keyClicks(edit, "x9");
  EXPECT_EQ(edit->text(), QString("139"));
}

// Text that reaches the field by pasting obeys the mode as typed text does.
TEST_F(EditField, PastedTextObeysTheMode) {
  field.SetInputMode(EditTextField::kReal);
  field.SetText(L"1", false);
  edit->setCursorPosition(1);
  QApplication::clipboard()->setText("2.5.9");
  edit->paste();
  EXPECT_EQ(edit->text(), QString("1"));
  QApplication::clipboard()->setText("2.5");
  edit->paste();
  EXPECT_EQ(edit->text(), QString("12.5"));
  field.SetInputMode(EditTextField::kIdentifier);
  field.SetText(L"", false);
  edit->insert("9lives");
  EXPECT_EQ(edit->text(), QString(""));
  field.SetInputMode(EditTextField::kAnything);
  edit->insert("9 lives");
  EXPECT_EQ(edit->text(), QString("9 lives"));
}

TEST_F(EditField, ReturnCommitsAndIsKeptFromTheFieldUnlessPassed) {
  QSignalSpy returned(edit, &QLineEdit::returnPressed);
  field.SetCommitCallback(&CountCommit, 77);
  field.SetText(L"12", false);
  QTest::keyClick(edit, Qt::Key_Return);
  QTest::keyClick(edit, Qt::Key_Enter);
  EXPECT_EQ(g_commits, 2);
  EXPECT_EQ(g_commitValue, 77u);
  EXPECT_EQ(returned.count(), 0);
  EXPECT_EQ(edit->text(), QString("12"));
  field.SetPassCommitKeys(true);
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(g_commits, 3);
  EXPECT_EQ(returned.count(), 1);
  field.SetInputMode(EditTextField::kInteger);  // the mode still refuses the key
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(g_commits, 4);
  EXPECT_EQ(returned.count(), 1);
}

TEST_F(EditField, TabAndShiftTabCommitAndStillMoveTheFocus) {
  field.SetCommitCallback(&CountCommit, 1);
  field.SetInputMode(EditTextField::kInteger);
  QWidget* top = window.GetWindowRef()->Widget();
  QApplication::setActiveWindow(top);
  edit->setFocus();
  ASSERT_TRUE(edit->hasFocus());
  QTest::keyClick(edit, Qt::Key_Tab);
  EXPECT_EQ(g_commits, 1);
  EXPECT_FALSE(edit->hasFocus());
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(g_commits, 2);
  EXPECT_FALSE(edit->hasFocus());
}

TEST_F(EditField, CommitsCanNotifyTheWindow) {
  field.SetCommitNotifiesWindow(&window);
  QTest::keyClick(edit, Qt::Key_Return);
  ASSERT_EQ(window.changes.size(), 1u);
  EXPECT_EQ(window.changes[0].first, nullptr);
  EXPECT_EQ(window.changes[0].second, field.GetControlRef());
}

// A field of several lines: Return commits and, passed on, starts a new line; Tab commits
// and moves on instead of going into the text; the mode still filters what is typed.
TEST_F(EditField, AFieldOfSeveralLinesTakesLineBreaks) {
  EditTextField lines;
  ASSERT_TRUE(window.AttachControl(FourCC("edt2"), lines));
  auto* text = qobject_cast<QPlainTextEdit*>(lines.GetControlRef()->Widget());
  ASSERT_NE(text, nullptr);
  lines.SetCommitNotifiesWindow(&window);
  lines.SetPassCommitKeys(true);
  QWidget* top = window.GetWindowRef()->Widget();
  QApplication::setActiveWindow(top);
  text->setFocus();
  QTest::keyClicks(text, "one");
  QTest::keyClick(text, Qt::Key_Return);
  QTest::keyClicks(text, "two");
  EXPECT_EQ(lines.GetTextString(), L"one\ntwo");
  ASSERT_EQ(window.changes.size(), 1u);
  EXPECT_EQ(window.changes[0].second, lines.GetControlRef());
  QTest::keyClick(text, Qt::Key_Tab);
  EXPECT_EQ(window.changes.size(), 2u);
  EXPECT_EQ(lines.GetTextString(), L"one\ntwo");
  EXPECT_FALSE(text->hasFocus());

  ASSERT_TRUE(lines.SetText(L"a\nb\nc", false));
  EXPECT_EQ(text->toPlainText(), QString("a\nb\nc"));
  EXPECT_EQ(lines.GetTextString(), L"a\nb\nc");
  lines.SetInputMode(EditTextField::kInteger);
  lines.SetText(L"", false);
  text->setFocus();
  QTest::keyClicks(text, "4x2");
  EXPECT_EQ(lines.GetTextString(), L"42");
}

TEST_F(EditField, NumbersInAndOut) {
  struct Case {
    double value;
    int width, precision;
    const wchar_t* text;
  };
  for (const Case& c : {Case{3.14159, 0, 2, L"3.14"}, Case{2.5, 0, 0, L"2.500000"}, Case{1.5, 6, 2, L"  1.50"},
                        Case{2.5, 4, 0, L"   2"}, Case{-0.125, 0, 3, L"-0.125"}}) {
    EXPECT_TRUE(field.SetReal(c.value, c.width, c.precision, true));
    EXPECT_EQ(field.GetTextString(), c.text) << c.value;
  }
  field.SetText(L"2.75", false);
  EXPECT_DOUBLE_EQ(field.GetReal(), 2.75);
  EXPECT_TRUE(field.SetInt(-42, false));
  EXPECT_EQ(field.GetInt(), -42);
  field.Clear(true);
  EXPECT_EQ(field.GetInt(), 0);
  EXPECT_DOUBLE_EQ(field.GetReal(), 0.0);
  const unsigned char pascal[] = {4, 'C', 'a', 'f', 0x8E};  // Mac Roman é
  EXPECT_TRUE(field.SetPascalText(pascal, false));
  EXPECT_EQ(field.GetTextString(), L"Café");
}

TEST_F(EditField, TextComesBackWholeOrCutToTheBuffer) {
  field.SetText(L"abcdef", false);
  wchar_t small[4] = {L'x', L'x', L'x', L'x'};
  EXPECT_EQ(field.GetText(small, 4), 3u);
  EXPECT_EQ(std::wstring(small), L"abc");
  // A long text in several scripts comes back whole.
  std::wstring longText;
  for (int i = 0; i < 100; ++i) longText += L"añ€𝄞";
  edit->setMaxLength(100000);
  field.SetText(WideString(longText), false);
  EXPECT_EQ(field.GetTextLength(), longText.size());
  EXPECT_EQ(field.GetTextString(), longText);
  size_t length = 0;
  wchar_t* copy = field.GetTextAlloc(&length);
  EXPECT_EQ(length, longText.size());
  EXPECT_EQ(std::wstring(copy), longText);
  delete[] copy;
}

TEST_F(EditField, FieldsCreatedInCodeFilterToo) {
  EditTextField made;
  ASSERT_TRUE(made.Create(window, 5100, UiRect{200, 250, 300, 272}, L"42"));
  made.SetInputMode(EditTextField::kInteger);
  auto* w = static_cast<QLineEdit*>(made.GetControlRef()->Widget());
  w->setCursorPosition(2);
  QTest::keyClicks(w, "a7");
  EXPECT_EQ(made.GetTextString(), L"427");
  EXPECT_EQ(made.GetInt(), 427);
}

}  // namespace
