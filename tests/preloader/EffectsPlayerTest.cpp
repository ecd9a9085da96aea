// Removal effects and the skip button in a real player (Ruffle in Chromium): a probe clip
// traces the main timeline's frame and the loader's position and alpha every frame, so each
// exit frame is checked against the tween at its frame number; the skip button, clicked where
// it stands, ends the loader at once.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "swf/ActionPush.h"
#include "swf/ControlTags.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SimpleActions.h"
#include "swf/SwfFileWriter.h"
#include "tests/preloader/DisplayTestSupport.h"
#include "tests/preloader/PlayerProbe.h"
#include "tests/preloader/ProjectTestSupport.h"
#include "tests/support/PlayerRunner.h"

namespace {

namespace fs = std::filesystem;

// Adds to frame 1 of the movie a clip at depth 16000 that traces every frame
// "f=<main frame> x=<ldr._x> y=<ldr._y> a=<ldr._alpha>".
void AddLoaderProbe(const std::string& path) {
  playerprobe::AddProbeWith(path, [](std::vector<std::unique_ptr<SwfTag>>&, uint8_t, ClipActionRecord& record) {
    auto push = [&record](std::initializer_list<const wchar_t*> texts) {
      auto p = std::make_unique<ActionPush>();
      for (const wchar_t* t : texts) p->AddString(t);
      record.AddAction(std::move(p));
    };
    auto member = [&](const wchar_t* object, const wchar_t* name) {
      push({L"_root"});
      record.AddAction(std::make_unique<ActionGetVariable>());
      if (object != nullptr) {
        push({object});
        record.AddAction(std::make_unique<ActionGetMember>());
      }
      push({name});
      record.AddAction(std::make_unique<ActionGetMember>());
      record.AddAction(std::make_unique<ActionAdd2>());
    };
    push({L"f="});
    member(nullptr, L"_currentframe");
    push({L" x="});
    record.AddAction(std::make_unique<ActionAdd2>());
    member(L"ldr", L"_x");
    push({L" y="});
    record.AddAction(std::make_unique<ActionAdd2>());
    member(L"ldr", L"_y");
    push({L" a="});
    record.AddAction(std::make_unique<ActionAdd2>());
    member(L"ldr", L"_alpha");
    record.AddAction(std::make_unique<ActionTrace>());
  });
}

struct Probe {
  double x = 0, y = 0, alpha = 0;
  bool loader = false;  // whether "ldr" was there
};

// The value after `name` up to the next space (empty when the line lacks it).
std::string Field(const std::string& line, const std::string& name) {
  const size_t at = line.find(name);
  if (at == std::string::npos) return {};
  const size_t start = at + name.size();
  return line.substr(start, line.find(' ', start) - start);
}

// The last line the probe traced for each main-timeline frame. A missing loader reads as
// "undefined", or before version 7 as the empty text.
std::map<int, Probe> ByFrame(const std::vector<std::string>& trace) {
  std::map<int, Probe> frames;
  for (const std::string& line : trace) {
    if (line.rfind("f=", 0) != 0) continue;
    Probe p;
    const std::string x = Field(line, " x=");
    p.loader = x != "undefined" && !x.empty();
    if (p.loader) {
      p.x = std::atof(x.c_str());
      p.y = std::atof(Field(line, " y=").c_str());
      p.alpha = std::atof(Field(line, " a=").c_str());
    }
    frames[std::atoi(line.c_str() + 2)] = p;
  }
  return frames;
}

std::string Joined(const std::vector<std::string>& trace) {
  std::string text;
  for (const std::string& line : trace) text += line + "\n";
  return text;
}

class EffectsPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(playertest::PlayerUnavailableReason(), ""); }
  fs::path Build(PreloaderData& project, const std::string& name) {
    PreloaderBuilder builder;
    EXPECT_TRUE(builder.Build(dir.Path(name), project, true)) << builder.GetError();
    EXPECT_TRUE(builder.GetWarnings().empty());
    return dir.Native(name);
  }
  projecttest::ScratchDir dir;
};

