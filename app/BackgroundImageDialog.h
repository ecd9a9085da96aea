// The background image dialog "IDD_BGIMAGE_SETTINGS": the picture behind the preloader, how it
// is exported, its size and place on the stage, tiling and fitting to the stage. It works on
// a copy and writes into the project's image only when OK finds every value acceptable: a
// refused value writes nothing and leaves the dialog open, and Cancel writes nothing.
#pragma once

#include <cstdint>

#include "platform/WideString.h"
#include "ui/Buttons.h"
#include "ui/DialogWindow.h"
#include "ui/EditTextField.h"
#include "ui/StaticText.h"

class BackgroundImage;

class BackgroundImageDialog : public DialogWindow {
 public:
  // The stage in pixels: its width is right - left, its height bottom - top.
  struct StageRect {
    int16_t top = 0, left = 0, bottom = 0, right = 0;
  };

  BackgroundImageDialog(BackgroundImage& image, StageRect stage) : image_(image), stage_(stage) {}

  bool OnInitDialog() override;
  bool OnCommand(uint32_t command, UiEvent& event) override;

  // Shows the image's values.
  void Load();
  // Takes the picture at the path when it opens: its path and size are shown and the
  // settings enabled. Otherwise (with `reportFailure`, after saying so) the dialog has no
  // picture: "no image", the settings disabled. True when it opened.
  bool SetImage(const WideString& path, bool reportFailure);
  // Checks every value, then writes them all into the image; at a refused value says why
  // and writes nothing (false).
  bool Store();

  const WideString& GetWorkingPath() const { return workingPath_; }

 private:
  // The quality caption and field belong to the JPEG export only.
  void ShowQualityForExport();
  // With scale-to-fit on, the size fields show the stage and can't be edited.
  void ApplyScaleToFit();
  void EnableSettings(bool enable);
  void ShowPreview(const WideString& path);
  void ChooseImage();

  BackgroundImage& image_;
  StageRect stage_;
  WideString workingPath_;

  PushButton browse_, preview_;
  StaticText path_, dimensions_, qualityCaption_;
  PopupButton exportType_;
  EditTextField quality_, width_, height_, x_, y_;
  CheckBox tile_, scaleToFit_, adjustShift_;
};
