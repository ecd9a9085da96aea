#include "platform/TempFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <set>

#include "Scratch.h"

namespace {

// Points the temporary folder at a scratch folder through the XDG variables, and puts the
// environment back afterwards.
class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CACHE_HOME"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    runtime_ = scratch_ / "run";
    ::mkdir(runtime_.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (scratch_ / "cache").c_str(), 1);
    savedSubFolder_ = GetAppTempFolderName();
  }
  void TearDown() override {
    // Puts the name back, while the variables still point at the scratch folder (which a test may
    // have left refusing it: only the name matters here).
    static_cast<void>(CreateAppTempFolder(savedSubFolder_));
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
  }

  static mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0xFFFF;
  }

  testutil::ScratchFolder scratch_;
  std::string runtime_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
  WideString savedSubFolder_;
};

TEST_F(TempFolderTest, LivesInTheRuntimeFolderAndIsPrivate) {
  const WideString folder = GetTempFolderPath();
  EXPECT_EQ(WideToUtf8(folder), runtime_ + "/plenwick/");
  EXPECT_EQ(ModeOf(runtime_ + "/plenwick"), 0700u);
}

TEST_F(TempFolderTest, FallsBackToTheCacheFolderWhenTheRuntimeFolderIsNotPrivate) {
  ::chmod(runtime_.c_str(), 0755);
  EXPECT_EQ(WideToUtf8(GetTempFolderPath()), scratch_ / "cache/plenwick/tmp/");
  EXPECT_EQ(ModeOf(scratch_ / "cache/plenwick/tmp"), 0700u);
  ::unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(WideToUtf8(GetTempFolderPath()), scratch_ / "cache/plenwick/tmp/");
}

TEST_F(TempFolderTest, RefusesASymbolicLinkPlantedAtItsPath) {
  const std::string elsewhere = scratch_ / "elsewhere";
  ::mkdir(elsewhere.c_str(), 0777);
  ASSERT_EQ(::symlink(elsewhere.c_str(), (runtime_ + "/plenwick").c_str()), 0);
  EXPECT_TRUE(GetTempFolderPath().empty());
  WideString path = L"stale";
  EXPECT_FALSE(GetTempFilePath(path, L"x.bin", false));
  EXPECT_TRUE(path.empty());
  EXPECT_FALSE(CreateAppTempFolder(L"_plenwick"));
  EXPECT_TRUE(testutil::ListNames(elsewhere).empty());
}

TEST_F(TempFolderTest, RefusesAFileAtItsPathAndTightensALooseFolder) {
  testutil::WriteFile(runtime_ + "/plenwick", "not a folder");
  EXPECT_TRUE(GetTempFolderPath().empty());
  ::unlink((runtime_ + "/plenwick").c_str());
  ::mkdir((runtime_ + "/plenwick").c_str(), 0777);
  ::chmod((runtime_ + "/plenwick").c_str(), 0777);
  EXPECT_FALSE(GetTempFolderPath().empty());
  EXPECT_EQ(ModeOf(runtime_ + "/plenwick"), 0700u);
}

TEST_F(TempFolderTest, SubFolderIsCreatedPrivateAndRecreatedWhenMissing) {
  ASSERT_TRUE(CreateAppTempFolder(L"_plenwick"));
  const std::string sub = runtime_ + "/plenwick/_plenwick";
  EXPECT_EQ(ModeOf(sub), 0700u);
  ::rmdir(sub.c_str());
  WideString path;
  ASSERT_TRUE(GetTempFilePath(path, L"preview.swf", true));
  EXPECT_EQ(WideToUtf8(path).rfind(sub + "/preview-", 0), 0u) << WideToUtf8(path);
  EXPECT_EQ(ModeOf(sub), 0700u);
}

