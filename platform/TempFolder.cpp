#include "platform/TempFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include "host/PrivateFolder.h"

namespace {

WideString& AppTempFolderName() {
  static WideString name;
  return name;
}

std::atomic<unsigned long> g_tempNameCounter{0};

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

std::string StripSlashes(std::string text) {
  while (!text.empty() && (text.back() == '/' || text.back() == '\\')) text.pop_back();
  while (!text.empty() && (text.front() == '/' || text.front() == '\\')) text.erase(0, 1);
  return text;
}

// The program's folder inside the temporary folder, created and checked; "" on failure.
std::string SubFolder(const std::string& temp) {
  const std::string name = StripSlashes(WideToUtf8(AppTempFolderName()));
  if (name.empty()) return temp;
  const std::string folder = temp + "/" + name;
  return host::fs::EnsurePrivateFolder(folder) == 0 ? folder : std::string();
}

}  // namespace

WideString GetTempFolderPath() {
  const std::string folder = host::fs::PrivateTemporaryFolder();
  return folder.empty() ? WideString() : Utf8ToWide(folder + "/");
}

bool CreateAppTempFolder(const WideString& name) {
  AppTempFolderName() = name;
  const std::string temp = host::fs::PrivateTemporaryFolder();
  return !temp.empty() && !SubFolder(temp).empty();
}

const WideString& GetAppTempFolderName() { return AppTempFolderName(); }

bool GetTempFilePath(WideString& out, const WideString& name, bool inSubFolder) {
  out.clear();
  const std::string temp = host::fs::PrivateTemporaryFolder();
  if (temp.empty()) return false;
  const std::string folder = inSubFolder ? SubFolder(temp) : temp;
  if (folder.empty()) return false;

  const std::string file = WideToUtf8(name);
  const auto dot = file.find_last_of('.');
  const bool hasExt = dot != std::string::npos && dot > 0;
  const std::string stem = hasExt ? file.substr(0, dot) : file;
  const std::string ext = hasExt ? file.substr(dot) : std::string();
  const std::string pid = std::to_string(static_cast<long>(::getpid()));
  for (;;) {
    const unsigned long n = ++g_tempNameCounter;
    const std::string path = folder + "/" + stem + "-" + pid + "-" + std::to_string(n) + ext;
    if (!Exists(path)) {
      out = Utf8ToWide(path);
      return true;
    }
  }
}
