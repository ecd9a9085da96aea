// Small images made for the tests with libjpeg and libpng directly, in the forms the decoders
// must take: greyscale, CMYK and RGB-coded JPEG, PNG of every colour type, depth and interlace.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

namespace imagetest {

using Bytes = std::vector<uint8_t>;

struct JpegOptions {
  int components = 3;
  J_COLOR_SPACE input = JCS_RGB;
  J_COLOR_SPACE stored = JCS_YCbCr;  // the colour space written in the file
  int quality = 90;
  bool jfif = true;
  bool progressive = false;
};

// Packed rows of `components` bytes a pixel.
inline Bytes EncodeJpeg(const uint8_t* pixels, int width, int height, const JpegOptions& o = {}) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = o.components;
  cinfo.in_color_space = o.input;
  jpeg_set_defaults(&cinfo);
  jpeg_set_colorspace(&cinfo, o.stored);
  cinfo.write_JFIF_header = o.jfif ? TRUE : FALSE;
  jpeg_set_quality(&cinfo, o.quality, TRUE);
  if (o.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels + size_t{cinfo.next_scanline} * width * o.components);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes bytes(out, out + size);
  std::free(out);
  return bytes;
}

// A smooth colour ramp: R G B rows.
inline Bytes Ramp(int width, int height) {
  Bytes px;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      px.push_back(static_cast<uint8_t>(x * 255 / (width > 1 ? width - 1 : 1)));
      px.push_back(static_cast<uint8_t>(y * 255 / (height > 1 ? height - 1 : 1)));
      px.push_back(static_cast<uint8_t>((x + y) * 255 / (width + height)));
    }
  }
  return px;
}

struct PngOptions {
  int colorType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<png_color> palette;
  Bytes transparency;  // tRNS for palettes
  const png_color_16* background = nullptr;
};

// `rows` holds packed samples as the colour type and depth store them (16-bit big-endian).
inline Bytes EncodePng(const Bytes& rows, int width, int height, const PngOptions& o = {}) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* v = static_cast<Bytes*>(png_get_io_ptr(p));
        v->insert(v->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), o.bitDepth, o.colorType,
               o.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!o.palette.empty()) png_set_PLTE(png, info, o.palette.data(), static_cast<int>(o.palette.size()));
  if (!o.transparency.empty()) {
    png_set_tRNS(png, info, o.transparency.data(), static_cast<int>(o.transparency.size()), nullptr);
  }
  if (o.background != nullptr) png_set_bKGD(png, info, o.background);
  png_write_info(png, info);
  const size_t rowBytes = rows.size() / static_cast<size_t>(height);
  std::vector<png_bytep> pointers;
  for (int y = 0; y < height; ++y) pointers.push_back(const_cast<png_bytep>(rows.data() + y * rowBytes));
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// Recomputes the CRC of every chunk (after a test has changed a chunk's bytes).
inline void FixPngCrcs(Bytes& png) {
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const size_t length = size_t{png[at]} << 24 | size_t{png[at + 1]} << 16 | size_t{png[at + 2]} << 8 | png[at + 3];
    if (at + 12 + length > png.size()) break;
    const uLong crc = crc32(0, png.data() + at + 4, static_cast<uInt>(length + 4));
    for (int i = 0; i < 4; ++i) png[at + 8 + length + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    at += 12 + length;
  }
}

// Sets the width and height in the IHDR chunk.
inline void SetPngSize(Bytes& png, uint32_t width, uint32_t height) {
  for (int i = 0; i < 4; ++i) {
    png[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
    png[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
  }
  FixPngCrcs(png);
}

// Sets the height and width in the first frame header of a JPEG.
inline bool SetJpegSize(Bytes& jpeg, uint16_t width, uint16_t height) {
  for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
      jpeg[i + 5] = static_cast<uint8_t>(height >> 8);
      jpeg[i + 6] = static_cast<uint8_t>(height);
      jpeg[i + 7] = static_cast<uint8_t>(width >> 8);
      jpeg[i + 8] = static_cast<uint8_t>(width);
      return true;
    }
  }
  return false;
}

// Peak signal-to-noise ratio of two buffers of equal size, in dB.
inline double Psnr(const uint8_t* a, const uint8_t* b, size_t n) {
  double sum = 0;
  for (size_t i = 0; i < n; ++i) sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
  if (sum == 0) return 99;
  return 10 * std::log10(255.0 * 255.0 * double(n) / sum);
}

}  // namespace imagetest
