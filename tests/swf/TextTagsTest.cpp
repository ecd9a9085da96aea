#include "swf/TextTags.h"

#include <gtest/gtest.h>

#include "tests/swf/TagTestSupport.h"

namespace {

using tagtest::Bytes;
using tagtest::ReadTag;
using tagtest::WriteTag;

std::unique_ptr<TextStyleRecord> Style(uint16_t fontId, uint16_t height, bool rgbOnly = false) {
  auto style = std::make_unique<TextStyleRecord>(TextStyleRecord::kRecordType, rgbOnly);
  style->SetFontId(fontId);
  style->SetTextHeight(height);
  return style;
}

std::unique_ptr<TextGlyphRecord> Glyphs(const std::vector<GlyphEntry>& entries) {
  auto glyphs = std::make_unique<TextGlyphRecord>();
  glyphs->entries = entries;
  return glyphs;
}

const TextGlyphRecord* GlyphRecordAt(const DefineTextTag& tag, size_t i) {
  return i < tag.records.size() ? dynamic_cast<const TextGlyphRecord*>(tag.records[i].get()) : nullptr;
}

const TextStyleRecord* StyleRecordAt(const DefineTextTag& tag, size_t i) {
  return i < tag.records.size() ? dynamic_cast<const TextStyleRecord*>(tag.records[i].get()) : nullptr;
}

template <typename T>
void InitText(T& tag) {
  tag.Init(2, std::make_unique<SwfRect>(0, 0, 2000, 400), std::make_unique<SwfMatrix>(), 0, 0);
}

// Widths for entries built in memory; each case is a list of (index, advance).
TEST(TextTags, BitCountsFromTheEntries) {
  struct Case {
    std::vector<GlyphEntry> entries;
    int glyphBits;
    int advanceBits;
  };
  const Case cases[] = {
      {{{0, 100}, {1, 300}, {2, 120}, {3, 0}, {4, 5}, {5, 299}}, 3, 10},
      {{{0, 0}}, 0, 1},
      {{{0xFFFFFFFFu, 1}}, 32, 2},
      // Negative advances count by their magnitude: -600 needs 11 signed bits.
      {{{1, -600}, {2, 10}}, 2, 11},
      {{{1, INT32_MIN}, {2, INT32_MAX}}, 2, 32},
  };
  for (const Case& c : cases) {
    DefineText2Tag tag;
    InitText(tag);
    tag.AddRecord(Style(1, 240));
    tag.AddRecord(Glyphs(c.entries));
    tag.ComputeBitCounts();
    EXPECT_EQ(tag.glyphBits, c.glyphBits);
    EXPECT_EQ(tag.advanceBits, c.advanceBits);
    auto copy = tagtest::RoundTrip(tag, 6);
    ASSERT_TRUE(copy);
    ASSERT_TRUE(GlyphRecordAt(*copy, 1));
    EXPECT_EQ(GlyphRecordAt(*copy, 1)->entries, c.entries);
  }
}

TEST(TextTags, WidthsReadAreMinimums) {
  DefineTextTag tag;
  InitText(tag);
  tag.AddRecord(Style(1, 240, true));
  tag.AddRecord(Glyphs({{200, 1000}}));
  auto copy = tagtest::RoundTrip(tag, 6);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->minGlyphBits, 8);
  EXPECT_EQ(copy->minAdvanceBits, 11);
  auto* glyphs = const_cast<TextGlyphRecord*>(GlyphRecordAt(*copy, 1));
  ASSERT_TRUE(glyphs);
  glyphs->entries = {{1, 1}};
  WriteTag(*copy, 6);
  EXPECT_EQ(copy->glyphBits, 8);
  EXPECT_EQ(copy->advanceBits, 11);
}

// A record without glyphs between two others must not end the records.
TEST(TextTags, RecordWithoutGlyphsInMidTextKeepsTheRest) {
  DefineText2Tag tag;
  InitText(tag);
  tag.AddRecord(Style(1, 240));
  tag.AddRecord(Glyphs({}));
  tag.AddRecord(Style(2, 300));
  tag.AddRecord(Glyphs({{3, 40}, {4, 50}}));
  auto copy = tagtest::RoundTrip(tag, 6);
  ASSERT_TRUE(copy);
  ASSERT_EQ(copy->records.size(), 4u);
  EXPECT_TRUE(GlyphRecordAt(*copy, 1)->entries.empty());
  EXPECT_EQ(StyleRecordAt(*copy, 2)->fontId, 2);
  EXPECT_EQ(GlyphRecordAt(*copy, 3)->entries.size(), 2u);
  // A style record alone at the end of the text stays alone.
  DefineText2Tag last;
  InitText(last);
  last.AddRecord(Style(1, 240));
  auto lastCopy = tagtest::RoundTrip(last, 6);
  ASSERT_TRUE(lastCopy);
  EXPECT_EQ(lastCopy->records.size(), 1u);
}

