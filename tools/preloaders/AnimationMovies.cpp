// The animation displays of the shipped library: artwork that plays on its own. Recolourable
// parts are drawn white.
#include <cmath>

#include "tools/preloaders/LibraryMovie.h"

namespace preloaders {
namespace {

// "Orbit": a comet of four dots circling over a ring of twelve, once every 48 frames. It
// asks the loader to wait for three turns (var_anm 3): at the end of each turn it lowers the
// loader's anm by one.
bool Orbit(const std::string& path, std::string& why) {
  const int size = 64;
  const double radius = 24;
  LibraryMovie movie(size, size);
  movie.Describe({{"format", "plenwick"},
                  {"type", "animation"},
                  {"name", "Orbit"},
                  {"base_width", "64"},
                  {"base_height", "64"},
                  {"bgcolor", "0xFFFFFF"},
                  {"var_fgcolor", "0xD9822B"},  // blue, red in the low byte
                  {"var_bgcolor", "0xDDD8D4"},  // a pale grey ring
                  {"var_anm", "3"}});
  ShapePen ring(kWhite);
  for (int i = 0; i < 12; ++i) {
    const double a = i * M_PI / 6;
    ring.Circle(radius * std::sin(a), -radius * std::cos(a), 3);
  }
  const uint16_t ringClip = movie.DefineClip(ring);
  // The comet's dots lie apart: figures of one pen that overlap cancel out.
  ShapePen comet(kWhite);
  const double sizes[] = {4.5, 3.6, 2.8, 2.0};
  for (int i = 0; i < 4; ++i) {
    const double a = -i * 22.5 * M_PI / 180;
    comet.Circle(radius * std::sin(a), -radius * std::cos(a), sizes[i]);
  }
  const uint16_t cometClip = movie.DefineClip(comet);
  const int frames = 48;
  std::vector<SpriteFrame> turn;
  for (int k = 0; k < frames; ++k) {
    SpriteFrame frame{{{ringClip, L"ldrbg"}, Child(cometClip, L"ldrfg").Turned(k * 360.0 / frames)}, ""};
    if (k == frames - 1)
      frame.script = "if (_parent._parent.anm > 0) { _parent._parent.anm = _parent._parent.anm - 1; }";
    turn.push_back(frame);
  }
  const uint16_t preloader = movie.DefineAnimation(turn);
  if (preloader == 0) {
    why = "the script of the turn's last frame does not compile";
    return false;
  }
  movie.PlaceAtCentre(preloader);
  return movie.Write(path, why);
}

}  // namespace

std::vector<CatalogueEntry> AnimationLibraryMovies() { return {{"Animations/orbit.swf", Orbit}}; }

}  // namespace preloaders
