// The preprocessor: directives, comments, the line map, include search and its errors, and
// errors of the parsed text mapped back to the file and line they came from.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "antlr/ANTLRException.hpp"
#include "antlr/RecognitionException.hpp"
#include "antlr/TokenStreamException.hpp"
#include "antlr/TokenStreamRecognitionException.hpp"
#include "script/ScriptParse.h"
#include "script/ScriptPreprocessor.h"

namespace {

// A private folder for include files, removed after the test.
class Folder {
 public:
  Folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "plenwick-pp-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  const std::string& Path() const { return path_; }
  std::string Write(const std::string& name, const std::string& text) const {
    std::string path = path_ + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

 private:
  std::string path_;
};

// Runs in another working directory for the life of the object.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::string& path) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
  }
  ~WorkingDirectory() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  EXPECT_TRUE(line.empty()) << "output ends without a line end";
  return lines;
}

struct Outcome {
  std::vector<std::string> lines;
  std::vector<ScriptLineMap::Location> map;
  std::map<std::string, std::string> defines;
};

Outcome Preprocess(ScriptPreprocessor& preprocessor, const std::string& text) {
  std::istringstream in(text);
  preprocessor.Preprocess(in);
  Outcome run;
  run.lines = Lines(preprocessor.Output());
  run.map = preprocessor.LineMap().Entries();
  run.defines = preprocessor.Defines();
  EXPECT_EQ(run.lines.size(), run.map.size());
  for (size_t i = 0; i < run.lines.size() && i < run.map.size(); ++i) {
    EXPECT_EQ(run.lines[i], run.map[i].text) << "line " << i + 1;
  }
  return run;
}

Outcome Preprocess(const std::string& text) {
  ScriptPreprocessor preprocessor;
  return Preprocess(preprocessor, text);
}

std::vector<int> MapLines(const Outcome& run) {
  std::vector<int> lines;
  for (const ScriptLineMap::Location& l : run.map) lines.push_back(l.line);
  return lines;
}

TEST(ScriptPreprocessor, DirectivesCommentsAndTheLineMap) {
  struct Case {
    const char* name;
    const char* text;
    std::vector<std::string> lines;
    std::vector<int> numbers;
  };
  const Case cases[] = {
      {"ifdef of a defined name",
       "#define DEBUG\n#ifdef DEBUG\ntrace(1);\n#else\ntrace(2);\n#endif\n",
       {" ", " ", "trace(1);", "", "", ""},
       {1, 2, 3, 4, 5, 6}},
      {"ifdef of an unknown name",
       "#ifdef DEBUG\ntrace(1);\n#else\ntrace(2);\n#endif\n",
       {" ", "", "", "trace(2);", ""},
       {1, 2, 3, 4, 5}},
      {"ifndef",
       "#ifndef X\na;\n#endif\n#define X\n#ifndef X\nb;\n#endif\n",
       {" ", "a;", "", " ", " ", "", ""},
       {1, 2, 3, 4, 5, 6, 7}},
      // No nesting: the inner #ifdef overrides the outer state, its #endif activates all.
      // Directives and their names never reach the output; the blanks around them do, while
      // text is kept.
      {"nested ifdef",
       "#define B\n#ifdef A\na;\n#ifdef B\nb;\n#endif\nc;\n#endif\nd;\n",
       {" ", " ", "", "", "b;", "", "c;", "", "d;"},
       {1, 2, 3, 4, 5, 6, 7, 8, 9}},
      // A line comment ends its line; the text before it moves on to the next line, and the
      // comment leaves a blank so the tokens around it stay apart.
      {"line comment", "a = 1; // note\nb = 2;\n", {"", "a = 1;  b = 2;"}, {1, 2}},
      {"line comment between tokens", "else// c\nx = 1;\n", {"", "else x = 1;"}, {1, 2}},
      // A block comment first fills the map up to its own line (here line 1 once more).
      {"block comment between tokens", "a/**/b;\n", {"", "a b;"}, {1, 1}},
      {"block comment over lines", "a;\n/* x\ny */\nb;\n", {"a;", "", " ", "b;"}, {1, 2, 3, 4}},
      {"block comment on the first line", "/* x\ny */ z;\n", {"", "  z;"}, {1, 2}},
      // The last line without a line end is kept, one after the line before it.
      {"no final line end", "a;\nb;", {"a;", "b;"}, {1, 2}},
      {"empty text", "", {}, {}},
      {"CR LF and CR line ends", "a;\r\nb;\rc;\n", {"a;", "b;", "c;"}, {1, 2, 3}},
      // A string after #define stays in the text; a defined name is never replaced.
      {"define of a string", "#define S \"str\"\nS;\n", {"  \"str\"", "S;"}, {1, 2}},
      {"directives in dropped text",
       "#ifdef NO\n#define Y\n#else\n#ifdef Y\ny;\n#endif\n",
       {" ", "", "", " ", "y;", ""},
       {1, 2, 3, 4, 5, 6}},
  };
  for (const Case& c : cases) {
    Outcome run = Preprocess(c.text);
    EXPECT_EQ(run.lines, c.lines) << c.name;
    EXPECT_EQ(MapLines(run), c.numbers) << c.name;
    for (const ScriptLineMap::Location& l : run.map) EXPECT_EQ(l.file, "Main") << c.name;
  }
}

