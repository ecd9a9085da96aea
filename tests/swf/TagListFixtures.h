// Small tags for the tag-list, dependency and splitter tests: placements, filled rectangles and texts.
#pragma once

#include <cstdint>
#include <memory>

#include "swf/DefineShapeTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/ShapeStyles.h"
#include "swf/SwfBasicRecords.h"
#include "swf/TextTags.h"

namespace taglistfixtures {

// A PlaceObject2 at a depth; id 0 places nothing new (a move), a name makes it an instance.
inline std::unique_ptr<PlaceObject2Tag> Place(uint16_t id, uint16_t depth, const wchar_t* name = nullptr) {
  auto place = std::make_unique<PlaceObject2Tag>();
  if (id != 0) place->SetCharacterId(id);
  place->depth = depth;
  if (name != nullptr) place->SetName(name);
  return place;
}

// A rectangle filled with a solid colour, or with the bitmap bitmapId in the given fill kind.
inline std::unique_ptr<DefineShapeTag> Shape(uint16_t id, uint16_t bitmapId = 0,
                                             uint8_t bitmapFill = kFillClippedBitmap) {
  auto shape = std::make_unique<DefineShapeTag>();
  auto fill = std::make_unique<FillStyle>();
  if (bitmapId != 0) {
    fill->InitBitmapFill(bitmapFill, bitmapId, std::make_unique<SwfMatrix>());
  } else {
    fill->InitSolidColor(std::make_unique<SwfRgb>(), false);
  }
  shape->BuildRectangle(0, 0, 200, 200, std::move(fill), nullptr);
  shape->SetCharacterId(id);
  return shape;
}

// A DefineText or DefineText2 (TextTag) with one style record in the font fontId.
template <class TextTag>
std::unique_ptr<TextTag> TextIn(uint16_t id, uint16_t fontId) {
  auto text = std::make_unique<TextTag>();
  text->Init(id, std::make_unique<SwfRect>(), std::make_unique<SwfMatrix>(), 1, 1);
  auto style = std::make_unique<TextStyleRecord>();
  style->SetFontId(fontId);
  style->SetTextHeight(240);
  text->AddRecord(std::move(style));
  return text;
}

}  // namespace taglistfixtures
