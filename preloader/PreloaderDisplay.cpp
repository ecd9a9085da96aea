#include "preloader/PreloaderDisplay.h"

#include "preloader/PreloaderData.h"

namespace {

bool InRange(int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; }

// The last component of a path.
WideString FileNameOf(const WideString& path) {
  const size_t slash = path.find_last_of(L'/');
  return slash == WideString::npos ? path : WideString(path.substr(slash + 1));
}

// Library names are ordered by their first 256 characters.
int CompareNames(const WideString& a, const WideString& b) {
  return a.compare(0, 256, b, 0, 256);
}

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
