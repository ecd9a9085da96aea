// The generator: turns one project into the preloader movie.
//
// The movie's first frame holds the loader clip ("ldr"), whose five frames stop the main
// timeline, wait until the target's size is known, measure loading on every pass of its
// frames 3 and 4 and finally play the main timeline on. The frames after it remove the
// loader ("loaderdone") and start the target: loaded from outside into the clip "ptgt"
// (with a movie-clip loader, or with loadMovie), or merged into the movie itself.
//
// A builder serves one build. Build returns false with a reason (GetError) whenever the
// movie could not be written completely; the file at the output path is then as it was.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/WideString.h"

class ActionConstantPool;
class ActionRecord;
class DefineSpriteTag;
class DoActionTag;
class FontCollection;
class ImportItem;
class PreloaderData;
class SwfFileWriter;
class SwfTag;

class PreloaderBuilder {
 public:
  PreloaderBuilder();
  ~PreloaderBuilder();
  PreloaderBuilder(const PreloaderBuilder&) = delete;
  PreloaderBuilder& operator=(const PreloaderBuilder&) = delete;

  // Writes the preloader movie of the project to the path (an existing file is replaced
  // only with `replace`). The project's preview flags choose the mode.
  [[nodiscard]] bool Build(const WideString& outputPath, PreloaderData& project, bool replace);

  // The SWF version of the movie built for the project: the project's, at least 6 for a
  // compressed movie (players of version 5 read no compressed movies).
  int GetMovieVersion() const;

  // After a build: the bytes of all tags written (the header not counted).
  uint32_t GetWrittenSize() const { return writtenSize_; }
  // After a failed build: why, in a sentence.
  const std::string& GetError() const { return error_; }
  // After a build: what the movie leaves out of the project or takes as it found it, a
  // sentence each (empty when nothing).
  const std::vector<std::string>& GetWarnings() const { return warnings_; }

  // --- the loader's scripts ---
  // Frame 1: stops the main timeline and sets the loader variables to their start values.
  std::unique_ptr<DoActionTag> BuildInitActions() const;
  // Frame 2: reads the target's size and sends the loader back to frame 1 while it is not
  // known, or the main timeline to "loaderdone" when the target is complete already.
  std::unique_ptr<DoActionTag> BuildLoadedCheckActions() const;
  // Frame 3, run once per pass of the loader's frames 3 and 4: each starts the script with
  // its constant pool, which the later parts of the script share.
  void AddSimpleProgressActions(DoActionTag& actions);
  void AddSmartProgressActions(DoActionTag& actions);
  void AddProgressTextActions(DoActionTag& actions);
  void AddLoadMessageActions(DoActionTag& actions);
  void AddImportActions(DoActionTag& actions);
  void AddEmbeddedImportActions(DoActionTag& actions);
  // The frame 3 script as the loader carries it: the progress script for the project's
  // mode, then the load message and import scripts.
  std::unique_ptr<DoActionTag> BuildProgressActions();

  // --- the target ---
  // The scripts that start loading an external target into "ptgt". False (and nothing
  // added) when the target's address is longer than the one action that carries it can hold.
  bool AddLoadMovieActions(DoActionTag& actions) const;
  bool AddMovieClipLoaderActions(DoActionTag& actions) const;
  // The address under which the built movie finds an external target.
  WideString GetTargetUrl() const;

  // Settings the scripts depend on; Build sets them from the project, tests may set them
  // directly before calling the script builders.
  void SetProject(PreloaderData* project) { project_ = project; }
  void SetFinalOutputPath(const WideString& path) { finalOutputPath_ = path; }
  // Whether the loader holds a display whose clip script writes "anm" (the loader then
  // waits for it to end).
  void SetAnmDisplay(bool on) { anmDisplay_ = on; }

  // The last character id handed out, which display types advance as they define their
  // characters; null outside a build.
  uint16_t* GetCharacterIdCounter() const { return characterIds_; }

  uint16_t GetLoaderSpriteId() const { return loaderSpriteId_; }
  uint16_t GetBackgroundDepth() const { return backgroundDepth_; }
  uint16_t GetSkipButtonId() const { return skipButtonId_; }
  int32_t GetFirstMergedFrame() const { return firstMergedFrame_; }

 private:
  // A relative path as the build opens it: from the working folder (the path helpers take
  // it from the program's own folder).
  static WideString FromWorkingFolder(const WideString& path);
  bool IsExternalTarget() const;
  void AddMeasuredTargetPool(ActionConstantPool& pool) const;
  void AddTargetRead(DoActionTag& actions, const wchar_t* variable, const wchar_t* name, bool method) const;
  // Returns its open Jump past the rest of the script (a LoaderScriptWriter::Branch).
  const ActionRecord* AddSmallTargetCheck(DoActionTag& actions) const;

  bool WriteMovie(SwfFileWriter& writer);
  void AddBackground(SwfFileWriter& writer);
  void CollectMessageFonts();
  void DefineLoadMessageSprites(SwfFileWriter& writer);
  void DefineProgressMessages(SwfFileWriter& writer);
  void DefineImports(SwfFileWriter& writer);
  bool DefineImportBitmap(SwfFileWriter& writer, ImportItem& item, std::string& why);
  void DefineImportShape(SwfFileWriter& writer, ImportItem& item);
  void PlaceImports(DefineSpriteTag& loader, uint16_t& loaderDepth);
  // Frame 1's part for the imports: their states, and the embedded images hidden.
  void AddInitImportActions(DoActionTag& actions) const;
  // The address a run-time import loads.
  WideString GetImportUrl(const ImportItem& item, bool delayed) const;
  void DefineSkipButton(SwfFileWriter& writer);
  void DefineLoaderSprite(SwfFileWriter& writer);
  // The display's definitions and its wrapper, placed in the loader's frame 3.
  void PlaceDisplay(SwfFileWriter& writer, DefineSpriteTag& loader, uint16_t& loaderDepth);
  void PlaceSkipButton(DefineSpriteTag& loader, uint16_t& loaderDepth);
  // The messages' sprites in the loader's frame 3, named by their list positions.
  void PlaceLoadMessages(DefineSpriteTag& loader, uint16_t& loaderDepth);
  void PlaceProgressMessages(DefineSpriteTag& loader, uint16_t& loaderDepth);
  bool AddTargetFrames(SwfFileWriter& writer);
  bool AddRemovalEffect(SwfFileWriter& writer, uint16_t loaderDepth);
  bool MergeTargetMovie(SwfFileWriter& writer);
  bool Fail(const std::string& reason);
  void WarnOfPartsLeftOut();

  uint32_t writtenSize_ = 0;
  uint16_t* characterIds_ = nullptr;  // the last character id handed out
  uint16_t* depths_ = nullptr;        // the last depth used on the main timeline
  const WideString* outputPath_ = nullptr;
  WideString finalOutputPath_;
  PreloaderData* project_ = nullptr;
  int32_t firstMergedFrame_ = 0;
  uint16_t displaySpriteId_ = 0;
  uint16_t loaderSpriteId_ = 0;
  uint16_t skipButtonId_ = 0;
  uint16_t backgroundDepth_ = 0;
  uint16_t placeholderSpriteId_ = 0;
  ActionConstantPool* constantPool_ = nullptr;  // the pool of the frame 3 script
  std::unique_ptr<FontCollection> fonts_;       // the fonts of the message texts, during a build
  bool anmDisplay_ = false;
  std::string error_;
  std::vector<std::string> warnings_;
};
