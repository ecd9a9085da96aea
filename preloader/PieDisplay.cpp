#include "preloader/PieDisplay.h"

#include <cmath>

#include "preloader/ClipScript.h"
#include "preloader/DisplayArtwork.h"
#include "swf/DefineShapeTag.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DoActionTag.h"
#include "swf/OperandActions.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/Shape.h"
#include "swf/ShapeStyles.h"
#include "swf/SimpleActions.h"
#include "swf/SwfBasicRecords.h"

using displayscript::ClipScript;
using displayscript::kEnterFrameEvent;
using displayscript::kLoadEvent;

namespace {

constexpr int32_t kW = PieDisplay::kPieWidth * 20;
constexpr int32_t kH = PieDisplay::kPieHeight * 20;
constexpr int32_t kW2 = kW >> 1;
constexpr int32_t kH2 = kH >> 1;

// Half the box's diagonal, in twips.
int32_t HalfDiagonal() {
  const float diagonal = std::sqrt(static_cast<float>(kW) * kW + static_cast<float>(kH) * kH);
  return static_cast<int32_t>(std::trunc((diagonal + 0.5f) * 0.5f));
}

// A DefineShape of one solid RGB fill: a closed path of axis-parallel edges from the start.
std::unique_ptr<DefineShapeTag> SolidShape(int32_t xmin, int32_t ymin, int32_t xmax, int32_t ymax, const SwfRgb& colour,
                                           int32_t startX, int32_t startY,
                                           std::initializer_list<std::pair<int32_t, int32_t>> edges) {
  auto tag = std::make_unique<DefineShapeTag>();
  tag->bounds = std::make_unique<SwfRect>(xmin, ymin, xmax, ymax);
  tag->shape = std::make_unique<ShapeWithStyle>(false);
  tag->shape->fillStyles = std::make_unique<FillStyleArray>(false);
  auto fill = std::make_unique<FillStyle>(false);
  fill->InitSolidColor(std::make_unique<SwfRgb>(colour), false);
  tag->shape->fillStyles->AddStyle(std::move(fill));
  tag->shape->lineStyles = std::make_unique<LineStyleArray>(false);
  tag->shape->SetBitCounts(Shape::kMaxIndexBits, 0);
  auto start = std::make_unique<StyleChangeRecord>(0, tag->shape.get());
  start->InitMoveTo(startX, startY, tag->shape.get());
  start->SetFillStyleIndex(1, true);
  start->SetFlags(kStyleMoveTo | kStyleFill1);
  tag->shape->records.push_back(std::move(start));
  for (const auto& [dx, dy] : edges) {
    const uint8_t kind = dy == 0 ? StraightEdgeRecord::kHorizontal : StraightEdgeRecord::kVertical;
    tag->shape->records.push_back(std::make_unique<StraightEdgeRecord>(dx, dy, kind));
  }
  tag->shape->records.push_back(std::make_unique<EndShapeRecord>());
  return tag;
}

// A placement of the character at the depth, moved by (x, y), as a mask up to `clip` when
// that is not 0.
std::unique_ptr<PlaceObject2Tag> Place(uint16_t character, uint16_t depth, int32_t x, int32_t y, uint16_t clip = 0) {
  auto place = std::make_unique<PlaceObject2Tag>();
  place->SetCharacterId(character);
  place->depth = depth;
  auto matrix = std::make_unique<SwfMatrix>();
  matrix->translateX = x;
  matrix->translateY = y;
  place->SetMatrix(std::move(matrix));
  if (clip != 0) {
    place->clipDepth = clip;
    place->hasClipDepth = true;
  }
  return place;
}

// A move of what stands at the depth.
std::unique_ptr<PlaceObject2Tag> Move(uint16_t depth, std::unique_ptr<SwfMatrix> matrix) {
  auto place = std::make_unique<PlaceObject2Tag>();
  place->depth = depth;
  place->move = true;
  place->SetMatrix(std::move(matrix));
  return place;
}

std::unique_ptr<SwfMatrix> Translation(int32_t x, int32_t y) {
  auto matrix = std::make_unique<SwfMatrix>();
  matrix->translateX = x;
  matrix->translateY = y;
  return matrix;
}

}  // namespace

std::unique_ptr<DefineShapeTag> PieDisplay::MakeMaskRect() {
  return SolidShape(-kW2, -kH2, kW2, kH2, SwfRgb(0, 255, 0), kW2, kH2, {{-kW, 0}, {0, -kH}, {kW, 0}, {0, kH}});
}

std::unique_ptr<DefineShapeTag> PieDisplay::MakeWedge() {
  const int32_t d = HalfDiagonal();
  return SolidShape(0, -d, d, 0, SwfRgb(255, 0, 0), 0, 0, {{0, -d}, {d, 0}, {0, d}, {-d, 0}});
}

std::unique_ptr<SwfMatrix> PieDisplay::RotationMatrix(float radians) {
  auto matrix = std::make_unique<SwfMatrix>();
  const float s = std::sin(radians);
  const float c = std::cos(radians);
  matrix->rotateSkew0 = static_cast<int32_t>(std::trunc(s * 65536.0f + 0.5f));
  matrix->rotateSkew1 = static_cast<int32_t>(std::trunc(-s * 65536.0f + 0.5f));
  matrix->scaleX = matrix->scaleY = static_cast<int32_t>(std::trunc(c * 65536.0f + 0.5f));
  matrix->hasScale = matrix->hasRotate = true;
  return matrix;
}

