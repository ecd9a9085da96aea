// The display types: the clip scripts of every type action by action (decoded from the
// written bytes, lists that the action checker accepts), and for the types past the bars
// (animation, frame-based, pie, pole and rotate) what their library movies declare and what
// the build makes of their artwork.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "preloader/AnimatedDisplays.h"
#include "preloader/BarDisplays.h"
#include "preloader/DisplayArtwork.h"
#include "preloader/PieDisplay.h"
#include "preloader/PoleAndRotateDisplays.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "swf/ControlTags.h"
#include "swf/DefineShapeTag.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SwfReader.h"
#include "swf/SwfTagList.h"
#include "tests/preloader/DisplayTestSupport.h"
#include "tests/preloader/ProjectTestSupport.h"
#include "tests/preloader/ScriptNotation.h"
#include "tests/support/ActionChecker.h"

namespace {

using displaytest::Fixture;
using displaytest::Shipped;

// The clip scripts of a placement in notation, one entry per record ("events: actions").
std::vector<std::string> ClipScripts(PlaceObject2Tag& place) {
  std::vector<std::string> out;
  for (const auto& record : place.clipActions) {
    const std::vector<uint8_t> bytes = scriptnotation::Bytes(*record->actions, 6);
    const actioncheck::CheckResult check = actioncheck::CheckActionList(bytes);
    EXPECT_TRUE(check.Ok()) << check.Report();
    std::vector<scriptnotation::Action> actions;
    std::string error;
    EXPECT_TRUE(scriptnotation::Decoder(bytes).Run(actions, error)) << error;
    out.push_back(std::to_string(record->eventFlags) + ": " + scriptnotation::Join(actions));
  }
  return out;
}

std::unique_ptr<PreloaderDisplay> Load(const std::string& path) {
  std::string why;
  std::unique_ptr<PreloaderDisplay> display = LoadPreloaderDisplay(Utf8ToWide(path), &why);
  EXPECT_NE(display, nullptr) << path << ": " << why;
  return display;
}

TEST(DisplayTypesTest, ClipScriptsActionByAction) {
  struct Case {
    const char* label;
    std::function<std::unique_ptr<PreloaderDisplay>()> make;
    std::vector<std::string> scripts;
  };
  const Case cases[] = {
      {"hbar 150 x 12",
       [] {
         auto d = std::make_unique<HBarDisplay>();
         d->SetBaseSize(100, 10);
         d->SetWidth(150);
         d->SetHeight(12);
         return d;
       },
       {"1: ConstantPool [\"\", \"maxw\", \"progress\", \"ldrfg\", \"_width\"]; Push [\"\", int 8, int 150]; "
        "SetProperty; Push [\"\", int 9, int 12]; SetProperty; Push [\"maxw\", \"progress\"]; GetVariable; "
        "Push [\"ldrfg\"]; GetMember; Push [\"_width\"]; GetMember; SetVariable; Push [\"progress\"]; GetVariable; "
        "Push [\"ldrfg\"]; GetMember; Push [\"_width\", dbl 0]; SetMember",
        "2: Push [inline \"progress.ldrfg\"]; GetVariable; Push [inline \"_width\", inline \"maxw\"]; GetVariable; "
        "Push [inline \"_parent._parent\"]; GetVariable; Push [inline \"prcnt\"]; GetMember; Multiply; SetMember"}},
      // 200 pixels of 8-pixel segments 10 apart: 20 segments. The loop's offsets are checked
      // against the actions they pass by the action checker.
      {"bar_seg 200 wide, seg_width 8",
       [] { return Load(Shipped("Bars/segment-bar.swf")); },
       {"1: ConstantPool [\"maxw\", \"progress.ldrfg\", \"_width\", \"progress.ldrbg\"]; Push [\"maxw\", int 20]; "
        "SetVariable; Push [\"progress.ldrbg\"]; GetVariable; Push [\"_width\", int 200]; SetMember",
        "2: ConstantPool [\"vis\", \"_parent._parent\", \"prcnt\", \"maxw\", \"i\", \"progress.segs.seg\"]; "
        "Push [\"vis\", \"_parent._parent\"]; GetVariable; Push [\"prcnt\"]; GetMember; Push [int 100]; Multiply; "
        "Push [int 100, \"maxw\"]; GetVariable; Divide; Divide; ToInteger; SetVariable; Push [\"i\", int 1]; "
        "SetVariable; Push [\"maxw\"]; GetVariable; Push [\"i\"]; GetVariable; Less2; Not; Not; If +88; "
        "Push [\"i\"]; GetVariable; Push [\"vis\"]; GetVariable; Push [int 1]; Add2; Less2; Not; If +25; "
        "Push [\"progress.segs.seg\", \"i\"]; GetVariable; Add2; Push [flt 7, bool true]; SetProperty; Jump +20; "
        "Push [\"progress.segs.seg\", \"i\"]; GetVariable; Add2; Push [flt 7, bool false]; SetProperty; "
        "Push [\"i\", \"i\"]; GetVariable; Increment; SetVariable; Jump -108"}},
      {"rotate",
       [] { return std::make_unique<RotateDisplay>(); },
       {"2: ConstantPool [\"progress\", \"ldrfg\", \"_rotation\", \"_parent\", \"prcnt\"]; Push [\"progress\"]; "
        "GetVariable; Push [\"ldrfg\"]; GetMember; Push [\"_rotation\", \"_parent\"]; GetVariable; Push [\"_parent\"]; "
        "GetMember; Push [\"prcnt\"]; GetMember; Push [int 360]; Multiply; ToInteger; SetMember"}},
      {"pole 250 x 30",
       [] {
         auto d = std::make_unique<PoleDisplay>();
         d->SetBaseSize(100, 10);
         d->SetWidth(250);
         d->SetHeight(30);
         return d;
       },
       {"1: ConstantPool [\"progress\", \"ldrbg\", \"_width\", \"\", \"maxw\", \"ldrfg\"]; Push [\"progress\"]; "
        "GetVariable; Push [\"ldrbg\"]; GetMember; Push [\"_width\", int 250]; SetMember; Push [\"\", int 9, int 30]; "
        "SetProperty; Push [\"maxw\", int 250]; SetVariable; Push [\"progress\"]; GetVariable; Push [\"ldrfg\"]; "
        "GetMember; Push [\"_width\", dbl 0]; SetMember",
        "2: Push [inline \"progress.ldrfg\"]; GetVariable; Push [inline \"_width\", inline \"maxw\"]; GetVariable; "
        "Push [inline \"_parent._parent\"]; GetVariable; Push [inline \"prcnt\"]; GetMember; Multiply; SetMember"}},
      {"pie",
       [] { return std::make_unique<PieDisplay>(); },
       {"1: SetTarget \"progress\"; GotoFrame 0; Stop; SetTarget \"\"",
        "2: Push [dbl 100, inline \"_parent._parent\"]; GetVariable; Push [inline \"prcnt\"]; GetMember; Multiply; "
        "Push [int 1]; Add2; ToInteger; Push [int 1, inline \"progress\"]; GetVariable; Push [inline \"gotoAndStop\"]; "
        "CallMethod; Pop"}},
      {"frame_based",
       [] { return std::make_unique<FrameBasedDisplay>(); },
       {"1: Push [dbl 0, inline \"progress\"]; GetVariable; Push [inline \"stop\"]; CallMethod; Pop",
        "2: ConstantPool [\"_parent\", \"prcnt\", \"progress\", \"gotoAndStop\"]; Push [\"_parent\"]; GetVariable; "
        "Push [\"_parent\"]; GetMember; Push [\"prcnt\"]; GetMember; Push [int 100]; Multiply; ToInteger; "
        "Push [int 1, \"progress\"]; GetVariable; Push [\"gotoAndStop\"]; CallMethod; Pop"}},
      // The ring steps "progress.ldrfg" and still stops "progress".
      {"frame_based animate_ldrfg",
       [] { return Load(Shipped("Frames/dot-ring.swf")); },
       {"1: Push [dbl 0, inline \"progress\"]; GetVariable; Push [inline \"stop\"]; CallMethod; Pop",
        "2: ConstantPool [\"_parent\", \"prcnt\", \"progress.ldrfg\", \"gotoAndStop\"]; Push [\"_parent\"]; "
        "GetVariable; Push [\"_parent\"]; GetMember; Push [\"prcnt\"]; GetMember; Push [int 100]; Multiply; "
        "ToInteger; Push [int 1, \"progress.ldrfg\"]; GetVariable; Push [\"gotoAndStop\"]; CallMethod; Pop"}},
      {"animation var_anm 3",
       [] { return Load(Shipped("Animations/orbit.swf")); },
       {"1: Push [inline \"_parent._parent\"]; GetVariable; Push [inline \"anm\", int 3]; SetMember"}},
      // Without var_anm, or with 0, the animation has no script at all.
      {"animation without anm", [] { return std::make_unique<AnimationDisplay>(); }, {}},
  };
  for (const Case& c : cases) {
    std::unique_ptr<PreloaderDisplay> display = c.make();
    ASSERT_NE(display, nullptr) << c.label;
    PlaceObject2Tag place;
    display->AttachScript(place);
    EXPECT_EQ(ClipScripts(place), c.scripts) << c.label;
  }
}

TEST(DisplayTypesTest, DescriptionsOfTheNewTypes) {
  std::unique_ptr<PreloaderDisplay> display = Load(Shipped("Animations/orbit.swf"));
  auto* orbit = dynamic_cast<AnimationDisplay*>(display.get());
  ASSERT_NE(orbit, nullptr);
  EXPECT_EQ(orbit->GetAnmCount(), 3);
  EXPECT_TRUE(orbit->HasAnmVariable());
  EXPECT_TRUE(orbit->IsFgRecolored() && orbit->IsBgRecolored());

  // Both forms of the foreground: the plain value wins and both flags are set; the
  // background only for scripts: its row exists, its instance is not recoloured.
  display = Load(Fixture("valid/frames-without-progress.swf"));
  auto* frames = dynamic_cast<FrameBasedDisplay*>(display.get());
  ASSERT_NE(frames, nullptr);
  EXPECT_TRUE(frames->IsFgScriptColor());
  EXPECT_TRUE(frames->IsFgRecolored());
  EXPECT_EQ(frames->GetFgColor(), 0x0000FFu);
  EXPECT_TRUE(frames->IsBgScriptColor());
  EXPECT_FALSE(frames->IsBgRecolored());
  EXPECT_TRUE(frames->HasBgColor());
  EXPECT_EQ(frames->GetBgColor(), 0x00FF80u);
  EXPECT_FALSE(frames->IsAnimateLdrfg());

  display = Load(Shipped("Frames/dot-ring.swf"));
  frames = dynamic_cast<FrameBasedDisplay*>(display.get());
  ASSERT_NE(frames, nullptr);
  EXPECT_TRUE(frames->IsAnimateLdrfg());
  EXPECT_TRUE(frames->IsFgScriptColor() && frames->IsBgScriptColor());
  EXPECT_FALSE(frames->IsFgRecolored() || frames->IsBgRecolored());

  // A new frame-based display: the default colours and no colour rows.
  FrameBasedDisplay fresh;
  EXPECT_EQ(fresh.GetFgColor(), 0x888888u);
  EXPECT_EQ(fresh.GetBgColor(), 0x555555u);
  EXPECT_FALSE(fresh.HasFgColor() || fresh.HasBgColor());
}

TEST(DisplayTypesTest, PieShapesAndTurns) {
  // The rotation terms truncate toward zero: -90 degrees gives -65535 and 65536.
  const std::unique_ptr<SwfMatrix> back = PieDisplay::RotationMatrix(-1.5707964f);
  EXPECT_EQ(back->rotateSkew0, -65535);
  EXPECT_EQ(back->rotateSkew1, 65536);
  EXPECT_EQ(back->scaleX, 0);
  EXPECT_EQ(back->scaleY, 0);
  const std::unique_ptr<DefineShapeTag> wedge = PieDisplay::MakeWedge();
  EXPECT_EQ(wedge->bounds->xmax, 1697);  // half the diagonal of 2400 x 2400 twips
  EXPECT_EQ(wedge->bounds->ymin, -1697);
  const std::unique_ptr<DefineShapeTag> mask = PieDisplay::MakeMaskRect();
  EXPECT_EQ(mask->bounds->xmin, -1200);
  EXPECT_EQ(mask->bounds->ymax, 1200);
}

// --- built ------------------------------------------------------------------------------------

class DisplayTypesBuildTest : public ::testing::Test {
 protected:
  PreloaderDisplay* Show(const std::string& path) {
    std::string why;
    PreloaderDisplay* display = displaytest::ShowDisplay(project, path, &why);
    EXPECT_NE(display, nullptr) << path << ": " << why;
    return display;
  }
  // Builds the project; the movie's tags, or empty with a test failure.
  SwfTagList Build() {
    const bool ok = builder.Build(dir.Path("out.swf"), project, true);
    EXPECT_TRUE(ok) << builder.GetError();
    if (!ok) return {};
    EXPECT_TRUE(reader.LoadFileWithOptions(dir.Path("out.swf"), true, 0, true));
    return reader.TakeTags();
  }
  static DefineSpriteTag* SpriteOf(const wchar_t* instance, const SwfTagList& tags) {
    PlaceObject2Tag* place = FindPlaceObject2ByName(instance, tags);
    if (place == nullptr) return nullptr;
    return dynamic_cast<DefineSpriteTag*>(FindTagByCharacterId(place->characterId, tags));
  }
  // The placement of the display inside its wrapper in the loader.
  static PlaceObject2Tag* DisplayPlacement(const SwfTagList& tags) {
    DefineSpriteTag* loader = SpriteOf(L"ldr", tags);
    if (loader == nullptr) return nullptr;
    for (const auto& child : loader->Children()) {
      auto* wrapPlace = dynamic_cast<PlaceObject2Tag*>(child.get());
      if (wrapPlace == nullptr) continue;
      auto* wrapper = dynamic_cast<DefineSpriteTag*>(FindTagByCharacterId(wrapPlace->characterId, tags));
      if (wrapper != nullptr) return dynamic_cast<PlaceObject2Tag*>(wrapper->Children().at(0).get());
    }
    return nullptr;
  }
  // The children of each frame of the sprite.
  static std::vector<std::vector<SwfTag*>> Frames(const DefineSpriteTag& sprite) {
    std::vector<std::vector<SwfTag*>> frames(1);
    for (const auto& child : sprite.Children()) {
      if (child->TagCode() == kSwfTagShowFrame) {
        frames.emplace_back();
        continue;
      }
      if (child->TagCode() != 0) frames.back().push_back(child.get());
    }
    frames.pop_back();
    return frames;
  }

