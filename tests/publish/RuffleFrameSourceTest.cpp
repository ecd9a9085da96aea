// The frame export through the real player: movies rendered by Ruffle in Qt WebEngine, the
// QuickTime movie read back with FFmpeg.
#include "publish/RuffleFrameSource.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <QCoreApplication>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "host/ui/Application.h"
#include "host/web/RuffleView.h"
#include "publish/SwfQuickTimeExport.h"
#include "tests/publish/MovReadBack.h"
#include "tests/publish/Scratch.h"

namespace {

namespace fs = std::filesystem;
using publishtest::ReadBytes;
using publishtest::ScratchFolder;

WideString W(const fs::path& path) { return Utf8ToWide(path.string()); }

const WideString kRuffleFolder = Utf8ToWide(PLENWICK_BUNDLE_DIR "/Resources/ruffle");

// Bits most significant first, as a movie's records pack them.
class Bits {
 public:
  void Put(uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      if (used_ == 0) bytes_.push_back('\0');
      if ((value >> i) & 1u) bytes_.back() = static_cast<char>(bytes_.back() | (0x80 >> used_));
      used_ = (used_ + 1) % 8;
    }
  }
  void PutSigned(int32_t value, int count) { Put(static_cast<uint32_t>(value) & ((1u << count) - 1), count); }
  void Align() { used_ = 0; }
  std::string Take() {
    used_ = 0;
    return std::move(bytes_);
  }

 private:
  std::string bytes_;
  int used_ = 0;
};

std::string Rect(int32_t xMax, int32_t yMax) {
  Bits bits;
  bits.Put(15, 5);
  for (int32_t v : {0, xMax, 0, yMax}) bits.PutSigned(v, 15);
  return bits.Take();
}

std::string U16(uint32_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }

std::string Tag(int code, const std::string& body) {
  if (body.size() < 63) return U16(static_cast<uint32_t>(code << 6) | static_cast<uint32_t>(body.size())) + body;
  std::string tag = U16(static_cast<uint32_t>(code << 6) | 0x3F);
  for (int i = 0; i < 4; ++i) tag += static_cast<char>((body.size() >> (8 * i)) & 0xFF);
  return tag + body;
}

// A solid rectangle from (0, 0) to (width, height) twips.
std::string Rectangle(uint16_t id, int32_t width, int32_t height, uint32_t rgb) {
  std::string body = U16(id) + Rect(width, height);
  body += '\x01';  // one fill style: solid
  body += '\x00';
  body += static_cast<char>(rgb >> 16);
  body += static_cast<char>(rgb >> 8);
  body += static_cast<char>(rgb);
  body += '\x00';  // no line styles
  Bits bits;
  bits.Put(1, 4);         // fill bits
  bits.Put(0, 4);         // line bits
  bits.Put(0b000101, 6);  // style change: fill style 1, move to
  bits.Put(15, 5);
  bits.PutSigned(0, 15);
  bits.PutSigned(0, 15);
  bits.Put(1, 1);
  const int32_t edges[4][2] = {{width, 0}, {0, height}, {-width, 0}, {0, -height}};
  for (const auto& edge : edges) {
    bits.Put(0b11, 2);  // straight edge
    bits.Put(15 - 2, 4);
    const bool vertical = edge[0] == 0;
    bits.Put(0, 1);  // not a general line
    bits.Put(vertical ? 1 : 0, 1);
    bits.PutSigned(vertical ? edge[1] : edge[0], 15);
  }
  bits.Put(0, 6);  // end of shape
  return Tag(2, body + bits.Take());
}

// A movie of `width` x `height` pixels on a white stage at 12 frames a second whose frame i
// shows a rectangle of colours[i] over its left half (the whole stage with `wholeStage`).
std::string ColourMovie(int32_t width, int32_t height, const std::vector<uint32_t>& colours, bool wholeStage) {
  std::string tags = Tag(9, std::string("\xff\xff\xff", 3));
  for (size_t i = 0; i < colours.size(); ++i) {
    const uint16_t id = static_cast<uint16_t>(i + 1);
    tags += Rectangle(id, wholeStage ? width * 20 : width * 10, height * 20, colours[i]);
    // PlaceObject2 at depth 1: the first places, the later ones replace.
    tags += Tag(26, std::string(1, i == 0 ? '\x02' : '\x03') + U16(1) + U16(id));
    tags += Tag(1, "");
  }
  tags += Tag(0, "");
  const std::string body =
      Rect(width * 20, height * 20) + U16(12 * 256) + U16(static_cast<uint32_t>(colours.size())) + tags;
  const uint32_t length = static_cast<uint32_t>(body.size() + 8);
  std::string movie("FWS\x06", 4);
  for (int i = 0; i < 4; ++i) movie += static_cast<char>((length >> (8 * i)) & 0xFF);
  return movie + body;
}

// The pixel (alpha, red, green, blue) at x, y of a stored frame.
uint32_t Pixel(const std::string& frame, int width, int x, int y) {
  const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4;
  uint32_t argb = 0;
  for (size_t i = 0; i < 4; ++i) argb = (argb << 8) | static_cast<uint8_t>(frame.at(at + i));
  return argb;
}

class RuffleFrameSourceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The browser refuses to run as root with its sandbox on.
    if (::geteuid() == 0) ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox", 1);
    if (QCoreApplication::instance() == nullptr) {
      host::web::RegisterPlayerScheme();
      host::ui::EnsureApplication();
    }
  }
};

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kYellow = 0xFFFF00;

