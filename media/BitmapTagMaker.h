// Turns images into SWF bitmap definition tags: JPEG compressed from pixels or carried over
// from a user's file, with or without an alpha plane, the DefineBits form that shares the
// movie's JPEGTables, and zlib-compressed lossless bitmaps in the three SWF formats.
//
// Pixels come as packed rows, top row first: R G B (3 bytes) or, for the forms with alpha,
// R G B A (4 bytes, alpha not premultiplied). Every tag is returned with character id 1, a
// placeholder for the caller to replace, and belongs to the caller; the maker only remembers
// it. Null means that no bitmap was made (no pixels, an empty or oversized image, an unknown
// depth, a file that can't be read or holds no JPEG, a failed compression), and nothing is
// recorded then.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/WideString.h"
#include "swf/BitmapTags.h"

class BitmapTagMaker {
 public:
  BitmapTagMaker() = default;

  // DefineBitsJPEG2 compressed from R G B pixels at the quality (clamped to 0..100).
  std::unique_ptr<DefineBitsJpeg2Tag> MakeJpegFromPixels(const uint8_t* pixels, uint32_t width, uint32_t height,
                                                         int quality);
  // DefineBitsJPEG2 carrying a JPEG file without its metadata, or when its sections can't be
  // rebuilt, the span from its first SOI to the EOI that closes it. The width and height are
  // recorded as given.
  std::unique_ptr<DefineBitsJpeg2Tag> MakeJpegFromFile(const WideString& path, uint32_t width, uint32_t height);
  // DefineBitsLossless: depth 8 is colour-mapped (format 3, at most 256 colours), 15 is
  // 5 bits per component (format 4), 24 and 32 are 8 bits per component (format 5).
  std::unique_ptr<DefineBitsLosslessTag> MakeLossless(const uint8_t* pixels, uint32_t width, uint32_t height,
                                                      int depth);

  // DefineBitsJPEG3: the colour, premultiplied by the alpha, as JPEG at the quality; the alpha
  // as a zlib-compressed plane.
  std::unique_ptr<DefineBitsJpeg3Tag> MakeJpegWithAlpha(const uint8_t* pixels, uint32_t width, uint32_t height,
                                                        int quality);
  // DefineBitsLossless2 in format 5: A R G B, the colour premultiplied by the alpha.
  std::unique_ptr<DefineBitsLossless2Tag> MakeLosslessWithAlpha(const uint8_t* pixels, uint32_t width, uint32_t height);

  // JPEGTables holding the tables that DefineBits tags made at the same quality use. A movie
  // has one JPEGTables, so all its DefineBits tags are made at one quality.
  std::unique_ptr<JpegTablesTag> MakeJpegTables(int quality);
  // DefineBits: R G B pixels as a JPEG stream without tables, at the quality.
  std::unique_ptr<DefineBitsTag> MakeDefineBits(const uint8_t* pixels, uint32_t width, uint32_t height, int quality);

  // Forgets the tag (never deleting it) and sets width and height to 0.
  void Release();

  uint32_t GetWidth() const { return width_; }
  uint32_t GetHeight() const { return height_; }
  // The last tag made, or null; owned by whoever took it.
  SwfTag* GetTag() const { return tag_; }

 private:
  template <typename T>
  std::unique_ptr<T> Record(std::unique_ptr<T> tag, uint32_t width, uint32_t height);

  uint32_t width_ = 0;
  uint32_t height_ = 0;
  SwfTag* tag_ = nullptr;
};
