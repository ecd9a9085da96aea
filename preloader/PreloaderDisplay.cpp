#include "preloader/PreloaderDisplay.h"

#include <algorithm>

#include "platform/TextConversions.h"
#include "preloader/AnimatedDisplays.h"
#include "preloader/BarDisplays.h"
#include "preloader/DisplayArtwork.h"
#include "preloader/PieDisplay.h"
#include "preloader/PoleAndRotateDisplays.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "preloader/SegmentsDisplay.h"
#include "swf/MovieVariableReader.h"
#include "swf/PlaceObject2Tag.h"

namespace {

bool InRange(int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; }

// The last component of a path.
WideString FileNameOf(const WideString& path) {
  const size_t slash = path.find_last_of(L'/');
  return slash == WideString::npos ? path : WideString(path.substr(slash + 1));
}

// Library names are ordered by their first 256 characters.
int CompareNames(const WideString& a, const WideString& b) { return a.compare(0, 256, b, 0, 256); }

}  // namespace

PreloaderDisplay::PreloaderDisplay() { Reset(); }

double PreloaderDisplay::GetXScale() const {
  return static_cast<double>(width_) / static_cast<double>(baseWidth_ != 0 ? baseWidth_ : 1);
}

double PreloaderDisplay::GetYScale() const {
  return static_cast<double>(height_) / static_cast<double>(baseHeight_ != 0 ? baseHeight_ : 1);
}

bool PreloaderDisplay::ReadTypeXml(const XmlElement&) { return true; }
bool PreloaderDisplay::WriteTypeXml(XmlWriter&) const { return true; }
void PreloaderDisplay::ReadTypeDescription(const MovieVariableReader&) {}
void PreloaderDisplay::AttachScript(PlaceObject2Tag&) {}
bool PreloaderDisplay::AdjustArtwork(DisplayArtwork&) { return true; }

uint16_t PreloaderDisplay::BuildDefinitions(SwfFileWriter& writer, PreloaderBuilder& builder) {
  return ImportArtwork(writer, builder);
}

uint16_t PreloaderDisplay::ImportArtwork(SwfFileWriter& writer, PreloaderBuilder& builder) {
  buildError_.clear();
  buildWarnings_.clear();
  DisplayArtwork artwork;
  if (!artwork.Load(path_, buildError_)) return 0;
  if (!AdjustArtwork(artwork)) return 0;
  uint16_t* counter = builder.GetCharacterIdCounter();
  if (counter == nullptr) {
    buildError_ = "No movie is being built.";
    return 0;
  }
  return artwork.Write(writer, *counter, buildError_);
}

namespace {

// A decimal variable of the library movie, when present.
bool ReadDecimal(const MovieVariableReader& reader, const wchar_t* name, int32_t& out) {
  WideString text;
  if (!reader.GetValue(name, text)) return false;
  int value = 0;
  ParseDecimalInt(text.c_str(), value);
  out = value;
  return true;
}

// A hexadecimal colour of the library movie (red in the low byte), when present.
bool ReadColour(const MovieVariableReader& reader, const wchar_t* name, uint32_t& out) {
  WideString text;
  if (!reader.GetValue(name, text)) return false;
  out = static_cast<uint32_t>(ParseHexInt(text.c_str())) & 0xFFFFFF;
  return true;
}

}  // namespace

bool PreloaderDisplay::ReadDescription(const WideString& path) {
  path_ = path;
  bgcolor_ = 0xFFFFFF;
  MovieVariableReader reader;
  if (!reader.ReadFile(path, 0)) return false;
  WideString text;
  if (reader.GetValue(L"name", text)) name_ = text;
  baseWidth_ = baseHeight_ = 1;
  ReadDecimal(reader, L"base_width", baseWidth_);
  ReadDecimal(reader, L"base_height", baseHeight_);
  varAnm_ = reader.GetValue(L"var_anm", text);
  // Every colour of a project, the preview background included, has red in the low byte.
  ReadColour(reader, L"bgcolor", bgcolor_);
  width_ = baseWidth_;
  height_ = baseHeight_;
  ReadTypeDescription(reader);
  return true;
}

bool PreloaderDisplay::CheckDescription(std::string& why) const {
  // The scales divide by the natural size, and no display can be smaller than a pixel.
  if (baseWidth_ < GetWidthMin() || baseWidth_ > GetWidthMax() || baseHeight_ < GetHeightMin() ||
      baseHeight_ > GetHeightMax()) {
    why = "its base_width and base_height must lie within 1 to 5000 pixels";
    return false;
  }
  return true;
}

