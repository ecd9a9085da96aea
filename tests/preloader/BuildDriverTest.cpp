// The build-preloader driver: a project document in, a movie out, its size on stdout, and a
// reason on stderr with a failing status when the build fails.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

// Runs the driver with the arguments (in the folder when one is given, with the environment's
// assignments when given).
DriverRun Driver(const projecttest::ScratchDir& dir, const std::string& arguments, const std::string& folder = "",
                 const std::string& environment = "") {
  DriverRun run;
  const std::string errPath = dir.Native("stderr.txt");
  const std::string command = (folder.empty() ? std::string() : "cd '" + folder + "' && ") + environment +
                              std::string(PLENWICK_TEST_BINARY_DIR) + "/tools/build-preloader " + arguments + " 2>'" +
                              errPath + "'";
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

TEST(BuildDriverTest, RelativePathsOnTheCommandLineGiveTheAddressFromTheOutputToTheTarget) {
  projecttest::ScratchDir dir;
  std::filesystem::create_directories(dir.Native("movies"));
  std::filesystem::create_directories(dir.Native("site"));
  projecttest::WriteText(dir.Native("movies/t.swf"), projecttest::MovieWithVersion(6));
  projecttest::WriteText(dir.Native("p.plw"),
                         projecttest::FileWith("<preloader_data target_url=\"movies/t.swf\" target_type=\"external\" "
                                               "use_relative_swf_path=\"true\" >\n</preloader_data>\n"));
  const DriverRun run = Driver(dir, "p.plw site/out.swf", dir.Native(""));
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string movie = projecttest::ReadText(dir.Native("site/out.swf"));
  EXPECT_NE(movie.find(std::string("../movies/t.swf\0", 16)), std::string::npos);
}

TEST(BuildDriverTest, AnOutputThatIsTheProjectFileItselfIsRefused) {
  projecttest::ScratchDir dir;
  const std::string project = dir.Native("p.plw");
  const std::string text = projecttest::FileWith("<preloader_data target_type=\"external\" >\n</preloader_data>\n");
  projecttest::WriteText(project, text);
  std::filesystem::create_symlink(project, dir.Native("link.swf"));
  std::filesystem::create_directories(dir.Native("sub"));
  for (const std::string& output : {project, dir.Native("link.swf"), dir.Native("sub/../p.plw")}) {
    const DriverRun run = Driver(dir, Quoted(project) + " " + Quoted(output));
    EXPECT_EQ(run.status, 1) << output;
    EXPECT_NE(run.err.find("is the project file itself"), std::string::npos) << output << ": " << run.err;
    EXPECT_EQ(projecttest::ReadText(project), text) << output;
  }
  // The project named through the link, the output by its own name.
  const DriverRun run = Driver(dir, Quoted(dir.Native("link.swf")) + " " + Quoted(project));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(projecttest::ReadText(project), text);
}

TEST(BuildDriverTest, PrintsTheWarningsOfABuildThatSucceeds) {
  projecttest::ScratchDir dir;
  projecttest::WriteText(dir.Native("p.plw"), projecttest::FileWith("<preloader_data target_type=\"external\" >\n"
                                                                    "<bg_image enable=\"true\" />\n"
                                                                    "</preloader_data>\n"));
  const DriverRun run = Driver(dir, Quoted(dir.Native("p.plw")) + " " + Quoted(dir.Native("out.swf")));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err,
            "build-preloader: warning: The background image is left out of the movie: it names no image file.\n");
  EXPECT_FALSE(run.out.empty());
}

