// Finds the movie inside a projector (see publish/ProjectorWriter.h for the layout) and reads it.
#pragma once

#include <string>

// Reads the movie of the projector at `path` (UTF-8) into `movie`. False, with a reason in
// `error`, when the file can't be read, ends without a trailer of either form, names a movie
// longer than what lies before the trailer, or gives fewer bytes than it named.
[[nodiscard]] bool ReadProjectorMovie(const std::string& path, std::string& movie, std::string& error);
