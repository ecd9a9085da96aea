#include "media/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <new>

bool BitmapByteCount(uint64_t width, uint64_t height, unsigned bytesPerPixel, size_t& bytes) {
  bytes = 0;
  if (width > kMaxBitmapSide || height > kMaxBitmapSide) return false;
  const uint64_t pixels = width * height;  // both at most 2^16: no wrap
  if (pixels > kMaxBitmapPixels || bytesPerPixel > 16) return false;
  bytes = static_cast<size_t>(pixels * bytesPerPixel);
  return true;
}

Bitmap::~Bitmap() = default;

void Bitmap::Free() {
  pixels_.reset();
  size_ = 0;
}

bool Bitmap::Load(const WideString&) { return false; }

bool Bitmap::Allocate(uint32_t width, uint32_t height, int bitsPerPixel, const uint8_t* pixels) {
  Free();
  size_t bytes = 0;
  if ((bitsPerPixel != 24 && bitsPerPixel != 32) || !BitmapByteCount(width, height, bitsPerPixel / 8, bytes)) {
    return false;
  }
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[bytes == 0 ? 1 : bytes]);
  if (!buffer) return false;
  if (pixels != nullptr && bytes > 0) std::memcpy(buffer.get(), pixels, bytes);
  return Adopt(width, height, bitsPerPixel, std::move(buffer));
}

bool Bitmap::Adopt(uint32_t width, uint32_t height, int bitsPerPixel, std::unique_ptr<uint8_t[]> pixels) {
  Free();
  size_t bytes = 0;
  if ((bitsPerPixel != 24 && bitsPerPixel != 32) || !BitmapByteCount(width, height, bitsPerPixel / 8, bytes) ||
      !pixels) {
    return false;
  }
  width_ = width;
  height_ = height;
  bitsPerPixel_ = bitsPerPixel;
  size_ = bytes;
  pixels_ = std::move(pixels);
  return true;
}

bool Bitmap::CopyFrom(const Bitmap& other) {
  if (&other == this) return true;
  if (!other.pixels_) {
    Free();
    return false;
  }
  return Allocate(other.width_, other.height_, other.bitsPerPixel_, other.pixels_.get());
}

std::unique_ptr<uint8_t[]> Bitmap::TakePixels() {
  size_ = 0;
  return std::move(pixels_);
}

bool Bitmap::CaptureGWorld(const OffscreenGWorld* world) {
  if (world == nullptr || world->Pixels() == nullptr) return false;
  const uint32_t w = static_cast<uint32_t>(world->Width());
  const uint32_t h = static_cast<uint32_t>(world->Height());
  if (!(bitsPerPixel_ == 24 && width_ == w && height_ == h && pixels_)) {
    if (!Allocate(w, h, 24)) return false;
  }
  uint8_t* out = pixels_.get();
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* row = world->Row(static_cast<int>(y));
    for (uint32_t x = 0; x < w; ++x) {
      *out++ = row[x * 4 + 1];
      *out++ = row[x * 4 + 2];
      *out++ = row[x * 4 + 3];
    }
  }
  return true;
}

bool Bitmap::DrawToGWorld(GWorldPtr world, int x, int y) const {
  if (world == nullptr || world->Pixels() == nullptr || !pixels_) return false;
  const int64_t left = std::max<int64_t>(0, x);
  const int64_t top = std::max<int64_t>(0, y);
  const int64_t right = std::min<int64_t>(world->Width(), int64_t{x} + width_);
  const int64_t bottom = std::min<int64_t>(world->Height(), int64_t{y} + height_);
  const size_t bytes = static_cast<size_t>(bitsPerPixel_ / 8);
  for (int64_t dy = top; dy < bottom; ++dy) {
    const uint8_t* src = pixels_.get() + (static_cast<size_t>(dy - y) * width_ + static_cast<size_t>(left - x)) * bytes;
    uint8_t* dst = world->Row(static_cast<int>(dy)) + static_cast<size_t>(left) * 4;
    for (int64_t dx = left; dx < right; ++dx, src += bytes, dst += 4) {
      dst[0] = bytes == 4 ? src[3] : 255;
      dst[1] = src[0];
      dst[2] = src[1];
      dst[3] = src[2];
    }
  }
  return true;
}

bool Bitmap::CopyInto(Bitmap& destination, int x, int y) const {
  if (bitsPerPixel_ != 24 || destination.bitsPerPixel_ != 24 || !pixels_ || !destination.pixels_ || x < 0 || y < 0 ||
      uint64_t(x) + width_ > destination.width_ || uint64_t(y) + height_ > destination.height_) {
    return false;
  }
  const size_t rowBytes = size_t{width_} * 3;
  for (uint32_t r = 0; r < height_; ++r) {
    std::memcpy(destination.pixels_.get() + ((static_cast<size_t>(y) + r) * destination.width_ + size_t(x)) * 3,
                pixels_.get() + r * rowBytes, rowBytes);
  }
  return true;
}
