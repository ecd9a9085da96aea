// A small byte writer with pending bits, used by the FSCommand and AMF writers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

class ByteStreamWriter {
 public:
  ByteStreamWriter() = default;
  virtual ~ByteStreamWriter() = default;
  ByteStreamWriter(const ByteStreamWriter&) = default;
  ByteStreamWriter& operator=(const ByteStreamWriter&) = default;

  // Writes the low `count` bits (0..32) of `value`, most significant first.
  void WriteBits(uint32_t value, int count);
  // Bytes written, plus one when bits are pending.
  size_t GetByteCount() const { return byteCount_ + (pendingBits_ != 0 ? 1 : 0); }
  // Appends a pending partial byte (its low bits 0).
  void Flush();
  // Flushes, then appends a count byte n and n bytes of the string. A string longer than 255
  // bytes is cut to 255, the most a count byte can say.
  void WritePascalString(std::string_view bytes);
  // Writes one value of a record: 32 bits, big-endian, after any pending bits (so it starts
  // byte-aligned only when nothing is pending).
  virtual void WriteValue(uint32_t value) { WriteBits(value, 32); }
  const std::vector<uint8_t>& GetBytes() const { return bytes_; }

 private:
  int pendingBits_ = 0;
  size_t byteCount_ = 0;
  std::vector<uint8_t> bytes_;
  uint8_t pendingByte_ = 0;
};
