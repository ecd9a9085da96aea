// The player harness itself, proved on real movies: corpus movies played directly must trace
// exactly what their output.txt recorded.
//
// Which movies: those chosen by the rule of tests/support/CorpusMovies.h.
//
// The movies listed in corpusmovies::KnownPlaybackDifferences trace differently, or depend on
// something the browser does in real time, for the reasons given; every other chosen movie must
// match. A listed entry is stale, and fails the test, when its movie matches (unless it depends
// on real time) or is not chosen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/CorpusMovies.h"
#include "tests/support/PlayerRunner.h"

namespace {

namespace fs = std::filesystem;

using corpusmovies::CorpusMovie;

TEST(CorpusPlayback, ChosenMoviesTraceTheirRecordedOutput) {
  const fs::path corpus = fs::path(PLENWICK_CORPUS_DIR) / "ruffle-avm1";
  ASSERT_TRUE(fs::is_directory(corpus)) << "no corpus at " << corpus;
  const std::string unavailable = playertest::PlayerUnavailableReason();
  ASSERT_EQ(unavailable, "");

  const std::vector<CorpusMovie> chosen = corpusmovies::ChoosePlayableMovies(corpus);
  ASSERT_FALSE(chosen.empty());
  std::vector<playertest::Movie> movies;
  for (const CorpusMovie& c : chosen) {
    playertest::Movie m;
    m.name = c.name;
    m.swf = c.folder / "test.swf";
    m.folder = c.folder;
    m.frames = c.frames;
    // Wall-clock room for a busy machine (sanitizers, parallel test runs): each frame is a
    // few round trips to the browser.
    m.timeLimitMs = 30000 + 250 * c.frames;
    movies.push_back(m);
  }
  const int pages = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 2u, 6u));
  const playertest::PlayRun run = playertest::Play(movies, pages);
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), movies.size());

  std::vector<corpusmovies::PlayedMovie> played;
  for (size_t i = 0; i < chosen.size(); ++i) {
    const playertest::MovieResult& r = run.results[i];
    const std::string expected = playertest::ReadTextFile(chosen[i].folder / "output.txt");
    played.push_back({r.name, r.error.empty() ? playertest::DescribeTraceDifference(r.trace, expected) : r.error});
  }
  const corpusmovies::DifferenceReport report =
      corpusmovies::CompareWithKnownDifferences(played, corpusmovies::KnownPlaybackDifferences());
  for (const std::string& failure : report.failures) ADD_FAILURE() << failure;
  std::printf(
      "corpus movies chosen: %zu, matched their output.txt: %d, known to differ: %d (of which now matching: %d)\n",
      chosen.size(), report.matched, report.knownDiffer + report.knownMatched, report.knownMatched);
}

}  // namespace
