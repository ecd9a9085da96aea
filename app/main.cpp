// Plenwick's entry point. Until the main window exists, the program reports its name, its
// version and the bundle it found, and exits.
#include <cstdio>

#include "host/Bundle.h"
#include "host/Locale.h"

#ifndef PLENWICK_VERSION
#define PLENWICK_VERSION "unknown"
#endif

int main() {
  host::locale::SetUpProcessLocale();
  const std::string& bundle = host::bundle::BundlePath();
  std::printf("Plenwick %s\n", PLENWICK_VERSION);
  if (bundle.empty()) {
    std::fprintf(stderr, "Plenwick: the application bundle (its Resources folder) was not found\n");
    return 1;
  }
  std::printf("Bundle: %s\n", bundle.c_str());
  return 0;
}
