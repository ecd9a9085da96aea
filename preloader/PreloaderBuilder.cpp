#include "preloader/PreloaderBuilder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/TempFolder.h"
#include "preloader/PreloaderData.h"
#include "swf/ControlTags.h"
#include "swf/DefineSpriteTag.h"
#include "swf/SwfReader.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SimpleActions.h"
#include "swf/OperandActions.h"
#include "swf/SwfCompression.h"
#include "swf/SwfFileWriter.h"
#include "swf/SwfTagList.h"
#include "swf/ActionPush.h"

namespace {

// Appends a frame holding the tag (when given) to the sprite.
void AddSpriteFrame(DefineSpriteTag& sprite, std::unique_ptr<SwfTag> tag) {
  if (tag) sprite.AddTag(std::move(tag));
  sprite.AddTag(std::make_unique<ShowFrameTag>());
}

std::unique_ptr<DoActionTag> MakeActions(std::initializer_list<ActionRecord*> list) {
  auto actions = std::make_unique<DoActionTag>();
  actions->SetBranchTracking(false, true);
  for (ActionRecord* action : list) actions->AddAction(std::unique_ptr<ActionRecord>(action));
  return actions;
}

// A placement at a depth with a name, moved by (x, y) pixels when either is not 0.
std::unique_ptr<PlaceObject2Tag> MakeNamedPlacement(uint16_t id, uint16_t depth, const wchar_t* name, int32_t x,
                                                    int32_t y) {
  auto place = std::make_unique<PlaceObject2Tag>();
  place->SetCharacterId(id);
  place->depth = depth;
  place->SetName(name);
  if (x != 0 || y != 0) {
    auto matrix = std::make_unique<SwfMatrix>();
    matrix->translateX = x * 20;
    matrix->translateY = y * 20;
    place->SetMatrix(std::move(matrix));
  }
  return place;
}

std::string ErrnoText(int error) { return error != 0 ? std::string(": ") + std::strerror(error) : std::string(); }

}  // namespace

PreloaderBuilder::PreloaderBuilder() = default;
PreloaderBuilder::~PreloaderBuilder() = default;

bool PreloaderBuilder::Fail(const std::string& reason) {
  if (error_.empty()) error_ = reason;
  return false;
}

bool PreloaderBuilder::Build(const WideString& outputPath, PreloaderData& project, bool replace) {
  error_.clear();
  writtenSize_ = 0;
  backgroundDepth_ = 0;
  project_ = &project;
  finalOutputPath_ = outputPath;
  anmDisplay_ = false;

  if (!replace && PathExists(outputPath)) return Fail("The output file exists already.");

  // A compressed movie is written uncompressed to a temporary file first.
  const bool compress = project.GetCompress() && !project.IsPreview();
  WideString tempPath;
  if (compress && !GetTempFilePath(tempPath, L"_rrw_t0plw.dat", true))
    return Fail("No temporary file can be made for the compressed movie.");
  const WideString& writePath = compress ? tempPath : outputPath;
  outputPath_ = &writePath;

  uint16_t characterIds = 0;
  uint16_t depths = 0;
  characterIds_ = &characterIds;
  depths_ = &depths;

  int32_t width = project.GetTargetWidth();
  int32_t height = project.GetTargetHeight();
  if (project.IsDisplayOnlyPreview() && project.GetDisplay()) {
    width = project.GetDisplay()->GetWidth() + 20;
    height = project.GetDisplay()->GetHeight() + 20;
  }
  // A document's values are read without range checks.
  constexpr int32_t kMaxStage = PreloaderData::GetTargetWidthMax() + 20;
  if (width < 1 || height < 1 || width > kMaxStage || height > kMaxStage)
    return Fail("The stage size is outside 1 to 5000 pixels.");
  const float fps = project.GetTargetFps();
  if (!(fps >= PreloaderData::GetTargetFpsMin() && fps <= PreloaderData::GetTargetFpsMax()))
    return Fail("The frame rate is outside 1 to 120 frames per second.");

  bool ok = false;
  {
    SwfFileWriter writer(false);
    writer.SetMovieParameters(width * 20, height * 20, fps, static_cast<uint8_t>(project.GetSwfVersion()));
    if (!writer.Open(writePath, compress ? true : replace)) {
      Fail("The movie cannot be written to " + WideToUtf8(writePath) + ErrnoText(writer.LastError()));
    } else if (WriteMovie(writer)) {
      writer.AddTag(std::make_unique<EndTag>());
      const uint64_t tagBytes = writer.GetTagBytes();
      if (writer.Close() == 0)
        Fail("The movie could not be written completely" + ErrnoText(writer.LastError()));
      else {
        writtenSize_ = static_cast<uint32_t>(tagBytes);
        ok = true;
      }
    }
  }
  characterIds_ = nullptr;
  depths_ = nullptr;
  outputPath_ = nullptr;

  if (compress) {
    if (ok && !CompressSwfFile(tempPath, outputPath, replace)) ok = Fail("The compressed movie could not be written.");
    DeleteFileAtPath(tempPath);
  }
  if (!ok) writtenSize_ = 0;
  return ok;
}

