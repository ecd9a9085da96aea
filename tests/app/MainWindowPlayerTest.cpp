// A preloader made from the window as a person would make it: the program starts, a new
// project, the target movie chosen on the Document page, a display picked in the palette and
// set up on the Display page, a progress message, an import, a load message and a background
// image made on their pages, the tool bar's Build; the built movie then plays in a real player
// and hands over to its target. The target is at hand at once, so what the loader shows while
// it waits is seen in the previews the window builds, whose loading is simulated.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <locale>
#include <sstream>

#include "app/AppPreferences.h"
#include "app/Application.h"
#include "app/MainWindow.h"
#include "host/ui/Application.h"
#include "host/ui/Control.h"
#include "host/ui/Event.h"
#include "preloader/Messages.h"
#include "preloader/TextEffect.h"
#include "publish/PluginPlayer.h"
#include "swf/ActionPush.h"
#include "swf/ControlTags.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/SimpleActions.h"
#include "swf/SwfFileWriter.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/app/MainWindowTestSupport.h"
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

// Types the text into the field over what it holds and commits it with Return.
void TypeInto(host::ui::Window* window, const char (&signature)[5], int id, const char* text) {
  auto* edit = qobject_cast<QLineEdit*>(apptest::WidgetOf(window, signature, id));
  ASSERT_NE(edit, nullptr) << signature;
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, QString::fromLatin1(text));
  QTest::keyClick(edit, Qt::Key_Return);
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

class MainWindowPlayerTest : public ::testing::Test {
 protected:
  // The Display page's preview plays in the plug-in that only logs its calls: what counts
  // here is the built movie.
  void SetUp() override { SetPreviewPluginPathForTesting(PLENWICK_TEST_PLUGIN); }
  void TearDown() override {
    Application::DestroyInstance();
    SetPreviewPluginPathForTesting({});
  }
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
        ASSERT_TRUE(apptest::PickInPalette(*window, "Bars", "Classic Bar"));
        ASSERT_NE(window->GetProject().GetDisplay(), nullptr);
        EXPECT_EQ(window->GetProject().GetDisplay()->GetName(), L"Classic Bar");

        // --- The Display page: the chosen bar placed, sized and coloured on the page ---
        {
          Click(w, "cAld", 1001);  // no longer aligned to the stage: the position is the user's
          TypeInto(w, "eWid", 1001, "200");
          TypeInto(w, "eHei", 1001, "30");
          TypeInto(w, "eSkx", 1001, "10");
          TypeInto(w, "eSky", 1001, "20");
          // The bar's colour from the property panel's colour button (pure red, 0x00BBGGRR).
          host::ui::SetColorResponder([](const std::wstring&, uint32_t, uint32_t& chosen) {
            chosen = 0x0000FF;
            return true;
          });
          std::shared_ptr<host::ui::Control> fg = w->FindControl(10001, 1001);
          ASSERT_NE(fg, nullptr);
          qobject_cast<QAbstractButton*>(fg->Widget())->click();
          host::ui::SetColorResponder(nullptr);
          auto* bar = dynamic_cast<ColorPairDisplay*>(window->GetProject().GetDisplay());
          ASSERT_NE(bar, nullptr);
          EXPECT_EQ(bar->GetStoredWidth(), 200);
          EXPECT_EQ(bar->GetStoredHeight(), 30);
          EXPECT_EQ(bar->GetX(), 10);
          EXPECT_EQ(bar->GetY(), 20);
          EXPECT_EQ(bar->GetFgColor(), 0x0000FFu);
          EXPECT_TRUE(scratch_.Alerts().empty());
          // The page's preview, built with these settings, is played below.
          fs::copy_file(WideToUtf8(window->GetDisplayPage().GetPreviewPath()), folder / "display-preview.swf");
        }

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

