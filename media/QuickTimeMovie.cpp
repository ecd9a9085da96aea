#include "media/QuickTimeMovie.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "media/AiffWriter.h"
#include "media/Bitmap.h"

namespace {

using host::av::PixelLayout;

std::optional<uint16_t> g_versionForTesting;

int64_t Microseconds(TimeValue time) { return int64_t{time} * 1000000 / QuickTimeMovie::kTimeScale; }

// A rectangle's size when it is positive and within the bitmap limits.
bool RectSize(int64_t width, int64_t height, uint32_t& w, uint32_t& h) {
  size_t bytes = 0;
  if (width <= 0 || height <= 0 ||
      !BitmapByteCount(static_cast<uint64_t>(width), static_cast<uint64_t>(height), 4, bytes)) {
    return false;
  }
  w = static_cast<uint32_t>(width);
  h = static_cast<uint32_t>(height);
  return true;
}

std::unique_ptr<uint8_t[]> NewPixels(uint32_t width, uint32_t height, unsigned bytesPerPixel) {
  size_t bytes = 0;
  if (!BitmapByteCount(width, height, bytesPerPixel, bytes) || bytes == 0) return nullptr;
  return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[bytes]);
}

// c over white with alpha a, both 0..255.
uint8_t OverWhite(unsigned c, unsigned a) { return static_cast<uint8_t>((c * a + 255 * (255 - a) + 127) / 255); }

}  // namespace

QuickTimeMovie::QuickTimeMovie() : QuickTimeMovie(kMaxBitmapPixels) {}

QuickTimeMovie::QuickTimeMovie(uint64_t maxPixels) : maxPixels_(std::min<uint64_t>(maxPixels, kMaxBitmapPixels)) {}

QuickTimeMovie::~QuickTimeMovie() = default;

bool QuickTimeMovie::Open(const WideString& path) {
  file_.reset();
  box_ = {};
  currentTime_ = 0;
  path_.clear();
  soundDurationMicroseconds_ = -1;
  auto file = std::make_unique<host::av::MediaFile>(host::av::Limits{kMaxBitmapSide, maxPixels_});
  if (!file->Open(WideToUtf8(path))) return false;
  box_.right = static_cast<int32_t>(file->Width());
  box_.bottom = static_cast<int32_t>(file->Height());
  file_ = std::move(file);
  path_ = WideToUtf8(path);
  return true;
}

bool QuickTimeMovie::OpenSound(const WideString& path) {
  file_.reset();
  box_ = {};
  currentTime_ = 0;
  path_.clear();
  soundDurationMicroseconds_ = -1;
  host::av::SoundDescription sound;
  std::string why;
  if (!host::av::DescribeSound(WideToUtf8(path), sound, why)) {
    soundError_ = why;
    return false;
  }
  path_ = WideToUtf8(path);
  soundDurationMicroseconds_ = sound.durationMicroseconds;
  return true;
}

bool QuickTimeMovie::GetSoundDescription(host::av::SoundDescription& out) const {
  out = {};
  if (path_.empty()) return false;
  std::string why;
  return host::av::DescribeSound(path_, out, why);
}

bool QuickTimeMovie::ExportSound(const WideString& path, OSType fileType, int64_t milliseconds,
                                 const ExportProgress& progress) {
  soundError_.clear();
  AiffSampleFormat format;
  if (fileType == MakeFourCC("AIFF")) {
    format = AiffSampleFormat::kBigEndian;
  } else if (fileType == MakeFourCC("AIFC")) {
    format = AiffSampleFormat::kLittleEndian;
  } else {
    soundError_ = "no sound exporter for that file type";
    return false;
  }
  if (path_.empty()) {
    soundError_ = "no movie is open";
    return false;
  }
  if (progress && !progress(0)) {
    soundError_ = "cancelled";
    return false;
  }
  host::av::SoundDescription description;
  host::av::DecodedSound sound;
  if (!host::av::DescribeSound(path_, description, soundError_) ||
      !host::av::DecodeSound(path_, description.rate, std::min<uint32_t>(description.channels, 2), milliseconds, sound,
                             soundError_)) {
    return false;
  }
  AiffWriter writer;
  if (!writer.Open(path, format, sound.channels, sound.rate)) {
    soundError_ = writer.Error();
    return false;
  }
  const size_t total = sound.samples.size();
  const size_t step = size_t{16384} * sound.channels;
  for (size_t done = 0; done < total; done += step) {
    if (progress && !progress(static_cast<int>(done * 100 / total))) {
      writer.Abort();
      soundError_ = "cancelled";
      return false;
    }
    if (!writer.Write(sound.samples.data() + done, std::min(step, total - done))) {
      soundError_ = writer.Error();
      return false;
    }
  }
  if (progress && !progress(100)) {
    writer.Abort();
    soundError_ = "cancelled";
    return false;
  }
  if (!writer.Finish()) {
    soundError_ = writer.Error();
    return false;
  }
  return true;
}

