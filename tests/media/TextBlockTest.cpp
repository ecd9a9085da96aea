#include <gtest/gtest.h>

#include <cmath>

#include "MediaTestSupport.h"
#include "media/TextBlock.h"

namespace {

PlatformFont Font(const wchar_t* family, int size) {
  PlatformFont font;
  font.SetFontByName(family);
  font.SetSize(size);
  return font;
}

// The advance in twips as the layout takes it.
int32_t Twips(const PlatformFont& font, char32_t c) {
  return static_cast<int32_t>(std::trunc(font.GetCharAdvanceEm(c) / (1024.0 / (font.GetSize() * 20.0))));
}

struct Fixture {
  FontCollection fonts;
  mediatest::Movie movie;
  uint16_t nextId = 0;
  // Adds the font with the text's characters (colour as the block gives it) and builds the tags.
  void Prepare(const PlatformFont& font, uint32_t color, const WideString& text) {
    FontSpec spec;
    static_cast<PlatformFont&>(spec) = font;
    spec.SetColor(color);
    fonts.AddFont(spec, &text, true);
    fonts.ResetEmitted();
    ASSERT_TRUE(fonts.CreateFontTags(movie.writer, nextId));
  }
};

TEST(TextBlock, EditTextBoundsFollowLinesAlignmentAndTracking) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  const PlatformFont font = Font(L"DejaVu Sans", 12);
  const int32_t a = Twips(font, U'A'), b = Twips(font, U'b');
  const int32_t g = TextBlock::kEditTextGutter;
  ASSERT_GT(a, 0);
  struct Case {
    const wchar_t* text;
    int32_t alignment, tracking, leading;
    uint8_t tagAlignment;
    SwfRect bounds;
  } cases[] = {
      // Each side also takes the player's gutter of 2 pixels (g).
      {L"Ab", 0, 0, 0, DefineEditTextTag::kAlignLeft, SwfRect(-g, -240, a + b + g, 480)},
      {L"A\nb", 0, 0, 0, DefineEditTextTag::kAlignLeft, SwfRect(-g, -240, std::max(a, b) + g, 720)},
      {L"A\r\nb", 0, 0, 0, DefineEditTextTag::kAlignLeft, SwfRect(-g, -240, std::max(a, b) + g, 960)},
      {L"Ab\n", 0, 0, 3, DefineEditTextTag::kAlignLeft, SwfRect(-g, -240, a + b + g, 240 + 2 * 300)},
      {L"Ab", 1, 0, 0, DefineEditTextTag::kAlignCenter, SwfRect(-(a + b) / 2 - g, -240, (a + b) / 2 + g, 480)},
      {L"Ab", 2, 0, 0, DefineEditTextTag::kAlignRight, SwfRect(-(a + b) - g, -240, g, 480)},
      {L"Ab", 3, 2, 0, DefineEditTextTag::kAlignJustify, SwfRect(-g, -240, a + b + 80 + g, 480)},
      {L"Ab", 7, 0, 0, DefineEditTextTag::kAlignLeft, SwfRect(0, 0, 0, 0)},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.Prepare(font, 0x336699, c.text);
    TextBlock block;
    block.SetFont(font);
    block.SetColor(0x336699);
    block.SetText(c.text);
    block.SetAlignment(c.alignment);
    block.SetTracking(c.tracking);
    block.SetLeading(c.leading);
    auto tag = block.MakeEditText(f.fonts, f.movie.writer);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->alignment, c.tagAlignment);
    ASSERT_TRUE(tag->bounds);
    EXPECT_EQ(*tag->bounds, c.bounds) << host::text::WideToUtf8(c.text) << " alignment " << c.alignment << ": "
                                      << tag->bounds->xmin << "," << tag->bounds->ymin << "," << tag->bounds->xmax
                                      << "," << tag->bounds->ymax;
    EXPECT_EQ(tag->leading, c.leading * 20);
    EXPECT_EQ(tag->GetCharacterId(), 0);
    EXPECT_EQ(tag->fontId, 1);
    EXPECT_EQ(tag->fontHeight, 240);
    EXPECT_EQ(tag->initialText, WideString(c.text));
    EXPECT_EQ(tag->variableName, WideString(L""));
    ASSERT_TRUE(tag->textColor);
    EXPECT_EQ(tag->textColor->red, 0x99);
    EXPECT_EQ(tag->textColor->green, 0x66);
    EXPECT_EQ(tag->textColor->blue, 0x33);
    EXPECT_EQ(tag->textColor->alpha, 255);
    const uint16_t flags = DefineEditTextTag::kHasFont | DefineEditTextTag::kHasLayout |
                           DefineEditTextTag::kUseOutlines | DefineEditTextTag::kNoSelect |
                           DefineEditTextTag::kReadOnly | DefineEditTextTag::kHasText |
                           DefineEditTextTag::kHasTextColor;
    EXPECT_EQ(tag->flags, flags);
  }
}

