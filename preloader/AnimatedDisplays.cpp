#include "preloader/AnimatedDisplays.h"

#include <cmath>

#include "platform/TextConversions.h"
#include "preloader/ClipScript.h"
#include "preloader/DisplayArtwork.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DoActionTag.h"
#include "swf/MovieVariableReader.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SimpleActions.h"

using displayscript::ClipScript;
using displayscript::kEnterFrameEvent;
using displayscript::kLoadEvent;

void AnimationDisplay::ResetTypeDefaults() {
  ColorPairDisplay::ResetTypeDefaults();
  anmCount_ = 0;
}

void AnimationDisplay::ReadTypeDescription(const MovieVariableReader& reader) {
  ColorPairDisplay::ReadTypeDescription(reader);
  anmCount_ = 0;
  WideString text;
  if (reader.GetValue(L"var_anm", text)) {
    int value = 0;
    ParseDecimalInt(text.c_str(), value);
    anmCount_ = value;
  }
}

bool AnimationDisplay::AdjustArtwork(DisplayArtwork& artwork) {
  if (!ColorPairDisplay::AdjustArtwork(artwork)) return false;
  artworkLowersAnm_ = anmCount_ <= 0 || artwork.ScriptsName("anm");
  if (!artworkLowersAnm_) {
    buildWarnings_.push_back(
        "declares var_anm, but no script of its artwork lowers anm: the loader does not wait "
        "for its animation.");
  }
  return true;
}

void AnimationDisplay::AttachScript(PlaceObject2Tag& placement) {
  if (anmCount_ <= 0 || !artworkLowersAnm_) return;
  // On load: _parent._parent.anm = anm_count.
  ClipScript load(kLoadEvent);
  load.Push([](ActionPush& p) { p.AddString(L"_parent._parent"); })
      .Do<ActionGetVariable>()
      .Push([&](ActionPush& p) {
        p.AddString(L"anm");
        p.AddInteger(anmCount_);
      })
      .Do<ActionSetMember>();
  load.AttachTo(placement);
}

void FrameBasedDisplay::ResetTypeDefaults() {
  ColorPairDisplay::ResetTypeDefaults();
  fgScript_ = bgScript_ = animateLdrfg_ = false;
}

void FrameBasedDisplay::ReadTypeDescription(const MovieVariableReader& reader) {
  fgScript_ = bgScript_ = animateLdrfg_ = false;
  WideString text;
  animateLdrfg_ = reader.GetValue(L"type_sub", text) && text == L"animate_ldrfg";
  if (reader.GetValue(L"var_fgcolor_as", text)) {
    fgScript_ = true;
    SetFgColor(static_cast<uint32_t>(ParseHexInt(text.c_str())) & 0xFFFFFF);
  }
  if (reader.GetValue(L"var_bgcolor_as", text)) {
    bgScript_ = true;
    SetBgColor(static_cast<uint32_t>(ParseHexInt(text.c_str())) & 0xFFFFFF);
  }
  // The plain forms come last: their values win when a movie declares both.
  ColorPairDisplay::ReadTypeDescription(reader);
}

namespace {

// prefix + "r", "g", "b" = each component of the colour (red in the low byte) as a whole
// percentage.
std::unique_ptr<DoActionTag> ColourVariables(const wchar_t* prefix, uint32_t colour) {
  auto actions = std::make_unique<DoActionTag>();
  const wchar_t* suffixes[] = {L"r", L"g", L"b"};
  for (int i = 0; i < 3; ++i) {
    const uint32_t component = (colour >> (8 * i)) & 0xFF;
    auto push = std::make_unique<ActionPush>();
    push->AddString(WideString(prefix) + suffixes[i]);
    push->AddInteger(static_cast<int32_t>(std::trunc(component / 255.0 * 100.0)));
    actions->AddAction(std::move(push));
    actions->AddAction(std::make_unique<ActionSetVariable>());
  }
  return actions;
}

}  // namespace

bool FrameBasedDisplay::AdjustArtwork(DisplayArtwork& artwork) {
  PlaceObject2Tag* progressPlace = artwork.FindPlacement(L"progress");
  DefineSpriteTag* progress = progressPlace != nullptr ? artwork.FindSprite(*progressPlace) : nullptr;
  if (progress != nullptr) {
    // Each goes to the very start, so the background's script comes first.
    if (fgScript_) progress->AddTagToFirstFrame(ColourVariables(L"fg", GetFgColor()), true);
    if (bgScript_) progress->AddTagToFirstFrame(ColourVariables(L"bg", GetBgColor()), true);
  }
  return ColorPairDisplay::AdjustArtwork(artwork);
}

void FrameBasedDisplay::AttachScript(PlaceObject2Tag& placement) {
  // On load: progress.stop().
  ClipScript load(kLoadEvent);
  load.Push([](ActionPush& p) {
        p.AddDouble(0.0);
        p.AddString(L"progress");
      })
      .Do<ActionGetVariable>()
      .Push([](ActionPush& p) { p.AddString(L"stop"); })
      .Do<ActionCallMethod>()
      .Do<ActionPop>();
  load.AttachTo(placement);

  // Every frame: T.gotoAndStop(int(_parent._parent.prcnt * 100)); frame n stands for n
  // percent (the player shows frame 1 for 0).
  ClipScript frame(kEnterFrameEvent);
  frame.Pool({L"_parent", L"prcnt", animateLdrfg_ ? L"progress.ldrfg" : L"progress", L"gotoAndStop"})
      .Push([](ActionPush& p) { p.AddConstant8(0); })
      .Do<ActionGetVariable>()
      .Push([](ActionPush& p) { p.AddConstant8(0); })
      .Do<ActionGetMember>()
      .Push([](ActionPush& p) { p.AddConstant8(1); })
      .Do<ActionGetMember>()
      .Push([](ActionPush& p) { p.AddInteger(100); })
      .Do<ActionMultiply>()
      .Do<ActionToInteger>()
      .Push([](ActionPush& p) {
        p.AddInteger(1);
        p.AddConstant8(2);
      })
      .Do<ActionGetVariable>()
      .Push([](ActionPush& p) { p.AddConstant8(3); })
      .Do<ActionCallMethod>()
      .Do<ActionPop>();
  frame.AttachTo(placement);
}
