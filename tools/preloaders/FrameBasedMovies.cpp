// The frame-based displays of the shipped library: artwork with one frame per percent, the
// clip script showing frame n at n percent. Recolourable parts are drawn white.
#include <cmath>

#include "tools/preloaders/LibraryMovie.h"

namespace preloaders {
namespace {

// "Battery": a battery whose charge rises frame by frame in its clip "progress" of 100
// frames; the charge and the casing take the colour pair.
bool Battery(const std::string& path, std::string& why) {
  const int w = 96, h = 44;
  LibraryMovie movie(w, h);
  movie.Describe({{"format", "plenwick"},
                  {"type", "frame_based"},
                  {"name", "Battery"},
                  {"base_width", "96"},
                  {"base_height", "44"},
                  {"bgcolor", "0xFFFFFF"},
                  {"var_fgcolor", "0x78C850"},    // green, red in the low byte
                  {"var_bgcolor", "0x605850"}});  // a grey casing
  ShapePen casing(kWhite);
  casing.RoundRect(-46, -20, 86, 40, 6).RoundRect(40, -8, 6, 16, 2);
  const uint16_t casingClip = movie.DefineClip(casing);
  ShapePen well({28, 30, 34, 255});
  well.RoundRect(-42, -16, 78, 32, 3);
  const uint16_t wellShape = movie.DefineShape(well);
  ShapePen charge(kWhite);
  charge.Rect(0, 0, 74, 28);
  const uint16_t chargeClip = movie.DefineClip(charge);
  std::vector<SpriteFrame> frames;
  for (int n = 1; n <= 100; ++n) frames.push_back({{{chargeClip, L"ldrfg", 0, 0, n / 100.0, 1}}, ""});
  const uint16_t progress = movie.DefineAnimation(frames);
  const uint16_t preloader =
      movie.DefineSprite({{casingClip, L"ldrbg"}, {wellShape}, {progress, L"progress", -40, -14}});
  movie.PlaceAtCentre(preloader);
  return movie.Write(path, why);
}

// "Dot Ring": twenty dots light up round a ring, one for each five percent, in the clip
// "ldrfg" of 100 frames inside "progress". Its colours reach it as percentages (fgr, fgg, fgb
// and bgr, bgg, bgb), which the script of "progress" gives the lit and the unlit dots.
bool DotRing(const std::string& path, std::string& why) {
  const int size = 64;
  const double radius = 24;
  LibraryMovie movie(size, size);
  movie.Describe({{"format", "plenwick"},
                  {"type", "frame_based"},
                  {"type_sub", "animate_ldrfg"},
                  {"name", "Dot Ring"},
                  {"base_width", "64"},
                  {"base_height", "64"},
                  {"bgcolor", "0xFFFFFF"},
                  {"var_fgcolor_as", "0x2BA8F5"},    // amber, red in the low byte
                  {"var_bgcolor_as", "0xD5DAE0"}});  // pale grey
  auto at = [&](int i) {
    const double a = i * M_PI / 10;
    return std::make_pair(radius * std::sin(a), -radius * std::cos(a));
  };
  ShapePen all(kWhite);
  for (int i = 0; i < 20; ++i) all.Circle(at(i).first, at(i).second, 3.2);
  const uint16_t unlit = movie.DefineClip(all);
  ShapePen dot(kWhite);
  dot.Circle(0, 0, 3.6);
  const uint16_t dotShape = movie.DefineShape(dot);
  std::vector<SpriteFrame> frames;
  for (int n = 1; n <= 100; ++n) {
    SpriteFrame frame;
    for (int i = 0; i < n / 5; ++i) frame.children.emplace_back(dotShape, L"", at(i).first, at(i).second);
    if (n == 1) frame.script = "stop();";
    frames.push_back(frame);
  }
  const uint16_t lit = movie.DefineAnimation(frames);
  const char* colouring =
      "if (fgr != undefined) { new Color(ldrfg).setTransform({ra: fgr, ga: fgg, ba: fgb, aa: 100, rb: 0, gb: 0, bb: 0, "
      "ab: 0}); }\n"
      "if (bgr != undefined) { new Color(ldrbg).setTransform({ra: bgr, ga: bgg, ba: bgb, aa: 100, rb: 0, gb: 0, bb: 0, "
      "ab: 0}); }\n";
  const uint16_t progress = movie.DefineAnimation({{{{unlit, L"ldrbg"}, {lit, L"ldrfg"}}, colouring}});
  if (lit == 0 || progress == 0) {
    why = "a script of the ring does not compile";
    return false;
  }
  const uint16_t preloader = movie.DefineSprite({{progress, L"progress"}});
  movie.PlaceAtCentre(preloader);
  return movie.Write(path, why);
}

}  // namespace

std::vector<CatalogueEntry> FrameBasedLibraryMovies() {
  return {{"Frames/battery.swf", Battery}, {"Frames/dot-ring.swf", DotRing}};
}

}  // namespace preloaders
