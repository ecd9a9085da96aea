#include <gtest/gtest.h>

#include "TagTestSupport.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SimpleActions.h"

using tagtest::Bytes;

namespace {

std::unique_ptr<ClipActionRecord> ClipAction(uint32_t events, int stops) {
  auto record = std::make_unique<ClipActionRecord>(events);
  for (int i = 0; i < stops; ++i) record->AddAction(std::make_unique<ActionStop>());
  return record;
}

}  // namespace

TEST(PlaceObject2TagTest, BodiesOfSimplePlacements) {
  PlaceObject2Tag moveOnly;
  moveOnly.depth = 3;
  moveOnly.move = true;
  Bytes first;
  auto moveCopy = tagtest::RoundTrip(moveOnly, 6, &first);
  ASSERT_TRUE(moveCopy);
  EXPECT_EQ(tagtest::BodyOf(first), (Bytes{0x01, 0x03, 0x00}));
  EXPECT_TRUE(moveCopy->move);
  EXPECT_FALSE(moveCopy->hasCharacter);

  PlaceObject2Tag place;
  place.SetCharacterId(5);
  place.depth = 1;
  place.SetMatrix(std::make_unique<SwfMatrix>());
  auto placeCopy = tagtest::RoundTrip(place, 6, &first);
  ASSERT_TRUE(placeCopy);
  EXPECT_EQ(first, (Bytes{0x86, 0x06, 0x06, 0x01, 0x00, 0x05, 0x00, 0x00}));
  EXPECT_EQ(placeCopy->characterId, 5);
  EXPECT_TRUE(placeCopy->hasCharacter);
}

TEST(PlaceObject2TagTest, EveryFieldReadsBack) {
  PlaceObject2Tag place;
  place.SetCharacterId(300);
  place.depth = 7;
  place.SetMatrix(SwfMatrix::Make(-40, 1000, 1.5f, 0.5f, 10, 10));
  auto transform = std::make_unique<SwfCxformWithAlpha>();
  transform->SetAlphaMultiplier(0.5);
  place.SetColorTransform(std::move(transform));
  place.ratio = 0x1234;
  place.hasRatio = true;
  place.SetName(L"Preloader");
  place.clipDepth = 9;
  place.hasClipDepth = true;
  auto copy = tagtest::RoundTrip(place, 6);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->characterId, 300);
  EXPECT_EQ(copy->depth, 7);
  EXPECT_EQ(*copy->matrix, *place.matrix);
  ASSERT_TRUE(copy->colorTransformAlpha);
  EXPECT_EQ(copy->colorTransformAlpha->alphaMult, 128);
  EXPECT_EQ(copy->ratio, 0x1234);
  EXPECT_EQ(copy->name, L"Preloader");
  EXPECT_EQ(copy->clipDepth, 9);
  EXPECT_FALSE(copy->move);
}

TEST(PlaceObject2TagTest, ClipActionsFollowTheVersion) {
  struct Case {
    uint8_t version;
    size_t flagBytes;
  };
  for (const Case& c : {Case{5, 2}, Case{6, 4}}) {
    PlaceObject2Tag place;
    place.SetCharacterId(2);
    place.depth = 1;
    place.AddClipAction(ClipAction(0x01, 1));  // load: Stop
    place.AddClipAction(ClipAction(0x02, 2));  // enter frame: Stop, Stop
    Bytes first;
    auto copy = tagtest::RoundTrip(place, c.version, &first);
    ASSERT_TRUE(copy) << int(c.version);
    const Bytes body = tagtest::BodyOf(first);
    // flags, depth, id, reserved, all events, (events, size, actions) x 2, terminator
    const size_t expected = 1 + 2 + 2 + 2 + c.flagBytes + (c.flagBytes + 4 + 2) + (c.flagBytes + 4 + 3) + c.flagBytes;
    EXPECT_EQ(body.size(), expected) << int(c.version);
    EXPECT_EQ(body[0], 0x82);
    EXPECT_EQ(body[7], 0x03);  // all events: load | enter frame
    ASSERT_EQ(copy->clipActions.size(), 2u);
    EXPECT_EQ(copy->clipActions[0]->eventFlags, 0x01u);
    EXPECT_EQ(copy->clipActions[1]->eventFlags, 0x02u);
    EXPECT_EQ(copy->clipActions[1]->actions->ActionCount(), 2u);
    EXPECT_EQ(copy->clipActions[1]->actionSize, 3u);
    EXPECT_EQ(copy->clipActionVersion, c.version);
    EXPECT_TRUE(std::equal(body.end() - long(c.flagBytes), body.end(), Bytes(c.flagBytes, 0).begin()));
  }
}