TEST(ScriptPreprocessor, DefinesDeclareNamesOnly) {
  struct Case {
    const char* text;
    std::map<std::string, std::string> defines;
  };
  const Case cases[] = {
      {"#define A\n", {{"A", ""}}},
      {"#define A B\n", {{"B", ""}}},                // the second name replaces the first
      {"#define X 1\n#define X 2\n", {{"X", "1"}}},  // the first definition stays
      {"#define N 0x1F\n", {{"N", "0x1F"}}},
      {"#define S \"str\"\n", {{"S", ""}}},
      {"#define A", {}},  // a define still waiting when the text ends is dropped
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Preprocess(c.text).defines, c.defines) << c.text;
  }
}

TEST(ScriptPreprocessor, ANumberWithoutANameIsAnError) {
  ScriptPreprocessor preprocessor;
  std::istringstream in("a;\n#define 5\n");
  try {
    preprocessor.Preprocess(in);
    FAIL() << "no error";
  } catch (const ScriptPreprocessorError& e) {
    EXPECT_EQ(e.getMessage(), "Unsupported value for #define: 5");
    EXPECT_EQ(e.getFilename(), "Main");
    EXPECT_EQ(e.getLine(), 2);
    EXPECT_EQ(e.getColumn(), 9);
  }
}

// The lexer's errors pass through as token-stream errors that name the file and line they
// were found at: the script itself, or the include file.
TEST(ScriptPreprocessor, LexicalErrorsPassThrough) {
  Folder folder;
  const std::string bad = folder.Write("bad.as", "x;\n\ny = @;\n");
  struct Case {
    const char* text;
    std::string file;
    int line;
  };
  const Case cases[] = {
      {"a = 1;\nb = @;\n", "Main", 2},
      {"a = 1;\n#include \"bad.as\"\n", bad, 3},
  };
  for (const Case& c : cases) {
    ScriptPreprocessor preprocessor;
    preprocessor.AddIncludeDirectory(folder.Path());
    std::istringstream in(c.text);
    try {
      preprocessor.Preprocess(in);
      ADD_FAILURE() << "no error: " << c.text;
    } catch (const antlr::TokenStreamRecognitionException& e) {
      EXPECT_EQ(e.getFilename(), c.file) << c.text;
      EXPECT_EQ(e.getLine(), c.line) << c.text;
    }
  }
}

TEST(ScriptPreprocessor, IncludedLinesComeWithTheirFileAndLine) {
  Folder folder;
  const std::string lib = folder.Write("lib/util.as", "x = 1;\ny = 2;\n#define FROM_LIB\n");
  ScriptPreprocessor preprocessor;
  preprocessor.AddIncludeDirectory(folder.Path());
  Outcome run = Preprocess(preprocessor, "a;\n#include \"lib/util.as\"\n#ifdef FROM_LIB\nb;\n#endif\n");
  const std::vector<std::string> lines = {"a;", "x = 1;", "y = 2;", " ", " ", " ", "b;", ""};
  EXPECT_EQ(run.lines, lines);
  const std::string resolved = folder.Path() + "/lib/util.as";
  const std::vector<std::pair<std::string, int>> where = {{"Main", 1}, {resolved, 1}, {resolved, 2}, {resolved, 3},
                                                          {"Main", 2}, {"Main", 3},   {"Main", 4},   {"Main", 5}};
  ASSERT_EQ(run.map.size(), where.size());
  for (size_t i = 0; i < where.size(); ++i) {
    EXPECT_EQ(run.map[i].file, where[i].first) << i;
    EXPECT_EQ(run.map[i].line, where[i].second) << i;
  }
  (void)lib;
}

