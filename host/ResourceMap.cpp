#include "host/ResourceMap.h"

#include <algorithm>
#include <set>

namespace host::rsrc {

namespace {

constexpr size_t kHeaderSize = 16;
constexpr size_t kDataStart = 256;    // header plus the reserved system and application areas
constexpr size_t kMapFixedSize = 28;  // header copy, reserved, attributes, two list offsets
constexpr size_t kTypeEntrySize = 8;
constexpr size_t kRefEntrySize = 12;

uint32_t Get32(std::string_view b, size_t at) {
  return uint32_t(uint8_t(b[at])) << 24 | uint32_t(uint8_t(b[at + 1])) << 16 | uint32_t(uint8_t(b[at + 2])) << 8 |
         uint32_t(uint8_t(b[at + 3]));
}
uint32_t Get24(std::string_view b, size_t at) {
  return uint32_t(uint8_t(b[at])) << 16 | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2]));
}
uint16_t Get16(std::string_view b, size_t at) { return uint16_t(uint8_t(b[at]) << 8 | uint8_t(b[at + 1])); }

void Put32(std::string& b, size_t at, uint32_t v) {
  b[at] = char(v >> 24);
  b[at + 1] = char(v >> 16);
  b[at + 2] = char(v >> 8);
  b[at + 3] = char(v);
}
void Put16(std::string& b, size_t at, uint16_t v) {
  b[at] = char(v >> 8);
  b[at + 1] = char(v);
}
void Append32(std::string& b, uint32_t v) {
  b.resize(b.size() + 4);
  Put32(b, b.size() - 4, v);
}
void Append16(std::string& b, uint16_t v) {
  b.resize(b.size() + 2);
  Put16(b, b.size() - 2, v);
}

// True when [at, at + len) lies inside a block of the given size (no overflow).
bool Inside(uint64_t at, uint64_t len, uint64_t size) { return at <= size && len <= size - at; }

bool Fail(std::string* error, const char* why) {
  if (error) *error = why;
  return false;
}

}  // namespace

std::string FourCCText(uint32_t code) {
  std::string s(4, ' ');
  Put32(s, 0, code);
  return s;
}

bool ResourceMap::Parse(std::string_view bytes, std::string* error) {
  Clear();
  std::vector<Resource> found;
  if (bytes.size() < kHeaderSize) return Fail(error, "too short for a resource file");
  const uint32_t dataOff = Get32(bytes, 0), mapOff = Get32(bytes, 4);
  const uint32_t dataLen = Get32(bytes, 8), mapLen = Get32(bytes, 12);
  if (!Inside(dataOff, dataLen, bytes.size())) return Fail(error, "resource data outside the file");
  if (!Inside(mapOff, mapLen, bytes.size())) return Fail(error, "resource map outside the file");
  if (mapLen < kMapFixedSize + 2) return Fail(error, "resource map too short");
  const std::string_view data = bytes.substr(dataOff, dataLen);
  const std::string_view map = bytes.substr(mapOff, mapLen);

  const uint16_t forkAttributes = Get16(map, 22);
  const size_t typeList = Get16(map, 24);
  const size_t nameList = Get16(map, 26);
  if (!Inside(typeList, 2, map.size())) return Fail(error, "type list outside the map");
  const size_t typeCount = (Get16(map, typeList) + 1u) & 0xFFFFu;  // stored as count - 1
  if (!Inside(typeList + 2, uint64_t(typeCount) * kTypeEntrySize, map.size()))
    return Fail(error, "type list runs past the map");

  std::set<size_t> refsSeen;  // each reference entry may be used once, so the count stays bounded
  std::set<std::pair<uint32_t, int16_t>> keys;
  uint64_t dataTotal = 0;
  for (size_t t = 0; t < typeCount; ++t) {
    const size_t entry = typeList + 2 + t * kTypeEntrySize;
    const uint32_t type = Get32(map, entry);
    const size_t refCount = size_t(Get16(map, entry + 4)) + 1;
    const size_t refList = typeList + Get16(map, entry + 6);
    if (!Inside(refList, uint64_t(refCount) * kRefEntrySize, map.size()))
      return Fail(error, "reference list runs past the map");
    for (size_t r = 0; r < refCount; ++r) {
      const size_t ref = refList + r * kRefEntrySize;
      if (!refsSeen.insert(ref).second) return Fail(error, "reference entries overlap");
      Resource res;
      res.type = type;
      res.id = static_cast<int16_t>(Get16(map, ref));
      const uint16_t nameOff = Get16(map, ref + 2);
      res.attributes = static_cast<uint8_t>(map[ref + 4]);
      const uint32_t at = Get24(map, ref + 5);
      if (!Inside(at, 4, data.size())) return Fail(error, "resource data offset outside the data");
      const uint32_t len = Get32(data, at);
      if (!Inside(uint64_t(at) + 4, len, data.size())) return Fail(error, "resource data runs past the data");
      dataTotal += len;
      if (dataTotal > data.size()) return Fail(error, "resources share their data");
      res.data.assign(data.substr(at + 4, len));
      if (nameOff != 0xFFFF) {
        const uint64_t nameAt = uint64_t(nameList) + nameOff;
        if (!Inside(nameAt, 1, map.size())) return Fail(error, "resource name outside the map");
        const size_t nameLen = uint8_t(map[nameAt]);
        if (!Inside(nameAt + 1, nameLen, map.size())) return Fail(error, "resource name runs past the map");
        res.name.assign(map.substr(nameAt + 1, nameLen));
        res.hasName = true;
      }
      if (keys.insert({res.type, res.id}).second) found.push_back(std::move(res));  // the first one wins
    }
  }
  resources_ = std::move(found);
  forkAttributes_ = forkAttributes;
  return true;
}