// Each effect in a preview at 24 frames per second, 500 ms: once the simulated load ends, the
// main timeline plays the 12 exit frames (2 to 13), each showing the loader where the tween
// puts it at that frame, then "loaderdone" (frame 14) without the loader.
TEST_F(EffectsPlayerTest, EachRemovalEffectRunsOverItsDurationBeforeLoaderdone) {
  struct Case {
    const wchar_t* effect;
    double dx, dy;  // pixels at the end, on a 300 x 200 stage
    bool eased;     // ease-in; Fade Out steps linearly
  } cases[] = {{L"Exit Bottom", 0, 100, true},
               {L"Exit Left", -150, 0, true},
               {L"Exit Right", 150, 0, true},
               {L"Exit Top", 0, -100, true},
               {L"Fade Out", 0, 0, false}};
  std::vector<playertest::Movie> movies;
  for (const Case& c : cases) {
    PreloaderData project;
    project.SetTargetUrl(dir.Path("target.swf"));
    project.SetPreviewMode(true, false);
    project.SetPercent(3);
    project.SetTargetFps(24.0f);
    RemovalEffect* effect = project.GetRemovalEffectLibrary().FindByName(c.effect);
    effect->SetDuration(500);
    project.SetRemovalEffect(effect);
    const std::string name = WideToUtf8(c.effect);
    const fs::path swf = Build(project, name + ".swf");
    AddLoaderProbe(swf.string());
    movies.push_back({name, swf, dir.Native(""), 40});
  }
  const playertest::PlayRun run = playertest::Play(movies);
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), movies.size());
  for (size_t k = 0; k < movies.size(); ++k) {
    const auto& r = run.results[k];
    const Case& c = cases[k];
    EXPECT_EQ(r.error, "") << r.name;
    const std::map<int, Probe> frames = ByFrame(r.trace);
    ASSERT_TRUE(frames.count(1)) << r.name << "\n" << Joined(r.trace);
    EXPECT_TRUE(frames.at(1).loader);
    EXPECT_EQ(frames.at(1).alpha, 100) << r.name;
    for (int f = 2; f <= 13; ++f) {
      ASSERT_TRUE(frames.count(f)) << r.name << " frame " << f << "\n" << Joined(r.trace);
      const Probe& p = frames.at(f);
      const double t = (f - 1) / 12.0;
      const double share = c.eased ? t * t : t;  // of the way, at this frame
      ASSERT_TRUE(p.loader) << r.name << " frame " << f;
      // Positions are whole twips (a twentieth of a pixel); alpha is stored in 256ths.
      EXPECT_NEAR(p.x, c.dx * share, 0.05 + 1e-9) << r.name << " frame " << f;
      EXPECT_NEAR(p.y, c.dy * share, 0.05 + 1e-9) << r.name << " frame " << f;
      EXPECT_NEAR(p.alpha, 100 * (1 - share), 100.0 / 256 + 1e-9) << r.name << " frame " << f;
    }
    ASSERT_TRUE(frames.count(14)) << r.name << "\n" << Joined(r.trace);
    EXPECT_FALSE(frames.at(14).loader) << r.name;
    // The preview stops at "loaderdone".
    EXPECT_EQ(frames.rbegin()->first, 14) << r.name << "\n" << Joined(r.trace);
  }
}

// The skip button of a preview whose simulated load would take 100 passes (200 frames): a
// click on it after frame 10 ends the loader at once, through the exit frames of the removal
// effect when there is one. Without a click the loader is still there at frame 40.
TEST_F(EffectsPlayerTest, ClickingTheSkipButtonEndsTheLoaderAtOnce) {
  struct Case {
    const char* name;
    const char* fixture;
    const wchar_t* effect;
    int exitFrames;  // 250 ms at 24 frames per second
    bool click;
  } cases[] = {{"button", "skip/button.swf", L"Remove", 0, true},
               {"button in a sprite, Fade Out", "skip/button-in-sprite.swf", L"Fade Out", 6, true},
               {"not clicked", "skip/button.swf", L"Remove", 0, false}};
  std::vector<playertest::Movie> movies;
  for (const Case& c : cases) {
    PreloaderData project;
    project.SetTargetUrl(dir.Path("target.swf"));
    project.SetPreviewMode(true, false);
    project.SetTargetFps(24.0f);
    project.GetSkipButtonList().Add(std::make_unique<SkipButton>(Utf8ToWide(displaytest::Fixture(c.fixture))));
    project.SetSkipButton(project.GetSkipButtonList().Get(0));
    project.SetSkipButtonEnabled(true);
    RemovalEffect* effect = project.GetRemovalEffectLibrary().FindByName(c.effect);
    effect->SetDuration(250);
    project.SetRemovalEffect(effect);
    const fs::path swf = Build(project, std::string("skip-") + std::to_string(movies.size()) + ".swf");
    AddLoaderProbe(swf.string());
    playertest::Movie movie{c.name, swf, dir.Native(""), 40};
    // The button's 60 x 30 pixels stand at the loader's origin, the stage's top left corner.
    if (c.click) movie.clicks.push_back({10, 30, 15});
    movies.push_back(movie);
  }
  const playertest::PlayRun run = playertest::Play(movies);
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), movies.size());
  for (size_t k = 0; k < movies.size(); ++k) {
    const auto& r = run.results[k];
    const Case& c = cases[k];
    EXPECT_EQ(r.error, "") << r.name;
    const std::string trace = Joined(r.trace);
    // The button's own action was replaced.
    EXPECT_EQ(trace.find("own action"), std::string::npos) << r.name;
    ASSERT_GE(r.trace.size(), 30u) << r.name << "\n" << trace;
    // The probe traces once a frame from frame 2 on: line n is frame n + 2.
    for (size_t n = 0; n < 9; ++n) EXPECT_EQ(r.trace[n].rfind("f=1 ", 0), 0u) << r.name << "\n" << trace;
    if (!c.click) {
      EXPECT_EQ(r.trace.back().rfind("f=1 ", 0), 0u) << r.name << "\n" << trace;
      continue;
    }
    // The frame after the click plays the main timeline on: its exit frames, then "loaderdone".
    size_t left = 0;
    while (left < r.trace.size() && r.trace[left].rfind("f=1 ", 0) == 0) ++left;
    EXPECT_EQ(left, 9u) << r.name << "\n" << trace;
    const std::map<int, Probe> frames = ByFrame(r.trace);
    for (int f = 2; f < 2 + c.exitFrames; ++f) {
      ASSERT_TRUE(frames.count(f)) << r.name << " frame " << f << "\n" << trace;
      EXPECT_TRUE(frames.at(f).loader) << r.name;
      EXPECT_NEAR(frames.at(f).alpha, 100.0 * (1 - (f - 1) / 6.0), 100.0 / 256 + 1e-9) << r.name << " frame " << f;
    }
    const int loaderdone = 2 + c.exitFrames;
    ASSERT_TRUE(frames.count(loaderdone)) << r.name << "\n" << trace;
    EXPECT_FALSE(frames.at(loaderdone).loader) << r.name;
    EXPECT_EQ(frames.rbegin()->first, loaderdone) << r.name << "\n" << trace;
  }
}

