// The motion tween and the removal effects: the placements a tween writes at its frame
// numbers for each easing, the exit frames of every effect read back from the movie file, and
// the effect's frames between the loader's first frame and "loaderdone" in a built movie.
// Played in the player: EffectsPlayerTest.cpp.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "preloader/MotionTween.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "preloader/RemovalEffect.h"
#include "swf/ControlTags.h"
#include "swf/DefineSpriteTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SwfBasicRecords.h"
#include "swf/SwfFileWriter.h"
#include "tests/preloader/MovieInspector.h"
#include "tests/preloader/ProjectTestSupport.h"

namespace {

// The placements of a sprite, frame by frame (one per frame).
std::vector<const PlaceObject2Tag*> Placements(const DefineSpriteTag& sprite) {
  std::vector<const PlaceObject2Tag*> out;
  for (const auto& child : sprite.Children())
    if (child->TagCode() == 26) out.push_back(static_cast<const PlaceObject2Tag*>(child.get()));
  return out;
}

int32_t AlphaTerm(double factor) { return static_cast<int32_t>(factor * 256 + 0.5); }

TEST(MotionTween, PlacementsAtTheirFrameNumbersForEachEasing) {
  struct Case {
    const char* name;
    int easing;
    int32_t endY;
    double endAlpha;
    int steps;
    std::vector<int32_t> y;     // translate y of each frame
    std::vector<double> alpha;  // alpha multiplier of each frame
  } cases[] = {
      // (i/4)^2 x 100: 6.25, 25, 56.25, 100, truncated.
      {"ease-in", -80, 100, 0.0, 4, {6, 25, 56, 100}, {0.9375, 0.75, 0.4375, 0}},
      // Only the sign of the easing counts.
      {"ease-in, -1", -1, 100, 0.0, 4, {6, 25, 56, 100}, {0.9375, 0.75, 0.4375, 0}},
      // -100 (i/4)(i/4 - 2): 43.75, 75, 93.75, 100.
      {"ease-out", 5, 100, 0.0, 4, {43, 75, 93, 100}, {0.5625, 0.25, 0.0625, 0}},
      // The accumulator: 33.33, 66.67, 100.
      {"linear", 0, 100, 1.0, 3, {33, 66, 100}, {1, 1, 1}},
      // Negative positions are truncated toward zero: -187.5, -750, -1687.5, -3000.
      {"ease-in upward", -80, -3000, 0.5, 4, {-187, -750, -1687, -3000}, {0.96875, 0.875, 0.71875, 0.5}},
      {"one step lands on the end", -80, 100, 0.0, 1, {100}, {0}},
  };
  for (const Case& c : cases) {
    TweenState state;
    state.flags = TweenState::kMove | TweenState::kColorTransform;
    state.startX = 40;
    state.endX = 40;
    state.endY = c.endY;
    state.endColorMultiply[3] = c.endAlpha;
    DefineSpriteTag sprite(1, 0);
    int frame = 2;
    TweenPlacements(sprite, state, 7, frame, c.steps, c.easing);
    EXPECT_EQ(frame, 2 + c.steps) << c.name;
    EXPECT_EQ(sprite.GetFrameCount(), 2 + c.steps) << c.name;
    const auto places = Placements(sprite);
    ASSERT_EQ(places.size(), c.y.size()) << c.name;
    for (size_t i = 0; i < places.size(); ++i) {
      const PlaceObject2Tag& p = *places[i];
      EXPECT_TRUE(p.move) << c.name;
      EXPECT_FALSE(p.hasCharacter) << c.name;
      EXPECT_EQ(p.depth, 7) << c.name;
      ASSERT_TRUE(p.matrix) << c.name;
      EXPECT_FALSE(p.matrix->hasScale) << c.name;
      EXPECT_FALSE(p.matrix->hasRotate) << c.name;
      EXPECT_EQ(p.matrix->translateX, 40) << c.name;
      EXPECT_EQ(p.matrix->translateY, c.y[i]) << c.name << " frame " << i;
      ASSERT_TRUE(p.colorTransformAlpha) << c.name;
      EXPECT_EQ(p.colorTransformAlpha->alphaMult, AlphaTerm(c.alpha[i])) << c.name << " frame " << i;
    }
    // Each placement stands in a frame of its own, from the frame index on.
    const auto& children = sprite.Children();
    int shown = 0;
    size_t placed = 0;
    for (const auto& child : children) {
      if (child->TagCode() == 1) ++shown;
      if (child->TagCode() == 26) {
        EXPECT_EQ(shown, 2 + static_cast<int>(placed++)) << c.name;
      }
    }
  }
}

TEST(MotionTween, ScaleAndRotationTermsAndWhenAMatrixIsAttached) {
  // Scale 1 -> 2 in two linear steps: 1.5 and 2 in 16.16.
  TweenState scale;
  scale.flags = TweenState::kScale;
  scale.startX = 100;
  scale.endX = 900;  // not moved: the start position stays
  scale.endScaleX = 2.0;
  scale.endScaleY = 0.5;
  DefineSpriteTag sprite(1, 0);
  int frame = 0;
  TweenPlacements(sprite, scale, 1, frame, 2, 0);
  auto places = Placements(sprite);
  ASSERT_EQ(places.size(), 2u);
  ASSERT_TRUE(places[0]->matrix);
  EXPECT_TRUE(places[0]->matrix->hasScale);
  EXPECT_EQ(places[0]->matrix->scaleX, 98304);
  EXPECT_EQ(places[0]->matrix->scaleY, 49152);
  EXPECT_EQ(places[1]->matrix->scaleX, 131072);
  EXPECT_EQ(places[1]->matrix->scaleY, 32768);
  EXPECT_EQ(places[1]->matrix->translateX, 100);
  EXPECT_FALSE(places[1]->colorTransformAlpha);

  // A quarter turn in one step with scale: sin 90 = 1 gives 65536; the y term -1 is stored as
  // (int)(-65536 + 0.5), truncated toward zero; cos 90 in single precision is a hair below
  // zero, which rounds to 0.
  TweenState turn;
  turn.flags = TweenState::kRotate | TweenState::kScale | TweenState::kMove;
  turn.endRotationX = 90;
  turn.endRotationY = 90;
  DefineSpriteTag turned(2, 0);
  frame = 0;
  TweenPlacements(turned, turn, 1, frame, 1, -1);
  places = Placements(turned);
  ASSERT_EQ(places.size(), 1u);
  ASSERT_TRUE(places[0]->matrix);
  EXPECT_TRUE(places[0]->matrix->hasRotate);
  EXPECT_EQ(places[0]->matrix->rotateSkew0, 65536);
  EXPECT_EQ(places[0]->matrix->rotateSkew1, -65535);
  EXPECT_EQ(places[0]->matrix->scaleX, 0);
  EXPECT_EQ(places[0]->matrix->scaleY, 0);

  // Rotation alone (no move, no scale): the placements carry no matrix and no colour.
  TweenState rotateOnly;
  rotateOnly.flags = TweenState::kRotate;
  rotateOnly.endRotationX = 45;
  DefineSpriteTag bare(3, 0);
  frame = 0;
  TweenPlacements(bare, rotateOnly, 1, frame, 3, 1);
  places = Placements(bare);
  ASSERT_EQ(places.size(), 3u);
  for (const PlaceObject2Tag* p : places) {
    EXPECT_FALSE(p->matrix);
    EXPECT_FALSE(p->colorTransformAlpha);
  }
}

TEST(MotionTween, NoStepsWriteNothingAndChainedStatesStartWhereTheLastEnded) {
  projecttest::ScratchDir dir;
  SwfFileWriter writer;
  writer.SetMovieParameters(6000, 4000, 12.0f, 6);
  ASSERT_TRUE(writer.Open(dir.Path("none.swf"), true));
  TweenState state;
  state.flags = 9;
  state.endY = 100;
  int counter = 5;
  EXPECT_EQ(TweenSpriteFrames(writer, state, 1, counter, 0, -80), 0);
  EXPECT_EQ(TweenSpriteFrames(writer, state, 1, counter, -3, -80), 0);
  EXPECT_EQ(counter, 5);
  EXPECT_EQ(writer.GetFrameCount(), 0);
  EXPECT_EQ(TweenSpriteFrames(writer, state, 1, counter, 2, -80), 2);
  EXPECT_EQ(counter, 7);
  EXPECT_EQ(writer.GetFrameCount(), 2);

  TweenState first;
  first.flags = 15;
  first.endX = 11;
  first.endY = 12;
  first.endScaleX = 2;
  first.endScaleY = 3;
  first.endRotationX = 4;
  first.endRotationY = 5;
  for (int i = 0; i < 4; ++i) {
    first.endColorAdd[i] = 10 + i;
    first.endColorMultiply[i] = 0.25 * i;
  }
  TweenState second;
  second.flags = 8;
  second.endX = 99;
  second.StartFromEndOf(first);
  EXPECT_EQ(second.flags, 8);
  EXPECT_EQ(second.endX, 99);
  EXPECT_EQ(second.startX, 11);
  EXPECT_EQ(second.startY, 12);
  EXPECT_EQ(second.startScaleX, 2);
  EXPECT_EQ(second.startScaleY, 3);
  EXPECT_EQ(second.startRotationX, 4);
  EXPECT_EQ(second.startRotationY, 5);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(second.startColorAdd[i], 10 + i);
    EXPECT_EQ(second.startColorMultiply[i], 0.25 * i);
  }
}

