#include "platform/FileSystem.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "Scratch.h"
#include "host/ResourceFork.h"
#include "platform/FolderListing.h"

namespace {

using testutil::Exists;
using testutil::ReadFile;
using testutil::WriteFile;

WideString W(const std::string& utf8) { return Utf8ToWide(utf8); }

TEST(FileSystem, PathIsFolder) {
  testutil::ScratchFolder dir;
  ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0700), 0);
  ASSERT_TRUE(WriteFile(dir / "file", "x"));
  ASSERT_EQ(::symlink("sub", (dir / "link").c_str()), 0);
  const struct {
    std::string path;
    bool folder;
  } cases[] = {
      {dir / "sub", true},           {dir / "sub/", true}, {dir / "file", false}, {dir / "link", true},
      {dir / "missing", false},  // its parent is a folder, the path names nothing
      {dir / "sub/missing/", false}, {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(PathIsFolder(W(c.path)), c.folder) << c.path;
}

TEST(FileSystem, CreateFolderAtPath) {
  testutil::ScratchFolder dir;
  WideString path = W(dir / "new");
  ASSERT_TRUE(CreateFolderAtPath(path));
  EXPECT_EQ(path, W(dir / "new/"));
  EXPECT_TRUE(PathIsFolder(path));
  EXPECT_TRUE(CreateFolderAtPath(path)) << "an existing folder is success";
  WideString nested = W(dir / "a/b");
  EXPECT_FALSE(CreateFolderAtPath(nested)) << "only the last level is created";
  ASSERT_TRUE(WriteFile(dir / "file", "x"));
  WideString onFile = W(dir / "file");
  EXPECT_FALSE(CreateFolderAtPath(onFile));
}

TEST(FileSystem, DeleteFileTakesTheResourceForkAlong) {
  testutil::ScratchFolder dir;
  const std::string file = dir / "f.bin";
  ASSERT_TRUE(WriteFile(file, "data"));
  ASSERT_EQ(host::fs::WriteResourceFork(file, "fork"), 0);
  ASSERT_TRUE(Exists(dir / "._f.bin"));
  EXPECT_TRUE(DeleteFileAtPath(W(file)));
  EXPECT_FALSE(Exists(file));
  EXPECT_FALSE(Exists(dir / "._f.bin"));
  EXPECT_TRUE(DeleteFileAtPath(W(file))) << "nothing there is success";
  ASSERT_EQ(::mkdir((dir / "empty").c_str(), 0700), 0);
  EXPECT_TRUE(DeleteFileAtPath(W(dir / "empty")));
  ASSERT_EQ(::mkdir((dir / "full").c_str(), 0700), 0);
  ASSERT_TRUE(WriteFile(dir / "full/x", "x"));
  EXPECT_FALSE(DeleteFileAtPath(W(dir / "full")));
}

// A recursive delete removes links inside the tree as links: folders and files they point
// to outside the tree survive.
TEST(FileSystem, RecursiveDeleteNeverFollowsLinksOutOfTheFolder) {
  testutil::ScratchFolder dir;
  const std::string outside = dir / "outside";
  ASSERT_EQ(::mkdir(outside.c_str(), 0700), 0);
  ASSERT_TRUE(WriteFile(outside + "/precious.txt", "keep me"));
  const std::string tree = dir / "tree";
  ASSERT_EQ(::mkdir(tree.c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((tree + "/sub").c_str(), 0700), 0);
  ASSERT_TRUE(WriteFile(tree + "/sub/a.txt", "a"));
  ASSERT_TRUE(WriteFile(tree + "/locked.txt", "l"));
  ASSERT_EQ(::chmod((tree + "/locked.txt").c_str(), 0444), 0);
  ASSERT_EQ(::symlink(outside.c_str(), (tree + "/sub/to-folder").c_str()), 0);
  ASSERT_EQ(::symlink((outside + "/precious.txt").c_str(), (tree + "/to-file").c_str()), 0);
  ASSERT_EQ(::symlink("..", (tree + "/sub/loop").c_str()), 0);
  ASSERT_EQ(::chmod((tree + "/sub").c_str(), 0500), 0);  // a read-only folder

  EXPECT_TRUE(DeleteFolderAtPath(W(tree), true));
  EXPECT_FALSE(Exists(tree));
  EXPECT_EQ(ReadFile(outside + "/precious.txt"), "keep me");
  EXPECT_EQ(testutil::ListNames(outside), std::vector<std::string>{"precious.txt"});
  EXPECT_EQ(testutil::ListNames(dir.Path()), std::vector<std::string>{"outside"});
}

TEST(FileSystem, DeletingALinkToAFolderDeletesOnlyTheLink) {
  testutil::ScratchFolder dir;
  ASSERT_EQ(::mkdir((dir / "real").c_str(), 0700), 0);
  ASSERT_TRUE(WriteFile(dir / "real/x", "x"));
  ASSERT_EQ(::symlink("real", (dir / "link").c_str()), 0);
  EXPECT_TRUE(DeleteFolderAtPath(W(dir / "link"), true));
  EXPECT_FALSE(Exists(dir / "link"));
  EXPECT_EQ(ReadFile(dir / "real/x"), "x");
  EXPECT_EQ(DeleteObjectTree(FileRef{dir / "real/x"}), host::kDirNotFoundErr);
  EXPECT_EQ(DeleteObjectTree(FileRef{dir / "link"}), host::kDirNotFoundErr);
  EXPECT_FALSE(DeleteFolderAtPath(W(dir / "real"), false)) << "not empty, not recursive";
  EXPECT_TRUE(Exists(dir / "real/x"));
}

// Renaming over an existing file swaps the files in one step: the folder never sees the
// old file deleted (a delete-then-rename would show IN_DELETE for it).
TEST(FileSystem, RenamePathReplacesWithoutDeletingTheTargetFirst) {
  testutil::ScratchFolder dir;
  ASSERT_TRUE(WriteFile(dir / "doc.plw", "old"));
  ASSERT_TRUE(WriteFile(dir / "new.tmp", "new"));
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch < 0) GTEST_SKIP() << "inotify is not available: " << std::strerror(errno);
  ASSERT_GE(::inotify_add_watch(watch, dir.Path().c_str(), IN_DELETE | IN_MOVED_TO), 0);
  WideString path = W(dir / "new.tmp");
  ASSERT_TRUE(RenamePath(path, L"doc.plw"));
  EXPECT_EQ(path, W(dir / "doc.plw"));
  EXPECT_EQ(ReadFile(dir / "doc.plw"), "new");
  alignas(inotify_event) char buffer[4096];
  const ssize_t n = ::read(watch, buffer, sizeof buffer);
  ::close(watch);
  ASSERT_GT(n, 0);
  bool deleted = false;
  bool moved = false;
  for (ssize_t at = 0; at < n;) {
    const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
    if (event->len > 0 && std::string(event->name) == "doc.plw") {
      deleted = deleted || (event->mask & IN_DELETE) != 0;
      moved = moved || (event->mask & IN_MOVED_TO) != 0;
    }
    at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
  }
  EXPECT_TRUE(moved);
  EXPECT_FALSE(deleted) << "the old file was deleted before the new one took its place";
}

TEST(FileSystem, RenamePathCases) {
  testutil::ScratchFolder dir;
  ASSERT_TRUE(WriteFile(dir / "a.txt", "a"));
  ASSERT_EQ(host::fs::WriteResourceFork(dir / "a.txt", "fork"), 0);
  WideString path = W(dir / "a.txt");
  ASSERT_TRUE(RenamePath(path, L"b.txt"));
  EXPECT_EQ(path, W(dir / "b.txt"));
  EXPECT_TRUE(host::fs::HasResourceFork(dir / "b.txt")) << "the fork moves with the file";
  EXPECT_FALSE(Exists(dir / "._a.txt"));

  // A folder that holds things is not replaced; both stay.
  ASSERT_EQ(::mkdir((dir / "f1").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((dir / "f2").c_str(), 0700), 0);
  ASSERT_TRUE(WriteFile(dir / "f2/keep", "k"));
  WideString folder = W(dir / "f1");
  EXPECT_FALSE(RenamePath(folder, L"f2"));
  EXPECT_TRUE(Exists(dir / "f1"));
  EXPECT_EQ(ReadFile(dir / "f2/keep"), "k");
  ASSERT_TRUE(RenamePath(folder, L"f3"));
  EXPECT_EQ(folder, W(dir / "f3/"));

  WideString missing = W(dir / "missing");
  EXPECT_FALSE(RenamePath(missing, L"x"));
  WideString bad = W(dir / "b.txt");
  EXPECT_FALSE(RenamePath(bad, L"../escape"));
  EXPECT_TRUE(Exists(dir / "b.txt"));
}

TEST(FileSystem, RenameToBackupName) {
  testutil::ScratchFolder dir;
  ASSERT_TRUE(WriteFile(dir / "doc.plw", "v2"));
  WideString out;
  ASSERT_TRUE(RenameToBackupName(out, W(dir / "doc.plw"), false));
  EXPECT_EQ(out, W(dir / "doc.plw~"));
  EXPECT_EQ(ReadFile(dir / "doc.plw~"), "v2");
  EXPECT_FALSE(Exists(dir / "doc.plw"));

  ASSERT_TRUE(WriteFile(dir / "doc.plw", "v3"));
  EXPECT_FALSE(RenameToBackupName(out, W(dir / "doc.plw"), false)) << "backup taken, no replace";
  EXPECT_EQ(ReadFile(dir / "doc.plw"), "v3");
  ASSERT_TRUE(RenameToBackupName(out, W(dir / "doc.plw"), true));
  EXPECT_EQ(ReadFile(dir / "doc.plw~"), "v3");
  EXPECT_FALSE(RenameToBackupName(out, W(dir / "doc.plw"), true)) << "nothing to back up";
}

TEST(FileSystem, MakeUniqueFilePath) {
  testutil::ScratchFolder dir;
  WideString out;
  ASSERT_TRUE(MakeUniqueFilePath(out, W(dir / "photo.png")));
  EXPECT_EQ(out, W(dir / "photo__.png"));
  ASSERT_TRUE(WriteFile(dir / "photo__.png", ""));
  ASSERT_TRUE(WriteFile(dir / "photo__0.png", ""));
  ASSERT_TRUE(MakeUniqueFilePath(out, W(dir / "photo.png")));
  EXPECT_EQ(out, W(dir / "photo__1.png"));
  ASSERT_TRUE(MakeUniqueFilePath(out, W(dir / "README")));
  EXPECT_EQ(out, W(dir / "README__"));
  ASSERT_TRUE(WriteFile(dir / "README__", ""));
  ASSERT_TRUE(MakeUniqueFilePath(out, W(dir / "README")));
  EXPECT_EQ(out, W(dir / "README__0"));
  for (int n = 0; n <= 999; ++n) ASSERT_TRUE(WriteFile(dir / ("x__" + std::to_string(n) + ".a"), ""));
  ASSERT_TRUE(WriteFile(dir / "x__.a", ""));
  EXPECT_FALSE(MakeUniqueFilePath(out, W(dir / "x.a")));
  EXPECT_EQ(out, W(dir / "x__999.a"));
}

TEST(FileSystem, BundleAndApplicationFolder) {
  WideString out;
  ASSERT_TRUE(GetBundleResourcePath(out, L"Localizable.strings"));
  EXPECT_EQ(out, W(std::string(PLENWICK_BUNDLE_DIR) + "/Resources/Localizable.strings"));
  EXPECT_FALSE(GetBundleResourcePath(out, L"no such resource"));
  ASSERT_TRUE(GetAppFolderItemPath(out, L"Preloaders"));
  EXPECT_EQ(GetParentFolderPath(out, true) + L"Plenwick.app", W(std::string(PLENWICK_BUNDLE_DIR)));
}

TEST(FolderListing, ListsInNameOrderWithoutSideFiles) {
  testutil::ScratchFolder dir;
  for (const char* name : {"b.txt", "A.txt", "c", "a.txt", "._a.txt", "._orphan"})
    ASSERT_TRUE(WriteFile(dir / name, ""));
  ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0700), 0);
  WideString path;
  bool isFolder = true;
  std::vector<std::pair<std::string, bool>> seen;
  for (bool ok = FindFirstFolderItem(W(dir.Path()), path, isFolder); ok; ok = FindNextFolderItem(path, isFolder)) {
    seen.emplace_back(WideToUtf8(path), isFolder);
  }
  EXPECT_TRUE(FindCloseFolderItems());
  const std::vector<std::pair<std::string, bool>> expected = {
      {dir / "._orphan", false}, {dir / "A.txt", false}, {dir / "a.txt", false},
      {dir / "b.txt", false},    {dir / "c", false},     {dir / "folder/", true},
  };
  EXPECT_EQ(seen, expected);
  EXPECT_FALSE(FindNextFolderItem(path, isFolder)) << "closed";

  // A new listing replaces one still open.
  ASSERT_TRUE(FindFirstFolderItem(W(dir.Path()), path, isFolder));
  ASSERT_TRUE(FindFirstFolderItem(W(dir / "folder"), path, isFolder) == false);  // empty folder
  EXPECT_FALSE(FindNextFolderItem(path, isFolder));
  EXPECT_FALSE(FindFirstFolderItem(W(dir / "missing"), path, isFolder));
  FindCloseFolderItems();
}

