#include "swf/BitmapTags.h"

#include <gtest/gtest.h>

#include "tests/swf/TagTestSupport.h"

namespace {

using tagtest::Bytes;
using tagtest::ReadTag;
using tagtest::WriteTag;

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(BitmapTags, LosslessAlwaysWritesTheLongHeader) {
  DefineBitsLosslessTag tag(4);
  tag.SetCharacterId(7);
  tag.SetWidth(2);
  tag.SetHeight(3);
  const uint8_t data[] = {1, 2, 3};
  tag.SetData(data, 3);
  // 10-byte body, still 0x3F 0x05 and a u32 length; format 4 writes no colour-table byte.
  EXPECT_EQ(WriteTag(tag, 6), (Bytes{0x3F, 0x05, 10, 0, 0, 0, 7, 0, 4, 2, 0, 3, 0, 1, 2, 3}));
}

TEST(BitmapTags, ColourTableByteOnlyForColourMappedFormat) {
  for (uint8_t format : {3, 4, 5}) {
    DefineBitsLossless2Tag tag(format);
    tag.SetCharacterId(1);
    tag.SetColorTableSize(9);
    const Bytes body = tagtest::BodyOf(WriteTag(tag, 6));
    EXPECT_EQ(body.size(), format == 3 ? 8u : 7u) << int(format);
    if (format == 3) {
      EXPECT_EQ(body[7], 9);
    }
    auto copy = tagtest::RoundTrip(tag, 6);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->GetColorTableSize(), format == 3 ? 9 : 0);
    EXPECT_EQ(copy->TagCode(), 36);
  }
}

TEST(BitmapTags, Jpeg2From40BytesGetsAShortHeader) {
  Bytes jpeg(40, 0x11);
  DefineBitsJpeg2Tag tag(3, jpeg.data(), jpeg.size());
  const Bytes bytes = WriteTag(tag, 6);
  ASSERT_EQ(bytes.size(), 44u);
  EXPECT_EQ(bytes[0], (21 << 6 | 42) & 0xFF);
  EXPECT_EQ(bytes[1], (21 << 6 | 42) >> 8);
}

TEST(BitmapTags, UnknownLengthScansToTheEndMarkers) {
  const Bytes first = {0xFF, 0xD8, 0xFF, 0x00, 0xFF, 0xD9};
  const Bytes second = {0xFF, 0xD8, 0x12, 0xFF, 0xD9};
  const Bytes after = {0xAA, 0xBB};
  const Bytes body = Concat({{5, 0}, first, second, after});
  {
    DefineBitsTag tag;  // body length unknown
    SwfReader reader(body, 6);
    tag.Read(reader);
    EXPECT_FALSE(reader.HasOverrun());
    EXPECT_EQ(tag.GetCharacterId(), 5);
    EXPECT_EQ(tag.GetData(), first);
  }
  {
    DefineBitsJpeg2Tag tag;
    SwfReader reader(body, 6);
    tag.Read(reader);
    EXPECT_EQ(tag.GetData(), Concat({first, second}));
  }
}

TEST(BitmapTags, KnownLengthTakesTheWholeBody) {
  const Bytes tagBytes = Concat({{0x86, 0x01}, {9, 0}, {0xFF, 0xD9, 1, 2}});  // DefineBits, 6 bytes
  DefineBitsTag tag(6);
  const tagtest::ReadResult r = ReadTag(tagBytes, tag, 6);
  EXPECT_FALSE(r.overrun);
  EXPECT_EQ(tag.GetData(), (Bytes{0xFF, 0xD9, 1, 2}));
  EXPECT_EQ(WriteTag(tag, 6), tagBytes);
}

// A body too short for the character id is an error, not a length of 2^32 - 1: even a reader
// that is not held inside the body takes nothing of the tags that follow.
TEST(BitmapTags, ShortBodiesAreErrors) {
  const Bytes bodyAndNextTag = {0x05, 0x40, 0x00, 0x40, 0x00};
  {
    DefineBitsTag bits(1);
    SwfReader reader(bodyAndNextTag, 6);
    reader.SetCurrentTagLength(1);
    bits.Read(reader);
    EXPECT_TRUE(reader.HasOverrun());
    EXPECT_TRUE(bits.GetData().empty());
  }
  {
    DefineBitsJpeg2Tag jpeg2;
    jpeg2.SetTagLength(1);
    SwfReader reader(bodyAndNextTag, 6);
    reader.SetCurrentTagLength(1);
    jpeg2.Read(reader);
    EXPECT_TRUE(reader.HasOverrun());
    EXPECT_TRUE(jpeg2.GetData().empty());
  }
  DefineBitsTag framed(1);
  EXPECT_TRUE(ReadTag(Bytes{0x81, 0x01, 0x05}, framed, 6).overrun);
  // The corpus case of a DefineBits whose body is three bytes reads as id 0 with one byte.
  DefineBitsTag three(3);
  EXPECT_FALSE(ReadTag(Bytes{0x83, 0x01, 0, 0, 7}, three, 6).overrun);
  EXPECT_EQ(three.GetData(), Bytes{7});
}

