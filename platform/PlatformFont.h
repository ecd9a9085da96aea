// A system font as the texts of a project name it: family name, point size, bold and italic.
//
// The family is kept by name. Whether the system has a family of that name is a question for
// whoever draws the text; the name itself is kept as given, so that a project naming a font
// this machine lacks still holds (and saves) that name.
#pragma once

#include <cstdint>

#include "platform/WideString.h"

// The classic font style record: 28 bytes, the point size as a little-endian 32-bit integer
// at byte 0, the style bits in the low 16 bits of the 32-bit word at byte 16, all else 0.
struct FontStyleRecord {
  static constexpr size_t kSize = 28;
  static constexpr uint32_t kBold = 1;
  static constexpr uint32_t kItalic = 2;
  int32_t size = 12;
  uint32_t style = 0;

  // Decodes the first `length` bytes (at most 28; missing bytes count as 0).
  static FontStyleRecord FromBytes(const uint8_t* bytes, size_t length);
};

class PlatformFont {
 public:
  static constexpr const wchar_t* kSystemFontName = L"Sans";

  PlatformFont() = default;

  // Takes the family name; false (nothing changed) only for an empty name.
  bool SetFontByName(const WideString& name);
  void SetSize(int32_t points) { size_ = points; }
  void SetBold(bool bold) { bold_ = bold; }
  void SetItalic(bool italic) { italic_ = italic; }

  const WideString& GetName() const { return name_; }
  int32_t GetSize() const { return size_; }
  bool IsBold() const { return bold_; }
  bool IsItalic() const { return italic_; }

  // Same family, size and style.
  bool Equals(const PlatformFont& other) const {
    return name_ == other.name_ && size_ == other.size_ && bold_ == other.bold_ && italic_ == other.italic_;
  }

  FontStyleRecord GetStyle() const;
  // Applies the record's size and bold and italic bits, then selects the name again.
  bool SetNameAndStyle(const WideString& name, const FontStyleRecord& record);

 private:
  WideString name_ = kSystemFontName;
  int32_t size_ = 12;
  bool bold_ = false;
  bool italic_ = false;
};
