#include "publish/SwfQuickTimeExport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "publish/PublishQuickTime.h"
#include "swf/SwfCompression.h"
#include "tests/publish/MovReadBack.h"
#include "tests/publish/Scratch.h"

namespace {

namespace fs = std::filesystem;
using publishtest::ReadBytes;
using publishtest::ScratchFolder;

WideString W(const fs::path& path) { return Utf8ToWide(path.string()); }

// A synthetic movie: every pixel of the frame at time t is (t mod 256, t / 256, 0x40, 0xFF).
// It records the times it was asked to render and can fail at one of them.
class SyntheticSource : public FrameSource {
 public:
  SyntheticSource(uint32_t width, uint32_t height, uint32_t timeScale, uint32_t duration, std::vector<uint32_t>* times,
                  int failAt)
      : width_(width), height_(height), timeScale_(timeScale), duration_(duration), times_(times), failAt_(failAt) {}
  uint32_t Width() const override { return width_; }
  uint32_t Height() const override { return height_; }
  uint32_t TimeScale() const override { return timeScale_; }
  uint32_t Duration() const override { return duration_; }
  bool Render(uint32_t time, uint8_t* rgba) override {
    if (static_cast<int>(times_->size()) == failAt_) return false;
    times_->push_back(time);
    for (size_t i = 0; i < static_cast<size_t>(width_) * height_; ++i) {
      rgba[i * 4] = static_cast<uint8_t>(time);
      rgba[i * 4 + 1] = static_cast<uint8_t>(time >> 8);
      rgba[i * 4 + 2] = 0x40;
      rgba[i * 4 + 3] = 0xFF;
    }
    return true;
  }

 private:
  uint32_t width_, height_, timeScale_, duration_;
  std::vector<uint32_t>* times_;
  int failAt_;
};

class SyntheticSources : public FrameSourceFactory {
 public:
  std::unique_ptr<FrameSource> Open(const WideString& moviePath, uint32_t width, uint32_t height, bool alpha) override {
    opened.push_back(WideToUtf8(moviePath));
    openedWidth = width;
    openedHeight = height;
    openedAlpha = alpha;
    if (refuse) return nullptr;
    return std::make_unique<SyntheticSource>(width, height, timeScale, duration, &times, failAt);
  }
  uint32_t timeScale = 600;
  uint32_t duration = 600;
  int failAt = -1;
  bool refuse = false;
  std::vector<uint32_t> times;
  std::vector<std::string> opened;
  uint32_t openedWidth = 0, openedHeight = 0;
  bool openedAlpha = false;
};

std::vector<uint32_t> Steps(uint32_t count, uint32_t step) {
  std::vector<uint32_t> times;
  for (uint32_t i = 0; i < count; ++i) times.push_back(i * step);
  return times;
}

TEST(SwfQuickTimeExport, FramesAreRenderedAtTheMovieFrameRateUntilTheEnd) {
  struct Row {
    float frameRate;
    uint32_t timeScale, duration;
    std::vector<uint32_t> times;
    uint32_t writerTimeScale;
  };
  const Row rows[] = {
      {12, 600, 600, Steps(12, 50), 120}, {12.5f, 600, 600, Steps(13, 48), 120}, {12, 600, 601, Steps(12, 50), 120},
      {12, 600, 602, Steps(13, 50), 120}, {1, 10, 35, Steps(4, 10), 10},         {30, 30, 2, Steps(1, 1), 300},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.frameRate << " fps, " << row.duration << " / " << row.timeScale);
    ScratchFolder dir;
    ASSERT_TRUE(publishtest::WriteBytes(dir / "movie.swf", publishtest::EmptyMovie(12 * 256, 4)));
    SyntheticSources sources;
    sources.timeScale = row.timeScale;
    sources.duration = row.duration;
    FrameExportSettings settings;
    settings.sourceWidth = 6;
    settings.sourceHeight = 4;
    settings.width = 6;
    settings.height = 4;
    settings.frameRate = row.frameRate;
    settings.controllerType = 1;
    ASSERT_TRUE(SwfQuickTimeExport(sources).Export(W(dir / "movie.swf"), W(dir / "out.mov"), settings));
    EXPECT_EQ(sources.times, row.times);
    const publishtest::ReadMovie movie = publishtest::ReadWithFfmpeg(dir / "out.mov");
    ASSERT_EQ(movie.error, "");
    ASSERT_EQ(movie.streams.size(), 1u);
    EXPECT_EQ(movie.streams[0].durations, std::vector<int64_t>(row.times.size(), 10));
    EXPECT_EQ(movie.streams[0].timeBaseDen, static_cast<int>(row.writerTimeScale) * movie.streams[0].timeBaseNum);
    // Equal sizes: the rendered pixels go in as they are (alpha first).
    ASSERT_GE(movie.streams[0].firstPackets.size(), 1u);
    EXPECT_EQ(movie.streams[0].firstPackets[0].substr(0, 8), std::string("\xff\x00\x00\x40\xff\x00\x00\x40", 8));
  }
}

