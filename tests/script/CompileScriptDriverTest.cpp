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

DriverRun RunDriver(const std::vector<std::string>& args, const std::string& errFile) {
  std::string command = kDriver;
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
      {"a = 1;\nbreak;\n", "main.as:0: break outside a loop"},
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

}  // namespace
