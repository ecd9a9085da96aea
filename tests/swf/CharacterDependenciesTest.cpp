// What a sprite, button or shape of one movie needs to be copied into another, in an order
// that puts every definition before its users; buttons and sprites that refer to each other
// in circles end.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "swf/BitmapTags.h"
#include "swf/ButtonTags.h"
#include "swf/CharacterDependencies.h"
#include "swf/ControlTags.h"
#include "swf/DefineShapeTag.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DisplayListTags.h"
#include "swf/FontTags.h"
#include "swf/MorphShape.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/ShapeStyles.h"
#include "swf/SoundTags.h"
#include "swf/TextTags.h"
#include "swf/VideoTags.h"
#include "tests/swf/TagListFixtures.h"

namespace {

using taglistfixtures::Place;
using taglistfixtures::Shape;
using taglistfixtures::TextIn;

std::unique_ptr<DefineSpriteTag> Sprite(uint16_t id, const std::vector<uint16_t>& placed) {
  auto sprite = std::make_unique<DefineSpriteTag>(id, 0);
  uint16_t depth = 1;
  for (uint16_t child : placed) sprite->AddTag(Place(child, depth++));
  sprite->AddTag(std::make_unique<ShowFrameTag>());
  return sprite;
}

std::unique_ptr<DefineBitsTag> Bits(uint16_t id) {
  auto bits = std::make_unique<DefineBitsTag>();
  bits->SetData(id, {0xFF, 0xD8, 0xFF, 0xD9});
  return bits;
}

std::unique_ptr<DefineButton2Tag> Button(uint16_t id, const std::vector<uint16_t>& shown) {
  auto button = std::make_unique<DefineButton2Tag>();
  button->SetCharacterId(id);
  uint16_t depth = 1;
  for (uint16_t child : shown) {
    auto record = std::make_unique<ButtonRecord>();
    record->stateFlags = ButtonRecord::kUp | ButtonRecord::kHitTest;
    record->characterId = child;
    record->depth = depth++;
    button->records.push_back(std::move(record));
  }
  return button;
}

template <typename T>
T* Add(SwfTagList& movie, std::unique_ptr<T> tag) {
  T* raw = tag.get();
  movie.push_back(std::move(tag));
  return raw;
}

SwfTagRefs Appended(const SpriteDependencyCollector& collector, bool withSprite = true) {
  SwfTagRefs list;
  EXPECT_TRUE(collector.AppendTagsTo(list, withSprite));
  return list;
}

TEST(SpriteDependencyCollector, BitmapFillComesWithItsTablesBeforeTheShape) {
  SwfTagList movie;
  auto* background = Add(movie, std::make_unique<SetBackgroundColorTag>(9, 9, 9));
  auto* tables = Add(movie, std::make_unique<JpegTablesTag>());
  auto* bits = Add(movie, Bits(4));
  auto* shape = Add(movie, Shape(5, 4, kFillRepeatingBitmapHard));
  auto* sprite = Add(movie, Sprite(6, {5}));
  Add(movie, Place(5, 1));
  auto* placement = Add(movie, Place(6, 2));
  Add(movie, std::make_unique<ShowFrameTag>());

  SpriteDependencyCollector collector;
  ASSERT_TRUE(collector.Collect(sprite, movie));
  EXPECT_EQ(Appended(collector), (SwfTagRefs{tables, bits, shape, sprite}));
  EXPECT_EQ(Appended(collector, false), (SwfTagRefs{tables, bits, shape}));
  EXPECT_EQ(collector.GetSprite(), sprite);
  EXPECT_EQ(collector.GetPlacement(), placement);
  EXPECT_EQ(collector.GetBackgroundTag(), background);
  EXPECT_TRUE(collector.UnresolvedIds().empty());
  EXPECT_FALSE(collector.Collect(nullptr, movie));
}

TEST(SpriteDependencyCollector, FontsComeFirst) {
  SwfTagList movie;
  auto* shape = Add(movie, Shape(9));
  auto* font = Add(movie, std::make_unique<DefineFontTag>());
  font->SetCharacterId(1);
  auto* info = Add(movie, std::make_unique<DefineFontInfoTag>(1, L"Sans", L"ab", 0));
  auto* text = Add(movie, TextIn<DefineTextTag>(2, 1));
  auto* edit = Add(movie, std::make_unique<DefineEditTextTag>());
  edit->SetCharacterId(3);
  edit->fontId = 8;  // a font that nothing defines
  auto* sprite = Add(movie, Sprite(4, {9, 2, 3}));

  SpriteDependencyCollector collector;
  ASSERT_TRUE(collector.Collect(sprite, movie));
  EXPECT_EQ(collector.FontTags(), (SwfTagRefs{font, info}));
  EXPECT_EQ(Appended(collector), (SwfTagRefs{font, info, shape, text, edit, sprite}));
  EXPECT_EQ(collector.FontIds(), (std::vector<uint16_t>{1, 8}));
  EXPECT_EQ(collector.UnresolvedIds(), std::vector<uint16_t>{8});
}

TEST(SpriteDependencyCollector, EverySpriteOfTheMovieContributes) {
  SwfTagList movie;
  auto* one = Add(movie, Shape(1));
  auto* two = Add(movie, Shape(2));
  auto* sound = Add(movie, std::make_unique<DefineSoundTag>());
  sound->SetCharacterId(7);
  auto* first = Add(movie, Sprite(3, {1}));
  // The second sprite places a shape and starts a sound that only it uses, and places the
  // first sprite, which places the second one back.
  auto* second = Add(movie, Sprite(4, {2, 3}));
  auto start = std::make_unique<StartSoundTag>();
  start->soundId = 7;
  second->AddTagToFrame(std::move(start), 0);
  first->AddTagToFrame(Place(4, 5), 0);

  SpriteDependencyCollector collector;
  ASSERT_TRUE(collector.Collect(first, movie));
  EXPECT_EQ(collector.NestedSprites(), (SwfTagRefs{second}));
  EXPECT_EQ(Appended(collector), (SwfTagRefs{one, two, sound, second, first}));
  // Every tag once, even as sprites place each other.
  ASSERT_TRUE(collector.Collect(second, movie));
  EXPECT_EQ(Appended(collector), (SwfTagRefs{two, sound, one, first, second}));
}

TEST(SpriteDependencyCollector, VideoStreamInsideASpriteTravelsWithIt) {
  SwfTagList movie;
  auto* sprite = Add(movie, std::make_unique<DefineSpriteTag>(2, 0));
  auto stream = std::make_unique<DefineVideoStreamTag>();
  stream->SetCharacterId(5);
  sprite->AddTag(std::move(stream));
  auto frame = std::make_unique<VideoFrameTag>();
  frame->streamId = 5;
  sprite->AddTag(std::move(frame));
  sprite->AddTag(Place(5, 1));
  sprite->AddTag(Place(6, 2));  // nothing defines 6
  sprite->AddTag(std::make_unique<ShowFrameTag>());

  SpriteDependencyCollector collector;
  ASSERT_TRUE(collector.Collect(sprite, movie));
  EXPECT_EQ(Appended(collector), (SwfTagRefs{sprite}));
  EXPECT_EQ(collector.UnresolvedIds(), std::vector<uint16_t>{6});
}

TEST(ButtonDependencyCollector, ButtonsThatShowThemselvesOrEachOtherEnd) {
  SwfTagList movie;
  auto* shape = Add(movie, Shape(1));
  auto* self = Add(movie, Button(2, {1, 2}));
  auto* a = Add(movie, Button(3, {4}));
  auto* b = Add(movie, Button(4, {3, 1}));
  auto* sounds = Add(movie, std::make_unique<DefineButtonSoundTag>());
  sounds->SetCharacterId(4);
  auto* cxform = Add(movie, std::make_unique<DefineButtonCxformTag>());
  cxform->SetCharacterId(3);
  auto* sprite = Add(movie, Sprite(5, {2, 3}));

  ButtonDependencyCollector buttons;
  ASSERT_TRUE(buttons.Collect(self, movie));
  EXPECT_EQ(buttons.DefinitionTags(), (SwfTagRefs{shape}));
  EXPECT_EQ(buttons.PlacedIds(), (std::vector<uint16_t>{1, 2}));

  ASSERT_TRUE(buttons.Collect(a, movie));
  EXPECT_EQ(buttons.DefinitionTags(), (SwfTagRefs{shape, b}));
  // The button's colour transform and the sounds of the button it shows follow them.
  EXPECT_EQ(buttons.ButtonTags(), (SwfTagRefs{sounds, cxform}));
  EXPECT_FALSE(buttons.Collect(nullptr, movie));

  SpriteDependencyCollector collector;
  ASSERT_TRUE(collector.Collect(sprite, movie));
  const SwfTagRefs list = Appended(collector);
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(list.back(), sprite);
  for (SwfTag* needed : std::vector<SwfTag*>{shape, self, a, b, sounds, cxform}) {
    EXPECT_EQ(std::count(list.begin(), list.end(), needed), 1) << needed->TagCode();
  }
  EXPECT_EQ(list.size(), 7u);
  // A button's extra tags come after it.
  EXPECT_LT(std::find(list.begin(), list.end(), a) - list.begin(),
            std::find(list.begin(), list.end(), cxform) - list.begin());
  EXPECT_LT(std::find(list.begin(), list.end(), b) - list.begin(),
            std::find(list.begin(), list.end(), sounds) - list.begin());
}

TEST(ShapeDependencyCollector, BitmapsOfShapesAndMorphShapes) {
  SwfTagList movie;
  auto* tables = Add(movie, std::make_unique<JpegTablesTag>());
  auto* bits = Add(movie, Bits(1));
  auto* lossless = Add(movie, std::make_unique<DefineBitsLosslessTag>(DefineBitsLosslessTag::kRgb32));
  lossless->SetCharacterId(2);
  auto* shape = Add(movie, Shape(3, 2, kFillRepeatingBitmapHard));
  // A style-change record with a new fill of bitmap 1 and one of a bitmap nobody defines.
  auto change = std::make_unique<StyleChangeRecord>(kStyleNewStyles, shape->shape.get());
  change->newFillStyles = std::make_unique<FillStyleArray>();
  auto fill = std::make_unique<FillStyle>();
  fill->InitBitmapFill(kFillClippedBitmap, 1, std::make_unique<SwfMatrix>());
  change->newFillStyles->AddStyle(std::move(fill));
  auto missing = std::make_unique<FillStyle>();
  missing->InitBitmapFill(kFillRepeatingBitmap, 77, std::make_unique<SwfMatrix>());
  change->newFillStyles->AddStyle(std::move(missing));
  shape->shape->records.insert(shape->shape->records.begin(), std::move(change));

  ShapeDependencyCollector shapes;
  ASSERT_TRUE(shapes.Collect(shape, movie));
  EXPECT_EQ(shapes.BitmapIds(), (std::vector<uint16_t>{2, 1, 77}));
  EXPECT_EQ(shapes.Tags(), (SwfTagRefs{lossless, tables, bits}));
  EXPECT_EQ(shapes.UnresolvedIds(), std::vector<uint16_t>{77});
  EXPECT_FALSE(shapes.Collect(nullptr, movie));

  auto* morph = Add(movie, std::make_unique<DefineMorphShapeTag>());
  auto morphFill = std::make_unique<MorphFillStyle>();
  morphFill->fillType = kFillClippedBitmapHard;
  morphFill->bitmapId = 2;
  morphFill->startMatrix = std::make_unique<SwfMatrix>();
  morphFill->endMatrix = std::make_unique<SwfMatrix>();
  morph->fillStyles->styles.push_back(std::move(morphFill));
  ASSERT_TRUE(shapes.InitForMorph(morph, movie));
  EXPECT_EQ(shapes.GetMorphShape(), morph);
  EXPECT_EQ(shapes.Tags(), (SwfTagRefs{lossless}));
  EXPECT_FALSE(shapes.InitForMorph(nullptr, movie));
}

TEST(MovieDefinitionIndex, DefinitionsFontsAndFramesByDepth) {
  SwfTagList movie;
  auto* tables = Add(movie, std::make_unique<JpegTablesTag>());
  auto* font2 = Add(movie, std::make_unique<DefineFont2Tag>());
  font2->SetCharacterId(3);
  auto* info = Add(movie, std::make_unique<DefineFontInfoTag>(3, L"Serif", L"x", 0));
  auto* shape = Add(movie, Shape(1));
  Add(movie, Shape(1));  // a second definition of the same id does not replace the first
  auto* place = Add(movie, Place(1, 4));
  Add(movie, std::make_unique<ShowFrameTag>());
  auto* remove = Add(movie, std::make_unique<RemoveObject2Tag>(4));
  Add(movie, std::make_unique<RemoveObject2Tag>(9));  // never placed there
  Add(movie, std::make_unique<ShowFrameTag>());
  auto* late = Add(movie, Place(1, 6));  // after the last ShowFrame

  MovieDefinitionIndex index;
  index.Build(movie);
  EXPECT_EQ(index.GetFrameCount(), 2);
  EXPECT_EQ(index.FindDefinition(1), shape);
  EXPECT_EQ(index.FindDefinition(3), font2);
  EXPECT_EQ(index.FindDefinition(2), nullptr);
  EXPECT_EQ(index.FindJpegTables(), tables);
  EXPECT_EQ(index.FindFontInfo(3), info);
  EXPECT_EQ(index.FindFontInfo(1), nullptr);
  EXPECT_EQ(index.FindDefineFont2(3), font2);
  EXPECT_EQ(index.Shapes().size(), 2u);
  EXPECT_EQ(index.FontsAndTexts(), (SwfTagRefs{font2}));
  EXPECT_EQ(index.DepthsPlaced(), (std::vector<uint16_t>{4, 6}));
  ASSERT_NE(index.FrameTagsAtDepth(4, 0), nullptr);
  EXPECT_EQ(*index.FrameTagsAtDepth(4, 0), (SwfTagRefs{place}));
  ASSERT_NE(index.FrameTagsAtDepth(4, 1), nullptr);
  EXPECT_EQ(*index.FrameTagsAtDepth(4, 1), (SwfTagRefs{remove}));
  EXPECT_EQ(index.FrameTagsAtDepth(9, 1), nullptr);
  ASSERT_NE(index.FrameTagsAtDepth(6, 2), nullptr);
  EXPECT_EQ(*index.FrameTagsAtDepth(6, 2), (SwfTagRefs{late}));
}

TEST(ButtonDependencyCollector, CollectDefinitionOfTakesTheTablesBeforeABitmap) {
  SwfTagList movie;
  Add(movie, std::make_unique<JpegTablesTag>());
  auto* tables = Add(movie, std::make_unique<JpegTablesTag>());
  auto* bits = Add(movie, Bits(4));
  auto* text = Add(movie, TextIn<DefineTextTag>(5, 1));
  auto* shape = Add(movie, Shape(5));
  ButtonDependencyCollector buttons;
  buttons.CollectDefinitionOf(4, movie);
  buttons.CollectDefinitionOf(5, movie);  // the text is passed over, the shape taken
  buttons.CollectDefinitionOf(9, movie);
  EXPECT_EQ(buttons.DefinitionTags(), (SwfTagRefs{tables, bits, shape}));
  (void)text;
}

TEST(MovieDefinitionIndex, CollectDependenciesPerKind) {
  SwfTagList movie;
  auto* tables = Add(movie, std::make_unique<JpegTablesTag>());
  auto* bits = Add(movie, Bits(1));
  auto* filled = Add(movie, Shape(2, 1, kFillRepeatingBitmapHard));
  auto* font = Add(movie, std::make_unique<DefineFontTag>());
  font->SetCharacterId(3);
  auto* info = Add(movie, std::make_unique<DefineFontInfoTag>(3, L"Sans", L"a", 0));
  auto* text = Add(movie, TextIn<DefineTextTag>(4, 3));
  auto* button = Add(movie, Button(5, {2, 4}));
  auto* sprite = Add(movie, Sprite(6, {5}));
  MovieDefinitionIndex index;
  index.Build(movie);
  struct Case {
    const char* name;
    SwfTag* definition;
    SwfTagRefs expected;
  } cases[] = {
      {"shape", filled, {tables, bits}},
      {"DefineBits", bits, {tables}},
      {"text", text, {font, info}},
      {"button: fonts of its texts first", button, {font, info, tables, bits, filled, text}},
      {"sprite", sprite, {font, info, tables, bits, filled, text, button}},
      {"font", font, {}},
  };
  for (const Case& c : cases) {
    SwfTagRefs out{info};  // what is there already stays first and is not added again
    index.CollectDependencies(c.definition, out);
    SwfTagRefs expected{info};
    for (SwfTag* tag : c.expected) {
      if (tag != info) expected.push_back(tag);
    }
    EXPECT_EQ(out, expected) << c.name;
  }
}

}  // namespace
