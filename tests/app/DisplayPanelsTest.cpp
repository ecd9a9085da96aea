// The display types' property panels on the Display page: which rows each type shows and
// where, and that every panel control changes the project by one undo step and rebuilds the
// preview, while a refused count or spacing is explained and changes nothing.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/DisplayPage.h"
#include "host/ui/Application.h"
#include "host/ui/Control.h"
#include "host/ui/Widgets.h"
#include "preloader/AnimatedDisplays.h"
#include "preloader/SegmentsDisplay.h"
#include "tests/app/MainWindowTestSupport.h"
#include "ui/MessageFormat.h"

namespace {

namespace fs = std::filesystem;
using apptest::MainWindowFixture;

constexpr int kPane = 1001;

class DisplayPanelsTest : public MainWindowFixture {
 public:
  void SetUp() override {
    MainWindowFixture::SetUp();
    for (const char* movie : {"Bars/classic-bar.swf", "Bars/slim-bar.swf", "Bars/segment-bar.swf",
                              "Frames/dot-ring.swf", "Segments/led-row.swf", "Segments/pop-segments.swf"})
      apptest::CopyLibraryMovie(fs::path(PLENWICK_PRELOADERS_DIR) / movie, Library() / movie);
    log_ = scratch_.Path("plugin.log");
    ::setenv("PLENWICK_TEST_PLUGIN_LOG", log_.c_str(), 1);
    MakeWindow();
    window_->Show(true);
  }
  void TearDown() override {
    ::unsetenv("PLENWICK_TEST_PLUGIN_LOG");
    host::ui::SetColorResponder(nullptr);
    MainWindowFixture::TearDown();
  }

  PreloaderData& Project() { return window_->GetProject(); }
  // Picks the display's row in the palette, then forgets the history and the alerts so far.
  PreloaderDisplay* Choose(const QString& group, const QString& name) {
    EXPECT_TRUE(apptest::PickInPalette(*window_, group, name)) << name.toStdString();
    window_->GetUndoHistory().Clear();
    scratch_.ClearAlerts();
    PreviewLoads();
    return Project().GetDisplay();
  }
  // The live panel controls of that number (controls disposed of are gone first).
  std::vector<QWidget*> Panel(int number) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    std::vector<QWidget*> found;
    for (QWidget* w : window_->GetWindowRef()->Widget()->findChildren<QWidget*>())
      if (w->property("controlId").toInt() == kPane && host::ui::SignatureOf(w) == uint32_t(number)) found.push_back(w);
    return found;
  }
  QWidget* One(int number) {
    std::vector<QWidget*> found = Panel(number);
    EXPECT_EQ(found.size(), 1u) << number;
    return found.size() == 1 ? found[0] : nullptr;
  }
  UiRect Bounds(int number) {
    std::shared_ptr<host::ui::Control> c = window_->GetWindowRef()->FindControl(uint32_t(number), kPane);
    return c ? c->Bounds() : UiRect{};
  }
  void Type(int number, const char* text) {
    auto* edit = qobject_cast<QLineEdit*>(One(number));
    ASSERT_NE(edit, nullptr) << number;
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, QString::fromLatin1(text));
    QTest::keyClick(edit, Qt::Key_Return);
  }
  // Clicks the colour button; the colour picker answers with the colour.
  void PickColor(int number, uint32_t color) {
    host::ui::SetColorResponder([color](const std::wstring&, uint32_t, uint32_t& chosen) {
      chosen = color;
      return true;
    });
    auto* button = qobject_cast<QAbstractButton*>(One(number));
    ASSERT_NE(button, nullptr) << number;
    button->click();
  }
  int PreviewLoads() { return apptest::TakePreviewLoads(log_); }

  std::string log_;
};

struct Row {
  int label, control;  // numbers
  UiRect label_bounds, control_bounds;
};