  projecttest::ScratchDir dir;
  PreloaderData project;
  PreloaderBuilder builder;
  SwfReader reader;
};

TEST_F(DisplayTypesBuildTest, ScriptColoursReachProgressAsPercentages) {
  auto* ring = dynamic_cast<FrameBasedDisplay*>(Show(Shipped("Frames/dot-ring.swf")));
  ASSERT_NE(ring, nullptr);
  ring->SetFgColor(0x0000FF);  // pure red
  ring->SetBgColor(0x80FF00);  // green 255, blue 128
  const SwfTagList tags = Build();
  DefineSpriteTag* progress = SpriteOf(L"progress", tags);
  ASSERT_NE(progress, nullptr);
  // The two come first, the background's before the foreground's, before the ring's own.
  std::vector<std::string> scripts;
  for (size_t i = 0; i < 3; ++i) {
    auto* actions = dynamic_cast<DoActionTag*>(progress->Children().at(i).get());
    ASSERT_NE(actions, nullptr) << i;
    if (i == 2) break;
    std::vector<scriptnotation::Action> decoded;
    std::string error;
    ASSERT_TRUE(scriptnotation::Decoder(scriptnotation::Bytes(*actions, 6)).Run(decoded, error)) << error;
    scripts.push_back(scriptnotation::Join(decoded));
  }
  EXPECT_EQ(scripts[0],
            "Push [inline \"bgr\", int 0]; SetVariable; Push [inline \"bgg\", int 100]; SetVariable; "
            "Push [inline \"bgb\", int 50]; SetVariable");
  EXPECT_EQ(scripts[1],
            "Push [inline \"fgr\", int 100]; SetVariable; Push [inline \"fgg\", int 0]; SetVariable; "
            "Push [inline \"fgb\", int 0]; SetVariable");
  // Colours for scripts recolour nothing.
  EXPECT_EQ(FindPlaceObject2ByName(L"ldrfg", tags)->colorTransformAlpha, nullptr);

  // A frame-based movie without "progress" gets no colour variables and builds.
  project.GetPreloaderLibrary().Clear();
  ASSERT_NE(Show(Fixture("valid/frames-without-progress.swf")), nullptr);
  const SwfTagList plain = Build();
  ASSERT_FALSE(plain.empty());
  for (const auto& tag : plain) {
    auto* sprite = dynamic_cast<DefineSpriteTag*>(tag.get());
    if (sprite == nullptr) continue;
    for (const auto& child : sprite->Children()) {
      if (auto* actions = dynamic_cast<DoActionTag*>(child.get())) {
        const std::vector<uint8_t> bytes = scriptnotation::Bytes(*actions, 6);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()).find("fgr"), std::string::npos);
      }
    }
  }
}

