// The classic resource-file format, read and written in memory.
//
// Layout (all numbers big-endian): a 16-byte header (offset and length of the resource data,
// offset and length of the resource map), 240 bytes reserved for the system and the
// application, the resource data (each entry a 4-byte length and the bytes), and the map: a
// copy of the header, 8 bytes kept for the resource manager, the fork attributes, the offsets
// of the type list and the name list, the type list (count - 1, then type, count - 1 and the
// offset of its reference list), the reference lists (id, name offset or -1, attributes,
// 24-bit data offset, 4 reserved bytes) and the name list (Pascal strings).
//
// The reader checks every offset and length against the bytes it was given: any input gives
// either a map or an error, never a read outside the input, and it allocates no more than the
// input's size.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace host::rsrc {

// A four-character code from its text ("GfXX"); the text must have exactly four bytes.
constexpr uint32_t FourCC(const char (&code)[5]) {
  return uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 | uint32_t(uint8_t(code[2])) << 8 |
         uint32_t(uint8_t(code[3]));
}
std::string FourCCText(uint32_t code);

struct Resource {
  uint32_t type = 0;
  int16_t id = 0;
  std::string name;  // raw bytes (Mac Roman), at most 255; empty for none
  bool hasName = false;
  uint8_t attributes = 0;
  std::string data;
};

class ResourceMap {
 public:
  // Replaces the contents with the resources of a resource file. False, with the map empty
  // and a reason, when the bytes are not a well-formed resource file.
  bool Parse(std::string_view bytes, std::string* error = nullptr);

  // The resource file. False (and a reason) when the contents exceed what the format can
  // hold (16 MB of data, 64 KB of map, names of 255 bytes).
  bool Serialize(std::string& out, std::string* error = nullptr) const;

  const Resource* Find(uint32_t type, int16_t id) const;
  Resource* Find(uint32_t type, int16_t id);
  // Adds the resource, or replaces the one with the same type and id.
  void Set(Resource resource);
  bool Remove(uint32_t type, int16_t id);
  void Clear() {
    resources_.clear();
    forkAttributes_ = 0;
  }

  const std::vector<Resource>& Resources() const { return resources_; }
  uint16_t ForkAttributes() const { return forkAttributes_; }
  void SetForkAttributes(uint16_t value) { forkAttributes_ = value; }

 private:
  std::vector<Resource> resources_;  // in type order of first appearance, then file order
  uint16_t forkAttributes_ = 0;
};

}  // namespace host::rsrc
