#include <unistd.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "host/web/PlayerCommands.h"
#include "host/web/RuffleView.h"

namespace {

class PlayerCommandsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The browser refuses to run as root with its sandbox on.
    if (::geteuid() == 0) ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox", 1);
    host::web::RegisterPlayerScheme();
    static int argc = 1;
    static char name[] = "test_hostweb";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) new QApplication(argc, argv);
  }
};

TEST_F(PlayerCommandsTest, EachCommandReachesTheWindowAndOnlyFalseMeansOff) {
  host::web::RuffleView view(QString{});
  view.resize(200, 150);
  view.show();
  int quits = 0;
  host::web::PlayerCommands commands(view, [&] { ++quits; });
  const struct {
    const char* command;
    const char* argument;
    bool carried;
    bool fullscreen, scaled, menu;
    int quits;
  } steps[] = {
      {"fullscreen", "true", true, true, true, true, 0},
      {"FullScreen", " false ", true, false, true, true, 0},
      {"fullscreen", "yes", true, true, true, true, 0},
      {"fullscreen", "FALSE", true, false, true, true, 0},
      {"allowscale", "false", true, false, false, true, 0},
      {"allowscale", "true", true, false, true, true, 0},
      {"showmenu", "false", true, false, true, false, 0},
      {"showmenu", "0", true, false, true, true, 0},
      {"exec", "/bin/sh", false, false, true, true, 0},
      {"trapallkeys", "true", false, false, true, true, 0},
      {"quit", "", true, false, true, true, 1},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(std::string(s.command) + " " + s.argument);
    EXPECT_EQ(commands.Carry(s.command, s.argument), s.carried);
    EXPECT_EQ(view.isFullScreen(), s.fullscreen);
    EXPECT_EQ(commands.Scaled(), s.scaled);
    EXPECT_EQ(view.IsScaling(), s.scaled);
    EXPECT_EQ(commands.MenuShown(), s.menu);
    EXPECT_EQ(quits, s.quits);
  }
}

}  // namespace
