#include "preloader/MotionTween.h"

#include <cmath>
#include <memory>

#include "platform/Easing.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DisplayListTags.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SwfBasicRecords.h"
#include "swf/SwfFileWriter.h"

void TweenState::StartFromEndOf(const TweenState& other) {
  startX = other.endX;
  startY = other.endY;
  startScaleX = other.endScaleX;
  startScaleY = other.endScaleY;
  startRotationX = other.endRotationX;
  startRotationY = other.endRotationY;
  for (int i = 0; i < 4; ++i) {
    startColorAdd[i] = other.endColorAdd[i];
    startColorMultiply[i] = other.endColorMultiply[i];
  }
}

namespace {

// The seven tweened values, stepped from the start state to the end state.
class TweenSteps {
 public:
  enum { kX, kY, kScaleX, kScaleY, kRotationX, kRotationY, kAlpha, kCount };

  TweenSteps(const TweenState& state, int steps, int easing) : steps_(steps), easing_(easing) {
    start_[kX] = state.startX;
    start_[kY] = state.startY;
    start_[kScaleX] = state.startScaleX;
    start_[kScaleY] = state.startScaleY;
    start_[kRotationX] = state.startRotationX;
    start_[kRotationY] = state.startRotationY;
    start_[kAlpha] = state.startColorMultiply[3];
    end_[kX] = state.endX;
    end_[kY] = state.endY;
    end_[kScaleX] = state.endScaleX;
    end_[kScaleY] = state.endScaleY;
    end_[kRotationX] = state.endRotationX;
    end_[kRotationY] = state.endRotationY;
    end_[kAlpha] = state.endColorMultiply[3];
    for (int v = 0; v < kCount; ++v) value_[v] = start_[v];
  }

  // Moves to step i (1..steps, called in order).
  void Step(int i) {
    for (int v = 0; v < kCount; ++v) {
      const double change = end_[v] - start_[v];
      if (easing_ < 0)
        value_[v] = EaseInQuad(i, start_[v], change, steps_);
      else if (easing_ > 0)
        value_[v] = EaseOutQuad(i, start_[v], change, steps_);
      else
        value_[v] += change / steps_;
    }
  }
  double operator[](int v) const { return value_[v]; }

 private:
  int steps_;
  int easing_;
  double start_[kCount];
  double end_[kCount];
  double value_[kCount];
};

// A 16.16 matrix term as the tween stores it.
int32_t Fixed(double value) { return static_cast<int32_t>(value * 65536 + 0.5); }

// Angles and their sines and cosines in single precision.
float Radians(double degrees) { return static_cast<float>(degrees) * 0.017453292519943295f; }

int32_t Truncated(double twips) {
  if (!(twips > -2147483648.0 && twips < 2147483648.0)) return twips < 0 ? INT32_MIN : INT32_MAX;
  return static_cast<int32_t>(twips);
}

std::unique_ptr<PlaceObject2Tag> Placement(const TweenState& state, const TweenSteps& at, uint16_t depth) {
  auto place = std::make_unique<PlaceObject2Tag>();
  place->move = true;
  place->depth = depth;
  auto matrix = std::make_unique<SwfMatrix>();
  const double scaleX = at[TweenSteps::kScaleX];
  const double scaleY = at[TweenSteps::kScaleY];
  const double rotationX = at[TweenSteps::kRotationX];
  const double rotationY = at[TweenSteps::kRotationY];
  const auto setRotation = [&](double angleX, double angleY) {
    matrix->SetRotateSkew0(Fixed(std::sin(Radians(angleX)) * scaleX), true);
    matrix->SetRotateSkew1(Fixed(-std::sin(Radians(angleY)) * scaleY), true);
  };
  if (state.flags & TweenState::kRotate)
    setRotation(rotationX, rotationY);
  else if (state.startRotationX != 0 || state.startRotationY != 0)
    setRotation(state.startRotationX, state.startRotationY);
  if (state.flags & TweenState::kScale) {
    matrix->scaleX = Fixed(rotationX != 0 ? std::cos(Radians(rotationX)) * scaleX : scaleX);
    matrix->scaleY = Fixed(rotationY != 0 ? std::cos(Radians(rotationY)) * scaleY : scaleY);
    matrix->hasScale = true;
  }
  if (state.flags & TweenState::kMove) {
    matrix->translateX = Truncated(at[TweenSteps::kX]);
    matrix->translateY = Truncated(at[TweenSteps::kY]);
  } else {
    matrix->translateX = state.startX;
    matrix->translateY = state.startY;
  }
  if (state.flags & (TweenState::kMove | TweenState::kScale)) place->SetMatrix(std::move(matrix));
  if (state.flags & TweenState::kColorTransform) {
    auto transform = std::make_unique<SwfCxformWithAlpha>();
    transform->SetAlphaMultiplier(at[TweenSteps::kAlpha]);
    place->SetColorTransform(std::move(transform));
  }
  return place;
}

}  // namespace

int TweenSpriteFrames(SwfFileWriter& writer, const TweenState& state, uint16_t depth, int& frameCounter, int steps,
                      int easing) {
  if (steps <= 0) return 0;
  TweenSteps at(state, steps, easing);
  for (int i = 1; i <= steps; ++i) {
    at.Step(i);
    writer.AddTag(Placement(state, at, depth));
    writer.AddTag(std::make_unique<ShowFrameTag>());
    ++frameCounter;
  }
  return steps;
}

void TweenPlacements(DefineSpriteTag& sprite, const TweenState& state, uint16_t depth, int& frameIndex, int steps,
                     int easing) {
  if (steps <= 0) return;
  TweenSteps at(state, steps, easing);
  for (int i = 1; i <= steps; ++i) {
    at.Step(i);
    sprite.AddTagToFrame(Placement(state, at, depth), frameIndex);
    ++frameIndex;
  }
}
