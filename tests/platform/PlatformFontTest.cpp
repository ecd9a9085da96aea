#include <ft2build.h>

#include "platform/PlatformFont.h"
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/TestFonts.h"

namespace {

// FreeType's own metrics of one character at a pixel size, taken independently of the code
// under test: unhinted, at 72 dpi so that points are pixels.
struct FreeTypeFace {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  explicit FreeTypeFace(const std::string& file) {
    if (FT_Init_FreeType(&library) == 0 && FT_New_Face(library, file.c_str(), 0, &face) != 0) face = nullptr;
  }
  ~FreeTypeFace() {
    if (face != nullptr) FT_Done_Face(face);
    if (library != nullptr) FT_Done_FreeType(library);
  }
  // The linear advance at `size` pixels, rounded as whole pixels are.
  int RoundedAdvance(char32_t c, int size) {
    FT_Set_Char_Size(face, 0, size * 64, 72, 72);
    if (FT_Load_Char(face, c, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return -1;
    return static_cast<int>((face->glyph->linearHoriAdvance + 0x8000) >> 16);
  }
};

const std::string kDejaVuSans = std::string(testfonts::kDejaVuFolder) + "/DejaVuSans.ttf";

TEST(PlatformFont, StyleNamesListTheSetBitsInOrder) {
  struct Case {
    uint16_t bits;
    const wchar_t* name;
  } cases[] = {
      {0, L"Regular"},
      {0x01, L"Bold"},
      {0x03, L"Bold Italic"},
      {0x24, L"Underline Condense"},
      {0x7F, L"Bold Italic Underline Outline Shadow Condense Extend"},
  };
  for (const Case& c : cases) {
    PlatformFont font;
    font.SetStyleBits(c.bits);
    EXPECT_EQ(font.GetStyleName(), WideString(c.name)) << c.bits;
  }
}

TEST(PlatformFont, AFamilyTheSystemLacksKeepsItsNameAndMeasuresNothing) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  PlatformFont font;
  EXPECT_TRUE(font.IsInstalled()) << "the system font";
  ASSERT_TRUE(font.SetFontByName(L"No Such Family"));
  EXPECT_EQ(font.GetName(), WideString(L"No Such Family"));
  EXPECT_FALSE(font.IsInstalled());
  EXPECT_NE(font.GetFaceError().find(L"No Such Family"), WideString::npos);
  EXPECT_EQ(font.GetCharAdvance(U'A'), 0);
  EXPECT_EQ(font.GetLineHeight(), 0);
  EXPECT_EQ(font.GetHeightEm(), 0);
  EXPECT_FALSE(font.SetFontByName(L""));
  EXPECT_EQ(font.GetName(), WideString(L"No Such Family"));
}

TEST(PlatformFont, AdvancesAreFreeTypesAtEverySize) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  FreeTypeFace ft(kDejaVuSans);
  ASSERT_NE(ft.face, nullptr);
  PlatformFont font;
  ASSERT_TRUE(font.SetFontByName(L"DejaVu Sans"));
  // Latin, accented (measured as U+00E9 itself, not as the Mac Roman byte 0xE9), Greek,
  // Cyrillic, Hebrew and a character beyond the BMP.
  const char32_t characters[] = {U'A',      U'V',      U'W',      U'a',      U'i',         U' ',
                                 U'\u00E9', U'\u03BB', U'\u0416', U'\u05D0', U'\U0001D538'};
  for (int size : {7, 9, 12, 15, 20, 32, 48, 72, 200}) {
    font.SetSize(size);
    for (char32_t c : characters) {
      const int expected = ft.RoundedAdvance(c, size);
      EXPECT_EQ(font.GetCharAdvance(c), expected)
          << "U+" << std::hex << static_cast<uint32_t>(c) << std::dec << " at " << size;
      EXPECT_EQ(font.GetCharAdvanceEm(c), expected * 1024 / size);
      EXPECT_EQ(font.GetLeftSideBearing(c) + font.GetGlyphBoundsWidth(c) + font.GetRightSideBearing(c),
                font.GetCharAdvance(c));
    }
  }
}

TEST(PlatformFont, LineMetricsFollowTheHorizontalHeader) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  FreeTypeFace ft(kDejaVuSans);
  ASSERT_NE(ft.face, nullptr);
  PlatformFont font;
  ASSERT_TRUE(font.SetFontByName(L"DejaVu Sans"));
  const double upem = ft.face->units_per_EM;
  for (int size : {9, 12, 15, 20, 32, 72}) {
    font.SetSize(size);
    const double ascent = ft.face->ascender * size / upem;
    const double descent = -ft.face->descender * size / upem;
    EXPECT_EQ(font.GetAscent(), static_cast<int>(std::floor(ascent + 0.5))) << size;
    EXPECT_EQ(font.GetDescent(), static_cast<int>(std::floor(descent + 0.5))) << size;
    EXPECT_EQ(font.GetLineHeight(), static_cast<int>(std::floor(ascent + descent + 0.5))) << size;
    // Ascent and descent are rounded apart, so the em height strays a little from 1024.
    EXPECT_NEAR(font.GetHeightEm(), 1024, 1024 / size + 1) << size;
  }
}

TEST(PlatformFont, MissingGlyphsAndSizeZeroMeasureZero) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  PlatformFont font;
  ASSERT_TRUE(font.SetFontByName(L"DejaVu Sans"));
  // U+0378 is unassigned; DejaVu has no Thai.
  for (char32_t c : {U'\u0378', U'\u0E01'}) {
    EXPECT_EQ(font.GetCharAdvance(c), 0);
    EXPECT_EQ(font.GetGlyphBoundsWidth(c), -1);
    EXPECT_EQ(font.GetOutlineAdvance(c), 0);
    EXPECT_EQ(font.GetIdealAdvanceEm(c), 0);
  }
  font.SetSize(0);
  EXPECT_EQ(font.GetCharAdvanceEm(U'A'), 0);
  EXPECT_EQ(font.GetOutlineAdvanceEm(U'A'), 0);
  EXPECT_EQ(font.GetAscentEm(), 0);
  EXPECT_EQ(font.GetHeightEm(), 0);
}

TEST(PlatformFont, ACopyMeasuresOnItsOwn) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  PlatformFont font;
  ASSERT_TRUE(font.SetFontByName(L"DejaVu Sans"));
  font.SetSize(20);
  const int32_t advance = font.GetCharAdvance(U'W');
  PlatformFont copy = font;
  EXPECT_TRUE(copy.Equals(font));
  copy.SetSize(40);
  copy.SetBold(true);
  EXPECT_EQ(font.GetCharAdvance(U'W'), advance);
  EXPECT_GT(copy.GetCharAdvance(U'W'), 2 * advance) << "the copy measures the bold face at its own size";
  EXPECT_TRUE(copy.SameFamilyAndStyle(copy));
  EXPECT_FALSE(copy.SameFamilyAndStyle(font));
  copy.SetBold(false);
  EXPECT_TRUE(copy.SameFamilyAndStyle(font));
  EXPECT_FALSE(copy.Equals(font));
}

TEST(PlatformFont, TheStyleRecordCarriesEveryStyleBit) {
  PlatformFont font;
  FontStyleRecord record;
  record.size = 18;
  record.style = 0x25;
  font.SetNameAndStyle(L"DejaVu Serif", record);
  EXPECT_EQ(font.GetSize(), 18);
  EXPECT_EQ(font.GetStyleBits(), 0x25);
  EXPECT_TRUE(font.IsBold());
  EXPECT_FALSE(font.IsItalic());
  EXPECT_EQ(font.GetStyle().style, 0x25u);
}

}  // namespace
