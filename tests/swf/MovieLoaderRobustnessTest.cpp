// The whole-movie loader over hostile bytes: the fuzz exercise of fuzz_movie_loader (load, write,
// read, write again to the same bytes) over hand-made movies, over inputs the fuzzer stopped on,
// and over fixed mutations of the corpus movies, so that the sanitizer build checks it on every
// test run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>

#include "swf/SwfCompression.h"
#include "swf/SwfReader.h"
#include "tests/fuzz/MovieLoaderExercise.h"
#include "tests/swf/ByteMutation.h"
#include "tests/swf/TagTestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

// "FWS" version 6, a 1x1-bit empty frame rectangle, 12 fps, one frame, then `tags`; the
// length field holds the real length.
Bytes Movie(const Bytes& tags) {
  Bytes movie = {'F', 'W', 'S', 6, 0, 0, 0, 0, 0x00, 0x00, 0x0C, 0x01, 0x00};
  movie.insert(movie.end(), tags.begin(), tags.end());
  const auto length = static_cast<uint32_t>(movie.size());
  for (size_t i = 0; i < 4; ++i) movie[4 + i] = static_cast<uint8_t>(length >> (8 * i));
  return movie;
}

// A long-form tag header declaring `length` bytes, then `body` (which may hold fewer).
Bytes LongTag(int code, uint32_t length, const Bytes& body) {
  Bytes out = {static_cast<uint8_t>((code << 6) | 0x3F), static_cast<uint8_t>(code >> 2)};
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(length >> (8 * i)));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes Compressed(const Bytes& movie) {
  Bytes cws;
  EXPECT_TRUE(DeflateSwf(movie.data(), movie.size(), cws));
  return cws;
}

Bytes NestedSprites(int levels) {
  Bytes inner = {0x00, 0x00};  // End
  for (int i = 0; i < levels; ++i)
    inner = LongTag(39, static_cast<uint32_t>(inner.size() + 4), [&] {
      Bytes body = {1, 0, 1, 0};
      body.insert(body.end(), inner.begin(), inner.end());
      return body;
    }());
  return inner;
}

struct Case {
  const char* name;
  Bytes input;
  bool loads;
};

TEST(MovieLoaderRobustness, HandMadeAndFoundMoviesLoadAndRewriteToAFixedPoint) {
  const Bytes cutShort = Movie(LongTag(8, 100, Bytes(10, 0xD8)));
  const Case cases[] = {
      // Found by the fuzzer: the last tag's body is cut short by the end of the data. It stays
      // raw when first read; once written with its real length its class reads it.
      {"JPEGTables cut short", cutShort, true},
      {"the same, compressed", Compressed(cutShort), true},
      {"sprite whose child declares more than the sprite holds",
       Movie(LongTag(39, 10, {1, 0, 1, 0, 0x3F, 0x03, 0xFF, 0xFF, 0xFF, 0x7F})), true},
      {"tag header cut in half", Movie({0x3F}), true},
      {"long tag header cut short", Movie({0x3F, 0x03, 0x10}), true},
      {"sprites nested to the limit", Movie(NestedSprites(kSwfMaxSpriteNesting)), true},
      {"sprites nested past the limit", Movie(NestedSprites(kSwfMaxSpriteNesting + 1)), false},
      {"header only, no tags", Movie({}), true},
      {"header cut inside the frame rectangle", {'F', 'W', 'S', 6, 9, 0, 0, 0, 0xF8}, false},
      {"compressed, declared past the inflation ceiling",
       [] {
         Bytes cws = Compressed(Movie({0x40, 0x00, 0x00, 0x00}));
         cws[4] = cws[5] = cws[6] = cws[7] = 0xFF;
         return cws;
       }(),
       false},
      {"compressed stream damaged", {'C', 'W', 'S', 6, 20, 0, 0, 0, 0x78, 0xDA, 0xFF, 0xFF}, false},
      {"LZMA signature", {'Z', 'W', 'S', 13, 20, 0, 0, 0, 0, 0, 0, 0}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes plain = c.input;
    if (!plain.empty() && plain[0] == 'C' &&
        InflateSwf(c.input.data(), c.input.size(), plain, moviefuzz::kFuzzInflateCeiling) != SwfInflateResult::kOk) {
      plain.clear();
    }
    SwfReader reader;
    EXPECT_EQ(moviefuzz::Load(reader, plain), c.loads) << "error " << reader.GetError();
    moviefuzz::ExerciseMovie(c.input.data(), c.input.size());
  }
}

TEST(MovieLoaderRobustness, TheCutShortTagIsWrittenWithTheBytesThatWereThere) {
  const Bytes movie = Movie(LongTag(8, 100, Bytes(10, 0xD8)));
  SwfReader reader;
  ASSERT_TRUE(moviefuzz::Load(reader, movie));
  const Bytes written = moviefuzz::CheckRewrite(reader);
  // The ten bytes, now declared as ten (short form), then the End tag the loader adds.
  Bytes tail = {static_cast<uint8_t>((8 << 6) | 10), 8 >> 2};
  tail.insert(tail.end(), 10, 0xD8);
  tail.insert(tail.end(), {0x00, 0x00});
  ASSERT_GT(written.size(), tail.size());
  EXPECT_EQ(Bytes(written.end() - static_cast<std::ptrdiff_t>(tail.size()), written.end()), tail);
  EXPECT_EQ(written[4] | (written[5] << 8), static_cast<int>(written.size()));
}

TEST(MovieLoaderRobustness, MutatedCorpusMoviesGiveErrorsNotFaults) {
  const fs::path root = fs::path(PLENWICK_CORPUS_DIR) / "ruffle-swf-tags";
  ASSERT_TRUE(fs::is_directory(root)) << root;
  std::vector<fs::path> movies;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file() && entry.path().extension() == ".swf") movies.push_back(entry.path());
  }
  std::sort(movies.begin(), movies.end());
  std::mt19937 rng(20261211);
  int inputs = 0;
  int loaded = 0;
  for (const fs::path& path : movies) {
    SCOPED_TRACE(path.string());
    const Bytes file = tagtest::ReadFileBytes(path.string());
    moviefuzz::ExerciseMovie(file.data(), file.size());
    Bytes plain = file;
    if (!file.empty() && file[0] == 'C' && InflateSwf(file.data(), file.size(), plain) != SwfInflateResult::kOk) {
      continue;
    }
    for (int i = 0; i < 16; ++i) {
      Bytes input = swftest::Mutate(plain, rng);
      if (i % 4 == 3) {
        Bytes cws;
        if (DeflateSwf(input.data(), input.size(), cws)) input = std::move(cws);
      }
      moviefuzz::ExerciseMovie(input.data(), input.size());
      Bytes check = input;
      if (!input.empty() && input[0] == 'C' &&
          InflateSwf(input.data(), input.size(), check, moviefuzz::kFuzzInflateCeiling) != SwfInflateResult::kOk) {
        check.clear();
      }
      SwfReader reader;
      if (moviefuzz::Load(reader, check)) ++loaded;
      ++inputs;
    }
  }
  std::cout << "[ corpus   ] ruffle-swf-tags: " << movies.size() << " movies, " << inputs << " mutations, " << loaded
            << " of them load and rewrite to a fixed point\n";
  EXPECT_GE(movies.size(), 50u);
}

}  // namespace
