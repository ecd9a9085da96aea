#include "swf/SwfBasicRecords.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

// Bits of a writer's output as a string of '0' and '1', pending bits included.
std::string BitsOf(SwfBitWriter& w) {
  const int pending = w.GetPendingBitCount();
  const size_t whole = w.GetByteCount();
  const Bytes& bytes = w.GetBytes();
  std::string bits;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const int n = (i == whole && pending != 0) ? pending : 8;
    for (int b = 7; b >= 8 - n; --b) bits.push_back(((bytes[i] >> b) & 1) ? '1' : '0');
  }
  return bits;
}

std::string Field(int64_t value, int width) {
  std::string s;
  for (int b = width - 1; b >= 0; --b) s.push_back(((static_cast<uint64_t>(value) >> b) & 1) ? '1' : '0');
  return s;
}

TEST(SwfRect, WritesTheSmallestWidth) {
  SwfRect zero;
  SwfBitWriter w(6);
  EXPECT_EQ(zero.Write(w), 2u);
  EXPECT_EQ(w.GetBytes(), (Bytes{0x08, 0x00}));

  SwfRect stage;
  stage.Set(0, 0, 550, 400, true);
  EXPECT_EQ(stage.xmax, 11000);
  EXPECT_EQ(stage.ymax, 8000);
  SwfBitWriter s(6);
  stage.Write(s);
  EXPECT_EQ(s.GetBytes()[0] >> 3, 15);
}

TEST(SwfRect, LargeCoordinatesGetTheirWidthAndSaturateAt31Bits) {
  struct Case {
    int32_t value;
    int bits;
    int32_t readBack;
  };
  const Case cases[] = {{70000, 18, 70000},
                        {-70000, 18, -70000},
                        {(1 << 29) + 5, 31, (1 << 29) + 5},
                        {INT32_MAX, 31, kSwfMaxBitFieldValue},
                        {INT32_MIN, 31, -kSwfMaxBitFieldValue},
                        // The field's most negative value is kept, so a movie's frame size
                        // written back reads as it was.
                        {-(1 << 30), 31, -(1 << 30)}};
  for (const Case& c : cases) {
    SwfRect rect(0, 0, c.value, 0);
    SwfBitWriter w(6);
    rect.Write(w);
    const Bytes bytes = w.GetBytes();
    EXPECT_EQ(bytes[0] >> 3, c.bits) << c.value;
    SwfReader r(bytes, 6);
    SwfRect back;
    EXPECT_EQ(back.Read(r), bytes.size());
    EXPECT_EQ(back.xmax, c.readBack);
    EXPECT_FALSE(r.HasOverrun());
  }
}

TEST(SwfMatrix, MakeAndWriteByExample) {
  auto plain = SwfMatrix::Make(100, 200, 1.0f, 1.0f, 0, 0);
  EXPECT_FALSE(plain->hasScale);
  EXPECT_FALSE(plain->hasRotate);
  SwfBitWriter w(6);
  plain->Write(w);
  EXPECT_EQ(BitsOf(w),
            "0"
            "0" +
                Field(9, 5) + Field(100, 9) + Field(200, 9));

  auto doubled = SwfMatrix::Make(0, 0, 2.0f, 2.0f, 0, 0);
  EXPECT_TRUE(doubled->hasScale);
  EXPECT_EQ(doubled->scaleX, 131072);
  EXPECT_EQ(doubled->scaleY, 131072);

  auto turned = SwfMatrix::Make(0, 0, 1.0f, 1.0f, 90, 90);
  EXPECT_TRUE(turned->hasRotate);
  EXPECT_EQ(turned->rotateSkew0, 65536);
  EXPECT_EQ(turned->rotateSkew1, -65535);
  EXPECT_TRUE(turned->hasScale);
  EXPECT_EQ(turned->scaleX, 0);
  EXPECT_EQ(turned->scaleY, 0);

  SwfMatrix zero;
  SwfBitWriter z(6);
  zero.Write(z);
  EXPECT_EQ(BitsOf(z), "0000000");
}

TEST(SwfMatrix, HugeScalesSaturateInsteadOfOverflowing) {
  auto big = SwfMatrix::Make(0, 0, 1e30f, -1e30f, 0, 0);
  EXPECT_EQ(big->scaleX, INT32_MAX);
  EXPECT_EQ(big->scaleY, INT32_MIN);
  SwfBitWriter w(6);
  big->Write(w);
  w.Flush();
  SwfReader r(w.GetBytes(), 6);
  SwfMatrix back;
  back.Read(r);
  EXPECT_EQ(back.scaleX, kSwfMaxBitFieldValue);
  EXPECT_EQ(back.scaleY, -kSwfMaxBitFieldValue);
}

