#include "platform/PlatformFont.h"

FontStyleRecord FontStyleRecord::FromBytes(const uint8_t* bytes, size_t length) {
  uint8_t full[kSize] = {};
  for (size_t i = 0; i < length && i < kSize; ++i) full[i] = bytes[i];
  auto word = [&full](size_t at) {
    return static_cast<uint32_t>(full[at]) | (static_cast<uint32_t>(full[at + 1]) << 8) |
           (static_cast<uint32_t>(full[at + 2]) << 16) | (static_cast<uint32_t>(full[at + 3]) << 24);
  };
  FontStyleRecord record;
  record.size = static_cast<int32_t>(word(0));
  record.style = word(16) & 0xFFFFu;
  return record;
}

bool PlatformFont::SetFontByName(const WideString& name) {
  if (name.empty()) return false;
  name_ = name;
  return true;
}

FontStyleRecord PlatformFont::GetStyle() const {
  FontStyleRecord record;
  record.size = size_;
  record.style = (bold_ ? FontStyleRecord::kBold : 0) | (italic_ ? FontStyleRecord::kItalic : 0);
  return record;
}

bool PlatformFont::SetNameAndStyle(const WideString& name, const FontStyleRecord& record) {
  size_ = record.size;
  bold_ = (record.style & FontStyleRecord::kBold) != 0;
  italic_ = (record.style & FontStyleRecord::kItalic) != 0;
  SetFontByName(name);
  return true;
}
