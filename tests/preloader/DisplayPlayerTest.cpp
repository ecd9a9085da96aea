// The shipped bar displays played in a real player (Ruffle in Chromium): in a display preview
// the bar grows with the simulated loading and ends at the display's full width, at the size
// and place the project gives it, in the colours chosen; and builds of every target type with
// a display still hand over to their target.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "preloader/BarDisplays.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "swf/ActionPush.h"
#include "swf/ControlTags.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SimpleActions.h"
#include "swf/SwfFileWriter.h"
#include "swf/SwfTagList.h"
#include "tests/preloader/DisplayTestSupport.h"
#include "tests/preloader/PlayerProbe.h"
#include "tests/preloader/ProjectTestSupport.h"
#include "tests/support/PlayerRunner.h"

namespace {

namespace fs = std::filesystem;

// Traces, every frame, what the display shows: the loader's prcnt, the bar's width, the
// segments shown and the display's bounds on the stage; "none" while the loader holds no
// display. AddProbe names the display "disp" inside its wrapper "wrap".
const char* const kProbeScript = R"(
var d = _root.ldr.wrap.disp;
if (d == undefined) {
  trace("none");
} else {
  var n = 0;
  var m = d.maxw;
  if (typeof(m) == "number" && d.progress.segs != undefined) {
    for (var i = 1; i <= m; i++) {
      if (d.progress.segs["seg" + i]._visible) n++;
    }
  }
  var b = d.getBounds(_root);
  trace("p=" + _root.ldr.prcnt + " w=" + d.progress.ldrfg._width + " maxw=" + d.maxw + " n=" + n +
        " b=" + b.xMin + "," + b.xMax + "," + b.yMin + "," + b.yMax);
}
)";

// Adds the probe to the movie, and names the display's unnamed instances so that the probe
// finds them: the wrapper, the one placement of the loader, becomes "wrap" and the display in
// it "disp".
void AddProbe(const std::string& path, const char* probeScript = kProbeScript) {
  playerprobe::AddProbeWith(
      path, [probeScript](std::vector<std::unique_ptr<SwfTag>>& tags, uint8_t version, ClipActionRecord& record) {
        PlaceObject2Tag* ldr = FindPlaceObject2ByName(L"ldr", tags);
        ASSERT_NE(ldr, nullptr);
        auto* loader = dynamic_cast<DefineSpriteTag*>(FindTagByCharacterId(ldr->characterId, tags));
        ASSERT_NE(loader, nullptr);
        for (const auto& child : loader->Children()) {
          auto* wrapPlace = dynamic_cast<PlaceObject2Tag*>(child.get());
          if (wrapPlace == nullptr) continue;
          wrapPlace->SetName(L"wrap");
          auto* wrapper = dynamic_cast<DefineSpriteTag*>(FindTagByCharacterId(wrapPlace->characterId, tags));
          ASSERT_NE(wrapper, nullptr);
          auto* inner = dynamic_cast<PlaceObject2Tag*>(wrapper->Children().at(0).get());
          ASSERT_NE(inner, nullptr);
          inner->SetName(L"disp");
        }
        playerprobe::AddScript(record, probeScript, version);
      });
}

struct Sample {
  double p = 0, w = 0, maxw = 0;
  int n = 0;
  double left = 0, right = 0, top = 0, bottom = 0;
};

// A number as the player writes it ("undefined" and other words read as NaN).
double Number(const std::string& text) {
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  double value = 0;
  in >> value;
  return in.fail() || !in.eof() ? std::nan("") : value;
}

// "p=.. w=.. maxw=.. n=.. b=left,right,top,bottom"
bool ParseSample(const std::string& line, Sample& s) {
  std::istringstream in(line);
  std::map<std::string, std::string> fields;
  std::string word;
  while (in >> word) {
    const size_t eq = word.find('=');
    if (eq == std::string::npos) return false;
    fields[word.substr(0, eq)] = word.substr(eq + 1);
  }
  for (const char* key : {"p", "w", "maxw", "n", "b"}) {
    if (fields.count(key) == 0) return false;
  }
  s.p = Number(fields["p"]);
  s.w = Number(fields["w"]);
  s.maxw = Number(fields["maxw"]);
  s.n = static_cast<int>(Number(fields["n"]));
  double* bounds[] = {&s.left, &s.right, &s.top, &s.bottom};
  std::istringstream b(fields["b"]);
  for (double* value : bounds) {
    std::string part;
    if (!std::getline(b, part, ',')) return false;
    *value = Number(part);
  }
  return !std::isnan(s.p) && !std::isnan(s.maxw);
}

