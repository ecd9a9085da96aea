#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "media/ColorQuantizer.h"
#include "media/PixelScaler.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A stand-in for a photograph: a shaded sky, a lit ball, a textured ground and sensor noise.
Bytes PhotoLike(int w, int h) {
  Bytes px;
  uint32_t seed = 99;
  auto noise = [&] { return static_cast<int>((seed = seed * 1664525 + 1013904223) >> 28) - 8; };
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double r, g, b;
      if (y < h * 2 / 3) {
        r = 90 + 80.0 * y / h;
        g = 140 + 60.0 * y / h;
        b = 230 - 30.0 * y / h;
        const double dx = x - w * 0.7, dy = y - h * 0.3, d = std::sqrt(dx * dx + dy * dy);
        if (d < h * 0.18) {
          const double light = 1.0 - d / (h * 0.18) * 0.6;
          r = 240 * light;
          g = 120 * light;
          b = 40 * light;
        }
      } else {
        r = 60 + 40 * std::sin(x * 0.3) * std::sin(y * 0.2);
        g = 110 + 30 * std::sin(x * 0.11 + y * 0.07);
        b = 40;
      }
      for (double c : {r, g, b}) px.push_back(static_cast<uint8_t>(std::clamp(c + noise(), 0.0, 255.0)));
    }
  }
  return px;
}

TEST(ColorQuantizerTest, AFewColoursComeBackExactly) {
  // Colours that differ in the upper seven bits of some component each get their own leaf.
  Bytes px;
  std::set<std::vector<uint8_t>> distinct;
  for (int i = 0; i < 256; ++i) {
    const uint8_t c[3] = {static_cast<uint8_t>((i & 7) * 32 + 2), static_cast<uint8_t>((i >> 3 & 7) * 36),
                          static_cast<uint8_t>((i >> 6) * 70 + 4)};
    distinct.insert({c[0], c[1], c[2]});
    for (int k = 0; k < 1 + i % 3; ++k) px.insert(px.end(), c, c + 3);
  }
  ASSERT_EQ(distinct.size(), 256u);
  uint8_t palette[256 * 4];
  size_t n = 0;
  const uint32_t count = static_cast<uint32_t>(px.size() / 3);
  auto indices = QuantizeRgbImage(px.data(), count, 1, 256, palette, n);
  ASSERT_TRUE(indices);
  EXPECT_EQ(n, 256u);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* e = palette + indices[i] * 4;
    EXPECT_EQ((Bytes{e[0], e[1], e[2]}), Bytes(px.begin() + i * 3, px.begin() + i * 3 + 3)) << i;
  }
  // One colour: one entry, every index 0.
  const Bytes flat(30 * 3, 77);
  indices = QuantizeRgbImage(flat.data(), 5, 6, 256, palette, n);
  ASSERT_TRUE(indices);
  EXPECT_EQ(n, 1u);
  EXPECT_EQ((Bytes{palette[0], palette[1], palette[2], palette[3]}), (Bytes{77, 77, 77, 0}));
  for (int i = 0; i < 30; ++i) EXPECT_EQ(indices[i], 0);
}

TEST(ColorQuantizerTest, APhotoKeepsItsMeanErrorSmall) {
  const int w = 320, h = 240;
  const Bytes px = PhotoLike(w, h);
  uint8_t palette[256 * 4];
  size_t n = 0;
  auto indices = QuantizeRgbImage(px.data(), w, h, 256, palette, n);
  ASSERT_TRUE(indices);
  EXPECT_LE(n, 256u);
  EXPECT_GT(n, 64u);
  double error = 0;
  for (int i = 0; i < w * h; ++i) {
    for (int c = 0; c < 3; ++c) error += std::abs(int(palette[indices[i] * 4 + c]) - int(px[i * 3 + c]));
  }
  const double mean = error / (w * h * 3);
  // Bound: 3 levels of 255 per component on average (2.0 when measured; the noise alone spans
  // 16 levels).
  EXPECT_LT(mean, 3.0) << mean;
}

TEST(ColorQuantizerTest, TheTreeStaysWithinItsCapOnNoise) {
  ColorQuantizer q;
  uint32_t seed = 7;
  uint32_t most = 0;
  for (int i = 0; i < 512 * 512; ++i) {
    seed = seed * 1103515245 + 12345;
    q.Insert(static_cast<uint8_t>(seed >> 8), static_cast<uint8_t>(seed >> 16), static_cast<uint8_t>(seed >> 24));
    most = std::max(most, q.NodeCount());
  }
  EXPECT_LE(most, ColorQuantizer::kMaxNodes + 7);
  uint8_t palette[256 * 4];
  uint64_t counts[256];
  const size_t n = q.GetPalette(palette, counts, 256);
  EXPECT_GT(n, 0u);
  EXPECT_LE(n, 256u);
  uint64_t total = 0;
  for (size_t i = 0; i < n; ++i) total += counts[i];
  EXPECT_EQ(total, 512u * 512u);
}

