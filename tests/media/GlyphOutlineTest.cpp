#include <gtest/gtest.h>

#include <cmath>

#include "MediaTestSupport.h"
#include "media/GlyphOutline.h"

namespace {

using mediatest::FreeTypeFace;

struct FtPoint {
  double x, y;
  bool onCurve;
};
// FreeType's own decomposition of the glyph at 1024 pixels per em, y downwards; cubic curves
// come as (control 1, control 2, end) with both controls off the curve and `cubic` set.
struct FtContour {
  std::vector<FtPoint> points;
  std::vector<int> kinds;  // per segment: 1 line, 2 conic, 3 cubic
};

std::vector<FtContour> FreeTypeOutline(FreeTypeFace& ft, char32_t c) {
  std::vector<FtContour> contours;
  if (!ft.Load(c)) return contours;
  FT_Outline_Funcs funcs{};
  auto add = [](void* user, const FT_Vector* v, bool on) {
    static_cast<std::vector<FtContour>*>(user)->back().points.push_back({v->x / 64.0, -v->y / 64.0, on});
  };
  static decltype(add) s_add = add;
  funcs.move_to = [](const FT_Vector* to, void* user) {
    static_cast<std::vector<FtContour>*>(user)->emplace_back();
    s_add(user, to, true);
    return 0;
  };
  funcs.line_to = [](const FT_Vector* to, void* user) {
    static_cast<std::vector<FtContour>*>(user)->back().kinds.push_back(1);
    s_add(user, to, true);
    return 0;
  };
  funcs.conic_to = [](const FT_Vector* control, const FT_Vector* to, void* user) {
    static_cast<std::vector<FtContour>*>(user)->back().kinds.push_back(2);
    s_add(user, control, false);
    s_add(user, to, true);
    return 0;
  };
  funcs.cubic_to = [](const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    static_cast<std::vector<FtContour>*>(user)->back().kinds.push_back(3);
    s_add(user, c1, false);
    s_add(user, c2, false);
    s_add(user, to, true);
    return 0;
  };
  FT_Outline_Decompose(&ft.face->glyph->outline, &funcs, &contours);
  return contours;
}

PlatformFont Font(const wchar_t* family, bool bold = false, bool italic = false) {
  PlatformFont font;
  font.SetFontByName(family);
  font.SetBold(bold);
  font.SetItalic(italic);
  return font;
}

TEST(GlyphOutline, QuadraticOutlinesAreFreeTypesPoints) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  FreeTypeFace ft(mediatest::FontFile("DejaVuSans.ttf"));
  ASSERT_NE(ft.face, nullptr);
  GlyphOutline outline;
  ASSERT_TRUE(outline.SetFont(Font(L"DejaVu Sans")));
  // Latin, accented, Greek, Cyrillic, Hebrew, a symbol and a character beyond the BMP.
  for (char32_t c : {U'A', U'o', U'g', U'@', U'\u00E9', U'\u03BB', U'\u0416', U'\u05D0', U'\u2202', U'\U0001D538'}) {
    SCOPED_TRACE(testing::Message() << "U+" << std::hex << static_cast<uint32_t>(c));
    ASSERT_TRUE(outline.Outline(c));
    const std::vector<FtContour> expected = FreeTypeOutline(ft, c);
    ASSERT_EQ(outline.GetContours().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      const auto& ours = outline.GetContours()[i];
      const auto& theirs = expected[i].points;
      // FreeType ends each contour on its first point again; the outline does not repeat it.
      ASSERT_EQ(ours.size() + 1, theirs.size()) << "contour " << i;
      for (size_t j = 0; j < ours.size(); ++j) {
        EXPECT_EQ(ours[j].onCurve, theirs[j].onCurve);
        // Whole units, truncated toward zero (FreeType's own are in 1/64).
        EXPECT_NEAR(ours[j].x, theirs[j].x, 1.0) << "point " << j;
        EXPECT_NEAR(ours[j].y, theirs[j].y, 1.0) << "point " << j;
      }
    }
    FT_BBox box;
    FT_Outline_Get_BBox(&ft.face->glyph->outline, &box);
    const SwfRect bounds = outline.GetBounds();
    EXPECT_NEAR(bounds.xmin, box.xMin / 64.0, 1.0);
    EXPECT_NEAR(bounds.xmax, box.xMax / 64.0, 1.0);
    EXPECT_NEAR(bounds.ymin, -box.yMax / 64.0, 1.0);
    EXPECT_NEAR(bounds.ymax, -box.yMin / 64.0, 1.0);
    EXPECT_EQ(outline.GetIdealAdvance(), static_cast<int32_t>(ft.face->glyph->linearHoriAdvance >> 16));
  }
}

