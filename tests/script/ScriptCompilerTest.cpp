#include "script/ScriptCompiler.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "swf/DoActionTag.h"
#include "swf/SwfBitWriter.h"
#include "tests/script/ScratchFolder.h"
#include "tests/support/AvmVerifier.h"

namespace {

// The actions of a tag as the movie stores them, without the closing End byte.
std::vector<uint8_t> ActionBytes(DoActionTag& tag, uint8_t version) {
  SwfBitWriter writer(version);
  tag.WriteActions(writer, false);
  std::vector<uint8_t> bytes = writer.GetBytes();
  EXPECT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.back(), 0);
  if (!bytes.empty()) bytes.pop_back();
  return bytes;
}

std::vector<uint8_t> Generated(const std::string& text, int32_t version) {
  ScriptCompiler compiler;
  SyntaxNodePtr root = compiler.Parse(text.c_str());
  if (!root) throw std::runtime_error(std::string("does not parse: ") + compiler.GetErrorMessage());
  if (compiler.Generate(*root, version) < 0) throw std::runtime_error(compiler.GetErrorMessage());
  return compiler.Bytes();
}

bool Contains(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& part) {
  return std::search(bytes.begin(), bytes.end(), part.begin(), part.end()) != bytes.end();
}

class Folder : public scripttest::ScratchFolder {
 public:
  Folder() : ScratchFolder("plenwick-compiler") {}
};

TEST(ScriptCompiler, WrapperUsesTheShortTagHeaderUpTo62BytesOfActions) {
  // A push of one string of k characters (k + 5 bytes) and Trace (1).
  for (size_t k : {56u, 57u}) {
    const std::string script = "trace(\"" + std::string(k, 'q') + "\");";
    std::vector<uint8_t> actions = Generated(script, 6);
    ASSERT_EQ(actions.size(), k + 6) << script;
    std::vector<uint8_t> movie = WrapActionsInMovie(actions, 6);
    const size_t n = actions.size();
    ASSERT_EQ(movie.size(), n + 57);
    EXPECT_EQ(std::string(movie.begin(), movie.begin() + 4), "FWS\x06");
    EXPECT_EQ(movie[4] | movie[5] << 8 | movie[6] << 16 | movie[7] << 24, static_cast<int>(n + 57));
    EXPECT_EQ(std::vector<uint8_t>(movie.begin() + 8, movie.begin() + 21),
              (std::vector<uint8_t>{0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00, 0x00, 0x0C, 0x01, 0x00}));
    size_t start = 0;
    if (n == 62) {
      EXPECT_EQ(movie[21], 0x3E);
      EXPECT_EQ(movie[22], 0x03);
      start = 23;
    } else {
      EXPECT_EQ(std::vector<uint8_t>(movie.begin() + 21, movie.begin() + 27),
                (std::vector<uint8_t>{0x3F, 0x03, 0x3F, 0x00, 0x00, 0x00}));
      start = 27;
    }
    EXPECT_EQ(
        std::vector<uint8_t>(movie.begin() + static_cast<long>(start), movie.begin() + static_cast<long>(start + n)),
        actions);
    // Everything behind the actions is zero and reads as the End tag.
    for (size_t i = start + n; i < movie.size(); ++i) EXPECT_EQ(movie[i], 0) << i;

    std::unique_ptr<DoActionTag> tag = CompileScriptToDoAction(Utf8ToWide(script), 6);
    ASSERT_TRUE(tag);
    EXPECT_EQ(ActionBytes(*tag, 6), actions);
  }
}

TEST(ScriptCompiler, TheTagListsTheGeneratedActionsAndPassesTheVerifier) {
  const std::string script =
      "maxw = 7;\n"
      "for (i = 1; i <= 10; i++) {\n"
      "  if (i > maxw) { progress[\"seg\" + i]._visible = false; } else { n = (i > 2 ? 1 : 2) + 1; }\n"
      "}\n"
      "function f(a, b) { return a * b; }\n"
      "trace(f(3, 4));\n";
  for (int32_t version : {5, 6, 7, 8, 10}) {
    SCOPED_TRACE(version);
    std::unique_ptr<DoActionTag> tag = CompileScriptToDoAction(Utf8ToWide(script), version);
    ASSERT_TRUE(tag);
    std::vector<uint8_t> bytes = ActionBytes(*tag, static_cast<uint8_t>(version));
    EXPECT_EQ(bytes, Generated(script, version));
    avmverify::VerifyOptions options;
    options.finalEnd = avmverify::FinalEnd::Refused;
    avmverify::VerifyResult result = avmverify::VerifyActionBlock(bytes, options);
    EXPECT_TRUE(result.Ok()) << result.Report();
  }
}

