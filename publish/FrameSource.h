// Where the frame export gets its pictures: a movie rendered at a given time. The real source
// plays the movie in the player; tests use a synthetic one.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/WideString.h"

class FrameSource {
 public:
  virtual ~FrameSource() = default;
  // The size of the frames rendered, in pixels.
  virtual uint32_t Width() const = 0;
  virtual uint32_t Height() const = 0;
  // Units of time a second, and the movie's length in them.
  virtual uint32_t TimeScale() const = 0;
  virtual uint32_t Duration() const = 0;
  // Renders the movie at the time into Width() x Height() pixels of 4 bytes (red, green, blue,
  // alpha), rows packed, top row first. False when it can't.
  virtual bool Render(uint32_t time, uint8_t* rgba) = 0;
};

class FrameSourceFactory {
 public:
  virtual ~FrameSourceFactory() = default;
  // A source for the movie file rendered at the size given; with `alpha` the stage's
  // background is transparent. Null when the movie can't be opened.
  virtual std::unique_ptr<FrameSource> Open(const WideString& moviePath, uint32_t width, uint32_t height,
                                            bool alpha) = 0;
};
