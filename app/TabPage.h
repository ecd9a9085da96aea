// The base of the five pages of the main window's tab control. Each page lives in a pane of
// the main window, stores its controls into the project (Commit; false when a value was
// refused and the page has said why) and shows the project in its controls (Refresh). Every
// edit a page makes to the project runs as one EditTransaction.
#pragma once

#include <cstdint>

#include "preloader/ProjectTypes.h"
#include "ui/DialogWindow.h"
#include "ui/RadioButton.h"

class MainWindow;
class PreloaderData;

class TabPage : public DialogWindow {
 public:
  TabPage(MainWindow& window, PreloaderData& project) : main_(window), project_(project) {}

 protected:
  MainWindow& main_;
  PreloaderData& project_;
};

// The six alignment buttons a page shows for a placed item: left, centre, right across, then
// top, middle, bottom down.
struct AlignmentButtons {
  RadioButton* across[3];
  RadioButton* down[3];

  // Selects the buttons of the alignment; a value none of them names shows as left or top.
  void Show(int32_t h, int32_t v) const;
  HAlign ChosenHAlign() const;
  VAlign ChosenVAlign() const;
};
