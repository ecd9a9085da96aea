// The main window's documents and commands: every way a changed project can be given up asks
// first, a saved project opens again as it was, a failed open leaves the project alone, undo
// and redo through the menu, the recent lists, and the build's messages and files.
#include "app/MainWindow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "host/ui/DataBrowser.h"
#include "platform/FileSystem.h"
#include "preloader/PreloaderDisplay.h"
#include "swf/ControlTags.h"
#include "swf/DisplayListTags.h"
#include "swf/SwfFileWriter.h"
#include "tests/app/MainWindowTestSupport.h"
#include "ui/MessageFormat.h"

namespace {

namespace fs = std::filesystem;
using apptest::MainWindowFixture;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A small movie of the given stage, rate and background.
void WriteMovie(const fs::path& path, int width, int height, float fps) {
  SwfFileWriter writer;
  writer.SetMovieParameters(width * 20, height * 20, fps, 6);
  ASSERT_TRUE(writer.Open(Utf8ToWide(path.string()), true));
  writer.AddTag(std::make_unique<SetBackgroundColorTag>(0x11, 0x22, 0x33));
  writer.AddTag(std::make_unique<ShowFrameTag>());
  writer.AddTag(std::make_unique<EndTag>());
  ASSERT_NE(writer.Close(), 0u);
}

using apptest::Filled;

class MainWindowTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    apptest::CopyLibraryMovie(apptest::FixtureMovie("valid/anm-bar.swf"), Library() / "anm-bar.swf");
    apptest::CopyLibraryMovie(apptest::FixtureMovie("valid/letter-case.swf"), Library() / "Bars" / "letter-case.swf");
    MakeWindow();
  }
  PreloaderDisplay* LibraryDisplay(const wchar_t* name) {
    return window_->GetProject().GetPreloaderLibrary().FindByName(name);
  }
};

enum class Step { kEdit1, kEdit2, kEditBack, kSave, kUndo, kRedo };

struct CloseCase {
  const char* name;
  std::vector<Step> steps;
  bool asks;
};

// Whether closing asks is decided by what the project holds, not by the history: each row
// is a sequence of edits, undos, redos and saves on a new project.
TEST_F(MainWindowTest, ClosingAsksExactlyWhenTheProjectDiffersFromItsFile) {
  const std::vector<Step> sixEditsFiveUndos = {Step::kEdit1, Step::kEdit2, Step::kEdit1, Step::kEdit2,
                                               Step::kEdit1, Step::kEdit2, Step::kUndo,  Step::kUndo,
                                               Step::kUndo,  Step::kUndo,  Step::kUndo};
  const CloseCase cases[] = {
      {"nothing done", {}, false},
      {"one edit", {Step::kEdit1}, true},
      {"edit and save", {Step::kEdit1, Step::kSave}, false},
      {"edit undone", {Step::kEdit1, Step::kUndo}, false},
      {"edit undone and redone", {Step::kEdit1, Step::kUndo, Step::kRedo}, true},
      {"edit set back by another edit", {Step::kEdit1, Step::kEditBack}, false},
      {"saved, then undone", {Step::kEdit1, Step::kSave, Step::kUndo}, true},
      {"saved, undone, redone", {Step::kEdit1, Step::kSave, Step::kUndo, Step::kRedo}, false},
      {"saved, then edited", {Step::kEdit1, Step::kSave, Step::kEdit2}, true},
      {"six edits, five undos", sixEditsFiveUndos, true},
  };
  int n = 0;
  for (const CloseCase& c : cases) {
    SCOPED_TRACE(c.name);
    MakeWindow();
    const std::wstring file = WPath("close" + std::to_string(n++) + ".plw");
    for (Step step : c.steps) {
      switch (step) {
        case Step::kEdit1: EditPercent(1); break;
        case Step::kEdit2: EditPercent(2); break;
        case Step::kEditBack: EditPercent(100); break;
        case Step::kUndo: Command("undV"); break;
        case Step::kRedo: Command("redV"); break;
        case Step::kSave:
          if (window_->GetDocumentPath().empty()) scratch_.AnswerChoosers({file});
          ASSERT_TRUE(window_->OnSave());
          break;
      }
    }
    scratch_.ClearAlerts();
    scratch_.AnswerAlerts({2});  // Cancel, when asked
    EXPECT_EQ(window_->ConfirmClose(), !c.asks);
    ASSERT_EQ(scratch_.Alerts().size(), c.asks ? 1u : 0u);
    if (c.asks) {
      EXPECT_EQ(scratch_.Alerts()[0].heading, L"Save changes");
      EXPECT_EQ(scratch_.Alerts()[0].detail, L"Save changes before closing?");
      EXPECT_EQ(scratch_.Alerts()[0].icon, host::ui::AlertIcon::kCaution);
    }
  }
}