TEST(PlaceObject2TagTest, KeyPressRecordCarriesItsKeyCode) {
  PlaceObject2Tag place;
  place.SetCharacterId(2);
  place.depth = 1;
  auto record = ClipAction(ClipActionRecord::kKeyPressEvent, 1);
  record->keyCode = 13;
  place.AddClipAction(std::move(record));
  Bytes first;
  auto copy = tagtest::RoundTrip(place, 6, &first);
  ASSERT_TRUE(copy);
  ASSERT_EQ(copy->clipActions.size(), 1u);
  EXPECT_EQ(copy->clipActions[0]->keyCode, 13);
  EXPECT_EQ(copy->clipActions[0]->actionSize, 3u);  // key code, Stop, End
  const Bytes body = tagtest::BodyOf(first);
  // ... events 00 00 02 00, size 03 00 00 00, key 0D, Stop 07, End 00, terminator
  const Bytes tail = {0x00, 0x00, 0x02, 0x00, 0x03, 0x00, 0x00, 0x00, 0x0D, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_TRUE(std::equal(tail.begin(), tail.end(), body.end() - long(tail.size())));
}

// A record's actions are read inside its declared size: stray bytes after its End stay with
// its list as they are, and the next record is found where the size says.
TEST(PlaceObject2TagTest, ClipActionRecordsAreReadWithinTheirSizes) {
  const Bytes body = {0x82, 0x01, 0x00, 0x02, 0x00,                                // clip actions, id; depth 1, id 2
                      0x00, 0x00, 0x03, 0x00,                                      // reserved, all events (v5)
                      0x01, 0x00, 0x04, 0x00, 0x00, 0x00, 0x07, 0x00, 0xAA, 0xBB,  // load: Stop, End, 2 bytes more
                      0x02, 0x00, 0x02, 0x00, 0x00, 0x00, 0x06, 0x00,              // enter frame: Play, End
                      0x00, 0x00};
  Bytes tag = {static_cast<uint8_t>(0x80 | body.size()), 0x06};
  tag.insert(tag.end(), body.begin(), body.end());
  PlaceObject2Tag place;
  const auto result = tagtest::ReadTag(tag, place, 5);
  EXPECT_FALSE(result.overrun);
  EXPECT_EQ(result.consumed, body.size());
  ASSERT_EQ(place.clipActions.size(), 2u);
  EXPECT_EQ(place.clipActions[0]->actions->ActionCount(), 2u);  // Stop, End
  EXPECT_EQ(place.clipActions[0]->actions->tail, (Bytes{0xAA, 0xBB}));
  EXPECT_EQ(place.clipActions[1]->eventFlags, 0x02u);
  ASSERT_EQ(place.clipActions[1]->actions->ActionCount(), 1u);
  EXPECT_EQ(place.clipActions[1]->actions->ActionAt(0)->ActionCode(), 0x06);
  EXPECT_EQ(tagtest::WriteTag(place, 5), tag);
}

TEST(PlaceObject2TagTest, ClipActionsWithoutTerminatorEndWithTheBody) {
  const Bytes body = {0x82, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00,
                      0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x07, 0x00};
  Bytes tag = {static_cast<uint8_t>(0x80 | body.size()), 0x06};
  tag.insert(tag.end(), body.begin(), body.end());
  tag.insert(tag.end(), {0x40, 0x00});  // the next tag
  PlaceObject2Tag place;
  const auto result = tagtest::ReadTag(tag, place, 5);
  EXPECT_EQ(result.nextTag, tag.size() - 2);
  EXPECT_EQ(place.clipActions.size(), 1u);

  // A record that claims more than the body holds makes the tag unreadable as a placement.
  Bytes claims = tag;
  claims[2 + 11] = 0x40;
  PlaceObject2Tag broken;
  EXPECT_TRUE(tagtest::ReadTag(claims, broken, 5).overrun);
}

// A placement of character 0 read from a movie stays a placement when written back.
TEST(PlaceObject2TagTest, PlacementOfCharacterZeroStaysAPlacement) {
  const Bytes tag = {0x85, 0x06, 0x02, 0x04, 0x00, 0x00, 0x00};
  PlaceObject2Tag place;
  tagtest::ReadTag(tag, place, 6);
  EXPECT_TRUE(place.hasCharacter);
  EXPECT_EQ(tagtest::WriteTag(place, 6), tag);
}

TEST(PlaceObject2TagTest, ClipActionWithoutEventsInTheWrittenWidthIsLeftOut) {
  PlaceObject2Tag place;
  place.depth = 1;
  place.move = true;
  place.AddClipAction(ClipAction(0x01, 1));
  place.AddClipAction(ClipAction(0x40000, 1));  // construct: no 16-bit flag
  place.AddClipAction(ClipAction(0x04, 1));
  PlaceObject2Tag back;
  const auto result = tagtest::ReadTag(tagtest::WriteTag(place, 5), back, 5);
  EXPECT_FALSE(result.overrun);
  ASSERT_EQ(back.clipActions.size(), 2u);
  EXPECT_EQ(back.clipActions[1]->eventFlags, 0x04u);
}

TEST(PlaceObject2TagTest, RelocationSaturatesDepthsAndMovesOnlyPlacedIds) {
  PlaceObject2Tag place;
  place.SetCharacterId(10);
  place.depth = 65530;
  place.hasClipDepth = true;
  place.clipDepth = 65000;
  EXPECT_FALSE(place.CanRelocate(1, 10, 0));
  EXPECT_TRUE(place.CanRelocate(1, 5, 0));
  place.Relocate(1, 10, 0);
  EXPECT_EQ(place.characterId, 11);
  EXPECT_EQ(place.depth, 65535);
  EXPECT_EQ(place.clipDepth, 65010);

  PlaceObject2Tag moveOnly;
  moveOnly.depth = 4;
  moveOnly.move = true;
  EXPECT_TRUE(moveOnly.CanRelocate(65535, 0, 0));
  moveOnly.Relocate(100, 2, 0);
  EXPECT_EQ(moveOnly.characterId, 0);
  EXPECT_EQ(moveOnly.depth, 6);
}

TEST(PlaceObject2TagTest, LargestPlacedIdIsKept) {
  ResetCharacterIdRange();
  EXPECT_EQ(GetMaxCharacterIdRead(), 0);
  for (uint16_t id : {3, 17, 9}) {
    PlaceObject2Tag place;
    place.SetCharacterId(id);
    place.depth = 1;
    PlaceObject2Tag back;
    tagtest::ReadTag(tagtest::WriteTag(place, 6), back, 6);
  }
  EXPECT_EQ(GetMaxCharacterIdRead(), 17);
  PlaceObject2Tag moveOnly;
  moveOnly.depth = 1;
  moveOnly.move = true;
  PlaceObject2Tag back;
  tagtest::ReadTag(tagtest::WriteTag(moveOnly, 6), back, 6);
  PlaceObjectTag place;
  place.characterId = 12;
  PlaceObjectTag placeBack;
  tagtest::ReadTag(tagtest::WriteTag(place, 6), placeBack, 6);
  EXPECT_EQ(GetMaxCharacterIdRead(), 17);
  ResetCharacterIdRange();
}

TEST(PlaceObject2TagTest, CopiesLeaveTheClipActionsBehind) {
  PlaceObject2Tag place;
  place.SetCharacterId(8);
  place.depth = 2;
  place.SetName(L"a");
  place.SetMatrix(SwfMatrix::Make(1, 2, 1, 1, 0, 0));
  place.AddClipAction(ClipAction(0x01, 1));
  PlaceObject2Tag copy(place);
  EXPECT_TRUE(copy.clipActions.empty());
  EXPECT_TRUE(copy.hasClipActions);
  EXPECT_EQ(copy.name, L"a");
  ASSERT_TRUE(copy.matrix);
  EXPECT_NE(copy.matrix.get(), place.matrix.get());
  EXPECT_EQ(*copy.matrix, *place.matrix);

  PlaceObject2Tag other;
  other.SetMatrix(SwfMatrix::Make(5, 5, 1, 1, 0, 0));
  PlaceObject2Tag bare;
  bare.depth = 9;
  other.CopyFrom(bare);
  EXPECT_EQ(other.depth, 9);
  ASSERT_TRUE(other.matrix);  // kept: the other tag has none
  EXPECT_EQ(other.matrix->translateX, 5);
}

TEST(PlaceObject2TagTest, ClipDepthOffsetCountsTheHeader) {
  PlaceObject2Tag place;
  place.SetCharacterId(3);
  place.depth = 1;
  EXPECT_EQ(place.GetClipDepthOffset(), 0u);
  place.hasClipDepth = true;
  place.clipDepth = 20;
  // header 2, flags 1, depth 2, id 2
  EXPECT_EQ(place.GetClipDepthOffset(), 7u);
  const Bytes bytes = tagtest::WriteTag(place, 6);
  EXPECT_EQ(bytes[7], 20);
}

TEST(PlaceObject2TagTest, CorpusPlacementsReadAndWriteBack) {
  struct Case {
    const char* name;
    uint8_t version;
    size_t clipActions;
  };
  for (const Case& c : {Case{"place-object/po2-place-id-1", 6, 0}, Case{"place-object/po2-swf5", 5, 1}}) {
    const Bytes input = tagtest::CorpusTag(c.name);
    PlaceObject2Tag place;
    const auto result = tagtest::ReadTag(input, place, c.version);
    EXPECT_EQ(result.code, 26) << c.name;
    EXPECT_FALSE(result.overrun) << c.name;
    EXPECT_EQ(result.consumed, result.bodyLength) << c.name;
    EXPECT_EQ(place.clipActions.size(), c.clipActions) << c.name;
    Bytes written;
    auto copy = tagtest::RoundTrip(place, c.version, &written);
    ASSERT_TRUE(copy) << c.name;
    EXPECT_EQ(tagtest::BodyOf(written), tagtest::BodyOf(input)) << c.name;
  }

  for (const char* name : {"PlaceObject2-ClipActions-CS6.swf", "PlaceObject2-ClipActionsV5-CS6.swf"}) {
    const Bytes movie = tagtest::CorpusMovie(name);
    SwfReader reader(movie, movie.at(3));
    const auto offsets = tagtest::FindTags(reader, 26);
    ASSERT_FALSE(offsets.empty()) << name;
    size_t withClipActions = 0;
    for (size_t offset : offsets) {
      PlaceObject2Tag place;
      const auto result = tagtest::ReadTagAt(reader, offset, place);
      EXPECT_FALSE(result.overrun) << name;
      EXPECT_EQ(result.consumed, result.bodyLength) << name;
      if (!place.clipActions.empty()) ++withClipActions;
      EXPECT_EQ(tagtest::BodyOf(tagtest::WriteTag(place, movie[3])),
                tagtest::BodyOf(tagtest::TagBytesAt(movie, offset)))
          << name;
    }
    EXPECT_GT(withClipActions, 0u) << name;
  }
}

// A placement read from a movie keeps its all-event flags (here wider than its record's
// events); once the program adds a record, the union of the records' events is written.
TEST(PlaceObject2TagTest, ReadAllEventFlagsStayUntilTheRecordsChange) {
  const Bytes body = {0x82, 0x01, 0x00, 0x02, 0x00,                    // clip actions, id; depth 1, id 2
                      0x00, 0x00, 0x03, 0x00,                          // reserved, all events (v5): load | enter frame
                      0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x07, 0x00,  // load: Stop, End
                      0x00, 0x00};
  Bytes tag = {static_cast<uint8_t>(0x80 | body.size()), 0x06};
  tag.insert(tag.end(), body.begin(), body.end());
  PlaceObject2Tag place;
  EXPECT_FALSE(tagtest::ReadTag(tag, place, 5).overrun);
  EXPECT_EQ(tagtest::WriteTag(place, 5), tag);
  place.AddClipAction(ClipAction(0x04, 1));
  EXPECT_EQ(tagtest::BodyOf(tagtest::WriteTag(place, 5))[7], 0x05);  // load | the new event
}
