// The Message page: the project's load messages, listed with their text and start, and the
// selected one edited (text, font, colour, alpha, position or alignment to the stage,
// tracking, leading, rotation, text effect, start and end). Every edit goes to the project
// at once as one undo step; the effect's own settings are edited in the effect properties
// window.
#pragma once

#include <cstdint>

#include "app/PageHostDialog.h"
#include "app/TabPage.h"
#include "platform/WideString.h"
#include "ui/Buttons.h"
#include "ui/EditTextField.h"
#include "ui/FontButton.h"
#include "ui/ListView.h"
#include "ui/RadioButton.h"
#include "ui/StaticText.h"

class LoadMessage;

class MessagePage : public TabPage {
 public:
  // The effect properties window's dialog number.
  static constexpr int kPropertiesNumber = 1100;

  MessagePage(MainWindow& window, PreloaderData& project);
  ~MessagePage() override;

  bool OnInitDialog() override;
  bool OnCommand(uint32_t command, UiEvent& event) override;
  // An edit field's commit (Return, Enter or Tab): its value goes to the selected message.
  bool OnControlChange(ControlRef hit, ControlRef previous) override;

  // The selected message's controls (and the effect panel's values) into the project, as
  // one undo step; false when a value was refused (and the user told why).
  bool Commit();
  // Shows the project: the list, and the message the project has selected.
  void Refresh();

  // The message's values in the controls (the current selection is stored first); null
  // empties the page.
  void ShowMessage(LoadMessage* message);
  // The controls into the selected message, in a fixed order, stopping at the first refused
  // value (with its message); true without a selection.
  bool StoreSelection();
  // StoreSelection as one undo step.
  bool StoreAsEdit();
  void FillList();
  void FillEffectMenu();
  void SetEditing(bool on);
  void ClearSelection();
  void Reset();
  void OnSelectionChanged();
  // Adds a message (texts in turn "Loading", "Please Wait", "Just a moment") and selects it.
  void AddMessage();
  void RemoveMessage();
  // Shows the properties window with the selected message's effect panel.
  void ShowEffectProperties();

  LoadMessage* GetSelection() const { return selection_; }
  PageHostDialog& GetPropertiesWindow() { return properties_; }

 private:
  AlignmentButtons Alignment() { return {{&hLeft_, &hCenter_, &hRight_}, {&vTop_, &vCenter_, &vBottom_}}; }
  static void OnFontChosen(const PlatformFont& font, void* page);
  void OnListSelection(ListViewItem* item);
  // Selects that one row (none for a row outside the list) without running the selection change.
  void SelectRow(int row);
  // The message still belongs to the project (a reloaded project frees the old ones).
  bool SelectionAlive() const;
  void ShowPosition();
  void ShowStartAndEnd();
  // The end popup's items for the start type: "Show till done" and the kind of duration.
  void FillEndMenu(int startType);
  void EnableEndField(bool on);
  void ShowRotation();
  // A refused value: the message, the focus back in the field, the stored value shown.
  void Refuse(EditTextField& field, int detail, bool real, double low, double high);
  bool CommitField(EditTextField& field);
  // Whether the user changed the field since the page showed the stored value in it.
  bool Edited(const EditTextField& field) const;
  void Shown(EditTextField& field, const WideString& text);
  void ShowAlignment();
  void Align(uint32_t command);

  PageHostDialog properties_;
  LoadMessage* selection_ = nullptr;
  int textCounter_ = 0;
  bool filling_ = false;

  ListView list_;
  PushButton add_, remove_, effectProperties_;
  EditTextField text_, alpha_, x_, y_, tracking_, leading_, start_, end_, rotation_, skew0_, skew1_;
  FontButton font_;
  ColorButton color_;
  CheckBox alignToDoc_;
  RadioButton hLeft_, hCenter_, hRight_, vTop_, vCenter_, vBottom_, rotate_, skew_;
  PopupButton effect_, startType_, endType_;
  StaticText startUnit_, endUnit_;
  // What the fields showed of the stored values (the texts read back from the fields).
  WideString shownText_, shownStart_, shownEnd_, shownRotation_, shownSkew0_, shownSkew1_;
};