TEST(TextBlock, TheFontTagPrecedesOnlyTheFirstEditTextThatUsesIt) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  Fixture f;
  const PlatformFont font = Font(L"DejaVu Serif", 18);
  f.Prepare(font, 0, L"one two");
  for (const wchar_t* text : {L"one", L"two"}) {
    TextBlock block;
    block.SetFont(font);
    block.SetText(text);
    auto tag = block.MakeEditText(f.fonts, f.movie.writer);
    tag->SetCharacterId(++f.nextId);
    f.movie.writer.AddTag(std::move(tag));
  }
  auto tags = f.movie.Close();
  std::vector<int> codes;
  for (const auto& t : tags) codes.push_back(t->TagCode());
  EXPECT_EQ(codes, (std::vector<int>{kSwfTagDefineFont2, kSwfTagDefineEditText, kSwfTagDefineEditText, 0}));
}

TEST(StaticTextBlock, LinesBreakAtLineEndsAndBeforeWordsThatDoNotFit) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  const PlatformFont mono = Font(L"DejaVu Sans Mono", 12);
  const int32_t w = mono.GetCharAdvance(U'x');
  ASSERT_EQ(w, 7);
  struct ExpectedLine {
    int32_t width, characters, spaces;
  };
  struct Case {
    const wchar_t* text;
    int16_t boxWidth;
    bool wrap;
    std::vector<ExpectedLine> lines;
  } cases[] = {
      // Two words in a box narrower than both: the blank stays on the first line, out of its width.
      {L"abc def", 40, true, {{3 * w, 4, 0}, {3 * w, 3, 0}}},
      {L"abc def", 100, true, {{7 * w, 7, 1}}},
      {L"abc def", 40, false, {{7 * w, 7, 1}}},
      // A word wider than the box stays whole.
      {L"abcdefghij xy", 30, true, {{10 * w, 11, 0}, {2 * w, 2, 0}}},
      // Line ends: LF and CR each end a line; a final one leaves an empty line.
      {L"ab\ncd\r\n", 100, true, {{2 * w, 3, 0}, {2 * w, 3, 0}, {0, 1, 0}, {0, 0, 0}}},
      {L"a  b", 100, true, {{4 * w, 4, 2}}},
  };
  for (const Case& c : cases) {
    StaticTextBlock block;
    block.SetFont(mono);
    block.SetText(c.text);
    block.SetBounds(TextBox{0, 0, 100, c.boxWidth});
    block.SetWordWrap(c.wrap);
    block.BreakLines();
    const auto& lines = block.GetLines();
    ASSERT_EQ(lines.size(), c.lines.size()) << host::text::WideToUtf8(c.text) << " in " << c.boxWidth;
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].width, c.lines[i].width) << host::text::WideToUtf8(c.text) << " line " << i;
      EXPECT_EQ(lines[i].characterCount, c.lines[i].characters) << host::text::WideToUtf8(c.text) << " line " << i;
      EXPECT_EQ(lines[i].spaceCount, c.lines[i].spaces) << host::text::WideToUtf8(c.text) << " line " << i;
    }
  }
}

