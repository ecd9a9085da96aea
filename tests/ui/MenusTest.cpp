// The menu bar from the interface files, menu items, and the recent-file lists with their
// submenus and their place in the preferences.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "host/ui/Menu.h"
#include "platform/PreferencesStore.h"
#include "ui/Menus.h"
#include "ui/RecentFiles.h"

using host::ui::FourCC;
using uitest::TestNib;

namespace {

std::vector<std::string> Commands(const MenuRef& menu) {
  std::vector<std::string> out;
  for (int i = 0; i < menu->CountItems(); ++i) {
    if (menu->IsSeparator(i)) {
      out.push_back("-");
      continue;
    }
    const uint32_t c = menu->CommandAt(i);
    out.push_back(std::string{char(c >> 24), char(c >> 16), char(c >> 8), char(c)});
  }
  return out;
}

TEST(MenuBarTest, OnLinuxQuitAndPreferencesStay) {
  ASSERT_TRUE(InstallMenuBar(TestNib(), L"IDR_MENU", false));
  MenuBar bar;
  EXPECT_EQ(Commands(bar.GetMenu(1000)), (std::vector<std::string>{"new ", "open", "rcnt", "-", "quit"}));
  EXPECT_EQ(Commands(bar.GetMenu(1001)), (std::vector<std::string>{"undV", "-", "pref"}));
  EXPECT_EQ(bar.GetMenu(1234), nullptr);
}

TEST(MenuBarTest, WithAnApplicationMenuQuitAndPreferencesLeaveWithTheirSeparators) {
  ASSERT_TRUE(InstallMenuBar(TestNib(), L"IDR_MENU", true));
  MenuBar bar;
  EXPECT_EQ(Commands(bar.GetMenu(1000)), (std::vector<std::string>{"new ", "open", "rcnt"}));
  EXPECT_EQ(Commands(bar.GetMenu(1001)), (std::vector<std::string>{"undV"}));
  ASSERT_TRUE(InstallMenuBar(TestNib(), L"IDR_MENU_PLAIN", true));  // nothing to remove
  EXPECT_EQ(Commands(bar.GetMenu(1000)), (std::vector<std::string>{"new ", "open", "rcnt"}));
  EXPECT_EQ(Commands(bar.GetMenu(1001)), (std::vector<std::string>{"undV"}));
  EXPECT_FALSE(InstallMenuBar(TestNib(), L"IDR_NO_SUCH_MENU", false));
}

class MainWindow : public DialogWindow {
 public:
  std::vector<uint32_t> commands;
  bool OnInitDialog() override { return true; }
  bool OnCommand(uint32_t command, host::ui::Event& e) override {
    if (e.eventClass == host::ui::kClassCommand) commands.push_back(command);
    return true;
  }
};

TEST(MenuBarTest, AChosenItemReachesTheWindowsOnCommand) {
  ASSERT_TRUE(InstallMenuBar(TestNib(), L"IDR_MENU", false));
  MainWindow w;
  ASSERT_TRUE(w.CreateModeless(TestNib(), L"IDD_SMALL", nullptr, 9));
  w.Show(true);
  ASSERT_TRUE(ShowMenuBarInWindow(w.GetWindowRef()));
  MenuBar bar;
  EXPECT_TRUE(bar.GetMenu(1000)->Trigger(1));
  EXPECT_TRUE(bar.GetMenu(1001)->Trigger(0));
  EXPECT_FALSE(bar.GetMenu(1001)->Trigger(1));  // a separator
  EXPECT_EQ(w.commands, (std::vector<uint32_t>{FourCC("open"), FourCC("undV")}));
  w.Destroy();
  uitest::Flush();
}

TEST(MenuTest, ItemsAreAddedDeletedAndEnabledByIndexOrCommand) {
  Menu m;
  ASSERT_TRUE(m.Create(2000, WideString(300, L'x')));
  EXPECT_EQ(m.GetTitle().size(), 255u);
  EXPECT_TRUE(m.AppendItem(FourCC("copy"), L"Copy", 0, L'c', false));
  EXPECT_TRUE(m.AppendSeparator());
  EXPECT_TRUE(m.AppendItem(FourCC("past"), L"Paste", 1, L'v', false));
  EXPECT_TRUE(m.AppendItem(FourCC("copy"), L"Copy Again", 0, 0, false));
  EXPECT_EQ(m.CountItems(), 4);
  EXPECT_TRUE(m.EnableItem(int(FourCC("copy")), false, false));
  EXPECT_FALSE(m.GetMenuRef()->IsItemEnabled(0));
  EXPECT_FALSE(m.GetMenuRef()->IsItemEnabled(3));
  EXPECT_TRUE(m.EnableItem(1, true, true));  // 1-based: the first item
  EXPECT_TRUE(m.GetMenuRef()->IsItemEnabled(0));
  EXPECT_TRUE(m.DeleteItem(1, true));  // 0-based: the separator
  EXPECT_TRUE(m.DeleteItem(int(FourCC("past")), false));
  EXPECT_FALSE(m.DeleteItem(int(FourCC("zzzz")), false));
  EXPECT_EQ(Commands(m.GetMenuRef()), (std::vector<std::string>{"copy", "copy"}));
  EXPECT_TRUE(m.RemoveAllItems());
  EXPECT_EQ(m.CountItems(), 0);
}

// A private folder for preference files and for files the lists point at.
class RecentFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/plenwick-recent-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    savedConfig = old != nullptr ? old : "";
    hadConfig = old != nullptr;
    setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
  }
  void TearDown() override {
    if (hadConfig)
      setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(dir);
  }
  WideString File(const std::string& name) {
    std::ofstream(dir + "/" + name) << "x";
    return Utf8ToWide(dir + "/" + name);
  }
  std::vector<WideString> Paths(const RecentFileList& list) {
    std::vector<WideString> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(*list.At(i));
    return out;
  }
  std::string dir, savedConfig;
  bool hadConfig = false;
};

