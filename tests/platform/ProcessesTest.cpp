#include "platform/Processes.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "Scratch.h"

namespace {

WideString W(const std::string& utf8) { return Utf8ToWide(utf8); }

bool CopyExecutable(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  std::ofstream out(to, std::ios::binary);
  out << in.rdbuf();
  out.close();
  return out && ::chmod(to.c_str(), 0755) == 0;
}

TEST(Processes, LaunchSeeRunningQuitSeeGone) {
  const std::string helper = PLENWICK_TEST_SLEEPER;
  ProcessSerialNumber process;
  ASSERT_TRUE(LaunchApplicationAtPath(W(helper), process));
  ASSERT_FALSE(process.IsNull());
  EXPECT_TRUE(IsApplicationRunning(process));
  EXPECT_EQ(::kill(static_cast<pid_t>(process.pid), 0), 0);
  EXPECT_NE(::getsid(static_cast<pid_t>(process.pid)), ::getsid(0)) << "it runs in a session of its own";

  // A quit addressed with another application's path leaves it running.
  testutil::ScratchFolder dir;
  ASSERT_TRUE(CopyExecutable(helper, dir / "other"));
  EXPECT_FALSE(QuitApplicationAtPath(W(dir / "other"), process));
  EXPECT_TRUE(IsApplicationRunning(process));

  ASSERT_TRUE(QuitApplicationAtPath(W(helper), process));
  EXPECT_FALSE(IsApplicationRunning(process));
  EXPECT_NE(::kill(static_cast<pid_t>(process.pid), 0), 0) << "ended and reaped";
  EXPECT_FALSE(QuitApplicationAtPath(W(helper), process)) << "nothing left to quit";
}

TEST(Processes, ABundleFolderLaunchesItsExecutable) {
  testutil::ScratchFolder dir;
  const std::string bundle = dir / "Preview Player.app";
  ASSERT_EQ(::mkdir(bundle.c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((bundle + "/bin").c_str(), 0755), 0);
  ASSERT_TRUE(CopyExecutable(PLENWICK_TEST_SLEEPER, bundle + "/bin/preview player"));
  EXPECT_EQ(GetApplicationExecutable(W(bundle + "/")), W(bundle + "/bin/preview player"));
  ProcessSerialNumber process;
  ASSERT_TRUE(LaunchApplicationAtPath(W(bundle), process));
  EXPECT_TRUE(IsApplicationRunning(process));
  ASSERT_TRUE(QuitApplicationAtPath(W(bundle), process));
  EXPECT_FALSE(IsApplicationRunning(process));
}

TEST(Processes, WhatCannotBeLaunched) {
  testutil::ScratchFolder dir;
  ASSERT_TRUE(testutil::WriteFile(dir / "text.txt", "not a program"));
  ASSERT_EQ(::mkdir((dir / "Empty.app").c_str(), 0755), 0);
  for (const std::string& path : {dir / "text.txt", dir / "Empty.app", dir / "missing", std::string()}) {
    ProcessSerialNumber process{1234};
    EXPECT_FALSE(LaunchApplicationAtPath(W(path), process)) << path;
    EXPECT_TRUE(process.IsNull());
  }
  EXPECT_FALSE(QuitApplicationAtPath(W(PLENWICK_TEST_SLEEPER), ProcessSerialNumber{}));
}

TEST(Processes, OpenInFinderHandsThePathOver) {
  testutil::ScratchFolder dir;
  std::string opened;
  SetOpenInFinderHandlerForTesting([&](const std::string& path) {
    opened = path;
    return true;
  });
  EXPECT_TRUE(OpenInFinder(W(dir.Path() + "/")));
  EXPECT_EQ(opened, dir.Path() + "/");
  opened.clear();
  EXPECT_FALSE(OpenInFinder(W(dir / "missing")));
  EXPECT_TRUE(opened.empty());
  SetOpenInFinderHandlerForTesting(nullptr);
}

}  // namespace
