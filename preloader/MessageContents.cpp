// The generator's steps for the messages: their fonts, the progress texts and the load
// message sprites, their places in the loader's frame 3 and the parts of the frame 3
// script that fill in the progress texts and start and end the load messages.
#include <cstdio>
#include <memory>
#include <string>

#include "media/FontCollection.h"
#include "preloader/LoaderScriptWriter.h"
#include "preloader/Messages.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "preloader/TextEffect.h"
#include "swf/ActionConstantPool.h"
#include "swf/ActionPush.h"
#include "swf/ControlTags.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DoActionTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SimpleActions.h"
#include "swf/SwfBasicRecords.h"
#include "swf/SwfFileWriter.h"
#include "swf/TextTags.h"

namespace {

using V = ScriptValue;

WideString Numbered(const wchar_t* prefix, int i) { return WideString(prefix + std::to_wstring(i)); }

FontSpec SpecOf(const TextMessage& message) {
  FontSpec spec = message.GetFont();
  spec.SetColor(message.GetColor());
  return spec;
}

// A colour transform for an alpha below 255; null otherwise.
std::unique_ptr<SwfCxformWithAlpha> AlphaTransform(int32_t alpha) {
  if (alpha > 254) return nullptr;
  auto transform = std::make_unique<SwfCxformWithAlpha>();
  transform->SetAlphaMultiplier(alpha / 255.0);
  return transform;
}

// The first character of the text that a version 5 movie cannot carry (its texts are
// Latin-1), or 0.
wchar_t FirstBeyondLatin1(const WideString& text) {
  for (wchar_t c : text)
    if (static_cast<uint32_t>(c) > 0xFF) return c;
  return 0;
}

std::string CodePoint(wchar_t c) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
  return text;
}

}  // namespace

void PreloaderBuilder::CollectMessageFonts() {
  fonts_ = std::make_unique<FontCollection>();
  fonts_->SetUniqueNames(true);
  const PreloaderData& p = *project_;
  if (GetMovieVersion() < 6) {
    // Version 5 players read the texts of scripts and fields as Latin-1.
    const auto check = [this](const WideString& text, const char* what, int i) {
      const wchar_t c = FirstBeyondLatin1(text);
      if (c != 0 && error_.empty())
        Fail(std::string("The ") + what + " " + std::to_string(i + 1) + " holds the character " + CodePoint(c) +
             ", which a movie of version 5 cannot show; choose version 6 or later, or change the text.");
    };
    for (int i = 0; i < p.GetProgressMessageCount(); ++i)
      check(p.GetProgressMessage(i)->GetText(), "progress message", i);
    for (int i = 0; i < p.GetLoadMessageCount(); ++i) check(p.GetLoadMessage(i)->GetText(), "load message", i);
  }
  for (int i = 0; i < p.GetProgressMessageCount(); ++i) {
    const ProgressMessage& message = *p.GetProgressMessage(i);
    const WideString glyphs = message.GetGlyphText();
    fonts_->AddFont(SpecOf(message), &glyphs, true);
  }
  for (int i = 0; i < p.GetLoadMessageCount(); ++i) {
    const LoadMessage& message = *p.GetLoadMessage(i);
    const WideString glyphs = message.GetGlyphText();
    fonts_->AddFont(SpecOf(message), &glyphs, true);
  }
  fonts_->ResetEmitted();
}

void PreloaderBuilder::DefineLoadMessageSprites(SwfFileWriter& writer) {
  if (!error_.empty()) return;
  if (!fonts_->CreateFontTags(writer, *characterIds_)) {
    Fail("The fonts of the messages could not be embedded: " + WideToUtf8(fonts_->GetError()));
    return;
  }
  const PreloaderData& p = *project_;
  for (int i = 0; i < p.GetLoadMessageCount(); ++i) p.GetLoadMessage(i)->BuildSprite(*fonts_, writer, *characterIds_);
}

