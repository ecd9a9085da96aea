// Text effects: how a load message is drawn letter by letter. The project owns one library
// holding one instance of each effect; messages point at its entries. A message's effect is
// saved by name as the "text_fx" element inside its "load_message".
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/WideString.h"
#include "swf/DefineSpriteTag.h"
#include "ui/DialogWindow.h"

class EditTextField;
class FontCollection;
class LoadMessage;
class SwfFileWriter;
class XmlWriter;
class XmlElement;
class StaticText;

// One displayed character of a message: where its letter goes in the message sprite.
struct LetterRecord {
  int32_t frame = 0;  // frame of the message sprite that places it
  int32_t x = 0;      // centre of the character's advance, twips from the message origin
  int32_t y = 0;      // centre of its line
  uint16_t depth = 0;
  char32_t character = 0;
};

class TextEffect {
 public:
  // The base effect "None" draws the letters as they stand.
  TextEffect() : TextEffect(L"None") {}
  virtual ~TextEffect();
  TextEffect(const TextEffect&) = delete;
  TextEffect& operator=(const TextEffect&) = delete;

  const WideString& GetName() const { return name_; }
  // Characters the effect shows besides the message's text.
  const WideString& GetExtraGlyphs() const { return extraGlyphs_; }

  // Defines the message's sprite, in which every character is an instance of the letter
  // sprite showing that character, and returns its id. The font collection must hold the
  // message's font with the characters of LoadMessage::GetGlyphText. The message is only
  // read.
  virtual uint16_t BuildMessageSprite(const LoadMessage& message, FontCollection& fonts, SwfFileWriter& writer,
                                      uint16_t& nextId);

  // One record per character of `text` other than CR and LF, laid out with the message's
  // font, tracking, leading and alignments around the message origin.
  static std::vector<LetterRecord> LayoutLetters(const LoadMessage& message, const WideString& text);
  // The width of each line of `text` in twips, and the offsets of the first line.
  static std::vector<int32_t> MeasureLines(const LoadMessage& message, const WideString& text, int32_t& x0,
                                           int32_t& y0);

  // The "text_fx" element on its own line.
  bool WriteXml(XmlWriter& writer) const;

  // The effect's property panel, shown by the effect properties window. CreatePanel makes
  // the effect's controls in the host window from the top-left corner of `origin` (the parent
  // control is not used); LoadPanel shows the effect's settings in them; ApplyPanel stores
  // what they show into the effect (false, nothing changed, for a value the effect can't
  // take); DestroyPanel disposes them. The base has no controls.
  virtual bool CreatePanel(DialogWindow& host, ControlRef parent, const UiRect& origin);
  virtual bool DestroyPanel();
  virtual void LoadPanel();
  virtual bool ApplyPanel();

 protected:
  explicit TextEffect(const WideString& name, const WideString& extraGlyphs = WideString())
      : name_(name), extraGlyphs_(extraGlyphs) {}

  // Defines the sprite the letters show and records its id: the static letter, the font's
  // sample sprite named "ltr".
  virtual void BuildLetterSprite(const LoadMessage& message, SwfFileWriter& writer, uint16_t& nextId);
  // The font collection's sample sprite for the message's font, size and colour (recorded).
  uint16_t GetSampleSprite(const LoadMessage& message, SwfFileWriter& writer, uint16_t& nextId);
  // The letter sprite as the base defines it, from the recorded sample sprite.
  void BuildPlainLetterSprite(SwfFileWriter& writer, uint16_t& nextId);
  // Places the letter into the frame of the message sprite, with the action that gives it
  // its character; returns its depth.
  uint16_t PlaceLetter(int index, const LetterRecord& letter);

  // Per-build scratch.
  FontCollection* fonts_ = nullptr;
  std::unique_ptr<DefineSpriteTag> messageSprite_;
  uint16_t messageSpriteId_ = 0;
  uint16_t depths_ = 0;
  uint16_t sampleSpriteId_ = 0;
  uint16_t letterSpriteId_ = 0;

 private:
  WideString name_;
  WideString extraGlyphs_;
};

// "Fade In": each letter fades in over twelve frames and stays. Its speed is a setting of the
// one library entry, shared by every message using it; it is not saved with the project.
class FadeInTextEffect : public TextEffect {
 public:
  // The numbers of the panel's controls: the label, the speed field (seconds), the unit.
  static constexpr int kLabelNumber = 7000, kSpeedNumber = 7001, kUnitNumber = 7002;

  FadeInTextEffect();
  ~FadeInTextEffect() override;

  int32_t GetSpeed() const { return speed_; }  // milliseconds
  void SetSpeed(int32_t milliseconds) { speed_ = milliseconds; }

  bool CreatePanel(DialogWindow& host, ControlRef parent, const UiRect& origin) override;
  bool DestroyPanel() override;
  void LoadPanel() override;
  // The field's seconds as milliseconds; false for a negative value or one too large for
  // the setting (the speed then stays). Without a panel nothing happens and it is true.
  bool ApplyPanel() override;

 protected:
  void BuildLetterSprite(const LoadMessage& message, SwfFileWriter& writer, uint16_t& nextId) override;

 private:
  int32_t speed_ = 1000;
  std::unique_ptr<StaticText> label_;
  std::unique_ptr<EditTextField> field_;
  std::unique_ptr<StaticText> unit_;
};

class TextEffectLibrary {
 public:
  TextEffectLibrary() = default;
  TextEffectLibrary(const TextEffectLibrary&) = delete;
  TextEffectLibrary& operator=(const TextEffectLibrary&) = delete;

  // Creates the six effects in menu order: "None", "Fade In", "Flicker", "Throb",
  // "Trail Dots", "Trail Dots 2".
  void Fill();
  // The entry of exactly that name, or null.
  TextEffect* FindByName(const WideString& name) const;
  int IndexOf(const WideString& name) const;
  // The entry named by the element's "name", or null.
  TextEffect* ReadXml(const XmlElement& element) const;

  int GetCount() const { return static_cast<int>(effects_.size()); }
  TextEffect* Get(int index) const;

 private:
  std::vector<std::unique_ptr<TextEffect>> effects_;
};
