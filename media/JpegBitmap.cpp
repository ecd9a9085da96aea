#include "media/JpegBitmap.h"

#include <sys/stat.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include <jerror.h>
#include <jpeglib.h>

#include "platform/FileTypes.h"

namespace {

// Progressive streams decode in one pass per scan; real files have about ten.
constexpr int kMaxScans = 1000;
// Memory libjpeg may take for its own buffers (the coefficients of a progressive image).
constexpr long kMaxLibraryMemory = 640L << 20;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  // Until the image is ready to be read (headers, and every scan of a progressive stream),
  // running out of data is fatal; while rows are read, a scan that needs more data than it
  // has is. A baseline stream that lacks only its closing EOI has given every pixel.
  bool endOfDataFatal;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::longjmp(err->jump, 1);
}

// Warnings pass, except those that say the data ran out while pixels were still to come: the
// library would make the rest of the image up, so the stream counts as damaged.
void EmitMessage(j_common_ptr cinfo, int level) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (level >= 0) return;
  if ((err->pub.msg_code == JWRN_JPEG_EOF && err->endOfDataFatal) || err->pub.msg_code == JWRN_HIT_MARKER) {
    ErrorExit(cinfo);
  }
}

void OutputMessage(j_common_ptr) {}

void InstallErrorManager(ErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.emit_message = EmitMessage;
  err.pub.output_message = OutputMessage;
  err.endOfDataFatal = true;
}

void LimitScans(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
    cinfo->err->msg_code = JERR_NOT_COMPILED;
    ErrorExit(cinfo);
  }
}

// ---- Compression into a growing buffer -------------------------------------------------------

struct Destination {
  jpeg_destination_mgr pub;
  uint8_t* buffer = nullptr;  // new[]
  size_t capacity = 0;
  size_t length = 0;  // set by Terminate
};

void InitDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = dest->capacity;
}

boolean GrowDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
  const size_t used = dest->capacity;  // libjpeg calls this only when the buffer is full
  const size_t capacity = used * 2;
  auto* bigger = capacity > used ? new (std::nothrow) uint8_t[capacity] : nullptr;
  if (bigger == nullptr) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
  std::memcpy(bigger, dest->buffer, used);
  delete[] dest->buffer;
  dest->buffer = bigger;
  dest->capacity = capacity;
  dest->pub.next_output_byte = bigger + used;
  dest->pub.free_in_buffer = capacity - used;
  return TRUE;
}

void TerminateDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
  dest->length = dest->capacity - dest->pub.free_in_buffer;
}

struct CompressJob {
  jpeg_compress_struct cinfo{};
  ErrorManager err{};
  Destination dest{};
  bool created = false;
  ~CompressJob() {
    if (created) jpeg_destroy_compress(&cinfo);
    delete[] dest.buffer;
  }
};

// Everything that may end in a longjmp runs here; the frame holds no object with a destructor.
bool RunCompress(CompressJob& job, uint32_t width, uint32_t height, const uint8_t* data, int quality, bool tables,
                 bool tablesOnly) {
  InstallErrorManager(job.err);
  job.cinfo.err = &job.err.pub;
  if (setjmp(job.err.jump) != 0) return false;
  jpeg_create_compress(&job.cinfo);
  job.created = true;
  job.cinfo.image_width = width;
  job.cinfo.image_height = height;
  job.cinfo.input_components = 3;
  job.cinfo.in_color_space = JCS_RGB;
  job.dest.pub.init_destination = InitDestination;
  job.dest.pub.empty_output_buffer = GrowDestination;
  job.dest.pub.term_destination = TerminateDestination;
  job.cinfo.dest = &job.dest.pub;
  jpeg_set_defaults(&job.cinfo);
  jpeg_set_quality(&job.cinfo, quality, TRUE);
  if (tablesOnly) {
    jpeg_write_tables(&job.cinfo);
    return true;
  }
  if (!tables) jpeg_suppress_tables(&job.cinfo, TRUE);
  jpeg_start_compress(&job.cinfo, tables ? TRUE : FALSE);
  const size_t rowBytes = size_t{width} * 3;
  while (job.cinfo.next_scanline < job.cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(data + size_t{job.cinfo.next_scanline} * rowBytes);
    jpeg_write_scanlines(&job.cinfo, &row, 1);
  }
  jpeg_finish_compress(&job.cinfo);
  return true;
}