bool ResourceMap::Serialize(std::string& out, std::string* error) const {
  // Types in order of first appearance, each with its resources.
  std::vector<uint32_t> types;
  for (const auto& r : resources_) {
    if (std::find(types.begin(), types.end(), r.type) == types.end()) types.push_back(r.type);
    if (r.name.size() > 255) return Fail(error, "resource name longer than 255 bytes");
  }
  if (types.size() > 0x10000) return Fail(error, "too many resource types");

  std::string data;
  std::string typeList, refLists, names;
  Append16(typeList, static_cast<uint16_t>(types.size() - 1));  // 0xFFFF for none
  const size_t typeListSize = 2 + types.size() * kTypeEntrySize;
  for (uint32_t type : types) {
    size_t count = 0;
    const size_t refListOff = typeListSize + refLists.size();
    for (const auto& r : resources_) {
      if (r.type != type) continue;
      ++count;
      if (data.size() > 0xFFFFFF) return Fail(error, "resource data above 16 MB");
      Append16(refLists, static_cast<uint16_t>(r.id));
      if (r.hasName || !r.name.empty()) {
        if (names.size() > 0xFFFE) return Fail(error, "resource names above 64 KB");
        Append16(refLists, static_cast<uint16_t>(names.size()));
        names.push_back(static_cast<char>(r.name.size()));
        names += r.name;
      } else {
        Append16(refLists, 0xFFFF);
      }
      const uint32_t at = static_cast<uint32_t>(data.size());
      refLists.push_back(static_cast<char>(r.attributes));
      refLists.push_back(char(at >> 16));
      refLists.push_back(char(at >> 8));
      refLists.push_back(char(at));
      Append32(refLists, 0);
      if (r.data.size() > 0xFFFFFFFFu) return Fail(error, "resource too large");
      Append32(data, static_cast<uint32_t>(r.data.size()));
      data += r.data;
    }
    if (refListOff > 0xFFFF || count > 0x10000) return Fail(error, "resource map above 64 KB");
    Append32(typeList, type);
    Append16(typeList, static_cast<uint16_t>(count - 1));
    Append16(typeList, static_cast<uint16_t>(refListOff));
  }
  const size_t nameListOff = kMapFixedSize + typeList.size() + refLists.size();
  if (nameListOff > 0xFFFF) return Fail(error, "resource map above 64 KB");
  const size_t mapLen = nameListOff + names.size();
  const uint64_t mapOff = kDataStart + data.size();
  if (mapOff + mapLen > 0xFFFFFFFFu) return Fail(error, "resource file too large");

  std::string map(kMapFixedSize, '\0');
  Put16(map, 22, forkAttributes_);
  Put16(map, 24, static_cast<uint16_t>(kMapFixedSize));
  Put16(map, 26, static_cast<uint16_t>(nameListOff));
  map += typeList;
  map += refLists;
  map += names;

  std::string header(kHeaderSize, '\0');
  Put32(header, 0, kDataStart);
  Put32(header, 4, static_cast<uint32_t>(mapOff));
  Put32(header, 8, static_cast<uint32_t>(data.size()));
  Put32(header, 12, static_cast<uint32_t>(mapLen));
  map.replace(0, kHeaderSize, header);

  out.clear();
  out.reserve(mapOff + mapLen);
  out += header;
  out.resize(kDataStart, '\0');
  out += data;
  out += map;
  return true;
}

const Resource* ResourceMap::Find(uint32_t type, int16_t id) const {
  for (const auto& r : resources_) {
    if (r.type == type && r.id == id) return &r;
  }
  return nullptr;
}

Resource* ResourceMap::Find(uint32_t type, int16_t id) {
  return const_cast<Resource*>(static_cast<const ResourceMap*>(this)->Find(type, id));
}

void ResourceMap::Set(Resource resource) {
  if (Resource* existing = Find(resource.type, resource.id)) {
    *existing = std::move(resource);
  } else {
    resources_.push_back(std::move(resource));
  }
}

bool ResourceMap::Remove(uint32_t type, int16_t id) {
  for (auto it = resources_.begin(); it != resources_.end(); ++it) {
    if (it->type == type && it->id == id) {
      resources_.erase(it);
      return true;
    }
  }
  return false;
}

}  // namespace host::rsrc
