#include "preloader/SegmentsDisplay.h"

#include <algorithm>
#include <set>

#include "platform/TextConversions.h"
#include "preloader/ClipScript.h"
#include "preloader/DisplayArtwork.h"
#include "preloader/ProjectTypes.h"
#include "script/ScriptCompiler.h"
#include "swf/ActionBranch.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DoActionTag.h"
#include "swf/MovieVariableReader.h"
#include "swf/OperandActions.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SimpleActions.h"
#include "swf/SwfBasicRecords.h"
#include "swf/SwfFileWriter.h"

using displayscript::ClipScript;
using displayscript::kEnterFrameEvent;
using displayscript::kLoadEvent;

namespace {

bool ReadDecimalValue(const MovieVariableReader& reader, const wchar_t* name, int32_t& out) {
  WideString text;
  if (!reader.GetValue(name, text)) return false;
  int value = 0;
  ParseDecimalInt(text.c_str(), value);
  out = value;
  return true;
}

void GiveMultiplyColor(PlaceObject2Tag& place, uint32_t color) {
  auto transform = std::make_unique<SwfCxformWithAlpha>();
  transform->SetMultiplyColor(color);
  place.SetColorTransform(std::move(transform));
}

auto Constants(std::initializer_list<int> indexes) {
  return [indexes](ActionPush& p) {
    for (int i : indexes) p.AddConstant8(i);
  };
}

}  // namespace

void SegmentsDisplay::ResetSegments() {
  maxSegs_ = 5;
  hgap_ = 0;
  segWidth_ = segHeight_ = endWidth_ = 0;
  animateSegs_ = animateBsegs_ = hgapEditable_ = ldrbgPresent_ = false;
}

int32_t SegmentsDisplay::UsedSegs() const { return std::clamp(maxSegs_, GetMaxSegsMin(), GetMaxSegsMax()); }

int32_t SegmentsDisplay::UsedGap() const {
  // A gap of -seg_width or less would stack the segments or run them backwards.
  return std::clamp(hgap_, 1 - std::max(segWidth_, 0), GetWidthMax());
}

bool SegmentsDisplay::SetMaxSegs(int32_t count) {
  if (count < GetMaxSegsMin() || count > GetMaxSegsMax()) return false;
  if (count != maxSegs_) {
    maxSegs_ = count;
    SetChanged(true);
  }
  return true;
}

bool SegmentsDisplay::SetHgap(int32_t gap) {
  if (gap <= -segWidth_ || gap > GetWidthMax()) return false;
  if (gap != hgap_) {
    hgap_ = gap;
    SetChanged(true);
  }
  return true;
}

int32_t SegmentsDisplay::DescriptionSpan(int32_t segWidth, int32_t endWidth, int32_t count, int32_t gap) {
  if (endWidth == 0) return segWidth + (segWidth + gap) * (count - 1);
  // With an end piece the gap and the count are added once, as the library movies expect.
  return endWidth + (count - 1) * segWidth + gap + count - 1;
}

int32_t SegmentsDisplay::ScaleSpan(int32_t segWidth, int32_t endWidth, int32_t count, int32_t gap) {
  if (endWidth <= 0) return segWidth + (segWidth + gap) * (count - 1);
  return endWidth + (segWidth + gap) * (count - 1);
}

double SegmentsDisplay::GetXScale() const {
  const int32_t span = ScaleSpan(segWidth_, endWidth_, UsedSegs(), UsedGap());
  if (span <= 0) return 1.0;
  return static_cast<double>(GetStoredWidth()) / span;
}

