// Library movies for tests: the malformed ones each break one rule of a library movie; the
// valid ones carry a peculiarity a test looks at.
#include <zlib.h>

#include <cstdint>
#include <fstream>

#include "swf/BitmapTags.h"
#include "tools/preloaders/LibraryMovie.h"

namespace preloaders {
namespace {

using Variables = std::vector<std::pair<std::string, std::string>>;

Variables HBarDescription(const std::string& name) {
  return {{"format", "plenwick"},      {"type", "hbar"},       {"name", name},
          {"base_width", "100"},       {"base_height", "10"},  {"var_fgcolor", "0x0000FF"},
          {"var_bgcolor", "0x00FF00"}, {"bgcolor", "0x332211"}};
}

// A 100 x 10 bar of the "hbar" layout under the description.
bool WriteBar(const Variables& description, const std::string& path, std::string& why) {
  LibraryMovie movie(100, 10);
  movie.Describe(description);
  ShapePen track(kWhite);
  track.Rect(-50, -5, 100, 10);
  const uint16_t trackClip = movie.DefineClip(track);
  ShapePen fill(kWhite);
  fill.Rect(0, 0, 100, 10);
  const uint16_t fillClip = movie.DefineClip(fill);
  const uint16_t progress = movie.DefineSprite({{fillClip, L"ldrfg"}});
  const uint16_t preloader = movie.DefineSprite({{trackClip, L"ldrbg"}, {progress, L"progress", -50, -5}});
  movie.PlaceAtCentre(preloader);
  return movie.Write(path, why);
}

Variables Without(Variables v, const std::string& name) {
  for (auto it = v.begin(); it != v.end(); ++it) {
    if (it->first == name) {
      v.erase(it);
      break;
    }
  }
  return v;
}

Variables With(Variables v, const std::string& name, const std::string& value) {
  for (auto& [n, text] : v) {
    if (n == name) {
      text = value;
      return v;
    }
  }
  v.emplace_back(name, value);
  return v;
}

// --- valid -------------------------------------------------------------------------------

// "format" and "type" in other letter cases.
bool LetterCase(const std::string& path, std::string& why) {
  return WriteBar(With(With(HBarDescription("Letter Case"), "format", "PlenWick"), "type", "HBAR"), path, why);
}

// A name with every character that XML must escape.
bool MarkupName(const std::string& path, std::string& why) {
  return WriteBar(HBarDescription("Quote \"A\" & <B> 'C'"), path, why);
}

// The fill is a bitmap defined after the "Preloader" sprite: its id lies above every id the
// movie places.
bool UnplacedBitmap(const std::string& path, std::string& why) {
  LibraryMovie movie(100, 10);
  movie.Describe(HBarDescription("Bitmap Bar"));
  ShapePen track(kWhite);
  track.Rect(-50, -5, 100, 10);
  const uint16_t trackClip = movie.DefineClip(track);
  // The bitmap takes the id after the fill shape, the progress clip, the Preloader sprite and
  // the clip around the fill.
  const uint16_t bitmapId = static_cast<uint16_t>(trackClip + 5);
  auto fillShape = std::make_unique<DefineShape3Tag>();
  {
    ShapePen pen(kWhite);
    pen.Rect(0, 0, 100, 10);
    fillShape = std::unique_ptr<DefineShape3Tag>(static_cast<DefineShape3Tag*>(pen.Finish().release()));
    auto bitmapFill = std::make_unique<FillStyle>(true);
    auto matrix = std::make_unique<SwfMatrix>();
    matrix->scaleX = 50 * 65536;  // two pixels stretched over the 100 x 10 fill
    matrix->scaleY = 5 * 65536;
    matrix->hasScale = true;
    bitmapFill->InitBitmapFill(kFillClippedBitmap, bitmapId, std::move(matrix));
    fillShape->shape->fillStyles->styles[0] = std::move(bitmapFill);
  }
  const uint16_t shapeId = movie.Define(std::move(fillShape));
  const uint16_t fillClip = movie.DefineSprite({{shapeId}});
  const uint16_t progress = movie.DefineSprite({{fillClip, L"ldrfg"}});
  const uint16_t preloader = movie.DefineSprite({{trackClip, L"ldrbg"}, {progress, L"progress", -50, -5}});
  movie.PlaceAtCentre(preloader);
  // Two by two white pixels (ARGB).
  const uint8_t pixels[16] = {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255};
  uLongf size = compressBound(sizeof pixels);
  std::vector<uint8_t> packed(size);
  if (compress(packed.data(), &size, pixels, sizeof pixels) != Z_OK) {
    why = "cannot compress the bitmap";
    return false;
  }
  auto bitmap = std::make_unique<DefineBitsLossless2Tag>(DefineBitsLosslessTag::kRgb32);
  bitmap->SetWidth(2);
  bitmap->SetHeight(2);
  bitmap->SetData(packed.data(), size);
  if (movie.Define(std::move(bitmap)) != bitmapId) {
    why = "the bitmap did not get the id the fill names";
    return false;
  }
  return movie.Write(path, why);
}

// A bar that declares "var_anm": the loader waits for the loader variable anm.
bool AnmBar(const std::string& path, std::string& why) {
  return WriteBar(With(HBarDescription("Anm Bar"), "var_anm", "1"), path, why);
}

// A bar whose description is a second display of the name "Classic Bar".
bool DuplicateName(const std::string& path, std::string& why) {
  return WriteBar(HBarDescription("Classic Bar"), path, why);
}

// An animation that asks the loader to wait (var_anm 2) while no script of its artwork ever
// lowers anm.
bool AnmNeverLowered(const std::string& path, std::string& why) {
  return WriteBar(With(With(HBarDescription("Anm Never Lowered"), "type", "animation"), "var_anm", "2"), path, why);
}

// A frame-based display without a clip "progress", declaring its foreground colour in both
// forms and its background for scripts only.
bool FramesWithoutProgress(const std::string& path, std::string& why) {
  LibraryMovie movie(100, 10);
  movie.Describe({{"format", "plenwick"},
                  {"type", "frame_based"},
                  {"name", "Frames Without Progress"},
                  {"base_width", "100"},
                  {"base_height", "10"},
                  {"var_fgcolor_as", "0x808080"},
                  {"var_fgcolor", "0x0000FF"},
                  {"var_bgcolor_as", "0x00FF80"}});
  ShapePen track(kWhite);
  track.Rect(-50, -5, 100, 10);
  const uint16_t clip = movie.DefineClip(track);
  movie.PlaceAtCentre(movie.DefineSprite({{clip, L"ldrbg"}, {clip, L"ldrfg"}}));
  return movie.Write(path, why);
}

// A pie whose clip "progress" names its disc otherwise than "ldrfg".
bool PieWithoutDisc(const std::string& path, std::string& why) {
  LibraryMovie movie(120, 120);
  movie.Describe({{"format", "plenwick"},
                  {"type", "pie"},
                  {"name", "Pie Without Disc"},
                  {"base_width", "120"},
                  {"base_height", "120"},
                  {"var_fgcolor", "0x0000FF"}});
  ShapePen disc(kWhite);
  disc.Circle(0, 0, 60);
  const uint16_t clip = movie.DefineClip(disc);
  const uint16_t progress = movie.DefineSprite({{clip, L"disc"}});
  movie.PlaceAtCentre(movie.DefineSprite({{progress, L"progress"}}));
  return movie.Write(path, why);
}

// --- unbuildable: accepted, but a build at some size is refused ------------------------------

// A pole whose clip "BarAnim" holds a second child at the depth the first tile copy needs;
// its filling is drawn at half its width.
bool PoleTilesCrowded(const std::string& path, std::string& why) {
  LibraryMovie movie(100, 10);
  movie.Describe(With(HBarDescription("Pole Tiles Crowded"), "type", "pole"));
  ShapePen band(kWhite);
  band.Rect(0, 0, 100, 10);
  const uint16_t clip = movie.DefineClip(band);
  const uint16_t barAnim = movie.DefineSprite({{clip}, {clip}});
  const uint16_t progress =
      movie.DefineSprite({{clip, L"ldrbg"}, {clip, L"ldrfg", 0, 0, 0.5, 1, 3}, {barAnim, L"BarAnim"}});
  movie.PlaceAtCentre(movie.DefineSprite({{progress, L"progress", -50, -5}}));
  return movie.Write(path, why);
}

// --- malformed -----------------------------------------------------------------------------

// A segment row closed by an end piece, whose segments and background slots both animate:
// each segment grows in and then lowers the loader's anm, each slot flashes once.
bool CappedSegments(const std::string& path, std::string& why) {
  LibraryMovie movie(12, 20);
  movie.Describe({{"format", "plenwick"},
                  {"type", "segments"},
                  {"name", "Capped Segments"},
                  {"base_width", "12"},
                  {"base_height", "20"},
                  {"seg_width", "10"},
                  {"seg_height", "20"},
                  {"end_width", "6"},
                  {"var_hgap", "2"},
                  {"animate_segs", "true"},
                  {"animate_bsegs", "true"},
                  {"var_anm", "1"}});
  ShapePen slot({200, 200, 200, 255});
  slot.Rect(-5, -10, 10, 20);
  const uint16_t slotShape = movie.DefineShape(slot);
  ShapePen end({120, 120, 120, 255});
  end.Rect(-5, -10, 6, 20);
  const uint16_t endClip = movie.DefineClip(end);
  ShapePen cell({30, 90, 200, 255});
  cell.Rect(-5, -10, 10, 20);
  const uint16_t cellShape = movie.DefineShape(cell);
  std::vector<SpriteFrame> flash;
  std::vector<SpriteFrame> grow;
  const double scales[] = {0.2, 0.6, 1.0};
  for (int k = 0; k < 3; ++k) {
    flash.push_back({{Child(slotShape, L"", 0, 0, 1, k == 1 ? 1.2 : 1.0)}, k == 0 || k == 2 ? "stop();" : ""});
    grow.push_back({{Child(cellShape, L"", 0, 0, scales[k], scales[k])}, k == 0 ? "stop();" : ""});
  }
  grow.back().script =
      "_parent._parent._parent._parent.anm = _parent._parent._parent._parent.anm - 1;\n"
      "stop();";
  const uint16_t flashClip = movie.DefineAnimation(flash);
  const uint16_t growClip = movie.DefineAnimation(grow);
  if (flashClip == 0 || growClip == 0) {
    why = "the scripts of the segments do not compile";
    return false;
  }
  const uint16_t progress =
      movie.DefineSprite({{flashClip, L"bseg1", 5, 10}, {endClip, L"bsege", 5, 10}, {growClip, L"seg1", 5, 10}});
  movie.PlaceAtCentre(movie.DefineSprite({{progress, L"progress"}}));
  return movie.Write(path, why);
}

bool NotAMovie(const std::string& path, std::string& why) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "This is a text file, not a movie.\n";
  if (!out) why = "cannot write " + path;
  return static_cast<bool>(out);
}

bool NoFormat(const std::string& path, std::string& why) {
  return WriteBar(Without(HBarDescription("No Format"), "format"), path, why);
}

bool ForeignFormat(const std::string& path, std::string& why) {
  return WriteBar(With(HBarDescription("Foreign Format"), "format", "flashloader"), path, why);
}

bool NoType(const std::string& path, std::string& why) {
  return WriteBar(Without(HBarDescription("No Type"), "type"), path, why);
}

bool UnknownType(const std::string& path, std::string& why) {
  return WriteBar(With(HBarDescription("Unknown Type"), "type", "spiral"), path, why);
}

bool ZeroBaseWidth(const std::string& path, std::string& why) {
  return WriteBar(With(HBarDescription("Zero Width"), "base_width", "0"), path, why);
}

bool NegativeSegWidth(const std::string& path, std::string& why) {
  return WriteBar(With(With(HBarDescription("Negative Segments"), "type", "bar_seg"), "seg_width", "-4"), path, why);
}

bool NoPreloader(const std::string& path, std::string& why) {
  LibraryMovie movie(100, 10);
  movie.Describe(HBarDescription("No Preloader"));
  ShapePen track(kWhite);
  track.Rect(-50, -5, 100, 10);
  const uint16_t clip = movie.DefineClip(track);
  movie.PlaceAtCentre(movie.DefineSprite({{clip, L"ldrbg"}}), L"Artwork");
  return movie.Write(path, why);
}

bool PreloaderIsAShape(const std::string& path, std::string& why) {
  LibraryMovie movie(100, 10);
  movie.Describe(HBarDescription("Shape Preloader"));
  ShapePen track(kWhite);
  track.Rect(-50, -5, 100, 10);
  movie.PlaceAtCentre(movie.DefineShape(track));
  return movie.Write(path, why);
}

bool MissingCharacter(const std::string& path, std::string& why) {
  LibraryMovie movie(100, 10);
  movie.Describe(HBarDescription("Missing Character"));
  ShapePen track(kWhite);
  track.Rect(-50, -5, 100, 10);
  const uint16_t clip = movie.DefineClip(track);
  // The second child names an id nothing defines.
  movie.PlaceAtCentre(movie.DefineSprite({{clip, L"ldrbg"}, {900, L"progress"}}));
  return movie.Write(path, why);
}

}  // namespace

