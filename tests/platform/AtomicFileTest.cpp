#include "platform/AtomicFile.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "Scratch.h"

namespace {

using testutil::ReadFile;
using testutil::WriteFile;

TEST(AtomicFileWriter, OldContentStaysUntilCommitAndNothingIsLeftOver) {
  testutil::ScratchFolder dir;
  const std::string doc = dir / "doc.plw";
  ASSERT_TRUE(WriteFile(doc, "old content"));
  AtomicFileWriter out;
  ASSERT_TRUE(out.Open(Utf8ToWide(doc)));
  const std::string temp = WideToUtf8(out.TempPath());
  EXPECT_EQ(temp.rfind(dir.Path() + "/", 0), 0u) << "temporary must be in the destination's folder";
  ASSERT_TRUE(out.Write("new ", 4));
  ASSERT_TRUE(out.Write(std::string(200000, 'x')));
  EXPECT_EQ(ReadFile(doc), "old content");
  ASSERT_TRUE(out.Commit()) << out.LastError();
  EXPECT_EQ(ReadFile(doc), "new " + std::string(200000, 'x'));
  EXPECT_FALSE(testutil::Exists(temp));
  EXPECT_EQ(testutil::ListNames(dir.Path()), std::vector<std::string>{"doc.plw"});
  EXPECT_FALSE(out.IsOpen());
}

TEST(AtomicFileWriter, AbortAndDestructionLeaveTheOldFile) {
  testutil::ScratchFolder dir;
  const std::string doc = dir / "doc.plw";
  ASSERT_TRUE(WriteFile(doc, "old"));
  {
    AtomicFileWriter out;
    ASSERT_TRUE(out.Open(Utf8ToWide(doc)));
    ASSERT_TRUE(out.Write("new", 3));
    out.Abort();
    EXPECT_FALSE(out.Commit());
  }
  {
    AtomicFileWriter out;
    ASSERT_TRUE(out.Open(Utf8ToWide(doc)));
    ASSERT_TRUE(out.Write("new", 3));
  }
  EXPECT_EQ(ReadFile(doc), "old");
  EXPECT_EQ(testutil::ListNames(dir.Path()), std::vector<std::string>{"doc.plw"});
}

TEST(AtomicFileWriter, CreatesANewFileAndKeepsTheModeOfAReplacedOne) {
  testutil::ScratchFolder dir;
  const std::string fresh = dir / "fresh.txt";
  AtomicFileWriter out;
  ASSERT_TRUE(out.Open(Utf8ToWide(fresh)));
  ASSERT_TRUE(out.Commit());
  EXPECT_TRUE(testutil::Exists(fresh));
  EXPECT_EQ(ReadFile(fresh), "");
  const mode_t mask = ::umask(022);
  ::umask(mask);
  struct stat st {};
  ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);

