// build-preloader [--preview] PROJECT.plw OUTPUT.swf
//
// Reads the preloader library (the installed one, then the user's), then a project document,
// builds its preloader movie and prints the bytes written for the movie's tags. With --preview
// the movie is built in preview mode (loading simulated). What the build leaves out or takes as
// it found it goes to stderr as warnings. On failure the reason goes to stderr and the exit
// status is 1 (2 for a wrong command line).
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/WideString.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "preloader/PreloaderFolders.h"
#include "preloader/ProjectDocument.h"

int main(int argc, char** argv) {
  std::signal(SIGXFSZ, SIG_IGN);  // a write past the file-size limit is reported, not fatal
  bool preview = false;
  int first = 1;
  if (argc > 1 && std::strcmp(argv[1], "--preview") == 0) {
    preview = true;
    first = 2;
  }
  if (argc - first != 2) {
    std::fprintf(stderr, "usage: build-preloader [--preview] PROJECT.plw OUTPUT.swf\n");
    return 2;
  }
  PreloaderData project;
  LoadPreloaderLibrary(project.GetPreloaderLibrary());
  std::string error;
  errno = 0;
  if (!OpenProjectFile(Utf8ToWide(argv[first]), project, &error)) {
    if (error.empty()) error = std::string("cannot be read: ") + std::strerror(errno != 0 ? errno : EIO);
    std::fprintf(stderr, "build-preloader: %s: %s\n", argv[first], error.c_str());
    return 1;
  }
  // The output must not replace the project it is built from, under whatever name.
  struct stat projectFile {};
  struct stat outputFile {};
  if (::stat(argv[first], &projectFile) == 0 && ::stat(argv[first + 1], &outputFile) == 0 &&
      projectFile.st_dev == outputFile.st_dev && projectFile.st_ino == outputFile.st_ino) {
    std::fprintf(stderr, "build-preloader: %s: is the project file itself, which the build would replace\n",
                 argv[first + 1]);
    return 1;
  }
  project.SetPreviewMode(preview, false);
  PreloaderBuilder builder;
  if (!builder.Build(Utf8ToWide(argv[first + 1]), project, true)) {
    std::fprintf(stderr, "build-preloader: %s\n", builder.GetError().c_str());
    return 1;
  }
  for (const std::string& warning : builder.GetWarnings())
    std::fprintf(stderr, "build-preloader: warning: %s\n", warning.c_str());
  errno = 0;
  if (std::printf("%u\n", builder.GetWrittenSize()) < 0 || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "build-preloader: the movie is built, but its size could not be written: %s\n",
                 std::strerror(errno != 0 ? errno : EIO));
    return 1;
  }
  return 0;
}
