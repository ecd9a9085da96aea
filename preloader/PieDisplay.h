// A pie that closes as the target loads. The artwork's clip "progress" holds the full disc
// "ldrfg", drawn for a 120 x 120 pixel box about the origin of "progress". The build takes
// the disc out and makes "progress" an animation of 101 frames in its place: three copies of
// the disc under rectangular masks that open a quarter at a time, and one under a quarter
// wedge that turns clockwise 3.6 degrees a frame, so that frame n shows n percent of the disc
// from twelve o'clock and frame 100 the whole disc. The clip script shows the frame of the
// percentage loaded.
#pragma once

#include <cstdint>
#include <memory>

#include "preloader/PreloaderDisplay.h"

class DefineShapeTag;
class DefineSpriteTag;
class SwfMatrix;

class PieDisplay : public ColorPairDisplay {
 public:
  static constexpr int32_t kPieWidth = 120;
  static constexpr int32_t kPieHeight = 120;
  static constexpr int kFrameCount = 101;

  void AttachScript(PlaceObject2Tag& placement) override;

  // The mask rectangle: the pie's box about the origin.
  static std::unique_ptr<DefineShapeTag> MakeMaskRect();
  // The wedge: the square quadrant above and right of the origin, half the box's diagonal
  // on a side.
  static std::unique_ptr<DefineShapeTag> MakeWedge();
  // The turn by the angle (radians, single precision), rounded as the player's 16.16 terms.
  static std::unique_ptr<SwfMatrix> RotationMatrix(float radians);
  // Fills the progress sprite with the pie's frames: the disc is character `disc`, the mask
  // and wedge are characters `mask` and `wedge`.
  void AddPieFrames(DefineSpriteTag& progress, uint16_t disc, uint16_t mask, uint16_t wedge) const;

 protected:
  bool AdjustArtwork(DisplayArtwork& artwork) override;
};
