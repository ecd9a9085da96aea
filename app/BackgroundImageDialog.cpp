#include "app/BackgroundImageDialog.h"

#include <algorithm>
#include <string>
#include <vector>

#include "host/ui/Control.h"
#include "host/ui/Event.h"
#include "media/QuickTimeMovie.h"
#include "platform/Paths.h"
#include "platform/TextConversions.h"
#include "platform/WideTextBuffer.h"
#include "preloader/BackgroundImage.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"

namespace {

using host::ui::FourCC;

constexpr int kErrorHeading = 10000, kRefusedHeading = 10001;
constexpr int kFirstExportText = 156, kExportCount = 5;
constexpr int kChooserTitleText = 161, kUnreadableText = 162, kNoImageText = 163;
constexpr int kQualityText = 164, kWidthText = 165, kHeightText = 166;

// The preview is at most this many pixels wide and high.
constexpr int kPreviewSide = 96;

// A field read as a decimal integer; an empty field reads as 0.
int FieldInt(const EditTextField& field) {
  int value = 0;
  return ParseDecimalInt(field.GetTextString().c_str(), value);
}

}  // namespace

bool BackgroundImageDialog::OnInitDialog() {
  AttachControl(FourCC("bBrw"), browse_);
  AttachControl(FourCC("sPth"), path_);
  AttachControl(FourCC("sDim"), dimensions_);
  AttachControl(FourCC("mExp"), exportType_);
  AttachControl(FourCC("sQul"), qualityCaption_);
  AttachControl(FourCC("eQul"), quality_);
  AttachControl(FourCC("cTil"), tile_);
  AttachControl(FourCC("cScl"), scaleToFit_);
  AttachControl(FourCC("cAdj"), adjustShift_);
  AttachControl(FourCC("eBgw"), width_);
  AttachControl(FourCC("eBgh"), height_);
  AttachControl(FourCC("eBgx"), x_);
  AttachControl(FourCC("eBgy"), y_);
  AttachControl(FourCC("uPvw"), preview_);
  exportType_.RemoveAllItems();
  for (int i = 0; i < kExportCount; ++i) exportType_.AppendItemById(kFirstExportText + i);
  Load();
  return true;
}

bool BackgroundImageDialog::OnCommand(uint32_t command, UiEvent& event) {
  (void)event;
  if (command == FourCC("bBrw")) {
    ChooseImage();
  } else if (command == FourCC("cScl")) {
    ApplyScaleToFit();
  } else if (command == FourCC("mExp")) {
    ShowQualityForExport();
  } else if (command == FourCC("ok  ")) {
    if (Store()) EndDialog(static_cast<int>(ui::kResultOk));
  } else if (command == FourCC("not!")) {
    EndDialog(static_cast<int>(ui::kResultCancel));
  } else {
    return false;
  }
  return true;
}

void BackgroundImageDialog::Load() {
  workingPath_ = image_.GetPath();
  exportType_.SelectItem(image_.GetExportType());
  quality_.SetInt(image_.GetQuality(), true);
  tile_.SetChecked(image_.GetTile(), true);
  scaleToFit_.SetChecked(image_.GetScaleToFit(), true);
  adjustShift_.SetChecked(image_.GetAdjustBitmapShift(), true);
  width_.SetInt(image_.GetWidth(), true);
  height_.SetInt(image_.GetHeight(), true);
  x_.SetInt(image_.GetX(), true);
  y_.SetInt(image_.GetY(), true);
  SetImage(workingPath_, false);
  ApplyScaleToFit();
}

void BackgroundImageDialog::ShowQualityForExport() {
  const bool jpeg = exportType_.GetSelectedItem() == kBackgroundJpeg;
  qualityCaption_.Show(jpeg);
  quality_.Show(jpeg);
}

void BackgroundImageDialog::ApplyScaleToFit() {
  const bool fit = scaleToFit_.IsChecked();
  if (fit) {
    width_.SetInt(stage_.right - stage_.left, true);
    height_.SetInt(stage_.bottom - stage_.top, true);
  }
  // Without a picture the size stays disabled with the other settings.
  const bool settingsOn = !workingPath_.empty();
  width_.Enable(settingsOn && !fit);
  height_.Enable(settingsOn && !fit);
}

