// How the player tests hold played movies against their lists of known differences: an
// unlisted difference fails, and so does a stale entry, by name.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/CorpusMovies.h"

namespace {

using corpusmovies::CompareWithKnownDifferences;
using corpusmovies::PlaybackDifference;
using corpusmovies::PlayedMovie;

const std::map<std::string, PlaybackDifference> kKnown = {
    {"differs", {"a reason"}},
    {"real_time", {"depends on real time", true}},
};

TEST(KnownDifferences, UnlistedDifferencesAndStaleEntriesFail) {
  struct Case {
    const char* what;
    std::vector<PlayedMovie> played;
    std::vector<std::string> failures;
    int matched, knownDiffer, knownMatched;
  } cases[] = {
      {"as listed", {{"a", ""}, {"differs", "line 1"}, {"real_time", "line 2"}}, {}, 1, 2, 0},
      {"a movie that may match does", {{"differs", "line 1"}, {"real_time", ""}}, {}, 1, 1, 1},
      {"an unlisted difference", {{"a", "line 3"}, {"differs", "line 1"}, {"real_time", ""}}, {"a: line 3"}, 1, 1, 1},
      {"a listed movie matches",
       {{"differs", ""}, {"real_time", "x"}},
       {"differs now matches its recorded output; its entry among the known differences (a reason) is stale"},
       1,
       1,
       1},
      {"a listed movie is not played",
       {{"a", ""}, {"differs", "line 1"}},
       {"real_time is listed among the known differences but was not played; its entry is stale"},
       1,
       1,
       0},
  };
  for (const Case& c : cases) {
    const corpusmovies::DifferenceReport report = CompareWithKnownDifferences(c.played, kKnown);
    EXPECT_EQ(report.failures, c.failures) << c.what;
    EXPECT_EQ(report.matched, c.matched) << c.what;
    EXPECT_EQ(report.knownDiffer, c.knownDiffer) << c.what;
    EXPECT_EQ(report.knownMatched, c.knownMatched) << c.what;
  }
}

}  // namespace
