// The Document page: the target movie and what its header says, the stage, the background
// colour and image, how the loader waits, how the target is brought in, the removal effect
// and the output switches. Every change made on the page is applied to the project at once,
// as one edit (one undo step when it changed something).
#pragma once

#include <cstdint>

#include "app/TabPage.h"
#include "platform/WideString.h"
#include "ui/Buttons.h"
#include "ui/EditTextField.h"
#include "ui/RadioButton.h"
#include "ui/StaticText.h"

class DocumentPage : public TabPage {
 public:
  using TabPage::TabPage;

  // Binds the controls, sets the fields' input modes and commit keys, fills the removal
  // effects and shows "N/A" for the target.
  bool OnInitDialog() override;
  // The page's buttons, check boxes, radio buttons and the removal-effect popup.
  bool OnCommand(uint32_t command, UiEvent& event) override;
  // A field left (another control hit) or committed (Return, Enter, Tab) is applied.
  bool OnControlChange(ControlRef hit, ControlRef previous) override;

  // Stores every control into the project; at the first refused value says why and returns
  // false (what was stored before it stays). With `requireTarget` an empty target field is
  // refused (message 116).
  bool Commit(bool requireTarget);
  // Shows the project in every control.
  void Refresh();
  // Lets the user choose the target movie ('bBrw'): one edit that takes the movie and its
  // stage; the movie goes to the top of the recent movies. False when nothing was chosen
  // or the movie can't be read.
  bool ChooseTarget();
  // Shows the movie's header in the target labels and its absolute path in the target field.
  // With `apply` the project takes the movie as its target with its stage (origin, size,
  // frame rate, background colour), and a file that is no readable movie is said so
  // (message 129). False when the header can't be read: the labels then show "N/A" and the
  // project is not changed.
  bool ReadTargetInfo(const WideString& path, bool apply);
  // The output-size line after a build.
  void ShowOutputSize(uint64_t bytes);
  const WideString& GetOutputSizeText() const { return outputSize_; }

  // "%d bytes" below 1024, "%.2f kb" below 1,024,000, "%.2f MB" above, where a MB is 1000
  // times 1024 bytes (C locale).
  static WideString FormatByteSize(uint64_t bytes);
  // Seconds as typed (two decimals) to whole milliseconds, truncated; 2.01 gives 2010, not
  // the 2009 that the nearest double of 2.01 times 1000 truncates to. Negative and NaN give 0,
  // values beyond int32 the largest int32.
  static int32_t SecondsToMilliseconds(double seconds);

 private:
  // Sets `sizing_` while the page itself changes the stage size: the main window commits
  // every page before such a change and refreshes them after, and this page's part of that
  // commit must not change the size again.
  class SizingScope;

  void ClearTargetInfo();
  void FillRemovalEffects();
  void SetTargetInfoLabels(const WideString& text);
  void SelectPreloadMode(bool smart);
  void SelectTargetType(int type);
  void SelectLoopType(int type);
  // The removal effect of the popup (when one is selected) with the duration of 'eFxt'.
  void StoreRemovalEffect();
  // Applies the field that was left or committed.
  void ApplyField(ControlRef field);
  // A refused value: the message with the range, the focus back in the field and the stored
  // value shown again.
  void Refuse(EditTextField& field, int text, int min, int max, int stored);
  void ShowBackgroundImageDialog();
  // 'rExt': the notice on moving the target, unless switched off in the preferences.
  void ShowExternalTargetNotice();

  PushButton browse_, sync_, bgSettings_;
  StaticText targetWidth_, targetHeight_, targetFps_, targetVersion_, targetSize_, targetFrames_, outputSizeLabel_;
  EditTextField target_, width_, height_, fps_, percent_, buffer_, effectTime_;
  ColorButton bgColor_;
  CheckBox bgImage_, protect_, compress_;
  RadioButton simple_, smart_, external7_, external_, merge_, noChange_, loop_, noLoop_;
  PopupButton effect_;
  WideString outputSize_;
  bool sizing_ = false;
};
