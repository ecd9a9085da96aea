#include "swf/FontTags.h"

#include <gtest/gtest.h>

#include "tests/swf/TagTestSupport.h"

namespace {

using tagtest::Bytes;
using tagtest::ReadTag;
using tagtest::WriteTag;

// A closed glyph outline: a move and `edges` straight edges, then the end record.
std::unique_ptr<Shape> Glyph(int edges, int size = 400) {
  auto shape = std::make_unique<Shape>();
  shape->SetBitCounts(1, 0);
  auto move = std::make_unique<StyleChangeRecord>(kStyleMoveTo | kStyleFill1, shape.get());
  move->InitMoveTo(10, -size, shape.get());
  move->SetFillStyleIndex(1, true);
  shape->records.push_back(std::move(move));
  for (int i = 0; i < edges; ++i) {
    shape->records.push_back(
        std::make_unique<StraightEdgeRecord>(i % 2 ? size : 0, i % 2 ? 0 : size / (i + 1),
                                             i % 2 ? StraightEdgeRecord::kHorizontal : StraightEdgeRecord::kVertical));
  }
  shape->records.push_back(std::make_unique<EndShapeRecord>());
  return shape;
}

// An outline with no records but the end: two bytes.
std::unique_ptr<Shape> EmptyGlyph() {
  auto shape = std::make_unique<Shape>();
  shape->records.push_back(std::make_unique<EndShapeRecord>());
  return shape;
}

size_t GlyphSize(Shape& shape) {
  SwfBitWriter w(6);
  shape.Write(w);
  return w.GetBytes().size();
}

void AddGlyphs(DefineFont2Tag& font, const std::string& text) {
  for (char c : text) {
    font.AddGlyph(static_cast<uint16_t>(c), Glyph(3), 500, std::make_unique<SwfRect>(0, -700, 480, 0));
  }
}

TEST(FontTags, Font2FlagsFollowTheMovieVersion) {
  DefineFont2Tag font(L"Arial", 3, DefineFont2Tag::kAnsi);
  AddGlyphs(font, "AB");
  const Bytes v6 = tagtest::BodyOf(WriteTag(font, 6));
  const Bytes v5 = tagtest::BodyOf(WriteTag(font, 5));
  EXPECT_EQ(v6[2], 0x04);
  EXPECT_EQ(v5[2], 0x10);
  EXPECT_EQ(v6.size(), v5.size() + 2);  // two-byte codes
  EXPECT_EQ(font.flags, DefineFont2Tag::kAnsi);
  for (uint8_t version : {5, 6}) {
    auto copy = tagtest::RoundTrip(font, version);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->codes, (std::vector<uint16_t>{'A', 'B'}));
    EXPECT_EQ(copy->name, L"Arial");
    EXPECT_EQ(copy->GetGlyphCount(), 2u);
    EXPECT_TRUE(copy->advances.empty());  // no layout
  }
}

// The offset table counts from its own start, so its size is part of what must fit in 16
// bits: offsets and glyph data of 65535 bytes in all still fit, one byte more does not.
TEST(FontTags, Font2OffsetWidthCountsTheOffsetTable) {
  // Each glyph adds its bytes and one 2-byte offset; pick a glyph of each remainder mod 4.
  std::vector<size_t> contribution(4, 0);
  std::vector<int> edgesFor(4, -1);
  for (int edges = 0; edges < 16; ++edges) {
    auto g = Glyph(edges);
    const size_t c = GlyphSize(*g) + 2;
    if (edgesFor[c % 4] < 0) {
      edgesFor[c % 4] = edges;
      contribution[c % 4] = c;
    }
  }
  auto empty = EmptyGlyph();
  ASSERT_EQ(GlyphSize(*empty), 2u);
  for (size_t total : {size_t{65535}, size_t{65536}}) {
    DefineFont2Tag font(L"F", 1, 0);
    size_t remaining = total - 2;  // the code-table offset
    const size_t r = remaining % 4;
    if (r != 0) {
      ASSERT_GE(edgesFor[r], 0);
      font.AddGlyph(1, Glyph(edgesFor[r]), 0, nullptr);
      remaining -= contribution[r];
    }
    ASSERT_EQ(remaining % 4, 0u);
    for (size_t i = 0; i < remaining / 4; ++i) font.AddGlyph(static_cast<uint16_t>(i), EmptyGlyph(), 0, nullptr);
    const Bytes body = tagtest::BodyOf(WriteTag(font, 5));
    const bool wide = total > 65535;
    EXPECT_EQ((body[2] & DefineFont2Tag::kWideOffsets) != 0, wide) << total;
    const size_t glyphs = font.GetGlyphCount();
    const size_t tableStart = 2 + 1 + 1 + 1 + 1 + 2;
    const size_t offsetSize = wide ? 4 : 2;
    // The code-table offset, the last entry of the table, points just past the glyph data.
    const size_t at = tableStart + glyphs * offsetSize;
    const uint32_t codeTableOffset = wide ? (body[at] | body[at + 1] << 8 | body[at + 2] << 16 | body[at + 3] << 24)
                                          : (body[at] | body[at + 1] << 8);
    EXPECT_EQ(codeTableOffset, wide ? total + (glyphs + 1) * 2 : total);
    EXPECT_EQ(body.size(), tableStart + codeTableOffset + glyphs);  // narrow codes follow
    auto copy = tagtest::RoundTrip(font, 5);
    ASSERT_TRUE(copy) << total;
    EXPECT_EQ(copy->GetGlyphCount(), glyphs);
  }
}

