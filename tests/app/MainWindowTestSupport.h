// The main window made offscreen the way the program makes it (menu bar, temporary folder,
// interface files), with a small preloader library of its own and alerts and choosers
// answered by the test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/AppPreferences.h"
#include "app/MainWindow.h"
#include "app/PreloadersPalette.h"
#include "host/ui/Event.h"
#include "host/ui/Menu.h"
#include "platform/TempFolder.h"
#include "publish/PluginPlayer.h"
#include "tests/app/AppTestSupport.h"
#include "ui/Menus.h"

namespace apptest {

// Copies a library movie (a path under the shipped library or the tests' own) into the
// scratch library folder `to` (made as needed).
inline void CopyLibraryMovie(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::filesystem::create_directories(to.parent_path());
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

inline std::filesystem::path FixtureMovie(const char* name) {
  return std::filesystem::path(PLENWICK_PRELOADER_FIXTURES_DIR) / name;
}

class MainWindowFixture : public ::testing::Test {
 protected:
  // The library the palette reads; tests add movies before MakeWindow.
  std::filesystem::path Library() const { return std::filesystem::path(scratch_.Path("library")); }

  void SetUp() override {
    ASSERT_TRUE(CreateAppTempFolder(L"_plenwick"));
    AppPreferences::Instance().ClearRecentLists();
    AppPreferences::Instance().paletteVisible = true;
    std::filesystem::create_directories(Library());
    PreloadersPalette::SetLibraryFolders({Utf8ToWide(Library().string())});
    // The Display page's preview plays in the plug-in that only logs its calls.
    SetPreviewPluginPathForTesting(PLENWICK_TEST_PLUGIN);
    ASSERT_TRUE(InstallMenuBarFromNib());
  }
  void TearDown() override {
    window_.reset();
    SetPreviewPluginPathForTesting({});
    PreloadersPalette::SetLibraryFolders({});
    AppPreferences::Instance().ClearRecentLists();
  }
  MainWindow& MakeWindow() {
    window_ = std::make_unique<MainWindow>();
    EXPECT_TRUE(window_->Create());
    return *window_;
  }
  bool Command(const char (&code)[5]) {
    host::ui::Event event;
    return window_->OnCommand(host::ui::FourCC(code), event);
  }
  // An edit as a page makes it: one transaction, and the pages show what it changed.
  void EditPercent(int percent) {
    {
      EditTransaction edit(*window_, window_->GetProject());
      window_->GetProject().SetPercent(percent);
    }
    window_->RefreshPages();
  }
  bool MenuItemEnabled(int menu, const char (&code)[5]) const {
    MenuRef m = MenuBar().GetMenu(menu);
    return m && m->IsItemEnabled(m->IndexOfCommand(host::ui::FourCC(code)));
  }
  std::wstring WPath(const std::string& name) const { return Utf8ToWide(scratch_.Path(name)); }

  AppScratch scratch_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace apptest
