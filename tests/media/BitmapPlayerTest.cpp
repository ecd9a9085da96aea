// Bitmaps made by the tag maker, in every kind it makes, drawn by a real player: the stage is
// captured after the frame and sampled at the middle of each quadrant of each bitmap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "media/BitmapTagMaker.h"
#include "media/PngBitmap.h"
#include "swf/ControlTags.h"
#include "swf/DefineShapeTag.h"
#include "swf/DisplayListTags.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SwfFileWriter.h"
#include "tests/media/ImageFixtures.h"
#include "tests/support/PlayerRunner.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSide = 40;  // every bitmap is kSide x kSide pixels, four flat quadrants
constexpr int kQuadrant = kSide / 2;
constexpr uint8_t kBackground[3] = {40, 80, 200};

struct Rgba {
  uint8_t r, g, b, a;
};

// Quadrants in the order top-left, top-right, bottom-left, bottom-right.
const Rgba kOpaque[4] = {{230, 30, 30, 255}, {30, 200, 60, 255}, {250, 220, 40, 255}, {20, 20, 20, 255}};
const Rgba kTranslucent[4] = {{230, 30, 30, 255}, {30, 200, 60, 128}, {250, 250, 250, 64}, {255, 0, 255, 0}};

std::vector<uint8_t> Pixels(const Rgba (&quadrants)[4], int channels) {
  std::vector<uint8_t> out;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const Rgba& c = quadrants[(y < kQuadrant ? 0 : 2) + (x < kQuadrant ? 0 : 1)];
      out.insert(out.end(), {c.r, c.g, c.b});
      if (channels == 4) out.push_back(c.a);
    }
  }
  return out;
}

// What the stage shows: the colour over the background by its alpha (both kinds with alpha
// store the colour premultiplied, as players expect).
Rgba Expected(const Rgba& c) {
  auto mix = [&](uint8_t v, uint8_t bg) { return static_cast<uint8_t>((v * c.a + bg * (255 - c.a) + 127) / 255); };
  return {mix(c.r, kBackground[0]), mix(c.g, kBackground[1]), mix(c.b, kBackground[2]), 255};
}

struct Placed {
  std::string kind;
  const Rgba (*quadrants)[4];
  int tolerance;  // per component
  int x, y;       // stage pixels
};

