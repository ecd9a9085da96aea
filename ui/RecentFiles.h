// Recent-file lists: absolute paths, newest first, no two equal ignoring case, kept in the
// preferences and shown as a submenu whose items carry consecutive commands.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/WideString.h"
#include "ui/Menus.h"

class PreferencesStore;

class RecentFileList {
 public:
  static constexpr int kDefaultCapacity = 5;
  // The most entries a list read from the preferences may claim.
  static constexpr int kMaximumCapacity = 50;

  // Puts the path's absolute form first; an entry equal to it ignoring case goes, and
  // entries past the capacity are dropped from the end. True.
  bool Add(const WideString& path);
  // The path at a 0-based index; null when there is none.
  const WideString* At(int index) const;
  int Count() const { return int(paths_.size()); }
  void Clear();
  void Assign(const RecentFileList& other);
  int GetCapacity() const { return capacity_; }
  void SetCapacity(int capacity) { capacity_ = capacity < 0 ? 0 : capacity; }

  // Reads the capacity from "<key>_max" (kept when missing; held to 0..50) and the paths from
  // "<key>_1" (the oldest) onwards, up to the capacity and the first missing key; paths that
  // no longer exist are skipped. True.
  bool Load(const PreferencesStore& store, const WideString& key);
  // Writes the capacity and the newest paths, oldest first, from "<key>_1"; keys of an
  // earlier, longer list are removed. False when the store refused a value.
  bool Save(PreferencesStore& store, const WideString& key) const;

 private:
  std::vector<WideString> paths_;
  int capacity_ = kDefaultCapacity;
};

class RecentFilesMenu {
 public:
  // Makes the submenu (id, title "tt") and hangs it under the parent's item at the index
  // (0-based); the items will carry first, first + 1, ...
  bool AttachSubmenu(Menu& parent, int itemIndex, int submenuId, uint32_t firstCommand);
  // One item per path, its absolute form as text. True.
  bool Rebuild();
  bool AddPath(const WideString& path, bool rebuild);
  void SetCapacity(int capacity, bool rebuild);
  // The path of the item with the command; null outside the items.
  const WideString* PathForCommand(uint32_t command) const;
  void GetList(RecentFileList& list) const { list.Assign(list_); }
  void SetList(const RecentFileList& list) { list_.Assign(list); }
  Menu& GetSubmenu() { return submenu_; }
  uint32_t GetFirstCommand() const { return first_; }

 private:
  uint32_t first_ = 5000;
  RecentFileList list_;
  Menu submenu_;
};
