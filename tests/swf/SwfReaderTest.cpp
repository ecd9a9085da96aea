#include "swf/SwfReader.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(SwfReader, ReadsLittleEndianIntegers) {
  SwfReader r(Bytes{0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xAB}, 6);
  EXPECT_EQ(r.ReadU16(), 0x1234);
  EXPECT_EQ(r.ReadU32(), 0x12345678u);
  EXPECT_EQ(r.ReadU8(), 0xAB);
  EXPECT_FALSE(r.HasOverrun());
}

TEST(SwfReader, ShortReadsGiveZeroWithoutMovingAndSetOverrun) {
  SwfReader r(Bytes{0x01, 0x02, 0x03}, 6);
  r.Seek(2);
  EXPECT_EQ(r.ReadU16(), 0);
  EXPECT_EQ(r.GetPosition(), 2u);
  EXPECT_TRUE(r.HasOverrun());
  EXPECT_EQ(r.ReadU8(), 0x03) << "what fits is still read";
  EXPECT_EQ(r.ReadU32(), 0u);
  EXPECT_TRUE(r.HasOverrun()) << "the flag is sticky";
}

TEST(SwfReader, SignedBitFieldsAreSignExtended) {
  struct Case {
    Bytes bytes;
    int count;
    bool isSigned;
    int32_t value;
  };
  const Case cases[] = {
      {{0x80}, 5, true, -16},
      {{0x80}, 1, true, -1},
      {{0x80}, 1, false, 1},
      {{0x78}, 5, true, 15},
      {{0xFF, 0xFF, 0xFF, 0xFF}, 32, true, -1},
      {{0xFF, 0xFF, 0xFF, 0xFF}, 32, false, -1},  // all 32 bits; the caller casts to unsigned
      {{0xB3}, 0, true, 0},
  };
  for (const Case& c : cases) {
    SwfReader r(c.bytes, 6);
    EXPECT_EQ(r.ReadBits(c.count, c.isSigned), c.value) << c.count;
    EXPECT_FALSE(r.HasOverrun());
  }
}

TEST(SwfReader, BitsPastTheEndReadAsZeroAndWidthsAbove32AreErrors) {
  SwfReader r(Bytes{0xFF}, 6);
  EXPECT_EQ(r.ReadUBits(12), 0xFF0u);
  EXPECT_TRUE(r.HasOverrun());

  SwfReader wide(Bytes(64, 0xFF), 6);
  EXPECT_EQ(wide.ReadBits(255, false), 0);
  EXPECT_TRUE(wide.HasOverrun());
  EXPECT_EQ(wide.GetPosition(), 0u);
}

TEST(SwfReader, BitFieldsMatchABitByBitReading) {
  std::mt19937 rng(99);
  Bytes data(4096);
  for (auto& b : data) b = static_cast<uint8_t>(rng());
  SwfReader r(data, 6);
  uint64_t bit = 0;  // next bit of the reference reading
  while (true) {
    const int width = static_cast<int>(rng() % 33);
    const bool isSigned = (rng() & 1) != 0;
    if (bit + static_cast<uint64_t>(width) > data.size() * 8) break;
    uint64_t expect = 0;
    for (int i = 0; i < width; ++i, ++bit) expect = (expect << 1) | ((data[bit / 8] >> (7 - bit % 8)) & 1);
    if (isSigned && width > 0 && (expect >> (width - 1)) != 0) expect |= ~uint64_t{0} << width;
    ASSERT_EQ(r.ReadBits(width, isSigned), static_cast<int32_t>(static_cast<uint32_t>(expect))) << width;
  }
  EXPECT_FALSE(r.HasOverrun());
}

