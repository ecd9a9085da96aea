#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/ui/Alert.h"
#include "platform/WideString.h"
#include "publish/PluginPlayer.h"
#include "tests/preloader/ProjectTestSupport.h"

namespace {

namespace fs = std::filesystem;

class PluginPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log_ = dir_.Native("calls.log");
    ::setenv("PLENWICK_TEST_PLUGIN_LOG", log_.c_str(), 1);
    ::unsetenv("PLENWICK_TEST_PLUGIN_FAIL");
    SetPreviewPluginPathForTesting(PLENWICK_TEST_PLUGIN);
    host::ui::SetAlertResponder([this](const host::ui::AlertSpec& alert, host::ui::Window*) {
      alerts_.push_back(WideToUtf8(alert.heading) + " / " + WideToUtf8(alert.detail));
      return 1;
    });
    Movie("movie20.swf", 20);
    Movie("movie19.swf", 19);
    pixels_.assign(40 * 30, 0);
    port_ = PlnPort{pixels_.data(), 40, 30, 40 * 4, 7, 7, nullptr};
  }
  void TearDown() override {
    host::ui::SetAlertResponder({});
    SetPreviewPluginPathForTesting({});
    ::unsetenv("PLENWICK_TEST_PLUGIN_FAIL");
    ::unsetenv("PLENWICK_TEST_PLUGIN_LOG");
  }
  void Movie(const std::string& name, size_t size) {
    std::string bytes = "FWS";
    for (size_t i = bytes.size(); i < size; ++i) bytes += static_cast<char>('a' + i % 26);
    std::ofstream(dir_.Native(name), std::ios::binary) << bytes;
  }
  // The calls logged since the last look.
  std::vector<std::string> Calls() {
    std::ifstream in(log_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    fs::remove(log_);
    return lines;
  }
  static std::string Hex(const std::string& bytes) {
    std::string out;
    char d[3];
    for (unsigned char c : bytes) {
      std::snprintf(d, sizeof d, "%02x", c);
      out += d;
    }
    return out;
  }

  projecttest::ScratchDir dir_;
  std::string log_;
  std::vector<std::string> alerts_;
  std::vector<uint32_t> pixels_;
  PlnPort port_{};
};

