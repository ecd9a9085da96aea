#include "app/UpdateCheck.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "host/MainLoopQueue.h"
#include "tests/support/LoopbackHttpServer.h"

namespace {

TEST(UpdateCheck, AnswersAreReadAsMajorDotMinor) {
  const struct {
    const char* answer;
    bool ok;
    int major, minor;
  } cases[] = {
      {"1.211", true, 1, 211},    {"1.210\r\n", true, 1, 210}, {"2.0 beta", true, 2, 0},
      {"2", false, 0, 0},         {"", false, 0, 0},           {"x.1", false, 0, 0},
      {"1.", false, 0, 0},        {".5", false, 0, 0},         {"99999999999.1", false, 0, 0},
      {"<html>1.2", false, 0, 0}, {"1,2", false, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    int major = -1, minor = -1;
    EXPECT_EQ(UpdateCheck::ParseVersion(c.answer, std::strlen(c.answer), major, minor), c.ok);
    if (c.ok) {
      EXPECT_EQ(major, c.major);
      EXPECT_EQ(minor, c.minor);
    } else {
      EXPECT_EQ(major, -1);
    }
  }
}

// The server is asked for the program's product number; its answers, a malformed one, an
// error status and one that comes too late each end as the user should be told.
TEST(UpdateCheck, QueriesTheServerAndComparesVersions) {
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  const struct {
    const char* what;
    LoopbackHttpServer::Reply reply;
    bool ok, newer;
  } cases[] = {
      {"newer minor", {200, "1.211\n"}, true, true},
      {"newer major", {200, "2.0"}, true, true},
      {"the same", {200, "1.210"}, true, false},
      {"an older minor", {200, "1.3"}, true, false},
      {"no dot", {200, "2"}, false, false},
      {"an error status", {404, "1.300"}, false, false},
      {"too late", {200, "9.9", -1, 3000}, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    server.SetReply(c.reply);
    UpdateCheck check;
    check.SetServer(server.Url(""));
    check.SetTimeouts(2000, 1000);
    EXPECT_EQ(check.Query(UpdateCheck::kProduct, UpdateCheck::kMajor, UpdateCheck::kMinor), c.ok);
    EXPECT_EQ(check.IsNewerAvailable(), c.newer);
  }
  ASSERT_FALSE(server.Requests().empty());
  EXPECT_NE(server.Requests().front().find("GET /swupdate/swvers.php?pcd=7583 "), std::string::npos)
      << server.Requests().front();
}

TEST(UpdateCheck, NoServerAnswersFalseWithoutWaiting) {
  UpdateCheck check;
  check.SetServer("http://127.0.0.1:1");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(check.Query(UpdateCheck::kProduct, 1, 210));
  EXPECT_FALSE(check.IsNewerAvailable());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

// The background query hands its answer to the main loop, where the caller's function runs.
TEST(UpdateCheck, ABackgroundQueryAnswersOnTheMainLoop) {
  LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  server.SetReply({200, "1.300", -1, 200});
  const std::string url = server.Url("");
  bool called = false, answered = false, newer = false;
  {
    UpdateCheck check;
    check.SetServer(url);
    check.QueryInBackground(UpdateCheck::kProduct, 1, 210, [&](bool ok, const UpdateCheck& result) {
      called = true;
      answered = ok;
      newer = result.IsNewerAvailable();
    });
  }  // the check may go before the answer comes
  EXPECT_FALSE(called);
  host::MainLoopQueue& queue = host::MainLoopQueue::Instance();
  for (int i = 0; i < 100 && !called; ++i) {
    queue.WaitForTasks(100);
    queue.Drain();
  }
  EXPECT_TRUE(called);
  EXPECT_TRUE(answered);
  EXPECT_TRUE(newer);
}

}  // namespace
