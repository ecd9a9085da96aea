// What the messages put into the built movie: the progress texts with the script that
// fills in their placeholders, and the load messages' sprites.
#include <array>

#include "media/FontCollection.h"
#include "preloader/Messages.h"
#include "preloader/TextEffect.h"
#include "swf/ActionConstantPool.h"
#include "swf/ActionPush.h"
#include "swf/ControlTags.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DoActionTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SimpleActions.h"
#include "swf/SwfFileWriter.h"
#include "swf/TextTags.h"

namespace {

enum Placeholder { kPercent, kBytes, kKBytes, kTotalBytes, kTotalKBytes, kFrames, kTotalFrames, kPlaceholderCount };

// Tested in this order; no word is the beginning of a later one.
constexpr std::array<const wchar_t*, kPlaceholderCount> kPlaceholderWords = {
    L"%percent", L"%bytes", L"%kbytes", L"%totalbytes", L"%totalkbytes", L"%frames", L"%totalframes"};

// The placeholder that begins at `at`, or -1.
int PlaceholderAt(const WideString& text, size_t at) {
  for (int i = 0; i < kPlaceholderCount; ++i) {
    const std::wstring_view word(kPlaceholderWords[static_cast<size_t>(i)]);
    if (text.compare(at, word.size(), word) == 0) return i;
  }
  return -1;
}

// Walks the text as the field shows it: `literal` for every character shown as it stands
// ("%%" gives "%"), `placeholder` for every placeholder; a "%" that begins none is dropped.
template <typename Literal, typename Value>
void ScanText(const WideString& text, Literal literal, Value placeholder) {
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != L'%') {
      literal(text[i++]);
      continue;
    }
    const int which = PlaceholderAt(text, i);
    if (which >= 0) {
      placeholder(which);
      i += std::wstring_view(kPlaceholderWords[static_cast<size_t>(which)]).size();
    } else if (i + 1 < text.size() && text[i + 1] == L'%') {
      literal(L'%');
      placeholder(-1);  // digits are needed as for any placeholder
      i += 2;
    } else {
      ++i;
    }
  }
}

void PushVariable(DoActionTag& actions, ActionConstantPool& pool, const wchar_t* name) {
  auto push = std::make_unique<ActionPush>();
  push->AddConstant8(pool.AddString(name));
  actions.AddAction(std::move(push));
  actions.AddAction(std::make_unique<ActionGetVariable>());
}

void PushDouble(DoActionTag& actions, double value) {
  auto push = std::make_unique<ActionPush>();
  push->AddDouble(value);
  actions.AddAction(std::move(push));
}

// Kilobytes as a whole number: the variable / 1024.
void PushKilobytes(DoActionTag& actions, ActionConstantPool& pool, const wchar_t* name) {
  PushVariable(actions, pool, name);
  PushDouble(actions, 1024.0);
  actions.AddAction(std::make_unique<ActionDivide>());
  actions.AddAction(std::make_unique<ActionToInteger>());
}

void PushPlaceholder(DoActionTag& actions, ActionConstantPool& pool, int which) {
  switch (which) {
    case kPercent:
      PushVariable(actions, pool, L"prcnt");
      actions.AddAction(std::make_unique<ActionPush>(int32_t{100}));
      actions.AddAction(std::make_unique<ActionMultiply>());
      actions.AddAction(std::make_unique<ActionToInteger>());
      break;
    case kBytes: PushVariable(actions, pool, L"btl"); break;
    case kKBytes: PushKilobytes(actions, pool, L"btl"); break;
    case kTotalBytes: PushVariable(actions, pool, L"btt"); break;
    case kTotalKBytes: PushKilobytes(actions, pool, L"btt"); break;
    case kFrames: PushVariable(actions, pool, L"frl"); break;
    case kTotalFrames: PushVariable(actions, pool, L"frt"); break;
    default: break;
  }
}

}  // namespace

WideString ProgressMessage::GetGlyphText() const {
  WideString glyphs;
  bool digits = false;
  ScanText(
      GetText(), [&](wchar_t c) { glyphs.push_back(c); },
      [&](int which) {
        digits = true;
        if (which == kKBytes || which == kTotalKBytes) glyphs.push_back(L'.');
      });
  if (digits) glyphs += L"0123456789";
  return glyphs;
}

void ProgressMessage::BuildPlaceholderActions(DoActionTag& actions, ActionConstantPool& pool) const {
  WideString literal;
  bool pending = false;
  int pieces = 0;
  const auto joined = [&] {
    if (pieces > 0) actions.AddAction(std::make_unique<ActionAdd2>());
    ++pieces;
  };
  const auto flushLiteral = [&] {
    if (!pending) return;
    actions.AddAction(std::make_unique<ActionPush>(literal));
    joined();
    literal.clear();
    pending = false;
  };
  ScanText(
      GetText(),
      [&](wchar_t c) {
        literal.push_back(c);
        pending = true;
      },
      [&](int which) {
        if (which < 0) return;  // "%%": its "%" is part of the literal
        flushLiteral();
        PushPlaceholder(actions, pool, which);
        joined();
      });
  flushLiteral();
}

std::unique_ptr<DefineEditTextTag> ProgressMessage::BuildTextTag(FontCollection& fonts, SwfFileWriter& writer,
                                                                 uint16_t& nextId) {
  std::unique_ptr<DefineEditTextTag> tag = MakeEditText(fonts, writer);
  if (!tag || nextId == 0xFFFF) return nullptr;
  SetTextCharacterId(++nextId);
  tag->SetCharacterId(GetTextCharacterId());
  return tag;
}

bool LoadMessage::StartsLate() const {
  return (startType_ == kStartTime && startTime_ != 0) || (startType_ == kStartPercent && startPercent_ != 0);
}

WideString LoadMessage::GetGlyphText() const {
  if (textEffect_ == nullptr) return GetText();
  return GetText() + textEffect_->GetExtraGlyphs();
}

void LoadMessage::BuildSprite(FontCollection& fonts, SwfFileWriter& writer, uint16_t& nextId) {
  spriteId_ = 0;
  if (textEffect_ == nullptr) return;
  spriteId_ = textEffect_->BuildMessageSprite(*this, fonts, writer, nextId);
  if (!StartsLate() || nextId == 0xFFFF) return;
  // The loader's script plays the wrapper on to its second frame when the message starts.
  auto stop = [] {
    auto actions = std::make_unique<DoActionTag>();
    actions->AddAction(std::make_unique<ActionStop>());
    return actions;
  };
  auto wrapper = std::make_unique<DefineSpriteTag>(++nextId, 0);
  wrapper->AddTag(stop());
  wrapper->AddTag(std::make_unique<ShowFrameTag>());
  auto place = std::make_unique<PlaceObject2Tag>();
  place->SetCharacterId(spriteId_);
  place->depth = 1;
  wrapper->AddTag(std::move(place));
  wrapper->AddTag(stop());
  wrapper->AddTag(std::make_unique<ShowFrameTag>());
  spriteId_ = nextId;
  writer.AddTag(std::move(wrapper));
}