void SegmentsDisplay::ReadTypeDescription(const MovieVariableReader& reader) {
  ColorPairDisplay::ReadTypeDescription(reader);
  endWidth_ = 0;
  segWidth_ = GetBaseWidth();
  segHeight_ = GetBaseHeight();
  ReadDecimalValue(reader, L"seg_width", segWidth_);
  ReadDecimalValue(reader, L"seg_height", segHeight_);
  ReadDecimalValue(reader, L"end_width", endWidth_);
  WideString text;
  if (reader.GetValue(L"animate_segs", text) && CompareWideNoCase(text, L"true") == 0) animateSegs_ = true;
  if (reader.GetValue(L"animate_bsegs", text) && CompareWideNoCase(text, L"true") == 0) animateBsegs_ = true;
  hgap_ = 0;
  hgapEditable_ = ReadDecimalValue(reader, L"var_hgap", hgap_);
  // The first width of the display is the whole row's; reading it is no change by the user.
  const bool changed = IsChanged();
  const int64_t width =
      static_cast<int64_t>(DescriptionSpan(segWidth_, endWidth_, UsedSegs(), UsedGap())) + GetBaseWidth() - segWidth_;
  SetWidth(static_cast<int32_t>(std::clamp<int64_t>(width, GetWidthMin(), GetWidthMax())));
  SetChanged(changed);
}

bool SegmentsDisplay::CheckDescription(std::string& why) const {
  if (!PreloaderDisplay::CheckDescription(why)) return false;
  if (segWidth_ < 1 || segWidth_ > GetWidthMax()) {
    why = "its seg_width must lie within 1 to 5000 pixels";
    return false;
  }
  if (endWidth_ < 0 || endWidth_ > GetWidthMax()) {
    why = "its end_width must lie within 0 to 5000 pixels";
    return false;
  }
  if (hgap_ <= -segWidth_ || hgap_ > GetWidthMax()) {
    why = "its var_hgap must be above minus seg_width and at most 5000 pixels";
    return false;
  }
  return true;
}

bool SegmentsDisplay::ReadTypeXml(const XmlElement& element) {
  ColorPairDisplay::ReadTypeXml(element);
  projectxml::Attributes a;
  if (!a.Load(element)) return true;
  // Out-of-range values are left as read; the build brings them into range.
  a.Int("max_segs", maxSegs_);
  a.Int("hgap", hgap_);
  return true;
}

bool SegmentsDisplay::WriteTypeXml(XmlWriter& w) const {
  ColorPairDisplay::WriteTypeXml(w);
  projectxml::Int(w, L"max_segs", maxSegs_);
  projectxml::Int(w, L"hgap", hgap_);
  return true;
}

uint16_t SegmentsDisplay::BuildDefinitions(SwfFileWriter& writer, PreloaderBuilder& builder) {
  version_ = writer.GetVersion();
  ldrbgPresent_ = false;
  return ImportArtwork(writer, builder);
}