TEST(FolderListing, FindFileInFolderTree) {
  testutil::ScratchFolder dir;
  ASSERT_EQ(::mkdir((dir / "a").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((dir / "b").c_str(), 0700), 0);
  ASSERT_TRUE(WriteFile(dir / "b/Target.swf", ""));
  ASSERT_TRUE(WriteFile(dir / "a/target.SWF", ""));
  ASSERT_EQ(::symlink("..", (dir / "a/loop").c_str()), 0);  // a cycle that must not be entered
  WideString out;
  ASSERT_TRUE(FindFileInFolderTree(L"TARGET.swf", W(dir.Path()), out));
  EXPECT_EQ(out, W(dir / "a/target.SWF")) << "depth first in name order";
  EXPECT_FALSE(FindFileInFolderTree(L"none", W(dir.Path()), out));
}

TEST(FolderListing, PathListSortsByFileNameIgnoringCase) {
  PathList list;
  list.AddAbsolute(L"/x/beta.png");
  list.AddAbsolute(L"/y/Alpha.png");
  list.AddAbsolute(L"/a/gamma.png");
  list.AddAbsolute(L"rel/alpha.png");
  list.SortByName();
  ASSERT_EQ(list.Count(), 4u);
  EXPECT_EQ(list.At(0), WideString(L"/y/Alpha.png"));
  EXPECT_EQ(list.At(1), GetMainBundlePath() + L"rel/alpha.png");
  EXPECT_EQ(list.At(2), WideString(L"/x/beta.png"));
  EXPECT_EQ(list.At(3), WideString(L"/a/gamma.png"));
}

}  // namespace
