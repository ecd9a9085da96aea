#include "preloader/BarDisplays.h"

#include <cmath>

#include "platform/TextConversions.h"
#include "preloader/ClipScript.h"
#include "preloader/DisplayArtwork.h"
#include "swf/ActionBranch.h"
#include "swf/ActionConstantPool.h"
#include "swf/ActionPush.h"
#include "swf/DefineSpriteTag.h"
#include "swf/MovieVariableReader.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SimpleActions.h"

using displayscript::ClipScript;
using displayscript::kEnterFrameEvent;
using displayscript::kLoadEvent;

void HBarDisplay::AttachScript(PlaceObject2Tag& placement) {
  const int32_t width = GetStoredWidth();
  const int32_t height = GetStoredHeight();
  // On load: the display takes its size, maxw notes the bar's full width and the bar starts
  // empty.
  ClipScript load(kLoadEvent);
  load.Pool({L"", L"maxw", L"progress", L"ldrfg", L"_width"})
      .Push([&](ActionPush& p) {
        p.AddConstant8(0);
        p.AddInteger(8);
        p.AddInteger(width);
      })
      .Do<ActionSetProperty>()
      .Push([&](ActionPush& p) {
        p.AddConstant8(0);
        p.AddInteger(9);
        p.AddInteger(height);
      })
      .Do<ActionSetProperty>()
      .Push([](ActionPush& p) {
        p.AddConstant8(1);
        p.AddConstant8(2);
      })
      .Do<ActionGetVariable>()
      .Push([](ActionPush& p) { p.AddConstant8(3); })
      .Do<ActionGetMember>()
      .Push([](ActionPush& p) { p.AddConstant8(4); })
      .Do<ActionGetMember>()
      .Do<ActionSetVariable>()
      .Push([](ActionPush& p) { p.AddConstant8(2); })
      .Do<ActionGetVariable>()
      .Push([](ActionPush& p) { p.AddConstant8(3); })
      .Do<ActionGetMember>()
      .Push([](ActionPush& p) {
        p.AddConstant8(4);
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

void BarSegDisplay::ResetTypeDefaults() {
  segWidth_ = 0;
  segPitch_ = 40;
  segCount_ = 5;
}

void BarSegDisplay::ComputeSegments() {
  // A pitch below one pixel would divide by zero or count backwards.
  segPitch_ = std::max(1, segWidth_ + 2);
  const int32_t width = GetStoredWidth();
  segCount_ = width / segPitch_ + (width % segPitch_ != 0 ? 1 : 0);
}

void BarSegDisplay::ReadTypeDescription(const MovieVariableReader& reader) {
  WideString text;
  segWidth_ = 0;
  if (reader.GetValue(L"seg_width", text)) {
    int value = 0;
    segWidth_ = ParseDecimalInt(text.c_str(), value);
  }
  ComputeSegments();
}

bool BarSegDisplay::CheckDescription(std::string& why) const {
  if (!PreloaderDisplay::CheckDescription(why)) return false;
  if (segWidth_ < 1 || segWidth_ > GetWidthMax()) {
    why = "its seg_width must lie within 1 to 5000 pixels";
    return false;
  }
  return true;
}

bool BarSegDisplay::AdjustArtwork(DisplayArtwork& artwork) {
  ComputeSegments();
  PlaceObject2Tag* progressPlace = artwork.FindPlacement(L"progress");
  DefineSpriteTag* progress = progressPlace != nullptr ? artwork.FindSprite(*progressPlace) : nullptr;
  if (progress == nullptr) return true;

  // The mask: the first placement with a clip depth, stretched to the display's width.
  for (const auto& child : progress->Children()) {
    if (child->TagCode() != kSwfTagPlaceObject2) continue;
    auto* mask = static_cast<PlaceObject2Tag*>(child.get());
    if (!mask->hasClipDepth) continue;
    if (!mask->matrix) mask->SetMatrix(std::make_unique<SwfMatrix>());
    SwfMatrix& m = *mask->matrix;
    const double sx = m.hasScale && m.scaleX != 0 ? m.scaleX / 65536.0 : 1.0;
    const double sy = m.hasScale && m.scaleY != 0 ? m.scaleY / 65536.0 : 1.0;
    const double stretch = static_cast<double>(GetStoredWidth()) / GetBaseWidth();
    m.scaleX = static_cast<int32_t>(std::trunc(sx * stretch * 65536.0 + 0.5));
    m.scaleY = static_cast<int32_t>(std::trunc(sy * 65536.0 + 0.5));
    m.hasScale = true;
    break;
  }

  // The segments: seg2 to seg<count> copied from seg1, one pitch apart.
  PlaceObject2Tag* segsPlace = DisplayArtwork::FindChildPlacement(*progress, L"segs");
  DefineSpriteTag* segs = segsPlace != nullptr ? artwork.FindSprite(*segsPlace) : nullptr;
  if (segs == nullptr) return true;
  PlaceObject2Tag* first = DisplayArtwork::FindChildPlacement(*segs, L"seg1");
  if (first == nullptr) return true;
  for (int32_t m = 1; m < segCount_; ++m) {
    auto copy = std::make_unique<PlaceObject2Tag>(*first);
    copy->depth = static_cast<uint16_t>(std::min(m + 200, 0xFFFF));
    copy->SetName(L"seg" + std::to_wstring(m + 1));
    if (!copy->matrix) copy->SetMatrix(std::make_unique<SwfMatrix>());
    copy->matrix->translateX += m * segPitch_ * 20;
    segs->AddTagToFirstFrame(std::move(copy), true);
  }
  return true;
}

void BarSegDisplay::AttachScript(PlaceObject2Tag& placement) {
  // On load: maxw = the number of segments; the background takes the display's width.
  ClipScript load(kLoadEvent);
  load.Pool({L"maxw", L"progress.ldrfg", L"_width", L"progress.ldrbg"})
      .Push([&](ActionPush& p) {
        p.AddConstant8(0);
        p.AddInteger(segCount_);
      })
      .Do<ActionSetVariable>()
      .Push([](ActionPush& p) { p.AddConstant8(3); })
      .Do<ActionGetVariable>()
      .Push([&](ActionPush& p) {
        p.AddConstant8(2);
        p.AddInteger(GetStoredWidth());
      })
      .Do<ActionSetMember>();
  load.AttachTo(placement);

  // Every frame: vis = int(prcnt * 100 / (100 / maxw)); segments 1..vis shown, the rest
  // hidden. The branch offsets are bytes of the actions they pass.
  ClipScript frame(kEnterFrameEvent);
  frame.NoBranchTracking();
  auto constants = [](std::initializer_list<int> indexes) {
    return [indexes](ActionPush& p) {
      for (int i : indexes) p.AddConstant8(i);
    };
  };
  frame.Pool({L"vis", L"_parent._parent", L"prcnt", L"maxw", L"i", L"progress.segs.seg"})
      .Push(constants({0, 1}))
      .Do<ActionGetVariable>()
      .Push(constants({2}))
      .Do<ActionGetMember>()
      .Push([](ActionPush& p) { p.AddInteger(100); })
      .Do<ActionMultiply>()
      .Push([](ActionPush& p) {
        p.AddInteger(100);
        p.AddConstant8(3);
      })
      .Do<ActionGetVariable>()
      .Do<ActionDivide>()
      .Do<ActionDivide>()
      .Do<ActionToInteger>()
      .Do<ActionSetVariable>()
      .Push([](ActionPush& p) {
        p.AddConstant8(4);
        p.AddInteger(1);
      })
      .Do<ActionSetVariable>()
      // loop head
      .Push(constants({3}))
      .Do<ActionGetVariable>()
      .Push(constants({4}))
      .Do<ActionGetVariable>()
      .Do<ActionLess2>()
      .Do<ActionNot>()
      .Do<ActionNot>()
      .Do(std::make_unique<ActionIf>(88))
      .Push(constants({4}))
      .Do<ActionGetVariable>()
      .Push(constants({0}))
      .Do<ActionGetVariable>()
      .Push([](ActionPush& p) { p.AddInteger(1); })
      .Do<ActionAdd2>()
      .Do<ActionLess2>()
      .Do<ActionNot>()
      .Do(std::make_unique<ActionIf>(25))
      .Push(constants({5, 4}))
      .Do<ActionGetVariable>()
      .Do<ActionAdd2>()
      .Push([](ActionPush& p) {
        p.AddFloat(7.0f);
        p.AddBoolean(true);
      })
      .Do<ActionSetProperty>()
      .Do(std::make_unique<ActionJump>(20))
      .Push(constants({5, 4}))
      .Do<ActionGetVariable>()
      .Do<ActionAdd2>()
      .Push([](ActionPush& p) {
        p.AddFloat(7.0f);
        p.AddBoolean(false);
      })
      .Do<ActionSetProperty>()
      .Push(constants({4, 4}))
      .Do<ActionGetVariable>()
      .Do<ActionIncrement>()
      .Do<ActionSetVariable>()
      .Do(std::make_unique<ActionJump>(-108));
  frame.AttachTo(placement);
}
