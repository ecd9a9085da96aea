#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "publish/PlayerCommandRecord.h"

namespace {

std::vector<uint8_t> Value(uint32_t v) {
  return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
          static_cast<uint8_t>(v)};
}

std::vector<uint8_t> Counted(const std::string& text) {
  std::vector<uint8_t> out;
  out.push_back(static_cast<uint8_t>(text.size()));
  for (const char c : text) out.push_back(static_cast<uint8_t>(c));
  return out;
}

// The record's bytes in the stream's layout: code, 0, command, flag A, argument, flag B.
std::vector<uint8_t> Expected(const std::string& command, const std::string& argument) {
  std::vector<uint8_t> out;
  for (const auto& part : {Value(6), Value(0), Counted(command), Value(0), Counted(argument), Value(0)}) {
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

struct KindCase {
  int kind;
  const char* command;
  const char* argument;
};

const KindCase kKinds[] = {
    {0, "", ""},
    {1, "fullscreen", "true"},
    {2, "fullscreen", "false"},
    {3, "allowscale", "true"},
    {4, "allowscale", "false"},
    {5, "showmenu", "true"},
    {6, "showmenu", "false"},
    {7, "trapallkeys", "true"},
    {8, "trapallkeys", "false"},
    {9, "exec", ""},
    {10, "quit", ""},
    // kinds outside the table write two empty strings
    {11, "", ""},
    {-1, "", ""},
};

TEST(PlayerCommandRecord, EveryKindWritesItsCommandAndArgument) {
  for (const KindCase& c : kKinds) {
    SCOPED_TRACE(c.kind);
    const FsCommandRecord record(c.kind);
    ByteStreamWriter stream;
    const size_t written = record.Write(stream);
    const std::vector<uint8_t> expected = Expected(c.command, c.argument);
    EXPECT_EQ(stream.GetBytes(), expected);
    EXPECT_EQ(written, expected.size());
    EXPECT_EQ(record.GetCode(), 6u);
  }
}

TEST(PlayerCommandRecord, ExecWritesAnEmptyArgumentByteForByte) {
  ByteStreamWriter stream;
  EXPECT_EQ(FsCommandRecord(FsCommandRecord::kExec).Write(stream), 22u);
  const std::vector<uint8_t> expected = {0, 0,   0,   6,         // code
                                         0, 0,   0,   0,         // zero
                                         4, 'e', 'x', 'e', 'c',  // command
                                         0, 0,   0,   0,         // flag A
                                         0,                      // empty argument
                                         0, 0,   0,   0};        // flag B
  EXPECT_EQ(stream.GetBytes(), expected);
}

TEST(PlayerCommandRecord, FollowsPendingBitsAndCountsWhatItAdded) {
  // Three bits are pending: the code and the zero run on from them, the command string starts
  // on a byte of its own, and the count covers the partial byte the record completed.
  ByteStreamWriter stream;
  stream.WriteBits(0b101, 3);
  ASSERT_EQ(stream.GetByteCount(), 1u);
  const size_t written = FsCommandRecord(FsCommandRecord::kQuit).Write(stream);
  const std::vector<uint8_t>& bytes = stream.GetBytes();
  ASSERT_EQ(bytes.size(), 1u + written);
  EXPECT_EQ(written, 4u + 4u + 5u + 4u + 1u + 4u);
  EXPECT_EQ(bytes[0], 0b10100000);  // pending bits, then the top bits of the code 6
  EXPECT_EQ(bytes[3], 0x00);
  EXPECT_EQ(bytes[4], 0b11000000);  // the code's last bits 110, then the zero's first bits
  EXPECT_EQ(bytes[8], 0x00);        // the zero's last five bits, padded
  EXPECT_EQ(bytes[9], 4);
  EXPECT_EQ(std::string(bytes.begin() + 10, bytes.begin() + 14), "quit");
}

TEST(PlayerCommandRecord, BaseRecordWritesCodeZero) {
  ByteStreamWriter stream;
  EXPECT_EQ(StreamRecord().Write(stream), 4u);
  EXPECT_EQ(stream.GetBytes(), Value(0));
}

TEST(PlayerCommandRecord, PascalCopyKeepsLowBytesAndCutsAt255) {
  PascalString256 text{};
  CopyToPascalString(text, WideString(L"a\u0142z"));  // U+0142 keeps its low byte 0x42
  EXPECT_EQ(text[0], 3);
  EXPECT_EQ(text[1], 'a');
  EXPECT_EQ(text[2], 0x42);
  EXPECT_EQ(text[3], 'z');
  CopyToPascalString(text, WideString(300, L'x'));
  EXPECT_EQ(text[0], 255);
  EXPECT_EQ(text[255], 'x');
}

}  // namespace
