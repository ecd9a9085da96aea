#include <gtest/gtest.h>

#include <filesystem>

#include "media/ImageNoise.h"
#include "swf/AmfValue.h"
#include "tests/support/PlayerRunner.h"

using Bytes = std::vector<uint8_t>;

namespace {

TEST(AmfValueTest, ValuesAreWrittenBigEndian) {
  AmfValue number;
  number.number = 1.0;
  AmfValue yes;
  yes.type = AmfValue::kBoolean;
  yes.boolean = 1;
  AmfValue text;
  text.type = AmfValue::kString;
  text.text = L"ab\u00e9";
  AmfValue array;
  array.type = AmfValue::kEcmaArray;
  array.properties.push_back({L"x", number});
  const std::pair<AmfValue, Bytes> cases[] = {
      {number, {0x00, 0x3F, 0xF0, 0, 0, 0, 0, 0, 0}},
      {yes, {0x01, 0x01}},
      {text, {0x02, 0x00, 0x04, 'a', 'b', 0xC3, 0xA9}},
      {array, {0x08, 0, 0, 0, 1, 0x00, 0x01, 'x', 0x00, 0x3F, 0xF0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x09}},
  };
  for (const auto& [value, bytes] : cases) {
    ByteStreamWriter writer;
    EXPECT_EQ(WriteAmfValue(value, writer), bytes.size());
    EXPECT_EQ(writer.GetBytes(), bytes);
  }
  // A string beyond a 16-bit count becomes a long string.
  AmfValue longText;
  longText.type = AmfValue::kString;
  longText.text = WideString(70000, L'z');
  ByteStreamWriter writer;
  EXPECT_EQ(WriteAmfValue(longText, writer), 5u + 70000u);
  EXPECT_EQ(Bytes(writer.GetBytes().begin(), writer.GetBytes().begin() + 5), (Bytes{0x0C, 0x00, 0x01, 0x11, 0x70}));
}

int g_fixed = 0;
int FixedRandom() { return g_fixed; }

TEST(ImageNoiseTest, NoiseKindsFollowTheirFormulasAndStayInRange) {
  // u = 0.02: impulse black; u = 0.97: impulse white; in between unchanged.
  struct Case {
    int kind;
    int random;
    uint32_t value;
    int expected;
  };
  const Case cases[] = {
      {kNoiseImpulse, int(0.02 * 2147483647), 100, 0},
      {kNoiseImpulse, int(0.97 * 2147483647), 100, 255},
      {kNoiseImpulse, int(0.5 * 2147483647), 0x1234, 0x34},  // only the low byte counts
      {kNoiseUniform, 2147483647, 100, 102},                 // + (1 - 0.5) x 4
      {kNoiseUniform, 0, 254, 255},                          // 0 counts as 1: 256 clamped
      {kNoiseLaplacian, int(0.25 * 2147483647), 100, 93},    // 100 + 10 ln 0.5
      {kNoisePoisson, 0, 10, 255},                           // a source stuck at 0 still ends
      {99, int(0.5 * 2147483647), 7, 7},
  };
  for (const Case& c : cases) {
    g_fixed = c.random;
    EXPECT_EQ(AddPixelNoise(c.value, c.kind, FixedRandom), c.expected) << c.kind << " " << c.random;
  }
  for (int kind = 0; kind < 6; ++kind) {
    for (int i = 0; i < 200; ++i) (void)AddPixelNoise(static_cast<uint32_t>(i), kind);  // no overflow, no hang
  }
}

TEST(ImageNoiseTest, HueSaturationLightnessToRgb) {
  struct Case {
    double h, s, l;
    int r, g, b;
  };
  const Case cases[] = {{0, 0, 0.5, 128, 128, 128},   {0, 1, 0.5, 255, 0, 0}, {1.0 / 3, 1, 0.5, 0, 255, 0},
                        {2.0 / 3, 1, 0.5, 0, 0, 255}, {1, 1, 0.5, 255, 0, 0}, {0.5, 1, 0.25, 0, 128, 128}};
  for (const Case& c : cases) {
    uint8_t r = 0, g = 0, b = 0;
    EXPECT_EQ(HslToRgb(c.h, c.s, c.l, r, g, b), c.b);
    EXPECT_EQ((Bytes{r, g, b}), (Bytes{uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)})) << c.h << " " << c.s << " " << c.l;
  }
}

TEST(ImageNoiseTest, TheKindIsWrittenAsAnAttribute) {
  const std::filesystem::path path = std::filesystem::path(PLENWICK_TEST_BINARY_DIR) / "noise-attribute.xml";
  XmlWriterOptions options;
  options.writeHeader = false;
  XmlWriter writer;
  ASSERT_TRUE(writer.Open(Utf8ToWide(path.string()), options, true));
  writer.WriteRaw(L"<f a=\"1");
  EXPECT_TRUE(WriteNoiseTypeAttribute(kNoiseMultGaussian, writer));
  writer.WriteRaw(L"\"/>");
  EXPECT_TRUE(WriteNoiseTypeAttribute(42, writer));
  ASSERT_TRUE(writer.Close());
  EXPECT_EQ(playertest::ReadTextFile(path), "<f a=\"1\" type=\"mult_gaussian\"/>\" type=\"\n");
  std::filesystem::remove(path);
}

}  // namespace
