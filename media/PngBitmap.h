// PNG through libpng: decoding of a file or of a block in memory into 24-bit R G B or 32-bit
// R G B A pixels, and writing a 32-bit surface as an 8-bit R G B PNG file.
//
// Decoding expands palettes, low bit depths and transparency chunks to 8-bit channels, strips
// 16-bit samples to 8, turns grey into R G B, composites over the file's bKGD colour when it has
// one and corrects for its gAMA chunk; interlaced images are read through every pass. Every
// failure the library reports, data that ends early, and an image the data cannot hold (more
// pixels than its compressed bytes can give, or beyond the size limits) come back as false.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "media/Bitmap.h"

struct PngBackgroundColor {
  uint16_t red = 0;
  uint16_t green = 0;
  uint16_t blue = 0;
};

class PngBitmap : public Bitmap {
 public:
  PngBitmap() = default;
  ~PngBitmap() override;

  // Releases the pixels, the alpha plane and the background colour.
  void Free() override;
  bool Load(const WideString& path) override { return LoadFile(path); }

  // Decodes a whole PNG of `length` bytes. False for no data, a wrong signature or any
  // failure; the bitmap is then empty.
  bool DecodeFromMemory(const uint8_t* data, size_t length);
  // Reads the file (at most kMaxPngFileBytes) and decodes it.
  bool LoadFile(const WideString& path);

  static constexpr size_t kMaxPngFileBytes = size_t{256} << 20;

  // As the header states (libpng's codes).
  int ColorType() const { return colorType_; }
  int InterlaceType() const { return interlaceType_; }
  int CompressionType() const { return compressionType_; }
  int FilterType() const { return filterType_; }
  // Channels of the decoded pixels: 3 or 4.
  int Channels() const { return channels_; }
  // The bKGD colour, when the file has one.
  const std::optional<PngBackgroundColor>& Background() const { return background_; }
  // width x height alpha bytes of a 4-channel image; null otherwise.
  const uint8_t* AlphaPlane() const { return alpha_.get(); }

 private:
  int colorType_ = 0;
  int interlaceType_ = 0;
  int compressionType_ = 0;
  int filterType_ = 0;
  int channels_ = 0;
  std::optional<PngBackgroundColor> background_;
  std::unique_ptr<uint8_t[]> alpha_;
};

// Writes the surface's colour (bytes 1, 2, 3 of each A R G B pixel) as an 8-bit R G B PNG,
// compression level 9, replacing the file safely (a temporary beside it, renamed over it).
// False when there is no surface or anything fails; the old file then stays as it was.
bool WriteGWorldAsPng(const OffscreenGWorld* world, const WideString& path);