struct AnswerCase {
  const char* name;
  int button;          // 1 Save, 2 Cancel, 3 Don't Save
  const char* saveAs;  // the chooser's answer for Save ("" cancels it)
  bool closes;         // the new project replaces the edited one
  bool fileWritten;
};

// Each answer of the close question, on the New command.
TEST_F(MainWindowTest, TheAnswersOfTheCloseQuestion) {
  const AnswerCase cases[] = {
      {"cancel", 2, "", false, false},
      {"don't save", 3, "", true, false},
      {"save, chooser cancelled", 1, "", false, false},
      {"save", 1, "answer.plw", true, true},
  };
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE(c.name);
    MakeWindow();
    fs::remove(scratch_.Path("answer.plw"));
    EditPercent(42);
    scratch_.AnswerAlerts({c.button});
    scratch_.AnswerChoosers({c.saveAs[0] != 0 ? WPath(c.saveAs) : std::wstring()});
    EXPECT_TRUE(Command("new "));
    EXPECT_EQ(window_->GetProject().GetPercent(), c.closes ? 100 : 42);
    EXPECT_EQ(fs::exists(scratch_.Path("answer.plw")), c.fileWritten);
    scratch_.AnswerChoosers({});
    if (c.fileWritten) {
      ASSERT_TRUE(window_->OpenDocument(WPath("answer.plw")));
      EXPECT_EQ(window_->GetProject().GetPercent(), 42);
    }
  }
}

// A project saved, closed and opened again holds what it held, display included; the reopened
// project counts as unchanged, and the window shows its file everywhere.
TEST_F(MainWindowTest, ASavedProjectOpensAgainAsItWas) {
  PreloaderData& project = window_->GetProject();
  WriteMovie(scratch_.Path("target.swf"), 640, 480, 24.0f);
  scratch_.AnswerChoosers({WPath("target.swf")});
  ASSERT_TRUE(window_->GetDocumentPage().ChooseTarget());
  PreloaderDisplay* display = LibraryDisplay(L"Letter Case");
  ASSERT_NE(display, nullptr);
  window_->SelectDisplayType(display);
  EditPercent(70);
  ASSERT_EQ(window_->GetUndoHistory().Count(), 3);

  scratch_.AnswerChoosers({WPath("project.plw")});
  EXPECT_TRUE(Command("save"));
  ASSERT_EQ(scratch_.Choosers().size(), 2u);
  EXPECT_EQ(scratch_.Choosers()[1].defaultName, L"Untitled.plw");
  EXPECT_TRUE(Command("new "));
  EXPECT_TRUE(scratch_.Alerts().empty());
  EXPECT_EQ(project.GetTargetUrl(), L"");
  EXPECT_EQ(window_->GetDisplayPage().GetShownDisplay(), nullptr);

  scratch_.AnswerChoosers({WPath("project.plw")});
  EXPECT_TRUE(Command("open"));
  EXPECT_EQ(project.GetTargetUrl(), WPath("target.swf"));
  EXPECT_EQ(project.GetTargetWidth(), 640);
  EXPECT_EQ(project.GetTargetHeight(), 480);
  EXPECT_EQ(project.GetTargetFps(), 24.0f);
  EXPECT_EQ(project.GetBackgroundColor(), 0x332211u);  // red in the low byte
  EXPECT_EQ(project.GetPercent(), 70);
  EXPECT_EQ(project.GetDisplay(), display);
  EXPECT_TRUE(project.IsDisplayEnabled());
  EXPECT_EQ(window_->GetDisplayPage().GetShownDisplay(), display);
  // The palette shows the display without making an edit of it.
  EXPECT_FALSE(window_->GetUndoHistory().CanUndo());
  EXPECT_FALSE(window_->IsModified());
  EXPECT_EQ(window_->GetDocumentPath(), WPath("project.plw"));
  const WideString* recent = window_->GetRecentProjects().PathForCommand(MainWindow::kFirstRecentProject);
  ASSERT_NE(recent, nullptr);
  EXPECT_EQ(*recent, WPath("project.plw"));
  EXPECT_TRUE(scratch_.Alerts().empty());

  // Save As offers the file's own name.
  scratch_.AnswerChoosers({std::wstring()});
  EXPECT_TRUE(Command("svas"));
  EXPECT_EQ(scratch_.Choosers().back().defaultName, L"project.plw");
}

struct FailedOpenCase {
  const char* name;
  const char* content;  // null: no file
  int text;
};