TEST_F(DisplayPanelsTest, EachTypeShowsItsRowsFromThePanelOrigin) {
  const Row fg{10000, 10001, {340, 200, 390, 216}, {398, 200, 430, 216}};
  const Row bg{10002, 10003, {340, 224, 390, 240}, {398, 224, 430, 240}};
  const struct {
    const char* group;
    const char* name;
    std::vector<Row> rows;
  } cases[] = {
      {"Bars", "Classic Bar", {fg, bg}},
      {"Bars", "Slim Bar", {fg}},        // no background colour declared
      {"Bars", "Segment Bar", {}},       // no colours of its own
      {"Frames", "Dot Ring", {fg, bg}},  // colours handed to the artwork's scripts
      {"Segments",
       "LED Row",  // count, then the spacing the movie lets be set
       {fg,
        bg,
        {10006, 10007, {340, 248, 430, 264}, {430, 248, 470, 264}},
        {10004, 10005, {340, 272, 400, 288}, {400, 272, 440, 288}}}},
      {"Segments", "Pop Segments", {fg, {10006, 10007, {340, 224, 430, 240}, {430, 224, 470, 240}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(Choose(c.group, c.name), nullptr);
    for (int number = 10000; number <= 10007; ++number) {
      bool expected = false;
      for (const Row& r : c.rows) expected = expected || r.label == number || r.control == number;
      EXPECT_EQ(Panel(number).size(), expected ? 1u : 0u) << number;
    }
    for (const Row& r : c.rows) {
      EXPECT_EQ(Bounds(r.label), r.label_bounds) << r.label;
      EXPECT_EQ(Bounds(r.control), r.control_bounds) << r.control;
    }
  }
  // The fields show the display's count and spacing.
  auto* segments = dynamic_cast<SegmentsDisplay*>(Choose("Segments", "LED Row"));
  ASSERT_NE(segments, nullptr);
  EXPECT_EQ(qobject_cast<QLineEdit*>(One(10007))->text().toStdWString(), std::to_wstring(segments->GetMaxSegs()));
  EXPECT_EQ(qobject_cast<QLineEdit*>(One(10005))->text().toStdWString(), std::to_wstring(segments->GetHgap()));
}

struct PanelCase {
  const char* name;
  const char* group;
  const char* display;
  std::function<void(DisplayPanelsTest&)> act;
  std::function<std::string(PreloaderDisplay&)> value;
};

std::string Colors(PreloaderDisplay& d) {
  auto& pair = dynamic_cast<ColorPairDisplay&>(d);
  return std::to_string(pair.GetFgColor()) + "/" + std::to_string(pair.GetBgColor());
}

std::string Segments(PreloaderDisplay& d) {
  auto& s = dynamic_cast<SegmentsDisplay&>(d);
  return std::to_string(s.GetMaxSegs()) + "/" + std::to_string(s.GetHgap()) + " w" + std::to_string(s.GetStoredWidth());
}

TEST_F(DisplayPanelsTest, EachPanelControlChangesTheProjectByOneUndoStep) {
  const std::vector<PanelCase> cases = {
      {"bar foreground", "Bars", "Classic Bar", [](DisplayPanelsTest& t) { t.PickColor(10001, 0x112233); }, Colors},
      {"bar background", "Bars", "Classic Bar", [](DisplayPanelsTest& t) { t.PickColor(10003, 0x445566); }, Colors},
      {"script foreground", "Frames", "Dot Ring", [](DisplayPanelsTest& t) { t.PickColor(10001, 0x0000FF); }, Colors},
      {"script background", "Frames", "Dot Ring", [](DisplayPanelsTest& t) { t.PickColor(10003, 0x808080); }, Colors},
      {"segment foreground", "Segments", "LED Row", [](DisplayPanelsTest& t) { t.PickColor(10001, 0x00FFFF); }, Colors},
      {"segment count", "Segments", "LED Row", [](DisplayPanelsTest& t) { t.Type(10007, "10"); }, Segments},
      {"segment spacing", "Segments", "LED Row", [](DisplayPanelsTest& t) { t.Type(10005, "4"); }, Segments},
      {"count without spacing", "Segments", "Pop Segments", [](DisplayPanelsTest& t) { t.Type(10007, "3"); }, Segments},
  };
  for (const PanelCase& c : cases) {
    SCOPED_TRACE(c.name);
    PreloaderDisplay* display = Choose(c.group, c.display);
    ASSERT_NE(display, nullptr);
    const std::string before = c.value(*display);
    c.act(*this);
    const std::string after = c.value(*display);
    EXPECT_NE(after, before);
    EXPECT_TRUE(scratch_.Alerts().empty());
    EXPECT_EQ(window_->GetUndoHistory().Count(), 1);
    EXPECT_EQ(PreviewLoads(), 1);
    ASSERT_TRUE(Command("undV"));
    EXPECT_EQ(c.value(*display), before);
    ASSERT_TRUE(Command("redV"));
    EXPECT_EQ(c.value(*display), after);
    EXPECT_EQ(window_->GetUndoHistory().Count(), 1);
    // The same value again is no edit.
    window_->GetUndoHistory().Clear();
    PreviewLoads();
    c.act(*this);
    EXPECT_EQ(c.value(*display), after);
    EXPECT_EQ(window_->GetUndoHistory().Count(), 0);
    EXPECT_EQ(PreviewLoads(), 0);
  }
}

TEST_F(DisplayPanelsTest, MoreSegmentsKeepTheDisplaysWidth) {
  auto* segments = dynamic_cast<SegmentsDisplay*>(Choose("Segments", "LED Row"));
  ASSERT_NE(segments, nullptr);
  const int32_t width = segments->GetStoredWidth();
  const double scale = segments->GetXScale();
  Type(10007, std::to_string(segments->GetMaxSegs() * 2).c_str());
  EXPECT_EQ(segments->GetStoredWidth(), width);
  EXPECT_LT(segments->GetXScale(), scale);
}

TEST_F(DisplayPanelsTest, ARefusedCountOrSpacingIsExplainedAndChangesNothing) {
  auto* segments = dynamic_cast<SegmentsDisplay*>(Choose("Segments", "LED Row"));
  ASSERT_NE(segments, nullptr);
  const long long lowestGap = 1 - segments->GetSegWidth();
  const std::string tooNarrow = std::to_string(-segments->GetSegWidth());
  const struct {
    const char* name;
    int field;
    std::string typed;
    int text;
    long long minimum, maximum;
  } cases[] = {
      {"no segments", 10007, "0", 168, 1, 200},
      {"too many segments", 10007, "201", 168, 1, 200},
      {"segments on top of each other", 10005, tooNarrow, 169, lowestGap, 5000},
      {"too wide a gap", 10005, "5001", 169, lowestGap, 5000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    scratch_.ClearAlerts();
    window_->GetUndoHistory().Clear();
    PreviewLoads();
    const std::string before = Segments(*segments);
    const QString shown = qobject_cast<QLineEdit*>(One(c.field))->text();
    Type(c.field, c.typed.c_str());
    ASSERT_EQ(scratch_.Alerts().size(), 1u);
    EXPECT_EQ(scratch_.Alerts()[0].heading, apptest::Numbered(10001));
    std::wstring detail;
    const std::vector<ui::MessageArg> args = {c.minimum, c.maximum};
    ASSERT_TRUE(ui::FormatMessage(apptest::Numbered(c.text), args, detail));
    EXPECT_EQ(scratch_.Alerts()[0].detail, detail);
    EXPECT_EQ(qobject_cast<QLineEdit*>(One(c.field))->text(), shown);
    EXPECT_EQ(Segments(*segments), before);
    EXPECT_EQ(window_->GetUndoHistory().Count(), 0);
    EXPECT_EQ(PreviewLoads(), 0);
  }
}

TEST_F(DisplayPanelsTest, AnotherDisplayTakesThePanelsPlaceAndTheDisplaySwitchDisablesIt) {
  ASSERT_NE(Choose("Segments", "LED Row"), nullptr);
  ASSERT_EQ(Panel(10007).size(), 1u);
  ASSERT_NE(Choose("Bars", "Slim Bar"), nullptr);
  EXPECT_TRUE(Panel(10007).empty());
  EXPECT_TRUE(Panel(10003).empty());
  EXPECT_EQ(Panel(10001).size(), 1u);

  ASSERT_NE(Choose("Segments", "LED Row"), nullptr);
  auto* useDisplay = qobject_cast<QAbstractButton*>(apptest::WidgetOf(window_->GetWindowRef(), "cDsp", kPane));
  ASSERT_NE(useDisplay, nullptr);
  useDisplay->click();
  for (int number : {10001, 10003, 10005, 10007}) EXPECT_FALSE(One(number)->isEnabled()) << number;
  useDisplay->click();
  for (int number : {10001, 10003, 10005, 10007}) EXPECT_TRUE(One(number)->isEnabled()) << number;
}

}  // namespace