  // --- The Display page's settings, seen in the player ---
  // The target is at hand at once, so the built loader hands over before its display shows:
  // the page's own preview of the display plays instead, with a probe that reports the size
  // and the bar's colour; the built movie places the display where the page put it.
  playerprobe::AddProbeWith((folder / "display-preview.swf").string(), [](std::vector<std::unique_ptr<SwfTag>>& tags,
                                                                          uint8_t version, ClipActionRecord& record) {
    // The loader's wrapper of the display becomes "wrap" and the display in it "disp".
    PlaceObject2Tag* ldr = FindPlaceObject2ByName(L"ldr", tags);
    ASSERT_NE(ldr, nullptr);
    auto* loader = dynamic_cast<DefineSpriteTag*>(FindTagByCharacterId(ldr->characterId, tags));
    ASSERT_NE(loader, nullptr);
    int named = 0;
    for (const auto& child : loader->Children()) {
      auto* wrapPlace = dynamic_cast<PlaceObject2Tag*>(child.get());
      if (wrapPlace == nullptr) continue;
      auto* wrapper = dynamic_cast<DefineSpriteTag*>(FindTagByCharacterId(wrapPlace->characterId, tags));
      if (wrapper == nullptr || wrapper->Children().empty()) continue;
      auto* display = dynamic_cast<PlaceObject2Tag*>(wrapper->Children().at(0).get());
      if (display == nullptr || display->clipActions.empty()) continue;
      wrapPlace->SetName(L"wrap");
      display->SetName(L"disp");
      ++named;
    }
    ASSERT_EQ(named, 1);
    playerprobe::AddScript(record, R"(
var d = _root.ldr.wrap.disp;
if (d != undefined && d.progress.ldrfg != undefined) {
  var b = d.getBounds(_root);
  var t = new Color(d.progress.ldrfg).getTransform();
  trace("display " + (b.xMax - b.xMin) + " " + (b.yMax - b.yMin) + " " + t.ra + " " + t.ga + " " + t.ba);
}
)",
                           version);
  });
  const playertest::PlayRun probed = playertest::Play({{"preview", folder / "display-preview.swf", folder, 30}});
  ASSERT_EQ(probed.error, "");
  ASSERT_EQ(probed.results.size(), 1u);
  std::vector<double> seen;
  std::string shownTrace;
  for (const std::string& line : probed.results[0].trace) {
    shownTrace += line + "\n";
    if (line.rfind("display ", 0) != 0) continue;
    seen.clear();  // the last frame counts: the display has set its size by then
    std::istringstream in(line.substr(8));
    in.imbue(std::locale::classic());
    for (double v; in >> v;) seen.push_back(v);
  }
  ASSERT_EQ(seen.size(), 5u) << "the display never showed:\n" << shownTrace << probed.results[0].error;
  EXPECT_NEAR(seen[0], 200, 1.0);  // width
  EXPECT_NEAR(seen[1], 30, 1.0);   // height
  EXPECT_EQ(seen[2], 100);         // the bar's red, green and blue: pure red
  EXPECT_EQ(seen[3], 0);
  EXPECT_EQ(seen[4], 0);

  // In the built movie the display's wrapper stands at the page's x and y (its centre, twips).
  SwfReader built;
  ASSERT_TRUE(built.LoadFileWithOptions(Utf8ToWide((folder / "built.swf").string()), true, 0, true));
  PlaceObject2Tag* ldr = FindPlaceObject2ByName(L"ldr", built.GetTags());
  ASSERT_NE(ldr, nullptr);
  auto* loader = dynamic_cast<DefineSpriteTag*>(FindTagByCharacterId(ldr->characterId, built.GetTags()));
  ASSERT_NE(loader, nullptr);
  bool placed = false;
  for (const auto& child : loader->Children()) {
    auto* wrapPlace = dynamic_cast<PlaceObject2Tag*>(child.get());
    if (wrapPlace == nullptr || !wrapPlace->matrix) continue;
    if (wrapPlace->matrix->translateX == (10 + 100) * 20 && wrapPlace->matrix->translateY == (20 + 15) * 20)
      placed = true;
  }
  EXPECT_TRUE(placed) << "no placement at the display's centre";

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

  // --- The background image: played for its first frame only, the movie shows the picture
  // stretched over the stage while the loader waits (the points clear of the display the page
  // placed at the top left) ---
  const std::vector<std::pair<double, double>> points = {{50, 100}, {350, 100}, {50, 260}, {350, 260}};
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
