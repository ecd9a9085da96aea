// A preloader made from the window as a person would make it: the program starts, a new
// project, the target movie chosen on the Document page, a display picked in the palette,
// the tool bar's Build; the built movie then plays in a real player and hands over to its
// target.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QImage>
#include <QTest>
#include <QTreeView>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/AppPreferences.h"
#include "app/Application.h"
#include "app/MainWindow.h"
#include "host/ui/Application.h"
#include "host/ui/Event.h"
#include "swf/ActionPush.h"
#include "swf/ControlTags.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/SimpleActions.h"
#include "swf/SwfFileWriter.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/support/PlayerRunner.h"

namespace {

namespace fs = std::filesystem;
using host::ui::FourCC;

// A target of three frames tracing "T1".."T3", the last stopping it.
void WriteTarget(const fs::path& path) {
  SwfFileWriter writer;
  writer.SetMovieParameters(8000, 6000, 24.0f, 6);
  ASSERT_TRUE(writer.Open(Utf8ToWide(path.string()), true));
  for (int f = 1; f <= 3; ++f) {
    auto actions = std::make_unique<DoActionTag>();
    actions->AddAction(std::make_unique<ActionPush>(WideString(L"T" + std::to_wstring(f))));
    actions->AddAction(std::make_unique<ActionTrace>());
    if (f == 3) actions->AddAction(std::make_unique<ActionStop>());
    writer.AddTag(std::move(actions));
    writer.AddTag(std::make_unique<ShowFrameTag>());
  }
  writer.AddTag(std::make_unique<EndTag>());
  ASSERT_NE(writer.Close(), 0u);
}

void Click(host::ui::Window* window, const char (&signature)[5], int id) {
  auto* button = qobject_cast<QAbstractButton*>(apptest::WidgetOf(window, signature, id));
  ASSERT_NE(button, nullptr) << signature;
  button->click();
}

// The background picture: 40 x 40 pixels of four flat quadrants (0xRRGGBB: top-left,
// top-right, bottom-left, bottom-right).
constexpr uint32_t kQuadrants[4] = {0xE01E1E, 0x1EC83C, 0xFADC28, 0x1414A0};

void WritePicture(const fs::path& path) {
  QImage image(40, 40, QImage::Format_RGB32);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) image.setPixel(x, y, 0xFF000000u | kQuadrants[(y < 20 ? 0 : 2) + (x < 20 ? 0 : 1)]);
  ASSERT_TRUE(image.save(QString::fromStdString(path.string()), "PNG"));
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift : {0, 8, 16}) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (std::abs(d) > tolerance) return false;
  }
  return true;
}

// The row of the text under the parent in the view's model; invalid when none.
QModelIndex RowNamed(QTreeView& view, const QModelIndex& parent, const QString& text) {
  QAbstractItemModel* model = view.model();
  for (int r = 0; r < model->rowCount(parent); ++r) {
    const QModelIndex i = model->index(r, 0, parent);
    if (i.data().toString() == text) return i;
  }
  return {};
}

class MainWindowPlayerTest : public ::testing::Test {
 protected:
  void TearDown() override { Application::DestroyInstance(); }
  apptest::AppScratch scratch_;
};

