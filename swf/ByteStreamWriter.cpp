#include "swf/ByteStreamWriter.h"

#include <algorithm>

void ByteStreamWriter::WriteBits(uint32_t value, int count) {
  count = std::clamp(count, 0, 32);
  for (int bit = count - 1; bit >= 0; --bit) {
    if ((value >> bit) & 1u) pendingByte_ |= static_cast<uint8_t>(0x80u >> pendingBits_);
    if (++pendingBits_ == 8) Flush();
  }
}

void ByteStreamWriter::Flush() {
  if (pendingBits_ == 0) return;
  bytes_.push_back(pendingByte_);
  ++byteCount_;
  pendingBits_ = 0;
  pendingByte_ = 0;
}

void ByteStreamWriter::WritePascalString(std::string_view bytes) {
  Flush();
  const size_t n = std::min<size_t>(bytes.size(), 255);
  bytes_.push_back(static_cast<uint8_t>(n));
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
  byteCount_ += n + 1;
}