// Bit reads inside a range that ends before the data does, against a reading one bit at a
// time: the value, where the reader stands afterwards (on the byte that gave the last bit,
// bit position 1..8) and the overrun of a read that runs past the range, whose missing bits
// read as zeros.
TEST(SwfReader, BitReadsKeepTheirPositionAndStopAtTheRangeEnd) {
  std::mt19937 rng(7);
  Bytes data(64);
  for (auto& b : data) b = static_cast<uint8_t>(rng());
  for (size_t rangeEnd : {size_t{1}, size_t{5}, size_t{9}, size_t{23}, size_t{40}, size_t{64}}) {
    for (int trial = 0; trial < 40; ++trial) {
      SwfReader r(data, 6);
      SwfReaderRange range(r, rangeEnd);
      uint64_t bit = 0;  // the reference's next bit
      bool overrun = false;
      for (int n = 0; n < 200 && !overrun; ++n) {
        const int width = static_cast<int>(rng() % 33);
        uint64_t expect = 0;
        int got = 0;
        for (; got < width && bit < rangeEnd * 8; ++got, ++bit) {
          expect = (expect << 1) | ((data[bit / 8] >> (7 - bit % 8)) & 1);
        }
        if (got < width) {
          overrun = true;
          expect <<= (width - got);
        }
        ASSERT_EQ(r.ReadUBits(width), static_cast<uint32_t>(expect)) << rangeEnd << " " << width;
        ASSERT_EQ(r.HasOverrun(), overrun);
        if (!overrun && width > 0) {
          ASSERT_EQ(r.GetPosition(), (bit - 1) / 8) << rangeEnd << " " << width;
          ASSERT_EQ(static_cast<uint64_t>(r.GetBitPosition()), bit - (bit - 1) / 8 * 8);
        }
      }
      if (overrun) {
        EXPECT_EQ(r.GetPosition(), rangeEnd);
        EXPECT_EQ(r.GetRemaining(), 0u);
      }
    }
  }
}

TEST(SwfReader, PeekByteLooksPastPendingBits) {
  SwfReader r(Bytes{0xE0, 0x42, 0x43}, 6);
  EXPECT_EQ(r.PeekByte(), 0xE0);
  r.ReadUBits(3);
  EXPECT_EQ(r.PeekByte(), 0x42);
  EXPECT_EQ(r.GetPosition(), 0u);
  EXPECT_EQ(r.GetBitPosition(), 3);
  r.Seek(3);
  EXPECT_EQ(r.PeekByte(), 0);
}

TEST(SwfReader, SeekAndSkipAreClampedToTheRange) {
  SwfReader r(Bytes(10, 0), 6);
  r.Seek(4);
  EXPECT_EQ(r.GetPosition(), 4u);
  EXPECT_FALSE(r.HasOverrun());
  r.Skip(SIZE_MAX);
  EXPECT_EQ(r.GetPosition(), 10u);
  EXPECT_TRUE(r.HasOverrun());
  r.SetOverrun(false);
  r.Seek(1000);
  EXPECT_EQ(r.GetPosition(), 10u);
  EXPECT_TRUE(r.HasOverrun());
}

TEST(SwfReader, ReadBytesNeverReadsOrAllocatesPastTheRange) {
  SwfReader r(Bytes{1, 2, 3, 4, 5}, 6);
  r.ReadU8();
  std::vector<uint8_t> out;
  EXPECT_EQ(r.ReadBytes(0xFFFFFFFFu, out), 4u);
  EXPECT_EQ(out, (Bytes{2, 3, 4, 5}));
  EXPECT_TRUE(r.HasOverrun());
  EXPECT_TRUE(r.CanHold(0, 8));
  EXPECT_FALSE(r.CanHold(1, 1));
}

TEST(SwfReader, StringsTerminatedCountedAndUnterminated) {
  SwfReader r(Bytes{'a', 'b', 0, 'c', 'd', 0, 'e', 'f'}, 6);
  WideString s;
  EXPECT_EQ(r.ReadString(s, 0, false), 3u);
  EXPECT_EQ(s, L"ab");
  EXPECT_EQ(r.ReadString(s, 3, false), 3u);
  EXPECT_EQ(s, L"cd") << "a counted read drops one trailing NUL";
  EXPECT_EQ(r.ReadString(s, 0, false), 2u);
  EXPECT_EQ(s, L"ef");
  EXPECT_FALSE(r.HasOverrun());
  EXPECT_EQ(r.ReadString(s, 4, false), 0u);
  EXPECT_TRUE(r.HasOverrun());
}

