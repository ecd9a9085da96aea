// Message boxes: the buttons and results of every style in both forms, the typed formatting
// of the detail, the numbered forms, and real alerts answered by clicks.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "host/ui/Alert.h"
#include "host/ui/Window.h"
#include "ui/MessageBox.h"

using host::ui::AlertIcon;
using host::ui::AlertSpec;
using namespace ui;

namespace {

// Answers every alert with a fixed item and keeps what was asked.
struct Responder {
  std::vector<AlertSpec> asked;
  std::vector<host::ui::Window*> parents;
  int answer = 1;
  Responder() {
    host::ui::SetAlertResponder([this](const AlertSpec& spec, host::ui::Window* parent) {
      asked.push_back(spec);
      parents.push_back(parent);
      return answer;
    });
  }
  ~Responder() { host::ui::SetAlertResponder(nullptr); }
};

std::shared_ptr<host::ui::Window> MakeParent() {
  auto* w = new QWidget;
  w->resize(300, 200);
  w->show();
  return host::ui::Window::Adopt(w);
}

struct StyleCase {
  MessageBoxStyle style;
  AlertIcon icon;
  const wchar_t* def;  // "" for the system's OK
  const wchar_t* cancel;
  const wchar_t* other;
  MessageResult results[4];  // for items 0 (not shown), 1, 2, 3
};

const MessageResult OK = kResultOk, NOT = kResultCancel, NO = kResultNo;

const StyleCase kStyles[] = {
    {0, AlertIcon::kPlain, L"", L"", L"", {NOT, OK, NOT, NOT}},
    {0x101, AlertIcon::kStop, L"", L"", L"", {NOT, OK, OK, OK}},
    {0x401, AlertIcon::kNote, L"", L"", L"", {NOT, OK, OK, OK}},
    {9, AlertIcon::kPlain, L"", L"", L"", {NOT, OK, OK, OK}},  // the OK flag wins over Yes/No
    {0x302, AlertIcon::kStop, L"OK", L"Cancel", L"", {NOT, OK, NOT, NOT}},
    {0x204, AlertIcon::kCaution, L"Retry", L"Cancel", L"", {NOT, OK, NOT, NOT}},
    {0x408, AlertIcon::kNote, L"Yes", L"No", L"", {NOT, OK, NO, NOT}},
    {0x410, AlertIcon::kNote, L"Yes", L"Cancel", L"No", {NOT, OK, NOT, NO}},
    {0x220, AlertIcon::kCaution, L"Save", L"Cancel", L"Don't Save", {NOT, OK, NOT, NO}},
    {0x60, AlertIcon::kPlain, L"Save", L"Cancel", L"Don't Save", {NOT, OK, NOT, NO}},
    {0x40, AlertIcon::kPlain, L"Retry", L"Ignore", L"Abort", {NOT, OK, NOT, NO}},
    {0x80, AlertIcon::kPlain, L"", L"", L"", {NOT, OK, NOT, NOT}},  // no known button flag
};

// The application-modal alert and the window-modal form show the same buttons for every
// style, so a question asked on a window can be refused, and each answer maps the same way.
TEST(MessageBox, EveryStyleShowsItsButtonsAndMapsEachAnswerInBothForms) {
  auto parent = MakeParent();
  for (const StyleCase& c : kStyles) {
    for (host::ui::Window* p : {static_cast<host::ui::Window*>(nullptr), parent.get()}) {
      for (int item = 0; item <= 3; ++item) {
        SCOPED_TRACE(testing::Message() << "style 0x" << std::hex << c.style << std::dec << " item " << item
                                        << (p ? " on a window" : " alone"));
        Responder r;
        r.answer = item;
        EXPECT_EQ(ShowMessageBox(p, c.style, L"Heading", L"Detail"), c.results[item]);
        ASSERT_EQ(r.asked.size(), 1u);
        EXPECT_EQ(r.parents[0], p);
        EXPECT_EQ(r.asked[0].icon, c.icon);
        EXPECT_EQ(r.asked[0].defaultText, c.def);
        EXPECT_EQ(r.asked[0].cancelText, c.cancel);
        EXPECT_EQ(r.asked[0].otherText, c.other);
        EXPECT_EQ(r.asked[0].heading, L"Heading");
      }
    }
  }
}

TEST(MessageBox, DetailIsFormattedOnceAndShownWhole) {
  Responder r;
  const std::wstring path = L"/home/u/100% done/%s%d%n.swf";
  ShowErrorBox(nullptr, L"Can't open", L"The file \"%ls\" is gone.", {path});
  const std::wstring longName(300, L'x');
  ShowNoteBox(nullptr, L"", L"%ls and %d more", {longName, 7LL});
  // A detail whose conversions don't match what the caller passes is shown as it stands.
  ShowNoteBox(nullptr, L"", L"%d files of %ls", {L"text", 2LL});
  ShowErrorCodeBox(nullptr, -43);
  ASSERT_EQ(r.asked.size(), 4u);
  EXPECT_EQ(r.asked[0].detail, L"The file \"" + path + L"\" is gone.");
  EXPECT_EQ(r.asked[1].detail, longName + L" and 7 more");
  EXPECT_EQ(r.asked[2].detail, L"%d files of %ls");
  EXPECT_EQ(r.asked[3].heading, L"Err: -43");
  EXPECT_EQ(r.asked[3].detail, L"Type: -43");
  EXPECT_EQ(r.asked[3].icon, AlertIcon::kStop);
}

TEST(MessageBox, NumberedFormsLoadTheirTextsAndMissingErrorTextsBecomeError) {
  Responder r;
  ShowMessageBoxById(nullptr, 0x401, 11102, 11103);
  ShowErrorBoxById(nullptr, 999999, 999998, {1LL});
  ShowErrorBoxById(nullptr, 11100, 999998);
  ASSERT_EQ(r.asked.size(), 3u);
  EXPECT_EQ(r.asked[0].heading, L"Yes");
  EXPECT_EQ(r.asked[0].detail, L"No");
  EXPECT_EQ(r.asked[1].heading, L"Error");
  EXPECT_EQ(r.asked[1].detail, L"Error");
  EXPECT_EQ(r.asked[2].heading, L"OK");
  EXPECT_EQ(r.asked[2].detail, L"Error");
}

struct FormatCase {
  const wchar_t* format;
  std::vector<MessageArg> args;
  bool ok;
  const wchar_t* text;
};

TEST(MessageFormat, TypedConversions) {
  const FormatCase cases[] = {
      {L"plain", {}, true, L"plain"},
      {L"100%% sure", {}, true, L"100% sure"},
      {L"%d/%i/%u/%x/%X", {12LL, -3LL, 7LL, 255LL, 255LL}, true, L"12/-3/7/ff/FF"},
      {L"[%5d][%-4d][%03d]", {42LL, 7LL, 5LL}, true, L"[   42][7   ][005]"},
      {L"%.2f %g %e", {1.005, 0.5, 1250.0}, true, L"1.00 0.5 1.250000e+03"},  // C locale: points
      {L"%.1f", {3LL}, true, L"3.0"},                                         // a whole number as a real
      {L"%ls|%s|%S|%6ls|%-6ls|%.2ls", {L"a", L"b", L"c", L"d", L"e", L"wxyz"}, true, L"a|b|c|     d|e     |wx"},
      {L"%c", {65LL}, true, L"A"},
      {L"%d", {1.5}, false, L""},       // a real for a whole number
      {L"%ls", {3LL}, false, L""},      // a number for a text
      {L"%d %d", {1LL}, false, L""},    // too few
      {L"%d", {1LL, 2LL}, false, L""},  // too many
      {L"%n", {1LL}, false, L""},       // never understood
      {L"50%", {}, false, L""},         // dangling
      {L"%99999d", {1LL}, false, L""},  // a width beyond reason
      {L"%#d", {1LL}, false, L""},      // a flag without meaning
      {L"%#x", {255LL}, true, L"0xff"},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.format, c.format + std::wcslen(c.format)));
    std::wstring out;
    EXPECT_EQ(FormatMessage(c.format, c.args, out), c.ok);
    if (c.ok) {
      EXPECT_EQ(out, c.text);
    }
  }
}

