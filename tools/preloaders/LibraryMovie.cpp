#include "tools/preloaders/LibraryMovie.h"

#include <algorithm>
#include <cmath>

#include "platform/WideString.h"
#include "script/ScriptCompiler.h"
#include "swf/ControlTags.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/Shape.h"
#include "swf/ShapeStyles.h"
#include "swf/SwfFileWriter.h"

namespace preloaders {
namespace {

int32_t Twips(double pixels) { return static_cast<int32_t>(std::lround(pixels * 20.0)); }

// Shape records go to the shape through this one function.
template <typename Record>
void Append(Shape& shape, std::unique_ptr<Record> record) {
  shape.records.push_back(std::move(record));
}

// A text as a script string literal.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// The matrix of a child: scaled, turned clockwise, then moved.
std::unique_ptr<SwfMatrix> MatrixOf(const Child& child) {
  auto matrix = std::make_unique<SwfMatrix>();
  matrix->translateX = Twips(child.x);
  matrix->translateY = Twips(child.y);
  const double turn = child.rotation * M_PI / 180.0;
  const double c = std::cos(turn), s = std::sin(turn);
  if (child.rotation != 0) {
    matrix->rotateSkew0 = static_cast<int32_t>(std::lround(s * child.scaleX * 65536));
    matrix->rotateSkew1 = static_cast<int32_t>(std::lround(-s * child.scaleY * 65536));
    matrix->hasRotate = true;
  }
  if (child.scaleX != 1 || child.scaleY != 1 || child.rotation != 0) {
    matrix->scaleX = static_cast<int32_t>(std::lround(c * child.scaleX * 65536));
    matrix->scaleY = static_cast<int32_t>(std::lround(c * child.scaleY * 65536));
    matrix->hasScale = true;
  }
  return matrix;
}

}  // namespace

ShapePen::ShapePen(Rgba colour) : tag_(std::make_unique<DefineShape3Tag>()) {
  tag_->shape = std::make_unique<ShapeWithStyle>(true);
  tag_->shape->fillStyles = std::make_unique<FillStyleArray>(true);
  auto fill = std::make_unique<FillStyle>(true);
  fill->InitSolidColor(std::make_unique<SwfRgba>(colour.r, colour.g, colour.b, colour.a), true);
  tag_->shape->fillStyles->AddStyle(std::move(fill));
  tag_->shape->lineStyles = std::make_unique<LineStyleArray>(true);
  tag_->shape->SetBitCounts(1, 0);
}

void ShapePen::Extend(int32_t x, int32_t y) {
  if (!any_) {
    minX_ = maxX_ = x;
    minY_ = maxY_ = y;
    any_ = true;
    return;
  }
  minX_ = std::min(minX_, x);
  maxX_ = std::max(maxX_, x);
  minY_ = std::min(minY_, y);
  maxY_ = std::max(maxY_, y);
}

void ShapePen::MoveTo(double x, double y) {
  Shape* shape = tag_->shape.get();
  auto record = std::make_unique<StyleChangeRecord>(0, shape);
  penX_ = Twips(x);
  penY_ = Twips(y);
  record->InitMoveTo(penX_, penY_, shape);
  record->SetFillStyleIndex(1, false);
  record->SetFlags(kStyleMoveTo | kStyleFill0);
  Append(*shape, std::move(record));
  Extend(penX_, penY_);
}

void ShapePen::LineTo(double x, double y) {
  const int32_t tx = Twips(x), ty = Twips(y);
  if (tx == penX_ && ty == penY_) return;
  Append(*tag_->shape, std::make_unique<StraightEdgeRecord>(tx - penX_, ty - penY_, StraightEdgeRecord::kGeneral));
  penX_ = tx;
  penY_ = ty;
  Extend(tx, ty);
}

void ShapePen::CurveTo(double cx, double cy, double x, double y) {
  const int32_t tcx = Twips(cx), tcy = Twips(cy), tx = Twips(x), ty = Twips(y);
  Append(*tag_->shape, std::make_unique<CurvedEdgeRecord>(tcx - penX_, tcy - penY_, tx - tcx, ty - tcy));
  penX_ = tx;
  penY_ = ty;
  Extend(tx, ty);
}

ShapePen& ShapePen::Rect(double x, double y, double width, double height) {
  MoveTo(x, y);
  LineTo(x + width, y);
  LineTo(x + width, y + height);
  LineTo(x, y + height);
  LineTo(x, y);
  return *this;
}

ShapePen& ShapePen::RoundRect(double x, double y, double width, double height, double radius) {
  const double r = std::max(0.0, std::min(radius, std::min(width, height) / 2));
  if (r <= 0) return Rect(x, y, width, height);
  // Each corner is two quadratic curves through the point of the quarter circle at 45 degrees,
  // whose controls lie on the tangents; the outline stays within the rectangle.
  const double k = std::tan(M_PI / 8) * r;    // tangent length of an eighth of a circle
  const double d = r * (1 - std::sqrt(0.5));  // inset of the 45-degree point
  MoveTo(x + r, y);
  LineTo(x + width - r, y);
  CurveTo(x + width - r + k, y, x + width - d, y + d);
  CurveTo(x + width, y + r - k, x + width, y + r);
  LineTo(x + width, y + height - r);
  CurveTo(x + width, y + height - r + k, x + width - d, y + height - d);
  CurveTo(x + width - r + k, y + height, x + width - r, y + height);
  LineTo(x + r, y + height);
  CurveTo(x + r - k, y + height, x + d, y + height - d);
  CurveTo(x, y + height - r + k, x, y + height - r);
  LineTo(x, y + r);
  CurveTo(x, y + r - k, x + d, y + d);
  CurveTo(x + r - k, y, x + r, y);
  return *this;
}

ShapePen& ShapePen::Circle(double cx, double cy, double radius) {
  // Eight quadratic curves, controls on the tangents of each eighth.
  const double c = radius / std::cos(M_PI / 8);
  MoveTo(cx + radius, cy);
  for (int i = 1; i <= 8; ++i) {
    const double mid = (i - 0.5) * M_PI / 4;
    const double end = i * M_PI / 4;
    CurveTo(cx + c * std::cos(mid), cy + c * std::sin(mid), cx + radius * std::cos(end), cy + radius * std::sin(end));
  }
  // The controls reach past the circle; the bounds take the circle itself.
  Extend(Twips(cx - radius), Twips(cy - radius));
  Extend(Twips(cx + radius), Twips(cy + radius));
  return *this;
}

ShapePen& ShapePen::Polygon(const std::vector<std::pair<double, double>>& points) {
  if (points.size() < 3) return *this;
  MoveTo(points[0].first, points[0].second);
  for (size_t i = 1; i < points.size(); ++i) LineTo(points[i].first, points[i].second);
  LineTo(points[0].first, points[0].second);
  return *this;
}

std::unique_ptr<DefineShapeTag> ShapePen::Finish() {
  Append(*tag_->shape, std::make_unique<EndShapeRecord>());
  tag_->bounds = std::make_unique<SwfRect>(minX_, minY_, maxX_, maxY_);
  return std::move(tag_);
}

LibraryMovie::LibraryMovie(int baseWidth, int baseHeight) : width_(baseWidth), height_(baseHeight) {}

void LibraryMovie::Describe(const std::vector<std::pair<std::string, std::string>>& variables) {
  std::string text;
  for (const auto& [name, value] : variables) text += name + " = " + Quoted(value) + ";\n";
  std::unique_ptr<DoActionTag> script = CompileScriptToDoAction(Utf8ToWide(text), 6);
  // The description comes first in the first frame.
  if (script) tags_.insert(tags_.begin(), std::move(script));
}

uint16_t LibraryMovie::Define(std::unique_ptr<SwfCharacterTag> tag) {
  tag->SetCharacterId(++lastId_);
  tags_.push_back(std::move(tag));
  return lastId_;
}

uint16_t LibraryMovie::DefineSprite(const std::vector<Child>& children) {
  auto sprite = std::make_unique<DefineSpriteTag>(0, 0);
  uint16_t depth = 0;
  for (const Child& child : children) {
    auto place = std::make_unique<PlaceObject2Tag>();
    place->SetCharacterId(child.id);
    place->depth = ++depth;
    if (!child.name.empty()) place->SetName(child.name);
    place->SetMatrix(MatrixOf(child));
    if (child.clipDepth != 0) {
      place->clipDepth = child.clipDepth;
      place->hasClipDepth = true;
    }
    sprite->AddTag(std::move(place));
  }
  sprite->AddTag(std::make_unique<ShowFrameTag>());
  return Define(std::move(sprite));
}

uint16_t LibraryMovie::DefineAnimation(const std::vector<SpriteFrame>& frames) {
  auto sprite = std::make_unique<DefineSpriteTag>(0, 0);
  std::vector<uint16_t> standing;  // the character at each depth (index depth - 1)
  for (const SpriteFrame& frame : frames) {
    if (!frame.script.empty()) {
      std::unique_ptr<DoActionTag> script = CompileScriptToDoAction(Utf8ToWide(frame.script), 6);
      if (!script) return 0;
      sprite->AddTag(std::move(script));
    }
    const size_t depths = std::max(standing.size(), frame.children.size());
    standing.resize(depths, 0);
    for (size_t i = 0; i < depths; ++i) {
      const auto depth = static_cast<uint16_t>(i + 1);
      const uint16_t id = i < frame.children.size() ? frame.children[i].id : 0;
      if (id != 0 && standing[i] == id) {
        auto move = std::make_unique<PlaceObject2Tag>();
        move->depth = depth;
        move->move = true;
        move->SetMatrix(MatrixOf(frame.children[i]));
        sprite->AddTag(std::move(move));
        continue;
      }
      if (standing[i] != 0) sprite->AddTag(std::make_unique<RemoveObject2Tag>(depth));
      standing[i] = id;
      if (id == 0) continue;
      const Child& child = frame.children[i];
      auto place = std::make_unique<PlaceObject2Tag>();
      place->SetCharacterId(id);
      place->depth = depth;
      if (!child.name.empty()) place->SetName(child.name);
      place->SetMatrix(MatrixOf(child));
      if (child.clipDepth != 0) {
        place->clipDepth = child.clipDepth;
        place->hasClipDepth = true;
      }
      sprite->AddTag(std::move(place));
    }
    sprite->AddTag(std::make_unique<ShowFrameTag>());
  }
  return Define(std::move(sprite));
}

uint16_t LibraryMovie::DefineClip(ShapePen& pen) {
  const uint16_t shape = DefineShape(pen);
  return DefineSprite({{shape}});
}

void LibraryMovie::PlaceAtCentre(uint16_t id, const std::wstring& name) {
  auto place = std::make_unique<PlaceObject2Tag>();
  place->SetCharacterId(id);
  place->depth = ++lastDepth_;
  if (!name.empty()) place->SetName(name);
  auto matrix = std::make_unique<SwfMatrix>();
  matrix->translateX = width_ * 10;
  matrix->translateY = height_ * 10;
  place->SetMatrix(std::move(matrix));
  tags_.push_back(std::move(place));
}

bool LibraryMovie::Write(const std::string& path, std::string& why) {
  SwfFileWriter writer;
  writer.SetMovieParameters(width_ * 20, height_ * 20, 24.0f, 6);
  if (!writer.Open(Utf8ToWide(path), true)) {
    why = "cannot write " + path;
    return false;
  }
  writer.AddTag(std::make_unique<SetBackgroundColorTag>(255, 255, 255));
  for (auto& tag : tags_) writer.AddTag(tag.get(), true);
  writer.AddTag(std::make_unique<ShowFrameTag>());
  writer.AddTag(std::make_unique<EndTag>());
  if (writer.Close() == 0) {
    why = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace preloaders
