// Installed fonts through fontconfig (families, matching) and FreeType (faces, metrics, outlines).
//
// Everything here is in the font's own units (FreeType's FT_LOAD_NO_SCALE), unhinted, with y
// growing upwards as in the font file; callers scale to their own sizes. Faces are opened once
// per font file and kept for the life of the process. Only one thread uses these functions.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace host::fonts {

// Replaces the fontconfig configuration the program uses by one built from `xml` (the
// fontconfig file format): tests use it to see only the fonts of known folders. False, with
// the configuration unchanged, when the text does not load or no fonts can be listed.
bool UseFontConfiguration(const std::string& xml);

// True when an installed font has exactly this family name (fontconfig compares ignoring case
// and blanks). The generic names "sans-serif", "serif" and "monospace" (and "Sans", "Serif",
// "Monospace") stand for whatever family the configuration gives them and exist when it gives
// one.
bool FamilyExists(const std::string& familyUtf8);

// The family fontconfig gives for "sans-serif"; empty when there is none.
std::string DefaultFamily();

// An installed family with outlines as a font menu lists it: the family name under which its
// faces are grouped by weight and slant (the last of a face's family names, the one that
// fontconfig gives for the font's own four-style family), and the distinct styles of its
// faces as style bits (0x01 bold: semibold or heavier; 0x02 italic: italic or oblique), in
// increasing order.
struct FamilyListing {
  std::string name;
  std::vector<int> styles;
};
// Every such family once, sorted by name as fontconfig compares names (ignoring case and
// blanks); empty when fontconfig lists nothing.
std::vector<FamilyListing> ListFamilies();

// A font file's face, as matched for a family and a style.
class FontFace {
 public:
  // Point of an outline, in font units, y up.
  struct Point {
    double x = 0;
    double y = 0;
  };
  // One glyph's outline as FreeType decomposes it: every contour starts with MoveTo and is
  // closed by the segments given (the last segment ends at the contour's first point).
  struct OutlineSink {
    std::function<void(Point)> moveTo;
    std::function<void(Point)> lineTo;
    std::function<void(Point control, Point to)> conicTo;
    std::function<void(Point control1, Point control2, Point to)> cubicTo;
  };
  // Metrics of one glyph in font units.
  struct GlyphMetrics {
    int64_t advance = 0;   // horizontal advance
    int64_t bearingX = 0;  // left side bearing
    int64_t width = 0;     // width of the outline's bounding box
  };

  // The face of the family with that exact name (see FamilyExists) in the style nearest to
  // bold and italic, with fontconfig's synthetic emboldening or slant when the family lacks
  // that style. Null, with `error` set, when the family is not installed or its file can't
  // be opened.
  static std::shared_ptr<FontFace> Open(const std::string& familyUtf8, bool bold, bool italic, std::string* error);

  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  const std::string& FamilyName() const { return family_; }
  const std::string& FilePath() const { return file_; }
  int UnitsPerEm() const { return unitsPerEm_; }
  // Ascender (positive), descender (positive, below the baseline) and line gap, from the
  // horizontal header.
  int64_t Ascender() const { return ascender_; }
  int64_t Descender() const { return descender_; }
  int64_t LineGap() const { return lineGap_; }

  // The glyph index of a Unicode character; 0 when the font has no glyph for it.
  uint32_t GlyphIndex(char32_t character) const;
  // False when the glyph can't be loaded or has no outline (a bitmap-only glyph).
  bool Metrics(uint32_t glyph, GlyphMetrics& metrics) const;
  // False when the glyph can't be loaded as an outline.
  bool Outline(uint32_t glyph, const OutlineSink& sink) const;
  // The kerning adjustment between two glyphs from the font's kerning table; 0 without one.
  int64_t Kerning(uint32_t left, uint32_t right) const;
  bool HasKerning() const;

 private:
  struct Impl;
  FontFace() = default;
  bool LoadGlyph(uint32_t glyph) const;

  std::unique_ptr<Impl> impl_;
  std::string family_;
  std::string file_;
  int unitsPerEm_ = 0;
  int64_t ascender_ = 0;
  int64_t descender_ = 0;
  int64_t lineGap_ = 0;
};

}  // namespace host::fonts