QAbstractButton* AlertButton(const char* name) {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (qobject_cast<QMessageBox*>(w) != nullptr && w->isVisible()) modal = w;
    }
  }
  return modal != nullptr ? modal->findChild<QAbstractButton*>(name) : nullptr;
}

// Real alerts, alone and on a window, answered by clicking each button.
TEST(MessageBox, RealAlertAnsweredByClicks) {
  struct Click {
    MessageBoxStyle style;
    const char* button;
    MessageResult result;
  };
  const Click clicks[] = {
      {0x220, host::ui::kAlertDefaultName, kResultOk}, {0x220, host::ui::kAlertCancelName, kResultCancel},
      {0x220, host::ui::kAlertOtherName, kResultNo},   {0x408, host::ui::kAlertCancelName, kResultNo},
      {0x101, host::ui::kAlertDefaultName, kResultOk},
  };
  auto parent = MakeParent();
  for (const Click& c : clicks) {
    for (host::ui::Window* p : {static_cast<host::ui::Window*>(nullptr), parent.get()}) {
      SCOPED_TRACE(testing::Message() << "style 0x" << std::hex << c.style << " " << c.button);
      bool clicked = false;
      std::wstring shownDetail;
      uitest::Soon(
          [&] {
            QAbstractButton* b = AlertButton(c.button);
            if (b == nullptr) return;
            if (auto* box = qobject_cast<QMessageBox*>(b->window()))
              shownDetail = box->informativeText().toStdWString();
            clicked = true;
            QTest::mouseClick(b, Qt::LeftButton);
          },
          50);
      EXPECT_EQ(ShowMessageBox(p, c.style, L"Save changes?", L"To %ls", {L"a<b>.pwk"}), c.result);
      EXPECT_TRUE(clicked);
      EXPECT_EQ(shownDetail, L"To a<b>.pwk");
    }
  }
}

// The escape key answers with the cancel button.
TEST(MessageBox, EscapeAnswersCancel) {
  uitest::Soon(
      [] {
        if (QAbstractButton* b = AlertButton(host::ui::kAlertDefaultName)) QTest::keyClick(b->window(), Qt::Key_Escape);
      },
      50);
  EXPECT_EQ(ShowMessageBox(nullptr, 0x220, L"Q", L"D"), kResultCancel);
}

}  // namespace
