// The picture the output movie shows behind the preloader: its file, how it is exported and
// where it stands. Saved as the "bg_image" element of the project.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/WideString.h"

class PlaceObject2Tag;
class SwfFileWriter;
class XmlWriter;
class XmlElement;

enum BackgroundExportType : int32_t {
  kBackgroundJpeg = 0,
  kBackgroundJpegImportData = 1,
  kBackgroundLossless24 = 2,
  kBackgroundLossless15 = 3,
  kBackgroundLossless8 = 4,
};

class BackgroundImage {
 public:
  BackgroundImage() { Reset(); }

  // The values of a new image, without counting (the shape id stays).
  void Reset();

  // Each counts one change when the stored value changes; a setter with a range returns
  // false and changes nothing outside it.
  void SetEnabled(bool enabled);
  void SetPath(const WideString& path);  // exact comparison
  void SetExportType(BackgroundExportType type);
  bool SetQuality(int32_t quality);  // 0..100
  bool SetWidth(int32_t width);      // 1..10000
  bool SetHeight(int32_t height);    // 1..10000
  void SetX(int32_t x);
  void SetY(int32_t y);
  void SetScaleToFit(bool on);
  void SetTile(bool on);
  void SetAdjustBitmapShift(bool on);

  static constexpr int32_t GetQualityMin() { return 0; }
  static constexpr int32_t GetQualityMax() { return 100; }
  static constexpr int32_t GetWidthMin() { return 1; }
  static constexpr int32_t GetWidthMax() { return 10000; }
  static constexpr int32_t GetHeightMin() { return 1; }
  static constexpr int32_t GetHeightMax() { return 10000; }

  bool IsEnabled() const { return enabled_; }
  const WideString& GetPath() const { return path_; }
  int32_t GetExportType() const { return exportType_; }
  int32_t GetQuality() const { return quality_; }
  int32_t GetWidth() const { return width_; }
  int32_t GetHeight() const { return height_; }
  int32_t GetX() const { return x_; }
  int32_t GetY() const { return y_; }
  bool GetScaleToFit() const { return scaleToFit_; }
  bool GetTile() const { return tile_; }
  bool GetAdjustBitmapShift() const { return adjustBitmapShift_; }
  uint16_t GetShapeId() const { return shapeId_; }

  // The "bg_image" element on one line.
  bool WriteXml(XmlWriter& writer) const;
  // Reads the element; values are stored as read, without range checks and without
  // counting. Every attribute is read even when the image file is missing, so that opening
  // and saving a project never loses the user's settings; the result then is false.
  bool ReadXml(const XmlElement& element);
  // The image file exists (false for an empty path).
  bool FileExists() const;

  // Adds the bitmap of the image, rendered at its size, and a shape filled with it to the
  // movie, taking their ids from the counter; returns the shape's id (the bitmap's is one
  // less). 0 when the image is disabled, or when it cannot be shown: `why` then says why in
  // a few words (empty for a disabled image) and no shape is added, though the counter may
  // have moved on for the bitmap.
  uint16_t DefineSwfCharacters(SwfFileWriter& writer, uint16_t* characterIds, std::string* why = nullptr);
  // The placement of the last shape defined at the next depth of the counter, moved by x and
  // y; null when there is no shape.
  std::unique_ptr<PlaceObject2Tag> CreatePlaceObject(uint16_t* depths) const;

 private:
  WideString path_;
  int32_t exportType_ = kBackgroundJpeg;
  int32_t quality_ = 80;
  int32_t width_ = 320;
  int32_t height_ = 240;
  int32_t x_ = 0;
  int32_t y_ = 0;
  bool scaleToFit_ = true;
  bool tile_ = false;
  bool adjustBitmapShift_ = false;
  bool enabled_ = false;
  uint16_t shapeId_ = 0;
};
