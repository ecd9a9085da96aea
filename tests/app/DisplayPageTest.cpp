// The Display page driven as a person drives it: fields typed into and committed with Return,
// buttons clicked, displays picked in the palette. Every control changes the project by one
// undo step; refused values are explained and leave the display alone; the preview is a build
// of the display alone into a private temporary movie that changes nothing of the project.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/DisplayPage.h"
#include "host/ui/Control.h"
#include "host/ui/Widgets.h"
#include "platform/TempFolder.h"
#include "preloader/SegmentsDisplay.h"
#include "tests/app/MainWindowTestSupport.h"
#include "tests/support/ShownColours.h"
#include "ui/MessageFormat.h"

namespace {

namespace fs = std::filesystem;
using apptest::MainWindowFixture;

constexpr int kPane = 1001;

// The four-character code of a signature.
uint32_t Code(const char* s) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
         uint32_t(uint8_t(s[3]));
}

using apptest::Filled;

TEST(DisplayPageName, TheNameAndTheBuiltSizeInKilobytesWithTwoDecimals) {
  EXPECT_EQ(DisplayPage::FormatNameAndSize(L"Bar", 2048), L"Bar (2.00 kb)");
  EXPECT_EQ(DisplayPage::FormatNameAndSize(L"Bar", 1536), L"Bar (1.50 kb)");
  EXPECT_EQ(DisplayPage::FormatNameAndSize(L"Bar", 5), L"Bar (0.00 kb)");
  EXPECT_EQ(DisplayPage::FormatNameAndSize(std::wstring(300, L'n'), 1024).size(), 256u);
}

class DisplayPageTest : public MainWindowFixture {
 public:
  void SetUp() override {
    MainWindowFixture::SetUp();
    for (const char* movie : {"Bars/classic-bar.swf", "Bars/slim-bar.swf", "Bars/segment-bar.swf"})
      apptest::CopyLibraryMovie(fs::path(PLENWICK_PRELOADERS_DIR) / movie, Library() / movie);
    log_ = scratch_.Path("plugin.log");
    ::setenv("PLENWICK_TEST_PLUGIN_LOG", log_.c_str(), 1);
    MakeWindow();
    // The Display tab, as a person would open it.
    window_->Show(true);
    auto* tabs = qobject_cast<QTabBar*>(apptest::WidgetOf(window_->GetWindowRef(), "tbPl", 0));
    ASSERT_NE(tabs, nullptr);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    ASSERT_TRUE(W("uPrv")->isVisible());
  }
  void TearDown() override {
    ::unsetenv("PLENWICK_TEST_PLUGIN_LOG");
    MainWindowFixture::TearDown();
  }

  PreloaderData& Project() { return window_->GetProject(); }
  DisplayPage& Page() { return window_->GetDisplayPage(); }
  PreloaderDisplay* Named(const wchar_t* name) { return Project().GetPreloaderLibrary().FindByName(name); }
  QWidget* W(const char* signature) {
    std::shared_ptr<host::ui::Control> c = window_->GetWindowRef()->FindControl(Code(signature), kPane);
    return c ? c->Widget() : nullptr;
  }
  QLineEdit* Field(const char* signature) { return qobject_cast<QLineEdit*>(W(signature)); }
  bool Enabled(const char* signature) { return W(signature) != nullptr && W(signature)->isEnabled(); }
  bool Checked(const char* signature) {
    auto* button = qobject_cast<QAbstractButton*>(W(signature));
    return button != nullptr && button->isChecked();
  }

  // Picks the display's row in the palette, as a click on it does.
  void PickInPalette(const QString& group, const QString& name) {
    ASSERT_TRUE(apptest::PickInPalette(*window_, group, name)) << "no row " << name.toStdString();
  }
  // Chooses a group's own row, which shows no display.
  void PickGroupInPalette(const QString& group) {
    ASSERT_TRUE(apptest::PickInPalette(*window_, group)) << group.toStdString();
  }
  // Replaces the field's text by typing and commits it with Return.
  void Type(const char* signature, const char* text) {
    QLineEdit* edit = Field(signature);
    ASSERT_NE(edit, nullptr) << signature;
    ASSERT_TRUE(edit->isEnabled()) << signature;
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, QString::fromLatin1(text));
    QTest::keyClick(edit, Qt::Key_Return);
  }
  void Click(const char* signature) {
    auto* button = qobject_cast<QAbstractButton*>(W(signature));
    ASSERT_NE(button, nullptr) << signature;
    ASSERT_TRUE(button->isEnabled()) << signature;
    button->click();
  }
  std::wstring Text(const char* signature) {
    if (auto* edit = Field(signature)) return edit->text().toStdWString();
    if (auto* label = qobject_cast<QLabel*>(W(signature))) return label->text().toStdWString();
    return L"?";
  }
  // How often the preview control has been given a movie since the last call.
  int PreviewLoads() { return apptest::TakePreviewLoads(log_); }
  // The display chosen in the palette with the history emptied after it.
  PreloaderDisplay* Choose(const QString& group, const QString& name) {
    PickInPalette(group, name);
    window_->GetUndoHistory().Clear();
    scratch_.ClearAlerts();
    PreviewLoads();
    return Project().GetDisplay();
  }

  std::string log_;
};

