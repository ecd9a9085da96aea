#include "app/Application.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/AppPreferences.h"
#include "app/MainWindow.h"
#include "app/PictureWindows.h"
#include "app/UpdateCheck.h"
#include "host/Bundle.h"
#include "host/ui/Alert.h"
#include "host/ui/Application.h"
#include "host/ui/Event.h"
#include "platform/PreferencesStore.h"
#include "preloader/PreloaderData.h"
#include "preloader/ProjectDocument.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/LoopbackHttpServer.h"

namespace {

using host::ui::FourCC;

int g_exitCode = -1;
void RecordExit(int code) { g_exitCode = code; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_exitCode = -1;
    SetExitFunction(RecordExit);
  }
  void TearDown() override {
    SetExitFunction(nullptr);
    SetMediaLibraryCheck(nullptr);
    UpdateCheck::SetDefaultServer("");
    Application::DestroyInstance();
  }
  apptest::AppScratch scratch_;
};

// Before the main window exists nothing is handled: commands go on, documents wait; the
// system's quit is never consumed.
TEST_F(ApplicationTest, WithoutAMainWindowNothingIsHandled) {
  Application& app = Application::Instance();
  ASSERT_TRUE(app.InitToolbox());
  EXPECT_TRUE(app.IsHandlerInstalled());
  EXPECT_FALSE(app.Handler().OnCommand(FourCC("abou")));
  EXPECT_FALSE(app.Handler().OpenDocuments({L"/tmp/a.plw"}));
  EXPECT_FALSE(app.Handler().OnQuit());
  host::ui::Event quit;
  quit.eventClass = FourCC("appl");
  quit.kind = 3;
  EXPECT_EQ(host::ui::ApplicationTarget().Send(quit), host::ui::kEventNotHandled);
}

// Media libraries other than those the program was built for stop the start with their
// message; neither the main window nor the exit hook follow.
TEST_F(ApplicationTest, AFailingStartUpCheckShowsItsMessageAndQuits) {
  SetMediaLibraryCheck([] { return false; });
  Application& app = Application::Instance();
  ASSERT_TRUE(app.InitToolbox());
  ASSERT_TRUE(AppInit());
  EXPECT_FALSE(AppRun());
  EXPECT_EQ(g_exitCode, 1);
  ASSERT_EQ(scratch_.Alerts().size(), 1u);
  EXPECT_EQ(scratch_.Alerts()[0].icon, host::ui::AlertIcon::kStop);
  EXPECT_EQ(scratch_.Alerts()[0].heading, apptest::Numbered(10000));
  EXPECT_EQ(scratch_.Alerts()[0].detail, apptest::Numbered(10017));
  EXPECT_EQ(app.Handler().GetMainWindow(), nullptr);
}

// A bundle whose window files are missing stops the start with its message too. (The
// interface files are opened once per process, so this test runs in a process of its own.)
TEST_F(ApplicationTest, MissingWindowFilesShowTheirMessageAndQuit) {
  const std::string bundle = scratch_.Path("Broken.app");
  std::filesystem::create_directories(bundle + "/Resources");
  std::filesystem::copy_file(std::string(PLENWICK_BUNDLE_DIR) + "/Resources/Localizable.strings",
                             bundle + "/Resources/Localizable.strings");
  host::bundle::SetBundlePathForTesting(bundle);
  Application& app = Application::Instance();
  ASSERT_TRUE(app.InitToolbox());
  ASSERT_TRUE(AppInit());
  EXPECT_FALSE(AppRun());
  host::bundle::SetBundlePathForTesting("");
  EXPECT_EQ(g_exitCode, 1);
  ASSERT_EQ(scratch_.Alerts().size(), 1u);
  EXPECT_EQ(scratch_.Alerts()[0].detail, apptest::Numbered(10015));
  EXPECT_EQ(app.Handler().GetMainWindow(), nullptr);
}

// A whole run: the preferences are read, the main window opens where they say with the
// first document of the command line, an update the server offers is told, the Quit command
// ends the loop, and the exit hook writes the window's place and empties the recent lists.
TEST_F(ApplicationTest, AWholeRunFromStartToQuit) {
  {
    PreferencesStore store;
    ASSERT_TRUE(store.Open(L"Plenwick", PreferencesStore::kCurrentUserScope));
    ASSERT_TRUE(store.SetInt(L"main_window_x", 120));
    ASSERT_TRUE(store.SetInt(L"main_window_y", 90));
    ASSERT_TRUE(store.Close());
  }
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  server.SetReply({200, "1.300"});
  UpdateCheck::SetDefaultServer(server.Url(""));

  const WideString first = Utf8ToWide(scratch_.Path("first.plw"));
  const WideString second = Utf8ToWide(scratch_.Path("second.plw"));
  {
    PreloaderData project;
    project.SetPercent(55);
    ASSERT_TRUE(SaveProjectFile(first, project));
    ASSERT_TRUE(SaveProjectFile(second, project));
  }
  Application& app = Application::Instance();
  app.SetStartDocuments({first, second});
  ASSERT_TRUE(app.InitToolbox());
  ASSERT_TRUE(AppInit());
  bool checked = false;
  apptest::Soon(
      [&] {
        MainWindow* window = app.Handler().GetMainWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->IsVisible());
        EXPECT_EQ(window->GetDocumentPath(), first);
        EXPECT_EQ(window->GetProject().GetPercent(), 55);
        int x = 0, y = 0;
        window->GetPosition(&x, &y);
        UiRect bounds;
        window->GetContentBounds(&bounds);
        EXPECT_EQ(bounds.left, 120);
        EXPECT_EQ(bounds.top, 90);
        ASSERT_NE(GetSplashWindow(), nullptr);
        EXPECT_FALSE(GetSplashWindow()->IsVisible());
        window->MoveTo(140, 100);
        checked = true;
        EXPECT_TRUE(app.Handler().OnCommand(FourCC("quit")));
      },
      1500);
  EXPECT_TRUE(AppRun());
  EXPECT_TRUE(checked);
  EXPECT_EQ(g_exitCode, -1);
  EXPECT_EQ(GetSplashWindow(), nullptr);

  bool told = false;
  for (const apptest::ShownAlert& alert : scratch_.Alerts())
    told = told || (alert.heading == apptest::Numbered(11007) && alert.detail == apptest::Numbered(11008));
  EXPECT_TRUE(told) << "the newer version was not told";

  AppPreferences::Instance().recentProjects.Add(Utf8ToWide(scratch_.Root()));
  EXPECT_TRUE(AppExit());
  EXPECT_EQ(AppPreferences::Instance().recentProjects.Count(), 0);
  const std::string file = ReadFile(scratch_.PreferencesFile());
  EXPECT_NE(file.find("140"), std::string::npos) << file;
  EXPECT_NE(file.find("app_path"), std::string::npos);
}

// With the update check switched off no request reaches the server.
TEST_F(ApplicationTest, NoUpdateQueryWhenItIsSwitchedOff) {
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  server.SetReply({200, "1.300"});
  UpdateCheck::SetDefaultServer(server.Url(""));
  Application& app = Application::Instance();
  ASSERT_TRUE(app.InitToolbox());
  ASSERT_TRUE(AppInit());
  AppPreferences::Instance().checkForUpdates = false;
  apptest::Soon([&] { app.Handler().OnCommand(FourCC("quit")); }, 1000);
  EXPECT_TRUE(AppRun());
  EXPECT_TRUE(server.Requests().empty());
  EXPECT_TRUE(scratch_.Alerts().empty());
}

}  // namespace