TEST(BuildDriverTest, AFileThatCannotBeReadOrWrittenIsReportedWithTheCause) {
  projecttest::ScratchDir dir;
  std::filesystem::create_directories(dir.Native("folder.swf"));
  projecttest::WriteText(dir.Native("text.swf"), "not a movie");
  const std::string merge = "target_type=\"merge\" target_url=\"" + dir.Native("");
  struct Case {
    std::string project;     // the project file's name, or the attributes of the one written
    std::string attributes;  // "" to use the named file as it is
    std::string output;
    std::string says;
  } cases[] = {
      {"none.plw", "", "out.swf", "none.plw: can't open the file: No such file or directory"},
      {"folder.swf", "", "out.swf", "folder.swf: it is a folder, not a file"},
      {"p.plw", merge + "none.swf\"", "out.swf", "none.swf cannot be read: No such file or directory."},
      {"p.plw", merge + "folder.swf\"", "out.swf", "folder.swf cannot be read: it is not a regular file."},
      {"p.plw", merge + "text.swf\"", "out.swf", "text.swf cannot be read: it is no SWF movie"},
      {"p.plw", "target_type=\"external\"", "none/out.swf",
       "cannot be written to " + dir.Native("none/out.swf") + ": No such file or directory"},
      {"p.plw", "target_type=\"external\" compress=\"true\"", "none/out.swf",
       "The compressed movie could not be written to " + dir.Native("none/out.swf") + ": No such file or directory."},
  };
  for (const Case& c : cases) {
    if (!c.attributes.empty())
      projecttest::WriteText(dir.Native(c.project),
                             projecttest::FileWith("<preloader_data " + c.attributes + " >\n</preloader_data>\n"));
    const DriverRun run = Driver(dir, Quoted(dir.Native(c.project)) + " " + Quoted(dir.Native(c.output)));
    EXPECT_EQ(run.status, 1) << c.says;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << c.says << "\n" << run.err;
  }
}

TEST(BuildDriverTest, AnOutputStreamThatCannotBeWrittenIsReportedWithTheCause) {
  projecttest::ScratchDir dir;
  projecttest::WriteText(dir.Native("p.plw"),
                         projecttest::FileWith("<preloader_data target_type=\"external\" >\n</preloader_data>\n"));
  const std::string command = std::string(PLENWICK_TEST_BINARY_DIR) + "/tools/build-preloader " +
                              Quoted(dir.Native("p.plw")) + " " + Quoted(dir.Native("out.swf")) + " >/dev/full 2>" +
                              Quoted(dir.Native("stderr.txt"));
  const int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  EXPECT_EQ(projecttest::ReadText(dir.Native("stderr.txt")),
            "build-preloader: the movie is built, but its size could not be written: No space left on device\n");
}

// The display a project names comes from the installed library or from the user's.
TEST(BuildDriverTest, DisplaysComeFromTheInstalledAndTheUsersLibrary) {
  projecttest::ScratchDir dir;
  const std::string target = dir.Native("target.swf");
  projecttest::WriteText(target, projecttest::MovieWithVersion(6));
  std::filesystem::create_directories(dir.Native("data/Plenwick/Preloaders/Mine"));
  std::filesystem::copy_file(std::string(PLENWICK_PRELOADER_FIXTURES_DIR) + "/valid/letter-case.swf",
                             dir.Native("data/Plenwick/Preloaders/Mine/mine.swf"));
  const std::string environment =
      "PLENWICK_BUNDLE='" + std::string(PLENWICK_BUNDLE_DIR) + "' XDG_DATA_HOME='" + dir.Native("data") + "' ";
  for (const char* name : {"Classic Bar", "Letter Case", "Nowhere"}) {
    const std::string project = dir.Native("p.plw");
    projecttest::WriteText(project, projecttest::FileWith("<preloader_data target_url=\"" + target +
                                                          "\" >\n<display enable=\"true\" name=\"" + name +
                                                          "\" width=\"120\" />\n</preloader_data>\n"));
    const std::string out = dir.Native("out.swf");
    const DriverRun run = Driver(dir, Quoted(project) + " " + Quoted(out), "", environment);
    EXPECT_EQ(run.status, 0) << name << run.err;
    EXPECT_EQ(run.err, std::string(name) == "Nowhere"
                           ? "build-preloader: warning: The display \"Nowhere\" is not in the "
                             "preloader library and is left out of the movie.\n"
                           : "")
        << name;
    // A display's bar is an instance "ldrfg"; a display the library lacks is left out.
    const bool shown = projecttest::ReadText(out).find("ldrfg") != std::string::npos;
    EXPECT_EQ(shown, std::string(name) != "Nowhere") << name;
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
