// Embedded fonts and laid-out text drawn by the real player: a movie of DefineFont2 glyphs from
// a TrueType and a CFF font, static text from our layout and an edit text, screenshotted after
// its first frame. The ink found in the screenshot must stand where the layout and the glyph
// bounds put it, and the counters of 'o' must stay open (outline direction and y flip).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "host/Text.h"
#include "media/FontCollection.h"
#include "media/TextBlock.h"
#include "swf/ControlTags.h"
#include "swf/DisplayListTags.h"
#include "swf/PlaceObject2Tag.h"
#include "swf/SwfFileWriter.h"
#include "tests/support/PlayerRunner.h"
#include "tests/support/TestFonts.h"

namespace {

namespace fs = std::filesystem;

struct Box {
  double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
  bool Empty() const { return right < left; }
  void Add(double l, double t, double r, double b) {
    left = std::min(left, l), top = std::min(top, t), right = std::max(right, r), bottom = std::max(bottom, b);
  }
};

std::ostream& operator<<(std::ostream& out, const Box& b) {
  return out << "(" << b.left << ", " << b.top << ") - (" << b.right << ", " << b.bottom << ")";
}

// Where a static text's glyphs stand on the stage, in pixels: each glyph's bounds from its
// font, at its run's origin plus the advances before it.
struct Expected {
  Box ink;
  std::vector<Box> glyphs;  // one per glyph entry, in order
};

Expected Layout(const DefineTextTag& text, const std::map<uint16_t, std::vector<SwfRect>>& fontBounds, double placeX,
                double placeY) {
  Expected expected;
  const std::vector<SwfRect>* bounds = nullptr;
  double height = 0, x = 0, y = 0;
  for (const auto& record : text.records) {
    if (auto* style = dynamic_cast<TextStyleRecord*>(record.get())) {
      if (style->GetFlags() & TextStyleRecord::kHasFont) {
        bounds = &fontBounds.at(style->fontId);
        height = style->textHeight / 20.0;
      }
      x = placeX + style->xOffset / 20.0;
      y = placeY + style->yOffset / 20.0;
    } else if (auto* glyphs = dynamic_cast<TextGlyphRecord*>(record.get())) {
      for (const GlyphEntry& g : glyphs->entries) {
        // A character the font lacks has an index past its glyphs: nothing is drawn.
        const SwfRect r = g.glyphIndex < bounds->size() ? (*bounds)[g.glyphIndex] : SwfRect(0, 0, 0, 0);
        const double scale = height / 1024.0;
        Box box;
        if (!(r.xmin == 0 && r.xmax == 0 && r.ymin == 0 && r.ymax == 0)) {
          box.Add(x + r.xmin * scale, y + r.ymin * scale, x + r.xmax * scale, y + r.ymax * scale);
          expected.ink.Add(box.left, box.top, box.right, box.bottom);
        }
        expected.glyphs.push_back(box);
        x += g.advance / 20.0;
      }
    }
  }
  return expected;
}

bool Dark(const playertest::Image& image, int x, int y) {
  const uint8_t* p = image.At(x, y);
  return p[0] + p[1] + p[2] < 3 * 128;
}

bool Light(const playertest::Image& image, int x, int y) {
  const uint8_t* p = image.At(x, y);
  return p[0] + p[1] + p[2] > 3 * 200;
}

// The box of the dark pixels between two rows.
Box Ink(const playertest::Image& image, int fromRow, int toRow) {
  Box box;
  for (int y = std::max(0, fromRow); y < std::min(image.height, toRow); ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (Dark(image, x, y)) box.Add(x, y, x + 1, y + 1);
    }
  }
  return box;
}

FontSpec Black(const wchar_t* family, int size) {
  FontSpec spec;
  spec.SetFontByName(family);
  spec.SetSize(size);
  spec.SetColor(0);
  return spec;
}

