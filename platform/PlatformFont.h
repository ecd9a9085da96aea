// A system font as the texts of a project name it: family name, point size and style bits,
// with the measurements that text layout and font embedding take from the installed font.
//
// The family is kept by name. Whether the system has a family of that name is a question for
// whoever draws the text (IsInstalled); the name itself is kept as given, so that a project
// naming a font this machine lacks still holds (and saves) that name. Measurements of a font
// that is not installed are 0.
//
// Sizes are points taken as pixels (72 dots per inch). Measurements use the font's unhinted
// outlines; pixel values are rounded as Fixed values are: px(v) = (v + 0x8000) >> 16.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/WideString.h"

namespace host::fonts {
class FontFace;
}

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
  // Sizes above this measure as this size (texts in SWF are at most 3276 pixels high anyway),
  // so that no measurement overflows.
  static constexpr int32_t kMaxMeasuredSize = 32767;
  // Style bits. Only bold and italic change what is measured or embedded; the others are kept.
  enum StyleBits : uint16_t {
    kBold = 0x01,
    kItalic = 0x02,
    kUnderline = 0x04,
    kOutline = 0x08,
    kShadow = 0x10,
    kCondense = 0x20,
    kExtend = 0x40,
  };

  PlatformFont();
  ~PlatformFont();
  PlatformFont(const PlatformFont& other);
  PlatformFont& operator=(const PlatformFont& other);

  // Takes the family name; false (nothing changed) only for an empty name.
  bool SetFontByName(const WideString& name);
  void SetSize(int32_t points) { size_ = points; }
  void SetBold(bool bold);
  void SetItalic(bool italic);
  void SetStyleBits(uint16_t bits);

  const WideString& GetName() const { return name_; }
  int32_t GetSize() const { return size_; }
  bool IsBold() const { return (style_ & kBold) != 0; }
  bool IsItalic() const { return (style_ & kItalic) != 0; }
  uint16_t GetStyleBits() const { return style_; }
  // The words of the set bits ("Bold", "Italic", "Underline", "Outline", "Shadow", "Condense",
  // "Extend", in that order) separated by one blank; "Regular" with no bit set.
  WideString GetStyleName() const;

  // Same family, size and style.
  bool Equals(const PlatformFont& other) const {
    return name_ == other.name_ && size_ == other.size_ && style_ == other.style_;
  }
  // Same family and style; the size is not compared.
  bool SameFamilyAndStyle(const PlatformFont& other) const { return name_ == other.name_ && style_ == other.style_; }

  FontStyleRecord GetStyle() const;
  // Applies the record's size and style bits, then selects the name again.
  bool SetNameAndStyle(const WideString& name, const FontStyleRecord& record);

  // True when the system has a family of exactly this name (fontconfig never substitutes one
  // here). The generic names "Sans", "Serif" and "Monospace" are the configured defaults.
  bool IsInstalled() const;
  // The installed face for the family and style, or null (with GetFaceError saying why).
  std::shared_ptr<host::fonts::FontFace> GetFace() const;
  WideString GetFaceError() const;

  // Metrics in whole pixels at the font's size.
  int32_t GetAscent() const;
  int32_t GetDescent() const;
  int32_t GetLeading() const;
  // px(ascent + descent), the two summed before rounding.
  int32_t GetLineHeight() const;
  // The same in 1024 units per em of the line height; 0 when the line height is 0.
  int32_t GetAscentEm() const;
  int32_t GetDescentEm() const;
  int32_t GetLeadingEm() const;
  // (ascent + descent) in 1024 units of the line height: may differ from 1024 by a few units,
  // since ascent and descent are rounded separately.
  int32_t GetHeightEm() const;

  // The outline parts of a character's glyph at the font's size, in pixels. A character the
  // font has no glyph for measures 0, and its bounds width is -1.
  int32_t GetLeftSideBearing(char32_t c) const;
  int32_t GetRightSideBearing(char32_t c) const;
  int32_t GetGlyphBoundsWidth(char32_t c) const;
  // Bounds width + left + right side bearing: the advance in whole pixels (a failed bounds
  // width counts as 0).
  int32_t GetOutlineAdvance(char32_t c) const;
  // In 1024 units per em of the size (at most kMaxMeasuredSize); 0 for a size below 1.
  int32_t GetOutlineAdvanceEm(char32_t c) const;
  // The advance in whole pixels (the outline advance); 0 for a character the font has no
  // glyph for.
  int32_t GetCharAdvance(char32_t c) const;
  int32_t GetCharAdvanceEm(char32_t c) const;
  // The unhinted advance in 1024 units per em, truncated toward zero; 0 for a missing glyph.
  int32_t GetIdealAdvanceEm(char32_t c) const;

 private:
  // Fixed (16.16) value of `fontUnits` at the font's size.
  int64_t ToFixed(int64_t fontUnits, int32_t unitsPerEm) const;
  void Forget() { face_.reset(), resolved_ = false; }
  int32_t MeasuredSize() const { return size_ < kMaxMeasuredSize ? size_ : kMaxMeasuredSize; }
  bool GlyphParts(char32_t c, int32_t& lsb, int32_t& advance, int32_t& width) const;

  WideString name_ = kSystemFontName;
  int32_t size_ = 12;
  uint16_t style_ = 0;
  // The face found for name and style, looked up on first use.
  mutable std::shared_ptr<host::fonts::FontFace> face_;
  mutable bool resolved_ = false;
  mutable std::string faceError_;
};