TEST(ScriptPreprocessor, IncludeSearchesTheWorkingFolderFirstThenTheAddedFolders) {
  Folder work;
  Folder first;
  Folder second;
  work.Write("both.as", "work;\n");
  first.Write("both.as", "first;\n");
  first.Write("one.as", "first one;\n");
  second.Write("one.as", "second one;\n");
  second.Write("two.as", "second two;\n");
  second.Write("sub/back.as", "back;\n");
  WorkingDirectory cwd(work.Path());

  ScriptPreprocessor preprocessor;
  preprocessor.AddIncludeDirectory(first.Path());
  preprocessor.AddIncludeDirectory(second.Path());
  EXPECT_EQ(preprocessor.ResolveIncludePath("\"both.as\""), "./both.as");
  EXPECT_EQ(preprocessor.ResolveIncludePath("\"one.as\""), first.Path() + "/one.as");
  EXPECT_EQ(preprocessor.ResolveIncludePath("two.as"), second.Path() + "/two.as");
  // Backslashes are searched as forward slashes.
  EXPECT_EQ(preprocessor.ResolveIncludePath("\"sub\\back.as\""), second.Path() + "/sub/back.as");
  EXPECT_EQ(preprocessor.ResolveIncludePath("\"none.as\""), "");
  // A folder is not a file, and a pipe is never opened (it could wait for ever).
  EXPECT_EQ(preprocessor.ResolveIncludePath("\"sub\""), "");
  ASSERT_EQ(::mkfifo((work.Path() + "/pipe.as").c_str(), 0600), 0);
  EXPECT_EQ(preprocessor.ResolveIncludePath("\"pipe.as\""), "");

  Outcome run = Preprocess(preprocessor, "#include \"both.as\"\n#include \"one.as\"\n");
  const std::vector<std::string> lines = {"work;", " ", "first one;", " "};
  EXPECT_EQ(run.lines, lines);
}

// An include is searched beside the file that asks for it before the working folder: an
// included file's own folder, or for the script itself the folder it was given.
TEST(ScriptPreprocessor, IncludeSearchesTheIncludingFilesFolderFirst) {
  Folder work;
  Folder other;
  Folder script;
  work.Write("x.as", "work;\n");
  work.Write("only-work.as", "only work;\n");
  const std::string lib = other.Write("sub/lib.as", "#include \"x.as\"\n#include \"only-work.as\"\n");
  other.Write("sub/x.as", "beside lib;\n");
  script.Write("x.as", "beside script;\n");
  WorkingDirectory cwd(work.Path());

  ScriptPreprocessor preprocessor;
  preprocessor.AddIncludeDirectory(other.Path());
  EXPECT_EQ(preprocessor.ResolveIncludePath("\"x.as\"", lib), other.Path() + "/sub/x.as");
  EXPECT_EQ(preprocessor.ResolveIncludePath("\"only-work.as\"", lib), "./only-work.as");
  EXPECT_EQ(preprocessor.ResolveIncludePath("\"x.as\""), "./x.as");
  Outcome nested = Preprocess(preprocessor, "#include \"sub/lib.as\"\n");
  EXPECT_EQ(nested.lines, (std::vector<std::string>{"beside lib;", " ", "only work;", " ", " "}));

  ScriptPreprocessor beside;
  beside.SetMainFolder(script.Path());
  EXPECT_EQ(beside.ResolveIncludePath("\"x.as\""), script.Path() + "/x.as");
  Outcome main = Preprocess(beside, "#include \"x.as\"\n#include \"only-work.as\"\n");
  EXPECT_EQ(main.lines, (std::vector<std::string>{"beside script;", " ", "only work;", " "}));
}

