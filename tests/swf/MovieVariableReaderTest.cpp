// The variables of a movie's first-frame scripts: small movies written with the movie writer
// for each behaviour, the corpus movies, and damaged movies that must give an answer, never a
// fault or a hang.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "swf/ActionConstantPool.h"
#include "swf/ActionGeneric.h"
#include "swf/ActionPush.h"
#include "swf/ControlTags.h"
#include "swf/DisplayListTags.h"
#include "swf/DoActionTag.h"
#include "swf/MovieVariableReader.h"
#include "swf/SwfCompression.h"
#include "swf/SwfFileWriter.h"
#include "tests/swf/SwfTestSupport.h"

namespace {

namespace fs = std::filesystem;
using swftest::Bytes;

// --- Movies of scripts ---------------------------------------------------------------------

// A value of a Push.
struct Value {
  uint8_t type;
  std::wstring text;
  double number = 0;
  int integer = 0;
};
Value Str(std::wstring text) { return {PushValue::kString, std::move(text)}; }
Value Int(int v) { return {PushValue::kInteger, L"", 0, v}; }
Value Dbl(double v) { return {PushValue::kDouble, L"", v}; }
Value Flt(float v) { return {PushValue::kFloat, L"", v}; }
Value Bool(bool v) { return {PushValue::kBoolean, L"", 0, v ? 1 : 0}; }
Value Null() { return {PushValue::kNull, L""}; }
Value Undef() { return {PushValue::kUndefined, L""}; }
Value Reg(int n) { return {PushValue::kRegister, L"", 0, n}; }
Value Const(int index) { return {PushValue::kConstant8, L"", 0, index}; }
Value Const16(int index) { return {PushValue::kConstant16, L"", 0, index}; }

// An action of a script: a Push of values, a constant pool, or any action by its code.
struct Action {
  std::vector<Value> values;
  std::vector<std::wstring> pool;
  uint8_t code;
  std::optional<Bytes> payload;  // written as these bytes, whatever the code
};
Action Push(std::vector<Value> values) { return {std::move(values), {}, 0x96, std::nullopt}; }
Action Pool(std::vector<std::wstring> strings) { return {{}, std::move(strings), 0x88, std::nullopt}; }
Action Set() { return {{}, {}, 0x1D, std::nullopt}; }
Action Op(uint8_t code) { return {{}, {}, code, std::nullopt}; }
Action Raw(uint8_t code, Bytes payload) { return {{}, {}, code, std::move(payload)}; }

using Script = std::vector<Action>;  // one DoAction tag
using Frame = std::vector<Script>;   // the DoAction tags of a frame
using Movie = std::vector<Frame>;

std::unique_ptr<DoActionTag> MakeDoAction(const Script& script) {
  auto tag = std::make_unique<DoActionTag>();
  for (const Action& a : script) {
    if (a.payload) {
      tag->AddAction(std::make_unique<ActionGeneric>(a.code, *a.payload));
    } else if (a.code == 0x96) {
      auto push = std::make_unique<ActionPush>();
      for (const Value& v : a.values) {
        switch (v.type) {
          case PushValue::kString: push->AddString(v.text); break;
          case PushValue::kInteger: push->AddInteger(v.integer); break;
          case PushValue::kDouble: push->AddDouble(v.number); break;
          case PushValue::kFloat: push->AddFloat(static_cast<float>(v.number)); break;
          case PushValue::kBoolean: push->AddBoolean(v.integer != 0); break;
          case PushValue::kNull: push->AddNull(); break;
          case PushValue::kUndefined: push->AddUndefined(); break;
          case PushValue::kRegister: push->AddRegister(static_cast<uint8_t>(v.integer)); break;
          case PushValue::kConstant8: push->AddConstant8(v.integer); break;
          default: push->AddConstant16(v.integer); break;
        }
      }
      tag->AddAction(std::move(push));
    } else if (a.code == 0x88) {
      auto pool = std::make_unique<ActionConstantPool>();
      for (const std::wstring& s : a.pool) pool->strings.push_back(s);
      tag->AddAction(std::move(pool));
    } else {
      tag->AddAction(CreateActionForCode(a.code));
    }
  }
  return tag;
}

// Writes the movie with the movie writer: each frame's scripts, then its ShowFrame; End.
bool WriteMovie(const WideString& path, const Movie& movie, uint8_t version = 6, float rate = 12.0f) {
  SwfFileWriter writer;
  writer.SetMovieParameters(11000, 8000, rate, version);
  if (!writer.Open(path, true)) return false;
  for (const Frame& frame : movie) {
    for (const Script& script : frame) writer.AddTag(MakeDoAction(script));
    writer.AddTag(std::make_unique<ShowFrameTag>());
  }
  writer.AddTag(std::make_unique<EndTag>());
  return writer.Close() != 0;
}

// What a name gives: its value, or nothing.
using Lookups = std::vector<std::pair<std::wstring, std::optional<std::wstring>>>;

void ExpectLookups(const MovieVariableReader& reader, const Lookups& lookups) {
  for (const auto& [name, expected] : lookups) {
    SCOPED_TRACE(WideToUtf8(name));
    WideString value = L"(unchanged)";
    const bool found = reader.GetValue(name, value);
    EXPECT_EQ(found, expected.has_value());
    EXPECT_EQ(value, expected.value_or(L"(unchanged)"));
  }
}

const std::wstring kLongText(300, L'v');

// The C library's "%f" of the value, in the C locale the tests run in.
std::wstring PrintedFixed(double value) {
  char buffer[512];
  const int n = std::snprintf(buffer, sizeof buffer, "%f", value);
  return std::wstring(buffer, buffer + n);
}

TEST(MovieVariableReader, ScriptsOfTheFirstFrames) {
  struct Case {
    const char* label;
    Movie movie;
    int extraFrames;
    Lookups lookups;
  };
  const std::vector<Case> cases = {
      {"a literal assignment, found in any case of A to Z",
       {{{Push({Str(L"type"), Str(L"bar")}), Set()}}},
       0,
       {{L"type", L"bar"}, {L"TYPE", L"bar"}, {L"tYpE", L"bar"}, {L"typ", std::nullopt}, {L"types", std::nullopt}}},
      {"numbers and the other values as text",
       {{{Push({Str(L"i"), Int(120), Str(L"d"), Dbl(120)}), Set(), Set(),
          Push({Str(L"neg"), Int(-7), Str(L"f"), Flt(1.5f), Str(L"tenth"), Dbl(0.1)}), Set(), Set(), Set(),
          Push({Str(L"t"), Bool(true), Str(L"u"), Bool(false), Str(L"n"), Null(), Str(L"x"), Undef()}), Set(), Set(),
          Set(), Set()}}},
       0,
       {{L"i", L"120"},
        {L"d", L"120.000000"},
        {L"neg", L"-7"},
        {L"f", L"1.500000"},
        {L"tenth", L"0.100000"},
        {L"t", L"true"},
        {L"u", L"false"},
        {L"n", L"NULL"},
        {L"x", L"UNDEF"}}},
      {"the first of two assignments to a name wins, whatever its case",
       {{{Push({Str(L"name"), Str(L"first"), Str(L"NAME"), Str(L"second")}), Set(), Set(),
          Push({Str(L"Name"), Str(L"third")}), Set()}}},
       0,
       {{L"name", L"second"}}},
      {"constant indexes of the pool, 8-bit and 16-bit; past the end the last string",
       {{{Pool({L"name", L"bar", L"other"}), Push({Const(0), Const(1)}), Set(), Push({Str(L"far"), Const16(9)}),
          Set()}}},
       0,
       {{L"name", L"bar"}, {L"far", L"other"}}},
      {"a pool stays current across the DoAction tags of a frame until another replaces it",
       {{{Pool({L"p", L"q"})},
         {Push({Const(0), Const(1)}), Set()},
         {Pool({L"r", L"s"}), Push({Const(0), Const(1)}), Set()}}},
       0,
       {{L"p", L"q"}, {L"r", L"s"}}},
      {"a constant index before any pool, or into an empty pool, gives nothing",
       {{{Push({Str(L"a"), Const(0)}), Set(), Pool({}), Push({Str(L"b"), Str(L"c"), Const(0)}), Set()}}},
       0,
       {{L"a", std::nullopt}, {L"b", L"c"}}},
      {"a register value adds nothing, so the assignment takes the text before it",
       {{{Push({Str(L"r"), Str(L"x"), Reg(1)}), Set()}}},
       0,
       {{L"r", L"x"}}},
      {"other actions leave the values as they are; computed values are not evaluated",
       {{{Push({Str(L"sum"), Int(1), Int(2)}), Op(0x47), Set(), Op(0x07), Push({Str(L"g")}), Op(0x1C)}}},
       0,
       {{L"sum", std::nullopt}, {L"1", L"2"}}},
      {"a Push whose bytes do not fit its layout pushes nothing",
       {{{Push({Str(L"a")}), Raw(0x96, {10, 'z', 0}), Push({Str(L"b")}), Set()}}},
       0,
       {{L"a", L"b"}, {L"z", std::nullopt}}},
      {"a pool whose count disagrees with its strings leaves no strings to refer to",
       {{{Pool({L"old"}), Raw(0x88, {5, 0, 'x', 0, 'y', 0}), Push({Str(L"c"), Const(0)}), Set(),
          Push({Str(L"d"), Str(L"e")}), Set()}}},
       0,
       {{L"c", std::nullopt}, {L"d", L"e"}}},
      {"a SetVariable with one value or none assigns nothing",
       {{{Set(), Push({Str(L"lonely")}), Set(), Push({Str(L"k"), Str(L"v")}), Set()}}},
       0,
       {{L"lonely", std::nullopt}, {L"k", L"v"}}},
      {"a variable of the second frame needs one extra frame",
       {{{Push({Str(L"a"), Int(1)}), Set()}},
        {{Push({Str(L"b"), Int(2)}), Set()}},
        {{Push({Str(L"c"), Int(3)}), Set()}}},
       0,
       {{L"a", L"1"}, {L"b", std::nullopt}, {L"c", std::nullopt}}},
      {"one extra frame",
       {{{Push({Str(L"a"), Int(1)}), Set()}},
        {{Push({Str(L"b"), Int(2)}), Set()}},
        {{Push({Str(L"c"), Int(3)}), Set()}}},
       1,
       {{L"a", L"1"}, {L"b", L"2"}, {L"c", std::nullopt}}},
      {"a value longer than 255 characters is cut to 255; the name is kept whole",
       {{{Push({Str(L"long"), Str(kLongText), Str(kLongText), Str(L"x")}), Set(), Set()}}},
       0,
       {{L"long", kLongText.substr(0, 255)}, {kLongText, L"x"}, {kLongText.substr(0, 255), std::nullopt}}},
      {"the largest double is cut like any long text",
       {{{Push({Str(L"big"), Dbl(1e308)}), Set()}}},
       0,
       {{L"big", PrintedFixed(1e308).substr(0, 255)}}},
      {"a movie without scripts gives no variables", {{}}, 0, {{L"type", std::nullopt}}},
  };
  swftest::ScratchDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const WideString path = dir.Path("movie.swf");
    ASSERT_TRUE(WriteMovie(path, c.movie));
    MovieVariableReader reader;
    ASSERT_TRUE(reader.ReadFile(path, c.extraFrames));
    ExpectLookups(reader, c.lookups);
  }
}