void PreloaderBuilder::DefineProgressMessages(SwfFileWriter& writer) {
  if (!error_.empty()) return;
  const PreloaderData& p = *project_;
  for (int i = 0; i < p.GetProgressMessageCount(); ++i) {
    ProgressMessage& message = *p.GetProgressMessage(i);
    message.SetTextCharacterId(0);
    std::unique_ptr<DefineEditTextTag> text = message.BuildTextTag(*fonts_, writer, *characterIds_);
    if (!text || *characterIds_ == 0xFFFF) {
      // Left out of the loader (PlaceProgressMessages skips it); the others keep their names.
      message.SetTextCharacterId(0);
      continue;
    }
    const uint16_t textId = text->GetCharacterId();
    const uint32_t color = message.GetColor();
    text->initialText = WideString();
    text->variableName = L"text";
    text->textColor = std::make_unique<SwfRgba>(static_cast<uint8_t>(color), static_cast<uint8_t>(color >> 8),
                                                static_cast<uint8_t>(color >> 16), 255);
    text->SetFlag(DefineEditTextTag::kHasText, true);
    text->SetFlag(DefineEditTextTag::kHasTextColor, true);
    writer.AddTag(std::move(text));

    message.SetTextCharacterId(++*characterIds_);
    auto sprite = std::make_unique<DefineSpriteTag>(message.GetTextCharacterId(), 0);
    auto place = std::make_unique<PlaceObject2Tag>();
    place->SetCharacterId(textId);
    place->depth = 1;
    int32_t y = message.GetY() * 20;
    const int32_t half = (message.GetFont().GetSize() * 20) >> 1;
    if (message.GetVAlign() == kVAlignTop) y += half;
    if (message.GetVAlign() == kVAlignBottom) y -= half;
    place->SetMatrix(SwfMatrix::Make(message.GetX() * 20, y, 1.0f, 1.0f, static_cast<float>(message.GetSkew0()),
                                     static_cast<float>(message.GetSkew1())));
    sprite->AddTag(std::move(place));
    sprite->AddTag(std::make_unique<ShowFrameTag>());
    writer.AddTag(std::move(sprite));
  }
}

void PreloaderBuilder::PlaceLoadMessages(DefineSpriteTag& loader, uint16_t& loaderDepth) {
  const PreloaderData& p = *project_;
  for (int i = 0; i < p.GetLoadMessageCount(); ++i) {
    const LoadMessage& message = *p.GetLoadMessage(i);
    if (message.GetSpriteId() == 0) continue;
    auto place = std::make_unique<PlaceObject2Tag>();
    place->SetCharacterId(message.GetSpriteId());
    place->depth = ++loaderDepth;
    place->SetName(Numbered(L"msg", i));
    place->SetMatrix(SwfMatrix::Make(message.GetX() * 20, message.GetY() * 20, 1.0f, 1.0f,
                                     static_cast<float>(message.GetSkew0()), static_cast<float>(message.GetSkew1())));
    place->SetColorTransform(AlphaTransform(message.GetAlpha()));
    loader.AddTag(std::move(place));
  }
}

void PreloaderBuilder::PlaceProgressMessages(DefineSpriteTag& loader, uint16_t& loaderDepth) {
  const PreloaderData& p = *project_;
  for (int i = 0; i < p.GetProgressMessageCount(); ++i) {
    const ProgressMessage& message = *p.GetProgressMessage(i);
    if (message.GetTextCharacterId() == 0) continue;
    auto place = std::make_unique<PlaceObject2Tag>();
    place->SetCharacterId(message.GetTextCharacterId());
    place->depth = ++loaderDepth;
    place->SetName(Numbered(L"pl", i));
    place->SetColorTransform(AlphaTransform(message.GetAlpha()));
    loader.AddTag(std::move(place));
  }
}

void PreloaderBuilder::AddProgressTextActions(DoActionTag& actions) {
  if (!constantPool_) return;
  const PreloaderData& p = *project_;
  for (int i = 0; i < p.GetProgressMessageCount(); ++i) {
    LoaderScriptWriter s(actions, constantPool_);
    s.Push({V::Inline(Numbered(L"pl", i))}).Add<ActionGetVariable>().Push({V::Inline(L"text")});
    const size_t before = actions.Actions().size();
    p.GetProgressMessage(i)->BuildPlaceholderActions(actions, *constantPool_);
    // A text that shows nothing still needs its value, or SetMember would take the field
    // itself off the stack.
    if (actions.Actions().size() == before) s.Push({V::Inline(WideString())});
    s.Add<ActionSetMember>();
  }
}

