// Off-screen pixel buffers: a 32-bit surface whose pixels lie in memory as the bytes
// A R G B (alpha first, then red, green, blue), rows top first, `RowBytes()` apart. Code that
// reads the colour bytes of a pixel reads bytes 1, 2 and 3 of its four.
//
// A new surface is opaque white, with black as the foreground and white as the background
// colour.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

struct RGBColor {
  uint16_t red = 0;
  uint16_t green = 0;
  uint16_t blue = 0;
};

class OffscreenGWorld {
 public:
  static constexpr int kMaxSide = 32767;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Depth() const { return 32; }
  size_t RowBytes() const { return rowBytes_; }
  uint8_t* Pixels() { return pixels_.get(); }
  const uint8_t* Pixels() const { return pixels_.get(); }
  uint8_t* Row(int y) { return pixels_.get() + static_cast<size_t>(y) * rowBytes_; }
  const uint8_t* Row(int y) const { return pixels_.get() + static_cast<size_t>(y) * rowBytes_; }

  // 0xAARRGGBB; 0 outside the surface.
  uint32_t GetPixel(int x, int y) const;
  // Ignored outside the surface.
  void SetPixel(int x, int y, uint32_t argb);
  // Fills the rectangle [left, right) x [top, bottom), clipped to the surface.
  void FillRect(int left, int top, int right, int bottom, uint32_t argb);

  RGBColor foreground;                          // black
  RGBColor background{0xFFFF, 0xFFFF, 0xFFFF};  // white

 private:
  friend bool CreateOffscreenGWorld(OffscreenGWorld** world, int width, int height, int depth);
  int width_ = 0;
  int height_ = 0;
  size_t rowBytes_ = 0;
  std::unique_ptr<uint8_t[]> pixels_;
};

using GWorldPtr = OffscreenGWorld*;

// Makes a surface of width x height pixels (each 1 to 32767) for the depth 32 (24 is kept
// as 32 bits too). False, with *world null, for other depths, sizes or when memory runs out.
bool CreateOffscreenGWorld(GWorldPtr* world, int width, int height, int depth);
// Frees the surface and clears the caller's pointer; true.
bool DisposeOffscreenGWorld(GWorldPtr* world);

// A record of pixel depths: InitBitDepthRecord sets the first two fields to the bit count of
// the code (0: 8, 1: 16, 2: 24, 3: 32, 4: 64) and clears the last two; an unknown code clears
// only the last two.
struct BitDepthRecord {
  int32_t bits = 0;
  int32_t bitsAgain = 0;
  int32_t reserved1 = 0;
  int32_t reserved2 = 0;
  void Init(int code);
};