// One row per control: what a person does, and the display's value it changes.
struct ControlCase {
  const char* name;
  std::function<void(DisplayPageTest&)> before;  // setting up, not counted
  std::function<void(DisplayPageTest&)> act;
  std::function<std::string(const PreloaderData&)> value;
  bool rebuildsPreview;
};

// The display's settings, one text for all.
std::string Geometry(const PreloaderData& p) {
  const PreloaderDisplay* d = p.GetDisplay();
  char text[200];
  std::snprintf(text, sizeof text, "w%d h%d x%d y%d ha%d va%d ad%d rt%d s%.1f/%.1f en%d", d->GetStoredWidth(),
                d->GetStoredHeight(), d->GetX(), d->GetY(), d->GetHAlign(), d->GetVAlign(), d->GetAlignToDoc(),
                d->GetRotateType(), d->GetSkew0(), d->GetSkew1(), p.IsDisplayEnabled());
  return text;
}

template <typename T>
std::function<std::string(const PreloaderData&)> Of(T (PreloaderDisplay::*get)() const) {
  return [get](const PreloaderData& p) { return std::to_string((p.GetDisplay()->*get)()); };
}

TEST_F(DisplayPageTest, EachControlChangesTheProjectByOneUndoStep) {
  const auto noSetup = [](DisplayPageTest&) {};
  const auto alignOff = [](DisplayPageTest& t) {
    if (t.Checked("cAld")) t.Click("cAld");
  };
  const auto alignOn = [](DisplayPageTest& t) {
    if (!t.Checked("cAld")) t.Click("cAld");
  };
  const auto rotateOn = [](DisplayPageTest& t) { t.Click("rRot"); };
  const auto skewOn = [](DisplayPageTest& t) { t.Click("rSkw"); };
  const auto enabled = [](const PreloaderData& p) { return std::to_string(p.IsDisplayEnabled()); };
  const std::vector<ControlCase> cases = {
      {"width", noSetup, [](DisplayPageTest& t) { t.Type("eWid", "150"); }, Of(&PreloaderDisplay::GetStoredWidth),
       false},
      {"height", noSetup, [](DisplayPageTest& t) { t.Type("eHei", "33"); }, Of(&PreloaderDisplay::GetStoredHeight),
       false},
      {"x", alignOff, [](DisplayPageTest& t) { t.Type("eSkx", "-20"); }, Of(&PreloaderDisplay::GetX), false},
      {"y", alignOff, [](DisplayPageTest& t) { t.Type("eSky", "77"); }, Of(&PreloaderDisplay::GetY), false},
      {"align left", alignOn, [](DisplayPageTest& t) { t.Click("bSal"); }, Of(&PreloaderDisplay::GetHAlign), true},
      {"align right", alignOn, [](DisplayPageTest& t) { t.Click("bSar"); }, Of(&PreloaderDisplay::GetHAlign), true},
      {"align top", alignOn, [](DisplayPageTest& t) { t.Click("bSat"); }, Of(&PreloaderDisplay::GetVAlign), true},
      {"align bottom", alignOn, [](DisplayPageTest& t) { t.Click("bSab"); }, Of(&PreloaderDisplay::GetVAlign), true},
      {"align to document off", alignOn, [](DisplayPageTest& t) { t.Click("cAld"); },
       Of(&PreloaderDisplay::GetAlignToDoc), false},
      {"skew chosen", rotateOn, [](DisplayPageTest& t) { t.Click("rSkw"); }, Of(&PreloaderDisplay::GetRotateType),
       false},
      {"rotation", rotateOn, [](DisplayPageTest& t) { t.Type("eRot", "30"); }, Geometry, true},
      {"skew 0", skewOn, [](DisplayPageTest& t) { t.Type("eSk0", "-12.5"); }, Geometry, true},
      {"skew 1", skewOn, [](DisplayPageTest& t) { t.Type("eSk1", "8"); }, Geometry, true},
      {"display off", noSetup, [](DisplayPageTest& t) { t.Click("cDsp"); }, enabled, false},
  };
  ASSERT_NE(Choose("Bars", "Classic Bar"), nullptr);
  for (const ControlCase& c : cases) {
    SCOPED_TRACE(c.name);
    c.before(*this);
    window_->GetUndoHistory().Clear();
    PreviewLoads();
    const std::string before = c.value(Project());
    c.act(*this);
    const std::string after = c.value(Project());
    EXPECT_NE(after, before);
    EXPECT_TRUE(scratch_.Alerts().empty());
    EXPECT_EQ(window_->GetUndoHistory().Count(), 1);
    EXPECT_EQ(PreviewLoads() > 0, c.rebuildsPreview);
    // The step takes the project back and forth; showing it again is no step of its own.
    ASSERT_TRUE(Command("undV"));
    EXPECT_EQ(c.value(Project()), before);
    ASSERT_TRUE(Command("redV"));
    EXPECT_EQ(c.value(Project()), after);
    EXPECT_EQ(window_->GetUndoHistory().Count(), 1);
    EXPECT_EQ(window_->GetUndoHistory().Position(), 1);
  }
}

