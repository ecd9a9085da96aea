// Authoring of preloader library movies: shapes drawn in pixels with one solid fill, sprites
// that place them by name, the description script of the first frame, and the movie file.
//
// Every movie follows one layout: its stage is the display's natural size, its first frame
// holds the description script, then the definitions (each defined before its users, the
// "Preloader" sprite last and so with the largest id), then the "Preloader" placement at the
// stage centre. The artwork's origin is the centre of the natural size.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "swf/DefineShapeTag.h"
#include "swf/SwfTagList.h"

namespace preloaders {

struct Rgba {
  uint8_t r = 255, g = 255, b = 255, a = 255;
};

inline constexpr Rgba kWhite{255, 255, 255, 255};

// A shape of one solid fill, drawn in pixels (the shape keeps twips). Each figure is one
// closed contour; figures of one pen share its fill.
class ShapePen {
 public:
  explicit ShapePen(Rgba colour);
  ShapePen& Rect(double x, double y, double width, double height);
  // Corners rounded with the radius (at most half the shorter side).
  ShapePen& RoundRect(double x, double y, double width, double height, double radius);
  ShapePen& Circle(double cx, double cy, double radius);
  // A closed polygon through the points (at least three).
  ShapePen& Polygon(const std::vector<std::pair<double, double>>& points);
  // The DefineShape3 of everything drawn, its bounds those of the figures.
  std::unique_ptr<DefineShapeTag> Finish();

 private:
  void MoveTo(double x, double y);
  void LineTo(double x, double y);
  void CurveTo(double cx, double cy, double x, double y);
  void Extend(int32_t x, int32_t y);

  std::unique_ptr<DefineShapeTag> tag_;
  int32_t penX_ = 0, penY_ = 0;
  int32_t minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
  bool any_ = false;
};

// One child of a sprite: the character, its instance name (may be empty), its offset in
// pixels, its scale, and a clip depth that makes it a mask over the next children.
struct Child {
  Child(uint16_t character, std::wstring instance = {}, double left = 0, double top = 0, double sx = 1, double sy = 1,
        uint16_t clip = 0)
      : id(character), name(std::move(instance)), x(left), y(top), scaleX(sx), scaleY(sy), clipDepth(clip) {}

  // The child turned clockwise by the angle (degrees) about its origin.
  Child& Turned(double degrees) {
    rotation = degrees;
    return *this;
  }

  uint16_t id = 0;  // 0 in a frame of an animation: nothing at that depth
  std::wstring name;
  double x = 0, y = 0;
  double scaleX = 1, scaleY = 1;
  uint16_t clipDepth = 0;
  double rotation = 0;
};

// One frame of an animated sprite: its children at depths 1, 2, ... and a script run in it
// (script text; empty for none).
struct SpriteFrame {
  std::vector<Child> children;
  std::string script;
};

class LibraryMovie {
 public:
  // A movie whose stage has the natural size of the display, in pixels.
  LibraryMovie(int baseWidth, int baseHeight);

  // The description variables, assigned in order by the first frame's script (compiled from
  // script text); values are texts.
  void Describe(const std::vector<std::pair<std::string, std::string>>& variables);
  // Takes a definition and gives it the next id.
  uint16_t Define(std::unique_ptr<SwfCharacterTag> tag);
  uint16_t DefineShape(ShapePen& pen) { return Define(pen.Finish()); }
  // A one-frame sprite placing the children at depths 1, 2, ... in order.
  uint16_t DefineSprite(const std::vector<Child>& children);
  // A sprite of several frames. A child that stands at its depth in the frame before with
  // the same character moves there (keeping its name and colours); any other replaces it.
  // 0 (nothing defined) when a script does not compile.
  uint16_t DefineAnimation(const std::vector<SpriteFrame>& frames);
  // A sprite holding the pen's shape alone: a named instance of it can be scripted.
  uint16_t DefineClip(ShapePen& pen);
  // Places the character on the main timeline at the stage centre under the name.
  void PlaceAtCentre(uint16_t id, const std::wstring& name = L"Preloader");

  // Writes the movie (SWF version 6, uncompressed); false with `why` when it cannot.
  bool Write(const std::string& path, std::string& why);

  // The tags so far, for fixtures that need to break a rule.
  SwfTagList& Tags() { return tags_; }

 private:
  int width_, height_;
  uint16_t lastId_ = 0;
  uint16_t lastDepth_ = 0;
  SwfTagList tags_;
};

// One movie of a catalogue: where it goes and what writes it.
struct CatalogueEntry {
  const char* path;  // relative to the output folder
  // Writes the movie to the path; false with `why` when it cannot.
  bool (*make)(const std::string& path, std::string& why);
};

// The shipped library: every family's movies, each family in a folder (a palette group) of its
// own. A new family adds a function like BarLibraryMovies in a file of its own and one line
// to LibraryMovies (Catalogue.cpp).
std::vector<CatalogueEntry> LibraryMovies();
std::vector<CatalogueEntry> BarLibraryMovies();
std::vector<CatalogueEntry> AnimationLibraryMovies();
std::vector<CatalogueEntry> FrameBasedLibraryMovies();
std::vector<CatalogueEntry> PieLibraryMovies();
std::vector<CatalogueEntry> PoleLibraryMovies();
std::vector<CatalogueEntry> RotateLibraryMovies();
std::vector<CatalogueEntry> SegmentLibraryMovies();
// Movies that tests read: valid ones with a peculiarity, and malformed ones.
std::vector<CatalogueEntry> TestFixtureMovies();
// Skip-button movies that tests read.
std::vector<CatalogueEntry> SkipButtonFixtureMovies();

}  // namespace preloaders
