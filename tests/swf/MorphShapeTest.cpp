#include <gtest/gtest.h>

#include "TagTestSupport.h"
#include "swf/MorphShape.h"

using tagtest::Bytes;

namespace {

size_t OffsetFieldAt(const Bytes& tag) {
  // Header, id, then two RECTs of (5 + 4 n) bits each, byte-aligned.
  size_t at = (tag[0] & 0x3F) == 0x3F ? 6 : 2;
  at += 2;
  for (int i = 0; i < 2; ++i) {
    const int bits = tag[at] >> 3;
    at += (5 + 4 * bits + 7) / 8;
  }
  return at;
}

uint32_t U32At(const Bytes& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
}

}  // namespace

TEST(MorphShapeTest, CorpusMorphShapesReadAndWriteBack) {
  for (const char* name : {"define-morph-shape/ms1-morph-rotating-square"}) {
    const Bytes input = tagtest::CorpusTag(name);
    DefineMorphShapeTag tag;
    const auto result = tagtest::ReadTag(input, tag, 6);
    EXPECT_EQ(result.code, 46) << name;
    EXPECT_FALSE(result.overrun) << name;
    EXPECT_EQ(result.consumed, result.bodyLength) << name;
    EXPECT_GT(tag.startEdges->records.size(), 1u);
    EXPECT_GT(tag.endEdges->records.size(), 1u);

    Bytes written;
    auto copy = tagtest::RoundTrip(tag, 6, &written);
    ASSERT_TRUE(copy) << name;
    // The offset written is the one the movie had: the edges are unchanged.
    EXPECT_EQ(U32At(written, OffsetFieldAt(written)), tag.offset) << name;
    EXPECT_EQ(copy->offset, tag.offset) << name;
  }
}

TEST(MorphShapeTest, MorphShapeFromAMovieWritesBackByteForByte) {
  const Bytes movie = tagtest::CorpusMovie("DefineMorphShape-MX.swf");
  SwfReader reader(movie, movie.at(3));
  const auto offsets = tagtest::FindTags(reader, 46);
  ASSERT_FALSE(offsets.empty());
  for (size_t offset : offsets) {
    DefineMorphShapeTag tag;
    const auto result = tagtest::ReadTagAt(reader, offset, tag);
    EXPECT_FALSE(result.overrun);
    EXPECT_EQ(tagtest::BodyOf(tagtest::WriteTag(tag, movie[3])), tagtest::BodyOf(tagtest::TagBytesAt(movie, offset)));
  }
}

