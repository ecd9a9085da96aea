// The Message page driven as a person drives it: keys typed into its fields, clicks on its
// buttons, choices in its popups, all through the widgets found by their signatures. Every
// control changes the project as one undo step, refused values are told and change nothing,
// times typed in seconds keep every millisecond, and what a message carries survives saving
// and opening the project.
#include "app/MessagePage.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTest>
#include <QTreeView>

#include <functional>
#include <string>
#include <vector>

#include "host/ui/Application.h"
#include "host/ui/Control.h"
#include "preloader/Messages.h"
#include "preloader/TextEffect.h"
#include "tests/app/MainWindowTestSupport.h"
#include "ui/FontChooserDialog.h"
#include "ui/MessageFormat.h"

namespace {

using apptest::MainWindowFixture;

constexpr int kPane = 1003;

using apptest::Filled;

class MessagePageTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    MakeWindow();
    window_->Show(true);
    QWidget* top = window_->GetWindowRef()->Widget();
    QApplication::setActiveWindow(top);
    // The Message tab, clicked.
    auto* tabs = qobject_cast<QTabBar*>(apptest::WidgetOf(window_->GetWindowRef(), "tbPl", 0));
    ASSERT_NE(tabs, nullptr);
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(3).center());
    ASSERT_TRUE(W("lMsg")->isVisible());
  }
  void TearDown() override {
    host::ui::SetColorResponder(nullptr);
    SetFontChooserResponder(nullptr);
    MainWindowFixture::TearDown();
  }

  QWidget* W(const char* signature) {
    uint32_t code = 0;
    for (int i = 0; i < 4; ++i) code = (code << 8) | static_cast<unsigned char>(signature[i]);
    auto control = window_->GetWindowRef()->FindControl(code, kPane);
    QWidget* w = control ? control->Widget() : nullptr;
    EXPECT_NE(w, nullptr) << signature;
    return w;
  }
  void Click(const char* signature) {
    auto* button = qobject_cast<QAbstractButton*>(W(signature));
    ASSERT_NE(button, nullptr) << signature;
    button->click();
  }
  // Replaces the field's text by typing and ends with the key (Return commits).
  void Type(const char* signature, const char* text, Qt::Key end = Qt::Key_Return) {
    QWidget* w = W(signature);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->isEnabled()) << signature;
    w->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(w)) line->selectAll();
    if (auto* lines = qobject_cast<QPlainTextEdit*>(w)) lines->selectAll();
    QTest::keyClicks(w, QString::fromUtf8(text));
    if (end != Qt::Key_unknown) QTest::keyClick(w, end);
  }
  // Steps the popup to the item with the arrow keys, as a user does on a closed popup.
  void Choose(const char* signature, int item) {
    auto* popup = qobject_cast<QComboBox*>(W(signature));
    ASSERT_NE(popup, nullptr);
    popup->setFocus();
    while (popup->currentIndex() < item) QTest::keyClick(popup, Qt::Key_Down);
    while (popup->currentIndex() > item) QTest::keyClick(popup, Qt::Key_Up);
  }
  QString TextOf(const char* signature) {
    QWidget* w = W(signature);
    if (auto* line = qobject_cast<QLineEdit*>(w)) return line->text();
    if (auto* lines = qobject_cast<QPlainTextEdit*>(w)) return lines->toPlainText();
    if (auto* popup = qobject_cast<QComboBox*>(w)) return popup->currentText();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
    return {};
  }
  // Clicks the list's row as the user selects it.
  void SelectRow(int row) {
    auto* list = qobject_cast<QTreeView*>(W("lMsg"));
    ASSERT_NE(list, nullptr);
    list->selectionModel()->setCurrentIndex(list->model()->index(row, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  PreloaderData& Project() { return window_->GetProject(); }
  LoadMessage* Message(int index = 0) { return Project().GetLoadMessage(index); }
  MessagePage& Page() { return window_->GetMessagePage(); }
  int Steps() { return window_->GetUndoHistory().Count(); }
};

// Each row: what the user does to the selected message and what the message then holds. The
// action is one undo step: undone, the message is as before; redone, as after.
TEST_F(MessagePageTest, EachControlChangesTheMessageAsOneUndoStep) {
  Click("bAdd");
  ASSERT_NE(Message(), nullptr);
  host::ui::SetColorResponder([](const std::wstring&, uint32_t, uint32_t& chosen) {
    chosen = 0x00336699;
    return true;
  });
  SetFontChooserResponder([](PlatformFont& font) {
    font.SetFontByName(L"DejaVu Serif");
    font.SetSize(30);
    return host::ui::FourCC("ok  ");
  });
  struct Row {
    const char* name;
    std::function<void()> act;
    std::function<bool(const LoadMessage&)> holds;
  };
  const std::vector<Row> rows = {
      {"text", [&] { Type("eTxt", "Hello"); }, [](const LoadMessage& m) { return m.GetText() == L"Hello"; }},
      {"alpha", [&] { Type("eAlp", "128"); }, [](const LoadMessage& m) { return m.GetAlpha() == 128; }},
      {"align to stage off", [&] { Click("cAld"); }, [](const LoadMessage& m) { return !m.GetAlignToDoc(); }},
      {"x", [&] { Type("eTxx", "120"); }, [](const LoadMessage& m) { return m.GetX() == 120; }},
      {"y by Tab", [&] { Type("eTxy", "-40", Qt::Key_Tab); }, [](const LoadMessage& m) { return m.GetY() == -40; }},
      {"halign left", [&] { Click("bHal"); }, [](const LoadMessage& m) { return m.GetHAlign() == kHAlignLeft; }},
      {"halign right", [&] { Click("bHar"); }, [](const LoadMessage& m) { return m.GetHAlign() == kHAlignRight; }},
      {"valign bottom", [&] { Click("bVab"); }, [](const LoadMessage& m) { return m.GetVAlign() == kVAlignBottom; }},
      {"valign top", [&] { Click("bVat"); }, [](const LoadMessage& m) { return m.GetVAlign() == kVAlignTop; }},
      {"tracking", [&] { Type("eTrk", "3"); }, [](const LoadMessage& m) { return m.GetTracking() == 3; }},
      {"leading", [&] { Type("eLed", "-5"); }, [](const LoadMessage& m) { return m.GetLeading() == -5; }},
      {"effect", [&] { Choose("mTfx", 1); },
       [](const LoadMessage& m) { return m.GetTextEffect() && m.GetTextEffect()->GetName() == L"Fade In"; }},
      {"start time", [&] { Type("eStr", "2.01"); }, [](const LoadMessage& m) { return m.GetStartTime() == 2010; }},
      {"end for time", [&] { Choose("mEnd", 1); }, [](const LoadMessage& m) { return m.GetEndType() == kEndTime; }},
      {"end time", [&] { Type("eEnd", "4.35"); }, [](const LoadMessage& m) { return m.GetEndTime() == 4350; }},
      {"start at percentage", [&] { Choose("mStr", 1); },
       [](const LoadMessage& m) { return m.GetStartType() == kStartPercent && m.GetEndType() == kEndDone; }},
      {"start percent", [&] { Type("eStr", "50"); }, [](const LoadMessage& m) { return m.GetStartPercent() == 50; }},
      {"end for percentage", [&] { Choose("mEnd", 1); },
       [](const LoadMessage& m) { return m.GetEndType() == kEndPercent; }},
      {"end percent", [&] { Type("eEnd", "30"); }, [](const LoadMessage& m) { return m.GetEndPercent() == 30; }},
      {"show till done", [&] { Choose("mEnd", 0); }, [](const LoadMessage& m) { return m.GetEndType() == kEndDone; }},
      {"skew", [&] { Click("rSkw"); }, [](const LoadMessage& m) { return m.GetRotateType() == kRotateSkew; }},
      {"skew 0", [&] { Type("eSk0", "12.5"); }, [](const LoadMessage& m) { return m.GetSkew0() == 12.5; }},
      {"skew 1", [&] { Type("eSk1", "-3"); }, [](const LoadMessage& m) { return m.GetSkew1() == -3.0; }},
      {"rotate", [&] { Click("rRot"); }, [](const LoadMessage& m) { return m.GetRotateType() == kRotateNormal; }},
      {"rotation", [&] { Type("eRot", "30"); },
       [](const LoadMessage& m) { return m.GetSkew0() == 30.0 && m.GetSkew1() == 30.0; }},
      {"colour", [&] { Click("bFco"); }, [](const LoadMessage& m) { return m.GetColor() == 0x00336699u; }},
      {"font", [&] { Click("bFnt"); },
       [](const LoadMessage& m) { return m.GetFont().GetName() == L"DejaVu Serif" && m.GetFont().GetSize() == 30; }},
      {"align to stage on", [&] { Click("cAld"); }, [](const LoadMessage& m) { return m.GetAlignToDoc(); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    window_->GetUndoHistory().Clear();
    ASSERT_FALSE(row.holds(*Message())) << "already holds before the action";
    row.act();
    ASSERT_NE(Message(), nullptr);
    EXPECT_TRUE(row.holds(*Message()));
    EXPECT_EQ(Steps(), 1);
    EXPECT_TRUE(Command("undV"));
    ASSERT_NE(Message(), nullptr);
    EXPECT_FALSE(row.holds(*Message())) << "after undo";
    EXPECT_TRUE(Command("redV"));
    ASSERT_NE(Message(), nullptr);
    EXPECT_TRUE(row.holds(*Message())) << "after redo";
    // The page shows the message again after the redo and stores nothing new.
    EXPECT_EQ(Page().GetSelection(), Message());
    EXPECT_TRUE(Page().Commit());
    EXPECT_EQ(Steps(), 1);
  }
  EXPECT_TRUE(scratch_.Alerts().empty());
}

TEST_F(MessagePageTest, AddingAndRemovingAreOneStepEach) {
  Click("bAdd");
  window_->GetUndoHistory().Clear();
  Click("bAdd");
  EXPECT_EQ(Project().GetLoadMessageCount(), 2);
  EXPECT_EQ(Steps(), 1);
  EXPECT_EQ(Project().GetLoadMessageSelection(), 1);
  window_->GetUndoHistory().Clear();
  Click("bRem");
  EXPECT_EQ(Project().GetLoadMessageCount(), 1);
  EXPECT_EQ(Steps(), 1);
  EXPECT_TRUE(Command("undV"));
  EXPECT_EQ(Project().GetLoadMessageCount(), 2);
}

TEST_F(MessagePageTest, AddsCycleThroughTheirTextsAndResetStartsAgain) {
  for (int i = 0; i < 4; ++i) Click("bAdd");
  ASSERT_EQ(Project().GetLoadMessageCount(), 4);
  EXPECT_EQ(Message(0)->GetText(), L"Loading");
  EXPECT_EQ(Message(1)->GetText(), L"Please Wait");
  EXPECT_EQ(Message(2)->GetText(), L"Just a moment");
  EXPECT_EQ(Message(3)->GetText(), L"Loading");
  // The new message is selected and shown.
  EXPECT_EQ(TextOf("eTxt"), QString("Loading"));
  EXPECT_EQ(Page().GetSelection(), Message(3));
  Click("bAdd");
  EXPECT_EQ(Message(4)->GetText(), L"Please Wait");
  EXPECT_TRUE(Command("new "));
  Click("bAdd");
  EXPECT_EQ(Message(0)->GetText(), L"Loading");
}

TEST_F(MessagePageTest, RemovingTheOnlyMessageClearsAndDisablesTheControls) {
  Click("bAdd");
  EXPECT_TRUE(W("eTxt")->isEnabled());
  Click("bRem");
  EXPECT_EQ(Project().GetLoadMessageCount(), 0);
  EXPECT_EQ(Page().GetSelection(), nullptr);
  for (const char* sig : {"eTxt", "eAlp", "eTxx", "eTrk", "eLed", "eRot", "eStr", "bFco", "cAld", "bHal"}) {
    QWidget* w = W(sig);
    ASSERT_NE(w, nullptr) << sig;
    EXPECT_FALSE(w->isEnabled()) << sig;
  }
  EXPECT_EQ(TextOf("eTxt"), QString());
  EXPECT_FALSE(W("bFnt")->isEnabled());
  EXPECT_FALSE(W("mTfx")->isEnabled());
  EXPECT_TRUE(W("bAdd")->isEnabled());
  auto* list = qobject_cast<QTreeView*>(W("lMsg"));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->model()->rowCount(), 0);
}

// The list shows each message's first line that holds text, and its start.
TEST_F(MessagePageTest, TheListShowsTheFirstLineAndTheStart) {
  Click("bAdd");
  Type("eTxt", "", Qt::Key_unknown);
  auto* text = qobject_cast<QPlainTextEdit*>(W("eTxt"));
  QTest::keyClick(text, Qt::Key_Return);
  QTest::keyClicks(text, "Second");
  QTest::keyClick(text, Qt::Key_Return);
  QTest::keyClicks(text, "Third");
  QTest::keyClick(text, Qt::Key_Tab);
  EXPECT_EQ(Message()->GetText(), L"\nSecond\nThird");
  Type("eStr", "1.5");
  auto* list = qobject_cast<QTreeView*>(W("lMsg"));
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->model()->rowCount(), 1);
  EXPECT_EQ(list->model()->index(0, 0).data().toString(), QString("Second"));
  EXPECT_EQ(list->model()->index(0, 1).data().toString(), QString("00:01.50"));
  Choose("mStr", 1);
  Type("eStr", "50");
  EXPECT_EQ(list->model()->index(0, 1).data().toString(), QString("50%"));
  EXPECT_EQ(FirstTextLine(L"\r\n\r\nabc\rdef"), L"abc");
  EXPECT_EQ(FirstTextLine(L"\n\n"), L"");
  EXPECT_EQ(FirstTextLine(std::wstring(300, L'x')).size(), 255u);
}

// A refused value is told with its limits; the message keeps its value, the field shows it
// again with the focus back in it, and no step is recorded.
TEST_F(MessagePageTest, RefusedValuesAreToldAndChangeNothing) {
  Click("bAdd");
  Click("cAld");
  struct Row {
    const char* sig;
    int startItem;  // 'mStr', or -1 to leave it
    int endItem;    // 'mEnd', or -1
    const char* typed;
    int detail;
    std::vector<ui::MessageArg> limits;
    const char* shown;
  };
  const std::vector<Row> rows = {
      {"eTxx", -1, -1, "6000", 134, {-5000LL, 5000LL}, nullptr},
      {"eTxy", -1, -1, "-5001", 135, {-5000LL, 5000LL}, nullptr},
      {"eLed", -1, -1, "9999", 136, {-5000LL, 5000LL}, "0"},
      {"eTrk", -1, -1, "-9999", 137, {-5000LL, 5000LL}, "0"},
      {"eAlp", -1, -1, "256", 138, {0LL, 255LL}, "255"},
      {"eStr", 0, 0, "360.001", 139, {0.0, 360.0}, "0.00"},
      {"eEnd", 0, 1, "400", 140, {0.0, 360.0}, "1.00"},
      {"eStr", 1, 0, "101", 145, {0LL, 100LL}, "0"},
      {"eEnd", 1, 1, "150", 146, {0LL, 100LL}, "100"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.sig + std::string(" ") + row.typed);
    if (row.startItem >= 0) Choose("mStr", row.startItem);
    if (row.endItem >= 0) Choose("mEnd", row.endItem);
    const std::string before = std::to_string(Message()->GetX()) + "," + std::to_string(Message()->GetY());
    const QString shown = row.shown != nullptr             ? QString(row.shown)
                          : std::string(row.sig) == "eTxx" ? QString::number(Message()->GetX())
                                                           : QString::number(Message()->GetY());
    window_->GetUndoHistory().Clear();
    scratch_.ClearAlerts();
    const char* signature = row.sig;
    Type(signature, row.typed);
    ASSERT_EQ(scratch_.Alerts().size(), 1u);
    EXPECT_EQ(scratch_.Alerts()[0].heading, apptest::Numbered(10001));
    std::wstring detail;
    ASSERT_TRUE(ui::FormatMessage(apptest::Numbered(row.detail), row.limits, detail));
    EXPECT_EQ(scratch_.Alerts()[0].detail, detail);
    EXPECT_EQ(TextOf(signature), shown);
    EXPECT_TRUE(W(signature)->hasFocus());
    EXPECT_EQ(Steps(), 0);
    EXPECT_EQ(std::to_string(Message()->GetX()) + "," + std::to_string(Message()->GetY()), before);
  }
  // 360 seconds itself is taken.
  Choose("mStr", 0);
  scratch_.ClearAlerts();
  Type("eStr", "360");
  EXPECT_TRUE(scratch_.Alerts().empty());
  EXPECT_EQ(Message()->GetStartTime(), 360000);
}

// Values typed without a commit are stored when the page is committed (before a save or a
// build); a refused one stops the commit with its message.
TEST_F(MessagePageTest, CommittingThePageStoresWhatTheFieldsShow) {
  Click("bAdd");
  Click("cAld");
  Type("eTxx", "77", Qt::Key_unknown);
  Type("eTxt", "Typed", Qt::Key_unknown);
  EXPECT_EQ(Message()->GetX(), Project().GetTargetWidth() / 2);
  window_->GetUndoHistory().Clear();
  EXPECT_TRUE(Page().Commit());
  EXPECT_EQ(Message()->GetX(), 77);
  EXPECT_EQ(Message()->GetText(), L"Typed");
  EXPECT_EQ(Steps(), 1);
  Type("eTxy", "9000", Qt::Key_unknown);
  EXPECT_FALSE(Page().Commit());
  ASSERT_EQ(scratch_.Alerts().size(), 1u);
  EXPECT_EQ(scratch_.Alerts()[0].detail, Filled(135, {-5000LL, 5000LL}));
}

// A stored time with more precision than the field's two decimals, or a skew with more than
// one decimal, is kept when the page stores a message whose fields the user did not change.
TEST_F(MessagePageTest, StoringKeepsWhatTheFieldsShowRounded) {
  Click("bAdd");
  Click("bAdd");
  Message(0)->SetStartTime(1234);
  Message(0)->SetEndType(kEndTime);
  Message(0)->SetEndTime(5678);
  Message(0)->SetSkew0(12.34);
  Message(0)->SetSkew1(12.34);
  window_->RefreshPages();
  SelectRow(0);
  EXPECT_EQ(Page().GetSelection(), Message(0));
  EXPECT_EQ(TextOf("eStr"), QString("1.23"));
  window_->GetUndoHistory().Clear();
  SelectRow(1);
  EXPECT_EQ(Page().GetSelection(), Message(1));
  EXPECT_TRUE(Page().Commit());
  EXPECT_EQ(Message(0)->GetStartTime(), 1234);
  EXPECT_EQ(Message(0)->GetEndTime(), 5678);
  EXPECT_EQ(Message(0)->GetSkew0(), 12.34);
  EXPECT_EQ(Steps(), 0);
}

// A popup with nothing chosen changes nothing.
TEST_F(MessagePageTest, APopupWithNothingChosenLeavesTheEffect) {
  Click("bAdd");
  Choose("mTfx", 3);
  ASSERT_EQ(Message()->GetTextEffect()->GetName(), L"Throb");
  qobject_cast<QComboBox*>(W("mTfx"))->setCurrentIndex(-1);
  EXPECT_TRUE(Page().Commit());
  Click("bTfx");
  ASSERT_NE(Message()->GetTextEffect(), nullptr);
  EXPECT_EQ(Message()->GetTextEffect()->GetName(), L"Throb");
  qobject_cast<QComboBox*>(W("mStr"))->setCurrentIndex(-1);
  EXPECT_TRUE(Page().Commit());
  EXPECT_EQ(Message()->GetStartType(), kStartTime);
}

// The effect properties window shows the chosen effect's panel; what is typed there reaches
// the effect on Return, on closing the window and when another effect takes its place.
TEST_F(MessagePageTest, TheEffectWindowHandsItsValuesToTheEffect) {
  Click("bAdd");
  auto* fade = static_cast<FadeInTextEffect*>(Project().GetTextEffectLibrary().FindByName(L"Fade In"));
  ASSERT_NE(fade, nullptr);
  fade->SetSpeed(1000);
  Choose("mTfx", 1);
  PageHostDialog& properties = Page().GetPropertiesWindow();
  EXPECT_FALSE(properties.IsVisible());
  Click("bTfx");
  EXPECT_TRUE(properties.IsVisible());
  EXPECT_EQ(properties.GetEffect(), fade);
  auto speedField = [&] {
    auto c = properties.GetWindowRef()->FindControl(FadeInTextEffect::kSpeedNumber, MessagePage::kPropertiesNumber);
    return c ? qobject_cast<QLineEdit*>(c->Widget()) : nullptr;
  };
  QLineEdit* speed = speedField();
  ASSERT_NE(speed, nullptr);
  EXPECT_EQ(speed->text(), QString("1.00"));

  QApplication::setActiveWindow(properties.GetWindowRef()->Widget());
  speed->setFocus();
  speed->selectAll();
  QTest::keyClicks(speed, "2.5");
  QTest::keyClick(speed, Qt::Key_Return);
  EXPECT_EQ(fade->GetSpeed(), 2500);

  // Typed, then the window closed by its close box: the value is kept.
  speed->selectAll();
  QTest::keyClicks(speed, "2.01");
  properties.GetWindowRef()->Widget()->close();
  EXPECT_FALSE(properties.IsVisible());
  EXPECT_EQ(fade->GetSpeed(), 2010);

  // Another effect in the popup leaves the window alone until the button is clicked again.
  Click("bTfx");
  speed = speedField();
  ASSERT_NE(speed, nullptr);
  speed->selectAll();
  QTest::keyClicks(speed, "3");
  Choose("mTfx", 3);
  EXPECT_EQ(properties.GetEffect(), fade);
  EXPECT_NE(speedField(), nullptr);
  Click("bTfx");
  EXPECT_EQ(properties.GetEffect()->GetName(), L"Throb");
  EXPECT_EQ(fade->GetSpeed(), 3000);
  host::ui::ProcessPendingEvents();
  EXPECT_EQ(speedField(), nullptr);

  // Values typed but not committed reach the effect before the project is stored or built.
  Choose("mTfx", 1);
  Click("bTfx");
  speed = speedField();
  ASSERT_NE(speed, nullptr);
  speed->selectAll();
  QTest::keyClicks(speed, "0.0005");
  EXPECT_TRUE(window_->CommitPages(false));
  EXPECT_EQ(fade->GetSpeed(), 0);
}

// A message's font, size and effect are written with the project and read back, and the page
// shows them after the project is opened.
TEST_F(MessagePageTest, FontSizeAndEffectSurviveSavingAndOpening) {
  Click("bAdd");
  SetFontChooserResponder([](PlatformFont& font) {
    font.SetFontByName(L"DejaVu Serif");
    font.SetSize(27);
    font.SetBold(true);
    return host::ui::FourCC("ok  ");
  });
  Click("bFnt");
  Choose("mTfx", 4);
  Type("eTxt", "Saved");
  const std::wstring path = WPath("message.plw");
  ASSERT_TRUE(window_->SaveDocument(path));
  EXPECT_TRUE(Command("new "));
  EXPECT_EQ(Project().GetLoadMessageCount(), 0);
  ASSERT_TRUE(window_->OpenDocument(path));
  ASSERT_EQ(Project().GetLoadMessageCount(), 1);
  const LoadMessage& m = *Message();
  EXPECT_EQ(m.GetText(), L"Saved");
  EXPECT_EQ(m.GetFont().GetName(), L"DejaVu Serif");
  EXPECT_EQ(m.GetFont().GetSize(), 27);
  EXPECT_TRUE(m.GetFont().IsBold());
  ASSERT_NE(m.GetTextEffect(), nullptr);
  EXPECT_EQ(m.GetTextEffect()->GetName(), L"Trail Dots");
  SelectRow(0);
  EXPECT_EQ(Page().GetSelection(), Message());
  EXPECT_EQ(TextOf("mTfx"), QString("Trail Dots"));
  EXPECT_EQ(TextOf("bFnt").toStdWString(), FontButton::LabelFor(m.GetFont()));
  EXPECT_EQ(TextOf("eTxt"), QString("Saved"));
}

// The "Fade In" panel on its own: the controls where the panel puts them, and what typing in
// the speed field gives.
TEST_F(MessagePageTest, TheFadeInPanelReadsSecondsAsMilliseconds) {
  auto* fade = static_cast<FadeInTextEffect*>(Project().GetTextEffectLibrary().FindByName(L"Fade In"));
  ASSERT_NE(fade, nullptr);
  PageHostDialog& properties = Page().GetPropertiesWindow();
  properties.SetEffect(fade);
  host::ui::Window* w = properties.GetWindowRef();
  const struct {
    int number;
    host::ui::Rect bounds;
    const char* text;
  } controls[] = {{7000, {0, 0, 40, 16}, "Speed:"}, {7001, {48, 0, 98, 16}, nullptr}, {7002, {106, 0, 126, 16}, "sec"}};
  for (const auto& c : controls) {
    auto control = w->FindControl(static_cast<uint32_t>(c.number), MessagePage::kPropertiesNumber);
    ASSERT_NE(control, nullptr) << c.number;
    EXPECT_EQ(control->Bounds(), c.bounds) << c.number;
    if (c.text != nullptr) {
      EXPECT_EQ(control->Text(), Utf8ToWide(c.text));
    }
  }
  auto* speed = qobject_cast<QLineEdit*>(w->FindControl(7001, MessagePage::kPropertiesNumber)->Widget());
  ASSERT_NE(speed, nullptr);
  const struct {
    const char* typed;
    int32_t speed;
    bool applied;
  } rows[] = {{"2.5", 2500, true},  {"0.0005", 0, true},  {"2.01", 2010, true},    {"1", 1000, true},
              {"4.35", 4350, true}, {"2x.5", 2500, true}, {"9999999", 2500, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.typed);
    speed->setFocus();
    speed->selectAll();
    QTest::keyClicks(speed, row.typed);
    EXPECT_EQ(properties.ApplyPanel(), row.applied);
    EXPECT_EQ(fade->GetSpeed(), row.speed);
  }
  fade->SetSpeed(1500);
  fade->LoadPanel();
  EXPECT_EQ(speed->text(), QString("1.50"));
  properties.SetEffect(nullptr);
  host::ui::ProcessPendingEvents();
  EXPECT_EQ(w->FindControl(7001, MessagePage::kPropertiesNumber), nullptr);
  fade->SetSpeed(1000);
}

}  // namespace
