// The background image drawn by a real player (Ruffle in Chromium): its pixels at their place
// while the loader runs, stretched to its size or tiled over the stage, and the background
// colour again once the loader has handed over to the target.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "swf/ControlTags.h"
#include "swf/DisplayListTags.h"
#include "swf/SwfFileWriter.h"
#include "tests/media/ImageFixtures.h"
#include "tests/preloader/ProjectTestSupport.h"
#include "tests/support/PlayerRunner.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kStageColour = 0x604020;  // 0xRRGGBB; the project stores it red in the low byte
// The picture's quadrants: top-left, top-right, bottom-left, bottom-right.
constexpr uint32_t kQuadrants[4] = {0xE01E1E, 0x1EC83C, 0xFADC28, 0x1414A0};

// A 40 x 40 PNG of four flat quadrants.
void WriteQuadrantPng(const std::string& path) {
  imagetest::Bytes rows;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) {
      const uint32_t c = kQuadrants[(y < 20 ? 0 : 2) + (x < 20 ? 0 : 1)];
      rows.insert(rows.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)});
    }
  }
  const imagetest::Bytes png = imagetest::EncodePng(rows, 40, 40);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
}

// A target of one frame that stops and draws nothing.
void WriteTarget(const std::string& path) {
  SwfFileWriter writer;
  writer.SetMovieParameters(300 * 20, 200 * 20, 24.0f, 6);
  ASSERT_TRUE(writer.Open(Utf8ToWide(path), true));
  writer.AddTag(std::make_unique<ShowFrameTag>());
  writer.AddTag(std::make_unique<EndTag>());
  ASSERT_NE(writer.Close(), 0u);
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift : {0, 8, 16}) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (std::abs(d) > tolerance) return false;
  }
  return true;
}

std::string Hex(uint32_t c) {
  char text[8];
  std::snprintf(text, sizeof text, "%06X", c);
  return text;
}

TEST(BackgroundPlayerTest, TheBackgroundShowsItsPixelsWhileLoadingAndLeavesWithTheLoader) {
  ASSERT_EQ(playertest::PlayerUnavailableReason(), "");
  projecttest::ScratchDir dir;
  WriteQuadrantPng(dir.Native("picture.png"));
  WriteTarget(dir.Native("target.swf"));

  struct Sample {
    double x, y;
    uint32_t colour;
  };
  struct Case {
    const char* name;
    BackgroundExportType type;
    int width, height, x, y;
    bool tile;
    bool preview;  // a preview keeps the loader (and the background) for the frames played
    int tolerance;
    std::vector<Sample> samples;
  };
  const uint32_t* q = kQuadrants;
  const std::vector<Case> cases = {
      // Stretched from 40 x 40 to 100 x 60 and moved to (10, 20): quadrants of 50 x 30.
      {"lossless, stretched and moved",
       kBackgroundLossless24,
       100,
       60,
       10,
       20,
       false,
       true,
       3,
       {{35, 35, q[0]},
        {85, 35, q[1]},
        {35, 65, q[2]},
        {85, 65, q[3]},
        {150, 120, kStageColour},
        {5, 5, kStageColour}}},
      {"jpeg",
       kBackgroundJpeg,
       100,
       100,
       0,
       0,
       false,
       true,
       16,
       {{25, 25, q[0]}, {75, 25, q[1]}, {25, 75, q[2]}, {75, 75, q[3]}, {200, 150, kStageColour}}},
      // Tiled: the picture repeats over the whole stage.
      {"tiled",
       kBackgroundLossless24,
       100,
       100,
       0,
       0,
       true,
       true,
       3,
       {{25, 25, q[0]}, {125, 25, q[0]}, {275, 175, q[3]}, {175, 125, q[1]}, {225, 75, q[2]}}},
      // Handed over to a complete target: the background has gone with the loader.
      {"after the loader",
       kBackgroundLossless24,
       100,
       100,
       0,
       0,
       false,
       false,
       3,
       {{25, 25, kStageColour}, {75, 75, kStageColour}}},
  };
  std::vector<playertest::Movie> movies;
  std::vector<playertest::Capture> captures;
  for (size_t n = 0; n < cases.size(); ++n) {
    const Case& c = cases[n];
    PreloaderData project;
    project.SetTargetType(kTargetExternal);
    project.SetTargetUrl(dir.Path("target.swf"));
    project.SetTargetFps(24.0f);
    project.SetBackgroundColor(0x204060);
    project.SetPreviewMode(c.preview, false);
    BackgroundImage& image = project.GetBackgroundImage();
    image.SetEnabled(true);
    image.SetPath(dir.Path("picture.png"));
    image.SetExportType(c.type);
    image.SetWidth(c.width);
    image.SetHeight(c.height);
    image.SetX(c.x);
    image.SetY(c.y);
    image.SetTile(c.tile);
    const std::string name = "bg" + std::to_string(n) + ".swf";
    PreloaderBuilder builder;
    ASSERT_TRUE(builder.Build(dir.Path(name), project, true)) << builder.GetError();
    EXPECT_EQ(builder.GetWarnings(), std::vector<std::string>{}) << c.name;
    movies.push_back({c.name, dir.Native(name), dir.Native(""), c.preview ? 4 : 30});
    playertest::Capture capture;
    capture.movie = n;
    for (const Sample& s : c.samples) capture.pixels.push_back({s.x, s.y});
    captures.push_back(capture);
  }
  const playertest::PlayRun run = playertest::Play(movies, captures);
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), cases.size());
  for (size_t n = 0; n < cases.size(); ++n) {
    const auto& r = run.results[n];
    EXPECT_EQ(r.error, "") << r.name;
    ASSERT_EQ(r.pixels.size(), cases[n].samples.size()) << r.name;
    for (size_t i = 0; i < r.pixels.size(); ++i) {
      const Sample& s = cases[n].samples[i];
      EXPECT_TRUE(Near(r.pixels[i], s.colour, cases[n].tolerance))
          << r.name << " at (" << s.x << ", " << s.y << "): " << Hex(r.pixels[i]) << ", expected " << Hex(s.colour);
    }
  }
}

}  // namespace