TEST_F(DisplayPageTest, ARefusedValueIsExplainedAndTheFieldShowsTheDisplaysValueAgain) {
  const struct {
    const char* name;
    const char* field;
    const char* typed;
    int text;
    long long minimum, maximum;
  } cases[] = {
      {"width 0", "eWid", "0", 147, 1, 5000},       {"width 5001", "eWid", "5001", 147, 1, 5000},
      {"height 0", "eHei", "0", 148, 1, 5000},      {"x -5001", "eSkx", "-5001", 149, -5000, 5000},
      {"y 5001", "eSky", "5001", 150, -5000, 5000},
  };
  PreloaderDisplay* display = Choose("Bars", "Classic Bar");
  ASSERT_NE(display, nullptr);
  Click("cAld");
  window_->GetUndoHistory().Clear();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    scratch_.ClearAlerts();
    const std::string before = Geometry(Project());
    const std::wstring shown = Text(c.field);
    Type(c.field, c.typed);
    ASSERT_EQ(scratch_.Alerts().size(), 1u);
    EXPECT_EQ(scratch_.Alerts()[0].heading, apptest::Numbered(10001));
    EXPECT_EQ(scratch_.Alerts()[0].detail, Filled(c.text, {c.minimum, c.maximum}));
    EXPECT_EQ(Text(c.field), shown);
    EXPECT_EQ(Geometry(Project()), before);
    EXPECT_EQ(window_->GetUndoHistory().Count(), 0);
  }
}

TEST_F(DisplayPageTest, CentreAlignmentHalvesByArithmeticShifts) {
  const struct {
    int stage, width;
    const wchar_t* x;
  } cases[] = {{301, 100, L"100"}, {301, 101, L"100"}, {300, 401, L"-50"}};
  ASSERT_NE(Choose("Bars", "Classic Bar"), nullptr);
  Click("bSac");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    ASSERT_TRUE(Project().SetTargetSize(c.stage, 200));
    Type("eWid", std::to_string(c.width).c_str());
    EXPECT_EQ(Text("eSkx"), c.x);
  }
}

