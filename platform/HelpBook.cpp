#include "platform/HelpBook.h"

#include <sys/stat.h>

#include "platform/Processes.h"

namespace {

WideString& HelpPath() {
  static WideString path;
  return path;
}

bool Exists(const WideString& path) {
  struct stat st {};
  return !path.empty() && ::stat(WideToUtf8(path).c_str(), &st) == 0;
}

}  // namespace

bool RegisterHelpBook(const WideString& helpPath) {
  HelpPath() = helpPath;
  return Exists(helpPath);
}

bool ShowHelpPage(const wchar_t*, const wchar_t*) {
  const WideString& path = HelpPath();
  if (!Exists(path)) return false;
  return OpenInFinder(path);
}

const WideString& GetHelpBookPath() { return HelpPath(); }
