// The tests' own inflater (tests/support/MovieInflater.h), which the preloader and corpus tests
// read compressed movies with: what it gives for each way a compressed movie can end.
#include "tests/support/MovieInflater.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using movieinflate::InflateMovie;
using movieinflate::InflateStatus;

// A "CWS" movie of version 6 whose zlib stream holds `body` and whose header declares `declared`.
Bytes Cws(const Bytes& body, uint32_t declared) {
  uLongf size = compressBound(static_cast<uLong>(body.size()));
  Bytes z(size);
  EXPECT_EQ(compress(z.data(), &size, body.data(), static_cast<uLong>(body.size())), Z_OK);
  z.resize(size);
  Bytes out = {'C', 'W', 'S', 6};
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(declared >> (8 * i)));
  out.insert(out.end(), z.begin(), z.end());
  return out;
}

TEST(MovieInflater, EachEndOfTheStreamHasItsStatus) {
  Bytes body(1000);
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<uint8_t>(i * 7 + i / 13);
  const Bytes exact = Cws(body, 1008);
  Bytes cut = exact;
  cut.resize(cut.size() - 20);
  Bytes damaged = exact;
  damaged[8] ^= 0xFF;  // the zlib header
  struct Case {
    const char* what;
    Bytes file;
    uint32_t ceiling;
    InflateStatus status;
    size_t body;  // bytes of the body given
  } cases[] = {
      {"exact", exact, 1u << 20, InflateStatus::kComplete, 1000},
      {"declared longer than the stream", Cws(body, 2000), 1u << 20, InflateStatus::kComplete, 1000},
      {"declared shorter than the stream", Cws(body, 508), 1u << 20, InflateStatus::kPastDeclared, 500},
      {"declared one byte short", Cws(body, 1007), 1u << 20, InflateStatus::kPastDeclared, 999},
      {"cut short", cut, 1u << 20, InflateStatus::kCutShort, 0},
      {"damaged", damaged, 1u << 20, InflateStatus::kDamaged, 0},
      {"above the ceiling", exact, 1007, InflateStatus::kTooLarge, 0},
      {"at the ceiling", exact, 1008, InflateStatus::kComplete, 1000},
      {"uncompressed", Bytes{'F', 'W', 'S', 6, 8, 0, 0, 0}, 1u << 20, InflateStatus::kNotCompressed, 0},
      {"short header", Bytes{'C', 'W', 'S', 6}, 1u << 20, InflateStatus::kNotCompressed, 0},
  };
  for (const Case& c : cases) {
    const movieinflate::Inflated inflated = InflateMovie(c.file, c.ceiling);
    EXPECT_EQ(inflated.status, c.status) << c.what;
    if (c.status == InflateStatus::kTooLarge || c.status == InflateStatus::kNotCompressed) {
      EXPECT_TRUE(inflated.movie.empty()) << c.what;
      continue;
    }
    ASSERT_GE(inflated.movie.size(), 8u) << c.what;
    EXPECT_EQ(std::string(inflated.movie.begin(), inflated.movie.begin() + 8),
              "FWS" + std::string(c.file.begin() + 3, c.file.begin() + 8))
        << c.what;
    if (c.status == InflateStatus::kCutShort) {
      // What there is of the body, and all of it right.
      EXPECT_GT(inflated.movie.size(), 8u) << c.what;
      EXPECT_LT(inflated.movie.size(), 1008u) << c.what;
      EXPECT_TRUE(std::equal(inflated.movie.begin() + 8, inflated.movie.end(), body.begin())) << c.what;
    } else if (c.status != InflateStatus::kDamaged) {
      EXPECT_EQ(Bytes(inflated.movie.begin() + 8, inflated.movie.end()),
                Bytes(body.begin(), body.begin() + static_cast<long>(c.body)))
          << c.what;
    }
  }
}

}  // namespace
