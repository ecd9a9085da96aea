// Imports played in a real player (Ruffle in Chromium): an embedded image shown at once stays,
// one waiting for its percent is hidden, and a movie imported at run time is loaded from the
// served folder into its "imp<i>" clip at its scale.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "swf/ActionPush.h"
#include "swf/ControlTags.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/OperandActions.h"
#include "swf/SimpleActions.h"
#include "swf/SwfFileWriter.h"
#include "tests/media/ImageFixtures.h"
#include "tests/preloader/ProjectTestSupport.h"
#include "tests/support/PlayerRunner.h"

namespace {

constexpr uint32_t kStageColour = 0x204060;  // 0xRRGGBB
constexpr uint32_t kPicture = 0xE01E1E;

void WritePng(const std::string& path) {
  imagetest::Bytes rows;
  for (int i = 0; i < 40 * 40; ++i) rows.insert(rows.end(), {0xE0, 0x1E, 0x1E});
  const imagetest::Bytes png = imagetest::EncodePng(rows, 40, 40);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
}

// A movie that traces its own address and its horizontal scale, then stops.
void WriteImportedMovie(const std::string& path) {
  SwfFileWriter writer;
  writer.SetMovieParameters(100 * 20, 100 * 20, 24.0f, 6);
  ASSERT_TRUE(writer.Open(Utf8ToWide(path), true));
  auto actions = std::make_unique<DoActionTag>();
  for (const wchar_t* name : {L"_url", L"_xscale"}) {
    actions->AddAction(std::make_unique<ActionPush>(WideString(L"imported ") + name + L"="));
    actions->AddAction(std::make_unique<ActionPush>(WideString(name)));
    actions->AddAction(std::make_unique<ActionGetVariable>());
    actions->AddAction(std::make_unique<ActionAdd2>());
    actions->AddAction(std::make_unique<ActionTrace>());
  }
  actions->AddAction(std::make_unique<ActionStop>());
  writer.AddTag(std::move(actions));
  writer.AddTag(std::make_unique<ShowFrameTag>());
  writer.AddTag(std::make_unique<EndTag>());
  ASSERT_NE(writer.Close(), 0u);
}

std::string Hex(uint32_t c) {
  char text[8];
  std::snprintf(text, sizeof text, "%06X", c);
  return text;
}

TEST(ImportPlayerTest, EmbeddedImagesShowOrWaitAndAMovieLoadsAtRunTime) {
  ASSERT_EQ(playertest::PlayerUnavailableReason(), "");
  projecttest::ScratchDir dir;
  WritePng(dir.Native("picture.png"));

  PreloaderData project;
  project.SetTargetType(kTargetExternal);
  project.SetTargetUrl(dir.Path("target.swf"));
  project.SetTargetFps(24.0f);
  project.SetBackgroundColor(0x604020);
  project.SetPreviewMode(true, false);
  // Import 0: shown from 10% to 20% (the end counts from the start).
  auto* delayed = new ImportItem;
  delayed->SetPath(dir.Path("picture.png"));
  ASSERT_EQ(delayed->GetSourceKind(), kImportSourceImage);
  ASSERT_EQ(delayed->GetFinalWidth(), 40);
  delayed->SetEmbedImage(true);
  delayed->SetExportImageType(kImportLossless24);
  delayed->SetX(20);
  delayed->SetY(20);
  delayed->SetStartType(kStartPercent);
  delayed->SetStartPercent(10);
  delayed->SetEndType(kEndPercent);
  delayed->SetEndPercent(10);
  project.InsertImport(delayed, 0);
  // Import 1: shown at once until the loader ends, centred on (170, 40).
  auto* atOnce = new ImportItem;
  atOnce->SetPath(dir.Path("picture.png"));
  atOnce->SetEmbedImage(true);
  atOnce->SetHAlign(kHAlignCenter);
  atOnce->SetVAlign(kVAlignCenter);
  atOnce->SetAlignToDoc(false);
  atOnce->SetX(170);
  atOnce->SetY(40);
  project.InsertImport(atOnce, 1);
  // Import 2: a movie not there when the build runs, loaded at once by its address as given
  // (the player finds it beside the preloader), at twice its width.
  const std::string importedName = "plenwick-import-probe-" + std::to_string(::getpid()) + ".swf";
  auto* movie = new ImportItem;
  movie->SetPath(Utf8ToWide(importedName));
  movie->SetWidthScale(2.0);
  movie->SetX(250);
  project.InsertImport(movie, 2);

  PreloaderBuilder builder;
  ASSERT_TRUE(builder.Build(dir.Path("imports.swf"), project, true)) << builder.GetError();
  EXPECT_EQ(builder.GetWarnings(), std::vector<std::string>{});
  WriteImportedMovie(dir.Native(importedName));

  // Early in the preview the delayed image waits, hidden although it is placed with the
  // others. (When it appears in the player is not checked yet: see the builder's notes.)
  struct Step {
    int frames;
    bool checkDelayed;
  } steps[] = {{10, true}, {40, false}};
  std::vector<playertest::Movie> movies;
  std::vector<playertest::Capture> captures;
  for (const Step& step : steps) {
    movies.push_back(
        {"after " + std::to_string(step.frames) + " frames", dir.Native("imports.swf"), dir.Native(""), step.frames});
    captures.push_back({movies.size() - 1, {}, {{40, 40}, {170, 40}, {100, 150}}});
  }
  const playertest::PlayRun run = playertest::Play(movies, captures);
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), movies.size());
  for (size_t n = 0; n < movies.size(); ++n) {
    const auto& r = run.results[n];
    EXPECT_EQ(r.error, "") << r.name;
    ASSERT_EQ(r.pixels.size(), 3u) << r.name;
    if (steps[n].checkDelayed) {
      EXPECT_EQ(Hex(r.pixels[0]), Hex(kStageColour)) << r.name << ": import 0";
    }
    EXPECT_EQ(Hex(r.pixels[1]), Hex(kPicture)) << r.name << ": import 1";
    EXPECT_EQ(Hex(r.pixels[2]), Hex(kStageColour)) << r.name;
    ASSERT_EQ(r.trace.size(), 2u) << r.name;
    const std::string url = r.trace[0];
    EXPECT_EQ(url.substr(0, 13), "imported _url") << r.name;
    EXPECT_EQ(url.substr(url.size() - importedName.size()), importedName) << r.name;
    EXPECT_EQ(r.trace[1], "imported _xscale=200") << r.name;
  }
}

}  // namespace
