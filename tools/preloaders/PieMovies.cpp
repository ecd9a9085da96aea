// The pie displays of the shipped library: a disc that the build cuts into a pie closing
// clockwise from twelve o'clock. The disc is drawn for the pie's box of 120 x 120 pixels.
#include "tools/preloaders/LibraryMovie.h"

namespace preloaders {
namespace {

// "Pie": a green disc filling a pale rim.
bool Pie(const std::string& path, std::string& why) {
  const int size = 120;
  LibraryMovie movie(size, size);
  movie.Describe({{"format", "plenwick"},
                  {"type", "pie"},
                  {"name", "Pie"},
                  {"base_width", "120"},
                  {"base_height", "120"},
                  {"bgcolor", "0xFFFFFF"},
                  {"var_fgcolor", "0x3AA04A"},    // green, red in the low byte
                  {"var_bgcolor", "0xE4DFDA"}});  // pale grey
  ShapePen rim(kWhite);
  rim.Circle(0, 0, 60);
  const uint16_t rimClip = movie.DefineClip(rim);
  ShapePen disc(kWhite);
  disc.Circle(0, 0, 55);
  const uint16_t discClip = movie.DefineClip(disc);
  const uint16_t progress = movie.DefineSprite({{discClip, L"ldrfg"}});
  const uint16_t preloader = movie.DefineSprite({{rimClip, L"ldrbg"}, {progress, L"progress"}});
  movie.PlaceAtCentre(preloader);
  return movie.Write(path, why);
}

}  // namespace

std::vector<CatalogueEntry> PieLibraryMovies() { return {{"Pies/pie.swf", Pie}}; }

}  // namespace preloaders
