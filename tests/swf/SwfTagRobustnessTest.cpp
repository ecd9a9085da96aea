// Arbitrary tag bodies give errors, never a crash: the tag fuzz exercise over fixed mutations
// of tags written by this model and of tags from the corpus.
#include <gtest/gtest.h>

#include <random>

#include "TagTestSupport.h"
#include "swf/SimpleActions.h"
#include "tests/fuzz/SwfTagExercise.h"

namespace {

using tagtest::Bytes;

// The exercise input for a tag: selector byte, version byte, body.
Bytes Input(int code, uint8_t version, const Bytes& tagBytes) {
  size_t selector = 0;
  while (swftagfuzz::kCodes[selector] != code) ++selector;
  Bytes input = {static_cast<uint8_t>(selector), static_cast<uint8_t>(version - 3)};
  const Bytes body = tagtest::BodyOf(tagBytes);
  input.insert(input.end(), body.begin(), body.end());
  return input;
}

std::vector<Bytes> Seeds() {
  std::vector<Bytes> seeds;
  {
    DefineShape3Tag shape;
    shape.SetCharacterId(3);
    auto fill = std::make_unique<FillStyle>(true);
    fill->fillType = kFillLinearGradient;
    fill->matrix = SwfMatrix::Make(10, 20, 2, 2, 15, 15);
    fill->gradient = std::make_unique<SwfGradient>(true);
    fill->gradient->records.push_back(std::make_unique<SwfGradRecord>(0, std::make_unique<SwfRgba>(1, 2, 3, 4), true));
    fill->gradient->records.push_back(
        std::make_unique<SwfGradRecord>(255, std::make_unique<SwfRgba>(5, 6, 7, 8), true));
    shape.BuildRectangle(-100, 50, 3000, 2000, nullptr,
                         std::make_unique<LineStyle>(20, std::make_unique<SwfRgba>(0, 0, 0, 255), true));
    shape.shape->hasAlpha = true;
    shape.shape->fillStyles = std::make_unique<FillStyleArray>(true);
    shape.shape->fillStyles->AddStyle(std::move(fill));
    shape.shape->records.insert(shape.shape->records.end() - 1, std::make_unique<CurvedEdgeRecord>(10, 10, -5, 300));
    seeds.push_back(Input(32, 8, tagtest::WriteTag(shape, 8)));
  }
  {
    PlaceObject2Tag place;
    place.SetCharacterId(4);
    place.depth = 2;
    place.SetMatrix(SwfMatrix::Make(1, 2, 1, 1, 0, 0));
    place.SetName(L"clip");
    auto record = std::make_unique<ClipActionRecord>(ClipActionRecord::kKeyPressEvent | 1);
    record->keyCode = 32;
    record->AddAction(std::make_unique<ActionStop>());
    place.AddClipAction(std::move(record));
    seeds.push_back(Input(26, 6, tagtest::WriteTag(place, 6)));
    seeds.push_back(Input(26, 5, tagtest::WriteTag(place, 5)));
  }
  {
    FrameLabelTag label(L"intro");
    label.namedAnchor = 1;
    seeds.push_back(Input(43, 7, tagtest::WriteTag(label, 7)));
    ImportAssetsTag imports;
    imports.url = L"a.swf";
    imports.AddAsset(std::make_unique<SwfAssetEntry>(1, L"x"), -1);
    seeds.push_back(Input(57, 6, tagtest::WriteTag(imports, 6)));
  }
  seeds.push_back(Input(2, 6, tagtest::CorpusTag("define-shape/shape1-squares")));
  seeds.push_back(Input(46, 6, tagtest::CorpusTag("define-morph-shape/ms1-morph-rotating-square")));
  seeds.push_back(Input(26, 5, tagtest::CorpusTag("place-object/po2-swf5")));
  seeds.push_back(Input(4, 6, tagtest::CorpusTag("place-object/po1-with-color-transform")));
  return seeds;
}

}  // namespace

TEST(SwfTagRobustness, SeedsPassTheExerciseUnchanged) {
  for (const Bytes& seed : Seeds()) swftagfuzz::ExerciseTag(seed.data(), seed.size());
}

TEST(SwfTagRobustness, MutatedTagsNeverBreakTheModel) {
  std::mt19937 rng(20261210);
  for (const Bytes& seed : Seeds()) {
    for (int round = 0; round < 400; ++round) {
      Bytes bytes = seed;
      const int edits = 1 + static_cast<int>(rng() % 4);
      for (int e = 0; e < edits; ++e) {
        const size_t at = 2 + rng() % (bytes.size() - 2);
        switch (rng() % 4) {
          case 0: bytes[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
          case 1: bytes[at] = static_cast<uint8_t>(rng()); break;
          case 2: bytes.resize(at); break;
          default: bytes.insert(bytes.begin() + static_cast<long>(at), static_cast<uint8_t>(rng())); break;
        }
        if (bytes.size() <= 2) break;
      }
      if (round % 7 == 0) bytes[0] = static_cast<uint8_t>(rng());  // any tag over these bytes
      swftagfuzz::ExerciseTag(bytes.data(), bytes.size());
    }
  }
}