// ---- Decoding --------------------------------------------------------------------------------

struct DecompressJob {
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  jpeg_progress_mgr progress{};
  bool created = false;
  uint8_t* pixels = nullptr;  // new[], grows with the rows decoded
  size_t capacity = 0;
  size_t total = 0;          // bytes of the whole image
  size_t expectedInput = 0;  // bytes of the stream, to size the first buffer
  uint8_t* row = nullptr;    // new[], one row of the library's output
  ~DecompressJob() {
    if (created) jpeg_destroy_decompress(&cinfo);
    delete[] pixels;
    delete[] row;
  }
};

// Makes room for `needed` bytes of output: the buffer starts at what a well-compressed stream
// of the input's size can give and doubles up to the image, so a small file that claims huge
// dimensions costs memory only as its rows really arrive.
bool Reserve(DecompressJob& job, size_t needed) {
  if (needed <= job.capacity) return true;
  size_t capacity = std::max<size_t>(job.capacity * 2, std::max<size_t>(size_t{4} << 20, job.expectedInput * 32));
  capacity = std::min(std::max(capacity, needed), job.total);
  auto* bigger = new (std::nothrow) uint8_t[capacity];
  if (bigger == nullptr) return false;
  if (job.pixels != nullptr) std::memcpy(bigger, job.pixels, job.capacity);
  delete[] job.pixels;
  job.pixels = bigger;
  job.capacity = capacity;
  return true;
}

inline uint8_t Mul255(unsigned a, unsigned b) { return static_cast<uint8_t>((a * b + 127) / 255); }

bool RunDecompress(DecompressJob& job, FILE* file, const uint8_t* data, size_t length, uint32_t& width,
                   uint32_t& height) {
  if (setjmp(job.err.jump) != 0) return false;
  jpeg_create_decompress(&job.cinfo);
  job.created = true;
  job.cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
  job.progress.progress_monitor = LimitScans;
  job.cinfo.progress = &job.progress;
  if (file != nullptr) {
    jpeg_stdio_src(&job.cinfo, file);
  } else {
    jpeg_mem_src(&job.cinfo, data, static_cast<unsigned long>(length));
  }
  jpeg_read_header(&job.cinfo, TRUE);
  const bool cmyk = job.cinfo.jpeg_color_space == JCS_CMYK || job.cinfo.jpeg_color_space == JCS_YCCK;
  job.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  if (!BitmapByteCount(job.cinfo.image_width, job.cinfo.image_height, 3, job.total) || job.total == 0) return false;
  jpeg_start_decompress(&job.cinfo);
  job.err.endOfDataFatal = false;
  width = job.cinfo.output_width;
  height = job.cinfo.output_height;
  const int components = job.cinfo.output_components;
  if (!BitmapByteCount(width, height, 3, job.total) || job.total == 0 || components != (cmyk ? 4 : 3)) return false;
  // Adobe's writers store CMYK inverted (0 is full ink); others store it as it is.
  const bool inverted = cmyk && job.cinfo.saw_Adobe_marker;
  job.row = new (std::nothrow) uint8_t[size_t{width} * static_cast<size_t>(components)];
  if (job.row == nullptr) return false;
  const size_t rowBytes = size_t{width} * 3;
  while (job.cinfo.output_scanline < height) {
    const size_t at = size_t{job.cinfo.output_scanline} * rowBytes;
    if (!Reserve(job, at + rowBytes)) return false;
    JSAMPROW target = cmyk ? job.row : job.pixels + at;
    if (jpeg_read_scanlines(&job.cinfo, &target, 1) != 1) return false;
    if (cmyk) {
      uint8_t* out = job.pixels + at;
      for (uint32_t x = 0; x < width; ++x) {
        unsigned c = job.row[x * 4], m = job.row[x * 4 + 1], y = job.row[x * 4 + 2], k = job.row[x * 4 + 3];
        if (!inverted) {
          c = 255 - c;
          m = 255 - m;
          y = 255 - y;
          k = 255 - k;
        }
        *out++ = Mul255(c, k);
        *out++ = Mul255(m, k);
        *out++ = Mul255(y, k);
      }
    }
  }
  jpeg_finish_decompress(&job.cinfo);
  return true;
}

}  // namespace

