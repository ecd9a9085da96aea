// The imports in the built movie, read back from the file: an embedded image as a bitmap
// rendered at its final size, a shape centred on its origin and the clip that holds it,
// placed as "imp<i>" in the loader; one empty clip for every import loaded at run time; and
// an embedded image that cannot be shown left out with a warning while the others keep their
// names.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "preloader/ImportItem.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "preloader/ProjectDocument.h"
#include "tests/media/ImageFixtures.h"
#include "tests/preloader/MovieInspector.h"
#include "tests/preloader/ProjectTestSupport.h"

namespace {

using movieinspect::Movie;
using movieinspect::Placement;
using movieinspect::Tag;

void WriteBytes(const std::string& path, const imagetest::Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// What the tests look at in a built movie.
struct Built {
  Movie movie;
  std::map<uint16_t, const Tag*> characters;  // by id: bitmaps, shapes and sprites
  std::vector<Placement> imports;             // the "imp<i>" placements in the loader, in order
};

uint16_t CharacterId(const Tag& t) { return movieinspect::U16(t.body, 0); }

class ImportContentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    project.SetTargetType(kTargetExternal);
    project.SetTargetUrl(dir.Path("target.swf"));
  }

  // A flat-coloured PNG.
  WideString Png(const std::string& name, int width, int height) {
    imagetest::Bytes rows;
    for (int i = 0; i < width * height; ++i) rows.insert(rows.end(), {30, 140, 220});
    WriteBytes(dir.Native(name), imagetest::EncodePng(rows, width, height));
    return dir.Path(name);
  }

  ImportItem* Add(const WideString& path, bool embed) {
    auto* item = new ImportItem;
    item->SetPath(path);
    item->SetEmbedImage(embed);
    item->SetAlignToDoc(false);
    project.InsertImport(item, project.GetImportCount());
    return item;
  }

  void Build() {
    built = Built();
    PreloaderBuilder builder;
    ASSERT_TRUE(builder.Build(dir.Path("out.swf"), project, true)) << builder.GetError();
    warnings = builder.GetWarnings();
    built.movie = movieinspect::ReadFile(dir.Native("out.swf"));
    ASSERT_EQ(built.movie.error, "");
    for (const Tag& t : built.movie.tags) {
      if (t.code == 2 || t.code == 20 || t.code == 21 || t.code == 39) built.characters[CharacterId(t)] = &t;
      if (t.code == 39 && CharacterId(t) == builder.GetLoaderSpriteId()) {
        for (const Tag& c : t.children) {
          if (c.code != 26) continue;
          const Placement p = movieinspect::ReadPlacement(c);
          if (p.name.rfind("imp", 0) == 0) built.imports.push_back(p);
        }
      }
    }
  }

  const Tag* Character(uint16_t id) const {
    const auto found = built.characters.find(id);
    return found == built.characters.end() ? nullptr : found->second;
  }

  // The empty clips (one frame and nothing in it) but the one the target loads into.
  int EmptySprites() const {
    int target = -1;
    for (const Tag& t : built.movie.tags)
      if (t.code == 26 && movieinspect::ReadPlacement(t).name == "ptgt") target = movieinspect::ReadPlacement(t).id;
    int n = 0;
    for (const Tag& t : built.movie.tags)
      if (t.code == 39 && CharacterId(t) != target && movieinspect::Codes(t.children) == std::vector<int>{1, 0}) ++n;
    return n;
  }

  projecttest::ScratchDir dir;
  PreloaderData project;
  Built built;
  std::vector<std::string> warnings;
};

