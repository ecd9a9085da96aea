// The output buffer that every SWF record, tag and action writes itself into.
//
// Bit fields are packed most significant bit first; integers are little-endian; every
// byte-level write first completes a pending partial byte, so byte fields always start on a
// byte boundary. The writer carries the movie's SWF version (string encoding and
// version-dependent layouts follow it) and the no-sound flag of the sprite writer.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "swf/SwfBytes.h"

class SwfRecord;

// Width of a bit field that holds the magnitude `value`: the number of significant bits of
// the value (0 for 0, 32 for 2^31 and above), plus one sign bit when `isSigned` is set.
int CountBitsNeeded(uint32_t value, bool isSigned);

// Magnitude of a signed value as an unsigned number, defined for INT32_MIN too.
inline uint32_t SwfMagnitude(int32_t value) {
  return value < 0 ? static_cast<uint32_t>(-static_cast<int64_t>(value)) : static_cast<uint32_t>(value);
}

class SwfBitWriter {
 public:
  explicit SwfBitWriter(uint8_t version);
  SwfBitWriter(const SwfBitWriter&) = default;
  SwfBitWriter& operator=(const SwfBitWriter&) = default;
  SwfBitWriter(SwfBitWriter&&) noexcept = default;
  SwfBitWriter& operator=(SwfBitWriter&&) noexcept = default;
  ~SwfBitWriter() = default;

  // Empties the buffer and clears the bit state; version and no-sound flag stay.
  void Reset();
  void Reserve(size_t bytes);
  size_t GetCapacity() const { return buffer_.capacity(); }

  // Writes the low `count` bits of `value`, most significant first. `count` is 0..32; a
  // larger count is a programming error and is treated as 32.
  void WriteBits(uint32_t value, int count) {
    assert(count >= 0 && count <= 32);
    if (count <= 0) return;
    if (count > 32) count = 32;
    const uint64_t field = count == 32 ? value : (value & ((1u << count) - 1u));
    bits_ = (bits_ << count) | field;
    bitCount_ += count;
    if (bitCount_ > 32) StoreWord();
  }
  // Writes a signed value as the low `count` bits of its two's complement.
  void WriteSignedBits(int32_t value, int count) { WriteBits(static_cast<uint32_t>(value), count); }
  // Completes a pending partial byte (remaining low bits 0). Nothing happens when none is pending.
  void Flush();

  void WriteU8(uint8_t value);
  void WriteU16(uint16_t value);
  void WriteS16(int16_t value) { WriteU16(static_cast<uint16_t>(value)); }
  void WriteU32(uint32_t value);
  // Appends bytes; returns how many.
  size_t WriteBytes(const std::vector<uint8_t>& bytes);
  size_t WriteBytes(const uint8_t* data, size_t size);
  size_t WriteBytes(const SwfBytes& bytes) { return WriteBytes(bytes.data(), bytes.size()); }
  // Flushes `other` (its pending byte becomes part of it) and this writer, then appends the
  // other writer's bytes; returns how many.
  size_t Append(SwfBitWriter& other);
  // Continues this writer's bit stream with the other writer's bits exactly, as if its bit
  // fields had been written here. The other writer is flushed as a side effect.
  void AppendBits(SwfBitWriter& other);
  // Appends the bytes of a narrow string; no terminator.
  void WriteString(std::string_view bytes);
  // Appends the text's bytes in the form of this writer's SWF version (see swf/SwfString.h),
  // up to its first NUL character; no terminator.
  void WriteWideString(std::wstring_view text);

  // Flushes, then gives the bytes written.
  const std::vector<uint8_t>& GetBytes();
  // Writes a record; null writes nothing. Returns the bytes the record reports.
  size_t WriteObject(SwfRecord* record);

  // Whole bytes appended so far; the byte that holds the last bit written is pending, and
  // not counted until it is flushed, even when it is full.
  size_t GetByteCount() const { return buffer_.size() + (bitCount_ == 0 ? 0 : (bitCount_ - 1) / 8); }
  // Bits of the pending byte (0 when nothing is pending, 8 when it is full).
  int GetPendingBitCount() const { return bitCount_ == 0 ? 0 : bitCount_ - 8 * ((bitCount_ - 1) / 8); }

  uint8_t GetVersion() const { return version_; }
  void SetVersion(uint8_t version) { version_ = version; }
  bool GetNoSound() const { return noSound_; }
  void SetNoSound(bool noSound) { noSound_ = noSound; }

 private:
  // Moves four whole bytes of the bit accumulator (which holds more than 32 bits) to the
  // buffer; at least one more bit stays, so the byte holding the last bit is still pending,
  // and at most 32 stay, so the next write fits.
  void StoreWord();
  // Moves the whole bytes of the bit accumulator to the buffer; with `all` the partial last
  // byte too (its low bits 0).
  void Drain(bool all);

  // Bits written since the buffer's last byte, the latest in the low bits; at most 32 are
  // kept between writes, so a write of up to 32 bits never overflows it.
  uint64_t bits_ = 0;
  int bitCount_ = 0;
  std::vector<uint8_t> buffer_;
  uint8_t version_;
  bool noSound_ = false;
};