struct TextRun {
  int16_t x, y;
  std::vector<GlyphEntry> glyphs;
};

std::vector<TextRun> Runs(const DefineTextTag& tag) {
  std::vector<TextRun> runs;
  for (const auto& record : tag.records) {
    if (auto* style = dynamic_cast<TextStyleRecord*>(record.get())) {
      runs.push_back({style->xOffset, style->yOffset, {}});
    } else if (auto* glyphs = dynamic_cast<TextGlyphRecord*>(record.get())) {
      if (!runs.empty()) runs.back().glyphs = glyphs->entries;
    }
  }
  return runs;
}

TEST(StaticTextBlock, StaticTextPlacesEachLineAndItsGlyphs) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  const PlatformFont mono = Font(L"DejaVu Sans Mono", 12);
  const int32_t adv = Twips(mono, U'x');
  struct Case {
    const wchar_t* text;
    int32_t halign, valign;
    std::vector<std::pair<int16_t, int16_t>> offsets;  // per drawn line, twips
  } cases[] = {
      {L"ab cd", 0, 0, {{0, 240}}},
      {L"ab cd", 1, 0, {{(50 - 35 / 2) * 20, 240}}},
      {L"ab cd", 2, 0, {{(100 - 35) * 20, 240}}},
      {L"ab\ncd", 0, 1, {{0, (12 + 40 - 12) * 20}, {0, (24 + 40 - 12) * 20}}},
      {L"ab\ncd", 0, 2, {{0, (12 + 80 - 24) * 20}, {0, (24 + 80 - 24) * 20}}},
      {L"\n\nab\n\ncd\n", 0, 0, {{0, 36 * 20}, {0, 60 * 20}}},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.Prepare(mono, 0xFF, c.text);
    StaticTextBlock block;
    block.SetFont(mono);
    block.SetColor(0xFF);
    block.SetText(c.text);
    block.SetBounds(TextBox{0, 0, 80, 100});
    block.SetHorizontalAlign(c.halign);
    block.SetVAlign(c.valign);
    auto tag = block.MakeText(f.fonts, f.movie.writer, f.nextId);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->GetCharacterId(), 2);
    EXPECT_EQ(f.nextId, 2);
    EXPECT_EQ(*tag->bounds, SwfRect(0, 0, 2000, 1600));
    const std::vector<TextRun> runs = Runs(*tag);
    ASSERT_EQ(runs.size(), c.offsets.size()) << host::text::WideToUtf8(c.text);
    for (size_t i = 0; i < runs.size(); ++i) {
      EXPECT_EQ(runs[i].x, c.offsets[i].first) << host::text::WideToUtf8(c.text) << " line " << i;
      EXPECT_EQ(runs[i].y, c.offsets[i].second) << host::text::WideToUtf8(c.text) << " line " << i;
      for (const GlyphEntry& g : runs[i].glyphs) EXPECT_EQ(g.advance, adv);
    }
    // The first style part names the font, colour and height.
    auto* first = dynamic_cast<TextStyleRecord*>(tag->records[0].get());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->fontId, 1);
    EXPECT_EQ(first->textHeight, 240);
    ASSERT_TRUE(first->color);
    EXPECT_EQ(first->color->red, 0xFF);
  }
}

