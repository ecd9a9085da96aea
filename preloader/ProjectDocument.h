// Project files and undo snapshots.
//
// A project file is the XML header element, the root "plenwick" (version 1.210) and the
// project's "preloader_data" element. A snapshot is the header and the "preloader_data"
// element alone. Both are written through a temporary file that replaces the old file only
// when everything was written; both are parsed completely before the project is touched, so
// a file that can't be read leaves the open project as it was.
#pragma once

#include <string>

#include "host/XmlTree.h"
#include "platform/WideString.h"

class PreloaderData;

// Mac type and creator of project files.
inline constexpr uint32_t kProjectFileType = 0x70506C77;     // 'pPlw'
inline constexpr uint32_t kProjectFileCreator = 0x506C5771;  // 'PlWq'

// The bounds of what a project file or snapshot may hold: 8 MB of file, 100,000 elements
// and texts, 256 attributes on one element, 1 MB in one value or text, 64 MB of tree in
// memory. A real project takes a few kilobytes; a document past any bound is refused, with
// the bound it broke, before a large tree is built.
const host::xml::Limits& ProjectDocumentLimits();

// False when the file could not be written completely; the file at the path (if any) is
// then unchanged. `error` (when given) receives a short reason.
[[nodiscard]] bool SaveProjectFile(const WideString& path, const PreloaderData& project, std::string* error = nullptr);
// Reads a project file into the project. False, with the project untouched, when the file
// can't be read, is not well-formed XML or holds no "plenwick" element. Selections saved in
// the file are not taken (every list starts without one).
[[nodiscard]] bool OpenProjectFile(const WideString& path, PreloaderData& project, std::string* error = nullptr);

[[nodiscard]] bool WriteProjectSnapshot(const WideString& path, const PreloaderData& project,
                                        std::string* error = nullptr);
// Reads a snapshot, selections included. False, with the project untouched, when the file
// can't be read or parsed.
[[nodiscard]] bool ReadProjectSnapshot(const WideString& path, PreloaderData& project, std::string* error = nullptr);