// The exit frames of an effect on a 300 x 200 stage at 12 frames per second, read back from the
// movie file: one placement per frame.
std::vector<movieinspect::Placement> ExitFrames(const projecttest::ScratchDir& dir, RemovalEffect& effect,
                                                int32_t x = 0, int32_t y = 0) {
  SwfFileWriter writer;
  writer.SetMovieParameters(6000, 4000, 12.0f, 6);
  EXPECT_TRUE(writer.Open(dir.Path("exit.swf"), true));
  effect.AddExitFrames(writer, 3, x, y);
  writer.AddTag(std::make_unique<EndTag>());
  EXPECT_NE(writer.Close(), 0u);
  const movieinspect::Movie movie = movieinspect::ReadFile(dir.Native("exit.swf"));
  EXPECT_EQ(movie.error, "");
  std::vector<movieinspect::Placement> out;
  int frames = 0;
  for (const auto& tag : movie.tags) {
    if (tag.code == 26) {
      EXPECT_EQ(static_cast<int>(out.size()), frames) << "one placement per frame";
      out.push_back(movieinspect::ReadPlacement(tag));
    }
    if (tag.code == 1) ++frames;
  }
  EXPECT_EQ(frames, static_cast<int>(out.size()));
  EXPECT_EQ(movie.frameCount, frames);
  return out;
}

