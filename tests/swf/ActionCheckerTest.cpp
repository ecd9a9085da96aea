// The independent checker must itself catch broken lists, or the tests that
// rely on it prove nothing; and the movie model must keep the action lists of
// real movies intact.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/ActionChecker.h"
#include "tests/swf/ActionTestUtil.h"

namespace {

struct CheckerCase {
  const char* name;
  Bytes bytes;
  bool ok;
};

TEST(ActionChecker, FindsBrokenBranchesAndBlocks) {
  const CheckerCase cases[] = {
      {"empty list", {0x00}, true},
      {"jump over a stop", {0x99, 0x02, 0x00, 0x01, 0x00, 0x07, 0x00}, true},
      {"jump onto the End", {0x99, 0x02, 0x00, 0x00, 0x00, 0x00}, true},
      {"jump back to the start", {0x07, 0x99, 0x02, 0x00, 0xFA, 0xFF, 0x00}, true},
      {"jump into a push", {0x99, 0x02, 0x00, 0x01, 0x00, 0x96, 0x02, 0x00, 0x05, 0x01, 0x00}, false},
      {"jump past the End", {0x99, 0x02, 0x00, 0x02, 0x00, 0x07, 0x00}, false},
      {"jump before the start", {0x99, 0x02, 0x00, 0xF0, 0xFF, 0x00}, false},
      {"if with a long payload", {0x9D, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00}, false},
      {"payload past the list", {0x96, 0x09, 0x00, 0x07, 0x00}, false},
      {"no End byte", {0x07, 0x06}, false},
      {"bytes after End", {0x07, 0x00, 0x07}, false},
      {"function body of 1", {0x9B, 0x05, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x3E, 0x00}, true},
      {"function body into an action",
       {0x9B, 0x05, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x99, 0x02, 0x00, 0x00, 0x00, 0x00},
       false},
      {"jump out of a function",
       {0x9B, 0x05, 0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x99, 0x02, 0x00, 0x01, 0x00, 0x07, 0x00},
       false},
      {"jump to the end of its function",
       {0x9B, 0x05, 0x00, 0x00, 0x00, 0x00, 0x06, 0x00, 0x99, 0x02, 0x00, 0x01, 0x00, 0x07, 0x07, 0x00},
       true},
      {"malformed function", {0x9B, 0x03, 0x00, 'f', 0x00, 0x00, 0x00}, false},
      {"function2 body", {0x8E, 0x08, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x01, 0x00, 0x3E, 0x00}, true},
      {"with block too long", {0x94, 0x02, 0x00, 0x05, 0x00, 0x07, 0x00}, false},
      {"with block", {0x94, 0x02, 0x00, 0x01, 0x00, 0x07, 0x00}, true},
      {"try blocks", {0x8F, 0x08, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x07, 0x17, 0x00}, true},
      {"try catch into an action",
       {0x8F, 0x08, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x07, 0x99, 0x02, 0x00, 0x00, 0x00, 0x00},
       false},
  };
  for (const CheckerCase& c : cases) {
    actioncheck::CheckResult r = actioncheck::CheckActionList(c.bytes);
    EXPECT_EQ(r.Ok(), c.ok) << c.name << "\n" << r.Report();
  }
}

std::vector<std::filesystem::path> CorpusMovies() {
  std::vector<std::filesystem::path> movies;
  const std::filesystem::path root = PLENWICK_CORPUS_DIR;
  std::error_code ec;
  if (!std::filesystem::is_directory(root, ec)) return movies;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    if (it->path().extension() == ".swf") movies.push_back(it->path());
  std::sort(movies.begin(), movies.end());
  return movies;
}

// Every action list of the corpus reads into objects that write the same bytes
// again, and what is written passes the checker.
TEST(ActionCorpus, ActionListsOfRealMoviesSurviveReadAndWrite) {
  const auto movies = CorpusMovies();
  if (movies.empty()) GTEST_SKIP() << "no corpus at " << PLENWICK_CORPUS_DIR;
  size_t lists = 0;
  size_t identical = 0;
  for (const auto& movie : movies) {
    std::vector<actioncheck::MovieActionList> found;
    std::string error;
    if (!actioncheck::CollectMovieActionLists(movie.string(), found, error)) continue;
    for (const auto& list : found) {
      SCOPED_TRACE(movie.string() + " " + list.where);
      const auto version = static_cast<uint8_t>(list.version);
      const bool init = list.where.compare(list.where.rfind("tag "), 7, "tag 59 ") == 0;
      actioncheck::CheckResult original = actioncheck::CheckActionList(list.bytes);
      auto read = ReadList(list.bytes, version, !init);
      const Bytes written = WriteList(*read, version);
      ++lists;
      // The written list is the original up to its End byte; a list that
      // lacks one gains it.
      Bytes expected(list.bytes.begin(), list.bytes.begin() + static_cast<long>(original.endOffset));
      expected.push_back(0x00);
      if (original.problems.empty() || !original.sawEnd) {
        if (written == expected)
          ++identical;
        else
          ADD_FAILURE() << "rewritten bytes differ";
      }
      actioncheck::CheckResult again = actioncheck::CheckActionList(written);
      EXPECT_EQ(again.Ok(), original.Ok() || !original.sawEnd) << again.Report();
      // Reading what was written gives the same bytes once more.
      EXPECT_EQ(WriteList(*ReadList(written, version, !init), version), written);
    }
  }
  EXPECT_GT(lists, 500u);
  EXPECT_EQ(identical, lists);
}

}  // namespace
