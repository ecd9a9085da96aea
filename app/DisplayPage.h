// The Display page: the project's progress display. It shows the chosen display's size,
// position, alignment to the stage and angles, hosts the display type's own property panel
// and plays a preview of the display alone, built into a private temporary movie.
#pragma once

#include <cstdint>
#include <memory>

#include "app/TabPage.h"
#include "platform/WideString.h"
#include "publish/SwfPreviewControl.h"
#include "ui/Buttons.h"
#include "ui/EditTextField.h"
#include "ui/RadioButton.h"
#include "ui/StaticText.h"

class PreloaderDisplay;

class DisplayPage : public TabPage {
 public:
  // Where a display's property panel starts, in window coordinates.
  static constexpr UiRect kPanelOrigin{340, 200, 500, 500};

  DisplayPage(MainWindow& window, PreloaderData& project);
  // Deletes the preview movie.
  ~DisplayPage() override;

  bool OnInitDialog() override;
  bool OnCommand(uint32_t command, UiEvent& event) override;
  // A field committed (Return, Enter, Tab): `previous` is the field; a property panel that
  // changed reports with neither.
  bool OnControlChange(ControlRef hit, ControlRef previous) override;

  // Stores the page into the project; false when a value was refused (the page said why).
  bool CommitToProject();
  // Shows the project's display and its use.
  bool RefreshFromProject();
  // The display picked in the palette (null: none): one edit that makes it the project's
  // enabled display, then shown.
  void SelectDisplay(PreloaderDisplay* display);
  // Forgets the shown display (before undo and redo) and takes its panel away.
  void Reset();

  // Stops the preview and lets its plug-in go (before the window goes).
  void ReleasePreview() { preview_.Destroy(); }

  PreloaderDisplay* GetShownDisplay() const { return display_; }
  SwfPreviewControl& GetPreview() { return preview_; }
  const WideString& GetPreviewPath() const { return previewPath_; }
  // The bytes the last preview build wrote.
  uint32_t GetPreviewSize() const { return previewSize_; }
  ControlRef GetPanelParent() const { return panelParent_.get(); }

  // "name (size kb)" of the name label.
  static WideString FormatNameAndSize(const WideString& name, uint32_t bytes);

 private:
  AlignmentButtons Alignment() { return {{&hLeft_, &hCenter_, &hRight_}, {&vTop_, &vMiddle_, &vBottom_}}; }
  void ShowDisplay(PreloaderDisplay* display);
  // Builds the display alone into the preview movie and plays it; false when the build
  // failed (the page said so). The project is not touched and nothing counts as an edit.
  bool BuildPreview(PreloaderDisplay* display);
  bool ApplyToDisplay();
  void EnableControls(bool on);
  void UpdateAlignedPosition();
  void ShowPosition();
  void EnableAlignment();
  void OnHAlignClick(uint32_t command);
  void OnVAlignClick(uint32_t command);
  void OnAlignToDocClick();
  void OnDisplayEnabledClick();
  void OnRotateTypeClick(uint32_t command);
  // A committed width, height, x or y: false (with the message and the field reset) when the
  // display refuses it.
  bool CommitGeometryField(EditTextField& field, int text);
  // Ends an edit whose display changed but counted nothing (colours, segment settings).
  void CountDisplayChange();

  CheckBox useDisplay_;
  SwfPreviewControl preview_;
  StaticText name_;
  EditTextField width_, height_, x_, y_;
  RadioButton hLeft_, hCenter_, hRight_, vTop_, vMiddle_, vBottom_;
  CheckBox alignToDoc_;
  RadioButton rotate_, skew_;
  EditTextField angle_, skew0_, skew1_;

  PreloaderDisplay* display_ = nullptr;
  // The display whose panel is on the page (it may outlive a reset until the next show).
  PreloaderDisplay* panelOwner_ = nullptr;
  WideString previewPath_;
  std::shared_ptr<host::ui::Control> panelParent_;
  uint32_t previewSize_ = 0;
};