TEST_F(TempFolderTest, FileNamesAreUniquePerCallAndPerProcess) {
  ASSERT_TRUE(CreateAppTempFolder(L"_plenwick"));
  std::set<std::string> names;
  WideString path;
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(GetTempFilePath(path, L"_xxswfxx__.bin", true));
    const std::string utf8 = WideToUtf8(path);
    EXPECT_EQ(utf8.substr(utf8.size() - 4), ".bin");
    EXPECT_TRUE(names.insert(utf8).second) << utf8;
  }
  // A name that is taken on disk (by a file left from an earlier run) is skipped.
  ASSERT_TRUE(GetTempFilePath(path, L"undo", true));
  const std::string taken = WideToUtf8(path);
  std::string next = taken;
  const auto dash = next.find_last_of('-');
  next = next.substr(0, dash + 1) + std::to_string(std::stoul(next.substr(dash + 1)) + 1);
  testutil::WriteFile(next, "left over");
  ASSERT_TRUE(GetTempFilePath(path, L"undo", true));
  EXPECT_NE(WideToUtf8(path), next);
  EXPECT_NE(WideToUtf8(path), taken);

  // A second running copy of the program gets other names for the same request.
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(fds[0]);
    WideString childPath;
    if (!GetTempFilePath(childPath, L"_xxswfxx__.bin", true)) ::_exit(1);
    const std::string utf8 = WideToUtf8(childPath);
    (void)!::write(fds[1], utf8.data(), utf8.size());
    ::_exit(0);
  }
  ::close(fds[1]);
  char buffer[4096];
  const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
  ::close(fds[0]);
  ::waitpid(child, nullptr, 0);
  ASSERT_GT(got, 0);
  EXPECT_EQ(names.count(std::string(buffer, static_cast<size_t>(got))), 0u);
}

// Files that runs of the program killed on the way left in the temporary folder go when the
// program starts; what a running copy uses, what is recent and what is not a file of ours stay.
TEST_F(TempFolderTest, StaleFilesOfEarlierRunsAreRemoved) {
  ASSERT_TRUE(CreateAppTempFolder(L"_plenwick"));
  const std::string temp = WideToUtf8(GetTempFolderPath());
  const std::string sub = temp + "_plenwick/";
  // A process that has ended: its number names no running process any more.
  const pid_t ended = ::fork();
  ASSERT_GE(ended, 0);
  if (ended == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
  const std::string gone = std::to_string(ended);
  const std::string running = std::to_string(::getpid());
  const std::string outside = scratch_ / "outside.txt";
  testutil::WriteFile(outside, "not ours");

  const time_t now = std::time(nullptr);
  const time_t old = now - kStaleTempFileSeconds - 60;
  const struct {
    std::string path;
    time_t changed;
    bool stays;
  } cases[] = {
      {temp + "_rrw_t0plw-" + gone + "-3.dat", old, false},
      {sub + "_xxswfxx__-" + gone + "-12.bin", old, false},
      {sub + "undo-" + gone + "-1", old, false},
      {temp + ".out.swf.tmp-a1B2c3", old, false},  // a file replaced in place, never committed
      {temp + "plain name", old, false},
      {temp + "preview-" + running + "-2.swf", old, true},       // a running copy's file
      {sub + "_xxswfxx__-" + gone + "-13.bin", now - 60, true},  // recent
      {temp + "audrw-" + gone + "-4.aif", now + 3600, true},     // changed in the future
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(testutil::WriteFile(c.path, "x")) << c.path;
    const struct timespec times[2] = {{c.changed, 0}, {c.changed, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, c.path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << c.path;
  }
  // Neither a symbolic link nor what it points at is touched, nor a folder, nor anything
  // below a second level.
  const std::string link = temp + "link-" + gone + "-5";
  ASSERT_EQ(::symlink(outside.c_str(), link.c_str()), 0);
  const std::string deeper = sub + "deeper";
  ASSERT_EQ(::mkdir(deeper.c_str(), 0700), 0);
  const std::string deep = deeper + "/x-" + gone + "-6";
  ASSERT_TRUE(testutil::WriteFile(deep, "x"));
  const struct timespec oldTimes[2] = {{old, 0}, {old, 0}};
  for (const std::string& p : {link, deeper, deep, outside}) {
    ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), oldTimes, AT_SYMLINK_NOFOLLOW), 0) << p;
  }

  EXPECT_EQ(RemoveStaleTempFiles(), 5);
  for (const auto& c : cases) EXPECT_EQ(testutil::Exists(c.path), c.stays) << c.path;
  for (const std::string& p : {link, deeper, deep, outside}) EXPECT_TRUE(testutil::Exists(p)) << p;
  EXPECT_EQ(RemoveStaleTempFiles(), 0) << "nothing is stale any more";
}

}  // namespace
