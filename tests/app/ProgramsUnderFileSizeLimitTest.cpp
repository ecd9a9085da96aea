// The program and the command-line drivers under a limit on file sizes (RLIMIT_FSIZE), the
// way a full quota meets them: the write that crosses the limit must be reported as an error
// with its cause, the old output kept and no temporary file left, where a process killed by
// SIGXFSZ says nothing and leaves its temporaries. And the temporaries that killed runs left
// behind go when the program next starts.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/preloader/ProjectTestSupport.h"
#include "tests/support/LimitedRun.h"

namespace {

using projecttest::ReadText;
using projecttest::ScratchDir;
using projecttest::WriteText;

const std::string kProgram = std::string(PLENWICK_BUNDLE_DIR) + "/bin/plenwick";
const std::string kBuildPreloader = std::string(PLENWICK_TEST_BINARY_DIR) + "/tools/build-preloader";
const std::string kCompileScript = std::string(PLENWICK_TEST_BINARY_DIR) + "/script/compile-script/compile-script";
const std::string kRewriteMovie = std::string(PLENWICK_TEST_BINARY_DIR) + "/tools/rewrite-movie";

// Every file below the folder (folders themselves are not listed), relative to it.
std::vector<std::string> FilesBelow(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_directory()) files.push_back(std::filesystem::relative(it->path(), folder).string());
  }
  return files;
}

// A scratch folder with a private runtime folder of its own, so that the programs' temporary
// folder is one the test can look into.
class Programs : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::mkdir(dir_.Native("run").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(dir_.Native("out").c_str(), 0700), 0);
  }
  std::vector<std::pair<std::string, std::string>> Environment() const {
    return {{"XDG_RUNTIME_DIR", dir_.Native("run")}, {"XDG_CACHE_HOME", dir_.Native("cache")}};
  }
  ScratchDir dir_;
};

TEST_F(Programs, AWriteBeyondTheFileSizeLimitIsReportedAndLeavesNothingBehind) {
  const std::string target = dir_.Native("target.swf");
  WriteText(target, projecttest::MovieWithVersion(6));
  auto project = [&](const char* name, const std::string& attributes) {
    WriteText(dir_.Native(name),
              projecttest::FileWith("<preloader_data target_url=\"" + target + "\" target_type=\"external_7\" " +
                                    attributes + " >\n</preloader_data>\n"));
    return dir_.Native(name);
  };
  const std::string plain = project("plain.plw", "");
  const std::string compressed = project("compressed.plw", "compress=\"true\"");
  const std::string script = dir_.Native("long.as");
  WriteText(script, "trace(\"" + std::string(2000, 'x') + "\");\n");
  const std::string output = dir_.Native("out/out.swf");
  const std::string printed = dir_.Native("out/printed.txt");

  const struct {
    const char* what;
    std::vector<std::string> argv;
    unsigned long long limit;
    int status;
    bool printsOutput;  // its output is what it prints, not a file it replaces
  } cases[] = {
      {"build-preloader", {kBuildPreloader, plain, output}, 512, 1, false},
      {"build-preloader, compressed", {kBuildPreloader, compressed, output}, 512, 1, false},
      {"compile-script", {kCompileScript, script, "6", "1", output}, 512, 3, false},
      {"rewrite-movie", {kRewriteMovie, target, output}, 16, 1, false},
      {"the program", {kProgram, "--version"}, 8, 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string old = "the old output";
    if (!c.printsOutput) WriteText(output, old);
    const testsupport::LimitedRun run =
        testsupport::RunWithFileSizeLimit(c.argv, c.limit, Environment(), c.printsOutput ? printed : "");
    EXPECT_TRUE(run.exited) << testsupport::Describe(run);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
    if (!c.printsOutput) {
      EXPECT_EQ(ReadText(output), old);
    }
    EXPECT_EQ(FilesBelow(dir_.Native("out")), std::vector<std::string>{c.printsOutput ? "printed.txt" : "out.swf"});
    EXPECT_EQ(FilesBelow(dir_.Native("run")), std::vector<std::string>{}) << "temporary files left";
    std::filesystem::remove(c.printsOutput ? printed : output);
  }
}

TEST_F(Programs, TheProgramRemovesStaleTemporaryFilesWhenItStarts) {
  const std::string temp = dir_.Native("run/plenwick");
  ASSERT_EQ(::mkdir(temp.c_str(), 0700), 0);
  // A file left by a build that was killed, and one a running copy of the program uses.
  const pid_t ended = ::fork();
  ASSERT_GE(ended, 0);
  if (ended == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
  const std::string left = temp + "/_rrw_t0plw-" + std::to_string(ended) + "-1.dat";
  const std::string inUse = temp + "/preview-" + std::to_string(::getpid()) + "-1.swf";
  const time_t old = std::time(nullptr) - 2 * 24 * 60 * 60;
  const struct timespec times[2] = {{old, 0}, {old, 0}};
  for (const std::string& path : {left, inUse}) {
    WriteText(path, "x");
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  }
  const testsupport::LimitedRun run =
      testsupport::RunWithFileSizeLimit({kProgram, "--version"}, 1 << 20, Environment());
  EXPECT_TRUE(run.exited && run.status == 0) << testsupport::Describe(run) << run.err;
  EXPECT_FALSE(std::filesystem::exists(left));
  EXPECT_TRUE(std::filesystem::exists(inUse));
}

}  // namespace
