#include "media/GlyphOutline.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "host/FontFaces.h"

namespace {

int32_t Truncate(double v) {
  if (!(v > -2147483648.0 && v < 2147483647.0))
    return v > 0 ? std::numeric_limits<int32_t>::max() : std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

int16_t Saturate16(int64_t v) {
  return static_cast<int16_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

// Extremes of a quadratic curve along one axis: the ends and, where the derivative is 0 inside
// the curve, that point.
void QuadExtent(double p0, double c, double p1, double& lo, double& hi) {
  lo = std::min({lo, p0, p1});
  hi = std::max({hi, p0, p1});
  const double denominator = p0 - 2 * c + p1;
  if (denominator == 0) return;
  const double t = (p0 - c) / denominator;
  if (t <= 0 || t >= 1) return;
  const double v = (1 - t) * (1 - t) * p0 + 2 * t * (1 - t) * c + t * t * p1;
  lo = std::min(lo, v);
  hi = std::max(hi, v);
}

constexpr int kMaxCubicDepth = 16;

}  // namespace

bool GlyphOutline::SetFont(const PlatformFont& font) {
  font_ = font;
  hasFont_ = font_.GetFace() != nullptr;
  return hasFont_;
}

void GlyphOutline::AddPoint(double x, double y, bool onCurve) {
  if (contours_.empty()) contours_.emplace_back();
  // y grows upwards in the font and downwards in SWF.
  contours_.back().push_back(Point{Truncate(x * scale_), Truncate(-y * scale_), onCurve});
  ++pointCount_;
}

// Splits the cubic curve at its middle until one quadratic curve, with the control point where
// the tangents at both ends meet in the mean, is within the tolerance; the distance between
// the cubic and that quadratic is at most sqrt(3)/36 |p3 - 3 p2 + 3 p1 - p0|.
void GlyphOutline::Cubic(double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3,
                         int depth) {
  const double dx = x3 - 3 * x2 + 3 * x1 - x0;
  const double dy = y3 - 3 * y2 + 3 * y1 - y0;
  const double error = std::sqrt(3.0) / 36.0 * std::hypot(dx, dy) * scale_;
  if (error <= kCubicTolerance || depth >= kMaxCubicDepth) {
    const double cx = (3 * (x1 + x2) - x0 - x3) / 4;
    const double cy = (3 * (y1 + y2) - y0 - y3) / 4;
    AddPoint(cx, cy, false);
    AddPoint(x3, y3, true);
    return;
  }
  // de Casteljau at t = 1/2.
  const double ax = (x0 + x1) / 2, ay = (y0 + y1) / 2;
  const double bx = (x1 + x2) / 2, by = (y1 + y2) / 2;
  const double cx = (x2 + x3) / 2, cy = (y2 + y3) / 2;
  const double abx = (ax + bx) / 2, aby = (ay + by) / 2;
  const double bcx = (bx + cx) / 2, bcy = (by + cy) / 2;
  const double mx = (abx + bcx) / 2, my = (aby + bcy) / 2;
  Cubic(x0, y0, ax, ay, abx, aby, mx, my, depth + 1);
  Cubic(mx, my, bcx, bcy, cx, cy, x3, y3, depth + 1);
}

bool GlyphOutline::Outline(char32_t c) {
  contours_.clear();
  pointCount_ = 0;
  idealAdvance_ = 0;
  if (!hasFont_) return false;
  auto face = font_.GetFace();
  if (!face || face->UnitsPerEm() <= 0) return false;
  const uint32_t glyph = face->GlyphIndex(c);
  if (glyph == 0) return false;
  scale_ = 1024.0 / face->UnitsPerEm();

  host::fonts::FontFace::OutlineSink sink;
  sink.moveTo = [this](host::fonts::FontFace::Point p) {
    // A contour of a move alone draws nothing.
    if (!contours_.empty() && contours_.back().size() <= 1) {
      pointCount_ -= contours_.back().size();
      contours_.pop_back();
    }
    contours_.emplace_back();
    AddPoint(p.x, p.y, true);
    lastX_ = p.x;
    lastY_ = p.y;
  };
  sink.lineTo = [this](host::fonts::FontFace::Point p) {
    AddPoint(p.x, p.y, true);
    lastX_ = p.x;
    lastY_ = p.y;
  };
  sink.conicTo = [this](host::fonts::FontFace::Point control, host::fonts::FontFace::Point p) {
    AddPoint(control.x, control.y, false);
    AddPoint(p.x, p.y, true);
    lastX_ = p.x;
    lastY_ = p.y;
  };
  sink.cubicTo = [this](host::fonts::FontFace::Point c1, host::fonts::FontFace::Point c2,
                        host::fonts::FontFace::Point p) {
    Cubic(lastX_, lastY_, c1.x, c1.y, c2.x, c2.y, p.x, p.y, 0);
    lastX_ = p.x;
    lastY_ = p.y;
  };
  if (!face->Outline(glyph, sink)) {
    contours_.clear();
    pointCount_ = 0;
    return false;
  }
  if (!contours_.empty() && contours_.back().size() <= 1) {
    pointCount_ -= contours_.back().size();
    contours_.pop_back();
  }
  // The outline closes each contour itself: its last point repeats the first.
  for (Contour& contour : contours_) {
    if (contour.size() > 1 && contour.back() == contour.front()) {
      contour.pop_back();
      --pointCount_;
    }
  }
  idealAdvance_ = font_.GetIdealAdvanceEm(c);
  return true;
}

SwfRect GlyphOutline::GetBounds() const {
  double xlo = std::numeric_limits<double>::max(), xhi = std::numeric_limits<double>::lowest();
  double ylo = xlo, yhi = xhi;
  bool any = false;
  for (const Contour& contour : contours_) {
    if (contour.empty()) continue;
    any = true;
    const size_t n = contour.size();
    for (size_t i = 0; i < n;) {
      const Point& p = contour[i];
      const Point& next = contour[(i + 1) % n];
      if (!next.onCurve) {
        const Point& end = contour[(i + 2) % n];
        QuadExtent(p.x, next.x, end.x, xlo, xhi);
        QuadExtent(p.y, next.y, end.y, ylo, yhi);
        i += 2;
      } else {
        xlo = std::min<double>({xlo, static_cast<double>(p.x), static_cast<double>(next.x)});
        xhi = std::max<double>({xhi, static_cast<double>(p.x), static_cast<double>(next.x)});
        ylo = std::min<double>({ylo, static_cast<double>(p.y), static_cast<double>(next.y)});
        yhi = std::max<double>({yhi, static_cast<double>(p.y), static_cast<double>(next.y)});
        i += 1;
      }
    }
  }
  if (!any) return SwfRect(0, 0, 0, 0);
  return SwfRect(static_cast<int32_t>(std::floor(xlo)), static_cast<int32_t>(std::floor(ylo)),
                 static_cast<int32_t>(std::ceil(xhi)), static_cast<int32_t>(std::ceil(yhi)));
}

void GlyphShapeBuilder::AddMoveTo(int32_t x, int32_t y) {
  GlyphEdge edge;
  edge.kind = GlyphEdge::kMoveTo;
  edge.x = x;
  edge.y = y;
  edges_.push_back(edge);
}

void GlyphShapeBuilder::AddLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  GlyphEdge edge;
  edge.kind = GlyphEdge::kLine;
  edge.x = x1 - x0;
  edge.y = y1 - y0;
  edges_.push_back(edge);
}

void GlyphShapeBuilder::AddCurve(int32_t x0, int32_t y0, int32_t cx, int32_t cy, int32_t ax, int32_t ay) {
  GlyphEdge edge;
  edge.kind = GlyphEdge::kCurve;
  edge.x = cx - x0;
  edge.y = cy - y0;
  edge.ax = ax - cx;
  edge.ay = ay - cy;
  edges_.push_back(edge);
}

bool GlyphShapeBuilder::BuildGlyph(const PlatformFont& font, char32_t c, SwfRect& bounds) {
  GlyphOutline outline;
  outline.SetFont(font);
  return BuildGlyph(outline, c, bounds);
}

bool GlyphShapeBuilder::BuildGlyph(GlyphOutline& outline, char32_t c, SwfRect& bounds) {
  edges_.clear();
  bounds = SwfRect(0, 0, 0, 0);
  if (!outline.Outline(c)) return false;
  if (outline.GetContours().empty() || outline.GetIdealAdvance() == 0) return true;
  for (const GlyphOutline::Contour& contour : outline.GetContours()) {
    GlyphOutline::Point at = contour.front();
    AddMoveTo(at.x, at.y);
    // Walk the points and back to the first, which closes the contour.
    const size_t n = contour.size();
    for (size_t i = 1; i <= n;) {
      const GlyphOutline::Point& p = contour[i % n];
      if (p.onCurve) {
        AddLine(at.x, at.y, p.x, p.y);
        at = p;
        i += 1;
      } else {
        const GlyphOutline::Point& anchor = contour[(i + 1) % n];
        AddCurve(at.x, at.y, p.x, p.y, anchor.x, anchor.y);
        at = anchor;
        i += 2;
      }
    }
  }
  bounds = outline.GetBounds();
  return true;
}

// The only place that builds shape records: through the record classes' own constructors,
// whatever storage the shape uses for them.
std::unique_ptr<Shape> GlyphShapeBuilder::MakeShape() const {
  auto shape = std::make_unique<Shape>();
  shape->SetBitCounts(1, 0);
  for (const GlyphEdge& edge : edges_) {
    switch (edge.kind) {
      case GlyphEdge::kMoveTo: {
        auto record = std::make_unique<StyleChangeRecord>(0, shape.get());
        record->InitMoveTo(edge.x, edge.y, shape.get());
        record->SetFillStyleIndex(1, true);
        record->SetLineStyleIndex(1);
        record->UpdateFlags();
        // A contour that starts at the origin still moves there from where the last one ended.
        record->SetFlags(static_cast<uint8_t>(record->flags | kStyleMoveTo));
        shape->records.push_back(std::move(record));
        break;
      }
      case GlyphEdge::kLine: {
        const uint8_t kind = edge.x == 0   ? StraightEdgeRecord::kVertical
                             : edge.y == 0 ? StraightEdgeRecord::kHorizontal
                                           : StraightEdgeRecord::kGeneral;
        shape->records.push_back(std::make_unique<StraightEdgeRecord>(edge.x, edge.y, kind));
        break;
      }
      case GlyphEdge::kCurve:
        shape->records.push_back(std::make_unique<CurvedEdgeRecord>(edge.x, edge.y, edge.ax, edge.ay));
        break;
    }
  }
  shape->records.push_back(std::make_unique<EndShapeRecord>());
  return shape;
}

std::unique_ptr<DefineFont2Tag> GlyphShapeBuilder::MakeDefineFont2(const PlatformFont& font,
                                                                   const WideString& characters, uint16_t fontId,
                                                                   bool uniqueNames, WideString* error) {
  PlatformFont em = font;  // glyphs and em metrics at 1024 points
  em.SetSize(1024);
  auto face = em.GetFace();
  if (!face) {
    if (error != nullptr) *error = em.GetFaceError();
    return nullptr;
  }
  // Codes are 16 bits: a character above U+FFFF would take the code of another one.
  WideString chars;
  for (wchar_t c : characters) {
    if (static_cast<uint32_t>(c) <= 0xFFFF) chars += c;
  }
  if (chars.size() > 0xFFFF) {
    if (error != nullptr) *error = L"the font \"" + font.GetName() + L"\" would need more than 65535 glyphs";
    return nullptr;
  }

  WideString name = em.GetName();
  if (uniqueNames) name += std::to_wstring(fontId);  // digits only: no locale involved
  auto tag = std::make_unique<DefineFont2Tag>(name, fontId, 0xC4);

  // The scale of the advances. The em height of the line is near 1024 for every ordinary font;
  // where rounding puts it above 1024 (or it is 0) the quotient would be 0, so the scale is 1.
  const int32_t heightEm = font.GetHeightEm();
  const double k = heightEm > 0 && heightEm <= 1024 ? static_cast<double>(1024 / heightEm) : 1.0;

  GlyphShapeBuilder builder;
  GlyphOutline outline;
  outline.SetFont(em);
  for (wchar_t ch : chars) {
    const char32_t c = static_cast<char32_t>(ch);
    SwfRect bounds;
    builder.BuildGlyph(outline, c, bounds);  // a missing glyph is empty, with advance 0
    const int32_t e = em.GetOutlineAdvanceEm(c);
    const int32_t f = em.GetIdealAdvanceEm(c);
    const int32_t s = Saturate16(static_cast<int64_t>(e) + f);
    const int32_t t = Saturate16(static_cast<int64_t>(std::trunc(s / k)));
    tag->AddGlyph(static_cast<uint16_t>(c), builder.MakeShape(), static_cast<int16_t>(t / 2),
                  std::make_unique<SwfRect>(bounds));
  }
  tag->SetLayoutMetrics(Saturate16(static_cast<int64_t>(em.GetAscentEm()) + 512), Saturate16(em.GetDescentEm()),
                        Saturate16(em.GetLeadingEm()));

  // Kerning of the pairs these characters form, in 1024 units per em, as the font's kerning
  // table gives it; the table's count is 16 bits.
  if (face->HasKerning()) {
    std::vector<std::pair<uint16_t, uint32_t>> glyphs;
    for (wchar_t ch : chars) {
      const uint32_t glyph = face->GlyphIndex(static_cast<char32_t>(ch));
      if (glyph != 0) glyphs.emplace_back(static_cast<uint16_t>(ch), glyph);
    }
    const double scale = 1024.0 / face->UnitsPerEm();
    for (const auto& [leftCode, leftGlyph] : glyphs) {
      for (const auto& [rightCode, rightGlyph] : glyphs) {
        const int64_t units = face->Kerning(leftGlyph, rightGlyph);
        if (units == 0) continue;
        const int16_t adjustment = Saturate16(std::llround(static_cast<double>(units) * scale));
        if (adjustment == 0 || tag->kerning.size() >= 0xFFFF) continue;
        tag->kerning.push_back(KerningRecord{leftCode, rightCode, adjustment});
      }
    }
  }
  if (font.IsItalic()) tag->flags |= DefineFont2Tag::kItalic;
  if (font.IsBold()) tag->flags |= DefineFont2Tag::kBold;
  return tag;
}
