// JPEG through libjpeg: compression of R G B pixels into memory at a chosen quality, and
// decoding of JPEG files and memory blocks into 24-bit pixels.
//
// Every libjpeg failure comes back as false (the library's own handler would end the process),
// and so does a stream that ends before its image is complete. Greyscale, YCbCr, RGB, CMYK and
// YCCK images all decode to R G B.
#pragma once

#include <cstddef>
#include <cstdint>

#include "media/Bitmap.h"

class JpegBitmap : public Bitmap {
 public:
  JpegBitmap() = default;
  ~JpegBitmap() override;

  // Does nothing: the pixel buffer holds compressed data the caller takes afterwards.
  void Free() override;
  // LoadFile.
  bool Load(const WideString& path) override { return LoadFile(path); }

  // Clamps to 0..100.
  void SetQuality(int quality);
  int GetQuality() const { return quality_; }

  enum TableMode {
    kWithTables,     // a complete stream: its quantisation and Huffman tables included
    kWithoutTables,  // an abbreviated stream for use with the tables of CompressTables
  };
  // Encodes width x height R G B pixels (rows top-down) as baseline JPEG at the quality set.
  // The pixel buffer then holds the stream (it grows as needed; Size() is its capacity) and
  // CompressedSize() its length. False for no pixels, an empty or oversized image, or a
  // library failure; the buffer is then empty.
  bool Compress(uint32_t width, uint32_t height, const uint8_t* data, TableMode mode = kWithTables);
  // The tables-only stream (SOI, the tables, EOI) that streams compressed kWithoutTables at
  // the same quality use.
  bool CompressTables();
  size_t CompressedSize() const { return compressedSize_; }

  // Decodes a JPEG file into 24-bit pixels. False when the file can't be opened or read, or
  // the image is damaged, cut short or beyond the size limits.
  bool LoadFile(const WideString& path);
  // The same for a JPEG held in memory.
  bool DecodeFromMemory(const uint8_t* data, size_t length);

 private:
  size_t compressedSize_ = 0;
  int quality_ = 80;
};

// The first SOI (FF D8) followed by an EOI (FF D9), a later SOI before that EOI taking its
// place; the span from it through the EOI. Null when there is no such pair. (A file whose
// Exif data carries a thumbnail therefore yields the thumbnail: this is a last resort.)
const uint8_t* FindJpegSoiToEoi(const uint8_t* data, size_t length, size_t& spanLength);
