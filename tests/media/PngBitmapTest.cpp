#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "media/PngBitmap.h"
#include "tests/media/AllocationTracker.h"
#include "tests/media/ImageFixtures.h"

using imagetest::Bytes;

namespace {

struct Kind {
  const char* name;
  imagetest::PngOptions options;
  Bytes rows;                 // 2 x 2 pixels as stored
  int channels;               // decoded
  std::vector<Bytes> pixels;  // decoded, in row order
};

TEST(PngBitmapTest, EveryKindDecodesToEightBitRgbOrRgba) {
  static const png_color_16 kGreyBackground{0, 0, 0, 0, 200};
  static const png_color_16 kRgbBackground{0, 0, 255, 0, 0};  // green
  imagetest::PngOptions grey{PNG_COLOR_TYPE_GRAY, 8, false, {}, {}, nullptr};
  imagetest::PngOptions greyAlpha{PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, {}, {}, nullptr};
  imagetest::PngOptions palette{PNG_COLOR_TYPE_PALETTE, 8, false, {{255, 0, 0}, {0, 0, 255}}, {255, 0}, nullptr};
  imagetest::PngOptions deep{PNG_COLOR_TYPE_RGB, 16, false, {}, {}, nullptr};
  imagetest::PngOptions oneBit{PNG_COLOR_TYPE_GRAY, 1, false, {}, {}, nullptr};
  imagetest::PngOptions interlaced{PNG_COLOR_TYPE_RGB, 8, true, {}, {}, nullptr};
  imagetest::PngOptions backed{PNG_COLOR_TYPE_RGB_ALPHA, 8, false, {}, {}, &kRgbBackground};
  imagetest::PngOptions greyBacked{PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, {}, {}, &kGreyBackground};
  const Kind kinds[] = {
      {"grey", grey, {0, 100, 200, 255}, 3, {{0, 0, 0}, {100, 100, 100}, {200, 200, 200}, {255, 255, 255}}},
      {"grey+alpha",
       greyAlpha,
       {10, 255, 20, 0, 30, 128, 40, 1},
       4,
       {{10, 10, 10, 255}, {20, 20, 20, 0}, {30, 30, 30, 128}, {40, 40, 40, 1}}},
      {"palette+tRNS", palette, {0, 1, 1, 0}, 4, {{255, 0, 0, 255}, {0, 0, 255, 0}, {0, 0, 255, 0}, {255, 0, 0, 255}}},
      // 16 bits a sample, big-endian: the high byte stays.
      {"16-bit",
       deep,
       {0x12, 0x34, 0xAB, 0xCD, 0xFF, 0xFF, 0, 1, 0x80, 0, 0x7F, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
       3,
       {{0x12, 0xAB, 0xFF}, {0, 0x80, 0x7F}, {1, 3, 5}, {7, 9, 11}}},
      // Two pixels a row in the high bits of one byte each: 1 0 / 0 1.
      {"1-bit", oneBit, {0x80, 0x40}, 3, {{255, 255, 255}, {0, 0, 0}, {0, 0, 0}, {255, 255, 255}}},
      {"interlaced",
       interlaced,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
       3,
       {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}}},
      // Composited over the bKGD colour, which takes the alpha away.
      {"bKGD",
       backed,
       {200, 0, 0, 255, 200, 0, 0, 0, 0, 0, 0, 128, 255, 255, 255, 255},
       3,
       {{200, 0, 0}, {0, 255, 0}, {0, 127, 0}, {255, 255, 255}}},
      {"grey bKGD",
       greyBacked,
       {0, 0, 100, 255, 0, 255, 0, 0},
       3,
       {{200, 200, 200}, {100, 100, 100}, {0, 0, 0}, {200, 200, 200}}},
  };
  for (const Kind& k : kinds) {
    const Bytes file = imagetest::EncodePng(k.rows, 2, 2, k.options);
    ASSERT_FALSE(file.empty()) << k.name;
    PngBitmap png;
    ASSERT_TRUE(png.DecodeFromMemory(file.data(), file.size())) << k.name;
    EXPECT_EQ(png.Width(), 2u) << k.name;
    EXPECT_EQ(png.Height(), 2u) << k.name;
    ASSERT_EQ(png.Channels(), k.channels) << k.name;
    EXPECT_EQ(png.BitsPerPixel(), 8 * k.channels) << k.name;
    EXPECT_EQ(png.ColorType(), k.options.colorType) << k.name;
    EXPECT_EQ(png.InterlaceType(), k.options.interlaced ? 1 : 0) << k.name;
    EXPECT_EQ(png.Background().has_value(), k.options.background != nullptr) << k.name;
    for (size_t i = 0; i < 4; ++i) {
      const Bytes got(png.Pixels() + i * k.channels, png.Pixels() + (i + 1) * k.channels);
      for (int c = 0; c < k.channels; ++c)
        EXPECT_NEAR(got[c], k.pixels[i][c], 1) << k.name << " pixel " << i << " c " << c;
      if (k.channels == 4) {
        EXPECT_EQ(png.AlphaPlane()[i], k.pixels[i][3]) << k.name;
      }
    }
    if (k.channels == 3) {
      EXPECT_EQ(png.AlphaPlane(), nullptr) << k.name;
    }
  }
}

TEST(PngBitmapTest, TruncatedDamagedAndOversizedFilesAreRefused) {
  Bytes rows;
  for (int i = 0; i < 64 * 64 * 3; ++i) rows.push_back(static_cast<uint8_t>(i * 31));
  const Bytes good = imagetest::EncodePng(rows, 64, 64);
  ASSERT_TRUE(PngBitmap().DecodeFromMemory(good.data(), good.size()));
  std::vector<std::pair<const char*, Bytes>> cases;
  for (size_t cut :
       {size_t{4}, size_t{8}, size_t{20}, size_t{40}, good.size() / 2, good.size() - 20, good.size() - 1}) {
    cases.push_back({"truncated", Bytes(good.begin(), good.begin() + long(cut))});
  }
  Bytes badCrc = good;
  badCrc[30] ^= 0xFF;  // inside IHDR, with its CRC left as it was
  cases.push_back({"bad CRC", badCrc});
  Bytes badSignature = good;
  badSignature[1] = 'Q';
  cases.push_back({"signature", badSignature});
  // Sizes the data can't hold, and beyond the limits: refused before any pixel buffer.
  for (auto [w, h] : {std::pair<uint32_t, uint32_t>{8000, 8000}, {65535, 65535}, {70000, 1}, {0, 5}, {0x7FFFFFFF, 2}}) {
    Bytes big = good;
    imagetest::SetPngSize(big, w, h);
    cases.push_back({"size", big});
  }
  // A chunk declaring more bytes than the file holds, ahead of the image: its buffer would be
  // sized by what it declares (a fuzzer's find: an sPLT of 1.7 GB in 120 bytes).
  for (const char* type : {"sPLT", "tEXt", "zzZz"}) {
    Bytes lying(good.begin(), good.begin() + 33);  // the signature and IHDR
    lying.insert(lying.end(), {0x67, 0x00, 0x00, 0x00});
    lying.insert(lying.end(), type, type + 4);
    lying.insert(lying.end(), good.begin() + 33, good.end());
    cases.push_back({type, lying});
  }
  for (const auto& [name, bytes] : cases) {
    imagetest::ResetLargestAllocation();
    PngBitmap png;
    EXPECT_FALSE(png.DecodeFromMemory(bytes.data(), bytes.size())) << name << " " << bytes.size();
    EXPECT_EQ(png.Pixels(), nullptr) << name;
    EXPECT_LE(imagetest::LargestAllocation(), size_t{1} << 20) << name;
  }
  EXPECT_FALSE(PngBitmap().DecodeFromMemory(nullptr, 100));
}

TEST(PngBitmapTest, ASurfaceWrittenAsPngLoadsBackWithTheSameColours) {
  GWorldPtr world = nullptr;
  ASSERT_TRUE(CreateOffscreenGWorld(&world, 7, 5, 32));
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x)
      world->SetPixel(x, y, 0x80000000u | uint32_t(x * 30) << 16 | uint32_t(y * 50) << 8 | uint32_t(x * y));
  }
  const std::filesystem::path dir = std::filesystem::path(PLENWICK_TEST_BINARY_DIR) / "png-write-test";
  std::filesystem::create_directories(dir);
  const WideString path = Utf8ToWide((dir / "surface.png").string());
  ASSERT_TRUE(WriteGWorldAsPng(world, path));
  PngBitmap png;
  ASSERT_TRUE(png.LoadFile(path));
  ASSERT_EQ(png.Channels(), 3);
  Bitmap captured;
  ASSERT_TRUE(captured.CaptureGWorld(world));
  ASSERT_EQ(png.Size(), captured.Size());
  EXPECT_EQ(Bytes(png.Pixels(), png.Pixels() + png.Size()),
            Bytes(captured.Pixels(), captured.Pixels() + captured.Size()));
  // A folder that doesn't exist can't take the file.
  EXPECT_FALSE(WriteGWorldAsPng(world, Utf8ToWide((dir / "missing" / "x.png").string())));
  EXPECT_FALSE(WriteGWorldAsPng(nullptr, path));
  DisposeOffscreenGWorld(&world);
  std::filesystem::remove_all(dir);
}

