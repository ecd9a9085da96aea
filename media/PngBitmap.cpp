#include "media/PngBitmap.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include <png.h>

#include "platform/AtomicFile.h"
#include "platform/FileTypes.h"

namespace {

// zlib's deflate cannot shrink data by more than about 1032 to 1; an image whose filtered rows
// need more than that many times the bytes of the file is cut short or lies about its size.
constexpr uint64_t kMaxDeflateRatio = 1040;
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t{16} << 20;

// The largest single buffer libpng may have: a chunk's data within the chunk limit, with room
// for its rows, tables and zlib's state, which are far smaller.
constexpr png_alloc_size_t kMaxLibpngBuffer = kMaxChunkBytes + (png_alloc_size_t{1} << 20);

[[noreturn]] void ErrorHandler(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// libpng's memory: refused past the limit above (libpng then fails the read as out of memory).
png_voidp Allocate(png_structp, png_alloc_size_t size) {
  if (size > kMaxLibpngBuffer) return nullptr;
  return new (std::nothrow) uint8_t[size];
}
void Release(png_structp, png_voidp memory) { delete[] static_cast<uint8_t*>(memory); }
void WarningHandler(png_structp, png_const_charp) {}

struct MemoryReader {
  const uint8_t* data;
  size_t length;
  size_t position;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (count > reader->length - reader->position) png_error(png, "the data ends early");
  std::memcpy(out, reader->data + reader->position, count);
  reader->position += count;
}

struct ReadJob {
  png_structp png = nullptr;
  png_infop info = nullptr;
  MemoryReader reader{};
  uint8_t* pixels = nullptr;  // new[]
  png_bytep* rows = nullptr;  // new[]
  ~ReadJob() {
    if (png != nullptr) png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    delete[] pixels;
    delete[] rows;
  }
};

struct ReadResult {
  png_uint_32 width;
  png_uint_32 height;
  int colorType;
  int interlaceType;
  int compressionType;
  int filterType;
  int channels;
  bool hasBackground;
  png_color_16 background;
};

// Raw (filtered) bytes of the image as stored: one filter byte per row and the packed samples.
uint64_t StoredBytes(uint64_t width, uint64_t height, int bitDepth, int colorType) {
  int samples = 1;
  if (colorType == PNG_COLOR_TYPE_RGB) samples = 3;
  if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA) samples = 2;
  if (colorType == PNG_COLOR_TYPE_RGB_ALPHA) samples = 4;
  return height * (1 + (width * static_cast<uint64_t>(samples) * static_cast<uint64_t>(bitDepth) + 7) / 8);
}

// True when every chunk up to IEND lies within the data. libpng sizes the buffer of some chunks
// (sPLT among them) by the length the chunk declares before it reads the chunk, so a few bytes
// declaring a chunk of 1.7 GB made it ask for 1.7 GB; a chunk running past the end is refused
// here, before libpng sees it, since the file is cut short or lies about it anyway.
bool ChunksLieWithin(const uint8_t* data, size_t length) {
  size_t at = 8;
  for (;;) {
    if (length - at < 12) return false;  // a length, a type and a CRC at the least
    const uint32_t declared =
        uint32_t{data[at]} << 24 | uint32_t{data[at + 1]} << 16 | uint32_t{data[at + 2]} << 8 | uint32_t{data[at + 3]};
    if (declared > length - at - 12) return false;
    const bool end = std::memcmp(data + at + 4, "IEND", 4) == 0;
    at += 12 + size_t{declared};
    if (end) return true;
  }
}

// Everything that may end in a longjmp runs here; the frame holds no object with a destructor.
bool RunRead(ReadJob& job, ReadResult& out) {
  job.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, ErrorHandler, WarningHandler, nullptr, Allocate,
                                     Release);
  if (job.png == nullptr) return false;
  job.info = png_create_info_struct(job.png);
  if (job.info == nullptr) return false;
  if (setjmp(png_jmpbuf(job.png)) != 0) return false;
  png_set_user_limits(job.png, kMaxBitmapSide, kMaxBitmapSide);
  png_set_chunk_malloc_max(job.png, kMaxChunkBytes);
  png_set_read_fn(job.png, &job.reader, ReadFromMemory);
  png_set_sig_bytes(job.png, 8);
  png_read_info(job.png, job.info);
  int bitDepth = 0;
  png_get_IHDR(job.png, job.info, &out.width, &out.height, &bitDepth, &out.colorType, &out.interlaceType,
               &out.compressionType, &out.filterType);
  size_t bytes = 0;
  if (!BitmapByteCount(out.width, out.height, 4, bytes) || bytes == 0) return false;
  if (StoredBytes(out.width, out.height, bitDepth, out.colorType) / kMaxDeflateRatio > job.reader.length) return false;