TEST(FontTags, Font2WithoutGlyphs) {
  DefineFont2Tag font(L"Verdana", 9, 0);
  EXPECT_EQ(tagtest::BodyOf(WriteTag(font, 5)), (Bytes{9, 0, 0, 0, 7, 'V', 'e', 'r', 'd', 'a', 'n', 'a', 0, 0, 2, 0}));
  ASSERT_TRUE(tagtest::RoundTrip(font, 5));
  // Without the code-table offset, and with layout, both forms read.
  DefineFont2Tag read;
  EXPECT_FALSE(ReadTag(Bytes{0x07, 0x0C, 9, 0, 0, 0, 0, 0, 0}, read, 5).overrun);
  font.SetLayoutMetrics(900, 200, 10);
  auto copy = tagtest::RoundTrip(font, 5);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->ascent, 900);
  EXPECT_EQ(copy->leading, 10);
  const Bytes noOffset = {0x0F, 0x0C, 9, 0, 0x80, 0, 0, 0, 0, 0x84, 0x03, 0xC8, 0, 10, 0, 0, 0};
  EXPECT_FALSE(ReadTag(noOffset, read, 5).overrun);
  EXPECT_EQ(read.ascent, 900);
  EXPECT_EQ(read.leading, 10);
  // A device font read from a movie (the same layout in a later tag code).
  const Bytes verdana = tagtest::CorpusTag("define-font/df3-system-font-verdana");
  ASSERT_FALSE(verdana.empty());
  EXPECT_FALSE(ReadTag(verdana, read, 8).overrun);
  EXPECT_EQ(read.name, L"Verdana");
  EXPECT_EQ(read.GetCharacterId(), 3775);
}

TEST(FontTags, Font2LayoutOnlyWithItsFlag) {
  DefineFont2Tag font(L"A", 1, 0);
  AddGlyphs(font, "xyz");
  font.kerning.push_back({'x', 'y', -20});
  const size_t without = tagtest::BodyOf(WriteTag(font, 5)).size();
  font.SetLayoutMetrics(800, 200, 0);
  const Bytes with = WriteTag(font, 5);
  EXPECT_GT(tagtest::BodyOf(with).size(), without + 6 + 3 * 2 + 2 + 4);
  auto copy = tagtest::RoundTrip(font, 5);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->advances, (std::vector<int16_t>{500, 500, 500}));
  ASSERT_EQ(copy->bounds.size(), 3u);
  EXPECT_EQ(*copy->bounds[2], SwfRect(0, -700, 480, 0));
  EXPECT_EQ(copy->kerning, (std::vector<KerningRecord>{{'x', 'y', -20}}));
  EXPECT_EQ(copy->descent, 200);
  auto v6 = tagtest::RoundTrip(font, 6);
  ASSERT_TRUE(v6);
  EXPECT_EQ(v6->kerning, copy->kerning);
}

// A name longer than its length byte counts is cut to 255 bytes with the byte matching.
TEST(FontTags, LongNamesAreCutTo255Bytes) {
  const WideString ascii(300, L'n');
  const WideString accented(200, L'\u00e9');  // two bytes each in UTF-8
  struct Case {
    const WideString* name;
    uint8_t version;
    size_t bytes;
  };
  for (const Case& c : {Case{&ascii, 5, 255}, Case{&ascii, 6, 255}, Case{&accented, 5, 200}, Case{&accented, 6, 254}}) {
    DefineFont2Tag font(*c.name, 1, 0);
    AddGlyphs(font, "a");
    const Bytes body = tagtest::BodyOf(WriteTag(font, c.version));
    EXPECT_EQ(body[4], c.bytes);
    auto copy = tagtest::RoundTrip(font, c.version);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->name.size(), c.version >= 6 && c.name == &accented ? 127u : c.bytes);
    EXPECT_EQ(copy->codes, std::vector<uint16_t>{'a'});

    DefineFontInfoTag info(1, *c.name, L"ab", 0);
    EXPECT_EQ(tagtest::BodyOf(WriteTag(info, c.version))[2], c.bytes);
    auto infoCopy = tagtest::RoundTrip(info, c.version);
    ASSERT_TRUE(infoCopy);
    EXPECT_EQ(infoCopy->codes, (std::vector<uint16_t>{'a', 'b'}));
  }
}

