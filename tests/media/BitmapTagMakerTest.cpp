#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "media/BitmapTagMaker.h"
#include "media/ColorQuantizer.h"
#include "media/JpegBitmap.h"
#include "platform/Checksum.h"
#include "tests/media/ImageFixtures.h"

using imagetest::Bytes;

namespace {

Bytes Inflate(const std::vector<uint8_t>& packed) {
  size_t length = 0;
  auto out = UncompressToNewBuffer(packed.data(), packed.size(), length);
  return out ? Bytes(out.get(), out.get() + length) : Bytes{};
}

TEST(BitmapTagMakerTest, FifteenBitRowsArePaddedAndComponentsRounded) {
  struct Case {
    uint32_t width;
    Bytes pixels;
    Bytes body;
  };
  const Case cases[] = {
      // 255 -> 31, 0 -> 0, 128 -> 16 (15.56 + 0.5 truncated); high byte first; 2 padding bytes.
      {3, {255, 0, 128, 0, 0, 0, 255, 255, 255}, {0x7C, 0x10, 0x00, 0x00, 0x7F, 0xFF, 0x00, 0x00}},
      {4, {255, 0, 0, 0, 255, 0, 0, 0, 255, 8, 8, 8}, {0x7C, 0x00, 0x03, 0xE0, 0x00, 0x1F, 0x04, 0x21}},
  };
  for (const Case& c : cases) {
    BitmapTagMaker maker;
    auto tag = maker.MakeLossless(c.pixels.data(), c.width, 1, 15);
    ASSERT_TRUE(tag);
    EXPECT_EQ(tag->GetFormat(), DefineBitsLosslessTag::kRgb15);
    EXPECT_EQ(tag->GetWidth(), c.width);
    EXPECT_EQ(tag->GetHeight(), 1);
    EXPECT_EQ(Inflate(tag->GetData()), c.body) << c.width;
    EXPECT_EQ(maker.GetTag(), tag.get());
    EXPECT_EQ(maker.GetWidth(), c.width);
  }
}

TEST(BitmapTagMakerTest, ColourMappedImagesRoundTripExactly) {
  // 5 colours over a 6 x 3 image: a table of 5 x 3 bytes, then rows of 8 (6 padded to 4s).
  const uint8_t colours[5][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {250, 250, 250}, {10, 20, 30}};
  Bytes px;
  for (int i = 0; i < 18; ++i) px.insert(px.end(), colours[(i * 7) % 5], colours[(i * 7) % 5] + 3);
  BitmapTagMaker maker;
  auto tag = maker.MakeLossless(px.data(), 6, 3, 8);
  ASSERT_TRUE(tag);
  EXPECT_EQ(tag->GetFormat(), DefineBitsLosslessTag::kColorMapped);
  EXPECT_EQ(tag->GetColorTableSize(), 4);
  const Bytes body = Inflate(tag->GetData());
  ASSERT_EQ(body.size(), 15u + 3 * 8);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 6; ++x) {
      const uint8_t index = body[15 + y * 8 + x];
      ASSERT_LT(index, 5);
      EXPECT_EQ(Bytes(body.begin() + index * 3, body.begin() + index * 3 + 3),
                Bytes(px.begin() + (y * 6 + x) * 3, px.begin() + (y * 6 + x) * 3 + 3));
    }
  }
}

TEST(BitmapTagMakerTest, TrueColourIsZeroRedGreenBlue) {
  const Bytes px = {1, 2, 3, 4, 5, 6};
  for (int depth : {24, 32}) {
    BitmapTagMaker maker;
    auto tag = maker.MakeLossless(px.data(), 2, 1, depth);
    ASSERT_TRUE(tag);
    EXPECT_EQ(tag->TagCode(), kSwfTagDefineBitsLossless);
    EXPECT_EQ(tag->GetFormat(), DefineBitsLosslessTag::kRgb32);
    EXPECT_EQ(Inflate(tag->GetData()), (Bytes{0, 1, 2, 3, 0, 4, 5, 6}));
  }
}

TEST(BitmapTagMakerTest, AlphaIsPremultipliedIntoTheColour) {
  const Bytes px = {200, 100, 50, 255, 200, 100, 50, 128, 200, 100, 50, 0};
  BitmapTagMaker maker;
  auto lossless = maker.MakeLosslessWithAlpha(px.data(), 3, 1);
  ASSERT_TRUE(lossless);
  EXPECT_EQ(lossless->TagCode(), kSwfTagDefineBitsLossless2);
  EXPECT_EQ(Inflate(lossless->GetData()), (Bytes{255, 200, 100, 50, 128, 100, 50, 25, 0, 0, 0, 0}));

  auto jpeg = maker.MakeJpegWithAlpha(px.data(), 3, 1, 100);
  ASSERT_TRUE(jpeg);
  EXPECT_EQ(jpeg->TagCode(), kSwfTagDefineBitsJpeg3);
  EXPECT_EQ(Inflate(jpeg->GetAlphaData()), (Bytes{255, 128, 0}));
  // A flat half-transparent colour: the JPEG holds it multiplied by one half.
  Bytes flat;
  for (int i = 0; i < 16 * 16; ++i) flat.insert(flat.end(), {200, 100, 50, 128});
  jpeg = maker.MakeJpegWithAlpha(flat.data(), 16, 16, 100);
  ASSERT_TRUE(jpeg);
  JpegBitmap colour;
  ASSERT_TRUE(colour.DecodeFromMemory(jpeg->GetData().data(), jpeg->GetData().size()));
  EXPECT_NEAR(colour.Pixels()[0], 100, 2);
  EXPECT_NEAR(colour.Pixels()[1], 50, 2);
  EXPECT_NEAR(colour.Pixels()[2], 25, 2);
}