TEST(SwfMatrix, ReadWriteRoundTrip) {
  SwfMatrix m;
  m.hasScale = true;
  m.scaleX = -70000;
  m.scaleY = 3;
  m.SetRotateSkew(-12, true, true);
  m.SetRotateSkew(99, false, true);
  m.translateX = -1;
  m.translateY = 123456;
  SwfBitWriter w(6);
  m.Write(w);
  w.Flush();
  SwfReader r(w.GetBytes(), 6);
  SwfMatrix back;
  EXPECT_EQ(back.Read(r), w.GetByteCount());
  EXPECT_EQ(back, m);
}

TEST(SwfCxform, WidthsAndReadBack) {
  SwfCxform c;
  c.hasMult = true;
  c.SetMultiply(256, 128, 0);
  SwfBitWriter w(6);
  c.Write(w);
  EXPECT_EQ(BitsOf(w), "01" + Field(10, 4) + Field(256, 10) + Field(128, 10) + Field(0, 10));

  SwfCxformWithAlpha big;
  big.SetAlphaMultiply(40000, true);
  SwfBitWriter b(6);
  big.Write(b);
  b.Flush();
  SwfReader r(b.GetBytes(), 6);
  SwfCxformWithAlpha back;
  back.Read(r);
  EXPECT_EQ(back.alphaMult, kSwfMaxCxformTerm) << "saturated, not wrapped";
  EXPECT_EQ(back.redMult, 256);
}

TEST(SwfCxformWithAlpha, ReadWithoutMultiplyTermsWritesFourTermsOf256) {
  SwfBitWriter src(6);
  src.WriteBits(1, 1);  // HasAdd
  src.WriteBits(0, 1);  // HasMult
  src.WriteBits(4, 4);
  for (int i = 0; i < 4; ++i) src.WriteSignedBits(i - 2, 4);
  src.Flush();
  SwfReader r(src.GetBytes(), 6);
  SwfCxformWithAlpha c;
  c.Read(r);
  EXPECT_TRUE(c.hasMult);
  EXPECT_EQ(c.alphaMult, 256);
  EXPECT_EQ(c.blueAdd, 0);
  EXPECT_EQ(c.alphaAdd, 1);
  SwfBitWriter w(6);
  c.Write(w);
  EXPECT_EQ(BitsOf(w).substr(0, 6 + 40),
            "11" + Field(10, 4) + Field(256, 10) + Field(256, 10) + Field(256, 10) + Field(256, 10));
}

TEST(SwfCxform, Setters) {
  SwfCxform tint;
  tint.SetTint(0x0000FF);
  EXPECT_EQ(tint.redAdd, 256);
  EXPECT_EQ(tint.greenAdd, 0);
  EXPECT_EQ(tint.blueAdd, 0);
  EXPECT_EQ(tint.redMult + tint.greenMult + tint.blueMult, 0);
  EXPECT_TRUE(tint.hasAdd && tint.hasMult);

  SwfCxformWithAlpha fade;
  EXPECT_TRUE(fade.hasMult) << "a default CXFORMWITHALPHA multiplies by 0";
  EXPECT_EQ(fade.alphaMult, 0);
  EXPECT_EQ(fade.SetAlphaMultiplier(1.5), 256);
  EXPECT_EQ(fade.SetAlphaMultiplier(-1), 0);
  EXPECT_EQ(fade.SetAlphaMultiplier(0.5), 128);
  EXPECT_EQ(fade.redMult, 256);

  SwfCxformWithAlpha colour;
  colour.SetMultiplyColor(0x00FF8000);
  EXPECT_EQ(colour.redMult, 0);
  EXPECT_EQ(colour.greenMult, 129);
  EXPECT_EQ(colour.blueMult, 256);
  EXPECT_EQ(colour.alphaMult, 256);
  EXPECT_FALSE(colour.hasAdd);
}

TEST(SwfRgb, CopyFromKeepsAlpha) {
  SwfRgba rgba(1, 2, 3, 4);
  rgba.CopyFrom(SwfRgb(9, 8, 7));
  EXPECT_EQ(rgba.red, 9);
  EXPECT_EQ(rgba.blue, 7);
  EXPECT_EQ(rgba.alpha, 4);
  SwfBitWriter w(6);
  EXPECT_EQ(rgba.Write(w), 4u);
  EXPECT_EQ(w.GetBytes(), (Bytes{9, 8, 7, 4}));
}

}  // namespace
