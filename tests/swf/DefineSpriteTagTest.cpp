// The sprite tag: building timelines frame by frame, reading children inside the sprite's
// body, writing with and without sound, and moving ids but not depths.
#include <gtest/gtest.h>

#include "swf/ControlTags.h"
#include "swf/DefineShapeTag.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DisplayListTags.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SoundTags.h"
#include "tests/swf/MovieTestSupport.h"
#include "tests/swf/TagTestSupport.h"

namespace {

using movietest::Bytes;

std::vector<int> Codes(const DefineSpriteTag& sprite) {
  std::vector<int> codes;
  for (const auto& t : sprite.Children()) codes.push_back(t->TagCode());
  return codes;
}

std::unique_ptr<PlaceObject2Tag> Place(uint16_t id, uint16_t depth) {
  auto place = std::make_unique<PlaceObject2Tag>();
  place->SetCharacterId(id);
  place->depth = depth;
  return place;
}

TEST(DefineSpriteTag, EmptySpriteWritesIdFrameCountAndEnd) {
  DefineSpriteTag sprite(7, 0);
  EXPECT_EQ(movietest::WriteOne(sprite, 6), (Bytes{0xC6, 0x09, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST(DefineSpriteTag, AddTagToFrameAddsMissingFramesFirst) {
  DefineSpriteTag sprite(1, 0);
  EXPECT_EQ(sprite.AddTagToFrame(std::make_unique<FrameLabelTag>(L"x"), 2), nullptr);
  EXPECT_EQ(Codes(sprite), (std::vector<int>{1, 1, 43, 1}));
  EXPECT_EQ(sprite.GetFrameCount(), 3);

  // A sprite that ends with ShowFrame, End loses the End before frames are added; the
  // writer puts a new one at the end.
  DefineSpriteTag ended(2, 0);
  ended.AddTag(std::make_unique<ShowFrameTag>());
  ended.AddTag(std::make_unique<EndTag>());
  EXPECT_EQ(ended.AddTagToFrame(std::make_unique<FrameLabelTag>(L"y"), 1), nullptr);
  EXPECT_EQ(Codes(ended), (std::vector<int>{1, 43, 1}));
  const Bytes written = movietest::WriteOne(ended, 6);
  EXPECT_EQ(Bytes(written.end() - 2, written.end()), (Bytes{0, 0}));

  // Frame count high enough but no ShowFrame children: the tag comes back to the caller.
  DefineSpriteTag counted(3, 5);
  auto back = counted.AddTagToFrame(std::make_unique<FrameLabelTag>(L"z"), 1);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->TagCode(), 43);
  EXPECT_TRUE(counted.Children().empty());
}

TEST(DefineSpriteTag, LastAndFirstFrameInsertion) {
  DefineSpriteTag sprite(1, 0);
  sprite.AddTag(std::make_unique<ShowFrameTag>());
  sprite.AddTag(std::make_unique<ShowFrameTag>());
  sprite.AddTagToLastFrame(std::make_unique<FrameLabelTag>(L"last"));
  sprite.AddTagToFirstFrame(std::make_unique<RemoveObject2Tag>(4), true);
  sprite.AddTagToFirstFrame(std::make_unique<RemoveObject2Tag>(5), false);
  EXPECT_EQ(Codes(sprite), (std::vector<int>{28, 28, 1, 43, 1}));

  // With its only ShowFrame first, the last frame is frame 0.
  DefineSpriteTag single(2, 0);
  single.AddTag(std::make_unique<ShowFrameTag>());
  single.AddTagToLastFrame(std::make_unique<FrameLabelTag>(L"a"));
  EXPECT_EQ(Codes(single), (std::vector<int>{43, 1}));
}

TEST(DefineSpriteTag, OnlyTimelineTagsAreTaken) {
  DefineSpriteTag sprite(1, 0);
  auto shape = sprite.AddTag(std::make_unique<DefineShapeTag>());
  ASSERT_NE(shape, nullptr);
  EXPECT_EQ(shape->TagCode(), 2);
  EXPECT_EQ(sprite.AddTag(std::make_unique<ShowFrameTag>()), nullptr);
  EXPECT_EQ(sprite.GetFrameCount(), 1);
  EXPECT_EQ(Codes(sprite), (std::vector<int>{1}));
}

TEST(DefineSpriteTag, RelocationMovesIdsNotDepths) {
  DefineSpriteTag sprite(10, 0);
  sprite.AddTag(Place(3, 7));
  sprite.AddTag(std::make_unique<RemoveObjectTag>(3, 7));
  sprite.AddTag(std::make_unique<ShowFrameTag>());
  sprite.Relocate(100, 50, 0);
  EXPECT_EQ(sprite.GetCharacterId(), 110);
  const auto* place = dynamic_cast<const PlaceObject2Tag*>(sprite.Children()[0].get());
  const auto* remove = dynamic_cast<const RemoveObjectTag*>(sprite.Children()[1].get());
  EXPECT_EQ(place->characterId, 103);
  EXPECT_EQ(place->depth, 7);
  EXPECT_EQ(remove->characterId, 103);
  EXPECT_EQ(remove->depth, 7);
  EXPECT_FALSE(sprite.CanRelocate(65500, 0, 0));
  EXPECT_TRUE(sprite.CanRelocate(100, 65000, 0));
}

TEST(DefineSpriteTag, ReadFindsDepthRangeAndStaysInsideItsBody) {
  DefineSpriteTag sprite(5, 0);
  sprite.AddTag(Place(1, 9));
  sprite.AddTag(Place(2, 3));
  sprite.AddTag(std::make_unique<ShowFrameTag>());
  Bytes bytes = movietest::WriteOne(sprite, 6);
  DefineSpriteTag read;
  const tagtest::ReadResult r = tagtest::ReadTag(bytes, read, 6);
  EXPECT_FALSE(r.overrun);
  EXPECT_EQ(read.GetLowestDepth(), 3);
  EXPECT_EQ(read.GetHighestDepth(), 9);
  EXPECT_EQ(Codes(read), (std::vector<int>{26, 26, 1, 0}));

  DefineSpriteTag empty(6, 0);
  Bytes emptyBytes = movietest::WriteOne(empty, 6);
  DefineSpriteTag readEmpty;
  tagtest::ReadTag(emptyBytes, readEmpty, 6);
  EXPECT_EQ(readEmpty.GetLowestDepth(), -1);
  EXPECT_EQ(readEmpty.GetHighestDepth(), -1);

  // A sprite body without its End: the children stop at the body's end (and gain no End),
  // and the tag after the sprite is not taken in.
  // Body: id, frame count, ShowFrame; then a ShowFrame and End after the sprite.
  const Bytes noEnd = {0xC6, 0x09, 0x05, 0x00, 0x01, 0x00, 0x40, 0x00, 0x40, 0x00, 0x00, 0x00};
  SwfReader reader(noEnd, 6);
  auto tag = reader.ReadNextTag();
  auto* readSprite = dynamic_cast<DefineSpriteTag*>(tag.get());
  ASSERT_NE(readSprite, nullptr);
  EXPECT_EQ(Codes(*readSprite), (std::vector<int>{1}));
  EXPECT_TRUE(readSprite->ReadWithoutEnd());
  auto next = reader.ReadNextTag();
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->TagCode(), 1);
}

TEST(DefineSpriteTag, NoSoundLeavesSoundChildrenOut) {
  DefineSpriteTag sprite(1, 0);
  auto start = std::make_unique<StartSoundTag>();
  start->soundId = 4;
  sprite.AddTag(std::move(start));
  sprite.AddTag(std::make_unique<ShowFrameTag>());
  SwfBitWriter quiet(6);
  quiet.SetNoSound(true);
  sprite.Write(quiet);
  SwfBitWriter loud(6);
  sprite.Write(loud);
  // Body: id, count, ShowFrame, End (8 bytes); the StartSound adds a header and 3 bytes.
  EXPECT_EQ(quiet.GetBytes().size(), 2u + 8u);
  EXPECT_EQ(loud.GetBytes().size(), 2u + 8u + 2u + 3u);
}

}  // namespace