std::string Joined(const std::vector<std::string>& trace) {
  std::string text;
  for (const std::string& line : trace) text += line + "\n";
  return text;
}

std::string Hex(uint32_t colour) {
  char text[16];
  std::snprintf(text, sizeof text, "#%06x", colour);
  return text;
}

// Whether two 0xRRGGBB colours differ by at most one in every channel.
bool SameColour(uint32_t a, uint32_t b) {
  for (int shift = 0; shift < 24; shift += 8) {
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 1) return false;
  }
  return true;
}

// 0x00BBGGRR (a project's colour) as 0xRRGGBB (a pixel's).
uint32_t PixelOf(uint32_t bgr) { return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF); }

// Beside the other player tests a busy machine may need far longer than usual.
constexpr int kTimeLimitMs = 180000;

class DisplayPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(playertest::PlayerUnavailableReason(), ""); }

  // A small target of `frames` frames tracing T1.. one per frame, stopping on its last; the
  // preloader takes its version.
  void WriteTarget(int frames, uint8_t version = 6, const std::string& name = "target.swf") {
    SwfFileWriter writer;
    writer.SetMovieParameters(11000, 8000, 24.0f, version);
    ASSERT_TRUE(writer.Open(dir.Path(name), true));
    for (int f = 1; f <= frames; ++f) {
      auto actions = std::make_unique<DoActionTag>();
      actions->AddAction(std::make_unique<ActionPush>(WideString(L"T" + std::to_wstring(f))));
      actions->AddAction(std::make_unique<ActionTrace>());
      if (f == frames) actions->AddAction(std::make_unique<ActionStop>());
      writer.AddTag(std::move(actions));
      writer.AddTag(std::make_unique<ShowFrameTag>());
    }
    writer.AddTag(std::make_unique<EndTag>());
    ASSERT_NE(writer.Close(), 0u);
  }

  projecttest::ScratchDir dir;
};

struct DisplayCase {
  const char* file;
  int width, height;
  bool segments;
  uint32_t fg, bg;            // chosen colours (0x00BBGGRR), 0 where the display keeps its own
  uint32_t fgPixel, bgPixel;  // what the screen shows (0xRRGGBB)
};

