#include "platform/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Scratch.h"

namespace {

TEST(Paths, PathStyle) {
  const struct {
    const wchar_t* path;
    int style;
  } cases[] = {
      {L"Macintosh HD:Users:me", kHfsPathStyle},
      {L"/Users/me", kPosixPathStyle},
      {L"file:///x:y", kPosixPathStyle},
      {L"a:b/c", kPosixPathStyle},
      {L"", kPosixPathStyle},
  };
  for (const auto& c : cases) EXPECT_EQ(GetPathStyle(c.path), c.style) << WideToUtf8(c.path);
}

TEST(Paths, TrailingSlashAndSeparators) {
  const struct {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {{L"/a/b", L"/a/b/"}, {L"/a/b//\\", L"/a/b/"}, {L"", L""}, {L"//", L"/"}, {L"\\", L"/"}};
  for (const auto& c : cases) {
    WideString path = c.in;
    EnsureTrailingSlash(path);
    EXPECT_EQ(path, WideString(c.out)) << WideToUtf8(c.in);
  }
  EXPECT_EQ(NormalizePathSeparators(L"a:b\\c/d"), WideString(L"a/b/c/d"));
  EXPECT_TRUE(IsRelativePath(L"images/a.png"));
  EXPECT_FALSE(IsRelativePath(L"/a"));
  EXPECT_FALSE(IsRelativePath(L"\\a"));
  EXPECT_FALSE(IsRelativePath(L""));
}

TEST(Paths, AbsolutePathsAreRelativeToTheBundle) {
  const WideString bundle = GetMainBundlePath();
  ASSERT_FALSE(bundle.empty());
  EXPECT_EQ(bundle.back(), L'/');
  EXPECT_EQ(MakeAbsolutePath(L"images/a.png"), bundle + L"images/a.png");
  EXPECT_EQ(MakeAbsolutePath(L"\\x"), WideString(L"\\x"));
  EXPECT_EQ(MakeAbsolutePath(L"/a/../b"), WideString(L"/a/../b"));
  EXPECT_EQ(MakeAbsolutePath(L""), WideString());
  WideString out;
  AssignAbsolutePath(out, L"x");
  EXPECT_EQ(out, bundle + L"x");
}

TEST(Paths, TakingPathsApart) {
  EXPECT_EQ(GetParentFolderPath(L"/a/b/c.png", false), WideString(L"/a/b"));
  EXPECT_EQ(GetParentFolderPath(L"/a/b/c.png", true), WideString(L"/a/b/"));
  EXPECT_EQ(GetParentFolderPath(L"/a/b/", false), WideString(L"/a"));
  EXPECT_EQ(GetParentFolderPath(L"/a", true), WideString(L"/"));
  EXPECT_EQ(GetParentFolderPath(L"HD:Users:me", false), WideString(L"HD:Users"));
  EXPECT_EQ(GetParentFolderPath(L"HD:Users:me", true), WideString(L"HD:Users:"));
  EXPECT_EQ(GetParentFolderPath(L"", true), WideString());

  EXPECT_EQ(GetFileName(L"/a/b.tar.gz"), WideString(L"b.tar.gz"));
  EXPECT_EQ(GetFileName(L"/a/b.tar.gz", true), WideString(L"b.tar"));
  EXPECT_EQ(GetFileName(L"/a/folder/"), WideString(L"folder"));
  EXPECT_EQ(GetFileName(L""), WideString());
  EXPECT_EQ(GetPathExtension(L"/a/b.tar.gz"), WideString(L"gz"));
  EXPECT_EQ(GetPathExtension(L"/a/b.tar.gz", true), WideString(L".gz"));
  EXPECT_EQ(GetPathExtension(L"/a/README"), WideString());
  EXPECT_EQ(GetPathExtension(L"/a.d/README"), WideString()) << "a dot in a folder name is no extension";

  EXPECT_EQ(ReplacePathExtension(L"/a/movie.fla", L".swf"), WideString(L"/a/movie.swf"));
  EXPECT_EQ(ReplacePathExtension(L"/a/movie", L".swf"), WideString(L"/a/movie.swf"));
  EXPECT_EQ(ReplacePathExtension(L"/a/movie.fla", L""), WideString(L"/a/movie"));
  EXPECT_EQ(ReplaceFileName(L"/a/b/", L"c"), WideString(L"/a/b/c"));
  EXPECT_EQ(ReplaceFileName(L"/a/b", L"c"), WideString(L"/a/c"));
  EXPECT_EQ(ReplaceFileName(L"", L"c"), WideString(L"c"));
  WideString out;
  AppendPathComponent(out, L"x.png", L"/a/b//");
  EXPECT_EQ(out, WideString(L"/a/b/x.png"));
  EXPECT_TRUE(MakePathInFolder(out, L"x", L"res"));
  EXPECT_EQ(out, GetMainBundlePath() + L"res/x");
}

TEST(Paths, PathsDifferIgnoresCase) {
  EXPECT_FALSE(PathsDiffer(L"/A/b", L"/a/B"));
  EXPECT_TRUE(PathsDiffer(L"/a/b", L"/a/c"));
  EXPECT_TRUE(PathsDiffer(L"/a/b", L"/a/b/"));
}

TEST(Paths, NormalizePathResolvesDotsWithoutTheDisk) {
  const struct {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {
      {L"/a/b/../c", L"/a/c"},
      {L"/a/./b//c/", L"/a/b/c/"},
      {L"/..", L"/"},
      {L"/a/b/..", L"/a/"},
      {L"a/../../b", L"../b"},
      {L"./x", L"x"},
      {L"/", L"/"},
      {L".", L"."},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizePath(c.in), WideString(c.out)) << WideToUtf8(c.in);
}

TEST(Paths, RelativePaths) {
  const wchar_t* base = L"/Users/me/work/doc.plw";
  const struct {
    const wchar_t* base;
    const wchar_t* target;
    const wchar_t* relative;
  } cases[] = {
      {base, L"/Users/me/work/a.png", L"./a.png"},
      {base, L"/Users/me/work/img/a.png", L"./img/a.png"},
      {base, L"/Users/me/a.png", L"../a.png"},
      {base, L"/Users/me/other/a.png", L"../other/a.png"},
      {base, L"/a.png", L"../../../a.png"},
      {base, L"/Users/me/workshop/a.png", L"../workshop/a.png"},
      {base, L"/Users/me/work/", L"."},
      {base, L"", L""},
      // Dots in either path are resolved before the paths are compared.
      {L"/Users/me/x/../work/doc.plw", L"/Users/me/work/a.png", L"./a.png"},
      {L"/Users/me/work/./doc.plw", L"/Users/me/work/img/../a.png", L"./a.png"},
      {base, L"/Users/me/work/../other/a.png", L"../other/a.png"},
      // Components compare case-sensitively.
      {base, L"/Users/me/Work/a.png", L"../Work/a.png"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ComputeRelativePath(c.base, c.target), WideString(c.relative))
        << WideToUtf8(c.base) << " -> " << WideToUtf8(c.target);
  }
  EXPECT_EQ(MakeRelativePath(base, L"/Users/me/a.png"), WideString(L"../a.png"));
  EXPECT_EQ(RelativizePath(L"/Users/me/a.png", base), WideString(L"../a.png"));
}

TEST(Paths, ReferencesToObjectsOnDisk) {
  testutil::ScratchFolder dir;
  ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0700), 0);
  ASSERT_TRUE(testutil::WriteFile(dir / "sub/f.txt", "x"));
  ASSERT_EQ(::symlink("sub/f.txt", (dir / "alias").c_str()), 0);
  ASSERT_EQ(::symlink("alias", (dir / "alias2").c_str()), 0);

  FileRef ref;
  EXPECT_TRUE(PathToFSRef(Utf8ToWide(dir / "sub/"), ref));
  EXPECT_EQ(ref.path, dir / "sub");
  EXPECT_EQ(PathFromFSRef(ref), Utf8ToWide(dir / "sub/"));
  EXPECT_TRUE(PathToFSRef(Utf8ToWide(dir / "sub/f.txt"), ref));
  EXPECT_EQ(PathFromFSRef(ref), Utf8ToWide(dir / "sub/f.txt"));

  // A missing object: false, with the reference naming its folder for the creation helpers.
  EXPECT_FALSE(PathToFSRef(Utf8ToWide(dir / "sub/missing.txt"), ref));
  EXPECT_EQ(ref.path, dir / "sub");
  EXPECT_TRUE(PathToFSSpec(Utf8ToWide(dir / "sub/missing.txt")).IsNull());
  EXPECT_TRUE(PathToFSSpec(L"").IsNull());
  EXPECT_TRUE(ParentFolderFSRef(Utf8ToWide(dir / "sub/missing.txt"), ref));
  EXPECT_EQ(ref.path, dir / "sub");

  // Links stand for alias files: the reference names the link, resolving follows chains.
  const FileRef alias = PathToFSSpec(Utf8ToWide(dir / "alias2"));
  EXPECT_EQ(PathFromFSRef(alias), Utf8ToWide(dir / "alias2"));
  char real[4096];
  ASSERT_NE(::realpath((dir / "sub/f.txt").c_str(), real), nullptr);
  EXPECT_EQ(ResolveAliasFSRef(alias).path, std::string(real));
  EXPECT_EQ(ResolveAliasFSRef(ref), ref);

  EXPECT_TRUE(PathExists(Utf8ToWide(dir / "sub/f.txt")));
  EXPECT_TRUE(PathExists(Utf8ToWide(dir / "sub/")));
  EXPECT_FALSE(PathExists(Utf8ToWide(dir / "nothing")));
  EXPECT_FALSE(PathExists(L""));
  // Names are UTF-8 on disk.
  ASSERT_TRUE(testutil::WriteFile(dir / "\xce\xb1\xce\xb2.txt", "x"));
  EXPECT_TRUE(PathExists(Utf8ToWide(dir.Path()) + L"/\u03b1\u03b2.txt"));
}

}  // namespace