// One count byte holds 255 glyphs: a longer line becomes several records.
TEST(TextTags, LongLinesAreSplitIntoRecordsOf255Glyphs) {
  for (size_t count : {255u, 256u, 300u, 600u}) {
    std::vector<GlyphEntry> entries;
    for (size_t i = 0; i < count; ++i) entries.push_back({static_cast<uint32_t>(i % 50), static_cast<int32_t>(i)});
    DefineText2Tag tag;
    InitText(tag);
    tag.AddRecord(Style(1, 240));
    tag.AddRecord(Glyphs(entries));
    Bytes first;
    auto copy = tagtest::RoundTrip(tag, 6, &first);
    ASSERT_TRUE(copy) << count;
    std::vector<GlyphEntry> read;
    size_t glyphRecords = 0;
    for (size_t i = 0; i < copy->records.size(); ++i) {
      if (const TextGlyphRecord* glyphs = GlyphRecordAt(*copy, i)) {
        EXPECT_LE(glyphs->entries.size(), 255u);
        read.insert(read.end(), glyphs->entries.begin(), glyphs->entries.end());
        ++glyphRecords;
      }
    }
    EXPECT_EQ(read, entries) << count;
    EXPECT_EQ(glyphRecords, (count + 254) / 255);
    // Only the first record carries the font.
    EXPECT_EQ(StyleRecordAt(*copy, 0)->fontId, 1);
    if (count > 255) {
      EXPECT_EQ(StyleRecordAt(*copy, 2)->GetFlags(), 0x80);
    }
  }
}

TEST(TextTags, WidthsAbove32AreFormatErrors) {
  // id, RECT (nbits 0), MATRIX (no scale, no rotate, ntranslate 0), glyph bits 33.
  Bytes tag = {0xC9, 0x02, 1, 0, 0x00, 0x00, 33, 8, 0};
  DefineTextTag text;
  EXPECT_TRUE(ReadTag(tag, text, 6).overrun);
  tag[6] = 8;
  tag[7] = 40;
  EXPECT_TRUE(ReadTag(tag, text, 6).overrun);
  tag[7] = 8;
  EXPECT_FALSE(ReadTag(tag, text, 6).overrun);
  // A minimum set in memory beyond 32 is held to 32.
  DefineText2Tag big;
  InitText(big);
  big.minGlyphBits = 200;
  big.minAdvanceBits = 200;
  big.AddRecord(Style(1, 240));
  big.AddRecord(Glyphs({{1, 1}}));
  auto copy = tagtest::RoundTrip(big, 6);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->glyphBits, 32);
  EXPECT_EQ(copy->advanceBits, 32);
}

TEST(TextTags, OffsetWithoutItsFlagIsWrittenWithIt) {
  TextStyleRecord style(0x80, true);
  style.xOffset = 40;
  SwfBitWriter w(6);
  style.Write(w);
  EXPECT_EQ(w.GetBytes(), (Bytes{0x81, 40, 0}));
  TextStyleRecord coloured(0x80, false);
  coloured.SetColor(std::make_unique<SwfRgba>(1, 2, 3, 4));
  coloured.SetYOffset(-2);
  SwfBitWriter w2(6);
  coloured.Write(w2);
  EXPECT_EQ(w2.GetBytes(), (Bytes{0x86, 1, 2, 3, 4, 0xFE, 0xFF}));
}

TEST(TextTags, RelocationMovesFontIdsThatAreSet) {
  DefineTextTag tag;
  InitText(tag);
  tag.AddRecord(Style(4, 240, true));
  tag.AddRecord(std::make_unique<TextStyleRecord>(0x80, true));
  tag.Relocate(10, 1, 1);
  EXPECT_EQ(tag.GetCharacterId(), 12);
  EXPECT_EQ(StyleRecordAt(tag, 0)->fontId, 14);
  EXPECT_EQ(StyleRecordAt(tag, 1)->fontId, 0);
  EXPECT_EQ(StyleRecordAt(tag, 1)->GetFlags(), 0x80);
  // A font id that would wrap is reported; an unset one is not moved and so cannot wrap.
  EXPECT_TRUE(tag.CanRelocate(65535 - 14, 0, 0));
  EXPECT_FALSE(tag.CanRelocate(65535 - 13, 0, 0));
  EXPECT_FALSE(tag.CanRelocate(-13, 0, 0));
}

