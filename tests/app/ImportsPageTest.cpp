// The Imports page driven through its widgets: every control changes the selected import as it
// should and makes one undo step, after which the page shows the project as it was; adding
// movies and pictures, refusals, times typed in seconds, and what merely looking at an import
// must leave alone.
#include "app/ImportsPage.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <cwchar>
#include <filesystem>
#include <functional>
#include <string>

#include "app/AppPreferences.h"
#include "preloader/PreloaderData.h"
#include "swf/ControlTags.h"
#include "swf/DisplayListTags.h"
#include "swf/SwfFileWriter.h"
#include "tests/app/PageTestSupport.h"
#include "ui/ToolkitDialogs.h"

namespace {

namespace fs = std::filesystem;
using host::ui::FourCC;

const std::initializer_list<const char*> kControls = {"lImp", "bAdd", "bRem", "ePth", "cEmb", "eQul", "sQul", "mExp",
                                                      "sExp", "cBsh", "eWds", "eWdx", "eWdf", "eHes", "eHex", "eHef",
                                                      "eImx", "eImy", "cAld", "bHal", "bHac", "bHar", "bVat", "bVac",
                                                      "bVab", "bBrw", "mStr", "eStr", "sStr", "mEnd", "eEnd", "sEnd"};

void WriteMovie(const fs::path& path, int width, int height) {
  SwfFileWriter writer;
  writer.SetMovieParameters(width * 20, height * 20, 12.0f, 6);
  ASSERT_TRUE(writer.Open(Utf8ToWide(path.string()), true));
  writer.AddTag(std::make_unique<ShowFrameTag>());
  writer.AddTag(std::make_unique<EndTag>());
  ASSERT_NE(writer.Close(), 0u);
}

class ImportsPageTest : public apptest::PageFixture {
 public:
  ImportsPageTest() : PageFixture(1004) {}
  void SetUp() override {
    PageFixture::SetUp();
    WriteMovie(scratch_.Path("movie.swf"), 100, 50);
    WriteMovie(scratch_.Path("other.swf"), 200, 80);
    fs::copy_file(fs::path(PLENWICK_SOURCE_DIR) / "tests/fuzz/seeds/fuzz_jpeg/baseline.jpg",
                  scratch_.Path("picture.jpg"));
    SetNoticeResponder([this](const WideString& name, bool& dontShowAgain) {
      notices_.push_back(name);
      dontShowAgain = false;
      return FourCC("ok  ");
    });
    AppPreferences::Instance().warnOnImportImages = true;
    OpenWindow();
  }
  void TearDown() override {
    SetNoticeResponder({});
    PageFixture::TearDown();
  }
  PreloaderData& Project() { return window_->GetProject(); }
  ImportItem* Item(int i = 0) { return Project().GetImport(i); }
  std::string State() { return PageState(kControls); }
  void Add(const char* name) {
    scratch_.AnswerChoosers({WPath(name)});
    Click("bAdd");
  }

  std::vector<WideString> notices_;
};

TEST(SecondsText, EveryTwoDecimalTimeBecomesItsExactMilliseconds) {
  for (int hundredths = 0; hundredths <= 36000; ++hundredths) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%d.%02d", hundredths / 100, hundredths % 100);
    ASSERT_EQ(SecondsTextToMilliseconds(text), hundredths * 10LL) << WideToUtf8(text);
  }
  const struct {
    const wchar_t* text;
    long long ms;
  } cases[] = {
      {L"2.01", 2010},
      {L"2.5", 2500},
      {L"360.001", 360001},
      {L"1.2349", 1234},
      {L" 7", 7000},
      {L".5", 500},
      {L"", 0},
      {L"abc", 0},
      {L"-1.5", -1500},
      {L"3.5s", 3500},
      {L"99999999999999999999", 1000000000000LL},
  };
  for (const auto& c : cases) EXPECT_EQ(SecondsTextToMilliseconds(c.text), c.ms) << WideToUtf8(c.text);
}

struct ControlCase {
  const char* name;
  const char* source;                           // the import added first
  std::function<void(ImportsPageTest&)> setup;  // steps of its own, not counted
  std::function<void(ImportsPageTest&)> act;
  std::function<void(const ImportItem&, const PreloaderData&)> check;
  int imports = 1;  // how many the project holds afterwards
};

