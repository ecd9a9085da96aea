// The project: every setting of one preloader, its ordered lists of progress messages, load
// messages and imports with their selections, the background image, and the chosen display
// and removal effect. It reads and writes itself as the "preloader_data" element of the
// project document.
//
// Every setter checks its range first (false and no change outside it) and, when the value
// really changes, adds 1 to the one modification counter of the process (ProjectTypes.h),
// which the undo machinery reads around each edit.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Signal.h"
#include "platform/WideString.h"
#include "preloader/BackgroundImage.h"
#include "preloader/ImportItem.h"
#include "preloader/Messages.h"
#include "preloader/PreloaderDisplay.h"
#include "preloader/ProjectTypes.h"
#include "preloader/RemovalEffect.h"
#include "preloader/SkipButton.h"
#include "preloader/TextEffect.h"

class PreloaderData {
 public:
  // While false, the list readers take no selection from the document (the open command
  // clears it for reading a file; undo snapshots read with it set).
  static bool KeepSelectionsOnRead;

  PreloaderData();
  ~PreloaderData();
  PreloaderData(const PreloaderData&) = delete;
  PreloaderData& operator=(const PreloaderData&) = delete;

  // Every setting back to its value for a new project, the lists emptied; counts nothing.
  void Reset();

  // --- settings ---
  bool SetTargetUrl(const WideString& url);
  // Both 1..5000. A real change fires the before-change signal (old size still stored),
  // stores the size, realigns the display, the messages and the imports, then fires the
  // after-change signal.
  bool SetTargetSize(int32_t width, int32_t height);
  bool SetTargetWidth(int32_t width) { return SetTargetSize(width, targetHeight_); }
  bool SetTargetHeight(int32_t height) { return SetTargetSize(targetWidth_, height); }
  bool SetTargetOriginX(int32_t x);
  bool SetTargetOriginY(int32_t y);
  bool SetTargetFps(float fps);  // 1.0..120.0
  void SetBackgroundColor(uint32_t color);
  void SetPreloadMode(PreloadMode mode);
  void SetTargetType(TargetType type);
  void SetTargetLoopType(TargetLoopType type);
  bool SetPercent(int32_t percent);  // 0..100
  bool SetBufferFactor(double factor);
  void SetProtect(bool on);
  void SetCompress(bool on);
  void SetUseRelativeSwfPath(bool on);
  void SetLockRoot(bool on);
  void SetDisplayEnabled(bool on);
  void SetDisplay(PreloaderDisplay* display);
  void SetRemovalEffect(RemovalEffect* effect);
  void SetPreviewMode(bool preview, bool displayOnly);
  // The skip button (an entry of the skip-button list, or null) and whether the movie shows
  // it. Neither is saved, and no command sets them yet; a reset leaves the button.
  void SetSkipButton(SkipButton* button) { skipButton_ = button; }
  void SetSkipButtonEnabled(bool on) { skipButtonEnabled_ = on; }

  static constexpr int32_t GetTargetWidthMin() { return 1; }
  static constexpr int32_t GetTargetWidthMax() { return 5000; }
  static constexpr int32_t GetTargetHeightMin() { return 1; }
  static constexpr int32_t GetTargetHeightMax() { return 5000; }
  static constexpr float GetTargetFpsMin() { return 1.0f; }
  static constexpr float GetTargetFpsMax() { return 120.0f; }
  static constexpr int32_t GetPercentMin() { return 0; }
  static constexpr int32_t GetPercentMax() { return 100; }

  const WideString& GetTargetUrl() const { return targetUrl_; }
  int32_t GetTargetWidth() const { return targetWidth_; }
  int32_t GetTargetHeight() const { return targetHeight_; }
  int32_t GetTargetXPos() const { return targetXPos_; }
  int32_t GetTargetYPos() const { return targetYPos_; }
  int32_t GetTargetOriginX() const { return targetOriginX_; }
  int32_t GetTargetOriginY() const { return targetOriginY_; }
  uint32_t GetBackgroundColor() const { return backgroundColor_; }
  float GetTargetFps() const { return targetFps_; }
  int32_t GetPreloadMode() const { return preloadMode_; }
  int32_t GetTargetType() const { return targetType_; }
  int32_t GetTargetLoopType() const { return loopType_; }
  double GetBufferFactor() const { return bufferFactor_; }
  int32_t GetPercent() const { return percent_; }
  uint32_t GetForcedMinDisplayMsec() const { return forcedMinDisplayMsec_; }
  bool IsDisplayEnabled() const { return displayEnabled_; }
  bool IsSkipButtonEnabled() const { return skipButtonEnabled_; }
  bool GetProtect() const { return protect_; }
  bool GetCompress() const { return compress_; }
  bool GetUseRelativeSwfPath() const { return useRelativeSwfPath_; }
  bool GetLockRoot() const { return lockRoot_; }
  bool IsPreview() const { return preview_; }
  bool IsDisplayOnlyPreview() const { return displayOnlyPreview_; }