// An open that fails says why and leaves the open project, its file and its history alone.
TEST_F(MainWindowTest, AFailedOpenLeavesTheProjectUntouched) {
  const FailedOpenCase cases[] = {
      {"missing file", nullptr, 112},
      {"not XML", "<xml version=\"1.0\"><plenwick>", 101},
      {"empty file", "", 101},
      {"no project element", "<xml version=\"1.0\"><other/></xml>\n", 102},
  };
  EditPercent(33);
  scratch_.AnswerChoosers({WPath("kept.plw")});
  ASSERT_TRUE(Command("save"));
  EditPercent(34);
  for (const FailedOpenCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = scratch_.Path(std::string("bad-") + c.name + ".plw");
    if (c.content != nullptr) std::ofstream(path) << c.content;
    scratch_.ClearAlerts();
    EXPECT_FALSE(window_->OpenDocument(Utf8ToWide(path)));
    ASSERT_EQ(scratch_.Alerts().size(), 1u);
    EXPECT_EQ(scratch_.Alerts()[0].heading, apptest::Numbered(10000));
    EXPECT_EQ(scratch_.Alerts()[0].icon, host::ui::AlertIcon::kStop);
    // The text is the number's, with the file (and for a file that was read, the reason).
    const std::wstring marker = L"\x01";
    const std::wstring expected =
        c.text == 112 ? Filled(c.text, {Utf8ToWide(path)}) : Filled(c.text, {Utf8ToWide(path), marker});
    const std::wstring& shown = scratch_.Alerts()[0].detail;
    const size_t cut = expected.find(marker);
    EXPECT_EQ(shown.substr(0, std::min(cut, shown.size())), expected.substr(0, cut));
    EXPECT_EQ(window_->GetProject().GetPercent(), 34);
    EXPECT_EQ(window_->GetDocumentPath(), WPath("kept.plw"));
    EXPECT_EQ(window_->GetUndoHistory().Count(), 2);
    EXPECT_TRUE(window_->IsModified());
  }
}

// Five steps back and forth through the Edit menu's commands, the menu items following.
TEST_F(MainWindowTest, UndoAndRedoAcrossFiveSteps) {
  EXPECT_FALSE(MenuItemEnabled(MainWindow::kEditMenu, "undV"));
  EXPECT_FALSE(MenuItemEnabled(MainWindow::kEditMenu, "redV"));
  for (int percent = 1; percent <= 5; ++percent) EditPercent(percent * 10);
  EXPECT_TRUE(MenuItemEnabled(MainWindow::kEditMenu, "undV"));
  EXPECT_FALSE(MenuItemEnabled(MainWindow::kEditMenu, "redV"));
  for (int want : {40, 30, 20, 10, 100}) {
    EXPECT_TRUE(Command("undV"));
    EXPECT_EQ(window_->GetProject().GetPercent(), want);
  }
  EXPECT_FALSE(MenuItemEnabled(MainWindow::kEditMenu, "undV"));
  EXPECT_TRUE(MenuItemEnabled(MainWindow::kEditMenu, "redV"));
  EXPECT_TRUE(Command("undV"));  // nothing left: nothing happens
  EXPECT_EQ(window_->GetProject().GetPercent(), 100);
  for (int want : {10, 20, 30, 40, 50}) {
    EXPECT_TRUE(Command("redV"));
    EXPECT_EQ(window_->GetProject().GetPercent(), want);
  }
  EXPECT_FALSE(MenuItemEnabled(MainWindow::kEditMenu, "redV"));
}

// A step that changed the display: undo gives the palette and the Display page the earlier
// display again, and showing it is no new step.
TEST_F(MainWindowTest, UndoBringsThePaletteAndTheDisplayPageBack) {
  PreloaderDisplay* first = LibraryDisplay(L"Anm Bar");
  PreloaderDisplay* second = LibraryDisplay(L"Letter Case");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  window_->SelectDisplayType(first);
  window_->SelectDisplayType(second);
  ASSERT_EQ(window_->GetUndoHistory().Count(), 2);
  EXPECT_TRUE(Command("undV"));
  EXPECT_EQ(window_->GetProject().GetDisplay(), first);
  EXPECT_EQ(window_->GetDisplayPage().GetShownDisplay(), first);
  EXPECT_EQ(window_->GetUndoHistory().Count(), 2);
  EXPECT_EQ(window_->GetUndoHistory().Position(), 1);
  FileListControl& list = window_->GetPalette().GetList();
  ASSERT_NE(list.Browser(), nullptr);
  const std::vector<uint32_t> selected = list.Browser()->Selection();
  ASSERT_EQ(selected.size(), 1u);
  EXPECT_EQ(selected[0], list.FindItemByName(L"Anm Bar")->id);
}

