// The Document page driven as a person drives it: keys typed into its fields, clicks on its
// buttons, the removal-effect popup chosen with the keyboard. Every control changes the
// project at once as one undo step, undo shows the earlier values again, refused values say
// why and change nothing, and a commit keeps what the fields can't show exactly.
#include "app/DocumentPage.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <clocale>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "host/ui/Application.h"
#include "platform/WideTextBuffer.h"
#include "preloader/PreloaderData.h"
#include "preloader/ProjectDocument.h"
#include "swf/ControlTags.h"
#include "swf/DisplayListTags.h"
#include "swf/SwfFileWriter.h"
#include "tests/app/MainWindowTestSupport.h"
#include "ui/MessageBox.h"
#include "ui/MessageFormat.h"
#include "ui/ToolkitDialogs.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPage = 1000;

// A movie of one frame with the stage, rate and background colour (red, green, blue).
void WriteMovie(const fs::path& path, int width, int height, float fps, uint8_t r, uint8_t g, uint8_t b) {
  SwfFileWriter writer;
  writer.SetMovieParameters(width * 20, height * 20, fps, 6);
  ASSERT_TRUE(writer.Open(Utf8ToWide(path.string()), true));
  writer.AddTag(std::make_unique<SetBackgroundColorTag>(r, g, b));
  writer.AddTag(std::make_unique<ShowFrameTag>());
  writer.AddTag(std::make_unique<EndTag>());
  ASSERT_NE(writer.Close(), 0u);
}

using apptest::Filled;

class DocumentPageTest : public apptest::MainWindowFixture {
 public:  // the table of cases drives the page through these
  void SetUp() override {
    MainWindowFixture::SetUp();
    NewWindow();
  }
  void TearDown() override {
    host::ui::SetColorResponder({});
    SetNoticeResponder({});
    MainWindowFixture::TearDown();
  }
  void NewWindow() {
    MakeWindow();
    window_->Show(true);
    window_->Activate(true);
  }
  PreloaderData& Project() { return window_->GetProject(); }
  DocumentPage& Page() { return window_->GetDocumentPage(); }
  int Steps() { return window_->GetUndoHistory().Count(); }

  QWidget* W(const char (&signature)[5]) {
    QWidget* w = apptest::WidgetOf(window_->GetWindowRef(), signature, kPage);
    EXPECT_NE(w, nullptr) << signature;
    return w;
  }
  QLineEdit* Field(const char (&signature)[5]) { return qobject_cast<QLineEdit*>(W(signature)); }
  // Replaces the field's text by typing and leaves it with Tab.
  void Type(const char (&signature)[5], const char* text) {
    QLineEdit* field = Field(signature);
    ASSERT_NE(field, nullptr) << signature;
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QString::fromUtf8(text));
    QTest::keyClick(field, Qt::Key_Tab);
  }
  void Click(const char (&signature)[5]) {
    auto* button = qobject_cast<QAbstractButton*>(W(signature));
    ASSERT_NE(button, nullptr) << signature;
    // Near the left edge: a check box or radio button takes clicks on its box and label only.
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
  }
  std::string Text(const char (&signature)[5]) {
    if (auto* field = qobject_cast<QLineEdit*>(W(signature))) return field->text().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(W(signature))) return button->text().toStdString();
    QWidget* w = W(signature);
    return w != nullptr ? w->property("text").toString().toStdString() : std::string();
  }
  // "1" or "0" for checked, then "e" or "d" for enabled or disabled.
  std::string State(const char (&signature)[5]) {
    auto* button = qobject_cast<QAbstractButton*>(W(signature));
    if (button == nullptr) return "?";
    return std::string(button->isChecked() ? "1" : "0") + (button->isEnabled() ? "e" : "d");
  }
  std::string Swatch(const char (&signature)[5]) {
    QWidget* w = W(signature);
    return w->grab().toImage().pixelColor(w->width() / 2, w->height() / 2).name().toStdString();
  }
  std::string Popup(const char (&signature)[5]) {
    auto* popup = qobject_cast<QComboBox*>(W(signature));
    return popup != nullptr ? std::to_string(popup->currentIndex()) : "?";
  }
  // The project as it would be saved.
  std::string ProjectXml() {
    const std::string path = scratch_.Path("state.xml");
    EXPECT_TRUE(WriteProjectSnapshot(Utf8ToWide(path), Project()));
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
  // The project as the test sets it up, shown by the page, no step.
  void SetUpProject(const std::function<void(PreloaderData&)>& change) {
    change(Project());
    window_->RefreshPages();
    window_->GetUndoHistory().Clear();
  }
};

