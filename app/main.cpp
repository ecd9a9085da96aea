// Plenwick's entry point: the documents named on the command line are opened in the window.
#include <csignal>

#include "app/Application.h"

int main(int argc, char** argv) {
  // A write past the file-size limit fails with EFBIG and is reported like any other write
  // error, instead of ending the program on the spot with its temporary files left behind.
  std::signal(SIGXFSZ, SIG_IGN);
  return RunPlenwick(argc, argv);
}