TEST_F(DisplayTypesBuildTest, PieFramesCloseTheDisc) {
  auto* pie = dynamic_cast<PieDisplay*>(Show(Shipped("Pies/pie.swf")));
  ASSERT_NE(pie, nullptr);
  ASSERT_TRUE(pie->IsFgRecolored());
  const SwfTagList tags = Build();
  DefineSpriteTag* progress = SpriteOf(L"progress", tags);
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(FindPlaceObject2ByName(L"ldrfg", tags), nullptr);  // the disc instance is gone
  const std::vector<std::vector<SwfTag*>> frames = Frames(*progress);
  ASSERT_EQ(frames.size(), static_cast<size_t>(PieDisplay::kFrameCount));
  EXPECT_EQ(progress->GetFrameCount(), PieDisplay::kFrameCount);

  // Frame 0: three masked copies of the disc, recoloured, under the two shapes that follow
  // the artwork's ids, the mask rectangle first.
  std::map<uint16_t, PlaceObject2Tag*> first;
  for (SwfTag* tag : frames[0]) {
    if (auto* p = dynamic_cast<PlaceObject2Tag*>(tag)) first[p->depth] = p;
  }
  ASSERT_EQ(first.size(), 7u);
  const uint16_t mask = first[101]->characterId, wedge = first[106]->characterId;
  EXPECT_EQ(wedge, mask + 1);
  EXPECT_EQ(first[103]->characterId, mask);
  EXPECT_EQ(first[105]->characterId, mask);
  // The library movie's last definition is its "Preloader" sprite, the display's sprite.
  EXPECT_EQ(mask, DisplayPlacement(tags)->characterId + 1);
  for (const auto& tag : tags) {
    uint16_t id = 0;
    if (GetDefinedCharacterId(*tag, id) && (id == mask || id == wedge)) {
      EXPECT_EQ(tag->TagCode(), 2) << id;
    }
  }
  for (uint16_t depth : {102, 104, 107}) {
    ASSERT_NE(first[depth]->colorTransformAlpha, nullptr) << depth;
    EXPECT_EQ(first[depth]->characterId, first[102]->characterId);
  }
  EXPECT_EQ(first[101]->clipDepth, 102);
  EXPECT_EQ(first[106]->clipDepth, 107);
  EXPECT_EQ(first[106]->matrix->rotateSkew0, -65535);

  // Each later frame turns the wedge; the quarter masks move in the frames the wedge reaches
  // them (25, 50, 75), and the last frame stops.
  std::map<int, std::vector<uint16_t>> moves;
  for (int f = 1; f < PieDisplay::kFrameCount; ++f) {
    for (SwfTag* tag : frames[f]) {
      if (auto* p = dynamic_cast<PlaceObject2Tag*>(tag)) {
        EXPECT_TRUE(p->move && !p->hasCharacter);
        if (p->depth != 106) moves[f].push_back(p->depth);
      }
    }
    ASSERT_FALSE(frames[f].empty());
    auto* turn = dynamic_cast<PlaceObject2Tag*>(frames[f][0]);
    ASSERT_NE(turn, nullptr);
    EXPECT_EQ(turn->depth, 106) << f;
    const double t = (-90.0 + 3.6 * f) * M_PI / 180;
    EXPECT_NEAR(turn->matrix->scaleX / 65536.0, std::cos(t), 1e-4) << f;
    EXPECT_NEAR(turn->matrix->rotateSkew0 / 65536.0, std::sin(t), 1e-4) << f;
  }
  EXPECT_EQ(moves, (std::map<int, std::vector<uint16_t>>{{25, {101}}, {50, {101, 105}}, {75, {103}}}));
  EXPECT_NE(dynamic_cast<DoActionTag*>(frames[100].back()), nullptr);

  // Without a disc named "ldrfg" in "progress" nothing is cut; the build still succeeds.
  project.GetPreloaderLibrary().Clear();
  ASSERT_NE(Show(Fixture("valid/pie-without-disc.swf")), nullptr);
  const SwfTagList plain = Build();
  DefineSpriteTag* untouched = SpriteOf(L"progress", plain);
  ASSERT_NE(untouched, nullptr);
  EXPECT_EQ(untouched->GetFrameCount(), 1);
  EXPECT_NE(FindPlaceObject2ByName(L"disc", plain), nullptr);
}

