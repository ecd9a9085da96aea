// The motion tween: a start state and an end state of one placed object (position, scale,
// rotation, alpha) turned into placements that move it from one to the other, one per frame.
// The removal effects write the frames straight onto the main timeline; the text effects put
// them into the frames of a letter sprite.
#pragma once

#include <cstdint>

class DefineSpriteTag;
class SwfFileWriter;

struct TweenState {
  enum Flags : int32_t { kMove = 1, kScale = 2, kRotate = 4, kColorTransform = 8 };

  // Copies the other state's end values into this state's start values: position, scales,
  // rotations and every colour term. Flags and end values stay.
  void StartFromEndOf(const TweenState& other);

  int32_t flags = 0;
  int32_t startX = 0, startY = 0;  // twips
  int32_t endX = 0, endY = 0;
  double startScaleX = 1.0, startScaleY = 1.0;
  double endScaleX = 1.0, endScaleY = 1.0;
  double startRotationX = 0, startRotationY = 0;  // degrees
  double endRotationX = 0, endRotationY = 0;
  // Red, green, blue, alpha. Only the alpha multipliers are tweened; the rest is carried.
  int32_t startColorAdd[4] = {0, 0, 0, 0};
  int32_t endColorAdd[4] = {0, 0, 0, 0};
  double startColorMultiply[4] = {1.0, 1.0, 1.0, 1.0};
  double endColorMultiply[4] = {1.0, 1.0, 1.0, 1.0};
};

// Easing by its sign: below 0 quadratic ease-in, 0 linear, above 0 quadratic ease-out.
//
// Writes `steps` frames, each a PlaceObject2 that moves the object at the depth and a
// ShowFrame, adding 1 to `frameCounter` per frame; returns the number written (0 for steps
// of 0 or less). The last frame stands on the end state.
int TweenSpriteFrames(SwfFileWriter& writer, const TweenState& state, uint16_t depth, int& frameCounter, int steps,
                      int easing);
// The same placements put into the sprite, one into each frame from `frameIndex` on (0-based;
// the sprite grows as needed); `frameIndex` ends one past the last frame written.
void TweenPlacements(DefineSpriteTag& sprite, const TweenState& state, uint16_t depth, int& frameIndex, int steps,
                     int easing);
