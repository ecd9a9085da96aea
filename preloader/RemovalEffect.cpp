#include "preloader/RemovalEffect.h"

#include <cmath>

#include "platform/XmlDocument.h"
#include "platform/XmlWriter.h"
#include "preloader/ProjectTypes.h"

namespace {

// An effect that takes time; its frames are the base's until the effect types are built
// on it.
class TimedRemovalEffect : public RemovalEffect {
 public:
  explicit TimedRemovalEffect(const wchar_t* name) : RemovalEffect(WideString(name), 1000) {}
  void Reset() override { SetDuration(1000); }
};

}  // namespace

int32_t RemovalEffect::DurationToFrames(int32_t ms, double framesPerSecond) {
  const double frames = static_cast<double>(ms) / 1000.0 * framesPerSecond;
  if (!(frames > -2147483648.0 && frames < 2147483648.0)) return 0;
  return static_cast<int32_t>(frames);
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
  for (const wchar_t* name : {L"Exit Bottom", L"Exit Left", L"Exit Right", L"Exit Top", L"Fade Out"})
    effects_.push_back(std::make_unique<TimedRemovalEffect>(name));
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
