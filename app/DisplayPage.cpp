#include "app/DisplayPage.h"

#include "app/MainWindow.h"
#include "app/UndoHistory.h"
#include "preloader/PreloaderData.h"

void DisplayPage::SelectDisplay(PreloaderDisplay* display) {
  if (display == nullptr) {
    // A folder row: no type is chosen; the project keeps its display.
    Reset();
    return;
  }
  {
    EditTransaction edit(main_, project_);
    project_.SetDisplay(display);
    project_.SetDisplayEnabled(true);
  }
  shown_ = display;
}
