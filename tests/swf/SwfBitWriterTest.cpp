#include "swf/SwfBitWriter.h"

#include <gtest/gtest.h>

#include <random>

#include "swf/ByteStreamWriter.h"
#include "swf/SwfRecord.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(SwfBitWriter, BitFieldsPackMostSignificantFirstAndCountOnlyWholeBytes) {
  SwfBitWriter w(6);
  w.WriteBits(0, 0);
  EXPECT_EQ(w.GetByteCount(), 0u);
  EXPECT_EQ(w.GetPendingBitCount(), 0);
  w.WriteBits(0b10110, 5);
  w.WriteBits(0b011, 3);
  EXPECT_EQ(w.GetByteCount(), 0u) << "a completed byte stays pending until the next write";
  w.Flush();
  EXPECT_EQ(w.GetBytes(), (Bytes{0xB3}));
  w.Flush();
  EXPECT_EQ(w.GetByteCount(), 1u) << "a flush with nothing pending does nothing";
  w.WriteBits(0b101, 3);
  w.Flush();
  EXPECT_EQ(w.GetBytes(), (Bytes{0xB3, 0xA0}));
}

TEST(SwfBitWriter, ByteWritesAreLittleEndianAndStartOnAByteBoundary) {
  SwfBitWriter w(6);
  w.WriteU16(0x1234);
  w.WriteU32(0x12345678);
  w.WriteS16(-2);
  EXPECT_EQ(w.GetBytes(), (Bytes{0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF}));

  SwfBitWriter p(6);
  p.WriteBits(0b111, 3);
  p.WriteU8(0x42);
  EXPECT_EQ(p.GetByteCount(), 2u);
  EXPECT_EQ(p.GetBytes(), (Bytes{0xE0, 0x42}));
}

