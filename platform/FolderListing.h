// Folder listings and searches, and the list of paths dropped on a window.
//
// Listings come sorted by name (byte order of the UTF-8 names), so that everything built
// from a listing is the same on every machine; Linux itself gives no order. Resource-fork
// side files ("._name" beside "name") are part of their file and are not listed.
#pragma once

#include <memory>
#include <vector>

#include "platform/WideString.h"

// Opens the program's one shared listing on the folder (closing a listing that is still
// open) and returns its first item: the item's path (a folder's ends with '/') and whether
// it is a folder. False when the folder can't be listed or is empty. The pattern is ignored.
bool FindFirstFolderItem(const WideString& folder, WideString& outPath, bool& outIsFolder,
                         const WideString& pattern = WideString());
// The next item of the open listing; false at its end or when none is open.
bool FindNextFolderItem(WideString& outPath, bool& outIsFolder);
// Closes the shared listing; true (also when none was open).
bool FindCloseFolderItems();

// Searches the folder and its sub-folders, depth first in name order, for a file whose
// name equals `name` ignoring case; links to folders are not entered. True with its path.
bool FindFileInFolderTree(const WideString& name, const WideString& folder, WideString& outPath);

// The owned list of paths dropped on a window.
class PathList {
 public:
  // Appends the absolute form of the path.
  void AddAbsolute(const WideString& path);
  // Sorts by file name, ascending, ignoring case (towlower, character by character); equal
  // names keep their order.
  void SortByName();
  size_t Count() const { return paths_.size(); }
  const WideString& At(size_t index) const { return *paths_.at(index); }

 private:
  std::vector<std::unique_ptr<WideString>> paths_;
};