// Each control of the page, used once on an import just added: the import changes as the
// control says, in exactly one undo step; undone, the project and every control are as before.
// The path and the place are stored with the selection: here by an add left without a file.
TEST_F(ImportsPageTest, EachControlIsOneUndoableEdit) {
  using T = ImportsPageTest;
  using I = const ImportItem&;
  using P = const PreloaderData&;
  auto none = [](T&) {};
  auto addCancelled = [](T& t) {
    t.scratch_.AnswerChoosers({std::wstring()});
    t.Click("bAdd");
  };
  const ControlCase cases[] = {
      {"path", "movie.swf", none,
       [addCancelled](T& t) {
         t.Type("ePth", t.scratch_.Path("other.swf").c_str());
         EXPECT_EQ(t.Steps(), 1);  // nothing on its own commit
         addCancelled(t);
       },
       [](I i, P) {
         EXPECT_EQ(i.GetStartWidth(), 200);
         EXPECT_EQ(i.GetFinalWidth(), 200);
       }},
      {"width scale", "movie.swf", none, [](T& t) { t.Type("eWdx", "250"); },
       [](I i, P) {
         EXPECT_EQ(i.GetWidthScale(), 2.5);
         EXPECT_EQ(i.GetFinalWidth(), 250);
       }},
      {"final width", "movie.swf", none, [](T& t) { t.Type("eWdf", "50"); },
       [](I i, P) {
         EXPECT_EQ(i.GetFinalWidth(), 50);
         EXPECT_EQ(i.GetWidthScale(), 0.5);
       }},
      {"height scale", "movie.swf", none, [](T& t) { t.Type("eHex", "300"); },
       [](I i, P) {
         EXPECT_EQ(i.GetHeightScale(), 3.0);
         EXPECT_EQ(i.GetFinalHeight(), 150);
       }},
      {"final height", "movie.swf", none, [](T& t) { t.Type("eHef", "25"); },
       [](I i, P) { EXPECT_EQ(i.GetFinalHeight(), 25); }},
      {"x", "movie.swf", [](T& t) { t.Click("cAld"); },
       [addCancelled](T& t) {
         t.Type("eImx", "33");
         addCancelled(t);
       },
       [](I i, P) { EXPECT_EQ(i.GetX(), 33); }},
      {"y", "movie.swf", [](T& t) { t.Click("cAld"); },
       [addCancelled](T& t) {
         t.Type("eImy", "-44");
         addCancelled(t);
       },
       [](I i, P) { EXPECT_EQ(i.GetY(), -44); }},
      {"align to document", "movie.swf", none, [](T& t) { t.Click("cAld"); },
       [](I i, P) { EXPECT_FALSE(i.GetAlignToDoc()); }},
      {"left", "movie.swf", [](T& t) { t.Click("bHar"); }, [](T& t) { t.Click("bHal"); },
       [](I i, P) {
         EXPECT_EQ(i.GetHAlign(), kHAlignLeft);
         EXPECT_EQ(i.GetX(), 0);
       }},
      {"center", "movie.swf", none, [](T& t) { t.Click("bHac"); },
       [](I i, P p) {
         EXPECT_EQ(i.GetHAlign(), kHAlignCenter);
         EXPECT_EQ(i.GetX(), p.GetTargetWidth() / 2);
       }},
      {"right", "movie.swf", none, [](T& t) { t.Click("bHar"); },
       [](I i, P p) {
         EXPECT_EQ(i.GetHAlign(), kHAlignRight);
         EXPECT_EQ(i.GetX(), p.GetTargetWidth());
       }},
      {"top", "movie.swf", [](T& t) { t.Click("bVab"); }, [](T& t) { t.Click("bVat"); },
       [](I i, P) {
         EXPECT_EQ(i.GetVAlign(), kVAlignTop);
         EXPECT_EQ(i.GetY(), 0);
       }},
      {"middle", "movie.swf", none, [](T& t) { t.Click("bVac"); },
       [](I i, P p) {
         EXPECT_EQ(i.GetVAlign(), kVAlignCenter);
         EXPECT_EQ(i.GetY(), p.GetTargetHeight() / 2);
       }},
      {"bottom", "movie.swf", none, [](T& t) { t.Click("bVab"); },
       [](I i, P p) {
         EXPECT_EQ(i.GetVAlign(), kVAlignBottom);
         EXPECT_EQ(i.GetY(), p.GetTargetHeight());
       }},
      {"start type", "movie.swf", none, [](T& t) { t.Choose("mStr", 1); },
       [](I i, P) {
         EXPECT_EQ(i.GetStartType(), kStartPercent);
         EXPECT_EQ(i.GetEndType(), kEndDone);
       }},
      {"start time", "movie.swf", none, [](T& t) { t.Type("eStr", "1.5"); },
       [](I i, P) { EXPECT_EQ(i.GetStartTime(), 1500); }},
      {"start percent", "movie.swf",
       [](T& t) {
         t.Choose("mStr", 1);
         t.Type("eStr", "10");
       },
       [](T& t) { t.Type("eStr", "50"); }, [](I i, P) { EXPECT_EQ(i.GetStartPercent(), 50); }},
      {"end type", "movie.swf", none, [](T& t) { t.Choose("mEnd", 1); },
       [](I i, P) { EXPECT_EQ(i.GetEndType(), kEndTime); }},
      {"end time", "movie.swf", [](T& t) { t.Choose("mEnd", 1); }, [](T& t) { t.Type("eEnd", "2.01"); },
       [](I i, P) { EXPECT_EQ(i.GetEndTime(), 2010); }},
      {"end percent", "movie.swf",
       [](T& t) {
         t.Choose("mStr", 1);
         t.Type("eStr", "10");
         t.Choose("mEnd", 1);
       },
       [](T& t) { t.Type("eEnd", "75"); }, [](I i, P) { EXPECT_EQ(i.GetEndPercent(), 75); }},
      {"new source", "movie.swf", none,
       [](T& t) {
         t.scratch_.AnswerChoosers({t.WPath("other.swf")});
         t.Click("bBrw");
       },
       [](I i, P) {
         EXPECT_NE(i.GetPath().find(L"other.swf"), WideString::npos);
         EXPECT_EQ(i.GetStartWidth(), 200);
       }},
      {"remove", "movie.swf", none, [](T& t) { t.Click("bRem"); }, [](I, P p) { EXPECT_EQ(p.GetImportCount(), 0); }, 0},
      {"add", "movie.swf", none, [](T& t) { t.Add("other.swf"); }, [](I, P p) { EXPECT_EQ(p.GetImportCount(), 2); }, 2},
      {"embed", "picture.jpg", none, [](T& t) { t.Click("cEmb"); }, [](I i, P) { EXPECT_TRUE(i.GetEmbedImage()); }},
      {"export type", "picture.jpg", [](T& t) { t.Click("cEmb"); }, [](T& t) { t.Choose("mExp", 2); },
       [](I i, P) { EXPECT_EQ(i.GetExportImageType(), kImportLossless15); }},
      {"quality", "picture.jpg", [](T& t) { t.Click("cEmb"); }, [](T& t) { t.Type("eQul", "55"); },
       [](I i, P) { EXPECT_EQ(i.GetImageQuality(), 55); }},
      {"bitmap shift", "picture.jpg", [](T& t) { t.Click("cEmb"); }, [](T& t) { t.Click("cBsh"); },
       [](I i, P) { EXPECT_TRUE(i.GetAdjustBitmapShift()); }},
  };
  for (const ControlCase& c : cases) {
    SCOPED_TRACE(c.name);
    OpenWindow();
    Add(c.source);
    ASSERT_NE(Item(), nullptr);
    c.setup(*this);
    scratch_.ClearAlerts();
    const int steps = Steps();
    const std::string project = ProjectXml();
    const std::string shown = State();
    c.act(*this);
    EXPECT_EQ(Steps(), steps + 1);
    EXPECT_EQ(Project().GetImportCount(), c.imports);
    if (c.imports == 1 && Item() != nullptr) c.check(*Item(), Project());
    if (c.imports != 1) c.check(ImportItem(), Project());
    EXPECT_TRUE(scratch_.Alerts().empty());
    EXPECT_TRUE(Command("undV"));
    EXPECT_EQ(ProjectXml(), project);
    EXPECT_EQ(State(), shown);
  }
}

