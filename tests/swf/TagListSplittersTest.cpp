// Cutting tag lists into frames, and a movie into its own tags, definitions and a sprite.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "swf/ControlTags.h"
#include "swf/DefineShapeTag.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/FontTags.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/TagListSplitters.h"
#include "swf/TextTags.h"
#include "tests/swf/TagListFixtures.h"

namespace {

using taglistfixtures::Place;

std::unique_ptr<SwfTag> Shape(uint16_t id) {
  auto shape = std::make_unique<DefineShapeTag>();
  shape->SetCharacterId(id);
  return shape;
}

std::unique_ptr<SwfTag> Text2(uint16_t id) {
  auto text = std::make_unique<DefineText2Tag>();
  text->SetCharacterId(id);
  return text;
}

TEST(FrameTagSplitter, ShowFrameOpensTheNextFrame) {
  SwfTagList tags;
  tags.push_back(Shape(3));
  tags.push_back(Place(3, 2));
  tags.push_back(std::make_unique<ShowFrameTag>());
  tags.push_back(Text2(8));
  tags.push_back(Place(8, 5));
  tags.push_back(Place(0, 2));
  tags.push_back(std::make_unique<ShowFrameTag>());
  FrameTagSplitter splitter;
  splitter.Split(tags);
  ASSERT_EQ(splitter.Frames().size(), 3u);
  EXPECT_EQ(splitter.Frames()[0], (SwfTagRefs{tags[0].get(), tags[1].get()}));
  EXPECT_EQ(splitter.Frames()[1], (SwfTagRefs{tags[2].get(), tags[3].get(), tags[4].get(), tags[5].get()}));
  EXPECT_EQ(splitter.Frames()[2], (SwfTagRefs{tags[6].get()}));
  EXPECT_EQ(splitter.Depths(), (std::vector<uint16_t>{2, 5}));
  EXPECT_EQ(splitter.DefinedIds(), (std::vector<uint16_t>{3, 8}));
}

TEST(MovieToSpriteSplitter, TimelineIntoTheSpriteDefinitionsBeside) {
  SwfTagList tags;
  tags.push_back(std::make_unique<SetBackgroundColorTag>(1, 2, 3));
  tags.push_back(std::make_unique<ProtectTag>());
  tags.push_back(Shape(7));
  tags.push_back(std::make_unique<DefineFontInfoTag>(12, L"F", L"a", 0));
  tags.push_back(Text2(4));
  tags.push_back(Place(7, 1));
  tags.push_back(std::make_unique<DoActionTag>());
  tags.push_back(std::make_unique<FrameLabelTag>(L"start"));
  tags.push_back(std::make_unique<ShowFrameTag>());
  tags.push_back(std::make_unique<EndTag>());
  MovieToSpriteSplitter splitter;
  splitter.Split(std::move(tags));
  auto codes = [](const SwfTagList& list) {
    std::vector<int> out;
    for (const auto& tag : list) out.push_back(tag->TagCode());
    return out;
  };
  EXPECT_EQ(codes(splitter.MovieTags()), (std::vector<int>{9, 24, 0}));
  EXPECT_EQ(codes(splitter.Definitions()), (std::vector<int>{2, 13, 33, 43}));
  EXPECT_EQ(codes(splitter.Sprite().Children()), (std::vector<int>{26, 12, 1}));
  EXPECT_EQ(splitter.Sprite().GetFrameCount(), 1);
  EXPECT_EQ(splitter.GetSmallestId(), 4);
  EXPECT_EQ(splitter.GetLargestId(), 12);
}

}  // namespace
