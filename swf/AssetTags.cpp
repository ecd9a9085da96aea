#include "swf/AssetTags.h"

#include <algorithm>

#include "swf/SwfRelocation.h"

void ExportAssetsTag::AddAsset(std::unique_ptr<SwfAssetEntry> entry, int index) {
  if (!entry) return;
  if (static_cast<size_t>(static_cast<unsigned>(index)) < assets.size()) {
    assets.insert(assets.begin() + index, std::move(entry));
  } else {
    assets.push_back(std::move(entry));
  }
}

size_t ExportAssetsTag::ReadAssets(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  assets.clear();
  const uint16_t count = reader.ReadU16();
  for (uint16_t i = 0; i < count && !reader.HasOverrun(); ++i) {
    const uint16_t id = reader.ReadU16();
    WideString name;
    reader.ReadString(name, 0, false);
    if (reader.HasOverrun()) break;
    assets.push_back(std::make_unique<SwfAssetEntry>(id, name));
  }
  return reader.GetPosition() - before;
}

void ExportAssetsTag::WriteAssets(SwfBitWriter& body) const {
  const size_t count = std::min<size_t>(assets.size(), 0xFFFF);
  body.WriteU16(static_cast<uint16_t>(count));
  for (size_t i = 0; i < count; ++i) {
    body.WriteU16(assets[i]->id);
    body.WriteWideString(assets[i]->name);
    body.WriteU8(0);
  }
}

size_t ExportAssetsTag::Read(SwfReader& reader) { return ReadAssets(reader); }

size_t ExportAssetsTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  WriteAssets(body);
  return WriteWithBody(writer, body, false);
}

void ExportAssetsTag::Relocate(int idDelta, int, int) {
  for (auto& asset : assets) asset->id = RelocateCharacterId(asset->id, idDelta);
}

bool ExportAssetsTag::CanRelocate(int idDelta, int, int) const {
  return std::all_of(assets.begin(), assets.end(),
                     [idDelta](const auto& asset) { return SwfU16Fits(asset->id, idDelta); });
}

size_t ImportAssetsTag::Read(SwfReader& reader) {
  const size_t before = reader.GetPosition();
  reader.ReadString(url, 0, false);
  ReadAssets(reader);
  return reader.GetPosition() - before;
}

size_t ImportAssetsTag::Write(SwfBitWriter& writer) {
  SwfBitWriter body = MakeBodyWriter(writer);
  body.WriteWideString(url);
  body.WriteU8(0);
  WriteAssets(body);
  return WriteWithBody(writer, body, false);
}

void ExportAssetsTag::CollectReferences(SwfTagReferences& refs) const {
  for (const auto& entry : assets) refs.ids.push_back(entry->id);
}