void QuickTimeMovie::GetSize(int& width, int& height) const {
  width = static_cast<int>(box_.Width());
  height = static_cast<int>(box_.Height());
}

bool QuickTimeMovie::SetSize(int width, int height) {
  if (width < 0 || height < 0 || static_cast<uint64_t>(width) > kMaxBitmapSide ||
      static_cast<uint64_t>(height) > kMaxBitmapSide) {
    return false;
  }
  const int64_t right = int64_t{box_.left} + width;
  const int64_t bottom = int64_t{box_.top} + height;
  if (right > std::numeric_limits<int32_t>::max() || bottom > std::numeric_limits<int32_t>::max()) return false;
  box_.right = static_cast<int32_t>(right);
  box_.bottom = static_cast<int32_t>(bottom);
  return true;
}

bool QuickTimeMovie::HasVisualTrack() const { return file_ != nullptr && file_->HasVideo(); }

TimeValue QuickTimeMovie::GetDuration() const {
  if (file_ == nullptr && soundDurationMicroseconds_ < 0) return 0;
  const int64_t microseconds = file_ != nullptr ? file_->DurationMicroseconds() : soundDurationMicroseconds_;
  const int64_t units = microseconds / 1000 * kTimeScale / 1000;
  return static_cast<TimeValue>(std::clamp<int64_t>(units, 0, std::numeric_limits<TimeValue>::max()));
}

bool QuickTimeMovie::Render(TimeValue time, bool alpha, uint32_t width, uint32_t height, uint8_t* out) {
  if (!HasVisualTrack() || !file_->SeekFrame(Microseconds(time))) return false;
  currentTime_ = time;
  const size_t bytesPerPixel = alpha ? 4 : 3;
  if (alpha || !file_->FrameHasAlpha()) {
    return file_->ScaleFrame(alpha ? PixelLayout::kRgba32 : PixelLayout::kRgb24, width, height, out,
                             size_t{width} * bytesPerPixel);
  }
  // A transparent picture at 24 bits: composited over white at its own size, then scaled, so
  // that colours hidden under transparent pixels never bleed into the scaled edges.
  const uint32_t w = file_->FrameWidth();
  const uint32_t h = file_->FrameHeight();
  auto pixels = NewPixels(w, h, 4);
  if (!pixels || !file_->ScaleFrame(PixelLayout::kRgba32, w, h, pixels.get(), size_t{w} * 4)) return false;
  uint8_t* p = pixels.get();
  const size_t count = size_t{w} * h;
  for (size_t i = 0; i < count; ++i) {  // in place: the R G B written never passes the R G B A read
    const uint8_t* s = p + i * 4;
    const unsigned a = s[3];
    const uint8_t r = OverWhite(s[0], a), g = OverWhite(s[1], a), b = OverWhite(s[2], a);
    p[i * 3] = r;
    p[i * 3 + 1] = g;
    p[i * 3 + 2] = b;
  }
  return host::av::ScalePacked(PixelLayout::kRgb24, p, size_t{w} * 3, w, h, out, size_t{width} * 3, width, height,
                               {kMaxBitmapSide, kMaxBitmapPixels});
}