TEST_F(PluginPlayerTest, LoadsOnceStreamsTheWholeFileAndDestroysBeforeTheNextMovie) {
  const std::string movie = dir_.Native("movie20.swf");
  std::ifstream in(movie, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  {
    PluginPlayer player;
    ASSERT_TRUE(player.LoadPlugin());
    player.SetPort(&port_);
    EXPECT_EQ(port_.portX, 0);
    player.SetWindowRect(0, 0, 30, 40);
    ASSERT_TRUE(player.StreamFile(Utf8ToWide(movie)));
    const std::vector<std::string> first = {
        "disable-local-security",
        "entry-points",
        "initialize",
        "new application/x-shockwave-flash mode=2 argc=0 no-args host-data",
        "setwindow 40x30 clip 0,0,30,40 port",
        "newstream application/x-shockwave-flash url=" + movie + " end=20 seekable=0 type=1",
        "writeready",
        "write 0 " + Hex(bytes),
        "destroystream 0",
    };
    EXPECT_EQ(Calls(), first);

    // The second movie: the first instance goes, the library is not loaded again.
    ASSERT_TRUE(player.LoadPlugin());
    EXPECT_EQ(Calls(), std::vector<std::string>({"destroy",
                                                 "new application/x-shockwave-flash mode=2 argc=0 no-args "
                                                 "host-data"}));
    // A second player shares the loaded library.
    PluginPlayer other;
    ASSERT_TRUE(other.LoadPlugin());
    EXPECT_EQ(Calls(), std::vector<std::string>({"new application/x-shockwave-flash mode=2 argc=0 no-args host-data"}));
  }
  // Both live instances are destroyed, then the library is shut down with the last player.
  EXPECT_EQ(Calls(), std::vector<std::string>({"destroy", "destroy", "shutdown"}));
  EXPECT_TRUE(alerts_.empty());
}

TEST_F(PluginPlayerTest, EveryRefusalFailsTheLoadWithoutAMessage) {
  const struct {
    const char* label;
    std::string plugin;
    const char* fail;
    bool loads;  // LoadPlugin succeeds and the stream is what fails
  } cases[] = {
      {"no library", dir_.Native("missing.so"), "", false},
      {"not a library", dir_.Native("movie20.swf"), "", false},
      {"no initialize entry", PLENWICK_TEST_PLUGIN_NO_INIT, "", false},
      {"entry points refused", PLENWICK_TEST_PLUGIN, "entry", false},
      {"initialize refused", PLENWICK_TEST_PLUGIN, "init", false},
      {"instance refused", PLENWICK_TEST_PLUGIN, "new", false},
      {"stream refused", PLENWICK_TEST_PLUGIN, "newstream", true},
      {"stream end refused", PLENWICK_TEST_PLUGIN, "destroystream", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    SetPreviewPluginPathForTesting(c.plugin);
    ::setenv("PLENWICK_TEST_PLUGIN_FAIL", c.fail, 1);
    PluginPlayer player;
    EXPECT_EQ(player.LoadPlugin(), c.loads);
    if (c.loads) {
      EXPECT_FALSE(player.StreamFile(dir_.Path("movie20.swf")));
    }
    // An instance the plug-in refused is never handed to destroy.
    EXPECT_EQ(player.HasInstance(), c.loads);
    Calls();
  }
  EXPECT_TRUE(alerts_.empty());
}

TEST_F(PluginPlayerTest, FilesTooShortOrMissingAreRefusedWithTheirMessage) {
  const struct {
    const char* file;
    bool streams;
    const char* alert;
  } cases[] = {
      {"missing.swf", false, "Error / Unable to open the SWF"},
      {"", false, "Error / Unable to open the SWF"},  // the folder itself
      {"movie19.swf", false, "Error / This SWF appears to be invalid or corrupt"},
      {"movie20.swf", true, nullptr},
  };
  PluginPlayer player;
  ASSERT_TRUE(player.LoadPlugin());
  Calls();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    alerts_.clear();
    EXPECT_EQ(player.StreamFile(dir_.Path(c.file)), c.streams);
    EXPECT_EQ(alerts_, c.alert ? std::vector<std::string>{c.alert} : std::vector<std::string>{});
    const std::vector<std::string> calls = Calls();
    EXPECT_EQ(!calls.empty() && calls.front().rfind("newstream", 0) == 0, c.streams);
  }
  PluginPlayer empty;
  EXPECT_FALSE(empty.StreamFile(dir_.Path("movie20.swf")));
}

TEST_F(PluginPlayerTest, EventsReachOnlyALiveInstanceAndSystemEventsGoAsNullEvents) {
  PluginPlayer player;
  player.HandleEvent(PlnEvent{1, 0, 0, 0, 0, 0});
  player.SendIdleEvent();
  EXPECT_TRUE(Calls().empty());
  ASSERT_TRUE(player.LoadPlugin());
  player.SetPort(&port_);
  player.SetWindowRect(0, 0, 30, 40);
  Calls();
  player.HandleEvent(PlnEvent{15, 0x12, 5, 1, 2, 0});
  player.HandleEvent(PlnEvent{1, 0, 5, 1, 2, 0});
  const uint32_t before = pixels_[0];
  player.SendIdleEvent();
  EXPECT_EQ(Calls(), std::vector<std::string>({"event 0", "event 1", "event 0"}));
  EXPECT_NE(pixels_[0], before);  // the null events let the plug-in draw
  int width = 0, height = 0;
  player.GetWindowSize(width, height);
  EXPECT_EQ(width, 40);
  EXPECT_EQ(height, 30);
}

TEST_F(PluginPlayerTest, TheHostTableOpensAddressesAndAnswersZeroElsewhere) {
  EXPECT_EQ(GetPluginHostFunctions(), nullptr);
  PluginPlayer player;
  const PlnHostFuncs* host = GetPluginHostFunctions();
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(host->size, sizeof(PlnHostFuncs));
  std::vector<std::string> opened;
  SetPluginUrlOpenerForTesting([&](const std::string& url) {
    opened.push_back(url);
    return true;
  });
  uint8_t record[64] = {};
  PlnInstance instance{nullptr, record};
  EXPECT_EQ(host->geturl(&instance, "https://example.org/a", "_blank"), kPlnNoError);
  EXPECT_EQ(host->geturlnotify(&instance, "https://example.org/b", nullptr, nullptr), kPlnNoError);
  EXPECT_EQ(host->geturl(&instance, nullptr, "_blank"), kPlnInvalidParam);
  EXPECT_EQ(host->geturl(nullptr, "https://example.org/c", nullptr), kPlnInvalidParam);
  PlnInstance noHost{nullptr, nullptr};
  EXPECT_EQ(host->geturl(&noHost, "https://example.org/d", nullptr), kPlnInvalidParam);
  EXPECT_EQ(opened, std::vector<std::string>({"https://example.org/a", "https://example.org/b"}));
  SetPluginUrlOpenerForTesting([](const std::string&) { return false; });
  EXPECT_EQ(host->geturl(&instance, "https://example.org/e", nullptr), kPlnInvalidParam);
  SetPluginUrlOpenerForTesting({});

  int sentinel = 1234;
  EXPECT_EQ(host->getvalue(&instance, 1, &sentinel), kPlnNoError);
  EXPECT_EQ(sentinel, 1234);
  EXPECT_EQ(host->uagent(&instance), nullptr);
  EXPECT_EQ(host->getJavaEnv, nullptr);
  EXPECT_EQ(host->getJavaPeer, nullptr);
  void* block = host->memalloc(16);
  ASSERT_NE(block, nullptr);
  host->memfree(block);
}

}  // namespace