TEST(BitmapPlayerTest, EveryKindOfBitmapShowsItsPixelsOverTheBackground) {
  if (std::string why = playertest::PlayerUnavailableReason(); !why.empty()) GTEST_SKIP() << why;
  const fs::path dir = fs::path(PLENWICK_TEST_BINARY_DIR) / "media-bitmap-player";
  fs::remove_all(dir);
  fs::create_directories(dir);

  const auto opaque = Pixels(kOpaque, 3);
  const auto translucent = Pixels(kTranslucent, 4);
  BitmapTagMaker maker;
  std::vector<std::unique_ptr<SwfCharacterTag>> bitmaps;
  std::vector<Placed> placed;
  auto add = [&](std::unique_ptr<SwfCharacterTag> tag, std::string kind, const Rgba(*quadrants)[4], int tolerance) {
    ASSERT_TRUE(tag) << kind;
    const int n = static_cast<int>(bitmaps.size());
    placed.push_back({std::move(kind), quadrants, tolerance, 20 + (n % 6) * 80, 20 + (n / 6) * 80});
    bitmaps.push_back(std::move(tag));
  };
  add(maker.MakeLossless(opaque.data(), kSide, kSide, 24), "lossless 24", &kOpaque, 2);
  add(maker.MakeLossless(opaque.data(), kSide, kSide, 8), "lossless 8", &kOpaque, 2);
  // 5 bits a component: a step of 255 / 31, so up to 4 off after rounding.
  add(maker.MakeLossless(opaque.data(), kSide, kSide, 15), "lossless 15", &kOpaque, 6);
  add(maker.MakeJpegFromPixels(opaque.data(), kSide, kSide, 90), "jpeg2", &kOpaque, 10);
  add(maker.MakeDefineBits(opaque.data(), kSide, kSide, 90), "definebits", &kOpaque, 10);
  add(maker.MakeJpegWithAlpha(translucent.data(), kSide, kSide, 90), "jpeg3 alpha", &kTranslucent, 10);
  add(maker.MakeLosslessWithAlpha(translucent.data(), kSide, kSide), "lossless2 alpha", &kTranslucent, 3);
  // A user's JPEG file with Exif data and a comment, carried over without them.
  {
    imagetest::JpegOptions options;
    options.jfif = false;
    const imagetest::Bytes encoded = imagetest::EncodeJpeg(opaque.data(), kSide, kSide, options);
    imagetest::Bytes file = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x0A, 'E',  'x',  'i', 'f',
                             0,    0,    'I',  'I',  0xFF, 0xFE, 0x00, 0x04, 'h', 'i'};
    file.insert(file.end(), encoded.begin() + 2, encoded.end());
    const fs::path photo = dir / "photo.jpg";
    std::ofstream(photo, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), long(file.size()));
    add(maker.MakeJpegFromFile(Utf8ToWide(photo.string()), kSide, kSide), "jpeg file", &kOpaque, 10);
  }

  const fs::path swf = dir / "bitmaps.swf";
  {
    SwfFileWriter writer;
    writer.SetMovieParameters(550 * 20, 400 * 20, 12, 8);
    ASSERT_TRUE(writer.Open(Utf8ToWide(swf.string()), true));
    writer.AddTag(std::make_unique<SetBackgroundColorTag>(kBackground[0], kBackground[1], kBackground[2]));
    writer.AddTag(maker.MakeJpegTables(90));
    for (size_t i = 0; i < bitmaps.size(); ++i) {
      const int bitmapId = static_cast<int>(1 + 2 * i);
      bitmaps[i]->SetCharacterId(bitmapId);
      writer.AddTag(std::move(bitmaps[i]));
      auto fill = std::make_unique<FillStyle>(false);
      const Placed& p = placed[i];
      fill->InitBitmapFill(kFillClippedBitmapHard, static_cast<uint16_t>(bitmapId),
                           SwfMatrix::Make(p.x * 20, p.y * 20, 20, 20, 0, 0));
      auto shape = std::make_unique<DefineShape3Tag>();
      shape->BuildRectangle(p.x * 20, p.y * 20, kSide * 20, kSide * 20, std::move(fill), nullptr);
      shape->SetCharacterId(bitmapId + 1);
      writer.AddTag(std::move(shape));
      auto place = std::make_unique<PlaceObject2Tag>();
      place->SetCharacterId(bitmapId + 1);
      place->depth = static_cast<uint16_t>(1 + i);
      writer.AddTag(std::move(place));
    }
    writer.AddTag(std::make_unique<ShowFrameTag>());
    writer.AddTag(std::make_unique<EndTag>());
    ASSERT_GT(writer.Close(), 0u);
  }

  playertest::Movie movie{"bitmaps", swf, dir, 2};
  movie.screenshot = dir / "stage.png";
  movie.timeLimitMs = 60000;
  // The canvas renderer would composite the translucent pixels by their alpha twice.
  movie.renderer = "webgl";
  playertest::PlayRun run = playertest::Play({movie}, 1);
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), 1u);
  ASSERT_EQ(run.results[0].error, "");

  PngBitmap stage;
  ASSERT_TRUE(stage.LoadFile(Utf8ToWide(movie.screenshot.string())));
  ASSERT_GE(stage.Width(), 550u);
  ASSERT_GE(stage.Height(), 400u);
  const int channels = stage.Channels();
  auto at = [&](int x, int y) {
    const uint8_t* p = stage.Pixels() + (static_cast<size_t>(y) * stage.Width() + x) * channels;
    return Rgba{p[0], p[1], p[2], 255};
  };
  // Outside every bitmap the background shows.
  const Rgba bg = at(5, 5);
  EXPECT_EQ((std::vector<int>{bg.r, bg.g, bg.b}), (std::vector<int>{kBackground[0], kBackground[1], kBackground[2]}));
  for (const Placed& p : placed) {
    for (int q = 0; q < 4; ++q) {
      const int x = p.x + (q % 2) * kQuadrant + kQuadrant / 2;
      const int y = p.y + (q / 2) * kQuadrant + kQuadrant / 2;
      const Rgba want = Expected((*p.quadrants)[q]);
      const Rgba got = at(x, y);
      const int worst = std::max({std::abs(got.r - want.r), std::abs(got.g - want.g), std::abs(got.b - want.b)});
      EXPECT_LE(worst, p.tolerance) << p.kind << " quadrant " << q << " at (" << x << ", " << y << "): got "
                                    << int(got.r) << "," << int(got.g) << "," << int(got.b) << " want " << int(want.r)
                                    << "," << int(want.g) << "," << int(want.b);
    }
  }
}

}  // namespace