TEST(RemovalEffects, ExitFramesOfEveryEffect) {
  projecttest::ScratchDir dir;
  RemovalEffectLibrary library;
  library.Fill();
  struct Case {
    const wchar_t* name;
    int32_t endX, endY;  // twips, on 6000 x 4000
  } cases[] = {{L"Exit Bottom", 0, 2000}, {L"Exit Left", -3000, 0}, {L"Exit Right", 3000, 0}, {L"Exit Top", 0, -2000}};
  for (const Case& c : cases) {
    RemovalEffect* effect = library.FindByName(c.name);
    ASSERT_NE(effect, nullptr);
    const std::string name = WideToUtf8(c.name);
    EXPECT_EQ(effect->GetDuration(), 1000) << name;
    const auto frames = ExitFrames(dir, *effect);
    ASSERT_EQ(frames.size(), 12u) << name;
    for (size_t i = 0; i < frames.size(); ++i) {
      const auto& p = frames[i];
      const double t = (i + 1) / 12.0;
      EXPECT_TRUE(p.move) << name;
      EXPECT_EQ(p.id, -1) << name;
      EXPECT_EQ(p.depth, 3) << name;
      ASSERT_TRUE(p.hasMatrix) << name;
      EXPECT_EQ(p.translateX, static_cast<int32_t>(c.endX * t * t)) << name << " frame " << i;
      EXPECT_EQ(p.translateY, static_cast<int32_t>(c.endY * t * t)) << name << " frame " << i;
      ASSERT_TRUE(p.hasColorTransform) << name;
      EXPECT_EQ(p.alphaMult, AlphaTerm(1 - t * t)) << name << " frame " << i;
    }
    EXPECT_EQ(frames.back().alphaMult, 0) << name;

    // A loader placed away from the stage origin leaves from where it stands.
    const auto moved = ExitFrames(dir, *effect, 200, -400);
    ASSERT_EQ(moved.size(), 12u) << name;
    EXPECT_EQ(moved.back().translateX, 200 + c.endX) << name;
    EXPECT_EQ(moved.back().translateY, -400 + c.endY) << name;
  }

  // Fade Out in three frames (250 ms): 2/3, 1/3, 0, never moving.
  RemovalEffect* fade = library.FindByName(L"Fade Out");
  fade->SetDuration(250);
  const auto frames = ExitFrames(dir, *fade);
  ASSERT_EQ(frames.size(), 3u);
  const int32_t expected[] = {171, 85, 0};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(frames[i].move);
    EXPECT_FALSE(frames[i].hasMatrix);
    EXPECT_EQ(frames[i].alphaMult, expected[i]) << i;
  }
  // "Remove" writes nothing whatever its duration.
  RemovalEffect* remove = library.FindByName(L"Remove");
  remove->SetDuration(5000);
  EXPECT_TRUE(ExitFrames(dir, *remove).empty());
}