struct ControlCase {
  const char* name;
  std::function<void(PreloaderData&)> before;  // the project the edit starts from
  std::function<void(DocumentPageTest&)> edit;
  std::function<bool(const PreloaderData&)> changed;
  std::function<std::string(DocumentPageTest&)> shown;  // the controls the edit shows
};

// Every control of the page: the edit changes the project as one undo step, and undo
// brings back both the project and what the page shows.
TEST_F(DocumentPageTest, EachControlChangesTheProjectAsOneUndoStep) {
  using T = DocumentPageTest;
  auto smart = [](PreloaderData& p) { p.SetPreloadMode(kPreloadSmart); };
  auto merged = [](PreloaderData& p) { p.SetTargetType(kTargetMerge); };
  auto nothing = [](PreloaderData&) {};
  auto radios = [](T& t) {
    return t.State("rSmp") + t.State("rSma") + t.State("rEx7") + t.State("rExt") + t.State("rMrg") + t.State("rNoc") +
           t.State("rLop") + t.State("rStp") + t.Text("ePct") + t.Text("eBuf") +
           (t.Field("ePct")->isEnabled() ? "e" : "d") + (t.Field("eBuf")->isEnabled() ? "e" : "d");
  };
  const ControlCase cases[] = {
      {"target path", nothing, [](T& t) { t.Type("eTgt", "/nowhere/movie.swf"); },
       [](const PreloaderData& p) { return p.GetTargetUrl() == L"/nowhere/movie.swf"; },
       [](T& t) { return t.Text("eTgt"); }},
      {"stage width", nothing, [](T& t) { t.Type("eWid", "640"); },
       [](const PreloaderData& p) { return p.GetTargetWidth() == 640; }, [](T& t) { return t.Text("eWid"); }},
      {"stage height", nothing, [](T& t) { t.Type("eHei", "480"); },
       [](const PreloaderData& p) { return p.GetTargetHeight() == 480; }, [](T& t) { return t.Text("eHei"); }},
      {"frame rate", nothing, [](T& t) { t.Type("eFps", "29"); },
       [](const PreloaderData& p) { return p.GetTargetFps() == 29.0f; }, [](T& t) { return t.Text("eFps"); }},
      {"percent", nothing, [](T& t) { t.Type("ePct", "55"); },
       [](const PreloaderData& p) { return p.GetPercent() == 55; }, [](T& t) { return t.Text("ePct"); }},
      {"buffer factor", smart, [](T& t) { t.Type("eBuf", "2.5"); },
       [](const PreloaderData& p) { return p.GetBufferFactor() == 2.5; }, [](T& t) { return t.Text("eBuf"); }},
      {"background colour", nothing,
       [](T& t) {
         host::ui::SetColorResponder([](const std::wstring&, uint32_t, uint32_t& chosen) {
           chosen = 0x00123456;
           return true;
         });
         t.Click("bBgc");
       },
       [](const PreloaderData& p) { return p.GetBackgroundColor() == 0x123456u; },
       [](T& t) { return t.Swatch("bBgc"); }},
      {"background image on", nothing, [](T& t) { t.Click("cBgi"); },
       [](const PreloaderData& p) { return p.GetBackgroundImage().IsEnabled(); },
       [](T& t) { return t.State("cBgi") + t.State("sBgi"); }},
      {"smart mode", nothing, [](T& t) { t.Click("rSma"); },
       [](const PreloaderData& p) { return p.GetPreloadMode() == kPreloadSmart; }, radios},
      {"simple mode", smart, [](T& t) { t.Click("rSmp"); },
       [](const PreloaderData& p) { return p.GetPreloadMode() == kPreloadSimple; }, radios},
      {"external target", nothing, [](T& t) { t.Click("rExt"); },
       [](const PreloaderData& p) { return p.GetTargetType() == kTargetExternal; }, radios},
      {"merged target", nothing, [](T& t) { t.Click("rMrg"); },
       [](const PreloaderData& p) { return p.GetTargetType() == kTargetMerge; }, radios},
      {"external 7 target", merged, [](T& t) { t.Click("rEx7"); },
       [](const PreloaderData& p) { return p.GetTargetType() == kTargetExternal7; }, radios},
      {"loop", merged, [](T& t) { t.Click("rLop"); },
       [](const PreloaderData& p) { return p.GetTargetLoopType() == kLoopLoop; }, radios},
      {"no loop", merged, [](T& t) { t.Click("rStp"); },
       [](const PreloaderData& p) { return p.GetTargetLoopType() == kLoopNoLoop; }, radios},
      {"loop unchanged",
       [](PreloaderData& p) {
         p.SetTargetType(kTargetMerge);
         p.SetTargetLoopType(kLoopLoop);
       },
       [](T& t) { t.Click("rNoc"); }, [](const PreloaderData& p) { return p.GetTargetLoopType() == kLoopNoChange; },
       radios},
      {"protect", nothing, [](T& t) { t.Click("cLok"); }, [](const PreloaderData& p) { return p.GetProtect(); },
       [](T& t) { return t.State("cLok"); }},
      {"compress", nothing, [](T& t) { t.Click("cCmp"); }, [](const PreloaderData& p) { return p.GetCompress(); },
       [](T& t) { return t.State("cCmp"); }},
      {"removal effect", nothing, [](T& t) { QTest::keyClick(t.W("mFxo"), Qt::Key_Down); },
       [](const PreloaderData& p) {
         return p.GetRemovalEffect() != nullptr && p.GetRemovalEffect()->GetName() == L"Exit Bottom";
       },
       [](T& t) { return t.Popup("mFxo") + "/" + t.Text("eFxt"); }},
  };
  SetNoticeResponder([](const WideString&, bool&) { return ui::kResultOk; });
  for (const ControlCase& c : cases) {
    SCOPED_TRACE(c.name);
    NewWindow();
    SetUpProject(c.before);
    const std::string shownBefore = c.shown(*this);
    ASSERT_FALSE(c.changed(Project()));
    c.edit(*this);
    EXPECT_TRUE(c.changed(Project()));
    EXPECT_EQ(Steps(), 1);
    EXPECT_NE(c.shown(*this), shownBefore);
    EXPECT_TRUE(Command("undV"));
    EXPECT_FALSE(c.changed(Project()));
    EXPECT_EQ(c.shown(*this), shownBefore);
    EXPECT_TRUE(scratch_.Alerts().empty());
  }
}