TEST_F(DisplayPlayerTest, EveryShippedBarGrowsToItsFullWidthInTheChosenColours) {
  WriteTarget(3);
  const DisplayCase cases[] = {
      {"Bars/classic-bar.swf", 260, 20, false, 0x00A5FF, 0x8B0000, PixelOf(0x00A5FF), PixelOf(0x8B0000)},
      {"Bars/slim-bar.swf", 300, 6, false, 0x32CD32, 0, PixelOf(0x32CD32), 0xD2D6DA},
      // The segments and their track keep the colours they are drawn in.
      {"Bars/segment-bar.swf", 150, 16, true, 0, 0, 0x4CD964, 0x2B2F36}};
  // Each display twice: played until the loader has ended (the growth and the full width),
  // and stopped about halfway for the colours of the bar and of the track beside it.
  constexpr int kFullFrames = 130;
  constexpr int kHalfFrames = 52;
  std::vector<playertest::Movie> movies;
  std::vector<playertest::Capture> captures;
  for (const DisplayCase& c : cases) {
    PreloaderData project;
    project.SetTargetUrl(dir.Path("target.swf"));
    project.SetTargetFps(60.0f);
    project.SetPreviewMode(true, true);
    PreloaderDisplay* display = displaytest::ShowDisplay(project, displaytest::Shipped(c.file));
    ASSERT_NE(display, nullptr) << c.file;
    ASSERT_TRUE(display->SetWidth(c.width));
    ASSERT_TRUE(display->SetHeight(c.height));
    if (auto* pair = dynamic_cast<ColorPairDisplay*>(display)) {
      if (c.fg != 0) pair->SetFgColor(c.fg);
      if (c.bg != 0) pair->SetBgColor(c.bg);
    }
    const std::string name = fs::path(c.file).stem().string();
    PreloaderBuilder builder;
    ASSERT_TRUE(builder.Build(dir.Path(name + ".swf"), project, true)) << builder.GetError();
    AddProbe(dir.Native(name + ".swf"));
    movies.push_back({name + " full", dir.Native(name + ".swf"), dir.Native(""), kFullFrames, kTimeLimitMs});
    // The display stands centred on a stage 20 pixels larger than itself; at about half the
    // load the bar covers the left half. Points at a fifth (or the middle of the third segment)
    // and at four fifths of the bar's length, on its middle line.
    const int stageWidth = display->GetWidth() + 20;
    const double left = stageWidth / 2 - display->GetWidth() / 2;
    const double middle = (c.height + 20) / 2.0;
    movies.push_back({name + " half", dir.Native(name + ".swf"), dir.Native(""), kHalfFrames, kTimeLimitMs});
    captures.push_back({movies.size() - 1,
                        dir.Native(name + "-half.png"),
                        {{left + (c.segments ? 25 : c.width * 0.2), middle}, {left + c.width * 0.8 + 1, middle}}});
  }
  const playertest::PlayRun run = playertest::Play(movies, captures);
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), movies.size());
  for (size_t k = 0; k < std::size(cases); ++k) {
    const DisplayCase& c = cases[k];
    const playertest::MovieResult& full = run.results[2 * k];
    const playertest::MovieResult& half = run.results[2 * k + 1];
    EXPECT_EQ(full.error, "") << c.file;
    EXPECT_EQ(half.error, "") << c.file;

    std::vector<Sample> samples;
    for (const std::string& line : full.trace) {
      // Before the display has loaded there is no display, or one without maxw.
      if (line == "none" || line.find("maxw=undefined") != std::string::npos) {
        EXPECT_TRUE(samples.empty()) << c.file << ": the display went away\n" << Joined(full.trace);
        continue;
      }
      Sample s;
      ASSERT_TRUE(ParseSample(line, s)) << c.file << ": " << line;
      samples.push_back(s);
    }
    ASSERT_GT(samples.size(), 100u) << c.file << " " << full.error << "\n"
                                    << Joined(full.trace) << Joined(full.pageErrors);
    // The bar grows with every pass and never shrinks; it shows what prcnt says.
    int rises = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
      const Sample& s = samples[i];
      const double shown = c.segments ? s.n : s.w;
      if (i > 0) {
        const double before = c.segments ? samples[i - 1].n : samples[i - 1].w;
        EXPECT_GE(shown + 1e-9, before) << c.file << " at " << i;
        rises += shown > before;
      }
      // What the display shows lags the loader's prcnt by at most one pass.
      const double low = std::max(0.0, s.p - 0.0101) * s.maxw;
      if (c.segments) {
        EXPECT_GE(s.n, static_cast<int>(std::floor(low + 1e-9))) << c.file << " " << full.trace[i];
        EXPECT_LE(s.n, static_cast<int>(std::floor(s.p * s.maxw + 1e-9))) << c.file << " " << full.trace[i];
      } else {
        EXPECT_GE(s.w, low - 0.05) << c.file << " " << full.trace[i];
        EXPECT_LE(s.w, s.p * s.maxw + 0.05) << c.file << " " << full.trace[i];
      }
    }
    EXPECT_GT(rises, c.segments ? 10 : 50) << c.file;
    // It ends full: the loader stopped at 1 and the bar covers its whole length.
    const Sample& last = samples.back();
    EXPECT_DOUBLE_EQ(last.p, 1.0) << c.file;
    if (c.segments) {
      EXPECT_EQ(last.maxw, std::ceil(c.width / 10.0)) << c.file;
      EXPECT_EQ(last.n, last.maxw) << c.file;
    } else {
      EXPECT_GT(last.maxw, 0) << c.file;
      EXPECT_NEAR(last.w, last.maxw, 1e-6) << c.file;
    }
    // On the stage the display takes the size the project gives it, centred (bounds may grow
    // by a pixel where the artwork's edges are smoothed).
    const double stageWidth = (c.segments ? 200 : c.width) + 20;
    const double left = std::floor(stageWidth / 2) - std::floor((c.segments ? 200 : c.width) / 2.0);
    EXPECT_NEAR(last.left, left, 1.0) << c.file;
    EXPECT_NEAR(last.right - last.left, c.width, 1.0) << c.file;
    EXPECT_NEAR(last.bottom - last.top, c.height, 1.0) << c.file;

    // Halfway the bar shows its colour near its start and the track shows beside it.
    ASSERT_EQ(half.pixels.size(), 2u) << c.file;
    EXPECT_TRUE(SameColour(half.pixels[0], c.fgPixel))
        << c.file << ": bar " << Hex(half.pixels[0]) << ", expected " << Hex(c.fgPixel);
    EXPECT_TRUE(SameColour(half.pixels[1], c.bgPixel))
        << c.file << ": track " << Hex(half.pixels[1]) << ", expected " << Hex(c.bgPixel);
  }
  if (const char* keep = std::getenv("PLENWICK_KEEP_SCREENSHOTS"); keep != nullptr && *keep != '\0') {
    for (const DisplayCase& c : cases) {
      const std::string name = fs::path(c.file).stem().string() + "-half.png";
      fs::copy_file(dir.Native(name), fs::path(keep) / name, fs::copy_options::overwrite_existing);
    }
  }
}

