// plenwick_mkrsrc OUTPUT INPUT_FOLDER
//
// Builds a classic resource file from a folder tree: every file INPUT_FOLDER/<TYPE>/<ID>.<ext>
// becomes the resource of that four-character type and decimal id (-32768 to 32767), holding
// the file's bytes. Files whose names don't start with an id, and folders whose names are not
// four bytes, are errors, so a typo can't silently drop a resource. The output is written to a
// temporary file beside it and renamed into place.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "host/ResourceMap.h"

namespace fs = std::filesystem;

namespace {

int Fail(const std::string& why) {
  std::cerr << "plenwick_mkrsrc: " << why << "\n";
  return 1;
}

bool ReadFile(const fs::path& p, std::string& out) {
  std::ifstream in(p, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Fail("usage: plenwick_mkrsrc OUTPUT INPUT_FOLDER");
  const fs::path output = argv[1], input = argv[2];
  std::error_code ec;
  if (!fs::is_directory(input, ec)) return Fail("no folder " + input.string());

  std::vector<fs::path> typeDirs;
  for (const auto& e : fs::directory_iterator(input, ec)) typeDirs.push_back(e.path());
  if (ec) return Fail("can't list " + input.string() + ": " + ec.message());
  std::sort(typeDirs.begin(), typeDirs.end());

  host::rsrc::ResourceMap map;
  for (const auto& dir : typeDirs) {
    const std::string type = dir.filename().string();
    if (!fs::is_directory(dir) || type.size() != 4) return Fail("not a four-character type folder: " + dir.string());
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(dir, ec)) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
      const std::string name = file.filename().string();
      int id = 0;
      const auto r = std::from_chars(name.data(), name.data() + name.size(), id);
      if (r.ec != std::errc() || id < -32768 || id > 32767 || (r.ptr != name.data() + name.size() && *r.ptr != '.'))
        return Fail("resource file name must be <id>.<ext>: " + file.string());
      host::rsrc::Resource res;
      res.type = uint32_t(uint8_t(type[0])) << 24 | uint32_t(uint8_t(type[1])) << 16 | uint32_t(uint8_t(type[2])) << 8 |
                 uint32_t(uint8_t(type[3]));
      res.id = static_cast<int16_t>(id);
      if (!ReadFile(file, res.data)) return Fail("can't read " + file.string());
      if (map.Find(res.type, res.id)) return Fail("two files for " + type + " " + std::to_string(id));
      map.Set(std::move(res));
    }
  }

  std::string bytes, error;
  if (!map.Serialize(bytes, &error)) return Fail(error);
  const fs::path temp = output.string() + ".tmp-" + std::to_string(::getpid());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      fs::remove(temp, ec);
      return Fail("can't write " + temp.string());
    }
  }
  fs::rename(temp, output, ec);
  if (ec) {
    fs::remove(temp, ec);
    return Fail("can't rename to " + output.string());
  }
  return 0;
}