struct RefusalCase {
  const char signature[5];
  const char* typed;
  int text;
  long long min, max;
  std::string shown;  // the stored value shown again
};

// A refused value says why with its range, puts the focus back into the field, shows the
// stored value again and records no step.
TEST_F(DocumentPageTest, ARefusedValueSaysWhyAndChangesNothing) {
  const RefusalCase cases[] = {
      {"eWid", "0", 113, 1, 5000, "300"}, {"eWid", "5001", 113, 1, 5000, "300"}, {"eHei", "0", 114, 1, 5000, "200"},
      {"eFps", "0", 115, 1, 120, "12"},   {"eFps", "121", 115, 1, 120, "12"},    {"ePct", "101", 117, 0, 100, "100"},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(std::string(c.signature) + " " + c.typed);
    const std::string before = ProjectXml();
    scratch_.ClearAlerts();
    Type(c.signature, c.typed);
    QCoreApplication::processEvents();
    ASSERT_EQ(scratch_.Alerts().size(), 1u);
    EXPECT_EQ(scratch_.Alerts()[0].heading, apptest::Numbered(10001));
    EXPECT_EQ(scratch_.Alerts()[0].detail, Filled(c.text, {c.min, c.max}));
    EXPECT_EQ(Text(c.signature), c.shown);
    EXPECT_EQ(QApplication::focusWidget(), W(c.signature));
    EXPECT_EQ(Steps(), 0);
    EXPECT_EQ(ProjectXml(), before);
  }
}