// Points of a curve sampled densely.
void SampleQuad(double x0, double y0, double cx, double cy, double x1, double y1, std::vector<FtPoint>& out) {
  for (int i = 0; i <= 32; ++i) {
    const double t = i / 32.0, u = 1 - t;
    out.push_back({u * u * x0 + 2 * u * t * cx + t * t * x1, u * u * y0 + 2 * u * t * cy + t * t * y1, true});
  }
}

double Distance(const FtPoint& p, const std::vector<FtPoint>& path) {
  double best = 1e18;
  for (size_t i = 0; i + 1 < path.size(); ++i) {
    const double dx = path[i + 1].x - path[i].x, dy = path[i + 1].y - path[i].y;
    const double len = dx * dx + dy * dy;
    double t = len > 0 ? ((p.x - path[i].x) * dx + (p.y - path[i].y) * dy) / len : 0;
    t = std::clamp(t, 0.0, 1.0);
    best = std::min(best, std::hypot(p.x - (path[i].x + t * dx), p.y - (path[i].y + t * dy)));
  }
  return best;
}

TEST(GlyphOutline, CubicOutlinesBecomeQuadraticsWithinTheTolerance) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  FreeTypeFace ft(mediatest::FontFile("FreeSerif.otf"));
  ASSERT_NE(ft.face, nullptr);
  GlyphOutline outline;
  ASSERT_TRUE(outline.SetFont(Font(L"FreeSerif")));
  // Truncating each point to whole units moves a curve by less than sqrt(2) units.
  const double allowed = GlyphOutline::kCubicTolerance + std::sqrt(2.0);
  for (char32_t c : {U'S', U'o', U'&', U'\u00DF', U'\u03A9', U'\u0429'}) {
    SCOPED_TRACE(testing::Message() << "U+" << std::hex << static_cast<uint32_t>(c));
    ASSERT_TRUE(outline.Outline(c));
    const std::vector<FtContour> expected = FreeTypeOutline(ft, c);
    ASSERT_EQ(outline.GetContours().size(), expected.size());
    int cubics = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
      // FreeType's path, the cubic curves sampled finely.
      std::vector<FtPoint> theirs;
      const auto& pts = expected[i].points;
      size_t at = 0;
      theirs.push_back(pts[0]);
      for (int kind : expected[i].kinds) {
        const FtPoint p0 = pts[at];
        if (kind == 1) {
          theirs.push_back(pts[at + 1]);
        } else if (kind == 2) {
          SampleQuad(p0.x, p0.y, pts[at + 1].x, pts[at + 1].y, pts[at + 2].x, pts[at + 2].y, theirs);
        } else {
          ++cubics;
          const FtPoint a = pts[at + 1], b = pts[at + 2], e = pts[at + 3];
          for (int s = 0; s <= 256; ++s) {
            const double t = s / 256.0, u = 1 - t;
            theirs.push_back({u * u * u * p0.x + 3 * u * u * t * a.x + 3 * u * t * t * b.x + t * t * t * e.x,
                              u * u * u * p0.y + 3 * u * u * t * a.y + 3 * u * t * t * b.y + t * t * t * e.y, true});
          }
        }
        at += static_cast<size_t>(kind);
      }
      // Our path, sampled likewise, and every on-curve end of FreeType's segments on it.
      const auto& ours = outline.GetContours()[i];
      std::vector<FtPoint> path;
      for (size_t j = 0; j < ours.size();) {
        const auto& p = ours[j];
        const auto& next = ours[(j + 1) % ours.size()];
        if (next.onCurve) {
          path.push_back({static_cast<double>(p.x), static_cast<double>(p.y), true});
          path.push_back({static_cast<double>(next.x), static_cast<double>(next.y), true});
          j += 1;
        } else {
          const auto& end = ours[(j + 2) % ours.size()];
          SampleQuad(p.x, p.y, next.x, next.y, end.x, end.y, path);
          j += 2;
        }
      }
      for (const FtPoint& p : path)
        EXPECT_LE(Distance(p, theirs), allowed) << "contour " << i << " at " << p.x << "," << p.y;
      for (const FtPoint& p : theirs)
        EXPECT_LE(Distance(p, path), allowed) << "contour " << i << " at " << p.x << "," << p.y;
      for (size_t j = 0; j < pts.size(); ++j) {
        if (!pts[j].onCurve) continue;
        bool found = false;
        for (const auto& q : ours)
          found = found || (q.onCurve && std::abs(q.x - pts[j].x) < 1.0 && std::abs(q.y - pts[j].y) < 1.0);
        EXPECT_TRUE(found) << "the end point " << pts[j].x << "," << pts[j].y << " of a segment is kept";
      }
    }
    EXPECT_GT(cubics, 0) << "a CFF font has cubic curves";
  }
}

