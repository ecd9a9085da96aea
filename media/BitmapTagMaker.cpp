#include "media/BitmapTagMaker.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <vector>

#include "media/Bitmap.h"
#include "media/ColorQuantizer.h"
#include "media/JpegBitmap.h"
#include "media/JpegSectionList.h"
#include "platform/Checksum.h"
#include "platform/FileTypes.h"

namespace {

constexpr long kMaxJpegFileBytes = 256L << 20;

// Dimensions a bitmap tag can state (16 bits each) within the bitmap limits.
bool UsableSize(const uint8_t* pixels, uint32_t width, uint32_t height, unsigned bytesPerPixel, size_t& bytes) {
  return pixels != nullptr && width > 0 && height > 0 && BitmapByteCount(width, height, bytesPerPixel, bytes);
}

bool Compress(const std::vector<uint8_t>& body, std::vector<uint8_t>& out) {
  size_t length = 0;
  std::unique_ptr<unsigned char[]> packed = CompressToNewBuffer(body.data(), body.size(), length);
  if (!packed) return false;
  out.assign(packed.get(), packed.get() + length);
  return true;
}

bool CompressJpeg(const uint8_t* rgb, uint32_t width, uint32_t height, int quality, JpegBitmap::TableMode mode,
                  std::vector<uint8_t>& out) {
  JpegBitmap jpeg;
  jpeg.SetQuality(quality);
  if (!jpeg.Compress(width, height, rgb, mode)) return false;
  out.assign(jpeg.Pixels(), jpeg.Pixels() + jpeg.CompressedSize());
  return true;
}

// Players take the colour of a bitmap with alpha as already multiplied by the alpha (and
// limit it to the alpha), both in DefineBitsJPEG3 and in DefineBitsLossless2.
uint8_t Premultiply(unsigned c, unsigned a) { return static_cast<uint8_t>((c * a + 127) / 255); }

uint8_t To5Bits(uint8_t c) {
  const double v = std::trunc(c * 31.0 / 255.0 + 0.5);
  return static_cast<uint8_t>(v > 31 ? 31 : v);
}

}  // namespace

template <typename T>
std::unique_ptr<T> BitmapTagMaker::Record(std::unique_ptr<T> tag, uint32_t width, uint32_t height) {
  width_ = width;
  height_ = height;
  tag_ = tag.get();
  return tag;
}

void BitmapTagMaker::Release() {
  tag_ = nullptr;
  width_ = 0;
  height_ = 0;
}

std::unique_ptr<DefineBitsJpeg2Tag> BitmapTagMaker::MakeJpegFromPixels(const uint8_t* pixels, uint32_t width,
                                                                       uint32_t height, int quality) {
  size_t bytes = 0;
  std::vector<uint8_t> jpeg;
  if (!UsableSize(pixels, width, height, 3, bytes) ||
      !CompressJpeg(pixels, width, height, quality, JpegBitmap::kWithTables, jpeg)) {
    return nullptr;
  }
  auto tag = std::make_unique<DefineBitsJpeg2Tag>();
  tag->SetData(1, std::move(jpeg));
  return Record(std::move(tag), width, height);
}

std::unique_ptr<DefineBitsJpeg2Tag> BitmapTagMaker::MakeJpegFromFile(const WideString& path, uint32_t width,
                                                                     uint32_t height) {
  FILE* file = OpenStdioFile(path, L"rb");
  if (file == nullptr) return nullptr;
  std::vector<uint8_t> bytes;
  bool ok = std::fseek(file, 0, SEEK_END) == 0;
  const long end = ok ? std::ftell(file) : -1;
  ok = ok && end >= 0 && end <= kMaxJpegFileBytes && std::fseek(file, 0, SEEK_SET) == 0;
  if (ok) {
    bytes.resize(static_cast<size_t>(end));
    ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
  }
  std::fclose(file);
  if (!ok) return nullptr;
  std::vector<uint8_t> jpeg = RebuildJpegWithoutMetadata(bytes.data(), bytes.size());
  if (jpeg.empty()) {
    size_t span = 0;
    const uint8_t* start = FindJpegSoiToEoi(bytes.data(), bytes.size(), span);
    if (start == nullptr) return nullptr;
    jpeg.assign(start, start + span);
  }
  auto tag = std::make_unique<DefineBitsJpeg2Tag>();
  tag->SetData(1, std::move(jpeg));
  return Record(std::move(tag), width, height);
}