bool PreloaderBuilder::WriteMovie(SwfFileWriter& writer) {
  const uint32_t color = project_->GetBackgroundColor();
  writer.AddTag(std::make_unique<SetBackgroundColorTag>(static_cast<uint8_t>(color), static_cast<uint8_t>(color >> 8),
                                                        static_cast<uint8_t>(color >> 16)));
  AddBackground(writer);
  if (project_->GetProtect()) writer.AddTag(std::make_unique<ProtectTag>());
  CollectMessageFonts();
  DefineLoadMessageSprites(writer);
  DefineProgressMessages(writer);
  DefineImports(writer);
  DefineSkipButton(writer);
  DefineLoaderSprite(writer);
  if (!AddTargetFrames(writer)) return false;
  if (writer.Failed()) return Fail("The movie could not be written" + ErrnoText(writer.LastError()));
  return true;
}

// The background image, the fonts and texts of the messages, the imports and the skip
// button are not part of the movie yet: these steps add nothing.
void PreloaderBuilder::AddBackground(SwfFileWriter&) {}
void PreloaderBuilder::CollectMessageFonts() {}
void PreloaderBuilder::DefineLoadMessageSprites(SwfFileWriter&) {}
void PreloaderBuilder::DefineProgressMessages(SwfFileWriter&) {}
void PreloaderBuilder::DefineImports(SwfFileWriter&) {}
void PreloaderBuilder::DefineSkipButton(SwfFileWriter&) {}

void PreloaderBuilder::DefineLoaderSprite(SwfFileWriter& writer) {
  loaderSpriteId_ = ++*characterIds_;
  auto sprite = std::make_unique<DefineSpriteTag>(loaderSpriteId_, 0);
  AddSpriteFrame(*sprite, BuildInitActions());
  AddSpriteFrame(*sprite, BuildLoadedCheckActions());
  // Frame 3 places the imports, the display, the skip button and the messages before its
  // script; the loader holds none of them yet.
  AddSpriteFrame(*sprite, BuildProgressActions());
  AddSpriteFrame(*sprite, MakeActions({new ActionPreviousFrame, new ActionPlay}));
  if (project_->IsDisplayOnlyPreview())
    AddSpriteFrame(*sprite, MakeActions({new ActionStop}));
  else
    AddSpriteFrame(*sprite, MakeActions({new ActionStop, new ActionSetTarget(L"_parent"), new ActionPlay,
                                         new ActionSetTarget(L"")}));
  writer.AddTag(std::move(sprite));
}

bool PreloaderBuilder::AddTargetFrames(SwfFileWriter& writer) {
  const uint16_t loaderDepth = ++*depths_;
  writer.AddTag(MakeNamedPlacement(loaderSpriteId_, loaderDepth, L"ldr", project_->GetTargetXPos(),
                                   project_->GetTargetYPos()));

  auto targetScript = std::make_unique<DoActionTag>();
  targetScript->SetBranchTracking(false, true);
  const bool preview = project_->IsPreview();
  if (IsExternalTarget() && !preview) {
    const uint16_t holderId = ++*characterIds_;
    auto holder = std::make_unique<DefineSpriteTag>(holderId, 0);
    AddSpriteFrame(*holder, nullptr);
    writer.AddTag(std::move(holder));
    writer.AddTag(MakeNamedPlacement(holderId, ++*depths_, L"ptgt", project_->GetTargetOriginX(),
                                     project_->GetTargetOriginY()));
    if (project_->GetTargetType() == kTargetExternal7)
      AddMovieClipLoaderActions(*targetScript);
    else
      AddLoadMovieActions(*targetScript);
  }
  writer.AddTag(std::move(targetScript));
  writer.AddTag(std::make_unique<ShowFrameTag>());

  AddRemovalEffect(writer, loaderDepth);

  writer.AddTag(std::make_unique<RemoveObject2Tag>(loaderDepth));
  writer.AddTag(std::make_unique<FrameLabelTag>(L"loaderdone"));
  if (backgroundDepth_ != 0) writer.AddTag(std::make_unique<RemoveObject2Tag>(backgroundDepth_));

  if (preview) {
    writer.AddTag(MakeActions({new ActionStop}));
    writer.AddTag(std::make_unique<ShowFrameTag>());
  } else if (project_->GetTargetType() == kTargetMerge) {
    if (!MergeTargetMovie(writer)) return false;
  } else {
    // The movie-clip loader holds the target on its first frame until here. A target loaded
    // with loadMovie is not held: it plays by itself, and playing it here would only undo a
    // stop of its own.
    if (project_->GetTargetType() == kTargetExternal7)
      writer.AddTag(MakeActions({new ActionSetTarget(L"ptgt"), new ActionPlay, new ActionSetTarget(L"")}));
    writer.AddTag(std::make_unique<ShowFrameTag>());
    writer.AddTag(MakeActions({new ActionStop}));
    writer.AddTag(std::make_unique<ShowFrameTag>());
  }
  return true;
}

