// Resource forks, kept in a side file beside the file they belong to.
//
// Extended attributes are too small for resource forks (ext4 refuses values above about
// 4 KB), so the fork of "<folder>/<name>" lives in "<folder>/._<name>", an AppleDouble file
// as macOS writes on file systems without forks. Layout (all numbers big-endian):
//
//   offset  size  field
//        0     4  magic 0x00051607
//        4     4  version 0x00020000
//        8    16  filler, zero
//       24     2  number of entries (we write 1)
//       26    12  per entry: id (4; 2 = resource fork), offset (4), length (4)
//       38     n  the resource fork's bytes (entry 2 starts here)
//
// A side file whose entry 2 has length 0 means the file has an empty resource fork; no side
// file means it has none. Readers accept any AppleDouble file with the magic and version
// above whose entries lie inside the file; entries other than 2 are ignored.
#pragma once

#include <string>
#include <string_view>

namespace host::fs {

inline constexpr const char* kSideFilePrefix = "._";

// "<folder>/._<name>" for "<folder>/<name>".
std::string ResourceForkSidePath(const std::string& path);
// True when `name` (a bare file name) is a side file, i.e. begins with "._" and is longer.
bool IsSideFileName(const std::string& name);

// Reads the fork. Returns 0 and sets `exists`; an absent side file gives an empty fork with
// exists false. A side file that isn't valid AppleDouble gives EINVAL; larger than `limit`
// bytes gives EFBIG.
[[nodiscard]] int ReadResourceFork(const std::string& path, std::string& data, bool& exists,
                                   size_t limit = size_t{1} << 30);
// The resource fork inside the bytes of an AppleDouble file (the rules above); 0, EINVAL or
// EFBIG as for ReadResourceFork.
[[nodiscard]] int ParseAppleDouble(std::string_view file, std::string& data, bool& exists,
                                   size_t limit = size_t{1} << 30);
// The AppleDouble file that holds just this resource fork.
std::string BuildAppleDouble(std::string_view fork);

// Writes the fork (safely: a temporary side file renamed over the old one). Returns errno.
[[nodiscard]] int WriteResourceFork(const std::string& path, const std::string& data);
// Removes the side file; 0 also when there was none.
int RemoveResourceFork(const std::string& path);
bool HasResourceFork(const std::string& path);

// Writes `bytes` to a temporary file in the folder of `path` and renames it over `path`;
// fsyncs before the rename. Returns 0 or errno; the old file is untouched on failure.
int ReplaceFileContents(const std::string& path, const std::string& bytes, unsigned mode = 0644);

}  // namespace host::fs
