#include "swf/SwfFileWriter.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "SwfTestSupport.h"
#include "swf/SwfHeader.h"

namespace {

using namespace swftest;

TEST(SwfHeader, SmallMovieBytes) {
  ScratchDir dir;
  SwfFileWriter writer;
  writer.SetMovieParameters(11000, 8000, 12.0f, 6);
  ASSERT_TRUE(writer.Open(dir.Path("movie.swf"), false));
  EXPECT_EQ(writer.AddTag(Tag(1)), 2u);
  EXPECT_EQ(writer.AddTag(Tag(0)), 2u);
  EXPECT_EQ(writer.Close(), 25u);
  EXPECT_EQ(ReadFile(dir.Native("movie.swf")),
            (Bytes{'F',  'W',  'S',  0x06, 0x19, 0x00, 0x00, 0x00, 0x78, 0x00, 0x05, 0x5F, 0x00,
                   0x00, 0x0F, 0xA0, 0x00, 0x00, 0x0C, 0x01, 0x00, 0x40, 0x00, 0x00, 0x00}));
}

TEST(SwfHeader, FrameRateIsEightDotEight) {
  struct Case {
    float rate;
    uint8_t fraction;
    uint8_t integer;
    float readBack;
  };
  const Case cases[] = {{29.97f, 0xF8, 0x1D, 29.96875f},
                        {12.0f, 0, 12, 12.0f},
                        {0.5f, 0x80, 0, 0.5f},
                        {-3.0f, 0, 0, 0.0f},
                        {1000.0f, 0xFF, 0xFF, 255.99609375f}};
  for (const Case& c : cases) {
    SwfHeader h;
    h.Set(0, 0, 20, 20, c.rate, 6);
    SwfBitWriter w(6);
    const size_t size = h.Write(w);
    const Bytes bytes = w.GetBytes();
    ASSERT_EQ(size, bytes.size());
    EXPECT_EQ(bytes[size - 4], c.fraction) << c.rate;
    EXPECT_EQ(bytes[size - 3], c.integer) << c.rate;
    SwfReader r(bytes, 6);
    SwfHeader back;
    EXPECT_EQ(back.ReadFrom(r, true), size);
    EXPECT_FLOAT_EQ(back.frameRate, c.readBack);
    EXPECT_EQ(back.version, 6);
    EXPECT_EQ(back.GetFrameWidth(), 20);
  }
}

TEST(SwfHeader, ReadRefusesOtherSignaturesAndCutHeaders) {
  SwfHeader h;
  h.Set(0, 0, 11000, 8000, 24, 8);
  SwfBitWriter w(8);
  h.Write(w);
  Bytes good = w.GetBytes();

  Bytes cws = good;
  cws[0] = 'C';
  SwfReader compressed(cws, 8);
  SwfHeader back;
  EXPECT_EQ(back.ReadFrom(compressed, true), 0u);

  for (size_t cut = 0; cut < good.size(); ++cut) {
    SwfReader r(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)), 8);
    EXPECT_EQ(back.ReadFrom(r, true), 0u) << cut;
    EXPECT_TRUE(r.HasOverrun());
  }

  // Without the signature check reading starts at the length field.
  SwfReader noSig(Bytes(good.begin() + 4, good.end()), 8);
  SwfHeader unchecked;
  EXPECT_EQ(unchecked.ReadFrom(noSig, false), good.size() - 4);
  EXPECT_EQ(unchecked.version, 4) << "the version stays as it was";
  EXPECT_EQ(unchecked.GetFrameHeight(), 8000);
}

// Reads the header of a written movie file.
SwfHeader HeaderOf(const Bytes& file) {
  SwfReader r(file, 6);
  SwfHeader h;
  EXPECT_NE(h.ReadFrom(r, true), 0u);
  return h;
}

TEST(SwfFileWriter, PatchesLengthAndFrameCount) {
  ScratchDir dir;
  SwfFileWriter writer;
  writer.SetMovieParameters(11000, 8000, 24.0f, 7);
  ASSERT_TRUE(writer.Open(dir.Path("m.swf"), false));
  for (int i = 0; i < 300; ++i) {
    writer.AddTag(Tag(12, Bytes(static_cast<size_t>(i), 0x07)));
    writer.AddTag(Tag(1));
  }
  writer.AddTag(Tag(0));
  writer.SetMovieParameters(20, 20, 1.0f, 4);  // for a later movie; this one is not touched
  const uint32_t length = writer.Close();
  const Bytes file = ReadFile(dir.Native("m.swf"));
  EXPECT_EQ(length, file.size());
  const SwfHeader h = HeaderOf(file);
  EXPECT_EQ(h.fileLength, file.size());
  EXPECT_EQ(h.frameCount, 300);
  EXPECT_EQ(h.version, 7);
  EXPECT_FLOAT_EQ(h.frameRate, 24.0f);
}