bool SegmentsDisplay::AdjustArtwork(DisplayArtwork& artwork) {
  // The movie would lose the animated load script without a word: say so.
  if (animateSegs_) {
    std::string why;
    if (!CompileLoadScript(AnimatedLoadScript(), version_, why)) buildWarnings_.push_back(why);
  }

  PlaceObject2Tag* progressPlace = artwork.FindPlacement(L"progress");
  DefineSpriteTag* progress = progressPlace != nullptr ? artwork.FindSprite(*progressPlace) : nullptr;
  if (progress == nullptr) return true;
  ldrbgPresent_ = DisplayArtwork::FindChildPlacement(*progress, L"ldrbg") != nullptr;

  const int32_t count = UsedSegs();
  const int32_t step = (segWidth_ + UsedGap()) * 20;
  std::set<int> depths;
  for (const auto& child : progress->Children()) {
    if (child->TagCode() == 26) depths.insert(static_cast<PlaceObject2Tag*>(child.get())->depth);
  }
  // A copy at a depth the artwork uses would replace that child in the player.
  auto depthFree = [&](int depth) {
    if (depths.count(depth) == 0) return true;
    buildError_ = "the clip \"progress\" of its library movie uses depth " + std::to_string(depth) +
                  ", which a copied segment needs";
    return false;
  };

  // The background slots, one fewer when the end piece closes the row.
  if (PlaceObject2Tag* first = DisplayArtwork::FindChildPlacement(*progress, L"bseg1")) {
    const int32_t slots = endWidth_ > 0 ? count - 1 : count;
    if (IsBgRecolored()) GiveMultiplyColor(*first, GetBgColor());
    const int32_t x0 = first->matrix ? first->matrix->translateX : 0;
    for (int32_t i = 1; i < slots; ++i) {
      if (!depthFree(i + 100)) return false;
    }
    for (int32_t i = 1; i < slots; ++i) {
      auto copy = std::make_unique<PlaceObject2Tag>(*first);
      copy->depth = static_cast<uint16_t>(i + 100);
      if (!copy->matrix) copy->SetMatrix(std::make_unique<SwfMatrix>());
      copy->matrix->translateX = x0 + i * step;
      copy->SetName(L"bseg" + std::to_wstring(i + 1));
      progress->AddTagToFirstFrame(std::move(copy), true);
    }
    if (PlaceObject2Tag* end = DisplayArtwork::FindChildPlacement(*progress, L"bsege")) {
      if (!end->matrix) end->SetMatrix(std::make_unique<SwfMatrix>());
      end->matrix->translateX = x0 + std::max(slots, 1) * step;
      if (IsBgRecolored()) GiveMultiplyColor(*end, GetBgColor());
    }
  }

  // The segments.
  if (PlaceObject2Tag* first = DisplayArtwork::FindChildPlacement(*progress, L"seg1")) {
    if (IsFgRecolored()) GiveMultiplyColor(*first, GetFgColor());
    for (int32_t d = 1; d < count; ++d) {
      if (!depthFree(d + 200)) return false;
    }
    for (int32_t d = 1; d < count; ++d) {
      auto copy = std::make_unique<PlaceObject2Tag>(*first);
      copy->depth = static_cast<uint16_t>(d + 200);
      if (!copy->matrix) copy->SetMatrix(std::make_unique<SwfMatrix>());
      copy->matrix->translateX += d * step;
      copy->SetName(L"seg" + std::to_wstring(d + 1));
      progress->AddTagToFirstFrame(std::move(copy), true);
    }
  }
  return true;
}

WideString SegmentsDisplay::AnimatedLoadScript() const {
  return L"maxw = " + std::to_wstring(UsedSegs()) +
         L";\n"
         L"_parent._parent.anm = maxw;\n"
         L"for ( i=1; i<=maxw; i++) {\n"
         L"myseg = eval( \"progress.seg\" + i);\n"
         L"myseg._visible = false;\n"
         L"myseg.shw = 0;\n"
         L"mybseg = eval( \"progress.bseg\" + i);\n"
         L"mybseg.shw = 0;\n"
         L"}\n";
}

std::unique_ptr<DoActionTag> SegmentsDisplay::CompileLoadScript(const WideString& text, int32_t version,
                                                                std::string& why) {
  std::unique_ptr<DoActionTag> actions = CompileScriptToDoAction(text, version);
  if (actions != nullptr && !actions->Actions().empty()) return actions;
  why = "has animated segments, but their load script gives no actions for SWF version " + std::to_string(version) +
        ": the movie neither counts nor hides its segments, and the row does not follow the load.";
  return nullptr;
}

