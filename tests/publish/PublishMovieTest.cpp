#include "publish/PublishMovie.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/ui/Alert.h"
#include "host/ui/Application.h"
#include "publish/DialogPublishInteraction.h"
#include "tests/publish/MovReadBack.h"
#include "tests/publish/Scratch.h"

namespace {

namespace fs = std::filesystem;
using publishtest::ScratchFolder;

std::string Name(const WideString& path) { return fs::path(WideToUtf8(path)).filename().string(); }

// Answers the replace questions from a table (no file where it has no answer) and keeps what
// it was asked and shown.
class ScriptedInteraction : public PublishInteraction {
 public:
  int AskReplaceExistingFile(const WideString& path) override {
    asked.push_back(Name(path));
    const auto it = answers.find(Name(path));
    return it != answers.end() ? it->second : kReplaceNoFile;
  }
  void ShowError(int heading, int text, const std::string& reason) override {
    shown.push_back(std::to_string(heading) + "/" + std::to_string(text) + (reason.empty() ? "" : ": " + reason));
  }
  void ShowErrorText(const std::string& heading, const std::string& text) override {
    shown.push_back(heading + "/" + text);
  }
  void ShowNote(int heading, int text) override {
    shown.push_back(std::to_string(heading) + "/" + std::to_string(text));
  }
  void ShowBusy(bool busy) override { busyChanges.push_back(busy); }
  std::map<std::string, int> answers;
  std::vector<std::string> asked;
  std::vector<std::string> shown;
  std::vector<bool> busyChanges;
};

// Writers that note each call ("name of output, file name, r1 when replacing") and whether the
// movie they got was there; the outputs named in `failing` fail.
class RecordingWriters : public PublishWriters {
 public:
  bool WriteHtml(const WideString& path, const HtmlSettings& s, bool replace) override {
    return Note("html " + Name(path) + " " + WideToUtf8(s.movieName), replace);
  }
  bool WriteQuickTime(const QuickTimeJob& job, const QuickTimeSettings&, FrameExportSettings&,
                      std::string& error) override {
    movies.push_back(Movie(job.movie));
    frameMovies.push_back(Movie(job.frameMovie));
    if (failing.count("qt") != 0) error = "Failed to add Flash track";
    return Note("qt " + Name(job.output), false);
  }
  bool WriteMacProjector(const WideString& movie, const WideString& path, bool replace) override {
    movies.push_back(Movie(movie));
    return Note("mac " + Name(path), replace);
  }
  bool WriteWindowsProjector(const WideString& movie, const WideString& path, bool replace) override {
    movies.push_back(Movie(movie));
    return Note("win " + Name(path), replace);
  }
  bool SetScreenSaverMovie(const WideString& movie) override {
    movies.push_back(Movie(movie));
    return Note("movie", false);
  }
  bool BuildScreenSaver(const WideString& path, bool replace) override { return Note("saver " + Name(path), replace); }
  bool BuildInstaller(const WideString& path, const WideString& saverName, bool replace) override {
    return Note("installer " + Name(path) + " " + WideToUtf8(saverName), replace);
  }

  std::string Log() const {
    std::string text;
    for (const std::string& call : calls) text += (text.empty() ? "" : " | ") + call;
    return text;
  }
  std::vector<std::string> calls;
  std::vector<std::string> movies;  // the movie each writer got: its name, "(missing)" when not there
  std::vector<std::string> frameMovies;
  std::set<std::string> failing;