int CompareWideNoCase(const WideString& a, const WideString& b) {
  const size_t n = std::max(a.size(), b.size());
  for (size_t i = 0; i <= n; ++i) {
    wchar_t x = i < a.size() ? a[i] : 0;
    wchar_t y = i < b.size() ? b[i] : 0;
    if (x >= L'A' && x <= L'Z') x = static_cast<wchar_t>(x - L'A' + L'a');
    if (y >= L'A' && y <= L'Z') y = static_cast<wchar_t>(y - L'A' + L'a');
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
  return 0;
}

namespace {

std::unique_ptr<PreloaderDisplay> MakeDisplayOfType(const WideString& type) {
  // The display types in the order their names are tried.
  if (CompareWideNoCase(type, L"hbar") == 0) return std::make_unique<HBarDisplay>();
  if (CompareWideNoCase(type, L"bar_seg") == 0) return std::make_unique<BarSegDisplay>();
  if (CompareWideNoCase(type, L"animation") == 0) return std::make_unique<AnimationDisplay>();
  if (CompareWideNoCase(type, L"frame_based") == 0) return std::make_unique<FrameBasedDisplay>();
  if (CompareWideNoCase(type, L"pie") == 0) return std::make_unique<PieDisplay>();
  if (CompareWideNoCase(type, L"pole") == 0) return std::make_unique<PoleDisplay>();
  if (CompareWideNoCase(type, L"rotate") == 0) return std::make_unique<RotateDisplay>();
  if (CompareWideNoCase(type, L"segments") == 0) return std::make_unique<SegmentsDisplay>();
  return nullptr;
}

}  // namespace

std::unique_ptr<PreloaderDisplay> CreatePreloaderDisplay(const WideString& path, std::string* why) {
  std::string ignored;
  std::string& reason = why != nullptr ? *why : ignored;
  MovieVariableReader reader;
  if (!reader.ReadFile(path, 0)) {
    reason = "it cannot be read as a SWF movie";
    return nullptr;
  }
  WideString text;
  if (!reader.GetValue(L"format", text) || CompareWideNoCase(text, L"plenwick") != 0) {
    reason = "its first frame does not declare the format \"plenwick\"";
    return nullptr;
  }
  if (!reader.GetValue(L"type", text)) {
    reason = "its first frame declares no display type";
    return nullptr;
  }
  std::unique_ptr<PreloaderDisplay> display = MakeDisplayOfType(text);
  if (!display) reason = "its display type \"" + WideToUtf8(text) + "\" is not one this program knows";
  return display;
}

std::unique_ptr<PreloaderDisplay> LoadPreloaderDisplay(const WideString& path, std::string* why) {
  std::string ignored;
  std::string& reason = why != nullptr ? *why : ignored;
  std::unique_ptr<PreloaderDisplay> display = CreatePreloaderDisplay(path, &reason);
  if (!display) return nullptr;
  if (!display->ReadDescription(path)) {
    reason = "it cannot be read as a SWF movie";
    return nullptr;
  }
  if (!display->CheckDescription(reason)) return nullptr;
  DisplayArtwork artwork;
  if (!artwork.Load(path, reason)) return nullptr;
  return display;
}

void PreloaderDisplay::Reset() {
  baseWidth_ = baseHeight_ = 1;
  width_ = height_ = 1;
  x_ = y_ = 0;
  hAlign_ = kHAlignCenter;
  vAlign_ = kVAlignCenter;
  alignToDoc_ = true;
  rotateType_ = kRotateNormal;
  skew0_ = skew1_ = 0.0;
  varAnm_ = false;
  ResetTypeDefaults();
}

void PreloaderDisplay::SetBaseSize(int32_t width, int32_t height) {
  baseWidth_ = width_ = width;
  baseHeight_ = height_ = height;
}

bool PreloaderDisplay::SetX(int32_t x) {
  if (!InRange(x, GetXMin(), GetXMax())) return false;
  if (ChangeValue(x_, x)) changed_ = true;
  return true;
}

bool PreloaderDisplay::SetY(int32_t y) {
  if (!InRange(y, GetYMin(), GetYMax())) return false;
  if (ChangeValue(y_, y)) changed_ = true;
  return true;
}

bool PreloaderDisplay::SetWidth(int32_t width) {
  if (!InRange(width, GetWidthMin(), GetWidthMax())) return false;
  if (ChangeValue(width_, width)) changed_ = true;
  return true;
}

bool PreloaderDisplay::SetHeight(int32_t height) {
  if (!InRange(height, GetHeightMin(), GetHeightMax())) return false;
  if (ChangeValue(height_, height)) changed_ = true;
  return true;
}

void PreloaderDisplay::SetHAlign(int32_t align) { ChangeValue(hAlign_, align); }
void PreloaderDisplay::SetVAlign(int32_t align) { ChangeValue(vAlign_, align); }
void PreloaderDisplay::SetAlignToDoc(bool on) { ChangeValue(alignToDoc_, on); }
void PreloaderDisplay::SetRotateType(int32_t type) { ChangeValue(rotateType_, type); }

void PreloaderDisplay::SetSkew0(double degrees) {
  if (ChangeValue(skew0_, degrees)) changed_ = true;
}

void PreloaderDisplay::SetSkew1(double degrees) {
  if (ChangeValue(skew1_, degrees)) changed_ = true;
}

void PreloaderDisplay::SetSkew(double degrees) {
  if (skew0_ == degrees && skew1_ == degrees) return;
  skew0_ = skew1_ = degrees;
  CountModification();
  changed_ = true;
}

void PreloaderDisplay::AlignToDocument(const PreloaderData& project) {
  if (!alignToDoc_) return;
  const int32_t w = project.GetTargetWidth();
  const int32_t h = project.GetTargetHeight();
  int32_t x = x_;
  int32_t y = y_;
  if (hAlign_ == kHAlignLeft) x = 0;
  if (hAlign_ == kHAlignCenter) x = (w >> 1) - (width_ >> 1);
  if (hAlign_ == kHAlignRight) x = w - width_;
  if (vAlign_ == kVAlignTop) y = 0;
  if (vAlign_ == kVAlignCenter) y = (h >> 1) - (height_ >> 1);
  if (vAlign_ == kVAlignBottom) y = h - height_;
  SetX(x);
  SetY(y);
}

bool PreloaderDisplay::WriteXml(XmlWriter& w) const {
  using namespace projectxml;
  // Names come from library files; escaped, so that any name reads back as it was.
  Text(w, L"name", name_);
  Text(w, L"filename", FileNameOf(path_));
  Int(w, L"width", width_);
  Int(w, L"height", height_);
  Int(w, L"x", x_);
  Int(w, L"y", y_);
  Word(w, L"halign", hAlign_, kHAlignWords);
  Word(w, L"valign", vAlign_, kVAlignWords);
  Bool(w, L"align_to_doc", alignToDoc_);
  Word(w, L"rotate_type", rotateType_, kRotateTypeWords);
  Double(w, L"skew0", skew0_);
  Double(w, L"skew1", skew1_);
  return WriteTypeXml(w);
}

bool PreloaderDisplay::ReadXml(const XmlElement& element) {
  projectxml::Attributes a;
  if (a.Load(element)) {
    int32_t number = 0;
    if (a.Int("width", number)) SetWidth(number);
    if (a.Int("height", number)) SetHeight(number);
    if (a.Int("x", number)) SetX(number);
    if (a.Int("y", number)) SetY(number);
    if (a.Word("halign", kHAlignWords, number)) SetHAlign(number);
    if (a.Word("valign", kVAlignWords, number)) SetVAlign(number);
    bool flag = false;
    if (a.Bool("align_to_doc", flag)) SetAlignToDoc(flag);
    if (a.Word("rotate_type", kRotateTypeWords, number)) SetRotateType(number);
    double angle = 0.0;
    if (a.Double("skew0", angle)) SetSkew0(angle);
    if (a.Double("skew1", angle)) SetSkew1(angle);
  }
  return ReadTypeXml(element);
}

void ColorPairDisplay::ResetTypeDefaults() {
  fgColor_ = 0x888888;
  bgColor_ = 0x555555;
  fgRecolor_ = bgRecolor_ = false;
}

void ColorPairDisplay::ReadTypeDescription(const MovieVariableReader& reader) {
  if (ReadColour(reader, L"var_fgcolor", fgColor_)) fgRecolor_ = true;
  if (ReadColour(reader, L"var_bgcolor", bgColor_)) bgRecolor_ = true;
}

bool ColorPairDisplay::AdjustArtwork(DisplayArtwork& artwork) {
  if (fgRecolor_) artwork.Recolor(L"ldrfg", fgColor_);
  if (bgRecolor_) artwork.Recolor(L"ldrbg", bgColor_);
  return true;
}

bool ColorPairDisplay::ReadTypeXml(const XmlElement& element) {
  projectxml::Attributes a;
  if (!a.Load(element)) return true;
  a.UInt("fg_color", fgColor_);
  a.UInt("bg_color", bgColor_);
  return true;
}

bool ColorPairDisplay::WriteTypeXml(XmlWriter& w) const {
  projectxml::UInt(w, L"fg_color", fgColor_);
  projectxml::UInt(w, L"bg_color", bgColor_);
  return true;
}

bool PreloaderLibrary::Insert(std::unique_ptr<PreloaderDisplay>& display) {
  if (!display) return false;
  auto at = displays_.begin();
  for (; at != displays_.end(); ++at) {
    const int order = CompareNames((*at)->GetName(), display->GetName());
    if (order == 0) return false;
    if (order > 0) break;
  }
  displays_.insert(at, std::move(display));
  return true;
}

PreloaderDisplay* PreloaderLibrary::FindByName(const WideString& name) const {
  for (const auto& d : displays_)
    if (d->GetName() == name) return d.get();
  return nullptr;
}

PreloaderDisplay* PreloaderLibrary::ReadDisplayXml(const XmlElement& element) const {
  projectxml::Attributes a;
  WideString name;
  if (!a.Load(element) || !a.Text("name", name)) return nullptr;
  PreloaderDisplay* display = FindByName(name);
  if (display != nullptr) display->ReadXml(element);
  return display;
}

PreloaderDisplay* PreloaderLibrary::Get(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= displays_.size()) return nullptr;
  return displays_[static_cast<size_t>(index)].get();
}
