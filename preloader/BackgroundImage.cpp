#include "preloader/BackgroundImage.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "media/Bitmap.h"
#include "media/BitmapTagMaker.h"
#include "media/QuickTimeMovie.h"
#include "preloader/ProjectTypes.h"
#include "swf/DefineShapeTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/ShapeStyles.h"
#include "swf/SwfFileWriter.h"

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

namespace {

// A JPEG that players draw as it stands: a baseline or extended sequential frame of one or
// three components. Progressive, lossless or CMYK data shows as garbage or nothing, and is
// rendered and compressed again instead. Reads at most the first megabyte's markers.
bool IsPlayableJpeg(const WideString& path) {
  std::ifstream in(std::filesystem::path(WideToUtf8(path)), std::ios::binary);
  if (!in) return false;
  std::vector<uint8_t> data(1 << 20);
  in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
  data.resize(static_cast<size_t>(in.gcount()));
  if (data.size() < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
  size_t at = 2;
  while (at + 4 <= data.size()) {
    if (data[at] != 0xFF) return false;
    const uint8_t marker = data[at + 1];
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    const size_t length = (static_cast<size_t>(data[at + 2]) << 8) | data[at + 3];
    if (length < 2) return false;
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      if (marker != 0xC0 && marker != 0xC1) return false;
      if (at + 10 > data.size()) return false;
      const uint8_t components = data[at + 9];
      return components == 1 || components == 3;
    }
    if (marker == 0xDA || marker == 0xD9) return false;
    at += 2 + length;
  }
  return false;
}

// 16.16 fixed point of a positive scale, rounded.
int32_t FillScale(double scale) { return static_cast<int32_t>(scale * 65536.0 + 0.5); }

}  // namespace

uint16_t BackgroundImage::DefineSwfCharacters(SwfFileWriter& writer, uint16_t* characterIds, std::string* why) {
  const auto fail = [&](const std::string& text) -> uint16_t {
    if (why) *why = text;
    return 0;
  };
  if (why) why->clear();
  shapeId_ = 0;
  if (!enabled_) return 0;
  // A document's size is read unchecked: a bitmap is made only within the dialog's limits.
  if (width_ < GetWidthMin() || width_ > GetWidthMax() || height_ < GetHeightMin() || height_ > GetHeightMax())
    return fail("its size of " + std::to_string(width_) + " x " + std::to_string(height_) + " pixels is outside 1 to " +
                std::to_string(GetWidthMax()));
  // Within the dialog's limits an image may still hold more pixels than one bitmap can.
  size_t bytes = 0;
  if (!BitmapByteCount(static_cast<uint64_t>(width_), static_cast<uint64_t>(height_), 3, bytes))
    return fail("at " + std::to_string(width_) + " x " + std::to_string(height_) +
                " pixels it is larger than a bitmap can be (" + std::to_string(kMaxBitmapPixels) + " pixels at most)");
  if (path_.empty()) return fail("it names no image file");
  QuickTimeMovie movie;
  if (!movie.Open(path_)) return fail("the image file cannot be read");
  int nativeWidth = 0;
  int nativeHeight = 0;
  movie.GetSize(nativeWidth, nativeHeight);
  if (nativeWidth <= 0 || nativeHeight <= 0) nativeWidth = nativeHeight = 1;
  if (!movie.SetSize(width_, height_)) return fail("the image cannot be rendered at its size");
  const size_t count = movie.RenderFrame(0, nullptr, 0, nullptr, nullptr, 24);
  if (count == 0) return fail("the image cannot be rendered");
  std::vector<uint8_t> pixels(count);
  if (movie.RenderFrame(0, pixels.data(), pixels.size(), nullptr, nullptr, 24) == 0)
    return fail("the image cannot be rendered");

  const uint16_t bitmapId = ++*characterIds;
  const auto width = static_cast<uint32_t>(width_);
  const auto height = static_cast<uint32_t>(height_);
  BitmapTagMaker maker;
  std::unique_ptr<SwfCharacterTag> bitmap;
  // The file's own JPEG data is used only when players can draw it; otherwise the rendered
  // pixels are compressed at the quality.
  const bool ownJpeg = exportType_ == kBackgroundJpegImportData && IsPlayableJpeg(path_);
  if (ownJpeg)
    bitmap = maker.MakeJpegFromFile(path_, width, height);
  else if (exportType_ == kBackgroundJpeg || exportType_ == kBackgroundJpegImportData)
    bitmap = maker.MakeJpegFromPixels(pixels.data(), width, height, quality_);
  else
    bitmap = maker.MakeLossless(pixels.data(), width, height, 24);
  if (!bitmap) return fail("no bitmap can be made of it");
  bitmap->SetCharacterId(bitmapId);
  writer.AddTag(std::move(bitmap));
  pixels = {};

  // Without tiling the shape is no larger than the image where the image is smaller than
  // the stage.
  int32_t shapeWidth = writer.GetStageWidth();
  int32_t shapeHeight = writer.GetStageHeight();
  if (!tile_ && (width_ * 20 < shapeWidth || height_ * 20 < shapeHeight)) {
    shapeWidth = width_ * 20;
    shapeHeight = height_ * 20;
  }
  // The file's own JPEG keeps its natural size: the fill scales it to the image's size.
  double scaleX = 20.0;
  double scaleY = 20.0;
  if (ownJpeg) {
    scaleX = 20.0 * width_ / nativeWidth;
    scaleY = 20.0 * height_ / nativeHeight;
  }
  if (adjustBitmapShift_) {
    scaleX *= 0.999;
    scaleY *= 0.999;
  }
  auto matrix = std::make_unique<SwfMatrix>();
  matrix->hasScale = true;
  matrix->scaleX = FillScale(scaleX);
  matrix->scaleY = FillScale(scaleY);
  auto fill = std::make_unique<FillStyle>();
  fill->InitBitmapFill(tile_ ? 0x40 : 0x41, bitmapId, std::move(matrix));
  auto shape = std::make_unique<DefineShapeTag>();
  shape->BuildRectangle(0, 0, shapeWidth, shapeHeight, std::move(fill), nullptr);
  shapeId_ = ++*characterIds;
  shape->SetCharacterId(shapeId_);
  writer.AddTag(std::move(shape));
  return shapeId_;
}

std::unique_ptr<PlaceObject2Tag> BackgroundImage::CreatePlaceObject(uint16_t* depths) const {
  if (shapeId_ == 0) return nullptr;
  auto place = std::make_unique<PlaceObject2Tag>();
  place->SetCharacterId(shapeId_);
  place->depth = ++*depths;
  if (x_ != 0 || y_ != 0) {
    auto matrix = std::make_unique<SwfMatrix>();
    matrix->translateX = x_ * 20;
    matrix->translateY = y_ * 20;
    place->SetMatrix(std::move(matrix));
  }
  return place;
}