TEST(GlyphOutline, ACharacterTheFontLacksHasNoOutline) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  GlyphOutline outline;
  ASSERT_TRUE(outline.SetFont(Font(L"DejaVu Sans")));
  EXPECT_FALSE(outline.Outline(U'\u0378'));
  EXPECT_TRUE(outline.GetContours().empty());
  EXPECT_TRUE(outline.Outline(U' '));
  EXPECT_TRUE(outline.GetContours().empty());
  EXPECT_GT(outline.GetIdealAdvance(), 0);
  GlyphOutline none;
  EXPECT_FALSE(none.SetFont(Font(L"No Such Family")));
  EXPECT_FALSE(none.Outline(U'A'));
}

TEST(GlyphShapeBuilder, GlyphsAreClosedContoursOfEdges) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  struct Case {
    const wchar_t* family;
    char32_t c;
    size_t contours;
    bool straightOnly;
  } cases[] = {
      {L"DejaVu Sans", U'l', 1, true}, {L"DejaVu Sans", U'I', 1, true},  {L"DejaVu Sans", U'o', 2, false},
      {L"DejaVu Sans", U'A', 2, true}, {L"DejaVu Sans", U'B', 3, false}, {L"DejaVu Sans", U'\u0416', 1, true},
      {L"FreeSans", U'o', 2, false},   {L"FreeSans", U'8', 3, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "U+" << std::hex << static_cast<uint32_t>(c.c));
    GlyphShapeBuilder builder;
    SwfRect bounds;
    ASSERT_TRUE(builder.BuildGlyph(Font(c.family), c.c, bounds));
    size_t contours = 0;
    bool straight = true;
    int64_t sx = 0, sy = 0;
    int32_t px = 0, py = 0;
    int32_t xmin = INT32_MAX, xmax = INT32_MIN, ymin = INT32_MAX, ymax = INT32_MIN;
    auto visit = [&](int32_t x, int32_t y) {
      xmin = std::min(xmin, x), xmax = std::max(xmax, x), ymin = std::min(ymin, y), ymax = std::max(ymax, y);
    };
    for (const GlyphEdge& e : builder.GetEdges()) {
      if (e.kind == GlyphEdge::kMoveTo) {
        if (contours++ > 0) {
          EXPECT_EQ(sx, 0);
          EXPECT_EQ(sy, 0);
        }
        sx = sy = 0;
        px = e.x, py = e.y;
        visit(px, py);
      } else if (e.kind == GlyphEdge::kLine) {
        sx += e.x, sy += e.y;
        px += e.x, py += e.y;
        visit(px, py);
      } else {
        straight = false;
        sx += e.x + e.ax, sy += e.y + e.ay;
        px += e.x + e.ax, py += e.y + e.ay;
        visit(px, py);
      }
    }
    EXPECT_EQ(sx, 0);
    EXPECT_EQ(sy, 0);
    EXPECT_EQ(contours, c.contours);
    EXPECT_EQ(straight, c.straightOnly);
    // The bounds hold every end point; a glyph drawn above the baseline has negative y.
    EXPECT_LE(bounds.xmin, xmin);
    EXPECT_GE(bounds.xmax, xmax);
    EXPECT_LE(bounds.ymin, ymin);
    EXPECT_GE(bounds.ymax, ymax);
    EXPECT_LT(bounds.ymin, -500);
  }
  GlyphShapeBuilder builder;
  SwfRect bounds(1, 2, 3, 4);
  EXPECT_TRUE(builder.BuildGlyph(Font(L"DejaVu Sans"), U' ', bounds));
  EXPECT_TRUE(builder.GetEdges().empty());
  EXPECT_EQ(bounds, SwfRect(0, 0, 0, 0));
  EXPECT_FALSE(builder.BuildGlyph(Font(L"DejaVu Sans"), U'\u0378', bounds));
  EXPECT_TRUE(builder.GetEdges().empty());
}

