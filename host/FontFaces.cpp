#include "host/FontFaces.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_BBOX_H

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <tuple>

namespace host::fonts {
namespace {

// The process's FreeType library, made on first use and kept.
FT_Library Library() {
  static FT_Library library = [] {
    FT_Library made = nullptr;
    if (FT_Init_FreeType(&made) != 0) made = nullptr;
    return made;
  }();
  return library;
}

// Family names compared as fontconfig compares them: ignoring case and blanks.
std::string FoldName(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    if (c == ' ') continue;
    out += static_cast<char>(c < 0x80 ? std::tolower(c) : c);
  }
  return out;
}

bool IsGenericName(const std::string& name) {
  const std::string folded = FoldName(name);
  return folded == "sans-serif" || folded == "sans" || folded == "serif" || folded == "monospace" || folded == "mono";
}

struct PatternHolder {
  FcPattern* p = nullptr;
  ~PatternHolder() {
    if (p != nullptr) FcPatternDestroy(p);
  }
};

// The best match of fontconfig for the family and style; null when there is none.
FcPattern* Match(const std::string& family, bool bold, bool italic) {
  PatternHolder pattern{FcPatternCreate()};
  if (pattern.p == nullptr) return nullptr;
  FcPatternAddString(pattern.p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern.p, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.p, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.p, FC_OUTLINE, FcTrue);
  FcConfigSubstitute(nullptr, pattern.p, FcMatchPattern);
  FcDefaultSubstitute(pattern.p);
  FcResult result = FcResultNoMatch;
  return FcFontMatch(nullptr, pattern.p, &result);
}

// True when one of the pattern's family names is `family` as fontconfig compares names.
bool HasFamily(FcPattern* pattern, const std::string& family) {
  const std::string wanted = FoldName(family);
  FcChar8* value = nullptr;
  for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &value) == FcResultMatch; ++i) {
    if (FoldName(reinterpret_cast<const char*>(value)) == wanted) return true;
  }
  return false;
}

std::string FirstFamily(FcPattern* pattern) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(pattern, FC_FAMILY, 0, &value) != FcResultMatch) return {};
  return reinterpret_cast<const char*>(value);
}

using FaceKey = std::tuple<std::string, int, bool, bool>;  // file, index, embolden, slant

std::map<FaceKey, std::shared_ptr<FontFace>>& FaceCache() {
  static std::map<FaceKey, std::shared_ptr<FontFace>> cache;
  return cache;
}

// fontconfig's own slant for synthetic italics: a shear of about 0.2.
constexpr FT_Fixed kObliqueShear = 0x0366A;

}  // namespace

struct FontFace::Impl {
  FT_Face face = nullptr;
  bool embolden = false;
  bool oblique = false;
  FT_Pos emboldenStrength = 0;  // font units

  ~Impl() {
    if (face != nullptr) FT_Done_Face(face);
  }
};

bool UseFontConfiguration(const std::string& xml) {
  FcConfig* config = FcConfigCreate();
  if (config == nullptr) return false;
  if (!FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(xml.c_str()), FcTrue) ||
      !FcConfigBuildFonts(config)) {
    FcConfigDestroy(config);
    return false;
  }
  if (!FcConfigSetCurrent(config)) {
    FcConfigDestroy(config);
    return false;
  }
  FcConfigDestroy(config);  // the current configuration keeps its own reference
  FaceCache().clear();
  return true;
}

bool FamilyExists(const std::string& familyUtf8) {
  if (familyUtf8.empty()) return false;
  if (IsGenericName(familyUtf8)) {
    PatternHolder match{Match(familyUtf8, false, false)};
    return match.p != nullptr;
  }
  PatternHolder pattern{FcPatternCreate()};
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
  if (pattern.p == nullptr || objects == nullptr) {
    if (objects != nullptr) FcObjectSetDestroy(objects);
    return false;
  }
  FcPatternAddString(pattern.p, FC_FAMILY, reinterpret_cast<const FcChar8*>(familyUtf8.c_str()));
  FcPatternAddBool(pattern.p, FC_OUTLINE, FcTrue);
  FcFontSet* set = FcFontList(nullptr, pattern.p, objects);
  FcObjectSetDestroy(objects);
  bool found = false;
  if (set != nullptr) {
    for (int i = 0; i < set->nfont && !found; ++i) found = HasFamily(set->fonts[i], familyUtf8);
    FcFontSetDestroy(set);
  }
  return found;
}

