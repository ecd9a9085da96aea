// Removal effects: how the loader leaves the stage once loading is done. The project owns a
// library of the six effects and points at the chosen one; the choice and its duration are
// saved in the "preloader_fx_remove" element.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/WideString.h"

class SwfFileWriter;
class XmlWriter;
class XmlElement;

class RemovalEffect {
 public:
  // The base effect "Remove": the loader simply vanishes.
  RemovalEffect() : RemovalEffect(L"Remove", 0) {}
  virtual ~RemovalEffect() = default;
  RemovalEffect(const RemovalEffect&) = delete;
  RemovalEffect& operator=(const RemovalEffect&) = delete;

  // Writes the effect's frames onto the main timeline, each ending in a ShowFrame, moving the
  // loader at the depth; (x, y) is where the loader stands, in twips. The frame rate and the
  // stage size are the writer's. "Remove" writes none: the loader vanishes at "loaderdone".
  virtual void AddExitFrames(SwfFileWriter& writer, uint16_t depth, int32_t x, int32_t y);
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

// The timed effects: 1000 ms after construction and after Reset.
class TimedRemovalEffect : public RemovalEffect {
 public:
  void Reset() override { SetDuration(1000); }

 protected:
  explicit TimedRemovalEffect(const wchar_t* name) : RemovalEffect(WideString(name), 1000) {}
};

// Moves the loader away by half the stage (down, left, right or up), fading it out, with a
// quadratic ease-in.
class ExitEffect : public TimedRemovalEffect {
 public:
  void AddExitFrames(SwfFileWriter& writer, uint16_t depth, int32_t x, int32_t y) override;

 protected:
  // The direction in halves of the stage's width and height.
  ExitEffect(const wchar_t* name, int dx, int dy) : TimedRemovalEffect(name), dx_(dx), dy_(dy) {}

 private:
  int dx_, dy_;
};

class ExitBottomEffect : public ExitEffect {
 public:
  ExitBottomEffect() : ExitEffect(L"Exit Bottom", 0, 1) {}
};
class ExitLeftEffect : public ExitEffect {
 public:
  ExitLeftEffect() : ExitEffect(L"Exit Left", -1, 0) {}
};
class ExitRightEffect : public ExitEffect {
 public:
  ExitRightEffect() : ExitEffect(L"Exit Right", 1, 0) {}
};
class ExitTopEffect : public ExitEffect {
 public:
  ExitTopEffect() : ExitEffect(L"Exit Top", 0, -1) {}
};

// Lowers the loader's alpha in equal steps to 0, without moving it.
class FadeOutEffect : public TimedRemovalEffect {
 public:
  FadeOutEffect() : TimedRemovalEffect(L"Fade Out") {}
  void AddExitFrames(SwfFileWriter& writer, uint16_t depth, int32_t x, int32_t y) override;
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
