#include "preloader/BackgroundImage.h"

#include <sys/stat.h>

#include "preloader/ProjectTypes.h"

namespace {

const wchar_t* const kExportWords[] = {L"jpeg", L"jpeg_import_data", L"lossless_24", L"lossless_15", L"lossless_8"};
const WordList kExportTypeWords = {kExportWords, 5};

}  // namespace

void BackgroundImage::Reset() {
  path_.clear();
  exportType_ = kBackgroundJpeg;
  quality_ = 80;
  width_ = 320;
  height_ = 240;
  x_ = 0;
  y_ = 0;
  scaleToFit_ = true;
  tile_ = false;
  adjustBitmapShift_ = false;
  enabled_ = false;
}

void BackgroundImage::SetEnabled(bool enabled) { ChangeValue(enabled_, enabled); }
void BackgroundImage::SetPath(const WideString& path) { ChangeValue(path_, path); }
void BackgroundImage::SetExportType(BackgroundExportType type) { ChangeValue(exportType_, static_cast<int32_t>(type)); }

bool BackgroundImage::SetQuality(int32_t quality) {
  if (quality < GetQualityMin() || quality > GetQualityMax()) return false;
  ChangeValue(quality_, quality);
  return true;
}

bool BackgroundImage::SetWidth(int32_t width) {
  if (width < GetWidthMin() || width > GetWidthMax()) return false;
  ChangeValue(width_, width);
  return true;
}

bool BackgroundImage::SetHeight(int32_t height) {
  if (height < GetHeightMin() || height > GetHeightMax()) return false;
  ChangeValue(height_, height);
  return true;
}

void BackgroundImage::SetX(int32_t x) { ChangeValue(x_, x); }
void BackgroundImage::SetY(int32_t y) { ChangeValue(y_, y); }
void BackgroundImage::SetScaleToFit(bool on) { ChangeValue(scaleToFit_, on); }
void BackgroundImage::SetTile(bool on) { ChangeValue(tile_, on); }
void BackgroundImage::SetAdjustBitmapShift(bool on) { ChangeValue(adjustBitmapShift_, on); }

bool BackgroundImage::FileExists() const {
  if (path_.empty()) return false;
  struct stat info;
  return ::stat(WideToUtf8(path_).c_str(), &info) == 0;
}

bool BackgroundImage::WriteXml(XmlWriter& w) const {
  w.WriteRaw(L"<bg_image");
  projectxml::Bool(w, L"enable", enabled_);
  // Written as stored: the path the user chose, whether or not the file is there today.
  projectxml::Text(w, L"src", path_);
  projectxml::Word(w, L"export_type", exportType_, kExportTypeWords);
  projectxml::Int(w, L"quality", quality_);
  projectxml::Int(w, L"width", width_);
  projectxml::Int(w, L"height", height_);
  projectxml::Int(w, L"x", x_);
  projectxml::Int(w, L"y", y_);
  projectxml::Bool(w, L"scale_to_fit", scaleToFit_);
  projectxml::Bool(w, L"tile", tile_);
  projectxml::Bool(w, L"adjust_bitmap_shift", adjustBitmapShift_);
  w.WriteRaw(L" />\n");
  return true;
}

bool BackgroundImage::ReadXml(const XmlElement& element) {
  projectxml::Attributes a;
  if (!a.Load(element)) return true;
  a.Bool("enable", enabled_);
  if (a.Has("src")) {
    path_.clear();
    a.Text("src", path_);
  }
  a.Word("export_type", kExportTypeWords, exportType_);
  a.Int("quality", quality_);
  a.Int("width", width_);
  a.Int("height", height_);
  a.Int("x", x_);
  a.Int("y", y_);
  a.Bool("scale_to_fit", scaleToFit_);
  a.Bool("tile", tile_);
  a.Bool("adjust_bitmap_shift", adjustBitmapShift_);
  return path_.empty() || FileExists();
}