  PreloaderDisplay* GetDisplay() const { return display_; }
  SkipButton* GetSkipButton() const { return skipButton_; }
  RemovalEffect* GetRemovalEffect() const { return removalEffect_; }
  BackgroundImage& GetBackgroundImage() { return backgroundImage_; }
  const BackgroundImage& GetBackgroundImage() const { return backgroundImage_; }
  PreloaderLibrary& GetPreloaderLibrary() { return preloaderLibrary_; }
  const PreloaderLibrary& GetPreloaderLibrary() const { return preloaderLibrary_; }
  TextEffectLibrary& GetTextEffectLibrary() { return textEffectLibrary_; }
  const TextEffectLibrary& GetTextEffectLibrary() const { return textEffectLibrary_; }
  RemovalEffectLibrary& GetRemovalEffectLibrary() { return removalEffectLibrary_; }
  SkipButtonList& GetSkipButtonList() { return skipButtonList_; }

  // The saved attributes of a "display" element whose display the library does not hold
  // (empty otherwise). They are written back as they were until a display is chosen.
  const std::vector<std::pair<std::wstring, std::wstring>>& GetUnresolvedDisplay() const { return unresolvedDisplay_; }

  // --- lists ---
  // Stores the index when it is valid, else -1; returns the list's length.
  int SelectProgressMessage(int index);
  int SelectLoadMessage(int index);
  int SelectImport(int index);
  int GetProgressMessageSelection() const { return progressSelection_; }
  int GetLoadMessageSelection() const { return loadSelection_; }
  int GetImportSelection() const { return importSelection_; }
  int GetProgressMessageCount() const { return static_cast<int>(progressMessages_.size()); }
  int GetLoadMessageCount() const { return static_cast<int>(loadMessages_.size()); }
  int GetImportCount() const { return static_cast<int>(imports_.size()); }
  // Null for an index outside the list.
  ProgressMessage* GetProgressMessage(int index) const;
  LoadMessage* GetLoadMessage(int index) const;
  ImportItem* GetImport(int index) const;
  // Takes the element and inserts it (index <= 0: first; past the end: last); returns its
  // position, -1 for a null element. A load message is aligned to the stage first and gets
  // the effect "None" when it has none.
  int InsertProgressMessage(ProgressMessage* message, int index);
  int InsertLoadMessage(LoadMessage* message, int index);
  int InsertImport(ImportItem* item, int index);
  // Deletes the element; false for an index outside the list. Selections don't move.
  bool DeleteProgressMessage(int index);
  bool DeleteLoadMessage(int index);
  bool DeleteImport(int index);
  void AlignProgressMessages();
  void AlignLoadMessages();
  void AlignImports();

  // The counter of changes (see ProjectTypes.h); with reset, it starts again at 0.
  int32_t GetModificationCount(bool reset);

  // The SWF version of the movie the generator writes for this project.
  int GetSwfVersion() const;

  // --- document ---
  bool WriteXml(XmlWriter& writer) const;
  bool ReadXml(const XmlElement& element);
  bool ReadRemovalEffectXml(const XmlElement& element);
  bool ReadDisplayXml(const XmlElement& element);
  bool ReadProgressMessagesXml(const XmlElement& element);
  bool ReadLoadMessagesXml(const XmlElement& element);
  bool ReadImportsXml(const XmlElement& element);

  Signal<PreloaderData*>& BeforeStageSizeChange() { return beforeSizeChange_; }
  Signal<PreloaderData*>& AfterStageSizeChange() { return afterSizeChange_; }

 private:
  void ReadListSelection(const XmlElement& element, int& selection);

  Signal<PreloaderData*> beforeSizeChange_;
  Signal<PreloaderData*> afterSizeChange_;
  std::vector<std::unique_ptr<ProgressMessage>> progressMessages_;
  std::vector<std::unique_ptr<LoadMessage>> loadMessages_;
  std::vector<std::unique_ptr<ImportItem>> imports_;
  int progressSelection_ = -1;
  int loadSelection_ = -1;
  int importSelection_ = -1;
  BackgroundImage backgroundImage_;
  PreloaderDisplay* display_ = nullptr;
  SkipButton* skipButton_ = nullptr;
  RemovalEffect* removalEffect_ = nullptr;
  PreloaderLibrary preloaderLibrary_;
  TextEffectLibrary textEffectLibrary_;
  SkipButtonList skipButtonList_;
  RemovalEffectLibrary removalEffectLibrary_;
  std::vector<std::pair<std::wstring, std::wstring>> unresolvedDisplay_;
  uint32_t forcedMinDisplayMsec_ = 0;
  WideString targetUrl_;
  int32_t targetWidth_ = 300;
  int32_t targetHeight_ = 200;
  int32_t targetXPos_ = 0;
  int32_t targetYPos_ = 0;
  int32_t targetOriginX_ = 0;
  int32_t targetOriginY_ = 0;
  uint32_t backgroundColor_ = 0xFFFFFF;
  float targetFps_ = 12.0f;
  int32_t preloadMode_ = kPreloadSimple;
  int32_t targetType_ = kTargetExternal7;
  double bufferFactor_ = 1.0;
  int32_t percent_ = 100;
  bool displayEnabled_ = false;
  bool skipButtonEnabled_ = false;
  bool protect_ = false;
  bool compress_ = false;
  bool useRelativeSwfPath_ = false;
  bool lockRoot_ = true;
  int32_t loopType_ = kLoopNoChange;
  bool preview_ = false;
  bool displayOnlyPreview_ = false;
};