TEST(StaticTextBlock, JustifiedLinesWidenAtBlanksAndMissingCharactersHaveNoGlyph) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  const PlatformFont mono = Font(L"DejaVu Sans Mono", 12);
  const int32_t adv = Twips(mono, U'x');
  Fixture f;
  f.Prepare(mono, 0, L"ab c");  // "d" is never added to the collection
  StaticTextBlock block;
  block.SetFont(mono);
  block.SetText(L"ab c d");
  block.SetBounds(TextBox{0, 0, 40, 62});  // 6 characters of 7 pixels: 20 pixels to spare
  block.SetHorizontalAlign(StaticTextBlock::kJustify);
  auto tag = block.MakeText(f.fonts, f.movie.writer, f.nextId);
  ASSERT_NE(tag, nullptr);
  const std::vector<TextRun> runs = Runs(*tag);
  ASSERT_EQ(runs.size(), 1u);
  ASSERT_EQ(runs[0].glyphs.size(), 6u);
  const int32_t extra = (62 - 6 * 7) / 2 * 20;
  // Glyph indices are positions in the sorted set " abc".
  const std::vector<GlyphEntry> expected = {{1, adv}, {2, adv},         {0, adv + extra},
                                            {3, adv}, {0, adv + extra}, {0xFFFFFFFFu, adv}};
  EXPECT_EQ(runs[0].glyphs, expected);
  // The tag writes and reads back with the all-ones glyph index.
  f.movie.writer.AddTag(std::move(tag));
  auto tags = f.movie.Close();
  DefineText2Tag* read = nullptr;
  for (auto& t : tags) {
    if (read == nullptr) read = dynamic_cast<DefineText2Tag*>(t.get());
  }
  ASSERT_NE(read, nullptr);
  const std::vector<TextRun> readRuns = Runs(*read);
  ASSERT_EQ(readRuns.size(), 1u);
  EXPECT_EQ(readRuns[0].glyphs, expected);
}

TEST(StaticTextBlock, LinesBeyondTheSixteenBitOffsetsAreRefused) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  const PlatformFont mono = Font(L"DejaVu Sans Mono", 100);
  Fixture f;
  f.Prepare(mono, 0, L"ab");
  StaticTextBlock block;
  block.SetFont(mono);
  // The twentieth line stands 2000 pixels down: 40000 twips do not fit the offset field.
  WideString text;
  for (int i = 0; i < 20; ++i) text += L"ab\n";
  block.SetText(text);
  block.SetBounds(TextBox{0, 0, 3000, 500});
  const uint16_t before = f.nextId;
  EXPECT_EQ(block.MakeText(f.fonts, f.movie.writer, f.nextId), nullptr);
  EXPECT_EQ(f.nextId, before) << "no id is taken for a refused text";
  block.SetText(L"ab\nab");
  EXPECT_NE(block.MakeText(f.fonts, f.movie.writer, f.nextId), nullptr);
}

TEST(TextBlock, ExtremeSizesAndSpacingsNeitherOverflowNorWrap) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  const int32_t extremes[] = {INT32_MIN, -5, 0, 1, 3276, 5000, INT32_MAX};
  for (int32_t size : extremes) {
    SCOPED_TRACE(size);
    const PlatformFont font = Font(L"DejaVu Sans", size);
    Fixture f;
    f.Prepare(font, 0, L"W i\nW");
    for (int32_t spacing : {INT32_MIN, 0, INT32_MAX}) {
      TextBlock block;
      block.SetFont(font);
      block.SetText(L"W i\nW");
      block.SetTracking(spacing);
      block.SetLeading(spacing);
      for (int32_t alignment : {0, 1, 2, 3}) {
        block.SetAlignment(alignment);
        auto tag = block.MakeEditText(f.fonts, f.movie.writer);
        ASSERT_NE(tag, nullptr);
        EXPECT_EQ(tag->fontHeight, static_cast<uint16_t>(std::clamp<int64_t>(int64_t{size} * 20, 0, 0xFFFF)));
        EXPECT_LE(tag->bounds->xmin, tag->bounds->xmax);
      }
    }
    StaticTextBlock text;
    text.SetFont(font);
    text.SetText(L"W i W i W\n\nW");
    text.SetBounds(TextBox{INT16_MIN, INT16_MIN, INT16_MAX, INT16_MAX});
    for (int32_t align : {0, 1, 2, 3}) {
      text.SetHorizontalAlign(align);
      text.SetVAlign(align % 3);
      text.MakeText(f.fonts, f.movie.writer, f.nextId);  // a text that does not fit is refused
    }
    if (size > 0) {
      EXPECT_GT(font.GetCharAdvance(U'W'), 0);
    }
    EXPECT_GE(font.GetCharAdvanceEm(U'W'), 0);
  }
}

}  // namespace
