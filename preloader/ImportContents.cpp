// The imports inside the loader: embedded images defined as a bitmap, a shape centred on its
// origin and a clip holding it, one empty clip into which every run-time import is loaded, their placements as
// "imp<i>" in the loader's frame 3, and the script parts that show, hide, load and unload
// them as their start and end conditions are met.
#include <string>
#include <vector>

#include "media/BitmapTagMaker.h"
#include "media/QuickTimeMovie.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "preloader/ImportItem.h"
#include "preloader/LoaderScriptWriter.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "swf/ControlTags.h"
#include "swf/DefineShapeTag.h"
#include "swf/DefineSpriteTag.h"
#include "swf/OperandActions.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/ShapeStyles.h"
#include "swf/SimpleActions.h"
#include "swf/SwfFileWriter.h"

namespace {

using V = ScriptValue;

WideString Numbered(const wchar_t* name, int i) { return name + std::to_wstring(i); }

// Starts at once: time 0 or percent 0.
bool StartsAtOnce(const ImportItem& item) {
  return (item.GetStartType() == kStartTime && item.GetStartTime() == 0) ||
         (item.GetStartType() == kStartPercent && item.GetStartPercent() == 0);
}

// An import whose end is measured in the other kind than its start (a time after a percent,
// or a percent after a time): its end counts from the moment it really started, which its
// start keeps in "simp<i>". Counted from the other kind's start value it could end before it
// started, and then start and end in one pass, never seen.
bool EndsInTheOtherKind(const ImportItem& item) {
  return (item.GetStartType() == kStartTime && item.GetEndType() == kEndPercent) ||
         (item.GetStartType() == kStartPercent && item.GetEndType() == kEndTime);
}

// Milliseconds since the loader started.
void PushElapsed(LoaderScriptWriter& s) {
  s.Add<ActionGetTime>().Push({V::Ref(L"stm")}).Add<ActionGetVariable>().Add<ActionSubtract>();
}

// Pushes the comparison of the start (or, counted from the start, the end) condition.
void AddCondition(LoaderScriptWriter& s, const ImportItem& item, int i, bool end) {
  const bool percent = end ? item.GetEndType() == kEndPercent : item.GetStartType() == kStartPercent;
  const bool fromRealStart = end && EndsInTheOtherKind(item);
  if (percent) {
    const int32_t value =
        fromRealStart ? item.GetEndPercent() : item.GetStartPercent() + (end ? item.GetEndPercent() : 0);
    s.Push({V::Dbl(value / 100.0), V::Ref(L"prcnt")}).Add<ActionGetVariable>();
  } else {
    const int32_t value = fromRealStart ? item.GetEndTime() : item.GetStartTime() + (end ? item.GetEndTime() : 0);
    s.Push({V::Int(value)});
    PushElapsed(s);
  }
  if (fromRealStart) s.Push({V::Ref(Numbered(L"simp", i))}).Add<ActionGetVariable>().Add<ActionSubtract>();
  s.Add<ActionLess2>();
}

// After a start: keeps where an import that ends in the other kind started.
void RecordStart(LoaderScriptWriter& s, const ImportItem& item, int i) {
  if (!EndsInTheOtherKind(item)) return;
  s.Push({V::Ref(Numbered(L"simp", i))});
  if (item.GetEndType() == kEndTime)
    PushElapsed(s);
  else
    s.Push({V::Ref(L"prcnt")}).Add<ActionGetVariable>();
  s.Add<ActionSetVariable>();
}

// The test of a start (state 0) or an end (state 1) part. Returns the branch past the part's
// body, for the caller to land once it has written the body.
LoaderScriptWriter::Branch OpenPart(LoaderScriptWriter& s, const ImportItem& item, int i, bool end, bool immediate) {
  LoaderScriptWriter::Branch pastPart = nullptr, inState = nullptr;
  s.Push({V::Ref(Numbered(L"bimp", i))}).Add<ActionGetVariable>();
  s.Push({end ? V::Int(1) : V::Dbl(0)}).Add<ActionEquals2>();
  if (!immediate) {
    // Not in the state: false stays on the stack. Else the condition replaces it.
    s.Add<ActionPushDuplicate>().Add<ActionNot>().If(inState).Add<ActionPop>();
    AddCondition(s, item, i, end);
    s.Land(inState);
  }
  s.Add<ActionNot>().If(pastPart);
  return pastPart;
}

bool HasEnd(const ImportItem& item) { return item.GetEndType() == kEndTime || item.GetEndType() == kEndPercent; }

void SetVisible(LoaderScriptWriter& s, int i, bool visible) {
  s.Push({V::Ref(Numbered(L"imp", i))}).Add<ActionGetVariable>();
  s.Push({V::Ref(L"_visible"), V::Bool(visible)}).Add<ActionSetMember>();
}

// Bytes of UTF-8 outside the characters an address carries as they are, percent-encoded.
WideString PercentEncoded(const WideString& text, bool keepReserved) {
  static const char kHex[] = "0123456789ABCDEF";
  WideString out;
  for (const unsigned char c : WideToUtf8(text)) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       std::string_view("-._~/").find(static_cast<char>(c)) != std::string_view::npos ||
                       (keepReserved && c > 0x20 && c < 0x7F);
    if (plain) {
      out.push_back(static_cast<wchar_t>(c));
    } else {
      out.push_back(L'%');
      out.push_back(static_cast<wchar_t>(kHex[c >> 4]));
      out.push_back(static_cast<wchar_t>(kHex[c & 0x0F]));
    }
  }
  return out;
}

}  // namespace

