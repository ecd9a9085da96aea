// A written page opened in a browser, with the movie beside it and the web build of the player
// standing in for the plug-in: the player takes over the page's OBJECT element and the movie
// it names plays.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "publish/HtmlPageWriter.h"
#include "tests/publish/Scratch.h"
#include "tests/support/LimitedRun.h"
#include "tests/support/PlayerRunner.h"

namespace {

namespace fs = std::filesystem;

// A 200 x 100 movie of two frames that traces one line on its first frame; it loops.
std::string TracingMovie() {
  const unsigned char bytes[] = {0x46, 0x57, 0x53, 0x06, 0x43, 0x00, 0x00, 0x00, 0x68, 0x00, 0x1f, 0x40, 0x00, 0x03,
                                 0xe8, 0x00, 0x00, 0x0c, 0x02, 0x00, 0x43, 0x02, 0x33, 0x66, 0x99, 0x3f, 0x03, 0x1e,
                                 0x00, 0x00, 0x00, 0x96, 0x19, 0x00, 0x00, 0x74, 0x68, 0x65, 0x20, 0x70, 0x61, 0x67,
                                 0x65, 0x27, 0x73, 0x20, 0x6d, 0x6f, 0x76, 0x69, 0x65, 0x20, 0x70, 0x6c, 0x61, 0x79,
                                 0x65, 0x64, 0x00, 0x26, 0x00, 0x40, 0x00, 0x40, 0x00, 0x00, 0x00};
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

std::string FindNode() {
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = std::min(dirs.find(':', start), dirs.size());
    const fs::path candidate = fs::path(dirs.substr(start, end - start)) / "node";
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    start = end + 1;
  }
  return {};
}

// The strings of the JSON list after "name": in the driver's results (no escapes in them here).
std::string Field(const std::string& json, const std::string& name) {
  const size_t at = json.find("\"" + name + "\":");
  if (at == std::string::npos) return "<missing>";
  const size_t end = json.find_first_of("]\n", json.find_first_not_of(" [", at + name.size() + 3));
  return json.substr(at, end - at);
}

// Pages of several settings, each opened in the browser: the player takes over the page's one
// OBJECT element at the size the page gives it, loads the movie the page names (its name
// escaped in the markup) and the movie plays.
TEST(HtmlPagePlayer, TheMovieOnEachWrittenPagePlays) {
  ASSERT_EQ(playertest::PlayerUnavailableReason(), "");
  struct Row {
    const char* what;
    const char* file;       // the movie's file name, UTF-8
    const char* movieJson;  // the name the player loaded, as the driver's JSON writes it
    void (*change)(HtmlSettings&);
    int width, height;  // the player's size on the page
  };
  const Row rows[] = {
      {"the movie's own size, high quality, a coloured background", "intro movie.swf", "intro movie.swf",
       [](HtmlSettings& s) {
         s.quality = 4;
         s.backgroundColor = 0x996633;
       },
       200, 100},
      {"pixels, exact fit, opaque, no menu, markup characters in the name", "a\"b&<c>.swf", "a\\\"b&<c>.swf",
       [](HtmlSettings& s) {
         s.dimensionType = 1;
         s.width = 320;
         s.height = 240;
         s.quality = 5;
         s.scale = 2;
         s.windowMode = 1;
         s.displayMenu = false;
       },
       320, 240},
      {"no border, transparent, aligned left and top left, a name beyond ASCII", "caf\xc3\xa9.swf", "caf\xc3\xa9.swf",
       [](HtmlSettings& s) {
         s.dimensionType = 1;
         s.width = 250;
         s.height = 125;
         s.scale = 1;
         s.htmlAlign = 1;
         s.flashAlign = 5;
         s.windowMode = 2;
         s.deviceFont = true;
       },
       250, 125},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    publishtest::ScratchFolder dir;
    ASSERT_TRUE(publishtest::WriteBytes(dir / fs::u8path(row.file), TracingMovie()));
    HtmlSettings settings;
    settings.movieName = Utf8ToWide(row.file);
    settings.sourceWidth = 200;
    settings.sourceHeight = 100;
    settings.width = 200;
    settings.height = 100;
    row.change(settings);
    ASSERT_TRUE(WriteHtmlPage(Utf8ToWide((dir / "page.html").string()), settings, false));

    const fs::path results = dir / "results.json";
    const testsupport::LimitedRun run = testsupport::RunWithFileSizeLimit(
        {FindNode(), PLENWICK_PAGE_DRIVER, dir.Path().string(), "page.html", "2", "120000", results.string()},
        1ull << 30);
    ASSERT_TRUE(run.exited && run.status == 0) << testsupport::Describe(run) << "\n" << run.err;
    const std::string json = publishtest::ReadBytes(results);
    EXPECT_EQ(Field(json, "players"), "\"players\": 1,") << json;
    EXPECT_EQ(Field(json, "movie"), std::string("\"movie\": \"") + row.movieJson + "\",") << json;
    EXPECT_NE(json.find("\"size\": [\n  " + std::to_string(row.width) + ",\n  " + std::to_string(row.height) + "\n ]"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"trace\": [\n  \"the page's movie played\",\n  \"the page's movie played\""),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"errors\": []"), std::string::npos) << json;
  }
}

}  // namespace
