#include "platform/FileCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Scratch.h"
#include "host/ResourceFork.h"

namespace {

using testutil::Exists;
using testutil::ListNames;
using testutil::ReadFile;
using testutil::WriteFile;

WideString W(const std::string& utf8) { return Utf8ToWide(utf8); }

bool HasXattrs(const std::string& folder) {
  const std::string probe = folder + "/probe";
  WriteFile(probe, "");
  const bool ok = ::setxattr(probe.c_str(), "user.plenwick.probe", "1", 1, 0) == 0;
  ::unlink(probe.c_str());
  return ok;
}

TEST(FileCopy, ATreeCopiesWithContentForksAttributesModesAndLinks) {
  testutil::ScratchFolder dir;
  const bool xattrs = HasXattrs(dir.Path());
  const std::string src = dir / "src";
  ASSERT_EQ(::mkdir(src.c_str(), 0750), 0);
  ASSERT_EQ(::mkdir((src + "/sub").c_str(), 0700), 0);
  ASSERT_TRUE(WriteFile(src + "/empty", ""));
  ASSERT_TRUE(WriteFile(src + "/sub/data.bin", std::string(300000, 'd')));
  ASSERT_EQ(::chmod((src + "/sub/data.bin").c_str(), 0640), 0);
  ASSERT_EQ(host::fs::WriteResourceFork(src + "/sub/data.bin", "resources"), 0);
  ASSERT_EQ(host::fs::WriteResourceFork(src + "/empty", ""), 0);
  if (xattrs) {
    ASSERT_EQ(::setxattr((src + "/empty").c_str(), "user.com.apple.FinderInfo", "TEXTttex", 8, 0), 0);
  }
  ASSERT_EQ(::symlink("/etc", (src + "/sub/outside").c_str()), 0);
  const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (src + "/sub/data.bin").c_str(), times, 0), 0);

  const std::string out = dir / "out";
  ASSERT_EQ(::mkdir(out.c_str(), 0700), 0);
  WideString made;
  ASSERT_TRUE(CopyFileOrFolder(W(src), W(out), nullptr, kDuplicateFail, &made));
  EXPECT_EQ(made, W(out + "/src/"));
  EXPECT_EQ(ListNames(out + "/src"), (std::vector<std::string>{"._empty", "empty", "sub"}));
  EXPECT_EQ(ListNames(out + "/src/sub"), (std::vector<std::string>{"._data.bin", "data.bin", "outside"}));
  EXPECT_EQ(ReadFile(out + "/src/sub/data.bin"), std::string(300000, 'd'));
  std::string fork;
  bool exists = false;
  ASSERT_EQ(host::fs::ReadResourceFork(out + "/src/sub/data.bin", fork, exists), 0);
  EXPECT_EQ(fork, "resources");
  ASSERT_EQ(host::fs::ReadResourceFork(out + "/src/empty", fork, exists), 0);
  EXPECT_TRUE(exists) << "an empty fork exists in the copy";
  struct stat st {};
  ASSERT_EQ(::lstat((out + "/src/sub/outside").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode)) << "links are copied as links";
  ASSERT_EQ(::stat((out + "/src/sub/data.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
  ASSERT_EQ(::stat((out + "/src").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0750u);
  if (xattrs) {
    char info[8];
    EXPECT_EQ(::getxattr((out + "/src/empty").c_str(), "user.com.apple.FinderInfo", info, sizeof info), 8);
  }
}

TEST(FileCopy, AFolderIsNeverCopiedIntoItself) {
  testutil::ScratchFolder dir;
  ASSERT_EQ(::mkdir((dir / "a").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((dir / "a/b").c_str(), 0700), 0);
  ASSERT_EQ(::symlink("a/b", (dir / "link-to-b").c_str()), 0);
  for (const std::string& into : {dir / "a", dir / "a/b", dir / "link-to-b", dir / "a/b/../b"}) {
    EXPECT_EQ(CopyObject(FileRef{dir / "a"}, FileRef{into}, 0, kDuplicateUniqueName, nullptr, nullptr, nullptr),
              host::kCopyIntoItselfErr)
        << into;
  }
  EXPECT_EQ(ListNames(dir / "a"), std::vector<std::string>{"b"});
  EXPECT_TRUE(ListNames(dir / "a/b").empty());
}

TEST(FileCopy, DuplicateNames) {
  testutil::ScratchFolder dir;
  ASSERT_EQ(::mkdir((dir / "to").c_str(), 0700), 0);
  ASSERT_TRUE(WriteFile(dir / "photo.png", "new"));
  for (const char* name : {"photo.png", "photo 1.png", "photo 2.png"})
    ASSERT_TRUE(WriteFile(dir / ("to/" + std::string(name)), "old"));
  const FileRef source{dir / "photo.png"};
  const FileRef to{dir / "to"};
  FileRef made;
  EXPECT_EQ(CopyObject(source, to, 0, kDuplicateFail, nullptr, nullptr, &made), host::kDuplicateErr);
  ASSERT_EQ(CopyObject(source, to, 0, kDuplicateUniqueName, nullptr, nullptr, &made), 0);
  EXPECT_EQ(made.path, dir / "to/photo 3.png");
  EXPECT_EQ(ReadFile(dir / "to/photo 3.png"), "new");
  ASSERT_EQ(CopyObject(source, to, 0, kDuplicateReplace, nullptr, nullptr, &made), 0);
  EXPECT_EQ(ReadFile(dir / "to/photo.png"), "new");
  EXPECT_EQ(ListNames(dir / "to"),
            (std::vector<std::string>{"photo 1.png", "photo 2.png", "photo 3.png", "photo.png"}));
  const WideString renamed = L"README";
  ASSERT_EQ(CopyObject(source, to, 0, kDuplicateFail, &renamed, nullptr, &made), 0);
  ASSERT_EQ(CopyObject(source, to, 0, kDuplicateUniqueName, &renamed, nullptr, &made), 0);
  EXPECT_EQ(made.path, dir / "to/README 1");
  EXPECT_EQ(CopyObject(FileRef{}, to, 0, kDuplicateFail, nullptr, nullptr, &made), host::kParamErr);
  EXPECT_EQ(CopyObject(source, source, 0, kDuplicateFail, nullptr, nullptr, &made), host::kNotAFolderErr);
}

// A replacing copy that fails leaves the old item as it was and no partial copy.
TEST(FileCopy, AFailedReplaceRestoresTheOldItem) {
  testutil::ScratchFolder dir;
  ASSERT_EQ(::mkdir((dir / "src").c_str(), 0700), 0);
  for (const char* name : {"a", "b", "c"}) ASSERT_TRUE(WriteFile(dir / ("src/" + std::string(name)), name));
  ASSERT_EQ(::mkdir((dir / "to").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((dir / "to/src").c_str(), 0700), 0);
  ASSERT_TRUE(WriteFile(dir / "to/src/old", "old"));
  int seen = 0;
  const CopyFilter stopAtSecond = [&](const struct stat&, const FileRef&, int level) -> host::OSErr {
    EXPECT_EQ(level, 1);
    return ++seen == 2 ? host::OSErr{-9999} : host::OSErr{0};
  };
  EXPECT_EQ(CopyObject(FileRef{dir / "src"}, FileRef{dir / "to"}, 0, kDuplicateReplace, nullptr, stopAtSecond, nullptr),
            -9999);
  EXPECT_EQ(ListNames(dir / "to"), std::vector<std::string>{"src"});
  EXPECT_EQ(ListNames(dir / "to/src"), std::vector<std::string>{"old"});
  // Without a replace the partial tree goes as well.
  seen = 0;
  const WideString other = L"other";
  EXPECT_EQ(CopyObject(FileRef{dir / "src"}, FileRef{dir / "to"}, 0, kDuplicateFail, &other, stopAtSecond, nullptr),
            -9999);
  EXPECT_EQ(ListNames(dir / "to"), std::vector<std::string>{"src"});
}

TEST(FileCopy, LevelLimitAndChunks) {
  testutil::ScratchFolder dir;
  ASSERT_EQ(::mkdir((dir / "t").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((dir / "t/l1").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((dir / "t/l1/l2").c_str(), 0700), 0);
  ASSERT_TRUE(WriteFile(dir / "t/l1/l2/deep", "x"));
  ASSERT_TRUE(WriteFile(dir / "t/big", std::string(1000000, 'b')));
  ASSERT_EQ(::mkdir((dir / "to").c_str(), 0700), 0);
  std::vector<size_t> chunks;
  SetCopyChunkObserverForTesting([&](size_t bytes) { chunks.push_back(bytes); });
  ASSERT_EQ(CopyObject(FileRef{dir / "t"}, FileRef{dir / "to"}, 2, kDuplicateFail, nullptr, nullptr, nullptr), 0);
  SetCopyChunkObserverForTesting(nullptr);
  EXPECT_EQ(chunks, (std::vector<size_t>{262144, 262144, 262144, 213568}));
  EXPECT_TRUE(Exists(dir / "to/t/l1/l2")) << "the folder at the limit is made";
  EXPECT_FALSE(Exists(dir / "to/t/l1/l2/deep")) << "but not filled";
}

}  // namespace
