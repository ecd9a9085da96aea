// Direct access to one fork of a file and to its Finder information.
//
// The data fork is the file's content. The resource fork lives in the file's side file
// (host/ResourceFork.h): it is read into memory when opened and written back, safely, when
// closed. Finder information lives in an extended attribute (host/FinderInfo.h).
#pragma once

#include <cstdint>
#include <string>

#include "host/OSErr.h"
#include "platform/FileTypes.h"
#include "platform/WideString.h"

struct FinderPoint {
  int16_t v = 0;
  int16_t h = 0;
};
struct FinderRect {
  int16_t top = 0;
  int16_t left = 0;
  int16_t bottom = 0;
  int16_t right = 0;
};

struct FinderInfoFields {
  enum : uint32_t { kType = 1, kCreator = 2, kFlags = 4, kLocation = 8, kReserved = 0x10 };
  uint32_t mask = 0;
  OSType type = 0;
  OSType creator = 0;
  uint16_t finderFlags = 0;
  FinderPoint location;
  uint16_t reserved = 0;
};

struct FolderFinderInfoFields {
  enum : uint32_t { kBounds = 1, kFlags = 2, kLocation = 4 };
  uint32_t mask = 0;
  uint16_t finderFlags = 0;
  FinderRect windowBounds;
  FinderPoint location;
  uint16_t reserved = 0;
};

class ForkFile {
 public:
  enum : int { kRead = 2, kWrite = 4, kReadWrite = 8 };

  ForkFile() = default;
  ~ForkFile();  // closes an open fork (a resource fork is written back)
  ForkFile(const ForkFile&) = delete;
  ForkFile& operator=(const ForkFile&) = delete;

  bool SetPath(const WideString& path);
  // The access comes from the first set bit of 2 (read), 4 (write), 8 (read/write); other
  // flags fail. The file must exist. A resource fork opened for writing is created when the
  // file has none.
  [[nodiscard]] bool OpenDataFork(int flags);
  [[nodiscard]] bool OpenResourceFork(int flags);
  // Writes at the current position; the count actually written (less on an error).
  long Write(const void* bytes, long count);
  // Reads at the current position; the count read (0 at the end).
  long Read(void* bytes, long count);
  // False when nothing is open or the fork could not be written out and closed.
  [[nodiscard]] bool Close();
  bool IsOpen() const { return openFork_ != 0; }

  // False (fields unchanged) when the information can't be read; where the file system
  // keeps none, type and creator are '????'.
  bool GetFinderInfo(FinderInfoFields& info);
  bool SetFinderInfo(const FinderInfoFields& info);
  bool GetFolderFinderInfo(FolderFinderInfoFields& info);
  bool SetFolderFinderInfo(const FolderFinderInfoFields& info);
  bool SetHasBundle();

  host::OSErr LastError() const { return lastError_; }

 private:
  enum Fork : int16_t { kNone = 0, kData = 1, kResource = 2 };
  bool Fail(int err);
  static int AccessFromFlags(int flags);

  host::OSErr lastError_ = 0;
  int16_t openFork_ = kNone;
  std::string path_;
  int fd_ = -1;
  bool writable_ = false;
  bool dirty_ = false;
  std::string resource_;
  size_t position_ = 0;
};