TEST_F(RecentFiles, NewestFirstWithoutDuplicatesUpToTheCapacity) {
  RecentFileList list;
  for (const wchar_t* p : {L"/p/a.prl", L"/p/b.prl", L"/p/c.prl", L"/p/d.prl", L"/p/e.prl"}) list.Add(p);
  list.Add(L"/P/B.PRL");  // the same file spelled differently moves to the front
  EXPECT_EQ(Paths(list), (std::vector<WideString>{L"/P/B.PRL", L"/p/e.prl", L"/p/d.prl", L"/p/c.prl", L"/p/a.prl"}));
  list.Add(L"/p/f.prl");  // a sixth drops the oldest
  EXPECT_EQ(Paths(list), (std::vector<WideString>{L"/p/f.prl", L"/P/B.PRL", L"/p/e.prl", L"/p/d.prl", L"/p/c.prl"}));
  EXPECT_EQ(list.At(5), nullptr);
  EXPECT_EQ(list.At(-1), nullptr);
  RecentFileList copy;
  copy.SetCapacity(2);
  copy.Assign(list);
  EXPECT_EQ(copy.GetCapacity(), 5);
  EXPECT_EQ(Paths(copy), Paths(list));
  list.SetCapacity(9);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.GetCapacity(), 5);
}

TEST_F(RecentFiles, SavedOldestFirstAndLoadedNewestFirstAcrossARestart) {
  const WideString n = File("n.prl"), m = File("m.prl"), o = File("o.prl");
  {
    RecentFileList list;
    list.Add(n);
    list.Add(m);
    list.Add(o);  // newest first: o, m, n
    PreferencesStore store;
    ASSERT_TRUE(store.Open(L"PlenwickTest", 1));
    ASSERT_TRUE(list.Save(store, L"recent_projects"));
    WideString first;
    ASSERT_TRUE(store.GetString(L"recent_projects_1", first));
    EXPECT_EQ(first, n);
    ASSERT_TRUE(store.Close());
  }
  PreferencesStore store;
  ASSERT_TRUE(store.Open(L"PlenwickTest", 1));
  RecentFileList loaded;
  EXPECT_TRUE(loaded.Load(store, L"recent_projects"));
  EXPECT_EQ(Paths(loaded), (std::vector<WideString>{o, m, n}));
}

