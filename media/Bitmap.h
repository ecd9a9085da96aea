// The in-memory raster image: 24-bit R G B or 32-bit R G B A pixels, rows top-down without
// padding, and the exchange of pixels with 32-bit A R G B off-screen surfaces.
//
// Every size is computed in size_t and checked: an image has at most kMaxBitmapSide pixels on a
// side and kMaxBitmapPixels in all, so a buffer is never sized from a wrapped product and the
// decoders never allocate more than such an image needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/OffscreenGWorld.h"
#include "platform/WideString.h"

inline constexpr uint32_t kMaxBitmapSide = 65535;
inline constexpr uint64_t kMaxBitmapPixels = uint64_t{1} << 26;

// width x height x bytesPerPixel when the image is within the limits above and the product
// fits in size_t; false otherwise (bytes is then 0).
bool BitmapByteCount(uint64_t width, uint64_t height, unsigned bytesPerPixel, size_t& bytes);

class Bitmap {
 public:
  Bitmap() = default;
  virtual ~Bitmap();
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  // Deletes the pixels; size 0 (the dimensions stay).
  virtual void Free();
  // The base class can load nothing: false.
  virtual bool Load(const WideString& path);
  // Writes the image into a 32-bit surface with its top-left at (x, y), clipped to the
  // surface: R G B A becomes A R G B, R G B becomes 255 R G B. Parts of the image left or
  // above the surface (negative x or y) are clipped too. False when there is no surface or
  // no pixels.
  virtual bool DrawToGWorld(GWorldPtr world, int x, int y) const;
  // Copies this 24-bit image into a 24-bit destination at (x, y). False, with nothing
  // copied, unless both are 24-bit and the rectangle lies inside the destination.
  virtual bool CopyInto(Bitmap& destination, int x, int y) const;

  // Frees, stores the dimensions and makes a buffer of width x height x bits / 8 bytes:
  // uninitialised when pixels is null, else a copy of that many bytes from pixels. False
  // (with nothing allocated) for bits other than 24 and 32, for sizes beyond the limits or
  // when memory runs out.
  bool Allocate(uint32_t width, uint32_t height, int bitsPerPixel, const uint8_t* pixels = nullptr);
  // The same, adopting a buffer of exactly width x height x bits / 8 bytes.
  bool Adopt(uint32_t width, uint32_t height, int bitsPerPixel, std::unique_ptr<uint8_t[]> pixels);
  // Allocate with the other's dimensions and a copy of its pixels.
  bool CopyFrom(const Bitmap& other);
  // Reads a surface's colour into 24-bit pixels (bytes 1, 2, 3 of each A R G B pixel).
  // False when there is no surface.
  bool CaptureGWorld(const OffscreenGWorld* world);

  uint32_t Width() const { return width_; }
  uint32_t Height() const { return height_; }
  int BitsPerPixel() const { return bitsPerPixel_; }
  size_t Size() const { return size_; }
  const uint8_t* Pixels() const { return pixels_.get(); }
  uint8_t* Pixels() { return pixels_.get(); }
  // Hands the buffer to the caller; the bitmap is left without pixels.
  std::unique_ptr<uint8_t[]> TakePixels();

 protected:
  size_t size_ = 0;
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  int bitsPerPixel_ = 0;
  std::unique_ptr<uint8_t[]> pixels_;
};
