// Removal effects: how the loader leaves the stage once loading is done. The project owns a
// library of the six effects and points at the chosen one; the choice and its duration are
// saved in the "preloader_fx_remove" element.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/WideString.h"

class XmlWriter;
class XmlElement;

class RemovalEffect {
 public:
  // The base effect "Remove": the loader simply vanishes.
  RemovalEffect() : RemovalEffect(L"Remove", 0) {}
  virtual ~RemovalEffect() = default;
  RemovalEffect(const RemovalEffect&) = delete;
  RemovalEffect& operator=(const RemovalEffect&) = delete;

  // The duration of a new effect (1000 ms for the moving and fading effects).
  virtual void Reset() {}

  const WideString& GetName() const { return name_; }
  int32_t GetDuration() const { return duration_; }
  // Milliseconds; no range check, no change counted.
  int SetDuration(int32_t ms) {
    duration_ = ms;
    return 1;
  }
  // Milliseconds at a frame rate as whole frames (truncated).
  static int32_t DurationToFrames(int32_t ms, double framesPerSecond);

  // The "name" and "duration" attributes.
  bool WriteXml(XmlWriter& writer) const;
  // The duration from "duration" when present.
  bool ReadXml(const XmlElement& element);

 protected:
  RemovalEffect(const WideString& name, int32_t duration) : name_(name), duration_(duration) {}

 private:
  WideString name_;
  int32_t duration_;
};

class RemovalEffectLibrary {
 public:
  RemovalEffectLibrary() = default;
  RemovalEffectLibrary(const RemovalEffectLibrary&) = delete;
  RemovalEffectLibrary& operator=(const RemovalEffectLibrary&) = delete;

  // "Remove", "Exit Bottom", "Exit Left", "Exit Right", "Exit Top", "Fade Out".
  void Fill();
  RemovalEffect* FindByName(const WideString& name) const;
  int IndexOf(const WideString& name) const;
  // The entry named by the element's "name", or null.
  RemovalEffect* ReadXml(const XmlElement& element) const;

  int GetCount() const { return static_cast<int>(effects_.size()); }
  RemovalEffect* Get(int index) const;

 private:
  std::vector<std::unique_ptr<RemovalEffect>> effects_;
};
