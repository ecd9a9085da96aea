#include "publish/QuickTimeMovieWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/publish/MovReadBack.h"
#include "tests/publish/Scratch.h"

namespace {

namespace fs = std::filesystem;
using publishtest::ReadBytes;
using publishtest::ScratchFolder;

WideString W(const fs::path& path) { return Utf8ToWide(path.string()); }

// A frame whose every pixel tells its frame and position: red = frame, green = x, blue = y,
// alpha = 0x80 + frame.
std::vector<uint8_t> Frame(uint32_t width, uint32_t height, uint32_t index) {
  std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
      p[0] = static_cast<uint8_t>(index);
      p[1] = static_cast<uint8_t>(x);
      p[2] = static_cast<uint8_t>(y);
      p[3] = static_cast<uint8_t>(0x80 + index);
    }
  return rgba;
}

constexpr uint32_t kRawTag = 0x20776172;  // 'raw ' as FFmpeg keeps tags (first character lowest)

TEST(QuickTimeMovieWriter, FramesReadBackThroughFfmpeg) {
  struct Row {
    uint32_t width, height;
    double frameRate;
    uint32_t frames;
    uint32_t flags;
    uint32_t timeScale;  // what the writer makes of the frame rate
  };
  const Row rows[] = {
      {16, 8, 12.0, 5, QuickTimeMovieWriter::kController, 120},
      {7, 3, 12.5, 3, QuickTimeMovieWriter::kFlatten | QuickTimeMovieWriter::kLoop, 120},
      {1, 1, 30.0, 1, QuickTimeMovieWriter::kAutoPlay, 300},
      {33, 17, 1.0, 12, QuickTimeMovieWriter::kFlatten, 10},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.width << "x" << row.height << " at " << row.frameRate);
    ScratchFolder dir;
    const fs::path path = dir / "frames.mov";
    QuickTimeMovieWriter writer;
    ASSERT_TRUE(writer.Create(W(path), row.width, row.height, row.frameRate, row.flags));
    EXPECT_EQ(writer.TimeScale(), row.timeScale);
    ASSERT_TRUE(writer.BeginVideoTrack());
    for (uint32_t i = 0; i < row.frames; ++i) ASSERT_TRUE(writer.AddFrame(Frame(row.width, row.height, i).data()));
    EXPECT_EQ(writer.FramesAdded(), row.frames);
    ASSERT_TRUE(writer.Finish());

    const publishtest::ReadMovie movie = publishtest::ReadWithFfmpeg(path);
    ASSERT_EQ(movie.error, "");
    ASSERT_EQ(movie.streams.size(), 1u);
    const publishtest::ReadStream& s = movie.streams[0];
    EXPECT_EQ(s.type, "video");
    EXPECT_EQ(s.codec, "rawvideo");
    EXPECT_EQ(s.codecTag, kRawTag);
    EXPECT_EQ(s.pixelFormat, "argb");
    EXPECT_EQ(s.width, static_cast<int>(row.width));
    EXPECT_EQ(s.height, static_cast<int>(row.height));
    EXPECT_EQ(s.timeBaseNum * static_cast<int>(row.timeScale), s.timeBaseDen);
    EXPECT_EQ(s.durations, std::vector<int64_t>(row.frames, 10));
    ASSERT_FALSE(s.firstPackets.empty());
    // The first frame, alpha first; the last pixel of the first row.
    const std::string& first = s.firstPackets[0];
    ASSERT_EQ(first.size(), static_cast<size_t>(row.width) * row.height * 4);
    const size_t last = (row.width - 1) * 4;
    EXPECT_EQ(static_cast<unsigned char>(first[last]), 0x80);
    EXPECT_EQ(static_cast<unsigned char>(first[last + 1]), 0);
    EXPECT_EQ(static_cast<unsigned char>(first[last + 2]), row.width - 1);
    EXPECT_EQ(static_cast<unsigned char>(first[last + 3]), 0);
    if (s.firstPackets.size() > 1) {
      EXPECT_EQ(static_cast<unsigned char>(s.firstPackets[1][1]), 1) << "frame index";
    }

    const std::string file = ReadBytes(path);
    const std::vector<std::string> layout = (row.flags & QuickTimeMovieWriter::kFlatten) != 0
                                                ? std::vector<std::string>{"moov", "mdat"}
                                                : std::vector<std::string>{"mdat", "moov"};
    EXPECT_EQ(publishtest::TopAtoms(file), layout);
  }
  EXPECT_EQ(publishtest::TempFilesLeft("__qtphat"), std::vector<std::string>{});
}

