// File types and creators, file creation, and small catalog operations.
//
// A file's type, creator and Finder flags live in its Finder information (an extended
// attribute, host/FinderInfo.h). Where the file system refuses extended attributes the file
// itself still works; its type and creator then read back as '????'.
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>

#include "platform/Paths.h"
#include "platform/WideString.h"

using OSType = uint32_t;

constexpr OSType MakeFourCC(const char (&code)[5]) {
  return (static_cast<OSType>(static_cast<unsigned char>(code[0])) << 24) |
         (static_cast<OSType>(static_cast<unsigned char>(code[1])) << 16) |
         (static_cast<OSType>(static_cast<unsigned char>(code[2])) << 8) |
         static_cast<OSType>(static_cast<unsigned char>(code[3]));
}

inline constexpr OSType kUnknownFileType = MakeFourCC("????");
inline constexpr uint16_t kFinderFlagIsInvisible = 0x4000;
inline constexpr uint16_t kFinderFlagHasBundle = 0x2000;
inline constexpr uint16_t kFinderFlagHasBeenInited = 0x0100;

// What every file creation is handed: creator, type ('????' by default) and two flags.
struct FileTypeCreator {
  FileTypeCreator() = default;
  FileTypeCreator(OSType creatorCode, OSType typeCode) : creator(creatorCode), type(typeCode) {}
  OSType creator = kUnknownFileType;
  OSType type = kUnknownFileType;
  uint8_t invisible = 0;
  uint8_t locked = 0;
};

// Creates an empty file with the record's type and creator ('????' without a record) and
// its flags. An object at the path makes it fail unless `replace` is set and the object is
// a file that could be deleted; a folder always makes it fail. True when the file was made.
// (Writers that replace a user's file write through AtomicFileWriter instead, so the old
// file survives until the new one is complete.)
bool CreateFileWithTypeCreator(const WideString& path, const FileTypeCreator* record, bool replace);
// The same for the text and document writers: a path written as a folder (ending with a
// separator) fails; with `replace` an existing object is deleted first, without it the
// creation fails because the name is taken.
bool CreateTypedFileAtPath(const WideString& path, const FileTypeCreator* record, bool replace);

// Type and creator of a file: '????' for both when it has no Finder information or the file
// system keeps none. False only when the file can't be asked (missing, no permission).
bool GetFileTypeCreator(const WideString& path, FileTypeCreator& out);
// Sets type and creator (the flags of the record too) on an existing file, for instance on
// the temporary file of an AtomicFileWriter before it is committed. False when the file
// system refuses to keep them.
bool SetFileTypeCreator(const WideString& path, const FileTypeCreator& record);

// The Finder flag kIsInvisible. False when the Finder information can't be read or written.
bool SetInvisibleFlag(const FileRef& ref, bool on);
// Locks (removes every write permission) or unlocks (gives the owner write permission).
// A locked file can't be written; on this system its folder still decides whether it can
// be deleted.
bool SetLockedFlag(const FileRef& ref, bool on);
bool IsLocked(const FileRef& ref);
// Deletes a file, a link or an empty folder (with a file's resource fork).
bool DeleteFSRef(const FileRef& ref);
// Renames the object within its folder; fails when the name is taken.
bool RenameFSRef(const FileRef& ref, const WideString& name);
// RenameFSRef of the path's object; true on success.
bool RenameFileAtPath(const WideString& path, const WideString& name);
bool FSRefToFSSpec(const FileRef& ref, FileRef& out);

// Replaces the name's extension (after its last '.'), removes it for an empty extension,
// or appends "." + extension when the name has none.
void ChangeNameExtension(WideString& name, const WideString& extension);

// fopen and standard streams on the UTF-8 form of the path (any character works).
FILE* OpenStdioFile(const WideString& path, const WideString& mode);
bool OpenFStreamAtPath(const WideString& path, std::fstream& stream, std::ios::openmode mode);
