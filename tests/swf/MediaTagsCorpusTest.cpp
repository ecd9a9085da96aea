// Every bitmap, button, font, sound, video and text tag of the corpus movies, read, written,
// read again and written again: the two writings agree, opaque data passes unchanged, and no
// tag of a kind the movies are made of is refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "swf/SwfCompression.h"
#include "swf/SwfTagFactory.h"
#include "tests/swf/TagTestSupport.h"

namespace {

using tagtest::Bytes;

// The media tag kinds this test looks at; every other tag is passed over.
bool IsMediaTag(int code) {
  static const std::set<int> kMedia = {6,  8,  21, 35, 20, 36, 7,  34, 23, 17, 10, 13,
                                       62, 48, 14, 15, 18, 45, 19, 60, 61, 11, 33, 37};
  return kMedia.count(code) != 0;
}

std::unique_ptr<SwfTag> MakeMediaTag(int code, uint32_t length) {
  return IsMediaTag(code) ? CreateSwfTag(code, length) : nullptr;
}

// Codes whose data is opaque: a rewrite gives the same body.
bool IsOpaque(int code) {
  static const std::set<int> kOpaque = {6, 8, 21, 35, 20, 36, 14, 15, 18, 45, 19, 60, 61, 13, 62, 17};
  return kOpaque.count(code) != 0;
}

struct Tally {
  int tags = 0;
  int refused = 0;
  std::vector<std::string> failures;
};

// Calls `visit` with the bytes of every tag (header included) of a movie and of its sprites.
void ForEachTag(const Bytes& movie, const std::function<void(const Bytes&, int, uint32_t)>& visit) {
  Bytes plain;
  if (movie.size() > 3 && movie[0] == 'C') {
    if (InflateSwf(movie.data(), movie.size(), plain) != SwfInflateResult::kOk) return;
  } else {
    plain = movie;
  }
  SwfReader reader(plain, plain.size() > 3 ? plain[3] : 6);
  reader.Seek(8);
  SwfRect frame;
  frame.Read(reader);
  reader.ByteAlign();
  reader.Skip(4);
  std::function<void(size_t)> walk = [&](size_t end) {
    while (reader.GetPosition() < end && !reader.HasOverrun()) {
      const size_t start = reader.GetPosition();
      SwfTagHeader header;
      if (!ReadTagHeader(reader, header)) return;
      const size_t bodyStart = reader.GetPosition();
      const size_t bodyEnd = std::min<size_t>(bodyStart + header.length, end);
      visit(Bytes(plain.begin() + static_cast<long>(start), plain.begin() + static_cast<long>(bodyEnd)), header.code,
            header.length);
      if (header.code == 39 && header.length >= 4) {
        reader.Seek(bodyStart + 4);
        walk(bodyEnd);
      }
      reader.Seek(bodyEnd);
      if (header.code == 0 && end == plain.size()) return;
    }
  };
  walk(plain.size());
}

void CheckMovie(const std::filesystem::path& path, Tally& tally) {
  const Bytes movie = tagtest::ReadFileBytes(path.string());
  if (movie.size() < 8) return;
  const uint8_t version = movie[3];
  ForEachTag(movie, [&](const Bytes& bytes, int code, uint32_t length) {
    auto tag = MakeMediaTag(code, length);
    if (!tag) return;
    ++tally.tags;
    const tagtest::ReadResult r = tagtest::ReadTag(bytes, *tag, version);
    const std::string where = path.filename().string() + " tag " + std::to_string(code);
    if (r.overrun) {
      ++tally.refused;
      tally.failures.push_back(where + ": refused");
      return;
    }
    const Bytes first = tagtest::WriteTag(*tag, version);
    auto again = MakeMediaTag(code, static_cast<uint32_t>(tagtest::BodyOf(first).size()));
    const tagtest::ReadResult r2 = tagtest::ReadTag(first, *again, version);
    const Bytes second = tagtest::WriteTag(*again, version);
    if (r2.overrun || first != second) tally.failures.push_back(where + ": second writing differs");
    if (IsOpaque(code) && tagtest::BodyOf(first) != tagtest::BodyOf(bytes)) {
      // Only the reserved bits of a stream head's playback byte may change.
      if (!(code == 18 || code == 45)) tally.failures.push_back(where + ": opaque body changed");
    }
  });
}

void CheckFolder(const std::string& folder, int minimumTags) {
  const std::filesystem::path root = std::filesystem::path(PLENWICK_CORPUS_DIR) / folder;
  ASSERT_TRUE(std::filesystem::is_directory(root)) << root;
  Tally tally;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.is_regular_file() && entry.path().extension() == ".swf") CheckMovie(entry.path(), tally);
  }
  EXPECT_GE(tally.tags, minimumTags);
  std::string report;
  for (size_t i = 0; i < tally.failures.size() && i < 20; ++i) report += tally.failures[i] + "\n";
  EXPECT_TRUE(tally.failures.empty()) << tally.failures.size() << " problems of " << tally.tags << " tags:\n" << report;
}

TEST(MediaTagsCorpus, TagMoviesRewriteToAFixedPoint) { CheckFolder("ruffle-swf-tags", 20); }

TEST(MediaTagsCorpus, ScriptMoviesRewriteToAFixedPoint) { CheckFolder("ruffle-avm1", 50); }

}  // namespace