std::unique_ptr<PlaceObject2Tag> Place(uint16_t id, uint16_t depth, int x, int y) {
  auto place = std::make_unique<PlaceObject2Tag>();
  place->SetCharacterId(id);
  place->depth = depth;
  auto matrix = std::make_unique<SwfMatrix>();
  matrix->translateX = x * 20;
  matrix->translateY = y * 20;
  place->SetMatrix(std::move(matrix));
  return place;
}

TEST(TextRendering, EmbeddedGlyphsStandWhereTheLayoutPutsThem) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  ASSERT_EQ(playertest::PlayerUnavailableReason(), "");
  const fs::path dir = fs::path(PLENWICK_TEST_BINARY_DIR) / "text-rendering";
  fs::create_directories(dir);
  const fs::path swf = dir / "text.swf";

  // Three texts in bands of the stage: TrueType static text, CFF static text, an edit text.
  // The first text ends in a character its font was never given: its glyph index is all
  // ones, and the player must draw the rest regardless.
  struct Static {
    const wchar_t* family;
    const wchar_t* text;
    const wchar_t* fontCharacters;
    int x, y;
  } statics[] = {{L"DejaVu Sans", L"Hog \u0416\u03BB?", L"Hog \u0416\u03BB", 30, 20},
                 {L"FreeSerif", L"Sofa &", L"Sofa &", 30, 140}};
  const wchar_t* editText = L"Edit 42%";
  const FontSpec editFont = Black(L"DejaVu Sans", 36);

  SwfFileWriter writer;
  writer.SetMovieParameters(11000, 8000, 12.0f, 8);
  ASSERT_TRUE(writer.Open(host::text::Utf8ToWide(swf.string()), true));
  writer.AddTag(std::make_unique<SetBackgroundColorTag>(255, 255, 255));
  FontCollection fonts;
  for (const Static& s : statics) {
    const WideString text = s.fontCharacters;
    fonts.AddFont(Black(s.family, 48), &text, true);
  }
  const WideString edit = editText;
  fonts.AddFont(editFont, &edit, true);
  fonts.ResetEmitted();
  uint16_t nextId = 0;
  ASSERT_TRUE(fonts.CreateFontTags(writer, nextId)) << host::text::WideToUtf8(fonts.GetError());
  std::map<uint16_t, std::vector<SwfRect>> fontBounds;
  std::map<uint16_t, std::map<uint16_t, std::pair<int16_t, SwfRect>>> glyphsByCode;  // advance and bounds
  for (const auto& tag : fonts.GetFontTags()) {
    for (size_t i = 0; i < tag->GetGlyphCount(); ++i) {
      fontBounds[tag->GetCharacterId()].push_back(*tag->bounds[i]);
      glyphsByCode[tag->GetCharacterId()][tag->codes[i]] = {tag->advances[i], *tag->bounds[i]};
    }
  }

  std::vector<Expected> expected;
  uint16_t depth = 0;
  for (const Static& s : statics) {
    StaticTextBlock block;
    block.SetFont(Black(s.family, 48));
    block.SetText(s.text);
    block.SetBounds(TextBox{0, 0, 100, 500});
    auto text = block.MakeText(fonts, writer, nextId);
    ASSERT_NE(text, nullptr);
    expected.push_back(Layout(*text, fontBounds, s.x, s.y));
    const uint16_t id = text->GetCharacterId();
    writer.AddTag(std::move(text));
    writer.AddTag(Place(id, ++depth, s.x, s.y));
  }
  TextBlock block;
  block.SetFont(editFont);
  block.SetText(editText);
  auto field = block.MakeEditText(fonts, writer);
  ASSERT_NE(field, nullptr);
  field->SetCharacterId(++nextId);
  const uint16_t editFontId = field->fontId;
  const SwfRect fieldBounds = *field->bounds;
  const int editX = 30, editY = 300;
  writer.AddTag(std::move(field));
  writer.AddTag(Place(nextId, ++depth, editX, editY));
  writer.AddTag(std::make_unique<ShowFrameTag>());
  writer.AddTag(std::make_unique<EndTag>());
  ASSERT_GT(writer.Close(), 0u);
  ASSERT_FALSE(writer.Failed());

  playertest::Movie movie;
  movie.name = "text";
  movie.swf = swf;
  movie.frames = 2;
  movie.screenshot = dir / "text.png";
  const playertest::PlayRun run = playertest::Play({movie}, 1);
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), 1u);
  ASSERT_EQ(run.results[0].error, "");
  const playertest::Image& image = run.results[0].screenshot;
  ASSERT_EQ(image.width, 550) << "see " << movie.screenshot.string();
  ASSERT_EQ(image.height, 400);

  // Anti-aliasing may darken a pixel past the exact bounds, or leave the outermost one light.
  const double slack = 2.0;
  const int bands[][2] = {{0, 120}, {120, 260}};
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(host::text::WideToUtf8(statics[i].text));
    const Box ink = Ink(image, bands[i][0], bands[i][1]);
    const Box& want = expected[i].ink;
    ASSERT_FALSE(ink.Empty()) << "nothing drawn; see " << movie.screenshot.string();
    EXPECT_NEAR(ink.left, want.left, slack) << "found " << ink << ", expected " << want;
    EXPECT_NEAR(ink.right, want.right, slack) << "found " << ink << ", expected " << want;
    EXPECT_NEAR(ink.top, want.top, slack) << "found " << ink << ", expected " << want;
    EXPECT_NEAR(ink.bottom, want.bottom, slack) << "found " << ink << ", expected " << want;
    // The 'o', second glyph of both texts: its counter is open, its ring drawn.
    const Box& o = expected[i].glyphs[1];
    const int cx = static_cast<int>((o.left + o.right) / 2), cy = static_cast<int>((o.top + o.bottom) / 2);
    EXPECT_TRUE(Light(image, cx, cy)) << "the counter of 'o' at " << cx << "," << cy << " is filled";
    bool ring = false;
    for (int x = static_cast<int>(o.left); x < cx && !ring; ++x) ring = Dark(image, x, cy);
    EXPECT_TRUE(ring) << "the left side of 'o' is drawn";
  }

  // The edit text: the player lays it out with the font's advances from where the block
  // stands; every glyph is drawn whole, inside the field.
  const Box ink = Ink(image, 260, 400);
  ASSERT_FALSE(ink.Empty()) << "the edit text drew nothing";
  const Box fieldBox{editX + fieldBounds.xmin / 20.0, editY + fieldBounds.ymin / 20.0, editX + fieldBounds.xmax / 20.0,
                     editY + fieldBounds.ymax / 20.0};
  const auto& glyphs = glyphsByCode.at(editFontId);
  const double scale = editFont.GetSize() / 1024.0;
  double pen = editX, inkRight = 0;
  for (const wchar_t* c = editText; *c != 0; ++c) {
    const auto& [advance, bounds] = glyphs.at(static_cast<uint16_t>(*c));
    if (bounds.xmax != bounds.xmin) inkRight = pen + bounds.xmax * scale;
    pen += advance * scale;
  }
  const double inkLeft = editX + glyphs.at(static_cast<uint16_t>(editText[0])).second.xmin * scale;
  EXPECT_NEAR(ink.left, inkLeft, slack) << ink;
  EXPECT_NEAR(ink.right, inkRight, 3.0) << ink << ": the last character is cut off or misplaced";
  EXPECT_GE(ink.left, fieldBox.left) << ink << " in " << fieldBox;
  EXPECT_LE(ink.right, fieldBox.right) << ink << " in " << fieldBox;
  EXPECT_GE(ink.top, fieldBox.top) << ink << " in " << fieldBox;
  EXPECT_LE(ink.bottom, fieldBox.bottom) << ink << " in " << fieldBox;
}

}  // namespace