TEST(MovieVariableReader, StageSizeRateAndVersionsOfBothForms) {
  swftest::ScratchDir dir;
  const Movie movie = {{{Push({Str(L"name"), Str(L"caf\u00e9"), Str(L"w"), Int(300)}), Set(), Set()}}};
  for (uint8_t version : {5, 6, 8}) {
    SCOPED_TRACE(version);
    const WideString plain = dir.Path("plain.swf");
    const WideString packed = dir.Path("packed.swf");
    ASSERT_TRUE(WriteMovie(plain, movie, version, 24.5f));
    ASSERT_TRUE(CompressSwfFile(plain, packed, true));
    for (const WideString& path : {plain, packed}) {
      MovieVariableReader reader;
      ASSERT_TRUE(reader.ReadFile(path, 0));
      EXPECT_EQ(reader.GetStageWidth(), 11000);
      EXPECT_EQ(reader.GetStageHeight(), 8000);
      EXPECT_DOUBLE_EQ(reader.GetFrameRate(), 24.5);
      EXPECT_EQ(reader.GetVariableCount(), 2u);
      ExpectLookups(reader, {{L"name", L"caf\u00e9"}, {L"W", L"300"}});
    }
  }
}

TEST(MovieVariableReader, UnreadableFilesGiveFalseAndAnEmptyReader) {
  swftest::ScratchDir dir;
  const WideString good = dir.Path("good.swf");
  ASSERT_TRUE(WriteMovie(good, {{{Push({Str(L"a"), Str(L"b")}), Set()}}}));
  const Bytes movie = swftest::ReadFile(dir.Native("good.swf"));
  swftest::WriteFile(dir.Native("text.swf"), Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'});
  swftest::WriteFile(dir.Native("header-cut.swf"), Bytes(movie.begin(), movie.begin() + 12));
  swftest::WriteFile(dir.Native("empty.swf"), Bytes());
  Bytes broken;
  ASSERT_TRUE(DeflateSwf(movie.data(), movie.size(), broken));
  broken.resize(broken.size() - 6);  // the zlib stream ends early
  swftest::WriteFile(dir.Native("broken.swf"), broken);
  fs::create_directory(dir.Native("folder.swf"));

  for (const char* name : {"missing.swf", "text.swf", "header-cut.swf", "empty.swf", "broken.swf", "folder.swf"}) {
    SCOPED_TRACE(name);
    MovieVariableReader reader;
    EXPECT_FALSE(reader.ReadFile(dir.Path(name), 0));
    EXPECT_EQ(reader.GetVariableCount(), 0u);
    EXPECT_EQ(reader.GetStageWidth(), 0);
    WideString value = L"kept";
    EXPECT_FALSE(reader.GetValue(L"a", value));
    EXPECT_EQ(value, L"kept");
  }
  // A failed second reading leaves the first one's variables and stage as they were.
  MovieVariableReader reader;
  ASSERT_TRUE(reader.ReadFile(good, 0));
  EXPECT_FALSE(reader.ReadFile(dir.Path("text.swf"), 0));
  ExpectLookups(reader, {{L"a", L"b"}});
  EXPECT_EQ(reader.GetStageWidth(), 11000);
}

TEST(MovieVariableReader, ASecondMovieAddsItsVariablesAndTheFirstWins) {
  swftest::ScratchDir dir;
  const WideString first = dir.Path("first.swf");
  const WideString second = dir.Path("second.swf");
  // The first movie leaves a name and a pool behind; neither reaches into the second.
  ASSERT_TRUE(WriteMovie(first, {{{Push({Str(L"left"), Str(L"type"), Str(L"bar")}), Set(), Pool({L"p0"})}}}));
  ASSERT_TRUE(WriteMovie(second, {{{Push({Str(L"TYPE"), Str(L"ring"), Str(L"name"), Str(L"round")}), Set(), Set(),
                                    Push({Str(L"orphan"), Const(0)}), Set()}}}));
  MovieVariableReader reader;
  ASSERT_TRUE(reader.ReadFile(first, 0));
  ASSERT_TRUE(reader.ReadFile(second, 0));
  ExpectLookups(reader, {{L"type", L"bar"}, {L"name", L"round"}, {L"left", std::nullopt}, {L"orphan", std::nullopt}});
}

TEST(MovieVariableReader, NumbersAndNamesDoNotFollowTheUserLocale) {
  swftest::ScratchDir dir;
  const WideString path = dir.Path("movie.swf");
  ASSERT_TRUE(WriteMovie(
      path,
      {{{Push({Str(L"half"), Dbl(0.5), Str(L"f"), Flt(2.25f), Str(L"\u00c4rger"), Str(L"x"), Str(L"TITLE"), Str(L"y")}),
         Set(), Set(), Set(), Set()}}}));
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  const bool german = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  MovieVariableReader reader;
  const bool read = reader.ReadFile(path, 0);
  std::setlocale(LC_ALL, previous.c_str());
  if (!german) GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (tools/install-deps.sh makes it)";
  ASSERT_TRUE(read);
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  // Only A to Z are folded: the German mapping of a-umlaut, and the Turkish one of i, never apply.
  ExpectLookups(reader, {{L"half", L"0.500000"},
                         {L"F", L"2.250000"},
                         {L"\u00c4rger", L"x"},
                         {L"\u00e4rger", std::nullopt},
                         {L"title", L"y"},
                         {L"t\u0131tle", std::nullopt}});
  std::setlocale(LC_ALL, previous.c_str());
}

// --- Limits on what a scan holds -----------------------------------------------------------

TEST(MovieVariableReader, ValuesBeyondTheStackLimitDropTheOldest) {
  // Far more values than the reader keeps, pushed in Push actions of 10000 integers, then one
  // assignment: it pairs the two newest values.
  Script script = {Push({Str(L"bottom"), Str(L"b")})};
  const size_t total = MovieVariableReader::kMaxPendingValues + 30000;
  for (size_t pushed = 0; pushed < total; pushed += 10000) {
    std::vector<Value> values(10000, Int(5));
    script.push_back(Push(std::move(values)));
  }
  script.push_back(Push({Str(L"n"), Str(L"v")}));
  script.push_back(Set());
  // Assignments that pop every kept value and more: the oldest values were dropped.
  for (size_t i = 0; i < MovieVariableReader::kMaxPendingValues / 2 + 1000; ++i) script.push_back(Set());
  swftest::ScratchDir dir;
  const WideString path = dir.Path("deep.swf");
  ASSERT_TRUE(WriteMovie(path, {{script}}));
  MovieVariableReader reader;
  ASSERT_TRUE(reader.ReadFile(path, 0));
  ExpectLookups(reader, {{L"n", L"v"}, {L"5", L"5"}, {L"bottom", std::nullopt}});
  EXPECT_EQ(reader.GetVariableCount(), 2u);
}

TEST(MovieVariableReader, AScanEndsWhenItsPushesHaveMadeTooMuchText) {
  // A pool string of 60000 characters referenced a few bytes at a time would otherwise turn a
  // small movie into gigabytes of text.
  const std::wstring huge(60000, L'h');
  Script script = {Pool({huge, L"early"}), Push({Const(1), Str(L"yes")}), Set()};
  for (int i = 0; i < 200; ++i) {
    script.push_back(Push(std::vector<Value>(1000, Const(0))));
    script.push_back(Push({Str(L"late"), Str(L"no")}));
    script.push_back(Set());
  }
  swftest::ScratchDir dir;
  const WideString path = dir.Path("amplified.swf");
  ASSERT_TRUE(WriteMovie(path, {{script}, {{Push({Str(L"next"), Str(L"frame")}), Set()}}}));
  const auto start = std::chrono::steady_clock::now();
  MovieVariableReader reader;
  ASSERT_TRUE(reader.ReadFile(path, 1));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  ExpectLookups(reader, {{L"early", L"yes"}, {L"late", std::nullopt}, {L"next", std::nullopt}});
}

// --- Real and damaged movies ---------------------------------------------------------------

std::vector<fs::path> CorpusMovies() {
  std::vector<fs::path> movies;
  const fs::path root(PLENWICK_CORPUS_DIR);
  std::error_code ec;
  if (!fs::is_directory(root, ec)) return movies;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file() && entry.path().extension() == ".swf") movies.push_back(entry.path());
  }
  std::sort(movies.begin(), movies.end());
  return movies;
}

