#include "preloader/PreloaderBuilder.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/TempFolder.h"
#include "preloader/PreloaderData.h"
#include "swf/ControlTags.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SimpleActions.h"
#include "swf/OperandActions.h"
#include "swf/SwfCompression.h"
#include "swf/SwfFileWriter.h"

namespace {

// A movie clip as the generator assembles it: an id and its own timeline of control tags.
class LoaderSpriteTag : public SwfCharacterTag {
 public:
  explicit LoaderSpriteTag(uint16_t id) { characterId_ = id; }
  int TagCode() const override { return 39; }

  void AddTag(std::unique_ptr<SwfTag> tag) {
    if (tag->TagCode() == kSwfTagShowFrame) ++frameCount_;
    children_.push_back(std::move(tag));
  }
  void AddFrame(std::unique_ptr<SwfTag> tag) {
    if (tag) AddTag(std::move(tag));
    AddTag(std::make_unique<ShowFrameTag>());
  }

  size_t Write(SwfBitWriter& writer) override {
    SwfBitWriter body = MakeBodyWriter(writer);
    body.WriteU16(characterId_);
    body.WriteU16(frameCount_);
    for (auto& child : children_) child->Write(body);
    EndTag().Write(body);
    return WriteWithBody(writer, body, false);
  }

 private:
  uint16_t frameCount_ = 0;
  std::vector<std::unique_ptr<SwfTag>> children_;
};

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
  auto sprite = std::make_unique<LoaderSpriteTag>(loaderSpriteId_);
  sprite->AddFrame(BuildInitActions());
  sprite->AddFrame(BuildLoadedCheckActions());
  // Frame 3 places the imports, the display, the skip button and the messages before its
  // script; the loader holds none of them yet.
  sprite->AddFrame(BuildProgressActions());
  sprite->AddFrame(MakeActions({new ActionPreviousFrame, new ActionPlay}));
  if (project_->IsDisplayOnlyPreview())
    sprite->AddFrame(MakeActions({new ActionStop}));
  else
    sprite->AddFrame(MakeActions({new ActionStop, new ActionSetTarget(L"_parent"), new ActionPlay,
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
    auto holder = std::make_unique<LoaderSpriteTag>(holderId);
    holder->AddFrame(nullptr);
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
    writer.AddTag(MakeActions({new ActionSetTarget(L"ptgt"), new ActionPlay, new ActionSetTarget(L"")}));
    writer.AddTag(std::make_unique<ShowFrameTag>());
    writer.AddTag(MakeActions({new ActionStop}));
    writer.AddTag(std::make_unique<ShowFrameTag>());
  }
  return true;
}

// The removal effects are not part of the movie yet: the loader vanishes at once.
void PreloaderBuilder::AddRemovalEffect(SwfFileWriter&, uint16_t) {}

bool PreloaderBuilder::MergeTargetMovie(SwfFileWriter& writer) {
  firstMergedFrame_ = writer.GetFrameCount();
  return Fail("Merging the target movie into the preloader is not available yet.");
}
