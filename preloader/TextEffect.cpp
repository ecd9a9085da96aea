#include "preloader/TextEffect.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "media/FontCollection.h"
#include "platform/XmlDocument.h"
#include "platform/XmlWriter.h"
#include "preloader/Messages.h"
#include "preloader/ProjectTypes.h"
#include "swf/ActionPush.h"
#include "swf/ControlTags.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DoActionTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SimpleActions.h"
#include "swf/SwfBasicRecords.h"
#include "swf/SwfFileWriter.h"
#include "ui/EditTextField.h"
#include "ui/SecondsField.h"
#include "ui/StaticText.h"

namespace {

bool IsLineBreak(wchar_t c) { return c == L'\r' || c == L'\n'; }

int32_t Clamped(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

std::unique_ptr<DoActionTag> StopAction() {
  auto actions = std::make_unique<DoActionTag>();
  actions->AddAction(std::make_unique<ActionStop>());
  return actions;
}

std::unique_ptr<SwfCxformWithAlpha> Alpha(double factor) {
  auto transform = std::make_unique<SwfCxformWithAlpha>();
  transform->SetAlphaMultiplier(factor);
  return transform;
}

// Frame 0 of an animated letter: the sample sprite at depth 1, named "ltr", at the alpha.
std::unique_ptr<DefineSpriteTag> StartLetterSprite(uint16_t id, uint16_t sampleId, double alpha) {
  auto sprite = std::make_unique<DefineSpriteTag>(id, 0);
  auto place = std::make_unique<PlaceObject2Tag>();
  place->SetCharacterId(sampleId);
  place->depth = 1;
  place->SetName(L"ltr");
  place->SetColorTransform(Alpha(alpha));
  sprite->AddTagToFrame(std::move(place), 0);
  return sprite;
}

// Sets the alpha of depth 1 in the frame.
void MoveAlpha(DefineSpriteTag& sprite, int frame, double alpha) {
  auto move = std::make_unique<PlaceObject2Tag>();
  move->depth = 1;
  move->move = true;
  move->SetColorTransform(Alpha(alpha));
  sprite.AddTagToFrame(std::move(move), frame);
}

// One frame per step from `frame` on, the alpha going linearly from `from` to `to` (step k
// of n at from + k (to - from) / n); `frame` ends one past the last frame written.
void AlphaRun(DefineSpriteTag& sprite, int& frame, int steps, double from, double to) {
  for (int k = 1; k <= steps; ++k) MoveAlpha(sprite, frame++, from + k * (to - from) / steps);
}

// Letter sprites that animate the alpha of the letter: frame 0 invisible, then runs of
// steps to alternately visible and invisible; Stop on the last frame when `stops`.
class AnimatedTextEffect : public TextEffect {
 public:
  AnimatedTextEffect(const wchar_t* name, std::vector<int> runs, bool stops)
      : TextEffect(WideString(name)), runs_(std::move(runs)), stops_(stops) {}

 protected:
  void BuildLetterSprite(const LoadMessage& message, SwfFileWriter& writer, uint16_t& nextId) override {
    const uint16_t sample = GetSampleSprite(message, writer, nextId);
    if (sample == 0 || nextId == 0xFFFF) return;
    letterSpriteId_ = ++nextId;
    writer.AddTag(BuildAnimated(letterSpriteId_, sample, runs_, stops_));
  }

 public:
  static std::unique_ptr<DefineSpriteTag> BuildAnimated(uint16_t id, uint16_t sample, const std::vector<int>& runs,
                                                        bool stops) {
    auto sprite = StartLetterSprite(id, sample, 0.0);
    int frame = 1;
    double alpha = 0.0;
    for (int steps : runs) {
      AlphaRun(*sprite, frame, steps, alpha, 1.0 - alpha);
      alpha = 1.0 - alpha;
    }
    if (stops) sprite->AddTagToLastFrame(StopAction());
    return sprite;
  }

 private:
  std::vector<int> runs_;
  bool stops_;
};

// The text, then three dots after its last letter, each a sprite that animates on its own.
class DotsTextEffect : public TextEffect {
 public:
  explicit DotsTextEffect(const wchar_t* name) : TextEffect(WideString(name), L".") {}

  uint16_t BuildMessageSprite(const LoadMessage& message, FontCollection& fonts, SwfFileWriter& writer,
                              uint16_t& nextId) override {
    fonts_ = &fonts;
    letterSpriteId_ = 0;
    dotSprites_.clear();
    BuildLetterSprite(message, writer, nextId);
    if (nextId == 0xFFFF) return 0;
    messageSpriteId_ = ++nextId;
    messageSprite_ = std::make_unique<DefineSpriteTag>(messageSpriteId_, 0);
    depths_ = 0;
    // The dots are laid out as characters of the text; the message keeps its own text.
    std::vector<LetterRecord> letters = LayoutLetters(message, message.GetText() + L"...");
    const size_t firstDot = letters.size() - 3;
    const uint16_t plainLetter = letterSpriteId_;
    for (size_t i = 0; i < letters.size(); ++i) {
      if (i >= firstDot) {
        const size_t dot = i - firstDot;
        letterSpriteId_ = dotSprites_.size() > dot ? dotSprites_[dot] : dotSprites_.empty() ? 0 : dotSprites_[0];
        letters[i].frame += DotFrameOffset(static_cast<int>(dot));
      }
      letters[i].depth = PlaceLetter(static_cast<int>(i), letters[i]);
    }
    letterSpriteId_ = plainLetter;
    messageSprite_->AddTagToLastFrame(StopAction());
    writer.AddTag(std::move(messageSprite_));
    return messageSpriteId_;
  }

 protected:
  virtual int DotFrameOffset(int dot) const = 0;
  std::vector<uint16_t> dotSprites_;
};

class TrailDotsTextEffect : public DotsTextEffect {
 public:
  TrailDotsTextEffect() : DotsTextEffect(L"Trail Dots") {}

 protected:
  // Three dots appearing at frames 0, 3 and 6 of a twelve-frame cycle, all hidden in the last.
  void BuildLetterSprite(const LoadMessage& message, SwfFileWriter& writer, uint16_t& nextId) override {
    const uint16_t sample = GetSampleSprite(message, writer, nextId);
    if (sample == 0) return;
    for (int k = 0; k < 3 && nextId < 0xFFFF; ++k) {
      auto dot = StartLetterSprite(++nextId, sample, 0.0);
      dotSprites_.push_back(nextId);
      MoveAlpha(*dot, 3 * k, 1.0);
      MoveAlpha(*dot, 11, 0.0);
      writer.AddTag(std::move(dot));
    }
    BuildPlainLetterSprite(writer, nextId);
  }
  int DotFrameOffset(int) const override { return 0; }
};

class TrailDots2TextEffect : public DotsTextEffect {
 public:
  TrailDots2TextEffect() : DotsTextEffect(L"Trail Dots 2") {}

 protected:
  // One dot that pulses like "Throb", placed three times, every six frames.
  void BuildLetterSprite(const LoadMessage& message, SwfFileWriter& writer, uint16_t& nextId) override {
    const uint16_t sample = GetSampleSprite(message, writer, nextId);
    if (sample == 0 || nextId == 0xFFFF) return;
    ++nextId;
    dotSprites_.push_back(nextId);
    writer.AddTag(AnimatedTextEffect::BuildAnimated(nextId, sample, {12, 12}, false));
    BuildPlainLetterSprite(writer, nextId);
  }
  int DotFrameOffset(int dot) const override { return 6 * (dot + 1); }
};

}  // namespace

TextEffect::~TextEffect() = default;

bool TextEffect::CreatePanel(DialogWindow&, ControlRef, const UiRect&) { return true; }
bool TextEffect::DestroyPanel() { return true; }
void TextEffect::LoadPanel() {}
bool TextEffect::ApplyPanel() { return true; }

FadeInTextEffect::FadeInTextEffect() : TextEffect(L"Fade In") {}

FadeInTextEffect::~FadeInTextEffect() { DestroyPanel(); }

void FadeInTextEffect::BuildLetterSprite(const LoadMessage& message, SwfFileWriter& writer, uint16_t& nextId) {
  const uint16_t sample = GetSampleSprite(message, writer, nextId);
  if (sample == 0 || nextId == 0xFFFF) return;
  letterSpriteId_ = ++nextId;
  writer.AddTag(AnimatedTextEffect::BuildAnimated(letterSpriteId_, sample, {12}, true));
}

bool FadeInTextEffect::CreatePanel(DialogWindow& host, ControlRef, const UiRect& origin) {
  DestroyPanel();
  label_ = std::make_unique<StaticText>();
  field_ = std::make_unique<EditTextField>();
  unit_ = std::make_unique<StaticText>();
  const int top = origin.top, left = origin.left;
  const int height = field_->DefaultHeight(), gap = field_->HorizontalGap();
  // Label 40 wide, field 50, unit 20, each after a gap.
  const int fieldLeft = left + 40 + gap, unitLeft = fieldLeft + 50 + gap;
  if (!label_->Create(host, kLabelNumber, UiRect{left, top, left + 40, top + height}, L"Speed:") ||
      !field_->Create(host, kSpeedNumber, UiRect{fieldLeft, top, fieldLeft + 50, top + height}, L"") ||
      !unit_->Create(host, kUnitNumber, UiRect{unitLeft, top, unitLeft + 20, top + height}, L"sec")) {
    DestroyPanel();
    return false;
  }
  field_->SetInputMode(EditTextField::kReal);
  // Return, Enter and Tab in the field tell the host, which applies the panel.
  field_->SetCommitNotifiesWindow(&host);
  return true;
}

bool FadeInTextEffect::DestroyPanel() {
  for (DialogControl* c : {static_cast<DialogControl*>(label_.get()), static_cast<DialogControl*>(field_.get()),
                           static_cast<DialogControl*>(unit_.get())}) {
    if (c != nullptr) c->Destroy();
  }
  label_.reset();
  field_.reset();
  unit_.reset();
  return true;
}

void FadeInTextEffect::LoadPanel() {
  if (field_ != nullptr) field_->SetText(MillisecondsAsSeconds(speed_), true);
}

bool FadeInTextEffect::ApplyPanel() {
  if (field_ == nullptr || field_->IsEmpty()) return true;
  const double seconds = field_->GetReal();
  if (!(seconds >= 0.0) || seconds * 1000.0 > static_cast<double>(INT32_MAX)) return false;
  speed_ = SecondsToMilliseconds(seconds);
  return true;
}

uint16_t TextEffect::GetSampleSprite(const LoadMessage& message, SwfFileWriter& writer, uint16_t& nextId) {
  FontSpec spec = message.GetFont();
  spec.SetColor(message.GetColor());
  sampleSpriteId_ = fonts_ == nullptr ? 0 : fonts_->GetFontSampleSprite(spec, writer, nextId);
  return sampleSpriteId_;
}

void TextEffect::BuildPlainLetterSprite(SwfFileWriter& writer, uint16_t& nextId) {
  if (sampleSpriteId_ == 0 || nextId == 0xFFFF) return;
  letterSpriteId_ = ++nextId;
  auto sprite = std::make_unique<DefineSpriteTag>(letterSpriteId_, 0);
  auto place = std::make_unique<PlaceObject2Tag>();
  place->SetCharacterId(sampleSpriteId_);
  place->depth = 1;
  place->SetName(L"ltr");
  sprite->AddTagToFrame(std::move(place), 0);
  writer.AddTag(std::move(sprite));
}

void TextEffect::BuildLetterSprite(const LoadMessage& message, SwfFileWriter& writer, uint16_t& nextId) {
  GetSampleSprite(message, writer, nextId);
  BuildPlainLetterSprite(writer, nextId);
}

uint16_t TextEffect::BuildMessageSprite(const LoadMessage& message, FontCollection& fonts, SwfFileWriter& writer,
                                        uint16_t& nextId) {
  fonts_ = &fonts;
  letterSpriteId_ = 0;
  BuildLetterSprite(message, writer, nextId);
  if (nextId == 0xFFFF) return 0;
  messageSpriteId_ = ++nextId;
  messageSprite_ = std::make_unique<DefineSpriteTag>(messageSpriteId_, 0);
  depths_ = 0;
  std::vector<LetterRecord> letters = LayoutLetters(message, message.GetText());
  for (size_t i = 0; i < letters.size(); ++i) letters[i].depth = PlaceLetter(static_cast<int>(i), letters[i]);
  // A sprite without frames still shows as one empty frame.
  if (messageSprite_->GetFrameCount() == 0) messageSprite_->AddTag(std::make_unique<ShowFrameTag>());
  writer.AddTag(std::move(messageSprite_));
  return messageSpriteId_;
}

uint16_t TextEffect::PlaceLetter(int index, const LetterRecord& letter) {
  const uint16_t depth = ++depths_;
  const WideString name = L"ltr_" + WideString(std::to_wstring(index));
  auto actions = std::make_unique<DoActionTag>();
  auto push = std::make_unique<ActionPush>();
  push->AddString(name + L"/ltr:dummyletter");
  push->AddString(WideString(1, static_cast<wchar_t>(letter.character)));
  actions->AddAction(std::move(push));
  actions->AddAction(std::make_unique<ActionSetVariable>());
  messageSprite_->AddTagToFrame(std::move(actions), letter.frame);
  auto place = std::make_unique<PlaceObject2Tag>();
  place->SetCharacterId(letterSpriteId_);
  place->depth = depth;
  place->SetMatrix(SwfMatrix::Make(letter.x, letter.y, 1.0f, 1.0f, 0.0f, 0.0f));
  place->SetName(name);
  messageSprite_->AddTagToFrame(std::move(place), letter.frame);
  return depth;
}

std::vector<int32_t> TextEffect::MeasureLines(const LoadMessage& message, const WideString& text, int32_t& x0,
                                              int32_t& y0) {
  // Sums in 64 bits: a long text with a wide tracking passes the 32-bit range, which the
  // positions are then held to.
  const PlatformFont& font = message.GetFont();
  const int64_t size = font.GetSize();
  const int64_t tracking = static_cast<int64_t>(message.GetTracking()) * 20;
  const int64_t fontH = size * 20;
  std::vector<int32_t> widths;
  int64_t w = 0;
  int64_t h = text.empty() ? 0 : fontH;
  for (wchar_t c : text) {
    if (IsLineBreak(c)) {
      if (w > 0) w -= tracking;
      widths.push_back(Clamped(w));
      w = 0;
      h += (size + message.GetLeading()) * 20;
    } else {
      w += static_cast<int64_t>(font.GetCharAdvance(static_cast<char32_t>(c))) * 20 + tracking;
    }
  }
  if (w > 0) w -= tracking;
  widths.push_back(Clamped(w));
  const int32_t halign = message.GetHAlign();
  x0 = halign == 1 ? -(widths[0] >> 1) : halign == 2 ? Clamped(-static_cast<int64_t>(widths[0])) : 0;
  const int32_t valign = message.GetVAlign();
  y0 = Clamped(valign == 1 ? -(h >> 1) : valign == 2 ? -h : 0);
  return widths;
}

std::vector<LetterRecord> TextEffect::LayoutLetters(const LoadMessage& message, const WideString& text) {
  int32_t x0 = 0;
  int32_t y0 = 0;
  const std::vector<int32_t> widths = MeasureLines(message, text, x0, y0);
  const PlatformFont& font = message.GetFont();
  const int64_t fontH = static_cast<int64_t>(font.GetSize()) * 20;
  const int64_t tracking = static_cast<int64_t>(message.GetTracking()) * 20;
  const int32_t halign = message.GetHAlign();
  size_t line = 0;
  int64_t x = x0;
  int64_t y = y0 + (fontH >> 1);
  std::vector<LetterRecord> letters;
  for (wchar_t c : text) {
    if (IsLineBreak(c)) {
      ++line;
      y += fontH + static_cast<int64_t>(message.GetLeading()) * 20;
      const int64_t width = line < widths.size() ? widths[line] : 0;
      x = halign == 1 ? -(width >> 1) : halign == 2 ? -width : 0;
      continue;
    }
    const int64_t a = static_cast<int64_t>(font.GetCharAdvance(static_cast<char32_t>(c))) * 20;
    LetterRecord letter;
    letter.x = Clamped(x + a / 2);
    letter.y = Clamped(y);
    letter.character = static_cast<char32_t>(c);
    letters.push_back(letter);
    x += a + tracking;
  }
  return letters;
}

bool TextEffect::WriteXml(XmlWriter& w) const {
  w.WriteRaw(L"<text_fx");
  projectxml::Text(w, L"name", name_);
  w.WriteRaw(L" />\n");
  return true;
}

void TextEffectLibrary::Fill() {
  effects_.clear();
  effects_.push_back(std::make_unique<TextEffect>());
  // Runs of alpha steps: one frame on, one off; a 24-frame pulse ("Fade In" fades over 12 and stops).
  effects_.push_back(std::make_unique<FadeInTextEffect>());
  effects_.push_back(std::make_unique<AnimatedTextEffect>(L"Flicker", std::vector<int>{1, 1}, false));
  effects_.push_back(std::make_unique<AnimatedTextEffect>(L"Throb", std::vector<int>{12, 12}, false));
  effects_.push_back(std::make_unique<TrailDotsTextEffect>());
  effects_.push_back(std::make_unique<TrailDots2TextEffect>());
}

TextEffect* TextEffectLibrary::FindByName(const WideString& name) const {
  const int index = IndexOf(name);
  return index < 0 ? nullptr : effects_[static_cast<size_t>(index)].get();
}

int TextEffectLibrary::IndexOf(const WideString& name) const {
  for (size_t i = 0; i < effects_.size(); ++i)
    if (effects_[i]->GetName() == name) return static_cast<int>(i);
  return -1;
}

TextEffect* TextEffectLibrary::ReadXml(const XmlElement& element) const {
  projectxml::Attributes a;
  WideString name;
  if (!a.Load(element) || !a.Text("name", name)) return nullptr;
  return FindByName(name);
}

TextEffect* TextEffectLibrary::Get(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= effects_.size()) return nullptr;
  return effects_[static_cast<size_t>(index)].get();
}