TEST(BitmapTagMakerTest, JpegFromPixelsDecodesAndClampsTheQuality) {
  const Bytes px = imagetest::Ramp(32, 24);
  BitmapTagMaker maker;
  auto at100 = maker.MakeJpegFromPixels(px.data(), 32, 24, 100);
  auto at120 = maker.MakeJpegFromPixels(px.data(), 32, 24, 120);
  ASSERT_TRUE(at100 && at120);
  EXPECT_EQ(at100->GetData(), at120->GetData());
  EXPECT_EQ(at120->GetCharacterId(), 1);
  JpegBitmap back;
  ASSERT_TRUE(back.DecodeFromMemory(at100->GetData().data(), at100->GetData().size()));
  EXPECT_GT(imagetest::Psnr(px.data(), back.Pixels(), px.size()), 35.0);
}

TEST(BitmapTagMakerTest, DefineBitsWithItsTablesDecodesLikeACompleteJpeg) {
  const Bytes px = imagetest::Ramp(32, 24);
  BitmapTagMaker maker;
  auto tables = maker.MakeJpegTables(75);
  auto bits = maker.MakeDefineBits(px.data(), 32, 24, 75);
  auto complete = maker.MakeJpegFromPixels(px.data(), 32, 24, 75);
  ASSERT_TRUE(tables && bits && complete);
  // A player joins the two: the tables stream without its EOI, the image without its SOI.
  Bytes joined(tables->GetData().begin(), tables->GetData().end() - 2);
  joined.insert(joined.end(), bits->GetData().begin() + 2, bits->GetData().end());
  JpegBitmap a, b;
  ASSERT_TRUE(a.DecodeFromMemory(joined.data(), joined.size()));
  ASSERT_TRUE(b.DecodeFromMemory(complete->GetData().data(), complete->GetData().size()));
  EXPECT_EQ(Bytes(a.Pixels(), a.Pixels() + a.Size()), Bytes(b.Pixels(), b.Pixels() + b.Size()));
  EXPECT_LT(bits->GetData().size() + 300, complete->GetData().size());  // no tables of its own
}

TEST(BitmapTagMakerTest, JpegFilesAreCleanedOrCutToTheirImage) {
  const Bytes px = imagetest::Ramp(16, 16);
  const Bytes jpeg = imagetest::EncodeJpeg(px.data(), 16, 16);
  const std::filesystem::path path = std::filesystem::path(PLENWICK_TEST_BINARY_DIR) / "maker-file-test.jpg";
  auto makeFrom = [&](const Bytes& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    BitmapTagMaker maker;
    return maker.MakeJpegFromFile(Utf8ToWide(path.string()), 640, 480);
  };
  // A comment goes; the rest stays as it was.
  Bytes commented = {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x05, 'h', 'i', '!'};
  commented.insert(commented.end(), jpeg.begin() + 2, jpeg.end());
  auto tag = makeFrom(commented);
  ASSERT_TRUE(tag);
  EXPECT_EQ(tag->GetData(), jpeg);
  // Sections that can't be read, around a start and an end of image: exactly that span.
  const Bytes junk = {1, 2, 0xFF, 0xD8, 0xFF, 0xC4, 0xFF, 0xFF, 9, 0xFF, 0xD9, 7};
  tag = makeFrom(junk);
  ASSERT_TRUE(tag);
  EXPECT_EQ(tag->GetData(), Bytes(junk.begin() + 2, junk.begin() + 11));
  EXPECT_FALSE(makeFrom(Bytes{1, 2, 3, 0xFF, 0xD9}));
  std::filesystem::remove(path);
  BitmapTagMaker maker;
  EXPECT_FALSE(maker.MakeJpegFromFile(Utf8ToWide(path.string()), 1, 1));
  EXPECT_EQ(maker.GetTag(), nullptr);
}

TEST(BitmapTagMakerTest, NothingIsMadeFromNoImage) {
  const Bytes px(4 * 4 * 4, 9);
  BitmapTagMaker maker;
  EXPECT_FALSE(maker.MakeLossless(px.data(), 2, 2, 16));
  EXPECT_FALSE(maker.MakeLossless(px.data(), 0, 2, 8));
  EXPECT_FALSE(maker.MakeLossless(px.data(), 2, 0, 24));
  EXPECT_FALSE(maker.MakeLossless(nullptr, 2, 2, 24));
  EXPECT_FALSE(maker.MakeLossless(px.data(), 70000, 1, 24));
  EXPECT_FALSE(maker.MakeJpegFromPixels(px.data(), 0, 0, 50));
  EXPECT_FALSE(maker.MakeJpegWithAlpha(px.data(), 0, 1, 50));
  EXPECT_FALSE(maker.MakeLosslessWithAlpha(px.data(), 1, 0));
  EXPECT_FALSE(maker.MakeDefineBits(nullptr, 1, 1, 50));
  EXPECT_EQ(maker.GetTag(), nullptr);
  EXPECT_EQ(maker.GetWidth(), 0u);
  auto tag = maker.MakeLossless(px.data(), 2, 2, 24);
  ASSERT_TRUE(tag);
  maker.Release();
  EXPECT_EQ(maker.GetTag(), nullptr);
  EXPECT_EQ(maker.GetWidth(), 0u);
  EXPECT_EQ(tag->GetWidth(), 2);  // the tag lives on with its owner
}

}  // namespace
