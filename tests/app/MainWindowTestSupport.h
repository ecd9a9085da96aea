// The main window made offscreen the way the program makes it (menu bar, temporary folder,
// interface files), with a small preloader library of its own and alerts and choosers
// answered by the test.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QString>
#include <QTreeView>
#include <cstdio>
#include <filesystem>
#include <fstream>
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

// Chooses a row of the window's palette as a click on it does: the display of that name in
// the group (opened first), or with no name the group's own row, which shows no display.
// False when the palette has no such row.
inline bool PickInPalette(MainWindow& window, const QString& group, const QString& name = {}) {
  auto* view = qobject_cast<QTreeView*>(WidgetOf(window.GetPalette().GetWindowRef(), "tPrl", 2000));
  if (view == nullptr) return false;
  auto rowNamed = [view](const QModelIndex& parent, const QString& text) -> QModelIndex {
    for (int r = 0; r < view->model()->rowCount(parent); ++r)
      if (view->model()->index(r, 0, parent).data().toString() == text) return view->model()->index(r, 0, parent);
    return {};
  };
  QModelIndex row = rowNamed({}, group);
  if (!row.isValid()) return false;
  if (!name.isEmpty()) {
    view->expand(row);
    row = rowNamed(row, name);
    if (!row.isValid()) return false;
  }
  view->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  return true;
}

// How many movies the test plug-in, logging into `log`, has been given since the last call
// (the log is emptied).
inline int TakePreviewLoads(const std::string& log) {
  std::ifstream in(log);
  int loads = 0;
  for (std::string line; std::getline(in, line);) loads += line.rfind("newstream", 0) == 0;
  in.close();
  std::remove(log.c_str());
  return loads;
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
