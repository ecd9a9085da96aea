#include "preloader/PreloaderFolders.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "host/Bundle.h"
#include "platform/Paths.h"
#include "preloader/PreloaderDisplay.h"

namespace fs = std::filesystem;

namespace {

// Sub-folders deeper than this are not read: the palette shows no deeper groups.
constexpr int kMaxFolderDepth = 16;

bool HasSwfExtension(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext == ".swf";
}

void ScanFolder(const fs::path& folder, int depth, PreloaderLibrary& library, PreloaderScan& scan) {
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return;
  std::vector<std::string> files;
  std::vector<std::string> folders;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.') continue;
    // Links to folders are not followed, so the scan stays inside the library.
    const fs::file_status own = it->symlink_status(ec);
    if (ec) continue;
    if (fs::is_directory(own)) {
      folders.push_back(name);
    } else if (!fs::is_symlink(own) || !fs::is_directory(it->status(ec))) {
      if (HasSwfExtension(name)) files.push_back(name);
    }
  }
  std::sort(files.begin(), files.end());
  std::sort(folders.begin(), folders.end());

  PreloaderFolder entry;
  entry.SetPath(Utf8ToWide(folder.string()));
  for (const std::string& name : files) {
    const WideString path = Utf8ToWide((folder / name).string());
    std::string why;
    std::unique_ptr<PreloaderDisplay> display = LoadPreloaderDisplay(path, &why);
    if (!display) {
      scan.refused.push_back({path, why});
      continue;
    }
    const WideString displayName = display->GetName();
    if (!library.Insert(display)) {
      scan.refused.push_back({path, "the library holds a display named \"" + WideToUtf8(displayName) + "\" already"});
      continue;
    }
    entry.displayNames.push_back(displayName);
  }
  scan.folders.push_back(std::move(entry));
  if (depth >= kMaxFolderDepth) return;
  for (const std::string& name : folders) ScanFolder(folder / name, depth + 1, library, scan);
}

}  // namespace

void PreloaderFolder::SetPath(const WideString& path) {
  path_ = path;
  name_ = GetFileName(path);
}

std::vector<WideString> GetPreloaderFolderPaths() {
  std::vector<WideString> paths;
  const std::string resources = host::bundle::ResourcesPath();
  if (!resources.empty()) paths.push_back(Utf8ToWide(resources + "/Preloaders"));
  const char* xdg = std::getenv("XDG_DATA_HOME");
  std::string data;
  if (xdg != nullptr && xdg[0] == '/') {
    data = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    data = std::string(home) + "/.local/share";
  }
  if (!data.empty()) paths.push_back(Utf8ToWide(data + "/Plenwick/Preloaders"));
  return paths;
}

void ScanPreloaderFolder(const WideString& folder, PreloaderLibrary& library, PreloaderScan& scan) {
  std::error_code ec;
  const fs::path root(WideToUtf8(folder));
  if (!fs::is_directory(root, ec)) return;
  ScanFolder(root, 0, library, scan);
}

PreloaderScan LoadPreloaderLibrary(PreloaderLibrary& library) {
  PreloaderScan scan;
  for (const WideString& folder : GetPreloaderFolderPaths()) ScanPreloaderFolder(folder, library, scan);
  return scan;
}
