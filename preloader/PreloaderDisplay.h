// The progress graphic of a preloader: its place, size and angles on the stage and, per type,
// its colours. The displays live in the project's library, which is keyed by name; the
// project points at the chosen one and saves its attributes in the "display" element.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/WideString.h"
#include "preloader/ProjectTypes.h"

class PreloaderData;

class PreloaderDisplay {
 public:
  PreloaderDisplay();
  virtual ~PreloaderDisplay() = default;
  PreloaderDisplay(const PreloaderDisplay&) = delete;
  PreloaderDisplay& operator=(const PreloaderDisplay&) = delete;

  virtual int32_t GetWidth() const { return width_; }
  virtual int32_t GetHeight() const { return height_; }
  virtual double GetXScale() const;
  virtual double GetYScale() const;
  // The type's own defaults (colours and the like); run by Reset.
  virtual void ResetTypeDefaults() {}
  // The type's own attributes of the "display" element, after the common ones.
  virtual bool ReadTypeXml(const XmlElement& element);
  virtual bool WriteTypeXml(XmlWriter& writer) const;

  // Geometry back to the values of a new display (path, name, bgcolor and changed stay).
  void Reset();

  // What the library file says (the preloaders palette sets these when it reads the file).
  void SetPath(const WideString& path) { path_ = path; }
  void SetName(const WideString& name) { name_ = name; }
  // Sets base and current size.
  void SetBaseSize(int32_t width, int32_t height);

  // Checked setters; each counts a change, geometry changes also set the changed flag.
  bool SetX(int32_t x);  // -5000..5000
  bool SetY(int32_t y);
  bool SetWidth(int32_t width);  // 1..5000
  bool SetHeight(int32_t height);
  void SetHAlign(int32_t align);
  void SetVAlign(int32_t align);
  void SetAlignToDoc(bool on);
  void SetRotateType(int32_t type);
  void SetSkew0(double degrees);
  void SetSkew1(double degrees);

  static constexpr int32_t GetXMin() { return -5000; }
  static constexpr int32_t GetXMax() { return 5000; }
  static constexpr int32_t GetYMin() { return -5000; }
  static constexpr int32_t GetYMax() { return 5000; }
  static constexpr int32_t GetWidthMin() { return 1; }
  static constexpr int32_t GetWidthMax() { return 5000; }
  static constexpr int32_t GetHeightMin() { return 1; }
  static constexpr int32_t GetHeightMax() { return 5000; }

  const WideString& GetPath() const { return path_; }
  const WideString& GetName() const { return name_; }
  int32_t GetBaseWidth() const { return baseWidth_; }
  int32_t GetBaseHeight() const { return baseHeight_; }
  int32_t GetX() const { return x_; }
  int32_t GetY() const { return y_; }
  int32_t GetStoredWidth() const { return width_; }
  int32_t GetStoredHeight() const { return height_; }
  int32_t GetHAlign() const { return hAlign_; }
  int32_t GetVAlign() const { return vAlign_; }
  bool GetAlignToDoc() const { return alignToDoc_; }
  int32_t GetRotateType() const { return rotateType_; }
  double GetSkew0() const { return skew0_; }
  double GetSkew1() const { return skew1_; }
  bool IsChanged() const { return changed_; }
  void SetChanged(bool changed) { changed_ = changed; }

  // Keeps the display aligned to the stage by its alignments when align to document is on.
  void AlignToDocument(const PreloaderData& project);

  // The display's attributes of the "display" element (the project writes "enable" before
  // them and closes the element).
  bool WriteXml(XmlWriter& writer) const;
  bool ReadXml(const XmlElement& element);

 private:
  WideString path_;
  WideString name_ = L"Generic";
  int32_t baseWidth_ = 1;
  int32_t baseHeight_ = 1;
  int32_t x_ = 0;
  int32_t y_ = 0;
  int32_t width_ = 1;
  int32_t height_ = 1;
  int32_t rotateType_ = kRotateNormal;
  double skew0_ = 0.0;
  double skew1_ = 0.0;
  uint32_t bgcolor_ = 0xFFFFFF;
  int32_t hAlign_ = kHAlignCenter;
  int32_t vAlign_ = kVAlignCenter;
  bool alignToDoc_ = true;
  bool varAnm_ = false;
  bool changed_ = false;
};

// The colour pair of most display types: the colours given to the instances "ldrfg" and
// "ldrbg" of the artwork, saved as "fg_color" and "bg_color".
class ColorPairDisplay : public PreloaderDisplay {
 public:
  ColorPairDisplay() { ResetTypeDefaults(); }
  void ResetTypeDefaults() override;
  bool ReadTypeXml(const XmlElement& element) override;
  bool WriteTypeXml(XmlWriter& writer) const override;

  uint32_t GetFgColor() const { return fgColor_; }
  uint32_t GetBgColor() const { return bgColor_; }
  void SetFgColor(uint32_t color) { fgColor_ = color; }
  void SetBgColor(uint32_t color) { bgColor_ = color; }

 private:
  uint32_t fgColor_ = 0x888888;
  uint32_t bgColor_ = 0x555555;
};

class PreloaderLibrary {
 public:
  PreloaderLibrary() = default;
  PreloaderLibrary(const PreloaderLibrary&) = delete;
  PreloaderLibrary& operator=(const PreloaderLibrary&) = delete;

  // Takes the display in name order. False (the caller keeps it) for null or a name that
  // is present already.
  bool Insert(std::unique_ptr<PreloaderDisplay>& display);
  // The display of exactly that name, or null.
  PreloaderDisplay* FindByName(const WideString& name) const;
  void Clear() { displays_.clear(); }
  // The display named by the element's "name", after it has read the element; null when
  // the library holds none of that name.
  PreloaderDisplay* ReadDisplayXml(const XmlElement& element) const;

  int GetCount() const { return static_cast<int>(displays_.size()); }
  PreloaderDisplay* Get(int index) const;

 private:
  std::vector<std::unique_ptr<PreloaderDisplay>> displays_;
};
