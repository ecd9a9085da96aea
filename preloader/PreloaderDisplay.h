// The progress graphic of a preloader: its place, size and angles on the stage and, per type,
// its colours. The displays live in the project's library, which is keyed by name; the
// project points at the chosen one and saves its attributes in the "display" element.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/WideString.h"
#include "preloader/ProjectTypes.h"
#include "ui/Buttons.h"
#include "ui/DialogWindow.h"
#include "ui/StaticText.h"

class MovieVariableReader;
class PlaceObject2Tag;
class PreloaderBuilder;
class PreloaderData;
class SwfFileWriter;
class DisplayArtwork;

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
  // Writes the display's characters through the writer, taking ids from the builder's
  // counter, and returns the id of the display sprite; 0 when it cannot, with
  // GetBuildError saying why (nothing is written then).
  virtual uint16_t BuildDefinitions(SwfFileWriter& writer, PreloaderBuilder& builder);
  // Gives the placement of the display sprite its clip scripts.
  virtual void AttachScript(PlaceObject2Tag& placement);
  // The type's own defaults (colours and the like); run by Reset.
  virtual void ResetTypeDefaults() {}
  // The type's own attributes of the "display" element, after the common ones.
  virtual bool ReadTypeXml(const XmlElement& element);
  virtual bool WriteTypeXml(XmlWriter& writer) const;
  // The type's own variables of the library movie.
  virtual void ReadTypeDescription(const MovieVariableReader& reader);

  // Reads the library movie's description (name, sizes, preview colour, the type's own
  // variables). False when the movie cannot be read; path and preview colour are set then.
  bool ReadDescription(const WideString& path);
  // Whether the description read is one a display can be built from; `why` says why not.
  virtual bool CheckDescription(std::string& why) const;
  // Why the last BuildDefinitions returned 0.
  const std::string& GetBuildError() const { return buildError_; }
  // What the last BuildDefinitions found wrong with the library movie and worked around, a
  // sentence each about the display's artwork.
  const std::vector<std::string>& GetBuildWarnings() const { return buildWarnings_; }

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
  // Both angles: one change when either differs.
  void SetSkew(double degrees);

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
  // The background of the display's own preview, 0x00BBGGRR like every colour of a project.
  uint32_t GetBackgroundColor() const { return bgcolor_; }
  // The library movie declares "var_anm": its artwork writes the loader's anm, which holds
  // the loader back while it is above 0.
  bool HasAnmVariable() const { return varAnm_; }
  bool IsChanged() const { return changed_; }
  void SetChanged(bool changed) { changed_ = changed; }

  // Keeps the display aligned to the stage by its alignments when align to document is on.
  void AlignToDocument(const PreloaderData& project);

  // --- the property panel: the type's own controls, hosted by the Display page ---
  // Makes the type's controls in the host window, embedded in the parent control, their
  // rows starting at the origin's top left; the host is told of changes until
  // DestroyPanel. True.
  bool CreatePanel(DialogWindow& host, ControlRef parent, const UiRect& origin);
  // Disposes the controls and forgets the host. True.
  bool DestroyPanel();
  // Stores what the controls show into the display (setting the changed flag for every
  // value that differs); false when a control holds a value the display refuses.
  bool ApplyPanel() { return ApplyTypeControls(); }
  // A command of a panel control (its number); false when it is none of the panel's.
  bool HandlePanelCommand(uint32_t command) { return HandleTypeCommand(command); }
  virtual bool EnablePanel(bool on);
  // A control of the panel committed its value (the first argument is unused).
  virtual bool OnPanelControlChanged(int unused, ControlRef control);
  DialogWindow* GetPanelHost() const { return panelHost_; }

  // The display's attributes of the "display" element (the project writes "enable" before
  // them and closes the element).
  bool WriteXml(XmlWriter& writer) const;
  bool ReadXml(const XmlElement& element);

 protected:
  // The import of the artwork with a type's changes between collecting and writing.
  uint16_t ImportArtwork(SwfFileWriter& writer, PreloaderBuilder& builder);
  // Changes a type makes to the collected artwork before it is written; false (with the
  // reason in buildError_) stops the build.
  virtual bool AdjustArtwork(DisplayArtwork& artwork);
  // The panel operations of the type (the base has no controls).
  virtual bool HandleTypeCommand(uint32_t command);
  virtual bool CreateTypeControls(DialogWindow& host, ControlRef parent, const UiRect& origin);
  virtual bool DestroyTypeControls();
  virtual bool ApplyTypeControls();
  std::string buildError_;
  std::vector<std::string> buildWarnings_;

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
  [[maybe_unused]] uint32_t bgcolor_ = 0xFFFFFF;
  int32_t hAlign_ = kHAlignCenter;
  int32_t vAlign_ = kVAlignCenter;
  bool alignToDoc_ = true;
  bool varAnm_ = false;
  bool changed_ = false;
  DialogWindow* panelHost_ = nullptr;
};

