#include <gtest/gtest.h>

#include "TagTestSupport.h"
#include "swf/DisplayListTags.h"

using tagtest::Bytes;

TEST(DisplayListTagsTest, FixedBodiesReadBack) {
  FreeCharacterTag free(0x1234);
  Bytes first;
  auto freeCopy = tagtest::RoundTrip(free, 6, &first);
  ASSERT_TRUE(freeCopy);
  EXPECT_EQ(first, (Bytes{0xC2, 0x00, 0x34, 0x12}));
  EXPECT_EQ(freeCopy->characterId, 0x1234);

  RemoveObjectTag remove(7, 300);
  auto removeCopy = tagtest::RoundTrip(remove, 6, &first);
  ASSERT_TRUE(removeCopy);
  EXPECT_EQ(first, (Bytes{0x44, 0x01, 0x07, 0x00, 0x2C, 0x01}));
  EXPECT_EQ(removeCopy->characterId, 7);
  EXPECT_EQ(removeCopy->depth, 300);

  RemoveObject2Tag remove2(300);
  auto remove2Copy = tagtest::RoundTrip(remove2, 6, &first);
  ASSERT_TRUE(remove2Copy);
  EXPECT_EQ(first, (Bytes{0x02, 0x07, 0x2C, 0x01}));
  EXPECT_EQ(remove2Copy->depth, 300);
}

// The colour transform of a PlaceObject starts on the byte after the matrix, which ends
// mid-byte, and is present only when the body has bytes left.
TEST(DisplayListTagsTest, PlaceObjectColourTransformFollowsTheMatrix) {
  const Bytes input = tagtest::CorpusTag("place-object/po1-with-color-transform");
  PlaceObjectTag place;
  const auto result = tagtest::ReadTag(input, place, 6);
  EXPECT_EQ(result.code, 4);
  EXPECT_FALSE(result.overrun);
  EXPECT_EQ(result.consumed, 10u);
  EXPECT_EQ(place.characterId, 42);
  EXPECT_EQ(place.depth, 1);
  ASSERT_TRUE(place.matrix);
  ASSERT_TRUE(place.colorTransform);
  EXPECT_TRUE(place.colorTransform->hasAdd);
  EXPECT_FALSE(place.colorTransform->hasMult);
  auto copy = tagtest::RoundTrip(place, 6);
  ASSERT_TRUE(copy);
  ASSERT_TRUE(copy->colorTransform);
  EXPECT_EQ(copy->colorTransform->redAdd, place.colorTransform->redAdd);
  EXPECT_EQ(copy->colorTransform->greenAdd, place.colorTransform->greenAdd);
  EXPECT_EQ(copy->colorTransform->blueAdd, place.colorTransform->blueAdd);

  // A matrix with a translation ends mid-byte; the colour transform is written after it.
  PlaceObjectTag built;
  built.characterId = 3;
  built.depth = 2;
  built.SetMatrix(SwfMatrix::Make(100, -200, 1, 1, 0, 0));
  built.colorTransform = std::make_unique<SwfCxform>();
  built.colorTransform->SetTint(0x00FF00);
  auto builtCopy = tagtest::RoundTrip(built, 6);
  ASSERT_TRUE(builtCopy);
  EXPECT_EQ(builtCopy->matrix->translateX, 100);
  EXPECT_EQ(builtCopy->matrix->translateY, -200);
  ASSERT_TRUE(builtCopy->colorTransform);
  EXPECT_EQ(builtCopy->colorTransform->greenAdd, 256);

  PlaceObjectTag plain;
  plain.characterId = 3;
  plain.depth = 2;
  Bytes plainBytes;
  auto plainCopy = tagtest::RoundTrip(plain, 6, &plainBytes);
  ASSERT_TRUE(plainCopy);
  EXPECT_FALSE(plainCopy->colorTransform);
  EXPECT_EQ(tagtest::BodyOf(plainBytes), (Bytes{3, 0, 2, 0, 0}));
}

// Placing and removing tags move depths by one rule, so a removal still meets the object it
// removes; a move that would leave the 16-bit range saturates and is reported beforehand.
TEST(DisplayListTagsTest, DepthsRelocateByOneRule) {
  struct Case {
    uint16_t depth;
    int delta;
    uint16_t moved;
    bool fits;
  };
  const Case cases[] = {
      {1, 10, 11, true}, {65530, 5, 65535, true}, {65530, 10, 65535, false}, {5, -10, 0, false}, {5, -5, 0, true},
  };
  for (const Case& c : cases) {
    PlaceObjectTag place;
    place.depth = c.depth;
    RemoveObjectTag remove(1, c.depth);
    RemoveObject2Tag remove2(c.depth);
    SwfTag* tags[] = {&place, &remove, &remove2};
    for (SwfTag* tag : tags) {
      EXPECT_EQ(tag->CanRelocate(0, c.delta, 0), c.fits) << tag->TagCode() << " " << c.depth << " " << c.delta;
      tag->Relocate(0, c.delta, 0);
    }
    EXPECT_EQ(place.depth, c.moved);
    EXPECT_EQ(remove.depth, c.moved);
    EXPECT_EQ(remove2.depth, c.moved);
  }
}

TEST(DisplayListTagsTest, IdsRelocateAndReportOverflow) {
  PlaceObjectTag place;
  place.characterId = 65535;
  RemoveObjectTag remove(65535, 1);
  FreeCharacterTag free(65535);
  RemoveObject2Tag remove2(1);
  EXPECT_FALSE(place.CanRelocate(1, 0, 0));
  EXPECT_FALSE(remove.CanRelocate(1, 0, 0));
  EXPECT_FALSE(free.CanRelocate(1, 0, 0));
  EXPECT_TRUE(remove2.CanRelocate(1, 0, 0));  // it carries no id
  place.Relocate(1, 0, 0);
  free.Relocate(1, 0, 0);
  EXPECT_EQ(place.characterId, 0);
  EXPECT_EQ(free.characterId, 0);
  free.Relocate(100, 0, 0);
  EXPECT_EQ(free.characterId, 100);
  EXPECT_TRUE(free.CanRelocate(-100, 0, 0));
  EXPECT_FALSE(free.CanRelocate(-101, 0, 0));
}
