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

#include <filesystem>
#include <string>
#include <vector>

namespace playertest {

struct Movie {
    std::string name;                  // label for reports; need not be unique
    std::filesystem::path swf;         // the movie to play
    std::filesystem::path folder;      // files the movie may load (relative addresses resolve
                                       // against the movie's own folder); must hold `swf`.
                                       // Empty: the movie's own folder.
    int frames = 1;                    // frames to run, at the movie's own frame rate (1..100000)
    int timeLimitMs = 20000;           // wall-clock limit for loading and running the movie
};

struct MovieResult {
    std::string name;
    std::vector<std::string> trace;    // the movie's trace output, one entry per trace call, exact
    std::string error;                 // empty when the movie loaded and ran all its frames
    double frameRate = 0;              // the frame rate the player found in the movie
    std::vector<std::string> pageErrors;  // script errors the page reported meanwhile (for reports)
};

struct PlayRun {
    std::string error;                 // empty when the driver ran; else why it did not
    std::vector<MovieResult> results;  // one per movie, in the order given, when it ran
};

// Why the player can't run here (Node.js, Chromium or the npm packages missing), or empty.
std::string PlayerUnavailableReason();

// Plays the movies in one browser with `pages` pages playing side by side (1..16).
PlayRun Play(const std::vector<Movie>& movies, int pages = 4);

// The whole text of a file, or an empty string when it can't be read.
std::string ReadTextFile(const std::filesystem::path& path);

// Trace output as a player's log shows it: each entry followed by a line break.
std::string TraceText(const std::vector<std::string>& trace);

// Compares trace output with an expected log such as a corpus movie's output.txt. Line breaks
// of the log may be CRLF; a log whose last line lacks its line break counts as if it had one.
// Empty when they are equal, else where they first differ (line number, expected, actual).
std::string DescribeTraceDifference(const std::vector<std::string>& trace, const std::string& expectedLog);

}  // namespace playertest