std::string DefaultFamily() {
  PatternHolder match{Match("sans-serif", false, false)};
  return match.p == nullptr ? std::string() : FirstFamily(match.p);
}

std::vector<FamilyListing> ListFamilies() {
  PatternHolder pattern{FcPatternCreate()};
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_WEIGHT, FC_SLANT, nullptr);
  if (pattern.p == nullptr || objects == nullptr) {
    if (objects != nullptr) FcObjectSetDestroy(objects);
    return {};
  }
  FcPatternAddBool(pattern.p, FC_OUTLINE, FcTrue);
  FcFontSet* set = FcFontList(nullptr, pattern.p, objects);
  FcObjectSetDestroy(objects);
  if (set == nullptr) return {};
  std::map<std::string, std::pair<std::string, std::set<int>>> byFolded;
  for (int i = 0; i < set->nfont; ++i) {
    FcPattern* font = set->fonts[i];
    std::string family;
    FcChar8* value = nullptr;
    for (int n = 0; FcPatternGetString(font, FC_FAMILY, n, &value) == FcResultMatch; ++n)
      family = reinterpret_cast<const char*>(value);
    if (family.empty() || family[0] == '.') continue;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(font, FC_SLANT, 0, &slant);
    const int style = (weight >= FC_WEIGHT_DEMIBOLD ? 1 : 0) | (slant != FC_SLANT_ROMAN ? 2 : 0);
    auto& entry = byFolded[FoldName(family)];
    if (entry.first.empty()) entry.first = family;
    entry.second.insert(style);
  }
  FcFontSetDestroy(set);
  std::vector<FamilyListing> out;
  for (auto& [folded, entry] : byFolded) out.push_back({entry.first, {entry.second.begin(), entry.second.end()}});
  return out;
}

std::shared_ptr<FontFace> FontFace::Open(const std::string& familyUtf8, bool bold, bool italic, std::string* error) {
  auto fail = [&](const std::string& why) -> std::shared_ptr<FontFace> {
    if (error != nullptr) *error = why;
    return nullptr;
  };
  if (Library() == nullptr) return fail("the font engine could not be started");
  if (!FamilyExists(familyUtf8)) return fail("the font \"" + familyUtf8 + "\" is not installed");
  PatternHolder match{Match(familyUtf8, bold, italic)};
  // fontconfig substitutes another family silently; only the family asked for will do.
  if (match.p == nullptr || (!IsGenericName(familyUtf8) && !HasFamily(match.p, familyUtf8))) {
    return fail("the font \"" + familyUtf8 + "\" is not installed");
  }
  FcChar8* file = nullptr;
  int index = 0;
  if (FcPatternGetString(match.p, FC_FILE, 0, &file) != FcResultMatch)
    return fail("the font \"" + familyUtf8 + "\" has no file");
  FcPatternGetInteger(match.p, FC_INDEX, 0, &index);
  int weight = FC_WEIGHT_REGULAR;
  int slant = FC_SLANT_ROMAN;
  FcPatternGetInteger(match.p, FC_WEIGHT, 0, &weight);
  FcPatternGetInteger(match.p, FC_SLANT, 0, &slant);
  FcBool embolden = FcFalse;
  FcPatternGetBool(match.p, FC_EMBOLDEN, 0, &embolden);
  // A family without the style gets it synthesised, as fontconfig's own rules would ask.
  const bool synthBold = bold && (embolden || weight < FC_WEIGHT_DEMIBOLD);
  const bool synthItalic = italic && slant == FC_SLANT_ROMAN;

  const FaceKey key{reinterpret_cast<const char*>(file), index, synthBold, synthItalic};
  auto& cache = FaceCache();
  if (auto it = cache.find(key); it != cache.end()) return it->second;

  std::shared_ptr<FontFace> face(new FontFace());
  face->impl_ = std::make_unique<Impl>();
  if (FT_New_Face(Library(), reinterpret_cast<const char*>(file), index, &face->impl_->face) != 0) {
    face->impl_->face = nullptr;
    return fail("the font file " + std::string(reinterpret_cast<const char*>(file)) + " can't be read");
  }
  FT_Face ft = face->impl_->face;
  if (!FT_IS_SCALABLE(ft) || ft->units_per_EM == 0) return fail("the font \"" + familyUtf8 + "\" has no outlines");
  FT_Select_Charmap(ft, FT_ENCODING_UNICODE);
  face->family_ = IsGenericName(familyUtf8) ? FirstFamily(match.p) : familyUtf8;
  face->file_ = reinterpret_cast<const char*>(file);
  face->unitsPerEm_ = ft->units_per_EM;
  face->ascender_ = ft->ascender;
  face->descender_ = -static_cast<int64_t>(ft->descender);
  face->lineGap_ = ft->height - (static_cast<int64_t>(ft->ascender) - ft->descender);
  if (face->lineGap_ < 0) face->lineGap_ = 0;
  face->impl_->embolden = synthBold;
  face->impl_->oblique = synthItalic;
  face->impl_->emboldenStrength = ft->units_per_EM / 24;
  cache[key] = face;
  return face;
}

