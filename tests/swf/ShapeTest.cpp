#include <gtest/gtest.h>

#include <utility>

#include "TagTestSupport.h"
#include "swf/DefineShapeTag.h"

using tagtest::Bytes;

namespace {

using Point = std::pair<int64_t, int64_t>;

// Pen positions after every record: moves are absolute, edges relative.
std::vector<Point> Trace(const Shape& shape) {
  std::vector<Point> points;
  int64_t x = 0;
  int64_t y = 0;
  for (const auto& record : shape.records) {
    switch (record->GetKind()) {
      case ShapeRecord::kStyleChange: {
        const auto& change = static_cast<const StyleChangeRecord&>(*record);
        if (change.flags & kStyleMoveTo) {
          x = change.moveX;
          y = change.moveY;
        }
        break;
      }
      case ShapeRecord::kStraightEdge: {
        const auto& edge = static_cast<const StraightEdgeRecord&>(*record);
        if (edge.kind != StraightEdgeRecord::kVertical) x += edge.deltaX;
        if (edge.kind != StraightEdgeRecord::kHorizontal) y += edge.deltaY;
        break;
      }
      case ShapeRecord::kCurvedEdge: {
        const auto& curve = static_cast<const CurvedEdgeRecord&>(*record);
        x += int64_t(curve.controlDeltaX) + curve.anchorDeltaX;
        y += int64_t(curve.controlDeltaY) + curve.anchorDeltaY;
        break;
      }
      default: break;
    }
    points.emplace_back(x, y);
  }
  return points;
}

bool IsSubsequence(const std::vector<Point>& part, const std::vector<Point>& whole) {
  size_t at = 0;
  for (const Point& p : whole) {
    if (at < part.size() && part[at] == p) ++at;
  }
  return at == part.size();
}

std::unique_ptr<FillStyle> SolidFill(uint8_t r, uint8_t g, uint8_t b) {
  auto fill = std::make_unique<FillStyle>(false);
  fill->InitSolidColor(std::make_unique<SwfRgb>(r, g, b), false);
  return fill;
}

std::unique_ptr<FillStyle> BitmapFill(uint16_t id) {
  auto fill = std::make_unique<FillStyle>(false);
  fill->InitBitmapFill(kFillClippedBitmap, id, SwfMatrix::Make(0, 0, 20, 20, 0, 0));
  return fill;
}

}  // namespace