// A commit stops at the first refused value with its message; what came before stays stored.
TEST_F(DocumentPageTest, ACommitStopsAtTheFirstRefusalAndKeepsWhatCameBefore) {
  Field("eWid")->setText("0");
  Field("ePct")->setText("40");
  qobject_cast<QAbstractButton*>(W("rSmp"))->setChecked(false);
  qobject_cast<QAbstractButton*>(W("rSma"))->setChecked(true);
  qobject_cast<QAbstractButton*>(W("rEx7"))->setChecked(false);
  qobject_cast<QAbstractButton*>(W("rExt"))->setChecked(true);
  qobject_cast<QComboBox*>(W("mFxo"))->setCurrentIndex(5);
  EXPECT_FALSE(Page().Commit(false));
  ASSERT_EQ(scratch_.Alerts().size(), 1u);
  EXPECT_EQ(scratch_.Alerts()[0].heading, apptest::Numbered(10001));
  EXPECT_EQ(scratch_.Alerts()[0].detail, Filled(113, {1LL, 5000LL}));
  EXPECT_EQ(Project().GetPreloadMode(), kPreloadSmart);
  EXPECT_EQ(Project().GetPercent(), 40);
  EXPECT_EQ(Project().GetTargetType(), kTargetExternal);
  ASSERT_NE(Project().GetRemovalEffect(), nullptr);
  EXPECT_EQ(Project().GetRemovalEffect()->GetName(), L"Fade Out");
  EXPECT_EQ(Project().GetTargetWidth(), 300);

  // A merged target must exist, whether the target is required or not; an export needs one.
  struct {
    bool requireTarget;
    const char* target;
    bool merge;
    int text;
  } const refusals[] = {
      {false, "/nowhere/target.swf", true, 128}, {true, "/nowhere/target.swf", true, 128}, {true, "", false, 116}};
  Field("eWid")->setText("300");
  for (const auto& r : refusals) {
    SCOPED_TRACE(r.text);
    scratch_.ClearAlerts();
    Field("eTgt")->setText(r.target);
    qobject_cast<QAbstractButton*>(W("rExt"))->setChecked(!r.merge);
    qobject_cast<QAbstractButton*>(W("rMrg"))->setChecked(r.merge);
    EXPECT_FALSE(Page().Commit(r.requireTarget));
    ASSERT_EQ(scratch_.Alerts().size(), 1u);
    EXPECT_EQ(scratch_.Alerts()[0].heading, apptest::Numbered(r.text == 116 ? 10000 : 10001));
    EXPECT_EQ(scratch_.Alerts()[0].detail, apptest::Numbered(r.text));
  }
}

// Values the fields show rounded stay exact through a commit: a header's 29.97 frames a
// second is not cut to 29, nor a buffer factor or a duration to two decimals.
TEST_F(DocumentPageTest, ACommitKeepsWhatTheFieldsShowRounded) {
  RemovalEffect* fade = Project().GetRemovalEffectLibrary().FindByName(L"Fade Out");
  ASSERT_NE(fade, nullptr);
  SetUpProject([&](PreloaderData& p) {
    p.SetTargetFps(29.97f);
    p.SetPreloadMode(kPreloadSmart);
    p.SetBufferFactor(1.234);
    p.SetRemovalEffect(fade);
    fade->SetDuration(1234);
  });
  EXPECT_EQ(Text("eFps"), "29");
  EXPECT_EQ(Text("eBuf"), "1.23");
  EXPECT_EQ(Text("eFxt"), "1.23");
  ASSERT_TRUE(Page().Commit(false));
  EXPECT_EQ(Project().GetTargetFps(), 29.97f);
  EXPECT_EQ(Project().GetBufferFactor(), 1.234);
  EXPECT_EQ(fade->GetDuration(), 1234);
  // A new value typed in is taken.
  Type("eFps", "30");
  EXPECT_EQ(Project().GetTargetFps(), 30.0f);
}