TEST_F(DisplayTypesBuildTest, PoleTilesCoverTheWidth) {
  PreloaderDisplay* display = Show(Shipped("Poles/barber-pole.swf"));
  auto* pole = dynamic_cast<PoleDisplay*>(display);
  ASSERT_NE(pole, nullptr);
  struct Case {
    int width;
    std::vector<int32_t> copies;  // TranslateX of each copy, in depth order
  };
  // The artwork is 200 pixels wide.
  for (const Case& c : {Case{450, {4000, 8000}}, Case{400, {4000}}, Case{201, {4000}}, Case{200, {}}, Case{90, {}}}) {
    ASSERT_TRUE(display->SetWidth(c.width));
    const SwfTagList tags = Build();
    DefineSpriteTag* barAnim = SpriteOf(L"BarAnim", tags);
    ASSERT_NE(barAnim, nullptr);
    std::map<uint16_t, PlaceObject2Tag*> tiles;
    for (const auto& child : barAnim->Children()) {
      if (auto* p = dynamic_cast<PlaceObject2Tag*>(child.get())) tiles[p->depth] = p;
    }
    ASSERT_EQ(tiles.size(), c.copies.size() + 1) << c.width;
    const PlaceObject2Tag* tile = tiles.begin()->second;
    for (size_t i = 0; i < c.copies.size(); ++i) {
      const PlaceObject2Tag* copy = tiles.at(static_cast<uint16_t>(tile->depth + i + 1));
      EXPECT_EQ(copy->characterId, tile->characterId);
      EXPECT_EQ(copy->matrix->translateX, c.copies[i]) << c.width;
    }
    // The placement of the display is not scaled: the script sizes it.
    PlaceObject2Tag* ldr = FindPlaceObject2ByName(L"ldr", tags);
    auto* loader = dynamic_cast<DefineSpriteTag*>(FindTagByCharacterId(ldr->characterId, tags));
    for (const auto& child : loader->Children()) {
      if (auto* p = dynamic_cast<PlaceObject2Tag*>(child.get())) {
        EXPECT_FALSE(p->matrix->hasScale && (p->matrix->scaleX != 65536 || p->matrix->scaleY != 65536)) << c.width;
      }
    }
    // The filling had no scale: it gets a unit one, and the colour.
    PlaceObject2Tag* fill = FindPlaceObject2ByName(L"ldrfg", tags);
    EXPECT_TRUE(fill->matrix->hasScale);
    EXPECT_EQ(fill->matrix->scaleX, 65536);
    EXPECT_NE(fill->colorTransformAlpha, nullptr);
    EXPECT_NE(FindPlaceObject2ByName(L"BarAnim", tags)->colorTransformAlpha, nullptr);
  }
}

