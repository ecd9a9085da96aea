// The Imports page: the movies and pictures the preloader shows while the target loads. The
// page lists the imports and edits the selected one: its source file, its size (a scale in
// percent or a final size in pixels), its place or its alignment to the stage, when it
// appears and how long it stays, and for a picture whether and how it is embedded. Every
// change the user makes is one edit of the project (one undo step).
#pragma once

#include <cstdint>

#include "app/TabPage.h"
#include "platform/WideString.h"
#include "ui/Buttons.h"
#include "ui/EditTextField.h"
#include "ui/ListView.h"
#include "ui/RadioButton.h"
#include "ui/StaticText.h"

class ImportItem;

// A time typed in seconds ("2.01") as whole milliseconds, read from the decimal digits
// themselves so that no binary rounding loses one (2010, not 2009); digits past the third
// decimal are cut off. Leading blanks and a sign are allowed; reading stops at the first
// other character; no number gives 0. Values too large for the range saturate.
long long SecondsTextToMilliseconds(const WideString& text);

class ImportsPage : public TabPage {
 public:
  ImportsPage(MainWindow& window, PreloaderData& project);
  ~ImportsPage() override;

  bool OnInitDialog() override;
  bool OnCommand(uint32_t command, UiEvent& event) override;
  // A field left for another control (or committed with Return, Enter or Tab) goes into the
  // selected import. True after a refused value, false otherwise.
  bool OnControlChange(ControlRef hit, ControlRef previous) override;

  // Shows the project's imports and selects its selected one. True.
  bool Refresh();
  // The selected import's fields into the project; false (with a message) at a refused value.
  bool Commit() { return StoreSelection(); }

  bool StoreSelection();
  // With `storeFirst` the shown import is stored first; null empties the page.
  void ShowImport(ImportItem* item, bool storeFirst);
  void FillList();
  void SetEditing(bool on);
  void ClearSelection();
  void Reset();
  // The list's selected row into the project and onto the page. A change the user made (not
  // a refresh) is one edit: what the old selection's fields store is undoable.
  void OnSelectionChanged(bool userEdit);

  ImportItem* GetSelection() const { return selection_; }

 private:
  AlignmentButtons Alignment() { return {{&left_, &center_, &right_}, {&top_, &middle_, &bottom_}}; }
  void OnListSelection(ListViewItem* item);
  void AddImport();
  void ChooseSource();
  void RemoveImport();
  void SelectRow(int row);
  // "Show till done" and the second end entry for the start type.
  void FillEndPopup(bool startByTime);
  void ShowImageSettings(bool image);
  // Shows the detail with the limits under the out-of-range heading and gives the field the
  // keyboard focus.
  void Refuse(int detail, int minimum, int maximum, EditTextField& field);
  void RefuseSeconds(int detail, int minimumMs, int maximumMs, EditTextField& field);
  void ShowPlace();
  bool OnChoice(uint32_t command);
  // False after a refused value (the field then shows the stored value).
  bool CommitField(ControlRef field);

  ImportItem* selection_ = nullptr;
  bool filling_ = false;

  ListView list_;
  PushButton add_, remove_;
  EditTextField path_;
  CheckBox embed_;
  EditTextField quality_;
  StaticText qualityLabel_;
  PopupButton exportType_;
  StaticText exportLabel_;
  CheckBox bitmapShift_;
  EditTextField startWidth_, widthScale_, finalWidth_;
  EditTextField startHeight_, heightScale_, finalHeight_;
  EditTextField x_, y_;
  CheckBox alignToDoc_;
  RadioButton left_, center_, right_, top_, middle_, bottom_;
  PushButton browse_;
  PopupButton startType_;
  EditTextField start_;
  StaticText startUnit_;
  PopupButton endType_;
  EditTextField end_;
  StaticText endUnit_;
};
