// Sprites of real movies copied into another movie the way the preloader builder takes its
// displays: the sprite's dependencies are collected, moved above the ids of the receiving
// movie, written after its tags, and the written movie is read back. Every copied tag must
// come back as it was (apart from the move), every id it refers to must be defined in the
// new movie, and no id may be defined twice, not even by a definition made after the copy
// with the next id the builder would hand out.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "swf/BitmapTags.h"
#include "swf/ButtonTags.h"
#include "swf/CharacterDependencies.h"
#include "swf/ControlTags.h"
#include "swf/DefineShapeTag.h"
#include "swf/DefineSpriteTag.h"
#include "swf/DisplayListTags.h"
#include "swf/FontTags.h"
#include "swf/MorphShape.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/ShapeStyles.h"
#include "swf/SoundTags.h"
#include "swf/SwfTagList.h"
#include "swf/TextTags.h"
#include "swf/VideoTags.h"
#include "tests/swf/MovieTestSupport.h"
#include "tests/swf/TagTestSupport.h"

namespace {

namespace fs = std::filesystem;
using movietest::Bytes;

std::vector<fs::path> CorpusMovies() {
  std::vector<fs::path> movies;
  for (const char* folder : {"ruffle-avm1", "ruffle-swf-tags"}) {
    const fs::path root = fs::path(PLENWICK_CORPUS_DIR) / folder;
    if (!fs::is_directory(root)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      if (entry.is_regular_file() && entry.path().extension() == ".swf") movies.push_back(entry.path());
    }
  }
  std::sort(movies.begin(), movies.end());
  return movies;
}

std::string NameOf(const fs::path& path) { return fs::relative(path, fs::path(PLENWICK_CORPUS_DIR)).string(); }

bool Load(const fs::path& path, SwfReader& reader) {
  return reader.LoadFileWithOptions(Utf8ToWide(path.string()), true, 0, true);
}

// The ids a tag refers to (not the one it defines).
void AddReferences(const SwfTag& tag, std::vector<uint16_t>& ids) {
  if (const auto* sprite = dynamic_cast<const DefineSpriteTag*>(&tag)) {
    for (const auto& child : sprite->Children()) AddReferences(*child, ids);
  } else if (const auto* place2 = dynamic_cast<const PlaceObject2Tag*>(&tag)) {
    if (place2->hasCharacter) ids.push_back(place2->characterId);
  } else if (const auto* place = dynamic_cast<const PlaceObjectTag*>(&tag)) {
    ids.push_back(place->characterId);
  } else if (const auto* start = dynamic_cast<const StartSoundTag*>(&tag)) {
    ids.push_back(start->soundId);
  } else if (const auto* frame = dynamic_cast<const VideoFrameTag*>(&tag)) {
    ids.push_back(frame->streamId);
  } else if (const auto* sound = dynamic_cast<const DefineButtonSoundTag*>(&tag)) {
    ids.push_back(sound->GetCharacterId());
    for (uint16_t id : sound->soundIds) {
      if (id != 0) ids.push_back(id);
    }
  } else if (const auto* button = dynamic_cast<const DefineButtonTag*>(&tag)) {
    for (const auto& record : button->records) ids.push_back(record->characterId);
  } else if (const auto* text = dynamic_cast<const DefineTextTag*>(&tag)) {
    for (const auto& record : text->records) {
      const auto* style = dynamic_cast<const TextStyleRecord*>(record.get());
      if (style != nullptr && style->fontId != 0) ids.push_back(style->fontId);
    }
  } else if (const auto* edit = dynamic_cast<const DefineEditTextTag*>(&tag)) {
    if (edit->fontId != 0) ids.push_back(edit->fontId);
  } else if (const auto* shape = dynamic_cast<const DefineShapeTag*>(&tag)) {
    for (uint16_t id : GetShapeBitmapIds(*shape)) ids.push_back(id);
  } else if (const auto* morph = dynamic_cast<const DefineMorphShapeTag*>(&tag)) {
    for (uint16_t id : GetMorphShapeBitmapIds(*morph)) ids.push_back(id);
  } else if (tag.TagCode() == 23) {
    ids.push_back(dynamic_cast<const SwfCharacterTag&>(tag).GetCharacterId());
  }
}

std::unique_ptr<DefineShapeTag> Rectangle(uint16_t id) {
  auto shape = std::make_unique<DefineShapeTag>();
  auto fill = std::make_unique<FillStyle>();
  fill->InitSolidColor(std::make_unique<SwfRgb>(), false);
  shape->BuildRectangle(0, 0, 400, 400, std::move(fill), nullptr);
  shape->SetCharacterId(id);
  return shape;
}

std::unique_ptr<PlaceObject2Tag> Place(uint16_t id, uint16_t depth) {
  auto place = std::make_unique<PlaceObject2Tag>();
  place->SetCharacterId(id);
  place->depth = depth;
  return place;
}

struct CopyResult {
  bool refused = false;
  std::string reason;   // why the copy was refused
  std::string failure;  // what went wrong; empty when the copy came back whole
  size_t copiedTags = 0;
  bool withFonts = false;    // the copy brought fonts
  bool withBitmaps = false;  // and bitmaps
};

bool IsBitmapCode(int code) { return code == 6 || code == 20 || code == 21 || code == 35 || code == 36; }

// Copies `sprite` of `source` into a small movie of its own characters and reads that back.
// The source's tags are moved back afterwards, so the next sprite finds them as they were.
CopyResult CopySprite(DefineSpriteTag* sprite, const SwfTagList& source, uint8_t version) {
  CopyResult result;
  SpriteDependencyCollector collector;
  if (!collector.Collect(sprite, source)) {
    result.failure = "collector refused the sprite";
    return result;
  }
  SwfTagRefs copied;
  collector.AppendTagsTo(copied, true);
  result.copiedTags = copied.size();
  result.withFonts = !collector.FontTags().empty();
  result.withBitmaps = std::any_of(copied.begin(), copied.end(), [](SwfTag* t) { return IsBitmapCode(t->TagCode()); });
  if (std::set<SwfTag*>(copied.begin(), copied.end()).size() != copied.size()) {
    result.failure = "a tag is appended twice";
    return result;
  }
  // The sprite comes last, and every copied definition before its first user.
  if (copied.empty() || copied.back() != sprite) {
    result.failure = "the sprite is not last";
    return result;
  }

  // The receiving movie: its own two characters, the second one placed.
  SwfTagList receiving;
  receiving.push_back(std::make_unique<SetBackgroundColorTag>(0x10, 0x20, 0x30));
  receiving.push_back(Rectangle(1));
  receiving.push_back(Rectangle(2));
  receiving.push_back(Place(2, 1));
  const int idDelta = GetLargestCharacterIdPresent(receiving) + 1;
  if (!CanRelocateTagList(copied, idDelta, 0, 0, &result.reason)) {
    result.refused = true;
    if (result.reason.empty()) result.failure = "refused without a reason";
    return result;
  }

  std::vector<Bytes> original;
  for (SwfTag* tag : copied) original.push_back(movietest::WriteOne(*tag, version));
  RelocateTagList(copied, idDelta, 0, 0);
  // The next id the builder hands out lies above everything the copy brought.
  const uint16_t nextId = static_cast<uint16_t>(GetLargestCharacterIdPresent(copied) + 1);
  const uint16_t spriteId = sprite->GetCharacterId();

  SwfHeader header;
  header.version = version;
  header.frameSize = SwfRect(0, 0, 11000, 8000);
  header.frameCount = 1;
  SwfBitWriter writer(version);
  header.Write(writer);
  for (const auto& tag : receiving) tag->Write(writer);
  for (SwfTag* tag : copied) tag->Write(writer);
  Place(spriteId, 2)->Write(writer);
  auto after = Rectangle(nextId);
  after->Write(writer);
  Place(nextId, 3)->Write(writer);
  ShowFrameTag().Write(writer);
  EndTag().Write(writer);
  Bytes bytes = writer.GetBytes();
  for (size_t i = 0; i < 4; ++i) bytes[4 + i] = static_cast<uint8_t>(bytes.size() >> (8 * i));

  RelocateTagList(copied, -idDelta, 0, 0);
  for (size_t i = 0; i < copied.size(); ++i) {
    if (movietest::WriteOne(*copied[i], version) != original[i]) {
      result.failure = "moving back does not restore tag " + std::to_string(i);
      return result;
    }
  }

  SwfReader back;
  if (!back.LoadFromMemory(bytes.data(), bytes.size(), true, 0, true)) {
    result.failure = "the new movie does not load";
    return result;
  }
  SwfTagList read = back.TakeTags();
  const size_t first = receiving.size();
  // Copied tags that write nothing (an empty script) do not come back.
  size_t written = 0;
  for (const Bytes& b : original) written += b.empty() ? 0 : 1;
  if (read.size() != first + written + 5) {
    result.failure = "tag count " + std::to_string(read.size()) + ", expected " + std::to_string(first + written + 5);
    return result;
  }
  size_t at = first;
  for (size_t i = 0; i < copied.size(); ++i) {
    if (original[i].empty()) continue;
    SwfTag& tag = *read[at++];
    const bool wasRaw = dynamic_cast<RawTag*>(copied[i]) != nullptr;
    if (tag.TagCode() != copied[i]->TagCode() || (dynamic_cast<RawTag*>(&tag) != nullptr) != wasRaw) {
      result.failure = "copied tag " + std::to_string(i) + " comes back as another";
      return result;
    }
    tag.Relocate(-idDelta, 0, 0);
    if (movietest::WriteOne(tag, version) != original[i]) {
      result.failure =
          "copied tag " + std::to_string(i) + " (code " + std::to_string(tag.TagCode()) + ") comes back changed";
      return result;
    }
    tag.Relocate(idDelta, 0, 0);
  }

  // Every id is defined once, and every id referred to is defined, apart from those the
  // source did not define either.
  std::map<uint16_t, int> definitions;
  for (const auto& tag : read) {
    uint16_t id = 0;
    if (GetDefinedCharacterId(*tag, id)) ++definitions[id];
    if (const auto* inner = dynamic_cast<const DefineSpriteTag*>(tag.get())) {
      for (const auto& child : inner->Children()) {
        if (GetDefinedCharacterId(*child, id)) ++definitions[id];
      }
    }
  }
  for (const auto& [id, count] : definitions) {
    if (count > 1) {
      result.failure = "id " + std::to_string(id) + " defined " + std::to_string(count) + " times";
      return result;
    }
  }
  std::set<uint16_t> missingInSource;
  for (uint16_t id : collector.UnresolvedIds()) missingInSource.insert(static_cast<uint16_t>(id + idDelta));
  std::vector<uint16_t> references;
  for (const auto& tag : read) AddReferences(*tag, references);
  for (uint16_t id : references) {
    if (id == kNoBitmapId || definitions.count(id) != 0 || missingInSource.count(id) != 0) continue;
    result.failure = "id " + std::to_string(id) + " is used but not defined";
    return result;
  }
  return result;
}

// A sprite that needs at least one font and one bitmap.
bool NeedsFontAndBitmap(DefineSpriteTag* sprite, const SwfTagList& movie) {
  SpriteDependencyCollector collector;
  collector.Collect(sprite, movie);
  const SwfTagRefs& definitions = collector.DefinitionTags();
  return !collector.FontTags().empty() &&
         std::any_of(definitions.begin(), definitions.end(), [](SwfTag* t) { return IsBitmapCode(t->TagCode()); });
}

// The first sprite of the movie that needs a font and a bitmap, or null.
DefineSpriteTag* FindSpriteWithFontAndBitmap(const SwfTagList& tags) {
  for (const auto& tag : tags) {
    auto* sprite = dynamic_cast<DefineSpriteTag*>(tag.get());
    if (sprite != nullptr && NeedsFontAndBitmap(sprite, tags)) return sprite;
  }
  return nullptr;
}

// A small movie whose sprite shows a text in a DefineFont with its DefineFontInfo and a shape
// filled with a DefineBits that uses the movie's JPEGTables.
Bytes FixtureMovie() {
  movietest::TagList tags;
  tags.push_back(std::make_unique<SetBackgroundColorTag>(0xFF, 0xFF, 0xFF));
  auto tables = std::make_unique<JpegTablesTag>();
  tables->SetData({0xFF, 0xD8, 0xFF, 0xD9});
  tags.push_back(std::move(tables));
  auto bits = std::make_unique<DefineBitsTag>();
  bits->SetData(1, {0xFF, 0xD8, 0xFF, 0xD9});
  tags.push_back(std::move(bits));
  auto shape = std::make_unique<DefineShapeTag>();
  auto fill = std::make_unique<FillStyle>();
  fill->InitBitmapFill(kFillClippedBitmap, 1, std::make_unique<SwfMatrix>());
  shape->BuildRectangle(0, 0, 400, 400, std::move(fill), nullptr);
  shape->SetCharacterId(2);
  tags.push_back(std::move(shape));
  auto font = std::make_unique<DefineFontTag>();
  font->SetCharacterId(3);
  tags.push_back(std::move(font));
  tags.push_back(std::make_unique<DefineFontInfoTag>(3, L"Sans", L"", 0));
  auto text = std::make_unique<DefineTextTag>();
  text->Init(4, std::make_unique<SwfRect>(0, 0, 200, 200), std::make_unique<SwfMatrix>(), 1, 1);
  auto style = std::make_unique<TextStyleRecord>();
  style->SetFontId(3);
  style->SetTextHeight(240);
  text->AddRecord(std::move(style));
  tags.push_back(std::move(text));
  auto sprite = std::make_unique<DefineSpriteTag>(5, 0);
  sprite->AddTag(Place(2, 1));
  sprite->AddTag(Place(4, 2));
  sprite->AddTag(std::make_unique<ShowFrameTag>());
  tags.push_back(std::move(sprite));
  tags.push_back(Place(5, 1));
  tags.push_back(std::make_unique<ShowFrameTag>());
  tags.push_back(std::make_unique<EndTag>());
  SwfHeader header;
  header.version = 6;
  header.frameSize = SwfRect(0, 0, 11000, 8000);
  header.frameCount = 1;
  return movietest::WriteMovie(header, tags);
}

TEST(SpriteCopyCorpus, SpriteWithFontsAndBitmapsMovesIntoAnotherMovie) {
  // The first corpus movie by name with a sprite that depends on a font and a bitmap; when
  // no corpus movie has one, a small movie made here.
  SwfReader reader;
  DefineSpriteTag* sprite = nullptr;
  std::string source;
  for (const fs::path& path : CorpusMovies()) {
    if (!Load(path, reader)) continue;
    sprite = FindSpriteWithFontAndBitmap(reader.GetTags());
    if (sprite != nullptr) {
      source = NameOf(path);
      break;
    }
  }
  if (sprite == nullptr) {
    const Bytes fixture = FixtureMovie();
    ASSERT_TRUE(reader.LoadFromMemory(fixture.data(), fixture.size(), true, 0, true));
    sprite = FindSpriteWithFontAndBitmap(reader.GetTags());
    source = "a movie made by the test (no corpus movie has such a sprite)";
  }
  ASSERT_NE(sprite, nullptr);
  std::cout << "[ copy     ] sprite " << sprite->GetCharacterId() << " of " << source << "\n";
  const SwfTagList& tags = reader.GetTags();
  SpriteDependencyCollector collector;
  ASSERT_TRUE(collector.Collect(sprite, tags));
  EXPECT_TRUE(collector.UnresolvedIds().empty());
  SwfTagRefs list;
  collector.AppendTagsTo(list, true);
  // Fonts first; a DefineBits after its tables; every definition before the first tag that
  // uses it.
  ASSERT_FALSE(collector.FontTags().empty());
  for (size_t i = 0; i < collector.FontTags().size(); ++i) EXPECT_EQ(list[i], collector.FontTags()[i]);
  std::set<uint16_t> defined;
  bool tablesSeen = false;
  for (SwfTag* tag : list) {
    std::vector<uint16_t> uses;
    AddReferences(*tag, uses);
    for (uint16_t id : uses) EXPECT_TRUE(id == kNoBitmapId || defined.count(id) != 0) << "id " << id << " used first";
    uint16_t id = 0;
    if (GetDefinedCharacterId(*tag, id)) defined.insert(id);
    if (tag->TagCode() == 8) tablesSeen = true;
    if (tag->TagCode() == 6) {
      EXPECT_TRUE(tablesSeen);
    }
  }
  const CopyResult result = CopySprite(sprite, tags, reader.GetHeader().version);
  EXPECT_FALSE(result.refused) << result.reason;
  EXPECT_EQ(result.failure, "");
  EXPECT_TRUE(result.withFonts);
  EXPECT_TRUE(result.withBitmaps);
}

TEST(SpriteCopyCorpus, EverySpriteOfEveryMovieCopiesOrIsRefusedWithAReason) {
  const std::vector<fs::path> movies = CorpusMovies();
  if (movies.empty()) GTEST_SKIP() << "no corpus at " << PLENWICK_CORPUS_DIR;
  int loaded = 0;
  int sprites = 0;
  int copied = 0;
  int withFonts = 0;
  int withBitmaps = 0;
  size_t tagsCopied = 0;
  std::map<std::string, int> refusals;
  std::vector<std::string> failures;
  for (const fs::path& path : movies) {
    SwfReader reader;
    if (!Load(path, reader)) continue;
    ++loaded;
    const SwfTagList& tags = reader.GetTags();
    for (const auto& tag : tags) {
      auto* sprite = dynamic_cast<DefineSpriteTag*>(tag.get());
      if (sprite == nullptr) continue;
      ++sprites;
      const CopyResult result = CopySprite(sprite, tags, reader.GetHeader().version);
      if (!result.failure.empty()) {
        failures.push_back(NameOf(path) + " sprite " + std::to_string(sprite->GetCharacterId()) + ": " +
                           result.failure);
      } else if (result.refused) {
        ++refusals[result.reason.substr(0, result.reason.find(" ("))];
      } else {
        ++copied;
        tagsCopied += result.copiedTags;
        withFonts += result.withFonts ? 1 : 0;
        withBitmaps += result.withBitmaps ? 1 : 0;
      }
    }
  }
  std::cout << "[ copy     ] " << loaded << " movies, " << sprites << " sprites: " << copied << " copied ("
            << tagsCopied << " tags; " << withFonts << " with fonts, " << withBitmaps << " with bitmaps), "
            << sprites - copied - static_cast<int>(failures.size()) << " refused";
  for (const auto& [what, count] : refusals) std::cout << "; " << what << " " << count;
  std::cout << "\n";
  EXPECT_GT(copied, 0);
  std::string report;
  for (size_t i = 0; i < failures.size() && i < 30; ++i) report += failures[i] + "\n";
  EXPECT_TRUE(failures.empty()) << failures.size() << " sprites:\n" << report;
}

}  // namespace
