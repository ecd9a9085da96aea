#include "platform/Checksum.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> RandomBytes(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<unsigned char> v(n);
  for (auto& b : v) b = static_cast<unsigned char>(rng());
  return v;
}

std::vector<unsigned char> Compressed(const std::vector<unsigned char>& data) {
  size_t n = 0;
  auto buf = CompressToNewBuffer(data.data(), data.size(), n);
  EXPECT_NE(buf, nullptr);
  return buf ? std::vector<unsigned char>(buf.get(), buf.get() + n) : std::vector<unsigned char>();
}

}  // namespace

TEST(Checksum, Crc32MatchesTheStandardCheckValues) {
  std::uint32_t crc = 0;
  ASSERT_TRUE(Crc32Bytes("123456789", 9, crc));
  EXPECT_EQ(crc, 0xCBF43926u);
  ASSERT_TRUE(Crc32Bytes("", 0, crc));
  EXPECT_EQ(crc, 0u);
  crc = 77;
  EXPECT_FALSE(Crc32Bytes(nullptr, 3, crc));
  EXPECT_EQ(crc, 77u);

  for (const size_t n : {1u, 255u, 4096u, 100001u}) {
    const auto data = RandomBytes(n, static_cast<unsigned>(n));
    ASSERT_TRUE(Crc32Bytes(data.data(), data.size(), crc));
    EXPECT_EQ(crc, ::crc32(0, data.data(), static_cast<uInt>(data.size()))) << n;
  }
}

TEST(Checksum, WideTextCrcUsesTheLowByteOfEachCharacter) {
  std::uint32_t wide = 0;
  std::uint32_t bytes = 1;
  ASSERT_TRUE(Crc32WideString(L"123456789", wide));
  EXPECT_EQ(wide, 0xCBF43926u);
  ASSERT_TRUE(Crc32WideString(L"A\u0141\U0001F6FF", wide));  // low bytes 0x41 0x41 0xFF
  ASSERT_TRUE(Crc32Bytes("\x41\x41\xFF", 3, bytes));
  EXPECT_EQ(wide, bytes);
  ASSERT_TRUE(Crc32WideString(L"", wide));
  EXPECT_EQ(wide, 0u);
  EXPECT_FALSE(Crc32WideString(nullptr, wide));
}

TEST(Checksum, CompressionRoundTrips) {
  struct Case {
    const char* name;
    std::vector<unsigned char> data;
  };
  const std::vector<Case> cases = {
      {"empty", {}},
      {"ten bytes", {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'}},
      {"random 100 KB", RandomBytes(100 * 1024, 1)},
      {"zeros 1 MB", std::vector<unsigned char>(1 << 20, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto packed = Compressed(c.data);
    // The same stream zlib makes at its default level.
    std::vector<unsigned char> reference(compressBound(c.data.size()));
    uLongf refSize = reference.size();
    ASSERT_EQ(compress(reference.data(), &refSize, c.data.data(), c.data.size()), Z_OK);
    reference.resize(refSize);
    EXPECT_EQ(packed, reference);

    size_t n = 12345;
    auto unpacked = UncompressToNewBuffer(packed.data(), packed.size(), n);
    ASSERT_NE(unpacked, nullptr);
    ASSERT_EQ(n, c.data.size());
    EXPECT_TRUE(n == 0 || std::memcmp(unpacked.get(), c.data.data(), n) == 0);
  }
  size_t n = 0;
  EXPECT_EQ(CompressToNewBuffer(nullptr, 4, n), nullptr);
  EXPECT_EQ(UncompressToNewBuffer(nullptr, 4, n), nullptr);
}

TEST(Checksum, HighExpansionIsFineUpToTheLimit) {
  const std::vector<unsigned char> zeros(8 << 20, 0);  // deflates about a thousandfold
  const auto packed = Compressed(zeros);
  ASSERT_LT(packed.size() * 64, zeros.size());
  size_t n = 0;
  auto all = UncompressToNewBuffer(packed.data(), packed.size(), n);
  ASSERT_NE(all, nullptr);
  EXPECT_EQ(n, zeros.size());
  auto exact = UncompressToNewBuffer(packed.data(), packed.size(), n, zeros.size());
  ASSERT_NE(exact, nullptr);
  EXPECT_EQ(n, zeros.size());
  n = 99;
  EXPECT_EQ(UncompressToNewBuffer(packed.data(), packed.size(), n, zeros.size() - 1), nullptr);
  EXPECT_EQ(n, 99u);
}

TEST(Checksum, DamagedStreamsGiveNothing) {
  const std::string text(5000, 'q');
  const auto packed = Compressed(std::vector<unsigned char>(text.begin(), text.end()));
  size_t n = 0;
  // Cut short at every length.
  for (size_t len = 0; len < packed.size(); ++len) {
    EXPECT_EQ(UncompressToNewBuffer(packed.data(), len, n), nullptr) << len;
  }
  // Bad header, bad checksum.
  auto bad = packed;
  bad[0] ^= 0xFF;
  EXPECT_EQ(UncompressToNewBuffer(bad.data(), bad.size(), n), nullptr);
  bad = packed;
  bad.back() ^= 0x01;
  EXPECT_EQ(UncompressToNewBuffer(bad.data(), bad.size(), n), nullptr);
  // Bytes after the stream's end are ignored.
  auto trailing = packed;
  trailing.insert(trailing.end(), {1, 2, 3});
  auto ok = UncompressToNewBuffer(trailing.data(), trailing.size(), n);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(n, text.size());
}

TEST(Checksum, RandomDamageNeverHarms) {
  const auto source = RandomBytes(3000, 9);
  std::vector<unsigned char> mixed(source.begin(), source.end());
  mixed.insert(mixed.end(), 3000, 'a');
  const auto packed = Compressed(mixed);
  std::mt19937 rng(42);
  for (int round = 0; round < 2000; ++round) {
    auto copy = packed;
    const int flips = 1 + static_cast<int>(rng() % 4);
    for (int f = 0; f < flips; ++f) copy[rng() % copy.size()] ^= static_cast<unsigned char>(1 + rng() % 255);
    size_t n = 0;
    auto out = UncompressToNewBuffer(copy.data(), copy.size(), n, 1 << 20);
    if (out) {
      EXPECT_LE(n, size_t{1} << 20);
    }
  }
}
