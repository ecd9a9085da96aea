// Compiled scripts run in a real player.
//
// SelfChecking: scripts of our own, each check tracing "PASSED: name" when the player computed
// what the language says, else "FAILED: name: got ...". Every script runs at SWF 5, 6 and 7
// unless its versions say otherwise, and must trace exactly the PASSED line of every check.
// A second script per version checks over later frames what loading into levels did. Every
// compiled movie's actions pass the action checker and the AVM1 verifier.
//
// RuffleCorpus: the ActionScript sources of the ruffle-avm1 corpus, chosen by rule: the folder
// holds test.as, test.swf and output.txt, the movie's version is 5 or more, and our compiler
// accepts the text. Each is compiled at the movie's version and frame count, its actions must
// pass the action checker and the AVM1 verifier, and its trace is compared with output.txt.
// The counts are printed; the movies listed in kMatching matched when they were last looked at
// and must go on matching.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/ActionChecker.h"
#include "tests/support/AvmVerifier.h"
#include "tests/support/PlayerRunner.h"

namespace {

namespace fs = std::filesystem;

class Folder {
 public:
  Folder() {
    std::string pattern = (fs::temp_directory_path() / "plenwick-reference-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~Folder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

std::string Quote(const fs::path& path) {
  std::string text = "'";
  for (char c : path.string()) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return text + "'";
}

// Runs the driver; the exit status, and stderr in `error`.
int CompileScript(const fs::path& script, int version, int frames, const fs::path& out, const fs::path& errFile,
                  std::string& error) {
  const std::string command = std::string(Quote(PLENWICK_COMPILE_SCRIPT)) + " " + Quote(script) + " " +
                              std::to_string(version) + " " + std::to_string(frames) + " " + Quote(out) + " 2>" +
                              Quote(errFile);
  const int raw = std::system(command.c_str());
  error = playertest::ReadTextFile(errFile);
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

struct Check {
  const char* name;
  const char* setup;  // statements run before the check
  const char* got;    // an expression
  const char* want;   // an expression of the same type
  int minVersion = 5;
  int maxVersion = 255;
};

// Each check compares typeof and value, so a number never passes for a string.
const Check kChecks[] = {
    {"precedence", "", "1 + 2 * 3 - 4 / 2", "5"},
    {"modulo and unary minus", "", "-7 % 3", "-1"},
    {"string concatenation", "", "\"a\" + 1 + 2", "\"a12\""},
    {"numbers added before the string", "", "1 + 2 + \"a\"", "\"3a\""},
    {"exponent literal", "", "1e5 + 2.5e-1", "100000.25"},
    {"hexadecimal literal", "", "0xFF + 0x10", "271"},
    {"leading zeros", "", "007 + 1", "8"},
    {"escapes", "", "\"a\\tb\\u0042\\\\\".length", "5"},
    {"escaped quote", "", "'it\\'s' + \"\\\"\"", "\"it's\\\"\""},
    {"bit operators", "", "(5 & 3) + (5 | 3) * 10 + (5 ^ 3) * 100", "671"},
    {"shifts", "", "(1 << 4) + (-16 >> 2) + (-1 >>> 28)", "27"},
    {"comparisons", "", "(1 < 2) && (2 <= 2) && (3 > 2) && (3 >= 3) && (1 != 2) && !(1 == 2)", "true"},
    {"string comparison", "", "\"abc\" < \"abd\"", "true"},
    {"logical values", "", "(0 || \"x\") + (1 && \"y\")", "\"xy\""},
    {"or inside a sum", "a = 0;", "(a || 0) + 1", "1"},
    {"conditional as an argument", "function id(v) { return v; } c = false;", "id(c ? 1 : 2) * 10 + id(c ? 3 : 4)",
     "24"},
    {"conditional member", "c = true;", "(c ? \"abc\" : \"de\").length", "3"},
    {"nested conditionals", "n = 5;", "n < 0 ? \"neg\" : n == 0 ? \"zero\" : \"pos\"", "\"pos\""},
    {"compound assignment", "x = 5; x += 3; x *= 2; x -= 1; x /= 3; x %= 4;", "x", "1"},
    {"shift assignments", "s = 1; s <<= 5; s >>= 1; s |= 1; s &= 7; s ^= 2;", "s", "3"},
    {"increments", "i = 1; j = i++; k = ++i; i--; --i;", "i * 100 + j * 10 + k", "113"},
    {"member increments", "o = new Object(); o.v = 1; o.v++; ++o.v; o[\"v\"] += 10;", "o.v", "13"},
    {"for loop", "t = 0; for (i = 1; i <= 10; i++) { t += i; }", "t", "55"},
    {"while with break and continue",
     "t = 0; i = 0; while (true) { i++; if (i > 10) { break; } if (i % 2 == 0) { continue; } t += i; }", "t", "25"},
    {"do while", "i = 0; do { i += 3; } while (i < 10);", "i", "12"},
    {"for in", "o = {a: 1, b: 2, c: 3}; t = 0; for (k in o) { t += o[k]; }", "t", "6"},
    {"return from for in", "function find(o, v) { for (k in o) { if (o[k] == v) { return k; } } return \"none\"; }",
     "find({p: 1, q: 2}, 2) + find({p: 1}, 5)", "\"qnone\""},
    {"break in for in keeps the stack", "o = {a: 1, b: 2}; n = 0; for (k in o) { n++; break; } r = 7;", "n * 10 + r",
     "17"},
    {"recursion", "function fact(n) { if (n <= 1) { return 1; } return n * fact(n - 1); }", "fact(6)", "720"},
    {"function before its definition", "early = later(4); function later(v) { return v + 1; }", "early", "5"},
    {"local variables", "g = 1; function f() { var g = 2; return g; }", "f() * 10 + g", "21"},
    {"function literal", "sq = function (v) { return v * v; };", "sq(7)", "49"},
    {"array literal", "a = [1, 2, 3];", "a.length * 10 + a[2]", "33"},
    {"object literal", "o = {name: \"n\", size: 4};", "o.name + o.size", "\"n4\""},
    {"new with arguments", "a = new Array(4);", "a.length", "4"},
    {"method calls", "", "\"hello\".toUpperCase() + \"abc\".charAt(1) + \"a,b\".split(\",\").length", "\"HELLOb2\""},
    {"delete", "o = new Object(); o.z = 1; delete o.z;", "typeof(o.z)", "\"undefined\""},
    {"typeof", "", "typeof(1) + typeof(\"s\") + typeof(true) + typeof(new Object())", "\"numberstringbooleanobject\""},
    {"with", "o = new Object(); o.inner = 9; with (o) { seen = inner; }", "seen", "9"},
    {"built-in constants", "", "Math.floor(Math.PI * 100) + Key.LEFT", "351"},
    {"built-in functions", "", "Number(\"7\") + parseInt(\"12\")", "19"},
    {"string methods", "s = \"abcdef\"; b = \"B\";", "s.substring(1, 4) + String.fromCharCode(65) + b.charCodeAt(0)",
     "\"bcdA66\""},
    {"eval", "v1 = 11;", "eval(\"v\" + 1)", "11"},
    {"set", "set(\"dyn\", 3);", "dyn", "3"},
    {"non-ASCII characters", "", "\"caf\xC3\xA9\".length", "4"},
    {"instanceof", "a = new Array();", "a instanceof Array", "true", 6},
    {"names ignore case", "MixedCase = 3;", "mixedcase", "3", 5, 6},
    {"names keep their case", "MixedCase = 3;", "typeof(mixedcase)", "\"undefined\"", 7},
    {"undefined as a string", "", "\"[\" + undefinedName + \"]\"", "\"[]\"", 5, 6},
    {"undefined as a string", "", "\"[\" + undefinedName + \"]\"", "\"[undefined]\"", 7},
    // Calls of a value: the result of a call, a function literal, the result of a method.
    {"call of a call's result", "function quad(v) { return v * 4; } function pick(n) { return n == 4 ? quad : null; }",
     "pick(4)(5)", "20"},
    {"call of a function literal", "", "(function (v) { return v * 3; })(7)", "21"},
    {"call of a method's result", "maker = new Object(); maker.get = function () { return quad; };", "maker.get()(2)",
     "8"},
    // Targets of compound assignments and increments are evaluated once.
    {"compound assignment evaluates its target once",
     "gets = 0; box = new Object(); box.n = 1; function getBox() { gets++; return box; } getBox().n += 5;",
     "box.n * 10 + gets", "61"},
    {"compound assignment of a subscript with an increment", "arr = [1, 2, 3]; ai = 0; arr[ai++] += 10;",
     "arr[0] * 100 + arr[1] * 10 + ai", "1121"},
    {"increments evaluate their target once",
     "gets = 0; box.n = 1; getBox().n++; pre = ++getBox().n; post = getBox().n--;",
     "box.n * 1000 + gets * 100 + pre * 10 + post", "2333"},
    {"var declares every name of its list",
     "vb = 9; function declare() { var va = 1, vb = 2; return va + vb; } vs = declare();", "vb * 10 + vs", "93"},
    // Operands are evaluated from left to right.
    {"greater evaluates its left operand first",
     "order = \"\"; function logged(v) { order += v; return v; } gt = logged(2) > logged(1);", "order + gt",
     "\"21true\""},
    {"less or equal evaluates its left operand first", "order = \"\"; le = logged(3) <= logged(4);", "order + le",
     "\"34true\""},
    // Global functions the player has as actions.
    {"int", "", "int(3.7) + int(-3.7) * 10", "-27"},
    {"random", "", "random(1)", "0"},
    {"length", "", "length(\"abcd\")", "4"},
    {"substring", "", "substring(\"hello\", 2, 3)", "\"ell\""},
    {"chr and ord", "", "chr(65) + ord(\"B\")", "\"A66\""},
    {"mbchr and mbord", "", "mbchr(67) + mbord(\"D\")", "\"C68\""},
    {"mblength and mbsubstring", "", "mblength(\"abcde\") + mbsubstring(\"hello\", 2, 3)", "\"5ell\""},
};

// Checks of what happens over later frames: movies and variables loaded into levels. The
// script runs again each time its two-frame movie loops; `step` counts the runs. An unloaded
// level has no frames (or is gone, as undefined).
const char* const kLevelScript =
    "if (step == undefined) {\n"
    "  step = 0;\n"
    "  level = 6;\n"
    "  loadVariablesNum(\"vars.txt\", 0);\n"
    "  loadMovieNum(\"child.swf\", 5);\n"
    "  loadMovieNum(\"child.swf\", level);\n"
    "}\n"
    "step++;\n"
    "if (step == 4) {\n"
    "  check(\"loadVariablesNum\", fromFile, \"yes\");\n"
    "  check(\"loadMovieNum\", _level5.childLoaded, true);\n"
    "  check(\"loadMovieNum with a level in a variable\", _level6.childLoaded, true);\n"
    "  unloadMovieNum(5);\n"
    "  unloadMovieNum(level);\n"
    "}\n"
    "if (step == 6) {\n"
    "  check(\"unloadMovieNum\", !(_level5._totalframes > 0) && !(_level6._totalframes > 0), true);\n"
    "}\n";
const char* const kLevelChecks[] = {"loadVariablesNum", "loadMovieNum", "loadMovieNum with a level in a variable",
                                    "unloadMovieNum"};

const char* const kCheckFunction =
    "function check(name, got, want) {\n"
    "  if (typeof(got) == typeof(want) && got == want) { trace(\"PASSED: \" + name); }\n"
    "  else { trace(\"FAILED: \" + name + \": got \" + got + \" (\" + typeof(got) + \"), want \" + want); }\n"
    "}\n";

// The checks of a version. The text starts with a UTF-8 byte-order mark, as many editors save
// scripts.
std::string ScriptFor(int version, std::vector<std::string>& expected) {
  std::string text = std::string("\xEF\xBB\xBF") + kCheckFunction;
  for (const Check& c : kChecks) {
    if (version < c.minVersion || version > c.maxVersion) continue;
    text += std::string(c.setup) + "\ncheck(\"" + c.name + "\", " + c.got + ", " + c.want + ");\n";
    expected.push_back(std::string("PASSED: ") + c.name);
  }
  return text;
}

// Every action list of a compiled movie must pass the action checker and the AVM1 verifier.
std::string ActionProblems(const fs::path& movie) {
  std::vector<actioncheck::MovieActionList> lists;
  std::string error;
  if (!actioncheck::CollectMovieActionLists(movie.string(), lists, error)) return error;
  std::string problems;
  for (const actioncheck::MovieActionList& list : lists) {
    const actioncheck::CheckResult checked = actioncheck::CheckActionList(list.bytes);
    if (!checked.Ok()) problems += list.where + ": " + checked.Report() + "\n";
    const avmverify::VerifyResult verified = avmverify::VerifyActionBlock(list.bytes);
    if (!verified.Ok()) problems += list.where + ": " + verified.Report() + "\n";
  }
  return problems;
}

TEST(CompiledScriptPlayback, SelfCheckingScriptsPassAtSwf5To7) {
  ASSERT_EQ(playertest::PlayerUnavailableReason(), "");
  Folder folder;
  std::vector<playertest::Movie> movies;
  std::vector<std::vector<std::string>> expected;
  for (int version : {5, 6, 7}) {
    const fs::path dir = folder.Path() / ("v" + std::to_string(version));
    fs::create_directories(dir);
    expected.emplace_back();
    WriteFile(dir / "checks.as", ScriptFor(version, expected.back()));
    WriteFile(dir / "levels.as", std::string(kCheckFunction) + kLevelScript);
    WriteFile(dir / "child.as", "childLoaded = true;\n");
    WriteFile(dir / "vars.txt", "fromFile=yes");
    for (const char* name : {"checks", "levels", "child"}) {
      SCOPED_TRACE(std::string(name) + " at SWF " + std::to_string(version));
      const fs::path swf = dir / (std::string(name) + ".swf");
      std::string error;
      ASSERT_EQ(CompileScript(dir / (std::string(name) + ".as"), version, name == std::string("levels") ? 2 : 1, swf,
                              dir / "err.txt", error),
                0)
          << error;
      EXPECT_EQ(ActionProblems(swf), "");
    }
    movies.push_back({"checks-swf" + std::to_string(version), dir / "checks.swf", dir, 1, 60000});
    movies.push_back({"levels-swf" + std::to_string(version), dir / "levels.swf", dir, 16, 60000});
    expected.emplace_back();
    for (const char* name : kLevelChecks) expected.back().push_back(std::string("PASSED: ") + name);
  }
  const playertest::PlayRun run = playertest::Play(movies, 3);
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.results.size(), movies.size());
  for (size_t i = 0; i < movies.size(); ++i) {
    SCOPED_TRACE(movies[i].name);
    EXPECT_EQ(run.results[i].error, "");
    std::string log;
    for (const std::string& line : expected[i]) log += line + "\n";
    EXPECT_EQ(playertest::DescribeTraceDifference(run.results[i].trace, log), "")
        << playertest::TraceText(run.results[i].trace);
  }
}

// Corpus movies whose compiled source traced its recorded output when last run.
const std::set<std::string> kMatching = {
    "array_constructor",
    "array_properties",
    "array_trivial",
    "edittext_html_color",
    "focusrect_mouse_swf9",
    "form_loader_encoding_1",
    "globals_swf8",
    "localconnection_top_level",
    "sound_getters",
    "sound_start_load",
    "text_format_font_max_length",
    "text_format_get_text_extent_undefined_width",
};

struct CorpusCase {
  std::string name;
  fs::path folder;
  int version = 0;
  int frames = 1;
};

int FramesOf(const fs::path& toml) {
  std::ifstream in(toml);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("num_frames", 0) != 0 && line.rfind("num_ticks", 0) != 0) continue;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    try {
      const int frames = std::stoi(line.substr(equals + 1));
      if (frames >= 1 && frames <= 16000) return frames;
    } catch (const std::exception&) {
    }
  }
  return 1;
}

TEST(CompiledScriptPlayback, RuffleCorpusSourcesTraceTheirRecordedOutput) {
  const fs::path corpus = fs::path(PLENWICK_CORPUS_DIR) / "ruffle-avm1";
  ASSERT_TRUE(fs::is_directory(corpus)) << "no corpus at " << corpus;
  ASSERT_EQ(playertest::PlayerUnavailableReason(), "");
  Folder folder;

  std::vector<CorpusCase> accepted;
  int candidates = 0;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    const fs::path dir = entry.path();
    if (!entry.is_directory() || !fs::is_regular_file(dir / "test.as") || !fs::is_regular_file(dir / "test.swf") ||
        !fs::is_regular_file(dir / "output.txt")) {
      continue;
    }
    std::ifstream swf(dir / "test.swf", std::ios::binary);
    char header[4] = {};
    if (!swf.read(header, 4)) continue;
    const int version = static_cast<unsigned char>(header[3]);
    if (version < 5) continue;
    ++candidates;
    CorpusCase c{dir.filename().string(), dir, version,
                 fs::exists(dir / "test.toml") ? FramesOf(dir / "test.toml") : 1};
    const fs::path out = folder.Path() / c.name;
    fs::create_directories(out);
    std::string error;
    if (CompileScript(dir / "test.as", version, c.frames, out / "test.swf", out / "err.txt", error) != 0) continue;
    EXPECT_EQ(ActionProblems(out / "test.swf"), "") << c.name;
    // Files the movie may load are served beside it.
    for (const auto& file : fs::directory_iterator(dir)) {
      if (file.is_regular_file() && file.path().filename() != "test.swf") {
        fs::copy_file(file.path(), out / file.path().filename(), fs::copy_options::skip_existing);
      }
    }
    accepted.push_back(c);
  }
  std::sort(accepted.begin(), accepted.end(), [](const auto& a, const auto& b) { return a.name < b.name; });