// Recent movies: choosing one makes it the target and puts it first.
TEST_F(MainWindowTest, ARecentMovieBecomesTheTargetAndMovesToTheTop) {
  WriteMovie(scratch_.Path("a.swf"), 100, 50, 10.0f);
  WriteMovie(scratch_.Path("b.swf"), 200, 80, 15.0f);
  window_->AddRecentMovie(WPath("a.swf"));
  window_->AddRecentMovie(WPath("b.swf"));
  host::ui::Event event;
  // b is first, a second.
  EXPECT_TRUE(window_->OnCommand(MainWindow::kFirstRecentMovie + 1, event));
  EXPECT_EQ(window_->GetProject().GetTargetUrl(), WPath("a.swf"));
  EXPECT_EQ(window_->GetProject().GetTargetWidth(), 100);
  EXPECT_EQ(*window_->GetRecentMovies().PathForCommand(MainWindow::kFirstRecentMovie), WPath("a.swf"));
  EXPECT_EQ(window_->GetUndoHistory().Count(), 1);
  MenuRef submenu = MenuBar().GetMenu(MainWindow::kRecentMoviesMenu);
  ASSERT_TRUE(submenu);
  ASSERT_EQ(submenu->CountItems(), 2);
  EXPECT_EQ(submenu->ItemText(0), WPath("a.swf"));
}

// The build: success shows its note and puts the movie in place; a failure shows the
// generator's reason and leaves an earlier movie at the path as it was; FLA export always
// fails; no temporary file stays behind in any case.
TEST_F(MainWindowTest, BuildMessagesAndFiles) {
  WriteMovie(scratch_.Path("target.swf"), 320, 240, 12.0f);
  PreloaderData& project = window_->GetProject();
  {
    EditTransaction edit(*window_, project);
    ASSERT_TRUE(window_->GetDocumentPage().ReadTargetInfo(WPath("target.swf"), true));
  }
  fs::create_directories(scratch_.Path("out"));

  scratch_.AnswerChoosers({WPath("out/movie.swf")});
  ASSERT_TRUE(Command("mExs"));
  ASSERT_EQ(scratch_.Alerts().size(), 1u);
  EXPECT_EQ(scratch_.Alerts()[0].heading, apptest::Numbered(151));
  EXPECT_EQ(scratch_.Alerts()[0].detail, apptest::Numbered(152));
  EXPECT_EQ(scratch_.Choosers().back().defaultName, L"Untitled.swf");
  const std::string built = ReadFile(scratch_.Path("out/movie.swf"));
  ASSERT_GE(built.size(), 8u);
  EXPECT_EQ(built.substr(1, 2), "WS");
  EXPECT_FALSE(window_->GetDocumentPage().GetOutputSizeText().empty());

  // A merged target that is no movie.
  std::ofstream(scratch_.Path("broken.swf"), std::ios::trunc) << "no movie";
  project.SetTargetType(kTargetMerge);
  project.SetTargetUrl(WPath("broken.swf"));
  window_->RefreshPages();
  std::ofstream(scratch_.Path("out/movie.swf"), std::ios::trunc) << "earlier";
  scratch_.ClearAlerts();
  scratch_.AnswerChoosers({WPath("out/movie.swf")});
  ASSERT_TRUE(Command("mExs"));
  ASSERT_EQ(scratch_.Alerts().size(), 1u);
  EXPECT_EQ(scratch_.Alerts()[0].heading, apptest::Numbered(10000));
  EXPECT_FALSE(window_->GetBuildError().empty());
  EXPECT_EQ(scratch_.Alerts()[0].detail, Filled(153, {Utf8ToWide(window_->GetBuildError())}));
  EXPECT_EQ(ReadFile(scratch_.Path("out/movie.swf")), "earlier");

  // The output chosen is the target itself.
  project.SetTargetType(kTargetExternal7);
  project.SetTargetUrl(WPath("target.swf"));
  window_->RefreshPages();
  const std::string target = ReadFile(scratch_.Path("target.swf"));
  scratch_.ClearAlerts();
  scratch_.AnswerChoosers({WPath("target.swf")});
  ASSERT_TRUE(Command("mExs"));
  ASSERT_EQ(scratch_.Alerts().size(), 1u);
  EXPECT_EQ(scratch_.Alerts()[0].heading, apptest::Numbered(10000));
  EXPECT_EQ(ReadFile(scratch_.Path("target.swf")), target);

  scratch_.ClearAlerts();
  scratch_.AnswerChoosers({WPath("out/movie.fla")});
  ASSERT_TRUE(Command("mExf"));
  ASSERT_EQ(scratch_.Alerts().size(), 1u);
  EXPECT_EQ(scratch_.Alerts()[0].detail, apptest::Numbered(154));
  EXPECT_EQ(scratch_.Choosers().back().defaultName, L"Untitled.fla");
  EXPECT_FALSE(fs::exists(scratch_.Path("out/movie.fla")));

  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(scratch_.Path("out"))) left.push_back(entry.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{"movie.swf"});
}