// Nothing selected in the removal-effect popup changes nothing: neither a project without an
// effect nor one whose popup lost its selection gets an effect from a commit.
TEST_F(DocumentPageTest, NoRemovalEffectSelectedChangesNothing) {
  SetUpProject([](PreloaderData& p) { p.SetRemovalEffect(nullptr); });
  EXPECT_EQ(Popup("mFxo"), "-1");
  ASSERT_TRUE(Page().Commit(false));
  EXPECT_EQ(Project().GetRemovalEffect(), nullptr);

  RemovalEffect* exitTop = Project().GetRemovalEffectLibrary().FindByName(L"Exit Top");
  SetUpProject([&](PreloaderData& p) { p.SetRemovalEffect(exitTop); });
  qobject_cast<QComboBox*>(W("mFxo"))->setCurrentIndex(-1);
  ASSERT_TRUE(Page().Commit(false));
  EXPECT_EQ(Project().GetRemovalEffect(), exitTop);
  Type("eFxt", "3");
  EXPECT_EQ(Project().GetRemovalEffect(), exitTop);
}

// Choosing another effect is a step; changing only its duration is not, though it is stored
// to the millisecond.
TEST_F(DocumentPageTest, TheEffectIsAStepItsDurationIsNot) {
  QTest::keyClick(W("mFxo"), Qt::Key_Down);
  QTest::keyClick(W("mFxo"), Qt::Key_Down);
  ASSERT_EQ(Steps(), 2);
  RemovalEffect* effect = Project().GetRemovalEffect();
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(effect->GetName(), L"Exit Left");
  Type("eFxt", "2.01");
  EXPECT_EQ(effect->GetDuration(), 2010);
  EXPECT_EQ(Steps(), 2);
}