FontFace::~FontFace() = default;

uint32_t FontFace::GlyphIndex(char32_t character) const {
  if (character > 0x10FFFF) return 0;
  return FT_Get_Char_Index(impl_->face, character);
}

bool FontFace::LoadGlyph(uint32_t glyph) const {
  FT_Face ft = impl_->face;
  if (glyph >= static_cast<uint32_t>(ft->num_glyphs)) return false;
  if (FT_Load_Glyph(ft, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING) != 0) return false;
  if (ft->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return false;
  FT_Outline* outline = &ft->glyph->outline;
  if (impl_->embolden) FT_Outline_EmboldenXY(outline, impl_->emboldenStrength, impl_->emboldenStrength);
  if (impl_->oblique) {
    FT_Matrix shear{0x10000, kObliqueShear, 0, 0x10000};
    FT_Outline_Transform(outline, &shear);
  }
  return true;
}

bool FontFace::Metrics(uint32_t glyph, GlyphMetrics& metrics) const {
  if (!LoadGlyph(glyph)) return false;
  FT_GlyphSlot slot = impl_->face->glyph;
  metrics.advance = slot->metrics.horiAdvance + (impl_->embolden ? impl_->emboldenStrength : 0);
  if (slot->outline.n_points == 0) {
    metrics.bearingX = 0;
    metrics.width = 0;
    return true;
  }
  FT_BBox box;
  if (FT_Outline_Get_BBox(&slot->outline, &box) != 0) return false;
  metrics.bearingX = box.xMin;
  metrics.width = box.xMax - box.xMin;
  return true;
}

bool FontFace::Outline(uint32_t glyph, const OutlineSink& sink) const {
  if (!LoadGlyph(glyph)) return false;
  FT_Outline_Funcs funcs{};
  funcs.move_to = [](const FT_Vector* to, void* user) {
    static_cast<const OutlineSink*>(user)->moveTo(Point{static_cast<double>(to->x), static_cast<double>(to->y)});
    return 0;
  };
  funcs.line_to = [](const FT_Vector* to, void* user) {
    static_cast<const OutlineSink*>(user)->lineTo(Point{static_cast<double>(to->x), static_cast<double>(to->y)});
    return 0;
  };
  funcs.conic_to = [](const FT_Vector* control, const FT_Vector* to, void* user) {
    static_cast<const OutlineSink*>(user)->conicTo(
        Point{static_cast<double>(control->x), static_cast<double>(control->y)},
        Point{static_cast<double>(to->x), static_cast<double>(to->y)});
    return 0;
  };
  funcs.cubic_to = [](const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    static_cast<const OutlineSink*>(user)->cubicTo(Point{static_cast<double>(c1->x), static_cast<double>(c1->y)},
                                                   Point{static_cast<double>(c2->x), static_cast<double>(c2->y)},
                                                   Point{static_cast<double>(to->x), static_cast<double>(to->y)});
    return 0;
  };
  return FT_Outline_Decompose(&impl_->face->glyph->outline, &funcs, const_cast<OutlineSink*>(&sink)) == 0;
}

bool FontFace::HasKerning() const { return FT_HAS_KERNING(impl_->face); }

int64_t FontFace::Kerning(uint32_t left, uint32_t right) const {
  if (!FT_HAS_KERNING(impl_->face)) return 0;
  FT_Vector delta{0, 0};
  if (FT_Get_Kerning(impl_->face, left, right, FT_KERNING_UNSCALED, &delta) != 0) return 0;
  return delta.x;
}

}  // namespace host::fonts