// The preview builds its movie in preview mode into the temporary folder and hands it to
// the player; a build the next command makes is no preview again.
TEST_F(MainWindowTest, ThePreviewBuildsAndHandsItsMovieToThePlayer) {
  struct Recorder : PreviewLauncher {
    std::vector<WideString> movies;
    bool previewMode = false;
    PreloaderData* project = nullptr;
    bool Launch(const WideString& path) override {
      movies.push_back(path);
      previewMode = project->IsPreview();
      return true;
    }
  } player;
  player.project = &window_->GetProject();
  WriteMovie(scratch_.Path("target.swf"), 320, 240, 12.0f);
  window_->GetProject().SetTargetUrl(WPath("target.swf"));
  window_->RefreshPages();
  window_->SetPreviewLauncher(&player);
  EXPECT_TRUE(Command("mPrv"));
  ASSERT_EQ(player.movies.size(), 1u);
  EXPECT_EQ(player.movies[0], window_->GetPreviewMoviePath());
  EXPECT_TRUE(player.previewMode);
  EXPECT_TRUE(PathExists(player.movies[0]));
  scratch_.AnswerChoosers({WPath("built.swf")});
  ASSERT_TRUE(Command("mExs"));
  EXPECT_FALSE(window_->GetProject().IsPreview());
  window_->SetPreviewLauncher(nullptr);
}

// The title, the tool bar and the tab pages of the window as it opens.
TEST_F(MainWindowTest, TheWindowAsItOpens) {
  EXPECT_EQ(window_->GetToolBar().CountButtons(), 7);
  const uint32_t commands[] = {host::ui::FourCC("new "), host::ui::FourCC("open"), host::ui::FourCC("save"),
                               host::ui::FourCC("mPrl"), host::ui::FourCC("mPrv"), host::ui::FourCC("mExs"),
                               host::ui::FourCC("help")};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(window_->GetToolBar().GetButton(i)->command, commands[i]);
  QWidget* root = apptest::WidgetOf(window_->GetWindowRef(), "tbPl", 0);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(window_->GetPalette().GetTypeCount(), 2);
  EXPECT_TRUE(window_->GetPalette().IsVisible());
  EXPECT_FALSE(window_->IsModified());
  // Unknown commands are left to others.
  EXPECT_FALSE(Command("zzzz"));
}

}  // namespace

namespace {

// The close box asks about a changed project like Quit; refused, the program goes on. An
// agreed quit keeps the window's and the palette's place and both recent lists.
TEST_F(MainWindowTest, QuitAsksFirstAndKeepsThePlaceAndTheRecentLists) {
  EditPercent(5);
  scratch_.AnswerAlerts({2});
  EXPECT_TRUE(window_->OnClose());
  ASSERT_EQ(scratch_.Alerts().size(), 1u);
  EXPECT_FALSE(window_->IsQuitting());
  EXPECT_EQ(window_->GetProject().GetPercent(), 5);

  window_->GetPalette().MoveTo(400, 300);
  window_->GetPalette().SetSize(250, 333);
  window_->GetPalette().OnClose();
  WriteMovie(scratch_.Path("movie.swf"), 10, 10, 12.0f);
  window_->AddRecentMovie(WPath("movie.swf"));
  AppPreferences& prefs = AppPreferences::Instance();
  prefs.paletteVisible = true;
  scratch_.AnswerAlerts({3});  // Don't Save
  EXPECT_TRUE(Command("quit"));
  EXPECT_TRUE(window_->IsQuitting());
  EXPECT_FALSE(prefs.paletteVisible);
  EXPECT_EQ(prefs.paletteX, 400);
  EXPECT_EQ(prefs.paletteY, 300);
  EXPECT_EQ(prefs.paletteWidth, 250);
  EXPECT_EQ(prefs.paletteHeight, 333);
  ASSERT_EQ(prefs.recentMovies.Count(), 1);
  EXPECT_EQ(*prefs.recentMovies.At(0), WPath("movie.swf"));
}

}  // namespace
