// Classic resource files: the program's own "main.rsrc" in the bundle's Resources folder
// (pictures, icon families, projector stubs), read through the resource-file format of
// host/ResourceMap.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/ResourceMap.h"
#include "platform/WideString.h"

class ResourceFile {
 public:
  ResourceFile() = default;
  ~ResourceFile() { Close(); }
  ResourceFile(const ResourceFile&) = delete;
  ResourceFile& operator=(const ResourceFile&) = delete;

  // Reads the resources of the file at the path, read-only: its resource fork when it has
  // one, otherwise its content (a flat resource file such as "main.rsrc"). False when it
  // can't be read or holds no well-formed resource map; the file stays closed.
  [[nodiscard]] bool Open(const WideString& path);
  void Close();
  bool IsOpen() const { return open_; }

  // Copies the resource of that type and id into data and, when asked, its size into size.
  // False when it is missing; then data and size are left alone.
  bool GetResource(uint32_t type, int id, std::string& data, size_t* size = nullptr) const;

  const host::rsrc::ResourceMap& Map() const { return map_; }
  const std::string& LastError() const { return error_; }

 private:
  host::rsrc::ResourceMap map_;
  bool open_ = false;
  std::string error_;
};

// A resource of the bundle's "main.rsrc". The file is read once, on first use, and kept; when
// that first reading fails nothing is kept and the next call tries again.
bool GetMainRsrcResourceCached(uint32_t type, int id, std::string& data, size_t* size = nullptr);
// The same; it shares the kept file instead of reading the file again on every call.
bool GetMainRsrcResource(uint32_t type, int id, std::string& data, size_t* size = nullptr);
// Frees a resource's bytes; true.
bool ReleaseMainRsrcResource(std::string& data);

// Writes the memory sizes into the 'SIZE' resource (id -1) of the application file's resource
// fork: the preferred size into bytes 2-5 and the minimum size into bytes 6-9, big-endian.
// False when the fork can't be read or written, or has no 'SIZE' -1 of at least 10 bytes.
bool SetSizeResource(const WideString& applicationPath, uint32_t preferredSize, uint32_t minimumSize);
