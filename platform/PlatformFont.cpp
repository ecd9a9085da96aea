#include "platform/PlatformFont.h"

#include <cmath>

#include "host/FontFaces.h"
#include "host/Text.h"

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

namespace {

int32_t Px(int64_t fixed) { return static_cast<int32_t>((fixed + 0x8000) >> 16); }

int32_t PerEm(int64_t value, int64_t whole) {
  if (whole <= 0) return 0;
  return static_cast<int32_t>(value * 1024 / whole);
}

}  // namespace

PlatformFont::PlatformFont() = default;
PlatformFont::~PlatformFont() = default;

PlatformFont::PlatformFont(const PlatformFont& other) : name_(other.name_), size_(other.size_), style_(other.style_) {}

PlatformFont& PlatformFont::operator=(const PlatformFont& other) {
  if (this == &other) return *this;
  name_ = other.name_;
  size_ = other.size_;
  style_ = other.style_;
  Forget();
  return *this;
}

bool PlatformFont::SetFontByName(const WideString& name) {
  if (name.empty()) return false;
  if (name != name_) {
    name_ = name;
    Forget();
  }
  return true;
}

void PlatformFont::SetBold(bool bold) { SetStyleBits(static_cast<uint16_t>(bold ? style_ | kBold : style_ & ~kBold)); }

void PlatformFont::SetItalic(bool italic) {
  SetStyleBits(static_cast<uint16_t>(italic ? style_ | kItalic : style_ & ~kItalic));
}

void PlatformFont::SetStyleBits(uint16_t bits) {
  if ((bits & (kBold | kItalic)) != (style_ & (kBold | kItalic))) Forget();
  style_ = bits;
}

WideString PlatformFont::GetStyleName() const {
  static const wchar_t* const kWords[] = {L"Bold",   L"Italic",   L"Underline", L"Outline",
                                          L"Shadow", L"Condense", L"Extend"};
  WideString text;
  for (int bit = 0; bit < 7; ++bit) {
    if ((style_ & (1u << bit)) == 0) continue;
    if (!text.empty()) text += L' ';
    text += kWords[bit];
  }
  return text.empty() ? WideString(L"Regular") : text;
}

FontStyleRecord PlatformFont::GetStyle() const {
  FontStyleRecord record;
  record.size = size_;
  record.style = style_;
  return record;
}

bool PlatformFont::SetNameAndStyle(const WideString& name, const FontStyleRecord& record) {
  size_ = record.size;
  SetStyleBits(static_cast<uint16_t>(record.style));
  SetFontByName(name);
  return true;
}

std::shared_ptr<host::fonts::FontFace> PlatformFont::GetFace() const {
  if (!resolved_) {
    faceError_.clear();
    face_ = host::fonts::FontFace::Open(host::text::WideToUtf8(name_), IsBold(), IsItalic(), &faceError_);
    resolved_ = true;
  }
  return face_;
}

WideString PlatformFont::GetFaceError() const {
  GetFace();
  return host::text::Utf8ToWide(faceError_);
}

bool PlatformFont::IsInstalled() const { return GetFace() != nullptr; }

int64_t PlatformFont::ToFixed(int64_t fontUnits, int32_t unitsPerEm) const {
  if (unitsPerEm <= 0 || size_ <= 0) return 0;
  return std::llround(static_cast<double>(fontUnits) * MeasuredSize() * 65536.0 / unitsPerEm);
}

int32_t PlatformFont::GetAscent() const {
  auto face = GetFace();
  return face ? Px(ToFixed(face->Ascender(), face->UnitsPerEm())) : 0;
}

int32_t PlatformFont::GetDescent() const {
  auto face = GetFace();
  return face ? Px(ToFixed(face->Descender(), face->UnitsPerEm())) : 0;
}

int32_t PlatformFont::GetLeading() const {
  auto face = GetFace();
  return face ? Px(ToFixed(face->LineGap(), face->UnitsPerEm())) : 0;
}

int32_t PlatformFont::GetLineHeight() const {
  auto face = GetFace();
  if (!face) return 0;
  return Px(ToFixed(face->Ascender(), face->UnitsPerEm()) + ToFixed(face->Descender(), face->UnitsPerEm()));
}

int32_t PlatformFont::GetAscentEm() const { return PerEm(GetAscent(), GetLineHeight()); }
int32_t PlatformFont::GetDescentEm() const { return PerEm(GetDescent(), GetLineHeight()); }
int32_t PlatformFont::GetLeadingEm() const { return PerEm(GetLeading(), GetLineHeight()); }
int32_t PlatformFont::GetHeightEm() const { return PerEm(GetAscent() + GetDescent(), GetLineHeight()); }

// Left side bearing, advance and bounds width in pixels; false when the font has no glyph for
// the character or the glyph has no outline.
bool PlatformFont::GlyphParts(char32_t c, int32_t& lsb, int32_t& advance, int32_t& width) const {
  auto face = GetFace();
  if (!face) return false;
  const uint32_t glyph = face->GlyphIndex(c);
  host::fonts::FontFace::GlyphMetrics m;
  if (glyph == 0 || !face->Metrics(glyph, m)) return false;
  lsb = Px(ToFixed(m.bearingX, face->UnitsPerEm()));
  advance = Px(ToFixed(m.advance, face->UnitsPerEm()));
  width = Px(ToFixed(m.width, face->UnitsPerEm()));
  return true;
}

int32_t PlatformFont::GetLeftSideBearing(char32_t c) const {
  int32_t lsb = 0, advance = 0, width = 0;
  return GlyphParts(c, lsb, advance, width) ? lsb : 0;
}

int32_t PlatformFont::GetRightSideBearing(char32_t c) const {
  int32_t lsb = 0, advance = 0, width = 0;
  return GlyphParts(c, lsb, advance, width) ? advance - lsb - width : 0;
}

int32_t PlatformFont::GetGlyphBoundsWidth(char32_t c) const {
  int32_t lsb = 0, advance = 0, width = 0;
  return GlyphParts(c, lsb, advance, width) ? width : -1;
}

int32_t PlatformFont::GetOutlineAdvance(char32_t c) const {
  int32_t lsb = 0, advance = 0, width = 0;
  // width + lsb + (advance - lsb - width)
  return GlyphParts(c, lsb, advance, width) ? advance : 0;
}

int32_t PlatformFont::GetOutlineAdvanceEm(char32_t c) const { return PerEm(GetOutlineAdvance(c), MeasuredSize()); }

// Only fonts with outlines are used (bitmap-only fonts are never matched), so the advance of
// the outline is the character's advance.
int32_t PlatformFont::GetCharAdvance(char32_t c) const { return GetOutlineAdvance(c); }

int32_t PlatformFont::GetCharAdvanceEm(char32_t c) const { return PerEm(GetCharAdvance(c), MeasuredSize()); }

int32_t PlatformFont::GetIdealAdvanceEm(char32_t c) const {
  auto face = GetFace();
  if (!face || face->UnitsPerEm() <= 0) return 0;
  const uint32_t glyph = face->GlyphIndex(c);
  host::fonts::FontFace::GlyphMetrics m;
  if (glyph == 0 || !face->Metrics(glyph, m)) return 0;
  return static_cast<int32_t>(static_cast<double>(m.advance) * 1024.0 / face->UnitsPerEm());
}
