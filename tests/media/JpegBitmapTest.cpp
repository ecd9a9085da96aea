#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "media/JpegBitmap.h"
#include "tests/media/AllocationTracker.h"
#include "tests/media/ImageFixtures.h"

using imagetest::Bytes;

namespace {

TEST(JpegBitmapTest, QualityIsClampedToPercent) {
  const std::pair<int, int> cases[] = {{-5, 0}, {0, 0}, {55, 55}, {100, 100}, {250, 100}};
  for (auto [given, kept] : cases) {
    JpegBitmap jpeg;
    jpeg.SetQuality(given);
    EXPECT_EQ(jpeg.GetQuality(), kept) << given;
  }
}

TEST(JpegBitmapTest, CompressedPixelsDecodeBackAndHigherQualityIsCloser) {
  const int w = 96, h = 64;
  const Bytes px = imagetest::Ramp(w, h);
  double psnr[2] = {};
  size_t sizes[2] = {};
  const int qualities[2] = {10, 100};
  for (int i = 0; i < 2; ++i) {
    JpegBitmap enc;
    enc.SetQuality(qualities[i]);
    ASSERT_TRUE(enc.Compress(w, h, px.data()));
    sizes[i] = enc.CompressedSize();
    ASSERT_GT(sizes[i], 100u);
    EXPECT_EQ(enc.Pixels()[0], 0xFF);
    EXPECT_EQ(enc.Pixels()[1], 0xD8);
    EXPECT_EQ(enc.Pixels()[sizes[i] - 1], 0xD9);
    JpegBitmap dec;
    ASSERT_TRUE(dec.DecodeFromMemory(enc.Pixels(), enc.CompressedSize()));
    ASSERT_EQ(dec.Width(), uint32_t(w));
    ASSERT_EQ(dec.Height(), uint32_t(h));
    ASSERT_EQ(dec.BitsPerPixel(), 24);
    psnr[i] = imagetest::Psnr(px.data(), dec.Pixels(), px.size());
  }
  EXPECT_LT(sizes[0], sizes[1]);
  EXPECT_GT(psnr[0], 22.0);
  EXPECT_GT(psnr[1], 38.0);
  EXPECT_GT(psnr[1], psnr[0] + 8);
}

TEST(JpegBitmapTest, EmptyOrMissingPixelsAreNotCompressed) {
  const uint8_t px[3] = {1, 2, 3};
  JpegBitmap jpeg;
  EXPECT_FALSE(jpeg.Compress(0, 1, px));
  EXPECT_FALSE(jpeg.Compress(1, 0, px));
  EXPECT_FALSE(jpeg.Compress(1, 1, nullptr));
  EXPECT_FALSE(jpeg.Compress(70000, 1, px));
  EXPECT_EQ(jpeg.CompressedSize(), 0u);
}

// Greyscale, CMYK (as Adobe writes it: inverted, with its APP14) and RGB-coded files all
// come out as R G B; a flat colour shows where each component went.
TEST(JpegBitmapTest, EveryColourSpaceDecodesToRgb) {
  struct Case {
    const char* name;
    imagetest::JpegOptions options;
    Bytes pixel;  // one pixel as the encoder takes it
    int r, g, b;  // what the decoder must give
  };
  const Case cases[] = {
      {"grey", {1, JCS_GRAYSCALE, JCS_GRAYSCALE, 100, true, false}, {100}, 100, 100, 100},
      // Inverted CMYK: full magenta and yellow ink, no cyan, no black, i.e. red.
      {"cmyk red", {4, JCS_CMYK, JCS_CMYK, 100, false, false}, {255, 0, 0, 255}, 255, 0, 0},
      // Half cyan ink and half black: (1 - 0.5) * (1 - 0.5) = a quarter of red left.
      {"cmyk dark", {4, JCS_CMYK, JCS_CMYK, 100, false, false}, {128, 255, 255, 128}, 64, 128, 128},
      {"rgb coded", {3, JCS_RGB, JCS_RGB, 100, false, false}, {10, 200, 90}, 10, 200, 90},
      {"progressive", {3, JCS_RGB, JCS_YCbCr, 100, true, true}, {10, 200, 90}, 10, 200, 90},
  };
  for (const Case& c : cases) {
    const int w = 16, h = 8;
    Bytes px;
    for (int i = 0; i < w * h; ++i) px.insert(px.end(), c.pixel.begin(), c.pixel.end());
    const Bytes file = imagetest::EncodeJpeg(px.data(), w, h, c.options);
    JpegBitmap dec;
    ASSERT_TRUE(dec.DecodeFromMemory(file.data(), file.size())) << c.name;
    ASSERT_EQ(dec.BitsPerPixel(), 24) << c.name;
    ASSERT_EQ(dec.Size(), size_t(w * h * 3)) << c.name;
    const uint8_t* mid = dec.Pixels() + (4 * w + 8) * 3;
    EXPECT_NEAR(mid[0], c.r, 3) << c.name;
    EXPECT_NEAR(mid[1], c.g, 3) << c.name;
    EXPECT_NEAR(mid[2], c.b, 3) << c.name;
  }
}

TEST(JpegBitmapTest, DamagedAndTruncatedStreamsAreRefused) {
  const Bytes px = imagetest::Ramp(64, 64);
  const Bytes good = imagetest::EncodeJpeg(px.data(), 64, 64);
  imagetest::JpegOptions progressive;
  progressive.progressive = true;
  const Bytes goodProgressive = imagetest::EncodeJpeg(px.data(), 64, 64, progressive);
  struct Case {
    const char* name;
    Bytes bytes;
  };
  std::vector<Case> cases = {
      {"header only", Bytes(good.begin(), good.begin() + 200)},
      {"half the scan", Bytes(good.begin(), good.begin() + long(good.size() / 2))},
      {"progressive, half", Bytes(goodProgressive.begin(), goodProgressive.begin() + long(goodProgressive.size() / 2))},
      {"not a JPEG", Bytes(good.size(), 0x5A)},
      {"two bytes", Bytes{0xFF, 0xD8}},
  };
  Bytes badTables = good;
  badTables[22] = 0xFF;  // inside the first table, a marker where none may be
  badTables[23] = 0xC4;
  cases.push_back({"broken table", badTables});
  for (const Case& c : cases) {
    JpegBitmap dec;
    EXPECT_FALSE(dec.DecodeFromMemory(c.bytes.data(), c.bytes.size())) << c.name;
  }
  // Only the closing EOI missing: every pixel has arrived.
  JpegBitmap dec;
  EXPECT_TRUE(dec.DecodeFromMemory(good.data(), good.size() - 2));
}

TEST(JpegBitmapTest, HugeDimensionsInASmallFileCostNoHugeBuffer) {
  const Bytes px = imagetest::Ramp(16, 16);
  struct Case {
    uint16_t w, h;
  };
  // 65535 x 65535 is beyond the pixel limit; 8000 x 8000 is within it, but the data ends.
  for (const Case c : {Case{65535, 65535}, Case{8000, 8000}, Case{65535, 1}}) {
    Bytes file = imagetest::EncodeJpeg(px.data(), 16, 16);
    ASSERT_TRUE(imagetest::SetJpegSize(file, c.w, c.h));
    imagetest::ResetLargestAllocation();
    JpegBitmap dec;
    EXPECT_FALSE(dec.DecodeFromMemory(file.data(), file.size())) << c.w << "x" << c.h;
    EXPECT_LE(imagetest::LargestAllocation(), size_t{8} << 20) << c.w << "x" << c.h;
  }
}

TEST(JpegBitmapTest, LoadsAFileAndFailsOnAMissingOne) {
  const Bytes px = imagetest::Ramp(40, 30);
  const Bytes file = imagetest::EncodeJpeg(px.data(), 40, 30);
  const std::filesystem::path path = std::filesystem::path(PLENWICK_TEST_BINARY_DIR) / "jpeg-load-test.jpg";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), long(file.size()));
  JpegBitmap dec;
  ASSERT_TRUE(dec.LoadFile(Utf8ToWide(path.string())));
  EXPECT_EQ(dec.Width(), 40u);
  EXPECT_EQ(dec.Height(), 30u);
  EXPECT_GT(imagetest::Psnr(px.data(), dec.Pixels(), px.size()), 30.0);
  std::filesystem::remove(path);
  EXPECT_FALSE(JpegBitmap().LoadFile(Utf8ToWide(path.string())));
}

