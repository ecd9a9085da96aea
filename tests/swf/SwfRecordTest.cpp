#include "swf/SwfRecord.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

class ShowFrame : public SwfTag {
 public:
  int TagCode() const override { return 1; }
  size_t Write(SwfBitWriter& writer) override {
    SwfBitWriter body = MakeBodyWriter(writer);
    return WriteWithBody(writer, body, false);
  }
};

TEST(SwfTagHeader, ShortUpTo62BytesLongFrom63OrWhenForced) {
  struct Case {
    int code;
    uint64_t length;
    bool force;
    Bytes bytes;
  };
  const Case cases[] = {
      {1, 0, false, {0x40, 0x00}},
      {9, 62, false, {0x7E, 0x02}},
      {9, 63, false, {0x7F, 0x02, 0x3F, 0x00, 0x00, 0x00}},
      {12, 0, true, {0x3F, 0x03, 0x00, 0x00, 0x00, 0x00}},
      {999, 70000, false, {0xFF, 0xF9, 0x70, 0x11, 0x01, 0x00}},
      {9, 0x100000000ull, false, {0x7F, 0x02, 0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SwfTag::MakeTagHeader(c.code, c.length, c.force), c.bytes) << c.code << " " << c.length;
    SwfBitWriter w(6);
    SwfTag::WriteTagHeader(c.code, w, c.length, c.force);
    EXPECT_EQ(w.GetBytes(), c.bytes);
  }
}

TEST(SwfTagHeader, EmptyBodyTagWritesTwoBytes) {
  ShowFrame tag;
  SwfBitWriter w(6);
  EXPECT_EQ(tag.Write(w), 2u);
  EXPECT_EQ(w.GetBytes(), (Bytes{0x40, 0x00}));
}

TEST(SwfTagHeader, ReadsBothFormsAndReportsCutHeaders) {
  SwfReader r(Bytes{0x7E, 0x02, 0x7F, 0x02, 0x3F, 0x00, 0x00, 0x00, 0x7F, 0x02, 0x01}, 6);
  SwfTagHeader h;
  ASSERT_TRUE(ReadTagHeader(r, h));
  EXPECT_EQ(h.code, 9);
  EXPECT_EQ(h.length, 62u);
  ASSERT_TRUE(ReadTagHeader(r, h));
  EXPECT_EQ(h.length, 63u);
  EXPECT_TRUE(h.longForm);
  EXPECT_FALSE(ReadTagHeader(r, h));
  EXPECT_TRUE(r.HasOverrun());
}

TEST(RawTag, RoundTripsBodiesOfEveryHeaderForm) {
  for (uint32_t length : {0u, 1u, 62u, 63u, 70000u}) {
    Bytes body(length);
    for (uint32_t i = 0; i < length; ++i) body[i] = static_cast<uint8_t>(i * 7);
    RawTag tag(77, body);
    SwfBitWriter w(6);
    const size_t written = tag.Write(w);
    const Bytes bytes = w.GetBytes();
    EXPECT_EQ(written, bytes.size());
    EXPECT_EQ(bytes.size(), length + (length <= 62 ? 2u : 6u));

    SwfReader r(bytes, 6);
    SwfTagHeader h;
    ASSERT_TRUE(ReadTagHeader(r, h));
    EXPECT_EQ(h.code, 77);
    RawTag back(h.code, h.length);
    SwfReaderRange range(r, h.length, SwfReaderRange::Overrun::Contain);
    EXPECT_EQ(back.Read(r), length);
    EXPECT_FALSE(range.Overran());
    EXPECT_EQ(back.GetBody(), body);
  }
}

TEST(RawTag, DeclaredLengthBeyondTheDataKeepsOnlyWhatExists) {
  // A 6-byte tag claiming a 4 GiB body.
  SwfReader r(Bytes{0xFF, 0xF9, 0xF0, 0xFF, 0xFF, 0xFF, 0xAA, 0xBB}, 6);
  SwfTagHeader h;
  ASSERT_TRUE(ReadTagHeader(r, h));
  RawTag tag(h.code, h.length);
  SwfReaderRange range(r, h.length, SwfReaderRange::Overrun::Contain);
  EXPECT_TRUE(range.Truncated());
  EXPECT_EQ(tag.Read(r), 2u);
  EXPECT_TRUE(range.Overran());
  EXPECT_EQ(tag.GetBody(), (Bytes{0xAA, 0xBB}));
  EXPECT_EQ(tag.GetBodyLength(), 2u);
}

TEST(SwfTag, BaseRelocateAndResetChangeNothing) {
  RawTag tag(5, Bytes{1, 0, 2, 0});
  tag.Relocate(100, 100, 100);
  tag.Reset();
  EXPECT_EQ(tag.GetBody(), (Bytes{1, 0, 2, 0}));
  EXPECT_EQ(tag.TagCode(), 5);
}

TEST(SwfCharacterTag, StoresTheLow16BitsOfTheId) {
  class Character : public SwfCharacterTag {
   public:
    int TagCode() const override { return 2; }
  } tag;
  tag.SetCharacterId(0x12345);
  EXPECT_EQ(tag.GetCharacterId(), 0x2345);
}

}  // namespace
