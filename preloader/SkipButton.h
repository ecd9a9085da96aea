// Skip buttons: a button taken from a skip-button movie and placed in the loader, so that the
// viewer can leave the preloader early. The movie places the button on its main timeline as
// the instance "skip_btn": a button, or a sprite holding one. No command chooses a skip button
// yet; the project keeps the list and a pointer for the generator.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/WideString.h"

class SwfFileWriter;

class SkipButton {
 public:
  explicit SkipButton(const WideString& path = WideString()) : path_(path) {}

  const WideString& GetPath() const { return path_; }
  // The current size over the natural size (1 while the natural size is unknown).
  double GetXScale() const { return baseWidth_ > 0 ? static_cast<double>(width_) / baseWidth_ : 1.0; }
  double GetYScale() const { return baseHeight_ > 0 ? static_cast<double>(height_) / baseHeight_ : 1.0; }

  // Writes the button of the movie with everything it needs, past the ids up to `lastId`,
  // and returns its id in the output; `lastId` then lies above every id written. The first
  // button among them gets one action for its release, which ends the loader as a completed
  // load does (the loader's last frame plays the main timeline on). 0, with `why` and nothing
  // written, when the movie cannot be read, has no "skip_btn", or its ids do not fit.
  uint16_t BuildDefinitions(SwfFileWriter& writer, uint16_t& lastId, std::string& why) const;

 private:
  WideString path_;
  int32_t baseWidth_ = 0, baseHeight_ = 0;  // pixels
  int32_t width_ = 0, height_ = 0;
  WideString label_;
};

class SkipButtonList {
 public:
  void Add(std::unique_ptr<SkipButton> button) { buttons_.push_back(std::move(button)); }
  int GetCount() const { return static_cast<int>(buttons_.size()); }
  SkipButton* Get(int index) const {
    return index < 0 || static_cast<size_t>(index) >= buttons_.size() ? nullptr
                                                                      : buttons_[static_cast<size_t>(index)].get();
  }

 private:
  std::vector<std::unique_ptr<SkipButton>> buttons_;
};
