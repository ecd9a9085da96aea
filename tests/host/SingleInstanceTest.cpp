#include "host/SingleInstance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/MainLoopQueue.h"

namespace {

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/plenwick-single-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  // Runs the main loop's tasks until `done` or about five seconds passed.
  static void RunMainLoopUntil(const bool& done) {
    host::MainLoopQueue& queue = host::MainLoopQueue::Instance();
    for (int i = 0; i < 50 && !done; ++i) {
      queue.WaitForTasks(100);
      queue.Drain();
    }
  }
  std::string dir_;
};

TEST_F(SingleInstanceTest, ALaterStartHandsItsDocumentsToTheFirst) {
  host::SingleInstance first;
  ASSERT_TRUE(first.Acquire(dir_));
  EXPECT_TRUE(first.IsFirst());
  std::vector<std::string> received;
  bool done = false;
  ASSERT_TRUE(first.Listen([&](std::vector<std::string> paths) {
    received = std::move(paths);
    done = true;
  }));

  host::SingleInstance second;
  EXPECT_FALSE(second.Acquire(dir_));
  EXPECT_FALSE(second.IsFirst());
  const std::vector<std::string> documents = {"/home/u/a b.plw", "/home/u/\xC3\xA9t\xC3\xA9.plw"};
  EXPECT_TRUE(second.Forward(documents, 5000));
  RunMainLoopUntil(done);
  EXPECT_EQ(received, documents);

  // A start without documents still finds the first.
  done = false;
  EXPECT_TRUE(second.Forward({}, 5000));
  RunMainLoopUntil(done);
  EXPECT_TRUE(received.empty());
}

TEST_F(SingleInstanceTest, TheLockIsFreeAgainOnceTheFirstHasEnded) {
  {
    host::SingleInstance first;
    ASSERT_TRUE(first.Acquire(dir_));
    ASSERT_TRUE(first.Listen([](std::vector<std::string>) {}));
  }
  host::SingleInstance next;
  EXPECT_TRUE(next.Acquire(dir_));
  // No one listens now: forwarding fails at once instead of waiting.
  host::SingleInstance other;
  EXPECT_FALSE(other.Acquire(dir_));
  EXPECT_FALSE(other.Forward({"/a.plw"}, 5000));
  // A socket file an ended run left behind is replaced.
  std::ofstream(dir_ + "/instance.socket") << "stale";
  EXPECT_TRUE(next.Listen([](std::vector<std::string>) {}));
  EXPECT_TRUE(other.Forward({"/a.plw"}, 5000));
}

TEST_F(SingleInstanceTest, MessagesAreSplitIntoAbsolutePaths) {
  using std::string_literals::operator""s;
  const struct {
    const char* what;
    std::string message;
    std::vector<std::string> paths;
  } cases[] = {
      {"two paths", "/a\0/b\0"s, {"/a", "/b"}},
      {"a relative path is not taken", "a.plw\0/b\0"s, {"/b"}},
      {"an empty entry is skipped", "\0/b\0"s, {"/b"}},
      {"a path cut short is not taken", "/a\0/b"s, {"/a"}},
      {"nothing", ""s, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(host::SingleInstance::SplitMessage(c.message), c.paths);
  }
  std::string many;
  for (size_t i = 0; i < host::SingleInstance::kMaxPaths + 10; ++i) many += "/p" + std::to_string(i) + '\0';
  EXPECT_EQ(host::SingleInstance::SplitMessage(many).size(), host::SingleInstance::kMaxPaths);
}

// A peer that sends more than a message may hold is cut off at the limit, and the first
// still answers the next start.
TEST_F(SingleInstanceTest, AnOversizedMessageIsBounded) {
  host::SingleInstance first;
  ASSERT_TRUE(first.Acquire(dir_));
  size_t count = 0;
  bool done = false;
  ASSERT_TRUE(first.Listen([&](std::vector<std::string> paths) {
    count = paths.size();
    done = true;
  }));
  host::SingleInstance second;
  EXPECT_FALSE(second.Acquire(dir_));
  std::vector<std::string> paths(2000, "/" + std::string(400, 'x'));
  second.Forward(paths, 5000);
  RunMainLoopUntil(done);
  EXPECT_TRUE(done);
  // Each path takes 402 bytes with its end.
  EXPECT_LE(count, host::SingleInstance::kMaxMessage / 402);
  done = false;
  EXPECT_TRUE(second.Forward({"/c.plw"}, 5000));
  RunMainLoopUntil(done);
  EXPECT_EQ(count, 1u);
}

}  // namespace
