// The background image in the built movie: its bitmap, the shape filled with it and its
// placement, read back from the file.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "preloader/BackgroundImage.h"
#include "preloader/PreloaderBuilder.h"
#include "preloader/PreloaderData.h"
#include "preloader/ProjectDocument.h"
#include "swf/ControlTags.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SwfFileWriter.h"
#include "tests/media/ImageFixtures.h"
#include "tests/preloader/MovieInspector.h"
#include "tests/preloader/ProjectTestSupport.h"

namespace {

using movieinspect::Bits;
using movieinspect::Movie;
using movieinspect::Tag;

void WriteBytes(const std::string& path, const imagetest::Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

imagetest::Bytes Flat(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  imagetest::Bytes rows;
  for (int i = 0; i < width * height; ++i) rows.insert(rows.end(), {r, g, b});
  return rows;
}

// The parts of the shape that the background sets.
struct ShapeFields {
  uint16_t id = 0;
  int32_t width = 0, height = 0;  // bounds from (0, 0), twips
  uint8_t fillType = 0;
  uint16_t bitmapId = 0;
  int32_t scaleX = 0, scaleY = 0;
};

ShapeFields ReadShape(const Tag& tag) {
  ShapeFields s;
  s.id = movieinspect::U16(tag.body, 0);
  Bits rect(tag.body.data() + 2, tag.body.size() - 2);
  const int n = static_cast<int>(rect.U(5));
  const int32_t xmin = rect.S(n), xmax = rect.S(n), ymin = rect.S(n), ymax = rect.S(n);
  s.width = xmax - xmin;
  s.height = ymax - ymin;
  size_t at = 2 + rect.AlignedByte();
  if (tag.body.size() < at + 4 || tag.body[at] != 1) return s;  // one fill style
  s.fillType = tag.body[at + 1];
  s.bitmapId = movieinspect::U16(tag.body, at + 2);
  Bits matrix(tag.body.data() + at + 4, tag.body.size() - at - 4);
  if (matrix.U(1)) {
    const int bits = static_cast<int>(matrix.U(5));
    s.scaleX = matrix.S(bits);
    s.scaleY = matrix.S(bits);
  }
  return s;
}

class BackgroundImageTest : public ::testing::Test {
 protected:
  // Defines the image's characters on a 300 x 200 stage and reads the movie back.
  Movie Define(BackgroundImage& image, uint16_t& ids, std::string* why = nullptr) {
    const std::string path = dir.Native("movie.swf");
    {
      SwfFileWriter writer(false);
      writer.SetMovieParameters(300 * 20, 200 * 20, 12.0f, 6);
      EXPECT_TRUE(writer.Open(dir.Path("movie.swf"), true));
      returned = image.DefineSwfCharacters(writer, &ids, why);
      writer.AddTag(std::make_unique<EndTag>());
      EXPECT_NE(writer.Close(), 0u);
    }
    return movieinspect::ReadFile(path);
  }

  WideString Png(const char* name, int width, int height) {
    WriteBytes(dir.Native(name), imagetest::EncodePng(Flat(width, height, 200, 40, 90), width, height));
    return dir.Path(name);
  }

  WideString Jpeg(const char* name, int width, int height, bool progressive = false) {
    imagetest::JpegOptions options;
    options.progressive = progressive;
    const imagetest::Bytes px = Flat(width, height, 200, 40, 90);
    WriteBytes(dir.Native(name), imagetest::EncodeJpeg(px.data(), width, height, options));
    return dir.Path(name);
  }

  projecttest::ScratchDir dir;
  uint16_t returned = 0;
};

TEST_F(BackgroundImageTest, ShapeSizeAndFillFollowTheImageAndTheStage) {
  struct Case {
    int width, height;
    bool tile;
    int32_t shapeWidth, shapeHeight;
    uint8_t fillType;
  } cases[] = {
      {100, 100, false, 2000, 2000, 0x41},
      {400, 300, false, 6000, 4000, 0x41},
      // Narrower in one direction only: the image's size in both.
      {400, 100, false, 8000, 2000, 0x41},
      {100, 100, true, 6000, 4000, 0x40},
  };
  const WideString png = Png("bg.png", 16, 16);
  for (const Case& c : cases) {
    BackgroundImage image;
    image.SetEnabled(true);
    image.SetPath(png);
    image.SetWidth(c.width);
    image.SetHeight(c.height);
    image.SetTile(c.tile);
    uint16_t ids = 4;
    const Movie m = Define(image, ids);
    ASSERT_EQ(m.error, "");
    ASSERT_EQ(movieinspect::Codes(m.tags), (std::vector<int>{21, 2, 0})) << c.width << "x" << c.height;
    EXPECT_EQ(movieinspect::U16(m.tags[0].body, 0), 5);
    const ShapeFields s = ReadShape(m.tags[1]);
    EXPECT_EQ(s.id, 6);
    EXPECT_EQ(returned, 6);
    EXPECT_EQ(image.GetShapeId(), 6);
    EXPECT_EQ(ids, 6);
    EXPECT_EQ(s.bitmapId, 5);
    EXPECT_EQ(s.width, c.shapeWidth) << c.width << "x" << c.height << " tile " << c.tile;
    EXPECT_EQ(s.height, c.shapeHeight) << c.width << "x" << c.height << " tile " << c.tile;
    EXPECT_EQ(s.fillType, c.fillType);
  }
}

TEST_F(BackgroundImageTest, BitmapKindAndFillScaleFollowTheExportType) {
  const WideString png = Png("bg.png", 32, 24);
  const WideString jpeg = Jpeg("bg.jpg", 640, 480);
  const WideString progressive = Jpeg("progressive.jpg", 640, 480, true);
  struct Case {
    const char* name;
    WideString path;
    BackgroundExportType type;
    bool adjust;
    int bitmapCode;
    int32_t scaleX, scaleY;
  } cases[] = {
      {"jpeg", png, kBackgroundJpeg, false, 21, 1310720, 1310720},
      {"jpeg, shift adjusted", png, kBackgroundJpeg, true, 21, 1309409, 1309409},
      {"lossless 24", png, kBackgroundLossless24, false, 20, 1310720, 1310720},
      {"lossless 15 is made at 24 bits", png, kBackgroundLossless15, false, 20, 1310720, 1310720},
      {"lossless 8 is made at 24 bits", png, kBackgroundLossless8, false, 20, 1310720, 1310720},
      // The file's own JPEG at its natural 640 x 480, shown at 320 x 240.
      {"the file's JPEG", jpeg, kBackgroundJpegImportData, false, 21, 655360, 655360},
      {"the file's JPEG, shift adjusted", jpeg, kBackgroundJpegImportData, true, 21, 654705, 654705},
      // Data a player cannot draw as it stands is rendered and compressed again.
      {"a PNG as the file's JPEG", png, kBackgroundJpegImportData, false, 21, 1310720, 1310720},
      {"a progressive JPEG as the file's JPEG", progressive, kBackgroundJpegImportData, false, 21, 1310720, 1310720},
  };
  for (const Case& c : cases) {
    BackgroundImage image;
    image.SetEnabled(true);
    image.SetPath(c.path);
    image.SetExportType(c.type);
    image.SetAdjustBitmapShift(c.adjust);
    uint16_t ids = 0;
    const Movie m = Define(image, ids);
    ASSERT_EQ(m.error, "");
    ASSERT_EQ(m.tags.size(), 3u) << c.name;
    EXPECT_EQ(m.tags[0].code, c.bitmapCode) << c.name;
    const ShapeFields s = ReadShape(m.tags[1]);
    EXPECT_EQ(s.scaleX, c.scaleX) << c.name;
    EXPECT_EQ(s.scaleY, c.scaleY) << c.name;
    if (c.bitmapCode == 20) {
      // DefineBitsLossless: id, format 5 (24 bits), the size rendered.
      EXPECT_EQ(m.tags[0].body[2], 5) << c.name;
      EXPECT_EQ(movieinspect::U16(m.tags[0].body, 3), 320) << c.name;
      EXPECT_EQ(movieinspect::U16(m.tags[0].body, 5), 240) << c.name;
    }
  }
}

TEST_F(BackgroundImageTest, AnImageThatCannotBeShownAddsNothingAndSaysWhy) {
  WriteBytes(dir.Native("broken.png"), {0x89, 'P', 'N', 'G', 1, 2, 3});
  const WideString png = Png("bg.png", 8, 8);
  struct Case {
    const char* name;
    bool enabled;
    WideString path;
    int32_t width;
    bool reasonGiven;
    int32_t height = 240;
    std::string reason = {};  // when given: the reason in full
  } cases[] = {
      {"disabled", false, png, 320, false},
      {"missing file", true, dir.Path("gone.png"), 320, true},
      {"not an image", true, dir.Path("broken.png"), 320, true},
      {"no path", true, L"", 320, true},
      // Sizes read from a document are unchecked.
      {"width 0", true, png, 0, true},
      {"width beyond the limit", true, png, 10001, true},
      // Within the limits, and still more pixels than a bitmap holds: refused before rendering.
      {"more pixels than a bitmap holds", true, png, 9000, true, 8000,
       "at 9000 x 8000 pixels it is larger than a bitmap can be (67108864 pixels at most)"},
  };
  for (const Case& c : cases) {
    // Read from a document, which stores the size unchecked.
    PreloaderData project;
    projecttest::WriteText(
        dir.Native("p.plw"),
        projecttest::FileWith("<preloader_data >\n<bg_image width=\"" + std::to_string(c.width) + "\" height=\"" +
                              std::to_string(c.height) + "\" />\n</preloader_data>\n"));
    ASSERT_TRUE(OpenProjectFile(dir.Path("p.plw"), project));
    BackgroundImage& image = project.GetBackgroundImage();
    ASSERT_EQ(image.GetWidth(), c.width);
    image.SetEnabled(c.enabled);
    image.SetPath(c.path);
    uint16_t ids = 7;
    std::string why = "stale";
    const Movie m = Define(image, ids, &why);
    ASSERT_EQ(m.error, "");
    EXPECT_EQ(movieinspect::Codes(m.tags), std::vector<int>{0}) << c.name;
    EXPECT_EQ(returned, 0) << c.name;
    EXPECT_EQ(image.GetShapeId(), 0) << c.name;
    EXPECT_EQ(ids, 7) << c.name;
    EXPECT_EQ(!why.empty(), c.reasonGiven) << c.name << ": " << why;
    if (!c.reason.empty()) {
      EXPECT_EQ(why, c.reason) << c.name;
    }
    uint16_t depths = 3;
    EXPECT_EQ(image.CreatePlaceObject(&depths), nullptr) << c.name;
    EXPECT_EQ(depths, 3) << c.name;
  }
}

TEST_F(BackgroundImageTest, PlacementTranslatesOnlyWhenMoved) {
  const WideString png = Png("bg.png", 8, 8);
  struct Case {
    int32_t x, y;
    bool matrix;
  } cases[] = {{0, 0, false}, {5, -3, true}, {0, 7, true}};
  for (const Case& c : cases) {
    BackgroundImage image;
    image.SetEnabled(true);
    image.SetPath(png);
    image.SetX(c.x);
    image.SetY(c.y);
    uint16_t ids = 0;
    Define(image, ids);
    uint16_t depths = 2;
    const auto place = image.CreatePlaceObject(&depths);
    ASSERT_NE(place, nullptr);
    EXPECT_EQ(place->depth, 3);
    EXPECT_EQ(depths, 3);
    EXPECT_EQ(place->characterId, image.GetShapeId());
    ASSERT_EQ(place->matrix != nullptr, c.matrix) << c.x << "," << c.y;
    if (c.matrix) {
      EXPECT_EQ(place->matrix->translateX, c.x * 20);
      EXPECT_EQ(place->matrix->translateY, c.y * 20);
      EXPECT_FALSE(place->matrix->hasScale);
      EXPECT_FALSE(place->matrix->hasRotate);
    }
  }
}

// In the movie: the background stands at depth 1 under the loader, which takes depth 2, and
// leaves with the loader at "loaderdone"; an image that cannot be read is left out with a
// warning and the loader takes depth 1.
TEST_F(BackgroundImageTest, BuiltMovieShowsTheBackgroundUnderTheLoaderUntilLoaderDone) {
  const WideString png = Png("bg.png", 8, 8);
  for (const bool readable : {true, false}) {
    PreloaderData project;
    project.SetTargetType(kTargetExternal);
    project.SetTargetUrl(dir.Path("target.swf"));
    BackgroundImage& image = project.GetBackgroundImage();
    image.SetEnabled(true);
    image.SetPath(readable ? png : dir.Path("gone.png"));
    image.SetX(4);
    PreloaderBuilder builder;
    ASSERT_TRUE(builder.Build(dir.Path("out.swf"), project, true)) << builder.GetError();
    const Movie m = movieinspect::ReadFile(dir.Native("out.swf"));
    ASSERT_EQ(m.error, "");
    ASSERT_GE(m.tags.size(), 4u);
    int ldrDepth = 0;
    int removedAfterLabel = 0;
    bool afterLabel = false;
    for (const Tag& t : m.tags) {
      if (t.code == 26 && movieinspect::ReadPlacement(t).name == "ldr") ldrDepth = movieinspect::ReadPlacement(t).depth;
      if (t.code == 43) afterLabel = true;
      if (t.code == 28 && afterLabel) removedAfterLabel = movieinspect::U16(t.body, 0);
    }
    if (readable) {
      EXPECT_EQ(builder.GetWarnings(), std::vector<std::string>{});
      EXPECT_EQ((std::vector<int>{m.tags[0].code, m.tags[1].code, m.tags[2].code, m.tags[3].code}),
                (std::vector<int>{9, 21, 2, 26}));
      EXPECT_EQ(movieinspect::U16(m.tags[1].body, 0), 1);
      const movieinspect::Placement background = movieinspect::ReadPlacement(m.tags[3]);
      EXPECT_EQ(background.id, 2);
      EXPECT_EQ(background.depth, 1);
      EXPECT_EQ(background.translateX, 80);
      EXPECT_EQ(ldrDepth, 2);
      EXPECT_EQ(removedAfterLabel, 1);
      EXPECT_EQ(builder.GetBackgroundDepth(), 1);
    } else {
      EXPECT_EQ(
          builder.GetWarnings(),
          std::vector<std::string>{"The background image is left out of the movie: the image file cannot be read."});
      EXPECT_EQ(ldrDepth, 1);
      for (const Tag& t : m.tags) EXPECT_NE(t.code, 2);
      EXPECT_EQ(builder.GetBackgroundDepth(), 0);
    }
  }
}

}  // namespace