TEST(SwfBitWriter, SignedFieldsAreTwosComplementOfTheirWidth) {
  SwfBitWriter w(6);
  w.WriteSignedBits(-1, 4);
  w.WriteSignedBits(-8, 4);
  w.WriteSignedBits(-1, 32);
  EXPECT_EQ(w.GetBytes(), (Bytes{0xF8, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(SwfBitWriter, BitFieldsMatchABitByBitWriting) {
  std::mt19937 rng(5);
  SwfBitWriter w(6);
  std::vector<bool> bits;
  for (int n = 0; n < 5000; ++n) {
    const int width = static_cast<int>(rng() % 33);
    const uint32_t value = static_cast<uint32_t>(rng());
    w.WriteBits(value, width);
    for (int b = width - 1; b >= 0; --b) bits.push_back(((value >> b) & 1u) != 0);
    if (n % 97 == 0) {
      w.WriteU8(0x5A);
      while (bits.size() % 8 != 0) bits.push_back(false);
      for (int b = 7; b >= 0; --b) bits.push_back(((0x5A >> b) & 1) != 0);
    }
  }
  EXPECT_EQ(w.GetByteCount() * 8 + static_cast<size_t>(w.GetPendingBitCount()), bits.size());
  const Bytes& bytes = w.GetBytes();
  ASSERT_EQ(bytes.size(), (bits.size() + 7) / 8);
  for (size_t i = 0; i < bits.size(); ++i) ASSERT_EQ(((bytes[i / 8] >> (7 - i % 8)) & 1) != 0, bits[i]) << i;
}

TEST(SwfBitWriter, AppendBitsJoinsBitStreamsExactly) {
  SwfBitWriter source(6);
  source.WriteBits(0xFF, 8);
  source.WriteBits(0b101, 3);
  SwfBitWriter target(6);
  target.WriteBits(0b11, 2);
  target.AppendBits(source);
  EXPECT_EQ(target.GetByteCount(), 1u);
  EXPECT_EQ(target.GetPendingBitCount(), 5);
  EXPECT_EQ(target.GetBytes(), (Bytes{0xFF, 0xE8}));
  EXPECT_EQ(source.GetBytes(), (Bytes{0xFF, 0xA0}));
}

// The byte that holds the last bit written is pending, full or not, and not counted: after
// every write the counts are those of the bits written so far.
TEST(SwfBitWriter, CountsAfterEveryWriteLeaveTheLastBitsBytePending) {
  std::mt19937 rng(11);
  SwfBitWriter w(6);
  uint64_t bits = 0;  // since the last byte boundary the writer was put on
  size_t aligned = 0;
  for (int n = 0; n < 3000; ++n) {
    const int width = static_cast<int>(rng() % 33);
    w.WriteBits(static_cast<uint32_t>(rng()), width);
    bits += static_cast<uint64_t>(width);
    const size_t whole = bits == 0 ? 0 : static_cast<size_t>((bits - 1) / 8);
    ASSERT_EQ(w.GetByteCount(), aligned + whole) << n;
    ASSERT_EQ(w.GetPendingBitCount(), static_cast<int>(bits - whole * 8)) << n;
    if (n % 50 == 0) {
      w.WriteU16(0x1234);
      aligned += static_cast<size_t>((bits + 7) / 8) + 2;
      bits = 0;
      ASSERT_EQ(w.GetByteCount(), aligned);
      ASSERT_EQ(w.GetPendingBitCount(), 0);
    }
  }
}

// Appending one bit stream to another, for every alignment of the target and sizes of the
// source around the 32-bit steps the writer takes, gives the bits of both in order and the
// counts of a writer that wrote them one field at a time.
TEST(SwfBitWriter, AppendBitsAtEveryAlignment) {
  std::mt19937 rng(3);
  for (int targetBits = 0; targetBits < 18; ++targetBits) {
    for (int sourceBits : {0, 1, 7, 8, 9, 16, 31, 32, 33, 40, 64, 65, 100}) {
      std::vector<bool> expect;
      SwfBitWriter target(6);
      SwfBitWriter reference(6);
      for (int i = 0; i < targetBits; ++i) {
        const uint32_t b = rng() & 1;
        target.WriteBits(b, 1);
        reference.WriteBits(b, 1);
        expect.push_back(b != 0);
      }
      SwfBitWriter source(6);
      for (int i = 0; i < sourceBits; ++i) {
        const uint32_t b = rng() & 1;
        source.WriteBits(b, 1);
        reference.WriteBits(b, 1);
        expect.push_back(b != 0);
      }
      target.AppendBits(source);
      ASSERT_EQ(target.GetByteCount(), reference.GetByteCount()) << targetBits << " " << sourceBits;
      ASSERT_EQ(target.GetPendingBitCount(), reference.GetPendingBitCount()) << targetBits << " " << sourceBits;
      const Bytes& bytes = target.GetBytes();
      ASSERT_EQ(bytes.size(), (expect.size() + 7) / 8);
      for (size_t i = 0; i < expect.size(); ++i) {
        ASSERT_EQ(((bytes[i / 8] >> (7 - i % 8)) & 1) != 0, expect[i]) << targetBits << " " << sourceBits << " " << i;
      }
    }
  }
}

TEST(SwfBitWriter, AppendFlushesBothWriters) {
  SwfBitWriter source(6);
  source.WriteU8(0x01);
  source.WriteBits(1, 1);
  SwfBitWriter target(6);
  target.WriteBits(1, 1);
  EXPECT_EQ(target.Append(source), 2u);
  EXPECT_EQ(source.GetByteCount(), 2u);
  EXPECT_EQ(target.GetBytes(), (Bytes{0x80, 0x01, 0x80}));
}

TEST(SwfBitWriter, WideStringsFollowTheMovieVersion) {
  struct Case {
    std::wstring text;
    uint8_t version;
    Bytes bytes;
  };
  const Case cases[] = {
      {L"", 6, {}},
      {L"abc", 4, {0x61, 0x62, 0x63}},
      {L"abc", 6, {0x61, 0x62, 0x63}},
      {L"\u00e9", 5, {0xE9}},
      {L"\u00e9", 6, {0xC3, 0xA9}},
      {L"\u263a", 5, {'?'}},
      {L"\u263a", 6, {0xE2, 0x98, 0xBA}},
      // A byte that was not valid UTF-8 when read is written back as itself.
      {std::wstring(1, static_cast<wchar_t>(0xDC80 + 0x7F)), 6, {0xFF}},
      {std::wstring(1, static_cast<wchar_t>(0xDC80 + 0x7F)), 4, {0xFF}},
      {std::wstring(L"ab\0cd", 5), 6, {0x61, 0x62}},
  };
  for (const Case& c : cases) {
    SwfBitWriter w(c.version);
    w.WriteWideString(c.text);
    EXPECT_EQ(w.GetBytes(), c.bytes) << "version " << int(c.version);
  }
}

TEST(SwfBitWriter, WriteObjectOfNullWritesNothing) {
  SwfBitWriter w(6);
  EXPECT_EQ(w.WriteObject(nullptr), 0u);
  EXPECT_EQ(w.GetByteCount(), 0u);
}

TEST(SwfBitWriter, ResetKeepsVersionAndNoSound) {
  SwfBitWriter w(7);
  w.SetNoSound(true);
  w.WriteU32(1);
  w.WriteBits(1, 1);
  w.Reset();
  EXPECT_EQ(w.GetByteCount(), 0u);
  EXPECT_EQ(w.GetPendingBitCount(), 0);
  EXPECT_EQ(w.GetVersion(), 7);
  EXPECT_TRUE(w.GetNoSound());
}

TEST(CountBitsNeeded, GivesSignificantBitsPlusSign) {
  struct Case {
    uint32_t value;
    bool isSigned;
    int bits;
  };
  const Case cases[] = {{0, false, 0},
                        {0, true, 1},
                        {1, false, 1},
                        {255, false, 8},
                        {256, false, 9},
                        {1023, true, 11},
                        {0x80000000u, false, 32},
                        {0xFFFFFFFFu, true, 33}};
  for (const Case& c : cases) EXPECT_EQ(CountBitsNeeded(c.value, c.isSigned), c.bits) << c.value;
  EXPECT_EQ(SwfMagnitude(INT32_MIN), 0x80000000u);
}

TEST(ByteStreamWriter, CountsPendingBitsAndWritesPascalStrings) {
  ByteStreamWriter w;
  w.WriteBits(0b101, 3);
  EXPECT_EQ(w.GetByteCount(), 1u) << "a pending partial byte counts as one";
  w.WritePascalString("ab");
  EXPECT_EQ(w.GetByteCount(), 4u);
  EXPECT_EQ(w.GetBytes(), (Bytes{0xA0, 0x02, 'a', 'b'}));
  w.Flush();
  EXPECT_EQ(w.GetByteCount(), 4u);
  w.WritePascalString(std::string(300, 'x'));
  EXPECT_EQ(w.GetBytes()[4], 255);
  EXPECT_EQ(w.GetByteCount(), 4u + 256u);
}

}  // namespace
