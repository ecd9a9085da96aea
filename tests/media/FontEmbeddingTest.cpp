#include <gtest/gtest.h>

#include <cmath>

#include "MediaTestSupport.h"
#include "media/GlyphOutline.h"

namespace {

using mediatest::FreeTypeFace;

PlatformFont Font(const wchar_t* family, int size = 12, bool bold = false, bool italic = false) {
  PlatformFont font;
  font.SetFontByName(family);
  font.SetSize(size);
  font.SetBold(bold);
  font.SetItalic(italic);
  return font;
}

std::unique_ptr<DefineFont2Tag> Embed(const PlatformFont& font, const wchar_t* chars, uint16_t id = 1,
                                      bool unique = false) {
  WideString error;
  auto tag = GlyphShapeBuilder::MakeDefineFont2(font, chars, id, unique, &error);
  EXPECT_NE(tag, nullptr) << host::text::WideToUtf8(error);
  return tag;
}

TEST(FontEmbedding, FlagsAndNames) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  struct Case {
    bool bold, italic, unique;
    uint16_t id;
    uint8_t flags;
    const wchar_t* name;
  } cases[] = {
      {false, false, false, 3, 0xC4, L"DejaVu Sans"},         {true, false, false, 3, 0xC5, L"DejaVu Sans"},
      {false, true, false, 3, 0xC6, L"DejaVu Sans"},          {true, true, true, 7, 0xC7, L"DejaVu Sans7"},
      {false, false, true, 65535, 0xC4, L"DejaVu Sans65535"},
  };
  for (const Case& c : cases) {
    auto tag = Embed(Font(L"DejaVu Sans", 12, c.bold, c.italic), L"ab", c.id, c.unique);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->flags, c.flags);
    EXPECT_EQ(tag->name, WideString(c.name));
    EXPECT_EQ(tag->GetCharacterId(), c.id);
  }
}

TEST(FontEmbedding, OneGlyphPerCharacterWithFreeTypesAdvance) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  FreeTypeFace ft(mediatest::FontFile("DejaVuSans.ttf"));
  ASSERT_NE(ft.face, nullptr);
  // Latin, a space, Greek, Cyrillic, Hebrew, Arabic, a symbol.
  const WideString chars = L" AVWgo\u00E9\u03BB\u0416\u05D0\u0628\u2202";
  auto tag = Embed(Font(L"DejaVu Sans"), chars.c_str());
  ASSERT_NE(tag, nullptr);
  ASSERT_EQ(tag->GetGlyphCount(), chars.size());
  ASSERT_EQ(tag->advances.size(), chars.size());
  ASSERT_EQ(tag->bounds.size(), chars.size());
  for (size_t i = 0; i < chars.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "U+" << std::hex << static_cast<uint32_t>(chars[i]));
    EXPECT_EQ(tag->codes[i], static_cast<uint16_t>(chars[i]));
    ASSERT_TRUE(ft.Load(static_cast<char32_t>(chars[i])));
    // The mean of the rounded and the truncated advance at 1024 pixels per em.
    EXPECT_NEAR(tag->advances[i], ft.face->glyph->linearHoriAdvance / 65536.0, 1.0);
    EXPECT_GT(tag->advances[i], 0);
  }
  // The space: no outline, no bounds, but an advance.
  EXPECT_EQ(tag->glyphs[0]->records.size(), 1u);
  EXPECT_EQ(*tag->bounds[0], SwfRect(0, 0, 0, 0));
  EXPECT_GT(tag->glyphs[1]->records.size(), 3u);
  // Layout metrics of a 1024-point font; the ascent carries half an em more.
  PlatformFont em = Font(L"DejaVu Sans", 1024);
  EXPECT_EQ(tag->flags & DefineFont2Tag::kHasLayout, DefineFont2Tag::kHasLayout);
  EXPECT_EQ(tag->ascent, em.GetAscentEm() + 512);
  EXPECT_EQ(tag->descent, em.GetDescentEm());
  EXPECT_EQ(tag->leading, em.GetLeadingEm());
}

TEST(FontEmbedding, AdvancesStayAtSizesWhoseRoundedHeightPassesAnEm) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  // Ascent and descent round up apart at some sizes: their em height then passes 1024, and
  // 1024 divided by it would make every advance 0.
  auto reference = Embed(Font(L"DejaVu Sans", 1024), L"AVWaio");
  ASSERT_NE(reference, nullptr);
  int above = 0;
  for (int size = 6; size <= 72; ++size) {
    const PlatformFont font = Font(L"DejaVu Sans", size);
    if (font.GetHeightEm() > 1024) ++above;
    auto tag = Embed(font, L"AVWaio");
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->advances, reference->advances) << "at " << size << " points, em height " << font.GetHeightEm();
  }
  EXPECT_GT(above, 0) << "the sizes tried include some whose em height passes 1024";
}

