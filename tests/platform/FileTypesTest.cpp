#include "platform/FileTypes.h"

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "Scratch.h"
#include "host/ResourceFork.h"
#include "platform/FileTypeTable.h"
#include "platform/ForkFile.h"

namespace {

using testutil::Exists;
using testutil::ReadFile;
using testutil::WriteFile;

WideString W(const std::string& utf8) { return Utf8ToWide(utf8); }

// Skips the test when the scratch folder's file system keeps no user attributes.
#define REQUIRE_XATTRS(folder)                                                                            \
  do {                                                                                                    \
    const std::string probe = (folder) / "xattr-probe";                                                   \
    WriteFile(probe, "");                                                                                 \
    const int rc = ::setxattr(probe.c_str(), "user.plenwick.probe", "1", 1, 0);                           \
    const int err = errno;                                                                                \
    ::unlink(probe.c_str());                                                                              \
    if (rc != 0) GTEST_SKIP() << "this file system keeps no extended attributes: " << std::strerror(err); \
  } while (0)

TEST(FileTypes, CreateFileWithTypeCreator) {
  testutil::ScratchFolder dir;
  REQUIRE_XATTRS(dir);
  const std::string path = dir / "movie.swf";
  FileTypeCreator swf(MakeFourCC("SWF2"), MakeFourCC("SWFL"));
  ASSERT_TRUE(CreateFileWithTypeCreator(W(path), &swf, false));
  FileTypeCreator read;
  ASSERT_TRUE(GetFileTypeCreator(W(path), read));
  EXPECT_EQ(read.type, MakeFourCC("SWFL"));
  EXPECT_EQ(read.creator, MakeFourCC("SWF2"));

  ASSERT_TRUE(WriteFile(path, "content"));
  EXPECT_FALSE(CreateFileWithTypeCreator(W(path), nullptr, false)) << "exists, no replace";
  EXPECT_EQ(ReadFile(path), "content");
  FileTypeCreator text(MakeFourCC("ttex"), MakeFourCC("TEXT"));
  ASSERT_TRUE(CreateFileWithTypeCreator(W(path), &text, true));
  EXPECT_EQ(ReadFile(path), "");
  ASSERT_TRUE(GetFileTypeCreator(W(path), read));
  EXPECT_EQ(read.type, MakeFourCC("TEXT"));
  EXPECT_EQ(read.creator, MakeFourCC("ttex"));

  ASSERT_TRUE(CreateFileWithTypeCreator(W(dir / "plain"), nullptr, false));
  ASSERT_TRUE(GetFileTypeCreator(W(dir / "plain"), read));
  EXPECT_EQ(read.type, kUnknownFileType);
  EXPECT_EQ(read.creator, kUnknownFileType);

  ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0700), 0);
  EXPECT_FALSE(CreateFileWithTypeCreator(W(dir / "folder"), nullptr, true));
  EXPECT_TRUE(testutil::ListNames(dir / "folder").empty());
}

TEST(FileTypes, CreateTypedFileAtPathAndFlags) {
  testutil::ScratchFolder dir;
  REQUIRE_XATTRS(dir);
  EXPECT_FALSE(CreateTypedFileAtPath(W(dir / "x/"), nullptr, true));
  ASSERT_TRUE(WriteFile(dir / "doc", "old"));
  EXPECT_FALSE(CreateTypedFileAtPath(W(dir / "doc"), nullptr, false));
  EXPECT_EQ(ReadFile(dir / "doc"), "old");
  FileTypeCreator rec(MakeFourCC("pPlw"), MakeFourCC("pPlw"));
  rec.invisible = 1;
  rec.locked = 1;
  ASSERT_TRUE(CreateTypedFileAtPath(W(dir / "doc"), &rec, true));
  FileTypeCreator read;
  ASSERT_TRUE(GetFileTypeCreator(W(dir / "doc"), read));
  EXPECT_EQ(read.type, MakeFourCC("pPlw"));
  EXPECT_EQ(read.invisible, 1);
  EXPECT_EQ(read.locked, 1);
  EXPECT_TRUE(IsLocked(FileRef{dir / "doc"}));
  ASSERT_TRUE(SetLockedFlag(FileRef{dir / "doc"}, false));
  ASSERT_TRUE(SetInvisibleFlag(FileRef{dir / "doc"}, false));
  ASSERT_TRUE(GetFileTypeCreator(W(dir / "doc"), read));
  EXPECT_EQ(read.invisible, 0);
  EXPECT_EQ(read.locked, 0);
  EXPECT_EQ(read.type, MakeFourCC("pPlw")) << "clearing a flag keeps the type";
  EXPECT_FALSE(GetFileTypeCreator(W(dir / "missing"), read));
}

