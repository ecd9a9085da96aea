// The build-preloader driver: a project document in, a movie out, its size on stdout, and a
// reason on stderr with a failing status when the build fails.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "preloader/PreloaderData.h"
#include "tests/preloader/MovieInspector.h"
#include "tests/preloader/ProjectTestSupport.h"

namespace {

struct DriverRun {
  int status = -1;
  std::string out;
  std::string err;
};

DriverRun Driver(const projecttest::ScratchDir& dir, const std::string& arguments) {
  DriverRun run;
  const std::string errPath = dir.Native("stderr.txt");
  const std::string command =
      std::string(PLENWICK_TEST_BINARY_DIR) + "/tools/build-preloader " + arguments + " 2>'" + errPath + "'";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[256];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = projecttest::ReadText(errPath);
  return run;
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

TEST(BuildDriverTest, BuildsEachKindOfProjectAndPrintsTheWrittenSize) {
  projecttest::ScratchDir dir;
  const std::string target = dir.Native("target.swf");
  projecttest::WriteText(target, projecttest::MovieWithVersion(6));
  struct Case {
    const char* attributes;
    const char* signature;
    bool preview;
  } cases[] = {
      {"target_type=\"external_7\"", "FWS", false},
      {"target_type=\"external\" lock_root=\"false\" compress=\"true\"", "CWS", false},
      {"target_type=\"external\" type=\"smart\"", "FWS", false},
      {"target_type=\"external_7\" compress=\"true\"", "FWS", true},
  };
  for (const Case& c : cases) {
    const std::string project = dir.Native("p.plw");
    projecttest::WriteText(project, projecttest::FileWith("<preloader_data target_url=\"" + target + "\" " +
                                                          c.attributes + " >\n</preloader_data>\n"));
    const std::string out = dir.Native("out.swf");
    const DriverRun run = Driver(dir, std::string(c.preview ? "--preview " : "") + Quoted(project) + " " + Quoted(out));
    EXPECT_EQ(run.status, 0) << c.attributes << run.err;
    EXPECT_EQ(run.err, "");
    const movieinspect::Movie m = movieinspect::ReadFile(out);
    ASSERT_EQ(m.error, "") << c.attributes;
    EXPECT_EQ(m.signature, c.signature) << c.attributes;
    EXPECT_EQ(run.out, std::to_string(m.fileSize - m.headerSize) + "\n") << c.attributes;
  }
}

TEST(BuildDriverTest, FailuresGiveTheReasonAndAStatus) {
  projecttest::ScratchDir dir;
  const std::string project = dir.Native("p.plw");
  const std::string out = dir.Native("out.swf");

  // A merge target that is not there.
  projecttest::WriteText(project, projecttest::FileWith("<preloader_data target_url=\"" + dir.Native("none.swf") +
                                                        "\" target_type=\"merge\" >\n</preloader_data>\n"));
  DriverRun run = Driver(dir, Quoted(project) + " " + Quoted(out));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("build-preloader: "), std::string::npos);
  EXPECT_GT(run.err.size(), std::string("build-preloader: \n").size());

  // A project that is not a project document.
  projecttest::WriteText(project, "not xml");
  run = Driver(dir, Quoted(project) + " " + Quoted(out));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("p.plw"), std::string::npos);

  run = Driver(dir, Quoted(project));
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("usage"), std::string::npos);
}

}  // namespace