// What the other display types show, every frame: the loader's prcnt, anm and frame, the
// display's frame, the frames of "progress" and of its "ldrfg", the rotation and width of
// "ldrfg", the display's maxw, how far the tiles of "BarAnim" reach, and the display's height
// on the stage.
const char* const kTypeProbeScript = R"(
var d = _root.ldr.wrap.disp;
if (d == undefined) {
  trace("none");
} else {
  var g = d.progress;
  var b = d.getBounds(_root);
  var a = g.BarAnim.getBounds(g);
  trace("p=" + _root.ldr.prcnt + " anm=" + _root.ldr.anm + " lc=" + _root.ldr._currentframe + " df=" + d._currentframe +
        " f=" + g._currentframe + " lf=" + g.ldrfg._currentframe + " r=" + g.ldrfg._rotation + " w=" + g.ldrfg._width +
        " maxw=" + d.maxw + " ax=" + a.xMax + " h=" + (b.yMax - b.yMin));
}
)";

// "key=value ..." as numbers ("undefined" reads as NaN).
std::map<std::string, double> Fields(const std::string& line) {
  std::map<std::string, double> fields;
  std::istringstream in(line);
  std::string word;
  while (in >> word) {
    const size_t eq = word.find('=');
    if (eq != std::string::npos) fields[word.substr(0, eq)] = Number(word.substr(eq + 1));
  }
  return fields;
}

// An angle in 0 up to 360.
double Turn(double degrees) {
  const double t = std::fmod(degrees, 360.0);
  return t < 0 ? t + 360.0 : t;
}

enum class Shows { kRotation, kWidth, kProgressFrame, kLdrfgFrame, kPieFrame, kAnimation };

struct TypeCase {
  const char* file;
  Shows shows;
  int width, height;
  int frames;
  // Stage points (relative to the display's centre, in pixels) and the colours they show
  // about halfway (0xRRGGBB), taken with the chosen colours (0x00BBGGRR; 0 keeps the movie's).
  uint32_t fg, bg;
  std::vector<std::pair<double, double>> points;
  std::vector<uint32_t> colours;
};

// The shown value at the fraction loaded q, as the display's clip script makes it.
double Expected(Shows shows, double q, double maxw) {
  switch (shows) {
    case Shows::kRotation: return Turn(static_cast<int>(q * 360 + 1e-9));
    case Shows::kWidth: return q * maxw;
    case Shows::kProgressFrame:
    case Shows::kLdrfgFrame: return std::max(1, static_cast<int>(q * 100 + 1e-9));
    case Shows::kPieFrame: return static_cast<int>(q * 100 + 1e-9) + 1;
    case Shows::kAnimation: return 0;
  }
  return 0;
}

double Shown(Shows shows, std::map<std::string, double>& f) {
  switch (shows) {
    case Shows::kRotation: return Turn(f["r"]);
    case Shows::kWidth: return f["w"];
    case Shows::kProgressFrame: return f["f"];
    case Shows::kLdrfgFrame: return f["lf"];
    case Shows::kPieFrame: return f["f"];
    case Shows::kAnimation: return f["df"];
  }
  return 0;
}

