// Imports played in a real player (Ruffle in Chromium): an embedded image shown at once stays,
// one waiting for its percent is hidden, and a movie imported at run time is loaded from the
// served folder into its "imp<i>" clip at its scale. In a preview, whose loading rises by one
// percent a pass, a probe follows every import's state, visibility and address frame by
// frame as each comes and goes at its percent or time, and a picture loaded at run time
// shows at its size.
#include <gtest/gtest.h>

#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
#include "swf/OperandActions.h"
#include "swf/SimpleActions.h"
#include "swf/SwfFileWriter.h"
#include "tests/media/ImageFixtures.h"
#include "tests/preloader/PlayerProbe.h"
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
  // others. (When it comes and goes is followed frame by frame below.)
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

// One import of the preview below and when it is there: from a percent or a time after the
// loader started, until a percent or a time (0: until the loader ends). An end of the same
// kind as the start counts from the start.
struct Timed {
  const char* what;
  bool embedded;
  bool startByPercent;
  int start;  // percent or milliseconds
  bool endByPercent;
  int end;
  int x, y;
};

const Timed kTimed[] = {
    {"embedded, 10 to 20 percent", true, true, 10, true, 10, 10, 10},
    {"embedded, from the start", true, true, 0, true, 0, 60, 10},
    {"embedded, 400 to 700 ms", true, false, 400, false, 300, 110, 10},
    {"embedded, from the start to 50 percent", true, false, 0, true, 50, 160, 10},
    {"embedded, from 30 percent for 250 ms", true, true, 30, false, 250, 210, 10},
    {"movie loaded at run time, 30 to 50 percent", false, true, 30, true, 20, 10, 100},
    {"picture loaded at run time from the start", false, true, 0, true, 0, 160, 100},
};
constexpr int kTimedCount = sizeof kTimed / sizeof kTimed[0];
static_assert(kTimedCount == 7, "the probe below traces seven imports");
constexpr int kRunTimePicture = 6;

// Traces, each frame while the loader is there: the loaded percent, the milliseconds since
// the loader started, and per import its state, whether its clip is visible and its address.
const char* const kImportProbe = R"(
var l = _root.ldr;
if (l.imp0 == undefined) {
  trace("none");
} else {
  var line = "p=" + Math.round(l.prcnt * 100) + "|t=" + (getTimer() - l.stm) + "|root=" + _root._url;
  for (var i = 0; i < 7; i++) {
    var c = l["imp" + i];
    line += "|b" + i + "=" + l["bimp" + i] + "|v" + i + "=" + c._visible + "|u" + i + "=" + c._url;
  }
  trace(line);
}
)";

// The state an import should be in at a sample, or -1 when the sample is too near a change
// to say (the loaded percent is summed in steps of 0.01, a time is read once a frame).
int ExpectedState(const Timed& timed, double p, double t) {
  const auto near = [](bool percent, double value, double at) { return std::fabs(value - at) < (percent ? 1.5 : 20); };
  const double startValue = timed.startByPercent ? p : t;
  if (timed.start > 0 && near(timed.startByPercent, startValue, timed.start)) return -1;
  if (timed.start > 0 && startValue < timed.start) return 0;
  if (timed.end == 0) return 1;
  // Counted from the moment it started, which the probe does not see.
  if (timed.start > 0 && timed.endByPercent != timed.startByPercent) return -1;
  const double endValue = timed.endByPercent ? p : t;
  const double endAt = (timed.endByPercent == timed.startByPercent ? timed.start : 0) + timed.end;
  if (near(timed.endByPercent, endValue, endAt)) return -1;
  return endValue < endAt ? 1 : 2;
}

