// The ruffle-avm1 corpus movies that the player tests play, chosen by one rule, and the ones
// among them known to trace differently from their recorded output when played directly.
//
// The rule: every folder with test.swf and output.txt whose test.toml asks for nothing but a
// frame count (num_frames or num_ticks) and the recipe the movie was compiled with, and that
// holds no scripted user input (input.json) or socket peer (socket.json). Any other file of
// the folder is served to the movie, which may load it. A test.toml option (image comparison,
// approximate numbers, warnings in the log, a default font, a viewport, network logs, known
// failures, player options) asks for something the harness does not do.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace corpusmovies {

struct CorpusMovie {
  std::string name;  // the folder's name
  std::filesystem::path folder;
  int frames = 0;  // the frames the recorded output ran
};

// The movies of `corpus` (the ruffle-avm1 folder) chosen by the rule, sorted by name.
std::vector<CorpusMovie> ChoosePlayableMovies(const std::filesystem::path& corpus);

// Why a chosen movie, played directly, traces differently from its output.txt.
struct PlaybackDifference {
  std::string reason;
  // It depends on something the browser does in real time, so on a quiet machine it may
  // match; every other listed movie must differ, or its entry is stale.
  bool mayMatch = false;
};

// Chosen movies that, played directly, trace differently from their output.txt or depend on
// something the browser does in real time, by name.
const std::map<std::string, PlaybackDifference>& KnownPlaybackDifferences();

// One played movie: its name and how its trace differs from its recorded output (empty when it
// matches).
struct PlayedMovie {
  std::string name;
  std::string difference;
};

// The played movies held against a list of known differences.
struct DifferenceReport {
  int matched = 0;       // movies that match, listed or not
  int knownDiffer = 0;   // listed movies that differ
  int knownMatched = 0;  // listed movies that match
  // Every unlisted movie that differs, and every stale entry: one whose movie matches
  // (unless it may) or was not played. Each names its movie.
  std::vector<std::string> failures;
};

DifferenceReport CompareWithKnownDifferences(const std::vector<PlayedMovie>& played,
                                             const std::map<std::string, PlaybackDifference>& known);

}  // namespace corpusmovies
