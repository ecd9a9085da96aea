// A tab control whose tabs show and hide pane controls {0, pane id} of the same window; the
// pages bound to those panes live in them.
#pragma once

#include <vector>

#include "platform/Signal.h"
#include "ui/DialogControl.h"

class TabControl : public DialogControl {
 public:
  TabControl() = default;
  ~TabControl() override;
  // Installs the handler that selects the tab the user clicks.
  bool OnAttach() override;
  // The pane of the next tab.
  bool AddPane(DialogWindow* window, int paneId);
  // Hides every other pane, shows the pane at the index (when there is one), sets the value
  // index + 1 and emits the change signal; true.
  bool SelectTab(int index, bool redraw);
  ControlRef GetPane(int index) const;
  int GetValue() const;
  int CountPanes() const { return int(panes_.size()); }
  // Emitted after every tab change with the tab control.
  Signal<TabControl*>& Changed() { return changed_; }

 private:
  Signal<TabControl*> changed_;
  int handlerId_ = 0;
  std::vector<int> panes_;
};