void PreloaderBuilder::DefineImports(SwfFileWriter& writer) {
  placeholderSpriteId_ = 0;
  bool runTime = false;
  for (int i = 0; i < project_->GetImportCount(); ++i) {
    ImportItem& item = *project_->GetImport(i);
    item.SetBitmapId(0);
    item.SetShapeId(0);
    item.SetSpriteId(0);
    if (!item.IsEmbeddedImage()) {
      runTime = true;
      continue;
    }
    std::string why;
    if (DefineImportBitmap(writer, item, why))
      DefineImportShape(writer, item);
    else
      warnings_.push_back("Import " + std::to_string(i + 1) + " is left out of the movie: " + why + ".");
  }
  if (!runTime) return;
  placeholderSpriteId_ = ++*characterIds_;
  auto sprite = std::make_unique<DefineSpriteTag>(placeholderSpriteId_, 0);
  sprite->AddTag(std::make_unique<ShowFrameTag>());
  writer.AddTag(std::move(sprite));
}

bool PreloaderBuilder::DefineImportBitmap(SwfFileWriter& writer, ImportItem& item, std::string& why) {
  const int32_t width = item.GetFinalWidth();
  const int32_t height = item.GetFinalHeight();
  // Sizes read from a document are unchecked: an image is rendered only within the limits.
  if (width < ImportItem::GetWidthMin() || width > ImportItem::GetWidthMax() || height < ImportItem::GetHeightMin() ||
      height > ImportItem::GetHeightMax()) {
    why = "its size of " + std::to_string(width) + " x " + std::to_string(height) + " pixels is outside 1 to " +
          std::to_string(ImportItem::GetWidthMax());
    return false;
  }
  QuickTimeMovie movie;
  if (!movie.Open(FromWorkingFolder(item.GetPath()))) {
    why = "the image file cannot be read";
    return false;
  }
  std::vector<uint8_t> pixels;
  size_t count = 0;
  if (movie.SetSize(width, height)) count = movie.RenderFrame(0, nullptr, 0, nullptr, nullptr, 24);
  if (count > 0) {
    pixels.resize(count);
    count = movie.RenderFrame(0, pixels.data(), pixels.size(), nullptr, nullptr, 24);
  }
  if (count == 0) {
    why = "the image cannot be rendered";
    return false;
  }
  BitmapTagMaker maker;
  std::unique_ptr<SwfCharacterTag> bitmap;
  const auto w = static_cast<uint32_t>(width);
  const auto h = static_cast<uint32_t>(height);
  switch (item.GetExportImageType()) {
    case kImportLossless24: bitmap = maker.MakeLossless(pixels.data(), w, h, 24); break;
    case kImportLossless15: bitmap = maker.MakeLossless(pixels.data(), w, h, 15); break;
    case kImportLossless8: bitmap = maker.MakeLossless(pixels.data(), w, h, 8); break;
    default: bitmap = maker.MakeJpegFromPixels(pixels.data(), w, h, item.GetImageQuality()); break;
  }
  if (!bitmap) {
    why = "no bitmap can be made of it";
    return false;
  }
  item.SetBitmapId(++*characterIds_);
  bitmap->SetCharacterId(item.GetBitmapId());
  writer.AddTag(std::move(bitmap));
  return true;
}

