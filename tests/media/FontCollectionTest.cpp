#include <gtest/gtest.h>

#include "MediaTestSupport.h"
#include "media/FontCollection.h"
#include "swf/DefineSpriteTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/TextTags.h"

namespace {

FontSpec Spec(const wchar_t* family, int size, uint32_t color, bool bold = false) {
  FontSpec spec;
  spec.SetFontByName(family);
  spec.SetSize(size);
  spec.SetColor(color);
  spec.SetBold(bold);
  return spec;
}

template <typename T>
std::vector<T*> TagsOf(const std::vector<std::unique_ptr<SwfTag>>& tags) {
  std::vector<T*> found;
  for (const auto& tag : tags) {
    if (auto* t = dynamic_cast<T*>(tag.get())) found.push_back(t);
  }
  return found;
}

TEST(FontSpec, StartsAsWhite32PointTextAndMatchesByFamilyStyleColourAndSize) {
  FontSpec spec;
  EXPECT_EQ(spec.GetSize(), 32);
  EXPECT_EQ(spec.GetColor(), 0xFFFFFFu);
  const FontSpec a = Spec(L"DejaVu Sans", 12, 0xFF);
  struct Case {
    FontSpec other;
    bool size, colour, matches;
  } cases[] = {
      {Spec(L"DejaVu Sans", 12, 0xFF), true, true, true},
      {Spec(L"DejaVu Sans", 20, 0xFF), true, true, false},
      {Spec(L"DejaVu Sans", 20, 0xFF), false, true, true},
      {Spec(L"DejaVu Sans", 12, 0xFF00), true, true, false},
      {Spec(L"DejaVu Sans", 12, 0xFF00), true, false, true},
      {Spec(L"DejaVu Sans", 12, 0xFF, true), false, false, false},
      {Spec(L"DejaVu Serif", 12, 0xFF), false, false, false},
  };
  for (const Case& c : cases) EXPECT_EQ(a.Matches(c.other, c.size, c.colour), c.matches);
}

TEST(FontCollection, ColoursAndSizesShareOneFontAndStylesDoNot) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  FontCollection fonts;
  fonts.SetUniqueNames(true);
  const WideString hello = L"hello", world = L"world", bold = L"BOLD";
  fonts.AddFont(Spec(L"DejaVu Sans", 12, 0xFF), &hello, false);
  fonts.AddFont(Spec(L"DejaVu Sans", 12, 0xFF00), &world, false);     // another colour
  fonts.AddFont(Spec(L"DejaVu Sans", 30, 0xFF), &world, false);       // another size
  fonts.AddFont(Spec(L"DejaVu Sans", 12, 0xFF, true), &bold, false);  // another style
  fonts.AddFont(Spec(L"DejaVu Sans", 12, 0xFF), &bold, false);        // the first entry again
  ASSERT_EQ(fonts.GetEntries().size(), 4u);
  mediatest::Movie movie;
  uint16_t nextId = 9;
  ASSERT_TRUE(fonts.CreateFontTags(movie.writer, nextId));
  EXPECT_EQ(nextId, 11);
  ASSERT_EQ(fonts.GetFontTags().size(), 2u);
  const auto& entries = fonts.GetEntries();
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(entries[i]->fontId, 10);
    EXPECT_EQ(entries[i]->characters, WideString(L"BDLOdehlorw"));
  }
  EXPECT_EQ(entries[3]->fontId, 11);
  EXPECT_EQ(entries[3]->characters, WideString(L"BDLO"));
  EXPECT_EQ(fonts.GetFontTags()[0]->name, WideString(L"DejaVu Sans10"));
  EXPECT_EQ(fonts.GetFontTags()[0]->codes,
            (std::vector<uint16_t>{'B', 'D', 'L', 'O', 'd', 'e', 'h', 'l', 'o', 'r', 'w'}));
  EXPECT_EQ(fonts.GetFontTags()[1]->flags & DefineFont2Tag::kBold, DefineFont2Tag::kBold);

  // With sizes ignored the sizes are one entry; lookups follow the last AddFont.
  FontCollection ignoring;
  ignoring.AddFont(Spec(L"DejaVu Sans", 12, 0xFF), &hello, true);
  ignoring.AddFont(Spec(L"DejaVu Sans", 30, 0xFF), &world, true);
  EXPECT_EQ(ignoring.GetEntries().size(), 1u);
  EXPECT_NE(ignoring.FindFont(Spec(L"DejaVu Sans", 99, 0xFF)), nullptr);
  EXPECT_EQ(ignoring.FindFont(Spec(L"DejaVu Sans", 99, 0xFE)), nullptr);
}

