// The compile-script test driver, run as the reference tests run it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "script/ScriptCompiler.h"
#include "swf/DoActionTag.h"
#include "swf/SwfBitWriter.h"

#include "tests/script/ScratchFolder.h"

namespace {

const std::string kDriver = std::string(PLENWICK_TEST_BINARY_DIR) + "/script/compile-script/compile-script";

class Folder : public scripttest::ScratchFolder {
 public:
  Folder() : ScratchFolder("plenwick-driver") {}
};

struct DriverRun {
  int status = -1;
  std::string err;
};

// Runs the driver, in the working folder cwd when one is given.
DriverRun RunDriver(const std::vector<std::string>& args, const std::string& errFile, const std::string& cwd = "") {
  std::string command = cwd.empty() ? kDriver : "cd '" + cwd + "' && " + kDriver;
  for (const std::string& a : args) command += " '" + a + "'";
  command += " 2>'" + errFile + "'";
  DriverRun run;
  int raw = std::system(command.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream in(errFile);
  run.err.assign(std::istreambuf_iterator<char>(in), {});
  return run;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(CompileScriptDriver, WritesAMovieWithTheScriptInItsFirstOfFramesFrames) {
  Folder folder;
  folder.Write("lib.as", "function twice(v) { return v * 2; }\n");
  const std::string main = folder.Write("main.as", "#include \"lib.as\"\ntrace(twice(21));\n");
  for (int version : {5, 6, 7}) {
    SCOPED_TRACE(version);
    const std::string out = folder.Path("out.swf");
    DriverRun run = RunDriver({main, std::to_string(version), "3", out}, folder.Path("err.txt"));
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<uint8_t> movie = ReadAll(out);
    ASSERT_GT(movie.size(), 30u);
    EXPECT_EQ(std::string(movie.begin(), movie.begin() + 3), "FWS");
    EXPECT_EQ(movie[3], version);
    EXPECT_EQ(movie[4] | movie[5] << 8 | movie[6] << 16 | movie[7] << 24, static_cast<int>(movie.size()));
    EXPECT_EQ(movie[17] | movie[18] << 8, 0x0C00);
    EXPECT_EQ(movie[19] | movie[20] << 8, 3);
    // The DoAction comes first, then three ShowFrame tags and the End tag.
    std::vector<uint8_t> tail(movie.end() - 8, movie.end());
    EXPECT_EQ(tail, (std::vector<uint8_t>{0x40, 0x00, 0x40, 0x00, 0x40, 0x00, 0x00, 0x00}));
    std::unique_ptr<DoActionTag> tag = ReadDoActionFromMovie(movie);
    ASSERT_TRUE(tag);
    std::unique_ptr<DoActionTag> expected =
        CompileScriptToDoAction(L"function twice(v) { return v * 2; }\ntrace(twice(21));\n", version);
    ASSERT_TRUE(expected);
    EXPECT_EQ(tag->ActionCount(), expected->ActionCount());
  }
}

TEST(CompileScriptDriver, AScriptThatDoesNotCompileGivesItsErrorAndLine) {
  Folder folder;
  struct Case {
    std::string text;
    std::string where;  // expected in stderr
  };
  const Case cases[] = {
      {"a = 1;\nb = 2;\nc = (;\n", "main.as:3:"},
      {"a = 1;\n#include \"missing.as\"\n", "main.as:2:"},
      {"on (press) { a = 1; }\n", "main.as:0:"},
      {"a = 1;\nbreak;\n", "main.as:2: break outside a loop\n  break;\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string main = folder.Write("main.as", c.text);
    const std::string out = folder.Path("bad.swf");
    DriverRun run = RunDriver({main, "6", "1", out}, folder.Path("err.txt"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(c.where), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
  DriverRun usage = RunDriver({folder.Path("main.as"), "4", "1", folder.Path("bad.swf")}, folder.Path("err.txt"));
  EXPECT_EQ(usage.status, 2);
}

// Many editors save a script with a UTF-8 byte-order mark: it is dropped, and the script
// compiles to the same movie as without it.
TEST(CompileScriptDriver, AByteOrderMarkIsDropped) {
  Folder folder;
  const std::string script = "s = \"caf\xC3\xA9\";\ntrace(s);\n";
  const std::string plain = folder.Write("plain.as", script);
  const std::string marked = folder.Write("marked.as", "\xEF\xBB\xBF" + script);
  for (int version : {5, 6}) {
    SCOPED_TRACE(version);
    DriverRun a = RunDriver({plain, std::to_string(version), "1", folder.Path("plain.swf")}, folder.Path("err.txt"));
    ASSERT_EQ(a.status, 0) << a.err;
    DriverRun b = RunDriver({marked, std::to_string(version), "1", folder.Path("marked.swf")}, folder.Path("err.txt"));
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(ReadAll(folder.Path("marked.swf")), ReadAll(folder.Path("plain.swf")));
  }
}

// Text that no movie of the version can carry is reported at its line: a byte that is not
// UTF-8, read as the movie's own in SWF 5 and refused in a string from SWF 6.
TEST(CompileScriptDriver, TextTheVersionCannotCarryIsReportedAtItsLine) {
  Folder folder;
  const std::string main = folder.Write("main.as", "a = 1;\n\nb = \"caf\xE9\";\n");
  struct Case {
    int version;
    std::string where;
  };
  const Case cases[] = {
      {5, "main.as:3: the text holds a character SWF 5 cannot carry"},
      {6, "main.as:3: a string holds bytes that are not UTF-8\n  b = \"caf\xE9\";\n"},
      {7, "main.as:3: a string holds bytes that are not UTF-8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    const std::string out = folder.Path("out.swf");
    DriverRun run = RunDriver({main, std::to_string(c.version), "1", out}, folder.Path("err.txt"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(c.where), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
}

// An include is found beside the file that asks for it before the working folder.
TEST(CompileScriptDriver, IncludesAreFoundBesideTheirScriptFirst) {
  Folder folder;
  Folder work;
  work.Write("lib.as", "function twice(v) { return v * 100; }\n");
  folder.Write("lib.as", "function twice(v) { return v * 2; }\n");
  const std::string main = folder.Write("main.as", "#include \"lib.as\"\ntrace(twice(21));\n");
  DriverRun run = RunDriver({main, "6", "1", folder.Path("out.swf")}, folder.Path("err.txt"), work.Path());
  ASSERT_EQ(run.status, 0) << run.err;
  std::unique_ptr<DoActionTag> tag = ReadDoActionFromMovie(ReadAll(folder.Path("out.swf")));
  ASSERT_TRUE(tag);
  std::unique_ptr<DoActionTag> expected =
      CompileScriptToDoAction(L"function twice(v) { return v * 2; }\ntrace(twice(21));\n", 6);
  ASSERT_TRUE(expected);
  SwfBitWriter got(6);
  tag->WriteActions(got, false);
  SwfBitWriter want(6);
  expected->WriteActions(want, false);
  EXPECT_EQ(got.GetBytes(), want.GetBytes());
}

// The movie is never written over the script itself, whatever name or link leads to it.
TEST(CompileScriptDriver, TheOutputIsNeverTheScriptItself) {
  Folder folder;
  const std::string text = "trace(1);\n";
  const std::string main = folder.Write("main.as", text);
  std::filesystem::create_symlink(main, folder.Path("link.swf"));
  std::filesystem::create_hard_link(main, folder.Path("hard.swf"));
  std::filesystem::create_directory(folder.Path("sub"));
  for (const std::string& out :
       {main, folder.Path("link.swf"), folder.Path("hard.swf"), folder.Path("sub/../main.as")}) {
    SCOPED_TRACE(out);
    DriverRun run = RunDriver({main, "6", "1", out}, folder.Path("err.txt"));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("is the script itself"), std::string::npos) << run.err;
    std::vector<uint8_t> kept = ReadAll(main);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), text);
    EXPECT_TRUE(std::filesystem::is_symlink(folder.Path("link.swf")));
  }
  // A file of the same content but another identity is written over as asked.
  const std::string copy = folder.Write("copy.as", text);
  DriverRun run = RunDriver({main, "6", "1", copy}, folder.Path("err.txt"));
  EXPECT_EQ(run.status, 0) << run.err;
}

}  // namespace
