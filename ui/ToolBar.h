// A row of icon buttons bound to interface-file controls {command, 0}: a click reaches the
// window's OnCommand with the button's command, as the matching menu item does.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ui/RadioButton.h"

class ToolBar {
 public:
  struct Button {
    int iconIndex = -1;
    uint32_t command = 0;
    uint8_t flag1 = 0, flag2 = 0;
    RadioButton button;
  };
  struct Icon {
    int resourceId = 0;
    uint32_t key = 0;
  };

  void AttachToWindow(WindowRef window) { window_ = window; }
  // The interface file carries the layout: nothing to make.
  bool Create() { return true; }
  bool AddSeparator() { return true; }
  bool AddIcon(int resourceId, uint32_t key);
  // Binds the window's control {command, 0}; false, adding nothing, when there is none. An
  // icon index of an added icon gives the button that icon.
  bool AddButton(const WideString& label, uint32_t command, int iconIndex, uint8_t flag1, uint8_t flag2);
  int CountButtons() const { return int(buttons_.size()); }
  const Button* GetButton(int index) const;

 private:
  WindowRef window_ = nullptr;
  std::vector<std::unique_ptr<Button>> buttons_;
  std::vector<Icon> icons_;
};
