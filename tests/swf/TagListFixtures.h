// Small tags for the tag-list, dependency and splitter tests: placements and filled rectangles.
#pragma once

#include <cstdint>
#include <memory>

#include "swf/DefineShapeTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/ShapeStyles.h"
#include "swf/SwfBasicRecords.h"

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

}  // namespace taglistfixtures