size_t QuickTimeMovie::RenderFrame(TimeValue time, uint8_t* buffer, size_t capacity, const PixelRect* destination,
                                   const PixelRect* source, int bits) {
  if (bits != 24 && bits != 32) return 0;
  const unsigned bytesPerPixel = static_cast<unsigned>(bits) / 8;
  const PixelRect& outRect = destination != nullptr ? *destination : source != nullptr ? *source : box_;
  uint32_t width = 0, height = 0;
  size_t count = 0;
  if (!RectSize(outRect.Width(), outRect.Height(), width, height) ||
      !BitmapByteCount(width, height, bytesPerPixel, count)) {
    return 0;
  }
  if (buffer == nullptr) return count;
  if (capacity < count) return 0;
  if (source == nullptr) return Render(time, bits == 32, width, height, buffer) ? count : 0;

  // The picture at the box's size first, then the source rectangle of it scaled to the output.
  uint32_t boxWidth = 0, boxHeight = 0, sourceWidth = 0, sourceHeight = 0;
  if (!RectSize(box_.Width(), box_.Height(), boxWidth, boxHeight) ||
      !RectSize(source->Width(), source->Height(), sourceWidth, sourceHeight) || source->left < 0 || source->top < 0 ||
      source->right > int64_t{boxWidth} || source->bottom > int64_t{boxHeight}) {
    return 0;
  }
  auto whole = NewPixels(boxWidth, boxHeight, bytesPerPixel);
  if (!whole || !Render(time, bits == 32, boxWidth, boxHeight, whole.get())) return 0;
  const size_t stride = size_t{boxWidth} * bytesPerPixel;
  const uint8_t* from =
      whole.get() + static_cast<size_t>(source->top) * stride + static_cast<size_t>(source->left) * bytesPerPixel;
  const bool ok = host::av::ScalePacked(bits == 32 ? PixelLayout::kRgba32 : PixelLayout::kRgb24, from, stride,
                                        sourceWidth, sourceHeight, buffer, size_t{width} * bytesPerPixel, width, height,
                                        {kMaxBitmapSide, kMaxBitmapPixels});
  return ok ? count : 0;
}

bool QuickTimeMovie::DrawIntoGWorld(GWorldPtr world, const PixelRect* box, GWorldPtr mask) {
  if (world == nullptr) return false;
  const PixelRect& r = box != nullptr ? *box : box_;
  uint32_t width = 0, height = 0;
  if (!RectSize(r.Width(), r.Height(), width, height)) return false;
  auto pixels = NewPixels(width, height, 4);
  if (!pixels || !Render(currentTime_, true, width, height, pixels.get())) return false;
  for (uint32_t y = 0; y < height; ++y) {
    const int64_t ty = int64_t{r.top} + y;
    if (ty < 0 || ty >= world->Height()) continue;
    uint8_t* row = world->Row(static_cast<int>(ty));
    for (uint32_t x = 0; x < width; ++x) {
      const int64_t tx = int64_t{r.left} + x;
      if (tx < 0 || tx >= world->Width()) continue;
      const uint8_t* s = pixels.get() + (size_t{y} * width + x) * 4;
      uint8_t* d = row + static_cast<size_t>(tx) * 4;  // A R G B
      const unsigned a = s[3];
      d[0] = static_cast<uint8_t>(a + (d[0] * (255 - a) + 127) / 255);
      for (int c = 0; c < 3; ++c) d[1 + c] = static_cast<uint8_t>((s[c] * a + d[1 + c] * (255 - a) + 127) / 255);
    }
  }
  if (mask != nullptr) {
    const int w = std::min(world->Width(), mask->Width());
    const int h = std::min(world->Height(), mask->Height());
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        mask->SetPixel(x, y, world->GetPixel(x, y) == 0xFFFFFFFFu ? 0xFF000000u : 0xFFFFFFFFu);
      }
    }
  }
  return true;
}

size_t QuickTimeMovie::CopyFramePixels(TimeValue time, uint8_t* buffer, size_t capacity, const PixelRect* source) {
  const PixelRect& part = source != nullptr ? *source : box_;
  uint32_t width = 0, height = 0;
  size_t count = 0;
  if (!RectSize(part.Width(), part.Height(), width, height) || !BitmapByteCount(width, height, 4, count)) return 0;
  if (buffer == nullptr) return count;
  uint32_t boxWidth = 0, boxHeight = 0;
  if (capacity < count || !RectSize(box_.Width(), box_.Height(), boxWidth, boxHeight) || width > boxWidth ||
      height > boxHeight) {
    return 0;
  }
  if (width == boxWidth && height == boxHeight) return Render(time, true, width, height, buffer) ? count : 0;
  auto whole = NewPixels(boxWidth, boxHeight, 4);
  if (!whole || !Render(time, true, boxWidth, boxHeight, whole.get())) return 0;
  for (uint32_t y = 0; y < height; ++y) {
    std::memcpy(buffer + size_t{y} * width * 4, whole.get() + size_t{y} * boxWidth * 4, size_t{width} * 4);
  }
  return count;
}

bool IsQuickTimeInstalled() { return host::av::LibrariesMatch(); }

uint16_t GetQuickTimeVersion() {
  if (g_versionForTesting) return *g_versionForTesting;
  return IsQuickTimeInstalled() ? 0x0700 : 0;
}

void SetQuickTimeVersionForTesting(std::optional<uint16_t> version) { g_versionForTesting = version; }
