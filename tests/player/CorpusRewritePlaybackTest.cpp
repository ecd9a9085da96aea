// Corpus movies read into the SWF object model and written back by rewrite-movie play as the
// originals do: each rewritten movie must trace exactly what its output.txt recorded.
//
// Which movies: those chosen by the rule of tests/support/CorpusMovies.h, less the ones known
// to trace differently even when played directly (corpusmovies::KnownPlaybackDifferences).
// Each folder is copied to a scratch folder and every movie in it (the movie played and any
// movie it loads) is replaced by its rewritten copy.
//
// kKnownRewriteDifferences lists the rewritten movies that do not play as recorded, each with
// its reason; an entry whose movie plays as recorded fails the test, so the list stays true.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/CorpusMovies.h"
#include "tests/support/PlayerRunner.h"

namespace {

namespace fs = std::filesystem;

using corpusmovies::CorpusMovie;

// Rewritten movies that do not trace what the original recorded, and why.
const std::map<std::string, std::string> kKnownRewriteDifferences = {
    {"bad_swf_tag_past_eof", "rewrite-movie refuses it: its last tag's declared length runs past the end of the file"},
};

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "plenwick-rewrite-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// Runs rewrite-movie; empty when it wrote `out`, else its reason.
std::string Rewrite(const fs::path& in, const fs::path& out, const fs::path& errFile) {
  const std::string command = std::string(PLENWICK_TEST_BINARY_DIR) + "/tools/rewrite-movie '" + in.string() + "' '" +
                              out.string() + "' 2>'" + errFile.string() + "'";
  const int status = std::system(command.c_str());
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return "";
  std::string reason = playertest::ReadTextFile(errFile);
  return reason.empty() ? "rewrite-movie failed without a reason" : reason;
}

TEST(CorpusRewritePlayback, RewrittenMoviesTraceTheirRecordedOutput) {
  const fs::path corpus = fs::path(PLENWICK_CORPUS_DIR) / "ruffle-avm1";
  ASSERT_TRUE(fs::is_directory(corpus)) << "no corpus at " << corpus;
  const std::string unavailable = playertest::PlayerUnavailableReason();
  ASSERT_EQ(unavailable, "");

  ScratchFolder scratch;
  ASSERT_FALSE(scratch.Path().empty());
  const auto& directKnown = corpusmovies::KnownPlaybackDifferences();
  std::vector<CorpusMovie> played;
  std::vector<playertest::Movie> movies;
  std::map<std::string, std::string> refused;  // movie -> reason
  int rewrittenFiles = 0;
  for (const CorpusMovie& c : corpusmovies::ChoosePlayableMovies(corpus)) {
    if (directKnown.count(c.name) != 0) continue;
    const fs::path folder = scratch.Path() / c.name;
    std::error_code ec;
    fs::copy(c.folder, folder, fs::copy_options::recursive, ec);
    ASSERT_FALSE(ec) << c.name << ": " << ec.message();
    std::string reason;
    for (const auto& entry : fs::recursive_directory_iterator(c.folder)) {
      if (!entry.is_regular_file() || entry.path().extension() != ".swf") continue;
      const fs::path copy = folder / fs::relative(entry.path(), c.folder);
      fs::remove(copy, ec);
      const std::string why = Rewrite(entry.path(), copy, scratch.Path() / "stderr.txt");
      if (why.empty()) {
        ++rewrittenFiles;
      } else if (reason.empty()) {
        reason = why;
      }
    }
    if (!reason.empty()) {
      refused[c.name] = reason;
      continue;
    }
    playertest::Movie m;
    m.name = c.name;
    m.swf = folder / "test.swf";
    m.folder = folder;
    m.frames = c.frames;
    m.timeLimitMs = 30000 + 250 * c.frames;
    movies.push_back(m);
    played.push_back(c);
  }
  ASSERT_FALSE(movies.empty());
  const int pages = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 2u, 6u));
  const playertest::PlayRun run = playertest::Play(movies, pages);
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), movies.size());

  int matched = 0;
  std::set<std::string> differing;
  for (size_t i = 0; i < played.size(); ++i) {
    const playertest::MovieResult& r = run.results[i];
    const std::string expected = playertest::ReadTextFile(played[i].folder / "output.txt");
    const std::string difference = r.error.empty() ? playertest::DescribeTraceDifference(r.trace, expected) : r.error;
    if (difference.empty()) {
      ++matched;
      if (kKnownRewriteDifferences.count(r.name) != 0)
        ADD_FAILURE() << r.name
                      << " is listed as differing once rewritten but plays as recorded: remove it from the list";
    } else {
      differing.insert(r.name);
      if (kKnownRewriteDifferences.count(r.name) == 0) ADD_FAILURE() << r.name << " (rewritten): " << difference;
    }
  }
  for (const auto& [name, reason] : refused) {
    if (kKnownRewriteDifferences.count(name) == 0) ADD_FAILURE() << name << ": " << reason;
  }
  for (const auto& [name, reason] : kKnownRewriteDifferences) {
    if (differing.count(name) == 0 && refused.count(name) == 0)
      ADD_FAILURE() << name << " is listed as differing once rewritten (" << reason
                    << ") but was not refused and played as recorded, or was not chosen";
  }
  std::printf(
      "rewritten corpus movies played: %zu (%d movie files rewritten), traced their output.txt: %d, "
      "differing: %zu, refused by rewrite-movie: %zu\n",
      played.size(), rewrittenFiles, matched, differing.size(), refused.size());
}

}  // namespace