std::vector<CatalogueEntry> TestFixtureMovies() {
  return {{"valid/letter-case.swf", LetterCase},
          {"valid/markup-name.swf", MarkupName},
          {"valid/unplaced-bitmap.swf", UnplacedBitmap},
          {"valid/duplicate-name.swf", DuplicateName},
          {"valid/anm-bar.swf", AnmBar},
          {"valid/anm-never-lowered.swf", AnmNeverLowered},
          {"valid/frames-without-progress.swf", FramesWithoutProgress},
          {"valid/pie-without-disc.swf", PieWithoutDisc},
          {"valid/capped-segments.swf", CappedSegments},
          {"unbuildable/pole-tiles-crowded.swf", PoleTilesCrowded},
          {"malformed/not-a-movie.swf", NotAMovie},
          {"malformed/no-format.swf", NoFormat},
          {"malformed/foreign-format.swf", ForeignFormat},
          {"malformed/no-type.swf", NoType},
          {"malformed/unknown-type.swf", UnknownType},
          {"malformed/zero-base-width.swf", ZeroBaseWidth},
          {"malformed/negative-seg-width.swf", NegativeSegWidth},
          {"malformed/no-preloader.swf", NoPreloader},
          {"malformed/preloader-is-a-shape.swf", PreloaderIsAShape},
          {"malformed/missing-character.swf", MissingCharacter}};
}

}  // namespace preloaders
