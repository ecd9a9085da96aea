#include "preloader/ImportItem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstdint>

#include "media/QuickTimeMovie.h"
#include "preloader/PreloaderData.h"
#include "swf/SwfBasicRecords.h"
#include "swf/SwfCompression.h"
#include "swf/SwfFileInfo.h"

namespace {

const wchar_t* const kImageWords[] = {L"jpeg", L"lossless24", L"lossless15", L"lossless8"};
const WordList kImageTypeWords = {kImageWords, 4};

// Whether the file starts like a picture (JPEG, PNG, GIF, BMP, TIFF): only these are handed
// to the image layer.
bool LooksLikePicture(const WideString& path) {
  const int fd = ::open(WideToUtf8(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  unsigned char b[4] = {};
  ssize_t got = -1;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) got = ::read(fd, b, sizeof b);
  ::close(fd);
  if (got < 2) return false;
  const size_t n = static_cast<size_t>(got);
  if (n >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return true;
  if (n >= 4 && b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G') return true;
  if (n >= 4 && b[0] == 'G' && b[1] == 'I' && b[2] == 'F' && b[3] == '8') return true;
  if (b[0] == 'B' && b[1] == 'M') return true;
  if (n >= 4 && ((b[0] == 'I' && b[1] == 'I' && b[2] == 42 && b[3] == 0) ||
                 (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && b[3] == 42)))
    return true;
  return false;
}

bool InRange(int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; }

// Scale times size, truncated, kept inside the int range.
int32_t ScaledSize(double scale, int32_t size, double round) {
  const double v = scale * static_cast<double>(size) + round;
  if (!(v > -2147483648.0)) return v != v ? 0 : INT32_MIN;
  if (v >= 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(v);
}

}  // namespace

void ImportItem::Reset() {
  startWidth_ = 1;
  startHeight_ = 1;
  finalWidth_ = 100;
  finalHeight_ = 100;
  widthScale_ = 1.0;
  heightScale_ = 1.0;
  x_ = 0;
  y_ = 0;
  sourceKind_ = kImportSourceSwf;
  exportImageType_ = kImportJpeg;
  startType_ = kStartTime;
  endType_ = kEndDone;
  startTime_ = 0;
  endTime_ = 1000;
  startPercent_ = 0;
  endPercent_ = 100;
  imageQuality_ = 80;
  adjustBitmapShift_ = false;
  hAlign_ = kHAlignLeft;
  vAlign_ = kVAlignTop;
  alignToDoc_ = true;
  embedImage_ = false;
  bitmapId_ = 0;
  shapeId_ = 0;
  spriteId_ = 0;
}

void ImportItem::SetPath(const WideString& path) {
  if (path_ != path) CountModification();
  path_ = path;
  sourceKind_ = kImportSourceSwf;
  // Only regular files are probed: a name of a pipe or a device must not make opening a
  // project wait.
  struct stat info;
  if (path_.empty() || ::stat(WideToUtf8(path_).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  if (!HasSwfSignature(path_)) {
    // A picture the image layer opens is measured at its natural size.
    QuickTimeMovie movie;
    if (!LooksLikePicture(path_) || !movie.Open(path_) || !movie.HasVisualTrack()) return;
    sourceKind_ = kImportSourceImage;
    int width = 0, height = 0;
    movie.GetSize(width, height);
    startWidth_ = width;
    startHeight_ = height;
    finalWidth_ = ScaledSize(widthScale_, startWidth_, 0.0);
    finalHeight_ = ScaledSize(heightScale_, startHeight_, 0.0);
    return;
  }
  int32_t width = 0, height = 0;
  if (ReadSwfFileInfo(path_, &width, &height, nullptr, nullptr, nullptr, nullptr)) {
    startWidth_ = width / 20;
    startHeight_ = height / 20;
    finalWidth_ = ScaledSize(widthScale_, startWidth_, 0.0);
    finalHeight_ = ScaledSize(heightScale_, startHeight_, 0.0);
  } else {
    finalWidth_ = 100;
    finalHeight_ = 100;
  }
}

bool ImportItem::SetFinalWidth(int32_t width) {
  if (!InRange(width, GetWidthMin(), GetWidthMax())) return false;
  ChangeValue(finalWidth_, width);
  widthScale_ = static_cast<double>(finalWidth_) / static_cast<double>(startWidth_ != 0 ? startWidth_ : 1);
  return true;
}

bool ImportItem::SetFinalHeight(int32_t height) {
  if (!InRange(height, GetHeightMin(), GetHeightMax())) return false;
  ChangeValue(finalHeight_, height);
  heightScale_ = static_cast<double>(finalHeight_) / static_cast<double>(startHeight_ != 0 ? startHeight_ : 1);
  return true;
}

bool ImportItem::SetWidthScale(double scale) {
  if (!(scale >= GetWidthScaleMin() && scale <= GetWidthScaleMax())) return false;
  ChangeValue(widthScale_, scale);
  finalWidth_ = ScaledSize(widthScale_, startWidth_, 0.5);
  return true;
}

bool ImportItem::SetHeightScale(double scale) {
  if (!(scale >= GetHeightScaleMin() && scale <= GetHeightScaleMax())) return false;
  ChangeValue(heightScale_, scale);
  finalHeight_ = ScaledSize(heightScale_, startHeight_, 0.5);
  return true;
}

bool ImportItem::SetX(int32_t x) {
  if (!InRange(x, GetXMin(), GetXMax())) return false;
  ChangeValue(x_, x);
  return true;
}

bool ImportItem::SetY(int32_t y) {
  if (!InRange(y, GetYMin(), GetYMax())) return false;
  ChangeValue(y_, y);
  return true;
}

bool ImportItem::SetImageQuality(int32_t quality) {
  if (!InRange(quality, GetImageQualityMin(), GetImageQualityMax())) return false;
  ChangeValue(imageQuality_, quality);
  return true;
}

bool ImportItem::SetStartTime(int32_t ms) {
  if (!InRange(ms, GetStartTimeMin(), GetStartTimeMax())) return false;
  ChangeValue(startTime_, ms);
  return true;
}

bool ImportItem::SetEndTime(int32_t ms) {
  if (!InRange(ms, GetEndTimeMin(), GetEndTimeMax())) return false;
  ChangeValue(endTime_, ms);
  return true;
}

bool ImportItem::SetStartPercent(int32_t percent) {
  if (!InRange(percent, GetStartPercentMin(), GetStartPercentMax())) return false;
  ChangeValue(startPercent_, percent);
  return true;
}

bool ImportItem::SetEndPercent(int32_t percent) {
  if (!InRange(percent, GetEndPercentMin(), GetEndPercentMax())) return false;
  ChangeValue(endPercent_, percent);
  return true;
}

void ImportItem::SetStartType(StartType type) { ChangeValue(startType_, static_cast<int32_t>(type)); }
void ImportItem::SetEndType(EndType type) { ChangeValue(endType_, static_cast<int32_t>(type)); }
void ImportItem::SetHAlign(HAlign align) { ChangeValue(hAlign_, static_cast<int32_t>(align)); }
void ImportItem::SetVAlign(VAlign align) { ChangeValue(vAlign_, static_cast<int32_t>(align)); }
void ImportItem::SetAlignToDoc(bool on) { ChangeValue(alignToDoc_, on); }
void ImportItem::SetEmbedImage(bool on) { ChangeValue(embedImage_, on); }
void ImportItem::SetAdjustBitmapShift(bool on) { ChangeValue(adjustBitmapShift_, on); }
void ImportItem::SetExportImageType(ImportImageType type) { ChangeValue(exportImageType_, static_cast<int32_t>(type)); }

void ImportItem::AlignToDocument(const PreloaderData& project) {
  if (!alignToDoc_) return;
  const int32_t w = project.GetTargetWidth();
  const int32_t h = project.GetTargetHeight();
  int32_t x = x_;
  int32_t y = y_;
  if (hAlign_ == kHAlignLeft) x = 0;
  if (hAlign_ == kHAlignCenter) x = w / 2;
  if (hAlign_ == kHAlignRight) x = w;
  if (vAlign_ == kVAlignTop) y = 0;
  if (vAlign_ == kVAlignCenter) y = h / 2;
  if (vAlign_ == kVAlignBottom) y = h;
  SetX(x);
  SetY(y);
}

bool ImportItem::WriteXml(XmlWriter& w) const {
  using namespace projectxml;
  w.WriteRaw(L"<imports");
  Text(w, L"src", path_);
  Int(w, L"width_start", startWidth_);
  Double(w, L"width_scale", widthScale_);
  Int(w, L"width_final", finalWidth_);
  Int(w, L"height_start", startHeight_);
  Double(w, L"height_scale", heightScale_);
  Int(w, L"height_final", finalHeight_);
  Int(w, L"x", x_);
  Int(w, L"y", y_);
  Word(w, L"halign", hAlign_, kHAlignWords);
  Word(w, L"valign", vAlign_, kVAlignWords);
  Bool(w, L"align_to_doc", alignToDoc_);
  Word(w, L"start_type", startType_, kStartTypeWords);
  Int(w, L"start_time", startTime_);
  Int(w, L"start_percent", startPercent_);
  Word(w, L"end_type", endType_, kEndTypeWords);
  Int(w, L"end_time", endTime_);
  Int(w, L"end_percent", endPercent_);
  Int(w, L"image_quality", imageQuality_);
  Bool(w, L"embed_image", embedImage_);
  Bool(w, L"adjust_bitmap_shift", adjustBitmapShift_);
  Word(w, L"export_image_type", exportImageType_, kImageTypeWords);
  w.WriteRaw(L" />\n");
  return true;
}

bool ImportItem::ReadXml(const XmlElement& element) {
  projectxml::Attributes a;
  if (!a.Load(element)) return true;
  WideString text;
  if (a.Text("src", text)) SetPath(text);
  a.Int("width_start", startWidth_);
  a.Double("width_scale", widthScale_);
  a.Int("width_final", finalWidth_);
  a.Int("height_start", startHeight_);
  a.Double("height_scale", heightScale_);
  a.Int("height_final", finalHeight_);
  int32_t number = 0;
  if (a.Int("x", number)) SetX(number);
  if (a.Int("y", number)) SetY(number);
  a.Word("halign", kHAlignWords, hAlign_);
  a.Word("valign", kVAlignWords, vAlign_);
  a.Bool("align_to_doc", alignToDoc_);
  a.Word("start_type", kStartTypeWords, startType_);
  if (a.Int("start_time", number)) SetStartTime(number);
  if (a.Int("start_percent", number)) SetStartPercent(number);
  a.Word("end_type", kEndTypeWords, endType_);
  if (a.Int("end_time", number)) SetEndTime(number);
  if (a.Int("end_percent", number)) SetEndPercent(number);
  a.Bool("embed_image", embedImage_);
  a.Int("image_quality", imageQuality_);
  a.Bool("adjust_bitmap_shift", adjustBitmapShift_);
  a.Word("export_image_type", kImageTypeWords, exportImageType_);
  return true;
}

std::unique_ptr<SwfMatrix> ImportItem::GetPlacementMatrix() const {
  // Sizes read from a document are unchecked: computed wide and kept inside the field.
  int64_t tx = int64_t{x_} * 20;
  int64_t ty = int64_t{y_} * 20;
  const int64_t width = int64_t{finalWidth_} * 20;
  const int64_t height = int64_t{finalHeight_} * 20;
  if (hAlign_ == kHAlignCenter) tx -= width >> 1;
  if (hAlign_ == kHAlignRight) tx -= width;
  if (vAlign_ == kVAlignCenter) ty -= height >> 1;
  if (vAlign_ == kVAlignBottom) ty -= height;
  const auto field = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
  return SwfMatrix::Make(field(tx), field(ty), static_cast<float>(widthScale_), static_cast<float>(heightScale_), 0.0f,
                         0.0f);
}