TEST(SwfReader, StringBytesSurviveInEveryVersion) {
  const Bytes bytes{'A', 0xE9, 0xC3, 0xA9, 0xFF, 0x80};
  SwfReader v5(Bytes(bytes), 5);
  WideString s;
  v5.ReadString(s, bytes.size(), false);
  EXPECT_EQ(s, (std::wstring{L'A', 0xE9, 0xC3, 0xA9, 0xFF, 0x80}));

  SwfReader v6(Bytes(bytes), 6);
  v6.ReadString(s, bytes.size(), false);
  EXPECT_EQ(s, (std::wstring{L'A', 0xDC80 + 0x69, 0xE9, 0xDC80 + 0x7F, 0xDC80 + 0x00}));
}

TEST(SwfReader, DetectsAbsolutePaths) {
  struct Case {
    const char* text;
    bool absolute;
  };
  const Case cases[] = {{"_ROOT.clip", true}, {"_root", true}, {"_roo", false},
                        {"root/x", false},    {"/a", true},    {"", false}};
  for (const Case& c : cases) {
    const std::string text(c.text);
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    SwfReader r(bytes, 6);
    WideString s;
    r.ReadString(s, 0, true);
    EXPECT_EQ(r.HasAbsolutePaths(), c.absolute) << c.text;
  }
  SwfReader off(Bytes{'/', 'a', 0}, 6);
  WideString s;
  off.ReadString(s, 0, false);
  EXPECT_FALSE(off.HasAbsolutePaths());
}

TEST(SwfReaderRange, ReadsStayInsideAndCloseMovesToTheEnd) {
  SwfReader r(Bytes{1, 2, 3, 4, 5, 6}, 6);
  r.ReadU8();
  {
    SwfReaderRange range(r, 2);
    EXPECT_EQ(range.Begin(), 1u);
    EXPECT_EQ(range.End(), 3u);
    EXPECT_EQ(r.ReadU8(), 2);
    EXPECT_EQ(r.ReadU16(), 0) << "the u16 would cross the sub-range";
    EXPECT_TRUE(range.Overran());
    EXPECT_EQ(r.GetRemaining(), 1u);
    r.Seek(5);
    EXPECT_EQ(r.GetPosition(), 3u);
  }
  EXPECT_EQ(r.GetPosition(), 3u);
  EXPECT_TRUE(r.HasOverrun()) << "propagated to the enclosing range";
  EXPECT_EQ(r.GetRangeEnd(), 6u);
}

TEST(SwfReaderRange, ContainedOverrunAndTruncation) {
  SwfReader r(Bytes{1, 2, 3, 4}, 6);
  {
    SwfReaderRange range(r, 0xFFFFFFF0u, SwfReaderRange::Overrun::Contain);
    EXPECT_TRUE(range.Truncated());
    EXPECT_EQ(range.End(), 4u);
    r.ReadBytes(100);
    EXPECT_TRUE(range.Overran());
    range.Close();
    EXPECT_TRUE(range.Overran());
  }
  EXPECT_FALSE(r.HasOverrun());
  EXPECT_EQ(r.GetPosition(), 4u);
}

TEST(SwfReaderRange, NestedRangesAlignAndSkipUnreadBytes) {
  SwfReader r(Bytes{0xFF, 1, 2, 3, 4, 5, 6, 7}, 6);
  r.ReadUBits(3);
  SwfReaderRange outer(r, 5);
  EXPECT_EQ(outer.Begin(), 1u);
  {
    SwfReaderRange inner(r, 10);
    EXPECT_TRUE(inner.Truncated());
    EXPECT_EQ(inner.End(), 6u);
  }
  EXPECT_EQ(r.GetPosition(), 6u);
  outer.Close();
  EXPECT_EQ(r.ReadU8(), 6);
}

}  // namespace