TEST_F(DisplayPlayerTest, EveryOtherDisplayTypeFollowsTheLoadAndEndsComplete) {
  WriteTarget(3);
  const double kDegree = M_PI / 180;
  const TypeCase cases[] = {
      // The pointer at half load points down: its hub is in the pointer's colour, the face
      // to the left of it in the face's.
      {"Dials/dial.swf",
       Shows::kRotation,
       120,
       120,
       130,
       0x0000FF,
       0x553311,
       {{0, 0}, {-30, 0}},
       {0xFF0000, PixelOf(0x553311)}},
      // A pole wider than its artwork: the tiles reach past its width. Near its start the
      // filling shows the colour (or its stripes, 120/255 of it); the track shows past half.
      {"Poles/barber-pole.swf",
       Shows::kWidth,
       300,
       20,
       130,
       0x00FF00,
       0x202020,
       {{-70, 0}, {90, 0}},
       {0x00FF00, 0x202020}},
      {"Frames/battery.swf",
       Shows::kProgressFrame,
       96,
       44,
       130,
       0xFF0000,
       0,
       {{-30, 0}, {0, -18}},
       {0x0000FF, PixelOf(0x605850)}},
      // The ring's colours reach its script as percentages: the first dot lit, the last not.
      {"Frames/dot-ring.swf",
       Shows::kLdrfgFrame,
       64,
       64,
       130,
       0x00FF00,
       0xFF0000,
       {{0, -24}, {24 * std::sin(342 * kDegree), -24 * std::cos(342 * kDegree)}},
       {0x00FF00, 0x0000FF}},
      // Half closed: the right half in the disc's colour, the left in the rim's.
      {"Pies/pie.swf", Shows::kPieFrame, 120, 120, 130, 0x0000FF, 0x00FFFF, {{30, 0}, {-30, 0}}, {0xFF0000, 0xFFFF00}},
      {"Animations/orbit.swf", Shows::kAnimation, 64, 64, 230, 0, 0, {}, {}}};
  constexpr int kHalfFrames = 52;
  std::vector<playertest::Movie> movies;
  std::vector<playertest::Capture> captures;
  std::vector<size_t> fullIndex, halfIndex;
  for (const TypeCase& c : cases) {
    PreloaderData project;
    project.SetTargetUrl(dir.Path("target.swf"));
    project.SetTargetFps(60.0f);
    project.SetPreviewMode(true, true);
    PreloaderDisplay* display = displaytest::ShowDisplay(project, displaytest::Shipped(c.file));
    ASSERT_NE(display, nullptr) << c.file;
    ASSERT_TRUE(display->SetWidth(c.width));
    ASSERT_TRUE(display->SetHeight(c.height));
    if (auto* pair = dynamic_cast<ColorPairDisplay*>(display)) {
      if (c.fg != 0) pair->SetFgColor(c.fg);
      if (c.bg != 0) pair->SetBgColor(c.bg);
    }
    const std::string name = fs::path(c.file).stem().string();
    PreloaderBuilder builder;
    ASSERT_TRUE(builder.Build(dir.Path(name + ".swf"), project, true)) << builder.GetError();
    EXPECT_TRUE(builder.GetWarnings().empty()) << c.file << ": " << builder.GetWarnings().front();
    AddProbe(dir.Native(name + ".swf"), kTypeProbeScript);
    fullIndex.push_back(movies.size());
    movies.push_back({name + " full", dir.Native(name + ".swf"), dir.Native(""), c.frames, kTimeLimitMs});
    // The display stands centred on a stage of its natural size and 20 pixels.
    const double cx = (display->GetWidth() + 20) / 2;
    const double cy = (display->GetHeight() + 20) / 2;
    std::vector<std::pair<double, double>> points;
    for (const auto& [x, y] : c.points) points.push_back({cx + x, cy + y});
    // The pie's closing frame: at full load the notch just left of twelve o'clock is closed.
    if (c.shows == Shows::kPieFrame)
      captures.push_back({movies.size() - 1, dir.Native(name + "-full.png"), {{cx - 1.3, cy - 40}}});
    halfIndex.push_back(movies.size());
    movies.push_back({name + " half", dir.Native(name + ".swf"), dir.Native(""), kHalfFrames, kTimeLimitMs});
    captures.push_back({movies.size() - 1, dir.Native(name + "-half.png"), points});
  }
  const playertest::PlayRun run = playertest::Play(movies, captures);
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), movies.size());
  for (size_t k = 0; k < std::size(cases); ++k) {
    const TypeCase& c = cases[k];
    const playertest::MovieResult& full = run.results[fullIndex[k]];
    const playertest::MovieResult& half = run.results[halfIndex[k]];
    EXPECT_EQ(full.error, "") << c.file;
    EXPECT_EQ(half.error, "") << c.file;
    std::vector<std::map<std::string, double>> samples;
    std::vector<std::string> lines;
    for (const std::string& line : full.trace) {
      if (line == "none") {
        EXPECT_TRUE(samples.empty()) << c.file << ": the display went away\n" << Joined(full.trace);
        continue;
      }
      std::map<std::string, double> s = Fields(line);
      // Until the display's load script has run: no maxw (pole) or no anm (animation).
      if (samples.empty() && ((c.shows == Shows::kWidth && std::isnan(s["maxw"])) ||
                              (c.shows == Shows::kAnimation && std::isnan(s["anm"]))))
        continue;
      samples.push_back(s);
      lines.push_back(line);
    }
    ASSERT_GT(samples.size(), 100u) << c.file << "\n" << Joined(full.trace) << Joined(full.pageErrors);

    int changes = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
      auto& s = samples[i];
      const double shown = Shown(c.shows, s);
      if (i > 0) changes += shown != Shown(c.shows, samples[i - 1]);
      if (c.shows == Shows::kAnimation) continue;
      // What the display shows lags the loader's prcnt by at most one pass.
      const double a = Expected(c.shows, std::max(0.0, s["p"] - 0.0101), s["maxw"]);
      const double b = Expected(c.shows, s["p"], s["maxw"]);
      const bool within = c.shows == Shows::kRotation
                              ? Turn(shown - a + 0.01) <= Turn(b - a) + 0.5  // across the full turn too
                              : shown >= a - 0.05 && shown <= b + 0.05;
      EXPECT_TRUE(within) << c.file << " shows " << shown << " at " << lines[i];
    }
    EXPECT_GT(changes, c.shows == Shows::kAnimation ? 100 : 50) << c.file;

    // It ends complete: the loader has passed its end, prcnt is 1 and the display shows all.
    auto& last = samples.back();
    EXPECT_DOUBLE_EQ(last["p"], 1.0) << c.file;
    EXPECT_GE(last["lc"], 5) << c.file;
    switch (c.shows) {
      case Shows::kRotation: EXPECT_NEAR(Turn(last["r"] + 0.5), 0.5, 0.5) << c.file; break;
      case Shows::kWidth:
        EXPECT_EQ(last["maxw"], c.width) << c.file;
        EXPECT_NEAR(last["w"], c.width, 1e-6) << c.file;
        EXPECT_GE(last["ax"], c.width) << c.file;
        // Its height is the project's once, not scaled a second time by the wrapper.
        EXPECT_NEAR(last["h"], c.height, 1.0) << c.file;
        break;
      case Shows::kProgressFrame: EXPECT_EQ(last["f"], 100) << c.file; break;
      case Shows::kLdrfgFrame:
        EXPECT_EQ(last["lf"], 100) << c.file;
        EXPECT_EQ(last["f"], 1) << c.file;
        break;
      case Shows::kPieFrame: EXPECT_EQ(last["f"], 101) << c.file; break;
      case Shows::kAnimation: {
        // The loader holds at its end test while the animation has turns left: anm is set
        // to 3 when the display loads and lowered by one a turn; it ends once anm is 0.
        int held = 0;
        double lastAnm = 3;
        for (auto& s : samples) {
          if (s["lc"] >= 5) {
            EXPECT_LE(s["anm"], 0) << c.file << ": the loader ended while anm was " << s["anm"];
            continue;
          }
          EXPECT_GE(s["anm"], 0) << c.file;
          EXPECT_LE(s["anm"], lastAnm) << c.file;
          lastAnm = s["anm"];
          held += s["p"] == 1.0 && s["anm"] > 0;
        }
        EXPECT_GT(held, 20) << c.file << "\n" << Joined(full.trace);
        EXPECT_EQ(last["anm"], 0) << c.file;
        break;
      }
    }

    ASSERT_EQ(half.pixels.size(), c.colours.size()) << c.file;
    for (size_t i = 0; i < c.colours.size(); ++i) {
      // The pole's stripes are 120/255 of its colour.
      const bool stripe = c.shows == Shows::kWidth && i == 0 && SameColour(half.pixels[i], 0x007800);
      EXPECT_TRUE(SameColour(half.pixels[i], c.colours[i]) || stripe)
          << c.file << " point " << i << ": " << Hex(half.pixels[i]) << ", expected " << Hex(c.colours[i]);
    }
    if (c.shows == Shows::kPieFrame) {
      const playertest::MovieResult& closed = run.results[fullIndex[k]];
      ASSERT_EQ(closed.pixels.size(), 1u);
      EXPECT_TRUE(SameColour(closed.pixels[0], 0xFF0000)) << "the pie's notch: " << Hex(closed.pixels[0]);
    }
  }
  if (const char* keep = std::getenv("PLENWICK_KEEP_SCREENSHOTS"); keep != nullptr && *keep != '\0') {
    for (const auto& entry : fs::directory_iterator(dir.Native(""))) {
      if (entry.path().extension() == ".png")
        fs::copy_file(entry.path(), fs::path(keep) / entry.path().filename(), fs::copy_options::overwrite_existing);
    }
  }
}