// The value texts a reader hands out respect the length limit.
void ExpectBoundedValues(const MovieVariableReader& reader, const std::vector<std::wstring>& names) {
  for (const std::wstring& name : names) {
    WideString value;
    if (reader.GetValue(name, value)) {
      EXPECT_LE(value.size(), MovieVariableReader::kMaxValueLength);
    }
  }
}

TEST(MovieVariableReader, CorpusMoviesOpenAsTheLoaderOpensThem) {
  const std::vector<fs::path> movies = CorpusMovies();
  if (movies.empty()) GTEST_SKIP() << "no corpus at " << PLENWICK_CORPUS_DIR;
  int opened = 0;
  int withVariables = 0;
  size_t variables = 0;
  for (const fs::path& movie : movies) {
    SCOPED_TRACE(movie.string());
    const WideString path = Utf8ToWide(movie.string());
    SwfReader loader;
    const bool loads = loader.LoadFileWithOptions(path, true, 0, false);
    MovieVariableReader reader;
    const bool read = reader.ReadFile(path, 0);
    EXPECT_EQ(read, loads);
    if (!read) continue;
    ++opened;
    EXPECT_EQ(reader.GetStageWidth(), loader.GetFrameWidth());
    EXPECT_EQ(reader.GetStageHeight(), loader.GetFrameHeight());
    if (reader.GetVariableCount() > 0) ++withVariables;
    variables += reader.GetVariableCount();
  }
  std::cout << "[ corpus   ] " << opened << " of " << movies.size() << " movies read; " << withVariables
            << " set variables in their first frame, " << variables << " names in all" << std::endl;
  EXPECT_GT(opened, 0);
}

