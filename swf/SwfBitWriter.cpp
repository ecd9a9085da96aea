#include "swf/SwfBitWriter.h"

#include <cassert>

#include "swf/SwfRecord.h"
#include "swf/SwfString.h"

int CountBitsNeeded(uint32_t value, bool isSigned) {
  int bits = 0;
  while (value != 0) {
    value >>= 1;
    ++bits;
  }
  return bits + (isSigned ? 1 : 0);
}

SwfBitWriter::SwfBitWriter(uint8_t version) : version_(version) {}

void SwfBitWriter::Reset() {
  buffer_.clear();
  currentByte_ = 0;
  bitsUsed_ = 0;
}

void SwfBitWriter::Reserve(size_t bytes) { buffer_.reserve(bytes); }

void SwfBitWriter::WriteBits(uint32_t value, int count) {
  assert(count >= 0 && count <= 32);
  if (count <= 0) return;
  if (count > 32) count = 32;
  while (count > 0) {
    if (bitsUsed_ == 8) {
      buffer_.push_back(currentByte_);
      currentByte_ = 0;
      bitsUsed_ = 0;
    }
    const int room = 8 - bitsUsed_;
    const int take = count < room ? count : room;
    const uint32_t bits = (value >> (count - take)) & ((1u << take) - 1u);
    currentByte_ |= static_cast<uint8_t>(bits << (room - take));
    bitsUsed_ += take;
    count -= take;
  }
}

void SwfBitWriter::Flush() {
  if (bitsUsed_ == 0) return;
  buffer_.push_back(currentByte_);
  currentByte_ = 0;
  bitsUsed_ = 0;
}

void SwfBitWriter::WriteU8(uint8_t value) {
  Flush();
  buffer_.push_back(value);
}

void SwfBitWriter::WriteU16(uint16_t value) {
  Flush();
  buffer_.push_back(static_cast<uint8_t>(value & 0xFF));
  buffer_.push_back(static_cast<uint8_t>(value >> 8));
}

void SwfBitWriter::WriteU32(uint32_t value) {
  Flush();
  for (int i = 0; i < 4; ++i) buffer_.push_back(static_cast<uint8_t>((value >> (8 * i)) & 0xFF));
}

size_t SwfBitWriter::WriteBytes(const std::vector<uint8_t>& bytes) { return WriteBytes(bytes.data(), bytes.size()); }

size_t SwfBitWriter::WriteBytes(const uint8_t* data, size_t size) {
  Flush();
  if (size != 0) buffer_.insert(buffer_.end(), data, data + size);
  return size;
}

size_t SwfBitWriter::Append(SwfBitWriter& other) {
  other.Flush();
  Flush();
  if (&other == this) {
    const std::vector<uint8_t> copy = buffer_;
    return WriteBytes(copy);
  }
  return WriteBytes(other.buffer_);
}

void SwfBitWriter::AppendBits(SwfBitWriter& other) {
  const size_t whole = other.buffer_.size();
  const int pending = other.bitsUsed_;
  other.Flush();
  std::vector<uint8_t> copy;
  if (&other == this) copy = buffer_;  // appending a writer to itself reads a snapshot
  const std::vector<uint8_t>& source = (&other == this) ? copy : other.buffer_;
  for (size_t i = 0; i < whole; ++i) WriteBits(source[i], 8);
  if (pending != 0) WriteBits(static_cast<uint32_t>(source[whole] >> (8 - pending)), pending);
}

void SwfBitWriter::WriteString(std::string_view bytes) {
  WriteBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void SwfBitWriter::WriteWideString(std::wstring_view text) {
  Flush();
  if (text.empty()) return;
  WriteString(EncodeSwfString(text, version_));
}

const std::vector<uint8_t>& SwfBitWriter::GetBytes() {
  Flush();
  return buffer_;
}

size_t SwfBitWriter::WriteObject(SwfRecord* record) {
  if (record == nullptr) return 0;
  return record->Write(*this);
}