void BackgroundImageDialog::EnableSettings(bool enable) {
  exportType_.Enable(enable);
  quality_.Enable(enable);
  tile_.Enable(enable);
  scaleToFit_.Enable(enable);
  adjustShift_.Enable(enable);
  x_.Enable(enable);
  y_.Enable(enable);
  const bool sizeOn = enable && !scaleToFit_.IsChecked();
  width_.Enable(sizeOn);
  height_.Enable(sizeOn);
}

bool BackgroundImageDialog::SetImage(const WideString& path, bool reportFailure) {
  QuickTimeMovie movie;
  if (!path.empty() && movie.Open(path) && movie.HasVisualTrack()) {
    workingPath_ = path;
    path_.SetText(MakeAbsolutePath(path), true);
    int width = 0, height = 0;
    movie.GetSize(width, height);
    WideTextBuffer text;
    text.Format(L"%d x %d", width, height);
    dimensions_.SetText(WideString(text.GetText()), true);
    EnableSettings(true);
    ShowQualityForExport();
    ShowPreview(path);
    return true;
  }
  if (reportFailure) ui::ShowErrorBoxById(GetWindowRef(), kErrorHeading, kUnreadableText);
  workingPath_.clear();
  path_.SetTextById(kNoImageText, true);
  dimensions_.Clear(true);
  EnableSettings(false);
  if (preview_.GetControlRef() != nullptr) preview_.GetControlRef()->ClearIcon();
  return false;
}

// The picture scaled to fit the preview square, handed to the button as a PPM image.
void BackgroundImageDialog::ShowPreview(const WideString& path) {
  ControlRef control = preview_.GetControlRef();
  if (control == nullptr) return;
  control->ClearIcon();
  QuickTimeMovie movie;
  if (!movie.Open(path)) return;
  int width = 0, height = 0;
  movie.GetSize(width, height);
  if (width <= 0 || height <= 0) return;
  const int longer = std::max(width, height);
  PixelRect box;
  box.right = std::max(1, static_cast<int>(int64_t{width} * kPreviewSide / longer));
  box.bottom = std::max(1, static_cast<int>(int64_t{height} * kPreviewSide / longer));
  std::vector<uint8_t> rgb(static_cast<size_t>(box.right) * box.bottom * 3);
  if (movie.RenderFrame(0, rgb.data(), rgb.size(), &box, nullptr, 24) != rgb.size()) return;
  std::string ppm = "P6\n" + std::to_string(box.right) + " " + std::to_string(box.bottom) + "\n255\n";
  ppm.append(reinterpret_cast<const char*>(rgb.data()), rgb.size());
  control->SetIconImage(ppm);
}

void BackgroundImageDialog::ChooseImage() {
  ui::FileTypeFilterList filters;
  filters.AddImageFilters();
  WideTextBuffer title(kChooserTitleText);
  ui::FileDialogOptions options;
  options.filters = &filters;
  options.title = title.GetText();
  ui::FileDialogResult reply;
  ui::OpenFileDialog chooser;
  if (!chooser.Run(reply, GetWindowRef(), &options) || !reply.chosen) return;
  SetImage(reply.path, true);
}

bool BackgroundImageDialog::Store() {
  const int quality = FieldInt(quality_);
  const int width = FieldInt(width_);
  const int height = FieldInt(height_);
  // Every value is checked before any is written: a refusal leaves the image as it was.
  int refused = 0;
  if (quality < BackgroundImage::GetQualityMin() || quality > BackgroundImage::GetQualityMax())
    refused = kQualityText;
  else if (width < BackgroundImage::GetWidthMin() || width > BackgroundImage::GetWidthMax())
    refused = kWidthText;
  else if (height < BackgroundImage::GetHeightMin() || height > BackgroundImage::GetHeightMax())
    refused = kHeightText;
  if (refused != 0) {
    ui::ShowErrorBoxById(GetWindowRef(), kRefusedHeading, refused);
    return false;
  }
  image_.SetPath(workingPath_);
  const int type = exportType_.GetSelectedItem();
  if (type >= 0) image_.SetExportType(static_cast<BackgroundExportType>(type));
  image_.SetQuality(quality);
  image_.SetTile(tile_.IsChecked());
  image_.SetScaleToFit(scaleToFit_.IsChecked());
  image_.SetAdjustBitmapShift(adjustShift_.IsChecked());
  image_.SetWidth(width);
  image_.SetHeight(height);
  image_.SetX(FieldInt(x_));
  image_.SetY(FieldInt(y_));
  return true;
}
