// The base of the five pages of the main window's tab control. Each page lives in a pane of
// the main window, stores its controls into the project (Commit; false when a value was
// refused and the page has said why) and shows the project in its controls (Refresh). Every
// edit a page makes to the project runs as one EditTransaction.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

#include "platform/WideString.h"
#include "preloader/ProjectTypes.h"
#include "ui/DialogWindow.h"
#include "ui/RadioButton.h"

class EditTextField;
class ListView;
class MainWindow;
class PreloaderData;

class TabPage : public DialogWindow {
 public:
  TabPage(MainWindow& window, PreloaderData& project) : main_(window), project_(project) {}

 protected:
  struct FieldMode {
    EditTextField* field;
    int mode;  // EditTextField's input mode
  };
  // Gives each field its input mode and has its commits (Return, Tab, a click elsewhere) reach
  // this page.
  void PrepareFields(std::initializer_list<FieldMode> fields);

  MainWindow& main_;
  PreloaderData& project_;
};

// The first line of a text that holds anything (leading line breaks skipped), at most 255
// characters: what a page's list shows of a message or a path.
WideString FirstTextLine(const WideString& text);
// A list's start column: the start time as a time code, or the percentage with its sign.
WideString StartCellText(int32_t startType, int32_t milliseconds, int32_t percent);
// Replaces the list's rows by `count` rows of text cells, which `cells` gives for each row from
// the first column on.
void FillListRows(ListView& list, int count, const std::function<std::vector<WideString>(int row)>& cells);

// The six alignment buttons a page shows for a placed item: left, centre, right across, then
// top, middle, bottom down.
struct AlignmentButtons {
  RadioButton* across[3];
  RadioButton* down[3];

  // Selects the buttons of the alignment; a value none of them names shows as left or top.
  void Show(int32_t h, int32_t v) const;
  HAlign ChosenHAlign() const;
  VAlign ChosenVAlign() const;
  // Puts the icons firstIcon to firstIcon + 5 on the buttons in the order above, with the keys
  // given; a button whose icon is missing keeps its label.
  void SetIcons(int firstIcon, const uint32_t (&keys)[6]) const;
};
