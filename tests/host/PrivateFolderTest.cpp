#include "host/PrivateFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

class PrivateFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = "/tmp/plenwick-host-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
  }
  void TearDown() override {
    ::rmdir((root_ + "/p").c_str());
    ::unlink((root_ + "/p").c_str());
    ::rmdir(root_.c_str());
  }
  std::string root_;
};

TEST_F(PrivateFolderTest, CreatesAndChecks) {
  const std::string folder = root_ + "/p";
  ASSERT_EQ(host::fs::EnsurePrivateFolder(folder), 0);
  struct stat st {};
  ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  EXPECT_EQ(host::fs::EnsurePrivateFolder(folder), 0) << "an existing private folder is fine";
  EXPECT_EQ(host::fs::EnsurePrivateFolder("relative/p"), EINVAL);
}

TEST_F(PrivateFolderTest, RefusesLinksAndFoldersOfOtherUsers) {
  const std::string folder = root_ + "/p";
  ASSERT_EQ(::symlink("/tmp", folder.c_str()), 0);
  EXPECT_EQ(host::fs::EnsurePrivateFolder(folder), ENOTDIR);
  ASSERT_EQ(::unlink(folder.c_str()), 0);
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  if (::chown(folder.c_str(), ::geteuid() + 1000, static_cast<gid_t>(-1)) != 0) {
    GTEST_SKIP() << "only a privileged user can give a folder to another user";
  }
  EXPECT_EQ(host::fs::EnsurePrivateFolder(folder), EPERM);
}

}  // namespace
