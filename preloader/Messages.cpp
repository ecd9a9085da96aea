#include "preloader/Messages.h"

#include "preloader/PreloaderData.h"
#include "preloader/TextEffect.h"

namespace {

bool InRange(int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; }

// The point on the stage that an alignment names: 0, half or all of the extent; the
// current value for anything else.
int32_t AlignedCoordinate(int32_t align, int32_t extent, int32_t current) {
  switch (align) {
    case 0: return 0;
    case 1: return extent / 2;
    case 2: return extent;
    default: return current;
  }
}

}  // namespace

void TextMessage::SetText(const WideString& text) {
  if (GetText() == text) return;
  TextBlock::SetText(text);
  CountModification();
}

void TextMessage::SetFont(const FontSpec& font) {
  if (GetFont().Equals(font)) {
    TextBlock::SetFont(font);
    return;
  }
  TextBlock::SetFont(font);
  CountModification();
}

void TextMessage::SetColor(uint32_t color) {
  if (GetColor() == color) return;
  TextBlock::SetColor(color);
  CountModification();
}

bool TextMessage::SetX(int32_t x) {
  if (!InRange(x, GetXMin(), GetXMax())) return false;
  if (GetX() != x) {
    TextBlock::SetX(x);
    CountModification();
  }
  return true;
}

bool TextMessage::SetY(int32_t y) {
  if (!InRange(y, GetYMin(), GetYMax())) return false;
  if (GetY() != y) {
    TextBlock::SetY(y);
    CountModification();
  }
  return true;
}

bool TextMessage::SetTracking(int32_t tracking) {
  if (!InRange(tracking, GetTrackingMin(), GetTrackingMax())) return false;
  if (GetTracking() != tracking) {
    TextBlock::SetTracking(tracking);
    CountModification();
  }
  return true;
}

bool TextMessage::SetLeading(int32_t leading) {
  if (!InRange(leading, GetLeadingMin(), GetLeadingMax())) return false;
  if (GetLeading() != leading) {
    TextBlock::SetLeading(leading);
    CountModification();
  }
  return true;
}

bool TextMessage::SetAlpha(int32_t alpha) {
  if (!InRange(alpha, GetAlphaMin(), GetAlphaMax())) return false;
  ChangeValue(alpha_, alpha);
  return true;
}

void TextMessage::SetVAlign(VAlign align) { ChangeValue(vAlign_, static_cast<int32_t>(align)); }
void TextMessage::SetAlignToDoc(bool on) { ChangeValue(alignToDoc_, on); }
void TextMessage::SetRotateType(RotateType type) { ChangeValue(rotateType_, static_cast<int32_t>(type)); }
void TextMessage::SetSkew0(double degrees) { ChangeValue(skew0_, degrees); }
void TextMessage::SetSkew1(double degrees) { ChangeValue(skew1_, degrees); }

void TextMessage::SetSkew(double degrees) {
  if (skew0_ == degrees && skew1_ == degrees) return;
  skew0_ = degrees;
  skew1_ = degrees;
  CountModification();
}

void TextMessage::AlignTo(const PreloaderData& project, int32_t hAlign) {
  if (!alignToDoc_) return;
  SetX(AlignedCoordinate(hAlign, project.GetTargetWidth(), GetX()));
  SetY(AlignedCoordinate(vAlign_, project.GetTargetHeight(), GetY()));
}

void TextMessage::WriteTextAttributes(XmlWriter& w) const {
  using namespace projectxml;
  Text(w, L"txt", GetText());
  Text(w, L"fnt_name", GetFont().GetName());
  Int(w, L"font_size", GetFont().GetSize());
  Bool(w, L"font_italic", GetFont().IsItalic());
  Bool(w, L"font_bold", GetFont().IsBold());
  Int(w, L"color", static_cast<int32_t>(GetColor()));
  Int(w, L"alpha", alpha_);
  Int(w, L"x", GetX());
  Int(w, L"y", GetY());
  Int(w, L"tracking", GetTracking());
  Int(w, L"leading", GetLeading());
}

void TextMessage::WriteRotation(XmlWriter& w) const {
  projectxml::Word(w, L"rotate_type", rotateType_, kRotateTypeWords);
  projectxml::Double(w, L"skew0", skew0_);
  projectxml::Double(w, L"skew1", skew1_);
}

void TextMessage::ReadCommonAttributes(const projectxml::Attributes& a) {
  XmlElement value;
  WideString text;
  if (a.Text("txt", text)) {
    SetText(text);
  } else if (a.Find("text", value) && value.GetBase64Text(text)) {
    SetText(text);  // the older form: Base64 of the Mac Roman text
  }
  // The name is kept as saved, also when this machine has no such family.
  if (a.Text("fnt_name", text)) {
    Font().SetFontByName(text);
  } else if (a.Find("font_name", value) && value.GetBase64Text(text)) {
    Font().SetFontByName(text);
  }
  int32_t number = 0;
  bool flag = false;
  if (a.Int("font_size", number)) Font().SetSize(number);
  if (a.Bool("font_italic", flag)) Font().SetItalic(flag);
  if (a.Bool("font_bold", flag)) Font().SetBold(flag);
  // The older style record overrides size and style, wherever it stands in the element.
  if (a.Find("font", value)) {
    uint8_t record[FontStyleRecord::kSize] = {};
    size_t length = 0;
    if (value.GetBase64Bytes(record, sizeof record, &length)) {
      const WideString name = GetFont().GetName();
      Font().SetNameAndStyle(name, FontStyleRecord::FromBytes(record, length));
    }
  }
  uint32_t color = 0;
  if (a.UInt("color", color)) SetColor(color);
  if (a.Int("alpha", number)) SetAlpha(number);
  if (a.Int("x", number)) SetX(number);
  if (a.Int("y", number)) SetY(number);
  if (a.Int("tracking", number)) SetTracking(number);
  if (a.Int("leading", number)) SetLeading(number);
  if (a.Word("valign", kVAlignWords, number)) SetVAlign(static_cast<VAlign>(number));
  if (a.Bool("align_to_doc", flag)) SetAlignToDoc(flag);
  if (a.Word("rotate_type", kRotateTypeWords, number)) SetRotateType(static_cast<RotateType>(number));
  double angle = 0.0;
  if (a.Double("skew0", angle)) SetSkew0(angle);
  if (a.Double("skew1", angle)) SetSkew1(angle);
}

