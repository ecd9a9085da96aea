// Plays SWF movies in a real player for tests: Ruffle's web build in Debian's Chromium.
//
// The work is done by tests/player/play-movies.mjs under Node.js (see tests/player/README.md);
// this side writes its manifest, runs it and reads its results. All movies of one call play in
// one browser, one after another on a few pages, since the player takes seconds to start.
//
// Each movie runs an exact number of frames at its own frame rate: the page's clock is moved
// on by the driver, not by the wall clock, and stands still while the movie waits for a file
// it loads. Every movie's first frame runs at the same date (2001-02-03 04:05:06, time zone
// +05:45), the moment the reference output of the corpus movies was recorded at.
//
// Typical use:
//
//   std::vector<playertest::Movie> movies;
//   movies.push_back({"loader", dir / "loader.swf", dir, 40});
//   playertest::PlayRun run = playertest::Play(movies);
//   ASSERT_TRUE(run.error.empty()) << run.error;
//   EXPECT_EQ(run.results[0].error, "");
//   std::string diff = playertest::DescribeTraceDifference(run.results[0].trace,
//                                                          playertest::ReadTextFile(dir / "output.txt"));
//   EXPECT_EQ(diff, "");
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace playertest {

struct Movie {
  std::string name;                    // label for reports; need not be unique
  std::filesystem::path swf;           // the movie to play
  std::filesystem::path folder;        // files the movie may load (relative addresses resolve
                                       // against the movie's own folder); must hold `swf`.
                                       // Empty: the movie's own folder.
  int frames = 1;                      // frames to run, at the movie's own frame rate (1..100000)
  int timeLimitMs = 20000;             // wall-clock limit for loading and running the movie
  std::filesystem::path screenshot{};  // when set: a PNG of the stage after the last frame, one
                                       // page pixel per stage pixel (stage 550 x 400 at most),
                                       // and its pixels beside it as <screenshot>.ppm
  std::string renderer{};              // the player's renderer: "canvas" (also when empty),
                                       // "webgl" or "wgpu-webgl"
  struct Click {
    int afterFrame = 1;   // the click comes once this frame has run
    double x = 0, y = 0;  // a point of the movie's stage, in pixels
  };
  std::vector<Click> clicks{};  // mouse clicks (move there, press, release), in order
  bool audio = false;           // record the sound the player puts out (see MovieResult::audio)
};

// What to look at on the screen after a movie's last frame has run.
struct Capture {
  size_t movie = 0;                               // index into the movies played
  std::filesystem::path screenshot;               // when given: the player's box, as PNG
  std::vector<std::pair<double, double>> pixels;  // points of the movie's stage, in pixels
                                                  // (the player shows the stage scaled to fit its box)
};

// Pixels of a screenshot: RGB, rows top first.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

// The left channel of the sound a movie put out, as the player mixed it, from its first frame
// until half a second of silence followed it (or two seconds of silence from the start). Sound
// plays in real time, not on the page's clock: the clock stays at the last frame meanwhile.
struct AudioRecord {
  bool recorded = false;  // a Movie with `audio` that played
  double rate = 0;        // samples a second of the output
  int64_t samples = 0;    // recorded in all
  int64_t first = -1;     // the first and last sample louder than 1 % of full scale; -1: none
  int64_t last = -1;
  int64_t crossings = 0;  // sign changes between samples beyond 3 % of full scale
  double peak = 0;        // the loudest sample, 0 to 1
};

struct MovieResult {
  std::string name;
  std::vector<std::string> trace;       // the movie's trace output, one entry per trace call, exact
  std::string error;                    // empty when the movie loaded and ran all its frames
  double frameRate = 0;                 // the frame rate the player found in the movie
  std::vector<std::string> pageErrors;  // script errors the page reported meanwhile (for reports)
  std::vector<uint32_t> pixels;         // 0xRRGGBB at each point of its Capture, when asked for
  Image screenshot;                     // the Movie's screenshot, when one was asked for and taken
  AudioRecord audio;                    // when the Movie asked for it
};

struct PlayRun {
  std::string error;                 // empty when the driver ran; else why it did not
  std::vector<MovieResult> results;  // one per movie, in the order given, when it ran
};

// Why the player can't run here (Node.js, Chromium or the npm packages missing), or empty.
std::string PlayerUnavailableReason();

// Plays the movies in one browser with `pages` pages playing side by side (1..16).
PlayRun Play(const std::vector<Movie>& movies, int pages = 4);
// The same, with screenshots and colours read after the last frame of some movies.
PlayRun Play(const std::vector<Movie>& movies, const std::vector<Capture>& captures, int pages = 4);

// A binary RGB PPM file (P6, 8 bits) as a screenshot leaves it; empty when it is not one.
Image ReadPpm(const std::filesystem::path& path);

// The whole text of a file, or an empty string when it can't be read.
std::string ReadTextFile(const std::filesystem::path& path);

// Trace output as a player's log shows it: each entry followed by a line break.
std::string TraceText(const std::vector<std::string>& trace);

// Compares trace output with an expected log such as a corpus movie's output.txt. Line breaks
// of the log may be CRLF; a log whose last line lacks its line break counts as if it had one.
// Empty when they are equal, else where they first differ (line number, expected, actual).
std::string DescribeTraceDifference(const std::vector<std::string>& trace, const std::string& expectedLog);

}  // namespace playertest