Bytes Mutate(Bytes bytes, std::mt19937& rng) {
  if (bytes.empty()) return bytes;
  std::uniform_int_distribution<size_t> at(0, bytes.size() - 1);
  const int edits = 1 + static_cast<int>(rng() % 8);
  for (int i = 0; i < edits; ++i) {
    switch (rng() % 4) {
      case 0: bytes[at(rng)] = static_cast<uint8_t>(rng()); break;
      case 1: bytes[at(rng)] = 0xFF; break;
      case 2: bytes[at(rng)] = 0x00; break;
      default: bytes[at(rng)] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
    }
  }
  return bytes;
}

TEST(MovieVariableReader, CutAndMutatedMoviesGiveAnAnswerNotAFault) {
  swftest::ScratchDir dir;
  const Movie script = {
      {{Pool({L"format", L"plenwick", L"type", L"bar", L"base_width"}), Push({Const(0), Const(1)}), Set(),
        Push({Const(2), Const(3), Const(4), Int(200), Str(L"bgcolor"), Dbl(16777215)}), Set(), Set(), Set()},
       {Push({Str(L"name"), Str(L"Plain bar"), Reg(0)}), Set()}},
      {{Push({Str(L"later"), Bool(true)}), Set()}}};
  const WideString plainPath = dir.Path("fixture.swf");
  ASSERT_TRUE(WriteMovie(plainPath, script, 6));
  const Bytes plain = swftest::ReadFile(dir.Native("fixture.swf"));
  Bytes packed;
  ASSERT_TRUE(DeflateSwf(plain.data(), plain.size(), packed));
  const std::vector<std::wstring> names = {L"format", L"type", L"base_width", L"bgcolor", L"name", L"later"};

  const WideString path = dir.Path("damaged.swf");
  auto readBytes = [&](const Bytes& bytes, int extraFrames) {
    // A new file each time: truncating a written file makes some file systems flush it.
    fs::remove(dir.Native("damaged.swf"));
    swftest::WriteFile(dir.Native("damaged.swf"), bytes);
    MovieVariableReader reader;
    static_cast<void>(reader.ReadFile(path, extraFrames));  // damaged bytes may read or not: either is right
    ExpectBoundedValues(reader, names);
    return reader.GetVariableCount();
  };

  // Every cut of the plain movie reads; a cut before the first assignment's end finds less.
  size_t full = 0;
  for (size_t n = 0; n <= plain.size(); ++n) {
    const size_t found = readBytes(Bytes(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(n)), 1);
    EXPECT_LE(found, 6u);
    if (n == plain.size()) full = found;
  }
  EXPECT_EQ(full, 6u);
  for (size_t n = 0; n < packed.size(); n += 3)
    readBytes(Bytes(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(n)), 0);

  std::mt19937 rng(20261211);
  for (int i = 0; i < 1500; ++i) readBytes(Mutate(i % 3 == 2 ? packed : plain, rng), i % 2);

  // Real movies, damaged the same way.
  const std::vector<fs::path> movies = CorpusMovies();
  size_t step = std::max<size_t>(1, movies.size() / 40);
  for (size_t m = 0; m < movies.size(); m += step) {
    const Bytes original = swftest::ReadFile(movies[m].string());
    if (original.size() > (1u << 20)) continue;
    for (int i = 0; i < 25; ++i) readBytes(Mutate(original, rng), 0);
  }
}

}  // namespace
