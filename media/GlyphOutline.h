// Glyph outlines of installed fonts as SWF shapes, and DefineFont2 tags built from them.
//
// Glyphs are taken at 1024 points, so coordinates are in the 1024 units per em that DefineFont2
// uses, with y growing downwards as in SWF (a glyph above the baseline has negative y). Points
// are truncated toward zero to whole units. Quadratic curves of TrueType outlines are taken
// exactly; every cubic curve (CFF/OpenType outlines) is split into quadratic curves that stay
// within kCubicTolerance units of it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/PlatformFont.h"
#include "platform/WideString.h"
#include "swf/FontTags.h"
#include "swf/Shape.h"
#include "swf/SwfBasicRecords.h"

// The closed contours of one glyph as on-curve points and quadratic control points.
class GlyphOutline {
 public:
  // Largest distance, in 1024 units per em, between a cubic curve and the quadratic curves
  // that replace it (before the points are truncated to whole units).
  static constexpr double kCubicTolerance = 0.25;

  struct Point {
    int32_t x = 0;
    int32_t y = 0;  // downwards
    bool onCurve = true;
    bool operator==(const Point& other) const = default;
  };
  using Contour = std::vector<Point>;

  GlyphOutline() = default;

  // The font to outline at 1024 points (its size is not used); false when it is not installed.
  bool SetFont(const PlatformFont& font);
  // Collects the outline of the character's glyph; false when the font has no glyph for it
  // (or none was set). A glyph without contours (a space) succeeds with no contours.
  bool Outline(char32_t c);

  // Every contour starts with an on-curve point; an off-curve point is always followed by the
  // on-curve end of its curve. The first point is not repeated at the end.
  const std::vector<Contour>& GetContours() const { return contours_; }
  size_t GetPointCount() const { return pointCount_; }
  // The unhinted advance in 1024 units per em, truncated toward zero.
  int32_t GetIdealAdvance() const { return idealAdvance_; }
  // The exact bounding box of the outline (curves included), in whole units; all 0 without
  // contours.
  SwfRect GetBounds() const;

 private:
  void AddPoint(double x, double y, bool onCurve);
  void Cubic(double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3, int depth);

  PlatformFont font_;
  bool hasFont_ = false;
  std::vector<Contour> contours_;
  size_t pointCount_ = 0;
  int32_t idealAdvance_ = 0;
  double scale_ = 0;  // 1024 / units per em
  double lastX_ = 0;  // the current point, unscaled
  double lastY_ = 0;
};

// One glyph as SWF shape edges. A glyph is one move-to per contour, then straight and curved
// edges, in the order of the outline.
struct GlyphEdge {
  enum Kind : uint8_t { kMoveTo, kLine, kCurve };
  Kind kind = kMoveTo;
  // kMoveTo: the absolute point; kLine: the delta; kCurve: the control delta (from the start)
  // in x/y and the anchor delta (from the control point) in ax/ay.
  int32_t x = 0;
  int32_t y = 0;
  int32_t ax = 0;
  int32_t ay = 0;
  bool operator==(const GlyphEdge& other) const = default;
};

class GlyphShapeBuilder {
 public:
  GlyphShapeBuilder() = default;

  // Fills the builder with the edges of the character's glyph in `font` and sets `bounds`.
  // False (builder empty, bounds 0) when the font has no glyph for the character. A glyph
  // without contours, or whose advance is 0, has no edges and bounds 0.
  bool BuildGlyph(const PlatformFont& font, char32_t c, SwfRect& bounds);
  // The same with an outline whose font is already set (one font's glyphs in a row).
  bool BuildGlyph(GlyphOutline& outline, char32_t c, SwfRect& bounds);
  // Starts a contour at the point (absolute).
  void AddMoveTo(int32_t x, int32_t y);
  // Appends a straight edge from (x0, y0) to (x1, y1): vertical, horizontal or general.
  void AddLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
  // Appends a curved edge from (x0, y0) through the control point to the anchor.
  void AddCurve(int32_t x0, int32_t y0, int32_t cx, int32_t cy, int32_t ax, int32_t ay);

  const std::vector<GlyphEdge>& GetEdges() const { return edges_; }
  // A glyph shape (one fill-index bit, no line-index bits) with the edges: each contour a
  // style-change record that moves to its start and selects fill style 1, then its edges,
  // then an end record.
  std::unique_ptr<Shape> MakeShape() const;

  // A DefineFont2 with one glyph for each character of `characters`, in order, with its code,
  // shape, advance and bounds; the layout metrics; kerning for the pairs of these characters
  // that the font's kerning table holds; bold and italic flags. With `uniqueNames` the font id
  // in decimal follows the family name. Characters above U+FFFF are left out (codes are 16
  // bits). Null, with `error` set, when the font is not installed or the glyphs would not fit
  // the tag's 16-bit glyph count.
  static std::unique_ptr<DefineFont2Tag> MakeDefineFont2(const PlatformFont& font, const WideString& characters,
                                                         uint16_t fontId, bool uniqueNames, WideString* error);

 private:
  std::vector<GlyphEdge> edges_;
};