TEST_F(ImportsPageTest, AddingAPictureExplainsItAndShowsItsSettings) {
  Add("picture.jpg");
  ASSERT_EQ(Project().GetImportCount(), 1);
  EXPECT_EQ(Item()->GetSourceKind(), kImportSourceImage);
  EXPECT_EQ(Item()->GetPath(), WPath("picture.jpg"));
  EXPECT_EQ(Item()->GetStartWidth(), 12);
  ASSERT_EQ(notices_.size(), 1u);
  EXPECT_EQ(notices_[0], L"IDD_WARNING_IMPORT_IMAGES");
  EXPECT_EQ(Cell("lImp", 0, 1), "Image");
  EXPECT_EQ(Cell("lImp", 0, 2), "00:00.00");
  EXPECT_EQ(SelectedRow("lImp"), 0);
  EXPECT_FALSE(W("cEmb")->isHidden());
  // Not embedded: the way it is embedded stays out of sight.
  EXPECT_TRUE(W("mExp")->isHidden());
  EXPECT_TRUE(W("eQul")->isHidden());
  Click("cEmb");
  EXPECT_FALSE(W("mExp")->isHidden());
  EXPECT_FALSE(W("eQul")->isHidden());
  EXPECT_FALSE(W("cBsh")->isHidden());
  Choose("mExp", 1);
  EXPECT_TRUE(W("eQul")->isHidden());
  EXPECT_TRUE(W("sQul")->isHidden());

  // The chooser offers movies and JPEG pictures together first.
  ASSERT_FALSE(scratch_.Choosers().empty());
  EXPECT_EQ(scratch_.Choosers().back().kind, host::ui::ChooserKind::kOpenFile);

  // A movie: no notice, no picture settings.
  Add("movie.swf");
  EXPECT_EQ(notices_.size(), 1u);
  EXPECT_EQ(Cell("lImp", 1, 1), "SWF");
  EXPECT_EQ(SelectedRow("lImp"), 1);
  for (const char* hidden : {"cEmb", "eQul", "sQul", "mExp", "sExp", "cBsh"}) {
    std::shared_ptr<host::ui::Control> c = apptest::PageControl(window_->GetWindowRef(), hidden, 1004);
    ASSERT_TRUE(c);
    EXPECT_TRUE(c->Widget()->isHidden()) << hidden;
  }

  // Switched off, the notice is not shown again.
  AppPreferences::Instance().warnOnImportImages = false;
  Add("picture.jpg");
  EXPECT_EQ(notices_.size(), 1u);
  EXPECT_EQ(Project().GetImportCount(), 3);
}