TEST(FontEmbedding, KerningIsFreeTypesAtEverySize) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  FreeTypeFace ft(mediatest::FontFile("DejaVuSans.ttf"));
  ASSERT_NE(ft.face, nullptr);
  ASSERT_TRUE(FT_HAS_KERNING(ft.face));
  const WideString chars = L"AVTWaoy.,";
  auto tag = Embed(Font(L"DejaVu Sans"), chars.c_str());
  ASSERT_NE(tag, nullptr);
  ASSERT_FALSE(tag->kerning.empty());
  auto find = [&](wchar_t a, wchar_t b) {
    for (const KerningRecord& k : tag->kerning) {
      if (k.firstCode == a && k.secondCode == b) return static_cast<int>(k.adjustment);
    }
    return 0;
  };
  EXPECT_LT(find(L'A', L'V'), 0) << "A and V move together";
  for (int size : {10, 12, 24, 48, 96}) {
    FT_Set_Char_Size(ft.face, 0, size * 64, 72, 72);
    for (wchar_t a : chars) {
      for (wchar_t b : chars) {
        FT_Vector delta{0, 0};
        FT_Get_Kerning(ft.face, FT_Get_Char_Index(ft.face, a), FT_Get_Char_Index(ft.face, b), FT_KERNING_UNFITTED,
                       &delta);
        // Half a 1024th of an em, plus FreeType's own 1/64 pixel.
        EXPECT_NEAR(find(a, b) * size / 1024.0, delta.x / 64.0, size / 2048.0 + 1 / 64.0)
            << static_cast<char>(a) << static_cast<char>(b) << " at " << size;
      }
    }
  }
}

TEST(FontEmbedding, CharactersBeyondSixteenBitsAndMissingGlyphs) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  // U+10300 would take the 16-bit code 0x0300, the combining grave accent, which DejaVu also has.
  auto tag = Embed(Font(L"DejaVu Sans"), L"\u0300\U00010300x\u0378");
  ASSERT_NE(tag, nullptr);
  ASSERT_EQ(tag->GetGlyphCount(), 3u);
  EXPECT_EQ(tag->codes, (std::vector<uint16_t>{0x0300, L'x', 0x0378}));
  GlyphShapeBuilder grave;
  SwfRect bounds;
  ASSERT_TRUE(grave.BuildGlyph(Font(L"DejaVu Sans"), U'\u0300', bounds));
  EXPECT_EQ(tag->glyphs[0]->records.size(), grave.MakeShape()->records.size());
  // U+0378 has no glyph: an empty shape and no advance, never another glyph's outline.
  EXPECT_EQ(tag->glyphs[2]->records.size(), 1u);
  EXPECT_EQ(tag->advances[2], 0);
  EXPECT_EQ(*tag->bounds[2], SwfRect(0, 0, 0, 0));
}

TEST(FontEmbedding, AMissingFontIsAnError) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  WideString error;
  EXPECT_EQ(GlyphShapeBuilder::MakeDefineFont2(Font(L"No Such Family"), L"abc", 1, false, &error), nullptr);
  EXPECT_NE(error.find(L"No Such Family"), WideString::npos);
}

TEST(FontEmbedding, TheTagWritesAndReadsBack) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  for (const wchar_t* family : {L"DejaVu Sans", L"FreeSerif"}) {
    auto tag = Embed(Font(family, 12, true, false), L"Hello, World! \u00C5\u0416", 5);
    ASSERT_NE(tag, nullptr);
    const std::vector<uint16_t> codes = tag->codes;
    const std::vector<int16_t> advances = tag->advances;
    const std::vector<KerningRecord> kerning = tag->kerning;
    std::vector<SwfRect> bounds;
    for (const auto& b : tag->bounds) bounds.push_back(*b);
    mediatest::Movie movie;
    movie.writer.AddTag(std::move(tag));
    auto tags = movie.Close();
    DefineFont2Tag* read = nullptr;
    for (auto& t : tags) {
      if (read == nullptr) read = dynamic_cast<DefineFont2Tag*>(t.get());
    }
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetCharacterId(), 5);
    EXPECT_EQ(read->codes, codes);
    EXPECT_EQ(read->advances, advances);
    EXPECT_EQ(read->kerning, kerning);
    ASSERT_EQ(read->bounds.size(), bounds.size());
    for (size_t i = 0; i < bounds.size(); ++i) EXPECT_EQ(*read->bounds[i], bounds[i]);
    EXPECT_EQ(read->flags & DefineFont2Tag::kBold, DefineFont2Tag::kBold);
  }
}

}  // namespace

namespace {

TEST(FontEmbedding, MoreGlyphsThanTheCountHoldsAreRefused) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  WideString every;
  for (uint32_t c = 0; c <= 0xFFFF; ++c) every += static_cast<wchar_t>(c);
  WideString error;
  EXPECT_EQ(GlyphShapeBuilder::MakeDefineFont2(Font(L"DejaVu Sans"), every, 1, false, &error), nullptr);
  EXPECT_NE(error.find(L"65535"), WideString::npos) << host::text::WideToUtf8(error);
}

}  // namespace
