// The pole displays of the shipped library: a bar whose filling shows stripes that travel
// along it. The stripes are one tile as wide as the artwork, which the build repeats along
// the display's width; the filling is a mask over them that the clip script widens.
#include "tools/preloaders/LibraryMovie.h"

namespace preloaders {
namespace {

// "Barber Pole": dark stripes on the fill colour, sliding to the right, on a dark track.
bool BarberPole(const std::string& path, std::string& why) {
  const int w = 200, h = 16;
  LibraryMovie movie(w, h);
  movie.Describe({{"format", "plenwick"},
                  {"type", "pole"},
                  {"name", "Barber Pole"},
                  {"base_width", "200"},
                  {"base_height", "16"},
                  {"bgcolor", "0xFFFFFF"},
                  {"var_fgcolor", "0x3C3CE0"},    // red, red in the low byte
                  {"var_bgcolor", "0x4C4A48"}});  // a dark track
  ShapePen track(kWhite);
  track.RoundRect(0, 0, w, h, 4);
  const uint16_t trackClip = movie.DefineClip(track);
  ShapePen mask(kWhite);
  mask.Rect(0, 0, w, h);
  const uint16_t maskClip = movie.DefineClip(mask);
  // The tile: a white band with grey stripes slanting up to the right, 16 pixels apart,
  // reaching a period past both ends so that it can slide by a period.
  const int period = 16, frames = 16;
  ShapePen band(kWhite);
  band.Rect(0, 0, w, h);
  const uint16_t bandShape = movie.DefineShape(band);
  ShapePen stripes({120, 120, 120, 255});
  for (int x = -2 * period; x < w + period; x += period)
    stripes.Polygon({{x, h}, {x + 7, h}, {x + 7 + h, 0}, {x + h, 0}});
  const uint16_t stripeShape = movie.DefineShape(stripes);
  std::vector<SpriteFrame> slide;
  for (int k = 0; k < frames; ++k)
    slide.push_back({{{bandShape}, {stripeShape, L"", static_cast<double>(k * period) / frames, 0}}, ""});
  const uint16_t tile = movie.DefineAnimation(slide);
  const uint16_t barAnim = movie.DefineSprite({{tile}});
  const uint16_t progress =
      movie.DefineSprite({{trackClip, L"ldrbg"}, {maskClip, L"ldrfg", 0, 0, 1, 1, 3}, {barAnim, L"BarAnim"}});
  const uint16_t preloader = movie.DefineSprite({{progress, L"progress", -w / 2.0, -h / 2.0}});
  movie.PlaceAtCentre(preloader);
  return movie.Write(path, why);
}

}  // namespace

std::vector<CatalogueEntry> PoleLibraryMovies() { return {{"Poles/barber-pole.swf", BarberPole}}; }

}  // namespace preloaders