TEST(FileTypes, RenameAndDeleteReportTheirResult) {
  testutil::ScratchFolder dir;
  ASSERT_TRUE(WriteFile(dir / "a", "a"));
  ASSERT_TRUE(WriteFile(dir / "b", "b"));
  EXPECT_TRUE(RenameFileAtPath(W(dir / "a"), L"c")) << "success is reported as success";
  EXPECT_EQ(ReadFile(dir / "c"), "a");
  EXPECT_FALSE(RenameFSRef(FileRef{dir / "c"}, L"b")) << "a taken name fails";
  EXPECT_EQ(ReadFile(dir / "b"), "b");
  EXPECT_FALSE(RenameFileAtPath(W(dir / "missing"), L"d"));
  EXPECT_TRUE(DeleteFSRef(FileRef{dir / "c"}));
  EXPECT_FALSE(Exists(dir / "c"));
  EXPECT_FALSE(DeleteFSRef(FileRef{dir / "c"}));
  FileRef spec;
  EXPECT_TRUE(FSRefToFSSpec(FileRef{dir / "b"}, spec));
  EXPECT_EQ(spec.path, dir / "b");
}

TEST(FileTypes, ChangeNameExtension) {
  const struct {
    const wchar_t* name;
    const wchar_t* ext;
    const wchar_t* result;
  } cases[] = {{L"movie.fla", L"swf", L"movie.swf"},
               {L"movie", L"swf", L"movie.swf"},
               {L"movie.fla", L"", L"movie"},
               {L"movie", L"", L"movie"},
               {L"a.b.c", L"d", L"a.b.d"}};
  for (const auto& c : cases) {
    WideString name = c.name;
    ChangeNameExtension(name, c.ext);
    EXPECT_EQ(name, WideString(c.result)) << WideToUtf8(c.name);
  }
}

TEST(FileTypes, StdioAndStreamsTakeAnyName) {
  testutil::ScratchFolder dir;
  const WideString path = W(dir.Path()) + L"/\u0391\u03b8\u03ae\u03bd\u03b1 \U0001F600.txt";
  FILE* file = OpenStdioFile(path, L"wb");
  ASSERT_NE(file, nullptr);
  std::fputs("hi", file);
  std::fclose(file);
  std::fstream stream;
  ASSERT_TRUE(OpenFStreamAtPath(path, stream, std::ios::in));
  std::string word;
  stream >> word;
  EXPECT_EQ(word, "hi");
  EXPECT_EQ(OpenStdioFile(W(dir / "missing"), L"rb"), nullptr);
}

TEST(FileTypeTable, Rows) {
  WideString out;
  ASSERT_TRUE(GetFileTypeExtensionList(MakeFourCC("JPEG"), out));
  EXPECT_EQ(out, WideString(L"jpg;jpeg"));
  ASSERT_TRUE(GetFileTypeExtensionList(MakeFourCC("SWFL"), out));
  EXPECT_EQ(out, WideString(L"swf"));
  ASSERT_TRUE(GetFileTypeExtension(MakeFourCC("TIFF"), out));
  EXPECT_EQ(out, WideString(L"tiff"));
  ASSERT_TRUE(GetFileTypeExtensionList(MakeFourCC("TIFF"), out));
  EXPECT_EQ(out, WideString(L"tif;tiff"));
  EXPECT_FALSE(GetFileTypeExtensionList(MakeFourCC("FLC "), out));
  EXPECT_FALSE(GetFileTypeExtension(MakeFourCC("FLC "), out));
  ASSERT_TRUE(GetFileTypeDescription(MakeFourCC("FLC "), out));
  EXPECT_EQ(out, WideString(L"FLC"));
  ASSERT_TRUE(GetFileTypeDescription(MakeFourCC("pPlw"), out));
  EXPECT_EQ(out, WideString(L"Plenwick Project"));
  EXPECT_FALSE(GetFileTypeDescription(MakeFourCC("zzzz"), out));
  EXPECT_TRUE(out.empty());
}