  if (bitDepth == 16) png_set_strip_16(job.png);
  if (out.colorType == PNG_COLOR_TYPE_PALETTE) png_set_expand(job.png);
  if (bitDepth < 8) png_set_expand(job.png);
  if (png_get_valid(job.png, job.info, PNG_INFO_tRNS)) png_set_expand(job.png);
  if (out.colorType == PNG_COLOR_TYPE_GRAY || out.colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(job.png);
  png_color_16p background = nullptr;
  out.hasBackground = png_get_bKGD(job.png, job.info, &background) != 0 && background != nullptr;
  if (out.hasBackground) {
    out.background = *background;
    png_set_background(job.png, background, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
  }
  double gamma = 0;
  if (png_get_gAMA(job.png, job.info, &gamma) != 0) png_set_gamma(job.png, 2.2, gamma);
  png_set_interlace_handling(job.png);
  png_read_update_info(job.png, job.info);

  out.channels = png_get_channels(job.png, job.info);
  const size_t rowBytes = png_get_rowbytes(job.png, job.info);
  if ((out.channels != 3 && out.channels != 4) || png_get_bit_depth(job.png, job.info) != 8 ||
      rowBytes != size_t{out.width} * static_cast<size_t>(out.channels)) {
    return false;
  }
  job.pixels = new (std::nothrow) uint8_t[rowBytes * out.height];
  job.rows = new (std::nothrow) png_bytep[out.height];
  if (job.pixels == nullptr || job.rows == nullptr) return false;
  for (png_uint_32 y = 0; y < out.height; ++y) job.rows[y] = job.pixels + size_t{y} * rowBytes;
  png_read_image(job.png, job.rows);
  png_read_end(job.png, nullptr);
  return true;
}

// ---- Writing ---------------------------------------------------------------------------------

struct MemoryWriter {
  uint8_t* data = nullptr;  // new[]
  size_t length = 0;
  size_t capacity = 0;
};

void WriteToMemory(png_structp png, png_bytep bytes, png_size_t count) {
  auto* writer = static_cast<MemoryWriter*>(png_get_io_ptr(png));
  if (count > writer->capacity - writer->length) {
    size_t capacity = writer->capacity * 2 + count + 4096;
    auto* bigger = new (std::nothrow) uint8_t[capacity];
    if (bigger == nullptr) png_error(png, "out of memory");
    if (writer->length > 0) std::memcpy(bigger, writer->data, writer->length);
    delete[] writer->data;
    writer->data = bigger;
    writer->capacity = capacity;
  }
  std::memcpy(writer->data + writer->length, bytes, count);
  writer->length += count;
}

void FlushMemory(png_structp) {}

struct WriteJob {
  png_structp png = nullptr;
  png_infop info = nullptr;
  MemoryWriter writer;
  uint8_t* row = nullptr;  // new[]
  ~WriteJob() {
    if (png != nullptr) png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    delete[] writer.data;
    delete[] row;
  }
};

bool RunWrite(WriteJob& job, const OffscreenGWorld& world) {
  job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorHandler, WarningHandler);
  if (job.png == nullptr) return false;
  job.info = png_create_info_struct(job.png);
  if (job.info == nullptr) return false;
  const auto width = static_cast<png_uint_32>(world.Width());
  const auto height = static_cast<png_uint_32>(world.Height());
  job.row = new (std::nothrow) uint8_t[size_t{width} * 3 + 1];
  if (job.row == nullptr) return false;
  if (setjmp(png_jmpbuf(job.png)) != 0) return false;
  png_set_write_fn(job.png, &job.writer, WriteToMemory, FlushMemory);
  png_set_compression_level(job.png, 9);
  png_set_compression_mem_level(job.png, 9);
  png_set_IHDR(job.png, job.info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(job.png, job.info);
  for (png_uint_32 y = 0; y < height; ++y) {
    const uint8_t* src = world.Row(static_cast<int>(y));
    for (png_uint_32 x = 0; x < width; ++x) {
      job.row[x * 3] = src[x * 4 + 1];
      job.row[x * 3 + 1] = src[x * 4 + 2];
      job.row[x * 3 + 2] = src[x * 4 + 3];
    }
    png_write_row(job.png, job.row);
  }
  png_write_end(job.png, nullptr);
  return true;
}

}  // namespace

PngBitmap::~PngBitmap() = default;

void PngBitmap::Free() {
  Bitmap::Free();
  background_.reset();
  alpha_.reset();
  channels_ = 0;
}

bool PngBitmap::DecodeFromMemory(const uint8_t* data, size_t length) {
  Free();
  if (data == nullptr || length < 8 || png_sig_cmp(data, 0, 8) != 0) return false;
  if (!ChunksLieWithin(data, length)) return false;
  ReadJob job;
  job.reader = MemoryReader{data, length, 8};
  ReadResult result{};
  if (!RunRead(job, result)) return false;
  std::unique_ptr<uint8_t[]> pixels(job.pixels);
  job.pixels = nullptr;
  if (!Adopt(result.width, result.height, result.channels * 8, std::move(pixels))) return false;
  colorType_ = result.colorType;
  interlaceType_ = result.interlaceType;
  compressionType_ = result.compressionType;
  filterType_ = result.filterType;
  channels_ = result.channels;
  if (result.hasBackground) {
    background_ = PngBackgroundColor{result.background.red, result.background.green, result.background.blue};
  }
  if (channels_ == 4) {
    const size_t count = size_t{width_} * height_;
    alpha_.reset(new (std::nothrow) uint8_t[count]);
    if (!alpha_) {
      Free();
      return false;
    }
    for (size_t i = 0; i < count; ++i) alpha_[i] = pixels_[i * 4 + 3];
  }
  return true;
}

bool PngBitmap::LoadFile(const WideString& path) {
  Free();
  FILE* file = OpenStdioFile(path, L"rb");
  if (file == nullptr) return false;
  std::unique_ptr<uint8_t[]> bytes;
  size_t length = 0;
  bool ok = std::fseek(file, 0, SEEK_END) == 0;
  const long end = ok ? std::ftell(file) : -1;
  ok = ok && end > 0 && static_cast<unsigned long>(end) <= kMaxPngFileBytes && std::fseek(file, 0, SEEK_SET) == 0;
  if (ok) {
    length = static_cast<size_t>(end);
    bytes.reset(new (std::nothrow) uint8_t[length]);
    ok = bytes && std::fread(bytes.get(), 1, length, file) == length;
  }
  std::fclose(file);
  return ok && DecodeFromMemory(bytes.get(), length);
}

bool WriteGWorldAsPng(const OffscreenGWorld* world, const WideString& path) {
  if (world == nullptr || world->Pixels() == nullptr) return false;
  WriteJob job;
  if (!RunWrite(job, *world)) return false;
  AtomicFileWriter out;
  return out.Open(path) && out.Write(job.writer.data, job.writer.length) && out.Commit();
}