TEST(SwfFileWriter, CloseWithoutTagsPatchesZeroFrames) {
  ScratchDir dir;
  SwfFileWriter writer;
  ASSERT_TRUE(writer.Open(dir.Path("empty.swf"), false));
  const uint32_t length = writer.Close();
  const Bytes file = ReadFile(dir.Native("empty.swf"));
  EXPECT_EQ(length, file.size());
  EXPECT_EQ(HeaderOf(file).frameCount, 0);
}

TEST(SwfFileWriter, MinimumStageReplacesBothDimensions) {
  struct Case {
    int32_t width, height;
    bool minimum;
    int32_t expectWidth, expectHeight;
  };
  const Case cases[] = {{20, 20, true, 25600, 19200},
                        {30000, 10000, true, 25600, 19200},
                        {30000, 20000, true, 30000, 20000},
                        {20, 20, false, 20, 20}};
  for (const Case& c : cases) {
    ScratchDir dir;
    SwfFileWriter writer(c.minimum);
    writer.SetMovieParameters(c.width, c.height, 12, 6);
    ASSERT_TRUE(writer.Open(dir.Path("s.swf"), false));
    EXPECT_NE(writer.Close(), 0u);
    const SwfHeader h = HeaderOf(ReadFile(dir.Native("s.swf")));
    EXPECT_EQ(h.GetFrameWidth(), c.expectWidth);
    EXPECT_EQ(h.GetFrameHeight(), c.expectHeight);
  }
  EXPECT_TRUE(IsStageBelowSwfMinimum(25599, 19200));
  EXPECT_FALSE(IsStageBelowSwfMinimum(25600, 19200));
}

TEST(SwfFileWriter, RepeatedFrameLabelsAreDroppedWithinOneFile) {
  ScratchDir dir;
  SwfFileWriter writer;
  writer.SetMovieParameters(100, 100, 12, 6);
  ASSERT_TRUE(writer.Open(dir.Path("a.swf"), false));
  EXPECT_GT(writer.AddTag(Label("intro")), 0u);
  EXPECT_EQ(writer.AddTag(Label("intro")), 0u);
  EXPECT_GT(writer.AddTag(Label("Intro")), 0u) << "labels compare exactly";
  EXPECT_NE(writer.Close(), 0u);
  ASSERT_TRUE(writer.Open(dir.Path("b.swf"), false));
  EXPECT_GT(writer.AddTag(Label("intro")), 0u) << "a new file starts with no labels";
  EXPECT_NE(writer.Close(), 0u);

  RawTag kept(43, Bytes{'x', 0});
  ASSERT_TRUE(writer.Open(dir.Path("c.swf"), false));
  EXPECT_GT(writer.AddTag(&kept, true), 0u);
  EXPECT_EQ(writer.AddTag(&kept, true), 0u);
  EXPECT_EQ(kept.TagCode(), 43) << "a kept tag stays the caller's";
  EXPECT_NE(writer.Close(), 0u);
}

std::vector<int> g_frames;
void RecordFrame(int frame) { g_frames.push_back(frame); }

TEST(SwfFileWriter, FrameSignalGivesTheIndexOfEachCompletedFrame) {
  ScratchDir dir;
  g_frames.clear();
  SwfFileWriter writer;
  writer.Connect(&RecordFrame);
  ASSERT_TRUE(writer.Open(dir.Path("f.swf"), false));
  writer.AddTag(Tag(1));
  writer.AddTag(Tag(12, Bytes{0}));
  writer.AddTag(Tag(1));
  EXPECT_NE(writer.Close(), 0u);
  EXPECT_EQ(g_frames, (std::vector<int>{0, 1}));
}