// The removal effects are not part of the movie yet: the loader vanishes at once.
void PreloaderBuilder::AddRemovalEffect(SwfFileWriter&, uint16_t) {}

namespace {

// The body of a tag as it writes itself.
std::vector<uint8_t> WrittenBody(SwfTag& tag, uint8_t version) {
  SwfBitWriter writer(version);
  tag.Write(writer);
  const std::vector<uint8_t>& bytes = writer.GetBytes();
  if (bytes.size() < 2) return {};
  const size_t header = (bytes[0] & 0x3F) == 0x3F ? 6 : 2;
  if (bytes.size() < header) return {};
  return std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(header), bytes.end());
}

// ActionScript 3: a FileAttributes tag with its ActionScript 3 flag, or DoABC code.
bool IsActionScript3Movie(const std::vector<std::unique_ptr<SwfTag>>& tags, uint8_t version) {
  for (const auto& tag : tags) {
    const int code = tag->TagCode();
    if (code == 72 || code == 82) return true;
    if (code == 69) {
      const std::vector<uint8_t> body = WrittenBody(*tag, version);
      if (!body.empty() && (body[0] & 0x08) != 0) return true;
    }
  }
  return false;
}

}  // namespace

bool PreloaderBuilder::MergeTargetMovie(SwfFileWriter& writer) {
  firstMergedFrame_ = writer.GetFrameCount();
  const WideString& path = project_->GetTargetUrl();
  const std::string name = WideToUtf8(path);
  SwfReader reader;
  if (path.empty() || !reader.LoadFileWithOptions(path, true, 0, true))
    return Fail("The target movie " + name + " cannot be read as a SWF movie.");
  std::vector<std::unique_ptr<SwfTag>>& tags = reader.GetTags();
  const uint8_t version = reader.GetHeader().version;
  if (IsActionScript3Movie(tags, version))
    return Fail("The target movie " + name + " is an ActionScript 3 movie, which cannot be merged.");

  const int idDelta = *characterIds_ + 1;
  const int depthDelta = *depths_ + 1;
  const int frameDelta = firstMergedFrame_;
  // Everything of the target must move past the preloader's characters, depths and frames.
  std::string why;
  if (!CanRelocateTagList(tags, idDelta, depthDelta, frameDelta, &why))
    return Fail("The target movie " + name + " cannot be merged: " + why + ".");
  RelocateTagList(tags, idDelta, depthDelta, frameDelta);
  // Ids handed out after the merge lie above every id the target brought.
  *characterIds_ = std::max(*characterIds_, GetLargestCharacterIdPresent(tags));

  // The target's End tag is left out: the movie's own End closes it.
  while (!tags.empty() && tags.back()->TagCode() == kSwfTagEnd) tags.pop_back();

  const int32_t loopType = project_->GetTargetLoopType();
  if (loopType == kLoopLoop || loopType == kLoopNoLoop) {
    for (size_t i = tags.size(); i-- > 0;) {
      if (tags[i]->TagCode() != kSwfTagShowFrame) continue;
      std::unique_ptr<DoActionTag> actions;
      if (loopType == kLoopLoop) {
        // Back to the first frame of the target, the "loaderdone" frame, and on.
        auto push = new ActionPush();
        push->AddInteger(firstMergedFrame_ + 1);
        actions = MakeActions({push, new ActionGotoFrame2(0), new ActionPlay});
      } else {
        actions = MakeActions({new ActionStop});
      }
      tags.insert(tags.begin() + static_cast<std::ptrdiff_t>(i), std::move(actions));
      break;
    }
  }

  for (auto& tag : tags) writer.AddTag(tag.get(), true);
  // The "loaderdone" frame ends with the target's first ShowFrame; only a target that
  // ends without one (or has none) needs a ShowFrame of its own.
  if (tags.empty() || tags.back()->TagCode() != kSwfTagShowFrame) writer.AddTag(std::make_unique<ShowFrameTag>());
  reader.FreeTags(true);
  return true;
}
