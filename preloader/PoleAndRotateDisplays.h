// Two displays driven straight by the fraction loaded: a pole, a bar whose filling grows to
// the display's width over animated tiles, and a dial whose pointer turns a full circle.
// Their clip scripts read the loader's prcnt (0 to 1) through "_parent._parent".
#pragma once

#include <cstdint>

#include "preloader/PreloaderDisplay.h"

// The artwork's clip "progress" holds the filling "ldrfg" (its width set by the script),
// the track "ldrbg" and the clip "BarAnim", whose first child (an animated tile as wide as
// the artwork) the build repeats to the right until the tiles cover the display's width.
// The sprite keeps its natural size: its clip script gives the track and the filling their
// width and the display its height.
class PoleDisplay : public ColorPairDisplay {
 public:
  int32_t GetWidth() const override { return GetBaseWidth(); }
  double GetXScale() const override { return 1.0; }
  // The clip script sets the display's height itself; the wrapper must not scale it again.
  double GetYScale() const override { return 1.0; }
  void AttachScript(PlaceObject2Tag& placement) override;

  // How many tiles cover the width: the width over the natural width, rounded up.
  int32_t GetTileCount() const;

 protected:
  bool AdjustArtwork(DisplayArtwork& artwork) override;
};

// The artwork's clip "progress" holds the pointer "ldrfg", turned about its origin through
// 360 degrees as the target loads.
class RotateDisplay : public ColorPairDisplay {
 public:
  void AttachScript(PlaceObject2Tag& placement) override;
};
