// Tag-list operations: finding definitions and named placements, the largest ids and depths
// in use, and whether a list can be moved by given deltas without losing anything.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "swf/AssetTags.h"
#include "swf/BitmapTags.h"
#include "swf/ButtonTags.h"
#include "swf/ControlTags.h"
#include "swf/DefineShapeTag.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/FontTags.h"
#include "swf/OperandActions.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/ShapeStyles.h"
#include "swf/SoundTags.h"
#include "swf/SwfTagList.h"
#include "swf/TextTags.h"
#include "swf/VideoTags.h"
#include "tests/swf/TagListFixtures.h"

namespace {

using taglistfixtures::Place;
using taglistfixtures::Shape;
using taglistfixtures::TextIn;

using Bytes = std::vector<uint8_t>;

Bytes Header(int code, size_t length) { return SwfTag::MakeTagHeader(code, length, true); }

Bytes RawBytes(int code, const Bytes& body) {
  Bytes bytes = Header(code, body.size());
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

// A sprite read from bytes, so that its children may hold tags kept as bytes.
std::unique_ptr<SwfTag> ReadSprite(uint16_t id, const std::vector<Bytes>& children) {
  Bytes body = {static_cast<uint8_t>(id), static_cast<uint8_t>(id >> 8), 1, 0};
  for (const Bytes& child : children) body.insert(body.end(), child.begin(), child.end());
  for (uint8_t b : {0x40, 0x00, 0x00, 0x00}) body.push_back(b);  // ShowFrame, End
  SwfReader reader(RawBytes(kSwfTagDefineSprite, body), 8);
  return reader.ReadNextTag();
}

TEST(SwfTagList, FindTagByCharacterIdSearchesSpritesAndKnowsDefineText2) {
  SwfTagList tags;
  auto stream = std::make_unique<SoundStreamHeadTag>();
  stream->SetCharacterId(4);  // a stream head carries no id in the file
  tags.push_back(std::move(stream));
  tags.push_back(Shape(1));
  // A sprite whose timeline holds a video stream and a shape kept as bytes.
  const Bytes video = RawBytes(60, {5, 0, 1, 0, 16, 0, 16, 0, 0, 2});
  const Bytes shape = RawBytes(2, {6, 0});
  tags.push_back(ReadSprite(3, {video, shape}));
  tags.push_back(TextIn<DefineText2Tag>(7, 1));
  tags.push_back(std::make_unique<RawTag>(83, Bytes{9, 0, 0}));

  EXPECT_EQ(FindTagByCharacterId(1, tags), tags[1].get());
  EXPECT_EQ(FindTagByCharacterId(3, tags), tags[2].get());
  SwfTag* inSprite = FindTagByCharacterId(5, tags);
  ASSERT_NE(inSprite, nullptr);
  EXPECT_EQ(inSprite->TagCode(), 60);
  SwfTag* rawShape = FindTagByCharacterId(6, tags);
  ASSERT_NE(rawShape, nullptr);
  EXPECT_EQ(rawShape->TagCode(), 2);
  EXPECT_EQ(FindTagByCharacterId(7, tags), tags[3].get());
  EXPECT_EQ(FindTagByCharacterId(9, tags), tags[4].get());  // a DefineShape4 kept as bytes
  EXPECT_EQ(FindTagByCharacterId(4, tags), nullptr);
  EXPECT_EQ(FindTagByCharacterId(8, tags), nullptr);
}

TEST(SwfTagList, MaxCharacterIdAndDepth) {
  struct Case {
    const char* name;
    std::vector<std::function<std::unique_ptr<SwfTag>()>> tags;
    int id;
    int depth;
  } cases[] = {
      {"empty", {}, 0, 0},
      {"DefineText2 counts", {[] { return Shape(3); }, [] { return TextIn<DefineText2Tag>(12, 3); }}, 12, 0},
      {"PlaceObject2 id and depth",
       {[] { return Shape(3); }, [] { return Place(20, 9); }, [] { return Place(0, 0xFFFF); }},
       20,
       9},
      {"PlaceObject neither",
       {[] {
         auto place = std::make_unique<PlaceObjectTag>();
         place->characterId = 50;
         place->depth = 40;
         return std::unique_ptr<SwfTag>(std::move(place));
       }},
       0,
       0},
      {"DoInitAction sprite id", {[] { return std::make_unique<DoInitActionTag>(33); }}, 33, 0},
      {"stream head has no id",
       {[] {
         auto head = std::make_unique<SoundStreamHead2Tag>();
         head->SetCharacterId(90);
         return std::unique_ptr<SwfTag>(std::move(head));
       }},
       0,
       0},
      {"definition kept as bytes",
       {[] {
         return std::make_unique<RawTag>(90, Bytes{44, 0, 0, 0});
       }},
       44,
       0},
      {"sprite children not searched",
       {[] {
         return ReadSprite(2, {RawBytes(26, {0x06, 7, 0, 80, 0, 0})});
       }},
       2,
       0},
  };
  for (const Case& c : cases) {
    SwfTagList tags;
    for (const auto& make : c.tags) tags.push_back(make());
    int id = -1;
    int depth = -1;
    GetMaxCharacterIdAndDepth(tags, id, depth);
    EXPECT_EQ(id, c.id) << c.name;
    EXPECT_EQ(depth, c.depth) << c.name;
  }
}

TEST(SwfTagList, LargestCharacterIdPresentSeesEveryReference) {
  // Each case holds one reference to id 300 among smaller definitions; the definition-only
  // maximum misses it, the largest id present does not.
  struct Case {
    const char* name;
    std::function<std::unique_ptr<SwfTag>()> make;
  } cases[] = {
      {"StartSound in a sprite",
       [] {
         return ReadSprite(2, {RawBytes(15, {44, 1, 0})});
       }},
      {"RemoveObject", [] { return std::make_unique<RemoveObjectTag>(300, 1); }},
      {"shape fill", [] { return Shape(3, 300); }},
      {"text font", [] { return TextIn<DefineText2Tag>(4, 300); }},
      {"font info", [] { return std::make_unique<DefineFontInfoTag>(300, L"F", L"a", 0); }},
      {"button record",
       [] {
         auto button = std::make_unique<DefineButton2Tag>();
         button->SetCharacterId(5);
         auto record = std::make_unique<ButtonRecord>();
         record->stateFlags = ButtonRecord::kUp;
         record->characterId = 300;
         record->depth = 1;
         button->records.push_back(std::move(record));
         return std::unique_ptr<SwfTag>(std::move(button));
       }},
      {"button sound",
       [] {
         auto sound = std::make_unique<DefineButtonSoundTag>();
         sound->SetCharacterId(5);
         sound->soundIds[2] = 300;
         return std::unique_ptr<SwfTag>(std::move(sound));
       }},
      {"exported asset",
       [] {
         auto exports = std::make_unique<ExportAssetsTag>();
         exports->AddAsset(std::make_unique<SwfAssetEntry>(300, L"clip"), -1);
         return std::unique_ptr<SwfTag>(std::move(exports));
       }},
      {"PlaceObject3 kept as bytes",
       [] {
         return std::make_unique<RawTag>(70, Bytes{0x02, 0x08, 1, 0, 'C', 0, 44, 1});
       }},
      {"SymbolClass kept as bytes",
       [] {
         return std::make_unique<RawTag>(76, Bytes{2, 0, 1, 0, 'A', 0, 44, 1, 'B', 0});
       }},
      // Imports: the address first, then (ImportAssets2 only) two reserved bytes, then the list;
      // read anywhere else, the bytes give other ids.
      {"ImportAssets kept as bytes",
       [] {
         return std::make_unique<RawTag>(57, Bytes{'l', '.', 's', 'w', 'f', 0, 2, 0, 7, 0, 'A', 0, 44, 1, 'B', 0});
       }},
      {"ImportAssets2 kept as bytes",
       [] {
         return std::make_unique<RawTag>(71,
                                         Bytes{'l', '.', 's', 'w', 'f', 0, 1, 0, 2, 0, 7, 0, 'A', 0, 44, 1, 'B', 0});
       }},
      {"PlaceObject2 kept as bytes",
       [] {
         return std::make_unique<RawTag>(26, Bytes{0x02, 1, 0, 44, 1});
       }},
      {"VideoFrame in a sprite",
       [] {
         return ReadSprite(2, {RawBytes(61, {44, 1, 0, 0})});
       }},
  };
  for (const Case& c : cases) {
    SwfTagList tags;
    tags.push_back(Shape(9));
    tags.push_back(c.make());
    int maxId = 0;
    int maxDepth = 0;
    GetMaxCharacterIdAndDepth(tags, maxId, maxDepth);
    EXPECT_LT(maxId, 300) << c.name;
    EXPECT_EQ(GetLargestCharacterIdPresent(tags), 300) << c.name;
    SwfTagRefs refs;
    for (const auto& tag : tags) refs.push_back(tag.get());
    EXPECT_EQ(GetLargestCharacterIdPresent(refs), 300) << c.name;
  }
  EXPECT_EQ(GetLargestCharacterIdPresent(SwfTagList()), 0);
  // A bitmap fill without a bitmap (id 0xFFFF) names nothing.
  SwfTagList unfilled;
  unfilled.push_back(Shape(9, kNoBitmapId));
  EXPECT_EQ(GetLargestCharacterIdPresent(unfilled), 9);
}

// The ids a tag names, those it shows on its own timeline and the depths it uses are told apart:
// a move shows nothing new, a placement kept as bytes and a sprite's children name ids the
// holding timeline does not show, and a sprite's depths are its own.
TEST(SwfTagList, TagReferencesTellNamedPlacedAndDepthsApart) {
  struct Case {
    const char* what;
    std::function<std::unique_ptr<SwfTag>()> make;
    std::vector<uint16_t> ids, placed, depths;
  };
  const std::vector<Case> cases = {
      {"placement", [] { return Place(7, 3); }, {7}, {7}, {3}},
      {"move", [] { return Place(0, 4); }, {}, {}, {4}},
      {"removal",
       [] {
         auto remove = std::make_unique<RemoveObjectTag>();
         remove->characterId = 8;
         remove->depth = 5;
         return std::unique_ptr<SwfTag>(std::move(remove));
       },
       {8},
       {},
       {5}},
      {"sound start",
       [] {
         auto start = std::make_unique<StartSoundTag>();
         start->soundId = 9;
         return std::unique_ptr<SwfTag>(std::move(start));
       },
       {9},
       {9},
       {}},
      {"placement kept as bytes",
       [] {
         return std::unique_ptr<SwfTag>(std::make_unique<RawTag>(kSwfTagPlaceObject2, Bytes{0x02, 2, 0, 12, 0}));
       },
       {12},
       {},
       {}},
      {"sprite",
       [] {
         auto sprite = std::make_unique<DefineSpriteTag>();
         sprite->SetCharacterId(20);
         EXPECT_EQ(sprite->AddTag(Place(12, 1)), nullptr);
         auto start = std::make_unique<StartSoundTag>();
         start->soundId = 9;
         EXPECT_EQ(sprite->AddTag(std::move(start)), nullptr);
         return std::unique_ptr<SwfTag>(std::move(sprite));
       },
       {12, 9},
       {},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SwfTagReferences refs;
    c.make()->CollectReferences(refs);
    EXPECT_EQ(refs.ids, c.ids);
    EXPECT_EQ(refs.placedIds, c.placed);
    EXPECT_EQ(refs.depths, c.depths);
  }
}

TEST(SwfTagList, FindPlaceObject2ByNameIsExactAndSearchesSprites) {
  SwfTagList tags;
  tags.push_back(Place(1, 1, L"Loader"));
  // "Preloader" placed inside a sprite: PlaceObject2 with HasName, depth 2, id 1.
  tags.push_back(ReadSprite(2, {RawBytes(26, {0x22, 2, 0, 1, 0, 'P', 'r', 'e', 'l', 'o', 'a', 'd', 'e', 'r', 0})}));
  tags.push_back(Place(2, 3));
  EXPECT_EQ(FindPlaceObject2ByName(L"Loader", tags), tags[0].get());
  EXPECT_EQ(FindPlaceObject2ByName(L"loader", tags), nullptr);
  PlaceObject2Tag* inner = FindPlaceObject2ByName(L"Preloader", tags);
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->depth, 2);
  EXPECT_EQ(FindPlaceObject2ByName(L"Preload", tags), nullptr);
}

TEST(SwfTagList, FirstPlacementAfterIgnoresEarlierOnesAndMoves) {
  SwfTagList tags;
  tags.push_back(std::make_unique<SetBackgroundColorTag>(1, 2, 3));
  tags.push_back(Place(5, 1));  // before the definition
  tags.push_back(Shape(5));
  tags.push_back(Place(0, 1));  // a move at the same depth
  tags.push_back(Place(6, 2));
  tags.push_back(Place(5, 3));
  EXPECT_EQ(FindFirstPlacementAfter(tags[2].get(), tags), tags[5].get());
  EXPECT_EQ(FindFirstPlacementAfter(tags[0].get(), tags), nullptr);  // defines nothing
  EXPECT_EQ(FindBackgroundColorTag(tags), tags[0].get());
  SwfTagList none;
  EXPECT_EQ(FindBackgroundColorTag(none), nullptr);
}

TEST(SwfTagList, RelocationIsRefusedWhenSomethingCannotMove) {
  struct Case {
    const char* name;
    std::function<std::unique_ptr<SwfTag>()> make;
    int idDelta, depthDelta, frameDelta;
    const char* reason;  // "" when the list can be moved
  } cases[] = {
      {"fits", [] { return Place(65000, 65000); }, 535, 535, 1, ""},
      {"id passes 65535", [] { return Place(65000, 1); }, 536, 0, 0, "PlaceObject2 (tag code 26): a character id"},
      {"depth passes 65535", [] { return Place(1, 65530); }, 0, 10, 0, "PlaceObject2 (tag code 26)"},
      {"removal depth", [] { return std::make_unique<RemoveObject2Tag>(65530); }, 0, 10, 0, "RemoveObject2"},
      {"frame passes 65535",
       [] {
         auto actions = std::make_unique<DoActionTag>();
         actions->AddAction(std::make_unique<ActionGotoFrame>(65530));
         return std::unique_ptr<SwfTag>(std::move(actions));
       },
       0, 0, 10, "DoAction (tag code 12)"},
      {"frame in a button action",
       [] {
         auto button = std::make_unique<DefineButtonTag>();
         auto actions = std::make_unique<DoActionTag>();
         actions->AddAction(std::make_unique<ActionWaitForFrame>(65535));
         button->actions.push_back(std::move(actions));
         return std::unique_ptr<SwfTag>(std::move(button));
       },
       0, 0, 1, "DefineButton (tag code 7)"},
      {"DoInitAction sprite id", [] { return std::make_unique<DoInitActionTag>(65535); }, 1, 0, 0, "DoInitAction"},
      {"id in a sprite child",
       [] {
         return ReadSprite(2, {RawBytes(15, {0xF0, 0xFF, 0})});
       },
       100, 0, 0, "DefineSprite (tag code 39)"},
      {"depths in a sprite stay",
       [] {
         return ReadSprite(2, {RawBytes(28, {0xFF, 0xFF})});
       },
       1, 10, 0, ""},
      {"DefineShape4",
       [] {
         return std::make_unique<RawTag>(83, Bytes{1, 0});
       },
       1, 0, 0, "DefineShape4 (tag code 83) is kept as bytes, and the character ids it names cannot be renumbered"},
      {"DefineShape4 without an id delta",
       [] {
         return std::make_unique<RawTag>(83, Bytes{1, 0});
       },
       0, 5, 5, ""},
      {"PlaceObject3 in a sprite",
       [] {
         return ReadSprite(2, {RawBytes(70, {0x02, 0x00, 1, 0, 1, 0})});
       },
       1, 0, 0, "PlaceObject3 (tag code 70) in sprite 2 is kept as bytes"},
      {"DefineFont3",
       [] {
         return std::make_unique<RawTag>(75, Bytes{1, 0});
       },
       1, 0, 0, "DefineFont3"},
      {"DefineMorphShape2",
       [] {
         return std::make_unique<RawTag>(84, Bytes{1, 0});
       },
       1, 0, 0, "DefineMorphShape2"},
      {"DefineBitsJPEG4",
       [] {
         return std::make_unique<RawTag>(90, Bytes{1, 0});
       },
       1, 0, 0, "DefineBitsJPEG4"},
      {"SymbolClass",
       [] {
         return std::make_unique<RawTag>(76, Bytes{0, 0});
       },
       1, 0, 0, "SymbolClass"},
      {"ImportAssets2",
       [] {
         return std::make_unique<RawTag>(71, Bytes{'l', 0, 1, 0, 1, 0, 7, 0, 'A', 0});
       },
       1, 0, 0, "ImportAssets2 (tag code 71) is kept as bytes, and the character ids it names"},
      {"ImportAssets2 moves ids only",
       [] {
         return std::make_unique<RawTag>(71, Bytes{'l', 0, 1, 0, 1, 0, 7, 0, 'A', 0});
       },
       0, 5, 5, ""},
      {"ImportAssets that could not be read",
       [] {
         return std::make_unique<RawTag>(57, Bytes{'l', 0, 1, 0});
       },
       1, 0, 0, "ImportAssets (tag code 57) could not be read and is kept as bytes, and the character ids it names"},
      {"DoABC", [] { return std::make_unique<RawTag>(82, Bytes{0}); }, 1, 1, 1, "DoABC (tag code 82)"},
      {"SetTabIndex moves with depths only",
       [] {
         return std::make_unique<RawTag>(66, Bytes{1, 0, 1, 0});
       },
       5, 0, 5, ""},
      {"SetTabIndex",
       [] {
         return std::make_unique<RawTag>(66, Bytes{1, 0, 1, 0});
       },
       0, 1, 0, "the depths it names"},
      {"scene data with frames", [] { return std::make_unique<RawTag>(86, Bytes{0}); }, 1, 1, 1,
       "the frame numbers it names"},
      {"a known tag whose body could not be read", [] { return std::make_unique<RawTag>(11, Bytes{1}); }, 1, 0, 0,
       "DefineText (tag code 11) could not be read and is kept as bytes, and the character ids it names"},
      {"an unreadable script moves only frames", [] { return std::make_unique<RawTag>(12, Bytes{0x81}); }, 1, 1, 0, ""},
      {"an unreadable script with frames", [] { return std::make_unique<RawTag>(12, Bytes{0x81}); }, 0, 0, 1,
       "DoAction (tag code 12) could not be read"},
      {"metadata names nothing",
       [] {
         return std::make_unique<RawTag>(77, Bytes{'<', 0});
       },
       1, 1, 1, ""},
      {"an unknown code",
       [] {
         return std::make_unique<RawTag>(200, Bytes{1, 2});
       },
       1, 1, 1, ""},
  };
  for (const Case& c : cases) {
    SwfTagList tags;
    tags.push_back(std::make_unique<ShowFrameTag>());
    tags.push_back(c.make());
    ASSERT_NE(tags.back(), nullptr) << c.name;
    std::string reason = "untouched";
    const bool expected = std::string(c.reason).empty();
    EXPECT_EQ(CanRelocateTagList(tags, c.idDelta, c.depthDelta, c.frameDelta, &reason), expected) << c.name;
    if (expected) {
      EXPECT_EQ(reason, "untouched") << c.name;
    } else {
      EXPECT_NE(reason.find(c.reason), std::string::npos) << c.name << ": " << reason;
    }
    SwfTagRefs refs;
    for (const auto& tag : tags) refs.push_back(tag.get());
    EXPECT_EQ(CanRelocateTagList(refs, c.idDelta, c.depthDelta, c.frameDelta), expected) << c.name;
  }
}

TEST(SwfTagList, RelocateTagListMovesEveryTag) {
  SwfTagList tags;
  tags.push_back(Shape(1, 2));
  tags.push_back(Place(1, 1));
  auto actions = std::make_unique<DoActionTag>();
  actions->AddAction(std::make_unique<ActionGotoFrame>(3));
  tags.push_back(std::move(actions));
  ASSERT_TRUE(CanRelocateTagList(tags, 10, 20, 30));
  RelocateTagList(tags, 10, 20, 30);
  EXPECT_EQ(dynamic_cast<DefineShapeTag&>(*tags[0]).GetCharacterId(), 11);
  EXPECT_EQ(GetShapeBitmapIds(dynamic_cast<DefineShapeTag&>(*tags[0])), std::vector<uint16_t>{12});
  EXPECT_EQ(dynamic_cast<PlaceObject2Tag&>(*tags[1]).characterId, 11);
  EXPECT_EQ(dynamic_cast<PlaceObject2Tag&>(*tags[1]).depth, 21);
  const auto& goTo = dynamic_cast<const ActionGotoFrame&>(*dynamic_cast<DoActionTag&>(*tags[2]).ActionAt(0));
  EXPECT_EQ(goTo.frame, 33);
}

TEST(SwfTagList, CollectBitmapAndFontTagsTakesTheTablesBeforeABitmap) {
  SwfTagList tags;
  tags.push_back(std::make_unique<JpegTablesTag>());
  auto bits = std::make_unique<DefineBitsTag>();
  bits->SetData(4, {0xFF, 0xD8, 0xFF, 0xD9});
  tags.push_back(std::move(bits));
  auto font = std::make_unique<DefineFontTag>();
  font->SetCharacterId(5);
  tags.push_back(std::move(font));
  tags.push_back(Shape(6));
  SwfTagRefs out;
  CollectBitmapAndFontTags(out, {5, 4, 6, 5, 99}, tags);
  EXPECT_EQ(out, (SwfTagRefs{tags[2].get(), tags[0].get(), tags[1].get()}));
}

}  // namespace
