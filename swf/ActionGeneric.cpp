#include "swf/ActionGeneric.h"

#include <utility>

#include "swf/SwfBitWriter.h"
#include "swf/SwfReader.h"

ActionGeneric::ActionGeneric(uint8_t code, std::vector<uint8_t> payload) : payload_(std::move(payload)), code_(code) {
  length_ = code >= 0x80 ? static_cast<uint16_t>(payload_.size()) : 0;
  if (code < 0x80) payload_.clear();
}

size_t ActionGeneric::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  payload_.clear();
  if (code_ >= 0x80) {
    length_ = reader.ReadU16();
    // Never more than the range holds; a short payload marks the reader overrun.
    reader.ReadBytes(length_, payload_);
  } else {
    length_ = 0;
  }
  return reader.GetPosition() - before;
}

size_t ActionGeneric::Write(SwfBitWriter& writer) {
  const size_t before = writer.GetByteCount();
  writer.WriteU8(code_);
  if (code_ >= 0x80) {
    writer.WriteU16(static_cast<uint16_t>(payload_.size()));
    writer.WriteBytes(payload_);
  }
  return writer.GetByteCount() - before;
}

uint32_t ActionGeneric::Size() const { return code_ >= 0x80 ? 3 + static_cast<uint32_t>(payload_.size()) : 1; }

namespace {

// Offsets (within the payload) of the u16 block sizes of a function or Try
// action, in block order; empty when the payload does not fit the layout.
std::vector<size_t> BlockSizeFields(uint8_t code, const std::vector<uint8_t>& p) {
  size_t pos = 0;
  bool bad = false;
  auto skipString = [&]() {
    while (pos < p.size() && p[pos] != 0) ++pos;
    if (pos >= p.size())
      bad = true;
    else
      ++pos;
  };
  auto u16 = [&]() -> uint16_t {
    if (pos + 2 > p.size()) {
      bad = true;
      pos = p.size();
      return 0;
    }
    uint16_t v = static_cast<uint16_t>(p[pos] | (p[pos + 1] << 8));
    pos += 2;
    return v;
  };
  auto skip = [&](size_t n) {
    if (pos + n > p.size()) bad = true;
    pos += n;
  };
  std::vector<size_t> fields;
  if (code == 0x9B) {  // DefineFunction: name, count, parameters, code size
    skipString();
    uint16_t n = u16();
    for (uint16_t i = 0; i < n && !bad; ++i) skipString();
    fields.push_back(pos);
    u16();
  } else if (code == 0x8E) {  // DefineFunction2: name, count, registers, flags, parameters, code size
    skipString();
    uint16_t n = u16();
    skip(3);
    for (uint16_t i = 0; i < n && !bad; ++i) {
      skip(1);
      skipString();
    }
    fields.push_back(pos);
    u16();
  } else if (code == 0x8F) {  // Try: flags, try, catch and finally sizes, catch name or register
    skip(1);
    for (int i = 0; i < 3; ++i) {
      fields.push_back(pos);
      u16();
    }
    if (!bad && (p[0] & 0x04))
      skip(1);
    else if (!bad)
      skipString();
  }
  if (bad || pos != p.size()) fields.clear();
  return fields;
}

}  // namespace

uint32_t ActionGeneric::WriteMapped(SwfBitWriter& writer, const ActionOffsetMap& map) {
  std::vector<size_t> fields = BlockSizeFields(code_, payload_);
  if (fields.empty()) return static_cast<uint32_t>(Write(writer));
  // The blocks follow one another: each one's end is mapped from the end of this action.
  std::vector<uint8_t> patched = payload_;
  int64_t nominalEnd = 0;
  int64_t actualStart = 0;
  for (size_t at : fields) {
    const int64_t size = patched[at] | (patched[at + 1] << 8);
    nominalEnd += size;
    int64_t actualEnd = 0;
    if (!map.Map(nominalEnd, actualEnd) || actualEnd < actualStart || actualEnd - actualStart > 0xFFFF)
      return static_cast<uint32_t>(Write(writer));
    const int64_t newSize = actualEnd - actualStart;
    patched[at] = static_cast<uint8_t>(newSize & 0xFF);
    patched[at + 1] = static_cast<uint8_t>(newSize >> 8);
    actualStart = actualEnd;
  }
  ActionGeneric copy(code_, std::move(patched));
  return static_cast<uint32_t>(copy.Write(writer));
}
