#include "ui/RecentFiles.h"

#include <algorithm>
#include <cwctype>

#include "host/ui/Menu.h"
#include "platform/Paths.h"
#include "platform/PreferencesStore.h"

namespace {

bool EqualIgnoringCase(const WideString& a, const WideString& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return std::towlower(wint_t(x)) == std::towlower(wint_t(y));
         });
}

}  // namespace

bool RecentFileList::Add(const WideString& path) {
  const WideString absolute = MakeAbsolutePath(path);
  std::erase_if(paths_, [&](const WideString& p) { return EqualIgnoringCase(MakeAbsolutePath(p), absolute); });
  paths_.insert(paths_.begin(), absolute);
  if (int(paths_.size()) > capacity_) paths_.resize(size_t(capacity_));
  return true;
}

const WideString* RecentFileList::At(int index) const {
  return index >= 0 && index < int(paths_.size()) ? &paths_[size_t(index)] : nullptr;
}

void RecentFileList::Clear() {
  paths_.clear();
  capacity_ = kDefaultCapacity;
}

void RecentFileList::Assign(const RecentFileList& other) {
  if (&other == this) return;
  paths_ = other.paths_;
  capacity_ = other.capacity_;
}

bool RecentFileList::Load(const PreferencesStore& store, const WideString& key) {
  int capacity = 0;
  if (store.GetInt(key + L"_max", capacity)) capacity_ = std::clamp(capacity, 0, kMaximumCapacity);
  for (int i = 1; i <= capacity_; ++i) {
    WideString path;
    if (!store.GetString(key + L"_" + WideString(std::to_wstring(i)), path)) break;
    if (PathExists(path)) Add(path);
  }
  return true;
}

bool RecentFileList::Save(PreferencesStore& store, const WideString& key) const {
  if (!store.SetLong(key + L"_max", capacity_)) return false;
  const size_t n = std::min(paths_.size(), size_t(std::max(capacity_, 0)));
  std::vector<WideString> oldestFirst;
  for (size_t i = n; i > 0; --i) oldestFirst.push_back(MakeAbsolutePath(paths_[i - 1]));
  return store.SetStringList(key, oldestFirst);
}

bool RecentFilesMenu::AttachSubmenu(Menu& parent, int itemIndex, int submenuId, uint32_t firstCommand) {
  MenuRef parentRef = parent.GetMenuRef();
  if (!parentRef || !submenu_.Create(submenuId, L"tt")) return false;
  first_ = firstCommand;
  return parentRef->SetSubmenu(itemIndex, *submenu_.GetMenuRef());
}

bool RecentFilesMenu::Rebuild() {
  submenu_.RemoveAllItems();
  for (int i = 0; i < list_.Count(); ++i) {
    submenu_.AppendItem(first_ + uint32_t(i), MakeAbsolutePath(*list_.At(i)), 0, 0, false);
  }
  return true;
}

bool RecentFilesMenu::AddPath(const WideString& path, bool rebuild) {
  const bool added = list_.Add(path);
  if (rebuild) Rebuild();
  return added;
}

void RecentFilesMenu::SetCapacity(int capacity, bool rebuild) {
  list_.SetCapacity(capacity);
  if (rebuild) Rebuild();
}

const WideString* RecentFilesMenu::PathForCommand(uint32_t command) const {
  if (command < first_ || command >= first_ + uint32_t(submenu_.CountItems())) return nullptr;
  return list_.At(int(command - first_));
}