TEST(GlyphShapeBuilder, EdgeKindsAndAContourThatStartsAtTheOrigin) {
  GlyphShapeBuilder builder;
  builder.AddMoveTo(10, 10);
  builder.AddLine(10, 10, 10, 50);  // vertical
  builder.AddLine(10, 50, 60, 50);  // horizontal
  builder.AddLine(60, 50, 10, 10);  // general
  builder.AddMoveTo(0, 0);          // the pen is at (10, 10): it must move
  builder.AddCurve(0, 0, 5, -5, 10, 0);
  builder.AddLine(10, 0, 0, 0);
  ASSERT_EQ(builder.GetEdges().size(), 7u);
  EXPECT_EQ(builder.GetEdges()[1], (GlyphEdge{GlyphEdge::kLine, 0, 40, 0, 0}));
  EXPECT_EQ(builder.GetEdges()[5], (GlyphEdge{GlyphEdge::kCurve, 5, -5, 5, 5}));

  // Written and read back, as a player reads it.
  std::unique_ptr<Shape> shape = builder.MakeShape();
  SwfBitWriter bits(8);
  shape->Write(bits);
  bits.Flush();
  Shape read;
  SwfReader reader(bits.GetBytes(), 8);
  read.Read(reader);
  ASSERT_EQ(read.records.size(), 8u);
  EXPECT_EQ(read.initialFillBits, 1);
  EXPECT_EQ(read.initialLineBits, 0);
  const int kinds[] = {ShapeRecord::kStyleChange,  ShapeRecord::kStraightEdge, ShapeRecord::kStraightEdge,
                       ShapeRecord::kStraightEdge, ShapeRecord::kStyleChange,  ShapeRecord::kCurvedEdge,
                       ShapeRecord::kStraightEdge, ShapeRecord::kEnd};
  for (size_t i = 0; i < 8; ++i) ASSERT_EQ(read.records[i]->GetKind(), kinds[i]) << i;
  // The kinds are checked: the records are of these classes.
  const auto& second = static_cast<const StyleChangeRecord&>(*read.records[4]);
  EXPECT_TRUE(second.flags & kStyleMoveTo);
  EXPECT_EQ(second.moveX, 0);
  EXPECT_EQ(second.moveY, 0);
  EXPECT_EQ(second.fillStyle1, 1);
  EXPECT_EQ(static_cast<const StraightEdgeRecord&>(*read.records[1]).kind, StraightEdgeRecord::kVertical);
  EXPECT_EQ(static_cast<const StraightEdgeRecord&>(*read.records[2]).kind, StraightEdgeRecord::kHorizontal);
  const auto& general = static_cast<const StraightEdgeRecord&>(*read.records[3]);
  EXPECT_EQ(general.kind, StraightEdgeRecord::kGeneral);
  EXPECT_EQ(general.deltaX, -50);
  EXPECT_EQ(general.deltaY, -40);
}

}  // namespace
