// Arbitrary bytes give errors, never a crash, a hang or a large allocation: the fuzz exercise
// over fixed mutations of a small movie, and over a few hand-made hostile inputs.
#include <gtest/gtest.h>

#include <random>

#include "tests/fuzz/SwfReaderExercise.h"
#include "tests/swf/ByteMutation.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes SmallMovie() {
  SwfBitWriter w(6);
  SwfHeader header;
  header.Set(0, 0, 11000, 8000, 24, 6);
  header.Write(w);
  {
    SwfBitWriter body(6);
    body.WriteU16(1);
    SwfRect(-5, 7, 12345, 678).Write(body);
    RawTag(4, body.GetBytes()).Write(w);
  }
  {
    SwfBitWriter body(6);
    auto m = SwfMatrix::Make(100, -200, 1.5f, 0.5f, 30, 30);
    m->Write(body);
    SwfCxformWithAlpha cx;
    cx.SetAlphaMultiplier(0.5);
    cx.Write(body);
    body.WriteWideString(L"_root.clip\u00e9");
    body.WriteU8(0);
    RawTag(5, body.GetBytes()).Write(w);
  }
  {
    SwfBitWriter body(6);
    SwfCxform cx;
    cx.SetTint(0x123456);
    cx.Write(body);
    body.WriteString("label");
    body.WriteU8(0);
    RawTag(6, body.GetBytes()).Write(w);
  }
  RawTag(77, Bytes(100, 0xAB)).Write(w);
  RawTag(1, Bytes{}).Write(w);
  RawTag(0, Bytes{}).Write(w);
  Bytes movie = w.GetBytes();
  const uint32_t length = static_cast<uint32_t>(movie.size());
  for (int i = 0; i < 4; ++i) movie[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(length >> (8 * i));
  return movie;
}

using swftest::Mutate;

TEST(SwfRobustness, TheValidMovieRoundTrips) {
  const Bytes movie = SmallMovie();
  swffuzz::ExerciseMovie(movie.data(), movie.size());
  Bytes cws;
  ASSERT_TRUE(DeflateSwf(movie.data(), movie.size(), cws));
  swffuzz::ExerciseMovie(cws.data(), cws.size());
}

TEST(SwfRobustness, MutatedMoviesGiveErrorsNotFaults) {
  const Bytes movie = SmallMovie();
  Bytes cws;
  ASSERT_TRUE(DeflateSwf(movie.data(), movie.size(), cws));
  std::mt19937 rng(20261210);
  for (int i = 0; i < 4000; ++i) {
    const Bytes input = Mutate(i % 2 == 0 ? movie : cws, rng);
    swffuzz::ExerciseMovie(input.data(), input.size());
  }
}

TEST(SwfRobustness, HostileInputs) {
  const Bytes inputs[] = {
      {},
      {'F'},
      {'F', 'W', 'S'},
      {'F', 'W', 'S', 6, 0xFF, 0xFF, 0xFF, 0xFF},  // declares 4 GiB, holds nothing
      {'F', 'W', 'S', 6, 0xFF, 0xFF, 0xFF, 0xFF, 0xF8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
      // A header followed by a tag whose long length is 0xFFFFFFF0.
      {'F', 'W', 'S', 6, 30, 0, 0, 0, 0x08, 0x00, 0x00, 0x0C, 0x01, 0x00, 0xFF, 0x0F, 0xF0, 0xFF, 0xFF, 0xFF, 1},
      {'C', 'W', 'S', 6, 0xFF, 0xFF, 0xFF, 0xFF, 0x78, 0xDA},
      {'C', 'W', 'S', 6, 0x00, 0x00, 0x00, 0x00},
  };
  for (const Bytes& input : inputs) swffuzz::ExerciseMovie(input.data(), input.size());
}

}  // namespace