TEST(SwfQuickTimeExport, FramesAreScaledOnlyWhenTheSizesDiffer) {
  ScratchFolder dir;
  ASSERT_TRUE(publishtest::WriteBytes(dir / "movie.swf", publishtest::EmptyMovie(12 * 256, 4)));
  struct Row {
    int32_t sourceWidth, sourceHeight, width, height;
    uint32_t renderedWidth, renderedHeight;
  };
  const Row rows[] = {
      {8, 8, 4, 2, 8, 8}, {3, 5, 3, 5, 3, 5}, {0, 0, 10, 5, 200, 100},  // no source size: the movie's stage
  };
  for (const Row& row : rows) {
    SyntheticSources sources;
    sources.duration = 101;  // frames at 0 and 50; 100 reaches the end
    FrameExportSettings settings;
    settings.sourceWidth = row.sourceWidth;
    settings.sourceHeight = row.sourceHeight;
    settings.width = row.width;
    settings.height = row.height;
    settings.frameRate = 12;
    settings.alpha = true;
    ASSERT_TRUE(SwfQuickTimeExport(sources).Export(W(dir / "movie.swf"), W(dir / "out.mov"), settings));
    EXPECT_EQ(sources.openedWidth, row.renderedWidth);
    EXPECT_EQ(sources.openedHeight, row.renderedHeight);
    EXPECT_TRUE(sources.openedAlpha);
    const publishtest::ReadMovie movie = publishtest::ReadWithFfmpeg(dir / "out.mov");
    ASSERT_EQ(movie.streams.size(), 1u);
    EXPECT_EQ(movie.streams[0].width, row.width);
    EXPECT_EQ(movie.streams[0].height, row.height);
    ASSERT_EQ(movie.streams[0].sizes.size(), 2u);
    EXPECT_EQ(movie.streams[0].sizes[1], int64_t{row.width} * row.height * 4);
    // The second frame (t = 50) survives scaling: every pixel is alike.
    EXPECT_EQ(movie.streams[0].firstPackets[1].substr(0, 4), std::string("\xff\x32\x00\x40", 4));
  }
}

TEST(SwfQuickTimeExport, FailuresAreReportedAndLeaveTheOutputAlone) {
  ScratchFolder dir;
  ASSERT_TRUE(publishtest::WriteBytes(dir / "movie.swf", publishtest::EmptyMovie(12 * 256, 4)));
  ASSERT_TRUE(publishtest::WriteBytes(dir / "out.mov", "old movie"));
  struct Row {
    const char* what;
    void (*change)(SyntheticSources&, FrameExportSettings&);
  };
  const Row rows[] = {
      {"frame rate 0", [](SyntheticSources&, FrameExportSettings& s) { s.frameRate = 0; }},
      {"frame rate below 1", [](SyntheticSources&, FrameExportSettings& s) { s.frameRate = 0.5f; }},
      {"duration 0", [](SyntheticSources& f, FrameExportSettings&) { f.duration = 0; }},
      {"duration 1: no frame", [](SyntheticSources& f, FrameExportSettings&) { f.duration = 1; }},
      {"time scale 0", [](SyntheticSources& f, FrameExportSettings&) { f.timeScale = 0; }},
      {"the movie can't be opened", [](SyntheticSources& f, FrameExportSettings&) { f.refuse = true; }},
      {"the third frame fails", [](SyntheticSources& f, FrameExportSettings&) { f.failAt = 2; }},
      {"no output size", [](SyntheticSources&, FrameExportSettings& s) { s.width = 0; }},
  };
  for (const Row& row : rows) {
    SyntheticSources sources;
    FrameExportSettings settings;
    settings.sourceWidth = settings.width = 4;
    settings.sourceHeight = settings.height = 4;
    settings.frameRate = 12;
    row.change(sources, settings);
    EXPECT_FALSE(SwfQuickTimeExport(sources).Export(W(dir / "movie.swf"), W(dir / "out.mov"), settings)) << row.what;
    EXPECT_EQ(ReadBytes(dir / "out.mov"), "old movie") << row.what;
  }
  SyntheticSources sources;
  FrameExportSettings settings;
  settings.width = settings.height = 4;
  settings.frameRate = 12;
  EXPECT_FALSE(SwfQuickTimeExport(sources).Export(W(dir / "missing.swf"), W(dir / "out.mov"), settings));
  EXPECT_TRUE(sources.opened.empty());
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir.Path())) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"movie.swf", "out.mov"}));
}