 private:
  static std::string Movie(const WideString& path) {
    return Name(path) + (fs::is_regular_file(WideToUtf8(path)) ? "" : " (missing)");
  }
  bool Note(const std::string& call, bool replace) {
    calls.push_back(call + (replace ? " r1" : ""));
    return failing.count(call.substr(0, call.find(' '))) == 0;
  }
};

// A folder to publish into, the settings with every output named, and a movie producer that
// writes a small movie and notes each call.
struct PublishRun {
  PublishRun() {
    settings.outputFolder = Utf8ToWide(folder.Path().string());
    const char* names[] = {"movie.swf", "movie.flv", "movie.f4v",  "page.html",  "mac.app",
                           "win.exe",   "movie.mov", "show.saver", "install.pkg"};
    for (int i = 0; i < kPublishOutputCount; ++i) settings.names[static_cast<size_t>(i)] = Utf8ToWide(names[i]);
    settings.swf = [this](const WideString& path, bool minimumStage) {
      produced.push_back(Name(path) + (minimumStage ? " (minimum stage)" : ""));
      return publishtest::WriteBytes(WideToUtf8(path), publishtest::EmptyMovie(12 * 256, 2));
    };
    auto other = [this](const char* what) {
      return [this, what](const WideString& path, bool) {
        writers.calls.push_back(std::string(what) + " " + Name(path));
        return writers.failing.count(what) == 0;
      };
    };
    settings.flv = other("flv");
    settings.f4v = other("f4v");
  }
  void PublishAllButVideo() {
    settings.publish.fill(true);
    settings.publish[kPublishFlv] = settings.publish[kPublishF4v] = false;
  }
  std::vector<std::string> FolderNames() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder.Path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  ScratchFolder folder;
  PublishSettings settings;
  PublishContext context;
  RecordingWriters writers;
  ScriptedInteraction interaction;
  std::vector<std::string> produced;
};

const char kAllMade[] =
    "html page.html movie.swf | mac mac.app | win win.exe | qt movie.mov | movie | saver show.saver | "
    "installer install.pkg show.saver";
const std::vector<std::string> kAllAsked = {"movie.swf", "page.html",  "mac.app",    "win.exe",
                                            "movie.mov", "show.saver", "install.app"};

TEST(PublishMovie, ReplaceQuestionsDecideWhatIsMade) {
  struct Row {
    const char* what;
    std::map<std::string, int> answers;
    std::vector<std::string> asked;
    std::vector<std::string> produced;
    std::string log;
  };
  const Row rows[] = {
      {"no file anywhere", {}, kAllAsked, {"movie.swf"}, kAllMade},
      {"replace the Mac projector",
       {{"mac.app", kReplace}},
       kAllAsked,
       {"movie.swf"},
       "html page.html movie.swf | mac mac.app r1 | win win.exe | qt movie.mov | movie | saver show.saver | "
       "installer install.pkg show.saver"},
      {"replace all from the page",
       {{"page.html", kReplaceAll}},
       {"movie.swf", "page.html"},
       {"movie.swf"},
       "html page.html movie.swf r1 | mac mac.app r1 | win win.exe r1 | qt movie.mov | movie | saver show.saver r1 | "
       "installer install.pkg show.saver r1"},
      {"replace all at the last question",
       {{"install.app", kReplaceAll}},
       kAllAsked,
       {"movie.swf"},
       "html page.html movie.swf | mac mac.app | win win.exe | qt movie.mov | movie | saver show.saver | "
       "installer install.pkg show.saver r1"},
      {"keep the Windows projector",
       {{"win.exe", kDontReplace}},
       kAllAsked,
       {"movie.swf"},
       "html page.html movie.swf | mac mac.app | qt movie.mov | movie | saver show.saver | "
       "installer install.pkg show.saver"},
      {"keep the movie: a movie is still made for the writers",
       {{"movie.swf", kDontReplace}},
       kAllAsked,
       {"movie__.swf"},
       "html page.html movie.swf | mac mac.app | win win.exe | qt movie.mov | movie | saver show.saver | "
       "installer install.pkg show.saver"},
      {"keep all from the QuickTime movie",
       {{"movie.mov", kDontReplaceAll}},
       {"movie.swf", "page.html", "mac.app", "win.exe", "movie.mov"},
       {"movie.swf"},
       "html page.html movie.swf | mac mac.app | win win.exe"},
      {"stop at the first question", {{"movie.swf", kReplaceStop}}, {"movie.swf"}, {}, ""},
      {"stop at the page", {{"page.html", kReplaceStop}}, {"movie.swf", "page.html"}, {"movie.swf"}, ""},
      {"stop at the installer drops only the installer",
       {{"install.app", kReplaceStop}},
       kAllAsked,
       {"movie.swf"},
       "html page.html movie.swf | mac mac.app | win win.exe | qt movie.mov | movie | saver show.saver"},
      {"keep all at the installer",
       {{"install.app", kDontReplaceAll}},
       kAllAsked,
       {"movie.swf"},
       "html page.html movie.swf | mac mac.app | win win.exe | qt movie.mov | movie | saver show.saver"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    PublishRun run;
    run.PublishAllButVideo();
    run.settings.publish[kPublishFlv] = true;  // never asked and never made in a run that asks
    run.interaction.answers = row.answers;
    EXPECT_TRUE(PublishMovie(run.context, run.settings, run.writers, &run.interaction));
    EXPECT_EQ(run.interaction.asked, row.asked);
    EXPECT_EQ(run.produced, row.produced);
    EXPECT_EQ(run.writers.Log(), row.log);
    EXPECT_EQ(run.interaction.shown, std::vector<std::string>{"8017/8018"});
    for (const std::string& movie : run.writers.movies) EXPECT_EQ(movie.find("missing"), std::string::npos) << movie;
    const std::vector<std::string> kept = row.produced == std::vector<std::string>{"movie.swf"}
                                              ? std::vector<std::string>{"movie.swf"}
                                              : std::vector<std::string>{};
    EXPECT_EQ(run.FolderNames(), kept) << "the movie made for the writers is deleted";
    EXPECT_EQ(run.interaction.busyChanges, (std::vector<bool>{true, false}));
  }
}

TEST(PublishMovie, OnlyThePageStillMakesAMovieForTheOtherDecisions) {
  PublishRun run;
  run.settings.publish[kPublishHtml] = true;
  EXPECT_TRUE(PublishMovie(run.context, run.settings, run.writers, &run.interaction));
  EXPECT_EQ(run.interaction.asked, std::vector<std::string>{"page.html"});
  EXPECT_EQ(run.produced, std::vector<std::string>{"movie__.swf"});
  EXPECT_EQ(run.writers.Log(), "html page.html movie.swf");
  EXPECT_EQ(run.FolderNames(), std::vector<std::string>{});
  EXPECT_EQ(run.interaction.shown, std::vector<std::string>{"8017/8018"});
}

TEST(PublishMovie, TheFirstFailingWriterEndsTheRunAndSaysWhich) {
  struct Row {
    const char* failing;
    std::string log;
    std::vector<std::string> shown;
  };
  const Row rows[] = {
      {"html", "html page.html movie.swf", {"8010/8012"}},
      {"mac", "html page.html movie.swf | mac mac.app", {"8010/8013"}},
      {"win", "html page.html movie.swf | mac mac.app | win win.exe", {"8010/8014"}},
      {"qt",
       "html page.html movie.swf | mac mac.app | win win.exe | qt movie.mov",
       {"QTError/Failed to add Flash track", "8010/8015"}},
      {"movie", "html page.html movie.swf | mac mac.app | win win.exe | qt movie.mov | movie", {"8010/8019"}},
      {"saver",
       "html page.html movie.swf | mac mac.app | win win.exe | qt movie.mov | movie | saver show.saver",
       {"8010/8019"}},
      {"installer", kAllMade, {"8010/8020"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.failing);
    PublishRun run;
    run.PublishAllButVideo();
    run.settings.publish[kPublishSwf] = false;  // the writers' movie is a temporary one
    run.writers.failing.insert(row.failing);
    EXPECT_FALSE(PublishMovie(run.context, run.settings, run.writers, &run.interaction));
    EXPECT_EQ(run.writers.Log(), row.log);
    EXPECT_EQ(run.interaction.shown, row.shown);
    EXPECT_EQ(run.FolderNames(), std::vector<std::string>{}) << "the temporary movie is deleted on failure too";
  }
}

TEST(PublishMovie, RunsThatDoNotAskUseTheFlagsAndShowNothing) {
  PublishRun run;
  run.settings.publish.fill(true);
  run.settings.replace[kPublishHtml] = true;
  run.settings.replace[kPublishInstaller] = true;
  EXPECT_TRUE(PublishMovie(run.context, run.settings, run.writers, nullptr));
  EXPECT_EQ(run.writers.Log(), std::string("flv movie.flv | f4v movie.f4v | ") +
                                   "html page.html movie.swf r1 | mac mac.app | win win.exe | qt movie.mov | movie | "
                                   "saver show.saver | installer install.pkg show.saver r1");

  PublishRun failing;
  failing.settings.publish.fill(true);
  failing.writers.failing.insert("f4v");
  EXPECT_FALSE(PublishMovie(failing.context, failing.settings, failing.writers, nullptr));
  EXPECT_EQ(failing.writers.Log(), "flv movie.flv | f4v movie.f4v");

  PublishRun noProducer;
  noProducer.settings.publish[kPublishFlv] = true;
  noProducer.settings.flv = nullptr;
  EXPECT_FALSE(PublishMovie(noProducer.context, noProducer.settings, noProducer.writers, nullptr));
}

TEST(PublishMovie, NothingToPublishMissingFolderAndAFailedMovie) {
  PublishRun nothing;
  EXPECT_TRUE(PublishMovie(nothing.context, nothing.settings, nothing.writers, &nothing.interaction));
  EXPECT_EQ(nothing.interaction.shown, std::vector<std::string>{"8010/8016"});
  EXPECT_TRUE(PublishMovie(nothing.context, nothing.settings, nothing.writers, nullptr));

  PublishRun missing;
  missing.settings.publish[kPublishHtml] = true;
  missing.settings.outputFolder = Utf8ToWide((missing.folder / "gone").string());
  EXPECT_FALSE(PublishMovie(missing.context, missing.settings, missing.writers, &missing.interaction));
  EXPECT_EQ(missing.interaction.shown, std::vector<std::string>{"8010/8021"});
  EXPECT_TRUE(missing.interaction.asked.empty());
  EXPECT_FALSE(PublishMovie(missing.context, missing.settings, missing.writers, nullptr));

  for (bool withProducer : {true, false}) {
    PublishRun failed;
    failed.settings.publish[kPublishSwf] = failed.settings.publish[kPublishHtml] = true;
    if (withProducer)
      failed.settings.swf = [](const WideString&, bool) { return false; };
    else
      failed.settings.swf = nullptr;
    EXPECT_FALSE(PublishMovie(failed.context, failed.settings, failed.writers, &failed.interaction));
    EXPECT_EQ(failed.interaction.shown, std::vector<std::string>{"8010/8011"});
    EXPECT_EQ(failed.writers.Log(), "");
  }
}

TEST(PublishMovie, FrameExportOfASmallStageRendersAMovieWithTheMinimumStage) {
  struct Row {
    int32_t stageWidth, stageHeight;
    bool frameExport;
    std::vector<std::string> produced;
    std::string frameMovie;
  };
  const Row rows[] = {
      {11000, 8000, true, {"movie.swf", "_tmppblsh2 (minimum stage)"}, "_tmppblsh2"},
      {25600, 19199, true, {"movie.swf", "_tmppblsh2 (minimum stage)"}, "_tmppblsh2"},
      {25600, 19200, true, {"movie.swf"}, "movie.swf"},
      {11000, 8000, false, {"movie.swf"}, "movie.swf"},
  };
  for (const Row& row : rows) {
    PublishRun run;
    run.settings.publish[kPublishSwf] = run.settings.publish[kPublishQuickTime] = true;
    run.settings.quickTime.stageWidth = row.stageWidth;
    run.settings.quickTime.stageHeight = row.stageHeight;
    run.settings.quickTime.frameExport = row.frameExport;
    EXPECT_TRUE(PublishMovie(run.context, run.settings, run.writers, nullptr));
    std::vector<std::string> produced;
    for (const std::string& p : run.produced)
      produced.push_back(p.rfind("_tmppblsh2", 0) == 0 ? p.substr(0, 10) + p.substr(p.find(' ')) : p);
    EXPECT_EQ(produced, row.produced) << row.stageWidth << "x" << row.stageHeight;
    ASSERT_EQ(run.writers.frameMovies.size(), 1u);
    EXPECT_EQ(run.writers.frameMovies[0].substr(0, row.frameMovie.size()), row.frameMovie);
    EXPECT_EQ(run.writers.movies, std::vector<std::string>{"movie.swf"});
  }
  EXPECT_EQ(publishtest::TempFilesLeft("_tmppblsh2"), std::vector<std::string>{});
}

TEST(PublishMovie, AScreenSaverAloneGetsATemporaryMovie) {
  PublishRun run;
  run.settings.publish[kPublishInstaller] = true;
  EXPECT_TRUE(PublishMovie(run.context, run.settings, run.writers, nullptr));
  EXPECT_EQ(run.writers.Log(), "movie | installer install.pkg show.saver");
  ASSERT_EQ(run.produced.size(), 1u);
  EXPECT_EQ(run.produced[0].rfind("_tmppblsh-", 0), 0u) << run.produced[0];
  EXPECT_EQ(run.writers.movies.size(), 1u);
  EXPECT_EQ(run.writers.movies[0].find("missing"), std::string::npos);
  EXPECT_EQ(publishtest::TempFilesLeft("_tmppblsh"), std::vector<std::string>{});
  EXPECT_EQ(run.FolderNames(), std::vector<std::string>{});
}

// The synthetic template folders of the screen saver and its installer.
void MakeTemplates(const fs::path& saver, const fs::path& installer) {
  fs::create_directories(saver / "English.lproj");
  fs::create_directories(saver / "Flash Player.plugin");
  publishtest::WriteBytes(saver / "English.lproj/s", "s");
  publishtest::WriteBytes(saver / "Flash Player.plugin/p", "p");
  publishtest::WriteBytes(saver / "fprx", "f");
  publishtest::WriteBytes(saver / "fssx", "QXSSXXXXXXXXXXXXXXXXZZZZZZZZ");
  fs::create_directories(installer / "English.lproj");
  publishtest::WriteBytes(installer / "English.lproj/Localizable.strings", "en");
  publishtest::WriteBytes(installer / "Installer", "#!/bin/sh\n");
  publishtest::WriteBytes(installer / "installer.icns", "icns");
}

// The library's writers with the bundle's projector stubs (but those named missing) and
// templates of their own.
struct RealWriters : PublishWriters {
  RealWriters() {
    MakeTemplates(templates / "ss_tmp", templates / "ssin_tmp");
    saverTemplate = Utf8ToWide((templates / "ss_tmp").string());
    installerTemplate = Utf8ToWide((templates / "ssin_tmp").string());
    projectorStubs = [this](int id, std::string& bytes) {
      return missingStubs.count(id) == 0 && GetBundleProjectorStub(id, bytes);
    };
  }
  ScratchFolder templates;
  std::set<int> missingStubs;
};

TEST(PublishMovie, TheLibraryWritersMakeEveryOutput) {
  PublishRun run;
  RealWriters writers;
  run.PublishAllButVideo();
  run.settings.quickTime.width = 200;
  run.settings.quickTime.height = 100;
  run.settings.html.width = 200;
  run.settings.html.height = 100;
  ASSERT_TRUE(PublishMovie(run.context, run.settings, writers, &run.interaction)) << writers.error;
  EXPECT_EQ(run.interaction.shown, std::vector<std::string>{"8017/8018"});
  EXPECT_EQ(run.FolderNames(), (std::vector<std::string>{"._mac.app", "install.app", "mac.app", "movie.mov",
                                                         "movie.swf", "page.html", "show.saver", "win.exe"}));
  const std::string movie = publishtest::ReadBytes(run.folder / "movie.swf");
  ASSERT_FALSE(movie.empty());
  EXPECT_NE(publishtest::ReadBytes(run.folder / "page.html").find("<EMBED src=\"movie.swf\""), std::string::npos);
  // Each projector ends with the movie and its trailer.
  const std::string mac = publishtest::ReadBytes(run.folder / "mac.app");
  const std::string win = publishtest::ReadBytes(run.folder / "win.exe");
  ASSERT_GT(mac.size(), movie.size() + 8);
  ASSERT_GT(win.size(), movie.size() + 8);
  EXPECT_EQ(mac.substr(mac.size() - movie.size() - 8, movie.size()), movie);
  EXPECT_EQ(mac.substr(mac.size() - 4), std::string("\xFA\x12\x34\x56", 4));
  EXPECT_EQ(win.substr(win.size() - movie.size() - 8, movie.size()), movie);
  EXPECT_EQ(win.substr(win.size() - 8, 4), std::string("\x56\x34\x12\xFA", 4));
  const publishtest::ReadMovie qt = publishtest::ReadWithFfmpeg(run.folder / "movie.mov");
  ASSERT_EQ(qt.streams.size(), 1u);
  ASSERT_EQ(qt.streams[0].firstPackets.size(), 1u);
  EXPECT_EQ(qt.streams[0].firstPackets[0], movie);
  EXPECT_EQ(publishtest::ReadBytes(run.folder / "show.saver/Contents/Resources/ssaver.swf"), movie);
  EXPECT_TRUE(fs::is_regular_file(run.folder / "install.app/Contents/Resources/installer.dat"));
  EXPECT_EQ(publishtest::ReadBytes(run.folder / "install.app/Contents/MacOS/Installer"), "#!/bin/sh\n");
}

TEST(PublishMovie, AMissingStubOrTemplateStopsTheRunAtItsWriterAndSaysWhy) {
  struct Row {
    const char* what;
    std::set<int> missingStubs;
    const char* saverTemplate;  // a folder that does not exist, instead of the good one
    const char* installerTemplate;
    std::string shown;
    std::vector<std::string> made;
  };
  const Row rows[] = {
      {"Mac projector stub",
       {kMacProjectorStubId},
       nullptr,
       nullptr,
       "8010/8013: The player stub 2200 is missing from the program's resources.",
       {"movie.swf", "page.html"}},
      {"Mac projector's fork",
       {kMacProjectorForkStubId},
       nullptr,
       nullptr,
       "8010/8013: The player stub 2201 is missing from the program's resources.",
       {"movie.swf", "page.html"}},
      {"Windows projector stub",
       {kWindowsProjectorStubId},
       nullptr,
       nullptr,
       "8010/8014: The player stub 2202 is missing from the program's resources.",
       {"._mac.app", "mac.app", "movie.swf", "page.html"}},
      {"saver template",
       {},
       "no saver template",
       nullptr,
       "8010/8019: The template folder \"@/no saver template\" is missing.",
       {"._mac.app", "mac.app", "movie.mov", "movie.swf", "page.html", "win.exe"}},
      {"installer template",
       {},
       nullptr,
       "no installer template",
       "8010/8020: The template folder \"@/no installer template\" is missing.",
       {"._mac.app", "mac.app", "movie.mov", "movie.swf", "page.html", "show.saver", "win.exe"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    PublishRun run;
    RealWriters writers;
    writers.missingStubs = row.missingStubs;
    if (row.saverTemplate != nullptr)
      writers.saverTemplate = Utf8ToWide((writers.templates / row.saverTemplate).string());
    if (row.installerTemplate != nullptr)
      writers.installerTemplate = Utf8ToWide((writers.templates / row.installerTemplate).string());
    run.PublishAllButVideo();
    run.settings.quickTime.width = 200;
    run.settings.quickTime.height = 100;
    EXPECT_FALSE(PublishMovie(run.context, run.settings, writers, &run.interaction));
    std::string shown = row.shown;
    if (shown.find('@') != std::string::npos) shown.replace(shown.find('@'), 1, writers.templates.Path().string());
    EXPECT_EQ(run.interaction.shown, std::vector<std::string>{shown});
    EXPECT_EQ(run.FolderNames(), row.made);
  }
  // With the movie itself not published, the projectors' movie is a temporary one; it is gone
  // after a failure too.
  PublishRun run;
  RealWriters writers;
  writers.missingStubs = {kWindowsProjectorStubId};
  run.settings.publish[kPublishMacProjector] = run.settings.publish[kPublishWindowsProjector] = true;
  EXPECT_FALSE(PublishMovie(run.context, run.settings, writers, nullptr));
  EXPECT_EQ(run.FolderNames(), (std::vector<std::string>{"._mac.app", "mac.app"}));
}

TEST(PublishMovie, AFrameExportThatFailsFailsTheRun) {
  PublishRun run;
  PublishWriters writers;  // no frame source
  run.settings.publish[kPublishSwf] = run.settings.publish[kPublishQuickTime] = true;
  run.settings.quickTime.width = 200;
  run.settings.quickTime.height = 100;
  run.settings.quickTime.frameExport = true;
  EXPECT_FALSE(PublishMovie(run.context, run.settings, writers, &run.interaction));
  EXPECT_EQ(run.interaction.shown, (std::vector<std::string>{"QTError/Failed to export the frames", "8010/8015"}));
  EXPECT_EQ(run.FolderNames(), std::vector<std::string>{"movie.swf"});
  EXPECT_EQ(publishtest::TempFilesLeft("_tmppblsh2"), std::vector<std::string>{});
  EXPECT_EQ(publishtest::TempFilesLeft("__qtphat"), std::vector<std::string>{});
}
// Alerts answered with their default button and recorded as "heading | detail"; replace
// questions answered from `answer` and recorded.
struct ToolkitAnswers {
  ToolkitAnswers() {
    host::ui::SetAlertResponder([this](const host::ui::AlertSpec& alert, host::ui::Window*) {
      alerts.push_back(WideToUtf8(alert.heading) + " | " + WideToUtf8(alert.detail));
      icons.push_back(alert.icon);
      watchCursor = watchCursor || host::ui::IsWatchCursorShown();
      return 1;
    });
    SetReplaceItemResponder([this](const WideString& path, int mode) {
      asked.push_back(Name(path) + " " + std::to_string(mode));
      return answer;
    });
  }
  ~ToolkitAnswers() {
    host::ui::SetAlertResponder({});
    SetReplaceItemResponder({});
  }
  int answer = kReplace;
  std::vector<std::string> alerts;
  std::vector<host::ui::AlertIcon> icons;
  std::vector<std::string> asked;
  bool watchCursor = false;  // over any alert
};

TEST(DialogPublishInteraction, AsksThroughTheToolkitAndShowsTheNumberedTexts) {
  ToolkitAnswers toolkit;
  DialogPublishInteraction interaction;

  // A replaced page, then a Windows projector that fails: the alert says which and why.
  PublishRun failing;
  RealWriters writers;
  writers.missingStubs = {kWindowsProjectorStubId};
  failing.settings.publish[kPublishHtml] = failing.settings.publish[kPublishWindowsProjector] = true;
  ASSERT_TRUE(publishtest::WriteBytes(failing.folder / "page.html", "old page"));
  EXPECT_FALSE(PublishMovie(failing.context, failing.settings, writers, &interaction));
  EXPECT_EQ(toolkit.asked, std::vector<std::string>{"page.html 1"}) << "only existing files are asked about";
  EXPECT_EQ(toolkit.alerts,
            std::vector<std::string>{"Publishing failed | The Windows projector could not be written."
                                     "\n\nThe player stub 2202 is missing from the program's resources."});
  EXPECT_EQ(toolkit.icons, std::vector<host::ui::AlertIcon>{host::ui::AlertIcon::kStop});
  EXPECT_NE(publishtest::ReadBytes(failing.folder / "page.html"), "old page");
  EXPECT_FALSE(host::ui::IsWatchCursorShown());

  // A question closed without an answer stops the run: the existing page stays as it was.
  toolkit.alerts.clear();
  toolkit.asked.clear();
  toolkit.answer = -1;
  PublishRun closed;
  closed.settings.publish[kPublishHtml] = true;
  ASSERT_TRUE(publishtest::WriteBytes(closed.folder / "page.html", "old page"));
  EXPECT_TRUE(PublishMovie(closed.context, closed.settings, writers, &interaction));
  EXPECT_EQ(toolkit.asked, std::vector<std::string>{"page.html 1"});
  EXPECT_EQ(publishtest::ReadBytes(closed.folder / "page.html"), "old page");
  EXPECT_EQ(toolkit.alerts, std::vector<std::string>{"Publishing finished | Every selected format was published."});
  EXPECT_FALSE(host::ui::IsWatchCursorShown());

  // Nothing to publish; a QuickTime writer's own words come in their own alert first.
  toolkit.alerts.clear();
  PublishRun nothing;
  EXPECT_TRUE(PublishMovie(nothing.context, nothing.settings, writers, &interaction));
  PublishRun movie;
  movie.settings.publish[kPublishQuickTime] = true;
  movie.settings.quickTime.frameExport = true;
  movie.settings.quickTime.width = movie.settings.quickTime.height = 10;
  EXPECT_FALSE(PublishMovie(movie.context, movie.settings, writers, &interaction));
  EXPECT_EQ(toolkit.alerts, (std::vector<std::string>{
                                "Publishing failed | No output format is selected, so there is nothing to publish.",
                                "QTError | Failed to export the frames",
                                "Publishing failed | The QuickTime movie could not be written."}));
  EXPECT_FALSE(toolkit.watchCursor) << "alerts are answered with the arrow";
}

}  // namespace
