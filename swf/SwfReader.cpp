#include "swf/SwfReader.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "swf/SwfHeader.h"
#include "swf/SwfRecord.h"
#include "swf/SwfString.h"

SwfReader::SwfReader() = default;

SwfReader::SwfReader(std::vector<uint8_t> bytes, uint8_t version) : version_(version) { SetData(std::move(bytes)); }

SwfReader::SwfReader(SwfBytes bytes, uint8_t version) : version_(version) { SetData(std::move(bytes)); }

SwfReader::~SwfReader() = default;

void SwfReader::SetData(std::vector<uint8_t> bytes) { SetData(SwfBytes(std::move(bytes))); }

void SwfReader::SetData(SwfBytes bytes) {
  data_ = std::move(bytes);
  position_ = 0;
  bitPosition_ = 0;
  rangeBegin_ = 0;
  rangeEnd_ = data_.size();
  overrun_ = false;
}

void SwfReader::SetData(const uint8_t* data, size_t size) { SetData(SwfBytes::Copy(data, size)); }

void SwfReader::Seek(size_t position) {
  bitPosition_ = 0;
  if (position < rangeBegin_) {
    position_ = rangeBegin_;
    overrun_ = true;
  } else if (position > rangeEnd_) {
    position_ = rangeEnd_;
    overrun_ = true;
  } else {
    position_ = position;
  }
}

void SwfReader::Skip(size_t count) {
  ByteAlign();
  if (count > rangeEnd_ - position_) {
    position_ = rangeEnd_;
    overrun_ = true;
  } else {
    position_ += count;
  }
}

void SwfReader::ByteAlign() {
  if (bitPosition_ != 0) {
    ++position_;
    bitPosition_ = 0;
  }
}

size_t SwfReader::GetRemaining() const {
  const size_t aligned = position_ + (bitPosition_ != 0 ? 1 : 0);
  return aligned >= rangeEnd_ ? 0 : rangeEnd_ - aligned;
}

bool SwfReader::CanHold(uint64_t count, uint64_t itemSize) const {
  if (itemSize == 0) itemSize = 1;
  return count <= GetRemaining() / itemSize;
}

int32_t SwfReader::ReadBitsCarefully(int count, bool isSigned) {
  if (count <= 0) {
    if (count < 0) overrun_ = true;
    return 0;
  }
  if (count > 32) {
    overrun_ = true;
    return 0;
  }
  // The bit offset of the first bit wanted; a position whose byte is used up (bit position
  // 8) continues with the next byte.
  const uint64_t start = uint64_t{position_} * 8 + static_cast<uint64_t>(bitPosition_);
  const uint64_t end = start + static_cast<uint64_t>(count);
  uint32_t value = 0;
  if (end <= uint64_t{rangeEnd_} * 8) {
    // Every bit is in range: one load of the (at most five) bytes that hold them.
    const size_t first = static_cast<size_t>(start / 8);
    const int shift = static_cast<int>(start % 8);
    uint64_t word = 0;
    if (first + 8 <= data_.size()) {
      word = LoadBigEndian64(data_.data() + first);
    } else {
      const size_t last = static_cast<size_t>((end - 1) / 8);
      for (size_t i = first; i <= last; ++i) word |= uint64_t{data_[i]} << (56 - 8 * (i - first));
    }
    value = static_cast<uint32_t>((word << shift) >> (64 - count));
    // The position stays on the byte that gave the last bit, as far into it as was taken.
    position_ = static_cast<size_t>((end - 1) / 8);
    bitPosition_ = static_cast<int>(end - uint64_t{position_} * 8);
  } else {
    int left = count;
    while (left > 0) {
      if (bitPosition_ > 7) ByteAlign();
      if (position_ >= rangeEnd_) {
        // Past the end: the missing bits read as zeros.
        overrun_ = true;
        value = left >= 32 ? 0 : value << left;
        break;
      }
      const int available = 8 - bitPosition_;
      const int take = left < available ? left : available;
      const uint32_t bits = (static_cast<uint32_t>(data_[position_]) >> (available - take)) & ((1u << take) - 1u);
      value = (value << take) | bits;
      bitPosition_ += take;
      left -= take;
    }
  }
  if (isSigned && count < 32 && (value & (1u << (count - 1))) != 0) value |= ~0u << count;
  return static_cast<int32_t>(value);
}

uint8_t SwfReader::PeekByte() const {
  const size_t at = position_ + (bitPosition_ != 0 ? 1 : 0);
  return at < rangeEnd_ ? data_[at] : 0;
}

uint8_t SwfReader::ReadU8() {
  ByteAlign();
  if (rangeEnd_ - position_ < 1) {
    overrun_ = true;
    return 0;
  }
  return data_[position_++];
}

uint16_t SwfReader::ReadU16() {
  ByteAlign();
  if (rangeEnd_ - position_ < 2) {
    overrun_ = true;
    return 0;
  }
  const uint16_t value = static_cast<uint16_t>(data_[position_] | (data_[position_ + 1] << 8));
  position_ += 2;
  return value;
}

