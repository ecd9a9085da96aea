// The families a user picks fonts from: grouped as the fonts' own four-style families, each
// typeface one real face of the family.
#include "platform/FontFamilies.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <set>

#include "host/FontFaces.h"
#include "platform/PlatformFont.h"
#include "tests/support/TestFonts.h"

namespace {

const FontFamilyEntry* Find(const std::vector<FontFamilyEntry>& families, const WideString& name) {
  for (const FontFamilyEntry& f : families) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

std::vector<uint16_t> Styles(const FontFamilyEntry& f) {
  std::vector<uint16_t> out;
  for (const FontStyleEntry& t : f.typefaces) out.push_back(t.style);
  return out;
}

TEST(FontFamilies, GroupsFacesIntoFamiliesWithTheirTypefaces) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  const std::vector<FontFamilyEntry> families = ListFontFamilies();
  struct Case {
    const wchar_t* family;
    std::vector<uint16_t> styles;  // empty: the regular face only
  };
  const Case cases[] = {
      {L"DejaVu Sans", {0, 1, 2, 3}},  {L"DejaVu Sans Condensed", {0, 1, 2, 3}},  // not mixed into DejaVu Sans
      {L"DejaVu Sans Light", {}},      {L"DejaVu Sans Mono", {0, 1, 2, 3}},
      {L"DejaVu Serif", {0, 1, 2, 3}}, {L"DejaVu Math TeX Gyre", {}},
      {L"FreeSerif", {0, 1, 2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.family));
    const FontFamilyEntry* f = Find(families, c.family);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(Styles(*f), c.styles);
  }
  // Typefaces are named by the style words of their bits.
  const FontFamilyEntry* serif = Find(families, L"DejaVu Serif");
  ASSERT_NE(serif, nullptr);
  std::vector<WideString> typefaces;
  for (const FontStyleEntry& t : serif->typefaces) typefaces.push_back(t.name);
  EXPECT_EQ(typefaces, (std::vector<WideString>{L"Regular", L"Bold", L"Italic", L"Bold Italic"}));
  std::vector<WideString> names;
  for (const FontFamilyEntry& f : families) names.push_back(f.name);
  // Sorted as fontconfig compares names (ignoring case and blanks), each name once.
  auto folded = [](const WideString& s) {
    WideString out;
    for (wchar_t ch : s) {
      if (ch != L' ') out += wchar_t(std::towlower(wint_t(ch)));
    }
    return out;
  };
  for (size_t i = 1; i < names.size(); ++i) EXPECT_LT(folded(names[i - 1]), folded(names[i]));
}

// Choosing a listed typeface gives a font of its own: every typeface of a family opens a
// different font file, none of them the family's regular face made bold or slanted.
TEST(FontFamilies, EveryTypefaceIsARealFaceOfItsFamily) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  for (const FontFamilyEntry& f : ListFontFamilies()) {
    SCOPED_TRACE(WideToUtf8(f.name));
    std::set<std::string> files;
    PlatformFont font;
    ASSERT_TRUE(font.SetFontByName(f.name));
    ASSERT_TRUE(font.IsInstalled());
    for (const FontStyleEntry& t : f.typefaces) {
      font.SetStyleBits(t.style);
      auto face = font.GetFace();
      ASSERT_NE(face, nullptr) << WideToUtf8(t.name);
      files.insert(face->FilePath());
    }
    EXPECT_EQ(files.size(), f.typefaces.size());
  }
}

}  // namespace