TEST_F(ImportContentsTest, AnEmbeddedImageIsABitmapInACentredShapeInAClip) {
  // A 50 x 25 picture shown at 100 x 50 pixels, its bottom centre at (30, 40).
  const WideString png = Png("small.png", 50, 25);
  struct Case {
    const char* name;
    ImportImageType type;
    bool adjustShift;
    int tagCode;
    int losslessFormat;  // -1 for JPEG
    int32_t fillScale;
  } cases[] = {
      {"jpeg", kImportJpeg, false, 21, -1, 1310720},
      {"lossless 24", kImportLossless24, false, 20, 5, 1310720},
      {"lossless 15", kImportLossless15, false, 20, 4, 1310720},
      {"lossless 8", kImportLossless8, false, 20, 3, 1310720},
      {"shift adjusted", kImportLossless24, true, 20, 5, 1309409},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    project.DeleteImport(0);
    ImportItem* item = Add(png, true);
    ASSERT_TRUE(item->IsEmbeddedImage());
    ASSERT_TRUE(item->SetFinalWidth(100));
    ASSERT_TRUE(item->SetFinalHeight(50));
    item->SetExportImageType(c.type);
    item->SetAdjustBitmapShift(c.adjustShift);
    item->SetHAlign(kHAlignCenter);
    item->SetVAlign(kVAlignBottom);
    ASSERT_TRUE(item->SetX(30));
    ASSERT_TRUE(item->SetY(40));
    Build();
    EXPECT_EQ(warnings, std::vector<std::string>{});
    // Bitmap, shape and clip take consecutive ids, and no empty clip is defined.
    const uint16_t bitmapId = item->GetBitmapId();
    ASSERT_NE(bitmapId, 0);
    EXPECT_EQ(item->GetShapeId(), bitmapId + 1);
    EXPECT_EQ(item->GetSpriteId(), bitmapId + 2);
    EXPECT_EQ(EmptySprites(), 0);

    const Tag* bitmap = Character(bitmapId);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->code, c.tagCode);
    if (c.losslessFormat >= 0) {
      ASSERT_GE(bitmap->body.size(), 7u);
      EXPECT_EQ(bitmap->body[2], c.losslessFormat);
      // Rendered at the final size.
      EXPECT_EQ(movieinspect::U16(bitmap->body, 3), 100);
      EXPECT_EQ(movieinspect::U16(bitmap->body, 5), 50);
    }

    const Tag* shapeTag = Character(item->GetShapeId());
    ASSERT_NE(shapeTag, nullptr);
    ASSERT_EQ(shapeTag->code, 2);
    const movieinspect::BitmapShape shape = movieinspect::ReadBitmapShape(*shapeTag);
    EXPECT_EQ((std::vector<int32_t>{shape.xmin, shape.ymin, shape.xmax, shape.ymax}),
              (std::vector<int32_t>{-1000, -500, 1000, 500}));
    EXPECT_EQ(shape.fillStyles, 1);
    EXPECT_EQ(shape.fillType, 0x41);
    EXPECT_EQ(shape.bitmapId, bitmapId);
    EXPECT_EQ(shape.fillMatrix.scaleX, c.fillScale);
    EXPECT_EQ(shape.fillMatrix.scaleY, c.fillScale);
    EXPECT_EQ(shape.fillMatrix.x, -1000);
    EXPECT_EQ(shape.fillMatrix.y, -500);

    // The clip holds the shape at its origin, so that "imp0" names a clip of its own.
    const Tag* sprite = Character(item->GetSpriteId());
    ASSERT_NE(sprite, nullptr);
    ASSERT_EQ(movieinspect::Codes(sprite->children), (std::vector<int>{26, 1, 0}));
    const Placement inner = movieinspect::ReadPlacement(sprite->children[0]);
    EXPECT_EQ(inner.id, item->GetShapeId());
    EXPECT_EQ(inner.depth, 1);

    // Placed at its alignment point moved by half its size, at its own size.
    ASSERT_EQ(built.imports.size(), 1u);
    const Placement& placed = built.imports[0];
    EXPECT_EQ(placed.name, "imp0");
    EXPECT_EQ(placed.id, item->GetSpriteId());
    EXPECT_EQ(placed.translateX, 30 * 20 - 1000 + 1000);
    EXPECT_EQ(placed.translateY, 40 * 20 - 1000 + 500);
    EXPECT_TRUE(placed.hasScale);
    EXPECT_EQ(placed.scaleX, 65536);
    EXPECT_EQ(placed.scaleY, 65536);
  }
}