void PreloaderBuilder::DefineImportShape(SwfFileWriter& writer, ImportItem& item) {
  const int32_t width = item.GetFinalWidth() * 20;
  const int32_t height = item.GetFinalHeight() * 20;
  auto matrix = std::make_unique<SwfMatrix>();
  matrix->hasScale = true;
  matrix->scaleX = matrix->scaleY = static_cast<int32_t>((item.GetAdjustBitmapShift() ? 19.98 : 20.0) * 65536.0 + 0.5);
  matrix->translateX = -(width >> 1);
  matrix->translateY = -(height >> 1);
  auto fill = std::make_unique<FillStyle>();
  fill->InitBitmapFill(0x41, item.GetBitmapId(), std::move(matrix));
  auto shape = std::make_unique<DefineShapeTag>();
  shape->BuildRectangle(-(width >> 1), -(height >> 1), width, height, std::move(fill), nullptr);
  item.SetShapeId(++*characterIds_);
  shape->SetCharacterId(item.GetShapeId());
  writer.AddTag(std::move(shape));
  // The shape in a clip of its own: scripts address a named shape as the clip that holds it,
  // so hiding "imp<i>" would hide the whole loader.
  item.SetSpriteId(++*characterIds_);
  auto sprite = std::make_unique<DefineSpriteTag>(item.GetSpriteId(), 0);
  auto place = std::make_unique<PlaceObject2Tag>();
  place->SetCharacterId(item.GetShapeId());
  place->depth = 1;
  sprite->AddTag(std::move(place));
  sprite->AddTag(std::make_unique<ShowFrameTag>());
  writer.AddTag(std::move(sprite));
}

void PreloaderBuilder::PlaceImports(DefineSpriteTag& loader, uint16_t& loaderDepth) {
  for (int i = 0; i < project_->GetImportCount(); ++i) {
    const ImportItem& item = *project_->GetImport(i);
    std::unique_ptr<SwfMatrix> matrix = item.GetPlacementMatrix();
    uint16_t id = placeholderSpriteId_;
    if (item.IsEmbeddedImage()) {
      // An embedded image left out keeps its number: the others' names follow the list.
      if (item.GetSpriteId() == 0) continue;
      id = item.GetSpriteId();
      // The shape is drawn at its final size and centred on its origin.
      matrix->hasScale = true;
      matrix->scaleX = matrix->scaleY = 65536;
      matrix->translateX += (item.GetFinalWidth() * 20) >> 1;
      matrix->translateY += (item.GetFinalHeight() * 20) >> 1;
    }
    auto place = std::make_unique<PlaceObject2Tag>();
    place->SetCharacterId(id);
    place->depth = ++loaderDepth;
    place->SetName(Numbered(L"imp", i));
    place->SetMatrix(std::move(matrix));
    loader.AddTag(std::move(place));
  }
}

void PreloaderBuilder::AddInitImportActions(DoActionTag& actions) const {
  LoaderScriptWriter s(actions, nullptr);
  for (int i = 0; i < project_->GetImportCount(); ++i) {
    s.Push({V::Inline(Numbered(L"bimp", i)), V::Int(0)}).Add<ActionSetVariable>();
    if (!project_->GetImport(i)->IsEmbeddedImage()) continue;
    s.Push({V::Inline(Numbered(L"imp", i))}).Add<ActionGetVariable>();
    s.Push({V::Inline(L"_visible"), V::Bool(false)}).Add<ActionSetMember>();
  }
}

void PreloaderBuilder::AddEmbeddedImportActions(DoActionTag& actions) {
  if (!constantPool_) return;
  actions.SetBranchTracking(true, true);
  LoaderScriptWriter s(actions, constantPool_);
  constantPool_->AddString(L"stm");
  const int count = project_->GetImportCount();
  for (int i = 0; i < count; ++i) {
    constantPool_->AddString(Numbered(L"bimp", i));
    constantPool_->AddString(Numbered(L"imp", i));
  }
  constantPool_->AddString(L"_visible");
  // The clips are placed in this frame, after frame 1 ran: an image waiting for its start is
  // hidden here, before the player first draws it.
  for (int i = 0; i < count; ++i) {
    const ImportItem& item = *project_->GetImport(i);
    if (!item.IsEmbeddedImage() || StartsAtOnce(item)) continue;
    const LoaderScriptWriter::Branch pastPart = OpenPart(s, item, i, false, true);
    SetVisible(s, i, false);
    s.Land(pastPart);
  }
  for (int i = 0; i < count; ++i) {
    const ImportItem& item = *project_->GetImport(i);
    if (!item.IsEmbeddedImage()) continue;
    const LoaderScriptWriter::Branch pastPart = OpenPart(s, item, i, false, StartsAtOnce(item));
    SetVisible(s, i, true);
    s.Push({V::Ref(Numbered(L"bimp", i)), V::Int(1)}).Add<ActionSetVariable>();
    RecordStart(s, item, i);
    s.Land(pastPart);
  }
  for (int i = 0; i < count; ++i) {
    const ImportItem& item = *project_->GetImport(i);
    if (!item.IsEmbeddedImage() || !HasEnd(item)) continue;
    const LoaderScriptWriter::Branch pastPart = OpenPart(s, item, i, true, false);
    SetVisible(s, i, false);
    s.Push({V::Ref(Numbered(L"bimp", i)), V::Int(2)}).Add<ActionSetVariable>();
    s.Land(pastPart);
  }
  actions.SetBranchTracking(false, true);
}