  ASSERT_EQ(::chmod(fresh.c_str(), 0640), 0);
  ASSERT_TRUE(out.Open(Utf8ToWide(fresh)));
  ASSERT_TRUE(out.Write("x", 1));
  ASSERT_TRUE(out.Commit());
  ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(AtomicFileWriter, ASymbolicLinkKeepsPointingAtTheNewContent) {
  testutil::ScratchFolder dir;
  ASSERT_EQ(::mkdir((dir / "real").c_str(), 0700), 0);
  ASSERT_TRUE(WriteFile(dir / "real/doc.plw", "old"));
  ASSERT_EQ(::symlink("real/doc.plw", (dir / "link.plw").c_str()), 0);
  AtomicFileWriter out;
  ASSERT_TRUE(out.Open(Utf8ToWide(dir / "link.plw")));
  ASSERT_TRUE(out.Write("new", 3));
  ASSERT_TRUE(out.Commit());
  struct stat st {};
  ASSERT_EQ(::lstat((dir / "link.plw").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadFile(dir / "real/doc.plw"), "new");
}

// A chain of links: every link stays a link, and the file at the end of the chain gets the new
// content. Each link is read relative to its own folder.
TEST(AtomicFileWriter, EveryLinkOfAChainKeepsPointing) {
  testutil::ScratchFolder dir;
  ASSERT_EQ(::mkdir((dir / "real").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((dir / "links").c_str(), 0700), 0);
  ASSERT_TRUE(WriteFile(dir / "real/doc.plw", "old"));
  struct Case {
    const char* what;
    std::string second;  // where the middle link points
  } cases[] = {
      {"relative", "../real/doc.plw"},
      {"absolute", dir / "real/doc.plw"},
  };
  for (const Case& c : cases) {
    testutil::RemoveTree(dir / "links/middle.plw");
    testutil::RemoveTree(dir / "first.plw");
    ASSERT_EQ(::symlink(c.second.c_str(), (dir / "links/middle.plw").c_str()), 0);
    ASSERT_EQ(::symlink("links/middle.plw", (dir / "first.plw").c_str()), 0);
    AtomicFileWriter out;
    ASSERT_TRUE(out.Open(Utf8ToWide(dir / "first.plw"))) << c.what;
    ASSERT_TRUE(out.Write(c.what, std::strlen(c.what)));
    ASSERT_TRUE(out.Commit()) << c.what;
    struct stat st {};
    for (const char* link : {"first.plw", "links/middle.plw"}) {
      ASSERT_EQ(::lstat((dir / link).c_str(), &st), 0) << c.what << " " << link;
      EXPECT_TRUE(S_ISLNK(st.st_mode)) << c.what << " " << link;
    }
    EXPECT_EQ(ReadFile(dir / "real/doc.plw"), c.what);
    EXPECT_EQ(testutil::ListNames(dir / "links"), std::vector<std::string>{"middle.plw"}) << c.what;
    EXPECT_EQ(testutil::ListNames(dir / "real"), std::vector<std::string>{"doc.plw"}) << c.what;
  }
}

TEST(AtomicFileWriter, RefusesAFolderAndAMissingFolder) {
  testutil::ScratchFolder dir;
  AtomicFileWriter out;
  EXPECT_FALSE(out.Open(Utf8ToWide(dir.Path())));
  EXPECT_EQ(out.LastError(), EISDIR);
  EXPECT_FALSE(out.Open(Utf8ToWide(dir / "missing/doc.plw")));
  EXPECT_EQ(out.LastError(), ENOENT);
  EXPECT_FALSE(out.Write("x", 1));
  EXPECT_FALSE(out.Commit());
}

// A link that leads to a pipe (or a device, or a socket) must not get the pipe replaced by a
// regular file: the save is refused and the pipe stays where it was.
TEST(AtomicFileWriter, RefusesToReplaceAnythingButARegularFile) {
  testutil::ScratchFolder dir;
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  ASSERT_EQ(::symlink("pipe", (dir / "link").c_str()), 0);
  for (const char* name : {"pipe", "link"}) {
    AtomicFileWriter out;
    EXPECT_FALSE(out.Open(Utf8ToWide(dir / name))) << name;
    EXPECT_EQ(out.LastError(), EINVAL) << name;
    EXPECT_FALSE(out.Commit()) << name;
  }
  struct stat st {};
  ASSERT_EQ(::lstat((dir / "pipe").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  ASSERT_EQ(::lstat((dir / "link").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

// A disk that fills up during the save: the save fails with ENOSPC, the old file is intact
// and no temporary file is left behind.
TEST(AtomicFileWriter, AFullDiskFailsTheSaveAndKeepsTheOldFile) {
  std::string why;
  const int result = testutil::RunOnFreshMount(
      "tmpfs", "size=64k",
      [](const std::string& mnt) {
        const std::string doc = mnt + "/doc.plw";
        if (!WriteFile(doc, "old content")) return 10;
        AtomicFileWriter out;
        if (!out.Open(Utf8ToWide(doc))) return 11;
        const std::string big(1 << 20, 'x');
        const bool wrote = out.Write(big);
        const bool committed = out.Commit();
        if (wrote && committed) return 12;
        if (committed) return 13;
        if (out.LastError() != ENOSPC) return 14;
        if (ReadFile(doc) != "old content") return 15;
        if (testutil::ListNames(mnt) != std::vector<std::string>{"doc.plw"}) return 16;
        return 0;
      },
      why);
  if (result < 0) GTEST_SKIP() << why;
  EXPECT_EQ(result, 0) << "12: a full disk was reported as success; 14: wrong error; 15: old file damaged; "
                          "16: temporary left behind";
}

// The same with a file-size limit, which every machine allows: the write fails with EFBIG.
TEST(AtomicFileWriter, AWriteErrorFailsTheSave) {
  testutil::ScratchFolder dir;
  const std::string doc = dir / "doc.plw";
  ASSERT_TRUE(WriteFile(doc, "old content"));
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    AtomicFileWriter out;
    if (!out.Open(Utf8ToWide(doc))) ::_exit(11);
    const bool wrote = out.Write(std::string(100000, 'y'));
    const bool committed = out.Commit();
    ::_exit(committed ? 12 : (wrote && out.LastError() != EFBIG) ? 13 : (out.LastError() == EFBIG ? 0 : 14));
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadFile(doc), "old content");
  EXPECT_EQ(testutil::ListNames(dir.Path()), std::vector<std::string>{"doc.plw"});
}

TEST(AtomicFileWriter, WriteAtPatchesWrittenBytesOnly) {
  testutil::ScratchFolder dir;
  const std::string doc = dir / "movie.bin";
  AtomicFileWriter out;
  ASSERT_TRUE(out.Open(Utf8ToWide(doc)));
  ASSERT_TRUE(out.Write("HEADER--"));
  ASSERT_TRUE(out.Write(std::string(100000, 'b')));
  ASSERT_TRUE(out.WriteAt(0, "head", 4));
  ASSERT_TRUE(out.WriteAt(100004, "END!", 4)) << "a patch may end exactly at the end";
  ASSERT_TRUE(out.Write("tail"));
  ASSERT_TRUE(out.Commit()) << out.LastError();
  EXPECT_EQ(ReadFile(doc), "headER--" + std::string(99996, 'b') + "END!" + "tail");

  AtomicFileWriter bad;
  ASSERT_TRUE(bad.Open(Utf8ToWide(doc)));
  ASSERT_TRUE(bad.Write("12345"));
  EXPECT_FALSE(bad.WriteAt(3, "xyz", 3)) << "past what was written";
  EXPECT_EQ(bad.LastError(), EINVAL);
  EXPECT_FALSE(bad.Commit());
  EXPECT_EQ(ReadFile(doc), "headER--" + std::string(99996, 'b') + "END!" + "tail");
}

}  // namespace