TEST(RemovalEffects, DurationsAsFrameCounts) {
  projecttest::ScratchDir dir;
  RemovalEffectLibrary library;
  library.Fill();
  struct Case {
    int32_t ms;
    size_t frames;
  } cases[] = {{1000, 12}, {999, 11}, {0, 0}, {83, 0}, {84, 1}, {-1000, 0}};
  for (int i = 1; i < library.GetCount(); ++i) {
    RemovalEffect* effect = library.Get(i);
    for (const Case& c : cases) {
      effect->SetDuration(c.ms);
      EXPECT_EQ(ExitFrames(dir, *effect).size(), c.frames) << WideToUtf8(effect->GetName()) << " " << c.ms;
    }
    effect->Reset();
    EXPECT_EQ(effect->GetDuration(), 1000);
  }
}

class RemovalEffectBuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    project.SetTargetUrl(dir.Path("target.swf"));
    project.SetTargetType(kTargetExternal);
  }
  projecttest::ScratchDir dir;
  PreloaderData project;
  PreloaderBuilder builder;
};

// The exit frames stand between frame 1 and "loaderdone" and move the loader's depth; the
// frame after them removes the loader.
TEST_F(RemovalEffectBuildTest, ExitFramesStandBetweenTheLoaderAndLoaderdone) {
  project.SetRemovalEffect(project.GetRemovalEffectLibrary().FindByName(L"Exit Top"));
  ASSERT_TRUE(builder.Build(dir.Path("out.swf"), project, true)) << builder.GetError();
  EXPECT_TRUE(builder.GetWarnings().empty());
  const movieinspect::Movie movie = movieinspect::ReadFile(dir.Native("out.swf"));
  ASSERT_EQ(movie.error, "");
  int frame = 1;
  uint16_t loaderDepth = 0;
  int moves = 0;
  int labelFrame = 0;
  for (const auto& tag : movie.tags) {
    if (tag.code == 1) ++frame;
    if (tag.code == 26) {
      const auto p = movieinspect::ReadPlacement(tag);
      if (p.name == "ldr") loaderDepth = p.depth;
      if (p.move) {
        EXPECT_EQ(p.depth, loaderDepth);
        EXPECT_EQ(frame, 2 + moves);
        ++moves;
      }
    }
    if (tag.code == 43 && movieinspect::Text(tag) == "loaderdone") labelFrame = frame;
  }
  EXPECT_EQ(moves, 12);
  EXPECT_EQ(labelFrame, 14);
  EXPECT_EQ(movie.frameCount, 15);
}

// A duration whose frames would not fit the movie's 16-bit frame count is refused with a
// reason, never wrapped; the largest that fits is built.
TEST_F(RemovalEffectBuildTest, ADurationPastTheFrameCountIsRefused) {
  project.SetTargetFps(1.0f);
  RemovalEffect* fade = project.GetRemovalEffectLibrary().FindByName(L"Fade Out");
  project.SetRemovalEffect(fade);
  // 1 loader frame, the exit frames, "loaderdone" and the last frame of an external target.
  fade->SetDuration(65533 * 1000);
  EXPECT_FALSE(builder.Build(dir.Path("long.swf"), project, true));
  EXPECT_NE(builder.GetError().find("65533 frames"), std::string::npos) << builder.GetError();
  EXPECT_FALSE(std::filesystem::exists(dir.Native("long.swf")));
  fade->SetDuration(2147483647);
  EXPECT_FALSE(builder.Build(dir.Path("long.swf"), project, true));
  EXPECT_FALSE(std::filesystem::exists(dir.Native("long.swf")));

  fade->SetDuration(65532 * 1000);
  ASSERT_TRUE(builder.Build(dir.Path("long.swf"), project, true)) << builder.GetError();
  EXPECT_EQ(movieinspect::ReadFile(dir.Native("long.swf")).frameCount, 65535);
}

}  // namespace