JpegBitmap::~JpegBitmap() = default;

void JpegBitmap::Free() {}

void JpegBitmap::SetQuality(int quality) { quality_ = std::clamp(quality, 0, 100); }

bool JpegBitmap::Compress(uint32_t width, uint32_t height, const uint8_t* data, TableMode mode) {
  Bitmap::Free();
  compressedSize_ = 0;
  size_t bytes = 0;
  if (data == nullptr || width == 0 || height == 0 || !BitmapByteCount(width, height, 3, bytes)) return false;
  CompressJob job;
  job.dest.capacity = bytes + 1024;
  job.dest.buffer = new (std::nothrow) uint8_t[job.dest.capacity];
  if (job.dest.buffer == nullptr) return false;
  if (!RunCompress(job, width, height, data, quality_, mode == kWithTables, false)) return false;
  pixels_.reset(job.dest.buffer);
  job.dest.buffer = nullptr;
  size_ = job.dest.capacity;
  compressedSize_ = job.dest.length;
  return true;
}

bool JpegBitmap::CompressTables() {
  Bitmap::Free();
  compressedSize_ = 0;
  CompressJob job;
  job.dest.capacity = 1024;
  job.dest.buffer = new (std::nothrow) uint8_t[job.dest.capacity];
  if (job.dest.buffer == nullptr) return false;
  if (!RunCompress(job, 1, 1, nullptr, quality_, true, true)) return false;
  pixels_.reset(job.dest.buffer);
  job.dest.buffer = nullptr;
  size_ = job.dest.capacity;
  compressedSize_ = job.dest.length;
  return true;
}

namespace {

bool Decode(JpegBitmap& bitmap, FILE* file, const uint8_t* data, size_t length, size_t expected) {
  DecompressJob job;
  InstallErrorManager(job.err);
  job.cinfo.err = &job.err.pub;
  job.expectedInput = expected;
  uint32_t width = 0;
  uint32_t height = 0;
  if (!RunDecompress(job, file, data, length, width, height)) return false;
  std::unique_ptr<uint8_t[]> pixels;
  if (job.capacity == job.total) {
    pixels.reset(job.pixels);
    job.pixels = nullptr;
  } else {
    pixels.reset(new (std::nothrow) uint8_t[job.total]);
    if (!pixels) return false;
    std::memcpy(pixels.get(), job.pixels, job.total);
  }
  return bitmap.Adopt(width, height, 24, std::move(pixels));
}

}  // namespace

bool JpegBitmap::LoadFile(const WideString& path) {
  FILE* file = OpenStdioFile(path, L"rb");
  if (file == nullptr) return false;
  struct stat st {};
  const size_t expected = fstat(fileno(file), &st) == 0 && st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0;
  const bool ok = Decode(*this, file, nullptr, 0, expected);
  std::fclose(file);
  return ok;
}

bool JpegBitmap::DecodeFromMemory(const uint8_t* data, size_t length) {
  if (data == nullptr || length == 0) return false;
  return Decode(*this, nullptr, data, length, length);
}

const uint8_t* FindJpegSoiToEoi(const uint8_t* data, size_t length, size_t& spanLength) {
  spanLength = 0;
  if (data == nullptr) return nullptr;
  const uint8_t* soi = nullptr;
  for (size_t i = 0; i + 1 < length; ++i) {
    if (data[i] != 0xFF) continue;
    if (data[i + 1] == 0xD8) {
      soi = data + i;
      ++i;
    } else if (data[i + 1] == 0xD9 && soi != nullptr) {
      spanLength = static_cast<size_t>(data + i + 2 - soi);
      return soi;
    }
  }
  return nullptr;
}
