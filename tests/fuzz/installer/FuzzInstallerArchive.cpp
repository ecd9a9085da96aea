// libFuzzer entry for the installer data archive's readers: the bytes are read in each mode;
// whatever the readers extract goes to one scratch folder of this process, emptied after
// every input, and nothing may appear beside it.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/WideString.h"
#include "publish/InstallerArchive.h"

namespace {

struct Scratch {
  Scratch() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp == '/' ? tmp : "/tmp") + "/plenwick-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    root = pattern;
    folder = root + "/out";
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
  std::string root;
  std::string folder;
};

Scratch& TheScratch() {
  static Scratch scratch;
  return scratch;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Scratch& scratch = TheScratch();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  InstallerArchive archive;
  archive.SetExtractFolder(Utf8ToWide(scratch.folder));
  for (int mode = 0; mode < 3; ++mode) {
    archive.OpenBytes(bytes);
    const bool ok = mode == 0   ? archive.ReadAll()
                    : mode == 1 ? archive.ReadTrailingTexts()
                                : archive.ReadAllButContents();
    if (ok != (archive.Error() == 0)) std::abort();
  }
  // Nothing but the extraction folder may exist in the root.
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(scratch.root, ec)) {
    if (entry.path().filename() != "out") std::abort();
  }
  std::filesystem::remove_all(scratch.folder, ec);
  return 0;
}
