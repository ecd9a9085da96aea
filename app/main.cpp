// Plenwick's entry point. Until the main window exists, the program reports its name, its
// version and the bundle it found, and exits.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "host/Bundle.h"
#include "host/Locale.h"
#include "platform/TempFolder.h"

#ifndef PLENWICK_VERSION
#define PLENWICK_VERSION "unknown"
#endif

int main() {
  // A write past the file-size limit fails with EFBIG and is reported like any other write
  // error, instead of ending the program on the spot with its temporary files left behind.
  std::signal(SIGXFSZ, SIG_IGN);
  host::locale::SetUpProcessLocale();
  RemoveStaleTempFiles();
  const std::string& bundle = host::bundle::BundlePath();
  std::printf("Plenwick %s\n", PLENWICK_VERSION);
  if (bundle.empty()) {
    std::fprintf(stderr, "Plenwick: the application bundle (its Resources folder) was not found\n");
    return 1;
  }
  std::printf("Bundle: %s\n", bundle.c_str());
  if (std::fflush(stdout) != 0) {
    std::fprintf(stderr, "Plenwick: the output could not be written: %s\n", std::strerror(errno));
    return 1;
  }
  return 0;
}
