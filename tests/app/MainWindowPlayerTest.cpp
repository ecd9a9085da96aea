// A preloader made from the window as a person would make it: the program starts, a new
// project, the target movie chosen on the Document page, a display picked in the palette, a
// load message made on the Message page, the tool bar's Build; the built movie then plays in
// a real player and hands over to its target.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTest>
#include <QTreeView>
#include <filesystem>
#include <fstream>

#include "app/AppPreferences.h"
#include "app/Application.h"
#include "app/MainWindow.h"
#include "host/ui/Application.h"
#include "host/ui/Event.h"
#include "preloader/Messages.h"
#include "preloader/TextEffect.h"
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

        // --- The Message page: a load message typed and set up with the page's controls. ---
        {
          auto* tabs = qobject_cast<QTabBar*>(apptest::WidgetOf(w, "tbPl", 0));
          ASSERT_NE(tabs, nullptr);
          QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(3).center());
          Click(w, "bAdd", 1003);
          auto* text = qobject_cast<QPlainTextEdit*>(apptest::WidgetOf(w, "eTxt", 1003));
          ASSERT_NE(text, nullptr);
          text->selectAll();
          QTest::keyClicks(text, "Hi");
          QTest::keyClick(text, Qt::Key_Tab);
          Click(w, "cAld", 1003);  // placed where typed, not on the stage's centre
          auto typeInto = [&](const char(&signature)[5], const char* typed) {
            auto* field = qobject_cast<QLineEdit*>(apptest::WidgetOf(w, signature, 1003));
            ASSERT_NE(field, nullptr) << signature;
            field->setFocus();
            field->selectAll();
            QTest::keyClicks(field, typed);
            QTest::keyClick(field, Qt::Key_Return);
          };
          typeInto("eTxx", "100");
          typeInto("eTxy", "50");
          auto* effect = qobject_cast<QComboBox*>(apptest::WidgetOf(w, "mTfx", 1003));
          ASSERT_NE(effect, nullptr);
          effect->setFocus();
          QTest::keyClick(effect, Qt::Key_Down);  // "Fade In"
          ASSERT_EQ(window->GetProject().GetLoadMessageCount(), 1);
          const LoadMessage* message = window->GetProject().GetLoadMessage(0);
          EXPECT_EQ(message->GetText(), L"Hi");
          EXPECT_EQ(message->GetX(), 100);
          EXPECT_EQ(message->GetY(), 50);
          ASSERT_NE(message->GetTextEffect(), nullptr);
          EXPECT_EQ(message->GetTextEffect()->GetName(), L"Fade In");
          // The movie built loads its target at once here, too fast for the loader to show
          // anything: the preview, whose loading is simulated, is kept to show the message.
          Click(w, "mPrv", 0);
          ASSERT_TRUE(fs::exists(WideToUtf8(window->GetPreviewMoviePath())));
          fs::copy_file(WideToUtf8(window->GetPreviewMoviePath()), folder / "message-preview.swf");
        }
        // --- end of the Message page ---

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

  // --- The Message page: the message made on the page, seen in the player while the
  // preview's loader runs; a probe traces its letters and its place once they have been there
  // for a few frames. ---
  playerprobe::AddProbe((folder / "message-preview.swf").string(), R"(
var l = _root.ldr;
if (_root.msgSeen == undefined && l.msg0 != undefined) {
  var m = l.msg0;
  if (m.ltr_0 == undefined) {
    for (k in l.msg0) {
      if (typeof(l.msg0[k]) == "movieclip") m = l.msg0[k];
    }
  }
  // The letters show the font's sample letter until the message's own actions have run.
  if (m.ltr_1.ltr.dummyletter != undefined) _root.msgFrames = _root.msgFrames == undefined ? 1 : _root.msgFrames + 1;
  if (_root.msgFrames == 3) {
    _root.msgSeen = 1;
    trace("MSG " + m.ltr_0.ltr.dummyletter + m.ltr_1.ltr.dummyletter + "|" + l.msg0._x + "|" + l.msg0._y);
  }
}
)");
  const playertest::PlayRun shown = playertest::Play({{"message", folder / "message-preview.swf", folder, 30}});
  ASSERT_EQ(shown.error, "");
  ASSERT_EQ(shown.results.size(), 1u);
  EXPECT_EQ(shown.results[0].error, "");
  std::vector<std::string> messageLines;
  for (const std::string& line : shown.results[0].trace)
    if (line.rfind("MSG ", 0) == 0) messageLines.push_back(line);
  EXPECT_EQ(messageLines, std::vector<std::string>{"MSG Hi|100|50"});
  // --- end of the Message page ---
}

}  // namespace