TEST_F(ImportsPageTest, ScalesAndFinalSizesFollowEachOther) {
  Add("movie.swf");
  Type("eWdx", "250");
  EXPECT_EQ(Text("eWdf"), "250");
  Type("eHef", "25");
  EXPECT_EQ(Text("eHex"), "50");
  EXPECT_EQ(Item()->GetHeightScale(), 0.5);
  EXPECT_TRUE(scratch_.Alerts().empty());

  const int steps = Steps();
  Type("eWdx", "0");
  ASSERT_EQ(scratch_.Alerts().size(), 1u);
  EXPECT_EQ(scratch_.Alerts()[0].heading, apptest::Numbered(10001));
  EXPECT_EQ(scratch_.Alerts()[0].detail, Filled(120, {0LL, 50000LL}));
  EXPECT_EQ(Text("eWdx"), "250");
  EXPECT_EQ(Item()->GetWidthScale(), 2.5);
  EXPECT_EQ(Steps(), steps);

  scratch_.ClearAlerts();
  Type("eWdf", "6000");
  ASSERT_EQ(scratch_.Alerts().size(), 1u);
  EXPECT_EQ(scratch_.Alerts()[0].detail, Filled(118, {1LL, 5000LL}));
  EXPECT_EQ(Text("eWdf"), "250");
}