namespace {

// Movies before version 6 carry texts as one byte per character, and their fonts keep the
// Shift-JIS flag the embedding sets (only version 6 and later clear it): an accented Latin
// text must still find its glyphs.
TEST(TextRendering, AVersion5EditTextShowsAccentedCharacters) {
  ASSERT_TRUE(testfonts::UseTestFonts());
  ASSERT_EQ(playertest::PlayerUnavailableReason(), "");
  const fs::path dir = fs::path(PLENWICK_TEST_BINARY_DIR) / "text-rendering";
  fs::create_directories(dir);
  const fs::path swf = dir / "version5.swf";
  const wchar_t* text = L"\u00C9t\u00E9 \u00E0 42\u00B0";
  const FontSpec font = Black(L"DejaVu Sans", 40);

  SwfFileWriter writer;
  writer.SetMovieParameters(11000, 8000, 12.0f, 5);
  ASSERT_TRUE(writer.Open(host::text::Utf8ToWide(swf.string()), true));
  writer.AddTag(std::make_unique<SetBackgroundColorTag>(255, 255, 255));
  FontCollection fonts;
  const WideString chars = text;
  fonts.AddFont(font, &chars, true);
  fonts.ResetEmitted();
  uint16_t nextId = 0;
  ASSERT_TRUE(fonts.CreateFontTags(writer, nextId));
  ASSERT_EQ(fonts.GetFontTags().size(), 1u);
  const DefineFont2Tag& embedded = *fonts.GetFontTags()[0];
  EXPECT_EQ(embedded.flags & DefineFont2Tag::kShiftJis, DefineFont2Tag::kShiftJis);
  std::map<uint16_t, std::pair<int16_t, SwfRect>> glyphs;
  for (size_t i = 0; i < embedded.GetGlyphCount(); ++i) {
    glyphs[embedded.codes[i]] = {embedded.advances[i], *embedded.bounds[i]};
  }

  TextBlock block;
  block.SetFont(font);
  block.SetText(text);
  auto field = block.MakeEditText(fonts, writer);
  ASSERT_NE(field, nullptr);
  field->SetCharacterId(++nextId);
  const int x = 40, y = 150;
  writer.AddTag(std::move(field));
  writer.AddTag(Place(nextId, 1, x, y));
  writer.AddTag(std::make_unique<ShowFrameTag>());
  writer.AddTag(std::make_unique<EndTag>());
  ASSERT_GT(writer.Close(), 0u);

  playertest::Movie movie;
  movie.name = "version5";
  movie.swf = swf;
  movie.frames = 2;
  movie.screenshot = dir / "version5.png";
  const playertest::PlayRun run = playertest::Play({movie}, 1);
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.at(0).error, "");
  const playertest::Image& image = run.results[0].screenshot;
  ASSERT_EQ(image.width, 550);

  const double scale = font.GetSize() / 1024.0;
  double pen = x;
  Box want;
  for (const wchar_t* c = text; *c != 0; ++c) {
    const auto& [advance, bounds] = glyphs.at(static_cast<uint16_t>(*c));
    if (bounds.xmax != bounds.xmin) want.Add(pen + bounds.xmin * scale, 0, pen + bounds.xmax * scale, 0);
    pen += advance * scale;
  }
  const Box ink = Ink(image, 0, 400);
  ASSERT_FALSE(ink.Empty()) << "nothing drawn; see " << movie.screenshot.string();
  EXPECT_NEAR(ink.left, want.left, 2.0) << ink;
  EXPECT_NEAR(ink.right, want.right, 3.0) << ink << ": characters are missing or misplaced";
  // The accents stand above the capital's height: 'É' reaches higher than a plain 'E' would.
  const SwfRect& e = glyphs.at(0xC9).second;
  EXPECT_LT(e.ymin, -1500 * 1024 / 2048) << "É has its accent in the embedded outline";
}

}  // namespace
