#include "preloader/RemovalEffect.h"

#include <algorithm>
#include <cmath>

#include "platform/XmlDocument.h"
#include "platform/XmlWriter.h"
#include "preloader/MotionTween.h"
#include "preloader/ProjectTypes.h"
#include "swf/DisplayListTags.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SwfBasicRecords.h"
#include "swf/SwfFileWriter.h"

int32_t RemovalEffect::DurationToFrames(int32_t ms, double framesPerSecond) {
  const double frames = static_cast<double>(ms) / 1000.0 * framesPerSecond;
  if (!(frames > -2147483648.0 && frames < 2147483648.0)) return 0;
  return static_cast<int32_t>(frames);
}

void RemovalEffect::AddExitFrames(SwfFileWriter&, uint16_t, int32_t, int32_t) {}

void ExitEffect::AddExitFrames(SwfFileWriter& writer, uint16_t depth, int32_t x, int32_t y) {
  const int32_t steps = DurationToFrames(GetDuration(), writer.GetFrameRate());
  TweenState state;
  state.flags = TweenState::kMove | TweenState::kColorTransform;
  // From where the loader stands (the stage origin unless the project moves it).
  state.startX = x;
  state.startY = y;
  state.endX = x + dx_ * (writer.GetStageWidth() / 2);
  state.endY = y + dy_ * (writer.GetStageHeight() / 2);
  state.startColorMultiply[3] = 1.0;
  state.endColorMultiply[3] = 0.0;
  int frames = 0;
  TweenSpriteFrames(writer, state, depth, frames, steps, -80);
}

void FadeOutEffect::AddExitFrames(SwfFileWriter& writer, uint16_t depth, int32_t, int32_t) {
  const int32_t steps = DurationToFrames(GetDuration(), writer.GetFrameRate());
  double alpha = 1.0;
  for (int32_t i = 0; i < steps; ++i) {
    alpha = std::max(0.0, alpha - 1.0 / steps);
    auto place = std::make_unique<PlaceObject2Tag>();
    place->move = true;
    place->depth = depth;
    auto transform = std::make_unique<SwfCxformWithAlpha>();
    transform->SetAlphaMultiplier(alpha);
    place->SetColorTransform(std::move(transform));
    writer.AddTag(std::move(place));
    writer.AddTag(std::make_unique<ShowFrameTag>());
  }
}

bool RemovalEffect::WriteXml(XmlWriter& w) const {
  projectxml::Text(w, L"name", name_);
  projectxml::Int(w, L"duration", duration_);
  return true;
}

bool RemovalEffect::ReadXml(const XmlElement& element) {
  projectxml::Attributes a;
  int32_t ms = 0;
  if (a.Load(element) && a.Int("duration", ms)) SetDuration(ms);
  return true;
}

void RemovalEffectLibrary::Fill() {
  effects_.clear();
  effects_.push_back(std::make_unique<RemovalEffect>());
  effects_.push_back(std::make_unique<ExitBottomEffect>());
  effects_.push_back(std::make_unique<ExitLeftEffect>());
  effects_.push_back(std::make_unique<ExitRightEffect>());
  effects_.push_back(std::make_unique<ExitTopEffect>());
  effects_.push_back(std::make_unique<FadeOutEffect>());
}

RemovalEffect* RemovalEffectLibrary::FindByName(const WideString& name) const {
  const int index = IndexOf(name);
  return index < 0 ? nullptr : effects_[static_cast<size_t>(index)].get();
}

int RemovalEffectLibrary::IndexOf(const WideString& name) const {
  for (size_t i = 0; i < effects_.size(); ++i)
    if (effects_[i]->GetName() == name) return static_cast<int>(i);
  return -1;
}

RemovalEffect* RemovalEffectLibrary::ReadXml(const XmlElement& element) const {
  projectxml::Attributes a;
  WideString name;
  if (!a.Load(element) || !a.Text("name", name)) return nullptr;
  return FindByName(name);
}

RemovalEffect* RemovalEffectLibrary::Get(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= effects_.size()) return nullptr;
  return effects_[static_cast<size_t>(index)].get();
}
