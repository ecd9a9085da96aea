// Every movie of the corpora read into objects and written back: each loads; the written
// movie reads back to the same tags; writing that again gives the same bytes. The tests print
// how many movies came back byte for byte on the first writing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "swf/SwfCompression.h"
#include "swf/SwfTagFactory.h"
#include "tests/swf/MovieTestSupport.h"
#include "tests/swf/TagTestSupport.h"

namespace {

using movietest::Bytes;
namespace fs = std::filesystem;

std::vector<fs::path> MoviesIn(const std::string& folder) {
  const fs::path root = fs::path(PLENWICK_CORPUS_DIR) / folder;
  std::vector<fs::path> movies;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file() && entry.path().extension() == ".swf") movies.push_back(entry.path());
  }
  std::sort(movies.begin(), movies.end());
  return movies;
}

struct Tally {
  int movies = 0;
  int identical = 0;
  int lzma = 0;
  std::vector<std::string> failures;
};

void CheckMovie(const fs::path& path, Tally& tally) {
  const Bytes file = tagtest::ReadFileBytes(path.string());
  const std::string name = path.parent_path().filename().string() + "/" + path.filename().string();
  SwfReader reader;
  const bool loaded = reader.LoadFileWithOptions(Utf8ToWide(path.string()), true, 0, true);
  if (file.size() >= 3 && file[0] == 'Z' && file[1] == 'W' && file[2] == 'S') {
    // LZMA-compressed movies (SWF 13 and later) are not a form this reader takes.
    ++tally.lzma;
    if (loaded || reader.GetError() != kSwfReadNotSwf) tally.failures.push_back(name + ": LZMA movie not refused");
    return;
  }
  ++tally.movies;
  if (!loaded) {
    tally.failures.push_back(name + ": does not load, error " + std::to_string(reader.GetError()));
    return;
  }
  const SwfHeader header = reader.GetHeader();
  const uint8_t version = header.version;
  movietest::TagList first = reader.TakeTags();
  const Bytes written = movietest::WriteMovie(header, first);

  Bytes original = file;
  if (file[0] == 'C') InflateSwf(file.data(), file.size(), original);
  if (written == original) ++tally.identical;

  SwfReader again;
  if (!again.LoadFromMemory(written.data(), written.size(), true, 0, true)) {
    tally.failures.push_back(name + ": written movie does not load");
    return;
  }
  if (again.GetHeader().frameCount != header.frameCount || !(again.GetHeader().frameSize == header.frameSize) ||
      again.GetHeader().version != version) {
    tally.failures.push_back(name + ": header differs after writing");
  }
  movietest::TagList second = again.TakeTags();
  const std::string difference = movietest::CompareTags(first, second, version);
  if (!difference.empty()) tally.failures.push_back(name + ": " + difference);
  const Bytes rewritten = movietest::WriteMovie(again.GetHeader(), second);
  if (rewritten != written) tally.failures.push_back(name + ": second writing differs");
}

void CheckFolder(const std::string& folder, int minimumMovies) {
  ASSERT_TRUE(fs::is_directory(fs::path(PLENWICK_CORPUS_DIR) / folder)) << PLENWICK_CORPUS_DIR;
  Tally tally;
  for (const fs::path& path : MoviesIn(folder)) CheckMovie(path, tally);
  std::cout << "[ corpus   ] " << folder << ": " << tally.identical << " of " << tally.movies
            << " movies byte-identical after one reading and writing (" << tally.lzma << " LZMA movies refused)\n";
  EXPECT_GE(tally.movies, minimumMovies);
  std::string report;
  for (size_t i = 0; i < tally.failures.size() && i < 30; ++i) report += tally.failures[i] + "\n";
  EXPECT_TRUE(tally.failures.empty()) << tally.failures.size() << " problems:\n" << report;
}

TEST(MovieCorpus, ScriptMoviesLoadAndRewriteToAFixedPoint) { CheckFolder("ruffle-avm1", 300); }

TEST(MovieCorpus, TagMoviesLoadAndRewriteToAFixedPoint) { CheckFolder("ruffle-swf-tags", 50); }

// The single-tag cases: every tag reads through the factory (a body its class cannot read
// stays raw with its bytes), and what it writes reads back and writes the same bytes.
TEST(MovieCorpus, SingleTagCasesReadThroughTheFactory) {
  const fs::path root = fs::path(PLENWICK_CORPUS_DIR) / "swf-tags";
  ASSERT_TRUE(fs::is_directory(root));
  int cases = 0;
  int modelled = 0;
  int identical = 0;
  std::vector<std::string> failures;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file() || entry.path().filename() != "input.bytes") continue;
    const std::string name = fs::relative(entry.path().parent_path(), root).string();
    const Bytes input = tagtest::ReadFileBytes(entry.path().string());
    ++cases;
    constexpr uint8_t kVersion = 10;
    SwfReader reader(input, kVersion);
    std::unique_ptr<SwfTag> tag = reader.ReadNextTag();
    if (!tag) {
      failures.push_back(name + ": no tag");
      continue;
    }
    const bool raw = dynamic_cast<RawTag*>(tag.get()) != nullptr;
    if (!raw) ++modelled;
    if (raw && IsModelledSwfTagCode(tag->TagCode())) {
      // Refused by its class: the bytes must be kept exactly.
      if (movietest::WriteOne(*tag, kVersion).size() < 2 ||
          tagtest::BodyOf(movietest::WriteOne(*tag, kVersion)) != tagtest::BodyOf(input)) {
        failures.push_back(name + ": refused body not kept");
      }
    }
    const Bytes first = movietest::WriteOne(*tag, kVersion);
    if (first == input) ++identical;
    if (first.empty()) continue;  // an empty script is left out when written
    SwfReader back(first, kVersion);
    std::unique_ptr<SwfTag> again = back.ReadNextTag();
    if (!again || movietest::WriteOne(*again, kVersion) != first) failures.push_back(name + ": second writing differs");
  }
  std::cout << "[ corpus   ] swf-tags: " << cases << " tags, " << modelled << " read by their classes, " << identical
            << " written byte-identical\n";
  EXPECT_GE(cases, 60);
  std::string report;
  for (const auto& f : failures) report += f + "\n";
  EXPECT_TRUE(failures.empty()) << report;
}

}  // namespace