TEST(PublishQuickTime, FlashTrackOfAPlainAndOfACompressedMovie) {
  for (bool compress : {false, true}) {
    SCOPED_TRACE(compress ? "compressed" : "plain");
    ScratchFolder dir;
    const std::string swf = publishtest::EmptyMovie(15 * 256, 30);
    ASSERT_TRUE(publishtest::WriteBytes(dir / "plain.swf", swf));
    fs::path movie = dir / "plain.swf";
    if (compress) {
      ASSERT_TRUE(CompressSwfFile(W(movie), W(dir / "packed.swf"), false));
      movie = dir / "packed.swf";
    }
    QuickTimeSettings settings;
    settings.width = 200;
    settings.height = 100;
    settings.loop = true;
    settings.mode = 1;
    FrameExportSettings frameExport;
    std::string error;
    ASSERT_TRUE(PublishQuickTime({W(movie), W(movie), W(dir / "out.mov")}, settings, frameExport, nullptr, error))
        << error;
    const publishtest::ReadMovie read = publishtest::ReadWithFfmpeg(dir / "out.mov");
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.streams.size(), 1u);
    ASSERT_EQ(read.streams[0].firstPackets.size(), 1u);
    EXPECT_EQ(read.streams[0].firstPackets[0], swf);
    EXPECT_EQ(publishtest::UserDataItems(ReadBytes(dir / "out.mov")),
              (std::vector<std::string>{"ctyp=6e6f6e65", "LOOP=00000000", "play=01"}));
  }
  EXPECT_EQ(publishtest::TempFilesLeft("pbflate"), std::vector<std::string>{});
  EXPECT_EQ(publishtest::TempFilesLeft("__qtphat"), std::vector<std::string>{});
}

TEST(PublishQuickTime, FrameExportTakesItsSettingsFromTheQuickTimeSettingsAndReportsFailure) {
  ScratchFolder dir;
  ASSERT_TRUE(publishtest::WriteBytes(dir / "movie.swf", publishtest::EmptyMovie(24 * 256, 4)));
  ASSERT_TRUE(publishtest::WriteBytes(dir / "big.swf", publishtest::EmptyMovie(24 * 256, 4)));
  QuickTimeSettings settings;
  settings.width = 8;
  settings.height = 6;
  settings.mode = 1;
  settings.controllerType = 1;
  settings.paused = true;
  settings.flatten = true;
  settings.frameExport = true;
  FrameExportSettings frameExport;
  frameExport.sourceWidth = 16;
  frameExport.sourceHeight = 12;
  SyntheticSources sources;
  std::string error;
  ASSERT_TRUE(PublishQuickTime({W(dir / "movie.swf"), W(dir / "big.swf"), W(dir / "out.mov")}, settings, frameExport,
                               &sources, error))
      << error;
  EXPECT_EQ(frameExport.width, 8);
  EXPECT_EQ(frameExport.height, 6);
  EXPECT_EQ(frameExport.frameRate, 24.0f);
  EXPECT_TRUE(frameExport.alpha);
  EXPECT_TRUE(frameExport.paused);
  EXPECT_TRUE(frameExport.flatten);
  EXPECT_EQ(sources.opened, std::vector<std::string>{(dir / "big.swf").string()});
  EXPECT_EQ(sources.times.size(), 24u);
  EXPECT_EQ(publishtest::UserDataItems(ReadBytes(dir / "out.mov")), std::vector<std::string>{});

  SyntheticSources failing;
  failing.failAt = 0;
  EXPECT_FALSE(PublishQuickTime({W(dir / "movie.swf"), W(dir / "big.swf"), W(dir / "other.mov")}, settings, frameExport,
                                &failing, error));
  EXPECT_NE(error, "");
  EXPECT_FALSE(fs::exists(dir / "other.mov"));
}

TEST(PublishQuickTime, FailedFlashTracksLeaveNoTemporaryFile) {
  ScratchFolder dir;
  ASSERT_TRUE(publishtest::WriteBytes(dir / "plain.swf", publishtest::EmptyMovie(12 * 256, 4)));
  ASSERT_TRUE(CompressSwfFile(W(dir / "plain.swf"), W(dir / "packed.swf"), false));
  // A compressed movie whose stream is cut short, and one that inflates to a movie of no frames.
  const std::string packed = ReadBytes(dir / "packed.swf");
  ASSERT_TRUE(publishtest::WriteBytes(dir / "cut.swf", packed.substr(0, packed.size() - 6)));
  ASSERT_TRUE(publishtest::WriteBytes(dir / "none.swf", publishtest::EmptyMovie(12 * 256, 0)));
  ASSERT_TRUE(CompressSwfFile(W(dir / "none.swf"), W(dir / "packednone.swf"), false));
  for (const char* name : {"cut.swf", "packednone.swf"}) {
    for (bool flatten : {false, true}) {
      SCOPED_TRACE(std::string(name) + (flatten ? ", flattened" : ""));
      QuickTimeSettings settings;
      settings.width = 20;
      settings.height = 10;
      settings.flatten = flatten;
      FrameExportSettings frameExport;
      std::string error;
      EXPECT_FALSE(
          PublishQuickTime({W(dir / name), W(dir / name), W(dir / "out.mov")}, settings, frameExport, nullptr, error));
      EXPECT_EQ(error, "Failed to add Flash Track compressed");
      EXPECT_FALSE(fs::exists(dir / "out.mov"));
      EXPECT_EQ(publishtest::TempFilesLeft("pbflate"), std::vector<std::string>{});
      EXPECT_EQ(publishtest::TempFilesLeft("__qtphat"), std::vector<std::string>{});
    }
  }
}

}  // namespace