  std::vector<playertest::Movie> movies;
  for (const CorpusCase& c : accepted) {
    const fs::path out = folder.Path() / c.name;
    movies.push_back({c.name, out / "test.swf", out, c.frames, 30000 + 250 * c.frames});
  }
  std::set<std::string> matched;
  if (!movies.empty()) {
    const int pages = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 2u, 6u));
    const playertest::PlayRun run = playertest::Play(movies, pages);
    ASSERT_EQ(run.error, "");
    ASSERT_EQ(run.results.size(), movies.size());
    for (size_t i = 0; i < movies.size(); ++i) {
      const playertest::MovieResult& r = run.results[i];
      const std::string expected = playertest::ReadTextFile(accepted[i].folder / "output.txt");
      if (r.error.empty() && playertest::DescribeTraceDifference(r.trace, expected).empty()) {
        matched.insert(r.name);
      } else if (kMatching.count(r.name) == 0) {
        std::printf("differs: %s\n", r.name.c_str());
      }
    }
  }
  std::printf("ruffle-avm1 sources at SWF 5 or later: %d; accepted by the compiler: %zu; matching: %zu\n", candidates,
              accepted.size(), matched.size());
  for (const std::string& name : matched) {
    if (kMatching.count(name) == 0) std::printf("note: %s now matches and is not listed\n", name.c_str());
  }
  for (const std::string& name : kMatching) {
    EXPECT_TRUE(matched.count(name) == 1) << name << " no longer traces its recorded output";
  }
}

}  // namespace