TEST_F(ImportsPageTest, TimesAndPercentagesInTheListAndTheirRefusals) {
  Add("movie.swf");
  Type("eStr", "1.5");
  EXPECT_EQ(Cell("lImp", 0, 2), "00:01.50");
  const int steps = Steps();
  Type("eStr", "360.01");
  ASSERT_EQ(scratch_.Alerts().size(), 1u);
  EXPECT_EQ(scratch_.Alerts()[0].detail, Filled(124, {0.0, 360.0}));
  EXPECT_EQ(Item()->GetStartTime(), 1500);
  EXPECT_EQ(Text("eStr"), "1.50");
  EXPECT_EQ(Steps(), steps);

  // The start by percentage: the end goes back to "till done" and offers a percentage.
  Choose("mEnd", 1);
  EXPECT_EQ(Item()->GetEndType(), kEndTime);
  EXPECT_TRUE(Field("eEnd")->isEnabled());
  Choose("mStr", 1);
  EXPECT_EQ(Item()->GetEndType(), kEndDone);
  EXPECT_EQ(Popup("mEnd")->currentIndex(), 0);
  EXPECT_EQ(Popup("mEnd")->itemText(1).toStdString(), "Show for percentage");
  EXPECT_FALSE(Field("eEnd")->isEnabled());
  EXPECT_EQ(Text("eEnd"), "");
  Type("eStr", "50");
  EXPECT_EQ(Cell("lImp", 0, 2), "50%");
  Choose("mEnd", 1);
  EXPECT_EQ(Item()->GetEndType(), kEndPercent);
  EXPECT_EQ(qobject_cast<QLabel*>(W("sEnd"))->text().toStdString(), "%");
  scratch_.ClearAlerts();
  Type("eEnd", "101");
  ASSERT_EQ(scratch_.Alerts().size(), 1u);
  EXPECT_EQ(scratch_.Alerts()[0].detail, Filled(127, {0LL, 100LL}));
}

// Values the fields show rounded (scales as whole percentages, times to hundredths) keep their
// exact stored value while the user only moves between imports: no change, no step.
TEST_F(ImportsPageTest, LookingAtImportsChangesNothing) {
  WriteMovie(scratch_.Path("wide.swf"), 300, 90);
  Add("wide.swf");
  Type("eWdf", "100");  // a scale of 1/3
  Add("movie.swf");
  Item(0)->SetStartTime(1234);
  window_->RefreshPages();
  const std::string before = ProjectXml();
  const int steps = Steps();
  for (int row : {0, 1, 0, 1}) ClickRow("lImp", row);
  EXPECT_EQ(Item(0)->GetFinalWidth(), 100);
  EXPECT_EQ(Item(0)->GetStartTime(), 1234);
  EXPECT_EQ(Steps(), steps);
  EXPECT_EQ(ProjectXml().size(), before.size());
}

TEST_F(ImportsPageTest, RemovingSelectsTheRowBeforeAndAnEmptyListDoesNothing) {
  Add("movie.swf");
  Add("other.swf");
  Add("picture.jpg");
  ClickRow("lImp", 0);
  Click("bRem");
  EXPECT_EQ(Rows("lImp"), 2);
  EXPECT_EQ(SelectedRow("lImp"), 0);
  EXPECT_NE(Text("ePth").find("other.swf"), std::string::npos);
  Click("bRem");
  Click("bRem");
  EXPECT_EQ(Rows("lImp"), 0);
  EXPECT_EQ(Text("ePth"), "");
  for (const char* off : {"ePth", "eWdx", "eStr", "mStr", "bBrw", "bRem", "cAld"}) {
    std::shared_ptr<host::ui::Control> c = apptest::PageControl(window_->GetWindowRef(), off, 1004);
    ASSERT_TRUE(c);
    EXPECT_FALSE(c->Widget()->isEnabled()) << off;
  }
  EXPECT_TRUE(Button("bAdd")->isEnabled());
  const int steps = Steps();
  const size_t choosers = scratch_.Choosers().size();
  Click("bBrw");
  Click("bRem");
  EXPECT_EQ(Steps(), steps);
  EXPECT_EQ(scratch_.Choosers().size(), choosers);
}

// A popup that reports no entry chosen leaves the import alone.
TEST_F(ImportsPageTest, PopupsWithNothingChosenChangeNothing) {
  Add("picture.jpg");
  Click("cEmb");
  const std::string before = ProjectXml();
  const int steps = Steps();
  for (const char* name : {"mStr", "mEnd", "mExp"}) {
    QComboBox* popup = qobject_cast<QComboBox*>(apptest::PageControl(window_->GetWindowRef(), name, 1004)->Widget());
    popup->setCurrentIndex(-1);
    emit popup->activated(-1);
  }
  EXPECT_EQ(ProjectXml(), before);
  EXPECT_EQ(Steps(), steps);
  // Stored with the selection, they still change nothing.
  EXPECT_TRUE(window_->CommitPages(false));
  EXPECT_EQ(ProjectXml(), before);
}

}  // namespace