TEST(ForkFile, OpenFlagsPickTheAccess) {
  testutil::ScratchFolder dir;
  ASSERT_TRUE(WriteFile(dir / "f", "abc"));
  ForkFile fork;
  fork.SetPath(W(dir / "f"));
  ASSERT_TRUE(fork.OpenDataFork(6)) << "read wins over write";
  EXPECT_EQ(fork.Write("x", 1), 0);
  char buffer[8] = {};
  EXPECT_EQ(fork.Read(buffer, 8), 3);
  EXPECT_TRUE(fork.Close());
  EXPECT_FALSE(fork.Close()) << "nothing open";
  EXPECT_FALSE(fork.OpenDataFork(1));
  EXPECT_FALSE(fork.OpenDataFork(0x10));
  ASSERT_TRUE(fork.OpenDataFork(ForkFile::kReadWrite));
  EXPECT_EQ(fork.Write("XY", 2), 2);
  EXPECT_TRUE(fork.Close());
  EXPECT_EQ(ReadFile(dir / "f"), "XYc");
  ForkFile missing;
  missing.SetPath(W(dir / "missing"));
  EXPECT_FALSE(missing.OpenDataFork(ForkFile::kWrite));
  EXPECT_EQ(missing.LastError(), host::kFileNotFoundErr);
}

TEST(ForkFile, ALargeResourceForkRoundTripsThroughItsSideFile) {
  testutil::ScratchFolder dir;
  ASSERT_TRUE(WriteFile(dir / "projector", "data fork"));
  std::string fork(70000, '\0');
  for (size_t i = 0; i < fork.size(); ++i) fork[i] = static_cast<char>(i * 7);
  ForkFile file;
  file.SetPath(W(dir / "projector"));
  EXPECT_FALSE(file.OpenResourceFork(ForkFile::kRead)) << "no fork yet";
  ASSERT_TRUE(file.OpenResourceFork(ForkFile::kWrite));
  EXPECT_EQ(file.Write(fork.data(), static_cast<long>(fork.size())), static_cast<long>(fork.size()));
  ASSERT_TRUE(file.Close());
  EXPECT_EQ(ReadFile(dir / "projector"), "data fork");
  std::string back;
  bool exists = false;
  ASSERT_EQ(host::fs::ReadResourceFork(dir / "projector", back, exists), 0);
  EXPECT_TRUE(exists);
  EXPECT_EQ(back, fork);
  // The side file is AppleDouble: magic, version, one entry (id 2) at offset 38.
  const std::string side = ReadFile(dir / "._projector");
  ASSERT_EQ(side.size(), 38 + fork.size());
  EXPECT_EQ(side.substr(0, 8), std::string("\x00\x05\x16\x07\x00\x02\x00\x00", 8));
  EXPECT_EQ(side.substr(24, 14), std::string("\x00\x01\x00\x00\x00\x02\x00\x00\x00\x26\x00\x01\x11\x70", 14));

  // An empty fork exists as an empty fork.
  ASSERT_TRUE(WriteFile(dir / "empty", ""));
  file.SetPath(W(dir / "empty"));
  ASSERT_TRUE(file.OpenResourceFork(ForkFile::kReadWrite));
  ASSERT_TRUE(file.Close());
  ASSERT_EQ(host::fs::ReadResourceFork(dir / "empty", back, exists), 0);
  EXPECT_TRUE(exists);
  EXPECT_TRUE(back.empty());
}

TEST(ForkFile, DamagedSideFilesAreRefused) {
  testutil::ScratchFolder dir;
  ASSERT_TRUE(WriteFile(dir / "f", ""));
  std::string back;
  bool exists = false;
  const std::string header = std::string("\x00\x05\x16\x07\x00\x02\x00\x00", 8) + std::string(16, '\0');
  const std::string cases[] = {
      "short", std::string("\x00\x05\x16\x08", 4) + std::string(30, '\0'),                   // wrong magic
      header + std::string("\x00\x05", 2),                                                   // entries past the end
      header + std::string("\x00\x01\x00\x00\x00\x02\x00\x00\x00\x26\xff\xff\xff\xff", 14),  // data past the end
  };
  for (const std::string& side : cases) {
    ASSERT_TRUE(WriteFile(dir / "._f", side));
    EXPECT_EQ(host::fs::ReadResourceFork(dir / "f", back, exists), EINVAL) << side.size();
    ForkFile file;
    file.SetPath(W(dir / "f"));
    EXPECT_FALSE(file.OpenResourceFork(ForkFile::kRead));
  }
}

