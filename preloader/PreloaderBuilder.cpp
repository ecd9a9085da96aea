#include "preloader/PreloaderBuilder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "media/FontCollection.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/TempFolder.h"
#include "preloader/PreloaderData.h"
#include "swf/ActionPush.h"
#include "swf/ControlTags.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/OperandActions.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SimpleActions.h"
#include "swf/SwfBasicRecords.h"
#include "swf/SwfCompression.h"
#include "swf/SwfFileWriter.h"
#include "swf/SwfReader.h"
#include "swf/SwfTagList.h"

namespace {

// Appends a frame holding the tag (when given) to the sprite.
void AddSpriteFrame(DefineSpriteTag& sprite, std::unique_ptr<SwfTag> tag) {
  if (tag) sprite.AddTag(std::move(tag));
  sprite.AddTag(std::make_unique<ShowFrameTag>());
}

// An action list of the given actions, each made as it is passed, so none is lost when making
// a later one throws.
template <typename... Actions>
std::unique_ptr<DoActionTag> MakeActions(std::unique_ptr<Actions>... list) {
  auto actions = std::make_unique<DoActionTag>();
  actions->SetBranchTracking(false, true);
  (actions->AddAction(std::move(list)), ...);
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

bool InRange(int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; }

// The farthest from the origin, in pixels, that a placement's matrix carries (its translation
// is a signed field of at most 31 bits, in twips).
constexpr int32_t kMaxPosition = kSwfMaxBitFieldValue / 20;

// " (x, y) is outside ...": the rest of the message on a position no movie can hold.
std::string PositionOutside(int32_t x, int32_t y) {
  return " (" + std::to_string(x) + ", " + std::to_string(y) + ") is outside -" + std::to_string(kMaxPosition) +
         " to " + std::to_string(kMaxPosition) + " pixels, the farthest a movie places a clip.";
}

// Whether both paths lead to one existing file (links followed), whatever their names.
bool IsSameFile(const WideString& a, const WideString& b) {
  if (a.empty() || b.empty()) return false;
  struct stat first {};
  struct stat second {};
  return ::stat(WideToUtf8(a).c_str(), &first) == 0 && ::stat(WideToUtf8(b).c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
  return text;
}

// Why a movie file could not be loaded, from the reader's code and the system's error of the
// moment.
std::string ReadErrorText(int code, int systemError) {
  switch (code) {
    case kSwfReadCannotOpen: return systemError != 0 ? std::strerror(systemError) : "it is not a regular file";
    case kSwfReadNotSwf: return "it is no SWF movie (no FWS or CWS header, or a compressed body that does not inflate)";
    case kSwfReadOutOfMemory: return "it is larger than a movie the program reads";
    case kSwfReadNestedTooDeep:
      return "its sprites are nested more than " + std::to_string(kSwfMaxSpriteNesting) + " deep";
    default: return "the reader gave no reason";
  }
}

// A path or address as a message shows it: a long one keeps its start and its end (the file's
// name) around an ellipsis, cut on character boundaries, so no message carries a whole document.
std::string ShownInMessage(const std::string& text) {
  constexpr size_t kHead = 120, kTail = 120;
  if (text.size() <= kHead + kTail + 16) return text;
  size_t head = kHead, tail = text.size() - kTail;
  while (head > 0 && (static_cast<unsigned char>(text[head]) & 0xC0) == 0x80) --head;
  while (tail < text.size() && (static_cast<unsigned char>(text[tail]) & 0xC0) == 0x80) ++tail;
  return text.substr(0, head) + "\u2026" + text.substr(tail);
}

// ": " and the system's reason for a failed file operation.
std::string ErrnoText(int error) {
  return std::string(": ") + (error != 0 ? std::strerror(error) : "the system gave no reason");
}

}  // namespace

PreloaderBuilder::PreloaderBuilder() = default;
PreloaderBuilder::~PreloaderBuilder() = default;

bool PreloaderBuilder::Fail(const std::string& reason) {
  if (error_.empty()) error_ = reason;
  return false;
}

// Parts of a project this machine cannot build (a display its library lacks): the build goes
// on without them and names each one.
void PreloaderBuilder::WarnOfPartsLeftOut() {
  const PreloaderData& p = *project_;
  // A display the project names but this machine's library does not hold.
  if (p.IsDisplayEnabled() && p.GetDisplay() == nullptr) {
    for (const auto& [name, value] : p.GetUnresolvedDisplay()) {
      if (name == L"name")
        warnings_.push_back("The display \"" + ShownInMessage(WideToUtf8(value)) +
                            "\" is not in the preloader library and is left out of the movie.");
    }
  }
}

bool PreloaderBuilder::Build(const WideString& outputPath, PreloaderData& project, bool replace) {
  error_.clear();
  warnings_.clear();
  writtenSize_ = 0;
  backgroundDepth_ = 0;
  project_ = &project;
  finalOutputPath_ = outputPath;
  anmDisplay_ = false;

  if (!replace && PathExists(FromWorkingFolder(outputPath))) return Fail("The output file exists already.");
  if (IsSameFile(outputPath, project.GetTargetUrl()))
    return Fail("The output file " + ShownInMessage(WideToUtf8(outputPath)) +
                " is the target movie itself, which the build would "
                "replace.");

  // A document's values are read without range checks: each is checked against the limits
  // its message names before it becomes twips.
  int32_t width = project.GetTargetWidth();
  int32_t height = project.GetTargetHeight();
  if (project.IsDisplayOnlyPreview() && project.GetDisplay()) {
    // The display alone, with a margin of 10 pixels around it (a display that reports no size
    // of its own gets the margin alone).
    width = project.GetDisplay()->GetWidth();
    height = project.GetDisplay()->GetHeight();
    if (!InRange(width, 0, PreloaderDisplay::GetWidthMax()) || !InRange(height, 0, PreloaderDisplay::GetHeightMax()))
      return Fail("The display's size is outside 0 to " + std::to_string(PreloaderDisplay::GetWidthMax()) + " pixels.");
    width += 20;
    height += 20;
  } else if (!InRange(width, PreloaderData::GetTargetWidthMin(), PreloaderData::GetTargetWidthMax()) ||
             !InRange(height, PreloaderData::GetTargetHeightMin(), PreloaderData::GetTargetHeightMax())) {
    return Fail("The stage size is outside " + std::to_string(PreloaderData::GetTargetWidthMin()) + " to " +
                std::to_string(PreloaderData::GetTargetWidthMax()) + " pixels.");
  }
  const float fps = project.GetTargetFps();
  if (!(fps >= PreloaderData::GetTargetFpsMin() && fps <= PreloaderData::GetTargetFpsMax()))
    return Fail("The frame rate is outside 1 to 120 frames per second.");
  const auto placeable = [](int32_t x, int32_t y) {
    return InRange(x, -kMaxPosition, kMaxPosition) && InRange(y, -kMaxPosition, kMaxPosition);
  };
  if (!placeable(project.GetTargetXPos(), project.GetTargetYPos()))
    return Fail("The loader's position" + PositionOutside(project.GetTargetXPos(), project.GetTargetYPos()));
  if (!placeable(project.GetTargetOriginX(), project.GetTargetOriginY()))
    return Fail("The target's origin" + PositionOutside(project.GetTargetOriginX(), project.GetTargetOriginY()));

  // A compressed movie is written uncompressed to a temporary file first.
  const bool compress = project.GetCompress() && !project.IsPreview();
  WideString tempPath;
  errno = 0;
  if (compress && !GetTempFilePath(tempPath, L"_rrw_t0plw.dat", true))
    return Fail("No temporary file can be made for the compressed movie" + ErrnoText(errno) + ".");
  const WideString& writePath = compress ? tempPath : outputPath;
  outputPath_ = &writePath;

  uint16_t characterIds = 0;
  uint16_t depths = 0;
  characterIds_ = &characterIds;
  depths_ = &depths;

  bool ok = false;
  {
    SwfFileWriter writer(false);
    writer.SetMovieParameters(width * 20, height * 20, fps, static_cast<uint8_t>(GetMovieVersion()));
    if (!writer.Open(writePath, compress ? true : replace)) {
      Fail("The movie cannot be written to " + ShownInMessage(WideToUtf8(writePath)) + ErrnoText(writer.LastError()));
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
    errno = 0;
    if (ok && !CompressSwfFile(tempPath, outputPath, replace))
      ok = Fail("The compressed movie could not be written to " + ShownInMessage(WideToUtf8(outputPath)) +
                ErrnoText(errno) + ".");
    DeleteFileAtPath(tempPath);
  }
  if (!ok) writtenSize_ = 0;
  return ok;
}

int PreloaderBuilder::GetMovieVersion() const {
  const int version = project_->GetSwfVersion();
  return project_->GetCompress() && !project_->IsPreview() ? std::max(version, 6) : version;
}

bool PreloaderBuilder::WriteMovie(SwfFileWriter& writer) {
  WarnOfPartsLeftOut();
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
  if (!error_.empty()) return false;
  if (!AddTargetFrames(writer)) return false;
  if (writer.Failed()) return Fail("The movie could not be written" + ErrnoText(writer.LastError()));
  return true;
}

// The background image's bitmap and shape, placed at the next depth; an image that cannot be
// shown is left out with a warning.
void PreloaderBuilder::AddBackground(SwfFileWriter& writer) {
  BackgroundImage& image = project_->GetBackgroundImage();
  std::string why;
  if (image.DefineSwfCharacters(writer, characterIds_, &why) == 0) {
    if (!why.empty()) warnings_.push_back("The background image is left out of the movie: " + why + ".");
    return;
  }
  auto place = image.CreatePlaceObject(depths_);
  backgroundDepth_ = place->depth;
  writer.AddTag(std::move(place));
}

// The skip button's definitions, when the project shows one; a movie it cannot be taken from
// leaves it out with a warning.
void PreloaderBuilder::DefineSkipButton(SwfFileWriter& writer) {
  skipButtonId_ = 0;
  if (!project_->IsSkipButtonEnabled() || project_->GetSkipButton() == nullptr) return;
  std::string why;
  skipButtonId_ = project_->GetSkipButton()->BuildDefinitions(writer, *characterIds_, why);
  if (skipButtonId_ == 0) warnings_.push_back("The skip button is left out of the movie: " + why + ".");
}

// The skip button in the loader's frame 3, only when its definitions were written.
void PreloaderBuilder::PlaceSkipButton(DefineSpriteTag& loader, uint16_t& loaderDepth) {
  if (skipButtonId_ == 0) return;
  auto place = std::make_unique<PlaceObject2Tag>();
  place->SetCharacterId(skipButtonId_);
  place->depth = ++loaderDepth;
  loader.AddTag(std::move(place));
}

void PreloaderBuilder::DefineLoaderSprite(SwfFileWriter& writer) {
  loaderSpriteId_ = ++*characterIds_;
  auto sprite = std::make_unique<DefineSpriteTag>(loaderSpriteId_, 0);
  AddSpriteFrame(*sprite, BuildInitActions());
  AddSpriteFrame(*sprite, BuildLoadedCheckActions());
  // Frame 3 places the imports, the display, the skip button and the messages before its
  // script; of them the loader holds the display, the skip button and the messages so far.
  uint16_t loaderDepth = 0;
  PlaceImports(*sprite, loaderDepth);
  PlaceDisplay(writer, *sprite, loaderDepth);
  PlaceSkipButton(*sprite, loaderDepth);
  PlaceLoadMessages(*sprite, loaderDepth);
  PlaceProgressMessages(*sprite, loaderDepth);
  AddSpriteFrame(*sprite, BuildProgressActions());
  AddSpriteFrame(*sprite, MakeActions(std::make_unique<ActionPreviousFrame>(), std::make_unique<ActionPlay>()));
  if (project_->IsDisplayOnlyPreview())
    AddSpriteFrame(*sprite, MakeActions(std::make_unique<ActionStop>()));
  else
    AddSpriteFrame(*sprite, MakeActions(std::make_unique<ActionStop>(), std::make_unique<ActionSetTarget>(L"_parent"),
                                        std::make_unique<ActionPlay>(), std::make_unique<ActionSetTarget>(L"")));
  writer.AddTag(std::move(sprite));
}

bool PreloaderBuilder::AddTargetFrames(SwfFileWriter& writer) {
  const uint16_t loaderDepth = ++*depths_;
  writer.AddTag(
      MakeNamedPlacement(loaderSpriteId_, loaderDepth, L"ldr", project_->GetTargetXPos(), project_->GetTargetYPos()));

  auto targetScript = std::make_unique<DoActionTag>();
  targetScript->SetBranchTracking(false, true);
  const bool preview = project_->IsPreview();
  if (IsExternalTarget() && !preview) {
    const uint16_t holderId = ++*characterIds_;
    auto holder = std::make_unique<DefineSpriteTag>(holderId, 0);
    AddSpriteFrame(*holder, nullptr);
    writer.AddTag(std::move(holder));
    writer.AddTag(
        MakeNamedPlacement(holderId, ++*depths_, L"ptgt", project_->GetTargetOriginX(), project_->GetTargetOriginY()));
    const bool carried = project_->GetTargetType() == kTargetExternal7 ? AddMovieClipLoaderActions(*targetScript)
                                                                       : AddLoadMovieActions(*targetScript);
    if (!carried)
      return Fail("The target's address is " + std::to_string(WideToUtf8(GetTargetUrl()).size()) +
                  " bytes long, more than the one script action that carries it can hold (65535 bytes with the "
                  "names beside it).");
  }
  writer.AddTag(std::move(targetScript));
  writer.AddTag(std::make_unique<ShowFrameTag>());

  if (!AddRemovalEffect(writer, loaderDepth)) return false;

  writer.AddTag(std::make_unique<RemoveObject2Tag>(loaderDepth));
  writer.AddTag(std::make_unique<FrameLabelTag>(L"loaderdone"));
  if (backgroundDepth_ != 0) writer.AddTag(std::make_unique<RemoveObject2Tag>(backgroundDepth_));

  if (preview) {
    writer.AddTag(MakeActions(std::make_unique<ActionStop>()));
    writer.AddTag(std::make_unique<ShowFrameTag>());
  } else if (project_->GetTargetType() == kTargetMerge) {
    if (!MergeTargetMovie(writer)) return false;
  } else {
    // The movie-clip loader holds the target on its first frame until here. A target loaded
    // with loadMovie is not held: it plays by itself, and playing it here would only undo a
    // stop of its own.
    if (project_->GetTargetType() == kTargetExternal7)
      writer.AddTag(MakeActions(std::make_unique<ActionSetTarget>(L"ptgt"), std::make_unique<ActionPlay>(),
                                std::make_unique<ActionSetTarget>(L"")));
    writer.AddTag(std::make_unique<ShowFrameTag>());
    writer.AddTag(MakeActions(std::make_unique<ActionStop>()));
    writer.AddTag(std::make_unique<ShowFrameTag>());
  }
  return true;
}

// The exit frames of the removal effect, between frame 1 and "loaderdone". They must leave
// room in the movie's 16-bit frame count for the frames after them.
bool PreloaderBuilder::AddRemovalEffect(SwfFileWriter& writer, uint16_t loaderDepth) {
  RemovalEffect* effect = project_->GetRemovalEffect();
  if (effect == nullptr) return true;
  const int64_t frames = RemovalEffect::DurationToFrames(effect->GetDuration(), writer.GetFrameRate());
  const int64_t after = IsExternalTarget() && !project_->IsPreview() ? 2 : 1;
  const int64_t room = 0xFFFF - int64_t{writer.GetFrameCount()} - after;
  if (frames > room)
    return Fail("The removal effect \"" + WideToUtf8(effect->GetName()) + "\" lasts " +
                std::to_string(effect->GetDuration()) + " ms, " + std::to_string(frames) +
                " frames at the movie's frame rate, more than the " + std::to_string(room) +
                " a movie holds before the target.");
  effect->AddExitFrames(writer, loaderDepth, project_->GetTargetXPos() * 20, project_->GetTargetYPos() * 20);
  return true;
}

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
    if (code == kSwfTagDoAbcDefine || code == kSwfTagDoAbc) return true;
    if (code == kSwfTagFileAttributes) {
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
  const std::string name = ShownInMessage(WideToUtf8(path));
  if (path.empty()) return Fail("No target movie is named for the merge.");
  SwfReader reader;
  errno = 0;
  if (!reader.LoadFileWithOptions(path, true, 0, true))
    return Fail("The target movie " + name + " cannot be read: " + ReadErrorText(reader.GetError(), errno) + ".");
  // A movie cut short merges as far as it goes, which is as far as a player plays it.
  std::vector<std::string> cuts;
  if (reader.GetHeader().fileLength > reader.GetLoadedSize())
    cuts.push_back("its header gives a length of " + std::to_string(reader.GetHeader().fileLength) +
                   " bytes, of which it holds " + std::to_string(reader.GetLoadedSize()));
  if (reader.HasCutTag()) cuts.push_back("a tag's header gives a length past the end of the data that holds it");
  const std::string cutShort = cuts.empty() ? std::string() : " is cut short (" + Joined(cuts, "; ") + ")";
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
    return Fail("The target movie " + name + (cutShort.empty() ? "" : cutShort + " and") + " cannot be merged: " + why +
                ".");
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
        auto push = std::make_unique<ActionPush>();
        push->AddInteger(firstMergedFrame_ + 1);
        actions = MakeActions(std::move(push), std::make_unique<ActionGotoFrame2>(0), std::make_unique<ActionPlay>());
      } else {
        actions = MakeActions(std::make_unique<ActionStop>());
      }
      tags.insert(tags.begin() + static_cast<std::ptrdiff_t>(i), std::move(actions));
      break;
    }
  }

  const int64_t targetFrames =
      std::count_if(tags.begin(), tags.end(), [](const auto& tag) { return tag->TagCode() == kSwfTagShowFrame; });
  const bool hasFrames = targetFrames > 0;
  // The header counts the frames in a 16-bit field.
  const int64_t frames = int64_t{firstMergedFrame_} + std::max<int64_t>(targetFrames, 1);
  if (frames > 0xFFFF)
    return Fail("The target movie " + name + " cannot be merged: the movie would have " + std::to_string(frames) +
                " frames, more than the 65535 a movie can hold.");
  if (!cutShort.empty()) warnings_.push_back("The target movie " + name + cutShort + ": what it holds is merged.");
  for (auto& tag : tags) writer.AddTag(tag.get(), true);
  // The "loaderdone" frame ends with the target's first ShowFrame; only a target without one
  // needs a ShowFrame of its own. Tags after the target's last ShowFrame stay in no frame, as
  // in the target, where no player shows them as a frame.
  if (!hasFrames) writer.AddTag(std::make_unique<ShowFrameTag>());
  reader.FreeTags(true);
  return true;
}
