#include "platform/OffscreenGWorld.h"

#include <algorithm>
#include <new>

uint32_t OffscreenGWorld::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const uint8_t* p = Row(y) + static_cast<size_t>(x) * 4;
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void OffscreenGWorld::SetPixel(int x, int y, uint32_t argb) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  uint8_t* p = Row(y) + static_cast<size_t>(x) * 4;
  p[0] = uint8_t(argb >> 24);
  p[1] = uint8_t(argb >> 16);
  p[2] = uint8_t(argb >> 8);
  p[3] = uint8_t(argb);
}

void OffscreenGWorld::FillRect(int left, int top, int right, int bottom, uint32_t argb) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, width_);
  bottom = std::min(bottom, height_);
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) SetPixel(x, y, argb);
  }
}

bool CreateOffscreenGWorld(GWorldPtr* world, int width, int height, int depth) {
  if (!world) return false;
  *world = nullptr;
  if (depth != 32 && depth != 24) return false;
  if (width < 1 || height < 1 || width > OffscreenGWorld::kMaxSide || height > OffscreenGWorld::kMaxSide) return false;
  auto* w = new (std::nothrow) OffscreenGWorld();
  if (!w) return false;
  w->width_ = width;
  w->height_ = height;
  w->rowBytes_ = static_cast<size_t>(width) * 4;
  const size_t bytes = w->rowBytes_ * static_cast<size_t>(height);
  w->pixels_.reset(new (std::nothrow) uint8_t[bytes]);
  if (!w->pixels_) {
    delete w;
    return false;
  }
  std::fill(w->pixels_.get(), w->pixels_.get() + bytes, uint8_t{0xFF});
  *world = w;
  return true;
}

bool DisposeOffscreenGWorld(GWorldPtr* world) {
  if (world) {
    delete *world;
    *world = nullptr;
  }
  return true;
}

void BitDepthRecord::Init(int code) {
  static const int32_t kBits[] = {8, 16, 24, 32, 64};
  if (code >= 0 && code < 5) bits = bitsAgain = kBits[code];
  reserved1 = reserved2 = 0;
}
