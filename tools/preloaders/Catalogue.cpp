#include "tools/preloaders/LibraryMovie.h"

namespace preloaders {

std::vector<CatalogueEntry> LibraryMovies() {
  std::vector<CatalogueEntry> movies;
  // One family a line.
  for (auto family : {
           BarLibraryMovies,
           AnimationLibraryMovies,
           FrameBasedLibraryMovies,
           PieLibraryMovies,
           PoleLibraryMovies,
           RotateLibraryMovies,
           SegmentLibraryMovies,
       }) {
    for (const CatalogueEntry& entry : family()) movies.push_back(entry);
  }
  return movies;
}

}  // namespace preloaders