// The error of a missing include names the file with its quotes and the position of the name
// in the file that asked for it.
TEST(ScriptPreprocessor, AMissingIncludeIsAnErrorAtItsSourcePosition) {
  Folder folder;
  const std::string outer = folder.Write("outer.as", "a;\n\n  #include \"missing.as\"\n");
  ScriptPreprocessor preprocessor;
  preprocessor.AddIncludeDirectory(folder.Path());
  struct Case {
    const char* text;
    std::string file;
    int line;
    int column;
  };
  const Case cases[] = {
      {"#include \"missing.as\"\n", "Main", 1, 10},
      {"x;\n#include \"outer.as\"\n", outer, 3, 12},
  };
  for (const Case& c : cases) {
    std::istringstream in(c.text);
    try {
      preprocessor.Preprocess(in);
      ADD_FAILURE() << "no error: " << c.text;
    } catch (const ScriptPreprocessorError& e) {
      EXPECT_EQ(e.getMessage(), "Could not find file: \"missing.as\"") << c.text;
      EXPECT_EQ(e.getFilename(), c.file) << c.text;
      EXPECT_EQ(e.getLine(), c.line) << c.text;
      EXPECT_EQ(e.getColumn(), c.column) << c.text;
    }
  }
}

TEST(ScriptPreprocessor, ARecursiveIncludeIsAnError) {
  Folder folder;
  folder.Write("self.as", "a;\n#include \"self.as\"\n");
  folder.Write("ping.as", "#include \"pong.as\"\n");
  const std::string pong = folder.Write("pong.as", "b;\n#include \"ping.as\"\n");
  // The same file reached under another name is still the same file.
  const std::string alias = folder.Write("alias.as", "#include \"./alias.as\"\n");
  struct Case {
    const char* text;
    std::string message;
    std::string file;
    int line;
  };
  const Case cases[] = {
      {"#include \"self.as\"\n", "Recursive #include of file: \"self.as\"", folder.Path() + "/self.as", 2},
      {"#include \"ping.as\"\n", "Recursive #include of file: \"ping.as\"", pong, 2},
      {"#include \"alias.as\"\n", "Recursive #include of file: \"./alias.as\"", alias, 1},
  };
  for (const Case& c : cases) {
    ScriptPreprocessor preprocessor;
    preprocessor.AddIncludeDirectory(folder.Path());
    std::istringstream in(c.text);
    try {
      preprocessor.Preprocess(in);
      ADD_FAILURE() << "no error: " << c.text;
    } catch (const ScriptPreprocessorError& e) {
      EXPECT_EQ(e.getMessage(), c.message);
      EXPECT_EQ(e.getFilename(), c.file);
      EXPECT_EQ(e.getLine(), c.line);
    }
  }

  // Including one file twice, one after the other, is no recursion.
  folder.Write("twice.as", "t;\n");
  ScriptPreprocessor preprocessor;
  preprocessor.AddIncludeDirectory(folder.Path());
  Outcome run = Preprocess(preprocessor, "#include \"twice.as\"\n#include \"twice.as\"\n");
  const std::vector<std::string> lines = {"t;", " ", "t;", " "};
  EXPECT_EQ(run.lines, lines);
}

// Files that include the next one twice, fourteen deep, would read 32767 files: the run stops
// with an error instead of running for ever.
TEST(ScriptPreprocessor, IncludesThatMultiplyStopWithAnError) {
  Folder folder;
  for (int i = 0; i < 14; ++i) {
    const std::string next = "f" + std::to_string(i + 1) + ".as";
    folder.Write("f" + std::to_string(i) + ".as", "#include \"" + next + "\"\n#include \"" + next + "\"\n");
  }
  folder.Write("f14.as", "x;\n");
  ScriptPreprocessor preprocessor;
  preprocessor.AddIncludeDirectory(folder.Path());
  std::istringstream in("#include \"f0.as\"\n");
  try {
    preprocessor.Preprocess(in);
    FAIL() << "no error";
  } catch (const ScriptPreprocessorError& e) {
    EXPECT_NE(e.getMessage().find("Too many #include"), std::string::npos) << e.getMessage();
  }
}