// Every time of two decimals from 0.00 to 360.00 s becomes its exact milliseconds; binary
// rounding loses none (2.01 s is 2010 ms, not 2009).
TEST(DocumentPageTimes, SecondsBecomeWholeMillisecondsWithoutLosingOne) {
  int wrong = 0;
  for (int hundredths = 0; hundredths <= 36000; ++hundredths) {
    WideTextBuffer text;
    ASSERT_TRUE(text.Format(L"%d.%02d", hundredths / 100, hundredths % 100));
    if (DocumentPage::SecondsToMilliseconds(text.ToReal()) != hundredths * 10) ++wrong;
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(DocumentPage::SecondsToMilliseconds(2.01), 2010);
  EXPECT_EQ(DocumentPage::SecondsToMilliseconds(360.001), 360001);
  EXPECT_EQ(DocumentPage::SecondsToMilliseconds(0.0009), 0);
  EXPECT_EQ(DocumentPage::SecondsToMilliseconds(-1.0), 0);
  EXPECT_EQ(DocumentPage::SecondsToMilliseconds(std::nan("")), 0);
  EXPECT_EQ(DocumentPage::SecondsToMilliseconds(1e300), 2147483647);
}

// The byte-size rule, in the C locale whatever the user's locale says.
TEST(DocumentPageSizes, ByteSizesAreBytesKilobytesAndThousandKilobyteMegabytes) {
  const struct {
    uint64_t bytes;
    const wchar_t* text;
  } cases[] = {{0, L"0 bytes"},          {1023, L"1023 bytes"}, {1024, L"1.00 kb"},         {150000, L"146.48 kb"},
               {1023999, L"1000.00 kb"}, {1024000, L"1.00 MB"}, {5120000000, L"5000.00 MB"}};
  const std::string old = std::setlocale(LC_NUMERIC, nullptr);
  const bool german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  for (const auto& c : cases) EXPECT_EQ(DocumentPage::FormatByteSize(c.bytes), c.text) << c.bytes;
  std::setlocale(LC_NUMERIC, old.c_str());
  if (!german) GTEST_SKIP() << "no German locale to check the decimal point against";
}

// Choosing the target takes its stage, rate and colour and shows its header, as one step that
// undo takes back whole; the movie heads the recent movies.
TEST_F(DocumentPageTest, ChoosingTheTargetTakesItsStageAsOneStep) {
  const fs::path movie = scratch_.Path("target.swf");
  WriteMovie(movie, 550, 400, 12.0f, 0x33, 0x66, 0x99);
  scratch_.AnswerChoosers({Utf8ToWide(movie.string())});
  Click("bBrw");
  ASSERT_EQ(scratch_.Choosers().size(), 1u);
  EXPECT_EQ(Project().GetTargetUrl(), Utf8ToWide(movie.string()));
  EXPECT_EQ(Project().GetTargetWidth(), 550);
  EXPECT_EQ(Project().GetTargetHeight(), 400);
  EXPECT_EQ(Project().GetTargetFps(), 12.0f);
  EXPECT_EQ(Project().GetBackgroundColor(), 0x996633u);
  EXPECT_EQ(Steps(), 1);
  const WideString* recent = window_->GetRecentMovies().PathForCommand(MainWindow::kFirstRecentMovie);
  ASSERT_NE(recent, nullptr);
  EXPECT_EQ(*recent, Utf8ToWide(movie.string()));
  const std::string size = WideToUtf8(DocumentPage::FormatByteSize(fs::file_size(movie)));
  const std::vector<std::string> labels = {Text("sWid"), Text("sHei"), Text("sFps"),
                                           Text("sVer"), Text("sFrm"), Text("sSiz")};
  EXPECT_EQ(labels, (std::vector<std::string>{"550", "400", "12.0 fps", "6", "1", size}));
  EXPECT_EQ(Text("eWid") + "x" + Text("eHei") + "@" + Text("eFps"), "550x400@12");
  EXPECT_TRUE(scratch_.Alerts().empty());

  EXPECT_TRUE(Command("undV"));
  EXPECT_EQ(Project().GetTargetUrl(), L"");
  EXPECT_EQ(Project().GetTargetWidth(), 300);
  EXPECT_EQ(Project().GetBackgroundColor(), 0xFFFFFFu);
  EXPECT_EQ(Text("eWid") + "x" + Text("eHei") + " " + Text("eTgt") + " " + Text("sWid"), "300x200  N/A");

  // A chooser left without a file changes nothing.
  scratch_.AnswerChoosers({std::wstring()});
  Click("bBrw");
  EXPECT_EQ(Project().GetTargetUrl(), L"");
  EXPECT_EQ(Steps(), 1);
}

// Reading the target again takes what the movie says now, as a step; a path that names no
// movie shows "N/A", says so and changes nothing.
TEST_F(DocumentPageTest, ReadingTheTargetAgain) {
  const fs::path movie = scratch_.Path("target.swf");
  WriteMovie(movie, 320, 240, 24.0f, 0, 0, 0);
  scratch_.AnswerChoosers({Utf8ToWide(movie.string())});
  Click("bBrw");
  ASSERT_EQ(Project().GetTargetWidth(), 320);
  WriteMovie(movie, 640, 480, 24.0f, 0, 0, 0);
  Click("bSyn");
  EXPECT_EQ(Project().GetTargetWidth(), 640);
  EXPECT_EQ(Text("sWid"), "640");
  EXPECT_EQ(Steps(), 2);

  const std::string before = ProjectXml();
  Field("eTgt")->setText(QString::fromStdString(scratch_.Path("missing.swf")));
  Click("bSyn");
  const char labels[][5] = {"sWid", "sHei", "sFps", "sVer", "sSiz", "sFrm"};
  for (const auto& label : labels) EXPECT_EQ(Text(label), "N/A") << label;
  ASSERT_EQ(scratch_.Alerts().size(), 1u);
  EXPECT_EQ(scratch_.Alerts()[0].detail, Filled(129, {Utf8ToWide(scratch_.Path("missing.swf"))}));
  EXPECT_EQ(ProjectXml(), before);
  EXPECT_EQ(Steps(), 2);
}

// A field is also applied when the user presses Return in it, or clicks another control.
TEST_F(DocumentPageTest, AFieldIsAppliedByReturnOrByClickingElsewhere) {
  QLineEdit* height = Field("eHei");
  height->setFocus();
  height->selectAll();
  QTest::keyClicks(height, "480");
  QTest::keyClick(height, Qt::Key_Return);
  EXPECT_EQ(Project().GetTargetHeight(), 480);
  EXPECT_EQ(Text("eHei"), "480");  // Return itself is not typed into the field

  QLineEdit* width = Field("eWid");
  QTest::mouseClick(width, Qt::LeftButton);
  width->selectAll();
  QTest::keyClicks(width, "640");
  EXPECT_EQ(Project().GetTargetWidth(), 300);
  Click("cLok");
  EXPECT_EQ(Project().GetTargetWidth(), 640);
  EXPECT_TRUE(Project().GetProtect());
  EXPECT_EQ(Steps(), 3);
}

// Files that are no movie, or only the start of one, read as no target: "N/A", no change.
TEST_F(DocumentPageTest, ABrokenTargetReadsAsNone) {
  const struct {
    const char* name;
    std::string bytes;
  } files[] = {
      {"empty", ""},
      {"text", "no movie at all"},
      {"signature only", "FWS"},
      {"header cut short", std::string("FWS\x06\x40\x00\x00\x00\x78", 9)},
      {"compressed, no stream", std::string("CWS\x06\x40\x00\x00\x00\x01\x02\x03", 11)},
  };
  const std::string before = ProjectXml();
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    const std::string path = scratch_.Path(std::string(f.name) + ".swf");
    std::ofstream(path, std::ios::binary) << f.bytes;
    EXPECT_FALSE(Page().ReadTargetInfo(Utf8ToWide(path), false));
    EXPECT_EQ(Text("sWid") + Text("sSiz"), "N/AN/A");
  }
  EXPECT_TRUE(scratch_.Alerts().empty());
  EXPECT_EQ(ProjectXml(), before);
}