// --- ProgressMessage ---

void ProgressMessage::SetHAlign(HAlign align) {
  if (GetAlignment() == align) return;
  SetAlignment(align);
  CountModification();
}

bool ProgressMessage::WriteXml(XmlWriter& w) const {
  w.WriteRaw(L"<progress_message");
  WriteTextAttributes(w);
  projectxml::Word(w, L"halign", GetHAlign(), kHAlignWords);
  projectxml::Word(w, L"valign", GetVAlign(), kVAlignWords);
  projectxml::Bool(w, L"align_to_doc", GetAlignToDoc());
  WriteRotation(w);
  w.WriteRaw(L" />\n");
  return true;
}

bool ProgressMessage::ReadXml(const XmlElement& element) {
  projectxml::Attributes a;
  if (!a.Load(element)) return true;
  ReadCommonAttributes(a);
  int32_t word = 0;
  if (a.Word("halign", kHAlignWords, word)) SetHAlign(static_cast<HAlign>(word));
  return true;
}

// --- LoadMessage ---

void LoadMessage::SetHAlign(HAlign align) { ChangeValue(hAlign_, static_cast<int32_t>(align)); }
void LoadMessage::SetStartType(StartType type) { ChangeValue(startType_, static_cast<int32_t>(type)); }
void LoadMessage::SetEndType(EndType type) { ChangeValue(endType_, static_cast<int32_t>(type)); }

bool LoadMessage::SetStartTime(int32_t ms) {
  if (!InRange(ms, GetStartTimeMin(), GetStartTimeMax())) return false;
  ChangeValue(startTime_, ms);
  return true;
}

bool LoadMessage::SetEndTime(int32_t ms) {
  if (!InRange(ms, GetEndTimeMin(), GetEndTimeMax())) return false;
  ChangeValue(endTime_, ms);
  return true;
}

bool LoadMessage::SetStartPercent(int32_t percent) {
  if (!InRange(percent, GetStartPercentMin(), GetStartPercentMax())) return false;
  ChangeValue(startPercent_, percent);
  return true;
}

bool LoadMessage::SetEndPercent(int32_t percent) {
  if (!InRange(percent, GetEndPercentMin(), GetEndPercentMax())) return false;
  ChangeValue(endPercent_, percent);
  return true;
}

void LoadMessage::SetTextEffect(TextEffect* effect) { ChangeValue(textEffect_, effect); }

bool LoadMessage::WriteXml(XmlWriter& w) const {
  using namespace projectxml;
  w.WriteRaw(L"<load_message");
  WriteTextAttributes(w);
  Word(w, L"halign", hAlign_, kHAlignWords);
  Word(w, L"valign", GetVAlign(), kVAlignWords);
  Bool(w, L"align_to_doc", GetAlignToDoc());
  Word(w, L"start_type", startType_, kStartTypeWords);
  Int(w, L"start_time", startTime_);
  Int(w, L"start_percent", startPercent_);
  Word(w, L"end_type", endType_, kEndTypeWords);
  Int(w, L"end_time", endTime_);
  Int(w, L"end_percent", endPercent_);
  WriteRotation(w);
  w.WriteRaw(L" >\n");
  if (textEffect_ != nullptr) textEffect_->WriteXml(w);
  w.WriteRaw(L"</load_message>\n");
  return true;
}

bool LoadMessage::ReadXml(const XmlElement& element, PreloaderData& project) {
  projectxml::Attributes a;
  if (!a.Load(element)) return true;
  ReadCommonAttributes(a);
  int32_t number = 0;
  if (a.Word("halign", kHAlignWords, number)) SetHAlign(static_cast<HAlign>(number));
  if (a.Word("start_type", kStartTypeWords, number)) SetStartType(static_cast<StartType>(number));
  if (a.Word("end_type", kEndTypeWords, number)) SetEndType(static_cast<EndType>(number));
  if (a.Int("start_time", number)) SetStartTime(number);
  if (a.Int("end_time", number)) SetEndTime(number);
  if (a.Int("start_percent", number)) SetStartPercent(number);
  if (a.Int("end_percent", number)) SetEndPercent(number);
  XmlChildren children;
  XmlElement child;
  if (element.GetChildren(children)) {
    for (int i = 0; children.GetChild(i, child); ++i) {
      if (child.IsElement() && child.GetName() == L"text_fx") ReadTextEffectXml(child, project);
    }
  }
  return true;
}

bool LoadMessage::ReadTextEffectXml(const XmlElement& element, PreloaderData& project) {
  SetTextEffect(project.GetTextEffectLibrary().ReadXml(element));
  return true;
}