TEST(ColorQuantizerTest, TheRarestColoursMergeFirst) {
  ColorQuantizer q;
  for (int i = 0; i < 50; ++i) q.Insert(0, 0, 0);
  for (int i = 0; i < 40; ++i) q.Insert(255, 255, 255);
  q.Insert(0, 0, 8);  // a sibling of black near the bottom of the tree: merges into it
  uint8_t palette[8];
  uint64_t counts[2];
  ASSERT_EQ(q.GetPalette(palette, counts, 2), 2u);
  EXPECT_EQ((Bytes{palette[0], palette[1], palette[2]}), (Bytes{0, 0, 0}));
  EXPECT_EQ(counts[0], 51u);
  EXPECT_EQ((Bytes{palette[4], palette[5], palette[6]}), (Bytes{255, 255, 255}));
  EXPECT_EQ(counts[1], 40u);
}

TEST(ColorQuantizerTest, NearestEntryPrefersTheLowerIndexOnATie) {
  const uint8_t palette[] = {10, 0, 0, 0, 30, 0, 0, 0, 20, 0, 0, 0};
  EXPECT_EQ(FindNearestPaletteIndex(palette, 3, 20, 0, 0), 2u);
  EXPECT_EQ(FindNearestPaletteIndex(palette, 2, 20, 0, 0), 0u);    // 10 and 30 are equally near
  EXPECT_EQ(FindNearestPaletteIndex(palette, 3, 400, -9, 0), 1u);  // clamped to 255, 0, 0
  EXPECT_EQ(FindNearestPaletteIndex(palette, 0, 1, 2, 3), 0u);
}

TEST(ColorQuantizerTest, NoColoursOrNoPixelsAreRefused) {
  const Bytes px(12, 1);
  uint8_t palette[256 * 4];
  size_t n = 9;
  EXPECT_FALSE(QuantizeRgbImage(px.data(), 2, 2, 0, palette, n));
  EXPECT_EQ(n, 0u);
  EXPECT_FALSE(QuantizeRgbImage(px.data(), 0, 2, 256, palette, n));
  EXPECT_FALSE(QuantizeRgbImage(px.data(), 2, 0, 256, palette, n));
  EXPECT_FALSE(QuantizeRgbImage(nullptr, 2, 2, 256, palette, n));
  EXPECT_FALSE(QuantizeRgbImage(px.data(), 2, 2, 257, palette, n));
  ColorQuantizer q;
  q.Insert(1, 2, 3);
  EXPECT_EQ(q.GetPalette(palette, nullptr, 0), 0u);  // ends, with nothing written
}

TEST(PixelScalerTest, ResamplesLinearlyUpAndAveragesDown) {
  // 2 -> 4 pixels in a row: linear between the two.
  const Bytes two = {0, 0, 0, 200, 100, 40};
  auto wide = ScalePixelBuffer(two.data(), {0, 0, 2, 1}, {0, 0, 4, 1}, 24);
  ASSERT_TRUE(wide);
  EXPECT_EQ(Bytes(wide.get(), wide.get() + 12), (Bytes{0, 0, 0, 100, 50, 20, 200, 100, 40, 200, 100, 40}));
  // 4 -> 2 in a column of 32-bit pixels: a triangle twice as wide weighs the neighbours
  // (0 and 100 by 2/3 and 1/3; 100, 200 and 40 by 1/4, 1/2 and 1/4), alpha alike.
  const Bytes four = {0, 0, 0, 0, 100, 100, 100, 100, 200, 200, 200, 200, 40, 40, 40, 40};
  auto tall = ScalePixelBuffer(four.data(), {0, 0, 1, 4}, {0, 0, 1, 2}, 32);
  ASSERT_TRUE(tall);
  EXPECT_EQ(Bytes(tall.get(), tall.get() + 8), (Bytes{33, 33, 33, 33, 135, 135, 135, 135}));
  // Equal sizes, empty rectangles and other depths give nothing.
  EXPECT_FALSE(ScalePixelBuffer(two.data(), {0, 0, 2, 1}, {5, 5, 7, 6}, 24));
  EXPECT_FALSE(ScalePixelBuffer(two.data(), {0, 0, 0, 1}, {0, 0, 4, 1}, 24));
  EXPECT_FALSE(ScalePixelBuffer(two.data(), {0, 0, 2, 1}, {0, 0, 4, 0}, 24));
  EXPECT_FALSE(ScalePixelBuffer(two.data(), {0, 0, 2, 1}, {0, 0, 4, 1}, 16));
}

}  // namespace
