// A preloader made from the window as a person would make it: the program starts, a new
// project, the target movie chosen on the Document page, a display picked in the palette,
// the tool bar's Build; the built movie then plays in a real player and hands over to its
// target.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>
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
#include "tests/preloader/PlayerProbe.h"
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

// A movie of 100 x 100 pixels that traces "imported" and stops: the Imports page's import.
void WriteImported(const fs::path& path) {
  SwfFileWriter writer;
  writer.SetMovieParameters(2000, 2000, 24.0f, 6);
  ASSERT_TRUE(writer.Open(Utf8ToWide(path.string()), true));
  auto actions = std::make_unique<DoActionTag>();
  actions->AddAction(std::make_unique<ActionPush>(WideString(L"imported")));
  actions->AddAction(std::make_unique<ActionTrace>());
  actions->AddAction(std::make_unique<ActionStop>());
  writer.AddTag(std::move(actions));
  writer.AddTag(std::make_unique<ShowFrameTag>());
  writer.AddTag(std::make_unique<EndTag>());
  ASSERT_NE(writer.Close(), 0u);
}

void Click(host::ui::Window* window, const char (&signature)[5], int id) {
  auto* button = qobject_cast<QAbstractButton*>(apptest::WidgetOf(window, signature, id));
  ASSERT_NE(button, nullptr) << signature;
  button->click();
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
  WriteImported(folder / "imported.swf");

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

        // --- Progress and Imports pages: a progress message and an imported movie ---
        {
          auto* tabs = qobject_cast<QTabBar*>(apptest::WidgetOf(w, "tbPl", 0));
          ASSERT_NE(tabs, nullptr);
          // The Progress page: a message, its format then made a text of the user's own.
          QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
          Click(w, "bAdd", 1002);
          auto* format = qobject_cast<QComboBox*>(apptest::WidgetOf(w, "mPfm", 1002));
          ASSERT_NE(format, nullptr);
          EXPECT_EQ(format->currentText().toStdString(), "100%");
          format->setFocus();
          QTest::keyClick(format, Qt::Key_Up);  // "Custom"
          auto* text = qobject_cast<QLineEdit*>(apptest::WidgetOf(w, "ePfm", 1002));
          ASSERT_NE(text, nullptr);
          ASSERT_TRUE(text->isEnabled());
          QTest::mouseClick(text, Qt::LeftButton, {}, text->rect().center());
          text->selectAll();
          QTest::keyClicks(text, "Loaded %percent%%");
          QTest::keyClick(text, Qt::Key_Return);
          ASSERT_EQ(window->GetProject().GetProgressMessageCount(), 1);
          EXPECT_EQ(window->GetProject().GetProgressMessage(0)->GetText(), L"Loaded %percent%%");

          // The Imports page: a movie of its own, placed by hand (the place is stored with the
          // page when the preview commits it).
          QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(4).center());
          scratch_.AnswerChoosers({Utf8ToWide((folder / "imported.swf").string())});
          Click(w, "bAdd", 1004);
          ASSERT_EQ(window->GetProject().GetImportCount(), 1);
          EXPECT_EQ(window->GetProject().GetImport(0)->GetStartWidth(), 100);
          Click(w, "cAld", 1004);
          auto* x = qobject_cast<QLineEdit*>(apptest::WidgetOf(w, "eImx", 1004));
          ASSERT_NE(x, nullptr);
          QTest::mouseClick(x, Qt::LeftButton, {}, x->rect().center());
          x->selectAll();
          QTest::keyClicks(x, "40");

          // The preview (built only: no player is started) loads its target one percent a
          // frame, long enough to see the loader's contents.
          window->SetPreviewLauncher(nullptr);
          Click(w, "mPrv", 0);
          EXPECT_EQ(window->GetProject().GetImport(0)->GetX(), 40);
          ASSERT_TRUE(fs::exists(WideToUtf8(window->GetPreviewMoviePath())));
          fs::copy_file(WideToUtf8(window->GetPreviewMoviePath()), folder / "preview.swf");
        }

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

  // --- Progress and Imports pages: a probe reports the loader's progress text and import ---
  playerprobe::AddProbe((folder / "preview.swf").string(),
                        "var l = _root.ldr; if (l.pl0 != undefined) trace(\"progress \" + l.pl0.text + \"|\" + "
                        "(l.imp0 != undefined) + \"|\" + l.imp0._x);");

  const playertest::PlayRun run =
      playertest::Play({{"built", folder / "built.swf", folder, 30}, {"preview", folder / "preview.swf", folder, 60}});
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), 2u);
  EXPECT_EQ(run.results[0].error, "");
  std::string trace;
  for (const std::string& line : run.results[0].trace) trace += line + "\n";
  EXPECT_EQ(trace, "T1\nT2\nT3\n");

  // --- Progress and Imports pages: the message shows the loading, the import is in place ---
  EXPECT_EQ(run.results[1].error, "");
  std::string all;
  for (const std::string& line : run.results[1].trace) all += line + "\n";
  int progressLines = 0, last = -1;
  for (const std::string& line : run.results[1].trace) {
    if (line.rfind("progress ", 0) != 0) continue;
    const size_t bar = line.find('|');
    ASSERT_NE(bar, std::string::npos) << all;
    const std::string shown = line.substr(9, bar - 9);
    // Before the loader's first pass its text is not set yet.
    if (progressLines == 0 && shown == "undefined") continue;
    ++progressLines;
    ASSERT_EQ(shown.substr(0, 7), "Loaded ") << all;
    ASSERT_EQ(shown.back(), '%') << all;
    const int percent = std::atoi(shown.substr(7).c_str());
    EXPECT_GE(percent, last) << all;
    last = percent;
    EXPECT_EQ(line.substr(bar), "|true|40") << all;
  }
  EXPECT_GT(progressLines, 10) << all;
  EXPECT_GT(last, 10) << all;
}

}  // namespace
