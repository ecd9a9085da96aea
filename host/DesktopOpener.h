// Opening a URL or a file with the desktop's preferred application (xdg-open), without
// waiting for it.
#pragma once

#include <functional>
#include <string>

namespace host {

// Starts the desktop's opener on the target (a URL, or an absolute path in UTF-8). True when
// the opener was started; what it then does is its own affair. An empty target gives false.
bool OpenWithDesktop(const std::string& target);

// Tests replace the opener so that nothing is launched; an empty function restores xdg-open.
void SetDesktopOpenerForTesting(std::function<bool(const std::string&)> opener);

}  // namespace host
