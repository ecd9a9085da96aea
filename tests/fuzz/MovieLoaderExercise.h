// Loads arbitrary bytes as a whole movie through SwfReader (uncompressed "FWS" bytes directly,
// "CWS" bytes after a bounded inflation, as a movie file is loaded), and when it loads, writes
// it back and checks that the written movie is a fixed point of reading and writing:
// write(read(write(read(m)))) == write(read(m)), byte for byte, with the same header. (A tag
// may change kind on the way: a body cut short by the end of the data stays raw when first read,
// and its class reads the cut bytes once they are written with their real length.)
// Shared by the libFuzzer target fuzz_movie_loader and the movie loading tests.
//
// It aborts (through the sanitizers or an explicit check) only on a real fault; a report on
// stderr says which check failed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "swf/SwfCompression.h"
#include "swf/SwfHeader.h"
#include "swf/SwfReader.h"
#include "tests/swf/MovieTestSupport.h"

namespace moviefuzz {

// Ceiling of inflation while fuzzing: the same bounded code path as the 1 GiB default of a
// movie file, small enough to keep every run fast and its memory modest.
inline constexpr uint64_t kFuzzInflateCeiling = uint64_t{16} << 20;

inline void Check(bool condition, const std::string& what) {
  if (condition) return;
  std::fprintf(stderr, "movie loader check failed: %s\n", what.c_str());
  std::abort();
}

inline bool SameHeader(const SwfHeader& a, const SwfHeader& b) {
  return a.version == b.version && a.frameCount == b.frameCount && a.frameSize == b.frameSize;
}

// Loads `movie` (uncompressed) with every tag parsed; false when the reader refuses it.
inline bool Load(SwfReader& reader, const std::vector<uint8_t>& movie) {
  return reader.LoadFromMemory(movie.data(), movie.size(), true, 0, true);
}

// The fixed-point check over a movie that loaded. Returns the first writing.
inline std::vector<uint8_t> CheckRewrite(SwfReader& loaded) {
  const SwfHeader header = loaded.GetHeader();
  const movietest::TagList first = loaded.TakeTags();
  const std::vector<uint8_t> written = movietest::WriteMovie(header, first);

  SwfReader again;
  Check(Load(again, written), "the written movie does not load (error " + std::to_string(again.GetError()) + ")");
  Check(SameHeader(again.GetHeader(), header), "the header differs after writing");
  const movietest::TagList second = again.TakeTags();
  const std::vector<uint8_t> rewritten = movietest::WriteMovie(again.GetHeader(), second);
  Check(rewritten == written, "the second writing differs from the first");
  return written;
}

inline void ExerciseMovie(const uint8_t* data, size_t size) {
  std::vector<uint8_t> movie;
  if (size >= 1 && data[0] == 'C') {
    // Compressed bytes in memory are refused as they are; a file's are inflated first.
    SwfReader refused;
    Check(!refused.LoadFromMemory(data, size, true, 0, true) && refused.GetError() == kSwfReadNotSwf,
          "compressed bytes in memory were not refused");
    if (InflateSwf(data, size, movie, kFuzzInflateCeiling) != SwfInflateResult::kOk) return;
    Check(movie.size() <= kFuzzInflateCeiling, "inflation passed its ceiling");
  } else {
    movie.assign(data, data + size);
  }

  // The light split (used to look into a movie without interpreting it) over the same bytes.
  {
    SwfReader light;
    if (light.LoadFromMemory(movie.data(), movie.size(), true, 0, false)) {
      light.ParseTagsLight();
      Check(!light.GetTags().empty(), "the light split gave no tags");
    }
  }

  SwfReader reader;
  if (!Load(reader, movie)) {
    Check(reader.GetError() != kSwfReadNoError, "a refused movie reports no error");
    Check(reader.GetTags().empty(), "a refused movie keeps tags");
    return;
  }
  Check(!reader.GetTags().empty(), "a loaded movie has no tags");
  CheckRewrite(reader);
}

}  // namespace moviefuzz