TEST(QuickTimeMovieWriter, UserDataFollowsTheFlags) {
  struct Row {
    uint32_t flags;
    std::vector<std::string> items;
  };
  using W_ = QuickTimeMovieWriter;
  const Row rows[] = {
      {W_::kController, {}},
      {0, {"ctyp=6e6f6e65"}},
      {W_::kController | W_::kLoop, {"LOOP=00000000"}},
      {W_::kController | W_::kAutoPlay, {"play=01"}},
      {W_::kLoop | W_::kAutoPlay | W_::kFlatten, {"ctyp=6e6f6e65", "LOOP=00000000", "play=01"}},
  };
  for (const Row& row : rows) {
    ScratchFolder dir;
    const fs::path path = dir / "flags.mov";
    QuickTimeMovieWriter writer;
    ASSERT_TRUE(writer.Create(W(path), 2, 2, 10, row.flags));
    ASSERT_TRUE(writer.BeginVideoTrack());
    ASSERT_TRUE(writer.AddFrame(Frame(2, 2, 0).data()));
    ASSERT_TRUE(writer.Finish());
    EXPECT_EQ(publishtest::UserDataItems(ReadBytes(path)), row.items) << row.flags;
    EXPECT_EQ(publishtest::ReadWithFfmpeg(path).error, "") << row.flags;
  }
}

TEST(QuickTimeMovieWriter, FlashTrackHoldsTheMovieAsOneSample) {
  struct Row {
    uint16_t frameRate256;
    uint16_t frames;
  };
  const Row rows[] = {{12 * 256, 12}, {12 * 256 + 128, 3}, {1, 1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.frameRate256 << "/256 fps, " << row.frames << " frames");
    ScratchFolder dir;
    const std::string swf = publishtest::EmptyMovie(row.frameRate256, row.frames);
    ASSERT_TRUE(publishtest::WriteBytes(dir / "movie.swf", swf));
    const fs::path path = dir / "flash.mov";
    QuickTimeMovieWriter writer;
    ASSERT_TRUE(writer.Create(W(path), 200, 100, 12, QuickTimeMovieWriter::kController));
    ASSERT_TRUE(writer.AddFlashTrack(W(dir / "movie.swf"), QuickTimeMovieWriter::kStraightAlpha, 0));
    ASSERT_TRUE(writer.Finish());

    const publishtest::ReadMovie movie = publishtest::ReadWithFfmpeg(path);
    ASSERT_EQ(movie.error, "");
    ASSERT_EQ(movie.streams.size(), 1u);
    const publishtest::ReadStream& s = movie.streams[0];
    ASSERT_EQ(s.firstPackets.size(), 1u);
    EXPECT_EQ(s.firstPackets[0], swf);
    // As long as the movie plays: each frame is 256 units of a time scale of the header's rate.
    EXPECT_EQ(s.timeBaseDen * s.timeBaseNum, row.frameRate256);
    EXPECT_EQ(s.durations, std::vector<int64_t>{int64_t{row.frames} * 256});
  }
}

TEST(QuickTimeMovieWriter, RefusedMoviesLeaveNothingBehind) {
  ScratchFolder dir;
  const fs::path path = dir / "out.mov";
  ASSERT_TRUE(publishtest::WriteBytes(path, "old movie"));
  for (double rate : {0.0, 0.99, -12.0, std::nan(""), 1e12}) {
    QuickTimeMovieWriter writer;
    EXPECT_FALSE(writer.Create(W(path), 4, 4, rate, 0)) << rate;
  }
  {
    QuickTimeMovieWriter writer;
    EXPECT_FALSE(writer.Create(W(path), 0, 4, 12, 0));
    EXPECT_FALSE(writer.BeginVideoTrack());
    EXPECT_FALSE(writer.Finish());
  }
  struct Bad {
    const char* what;
    std::string bytes;
  };
  const Bad bad[] = {
      {"no frames", publishtest::EmptyMovie(12 * 256, 0)},
      {"frame rate 0", publishtest::EmptyMovie(0, 4)},
      {"not a movie", "GIF89a and more bytes than a header"},
      {"cut short", publishtest::EmptyMovie(12 * 256, 4).substr(0, 10)},
  };
  for (const Bad& b : bad) {
    ASSERT_TRUE(publishtest::WriteBytes(dir / "bad.swf", b.bytes));
    QuickTimeMovieWriter writer;
    ASSERT_TRUE(writer.Create(W(path), 4, 4, 12, 0));
    EXPECT_FALSE(writer.AddFlashTrack(W(dir / "bad.swf"), 0, 0)) << b.what;
    EXPECT_FALSE(writer.AddFrame(Frame(4, 4, 0).data())) << "no video track";
  }
  {
    // Given up before Finish: the old file stays.
    QuickTimeMovieWriter writer;
    ASSERT_TRUE(writer.Create(W(path), 4, 4, 12, 0));
    ASSERT_TRUE(writer.BeginVideoTrack());
    ASSERT_TRUE(writer.AddFrame(Frame(4, 4, 0).data()));
  }
  {
    // A destination that can't be written.
    QuickTimeMovieWriter writer;
    ASSERT_TRUE(writer.Create(W(dir / "missing" / "out.mov"), 4, 4, 12, 0));
    ASSERT_TRUE(writer.BeginVideoTrack());
    ASSERT_TRUE(writer.AddFrame(Frame(4, 4, 0).data()));
    EXPECT_FALSE(writer.Finish());
  }
  EXPECT_EQ(ReadBytes(path), "old movie");
  EXPECT_EQ(publishtest::TempFilesLeft("__qtphat"), std::vector<std::string>{});
}

}  // namespace