TEST(BitmapTags, Jpeg3AlphaOffsetBeyondTheBodyIsAnError) {
  struct Case {
    uint32_t offset;
    bool error;
  };
  // Body: id, offset, 3 bytes of JPEG and 2 of alpha = 11 bytes.
  for (const Case c : {Case{3, false}, Case{5, false}, Case{6, true}, Case{0xFFFFFFFFu, true}}) {
    Bytes bytes = {static_cast<uint8_t>(35 << 6 | 11),
                   0x08,
                   1,
                   0,
                   static_cast<uint8_t>(c.offset),
                   static_cast<uint8_t>(c.offset >> 8),
                   static_cast<uint8_t>(c.offset >> 16),
                   static_cast<uint8_t>(c.offset >> 24),
                   0xA,
                   0xB,
                   0xC,
                   0xD,
                   0xE};
    DefineBitsJpeg3Tag tag;
    const tagtest::ReadResult r = ReadTag(bytes, tag, 6);
    EXPECT_EQ(r.overrun, c.error) << c.offset;
    EXPECT_EQ(r.nextTag, bytes.size());
    // The same body in a reader that is not held inside it.
    DefineBitsJpeg3Tag unframed;
    SwfReader reader(Bytes(bytes.begin() + 2, bytes.end()), 6);
    reader.SetCurrentTagLength(11);
    unframed.Read(reader);
    EXPECT_EQ(reader.HasOverrun(), c.error) << c.offset;
    EXPECT_LE(unframed.GetData().size() + unframed.GetAlphaData().size(), 5u);
    if (!c.error) {
      EXPECT_EQ(tag.GetData().size() + tag.GetAlphaData().size(), 5u);
      EXPECT_EQ(WriteTag(tag, 6), bytes);
    }
  }
}

TEST(BitmapTags, Jpeg3ReadAndWrittenBackIsByteIdentical) {
  DefineBitsJpeg3Tag tag;
  tag.SetData(12, Bytes{0xFF, 0xD8, 0xFF, 0xD9});
  tag.SetAlphaData(Bytes{0x78, 0x9C, 0x03, 0x00});
  Bytes first;
  auto copy = tagtest::RoundTrip(tag, 8, &first);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->GetAlphaDataOffset(), 4u);
  EXPECT_EQ(copy->GetAlphaData(), tag.GetAlphaData());
  EXPECT_EQ(first.size(), 2u + 2 + 4 + 4 + 4);
  // New image data moves the alpha plane's offset with it.
  copy->SetData(12, Bytes{1, 2, 3, 4, 5, 6});
  EXPECT_EQ(tagtest::BodyOf(WriteTag(*copy, 8))[2], 6);
}

TEST(BitmapTags, JpegTablesTakesExactlyItsBody) {
  const Bytes bytes = {0x04, 0x02, 0xFF, 0xD8, 0xFF, 0xD9};
  JpegTablesTag tag(4);
  EXPECT_FALSE(ReadTag(bytes, tag, 6).overrun);
  EXPECT_EQ(tag.GetData(), (Bytes{0xFF, 0xD8, 0xFF, 0xD9}));
  EXPECT_EQ(WriteTag(tag, 6), bytes);
}

TEST(BitmapTags, RelocationWrapsIds) {
  DefineBitsLosslessTag lossless;
  lossless.SetCharacterId(65535);
  lossless.Relocate(1, 0, 0);
  EXPECT_EQ(lossless.GetCharacterId(), 0);
  DefineBitsTag bits;
  bits.SetCharacterId(10);
  bits.Relocate(5, 3, 2);
  EXPECT_EQ(bits.GetCharacterId(), 15);
  DefineBitsJpeg3Tag jpeg3;
  jpeg3.SetCharacterId(1);
  jpeg3.Relocate(-1, 0, 0);
  EXPECT_EQ(jpeg3.GetCharacterId(), 0);
}

TEST(BitmapTags, CorpusLossless2WithShortBodyGetsTheLongHeader) {
  const Bytes input = tagtest::CorpusTag("define-bitmap/swfll2-short-tag");
  ASSERT_FALSE(input.empty());
  DefineBitsLossless2Tag tag;
  EXPECT_FALSE(ReadTag(input, tag, 8).overrun);
  EXPECT_EQ(tag.GetCharacterId(), 4481);
  EXPECT_EQ(tag.GetWidth(), 5);
  EXPECT_EQ(tag.GetHeight(), 20);
  EXPECT_EQ(tag.GetFormat(), 5);
  EXPECT_EQ(WriteTag(tag, 8), input);
}

TEST(BitmapTags, CorpusJpegTables) {
  const Bytes input = tagtest::CorpusTag("define-jpeg-tables/hf-tables");
  ASSERT_GE(input.size(), 2u);
  SwfReader probe(input, 6);
  SwfTagHeader header;
  ASSERT_TRUE(ReadTagHeader(probe, header));
  JpegTablesTag tag(static_cast<int32_t>(header.length));
  EXPECT_FALSE(ReadTag(input, tag, 6).overrun);
  EXPECT_EQ(tag.GetData().size(), header.length);
  EXPECT_EQ(tagtest::BodyOf(WriteTag(tag, 6)), tagtest::BodyOf(input));
}

}  // namespace

namespace {

TEST(MediaTagRelocation, CanRelocateReportsWrappingIds) {
  DefineBitsLosslessTag lossless;
  lossless.SetCharacterId(65535);
  EXPECT_FALSE(lossless.CanRelocate(1, 0, 0));
  EXPECT_TRUE(lossless.CanRelocate(0, 5, 5));
  DefineBitsJpeg3Tag jpeg;
  jpeg.SetCharacterId(3);
  EXPECT_TRUE(jpeg.CanRelocate(65532, 0, 0));
  EXPECT_FALSE(jpeg.CanRelocate(-4, 0, 0));
}

}  // namespace