TEST(BitmapTest, DrawingIntoASurfaceClipsAtEveryEdge) {
  Bitmap image;
  ASSERT_TRUE(image.Allocate(200, 100, 24));
  for (size_t i = 0; i < image.Size(); ++i) image.Pixels()[i] = 7;
  struct Case {
    int x, y;
    int columns, rows;  // painted
  };
  const Case cases[] = {{0, 0, 150, 100}, {100, 0, 50, 100}, {-180, -90, 20, 10}, {149, 149, 1, 1}, {150, 0, 0, 0}};
  for (const Case& c : cases) {
    GWorldPtr world = nullptr;
    ASSERT_TRUE(CreateOffscreenGWorld(&world, 150, 150, 32));
    EXPECT_TRUE(image.DrawToGWorld(world, c.x, c.y));
    int painted = 0;
    for (int y = 0; y < 150; ++y) {
      for (int x = 0; x < 150; ++x) painted += world->GetPixel(x, y) == 0xFF070707u;
    }
    EXPECT_EQ(painted, c.columns * c.rows) << c.x << "," << c.y;
    DisposeOffscreenGWorld(&world);
  }
  Bitmap small;
  ASSERT_TRUE(small.Allocate(2, 2, 24));
  EXPECT_TRUE(small.CopyInto(image, 198, 98));
  EXPECT_FALSE(small.CopyInto(image, 199, 0));
  EXPECT_FALSE(small.CopyInto(image, -1, 0));
  EXPECT_FALSE(image.Allocate(70000, 1, 24));
  EXPECT_FALSE(image.Allocate(1, 1, 16));
}

}  // namespace
