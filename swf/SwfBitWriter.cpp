#include "swf/SwfBitWriter.h"

#include <bit>
#include <cassert>

#include "swf/SwfRecord.h"
#include "swf/SwfString.h"

int CountBitsNeeded(uint32_t value, bool isSigned) { return std::bit_width(value) + (isSigned ? 1 : 0); }

SwfBitWriter::SwfBitWriter(uint8_t version) : version_(version) {}

void SwfBitWriter::Reset() {
  buffer_.clear();
  bits_ = 0;
  bitCount_ = 0;
}

void SwfBitWriter::Reserve(size_t bytes) { buffer_.reserve(bytes); }

void SwfBitWriter::StoreWord() {
  const int rest = bitCount_ - 32;
  const uint32_t word = static_cast<uint32_t>(bits_ >> rest);
  const uint8_t bytes[4] = {static_cast<uint8_t>(word >> 24), static_cast<uint8_t>(word >> 16),
                            static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)};
  buffer_.insert(buffer_.end(), bytes, bytes + 4);
  bitCount_ = rest;
  bits_ &= (uint64_t{1} << rest) - 1u;
}

void SwfBitWriter::Drain(bool all) {
  int whole = bitCount_ / 8;
  const int partial = bitCount_ % 8;
  uint8_t bytes[9];
  int n = 0;
  const uint64_t aligned = partial != 0 && all ? bits_ << (8 - partial) : bits_ >> partial;
  if (partial != 0 && all) ++whole;
  for (int i = whole - 1; i >= 0; --i) bytes[n++] = static_cast<uint8_t>(aligned >> (8 * i));
  buffer_.insert(buffer_.end(), bytes, bytes + n);
  if (all) {
    bits_ = 0;
    bitCount_ = 0;
  } else {
    bits_ &= (uint64_t{1} << partial) - 1u;
    bitCount_ = partial;
  }
}

void SwfBitWriter::Flush() {
  if (bitCount_ == 0) return;
  Drain(true);
}

void SwfBitWriter::WriteU8(uint8_t value) {
  Flush();
  buffer_.push_back(value);
}

void SwfBitWriter::WriteU16(uint16_t value) {
  Flush();
  const uint8_t bytes[2] = {static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>(value >> 8)};
  buffer_.insert(buffer_.end(), bytes, bytes + 2);
}

void SwfBitWriter::WriteU32(uint32_t value) {
  Flush();
  const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  buffer_.insert(buffer_.end(), bytes, bytes + 4);
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
  const size_t whole = other.GetByteCount();
  const int pending = other.GetPendingBitCount();
  other.Flush();
  std::vector<uint8_t> copy;
  if (&other == this) copy = buffer_;  // appending a writer to itself reads a snapshot
  const std::vector<uint8_t>& source = (&other == this) ? copy : other.buffer_;
  if (bitCount_ % 8 == 0 && whole != 0) {
    // On a byte boundary the whole bytes go as they are; the last bit written stays pending.
    Drain(false);
    const size_t direct = pending != 0 ? whole : whole - 1;
    buffer_.insert(buffer_.end(), source.begin(), source.begin() + static_cast<std::ptrdiff_t>(direct));
    if (pending == 0) WriteBits(source[whole - 1], 8);
  } else {
    size_t i = 0;
    for (; i + 4 <= whole; i += 4) {
      WriteBits((uint32_t{source[i]} << 24) | (uint32_t{source[i + 1]} << 16) | (uint32_t{source[i + 2]} << 8) |
                    uint32_t{source[i + 3]},
                32);
    }
    for (; i < whole; ++i) WriteBits(source[i], 8);
  }
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
