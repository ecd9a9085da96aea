// The Progress page: the progress messages, texts whose placeholders the built movie fills
// with the loading figures. The page lists the messages with an example of each, offers five
// ready-made formats besides a free text, and edits the selected message: text, font, colour,
// alpha, place or alignment to the stage, leading and rotation. Every change the user makes
// is one edit of the project (one undo step).
#pragma once

#include <cstdint>
#include <vector>

#include "app/TabPage.h"
#include "platform/WideString.h"
#include "ui/Buttons.h"
#include "ui/EditTextField.h"
#include "ui/FontButton.h"
#include "ui/ListView.h"
#include "ui/RadioButton.h"

class ProgressMessage;

// An entry of the format popup: the text it puts into the message and the example it shows.
struct ProgressFormatTemplate {
  WideString format;
  WideString example;
};

// The text with sample figures in place of its placeholders ("%percent" 100, "%bytes" 250,
// "%kbytes" 300.2, "%totalbytes" 800, "%totalkbytes" 900, "%frames" 120, "%totalframes" 220,
// "%%" a percent sign), read left to right; a '%' that starts none of them is dropped.
WideString RenderProgressFormatExample(const WideString& text);

class ProgressPage : public TabPage {
 public:
  ProgressPage(MainWindow& window, PreloaderData& project);
  ~ProgressPage() override;

  bool OnInitDialog() override;
  bool OnCommand(uint32_t command, UiEvent& event) override;
  // A field left for another control (or committed with Return, Enter or Tab) goes into the
  // selected message; true when it was one of the page's fields and a message is selected.
  bool OnControlChange(ControlRef hit, ControlRef previous) override;

  // Shows the project's messages and selects its selected one. True.
  bool Refresh();
  // The selected message's fields into the project; false (with a message) at a refused value.
  bool Commit() { return StoreSelection(); }

  bool StoreSelection();
  // Stores the shown message first, then shows this one (null: the page empties).
  void ShowMessage(ProgressMessage* message);
  void FillList();
  // Selects the template whose format is the text (the text field then disabled), else
  // "Custom" (the field enabled). Nothing for a null text.
  void MatchFormatTemplate(const WideString* text);
  void SetEditing(bool on);
  void ClearSelection();
  void Reset();
  // The list's selected row into the project and onto the page. A change the user made (not
  // a refresh) is one edit: what the old selection's fields store is undoable.
  void OnSelectionChanged(bool userEdit);

  ProgressMessage* GetSelection() const { return selection_; }
  const std::vector<ProgressFormatTemplate>& GetFormatTemplates() const { return templates_; }

 private:
  AlignmentButtons Alignment() { return {{&left_, &center_, &right_}, {&top_, &middle_, &bottom_}}; }
  void FillProgressFormatTemplates();
  void OnListSelection(ListViewItem* item);
  static void OnFontChosen(const PlatformFont& font, void* page);
  void AddMessage();
  void RemoveMessage();
  // Selects the row alone (none when it is outside the list).
  void SelectRow(int row);
  // Shows the detail with the limits under the out-of-range heading and gives the field the
  // keyboard focus.
  void Refuse(int detail, int minimum, int maximum, EditTextField& field);
  void ShowPlace();
  void ShowRotation();

  std::vector<ProgressFormatTemplate> templates_;
  ProgressMessage* selection_ = nullptr;
  bool filling_ = false;

  ListView list_;
  PushButton add_, remove_;
  PopupButton format_;
  EditTextField text_;
  FontButton font_;
  ColorButton color_;
  EditTextField alpha_, x_, y_;
  CheckBox alignToDoc_;
  RadioButton left_, center_, right_, top_, middle_, bottom_;
  EditTextField leading_;
  RadioButton rotate_, skew_;
  EditTextField rotation_, skew0_, skew1_;
};
