#include "host/DesktopOpener.h"

#include <utility>

#include "host/Process.h"

namespace host {

namespace {

std::function<bool(const std::string&)>& Replacement() {
  static std::function<bool(const std::string&)> f;
  return f;
}

}  // namespace

bool OpenWithDesktop(const std::string& target) {
  if (target.empty()) return false;
  if (Replacement()) return Replacement()(target);
  // xdg-open knows no "--"; a target starting with '-' would read as an option.
  if (target[0] == '-') return false;
  return host::process::SpawnDetached("xdg-open", {target});
}

void SetDesktopOpenerForTesting(std::function<bool(const std::string&)> opener) { Replacement() = std::move(opener); }

}  // namespace host