TEST(ForkFile, FinderInfoFields) {
  testutil::ScratchFolder dir;
  REQUIRE_XATTRS(dir);
  ASSERT_TRUE(WriteFile(dir / "f", ""));
  ForkFile file;
  file.SetPath(W(dir / "f"));
  FinderInfoFields info;
  ASSERT_TRUE(file.GetFinderInfo(info));
  EXPECT_EQ(info.type, 0u) << "no Finder information yet";
  info.mask = FinderInfoFields::kType | FinderInfoFields::kLocation;
  info.type = MakeFourCC("APPL");
  info.creator = MakeFourCC("nope");
  info.location = {-5, 300};
  ASSERT_TRUE(file.SetFinderInfo(info));
  ASSERT_TRUE(file.SetHasBundle());
  FinderInfoFields back;
  ASSERT_TRUE(file.GetFinderInfo(back));
  EXPECT_EQ(back.type, MakeFourCC("APPL"));
  EXPECT_EQ(back.creator, 0u) << "fields outside the mask are unchanged";
  EXPECT_EQ(back.location.v, -5);
  EXPECT_EQ(back.location.h, 300);
  EXPECT_EQ(back.finderFlags, kFinderFlagHasBundle);
  // The attribute holds the classic big-endian record.
  unsigned char raw[32];
  ASSERT_EQ(::getxattr((dir / "f").c_str(), "user.com.apple.FinderInfo", raw, sizeof raw), 32);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(raw), 10), std::string("APPL\0\0\0\0\x20\x00", 10));

  ASSERT_EQ(::mkdir((dir / "d").c_str(), 0700), 0);
  ForkFile folder;
  folder.SetPath(W(dir / "d"));
  FolderFinderInfoFields dinfo;
  dinfo.mask = FolderFinderInfoFields::kBounds | FolderFinderInfoFields::kFlags;
  dinfo.windowBounds = {10, 20, 300, 400};
  dinfo.finderFlags = kFinderFlagIsInvisible;
  ASSERT_TRUE(folder.SetFolderFinderInfo(dinfo));
  FolderFinderInfoFields dback;
  ASSERT_TRUE(folder.GetFolderFinderInfo(dback));
  EXPECT_EQ(dback.windowBounds.bottom, 300);
  EXPECT_EQ(dback.finderFlags, kFinderFlagIsInvisible);

  ForkFile missing;
  missing.SetPath(W(dir / "missing"));
  FinderInfoFields untouched;
  untouched.type = 42;
  EXPECT_FALSE(missing.GetFinderInfo(untouched)) << "an unreadable catalog is a failure";
  EXPECT_EQ(untouched.type, 42u);
  EXPECT_FALSE(missing.SetHasBundle());
}

// On a file system that refuses extended attributes files still work; their type and
// creator read back as '????'.
TEST(FileTypes, AFileSystemWithoutAttributesReadsUnknownTypes) {
  std::string why;
  const int result = testutil::RunOnFreshMount(
      "ramfs", "",
      [](const std::string& mnt) {
        const std::string path = mnt + "/movie.swf";
        FileTypeCreator swf(MakeFourCC("SWF2"), MakeFourCC("SWFL"));
        if (!CreateFileWithTypeCreator(Utf8ToWide(path), &swf, false)) return 10;
        if (!WriteFile(path, "FWS") || ReadFile(path) != "FWS") return 11;
        FileTypeCreator read(1, 1);
        if (!GetFileTypeCreator(Utf8ToWide(path), read)) return 12;
        if (read.type != kUnknownFileType || read.creator != kUnknownFileType) return 13;
        ForkFile file;
        file.SetPath(Utf8ToWide(path));
        FinderInfoFields info;
        if (!file.GetFinderInfo(info) || info.type != kUnknownFileType) return 14;
        info.mask = FinderInfoFields::kType;
        if (file.SetFinderInfo(info)) return 15;  // can't be kept: reported, not pretended
        if (SetFileTypeCreator(Utf8ToWide(path), swf)) return 16;
        return 0;
      },
      why);
  if (result < 0) GTEST_SKIP() << why;
  EXPECT_EQ(result, 0);
}

}  // namespace