TEST(FontTags, FontInfoCodes) {
  DefineFontInfo2Tag info(4, L"Comic", L"Hi\u0151", DefineFontInfoTag::kWideCodes | DefineFontInfoTag::kBold);
  info.languageCode = 2;
  auto copy = tagtest::RoundTrip(info, 6);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->codes, (std::vector<uint16_t>{'H', 'i', 0x151}));
  EXPECT_EQ(copy->languageCode, 2);
  EXPECT_EQ(copy->flags, 0x03);
  // Wide codes with an odd byte left: the whole pairs only.
  DefineFontInfoTag odd;
  EXPECT_FALSE(ReadTag(Bytes{0x4A, 0x03, 4, 0, 1, 'x', 0x01, 'a', 0, 'b', 0, 'c'}, odd, 6).overrun);
  EXPECT_EQ(odd.codes, (std::vector<uint16_t>{'a', 'b'}));
  EXPECT_EQ(odd.name, L"x");
  DefineFontInfoTag defaults;
  EXPECT_EQ(defaults.fontId, 1);
  EXPECT_EQ(defaults.name, L"Times New Roman");
  defaults.Relocate(5, 0, 0);
  EXPECT_EQ(defaults.fontId, 6);
}

TEST(FontTags, CorpusFontInfo) {
  const Bytes input = tagtest::CorpusTag("define-font-info/dfi1-comic-sans-ms");
  DefineFontInfoTag info;
  EXPECT_FALSE(ReadTag(input, info, 6).overrun);
  EXPECT_EQ(info.name, L"Comic Sans MS");
  EXPECT_EQ(info.codes.size(), 12u);
  EXPECT_EQ(WriteTag(info, 6), input);
}

// A device font is a DefineFont with its id alone: no offset to read or write.
TEST(FontTags, DefineFontWithoutGlyphs) {
  DefineFontTag font;
  const Bytes idOnly = {0x82, 0x02, 7, 0};
  const tagtest::ReadResult r = ReadTag(idOnly, font, 5);
  EXPECT_FALSE(r.overrun);
  EXPECT_EQ(font.GetCharacterId(), 7);
  EXPECT_TRUE(font.glyphs.empty());
  EXPECT_EQ(WriteTag(font, 5), idOnly);
}

TEST(FontTags, DefineFontOffsetsFollowTheGlyphs) {
  DefineFontTag font;
  std::vector<std::unique_ptr<Shape>> shapes;
  shapes.push_back(Glyph(2));
  shapes.push_back(Glyph(5));
  shapes.push_back(EmptyGlyph());
  const size_t first = GlyphSize(*shapes[0]);
  const size_t second = GlyphSize(*shapes[1]);
  font.SetGlyphs({0, 0, 0}, std::move(shapes), 3, true);
  EXPECT_EQ(font.offsetTable, (std::vector<int32_t>{6, 6, 6}));
  const Bytes body = tagtest::BodyOf(WriteTag(font, 5));
  EXPECT_EQ(body[2], 6);
  EXPECT_EQ(body[4], 6 + first);
  EXPECT_EQ(body[6], 6 + first + second);
  auto copy = tagtest::RoundTrip(font, 5);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->glyphs.size(), 3u);
  EXPECT_EQ(copy->offsetTable[2], static_cast<int32_t>(6 + first + second));
  copy->Relocate(65535, 0, 0);
  EXPECT_EQ(copy->GetCharacterId(), 2);
}

TEST(FontTags, CorpusGlyphFonts) {
  {
    const Bytes input = tagtest::CorpusTag("define-glyph-font/comic-sans-ms");
    DefineFontTag font;
    EXPECT_FALSE(ReadTag(input, font, 6).overrun);
    EXPECT_EQ(font.GetCharacterId(), 58);
    EXPECT_EQ(font.glyphs.size(), 12u);
    const Bytes written = WriteTag(font, 6);
    EXPECT_EQ(written, input);
  }
  {
    const Bytes input = tagtest::CorpusTag("define-font/df2-alba");
    DefineFont2Tag font;
    EXPECT_FALSE(ReadTag(input, font, 6).overrun);
    EXPECT_EQ(font.name, L"Alba");
    EXPECT_EQ(font.GetCharacterId(), 30);
    EXPECT_EQ(font.glyphs.size(), font.codes.size());
    EXPECT_EQ(font.flags, DefineFont2Tag::kWideCodes);
    EXPECT_EQ(font.codes[0], 0x20);
    Bytes first;
    auto copy = tagtest::RoundTrip(font, 6, &first);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->codes, font.codes);
    EXPECT_EQ(copy->kerning, font.kerning);
  }
}

TEST(FontTags, ImpossibleCountsAreErrors) {
  // DefineFont2 claiming 1000 glyphs in a few bytes; DefineFont whose first offset promises
  // more offsets than the body holds.
  DefineFont2Tag font2;
  EXPECT_TRUE(ReadTag(Bytes{0x09, 0x0C, 1, 0, 0, 0, 0, 0xE8, 0x03, 0, 0}, font2, 6).overrun);
  DefineFontTag font;
  EXPECT_TRUE(ReadTag(Bytes{0x84, 0x02, 1, 0, 0x00, 0x10}, font, 6).overrun);
  const Bytes invalid = tagtest::CorpusTag("raw-body/invalid-define-font-offset");
  ReadTag(invalid, font, 6);  // must not crash
  ReadTag(tagtest::CorpusTag("raw-body/invalid-define-font2-offset"), font2, 6);
}

}  // namespace
