// ExportAssets (56) and ImportAssets (57): lists of (character id, name) pairs.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/WideString.h"
#include "swf/SwfRecord.h"

struct SwfAssetEntry {
  SwfAssetEntry(uint16_t characterId, const WideString& assetName) : id(characterId), name(assetName) {}

  uint16_t id;
  WideString name;
};

class ExportAssetsTag : public SwfTag {
 public:
  int TagCode() const override { return kSwfTagExportAssets; }

  // Inserts the entry before `index`, or appends it when the index is not below the count
  // (compared unsigned, so -1 appends).
  void AddAsset(std::unique_ptr<SwfAssetEntry> entry, int index);

  // u16 count; per asset u16 id and 0-terminated name.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  // Every asset id moves (16-bit wrap).
  void CollectReferences(SwfTagReferences& refs) const override;
  void Relocate(int idDelta, int depthDelta, int frameDelta) override;
  bool CanRelocate(int idDelta, int depthDelta, int frameDelta) const override;

  std::vector<std::unique_ptr<SwfAssetEntry>> assets;

 protected:
  size_t ReadAssets(SwfReader& reader);
  void WriteAssets(SwfBitWriter& body) const;
};

class ImportAssetsTag : public ExportAssetsTag {
 public:
  int TagCode() const override { return kSwfTagImportAssets; }

  // The 0-terminated URL, then the assets as in ExportAssets.
  size_t Read(SwfReader& reader) override;
  size_t Write(SwfBitWriter& writer) override;

  WideString url;
};
