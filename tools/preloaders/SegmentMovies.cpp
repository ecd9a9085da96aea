// The segment rows of the shipped library. Their origin is the top-left corner of the natural
// size (the generator places a row at exactly x, y). Recolourable parts are drawn white.
#include "tools/preloaders/LibraryMovie.h"

namespace preloaders {
namespace {

// "LED Row": lit cells over dim slots on a dark panel that stretches under the whole row.
bool LedRow(const std::string& path, std::string& why) {
  LibraryMovie movie(14, 20);
  movie.Describe({{"format", "plenwick"},
                  {"type", "segments"},
                  {"name", "LED Row"},
                  {"base_width", "14"},
                  {"base_height", "20"},
                  {"bgcolor", "0x333333"},
                  {"seg_width", "12"},
                  {"seg_height", "20"},
                  {"var_hgap", "2"},
                  {"var_fgcolor", "0x40FF40"},    // a bright green
                  {"var_bgcolor", "0x204020"}});  // a dim green
  ShapePen panel({40, 40, 44, 255});
  panel.Rect(0, 0, 14, 20);
  const uint16_t panelClip = movie.DefineClip(panel);
  ShapePen slot(kWhite);
  slot.RoundRect(2, 2, 10, 16, 2);
  const uint16_t slotClip = movie.DefineClip(slot);
  ShapePen cell(kWhite);
  cell.RoundRect(2, 2, 10, 16, 2);
  const uint16_t cellClip = movie.DefineClip(cell);
  const uint16_t progress = movie.DefineSprite({{panelClip, L"ldrbg"}, {slotClip, L"bseg1"}, {cellClip, L"seg1"}});
  const uint16_t preloader = movie.DefineSprite({{progress, L"progress"}});
  movie.PlaceAtCentre(preloader);
  return movie.Write(path, why);
}

// "Pop Segments": each segment pops up from a small square when it appears; the loader waits
// until every segment has popped (each pop lowers the loader's anm by one).
bool PopSegments(const std::string& path, std::string& why) {
  LibraryMovie movie(14, 20);
  movie.Describe({{"format", "plenwick"},
                  {"type", "segments"},
                  {"name", "Pop Segments"},
                  {"base_width", "14"},
                  {"base_height", "20"},
                  {"bgcolor", "0xFFFFFF"},
                  {"seg_width", "14"},
                  {"seg_height", "20"},
                  {"animate_segs", "true"},
                  {"var_anm", "1"},
                  {"var_fgcolor", "0xF08A2E"}});  // a blue
  ShapePen slot({220, 222, 226, 255});
  slot.RoundRect(-5, -8, 10, 16, 2);
  const uint16_t slotClip = movie.DefineClip(slot);
  ShapePen cell(kWhite);
  cell.RoundRect(-5, -8, 10, 16, 2);
  const uint16_t cellShape = movie.DefineShape(cell);
  // Frame 1 waits; frames 2 to 6 grow the cell; the last lowers the loader's anm.
  std::vector<SpriteFrame> pop;
  const double scales[] = {0.1, 0.3, 0.55, 0.8, 1.15, 1.0};
  for (int k = 0; k < 6; ++k) {
    SpriteFrame frame{{Child(cellShape, L"", 0, 0, scales[k], scales[k])}, ""};
    if (k == 0) frame.script = "stop();";
    if (k == 5) {
      frame.script =
          "_parent._parent._parent._parent.anm = _parent._parent._parent._parent.anm - 1;\n"
          "stop();";
    }
    pop.push_back(frame);
  }
  const uint16_t popClip = movie.DefineAnimation(pop);
  if (popClip == 0) {
    why = "the scripts of the pop do not compile";
    return false;
  }
  const uint16_t progress = movie.DefineSprite({{slotClip, L"bseg1", 7, 10}, {popClip, L"seg1", 7, 10}});
  const uint16_t preloader = movie.DefineSprite({{progress, L"progress"}});
  movie.PlaceAtCentre(preloader);
  return movie.Write(path, why);
}

}  // namespace

std::vector<CatalogueEntry> SegmentLibraryMovies() {
  return {{"Segments/led-row.swf", LedRow}, {"Segments/pop-segments.swf", PopSegments}};
}

}  // namespace preloaders