TEST(ScriptCompiler, NothingComesBackForEmptyTextOldVersionsAndScriptsThatDoNotCompile) {
  struct Case {
    std::wstring text;
    int32_t version;
    const char* why;
  };
  const Case cases[] = {
      {L"", 6, "empty text"},
      {L"x = 1;", 4, "below version 5"},
      {L"x = 1;", 0, "version 0"},
      {L"x = 1;", 256, "no such version"},
      {L"x = ;", 6, "syntax error"},
      {L"x = 1 @ 2;", 6, "character no rule accepts"},
      {L"#include \"no-such-file.as\"\n", 6, "missing include"},
      {L"break;", 6, "refused by the generator"},
      {L"on (press) { x = 1; }", 6, "button handlers"},
      {L"onClipEvent (load) { x = 1; }", 6, "clip handlers"},
      {L"x = \"\x20AC\";", 5, "a character SWF 5 cannot carry"},
      {std::wstring(L"x = 1;\0y = 2;", 13), 6, "a NUL character"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(CompileScriptToDoAction(c.text, c.version)) << c.why;
  }
}

TEST(ScriptCompiler, BlanksGiveAnEmptyTag) {
  std::unique_ptr<DoActionTag> tag = CompileScriptToDoAction(L"  \n\t \r\n", 6);
  ASSERT_TRUE(tag);
  EXPECT_EQ(tag->ActionCount(), 0u);
}

TEST(ScriptCompiler, StringsAreWrittenAsTheVersionReadsThem) {
  // SWF 5 players read one byte per character, SWF 6 and later UTF-8.
  struct Case {
    int32_t version;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {5, {'c', 'a', 'f', 0xE9, 0}},
      {6, {'c', 'a', 'f', 0xC3, 0xA9, 0}},
      {7, {'c', 'a', 'f', 0xC3, 0xA9, 0}},
  };
  for (const Case& c : cases) {
    std::unique_ptr<DoActionTag> tag = CompileScriptToDoAction(L"trace(\"caf\x00E9\");", c.version);
    ASSERT_TRUE(tag) << c.version;
    std::vector<uint8_t> bytes = ActionBytes(*tag, static_cast<uint8_t>(c.version));
    EXPECT_TRUE(Contains(bytes, c.bytes)) << c.version;
  }
  std::unique_ptr<DoActionTag> euro = CompileScriptToDoAction(L"trace(\"\x20AC\");", 6);
  ASSERT_TRUE(euro);
  EXPECT_TRUE(Contains(ActionBytes(*euro, 6), {0xE2, 0x82, 0xAC, 0}));
  EXPECT_EQ(ScriptTextForVersion(L"a\x00FF", 5), std::string("a\xFF"));
  EXPECT_EQ(ScriptTextForVersion(L"a\x0100", 5), std::nullopt);
}

TEST(ScriptCompiler, ErrorsNameTheirFileLineAndText) {
  Folder folder;
  folder.Write("inc.as", "a = 1;\nb = ;\n");
  folder.Write("badinc.as", "a = 1;\n#include \"nowhere.as\"\n");
  struct Case {
    std::string text;
    int32_t code;
    std::string file;  // "*" for an include file in the folder
    int32_t line;
    std::string lineText;
    std::string message;  // a part of the message
  };
  const Case cases[] = {
      {"x = 1 @ 2;", CompileErrorStream, "Main", 0, "No Line", ""},
      {"x = 1;\ny = 2;\nz = (3;\nw = 4;\n", CompileErrorSyntax, "Main", 3, "z = (3;", ""},
      {"x = 1;\n#include \"absent.as\"\n", CompileErrorSyntax, "Main", 2, "No Line", "Could not find file: "},
      {"x = 1;\n#include \"inc.as\"\ny = 2;\n", CompileErrorSyntax, "*inc.as", 2, "b = ;", ""},
      {"#include \"badinc.as\"\n", CompileErrorSyntax, "*badinc.as", 2, "No Line", "Could not find file: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ScriptCompiler compiler;
    compiler.AddIncludeDirectory(folder.Path().c_str());
    EXPECT_FALSE(compiler.Parse(c.text.c_str()));
    EXPECT_EQ(compiler.GetErrorCode(), c.code);
    if (c.file[0] == '*') {
      EXPECT_EQ(std::filesystem::path(compiler.GetErrorFile()).filename(), c.file.substr(1));
    } else {
      EXPECT_EQ(std::string(compiler.GetErrorFile()), c.file);
    }
    EXPECT_EQ(compiler.GetErrorLine(), c.line);
    EXPECT_EQ(std::string(compiler.GetErrorLineText()), c.lineText);
    EXPECT_NE(std::string(compiler.GetErrorMessage()), "");
    EXPECT_NE(std::string(compiler.GetErrorMessage()).find(c.message), std::string::npos) << compiler.GetErrorMessage();
    if (c.code == CompileErrorStream) {
      EXPECT_EQ(compiler.GetErrorColumn(), 0);
    }
  }
}

// A construct the generator refuses is reported at the line it was read from, through the
// line map: an included file's own line, a function moved to the front of the script at its
// own line.
TEST(ScriptCompiler, GeneratorErrorsNameTheirFileLineAndText) {
  Folder folder;
  folder.Write("loose.as", "a = 1;\n\nbreak;\n");
  folder.Write("latin1.as", "a = 1;\nb = \"caf\xE9\";\n");
  struct Case {
    std::string text;
    std::string file;  // "*" for an include file in the folder
    int32_t line;
    std::string lineText;
    std::string message;
  };
  const Case cases[] = {
      {"x = 1;\ny = 2;\ncontinue;\n", "Main", 3, "continue;", "continue outside a loop"},
      {"x = 1;\n\nif (c) {\n  trace(a,\n    b);\n}\n", "Main", 4, "  trace(a,", "wrong number of arguments for trace"},
      {"a = 1;\nx = \"a\\0b\";\n", "Main", 2, "x = \"a\\0b\";", "a string cannot hold the character 0"},
      {"a = 1;\nb = 2 +\n  (c ? d : e)++;\n", "Main", 3, "  (c ? d : e)++;", "cannot increment"},
      {"// head\n\nvar o.p = 1;\n", "Main", 3, "var o.p = 1;", "var needs a plain name"},
      {"f();\nfunction f() {\n  x = 1;\n}\nfunction g() {\n  continue;\n}\n", "Main", 6, "  continue;",
       "continue outside a loop"},
      {"x = 1;\n#include \"loose.as\"\ny = 2;\n", "*loose.as", 3, "break;", "break outside a loop"},
      // Text that is not UTF-8 is refused where it stands, however it reached the compiler.
      {"a = 1;\nb = \"\xFF\";\n", "Main", 2, "b = \"\xFF\";", "a string holds bytes that are not UTF-8"},
      {"#include \"latin1.as\"\n", "*latin1.as", 2, "b = \"caf\xE9\";", "a string holds bytes that are not UTF-8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ScriptCompiler compiler;
    compiler.AddIncludeDirectory(folder.Path().c_str());
    SyntaxNodePtr root = compiler.Parse(c.text.c_str());
    ASSERT_TRUE(root) << compiler.GetErrorMessage();
    EXPECT_EQ(compiler.Generate(*root, 6), -1);
    EXPECT_EQ(compiler.GetErrorCode(), CompileErrorSyntax);
    if (c.file[0] == '*') {
      EXPECT_EQ(std::filesystem::path(compiler.GetErrorFile()).filename(), c.file.substr(1));
    } else {
      EXPECT_EQ(std::string(compiler.GetErrorFile()), c.file);
    }
    EXPECT_EQ(compiler.GetErrorLine(), c.line);
    EXPECT_EQ(std::string(compiler.GetErrorLineText()), c.lineText);
    EXPECT_NE(std::string(compiler.GetErrorMessage()).find(c.message), std::string::npos) << compiler.GetErrorMessage();
  }
}

TEST(ScriptCompiler, EmptyTextAndSuccessLeaveTheLastErrorAlone) {
  ScriptCompiler compiler;
  EXPECT_EQ(compiler.GetErrorCode(), CompileErrorNone);
  EXPECT_FALSE(compiler.Parse("x = ;"));
  const std::string message = compiler.GetErrorMessage();
  EXPECT_EQ(compiler.GetErrorCode(), CompileErrorSyntax);
  EXPECT_FALSE(compiler.Parse(""));
  EXPECT_FALSE(compiler.Parse(nullptr));
  EXPECT_TRUE(compiler.Parse("x = 1;"));
  EXPECT_EQ(compiler.GetErrorCode(), CompileErrorSyntax);
  EXPECT_EQ(compiler.GetErrorMessage(), message);
}

TEST(ScriptCompiler, GenerateBelowVersion5GivesNoBytesAndRefusalsAreErrors) {
  ScriptCompiler compiler;
  SyntaxNodePtr root = compiler.Parse("x = 1;");
  ASSERT_TRUE(root);
  EXPECT_EQ(compiler.Generate(*root, 4), 0);
  EXPECT_EQ(compiler.CopyBytes(nullptr), 0);

  SyntaxNodePtr loose = compiler.Parse("x = 1;\ncontinue;");
  ASSERT_TRUE(loose);
  EXPECT_EQ(compiler.Generate(*loose, 6), -1);
  EXPECT_EQ(compiler.GetErrorCode(), CompileErrorSyntax);
  EXPECT_EQ(compiler.CopyBytes(nullptr), 0);

  // A button script is generated as its condition records when asked directly.
  SyntaxNodePtr button = compiler.Parse("on (press) { x = 1; }");
  ASSERT_TRUE(button);
  EXPECT_GT(compiler.Generate(*button, 6), 0);
}

TEST(ScriptCompiler, ReadingBackRefusesMoviesWithoutASoundDoAction) {
  std::vector<uint8_t> movie = WrapActionsInMovie({0x07}, 6);
  ASSERT_TRUE(ReadDoActionFromMovie(movie));
  std::vector<uint8_t> cut(movie.begin(), movie.begin() + 22);
  EXPECT_FALSE(ReadDoActionFromMovie(cut));
  std::vector<uint8_t> compressed = movie;
  compressed[0] = 'C';
  EXPECT_FALSE(ReadDoActionFromMovie(compressed));
  // A declared body longer than the movie.
  std::vector<uint8_t> lying = movie;
  lying[21] = 0x3F;
  lying[24] = 0x10;
  EXPECT_FALSE(ReadDoActionFromMovie(lying));
}

}  // namespace