// A clip "BarAnim" whose depths after its tile are taken refuses a build that needs copies,
// with the depth named; one that needs none builds, its filling keeping its own scale.
TEST_F(DisplayTypesBuildTest, PoleTilesNeedFreeDepths) {
  PreloaderDisplay* display = Show(Fixture("unbuildable/pole-tiles-crowded.swf"));
  ASSERT_NE(display, nullptr);
  ASSERT_TRUE(display->SetWidth(150));
  EXPECT_FALSE(builder.Build(dir.Path("out.swf"), project, true));
  EXPECT_NE(builder.GetError().find("uses depth 2, which a copy of its tile needs"), std::string::npos)
      << builder.GetError();
  ASSERT_TRUE(display->SetWidth(100));
  EXPECT_TRUE(builder.Build(dir.Path("out.swf"), project, true)) << builder.GetError();
  ASSERT_TRUE(reader.LoadFileWithOptions(dir.Path("out.swf"), true, 0, true));
  PlaceObject2Tag* fill = FindPlaceObject2ByName(L"ldrfg", reader.GetTags());
  ASSERT_NE(fill, nullptr);
  EXPECT_EQ(fill->matrix->scaleX, 32768);
  EXPECT_EQ(fill->matrix->scaleY, 65536);
}

// An animation whose artwork never lowers anm would hold the loader forever: the build says
// so and does not raise anm. The shipped animation, which lowers it, builds without a word.
TEST_F(DisplayTypesBuildTest, AnAnimationThatNeverLowersAnmIsBuiltWithoutTheWait) {
  ASSERT_NE(Show(Fixture("valid/anm-never-lowered.swf")), nullptr);
  SwfTagList tags = Build();
  ASSERT_EQ(builder.GetWarnings().size(), 1u);
  EXPECT_NE(builder.GetWarnings()[0].find("\"Anm Never Lowered\" declares var_anm, but no script of its artwork lowers "
                                          "anm"),
            std::string::npos)
      << builder.GetWarnings()[0];
  ASSERT_NE(DisplayPlacement(tags), nullptr);
  EXPECT_TRUE(DisplayPlacement(tags)->clipActions.empty());

  project.GetPreloaderLibrary().Clear();
  ASSERT_NE(Show(Shipped("Animations/orbit.swf")), nullptr);
  tags = Build();
  EXPECT_TRUE(builder.GetWarnings().empty());
  ASSERT_NE(DisplayPlacement(tags), nullptr);
  EXPECT_EQ(DisplayPlacement(tags)->clipActions.size(), 1u);
}

}  // namespace