TEST(FontCollection, EachFontTagIsWrittenOnceUntilRebuilt) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  FontCollection fonts;
  const WideString text = L"abc";
  const FontSpec red = Spec(L"DejaVu Sans", 12, 0xFF), green = Spec(L"DejaVu Sans", 12, 0xFF00);
  fonts.AddFont(red, &text, true);
  fonts.AddFont(green, &text, true);
  mediatest::Movie movie;
  uint16_t nextId = 0;
  fonts.ResetEmitted();
  ASSERT_TRUE(fonts.CreateFontTags(movie.writer, nextId));
  EXPECT_EQ(fonts.WriteFontTag(red, movie.writer), 1);
  EXPECT_EQ(fonts.WriteFontTag(green, movie.writer), 1) << "the second entry of the font writes nothing more";
  EXPECT_EQ(fonts.WriteFontTag(red, movie.writer), 1);
  EXPECT_EQ(fonts.WriteFontTag(Spec(L"DejaVu Serif", 12, 0xFF), movie.writer), 0) << "a font never added";
  fonts.ResetEmitted();
  ASSERT_TRUE(fonts.CreateFontTags(movie.writer, nextId));
  EXPECT_EQ(fonts.WriteFontTag(green, movie.writer), 2);
  auto tags = movie.Close();
  auto written = TagsOf<DefineFont2Tag>(tags);
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0]->GetCharacterId(), 1);
  EXPECT_EQ(written[1]->GetCharacterId(), 2);
}

TEST(FontCollection, AMissingFontFailsTheBuildWithItsName) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  FontCollection fonts;
  const WideString text = L"abc";
  fonts.AddFont(Spec(L"No Such Family", 12, 0), &text, true);
  fonts.AddFont(Spec(L"DejaVu Sans", 12, 0), &text, true);
  mediatest::Movie movie;
  uint16_t nextId = 0;
  EXPECT_FALSE(fonts.CreateFontTags(movie.writer, nextId));
  EXPECT_NE(fonts.GetError().find(L"No Such Family"), WideString::npos);
  EXPECT_EQ(fonts.GetFontTags().size(), 1u) << "the fonts that are there are still built";
}

TEST(FontCollection, CharacterIdsNeverWrap) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  FontCollection fonts;
  const WideString text = L"a";
  fonts.AddFont(Spec(L"DejaVu Sans", 12, 0), &text, true);
  fonts.AddFont(Spec(L"DejaVu Serif", 12, 0), &text, true);
  mediatest::Movie movie;
  uint16_t nextId = 0xFFFE;
  EXPECT_FALSE(fonts.CreateFontTags(movie.writer, nextId));
  EXPECT_NE(fonts.GetError().find(L"65535"), WideString::npos);
  EXPECT_EQ(nextId, 0xFFFF);
  EXPECT_EQ(fonts.GetEntries()[0]->fontId, 0xFFFF);
  EXPECT_EQ(fonts.GetEntries()[1]->fontId, 0) << "no id 0 for the second font";
  EXPECT_EQ(fonts.GetFontSampleSprite(Spec(L"DejaVu Sans", 12, 0), movie.writer, nextId), 0);
}

