#include "platform/TextFileWriter.h"

#include <sys/stat.h>
#include <sys/xattr.h>

#include <gtest/gtest.h>

#include "Scratch.h"
#include "platform/ForkStream.h"

namespace {

using testutil::ReadFile;
using testutil::WriteFile;

WideString W(const std::string& utf8) { return Utf8ToWide(utf8); }

TEST(TextFileWriter, WritesChainedTextAndNumbersInUtf8) {
  testutil::ScratchFolder dir;
  const std::string path = dir / "page.html";
  TextFileWriter writer;
  ASSERT_TRUE(writer.Create(W(path), nullptr, false));
  writer.WriteText(L"a\nb ").WriteNumber(-42).WriteText(L" \u00e9\U0001F600").WriteNumber(0);
  writer.WriteText(WideString(1, static_cast<wchar_t>(0x110000)) + L"!");  // not a character
  ASSERT_TRUE(writer.Close());
  EXPECT_EQ(ReadFile(path),
            "a\nb -42 \xc3\xa9\xf0\x9f\x98\x80"
            "0\xef\xbf\xbd!");
  EXPECT_FALSE(writer.Close()) << "nothing open";

  // Type and creator of a text file, where the file system keeps them.
  char raw[32];
  if (::getxattr(path.c_str(), "user.com.apple.FinderInfo", raw, sizeof raw) == 32) {
    EXPECT_EQ(std::string(raw, 8), "TEXTttex");
  }
  EXPECT_EQ(testutil::ListNames(dir.Path()), std::vector<std::string>{"page.html"});
}

TEST(TextFileWriter, TheOldFileStaysUntilCloseAndAfterAnAbandonedWrite) {
  testutil::ScratchFolder dir;
  const std::string path = dir / "index.html";
  ASSERT_TRUE(WriteFile(path, "old page"));
  {
    TextFileWriter writer;
    EXPECT_FALSE(writer.Create(W(path), nullptr, false)) << "exists, no replace";
    FileTypeCreator html(MakeFourCC("MSIE"), MakeFourCC("TEXT"));
    ASSERT_TRUE(writer.Create(W(path), &html, true));
    writer.WriteText(L"new page");
    EXPECT_EQ(ReadFile(path), "old page");
  }  // destroyed without Close
  EXPECT_EQ(ReadFile(path), "old page");
  EXPECT_EQ(testutil::ListNames(dir.Path()), std::vector<std::string>{"index.html"});

  TextFileWriter writer;
  ASSERT_TRUE(writer.Create(W(path), nullptr, true));
  writer.WriteText(L"new page");
  ASSERT_TRUE(writer.Close());
  EXPECT_EQ(ReadFile(path), "new page");

  EXPECT_FALSE(writer.Create(W(dir / "folder/"), nullptr, true));
  ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0700), 0);
  EXPECT_FALSE(writer.Create(W(dir / "folder"), nullptr, true));
}

TEST(TextFileWriter, AFullDiskIsAFailedCloseAndKeepsTheOldFile) {
  std::string why;
  const int result = testutil::RunOnFreshMount(
      "tmpfs", "size=32k",
      [](const std::string& mnt) {
        const std::string path = mnt + "/page.html";
        if (!WriteFile(path, "old page")) return 10;
        TextFileWriter writer;
        if (!writer.Create(Utf8ToWide(path), nullptr, true)) return 11;
        const WideString line(1000, L'x');
        for (int i = 0; i < 200; ++i) writer.WriteText(line);
        if (writer.Close()) return 12;
        if (ReadFile(path) != "old page") return 13;
        if (testutil::ListNames(mnt) != std::vector<std::string>{"page.html"}) return 14;
        return 0;
      },
      why);
  if (result < 0) GTEST_SKIP() << why;
  EXPECT_EQ(result, 0) << "12: a full disk was reported as success; 13: old file damaged; 14: leftovers";
}