// Built for real, the loader sees a complete target at once and hands over before the
// display shows; the display's characters in the movie change nothing of that, nor does an
// animation that would hold the loader until it has played.
TEST_F(DisplayPlayerTest, BuildsWithADisplayHandOverToTheirTargets) {
  WriteTarget(3);
  const TargetType types[] = {kTargetExternal7, kTargetExternal, kTargetMerge};
  std::vector<playertest::Movie> movies;
  for (TargetType type : types) {
    for (const char* file : {"Bars/classic-bar.swf", "Bars/segment-bar.swf", "Animations/orbit.swf", "Pies/pie.swf",
                             "Poles/barber-pole.swf"}) {
      PreloaderData project;
      project.SetTargetUrl(dir.Path("target.swf"));
      project.SetTargetType(type);
      project.SetTargetFps(24.0f);
      ASSERT_NE(displaytest::ShowDisplay(project, displaytest::Shipped(file)), nullptr);
      const std::string name = "t" + std::to_string(type) + "-" + fs::path(file).stem().string();
      PreloaderBuilder builder;
      ASSERT_TRUE(builder.Build(dir.Path(name + ".swf"), project, true)) << builder.GetError();
      movies.push_back({name, dir.Native(name + ".swf"), dir.Native(""), 30, kTimeLimitMs});
    }
  }
  const playertest::PlayRun run = playertest::Play(movies);
  ASSERT_EQ(run.error, "");
  for (const auto& r : run.results) {
    EXPECT_EQ(r.error, "") << r.name;
    EXPECT_EQ(Joined(r.trace), "T1\nT2\nT3\n") << r.name;
  }
}