// Too many lines, or too many bytes on one line, end the run with an error; nothing grows
// without bound.
TEST(ScriptPreprocessor, AnOverlongResultIsAnError) {
  Folder folder;
  folder.Write("lines.as", std::string(ScriptPreprocessor::kMaxOutputLines / 2 + 1, '\n'));
  folder.Write("long.as", std::string(ScriptPreprocessor::kMaxOutputBytes / 2 + 1, 'a'));
  // A file that alone is larger than any result is refused before it is read.
  folder.Write("huge.as", std::string(ScriptPreprocessor::kMaxOutputBytes + 1, ' '));
  for (const char* name : {"lines.as", "long.as", "huge.as"}) {
    ScriptPreprocessor preprocessor;
    preprocessor.AddIncludeDirectory(folder.Path());
    std::istringstream in(std::string("#include \"") + name + "\"\n#include \"" + name + "\"\n");
    try {
      preprocessor.Preprocess(in);
      ADD_FAILURE() << "no error: " << name;
    } catch (const ScriptPreprocessorError& e) {
      EXPECT_EQ(e.getMessage(), "The preprocessed script is too long") << name;
      // The second include overflows; the huge file is refused at its first include.
      EXPECT_EQ(e.getFilename(), std::string(name) == "huge.as" ? "Main" : folder.Path() + "/" + name);
      if (std::string(name) == "huge.as") {
        EXPECT_EQ(e.getLine(), 1);
      }
    }
  }
}

TEST(ScriptPreprocessor, LocateFallsBackOutsideTheMap) {
  ScriptPreprocessor preprocessor;
  std::istringstream in("a;\nb;\n");
  preprocessor.Preprocess(in);
  const ScriptLineMap& map = preprocessor.LineMap();
  for (int n : {0, -1, 3, 1000}) {
    ScriptLineMap::Location l = map.Locate(n);
    EXPECT_EQ(l.file, "Main") << n;
    EXPECT_EQ(l.line, 0) << n;
    EXPECT_EQ(l.text, "No Line") << n;
  }
  EXPECT_EQ(map.Locate(2).text, "b;");
  EXPECT_EQ(map.Locate(2).line, 2);
}

// A syntax error in the preprocessed text is reported through the line map: at the file and
// line it was written on, with that line's text.
TEST(ScriptPreprocessor, SyntaxErrorsMapToTheirSourceLine) {
  Folder folder;
  const std::string lib = folder.Write("lib.as", "// helpers\nx = 1;\n\ny = ;\n");
  struct Case {
    const char* text;
    std::string file;
    int line;
    std::string lineText;
  };
  const Case cases[] = {
      {"a = 1;\nb = 2;\nc = ;\n", "Main", 3, "c = ;"},
      {"/* a\n b */\nc = ;\n", "Main", 3, "c = ;"},
      {"#define D\n#ifdef D\n#endif\nif (a) { b = ; }\n", "Main", 4, "if (a) { b = ; }"},
      {"a = 1;\n#include \"lib.as\"\nb = 2;\n", lib, 4, "y = ;"},
  };
  for (const Case& c : cases) {
    ScriptPreprocessor preprocessor;
    preprocessor.AddIncludeDirectory(folder.Path());
    std::istringstream in(c.text);
    preprocessor.Preprocess(in);
    std::istringstream text(preprocessor.Output());
    try {
      static_cast<void>(ParseScript(text));
      ADD_FAILURE() << "parsed: " << c.text;
    } catch (const antlr::RecognitionException& e) {
      ScriptLineMap::Location where = preprocessor.LineMap().Locate(e.getLine());
      EXPECT_EQ(where.file, c.file) << c.text;
      EXPECT_EQ(where.line, c.line) << c.text;
      EXPECT_EQ(where.text, c.lineText) << c.text;
    }
  }
}

// Any text ends in output or in an error of the preprocessor or its lexer; never a crash or a
// hang. The pieces are those the preprocessor treats specially.
TEST(ScriptPreprocessor, AnyTextEndsInOutputOrAnError) {
  const char* const pieces[] = {
      "#include", "#define", "#ifdef", "#ifndef", "#else", "#endif",         "\"",   "'",    "/*", "*/", "//", "\n",
      "\r",       " ",       "x",      "5",       "\\",    "\"missing.as\"", "\x01", "\xFF", ";",  "."};
  uint32_t state = 2024;
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int count = 1 + round % 24;
    for (int i = 0; i < count; ++i) {
      state = state * 1103515245u + 12345u;
      text += pieces[(state >> 16) % std::size(pieces)];
    }
    ScriptPreprocessor preprocessor;
    std::istringstream in(text);
    try {
      preprocessor.Preprocess(in);
      EXPECT_EQ(preprocessor.LineMap().Size(),
                static_cast<size_t>(std::count(preprocessor.Output().begin(), preprocessor.Output().end(), '\n')));
    } catch (const antlr::ANTLRException&) {
    }
  }
}

}  // namespace