std::unique_ptr<DefineBitsLosslessTag> BitmapTagMaker::MakeLossless(const uint8_t* pixels, uint32_t width,
                                                                    uint32_t height, int depth) {
  size_t count = 0;
  if ((depth != 8 && depth != 15 && depth != 24 && depth != 32) || !UsableSize(pixels, width, height, 1, count)) {
    return nullptr;
  }
  std::vector<uint8_t> body;
  uint8_t format = DefineBitsLosslessTag::kRgb32;
  uint8_t tableSize = 0;
  if (depth == 8) {
    format = DefineBitsLosslessTag::kColorMapped;
    uint8_t palette[256 * 4];
    size_t colours = 0;
    std::unique_ptr<uint8_t[]> indices = QuantizeRgbImage(pixels, width, height, 256, palette, colours);
    if (!indices || colours == 0) return nullptr;
    const size_t rowBytes = (size_t{width} + 3) / 4 * 4;
    body.assign(colours * 3 + rowBytes * height, 0);
    for (size_t i = 0; i < colours; ++i) {
      body[i * 3] = palette[i * 4];
      body[i * 3 + 1] = palette[i * 4 + 1];
      body[i * 3 + 2] = palette[i * 4 + 2];
    }
    for (uint32_t y = 0; y < height; ++y) {
      std::copy_n(indices.get() + size_t{y} * width, width,
                  body.begin() + static_cast<long>(colours * 3 + y * rowBytes));
    }
    tableSize = static_cast<uint8_t>(colours - 1);
  } else if (depth == 15) {
    format = DefineBitsLosslessTag::kRgb15;
    const size_t rowBytes = (size_t{width} * 2 + 3) / 4 * 4;
    body.assign(rowBytes * height, 0);
    for (uint32_t y = 0; y < height; ++y) {
      uint8_t* out = body.data() + y * rowBytes;
      const uint8_t* in = pixels + size_t{y} * width * 3;
      for (uint32_t x = 0; x < width; ++x, in += 3) {
        const unsigned v = unsigned{To5Bits(in[0])} << 10 | unsigned{To5Bits(in[1])} << 5 | To5Bits(in[2]);
        *out++ = static_cast<uint8_t>(v >> 8);
        *out++ = static_cast<uint8_t>(v);
      }
    }
  } else {
    body.resize(count * 4);
    for (size_t i = 0; i < count; ++i) {
      body[i * 4] = 0;
      body[i * 4 + 1] = pixels[i * 3];
      body[i * 4 + 2] = pixels[i * 3 + 1];
      body[i * 4 + 3] = pixels[i * 3 + 2];
    }
  }
  std::vector<uint8_t> packed;
  if (!Compress(body, packed)) return nullptr;
  auto tag = std::make_unique<DefineBitsLosslessTag>(format);
  tag->SetCharacterId(1);
  tag->SetData(packed.data(), packed.size());
  tag->SetWidth(static_cast<uint16_t>(width));
  tag->SetHeight(static_cast<uint16_t>(height));
  tag->SetColorTableSize(tableSize);
  return Record(std::move(tag), width, height);
}

std::unique_ptr<DefineBitsJpeg3Tag> BitmapTagMaker::MakeJpegWithAlpha(const uint8_t* pixels, uint32_t width,
                                                                      uint32_t height, int quality) {
  size_t count = 0;
  if (!UsableSize(pixels, width, height, 1, count)) return nullptr;
  std::vector<uint8_t> rgb(count * 3);
  std::vector<uint8_t> alpha(count);
  for (size_t i = 0; i < count; ++i) {
    const unsigned a = pixels[i * 4 + 3];
    for (int c = 0; c < 3; ++c) rgb[i * 3 + c] = Premultiply(pixels[i * 4 + c], a);
    alpha[i] = static_cast<uint8_t>(a);
  }
  std::vector<uint8_t> jpeg;
  std::vector<uint8_t> packed;
  if (!CompressJpeg(rgb.data(), width, height, quality, JpegBitmap::kWithTables, jpeg) || !Compress(alpha, packed)) {
    return nullptr;
  }
  auto tag = std::make_unique<DefineBitsJpeg3Tag>();
  tag->SetData(1, std::move(jpeg));
  tag->SetAlphaData(std::move(packed));
  return Record(std::move(tag), width, height);
}

std::unique_ptr<DefineBitsLossless2Tag> BitmapTagMaker::MakeLosslessWithAlpha(const uint8_t* pixels, uint32_t width,
                                                                              uint32_t height) {
  size_t count = 0;
  if (!UsableSize(pixels, width, height, 1, count)) return nullptr;
  std::vector<uint8_t> body(count * 4);
  for (size_t i = 0; i < count; ++i) {
    const unsigned a = pixels[i * 4 + 3];
    body[i * 4] = static_cast<uint8_t>(a);
    for (int c = 0; c < 3; ++c) body[i * 4 + 1 + c] = Premultiply(pixels[i * 4 + c], a);
  }
  std::vector<uint8_t> packed;
  if (!Compress(body, packed)) return nullptr;
  auto tag = std::make_unique<DefineBitsLossless2Tag>(DefineBitsLosslessTag::kRgb32);
  tag->SetCharacterId(1);
  tag->SetData(packed.data(), packed.size());
  tag->SetWidth(static_cast<uint16_t>(width));
  tag->SetHeight(static_cast<uint16_t>(height));
  return Record(std::move(tag), width, height);
}

std::unique_ptr<JpegTablesTag> BitmapTagMaker::MakeJpegTables(int quality) {
  JpegBitmap jpeg;
  jpeg.SetQuality(quality);
  if (!jpeg.CompressTables()) return nullptr;
  auto tag = std::make_unique<JpegTablesTag>();
  tag->SetData(std::vector<uint8_t>(jpeg.Pixels(), jpeg.Pixels() + jpeg.CompressedSize()));
  return Record(std::move(tag), 0, 0);
}

std::unique_ptr<DefineBitsTag> BitmapTagMaker::MakeDefineBits(const uint8_t* pixels, uint32_t width, uint32_t height,
                                                              int quality) {
  size_t bytes = 0;
  std::vector<uint8_t> jpeg;
  if (!UsableSize(pixels, width, height, 3, bytes) ||
      !CompressJpeg(pixels, width, height, quality, JpegBitmap::kWithoutTables, jpeg)) {
    return nullptr;
  }
  auto tag = std::make_unique<DefineBitsTag>();
  tag->SetData(1, std::move(jpeg));
  return Record(std::move(tag), width, height);
}