TEST(SwfFileWriter, RemembersBackgroundColourAndDropsSoundWhenAsked) {
  ScratchDir dir;
  SwfFileWriter writer;
  writer.SetNoSound(true);
  ASSERT_TRUE(writer.Open(dir.Path("bg.swf"), false));
  writer.AddTag(Tag(9, Bytes{0x11, 0x22, 0x33}));
  EXPECT_EQ(writer.GetBackgroundColor(), 0x332211u);
  for (int code : {14, 15, 17, 18, 19, 45}) EXPECT_EQ(writer.AddTag(Tag(code, Bytes{1, 2})), 0u) << code;
  EXPECT_EQ(writer.AddTag(Tag(12, Bytes{0})), 3u);
  EXPECT_NE(writer.Close(), 0u);
}

TEST(SwfFileWriter, ExistingFileIsKeptUnlessReplacing) {
  ScratchDir dir;
  WriteFile(dir.Native("old.swf"), Bytes{1, 2, 3});
  SwfFileWriter writer;
  EXPECT_FALSE(writer.Open(dir.Path("old.swf"), false));
  EXPECT_TRUE(writer.Failed());
  EXPECT_EQ(ReadFile(dir.Native("old.swf")), (Bytes{1, 2, 3}));

  ASSERT_TRUE(writer.Open(dir.Path("old.swf"), true));
  writer.AddTag(Tag(0));
  EXPECT_EQ(ReadFile(dir.Native("old.swf")), (Bytes{1, 2, 3})) << "replaced only on Close";
  EXPECT_NE(writer.Close(), 0u);
  EXPECT_EQ(ReadFile(dir.Native("old.swf"))[0], 'F');
  EXPECT_EQ(dir.Entries().size(), 1u) << "no temporary file is left";
}

TEST(SwfFileWriter, AbandonedWriterLeavesTheOldMovie) {
  ScratchDir dir;
  WriteFile(dir.Native("keep.swf"), Bytes{9, 9});
  {
    SwfFileWriter writer;
    ASSERT_TRUE(writer.Open(dir.Path("keep.swf"), true));
    writer.AddTag(Tag(1));
  }
  EXPECT_EQ(ReadFile(dir.Native("keep.swf")), (Bytes{9, 9}));
  EXPECT_EQ(dir.Entries().size(), 1u);
}

TEST(SwfFileWriter, WriteErrorsAreReported) {
  SwfFileWriter writer;
  EXPECT_FALSE(writer.Open(L"/nonexistent-folder-plenwick/x.swf", true));
  EXPECT_TRUE(writer.Failed());
  EXPECT_NE(writer.LastError(), 0);
  EXPECT_EQ(writer.AddTag(Tag(1)), 0u);
  EXPECT_EQ(writer.Close(), 0u);
}

// Runs `body` with the process's file-size limit lowered, so writes past `limit` bytes fail
// with EFBIG as on a full disk.
template <typename Body>
void WithFileSizeLimit(rlim_t limit, Body body) {
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  struct rlimit low = old;
  low.rlim_cur = limit;
  void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &low), 0);
  body();
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
}

TEST(SwfFileWriter, AFullDiskIsAFailedBuildAndKeepsTheOldMovie) {
  ScratchDir dir;
  WriteFile(dir.Native("out.swf"), Bytes{7, 7, 7});
  SwfFileWriter writer;
  ASSERT_TRUE(writer.Open(dir.Path("out.swf"), true));
  for (int i = 0; i < 64; ++i) writer.AddTag(Tag(77, Bytes(16384, static_cast<uint8_t>(i))));
  writer.AddTag(Tag(0));
  uint32_t length = 1;
  WithFileSizeLimit(65536, [&] { length = writer.Close(); });
  EXPECT_EQ(length, 0u);
  EXPECT_TRUE(writer.Failed());
  EXPECT_EQ(writer.LastError(), EFBIG);
  EXPECT_EQ(ReadFile(dir.Native("out.swf")), (Bytes{7, 7, 7}));
  EXPECT_EQ(dir.Entries().size(), 1u);
}

TEST(SwfFileWriter, MoviesGetTheirTypeAndCreator) {
  ScratchDir dir;
  SwfFileWriter writer;
  ASSERT_TRUE(writer.Open(dir.Path("typed.swf"), false));
  writer.AddTag(Tag(0));
  ASSERT_NE(writer.Close(), 0u);
  FileTypeCreator tc;
  ASSERT_TRUE(GetFileTypeCreator(dir.Path("typed.swf"), tc));
  if (tc.type == kUnknownFileType) GTEST_SKIP() << "this file system keeps no extended attributes";
  EXPECT_EQ(tc.type, MakeFourCC("SWFL"));
  EXPECT_EQ(tc.creator, MakeFourCC("SWF2"));
}

}  // namespace
