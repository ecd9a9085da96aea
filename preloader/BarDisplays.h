// The bar displays: a continuous bar ("hbar") and a bar of equal segments ("bar_seg"), both
// filled from left to right as the target loads. Their clip scripts read the loader's prcnt
// (0 to 1) through "_parent._parent": the display sits in a one-frame wrapper inside the
// loader.
#pragma once

#include <cstdint>
#include <string>

#include "preloader/PreloaderDisplay.h"

// The artwork's clip "progress" holds the bar "ldrfg", drawn at full length; the clip script
// notes that length and sets the bar's width to it times the fraction loaded. "ldrfg" and
// "ldrbg" take the colour pair.
class HBarDisplay : public ColorPairDisplay {
 public:
  // The clip script gives the display its width and height itself, so the wrapper does not
  // scale it a second time.
  double GetXScale() const override { return 1.0; }
  double GetYScale() const override { return 1.0; }
  void AttachScript(PlaceObject2Tag& placement) override;
};

// The artwork's clip "progress" holds a mask (its first placement with a clip depth), the
// background "ldrbg" and the clip "segs" with one segment "seg1". The build stretches the
// mask to the display's width and copies "seg1" as often as the width needs; the clip script
// shows as many segments as the fraction loaded allows. The sprite keeps its natural width.
class BarSegDisplay : public PreloaderDisplay {
 public:
  BarSegDisplay() { ResetTypeDefaults(); }

  int32_t GetWidth() const override { return GetBaseWidth(); }
  double GetXScale() const override { return 1.0; }
  void ResetTypeDefaults() override;
  // "seg_width": the width of one segment in pixels.
  void ReadTypeDescription(const MovieVariableReader& reader) override;
  bool CheckDescription(std::string& why) const override;
  void AttachScript(PlaceObject2Tag& placement) override;

  int32_t GetSegWidth() const { return segWidth_; }
  int32_t GetSegPitch() const { return segPitch_; }
  int32_t GetSegCount() const { return segCount_; }

 protected:
  bool AdjustArtwork(DisplayArtwork& artwork) override;

 private:
  // Pitch and count from the segment width and the current width.
  void ComputeSegments();

  int32_t segWidth_ = 0;
  int32_t segPitch_ = 40;
  int32_t segCount_ = 5;
};
