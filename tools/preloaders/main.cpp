// Writes the preloader library movies of the program, or the library movies of the tests.
//
//   plenwick_preloaders library FOLDER    the shipped library (FOLDER is a "Preloaders" folder)
//   plenwick_preloaders fixtures FOLDER   movies the tests read
//
// Each movie goes to its path under FOLDER (folders made as needed). Movies of FOLDER's
// sub-folders that the catalogue no longer holds are deleted, so a renamed movie leaves no
// stale copy behind in the build.
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "tools/preloaders/LibraryMovie.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s library|fixtures FOLDER\n", argv[0]);
    return 2;
  }
  const std::string kind = argv[1];
  std::vector<preloaders::CatalogueEntry> movies;
  if (kind == "library") {
    movies = preloaders::LibraryMovies();
  } else if (kind == "fixtures") {
    movies = preloaders::TestFixtureMovies();
    for (const preloaders::CatalogueEntry& entry : preloaders::SkipButtonFixtureMovies()) movies.push_back(entry);
  } else {
    std::fprintf(stderr, "%s: unknown catalogue \"%s\"\n", argv[0], argv[1]);
    return 2;
  }
  const fs::path root = argv[2];
  std::set<fs::path> written;
  for (const preloaders::CatalogueEntry& entry : movies) {
    const fs::path path = root / entry.path;
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::string why;
    if (ec || !entry.make(path.string(), why)) {
      std::fprintf(stderr, "%s: %s: %s\n", argv[0], path.c_str(), ec ? ec.message().c_str() : why.c_str());
      return 1;
    }
    written.insert(path.lexically_normal());
  }
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_regular_file() && it->path().extension() == ".swf" && !written.count(it->path().lexically_normal()))
      fs::remove(it->path(), ec);
  }
  return 0;
}