TEST(ForkStream, WriteErrorsReachClose) {
  // /dev/full accepts the open and answers every write with ENOSPC.
  ForkOutputStream stream;
  stream.Open(L"/dev/full", std::ios::out);
  if (!stream.IsOpen()) GTEST_SKIP() << "/dev/full can't be opened here";
  stream << "some text that never reaches a disk";
  EXPECT_FALSE(stream.Close());
  EXPECT_TRUE(stream.fail());
  EXPECT_EQ(stream.Buffer().LastError(), ENOSPC);
}

TEST(ForkStream, OpenModesPickTheAccess) {
  testutil::ScratchFolder dir;
  using std::ios;
  enum Access { kFails, kRead, kWrite, kReadWrite };
  const struct {
    ios::openmode mode;
    Access access;
  } cases[] = {
      {ios::in, kRead},
      {ios::in | ios::binary, kRead},
      {ios::in | ios::out, kRead},
      {ios::out, kWrite},
      {ios::out | ios::app, kWrite},
      {ios::out | ios::trunc, kWrite},
      {ios::out | ios::binary, kReadWrite},
      {ios::out | ios::app | ios::binary, kReadWrite},
      {ios::in | ios::out | ios::binary, kReadWrite},
      {ios::out | ios::trunc | ios::binary, kReadWrite},
      {ios::in | ios::out | ios::trunc, kReadWrite},
      {ios::in | ios::out | ios::trunc | ios::binary, kReadWrite},
      {ios::out | ios::ate, kWrite},
      {ios::in | ios::app, kFails},
      {ios::trunc, kFails},
      {ios::binary, kFails},
  };
  int row = 0;
  for (const auto& c : cases) {
    const std::string path = dir / ("f" + std::to_string(row++));
    ASSERT_TRUE(WriteFile(path, "abc"));
    ForkStreamBuf buffer;
    const bool opened = buffer.Open(W(path), c.mode);
    EXPECT_EQ(opened, c.access != kFails) << row;
    if (!opened) continue;
    buffer.pubseekoff(0, ios::end);
    buffer.sputc('Z');
    buffer.pubseekoff(0, ios::beg);
    const bool canRead = buffer.sgetc() != std::char_traits<char>::eof();
    const bool wrote = buffer.Close();
    EXPECT_EQ(canRead, c.access == kRead || c.access == kReadWrite) << row;
    EXPECT_EQ(wrote, c.access != kRead) << row;
  }
  // A missing file is created; ate starts at the end; app appends; plain out truncates.
  ForkStreamBuf buffer;
  ASSERT_TRUE(buffer.Open(W(dir / "new"), ios::out));
  buffer.sputn("12345", 5);
  ASSERT_TRUE(buffer.Close());
  ASSERT_TRUE(buffer.Open(W(dir / "new"), ios::in | ios::out | ios::binary | ios::ate));
  buffer.sputn("67", 2);
  ASSERT_TRUE(buffer.Close());
  EXPECT_EQ(ReadFile(dir / "new"), "1234567");
  ASSERT_TRUE(buffer.Open(W(dir / "new"), ios::out | ios::app));
  buffer.sputn("8", 1);
  ASSERT_TRUE(buffer.Close());
  EXPECT_EQ(ReadFile(dir / "new"), "12345678");
  ASSERT_TRUE(buffer.Open(W(dir / "new"), ios::out));
  buffer.sputn("x", 1);
  ASSERT_TRUE(buffer.Close());
  EXPECT_EQ(ReadFile(dir / "new"), "x") << "a shorter text leaves no tail of the old one";
  EXPECT_FALSE(buffer.Close());
}

TEST(ForkStream, TextInMacRomanKeepsWhatItCanCarry) {
  testutil::ScratchFolder dir;
  TextFileOutputStream stream;
  ASSERT_TRUE(stream.Open(W(dir / "t"), std::ios::out, host::cf::Encoding::kMacRoman));
  WriteWideTextToStream(stream, L"caf\u00e9 \u4e2d!");
  WriteWideTextToStream(stream, static_cast<const wchar_t*>(nullptr));
  ASSERT_TRUE(stream.Close());
  EXPECT_EQ(ReadFile(dir / "t"), "caf\x8e ?!");
}

}  // namespace