// What a segments display shows, every frame: the loader's prcnt, anm and frame, the
// display's maxw, how many of its segments are visible and how many of its segments and of its
// background slots have started their own timeline.
const char* const kSegmentsProbeScript = R"(
var d = _root.ldr.wrap.disp;
if (d == undefined) {
  trace("none");
} else {
  var n = 0;
  var a = 0;
  var b = 0;
  var m = d.maxw;
  // Before the display's load script has run m is undefined; from version 7 on the test
  // i <= m would then be true for ever, and the player stops the endless loop with an error.
  var k = typeof(m) == "number" ? m : 0;
  for (var i = 1; i <= k; i++) {
    var s = d.progress["seg" + i];
    if (s._visible) n++;
    if (s._currentframe > 1) a++;
    if (d.progress["bseg" + i]._currentframe > 1) b++;
  }
  trace("p=" + _root.ldr.prcnt + " anm=" + _root.ldr.anm + " lc=" + _root.ldr._currentframe + " maxw=" + m +
        " n=" + n + " a=" + a + " b=" + b);
}
)";

TEST_F(DisplayPlayerTest, SegmentsLightWithTheLoadAndAnimatedOnesHoldTheLoader) {
  struct Case {
    std::string file;
    bool animated;
    int slotsPlayed;  // background slots whose timeline has run once the row is full
  };
  // The two shipped rows, and one closed by an end piece whose slots animate too.
  const Case cases[] = {{displaytest::Shipped("Segments/led-row.swf"), false, 0},
                        {displaytest::Shipped("Segments/pop-segments.swf"), true, 0},
                        {displaytest::Fixture("valid/capped-segments.swf"), true, 4}};
  // The oldest version the generator writes, the one of its library movies, 7 (the movie-clip
  // loader's; from there on names are case-sensitive and undefined counts as NaN) and 10, which
  // a newer target brings.
  const uint8_t versions[] = {5, 6, 7, 10};
  std::vector<playertest::Movie> movies;
  std::vector<std::string> labels;
  for (const uint8_t version : versions) {
    const std::string target = "target" + std::to_string(version) + ".swf";
    WriteTarget(3, version, target);
    for (const Case& c : cases) {
      PreloaderData project;
      project.SetTargetUrl(dir.Path(target));
      project.SetTargetFps(60.0f);
      project.SetPreviewMode(true, true);
      // An external target of its own version (the version-7 loader would raise it to 7).
      project.SetTargetType(kTargetExternal);
      ASSERT_EQ(project.GetSwfVersion(), version);
      PreloaderDisplay* display = displaytest::ShowDisplay(project, c.file);
      ASSERT_NE(display, nullptr) << c.file;
      const std::string name = fs::path(c.file).stem().string() + "-" + std::to_string(version);
      PreloaderBuilder builder;
      ASSERT_TRUE(builder.Build(dir.Path(name + ".swf"), project, true)) << builder.GetError();
      EXPECT_TRUE(builder.GetWarnings().empty()) << c.file << ": " << builder.GetWarnings().front();
      AddProbe(dir.Native(name + ".swf"), kSegmentsProbeScript);
      movies.push_back({name, dir.Native(name + ".swf"), dir.Native(""), 170, kTimeLimitMs});
      labels.push_back(name);
    }
  }
  const playertest::PlayRun run = playertest::Play(movies);
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), movies.size());
  for (size_t k = 0; k < movies.size(); ++k) {
    const Case& c = cases[k % std::size(cases)];
    const std::string& label = labels[k];
    const playertest::MovieResult& r = run.results[k];
    EXPECT_EQ(r.error, "") << label;
    std::vector<std::map<std::string, double>> samples;
    for (const std::string& line : r.trace) {
      std::map<std::string, double> f = Fields(line);
      // Until the display's load script has run there is no display or no maxw.
      if (line == "none" || std::isnan(f["maxw"])) {
        EXPECT_TRUE(samples.empty()) << label << ": the display went away\n" << Joined(r.trace);
        continue;
      }
      samples.push_back(f);
    }
    ASSERT_GT(samples.size(), 100u) << label << " " << r.error << "\n" << Joined(r.trace) << Joined(r.pageErrors);
    int rises = 0;
    int held = 0;
    double lastAnm = 5;
    for (size_t i = 0; i < samples.size(); ++i) {
      auto& s = samples[i];
      EXPECT_EQ(s["maxw"], 5) << label;
      // The visible count is int(prcnt x maxw), lagging the loader by at most one pass, and
      // never falls.
      EXPECT_GE(s["n"], std::floor(std::max(0.0, s["p"] - 0.0101) * 5 + 1e-9)) << label << " at " << i;
      EXPECT_LE(s["n"], std::floor(s["p"] * 5 + 1e-9)) << label << " at " << i;
      if (i > 0) {
        EXPECT_GE(s["n"], samples[i - 1]["n"]) << label << " at " << i;
        rises += s["n"] > samples[i - 1]["n"];
      }
      if (!c.animated) {
        EXPECT_EQ(s["a"], 0) << label;
        continue;
      }
      // Every segment shown a pass before has started its pop, and each finished pop lowered anm by one:
      // the loader holds at its end test until the last pop is over.
      if (i > 0) {
        EXPECT_GE(s["a"], samples[i - 1]["n"]) << label << " at " << i;
      }
      EXPECT_LE(s["anm"], lastAnm) << label << " at " << i;
      lastAnm = s["anm"];
      if (s["lc"] >= 5) {
        EXPECT_LE(s["anm"], 0) << label << ": the loader ended while anm was " << s["anm"];
      }
      held += s["p"] == 1.0 && s["anm"] > 0 && s["lc"] < 5;
    }
    EXPECT_GE(rises, 4) << label;
    auto& last = samples.back();
    EXPECT_DOUBLE_EQ(last["p"], 1.0) << label;
    EXPECT_EQ(last["n"], 5) << label;
    EXPECT_GE(last["lc"], 5) << label << "\n" << Joined(r.trace);
    EXPECT_EQ(last["b"], c.slotsPlayed) << label;
    if (c.animated) {
      EXPECT_GT(held, 0) << label << "\n" << Joined(r.trace);
      EXPECT_EQ(last["anm"], 0) << label;
      EXPECT_EQ(last["a"], 5) << label;
    }
  }
}

}  // namespace