// The colour pair of most display types: the colours given to the instances "ldrfg" and
// "ldrbg" of the artwork, saved as "fg_color" and "bg_color".
class ColorPairDisplay : public PreloaderDisplay {
 public:
  ColorPairDisplay() { ResetTypeDefaults(); }
  void ResetTypeDefaults() override;
  bool ReadTypeXml(const XmlElement& element) override;
  bool WriteTypeXml(XmlWriter& writer) const override;
  // "var_fgcolor" and "var_bgcolor": each present one turns recolouring of its instance on
  // and gives the colour (hexadecimal, red in the low byte).
  void ReadTypeDescription(const MovieVariableReader& reader) override;

  uint32_t GetFgColor() const { return fgColor_; }
  uint32_t GetBgColor() const { return bgColor_; }
  void SetFgColor(uint32_t color) { fgColor_ = color; }
  void SetBgColor(uint32_t color) { bgColor_ = color; }
  bool IsFgRecolored() const { return fgRecolor_; }
  bool IsBgRecolored() const { return bgRecolor_; }

  // Panel control numbers: the labels and colour buttons of the two colour rows.
  static constexpr int kFgLabel = 10000, kFgButton = 10001, kBgLabel = 10002, kBgButton = 10003;
  bool EnablePanel(bool on) override;

 protected:
  // Gives "ldrfg" and "ldrbg" the colours whose recolouring the library movie declares.
  bool AdjustArtwork(DisplayArtwork& artwork) override;
  // The panel: a row "Fg Color:" with a colour button for a foreground colour the display
  // applies, and a row "Bg Color:" below it for a background colour.
  bool HandleTypeCommand(uint32_t command) override;
  bool CreateTypeControls(DialogWindow& host, ControlRef parent, const UiRect& origin) override;
  bool DestroyTypeControls() override;
  bool ApplyTypeControls() override;
  // Whether the panel has a row for the colour.
  virtual bool HasFgRow() const { return fgRecolor_; }
  virtual bool HasBgRow() const { return bgRecolor_; }
  // The bottom of the colour rows made by CreateTypeControls (its origin's top without any).
  int GetColorRowsBottom() const { return rowsBottom_; }

 private:
  StaticText fgLabel_, bgLabel_;
  ColorButton fgButton_, bgButton_;
  int rowsBottom_ = 0;
  uint32_t fgColor_ = 0x888888;
  uint32_t bgColor_ = 0x555555;
  bool fgRecolor_ = false;
  bool bgRecolor_ = false;
};

// A new display of the library movie's type ("format" must be "plenwick"), its description
// not read yet; null when the movie cannot be read or declares no known type. `why`, when
// given, says why not.
std::unique_ptr<PreloaderDisplay> CreatePreloaderDisplay(const WideString& path, std::string* why = nullptr);

// A display of the library movie with its description read, once the movie has proved
// usable: a known type, sizes within range, and a "Preloader" instance whose artwork is
// complete. Null otherwise, with `why` (when given) saying why.
std::unique_ptr<PreloaderDisplay> LoadPreloaderDisplay(const WideString& path, std::string* why = nullptr);

// Compares two texts letter by letter, A to Z folded to lower case: -1, 0 or 1.
int CompareWideNoCase(const WideString& a, const WideString& b);

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
