// Fonts and text: embedding a full Latin font as DefineFont2 (outlines, advances, bounds,
// kerning) and laying out 10,000 characters as static text and as an edit text. Times per glyph
// are the "per_glyph" counters. Only the DejaVu and FreeFont packages' fonts are used.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "host/Text.h"
#include "media/FontCollection.h"
#include "media/GlyphOutline.h"
#include "media/TextBlock.h"
#include "swf/SwfFileWriter.h"
#include "tests/support/TestFonts.h"

namespace {

// Printable ASCII, Latin-1 and Latin Extended-A: 319 characters.
WideString FullLatin() {
  WideString chars;
  for (wchar_t c = 0x20; c <= 0x7E; ++c) chars += c;
  for (wchar_t c = 0xA0; c <= 0x17F; ++c) chars += c;
  return chars;
}

const wchar_t* const kFamilies[] = {L"DejaVu Sans", L"FreeSerif"};  // TrueType, CFF

void BM_EmbedFullLatinFont(benchmark::State& state) {
  if (!testfonts::UseTestFonts()) {
    state.SkipWithError("the test fonts are not installed");
    return;
  }
  PlatformFont font;
  font.SetFontByName(kFamilies[state.range(0)]);
  const WideString chars = FullLatin();
  size_t kerning = 0;
  for (auto _ : state) {
    auto tag = GlyphShapeBuilder::MakeDefineFont2(font, chars, 1, true, nullptr);
    if (!tag) {
      state.SkipWithError("the font could not be embedded");
      return;
    }
    kerning = tag->kerning.size();
    benchmark::DoNotOptimize(tag.get());
  }
  state.SetLabel(host::text::WideToUtf8(kFamilies[state.range(0)]) + ", " + std::to_string(chars.size()) + " glyphs, " +
                 std::to_string(kerning) + " kerning pairs");
  state.counters["per_glyph"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(chars.size()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_EmbedFullLatinFont)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// 10,000 characters of words and blanks with a few line feeds.
WideString TenThousandCharacters() {
  const WideString words[] = {L"Loading", L"the", L"movie,", L"please", L"wait:", L"42%", L"\u00E9t\u00E9", L"done."};
  WideString text;
  for (size_t i = 0; text.size() < 10000; ++i) {
    text += words[i % 8];
    text += i % 23 == 22 ? L'\n' : L' ';
  }
  text.resize(10000);
  return text;
}

// A movie file in a private scratch folder, removed at the end.
struct ScratchMovie {
  std::string dir;
  SwfFileWriter writer;
  bool open = false;
  ScratchMovie() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plenwick-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) dir = pattern;
    writer.SetMovieParameters(11000, 8000, 12.0f, 8);
    open = writer.Open(host::text::Utf8ToWide(dir + "/bench.swf"), true);
  }
  ~ScratchMovie() {
    static_cast<void>(writer.Close());  // the benchmark only measures the writing
    std::error_code ignored;
    if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
  }
};

void BM_LayOutTenThousandCharacters(benchmark::State& state) {
  if (!testfonts::UseTestFonts()) {
    state.SkipWithError("the test fonts are not installed");
    return;
  }
  const WideString text = TenThousandCharacters();
  FontSpec spec;
  spec.SetFontByName(L"DejaVu Sans");
  spec.SetSize(12);
  spec.SetColor(0);
  ScratchMovie movie;
  if (!movie.open) {
    state.SkipWithError("no scratch movie can be written");
    return;
  }
  FontCollection fonts;
  fonts.AddFont(spec, &text, true);
  fonts.ResetEmitted();
  uint16_t nextId = 0;
  if (!fonts.CreateFontTags(movie.writer, nextId)) {
    state.SkipWithError("the font could not be embedded");
    return;
  }
  const bool staticText = state.range(0) == 0;
  for (auto _ : state) {
    if (staticText) {
      StaticTextBlock block;
      block.SetFont(spec);
      block.SetText(text);
      block.SetBounds(TextBox{0, 0, 1600, 2000});
      uint16_t id = nextId;
      auto tag = block.MakeText(fonts, movie.writer, id);
      if (!tag) {
        state.SkipWithError("the text did not fit its box");
        return;
      }
      benchmark::DoNotOptimize(tag.get());
    } else {
      TextBlock block;
      block.SetFont(spec);
      block.SetText(text);
      auto tag = block.MakeEditText(fonts, movie.writer);
      benchmark::DoNotOptimize(tag.get());
    }
  }
  state.SetLabel(staticText ? "static text, word wrap in 2000 pixels" : "edit text");
  state.counters["per_glyph"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(text.size()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LayOutTenThousandCharacters)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