// A whole number the probe traced, or -1000000 for anything else.
int Whole(const std::string& text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() ? value : -1000000;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(ImportPlayerTest, ImportsComeAndGoAtTheirPercentsAndTimes) {
  ASSERT_EQ(playertest::PlayerUnavailableReason(), "");
  projecttest::ScratchDir dir;
  WritePng(dir.Native("picture.png"));
  // The run-time picture: measured as a picture, then named by an address that the built
  // movie resolves beside itself (a preview loads a file that is there by its local address,
  // which the test's page cannot reach).
  const std::string pictureName = "plenwick-import-picture-" + std::to_string(::getpid()) + ".jpg";
  const std::string movieName = "plenwick-import-timed-" + std::to_string(::getpid()) + ".swf";
  {
    imagetest::Bytes rows;
    for (int i = 0; i < 40 * 40; ++i) rows.insert(rows.end(), {0x1E, 0x1E, 0xE0});
    const imagetest::Bytes jpeg = imagetest::EncodeJpeg(rows.data(), 40, 40);
    std::filesystem::create_directories(dir.Native("measure"));
    for (const std::string& path : {dir.Native(pictureName), dir.Native("measure/" + pictureName)})
      std::ofstream(path, std::ios::binary)
          .write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
  }

  PreloaderData project;
  project.SetTargetType(kTargetExternal);
  project.SetTargetUrl(dir.Path("target.swf"));
  project.SetTargetFps(60.0f);
  project.SetBackgroundColor(0x604020);
  project.SetPreviewMode(true, false);
  for (int i = 0; i < kTimedCount; ++i) {
    const Timed& timed = kTimed[i];
    auto* item = new ImportItem;
    if (timed.embedded) {
      item->SetPath(dir.Path("picture.png"));
      item->SetEmbedImage(true);
    } else if (i == kRunTimePicture) {
      const std::filesystem::path before = std::filesystem::current_path();
      std::filesystem::current_path(dir.Native("measure"));
      item->SetPath(Utf8ToWide(pictureName));
      std::filesystem::current_path(before);
      EXPECT_EQ(item->GetSourceKind(), kImportSourceImage);
      EXPECT_TRUE(item->SetWidthScale(1.5));
    } else {
      item->SetPath(Utf8ToWide(movieName));
    }
    item->SetAlignToDoc(false);
    item->SetX(timed.x);
    item->SetY(timed.y);
    item->SetStartType(timed.startByPercent ? kStartPercent : kStartTime);
    item->SetEndType(timed.end == 0 ? kEndDone : timed.endByPercent ? kEndPercent : kEndTime);
    if (timed.startByPercent)
      item->SetStartPercent(timed.start);
    else
      item->SetStartTime(timed.start);
    if (timed.endByPercent)
      item->SetEndPercent(timed.end);
    else
      item->SetEndTime(timed.end);
    project.InsertImport(item, i);
  }
  PreloaderBuilder builder;
  ASSERT_TRUE(builder.Build(dir.Path("timed.swf"), project, true)) << builder.GetError();
  EXPECT_EQ(builder.GetWarnings(), std::vector<std::string>{});
  WriteImportedMovie(dir.Native(movieName));
  playerprobe::AddProbe(dir.Native("timed.swf"), kImportProbe);

  // The whole preview, and its screen at 60 frames (about 58 percent).
  const std::vector<playertest::Movie> movies = {
      {"timed imports", dir.Native("timed.swf"), dir.Native(""), 115, 120000},
      {"timed imports at 60 frames", dir.Native("timed.swf"), dir.Native(""), 60, 120000}};
  const std::vector<playertest::Capture> captures = {
      {1, {}, {{30, 30}, {80, 30}, {180, 30}, {190, 120}, {215, 120}, {225, 120}}}};
  const playertest::PlayRun run = playertest::Play(movies, captures);
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), 2u);
  const playertest::MovieResult& result = run.results[0];
  EXPECT_EQ(result.error, "");
  std::string log;
  for (const std::string& line : result.trace) log += line + "\n";

  int samples = 0;
  bool gone = false;
  std::vector<int> firstOf[3];
  for (auto& f : firstOf) f.assign(kTimedCount, -1);
  std::vector<int> lastState(kTimedCount, 0);
  for (size_t n = 0; n < result.trace.size(); ++n) {
    const std::string& line = result.trace[n];
    if (line == "none") {
      // Before the loader's frame 3, or once it has gone.
      if (samples > 0) gone = true;
      continue;
    }
    if (line.rfind("p=", 0) != 0) continue;  // the imported movie's own trace
    auto s = playerprobe::Fields(line);
    const int p = Whole(s["p"]);
    const int t = Whole(s["t"]);
    // The frame that places the clips, seen before the loader's script first ran on them
    // (the player draws the frame after it).
    if (p == 0) continue;
    ++samples;
    EXPECT_FALSE(gone) << log;
    for (int i = 0; i < kTimedCount; ++i) {
      const Timed& timed = kTimed[i];
      SCOPED_TRACE(std::string(timed.what) + " at " + line);
      const std::string k = std::to_string(i);
      const int state = Whole(s["b" + k]);
      ASSERT_TRUE(state >= 0 && state <= 2) << log;
      // Once only, in order.
      EXPECT_GE(state, lastState[i]) << log;
      lastState[i] = state;
      if (firstOf[state][i] < 0) firstOf[state][i] = samples;
      const int expected = ExpectedState(timed, p, t);
      if (expected >= 0) {
        EXPECT_EQ(state, expected) << log;
      }
      const std::string url = s["u" + k];
      if (timed.embedded) {
        // Shown exactly while started and not ended.
        EXPECT_EQ(s["v" + k], state == 1 ? "true" : "false") << log;
        EXPECT_EQ(url, s["root"]) << log;
        continue;
      }
      // Loaded into its clip once started: the clip takes the file's address (a few frames
      // later, as the file arrives), and loses it again when unloaded.
      const std::string& name = i == kRunTimePicture ? pictureName : movieName;
      if (state == 0) {
        EXPECT_EQ(url, s["root"]) << log;
      }
      if (state == 1 && samples - firstOf[1][i] >= 3) {
        EXPECT_TRUE(EndsWith(url, name)) << log;
      }
      if (state == 2 && samples - firstOf[2][i] >= 3) {
        EXPECT_EQ(url, s["root"]) << log;
      }
    }
  }
  ASSERT_GT(samples, 90) << log;
  EXPECT_TRUE(gone) << log;
  for (int i = 0; i < kTimedCount; ++i) {
    const Timed& timed = kTimed[i];
    EXPECT_GE(firstOf[1][i], 0) << timed.what << "\n" << log;
    if (timed.end == 0) continue;
    ASSERT_GE(firstOf[2][i], 0) << timed.what << "\n" << log;
    // There for as long as it should be, from whenever it came: a percent a pass, or a time
    // at 60 frames a second.
    const double passes = timed.endByPercent ? timed.end : timed.end * 60 / 1000.0;
    EXPECT_NEAR(firstOf[2][i] - firstOf[1][i], passes, 2) << timed.what << "\n" << log;
  }

  const playertest::MovieResult& screen = run.results[1];
  EXPECT_EQ(screen.error, "");
  ASSERT_EQ(screen.pixels.size(), 6u);
  // Past 58 percent: the images of 10 to 20 and of up to 50 percent are gone, the one shown
  // from the start stays; the picture loaded at run time shows at one and a half times its
  // width of 40 pixels from x = 160.
  EXPECT_EQ(Hex(screen.pixels[0]), Hex(kStageColour));
  EXPECT_EQ(Hex(screen.pixels[1]), Hex(kPicture));
  EXPECT_EQ(Hex(screen.pixels[2]), Hex(kStageColour));
  for (const size_t n : {size_t{3}, size_t{4}}) {
    const uint32_t c = screen.pixels[n];
    EXPECT_NEAR(static_cast<int>(c >> 16), 0x1E, 12) << Hex(c) << " at point " << n;
    EXPECT_NEAR(static_cast<int>((c >> 8) & 0xFF), 0x1E, 12) << Hex(c) << " at point " << n;
    EXPECT_NEAR(static_cast<int>(c & 0xFF), 0xE0, 12) << Hex(c) << " at point " << n;
  }
  EXPECT_EQ(Hex(screen.pixels[5]), Hex(kStageColour));
}

}  // namespace
