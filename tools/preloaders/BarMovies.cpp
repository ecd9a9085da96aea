// The bar displays of the shipped library. Recolourable parts are drawn white, so that the
// colour the user picks shows exactly; every part a script sizes is a clip whose origin is its
// left edge.
#include "tools/preloaders/LibraryMovie.h"

namespace preloaders {
namespace {

// "Classic Bar": a rounded track with an inset rounded fill; both colours adjustable.
bool ClassicBar(const std::string& path, std::string& why) {
  const int w = 200, h = 16;
  LibraryMovie movie(w, h);
  movie.Describe({{"format", "plenwick"},
                  {"type", "hbar"},
                  {"name", "Classic Bar"},
                  {"base_width", "200"},
                  {"base_height", "16"},
                  {"bgcolor", "0xFFFFFF"},
                  {"var_fgcolor", "0xD98A2E"},    // a warm blue, red in the low byte
                  {"var_bgcolor", "0x4A403A"}});  // a dark slate track
  ShapePen track(kWhite);
  track.RoundRect(-w / 2.0, -h / 2.0, w, h, h / 2.0);
  const uint16_t trackClip = movie.DefineClip(track);
  ShapePen fill(kWhite);
  fill.RoundRect(0, 0, w - 6, h - 6, (h - 6) / 2.0);
  const uint16_t fillClip = movie.DefineClip(fill);
  const uint16_t progress = movie.DefineSprite({{fillClip, L"ldrfg"}});
  const uint16_t preloader =
      movie.DefineSprite({{trackClip, L"ldrbg"}, {progress, L"progress", -w / 2.0 + 3, -h / 2.0 + 3}});
  movie.PlaceAtCentre(preloader);
  return movie.Write(path, why);
}

// "Slim Bar": a hairline fill on a faint fixed track; only the fill's colour adjustable.
bool SlimBar(const std::string& path, std::string& why) {
  const int w = 300, h = 4;
  LibraryMovie movie(w, h);
  movie.Describe({{"format", "plenwick"},
                  {"type", "hbar"},
                  {"name", "Slim Bar"},
                  {"base_width", "300"},
                  {"base_height", "4"},
                  {"bgcolor", "0xFFFFFF"},
                  {"var_fgcolor", "0x8CA112"}});  // teal
  ShapePen track({210, 214, 218, 255});
  track.RoundRect(-w / 2.0, -h / 2.0, w, h, h / 2.0);
  const uint16_t trackClip = movie.DefineClip(track);
  ShapePen fill(kWhite);
  fill.RoundRect(0, 0, w, h, h / 2.0);
  const uint16_t fillClip = movie.DefineClip(fill);
  const uint16_t progress = movie.DefineSprite({{fillClip, L"ldrfg"}});
  const uint16_t preloader = movie.DefineSprite({{trackClip, L"ldrbg"}, {progress, L"progress", -w / 2.0, -h / 2.0}});
  movie.PlaceAtCentre(preloader);
  return movie.Write(path, why);
}

// "Segment Bar": green blocks on a dark track, under a mask that the build stretches to the
// display's width. The blocks are 8 pixels wide, one pitch (10 pixels) apart.
bool SegmentBar(const std::string& path, std::string& why) {
  const int w = 200, h = 16;
  LibraryMovie movie(w, h);
  movie.Describe({{"format", "plenwick"},
                  {"type", "bar_seg"},
                  {"name", "Segment Bar"},
                  {"base_width", "200"},
                  {"base_height", "16"},
                  {"bgcolor", "0xFFFFFF"},
                  {"seg_width", "8"}});
  ShapePen mask(kWhite);
  mask.Rect(0, 0, w, h);
  const uint16_t maskShape = movie.DefineShape(mask);
  ShapePen track({43, 47, 54, 255});
  track.Rect(0, 0, w, h);
  const uint16_t trackClip = movie.DefineClip(track);
  ShapePen block({76, 217, 100, 255});
  block.RoundRect(0, 0, 8, 10, 1.5);
  const uint16_t blockClip = movie.DefineClip(block);
  const uint16_t segs = movie.DefineSprite({{blockClip, L"seg1", 1, 3}});
  const uint16_t progress =
      movie.DefineSprite({{maskShape, L"", 0, 0, 1, 1, 3}, {trackClip, L"ldrbg"}, {segs, L"segs"}});
  const uint16_t preloader = movie.DefineSprite({{progress, L"progress", -w / 2.0, -h / 2.0}});
  movie.PlaceAtCentre(preloader);
  return movie.Write(path, why);
}

}  // namespace

std::vector<CatalogueEntry> BarLibraryMovies() {
  return {{"Bars/classic-bar.swf", ClassicBar}, {"Bars/slim-bar.swf", SlimBar}, {"Bars/segment-bar.swf", SegmentBar}};
}

}  // namespace preloaders
