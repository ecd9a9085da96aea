#include <gtest/gtest.h>

#include "media/JpegBitmap.h"
#include "media/JpegSectionList.h"
#include "tests/media/ImageFixtures.h"

using imagetest::Bytes;

namespace {

Bytes Decoded(const Bytes& jpeg) {
  JpegBitmap bitmap;
  if (!bitmap.DecodeFromMemory(jpeg.data(), jpeg.size())) return {};
  return Bytes(bitmap.Pixels(), bitmap.Pixels() + bitmap.Size());
}

// SOI, then the given section, then the rest of the stream after its own SOI.
Bytes WithSection(const Bytes& jpeg, const Bytes& section) {
  Bytes out = {0xFF, 0xD8};
  out.insert(out.end(), section.begin(), section.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

const Bytes kJfifOfOurs = {0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 1, 1, 0x2C, 1, 0x2C, 0, 0};

TEST(JpegSectionListTest, MetadataGoesAndTheImageDecodesTheSame) {
  const Bytes px = imagetest::Ramp(24, 16);
  const Bytes jfif = imagetest::EncodeJpeg(px.data(), 24, 16);
  imagetest::JpegOptions bare;
  bare.jfif = false;
  const Bytes noJfif = imagetest::EncodeJpeg(px.data(), 24, 16, bare);
  imagetest::JpegOptions rgb{3, JCS_RGB, JCS_RGB, 90, false, false};  // Adobe APP14, transform 0
  const Bytes adobeRgb = imagetest::EncodeJpeg(px.data(), 24, 16, rgb);
  const Bytes exif = {0xFF, 0xE1, 0x00, 0x0A, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M'};
  const Bytes comment = {0xFF, 0xFE, 0x00, 0x07, 'a', '\r', '\n', 1, 'b'};
  const Bytes app13 = {0xFF, 0xED, 0x00, 0x04, 'P', 'S'};
  struct Case {
    const char* name;
    Bytes input;
    Bytes expectedStart;  // what the rebuilt stream begins with
    size_t expectedLength;
  };
  const Case cases[] = {
      // Its own JFIF header is kept as it is.
      {"jfif", WithSection(jfif, comment), Bytes(jfif.begin(), jfif.begin() + 20), jfif.size()},
      // An Exif APP1 goes, and a JFIF header of ours comes in its place.
      {"exif", WithSection(noJfif, exif), Bytes{0xFF, 0xD8, 0xFF, 0xE0}, noJfif.size() + kJfifOfOurs.size()},
      {"photoshop", WithSection(noJfif, app13), Bytes{0xFF, 0xD8, 0xFF, 0xE0}, noJfif.size() + kJfifOfOurs.size()},
      // RGB coded: Adobe's APP14 stays and no JFIF header is added (it would make it YCbCr).
      {"adobe rgb", WithSection(adobeRgb, comment), Bytes{0xFF, 0xD8, 0xFF, 0xEE}, adobeRgb.size()},
  };
  for (const Case& c : cases) {
    const Bytes clean = RebuildJpegWithoutMetadata(c.input.data(), c.input.size());
    ASSERT_EQ(clean.size(), c.expectedLength) << c.name;
    EXPECT_EQ(Bytes(clean.begin(), clean.begin() + long(c.expectedStart.size())), c.expectedStart) << c.name;
    const Bytes original = Decoded(c.input);
    ASSERT_FALSE(original.empty()) << c.name;
    EXPECT_EQ(Decoded(clean), original) << c.name;
  }
  JpegSectionList list;
  const Bytes withComment = WithSection(jfif, comment);
  ASSERT_TRUE(list.Read(withComment.data(), withComment.size(), true, true));
  EXPECT_EQ(list.Comment(), "a\n?b");
  EXPECT_EQ(list.Width(), 24);
  EXPECT_EQ(list.Height(), 16);
  EXPECT_TRUE(list.IsColor());
  EXPECT_EQ(list.Process(), 0xC0);
}

TEST(JpegSectionListTest, DamagedSectionsCannotBeRebuilt) {
  const Bytes px = imagetest::Ramp(8, 8);
  const Bytes jpeg = imagetest::EncodeJpeg(px.data(), 8, 8);
  Bytes many = {0xFF, 0xD8};
  for (int i = 0; i < 101; ++i) many.insert(many.end(), {0xFF, 0xE3, 0x00, 0x02});
  many.insert(many.end(), jpeg.begin() + 2, jpeg.end());
  Bytes hundred = {0xFF, 0xD8};
  for (int i = 0; i < 90; ++i) hundred.insert(hundred.end(), {0xFF, 0xE3, 0x00, 0x02});
  hundred.insert(hundred.end(), jpeg.begin() + 2, jpeg.end());
  EXPECT_FALSE(RebuildJpegWithoutMetadata(hundred.data(), hundred.size()).empty());
  struct Case {
    const char* name;
    Bytes bytes;
  };
  const Case cases[] = {
      {"101 sections", many},
      {"section past the end", {0xFF, 0xD8, 0xFF, 0xE3, 0x10, 0x00, 1, 2, 3}},
      {"length 1", {0xFF, 0xD8, 0xFF, 0xE3, 0x00, 0x01, 0xFF, 0xDA, 0, 2, 5}},
      {"short frame header", {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x04, 8, 0, 0xFF, 0xDA, 0x00, 0x02, 5}},
      {"end before scan", {0xFF, 0xD8, 0xFF, 0xD9, 0x00, 0x02}},
      {"seven fill bytes", {0xFF, 0xD8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xDA, 0x00, 0x02, 5}},
      {"nothing after the scan header", {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02}},
      {"no start", Bytes(jpeg.begin() + 2, jpeg.end())},
      {"cut inside a length", {0xFF, 0xD8, 0xFF, 0xE0, 0x00}},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(RebuildJpegWithoutMetadata(c.bytes.data(), c.bytes.size()).empty()) << c.name;
  }
}

}  // namespace
