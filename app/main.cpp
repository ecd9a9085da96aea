// Plenwick's entry point: the documents named on the command line are opened in the window.
#include <csignal>

#include "app/Application.h"

#if defined(__SANITIZE_ADDRESS__)
// The Display page's preview brings Qt WebEngine into the program, and Qt WebEngine frees some of
// its own objects with a smaller size than it made them with; the address checker would stop the
// program for it.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options() {
  return "new_delete_type_mismatch=0";
}
#endif

int main(int argc, char** argv) {
  // A write past the file-size limit fails with EFBIG and is reported like any other write
  // error, instead of ending the program on the spot with its temporary files left behind.
  std::signal(SIGXFSZ, SIG_IGN);
  return RunPlenwick(argc, argv);
}
