#include <gtest/gtest.h>

#include <filesystem>

#include "host/FontFaces.h"
#include "tests/support/TestFonts.h"

namespace {

using host::fonts::FontFace;

TEST(FontFaces, FamiliesExistOnlyUnderTheirOwnNames) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  struct Case {
    const char* name;
    bool exists;
  } cases[] = {
      {"DejaVu Sans", true},
      {"dejavu sans", true},  // fontconfig ignores case and blanks
      {"DejaVuSans", true},
      {"FreeSerif", true},
      {"DejaVu Math TeX Gyre", true},
      {"sans-serif", true},
      {"Sans", true},
      {"No Such Family", false},
      {"DejaVu", false},           // a prefix of a family is not the family
      {"Liberation Sans", false},  // not among the test fonts, whatever the machine has
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(host::fonts::FamilyExists(c.name), c.exists) << c.name;
  EXPECT_EQ(host::fonts::DefaultFamily(), "DejaVu Sans");
}

TEST(FontFaces, OpenRefusesAFamilyFontconfigWouldSubstitute) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  std::string error;
  EXPECT_EQ(FontFace::Open("No Such Family", false, false, &error), nullptr);
  EXPECT_NE(error.find("No Such Family"), std::string::npos) << error;
  EXPECT_NE(error.find("not installed"), std::string::npos) << error;
}

TEST(FontFaces, StylesPickTheFamilysOwnFaces) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  struct Case {
    const char* family;
    bool bold;
    bool italic;
    const char* file;
  } cases[] = {
      {"DejaVu Sans", false, false, "DejaVuSans.ttf"},        {"DejaVu Sans", true, false, "DejaVuSans-Bold.ttf"},
      {"DejaVu Sans", false, true, "DejaVuSans-Oblique.ttf"}, {"DejaVu Sans", true, true, "DejaVuSans-BoldOblique.ttf"},
      {"FreeSerif", true, true, "FreeSerifBoldItalic.otf"},   {"Sans", false, false, "DejaVuSans.ttf"},
  };
  for (const Case& c : cases) {
    std::string error;
    auto face = FontFace::Open(c.family, c.bold, c.italic, &error);
    ASSERT_NE(face, nullptr) << c.family << ": " << error;
    EXPECT_EQ(std::filesystem::path(face->FilePath()).filename(), c.file) << c.family << c.bold << c.italic;
  }
  auto generic = FontFace::Open("Sans", false, false, nullptr);
  ASSERT_NE(generic, nullptr);
  EXPECT_EQ(generic->FamilyName(), "DejaVu Sans");
}

TEST(FontFaces, AFamilyWithoutBoldIsEmboldened) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  // DejaVu Math TeX Gyre has one regular face only.
  auto regular = FontFace::Open("DejaVu Math TeX Gyre", false, false, nullptr);
  auto bold = FontFace::Open("DejaVu Math TeX Gyre", true, false, nullptr);
  ASSERT_NE(regular, nullptr);
  ASSERT_NE(bold, nullptr);
  EXPECT_EQ(regular->FilePath(), bold->FilePath());
  FontFace::GlyphMetrics plain, strong;
  const uint32_t glyph = regular->GlyphIndex(U'x');
  ASSERT_NE(glyph, 0u);
  ASSERT_TRUE(regular->Metrics(glyph, plain));
  ASSERT_TRUE(bold->Metrics(glyph, strong));
  EXPECT_EQ(strong.advance, plain.advance + regular->UnitsPerEm() / 24);
  EXPECT_GT(strong.width, plain.width);
}

TEST(FontFaces, OutlinesCloseEveryContourAndCubicFontsGiveCubics) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  struct Count {
    int moves = 0, lines = 0, conics = 0, cubics = 0;
  };
  auto outline = [](const char* family, char32_t c, Count& count) {
    auto face = FontFace::Open(family, false, false, nullptr);
    if (!face) return false;
    FontFace::Point first, last;
    bool closed = true;
    FontFace::OutlineSink sink;
    sink.moveTo = [&](FontFace::Point p) {
      if (count.moves++ > 0) closed = closed && last.x == first.x && last.y == first.y;
      first = last = p;
    };
    sink.lineTo = [&](FontFace::Point p) { ++count.lines, last = p; };
    sink.conicTo = [&](FontFace::Point, FontFace::Point p) { ++count.conics, last = p; };
    sink.cubicTo = [&](FontFace::Point, FontFace::Point, FontFace::Point p) { ++count.cubics, last = p; };
    if (!face->Outline(face->GlyphIndex(c), sink)) return false;
    return closed && last.x == first.x && last.y == first.y;
  };
  Count o;
  ASSERT_TRUE(outline("DejaVu Sans", U'o', o));
  EXPECT_EQ(o.moves, 2);
  EXPECT_GT(o.conics, 0);
  EXPECT_EQ(o.cubics, 0);
  Count cff;
  ASSERT_TRUE(outline("FreeSans", U'o', cff));
  EXPECT_EQ(cff.moves, 2);
  EXPECT_GT(cff.cubics, 0);
  EXPECT_EQ(cff.conics, 0);
}

}  // namespace