TEST(MorphShapeTest, StylesReadBackAndBitmapsRelocate) {
  DefineMorphShapeTag tag;
  tag.SetCharacterId(30);
  tag.startBounds = std::make_unique<SwfRect>(0, 0, 200, 200);
  tag.endBounds = std::make_unique<SwfRect>(-10, -10, 400, 300);

  auto gradientFill = std::make_unique<MorphFillStyle>();
  gradientFill->fillType = kFillRadialGradient;
  gradientFill->startMatrix = SwfMatrix::Make(5, 5, 2, 2, 0, 0);
  gradientFill->endMatrix = SwfMatrix::Make(-5, 9, 1, 1, 30, 30);
  gradientFill->gradient = std::make_unique<MorphGradient>();
  for (uint8_t ratio : {0, 255}) {
    auto record = std::make_unique<MorphGradRecord>();
    record->startRatio = ratio;
    record->endRatio = static_cast<uint8_t>(255 - ratio);
    record->startColour = SwfRgba(ratio, 1, 2, 3);
    record->endColour = SwfRgba(4, 5, ratio, 6);
    gradientFill->gradient->records.push_back(std::move(record));
  }
  tag.fillStyles->styles.push_back(std::move(gradientFill));

  auto bitmapFill = std::make_unique<MorphFillStyle>();
  bitmapFill->fillType = kFillRepeatingBitmap;
  bitmapFill->bitmapId = 12;
  bitmapFill->startMatrix = SwfMatrix::Make(100, 0, 20, 20, 0, 0);
  bitmapFill->endMatrix = SwfMatrix::Make(0, 100, 10, 10, 0, 0);
  tag.fillStyles->styles.push_back(std::move(bitmapFill));

  auto noBitmap = std::make_unique<MorphFillStyle>();
  noBitmap->fillType = kFillClippedBitmap;
  noBitmap->bitmapId = kNoBitmapId;
  tag.fillStyles->styles.push_back(std::move(noBitmap));

  auto line = std::make_unique<MorphLineStyle>();
  line->startWidth = 20;
  line->endWidth = 100;
  line->endColour = SwfRgba(1, 2, 3, 4);
  tag.lineStyles->styles.push_back(std::move(line));

  for (Shape* edges : {tag.startEdges.get(), tag.endEdges.get()}) {
    auto move = std::make_unique<StyleChangeRecord>(0, edges);
    move->InitMoveTo(10, 10, edges);
    move->SetFillStyleIndex(2, false);
    move->UpdateFlags();
    edges->SetBitCounts(2, 1);
    edges->records.push_back(std::move(move));
    edges->records.push_back(std::make_unique<CurvedEdgeRecord>(50, 0, 0, 50));
    edges->records.push_back(std::make_unique<StraightEdgeRecord>(-50, -50));
    edges->records.push_back(std::make_unique<EndShapeRecord>());
  }

  auto copy = tagtest::RoundTrip(tag, 6);
  ASSERT_TRUE(copy);
  ASSERT_EQ(copy->fillStyles->styles.size(), 3u);
  const MorphFillStyle& gradient = *copy->fillStyles->styles[0];
  ASSERT_TRUE(gradient.gradient);
  ASSERT_EQ(gradient.gradient->records.size(), 2u);
  EXPECT_EQ(gradient.gradient->records[0]->startRatio, 0);
  EXPECT_EQ(gradient.gradient->records[0]->endRatio, 255);
  EXPECT_EQ(gradient.gradient->records[1]->startRatio, 255);
  EXPECT_EQ(gradient.gradient->records[1]->endRatio, 0);
  EXPECT_EQ(*gradient.endMatrix, *tag.fillStyles->styles[0]->endMatrix);
  const MorphFillStyle& bitmap = *copy->fillStyles->styles[1];
  EXPECT_EQ(bitmap.bitmapId, 12);
  EXPECT_EQ(*bitmap.startMatrix, *tag.fillStyles->styles[1]->startMatrix);
  EXPECT_EQ(*bitmap.endMatrix, *tag.fillStyles->styles[1]->endMatrix);
  ASSERT_EQ(copy->lineStyles->styles.size(), 1u);
  EXPECT_EQ(copy->lineStyles->styles[0]->endWidth, 100);
  EXPECT_EQ(copy->lineStyles->styles[0]->endColour.alpha, 4);
  EXPECT_EQ(copy->endEdges->records.size(), 4u);

  EXPECT_TRUE(copy->CanRelocate(1000, 0, 0));
  copy->Relocate(1000, 0, 0);
  EXPECT_EQ(copy->GetCharacterId(), 1030);
  EXPECT_EQ(copy->fillStyles->styles[1]->bitmapId, 1012);
  EXPECT_EQ(copy->fillStyles->styles[2]->bitmapId, kNoBitmapId);
  EXPECT_FALSE(copy->CanRelocate(65535 - 1030 + 1, 0, 0));
}

TEST(MorphShapeTest, StyleArrayOf255WritesTheEscape) {
  MorphFillStyleArray fills;
  for (int i = 0; i < 255; ++i) {
    auto style = std::make_unique<MorphFillStyle>();
    style->startColour = std::make_unique<SwfRgba>(1, 2, 3, 4);
    style->endColour = std::make_unique<SwfRgba>(5, 6, 7, 8);
    fills.styles.push_back(std::move(style));
  }
  SwfBitWriter writer(6);
  fills.Write(writer);
  const Bytes bytes = writer.GetBytes();
  ASSERT_EQ(bytes.size(), 3u + 255 * 9);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 3), (Bytes{0xFF, 0xFF, 0x00}));
  SwfReader reader(bytes, 6);
  MorphFillStyleArray back;
  back.Read(reader);
  EXPECT_EQ(back.styles.size(), 255u);
}

// An offset that points outside the body, or back into the start edges, is not followed:
// the end edges are read where the start edges end.
TEST(MorphShapeTest, OffsetOutsideTheBodyIsNotFollowed) {
  const Bytes input = tagtest::CorpusTag("define-morph-shape/ms1-morph-rotating-square");
  DefineMorphShapeTag reference;
  tagtest::ReadTag(input, reference, 6);
  const Bytes expected = tagtest::WriteTag(reference, 6);
  const size_t at = OffsetFieldAt(input);
  for (uint32_t offset : {0xFFFFFFF0u, 0x7FFFFFFFu, 1u, 0u}) {
    Bytes bytes = input;
    bytes[at] = uint8_t(offset);
    bytes[at + 1] = uint8_t(offset >> 8);
    bytes[at + 2] = uint8_t(offset >> 16);
    bytes[at + 3] = uint8_t(offset >> 24);
    DefineMorphShapeTag tag;
    const auto result = tagtest::ReadTag(bytes, tag, 6);
    EXPECT_FALSE(result.overrun) << offset;
    EXPECT_EQ(tagtest::WriteTag(tag, 6), expected) << offset;
  }
}
