// Two displays whose artwork animates by itself or by frame number: an animation that plays
// on its own (and may hold the loader until it has played), and artwork with one frame per
// percent loaded. Their clip scripts reach the loader's variables through "_parent._parent".
#pragma once

#include <cstdint>

#include "preloader/PreloaderDisplay.h"

// The artwork plays on its own; "ldrfg" and "ldrbg" take the colour pair. A library movie
// that declares "var_anm" N has the display set the loader's anm to N when it loads; the
// loader then waits at the end until the artwork's own scripts have lowered anm to 0.
class AnimationDisplay : public ColorPairDisplay {
 public:
  AnimationDisplay() { ResetTypeDefaults(); }
  void ResetTypeDefaults() override;
  void ReadTypeDescription(const MovieVariableReader& reader) override;
  void AttachScript(PlaceObject2Tag& placement) override;

  int32_t GetAnmCount() const { return anmCount_; }

 protected:
  // The colour pair; and a library movie that would raise anm while none of its scripts
  // names anm is built without raising it, with a warning (the loader would wait forever).
  bool AdjustArtwork(DisplayArtwork& artwork) override;

 private:
  int32_t anmCount_ = 0;
  bool artworkLowersAnm_ = true;
};

// The artwork's clip "progress" (or, with "type_sub" "animate_ldrfg", its inner clip
// "ldrfg") holds one frame per percent: the clip script shows frame n at n percent loaded.
// Colours either recolour "ldrfg" and "ldrbg" ("var_fgcolor", "var_bgcolor") or reach the
// artwork's scripts as percentages of each component ("var_fgcolor_as", "var_bgcolor_as":
// fgr, fgg, fgb and bgr, bgg, bgb in "progress").
class FrameBasedDisplay : public ColorPairDisplay {
 public:
  FrameBasedDisplay() { ResetTypeDefaults(); }
  void ResetTypeDefaults() override;
  void ReadTypeDescription(const MovieVariableReader& reader) override;
  void AttachScript(PlaceObject2Tag& placement) override;

  bool IsFgScriptColor() const { return fgScript_; }
  bool IsBgScriptColor() const { return bgScript_; }
  bool IsAnimateLdrfg() const { return animateLdrfg_; }
  // Whether the display has a row for the colour (recoloured or handed to scripts).
  bool HasFgColor() const { return fgScript_ || IsFgRecolored(); }
  bool HasBgColor() const { return bgScript_ || IsBgRecolored(); }

 protected:
  bool AdjustArtwork(DisplayArtwork& artwork) override;
  bool HasFgRow() const override { return HasFgColor(); }
  bool HasBgRow() const override { return HasBgColor(); }

 private:
  bool fgScript_ = false;
  bool bgScript_ = false;
  bool animateLdrfg_ = false;
};
