// build-preloader [--preview] PROJECT.plw OUTPUT.swf
//
// Reads a project document, builds its preloader movie and prints the bytes written for the
// movie's tags. With --preview the movie is built in preview mode (loading simulated). On
// failure the reason goes to stderr and the exit status is 1 (2 for a wrong command line).
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/WideString.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "preloader/ProjectDocument.h"

int main(int argc, char** argv) {
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
  std::string error;
  if (!OpenProjectFile(Utf8ToWide(argv[first]), project, &error)) {
    std::fprintf(stderr, "build-preloader: %s: %s\n", argv[first], error.empty() ? "cannot be read" : error.c_str());
    return 1;
  }
  project.SetPreviewMode(preview, false);
  PreloaderBuilder builder;
  if (!builder.Build(Utf8ToWide(argv[first + 1]), project, true)) {
    std::fprintf(stderr, "build-preloader: %s\n", builder.GetError().c_str());
    return 1;
  }
  std::printf("%u\n", builder.GetWrittenSize());
  return std::fflush(stdout) == 0 ? 0 : 1;
}
