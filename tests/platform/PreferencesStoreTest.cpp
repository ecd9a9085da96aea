#include "platform/PreferencesStore.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

class PreferencesStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/plenwick-prefs-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    hadOld_ = old != nullptr;
    if (old) old_ = old;
    ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
  }
  void TearDown() override {
    if (hadOld_) {
      ::setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
    } else {
      ::unsetenv("XDG_CONFIG_HOME");
    }
    std::filesystem::remove_all(dir_);
  }
  std::string File() const { return dir_ + "/Plenwick/Plenwick.xml"; }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string dir_, old_;
  bool hadOld_ = false;
};

}  // namespace

TEST_F(PreferencesStoreTest, ValuesSurviveSaveAndReload) {
  const std::string data(28, '\x01');
  const wchar_t* text = L"C:\\<path> & \"quotes\" \U0001F600\u00E9\nline";
  {
    PreferencesStore p;
    ASSERT_TRUE(p.Open(nullptr, PreferencesStore::kCurrentUserScope));
    EXPECT_TRUE(p.SetInt(L"main_window_x", -40));
    EXPECT_TRUE(p.SetLong(L"big", 1L << 40));
    EXPECT_TRUE(p.SetBool(L"check_software_updates", true));
    EXPECT_TRUE(p.SetString(L"last_folder", text));
    EXPECT_TRUE(p.SetData(L"font", data.data(), data.size()));
    EXPECT_TRUE(p.SetString(L"key \u00E9 with <markup>", L""));
    EXPECT_TRUE(p.Close());
  }
  struct stat st {};
  ASSERT_EQ(::stat(File().c_str(), &st), 0);
  EXPECT_NE(Read(File()).find("<int key=\"main_window_x\" value=\"-40\" />"), std::string::npos) << Read(File());

  PreferencesStore p;
  ASSERT_TRUE(p.Open(L"Plenwick", 1));
  int i = 0;
  EXPECT_TRUE(p.GetInt(L"main_window_x", i));
  EXPECT_EQ(i, -40);
  EXPECT_FALSE(p.GetInt(L"big", i));  // not representable as an int
  EXPECT_EQ(i, -40);
  long l = 0;
  EXPECT_TRUE(p.GetLong(L"big", l));
  EXPECT_EQ(l, 1L << 40);
  uint8_t b = 7;
  EXPECT_TRUE(p.GetBool(L"check_software_updates", b));
  EXPECT_EQ(b, 1);
  WideString s;
  EXPECT_TRUE(p.GetString(L"last_folder", s));
  EXPECT_EQ(s, text);
  EXPECT_TRUE(p.GetString(L"key \u00E9 with <markup>", s));
  EXPECT_EQ(s, L"");
  char buf[28];
  EXPECT_EQ(p.GetData(L"font", buf, 27), 0u);
  EXPECT_EQ(p.GetData(L"font", buf, 28), 28u);
  EXPECT_EQ(std::string(buf, 28), data);
  // Missing keys and other types leave the destination alone.
  EXPECT_FALSE(p.GetInt(L"missing", i));
  EXPECT_FALSE(p.GetBool(L"main_window_x", b));
  EXPECT_FALSE(p.GetString(L"main_window_x", s));
  EXPECT_EQ(i, -40);
}

TEST_F(PreferencesStoreTest, GetStringIsBoundedByTheBufferSize) {
  PreferencesStore p;
  ASSERT_TRUE(p.Open(nullptr, 1));
  ASSERT_TRUE(p.SetString(L"name", L"abcdef"));
  wchar_t buf[6];
  for (wchar_t& c : buf) c = L'#';
  EXPECT_TRUE(p.GetString(L"name", buf, 5));  // capacity 5: four letters and the terminator
  EXPECT_EQ(std::wstring(buf), L"abcd");
  EXPECT_EQ(buf[5], L'#');
  EXPECT_TRUE(p.GetString(L"name", buf, 6));
  EXPECT_EQ(std::wstring(buf), L"abcde");
  EXPECT_FALSE(p.GetString(L"name", buf, 0));
  EXPECT_FALSE(p.GetString(L"name", nullptr, 6));
}

TEST_F(PreferencesStoreTest, OpenAndCloseWithoutWritesWritesNothing) {
  PreferencesStore p;
  EXPECT_FALSE(p.Open(nullptr, 2));
  ASSERT_TRUE(p.Open(nullptr, 1));
  EXPECT_FALSE(p.Close());
  EXPECT_FALSE(p.IsOpen());
  struct stat st {};
  EXPECT_NE(::stat(File().c_str(), &st), 0);
  // A failed setter records its code; an earlier success still gets written.
  ASSERT_TRUE(p.Open(nullptr, 1));
  EXPECT_TRUE(p.SetInt(L"a", 1));
  EXPECT_FALSE(p.SetInt(L"", 2));
  EXPECT_EQ(p.LastError(), PreferencesStore::kErrNumberKey);
  EXPECT_FALSE(p.SetString(L"s", nullptr));
  EXPECT_EQ(p.LastError(), PreferencesStore::kErrStringValue);
  EXPECT_TRUE(p.Close());
  EXPECT_EQ(::stat(File().c_str(), &st), 0);
}