TEST_F(ImportContentsTest, RunTimeImportsShareOneEmptyClipAndKeepTheirScale) {
  const WideString png = Png("pic.png", 40, 20);
  projecttest::WriteText(dir.Native("clip.swf"), projecttest::MovieWithVersion(6));
  ImportItem* embedded = Add(png, true);
  ImportItem* movie = Add(dir.Path("clip.swf"), false);
  ASSERT_EQ(movie->GetSourceKind(), kImportSourceSwf);
  ASSERT_TRUE(movie->SetWidthScale(0.5));
  ASSERT_TRUE(movie->SetX(10));
  ASSERT_TRUE(movie->SetY(20));
  ImportItem* picture = Add(png, false);
  ASSERT_EQ(picture->GetSourceKind(), kImportSourceImage);
  picture->SetHAlign(kHAlignRight);
  ASSERT_TRUE(picture->SetX(200));
  Add(L"http://example.com/late.swf", false);
  Build();
  EXPECT_EQ(warnings, std::vector<std::string>{});

  EXPECT_EQ(EmptySprites(), 1);
  ASSERT_EQ(built.imports.size(), 4u);
  for (size_t i = 0; i < built.imports.size(); ++i) EXPECT_EQ(built.imports[i].name, "imp" + std::to_string(i));
  for (size_t i = 1; i < built.imports.size(); ++i) EXPECT_GT(built.imports[i].depth, built.imports[i - 1].depth);
  EXPECT_EQ(built.imports[0].id, embedded->GetSpriteId());
  const int placeholder = built.imports[1].id;
  ASSERT_NE(Character(static_cast<uint16_t>(placeholder)), nullptr);
  EXPECT_EQ(movieinspect::Codes(Character(static_cast<uint16_t>(placeholder))->children), (std::vector<int>{1, 0}));
  EXPECT_EQ(built.imports[2].id, placeholder);
  EXPECT_EQ(built.imports[3].id, placeholder);
  // The clip carries the import's scale: what is loaded into it is shown at the final size.
  EXPECT_EQ(built.imports[1].scaleX, 32768);
  EXPECT_EQ(built.imports[1].scaleY, 65536);
  EXPECT_EQ(built.imports[1].translateX, 200);
  EXPECT_EQ(built.imports[1].translateY, 400);
  // Right-aligned: its right edge at x.
  EXPECT_EQ(built.imports[2].translateX, 200 * 20 - 40 * 20);
  // Nothing of a picture loaded at run time is in the movie.
  EXPECT_EQ(picture->GetBitmapId(), 0);
  int bitmaps = 0;
  for (const Tag& t : built.movie.tags) bitmaps += t.code == 20 || t.code == 21;
  EXPECT_EQ(bitmaps, 1);
}

TEST_F(ImportContentsTest, AnEmbeddedImageThatCannotBeShownIsLeftOutWithAReason) {
  struct Case {
    const char* name;
    const char* finalSize;  // width_final and height_final as a document gives them
    bool removeFile;
    bool breakFile;
    std::string warning;
  } cases[] = {
      {"file gone", "width_final=\"40\" height_final=\"20\"", true, false,
       "Import 1 is left out of the movie: the image file cannot be read."},
      {"file no longer a picture", "width_final=\"40\" height_final=\"20\"", false, true,
       "Import 1 is left out of the movie: the image file cannot be read."},
      {"no width", "width_final=\"0\" height_final=\"20\"", false, false,
       "Import 1 is left out of the movie: its size of 0 x 20 pixels is outside 1 to 5000."},
      {"too high for a bitmap", "width_final=\"40\" height_final=\"70000\"", false, false,
       "Import 1 is left out of the movie: its size of 40 x 70000 pixels is outside 1 to 5000."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const WideString png = Png("pic.png", 40, 20);
    const std::string item = "<imports src=\"" + dir.Native("pic.png") + "\" " + c.finalSize +
                             " embed_image=\"true\" export_image_type=\"lossless24\" />\n";
    const std::string good = "<imports src=\"" + dir.Native("other.png") + "\" embed_image=\"true\" />\n";
    Png("other.png", 8, 8);
    projecttest::WriteText(
        dir.Native("p.plw"),
        projecttest::FileWith("<preloader_data target_type=\"external\" >\n<imports selection=\"-1\" >\n" + item +
                              good + "</imports>\n</preloader_data>\n"));
    project.Reset();
    ASSERT_TRUE(OpenProjectFile(dir.Path("p.plw"), project));
    ASSERT_EQ(project.GetImportCount(), 2);
    ASSERT_TRUE(project.GetImport(0)->IsEmbeddedImage());
    if (c.removeFile) std::filesystem::remove(dir.Native("pic.png"));
    if (c.breakFile) WriteBytes(dir.Native("pic.png"), {0x89, 'P', 'N', 'G', 1, 2, 3});
    Build();
    EXPECT_EQ(warnings, std::vector<std::string>{c.warning});
    const ImportItem& left = *project.GetImport(0);
    EXPECT_EQ(left.GetBitmapId(), 0);
    EXPECT_EQ(left.GetShapeId(), 0);
    EXPECT_EQ(left.GetSpriteId(), 0);
    // One bitmap and one shape: the other image's. It keeps its name by its list position.
    int bitmaps = 0, shapes = 0;
    for (const Tag& t : built.movie.tags) {
      bitmaps += t.code == 20 || t.code == 21;
      shapes += t.code == 2;
    }
    EXPECT_EQ(bitmaps, 1);
    EXPECT_EQ(shapes, 1);
    ASSERT_EQ(built.imports.size(), 1u);
    EXPECT_EQ(built.imports[0].name, "imp1");
    EXPECT_EQ(built.imports[0].id, project.GetImport(1)->GetSpriteId());
  }
}

}  // namespace
