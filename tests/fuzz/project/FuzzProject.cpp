// Project documents: any bytes read as a project file and as an undo snapshot give a result,
// never a crash or a hang, and whatever was read can be written again.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "preloader/PreloaderData.h"
#include "preloader/ProjectDocument.h"

namespace {

std::string Folder() {
  static std::string folder = [] {
    char pattern[] = "/tmp/fuzz-project-XXXXXX";
    return std::string(::mkdtemp(pattern) != nullptr ? pattern : "/tmp");
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string in = Folder() + "/in.plw";
  FILE* file = std::fopen(in.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  PreloaderData project;
  // Whether each step succeeds does not matter here: any input must end in a result, never a crash.
  if (OpenProjectFile(Utf8ToWide(in), project)) (void)SaveProjectFile(Utf8ToWide(Folder() + "/out.plw"), project);
  (void)ReadProjectSnapshot(Utf8ToWide(in), project);
  return 0;
}
