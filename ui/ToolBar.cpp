#include "ui/ToolBar.h"

bool ToolBar::AddIcon(int resourceId, uint32_t key) {
  icons_.push_back(Icon{resourceId, key});
  return true;
}

bool ToolBar::AddButton(const WideString&, uint32_t command, int iconIndex, uint8_t flag1, uint8_t flag2) {
  auto record = std::make_unique<Button>();
  record->iconIndex = iconIndex;
  record->command = command;
  record->flag1 = flag1;
  record->flag2 = flag2;
  if (!record->button.Attach(command, window_, 0)) return false;
  if (iconIndex >= 0 && iconIndex < int(icons_.size())) {
    const Icon& icon = icons_[size_t(iconIndex)];
    record->button.SetIconFromResource(icon.resourceId, icon.key);
  }
  buttons_.push_back(std::move(record));
  return true;
}

const ToolBar::Button* ToolBar::GetButton(int index) const {
  return index >= 0 && index < int(buttons_.size()) ? buttons_[size_t(index)].get() : nullptr;
}
