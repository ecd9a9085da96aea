#include "swf/SwfFileInfo.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "SwfTestSupport.h"
#include "swf/SwfBitWriter.h"
#include "swf/SwfCompression.h"

namespace {

using swftest::Bytes;

// An "FWS" movie header with the given frame rectangle (twips), rate bytes and frame count,
// followed by an End tag.
Bytes MovieBytes(uint8_t version, int32_t xmin, int32_t xmax, int32_t ymin, int32_t ymax, uint8_t rateFraction,
                 uint8_t rateInteger, uint16_t frames) {
  SwfBitWriter bits(version);
  bits.WriteBits(15, 5);
  for (int32_t v : {xmin, xmax, ymin, ymax}) bits.WriteSignedBits(v, 15);
  bits.Flush();
  bits.WriteU8(rateFraction);
  bits.WriteU8(rateInteger);
  bits.WriteU16(frames);
  bits.WriteU16(0);  // End
  Bytes body = bits.GetBytes();
  Bytes out(8 + body.size(), 0);
  out[0] = 'F';
  out[1] = 'W';
  out[2] = 'S';
  out[3] = version;
  std::copy(body.begin(), body.end(), out.begin() + 8);
  const uint32_t length = static_cast<uint32_t>(out.size());
  for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(length >> (8 * i));
  return out;
}

struct Info {
  int32_t width = -1, height = -1;
  float rate = -1;
  uint8_t version = 0;
  uint16_t frames = 0;
  bool compressed = false;
};

bool Read(const WideString& path, Info& info) {
  return ReadSwfFileInfo(path, &info.width, &info.height, &info.rate, &info.version, &info.frames, &info.compressed);
}

TEST(SwfFileInfo, ReadsUncompressedAndCompressedHeaders) {
  swftest::ScratchDir dir;
  const Bytes plain = MovieBytes(8, 0, 11000, 0, 8000, 0x80, 12, 33);
  swftest::WriteFile(dir.Native("a.swf"), plain);
  Bytes packed;
  ASSERT_TRUE(DeflateSwf(plain.data(), plain.size(), packed));
  swftest::WriteFile(dir.Native("b.swf"), packed);

  for (const char* name : {"a.swf", "b.swf"}) {
    Info info;
    ASSERT_TRUE(Read(dir.Path(name), info)) << name;
    EXPECT_EQ(info.width, 11000);
    EXPECT_EQ(info.height, 8000);
    EXPECT_FLOAT_EQ(info.rate, 12.5f);
    EXPECT_EQ(info.version, 8);
    EXPECT_EQ(info.frames, 33);
    EXPECT_EQ(info.compressed, std::string(name) == "b.swf");
  }
}

TEST(SwfFileInfo, SizeIsTheRectangleSpanAndNullPointersAreSkipped) {
  swftest::ScratchDir dir;
  swftest::WriteFile(dir.Native("o.swf"), MovieBytes(6, -200, 10800, 100, 8100, 0, 24, 1));
  int32_t width = 0, height = 0;
  ASSERT_TRUE(ReadSwfFileInfo(dir.Path("o.swf"), &width, &height, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(width, 11000);
  EXPECT_EQ(height, 8000);
}

TEST(SwfFileInfo, RefusesWhatIsNoWholeHeader) {
  swftest::ScratchDir dir;
  const Bytes plain = MovieBytes(8, 0, 11000, 0, 8000, 0, 12, 1);
  const struct {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"empty", {}},
      {"foreign", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0}},
      {"signature only", {'F', 'W', 'S', 8}},
      {"cut in the rectangle", Bytes(plain.begin(), plain.begin() + 12)},
      {"compressed garbage", {'C', 'W', 'S', 8, 40, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}},
  };
  for (const auto& c : cases) {
    swftest::WriteFile(dir.Native("x.swf"), c.bytes);
    uint8_t version = 99;
    EXPECT_FALSE(ReadSwfFileInfo(dir.Path("x.swf"), nullptr, nullptr, nullptr, &version, nullptr, nullptr)) << c.name;
    EXPECT_EQ(version, 99) << c.name;
  }
  EXPECT_FALSE(ReadSwfFileInfo(dir.Path("missing.swf"), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
}

}  // namespace