void PreloaderBuilder::AddLoadMessageActions(DoActionTag& actions) {
  if (!constantPool_) return;
  const PreloaderData& p = *project_;
  for (const wchar_t* text : {L"stm", L"play", L"unloadMovie"}) constantPool_->AddString(text);
  for (int i = 0; i < p.GetLoadMessageCount(); ++i) {
    constantPool_->AddString(Numbered(L"bmsg", i));
    constantPool_->AddString(Numbered(L"msg", i));
  }
  actions.SetBranchTracking(true, true);
  LoaderScriptWriter s(actions, constantPool_);
  // Milliseconds since the loader started.
  const auto pushElapsed = [&s] {
    s.Add<ActionGetTime>().Push({V::Ref(L"stm")}).Add<ActionGetVariable>().Add<ActionSubtract>();
  };
  // A message whose end is measured in the other kind than its start: the end counts from
  // the moment it really started, kept in "smsg<i>".
  const auto mixed = [](const LoadMessage& m) {
    return (m.GetStartType() == kStartTime && m.GetEndType() == kEndPercent) ||
           (m.GetStartType() == kStartPercent && m.GetEndType() == kEndTime);
  };
  const auto recordStart = [&](const LoadMessage& m, int i) {
    if (!mixed(m)) return;
    s.Push({V::Ref(Numbered(L"smsg", i))});
    if (m.GetEndType() == kEndTime)
      pushElapsed();
    else
      s.Push({V::Ref(L"prcnt")}).Add<ActionGetVariable>();
    s.Add<ActionSetVariable>();
  };

  for (int i = 0; i < p.GetLoadMessageCount(); ++i) {
    const LoadMessage& m = *p.GetLoadMessage(i);
    const WideString state = Numbered(L"bmsg", i);
    if (!m.StartsLate()) {
      s.Push({V::Ref(state)}).Add<ActionGetVariable>().Push({V::Dbl(0)}).Add<ActionEquals2>().Add<ActionNot>().If();
      s.Push({V::Inline(state), V::Int(1)}).Add<ActionSetVariable>();
      recordStart(m, i);
      s.End();
      continue;
    }
    s.Push({V::Ref(state)}).Add<ActionGetVariable>().Push({V::Dbl(0)}).Add<ActionEquals2>();
    s.Add<ActionPushDuplicate>().Add<ActionNot>().If().Add<ActionPop>();
    if (m.GetStartType() == kStartTime) {
      s.Push({V::Int(m.GetStartTime())});
      pushElapsed();
    } else {
      s.Push({V::Dbl(m.GetStartPercent() / 100.0), V::Ref(L"prcnt")}).Add<ActionGetVariable>();
    }
    s.Add<ActionLess2>().End();
    s.Add<ActionNot>().If();
    s.Push({V::Dbl(0), V::Ref(Numbered(L"msg", i))}).Add<ActionGetVariable>().Push({V::Ref(L"play")});
    s.Add<ActionCallMethod>().Add<ActionPop>();
    s.Push({V::Ref(state), V::Int(1)}).Add<ActionSetVariable>();
    recordStart(m, i);
    s.End();
  }

  for (int i = 0; i < p.GetLoadMessageCount(); ++i) {
    const LoadMessage& m = *p.GetLoadMessage(i);
    if (m.GetEndType() != kEndTime && m.GetEndType() != kEndPercent) continue;
    const WideString state = Numbered(L"bmsg", i);
    s.Push({V::Ref(state)}).Add<ActionGetVariable>().Push({V::Int(1)}).Add<ActionEquals2>();
    s.Add<ActionPushDuplicate>().Add<ActionNot>().If().Add<ActionPop>();
    if (m.GetEndType() == kEndTime) {
      if (mixed(m)) {
        s.Push({V::Int(m.GetEndTime())});
        pushElapsed();
        s.Push({V::Ref(Numbered(L"smsg", i))}).Add<ActionGetVariable>().Add<ActionSubtract>();
      } else {
        s.Push({V::Int(m.GetStartTime() + m.GetEndTime())});
        pushElapsed();
      }
    } else if (mixed(m)) {
      s.Push({V::Dbl(m.GetEndPercent() / 100.0), V::Ref(L"prcnt")}).Add<ActionGetVariable>();
      s.Push({V::Ref(Numbered(L"smsg", i))}).Add<ActionGetVariable>().Add<ActionSubtract>();
    } else {
      s.Push({V::Dbl((m.GetStartPercent() + m.GetEndPercent()) / 100.0), V::Ref(L"prcnt")}).Add<ActionGetVariable>();
    }
    s.Add<ActionLess2>().End();
    s.Add<ActionNot>().If();
    s.Push({V::Dbl(0), V::Ref(Numbered(L"msg", i))}).Add<ActionGetVariable>().Push({V::Ref(L"unloadMovie")});
    s.Add<ActionCallMethod>().Add<ActionPop>();
    s.Push({V::Ref(state), V::Int(2)}).Add<ActionSetVariable>();
    s.End();
  }
  actions.SetBranchTracking(false, true);
}
