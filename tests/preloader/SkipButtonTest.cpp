// The skip button in the built movie: its definitions come from the skip-button movie with ids
// of the output's own, its button's release ends the loader as a completed load does, and it is
// placed in the loader's frame 3 only when its definitions were written. Clicked in the player:
// EffectsPlayerTest.cpp.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "preloader/SkipButton.h"
#include "swf/ButtonTags.h"
#include "swf/DefineSpriteTag.h"
#include "swf/OperandActions.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SwfFileWriter.h"
#include "swf/SwfReader.h"
#include "swf/SwfTagList.h"
#include "tests/preloader/DisplayTestSupport.h"
#include "tests/preloader/MovieInspector.h"
#include "tests/preloader/ProjectTestSupport.h"

namespace {

class SkipButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    project.SetTargetUrl(dir.Path("target.swf"));
    project.SetTargetType(kTargetExternal);
  }
  // Chooses a skip button of the fixture movie and switches it on.
  void Choose(const std::string& fixture) {
    project.GetSkipButtonList().Add(std::make_unique<SkipButton>(Utf8ToWide(displaytest::Fixture(fixture))));
    project.SetSkipButton(project.GetSkipButtonList().Get(project.GetSkipButtonList().GetCount() - 1));
    project.SetSkipButtonEnabled(true);
  }
  // The placements of the loader sprite's frame 3.
  std::vector<movieinspect::Placement> LoaderFrame3(const movieinspect::Movie& movie) {
    std::vector<movieinspect::Placement> out;
    for (const auto& tag : movie.tags) {
      if (tag.code != 39 || movieinspect::U16(tag.body, 0) != builder.GetLoaderSpriteId()) continue;
      int frame = 1;
      for (const auto& child : tag.children) {
        if (child.code == 1) ++frame;
        if (child.code == 26 && frame == 3) out.push_back(movieinspect::ReadPlacement(child));
      }
    }
    return out;
  }
  projecttest::ScratchDir dir;
  PreloaderData project;
  PreloaderBuilder builder;
};

TEST_F(SkipButtonTest, TheButtonIsPlacedInTheLoaderAndItsReleaseEndsTheLoader) {
  struct Case {
    const char* fixture;
    bool hasButton;
    const wchar_t* loader;  // the target path from the button's timeline to the loader
  } cases[] = {{"skip/button.swf", true, L""},
               {"skip/button-in-sprite.swf", true, L".."},
               {"skip/clip-without-button.swf", false, L""}};
  for (const Case& c : cases) {
    project.GetSkipButtonList() = SkipButtonList();
    Choose(c.fixture);
    ASSERT_TRUE(builder.Build(dir.Path("out.swf"), project, true)) << builder.GetError();
    EXPECT_TRUE(builder.GetWarnings().empty()) << c.fixture;
    const uint16_t id = builder.GetSkipButtonId();
    ASSERT_NE(id, 0) << c.fixture;
    EXPECT_LT(id, builder.GetLoaderSpriteId()) << c.fixture;

    // Placed once, in frame 3 of the loader, without name or matrix.
    const movieinspect::Movie movie = movieinspect::ReadFile(dir.Native("out.swf"));
    ASSERT_EQ(movie.error, "");
    const auto placed = LoaderFrame3(movie);
    ASSERT_EQ(placed.size(), 1u) << c.fixture;
    EXPECT_EQ(placed[0].id, id) << c.fixture;
    EXPECT_EQ(placed[0].name, "") << c.fixture;
    EXPECT_FALSE(placed[0].hasMatrix) << c.fixture;

    // Every definition before the loader, each id once.
    SwfReader reader;
    ASSERT_TRUE(reader.LoadFileWithOptions(dir.Path("out.swf"), true, 0, true));
    std::set<uint16_t> ids;
    bool idDefined = false;
    int buttons = 0;
    for (const auto& tag : reader.GetTags()) {
      uint16_t defined = 0;
      if (!GetDefinedCharacterId(*tag, defined)) continue;
      EXPECT_TRUE(ids.insert(defined).second) << c.fixture << " id " << defined;
      idDefined |= defined == id;
      if (tag->TagCode() != kSwfTagDefineButton2) continue;
      ++buttons;
      // Its own action is gone: one list, on release, sends the loader to its last frame.
      const auto& button = static_cast<const DefineButton2Tag&>(*tag);
      ASSERT_EQ(button.conditionCodes, std::vector<uint16_t>{DefineButton2Tag::kOverDownToOverUp}) << c.fixture;
      const DoActionTag& list = *button.actions[0];
      const bool nested = std::wstring(c.loader) != L"";
      ASSERT_EQ(list.ActionCount(), nested ? 4u : 2u) << c.fixture;
      const size_t at = nested ? 1 : 0;
      if (nested) {
        ASSERT_EQ(list.ActionAt(0)->ActionCode(), 0x8B) << c.fixture;
        EXPECT_EQ(static_cast<ActionSetTarget*>(list.ActionAt(0))->target, WideString(c.loader)) << c.fixture;
        ASSERT_EQ(list.ActionAt(3)->ActionCode(), 0x8B) << c.fixture;
        EXPECT_EQ(static_cast<ActionSetTarget*>(list.ActionAt(3))->target, WideString()) << c.fixture;
      }
      ASSERT_EQ(list.ActionAt(at)->ActionCode(), 0x81) << c.fixture;
      EXPECT_EQ(static_cast<ActionGotoFrame*>(list.ActionAt(at))->frame, 4) << c.fixture;
      EXPECT_EQ(list.ActionAt(at + 1)->ActionCode(), 0x06) << c.fixture;
    }
    EXPECT_TRUE(idDefined) << c.fixture;
    EXPECT_EQ(buttons, c.hasButton ? 1 : 0) << c.fixture;
  }
}

TEST_F(SkipButtonTest, NothingIsPlacedWithoutDefinitions) {
  struct Case {
    const char* name;
    const char* fixture;  // null: no button chosen
    bool enabled;
    bool warned;
  } cases[] = {{"switched on, none chosen", nullptr, true, false},
               {"chosen, switched off", "skip/button.swf", false, false},
               {"no skip_btn", "skip/no-instance.swf", true, true},
               {"not a movie", "malformed/not-a-movie.swf", true, true},
               {"missing file", "skip/none-such.swf", true, true}};
  for (const Case& c : cases) {
    project.GetSkipButtonList() = SkipButtonList();
    project.SetSkipButton(nullptr);
    if (c.fixture != nullptr) Choose(c.fixture);
    project.SetSkipButtonEnabled(c.enabled);
    ASSERT_TRUE(builder.Build(dir.Path("out.swf"), project, true)) << c.name << ": " << builder.GetError();
    EXPECT_EQ(builder.GetSkipButtonId(), 0) << c.name;
    EXPECT_EQ(builder.GetWarnings().size(), c.warned ? 1u : 0u) << c.name;
    const movieinspect::Movie movie = movieinspect::ReadFile(dir.Native("out.swf"));
    ASSERT_EQ(movie.error, "");
    EXPECT_TRUE(LoaderFrame3(movie).empty()) << c.name;
    // The loader sprite is the first definition: nothing of a skip button came before it.
    EXPECT_EQ(builder.GetLoaderSpriteId(), 1) << c.name;
  }
}

}  // namespace