TEST_F(PreferencesStoreTest, ACorruptFileIsMovedAsideAndDefaultsAreUsed) {
  std::filesystem::create_directories(dir_ + "/Plenwick");
  const char* broken[] = {
      "<preferences><int key=\"a\" value=\"1\"></preferences",  // cut off
      "\x00\x01garbage",
      "<other><int key=\"a\" value=\"1\" /></other>",
      "<!DOCTYPE p [<!ENTITY x \"y\">]><preferences/>",
  };
  for (const char* content : broken) {
    { std::ofstream(File(), std::ios::binary) << content; }
    PreferencesStore p;
    ASSERT_TRUE(p.Open(nullptr, 1)) << content;
    int i = 5;
    EXPECT_FALSE(p.GetInt(L"a", i));
    ASSERT_FALSE(p.MovedAsidePath().empty());
    EXPECT_NE(p.MovedAsidePath().find("Plenwick.xml.unreadable-"), std::string::npos);
    EXPECT_EQ(Read(p.MovedAsidePath()), content);
    EXPECT_TRUE(p.SetInt(L"a", 2));
    EXPECT_TRUE(p.Close());
    PreferencesStore q;
    ASSERT_TRUE(q.Open(nullptr, 1));
    EXPECT_TRUE(q.GetInt(L"a", i));
    EXPECT_EQ(i, 2);
    std::filesystem::remove(p.MovedAsidePath());
  }
}

// The folder is made read-only. Root passes over folder permissions by its capabilities, so the
// store runs in a child process that has given up every capability: as root or not, the folder
// then refuses both the move aside and the new file.
TEST_F(PreferencesStoreTest, AFileThatCantBeMovedAsideIsNeverOverwritten) {
  std::filesystem::create_directories(dir_ + "/Plenwick");
  { std::ofstream(File(), std::ios::binary) << "<broken"; }
  ASSERT_EQ(::chmod((dir_ + "/Plenwick").c_str(), 0500), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capset, &header, none) != 0) ::_exit(10);
    PreferencesStore p;
    if (!p.Open(nullptr, 1)) ::_exit(11);
    if (!p.SetInt(L"a", 1)) ::_exit(12);
    if (p.Close()) ::_exit(13);
    ::_exit(p.LastError() == PreferencesStore::kErrSynchronize ? 0 : 14);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ::chmod((dir_ + "/Plenwick").c_str(), 0700);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "10: capabilities not dropped; 11: not opened; 12: value refused; "
                                       "13: the save reported success; 14: wrong error";
  EXPECT_EQ(Read(File()), "<broken");
}

TEST_F(PreferencesStoreTest, AShorterListLeavesNoStaleEntries) {
  {
    PreferencesStore p;
    ASSERT_TRUE(p.Open(nullptr, 1));
    EXPECT_TRUE(p.SetStringList(L"recent_projects", {L"/a", L"/b", L"/c", L"/d", L"/e"}));
    EXPECT_TRUE(p.SetString(L"recent_projects_max", L"not a list entry"));
    EXPECT_TRUE(p.SetString(L"recent_projects_x", L"kept"));
    EXPECT_TRUE(p.Close());
  }
  {
    PreferencesStore p;
    ASSERT_TRUE(p.Open(nullptr, 1));
    EXPECT_TRUE(p.SetStringList(L"recent_projects", {L"/x", L"/y"}));
    EXPECT_TRUE(p.Close());
  }
  PreferencesStore p;
  ASSERT_TRUE(p.Open(nullptr, 1));
  EXPECT_EQ(p.GetStringList(L"recent_projects", 5), (std::vector<WideString>{L"/x", L"/y"}));
  EXPECT_FALSE(p.HasKey(L"recent_projects_3"));
  EXPECT_FALSE(p.HasKey(L"recent_projects_5"));
  EXPECT_TRUE(p.HasKey(L"recent_projects_max"));
  EXPECT_TRUE(p.HasKey(L"recent_projects_x"));
  EXPECT_EQ(p.GetStringList(L"recent_projects", 1).size(), 1u);
  EXPECT_TRUE(p.RemoveKey(L"recent_projects_1"));
  EXPECT_TRUE(p.GetStringList(L"recent_projects", 5).empty());
}