TEST_F(DisplayPageTest, TheDisplaySwitchAndTheAlignmentSwitchEnableTheirControls) {
  ASSERT_NE(Choose("Bars", "Classic Bar"), nullptr);
  QWidget* fgButton = window_->GetWindowRef()->FindControl(10001, kPane)->Widget();
  ASSERT_NE(fgButton, nullptr);
  // Aligned: the position follows the alignment buttons.
  EXPECT_FALSE(Enabled("eSkx"));
  EXPECT_FALSE(Enabled("eSky"));
  for (const auto& s : {"bSal", "bSac", "bSar", "bSat", "bSam", "bSab"}) EXPECT_TRUE(Enabled(s)) << s;
  Click("cAld");
  EXPECT_TRUE(Enabled("eSkx"));
  EXPECT_TRUE(Enabled("eSky"));
  EXPECT_FALSE(Enabled("bSac"));
  EXPECT_FALSE(Enabled("bSab"));

  // Off: nothing of the display can be edited and the palette goes; on again: all back.
  Click("cDsp");
  EXPECT_FALSE(Project().IsDisplayEnabled());
  EXPECT_FALSE(window_->GetPalette().IsVisible());
  for (const auto& s : {"eWid", "eHei", "eSkx", "eSky", "cAld", "rRot", "rSkw", "eRot", "eSk0", "eSk1", "bSal"})
    EXPECT_FALSE(Enabled(s)) << s;
  EXPECT_FALSE(fgButton->isEnabled());
  Click("cDsp");
  EXPECT_TRUE(Project().IsDisplayEnabled());
  EXPECT_TRUE(window_->GetPalette().IsVisible());
  for (const auto& s : {"eWid", "eHei", "eSkx", "eSky", "cAld", "rRot", "rSkw", "eRot"}) EXPECT_TRUE(Enabled(s)) << s;
  EXPECT_FALSE(Enabled("eSk0"));
  EXPECT_TRUE(fgButton->isEnabled());
}

TEST_F(DisplayPageTest, ARotationSetsBothAnglesAndSkewShowsThemApart) {
  PreloaderDisplay* display = Choose("Bars", "Classic Bar");
  ASSERT_NE(display, nullptr);
  Type("eRot", "30");
  EXPECT_EQ(Text("eRot"), L"30");
  EXPECT_EQ(display->GetSkew0(), 30.0);
  EXPECT_EQ(display->GetSkew1(), 30.0);
  EXPECT_EQ(PreviewLoads(), 1);
  Click("rSkw");
  EXPECT_TRUE(Enabled("eSk0"));
  EXPECT_FALSE(Enabled("eRot"));
  EXPECT_EQ(Text("eSk0"), L"30.0");
  EXPECT_EQ(Text("eSk1"), L"30.0");
  Type("eSk1", "-4.5");
  EXPECT_EQ(display->GetSkew0(), 30.0);
  EXPECT_EQ(display->GetSkew1(), -4.5);
  EXPECT_EQ(display->GetRotateType(), kRotateSkew);
  // Picked again, the page shows the angles with one decimal.
  PickInPalette("Bars", "Slim Bar");
  PickInPalette("Bars", "Classic Bar");
  EXPECT_EQ(Text("eSk0"), L"30.0");
  EXPECT_EQ(Text("eSk1"), L"-4.5");
}

TEST_F(DisplayPageTest, ChoosingADisplayInThePaletteRefreshesThePage) {
  EXPECT_EQ(Text("sNam"), L"N/A");
  PickInPalette("Bars", "Slim Bar");
  PreloaderDisplay* slim = Named(L"Slim Bar");
  ASSERT_EQ(Project().GetDisplay(), slim);
  EXPECT_EQ(Page().GetShownDisplay(), slim);
  EXPECT_EQ(Text("eWid"), std::to_wstring(slim->GetStoredWidth()));
  EXPECT_EQ(Text("eHei"), std::to_wstring(slim->GetStoredHeight()));
  EXPECT_EQ(Text("sNam"), DisplayPage::FormatNameAndSize(L"Slim Bar", Page().GetPreviewSize()));
  EXPECT_GT(Page().GetPreviewSize(), 0u);
  EXPECT_EQ(PreviewLoads(), 1);
  // Choosing is one step; the display is aligned to the stage at once (centred by default).
  EXPECT_EQ(window_->GetUndoHistory().Count(), 1);
  EXPECT_EQ(slim->GetX(), (Project().GetTargetWidth() >> 1) - (slim->GetStoredWidth() >> 1));
  EXPECT_EQ(Text("eSkx"), std::to_wstring(slim->GetX()));

  PickInPalette("Bars", "Classic Bar");
  EXPECT_EQ(Page().GetShownDisplay(), Named(L"Classic Bar"));
  EXPECT_EQ(Text("eWid"), std::to_wstring(Named(L"Classic Bar")->GetStoredWidth()));
  EXPECT_EQ(Text("sNam").rfind(L"Classic Bar (", 0), 0u);

  // A folder row shows no display; storing the page then keeps the project's.
  PickGroupInPalette("Bars");
  EXPECT_EQ(Page().GetShownDisplay(), nullptr);
  EXPECT_EQ(Text("sNam"), L"N/A");
  EXPECT_TRUE(window_->CommitPages(false));
  EXPECT_EQ(Project().GetDisplay(), Named(L"Classic Bar"));
}