void SegmentsDisplay::AttachScript(PlaceObject2Tag& placement) {
  const int32_t count = UsedSegs();

  // On load: maxw = the count, the loader's anm = maxw, every segment hidden.
  if (animateSegs_) {
    auto record = std::make_unique<ClipActionRecord>(kLoadEvent);
    std::string why;  // told as a build warning when the definitions were made
    record->SetActions(CompileLoadScript(AnimatedLoadScript(), version_, why));
    placement.AddClipAction(std::move(record));
  } else {
    ClipScript load(kLoadEvent);
    load.NoBranchTracking();
    load.Pool({L"maxw", L"_parent", L"i", L"progress.seg"})
        .Push([&](ActionPush& p) {
          p.AddConstant8(0);
          p.AddInteger(count);
        })
        .Do<ActionSetVariable>();
    const double ratio =
        static_cast<double>(DescriptionSpan(segWidth_, endWidth_, count, UsedGap()) + GetBaseWidth() - segWidth_) /
        GetBaseWidth();
    if (ldrbgPresent_ && ratio != 1.0) {
      load.Push([](ActionPush& p) { p.AddString(L"progress"); })
          .Do<ActionGetVariable>()
          .Push([](ActionPush& p) { p.AddString(L"ldrbg"); })
          .Do<ActionGetMember>()
          .Push([&](ActionPush& p) {
            p.AddString(L"_xscale");
            p.AddDouble(ratio * 100);
          })
          .Do<ActionSetMember>();
    }
    load.Push([](ActionPush& p) { p.AddString(L"_parent._parent"); })
        .Do<ActionGetVariable>()
        .Push([](ActionPush& p) {
          p.AddString(L"anm");
          p.AddString(L"maxw");
        })
        .Do<ActionGetVariable>()
        .Do<ActionSetMember>()
        .Push([](ActionPush& p) {
          p.AddConstant8(2);
          p.AddInteger(1);
        })
        .Do<ActionSetVariable>();
    // Leave the loop when i > maxw. Below version 6 the player knows no Greater, so the
    // test is maxw < i there, the same length.
    if (version_ >= 6) {
      load.Push(Constants({2}))
          .Do<ActionGetVariable>()
          .Push(Constants({0}))
          .Do<ActionGetVariable>()
          .Do<ActionGreater>();
    } else {
      load.Push(Constants({0})).Do<ActionGetVariable>().Push(Constants({2})).Do<ActionGetVariable>().Do<ActionLess2>();
    }
    load.Do<ActionNot>()
        .Do<ActionNot>()
        .Do(std::make_unique<ActionIf>(35))
        .Push(Constants({3, 2}))
        .Do<ActionGetVariable>()
        .Do<ActionAdd2>()
        .Push([](ActionPush& p) {
          p.AddFloat(7.0f);
          p.AddBoolean(false);
        })
        .Do<ActionSetProperty>()
        .Push(Constants({2, 2}))
        .Do<ActionGetVariable>()
        .Do<ActionIncrement>()
        .Do<ActionSetVariable>()
        .Do(std::make_unique<ActionJump>(-55));
    load.AttachTo(placement);
  }

  // Every frame: vis = int(prcnt * 100 / (100 / maxw)); segments 1..vis shown, the rest
  // hidden; animated segments start their timeline once each time they appear. The branch
  // offsets are bytes of the actions they pass.
  const bool bsegs = animateSegs_ && animateBsegs_;
  ClipScript frame(kEnterFrameEvent);
  frame.NoBranchTracking();
  if (!animateSegs_) {
    frame.Pool({L"vis", L"_parent._parent", L"prcnt", L"maxw", L"i", L"progress.seg"});
  } else if (!bsegs) {
    frame.Pool({L"vis", L"_parent._parent", L"prcnt", L"maxw", L"i", L"progress.seg", L"", L"shw"});
  } else {
    frame.Pool({L"vis", L"_parent._parent", L"prcnt", L"maxw", L"i", L"progress.seg", L"", L"shw", L"progress.bseg"});
  }
  frame.Push(Constants({0, 1}))
      .Do<ActionGetVariable>()
      .Push(Constants({2}))
      .Do<ActionGetMember>()
      .Push([](ActionPush& p) { p.AddInteger(100); })
      .Do<ActionMultiply>()
      .Push([](ActionPush& p) {
        p.AddInteger(100);
        p.AddConstant8(3);
      })
      .Do<ActionGetVariable>()
      .Do<ActionDivide>()
      .Do<ActionDivide>()
      .Do<ActionToInteger>()
      .Do<ActionSetVariable>()
      .Push([](ActionPush& p) {
        p.AddConstant8(4);
        p.AddInteger(1);
      })
      .Do<ActionSetVariable>()
      // loop head: leave when maxw < i
      .Push(Constants({3}))
      .Do<ActionGetVariable>()
      .Push(Constants({4}))
      .Do<ActionGetVariable>()
      .Do<ActionLess2>()
      .Do<ActionNot>()
      .Do<ActionNot>()
      .Do(std::make_unique<ActionIf>(!animateSegs_ ? 88
                                     : bsegs       ? 228
                                                   : 151))
      // to the hiding part unless i < vis + 1
      .Push(Constants({4}))
      .Do<ActionGetVariable>()
      .Push(Constants({0}))
      .Do<ActionGetVariable>()
      .Push([](ActionPush& p) { p.AddInteger(1); })
      .Do<ActionAdd2>()
      .Do<ActionLess2>()
      .Do<ActionNot>()
      .Do(std::make_unique<ActionIf>(!animateSegs_ ? 25
                                     : bsegs       ? 114
                                                   : 66));
  if (!animateSegs_) {
    frame.Push(Constants({5, 4}))
        .Do<ActionGetVariable>()
        .Do<ActionAdd2>()
        .Push([](ActionPush& p) {
          p.AddFloat(7.0f);
          p.AddBoolean(true);
        })
        .Do<ActionSetProperty>()
        .Do(std::make_unique<ActionJump>(20))
        .Push(Constants({5, 4}))
        .Do<ActionGetVariable>()
        .Do<ActionAdd2>()
        .Push([](ActionPush& p) {
          p.AddFloat(7.0f);
          p.AddBoolean(false);
        })
        .Do<ActionSetProperty>();
  } else {
    // Shown: visible, and its timeline played when it was not shown before.
    auto playOnce = [](ClipScript& s) {
      s.Push([](ActionPush& p) {
         p.AddDouble(0.0);
         p.AddConstant8(7);
       })
          .Do<ActionGetVariable>()
          .Do<ActionEquals2>()
          .Do<ActionNot>()
          .Do(std::make_unique<ActionIf>(12))
          .Push([](ActionPush& p) {
            p.AddConstant8(7);
            p.AddInteger(1);
          })
          .Do<ActionSetVariable>()
          .Do<ActionPlay>();
    };
    frame.Push(Constants({5, 4}))
        .Do<ActionGetVariable>()
        .Do<ActionAdd2>()
        .Do<ActionSetTarget2>()
        .Push([](ActionPush& p) {
          p.AddConstant8(6);
          p.AddInteger(7);
          p.AddBoolean(true);
        })
        .Do<ActionSetProperty>();
    playOnce(frame);
    frame.Do(std::make_unique<ActionSetTarget>(WideString()));
    if (bsegs) {
      frame.Push(Constants({8, 4})).Do<ActionGetVariable>().Do<ActionAdd2>().Do<ActionSetTarget2>();
      playOnce(frame);
      frame.Do(std::make_unique<ActionSetTarget>(WideString()));
    }
    frame.Do(std::make_unique<ActionJump>(bsegs ? 71 : 42));
    // Hidden: invisible, and ready to play again when it reappears.
    frame.Push(Constants({5, 4}))
        .Do<ActionGetVariable>()
        .Do<ActionAdd2>()
        .Do<ActionSetTarget2>()
        .Push([](ActionPush& p) {
          p.AddConstant8(6);
          p.AddInteger(7);
          p.AddBoolean(false);
        })
        .Do<ActionSetProperty>()
        .Push([](ActionPush& p) {
          p.AddConstant8(7);
          p.AddDouble(0.0);
        })
        .Do<ActionSetVariable>()
        .Do(std::make_unique<ActionSetTarget>(WideString()));
    if (bsegs) {
      frame.Push(Constants({8, 4}))
          .Do<ActionGetVariable>()
          .Do<ActionAdd2>()
          .Do<ActionSetTarget2>()
          .Push([](ActionPush& p) {
            p.AddConstant8(7);
            p.AddDouble(0.0);
          })
          .Do<ActionSetVariable>()
          .Do(std::make_unique<ActionSetTarget>(WideString()));
    }
  }
  frame.Push(Constants({4, 4}))
      .Do<ActionGetVariable>()
      .Do<ActionIncrement>()
      .Do<ActionSetVariable>()
      .Do(std::make_unique<ActionJump>(!animateSegs_ ? -108
                                       : bsegs       ? -248
                                                     : -171));
  frame.AttachTo(placement);
}
