// The texts a preloader shows: progress messages (placeholders filled in while the target
// loads) and load messages (shown between a start and an end condition, drawn by a text
// effect). Saved as "progress_message" and "load_message" elements of the project.
#pragma once

#include <cstdint>
#include <memory>

#include "media/TextBlock.h"
#include "preloader/ProjectTypes.h"

class ActionConstantPool;
class DefineEditTextTag;
class DoActionTag;
class FontCollection;
class PreloaderData;
class SwfFileWriter;
class TextEffect;

// What both kinds of message share beyond the text block: alpha, the two angles, the
// alignment along y and the alignment to the stage, with their checked setters.
class TextMessage : public TextBlock {
 public:
  void SetText(const WideString& text);  // counts when the text differs
  void SetFont(const FontSpec& font);    // counts unless family, size and style are equal
  void SetColor(uint32_t color);
  bool SetX(int32_t x);  // -5000..5000
  bool SetY(int32_t y);
  bool SetTracking(int32_t tracking);  // -5000..5000
  bool SetLeading(int32_t leading);    // -5000..5000
  bool SetAlpha(int32_t alpha);        // 0..255
  void SetVAlign(VAlign align);
  void SetAlignToDoc(bool on);
  void SetRotateType(RotateType type);
  void SetSkew0(double degrees);
  void SetSkew1(double degrees);
  void SetSkew(double degrees);  // both angles; counts once

  static constexpr int32_t GetAlphaMin() { return 0; }
  static constexpr int32_t GetAlphaMax() { return 255; }
  static constexpr int32_t GetXMin() { return -5000; }
  static constexpr int32_t GetXMax() { return 5000; }
  static constexpr int32_t GetYMin() { return -5000; }
  static constexpr int32_t GetYMax() { return 5000; }
  static constexpr int32_t GetTrackingMin() { return -5000; }
  static constexpr int32_t GetTrackingMax() { return 5000; }
  static constexpr int32_t GetLeadingMin() { return -5000; }
  static constexpr int32_t GetLeadingMax() { return 5000; }

  int32_t GetAlpha() const { return alpha_; }
  int32_t GetVAlign() const { return vAlign_; }
  bool GetAlignToDoc() const { return alignToDoc_; }
  int32_t GetRotateType() const { return rotateType_; }
  double GetSkew0() const { return skew0_; }
  double GetSkew1() const { return skew1_; }

 protected:
  explicit TextMessage(int32_t vAlign) : vAlign_(vAlign) {}

  // Moves the alignment point to the stage (through SetX and SetY) when align to document
  // is on.
  void AlignTo(const PreloaderData& project, int32_t hAlign);
  // "txt" to "leading", in the saved order.
  void WriteTextAttributes(XmlWriter& w) const;
  // "rotate_type", "skew0", "skew1".
  void WriteRotation(XmlWriter& w) const;
  // Everything both elements carry except "halign" (with the older forms of text and font).
  void ReadCommonAttributes(const projectxml::Attributes& a);

 private:
  int32_t alpha_ = 255;
  int32_t rotateType_ = kRotateNormal;
  double skew0_ = 0.0;
  double skew1_ = 0.0;
  int32_t vAlign_;
  bool alignToDoc_ = true;
};

class ProgressMessage : public TextMessage {
 public:
  ProgressMessage() : TextMessage(kVAlignTop) {}

  // The horizontal alignment is the text block's alignment.
  void SetHAlign(HAlign align);
  int32_t GetHAlign() const { return GetAlignment(); }
  void SetTextCharacterId(uint16_t id) { textCharacterId_ = id; }
  uint16_t GetTextCharacterId() const { return textCharacterId_; }

  void AlignToDocument(const PreloaderData& project) { AlignTo(project, GetHAlign()); }

  // The characters the field can show: the literal characters, "." for the kilobyte
  // placeholders, "%" for "%%", and the digits when any placeholder or "%%" occurs.
  WideString GetGlyphText() const;
  // Appends the actions that leave the text, its placeholders replaced by the loader's
  // values, on the stack: one Push per value, the pieces joined with Add2. The variable
  // names are pool references (added to the pool when missing). Nothing for an empty text.
  void BuildPlaceholderActions(DoActionTag& actions, ActionConstantPool& pool) const;
  // The field that shows the text, with the next character id (stored as the text
  // character id), not yet written; null (and no id taken) when it cannot be made.
  std::unique_ptr<DefineEditTextTag> BuildTextTag(FontCollection& fonts, SwfFileWriter& writer, uint16_t& nextId);

  bool WriteXml(XmlWriter& writer) const;
  bool ReadXml(const XmlElement& element);

 private:
  uint16_t textCharacterId_ = 0;
};

class LoadMessage : public TextMessage {
 public:
  LoadMessage() : TextMessage(kVAlignCenter) {}

  void SetHAlign(HAlign align);
  void SetStartType(StartType type);
  void SetEndType(EndType type);
  bool SetStartTime(int32_t ms);  // 0..360000
  bool SetEndTime(int32_t ms);
  bool SetStartPercent(int32_t percent);  // 0..100
  bool SetEndPercent(int32_t percent);
  void SetTextEffect(TextEffect* effect);

  static constexpr int32_t GetStartTimeMin() { return 0; }
  static constexpr int32_t GetStartTimeMax() { return 360000; }
  static constexpr int32_t GetEndTimeMin() { return 0; }
  static constexpr int32_t GetEndTimeMax() { return 360000; }
  static constexpr int32_t GetStartPercentMin() { return 0; }
  static constexpr int32_t GetStartPercentMax() { return 100; }
  static constexpr int32_t GetEndPercentMin() { return 0; }
  static constexpr int32_t GetEndPercentMax() { return 100; }

  int32_t GetHAlign() const { return hAlign_; }
  int32_t GetStartType() const { return startType_; }
  int32_t GetEndType() const { return endType_; }
  int32_t GetStartTime() const { return startTime_; }
  int32_t GetEndTime() const { return endTime_; }
  int32_t GetStartPercent() const { return startPercent_; }
  int32_t GetEndPercent() const { return endPercent_; }
  TextEffect* GetTextEffect() const { return textEffect_; }
  uint16_t GetSpriteId() const { return spriteId_; }

  void AlignToDocument(const PreloaderData& project) { AlignTo(project, hAlign_); }

  // Whether the message waits for its start condition (a start time or percent above 0);
  // one that does not shows from the loader's first pass.
  bool StartsLate() const;
  // The text followed by the effect's extra characters: what the font must carry.
  WideString GetGlyphText() const;
  // Defines the message's sprite (its effect's, wrapped in a two-frame sprite that waits on
  // its first frame when the message starts late) and stores its id; nothing without an
  // effect. The message itself is left as it is.
  void BuildSprite(FontCollection& fonts, SwfFileWriter& writer, uint16_t& nextId);

  bool WriteXml(XmlWriter& writer) const;
  bool ReadXml(const XmlElement& element, PreloaderData& project);
  bool ReadTextEffectXml(const XmlElement& element, PreloaderData& project);

 private:
  TextEffect* textEffect_ = nullptr;  // an entry of the project's library, not owned
  int32_t startType_ = kStartTime;
  int32_t endType_ = kEndDone;
  int32_t startTime_ = 0;
  int32_t endTime_ = 1000;
  int32_t startPercent_ = 0;
  int32_t endPercent_ = 100;
  int32_t hAlign_ = kHAlignCenter;
  uint16_t spriteId_ = 0;
};
