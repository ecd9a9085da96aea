#include "preloader/PoleAndRotateDisplays.h"

#include <cmath>
#include <set>

#include "preloader/ClipScript.h"
#include "preloader/DisplayArtwork.h"
#include "swf/DefineSpriteTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SimpleActions.h"
#include "swf/SwfBasicRecords.h"

using displayscript::ClipScript;
using displayscript::kEnterFrameEvent;
using displayscript::kLoadEvent;

namespace {

void GiveMultiplyColor(PlaceObject2Tag& place, uint32_t color) {
  auto transform = std::make_unique<SwfCxformWithAlpha>();
  transform->SetMultiplyColor(color);
  place.SetColorTransform(std::move(transform));
}

}  // namespace

int32_t PoleDisplay::GetTileCount() const {
  const int32_t width = GetStoredWidth();
  const int32_t base = GetBaseWidth() > 0 ? GetBaseWidth() : 1;
  return width / base + (width % base != 0 ? 1 : 0);
}

bool PoleDisplay::AdjustArtwork(DisplayArtwork& artwork) {
  // The filling: its colour, and a scale that the script's widths start from.
  if (PlaceObject2Tag* fill = artwork.FindPlacement(L"ldrfg")) {
    if (IsFgRecolored()) GiveMultiplyColor(*fill, GetFgColor());
    if (!fill->matrix) fill->SetMatrix(std::make_unique<SwfMatrix>());
    SwfMatrix& m = *fill->matrix;
    const double sx = m.hasScale && m.scaleX != 0 ? m.scaleX / 65536.0 : 1.0;
    const double sy = m.hasScale && m.scaleY != 0 ? m.scaleY / 65536.0 : 1.0;
    m.scaleX = static_cast<int32_t>(std::trunc(sx * GetXScale() * 65536.0 + 0.5));
    m.scaleY = static_cast<int32_t>(std::trunc(sy * 65536.0 + 0.5));
    m.hasScale = true;
  }

  // The tiles: copies of the first child of "BarAnim", one natural width apart, at the
  // depths following its own.
  if (PlaceObject2Tag* anim = artwork.FindPlacement(L"BarAnim")) {
    if (IsFgRecolored()) GiveMultiplyColor(*anim, GetFgColor());
    DefineSpriteTag* tiles = artwork.FindSprite(*anim);
    PlaceObject2Tag* first = nullptr;
    std::set<int> depths;
    if (tiles != nullptr) {
      for (const auto& child : tiles->Children()) {
        if (child->TagCode() != kSwfTagPlaceObject2) continue;
        auto* place = static_cast<PlaceObject2Tag*>(child.get());
        if (first == nullptr) first = place;
        depths.insert(place->depth);
      }
    }
    const int32_t count = GetTileCount();
    if (first != nullptr && count > 1) {
      if (first->depth + count - 1 > 0xFFFF) {
        buildError_ = "the display is too wide for the tiles of its clip \"BarAnim\"";
        return false;
      }
      for (int32_t i = 1; i < count; ++i) {
        if (depths.count(first->depth + i) != 0) {
          buildError_ = "the clip \"BarAnim\" of its library movie uses depth " + std::to_string(first->depth + i) +
                        ", which a copy of its tile needs";
          return false;
        }
      }
      const int32_t pitch = GetBaseWidth() * 20;
      for (int32_t i = 1; i < count; ++i) {
        auto copy = std::make_unique<PlaceObject2Tag>(*first);
        copy->depth = static_cast<uint16_t>(first->depth + i);
        if (!copy->matrix) copy->SetMatrix(std::make_unique<SwfMatrix>());
        copy->matrix->translateX = pitch * i;
        tiles->AddTagToFirstFrame(std::move(copy), true);
      }
    }
  }

  if (IsBgRecolored()) artwork.Recolor(L"ldrbg", GetBgColor());
  return true;
}

void PoleDisplay::AttachScript(PlaceObject2Tag& placement) {
  const int32_t width = GetStoredWidth();
  const int32_t height = GetStoredHeight();
  // On load: the track takes the display's width and the display its height; maxw notes
  // the width and the filling starts empty.
  ClipScript load(kLoadEvent);
  load.Pool({L"progress", L"ldrbg", L"_width", L"", L"maxw", L"ldrfg"})
      .Push([](ActionPush& p) { p.AddConstant8(0); })
      .Do<ActionGetVariable>()
      .Push([](ActionPush& p) { p.AddConstant8(1); })
      .Do<ActionGetMember>()
      .Push([&](ActionPush& p) {
        p.AddConstant8(2);
        p.AddInteger(width);
      })
      .Do<ActionSetMember>()
      .Push([&](ActionPush& p) {
        p.AddConstant8(3);
        p.AddInteger(9);
        p.AddInteger(height);
      })
      .Do<ActionSetProperty>()
      .Push([&](ActionPush& p) {
        p.AddConstant8(4);
        p.AddInteger(width);
      })
      .Do<ActionSetVariable>()
      .Push([](ActionPush& p) { p.AddConstant8(0); })
      .Do<ActionGetVariable>()
      .Push([](ActionPush& p) { p.AddConstant8(5); })
      .Do<ActionGetMember>()
      .Push([](ActionPush& p) {
        p.AddConstant8(2);
        p.AddDouble(0.0);
      })
      .Do<ActionSetMember>();
  load.AttachTo(placement);

  // Every frame: progress.ldrfg._width = maxw * prcnt.
  ClipScript frame(kEnterFrameEvent);
  frame.Push([](ActionPush& p) { p.AddString(L"progress.ldrfg"); })
      .Do<ActionGetVariable>()
      .Push([](ActionPush& p) {
        p.AddString(L"_width");
        p.AddString(L"maxw");
      })
      .Do<ActionGetVariable>()
      .Push([](ActionPush& p) { p.AddString(L"_parent._parent"); })
      .Do<ActionGetVariable>()
      .Push([](ActionPush& p) { p.AddString(L"prcnt"); })
      .Do<ActionGetMember>()
      .Do<ActionMultiply>()
      .Do<ActionSetMember>();
  frame.AttachTo(placement);
}

void RotateDisplay::AttachScript(PlaceObject2Tag& placement) {
  // Every frame: progress.ldrfg._rotation = int(_parent._parent.prcnt * 360).
  ClipScript frame(kEnterFrameEvent);
  frame.Pool({L"progress", L"ldrfg", L"_rotation", L"_parent", L"prcnt"})
      .Push([](ActionPush& p) { p.AddConstant8(0); })
      .Do<ActionGetVariable>()
      .Push([](ActionPush& p) { p.AddConstant8(1); })
      .Do<ActionGetMember>()
      .Push([](ActionPush& p) {
        p.AddConstant8(2);
        p.AddConstant8(3);
      })
      .Do<ActionGetVariable>()
      .Push([](ActionPush& p) { p.AddConstant8(3); })
      .Do<ActionGetMember>()
      .Push([](ActionPush& p) { p.AddConstant8(4); })
      .Do<ActionGetMember>()
      .Push([](ActionPush& p) { p.AddInteger(360); })
      .Do<ActionMultiply>()
      .Do<ActionToInteger>()
      .Do<ActionSetMember>();
  frame.AttachTo(placement);
}
