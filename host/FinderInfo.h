// Finder information of files and folders, kept in an extended attribute.
//
// The 32 bytes live in the attribute "user.com.apple.FinderInfo" in the classic layout
// (big-endian): for a file the type (4 bytes), creator (4), Finder flags (2), location
// (vertical 2, horizontal 2), folder id (2) and 16 bytes of extended information; for a
// folder the window bounds (top, left, bottom, right: 2 bytes each), Finder flags (2),
// location (4), view (2) and 16 extended bytes. macOS uses the same name and layout when it
// exposes the information of files on other file systems.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace host::fs {

using FinderInfoBytes = std::array<uint8_t, 32>;

inline constexpr const char* kFinderInfoAttribute = "user.com.apple.FinderInfo";

enum class AttrResult {
  kOk,           // read: the attribute was there
  kMissing,      // read: the file system keeps attributes, this object has none
  kUnsupported,  // the file system (or the object, e.g. a link) refuses user attributes
  kError,        // anything else (errno in `err`): missing object, permission, I/O
};

// Reads the 32 bytes (all zero unless kOk). A link is not followed.
AttrResult ReadFinderInfo(const std::string& path, FinderInfoBytes& out, int* err = nullptr);
// Writes the 32 bytes; an all-zero record removes the attribute.
AttrResult WriteFinderInfo(const std::string& path, const FinderInfoBytes& info, int* err = nullptr);

// Big-endian fields of the record.
inline uint32_t GetU32(const FinderInfoBytes& b, size_t at) {
  return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}
inline uint16_t GetU16(const FinderInfoBytes& b, size_t at) { return static_cast<uint16_t>((b[at] << 8) | b[at + 1]); }
inline void PutU32(FinderInfoBytes& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v >> 24);
  b[at + 1] = static_cast<uint8_t>(v >> 16);
  b[at + 2] = static_cast<uint8_t>(v >> 8);
  b[at + 3] = static_cast<uint8_t>(v);
}
inline void PutU16(FinderInfoBytes& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v >> 8);
  b[at + 1] = static_cast<uint8_t>(v);
}

// Offsets in the file layout.
inline constexpr size_t kFileTypeOffset = 0;
inline constexpr size_t kFileCreatorOffset = 4;
inline constexpr size_t kFileFlagsOffset = 8;
inline constexpr size_t kFileLocationOffset = 10;
inline constexpr size_t kFileReservedOffset = 14;
// Offsets in the folder layout.
inline constexpr size_t kFolderBoundsOffset = 0;
inline constexpr size_t kFolderFlagsOffset = 8;
inline constexpr size_t kFolderLocationOffset = 10;
inline constexpr size_t kFolderReservedOffset = 14;

}  // namespace host::fs