void PreloaderBuilder::AddImportActions(DoActionTag& actions) {
  AddEmbeddedImportActions(actions);
  if (!constantPool_) return;
  actions.SetBranchTracking(true, true);
  LoaderScriptWriter s(actions, constantPool_);
  constantPool_->AddString(L"stm");
  const int count = project_->GetImportCount();
  for (int i = 0; i < count; ++i) {
    constantPool_->AddString(Numbered(L"bimp", i));
    constantPool_->AddString(Numbered(L"imp", i));
  }
  for (const wchar_t* text : {L"loadMovie", L"unloadMovie"}) constantPool_->AddString(text);
  for (int i = 0; i < count; ++i) {
    const ImportItem& item = *project_->GetImport(i);
    if (item.IsEmbeddedImage()) continue;
    const bool immediate = StartsAtOnce(item);
    const WideString url = GetImportUrl(item, !immediate);
    const LoaderScriptWriter::Branch pastPart = OpenPart(s, item, i, false, immediate);
    if (immediate) {
      s.Push({V::Inline(url)}).Push({V::Int(1), V::Ref(Numbered(L"imp", i))}).Add<ActionGetVariable>();
      s.Push({V::Ref(L"loadMovie")}).Add<ActionCallMethod>().Add<ActionPop>();
      s.Push({V::Inline(Numbered(L"bimp", i)), V::Int(1)}).Add<ActionSetVariable>();
    } else {
      s.Push({V::Inline(url), V::Int(1), V::Ref(Numbered(L"imp", i))}).Add<ActionGetVariable>();
      s.Push({V::Ref(L"loadMovie")}).Add<ActionCallMethod>().Add<ActionPop>();
      s.Push({V::Ref(Numbered(L"bimp", i)), V::Int(1)}).Add<ActionSetVariable>();
    }
    RecordStart(s, item, i);
    s.Land(pastPart);
  }
  for (int i = 0; i < count; ++i) {
    const ImportItem& item = *project_->GetImport(i);
    if (item.IsEmbeddedImage() || !HasEnd(item)) continue;
    const LoaderScriptWriter::Branch pastPart = OpenPart(s, item, i, true, false);
    s.Push({V::Dbl(0), V::Ref(Numbered(L"imp", i))}).Add<ActionGetVariable>();
    s.Push({V::Ref(L"unloadMovie")}).Add<ActionCallMethod>().Add<ActionPop>();
    s.Push({V::Ref(Numbered(L"bimp", i)), V::Int(2)}).Add<ActionSetVariable>();
    s.Land(pastPart);
  }
  actions.SetBranchTracking(false, true);
}

// A file that is there: in a preview its own address on this machine; in the movie, the path
// from the output's folder (or its bare name), percent-encoded. Anything else (a web address)
// is loaded as the user wrote it, whatever the start, with only what an address cannot
// carry encoded.
WideString PreloaderBuilder::GetImportUrl(const ImportItem& item, bool delayed) const {
  const WideString& source = item.GetPath();
  const WideString file = FromWorkingFolder(source);
  if (!PathExists(file)) return PercentEncoded(source, true);
  if (project_->IsPreview()) return L"file://" + PercentEncoded(MakeAbsolutePath(file), false);
  if (delayed || project_->GetUseRelativeSwfPath())
    return PercentEncoded(NormalizePathSeparators(RelativizePath(file, FromWorkingFolder(finalOutputPath_))), false);
  return PercentEncoded(GetFileName(file), false);
}