TEST_F(DisplayPageTest, ThePreviewIsAPrivateBuildThatChangesNothingOfTheProject) {
  PreloaderDisplay* display = Choose("Bars", "Classic Bar");
  ASSERT_NE(display, nullptr);
  const WideString path = Page().GetPreviewPath();
  ASSERT_FALSE(path.empty());
  const fs::path file(WideToUtf8(path));
  EXPECT_EQ(file.parent_path(), fs::path(WideToUtf8(GetTempFolderPath() + GetAppTempFolderName())));
  EXPECT_TRUE(fs::exists(file));
  EXPECT_GT(Page().GetPreviewSize(), 0u);

  // Committing the rotation as it stands rebuilds the preview and makes no step, and the
  // project still equals its saved form.
  ASSERT_TRUE(window_->SaveDocument(WPath("project.plw")));
  Type("eRot", "0");
  EXPECT_EQ(PreviewLoads(), 1);
  EXPECT_EQ(window_->GetUndoHistory().Count(), 0);
  EXPECT_FALSE(window_->IsModified());
  EXPECT_EQ(Project().GetBackgroundColor(), 0xFFFFFFu);
  EXPECT_TRUE(Project().GetTargetUrl().empty());

  // The movie goes with the window.
  window_.reset();
  EXPECT_FALSE(fs::exists(file));
}

TEST_F(DisplayPageTest, APreviewThatCannotBeBuiltIsReported) {
  fs::remove(Library() / "Bars" / "slim-bar.swf");  // read by the palette, gone before the build
  PickInPalette("Bars", "Slim Bar");
  ASSERT_EQ(scratch_.Alerts().size(), 1u);
  EXPECT_EQ(scratch_.Alerts()[0].heading, apptest::Numbered(10000));
  EXPECT_EQ(scratch_.Alerts()[0].detail.substr(0, 20), apptest::Numbered(111).substr(0, 20));
  EXPECT_EQ(PreviewLoads(), 0);
  // The display is chosen all the same.
  EXPECT_EQ(Project().GetDisplay(), Named(L"Slim Bar"));
}

TEST_F(DisplayPageTest, UndoLeavesNoPanelBehind) {
  ASSERT_NE(Choose("Bars", "Classic Bar"), nullptr);
  Type("eWid", "120");
  ASSERT_TRUE(Command("undV"));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QWidget* pane = W("cDsp")->parentWidget();
  int buttons = 0;
  for (QWidget* w : pane->findChildren<QWidget*>())
    buttons += w->property("controlId").toInt() == kPane && host::ui::SignatureOf(w) == 10001;
  EXPECT_EQ(buttons, 1);
}

// With the bundle's plug-in, the page's preview control shows the display.
TEST_F(DisplayPageTest, ThePreviewControlShowsTheDisplay) {
  SetPreviewPluginPathForTesting({});
  if (::geteuid() == 0) ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox", 1);
  auto* bar = dynamic_cast<ColorPairDisplay*>(Named(L"Classic Bar"));
  ASSERT_NE(bar, nullptr);
  bar->SetFgColor(0x00A5FF);  // 0x00BBGGRR: orange
  bar->SetBgColor(0x8B0000);  // dark blue
  PickInPalette("Bars", "Classic Bar");
  QWidget* preview = W("uPrv");
  ASSERT_NE(preview, nullptr);
  ASSERT_TRUE(preview->isVisible());
  ASSERT_TRUE(Page().GetPreview().Player().HasInstance()) << "the plug-in did not start";
  const bool shown = testsupport::WaitUntilShowing(preview, {0xFFA500, 0x00008B}, 60000);
  ASSERT_TRUE(shown) << "the display never showed";

  // A folder row chosen in the palette shows no display: the control goes black, and the
  // plug-in's own view, which covered it, no longer shows the bar.
  PickGroupInPalette("Bars");
  ASSERT_EQ(Page().GetShownDisplay(), nullptr);
  for (int i = 0; i < 10; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  EXPECT_FALSE(testsupport::ShowsAnyOf(preview->grab().toImage(), {0xFFA500, 0x00008B}))
      << "the cleared preview still shows the display";
}

}  // namespace