void PieDisplay::AddPieFrames(DefineSpriteTag& progress, uint16_t disc, uint16_t mask, uint16_t wedge) const {
  auto add = [&](std::unique_ptr<SwfTag> tag, int frame) { progress.AddTagToFrame(std::move(tag), frame); };
  auto discCopy = [&](uint16_t depth) {
    auto place = Place(disc, depth, 0, 0);
    if (IsFgRecolored()) {
      auto transform = std::make_unique<SwfCxformWithAlpha>();
      transform->SetMultiplyColor(GetFgColor());
      place->SetColorTransform(std::move(transform));
    }
    return place;
  };
  // Frame 0: the first quarter's mask stands above the disc, the last quarter's below it, and
  // the right half's mask holds the wedge, turned back to cover nothing of that half.
  add(Place(mask, 101, kW2, -kH, 102), 0);
  add(discCopy(102), 0);
  add(Place(mask, 103, -kW2, kH, 104), 0);
  add(discCopy(104), 0);
  add(Place(mask, 105, kW2, 0, 107), 0);
  auto turned = Place(wedge, 106, 0, 0, 107);
  turned->SetMatrix(RotationMatrix(-1.5707964f));
  add(std::move(turned), 0);
  add(discCopy(107), 0);

  // Each frame turns the wedge 3.6 degrees on; as it passes a quarter mark, a mask opens the
  // quarter behind it, in the same frame, so that the picture never stands still.
  double t = -90.0;
  for (int frame = 1; frame < kFrameCount; ++frame) {
    t += 3.6;
    add(Move(106, RotationMatrix(static_cast<float>(t * 0.017453292519943295))), frame);
    if (frame == 25) add(Move(101, Translation(kW2, -kH2)), frame);
    if (frame == 50) {
      add(Move(101, Translation(kW2, 0)), frame);
      auto wide = Move(105, Translation(0, 0));
      wide->clipDepth = 107;
      wide->hasClipDepth = true;
      add(std::move(wide), frame);
    }
    if (frame == 75) add(Move(103, Translation(-kW2, kH2)), frame);
  }
  auto stop = std::make_unique<DoActionTag>();
  stop->AddAction(std::make_unique<ActionStop>());
  add(std::move(stop), kFrameCount - 1);
}

bool PieDisplay::AdjustArtwork(DisplayArtwork& artwork) {
  if (!ColorPairDisplay::AdjustArtwork(artwork)) return false;
  PlaceObject2Tag* progressPlace = artwork.FindPlacement(L"progress");
  DefineSpriteTag* progress = progressPlace != nullptr ? artwork.FindSprite(*progressPlace) : nullptr;
  PlaceObject2Tag* disc = progress != nullptr ? DisplayArtwork::FindChildPlacement(*progress, L"ldrfg") : nullptr;
  if (disc == nullptr || !disc->hasCharacter) return true;
  const uint16_t discId = disc->characterId;
  const uint16_t mask = artwork.AddDefinition(MakeMaskRect());
  const uint16_t wedge = artwork.AddDefinition(MakeWedge());
  if (mask == 0 || wedge == 0) {
    buildError_ = "the pie's shapes find no character ids left in its library movie";
    return false;
  }
  std::unique_ptr<SwfTag> removed = DisplayArtwork::TakeChild(*progress, disc);
  AddPieFrames(*progress, discId, mask, wedge);
  return true;
}

void PieDisplay::AttachScript(PlaceObject2Tag& placement) {
  // On load: progress.gotoAndStop(1).
  ClipScript load(kLoadEvent);
  load.Do(std::make_unique<ActionSetTarget>(L"progress"))
      .Do(std::make_unique<ActionGotoFrame>(0))
      .Do<ActionStop>()
      .Do(std::make_unique<ActionSetTarget>(L""));
  load.AttachTo(placement);

  // Every frame: progress.gotoAndStop(int(100 * _parent._parent.prcnt + 1)): index n of the
  // frames at n percent, the closed disc at full load.
  ClipScript frame(kEnterFrameEvent);
  frame
      .Push([](ActionPush& p) {
        p.AddDouble(100.0);
        p.AddString(L"_parent._parent");
      })
      .Do<ActionGetVariable>()
      .Push([](ActionPush& p) { p.AddString(L"prcnt"); })
      .Do<ActionGetMember>()
      .Do<ActionMultiply>()
      .Push([](ActionPush& p) { p.AddInteger(1); })
      .Do<ActionAdd2>()
      .Do<ActionToInteger>()
      .Push([](ActionPush& p) {
        p.AddInteger(1);
        p.AddString(L"progress");
      })
      .Do<ActionGetVariable>()
      .Push([](ActionPush& p) { p.AddString(L"gotoAndStop"); })
      .Do<ActionCallMethod>()
      .Do<ActionPop>();
  frame.AttachTo(placement);
}
