// One movie or picture that the preloader shows while the target loads, with when it
// appears and goes, its size and its place. Saved as an "imports" item of the project.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/WideString.h"
#include "preloader/ProjectTypes.h"

class PreloaderData;
class SwfMatrix;

enum ImportSourceKind : int32_t { kImportSourceSwf = 0, kImportSourceImage = 1 };
enum ImportImageType : int32_t { kImportJpeg = 0, kImportLossless24 = 1, kImportLossless15 = 2, kImportLossless8 = 3 };

class ImportItem {
 public:
  ImportItem() { Reset(); }

  // The values of a new item, without counting.
  void Reset();

  // Counts a change when the text differs; measures a movie source (its stage size becomes
  // the start size, the final size follows the scales).
  void SetPath(const WideString& path);
  bool SetFinalWidth(int32_t width);    // 1..5000; the width scale follows
  bool SetFinalHeight(int32_t height);  // 1..5000
  bool SetWidthScale(double scale);     // 0.001..500; the final width follows
  bool SetHeightScale(double scale);
  bool SetX(int32_t x);  // -5000..5000
  bool SetY(int32_t y);
  bool SetImageQuality(int32_t quality);  // 0..100
  bool SetStartTime(int32_t ms);          // 0..360000
  bool SetEndTime(int32_t ms);
  bool SetStartPercent(int32_t percent);  // 0..100
  bool SetEndPercent(int32_t percent);
  void SetStartType(StartType type);
  void SetEndType(EndType type);
  void SetHAlign(HAlign align);
  void SetVAlign(VAlign align);
  void SetAlignToDoc(bool on);
  void SetEmbedImage(bool on);
  void SetAdjustBitmapShift(bool on);
  void SetExportImageType(ImportImageType type);

  static constexpr int32_t GetXMin() { return -5000; }
  static constexpr int32_t GetXMax() { return 5000; }
  static constexpr int32_t GetYMin() { return -5000; }
  static constexpr int32_t GetYMax() { return 5000; }
  static constexpr int32_t GetWidthMin() { return 1; }
  static constexpr int32_t GetWidthMax() { return 5000; }
  static constexpr int32_t GetHeightMin() { return 1; }
  static constexpr int32_t GetHeightMax() { return 5000; }
  static constexpr double GetWidthScaleMin() { return 0.001; }
  static constexpr double GetWidthScaleMax() { return 500.0; }
  static constexpr double GetHeightScaleMin() { return 0.001; }
  static constexpr double GetHeightScaleMax() { return 500.0; }
  static constexpr int32_t GetStartTimeMin() { return 0; }
  static constexpr int32_t GetStartTimeMax() { return 360000; }
  static constexpr int32_t GetEndTimeMin() { return 0; }
  static constexpr int32_t GetEndTimeMax() { return 360000; }
  static constexpr int32_t GetStartPercentMin() { return 0; }
  static constexpr int32_t GetStartPercentMax() { return 100; }
  static constexpr int32_t GetEndPercentMin() { return 0; }
  static constexpr int32_t GetEndPercentMax() { return 100; }
  static constexpr int32_t GetImageQualityMin() { return 0; }
  static constexpr int32_t GetImageQualityMax() { return 100; }

  const WideString& GetPath() const { return path_; }
  int32_t GetStartWidth() const { return startWidth_; }
  int32_t GetStartHeight() const { return startHeight_; }
  int32_t GetFinalWidth() const { return finalWidth_; }
  int32_t GetFinalHeight() const { return finalHeight_; }
  double GetWidthScale() const { return widthScale_; }
  double GetHeightScale() const { return heightScale_; }
  int32_t GetX() const { return x_; }
  int32_t GetY() const { return y_; }
  int32_t GetSourceKind() const { return sourceKind_; }
  int32_t GetExportImageType() const { return exportImageType_; }
  int32_t GetStartType() const { return startType_; }
  int32_t GetEndType() const { return endType_; }
  int32_t GetStartTime() const { return startTime_; }
  int32_t GetEndTime() const { return endTime_; }
  int32_t GetStartPercent() const { return startPercent_; }
  int32_t GetEndPercent() const { return endPercent_; }
  int32_t GetImageQuality() const { return imageQuality_; }
  bool GetAdjustBitmapShift() const { return adjustBitmapShift_; }
  int32_t GetHAlign() const { return hAlign_; }
  int32_t GetVAlign() const { return vAlign_; }
  bool GetAlignToDoc() const { return alignToDoc_; }
  bool GetEmbedImage() const { return embedImage_; }

  // The ids a build gives an embedded image's bitmap, shape and the clip that holds the
  // shape (0 when none).
  uint16_t GetBitmapId() const { return bitmapId_; }
  uint16_t GetShapeId() const { return shapeId_; }
  uint16_t GetSpriteId() const { return spriteId_; }
  void SetBitmapId(uint16_t id) { bitmapId_ = id; }
  void SetShapeId(uint16_t id) { shapeId_ = id; }
  void SetSpriteId(uint16_t id) { spriteId_ = id; }
  // An image shown from the movie itself rather than loaded when the movie plays.
  bool IsEmbeddedImage() const { return sourceKind_ == kImportSourceImage && embedImage_; }
  // Places a loaded source at its final size with its alignment point at x, y (twips).
  std::unique_ptr<SwfMatrix> GetPlacementMatrix() const;

  // Moves the alignment point to the stage when align to document is on.
  void AlignToDocument(const PreloaderData& project);

  bool WriteXml(XmlWriter& writer) const;
  bool ReadXml(const XmlElement& element);

 private:
  WideString path_;
  int32_t startWidth_ = 1;
  int32_t startHeight_ = 1;
  int32_t finalWidth_ = 100;
  int32_t finalHeight_ = 100;
  double widthScale_ = 1.0;
  double heightScale_ = 1.0;
  int32_t x_ = 0;
  int32_t y_ = 0;
  int32_t sourceKind_ = kImportSourceSwf;
  int32_t exportImageType_ = kImportJpeg;
  int32_t startType_ = kStartTime;
  int32_t endType_ = kEndDone;
  int32_t startTime_ = 0;
  int32_t endTime_ = 1000;
  int32_t startPercent_ = 0;
  int32_t endPercent_ = 100;
  int32_t imageQuality_ = 80;
  bool adjustBitmapShift_ = false;
  int32_t hAlign_ = kHAlignLeft;
  int32_t vAlign_ = kVAlignTop;
  bool alignToDoc_ = true;
  bool embedImage_ = false;
  uint16_t bitmapId_ = 0;
  uint16_t shapeId_ = 0;
  uint16_t spriteId_ = 0;
};