TEST(TextTags, CorpusStaticTexts) {
  struct Case {
    const char* name;
    int code;
    uint16_t id;
    size_t glyphs;
  };
  for (const Case& c : {Case{"define-text/text1-hello-world", 11, 2, 13},
                        Case{"define-text/text2-www-free-flash-animations-com", 33, 12, 0}}) {
    const Bytes input = tagtest::CorpusTag(c.name);
    ASSERT_FALSE(input.empty()) << c.name;
    std::unique_ptr<DefineTextTag> tag;
    if (c.code == 11) {
      tag = std::make_unique<DefineTextTag>();
    } else {
      tag = std::make_unique<DefineText2Tag>();
    }
    const tagtest::ReadResult r = ReadTag(input, *tag, 6);
    EXPECT_FALSE(r.overrun) << c.name;
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(tag->GetCharacterId(), c.id);
    if (c.glyphs != 0) {
      ASSERT_TRUE(GlyphRecordAt(*tag, 1));
      EXPECT_EQ(GlyphRecordAt(*tag, 1)->entries.size(), c.glyphs);
      EXPECT_EQ(GlyphRecordAt(*tag, 1)->entries[0], (GlyphEntry{3, 433}));
      EXPECT_EQ(StyleRecordAt(*tag, 0)->yOffset, 540);
      EXPECT_EQ(StyleRecordAt(*tag, 0)->textHeight, 600);
    }
    const Bytes written = WriteTag(*tag, 6);
    EXPECT_EQ(tagtest::BodyOf(written), tagtest::BodyOf(input)) << c.name;
  }
}

TEST(TextTags, EditTextWithFontAndNoLayoutKeepsItsFlags) {
  // id, RECT, flags (has font only), font id and height, empty name: no layout block.
  const Bytes body = {5, 0, 0x08, 0, 0x01, 0x00, 2, 0, 240, 0, 0};
  Bytes input = SwfTag::MakeTagHeader(37, body.size(), false);
  input.insert(input.end(), body.begin(), body.end());
  DefineEditTextTag read;
  EXPECT_FALSE(ReadTag(input, read, 6).overrun);
  EXPECT_EQ(read.flags, DefineEditTextTag::kHasFont);
  EXPECT_EQ(tagtest::BodyOf(WriteTag(read, 6)), body);
}

TEST(TextTags, EditTextWithoutTextWritesTheNameOnly) {
  DefineEditTextTag tag;
  tag.Init(7, std::make_unique<SwfRgba>(255, 0, 0, 255), L"msg");
  tag.bounds = std::make_unique<SwfRect>();
  tag.initialText = L"ignored";
  EXPECT_EQ(tagtest::BodyOf(WriteTag(tag, 6)), (Bytes{7, 0, 0x08, 0, 0x04, 0x00, 255, 0, 0, 255, 'm', 's', 'g', 0}));
  tag.SetFlag(DefineEditTextTag::kHasText, true);
  tag.SetReadOnly(true);
  tag.SetNoSelect(true);
  tag.SetUseOutlines(true);
  auto copy = tagtest::RoundTrip(tag, 6);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->initialText, L"ignored");
  EXPECT_EQ(copy->flags, 0x8C11);
}

TEST(TextTags, EditTextTextsFollowTheMovieVersion) {
  DefineEditTextTag tag;
  tag.bounds = std::make_unique<SwfRect>();
  tag.SetFlag(DefineEditTextTag::kHasText, true);
  tag.variableName = L"n\u00e9";
  tag.initialText = L"\u20ac";
  for (uint8_t version : {5, 6}) {
    auto copy = tagtest::RoundTrip(tag, version);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->variableName, L"n\u00e9");
    EXPECT_EQ(copy->initialText, version >= 6 ? L"\u20ac" : L"?");
  }
}

TEST(TextTags, EditTextWithFontClassIsNotModelled) {
  // flags 0x0080 (a font class name follows in SWF 9 and later).
  DefineEditTextTag tag;
  EXPECT_TRUE(ReadTag(Bytes{0x07, 0x09, 1, 0, 0, 0x00, 0x80, 'a', 0}, tag, 9).overrun);
}

TEST(TextTags, EditTextRelocation) {
  DefineEditTextTag tag;
  tag.SetCharacterId(3);
  tag.fontId = 0;
  tag.Relocate(10, 0, 0);
  EXPECT_EQ(tag.GetCharacterId(), 13);
  EXPECT_EQ(tag.fontId, 0);
  tag.fontId = 4;
  tag.Relocate(10, 0, 0);
  EXPECT_EQ(tag.fontId, 14);
}

TEST(TextTags, CorpusEditText) {
  const Bytes input = tagtest::CorpusTag("define-dynamic-text/start");
  DefineEditTextTag tag;
  EXPECT_FALSE(ReadTag(input, tag, 6).overrun);
  EXPECT_EQ(tag.GetCharacterId(), 3836);
  EXPECT_EQ(tag.fontId, 3805);
  EXPECT_EQ(tag.fontHeight, 180);
  EXPECT_EQ(tag.alignment, DefineEditTextTag::kAlignCenter);
  EXPECT_EQ(tag.leading, 40);
  EXPECT_EQ(tag.initialText, L"START");
  ASSERT_TRUE(tag.textColor);
  EXPECT_EQ(tag.textColor->alpha, 255);
  EXPECT_EQ(tag.bounds->ymin, -40);
  EXPECT_EQ(tagtest::BodyOf(WriteTag(tag, 6)), tagtest::BodyOf(input));
}

}  // namespace