TEST_F(RecentFiles, LoadingSkipsMissingFilesAndClampsTheCapacity) {
  const WideString a = File("a.prl"), c = File("c.prl");
  PreferencesStore store;
  ASSERT_TRUE(store.Open(L"PlenwickTest", 1));
  store.SetInt(L"k_max", 1000000);
  store.SetString(L"k_1", a.c_str());
  store.SetString(L"k_2", Utf8ToWide(dir + "/gone.prl").c_str());
  store.SetString(L"k_3", c.c_str());
  RecentFileList list;
  list.Load(store, L"k");
  EXPECT_EQ(Paths(list), (std::vector<WideString>{c, a}));
  EXPECT_EQ(list.GetCapacity(), RecentFileList::kMaximumCapacity);
  store.SetInt(L"k_max", -3);
  RecentFileList none;
  none.Load(store, L"k");
  EXPECT_EQ(none.GetCapacity(), 0);
  EXPECT_EQ(none.Count(), 0);
}

// A list saved after it shrank does not read back the entries of the longer one.
TEST_F(RecentFiles, EntriesOfAnEarlierLongerListDoNotComeBack) {
  std::vector<WideString> files;
  for (int i = 0; i < 5; ++i) files.push_back(File("f" + std::to_string(i) + ".prl"));
  PreferencesStore store;
  ASSERT_TRUE(store.Open(L"PlenwickTest", 1));
  RecentFileList list;
  for (const WideString& f : files) list.Add(f);
  ASSERT_TRUE(list.Save(store, L"k"));
  RecentFileList shorter;
  shorter.Add(files[0]);
  shorter.Add(files[1]);
  ASSERT_TRUE(shorter.Save(store, L"k"));
  RecentFileList loaded;
  loaded.Load(store, L"k");
  EXPECT_EQ(Paths(loaded), (std::vector<WideString>{files[1], files[0]}));
}

TEST_F(RecentFiles, PathsLongerThanTwoHundredFiftySixCharactersSurvive) {
  const std::string name = std::string(240, 'l') + ".prl";
  std::filesystem::create_directories(dir + "/" + std::string(40, 'd'));
  const WideString path = File(std::string(40, 'd') + "/" + name);
  ASSERT_GT(path.size(), 256u);
  PreferencesStore store;
  ASSERT_TRUE(store.Open(L"PlenwickTest", 1));
  RecentFileList list;
  list.Add(path);
  ASSERT_TRUE(list.Save(store, L"k"));
  RecentFileList loaded;
  loaded.Load(store, L"k");
  EXPECT_EQ(Paths(loaded), std::vector<WideString>{path});
}

TEST_F(RecentFiles, TheSubmenuShowsThePathsUnderConsecutiveCommands) {
  Menu file;
  ASSERT_TRUE(file.Create(1000, L"File"));
  file.AppendItem(FourCC("open"), L"Open...", 0, 0, false);
  file.AppendItem(FourCC("rcnt"), L"Open Recent", 0, 0, false);
  RecentFilesMenu recent;
  ASSERT_TRUE(recent.AttachSubmenu(file, 1, 3000, 5000));
  recent.AddPath(L"/p/one.prl", false);
  recent.AddPath(L"/p/two.prl", false);
  recent.AddPath(L"/p/three.prl", true);
  MenuRef sub = file.GetMenuRef()->Submenu(1);
  ASSERT_TRUE(sub);
  EXPECT_EQ(sub->Id(), 3000);
  ASSERT_EQ(sub->CountItems(), 3);
  EXPECT_EQ(sub->ItemText(0), L"/p/three.prl");
  EXPECT_EQ(sub->CommandAt(2), 5002u);
  ASSERT_NE(recent.PathForCommand(5002), nullptr);
  EXPECT_EQ(*recent.PathForCommand(5002), L"/p/one.prl");
  EXPECT_EQ(recent.PathForCommand(5003), nullptr);
  EXPECT_EQ(recent.PathForCommand(4999), nullptr);
  RecentFileList copy;
  recent.GetList(copy);
  EXPECT_EQ(copy.Count(), 3);
  copy.Clear();
  recent.SetList(copy);
  recent.Rebuild();
  EXPECT_EQ(sub->CountItems(), 0);
}

}  // namespace