// Built for export, a movie with a removal effect hands over to its target in every target
// type. (A player that has the whole target when the loader first measures it, as this one
// has with local files, goes from the loader's second frame straight to "loaderdone", past
// the exit frames, as the loader is made to do for a target that is complete already.)
TEST_F(EffectsPlayerTest, AMovieWithARemovalEffectHandsOverToItsTarget) {
  {
    SwfFileWriter writer;
    writer.SetMovieParameters(6000, 4000, 24.0f, 6);
    ASSERT_TRUE(writer.Open(dir.Path("target.swf"), true));
    for (int f = 1; f <= 3; ++f) {
      auto actions = std::make_unique<DoActionTag>();
      actions->AddAction(std::make_unique<ActionPush>(WideString(L"T" + std::to_wstring(f))));
      actions->AddAction(std::make_unique<ActionTrace>());
      if (f == 1) {  // past 1024 bytes, which the loader takes for a size not known yet
        actions->AddAction(std::make_unique<ActionPush>(WideString(3000, L'x')));
        actions->AddAction(std::make_unique<ActionPop>());
      }
      if (f == 3) actions->AddAction(std::make_unique<ActionStop>());
      writer.AddTag(std::move(actions));
      writer.AddTag(std::make_unique<ShowFrameTag>());
    }
    writer.AddTag(std::make_unique<EndTag>());
    ASSERT_NE(writer.Close(), 0u);
  }
  const TargetType types[] = {kTargetExternal7, kTargetExternal, kTargetMerge};
  const wchar_t* effects[] = {L"Exit Left", L"Fade Out", L"Exit Bottom"};
  std::vector<playertest::Movie> movies;
  for (size_t k = 0; k < 3; ++k) {
    PreloaderData project;
    project.SetTargetUrl(dir.Path("target.swf"));
    project.SetTargetType(types[k]);
    project.SetTargetFps(24.0f);
    RemovalEffect* effect = project.GetRemovalEffectLibrary().FindByName(effects[k]);
    effect->SetDuration(250);
    project.SetRemovalEffect(effect);
    const fs::path swf = Build(project, "export" + std::to_string(k) + ".swf");
    AddLoaderProbe(swf.string());
    movies.push_back({WideToUtf8(effects[k]) + ", type " + std::to_string(types[k]), swf, dir.Native(""), 20});
  }
  const playertest::PlayRun run = playertest::Play(movies);
  ASSERT_EQ(run.error, "");
  for (const auto& r : run.results) {
    EXPECT_EQ(r.error, "") << r.name;
    // Once the target has started, the loader is gone.
    std::vector<std::string> target;
    for (const std::string& line : r.trace) {
      if (line.rfind("T", 0) == 0) {
        target.push_back(line);
      } else if (!target.empty()) {
        const auto frames = ByFrame({line});
        ASSERT_EQ(frames.size(), 1u) << line;
        EXPECT_FALSE(frames.begin()->second.loader) << r.name << ": the loader beside the target\n" << Joined(r.trace);
      }
    }
    EXPECT_EQ(target, (std::vector<std::string>{"T1", "T2", "T3"})) << r.name << "\n" << Joined(r.trace);
  }
}

}  // namespace
