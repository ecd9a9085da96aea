// The Progress page driven through its widgets: every control changes the selected message as
// it should and makes one undo step, after which the page shows the project as it was; the
// ready-made formats and their examples, refusals of values out of range, and what each
// message's own settings enable.
#include "app/ProgressPage.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/AppPreferences.h"
#include "host/ui/Application.h"
#include "preloader/PreloaderData.h"
#include "tests/app/PageTestSupport.h"
#include "ui/FontChooserDialog.h"

namespace {

using host::ui::FourCC;

const std::initializer_list<const char*> kControls = {"lPrg", "bAdd", "bRem", "mPfm", "ePfm", "bPfo", "bPco", "ePal",
                                                      "ePtx", "ePty", "cPad", "bPal", "bPac", "bPar", "bPat", "bPam",
                                                      "bPab", "ePle", "rRot", "rSkw", "eRot", "eSk0", "eSk1"};

class ProgressPageTest : public apptest::PageFixture {
 public:
  ProgressPageTest() : PageFixture(1002) {}
  void SetUp() override {
    PageFixture::SetUp();
    OpenWindow();
  }
  void TearDown() override {
    SetFontChooserResponder({});
    host::ui::SetColorResponder({});
    PageFixture::TearDown();
  }
  PreloaderData& Project() { return window_->GetProject(); }
  ProgressMessage* Message(int i = 0) { return Project().GetProgressMessage(i); }
  std::string State() { return PageState(kControls); }
};

TEST(ProgressFormat, ExamplesFillThePlaceholdersLeftToRight) {
  const struct {
    const wchar_t* text;
    const wchar_t* example;
  } cases[] = {
      {L"%percent%%", L"100%"},
      {L"%percent percent", L"100 percent"},
      {L"%kbytes / %totalkbytes kb", L"300.2 / 900 kb"},
      {L"%bytes / %totalbytes bytes", L"250 / 800 bytes"},
      {L"%frames / %totalframes frames", L"120 / 220 frames"},
      {L"%foo", L"foo"},            // an unknown placeholder loses its '%'
      {L"50%", L"50"},              // so does a '%' at the end
      {L"%%percent", L"%percent"},  // "%%" is taken first here, as it comes first
      {L"%bytes%totalbytes", L"250800"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(RenderProgressFormatExample(c.text), c.example) << WideToUtf8(c.text);
}

TEST(ProgressFormat, TheListShowsTheFirstLineThatHoldsAnything) {
  EXPECT_EQ(FirstTextLine(L"\r\n\nSecond\r\nThird"), L"Second");
  EXPECT_EQ(FirstTextLine(L"One"), L"One");
  EXPECT_EQ(FirstTextLine(L"\n\r"), L"");
  EXPECT_EQ(FirstTextLine(std::wstring(300, L'x')).size(), 255u);
}

struct ControlCase {
  const char* name;
  std::function<void(ProgressPageTest&)> setup;  // steps of its own, not counted
  std::function<void(ProgressPageTest&)> act;
  std::function<void(const ProgressMessage&, const PreloaderData&)> check;
  int messages = 1;  // how many the project holds afterwards
};

// Each control of the page, used once on a message just added: the message changes as the
// control says, in exactly one undo step; undone, the project and every control are as before.
TEST_F(ProgressPageTest, EachControlIsOneUndoableEdit) {
  SetFontChooserResponder([](PlatformFont& font) {
    font.SetSize(30);
    return FourCC("ok  ");
  });
  host::ui::SetColorResponder([](const std::wstring&, uint32_t, uint32_t& chosen) {
    chosen = 0x123456;
    return true;
  });
  using T = ProgressPageTest;
  using M = const ProgressMessage&;
  using P = const PreloaderData&;
  auto none = [](T&) {};
  const ControlCase cases[] = {
      {"format popup", none, [](T& t) { t.Choose("mPfm", 3); },
       [](M m, P) { EXPECT_EQ(m.GetText(), L"%kbytes / %totalkbytes kb"); }},
      {"text",
       [](T& t) {
         t.Choose("mPfm", 0);
         t.Type("ePfm", "Wait");
       },
       [](T& t) { t.Type("ePfm", "Loaded %percent%%"); }, [](M m, P) { EXPECT_EQ(m.GetText(), L"Loaded %percent%%"); }},
      {"font", none, [](T& t) { t.Click("bPfo"); }, [](M m, P) { EXPECT_EQ(m.GetFont().GetSize(), 30); }},
      {"colour", none, [](T& t) { t.Click("bPco"); }, [](M m, P) { EXPECT_EQ(m.GetColor(), 0x123456u); }},
      {"alpha", none, [](T& t) { t.Type("ePal", "128"); }, [](M m, P) { EXPECT_EQ(m.GetAlpha(), 128); }},
      {"x", [](T& t) { t.Click("cPad"); }, [](T& t) { t.Type("ePtx", "-40"); },
       [](M m, P) { EXPECT_EQ(m.GetX(), -40); }},
      {"y", [](T& t) { t.Click("cPad"); }, [](T& t) { t.Type("ePty", "77"); }, [](M m, P) { EXPECT_EQ(m.GetY(), 77); }},
      {"align to document", none, [](T& t) { t.Click("cPad"); }, [](M m, P) { EXPECT_FALSE(m.GetAlignToDoc()); }},
      {"left", [](T& t) { t.Click("bPar"); }, [](T& t) { t.Click("bPal"); },
       [](M m, P) {
         EXPECT_EQ(m.GetHAlign(), kHAlignLeft);
         EXPECT_EQ(m.GetX(), 0);
       }},
      {"center", none, [](T& t) { t.Click("bPac"); },
       [](M m, P p) {
         EXPECT_EQ(m.GetHAlign(), kHAlignCenter);
         EXPECT_EQ(m.GetX(), p.GetTargetWidth() / 2);
       }},
      {"right", none, [](T& t) { t.Click("bPar"); },
       [](M m, P p) {
         EXPECT_EQ(m.GetHAlign(), kHAlignRight);
         EXPECT_EQ(m.GetX(), p.GetTargetWidth());
       }},
      {"top", [](T& t) { t.Click("bPab"); }, [](T& t) { t.Click("bPat"); },
       [](M m, P) {
         EXPECT_EQ(m.GetVAlign(), kVAlignTop);
         EXPECT_EQ(m.GetY(), 0);
       }},
      {"middle", none, [](T& t) { t.Click("bPam"); },
       [](M m, P p) {
         EXPECT_EQ(m.GetVAlign(), kVAlignCenter);
         EXPECT_EQ(m.GetY(), p.GetTargetHeight() / 2);
       }},
      {"bottom", none, [](T& t) { t.Click("bPab"); },
       [](M m, P p) {
         EXPECT_EQ(m.GetVAlign(), kVAlignBottom);
         EXPECT_EQ(m.GetY(), p.GetTargetHeight());
       }},
      {"leading", none, [](T& t) { t.Type("ePle", "12"); }, [](M m, P) { EXPECT_EQ(m.GetLeading(), 12); }},
      {"rotate", [](T& t) { t.Click("rSkw"); }, [](T& t) { t.Click("rRot"); },
       [](M m, P) { EXPECT_EQ(m.GetRotateType(), kRotateNormal); }},
      {"skew", none, [](T& t) { t.Click("rSkw"); }, [](M m, P) { EXPECT_EQ(m.GetRotateType(), kRotateSkew); }},
      {"rotation", none, [](T& t) { t.Type("eRot", "12.5"); },
       [](M m, P) {
         EXPECT_EQ(m.GetSkew0(), 12.5);
         EXPECT_EQ(m.GetSkew1(), 12.5);
       }},
      {"skew 0", [](T& t) { t.Click("rSkw"); }, [](T& t) { t.Type("eSk0", "-7.5"); },
       [](M m, P) { EXPECT_EQ(m.GetSkew0(), -7.5); }},
      {"skew 1", [](T& t) { t.Click("rSkw"); }, [](T& t) { t.Type("eSk1", "3"); },
       [](M m, P) { EXPECT_EQ(m.GetSkew1(), 3.0); }},
      {"add", none, [](T& t) { t.Click("bAdd"); }, [](M, P p) { EXPECT_EQ(p.GetProgressMessageCount(), 2); }, 2},
      {"remove", none, [](T& t) { t.Click("bRem"); }, [](M, P p) { EXPECT_EQ(p.GetProgressMessageCount(), 0); }, 0},
  };
  for (const ControlCase& c : cases) {
    SCOPED_TRACE(c.name);
    OpenWindow();
    Click("bAdd");
    ASSERT_NE(Message(), nullptr);
    c.setup(*this);
    scratch_.ClearAlerts();
    const int steps = Steps();
    const std::string project = ProjectXml();
    const std::string shown = State();
    c.act(*this);
    EXPECT_EQ(Steps(), steps + 1);
    EXPECT_EQ(Project().GetProgressMessageCount(), c.messages);
    if (Message() != nullptr && c.messages == 1) c.check(*Message(), Project());
    if (c.messages != 1) c.check(ProgressMessage(), Project());
    EXPECT_TRUE(scratch_.Alerts().empty());
    EXPECT_TRUE(Command("undV"));
    EXPECT_EQ(ProjectXml(), project);
    EXPECT_EQ(State(), shown);
  }
}

TEST_F(ProgressPageTest, AnAddedMessageShowsItsTemplate) {
  PlatformFont& font = AppPreferences::Instance().defaultFont;
  const PlatformFont before = font;
  font.SetSize(17);
  Click("bAdd");
  font = before;
  ASSERT_EQ(Project().GetProgressMessageCount(), 1);
  EXPECT_EQ(Message()->GetText(), L"%percent%%");
  EXPECT_EQ(Message()->GetFont().GetSize(), 17);
  EXPECT_EQ(Project().GetProgressMessageSelection(), 0);
  EXPECT_EQ(Rows("lPrg"), 1);
  EXPECT_EQ(SelectedRow("lPrg"), 0);
  EXPECT_EQ(Cell("lPrg", 0, 0), "%percent%%");
  EXPECT_EQ(Cell("lPrg", 0, 1), "100%");
  EXPECT_EQ(Popup("mPfm")->currentText().toStdString(), "100%");
  EXPECT_EQ(Popup("mPfm")->count(), 6);
  EXPECT_FALSE(Field("ePfm")->isEnabled());
  EXPECT_EQ(Steps(), 1);

  Choose("mPfm", 3);
  EXPECT_EQ(Text("ePfm"), "%kbytes / %totalkbytes kb");
  EXPECT_EQ(Cell("lPrg", 0, 1), "300.2 / 900 kb");
  EXPECT_FALSE(Field("ePfm")->isEnabled());

  // "Custom" keeps the text and lets it be edited.
  Choose("mPfm", 0);
  EXPECT_TRUE(Field("ePfm")->isEnabled());
  EXPECT_EQ(Text("ePfm"), "%kbytes / %totalkbytes kb");
  EXPECT_EQ(Steps(), 2);
  Type("ePfm", "Loaded %percent%%");
  EXPECT_EQ(Cell("lPrg", 0, 0), "Loaded %percent%%");
  EXPECT_EQ(Cell("lPrg", 0, 1), "Loaded 100%");
  EXPECT_EQ(Steps(), 3);
}

TEST_F(ProgressPageTest, TextsMatchingNoTemplateShowCustom) {
  for (const wchar_t* text : {L"", L"\r\n\nSecond\nThird", L"%percent%% "}) {
    auto* message = new ProgressMessage;
    message->SetText(text);
    Project().InsertProgressMessage(message, 100);
  }
  Project().SelectProgressMessage(1);
  window_->RefreshPages();
  EXPECT_EQ(Cell("lPrg", 1, 0), "Second");
  EXPECT_EQ(Cell("lPrg", 1, 1), "Second");
  for (int row = 0; row < 3; ++row) {
    ClickRow("lPrg", row);
    EXPECT_EQ(Popup("mPfm")->currentIndex(), 0) << row;
    EXPECT_TRUE(Field("ePfm")->isEnabled()) << row;
  }
  // Looking at messages edits nothing.
  EXPECT_EQ(Steps(), 0);
}

// A popup that reports no entry chosen leaves the message alone.
TEST_F(ProgressPageTest, AFormatPopupWithNothingChosenChangesNothing) {
  Click("bAdd");
  const std::string before = ProjectXml();
  QComboBox* popup = Popup("mPfm");
  popup->setCurrentIndex(-1);
  emit popup->activated(-1);
  EXPECT_EQ(ProjectXml(), before);
  EXPECT_EQ(Text("ePfm"), "%percent%%");
  EXPECT_EQ(Steps(), 1);
}

// A y of 6000 is refused with its limits, committed in the field or stored when the selection
// moves on; the message keeps its y and no step is made.
TEST_F(ProgressPageTest, AYOutOfRangeIsRefusedWithItsLimits) {
  Click("bAdd");
  Click("cPad");
  const int32_t y = Message()->GetY();
  const int steps = Steps();
  scratch_.ClearAlerts();
  Type("ePty", "6000");
  ASSERT_EQ(scratch_.Alerts().size(), 1u);
  EXPECT_EQ(scratch_.Alerts()[0].heading, apptest::Numbered(10001));
  EXPECT_EQ(scratch_.Alerts()[0].detail, Filled(142, {-5000LL, 5000LL}));
  EXPECT_EQ(Message()->GetY(), y);
  EXPECT_EQ(Text("ePty"), std::to_string(y));
  EXPECT_EQ(Steps(), steps);

  // Left for another field: the focus comes back.
  scratch_.ClearAlerts();
  Type("ePty", "6000", false);
  QTest::mouseClick(Field("ePal"), Qt::LeftButton, {}, Field("ePal")->rect().center());
  ASSERT_EQ(scratch_.Alerts().size(), 1u);
  EXPECT_EQ(Field("ePty")->window()->focusWidget(), Field("ePty"));
  EXPECT_EQ(Message()->GetY(), y);

  // Stored when another message is chosen: told once, and the choice goes on.
  Type("ePty", "6000", false);
  scratch_.ClearAlerts();
  Click("bAdd");
  ASSERT_EQ(scratch_.Alerts().size(), 1u);
  EXPECT_EQ(scratch_.Alerts()[0].detail, Filled(142, {-5000LL, 5000LL}));
  EXPECT_EQ(Project().GetProgressMessageCount(), 2);
  EXPECT_EQ(SelectedRow("lPrg"), 1);
  EXPECT_EQ(Message(0)->GetY(), y);
}

// Each message enables its place fields and angle fields by its own settings, whichever was
// shown before.
TEST_F(ProgressPageTest, EachMessageEnablesItsFieldsByItsOwnSettings) {
  Click("bAdd");
  Click("bAdd");
  Click("cPad");  // the second is placed by hand
  Click("rSkw");  // and skewed
  ASSERT_FALSE(Message(1)->GetAlignToDoc());
  for (int pass = 0; pass < 2; ++pass) {
    ClickRow("lPrg", 0);
    EXPECT_TRUE(Button("cPad")->isChecked());
    EXPECT_FALSE(Field("ePtx")->isEnabled());
    EXPECT_FALSE(Field("ePty")->isEnabled());
    EXPECT_TRUE(Field("eRot")->isEnabled());
    EXPECT_FALSE(Field("eSk0")->isEnabled());
    ClickRow("lPrg", 1);
    EXPECT_FALSE(Button("cPad")->isChecked());
    EXPECT_TRUE(Field("ePtx")->isEnabled());
    EXPECT_TRUE(Field("ePty")->isEnabled());
    EXPECT_FALSE(Field("eRot")->isEnabled());
    EXPECT_TRUE(Field("eSk1")->isEnabled());
  }
  EXPECT_EQ(Project().GetProgressMessageSelection(), 1);
}

// An angle shown to one decimal keeps its stored value while the user only looks at it.
TEST_F(ProgressPageTest, LookingAtAMessageKeepsItsExactAngles) {
  Click("bAdd");
  Click("bAdd");
  Message(0)->SetSkew(12.34);
  Message(0)->SetRotateType(kRotateNormal);
  window_->RefreshPages();
  const int steps = Steps();
  ClickRow("lPrg", 0);
  EXPECT_EQ(Text("eRot"), "12.3");
  ClickRow("lPrg", 1);
  EXPECT_EQ(Message(0)->GetSkew0(), 12.34);
  EXPECT_EQ(Steps(), steps);
}

TEST_F(ProgressPageTest, RemovingSelectsTheRowBefore) {
  for (int i = 0; i < 3; ++i) Click("bAdd");
  Message(0)->SetText(L"a");
  Message(1)->SetText(L"b");
  Message(2)->SetText(L"c");
  window_->RefreshPages();
  ClickRow("lPrg", 0);
  Click("bRem");
  EXPECT_EQ(Rows("lPrg"), 2);
  EXPECT_EQ(SelectedRow("lPrg"), 0);
  EXPECT_EQ(Text("ePfm"), "b");
  ClickRow("lPrg", 1);
  Click("bRem");
  EXPECT_EQ(Text("ePfm"), "b");
  Click("bRem");
  EXPECT_EQ(Rows("lPrg"), 0);
  EXPECT_EQ(Project().GetProgressMessageSelection(), -1);
  EXPECT_EQ(Text("ePfm"), "");
  EXPECT_FALSE(Field("ePfm")->isEnabled());
  EXPECT_FALSE(Popup("mPfm")->isEnabled());
  // Nothing left to remove.
  const int steps = Steps();
  Click("bRem");
  EXPECT_EQ(Steps(), steps);
}

}  // namespace