TEST(JpegBitmapTest, FindsTheSpanFromStartToEndOfImage) {
  struct Case {
    const char* name;
    Bytes data;
    long start;  // -1: none
    size_t length;
  };
  const Case cases[] = {
      {"plain", {0xFF, 0xD8, 1, 2, 0xFF, 0xD9}, 0, 6},
      {"after junk", {7, 7, 0xFF, 0xD8, 3, 0xFF, 0xD9, 9}, 2, 5},
      {"a later start wins", {0xFF, 0xD8, 1, 0xFF, 0xD8, 2, 0xFF, 0xD9}, 3, 5},
      {"end before start", {0xFF, 0xD9, 0xFF, 0xD8, 1}, -1, 0},
      {"no end", {0xFF, 0xD8, 1, 2, 3}, -1, 0},
      {"empty", {}, -1, 0},
  };
  for (const Case& c : cases) {
    size_t length = 99;
    const uint8_t* at = FindJpegSoiToEoi(c.data.data(), c.data.size(), length);
    if (c.start < 0) {
      EXPECT_EQ(at, nullptr) << c.name;
    } else {
      EXPECT_EQ(at, c.data.data() + c.start) << c.name;
      EXPECT_EQ(length, c.length) << c.name;
    }
  }
}

}  // namespace