uint32_t SwfReader::ReadU32() {
  ByteAlign();
  if (rangeEnd_ - position_ < 4) {
    overrun_ = true;
    return 0;
  }
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | data_[position_ + static_cast<size_t>(i)];
  position_ += 4;
  return value;
}

size_t SwfReader::ReadBytes(size_t count, std::vector<uint8_t>& out) {
  ByteAlign();
  const size_t available = rangeEnd_ - position_;
  if (count > available) {
    overrun_ = true;
    count = available;
  }
  out.assign(data_.begin() + static_cast<std::ptrdiff_t>(position_),
             data_.begin() + static_cast<std::ptrdiff_t>(position_ + count));
  position_ += count;
  return count;
}

SwfBytes SwfReader::ReadShared(size_t count) {
  ByteAlign();
  const size_t available = rangeEnd_ - position_;
  if (count > available) {
    overrun_ = true;
    count = available;
  }
  SwfBytes run = ShareBytes(position_, count);
  position_ += count;
  return run;
}

SwfBytes SwfReader::ShareBytes(size_t begin, size_t size) {
  SwfBytes run = data_.Slice(begin, size);
  if (dropParsed_ && !run.empty()) shared_.emplace_back(begin, begin + run.size());
  return run;
}

void SwfReader::DropParsedPages() {
  if (!dropParsed_) return;
  const size_t upTo = std::min(position_, data_.size());
  size_t from = dropped_;
  for (const auto& [begin, end] : shared_) {
    if (begin > from) data_.DropPages(from, std::min(begin, upTo) - from);
    from = std::max(from, end);
  }
  if (upTo > from) data_.DropPages(from, upTo - from);
  // The page that holds the reading position is given back later, with the bytes after it;
  // the shared runs that reach into it stay known until then.
  dropped_ = std::max(dropped_, data_.PageStartOf(upTo));
  std::erase_if(shared_, [&](const std::pair<size_t, size_t>& range) { return range.second <= dropped_; });
}

std::vector<uint8_t> SwfReader::ReadBytes(size_t count) {
  std::vector<uint8_t> out;
  ReadBytes(count, out);
  return out;
}

namespace {

bool StartsWithRoot(const WideString& text) {
  if (text.size() <= 4 || text[0] != L'_') return false;
  static const wchar_t kRoot[] = L"root";
  for (size_t i = 0; i < 4; ++i) {
    wchar_t c = text[i + 1];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (c != kRoot[i]) return false;
  }
  return true;
}

}  // namespace

size_t SwfReader::ReadString(WideString& out, size_t byteCount, bool detectPaths) {
  out.clear();
  ByteAlign();
  const size_t start = position_;
  const uint8_t* base = data_.data() + position_;
  const size_t available = rangeEnd_ - position_;
  size_t textBytes = 0;
  if (byteCount != 0) {
    if (byteCount > available) {
      overrun_ = true;
      byteCount = available;
    }
    textBytes = byteCount;
    position_ += byteCount;
  } else {
    const uint8_t* nul = available == 0 ? nullptr : static_cast<const uint8_t*>(std::memchr(base, 0, available));
    textBytes = nul != nullptr ? static_cast<size_t>(nul - base) : available;
    position_ += textBytes + (nul != nullptr ? 1 : 0);
  }
  out = DecodeSwfString(std::string_view(reinterpret_cast<const char*>(base), textBytes), version_);
  if (detectPaths && !out.empty() && (out[0] == L'/' || StartsWithRoot(out))) absolutePaths_ = true;
  if (!out.empty() && out.back() == L'\0') out.pop_back();
  return position_ - start;
}

SwfReaderRange::SwfReaderRange(SwfReader& reader, uint64_t length, Overrun overrun)
    : reader_(reader),
      outerBegin_(reader.rangeBegin_),
      outerEnd_(reader.rangeEnd_),
      outerOverrun_(reader.overrun_),
      contain_(overrun == Overrun::Contain) {
  reader_.ByteAlign();
  begin_ = reader_.position_;
  const uint64_t available = outerEnd_ - begin_;
  truncated_ = length > available;
  end_ = begin_ + static_cast<size_t>(truncated_ ? available : length);
  reader_.rangeBegin_ = begin_;
  reader_.rangeEnd_ = end_;
  reader_.overrun_ = false;
}

SwfReaderRange::~SwfReaderRange() { Close(); }

void SwfReaderRange::Close() {
  if (closed_) return;
  closed_ = true;
  innerOverrun_ = reader_.overrun_;
  reader_.rangeBegin_ = outerBegin_;
  reader_.rangeEnd_ = outerEnd_;
  reader_.position_ = end_;
  reader_.bitPosition_ = 0;
  reader_.overrun_ = outerOverrun_ || (innerOverrun_ && !contain_);
}

bool SwfReaderRange::Overran() const { return closed_ ? innerOverrun_ : reader_.overrun_; }