TEST(FontCollection, GlyphIndicesAreCharacterPositionsFoundByNameIgnoringCase) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  FontCollection fonts;
  const WideString text = L"z\u00E9a\U0001D538\u0416a";
  fonts.AddFont(Spec(L"DejaVu Sans", 12, 0), &text, true);
  mediatest::Movie movie;
  uint16_t nextId = 0;
  ASSERT_TRUE(fonts.CreateFontTags(movie.writer, nextId));
  PlatformFont other;
  other.SetFontByName(L"DEJAVU SANS");
  struct Case {
    char32_t c;
    int32_t index;
  } cases[] = {{U'a', 0}, {U'z', 1}, {U'\u00E9', 2}, {U'\u0416', 3}, {U'\U0001D538', -1}, {U'b', -1}};
  for (const Case& c : cases) EXPECT_EQ(fonts.GetGlyphIndex(c.c, other), c.index) << static_cast<uint32_t>(c.c);
  other.SetBold(true);
  EXPECT_EQ(fonts.GetGlyphIndex(U'a', other), -1) << "another style";
  EXPECT_EQ(fonts.GetFontTags()[0]->GetGlyphCount(), 4u) << "glyph indices and glyphs agree";
}

TEST(FontCollection, SampleSpritesOncePerSizeAfterTheFont) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  FontCollection fonts;
  const WideString text = L"W";
  FontSpec spec = Spec(L"DejaVu Sans", 20, 0x0000FF);
  fonts.AddFont(spec, &text, true);
  mediatest::Movie movie;
  uint16_t nextId = 0;
  ASSERT_TRUE(fonts.CreateFontTags(movie.writer, nextId));
  EXPECT_EQ(fonts.GetFontSampleSprite(spec, movie.writer, nextId), 3);
  EXPECT_EQ(fonts.GetFontSampleSprite(spec, movie.writer, nextId), 3);
  FontSpec bigger = spec;
  bigger.SetSize(40);
  EXPECT_EQ(fonts.GetFontSampleSprite(bigger, movie.writer, nextId), 5);
  EXPECT_EQ(nextId, 5);
  const int32_t advance = spec.GetCharAdvanceEm(U'W');
  auto tags = movie.Close();
  std::vector<int> codes;
  for (const auto& t : tags) codes.push_back(t->TagCode());
  EXPECT_EQ(codes, (std::vector<int>{kSwfTagDefineFont2, kSwfTagDefineEditText, 39, kSwfTagDefineEditText, 39, 0}));
  auto texts = TagsOf<DefineEditTextTag>(tags);
  ASSERT_EQ(texts.size(), 2u);
  const DefineEditTextTag& w = *texts[0];
  EXPECT_EQ(w.GetCharacterId(), 2);
  EXPECT_EQ(w.fontId, 1);
  EXPECT_EQ(w.fontHeight, 400);
  EXPECT_EQ(w.initialText, WideString(L"W"));
  EXPECT_EQ(w.variableName, WideString(L"dummyletter"));
  EXPECT_EQ(w.alignment, DefineEditTextTag::kAlignCenter);
  ASSERT_TRUE(w.textColor);
  EXPECT_EQ(w.textColor->red, 0xFF);
  EXPECT_EQ(w.textColor->blue, 0);
  const int32_t half = static_cast<int32_t>(advance / (1024.0 / 400));
  EXPECT_EQ(*w.bounds, SwfRect(-2 * half, -400, 2 * half, 400));
  const uint16_t expected = DefineEditTextTag::kHasFont | DefineEditTextTag::kHasLayout |
                            DefineEditTextTag::kUseOutlines | DefineEditTextTag::kNoSelect |
                            DefineEditTextTag::kReadOnly | DefineEditTextTag::kHasText |
                            DefineEditTextTag::kHasTextColor;
  EXPECT_EQ(w.flags, expected);
  auto sprites = TagsOf<DefineSpriteTag>(tags);
  ASSERT_EQ(sprites.size(), 2u);
  EXPECT_EQ(sprites[0]->GetCharacterId(), 3);
}

}  // namespace
