// The rotating displays of the shipped library: a pointer that turns once round its dial as
// the target loads. Recolourable parts are drawn white.
#include <cmath>

#include "tools/preloaders/LibraryMovie.h"

namespace preloaders {
namespace {

// "Dial": a round face with twelve marks and a pointer from twelve o'clock round to twelve
// o'clock again.
bool Dial(const std::string& path, std::string& why) {
  const int size = 80;
  LibraryMovie movie(size, size);
  movie.Describe({{"format", "plenwick"},
                  {"type", "rotate"},
                  {"name", "Dial"},
                  {"base_width", "80"},
                  {"base_height", "80"},
                  {"bgcolor", "0xFFFFFF"},
                  {"var_fgcolor", "0x2E8AF0"},    // orange, red in the low byte
                  {"var_bgcolor", "0x3A3430"}});  // a dark slate face
  ShapePen face(kWhite);
  face.Circle(0, 0, 38);
  const uint16_t faceClip = movie.DefineClip(face);
  ShapePen marks({205, 210, 216, 255});
  for (int i = 0; i < 12; ++i) {
    const double a = i * M_PI / 6;
    marks.Circle(31 * std::sin(a), -31 * std::cos(a), i % 3 == 0 ? 2.4 : 1.5);
  }
  const uint16_t marksShape = movie.DefineShape(marks);
  // Figures of one pen that overlap cancel out: the hub is a shape of its own.
  ShapePen needle(kWhite);
  needle.RoundRect(-2.5, -29, 5, 32, 2.5);
  const uint16_t needleShape = movie.DefineShape(needle);
  ShapePen hub(kWhite);
  hub.Circle(0, 0, 5);
  const uint16_t hubShape = movie.DefineShape(hub);
  const uint16_t pointerClip = movie.DefineSprite({{needleShape}, {hubShape}});
  const uint16_t progress = movie.DefineSprite({{pointerClip, L"ldrfg"}});
  const uint16_t preloader = movie.DefineSprite({{faceClip, L"ldrbg"}, {marksShape}, {progress, L"progress"}});
  movie.PlaceAtCentre(preloader);
  return movie.Write(path, why);
}

}  // namespace

std::vector<CatalogueEntry> RotateLibraryMovies() { return {{"Dials/dial.swf", Dial}}; }

}  // namespace preloaders