TEST(ShapeTest, ShapeWithoutStylesWritesEmptyArraysAndZeroCounts) {
  DefineShapeTag tag;
  tag.SetCharacterId(1);
  tag.bounds = std::make_unique<SwfRect>();
  tag.shape = std::make_unique<ShapeWithStyle>(false);
  tag.shape->records.push_back(std::make_unique<EndShapeRecord>());
  Bytes first;
  auto copy = tagtest::RoundTrip(tag, 6, &first);
  ASSERT_TRUE(copy);
  // id, RECT 08 00, no fill styles, no line styles, counts 0 and 0, the end record.
  EXPECT_EQ(first, (Bytes{0x88, 0x00, 0x01, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST(ShapeTest, StyleArrayCountsUseTheEscapeFrom255) {
  const std::pair<size_t, Bytes> cases[] = {
      {254, {0xFE}}, {255, {0xFF, 0xFF, 0x00}}, {300, {0xFF, 0x2C, 0x01}}, {0, {0x00}}};
  for (const auto& [count, head] : cases) {
    LineStyleArray lines(false);
    for (size_t i = 0; i < count; ++i)
      lines.AddStyle(std::make_unique<LineStyle>(20, std::make_unique<SwfRgb>(1, 2, 3)));
    SwfBitWriter writer(6);
    lines.Write(writer);
    const Bytes bytes = writer.GetBytes();
    ASSERT_EQ(bytes.size(), head.size() + count * 5);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + long(head.size())), head) << count;

    SwfReader reader(bytes, 6);
    LineStyleArray back(false);
    EXPECT_EQ(back.Read(reader), bytes.size());
    EXPECT_EQ(back.GetCount(), count);
  }
}

TEST(ShapeTest, EdgesKeepTheirKindAndTakeTheWidthTheyNeed) {
  struct Case {
    StraightEdgeRecord edge;
    Bytes bits;  // written alone, flushed
  };
  const Case cases[] = {
      // 11, n-2 = 0, general 1, dx 00, dy 00
      {StraightEdgeRecord(0, 0, StraightEdgeRecord::kGeneral), {0xC2, 0x00}},
      // 11, n-2 = 0, 00 (horizontal), dx 01
      {StraightEdgeRecord(1, 0, StraightEdgeRecord::kHorizontal), {0xC0, 0x40}},
      // 11, n-2 = 0, 01 (vertical), dy 11 (-1)
      {StraightEdgeRecord(0, -1, StraightEdgeRecord::kVertical), {0xC1, 0xC0}},
  };
  for (const Case& c : cases) {
    StraightEdgeRecord edge = c.edge;
    SwfBitWriter writer(6);
    edge.Write(writer);
    EXPECT_EQ(writer.GetBytes(), c.bits);
  }

  // +w then -w along x come back as horizontal edges with the same deltas.
  Shape shape;
  shape.records.push_back(std::make_unique<StraightEdgeRecord>(4000, 0, StraightEdgeRecord::kHorizontal));
  shape.records.push_back(std::make_unique<StraightEdgeRecord>(-4000, 0, StraightEdgeRecord::kHorizontal));
  shape.records.push_back(std::make_unique<StraightEdgeRecord>(-7, 9, StraightEdgeRecord::kGeneral));
  shape.records.push_back(std::make_unique<CurvedEdgeRecord>(1, -2, 300, -40000));
  shape.records.push_back(std::make_unique<EndShapeRecord>());
  SwfBitWriter writer(6);
  shape.Write(writer);
  SwfReader reader(writer.GetBytes(), 6);
  Shape back;
  back.Read(reader);
  ASSERT_EQ(back.records.size(), 5u);
  const auto& first = static_cast<const StraightEdgeRecord&>(*back.records[0]);
  const auto& second = static_cast<const StraightEdgeRecord&>(*back.records[1]);
  const auto& third = static_cast<const StraightEdgeRecord&>(*back.records[2]);
  const auto& curve = static_cast<const CurvedEdgeRecord&>(*back.records[3]);
  EXPECT_EQ(first.kind, StraightEdgeRecord::kHorizontal);
  EXPECT_EQ(first.deltaX, 4000);
  EXPECT_EQ(second.kind, StraightEdgeRecord::kHorizontal);
  EXPECT_EQ(second.deltaX, -4000);
  EXPECT_EQ(third.kind, StraightEdgeRecord::kGeneral);
  EXPECT_EQ(third.deltaX, -7);
  EXPECT_EQ(third.deltaY, 9);
  EXPECT_EQ(curve.controlDeltaX, 1);
  EXPECT_EQ(curve.controlDeltaY, -2);
  EXPECT_EQ(curve.anchorDeltaX, 300);
  EXPECT_EQ(curve.anchorDeltaY, -40000);
  EXPECT_EQ(back.records[4]->GetKind(), ShapeRecord::kEnd);
}

// Edges longer than the widest edge field (17 bits) and moves beyond the widest move field
// (31 bits) still give a shape that reads back: long edges are cut into pieces along the
// same outline, curves halved, moves saturated.
TEST(ShapeTest, LongEdgesAreWrittenInPiecesThatFit) {
  DefineShapeTag tag;
  tag.BuildRectangle(-5, 7, 200000, 70000, SolidFill(1, 2, 3), nullptr);
  tag.shape->records.insert(tag.shape->records.end() - 1, std::make_unique<CurvedEdgeRecord>(150000, -3, -1, 99999));
  tag.shape->records.insert(tag.shape->records.end() - 1,
                            std::make_unique<StraightEdgeRecord>(-2000000000, 131071, StraightEdgeRecord::kGeneral));
  tag.shape->records.insert(tag.shape->records.end() - 1, std::make_unique<CurvedEdgeRecord>(-65536, 65535, 0, 0));
  tag.SetCharacterId(9);
  Bytes first;
  auto copy = tagtest::RoundTrip(tag, 6, &first);
  ASSERT_TRUE(copy);
  const std::vector<Point> built = Trace(*tag.shape);
  const std::vector<Point> read = Trace(*copy->shape);
  EXPECT_GT(read.size(), built.size());
  EXPECT_TRUE(IsSubsequence(built, read));
  EXPECT_EQ(read.back(), built.back());

  auto far = std::make_unique<StyleChangeRecord>(0, nullptr);
  Shape shape;
  far->InitMoveTo(2147483647, -2147483647 - 1, &shape);
  far->UpdateFlags();
  shape.records.push_back(std::move(far));
  shape.records.push_back(std::make_unique<EndShapeRecord>());
  SwfBitWriter writer(6);
  shape.Write(writer);
  SwfReader reader(writer.GetBytes(), 6);
  Shape back;
  back.Read(reader);
  ASSERT_EQ(back.records.size(), 2u);
  const auto& move = static_cast<const StyleChangeRecord&>(*back.records[0]);
  EXPECT_EQ(move.moveX, (1 << 30) - 1);
  EXPECT_EQ(move.moveY, -((1 << 30) - 1));
}

TEST(ShapeTest, MoveFlagFollowsTheMoveButBuildRectangleAlwaysSetsIt) {
  Shape shape;
  StyleChangeRecord change(kStyleMoveTo | kStyleFill0, &shape);
  change.SetFillStyleIndex(1, false);
  change.UpdateFlags();
  EXPECT_EQ(change.flags, kStyleFill0);
  change.InitMoveTo(0, 20, &shape);
  change.SetLineStyleIndex(1);
  change.newFillStyles = std::make_unique<FillStyleArray>(false);
  change.UpdateFlags();
  EXPECT_EQ(change.flags, kStyleMoveTo | kStyleLine | kStyleNewStyles);

  DefineShapeTag tag;
  tag.BuildRectangle(0, 0, 100, 50, SolidFill(255, 0, 0), std::make_unique<LineStyle>(20, std::make_unique<SwfRgb>()));
  ASSERT_EQ(tag.shape->records.size(), 6u);
  const auto& start = static_cast<const StyleChangeRecord&>(*tag.shape->records[0]);
  EXPECT_EQ(start.flags, kStyleMoveTo | kStyleFill1 | kStyleLine);
  EXPECT_EQ(start.fillStyle1, 1);
  EXPECT_EQ(start.lineStyle, 1);
  ASSERT_TRUE(tag.bounds);
  EXPECT_EQ(*tag.bounds, SwfRect(0, 0, 100, 50));

  auto copy = tagtest::RoundTrip(tag, 6);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->shape->initialFillBits, 1);
  EXPECT_EQ(copy->shape->initialLineBits, 1);
  const auto& readStart = static_cast<const StyleChangeRecord&>(*copy->shape->records[0]);
  EXPECT_EQ(readStart.flags, kStyleMoveTo | kStyleFill1 | kStyleLine);
  EXPECT_EQ(readStart.moveX, 0);
  EXPECT_EQ(Trace(*copy->shape), Trace(*tag.shape));
}

// New style arrays inside the records change the index widths of the records after them.
TEST(ShapeTest, NewStylesChangeTheIndexWidths) {
  DefineShape2Tag tag;
  tag.SetCharacterId(4);
  tag.bounds = std::make_unique<SwfRect>(0, 0, 100, 100);
  tag.shape = std::make_unique<ShapeWithStyle>(false);
  tag.shape->fillStyles = std::make_unique<FillStyleArray>(false);
  tag.shape->fillStyles->AddStyle(SolidFill(1, 1, 1));
  ShapeWithStyle& shape = *tag.shape;
  auto first = std::make_unique<StyleChangeRecord>(0, &shape);
  first->SetFillStyleIndex(1, false);
  first->UpdateFlags();
  shape.records.push_back(std::move(first));
  shape.records.push_back(std::make_unique<StraightEdgeRecord>(100, 0, StraightEdgeRecord::kHorizontal));
  auto restyle = std::make_unique<StyleChangeRecord>(0, &shape);
  restyle->newFillStyles = std::make_unique<FillStyleArray>(false);
  for (int i = 0; i < 5; ++i) restyle->newFillStyles->AddStyle(SolidFill(uint8_t(i), 0, 0));
  restyle->newFillStyles->AddStyle(BitmapFill(77));
  restyle->newLineStyles = std::make_unique<LineStyleArray>(false);
  restyle->newLineStyles->AddStyle(std::make_unique<LineStyle>(40, std::make_unique<SwfRgb>(9, 9, 9)));
  restyle->SetFillStyleIndex(1, false);  // from the old array, 1 bit
  restyle->UpdateFlags();
  shape.records.push_back(std::move(restyle));
  auto after = std::make_unique<StyleChangeRecord>(0, &shape);
  after->SetFillStyleIndex(6, true);  // from the new array, 3 bits
  after->SetLineStyleIndex(1);
  after->UpdateFlags();
  shape.records.push_back(std::move(after));
  shape.records.push_back(std::make_unique<StraightEdgeRecord>(0, 100, StraightEdgeRecord::kVertical));
  shape.records.push_back(std::make_unique<EndShapeRecord>());

  Bytes written;
  auto copy = tagtest::RoundTrip(tag, 6, &written);
  ASSERT_TRUE(copy);
  ASSERT_EQ(copy->shape->records.size(), 6u);
  const auto& readRestyle = static_cast<const StyleChangeRecord&>(*copy->shape->records[2]);
  EXPECT_EQ(readRestyle.fillStyle0, 1);
  ASSERT_TRUE(readRestyle.newFillStyles);
  EXPECT_EQ(readRestyle.newFillStyles->GetCount(), 6u);
  EXPECT_EQ(readRestyle.fillBits, 3);
  EXPECT_EQ(readRestyle.lineBits, 1);
  const auto& readAfter = static_cast<const StyleChangeRecord&>(*copy->shape->records[3]);
  EXPECT_EQ(readAfter.fillStyle1, 6);
  EXPECT_EQ(readAfter.lineStyle, 1);

  // The bitmap of the new style array moves with the ids; "no bitmap" stays.
  EXPECT_TRUE(copy->CanRelocate(100, 0, 0));
  copy->Relocate(100, 0, 0);
  EXPECT_EQ(copy->GetCharacterId(), 104);
  EXPECT_EQ(readRestyle.newFillStyles->styles[5]->bitmapId, 177);

  // Moved back, it writes the bytes first written, every time: the running widths start afresh
  // with each write.
  copy->Relocate(-100, 0, 0);
  EXPECT_EQ(tagtest::WriteTag(*copy, 6), written);
  EXPECT_EQ(tagtest::WriteTag(*copy, 6), written);
}

TEST(ShapeTest, BitmapFillsRelocateExceptTheNoBitmapId) {
  DefineShapeTag tag;
  tag.SetCharacterId(10);
  tag.BuildRectangle(0, 0, 20, 20, BitmapFill(kNoBitmapId), nullptr);
  tag.shape->fillStyles->AddStyle(BitmapFill(65000));
  tag.shape->fillStyles->AddStyle(BitmapFill(3));
  EXPECT_TRUE(tag.CanRelocate(534, 0, 0));
  EXPECT_FALSE(tag.CanRelocate(535, 0, 0));  // 65000 would become the "no bitmap" id
  EXPECT_FALSE(tag.CanRelocate(-4, 0, 0));
  tag.Relocate(100, 0, 0);
  EXPECT_EQ(tag.GetCharacterId(), 110);
  EXPECT_EQ(tag.shape->fillStyles->styles[0]->bitmapId, kNoBitmapId);
  EXPECT_EQ(tag.shape->fillStyles->styles[1]->bitmapId, 65100);
  EXPECT_EQ(tag.shape->fillStyles->styles[2]->bitmapId, 103);
}

TEST(ShapeTest, GradientsWriteDefaultColoursAndKeepTheirModes) {
  for (bool alpha : {false, true}) {
    SwfGradRecord record;
    record.ratio = 128;
    record.hasAlpha = alpha;
    SwfBitWriter writer(8);
    record.Write(writer);
    EXPECT_EQ(writer.GetBytes(), alpha ? Bytes({128, 0, 0, 0, 255}) : Bytes({128, 0, 0, 0}));
  }

  // SWF 8: spread mode reflect (1), interpolation linear RGB (1), two records.
  const Bytes gradient = {0x52, 0x00, 0xFF, 0x00, 0x00, 0x80, 0xFF, 0x00, 0x00, 0xFF, 0x80};
  SwfReader reader(gradient, 8);
  SwfGradient read(true);
  EXPECT_EQ(read.Read(reader), gradient.size());
  EXPECT_EQ(read.spreadMode, 1);
  EXPECT_EQ(read.interpolationMode, 1);
  ASSERT_EQ(read.records.size(), 2u);
  EXPECT_EQ(read.records[1]->ratio, 0xFF);
  SwfBitWriter writer(8);
  read.Write(writer);
  EXPECT_EQ(writer.GetBytes(), gradient);

  SwfGradient copy(read);
  SwfBitWriter copyWriter(8);
  copy.Write(copyWriter);
  EXPECT_EQ(copyWriter.GetBytes(), gradient);
}

TEST(ShapeTest, CorpusShapeReadsAndWritesBackTheSameOutline) {
  const Bytes input = tagtest::CorpusTag("define-shape/shape1-squares");
  DefineShapeTag tag;
  const auto result = tagtest::ReadTag(input, tag, 6);
  EXPECT_EQ(result.code, 2);
  EXPECT_FALSE(result.overrun);
  EXPECT_EQ(result.consumed, result.bodyLength);
  EXPECT_EQ(tag.GetCharacterId(), 1);
  EXPECT_EQ(*tag.bounds, SwfRect(3099, 1700, 7439, 5600));
  ASSERT_TRUE(tag.shape->fillStyles);
  ASSERT_EQ(tag.shape->fillStyles->GetCount(), 4u);
  EXPECT_EQ(tag.shape->fillStyles->styles[1]->colour->blue, 255);
  const auto& start = static_cast<const StyleChangeRecord&>(*tag.shape->records[0]);
  EXPECT_EQ(start.moveX, 6199);
  EXPECT_EQ(start.moveY, 2850);
  EXPECT_EQ(start.fillStyle1, 2);
  const auto& edge = static_cast<const StraightEdgeRecord&>(*tag.shape->records[1]);
  EXPECT_EQ(edge.deltaX, 1240);
  EXPECT_EQ(edge.deltaY, 0);

  auto copy = tagtest::RoundTrip(tag, 6);
  ASSERT_TRUE(copy);
  EXPECT_EQ(Trace(*copy->shape), Trace(*tag.shape));
}

TEST(ShapeTest, DefineShape3FromAMovieWritesBackByteForByte) {
  const Bytes movie = tagtest::CorpusMovie("DefineShape3.swf");
  SwfReader reader(movie, movie.at(3));
  const auto offsets = tagtest::FindTags(reader, 32);
  ASSERT_FALSE(offsets.empty());
  for (size_t offset : offsets) {
    DefineShape3Tag tag;
    const auto result = tagtest::ReadTagAt(reader, offset, tag);
    EXPECT_FALSE(result.overrun);
    EXPECT_TRUE(tag.shape->hasAlpha);
    const Bytes written = tagtest::WriteTag(tag, movie[3]);
    EXPECT_EQ(tagtest::BodyOf(written), tagtest::BodyOf(tagtest::TagBytesAt(movie, offset)));

    DefineShape3Tag copy;
    copy.CopyFrom(tag);
    EXPECT_EQ(tagtest::WriteTag(copy, movie[3]), written);
  }
}

// A fill type the model does not know (the focal gradient 0x13 of later shapes) leaves the
// rest of the shape unreadable: the tag reports it, and the loader keeps its bytes as they are.
TEST(ShapeTest, UnknownFillTypeIsReportedNotMisread) {
  const Bytes tag = {0x8D, 0x00, 0x01, 0x00, 0x08, 0x00, 0x01, 0x13, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  DefineShapeTag shape;
  EXPECT_TRUE(tagtest::ReadTag(tag, shape, 8).overrun);

  Bytes known = tag;
  known[7] = kFillSolid;  // the same bytes as a solid fill read fine
  DefineShapeTag solid;
  EXPECT_FALSE(tagtest::ReadTag(known, solid, 8).overrun);
}

namespace {

std::vector<int> Kinds(const ShapeRecordList& records) {
  std::vector<int> kinds;
  for (const auto& record : records) kinds.push_back(record->GetKind());
  return kinds;
}

}  // namespace

// The record list holds edges as values and a style change as the object it was given:
// records added anywhere keep their order, a null record adds nothing, erasing or clearing a
// style change frees it (a sanitizer build sees a leak or a double free), and a copy owns
// style changes of its own, bound to its shape, with their own style arrays.
TEST(ShapeTest, RecordListKeepsOrderOwnsStyleChangesAndCopiesDeeply) {
  Shape shape;
  ShapeRecordList& records = shape.records;
  records.push_back(EndShapeRecord());
  records.insert(records.begin(), std::make_unique<StraightEdgeRecord>(5, 6));
  auto change = std::make_unique<StyleChangeRecord>(kStyleNewStyles, &shape);
  change->newFillStyles = std::make_unique<FillStyleArray>(false);
  StyleChangeRecord* given = change.get();
  records.insert(records.begin(), std::move(change));
  records.insert(records.end() - 1, CurvedEdgeRecord(1, 2, 3, 4));
  records.insert(records.begin() + 1, std::unique_ptr<CurvedEdgeRecord>());
  records.push_back(std::make_unique<StyleChangeRecord>(kStyleLine, &shape));
  ASSERT_EQ(Kinds(records), (std::vector<int>{ShapeRecord::kStyleChange, ShapeRecord::kStraightEdge,
                                              ShapeRecord::kCurvedEdge, ShapeRecord::kEnd, ShapeRecord::kStyleChange}));
  EXPECT_EQ(records[0].get(), given);
  const auto& edge = static_cast<const StraightEdgeRecord&>(*records[1]);
  EXPECT_EQ(edge.deltaX, 5);
  EXPECT_EQ(edge.deltaY, 6);
  EXPECT_EQ(static_cast<const CurvedEdgeRecord&>(*records[2]).anchorDeltaY, 4);
  records.erase(records.end() - 1);
  ASSERT_EQ(records.size(), 4u);

  Shape copy;
  copy.CopyFrom(shape);
  ASSERT_EQ(Kinds(copy.records), Kinds(records));
  auto& copied = static_cast<StyleChangeRecord&>(*copy.records[0]);
  EXPECT_NE(&copied, given);
  EXPECT_EQ(copied.owner, &copy);
  ASSERT_NE(copied.newFillStyles, nullptr);
  EXPECT_NE(copied.newFillStyles.get(), given->newFillStyles.get());
  static_cast<StraightEdgeRecord&>(*copy.records[1]).deltaX = 99;
  EXPECT_EQ(edge.deltaX, 5);

  // Both write the same bytes while their edges agree.
  static_cast<StraightEdgeRecord&>(*copy.records[1]).deltaX = 5;
  SwfBitWriter a(6);
  SwfBitWriter b(6);
  shape.Write(a);
  copy.Write(b);
  EXPECT_EQ(a.GetBytes(), b.GetBytes());
  records.clear();
  EXPECT_TRUE(records.empty());
}

// A list filled as a reading fills it holds its records packed: every kind of record, with
// deltas up to the ends of their range, comes back the same when written as it is, when
// visited, and when unpacked by the first index; its style changes stay the objects they were.
TEST(ShapeTest, PackedRecordsWriteVisitAndUnpackAsTheyWereRead) {
  const int32_t kMin = INT32_MIN;
  const int32_t kMax = INT32_MAX;
  Shape shape;
  auto change = std::make_unique<StyleChangeRecord>(kStyleMoveTo | kStyleLine, &shape);
  change->moveX = 40;
  change->moveY = -40;
  change->lineStyle = 1;
  shape.SetBitCounts(1, 1);
  StyleChangeRecord* given = change.get();
  ShapeRecordList& records = shape.records;
  records.AppendRead(std::move(change));
  const StraightEdgeRecord straights[] = {
      StraightEdgeRecord(0, 0, StraightEdgeRecord::kGeneral),
      StraightEdgeRecord(-1, 63, StraightEdgeRecord::kGeneral),
      StraightEdgeRecord(64, 0, StraightEdgeRecord::kHorizontal),
      StraightEdgeRecord(0, -65536, StraightEdgeRecord::kVertical),
      StraightEdgeRecord(kMax, kMin, StraightEdgeRecord::kGeneral),
  };
  for (const auto& edge : straights) records.AppendRead(edge);
  records.AppendRead(CurvedEdgeRecord(kMin, kMax, -8192, 8191));
  records.AppendRead(EndShapeRecord());
  ASSERT_EQ(records.size(), 8u);

  SwfBitWriter packed(6);
  shape.Write(packed);
  std::vector<int> visited;
  records.ForEach([&](const ShapeRecord& record) { visited.push_back(record.GetKind()); });
  EXPECT_EQ(visited, (std::vector<int>{ShapeRecord::kStyleChange, 2, 2, 2, 2, 2, 3, 4}));

  EXPECT_EQ(records[0].get(), given);  // unpacks
  for (size_t i = 0; i < std::size(straights); ++i) {
    const auto& edge = static_cast<const StraightEdgeRecord&>(*records[i + 1]);
    EXPECT_EQ(edge.kind, straights[i].kind) << i;
    EXPECT_EQ(edge.deltaX, straights[i].deltaX) << i;
    EXPECT_EQ(edge.deltaY, straights[i].deltaY) << i;
  }
  const auto& curve = static_cast<const CurvedEdgeRecord&>(*records[6]);
  EXPECT_EQ(curve.controlDeltaX, kMin);
  EXPECT_EQ(curve.controlDeltaY, kMax);
  EXPECT_EQ(curve.anchorDeltaX, -8192);
  EXPECT_EQ(curve.anchorDeltaY, 8191);
  EXPECT_EQ(records[7]->GetKind(), ShapeRecord::kEnd);
  SwfBitWriter unpacked(6);
  shape.Write(unpacked);
  EXPECT_EQ(packed.GetBytes(), unpacked.GetBytes());

  // Once unpacked, a reading's record is added in a slot of its own.
  records.AppendRead(StraightEdgeRecord(5, 0, StraightEdgeRecord::kHorizontal));
  ASSERT_EQ(records.size(), 9u);
  EXPECT_EQ(static_cast<const StraightEdgeRecord&>(*records[8]).deltaX, 5);
}