// The notice on loading the target from outside comes on every click until the user turns it
// off in the notice.
TEST_F(DocumentPageTest, TheExternalTargetNoticeComesUntilTurnedOff) {
  AppPreferences::Instance().warnOnExternalTarget = true;
  std::vector<std::wstring> shown;
  bool turnOff = false;
  SetNoticeResponder([&](const WideString& name, bool& dontShowAgain) {
    shown.push_back(name);
    dontShowAgain = turnOff;
    return ui::kResultOk;
  });
  Click("rExt");
  Click("rExt");
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"IDD_WARNING_EXTERNAL_TARGET", L"IDD_WARNING_EXTERNAL_TARGET"}));
  turnOff = true;
  Click("rExt");
  EXPECT_FALSE(AppPreferences::Instance().warnOnExternalTarget);
  Click("rEx7");
  Click("rExt");
  EXPECT_EQ(shown.size(), 3u);
  EXPECT_EQ(Project().GetTargetType(), kTargetExternal);
  AppPreferences::Instance().warnOnExternalTarget = true;
}

// The notice's interface file has its "don't show again" box and buttons.
TEST_F(DocumentPageTest, TheNoticeWindowOffersToStaySilent) {
  SetNoticeResponder({});
  uint8_t show = 1;
  apptest::Soon([&] {
    QWidget* notice = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && w->objectName() == "ExternalTargetNotice") notice = w;
    ASSERT_NE(notice, nullptr);
    QAbstractButton* check = nullptr;
    QAbstractButton* ok = nullptr;
    for (QAbstractButton* b : notice->findChildren<QAbstractButton*>()) {
      if (b->property("signature").toString() == "cDwm") check = b;
      if (b->property("signature").toString() == "ok  ") ok = b;
    }
    ASSERT_NE(check, nullptr);
    ASSERT_NE(ok, nullptr);
    check->click();
    ok->click();
  });
  RunNoticeDialog(L"IDD_WARNING_EXTERNAL_TARGET", window_->GetWindowRef(), &show);
  EXPECT_EQ(show, 0);
}

}  // namespace
