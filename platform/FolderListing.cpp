#include "platform/FolderListing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cwctype>
#include <optional>
#include <set>
#include <string>

#include "host/ResourceFork.h"
#include "platform/Paths.h"

namespace {

struct Item {
  std::string path;  // UTF-8, without a trailing '/'
  bool isFolder = false;
};

// Items of a folder in name order, side files left out. nullopt when it can't be listed.
std::optional<std::vector<Item>> ListFolder(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return std::nullopt;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  const std::set<std::string> all(names.begin(), names.end());
  const std::string prefix = folder == "/" ? folder : folder + "/";
  std::vector<Item> items;
  for (const std::string& name : names) {
    if (host::fs::IsSideFileName(name) && all.count(name.substr(2)) != 0) continue;
    Item item{prefix + name, false};
    struct stat st {};
    item.isFolder = ::stat(item.path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    items.push_back(std::move(item));
  }
  return items;
}

std::string NativeFolder(const WideString& folder) {
  std::string native = WideToUtf8(MakeAbsolutePath(folder, kPosixPathStyle));
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  return native;
}

WideString ItemPath(const Item& item) {
  WideString path = Utf8ToWide(item.path);
  if (item.isFolder) EnsureTrailingSlash(path);
  return path;
}

struct Listing {
  std::vector<Item> items;
  size_t next = 0;
};
std::optional<Listing> g_listing;

bool EqualIgnoringCase(const WideString& a, const WideString& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  }
  return true;
}

bool SearchTree(const WideString& name, const std::string& folder, WideString& out, int depth) {
  if (depth > 256) return false;
  const auto items = ListFolder(folder);
  if (!items) return false;
  for (const Item& item : *items) {
    struct stat st {};
    if (::lstat(item.path.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      if (SearchTree(name, item.path, out, depth + 1)) return true;
    } else if (!item.isFolder && EqualIgnoringCase(GetFileName(Utf8ToWide(item.path)), name)) {
      out = Utf8ToWide(item.path);
      return true;
    }
  }
  return false;
}

}  // namespace

bool FindFirstFolderItem(const WideString& folder, WideString& outPath, bool& outIsFolder, const WideString&) {
  FindCloseFolderItems();
  auto items = ListFolder(NativeFolder(folder));
  if (!items || items->empty()) return false;
  g_listing = Listing{std::move(*items), 0};
  return FindNextFolderItem(outPath, outIsFolder);
}

bool FindNextFolderItem(WideString& outPath, bool& outIsFolder) {
  if (!g_listing || g_listing->next >= g_listing->items.size()) return false;
  const Item& item = g_listing->items[g_listing->next++];
  outPath = ItemPath(item);
  outIsFolder = item.isFolder;
  return true;
}

bool FindCloseFolderItems() {
  g_listing.reset();
  return true;
}

bool FindFileInFolderTree(const WideString& name, const WideString& folder, WideString& outPath) {
  return SearchTree(name, NativeFolder(folder), outPath, 0);
}

void PathList::AddAbsolute(const WideString& path) {
  paths_.push_back(std::make_unique<WideString>(MakeAbsolutePath(path, kPosixPathStyle)));
}

void PathList::SortByName() {
  std::stable_sort(paths_.begin(), paths_.end(), [](const auto& a, const auto& b) {
    const WideString x = GetFileName(*a);
    const WideString y = GetFileName(*b);
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(), [](wchar_t p, wchar_t q) {
      return std::towlower(static_cast<wint_t>(p)) < std::towlower(static_cast<wint_t>(q));
    });
  });
}