TEST_F(RuffleFrameSourceTest, ExportedFramesAreTheMovieFramesInOrder) {
  ScratchFolder dir;
  ASSERT_TRUE(publishtest::WriteBytes(dir / "movie.swf", ColourMovie(80, 60, {kRed, kGreen, kBlue, kYellow}, false)));
  RuffleFrameSourceFactory sources(kRuffleFolder);
  struct Row {
    float frameRate;
    bool alpha;
    std::vector<uint32_t> left;  // the left half of each frame written
    uint32_t right;              // and the right half of every frame
  };
  const Row rows[] = {
      // At the movie's own rate: its frames one by one.
      {12, false, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00}, 0xFFFFFFFF},
      // At half the rate every other frame, on a transparent stage.
      {6, true, {0xFFFF0000, 0xFF0000FF}, 0x00000000},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.frameRate << " fps" << (row.alpha ? ", alpha" : ""));
    FrameExportSettings settings;
    settings.width = 80;
    settings.height = 60;
    settings.frameRate = row.frameRate;
    settings.alpha = row.alpha;
    ASSERT_TRUE(SwfQuickTimeExport(sources).Export(W(dir / "movie.swf"), W(dir / "out.mov"), settings))
        << sources.Error();
    const publishtest::ReadMovie movie = publishtest::ReadWithFfmpeg(dir / "out.mov");
    ASSERT_EQ(movie.error, "");
    ASSERT_EQ(movie.streams.size(), 1u);
    const std::vector<std::string>& frames = movie.streams[0].smallPackets;
    ASSERT_EQ(frames.size(), row.left.size());
    for (size_t i = 0; i < frames.size(); ++i) {
      ASSERT_EQ(frames[i].size(), 80u * 60 * 4);
      for (int y : {2, 30, 57}) {
        for (int x : {2, 20, 37})
          EXPECT_EQ(Pixel(frames[i], 80, x, y), row.left[i]) << "frame " << i << " at " << x << "," << y;
        for (int x : {42, 60, 77})
          EXPECT_EQ(Pixel(frames[i], 80, x, y), row.right) << "frame " << i << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(RuffleFrameSourceTest, TheSourceRendersAnyTimeAndGoesBackByStartingAgain) {
  ScratchFolder dir;
  ASSERT_TRUE(publishtest::WriteBytes(dir / "movie.swf", ColourMovie(40, 30, {kRed, kGreen, kBlue}, true)));
  RuffleFrameSourceFactory sources(kRuffleFolder);
  std::unique_ptr<FrameSource> source = sources.Open(W(dir / "movie.swf"), 20, 15, false);
  ASSERT_NE(source, nullptr) << sources.Error();
  EXPECT_EQ(source->TimeScale(), 12u * 256);
  EXPECT_EQ(source->Duration(), 3u * 256);
  std::vector<uint8_t> rgba(20 * 15 * 4);
  auto colourAt = [&](uint32_t time) {
    EXPECT_TRUE(source->Render(time, rgba.data())) << sources.Error();
    const size_t centre = (7 * 20 + 10) * 4;
    return (uint32_t{rgba[centre]} << 16) | (uint32_t{rgba[centre + 1]} << 8) | rgba[centre + 2];
  };
  // Frame n shows from time (n - 1) x 256 until just before n x 256.
  EXPECT_EQ(colourAt(0), kRed);
  EXPECT_EQ(colourAt(255), kRed);
  EXPECT_EQ(colourAt(600), kBlue);
  EXPECT_EQ(colourAt(256), kGreen) << "an earlier time plays the movie again";
  EXPECT_EQ(colourAt(511), kGreen);
}

TEST_F(RuffleFrameSourceTest, MoviesThatCanNotPlayAreRefusedAndTheExportFails) {
  ScratchFolder dir;
  ASSERT_TRUE(publishtest::WriteBytes(dir / "text.swf", "this is no movie"));
  ASSERT_TRUE(publishtest::WriteBytes(dir / "still.swf", publishtest::EmptyMovie(0, 4)));
  ASSERT_TRUE(publishtest::WriteBytes(dir / "empty.swf", publishtest::EmptyMovie(12 * 256, 0)));
  ASSERT_TRUE(publishtest::WriteBytes(dir / "movie.swf", ColourMovie(40, 30, {kRed}, true)));
  fs::create_directory(dir / "no player");
  struct Row {
    const char* movie;
    fs::path ruffle;
    std::string error;
  };
  const Row rows[] = {
      {"text.swf", PLENWICK_BUNDLE_DIR "/Resources/ruffle", "the file is not a movie"},
      {"still.swf", PLENWICK_BUNDLE_DIR "/Resources/ruffle", "the movie's frame rate is 0"},
      {"empty.swf", PLENWICK_BUNDLE_DIR "/Resources/ruffle", "the movie has no frames"},
      {"movie.swf", dir / "no player", "the player refused the movie"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.movie);
    RuffleFrameSourceFactory sources(W(row.ruffle));
    EXPECT_EQ(sources.Open(W(dir / row.movie), 40, 30, false), nullptr);
    EXPECT_EQ(sources.Error().substr(0, row.error.size()), row.error) << sources.Error();
    FrameExportSettings settings;
    settings.width = 40;
    settings.height = 30;
    settings.frameRate = 12;
    EXPECT_FALSE(SwfQuickTimeExport(sources).Export(W(dir / row.movie), W(dir / "out.mov"), settings));
    EXPECT_FALSE(fs::exists(dir / "out.mov"));
  }
}

}  // namespace