TEST_F(MainWindowPlayerTest, APreloaderMadeInTheWindowHandsOverToItsTarget) {
  ASSERT_EQ(playertest::PlayerUnavailableReason(), "");
  const fs::path folder = scratch_.Path("movies");
  fs::create_directories(folder);
  WriteTarget(folder / "target.swf");

  Application& app = Application::Instance();
  ASSERT_TRUE(app.InitToolbox());
  ASSERT_TRUE(AppInit());
  AppPreferences::Instance().checkForUpdates = false;
  bool done = false;
  apptest::Soon(
      [&] {
        // However the steps end, the program ends too.
        struct EndLoop {
          ~EndLoop() { host::ui::QuitEventLoop(); }
        } endLoop;
        MainWindow* window = app.Handler().GetMainWindow();
        ASSERT_NE(window, nullptr);
        host::ui::Window* w = window->GetWindowRef();
        Click(w, "new ", 0);

        scratch_.AnswerChoosers({Utf8ToWide((folder / "target.swf").string())});
        Click(w, "bBrw", 1000);
        EXPECT_EQ(window->GetProject().GetTargetWidth(), 400);

        // The palette: open the "Bars" group and click "Classic Bar".
        auto* view = qobject_cast<QTreeView*>(apptest::WidgetOf(window->GetPalette().GetWindowRef(), "tPrl", 2000));
        ASSERT_NE(view, nullptr);
        const QModelIndex bars = RowNamed(*view, {}, "Bars");
        ASSERT_TRUE(bars.isValid());
        view->expand(bars);
        const QModelIndex classic = RowNamed(*view, bars, "Classic Bar");
        ASSERT_TRUE(classic.isValid());
        view->selectionModel()->setCurrentIndex(classic,
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        ASSERT_NE(window->GetProject().GetDisplay(), nullptr);
        EXPECT_EQ(window->GetProject().GetDisplay()->GetName(), L"Classic Bar");

        // --- The background image: switched on on the Document page and chosen in its
        // settings dialog, exported lossless and fitted to the 400 x 300 stage ---
        WritePicture(folder / "picture.png");
        Click(w, "cBgi", 1000);
        bool dialogRan = false;
        apptest::Soon([&] {
          QWidget* dialog = apptest::ShownWindowNamed("BackgroundImageSettings");
          ASSERT_NE(dialog, nullptr);
          dialogRan = true;
          scratch_.AnswerChoosers({Utf8ToWide((folder / "picture.png").string())});
          qobject_cast<QAbstractButton*>(apptest::ControlWithSignature(dialog, "bBrw"))->click();
          QWidget* exportType = apptest::ControlWithSignature(dialog, "mExp");
          ASSERT_NE(exportType, nullptr);
          QTest::keyClick(exportType, Qt::Key_Down);
          QTest::keyClick(exportType, Qt::Key_Down);
          qobject_cast<QAbstractButton*>(apptest::ControlWithSignature(dialog, "ok  "))->click();
        });
        Click(w, "sBgi", 1000);
        EXPECT_TRUE(dialogRan);
        const BackgroundImage& background = window->GetProject().GetBackgroundImage();
        EXPECT_TRUE(background.IsEnabled());
        EXPECT_EQ(background.GetPath(), Utf8ToWide((folder / "picture.png").string()));
        EXPECT_EQ(background.GetExportType(), kBackgroundLossless24);
        EXPECT_EQ(background.GetWidth(), 400);
        // --- end of the background image ---

        scratch_.ClearAlerts();
        scratch_.AnswerChoosers({Utf8ToWide((folder / "built.swf").string())});
        Click(w, "mExs", 0);
        // The note of success, then (when the generator collected any) what the movie leaves out.
        ASSERT_GE(scratch_.Alerts().size(), 1u);
        ASSERT_LE(scratch_.Alerts().size(), 2u);
        EXPECT_EQ(scratch_.Alerts()[0].heading, apptest::Numbered(151));
        EXPECT_EQ(scratch_.Alerts()[0].detail, apptest::Numbered(152));
        if (scratch_.Alerts().size() == 2) {
          const std::wstring intro = apptest::Numbered(167);
          const std::wstring& shown = scratch_.Alerts()[1].detail;
          EXPECT_EQ(shown.substr(0, intro.find(L'%')), intro.substr(0, intro.find(L'%'))) << shown;
          EXPECT_GT(shown.size(), intro.size()) << shown;
        }

        // Quitting asks about the unsaved project; Don't Save.
        scratch_.ClearAlerts();
        scratch_.AnswerAlerts({3});
        EXPECT_TRUE(app.Handler().OnCommand(FourCC("quit")));
        ASSERT_EQ(scratch_.Alerts().size(), 1u);
        EXPECT_EQ(scratch_.Alerts()[0].heading, L"Save changes");
        done = true;
      },
      500);
  EXPECT_TRUE(AppRun());
  AppExit();
  ASSERT_TRUE(done);
  ASSERT_TRUE(fs::exists(folder / "built.swf"));

  const playertest::PlayRun run = playertest::Play({{"built", folder / "built.swf", folder, 30}});
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), 1u);
  EXPECT_EQ(run.results[0].error, "");
  std::string trace;
  for (const std::string& line : run.results[0].trace) trace += line + "\n";
  EXPECT_EQ(trace, "T1\nT2\nT3\n");

  // --- The background image: played for its first frame only, the movie shows the picture
  // stretched over the stage while the loader waits ---
  const std::vector<std::pair<double, double>> points = {{50, 40}, {350, 40}, {50, 260}, {350, 260}};
  const playertest::PlayRun loading =
      playertest::Play({{"built, loading", folder / "built.swf", folder, 1}}, {{0, {}, points}});
  ASSERT_EQ(loading.error, "");
  ASSERT_EQ(loading.results.size(), 1u);
  EXPECT_EQ(loading.results[0].error, "");
  ASSERT_EQ(loading.results[0].pixels.size(), points.size());
  for (size_t i = 0; i < points.size(); ++i)
    EXPECT_TRUE(Near(loading.results[0].pixels[i], kQuadrants[i], 3))
        << i << ": " << std::hex << loading.results[0].pixels[i];
  // --- end of the background image ---
}

}  // namespace
