#include "platform/HttpRequest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "host/DesktopOpener.h"
#include "host/MainLoopQueue.h"
#include "tests/support/LoopbackHttpServer.h"

namespace {

class HttpRequestTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.Start()); }
  std::wstring Url(const std::string& path = "/") const {
    const std::string u = server_.Url(path);
    return std::wstring(u.begin(), u.end());
  }
  LoopbackHttpServer server_;
};

std::string Response(const HttpRequest& r) {
  return std::string(r.GetResponseData() ? r.GetResponseData() : "", r.GetResponseLength());
}

}  // namespace

TEST_F(HttpRequestTest, GetCollectsTheWholeBody) {
  std::string big(2500000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  for (const std::string& body : {std::string("hello"), std::string(), big}) {
    server_.SetReply({200, body});
    HttpRequest r(Url("/file").c_str(), HttpRequest::kGet);
    EXPECT_TRUE(r.Send(true)) << r.GetLastError();
    EXPECT_EQ(r.GetStatus(), 200);
    EXPECT_EQ(Response(r), body);
  }
  EXPECT_EQ(server_.Requests().back().rfind("GET /file HTTP/1.1\r\n", 0), 0u);
}

TEST_F(HttpRequestTest, PostSendsFieldsInOrderAndTheBody) {
  server_.SetReply({200, "answer"});
  HttpRequest r(Url("/post").c_str(), HttpRequest::kPost);
  r.AddHeaderField("X-Second", "2");
  r.AddHeaderField("X-First", "1");
  const std::string body = std::string("a=1&b=\0\xff", 9);
  r.SetBody(body.data(), body.size());
  ASSERT_TRUE(r.Send(true)) << r.GetLastError();
  EXPECT_EQ(Response(r), "answer");
  const std::string seen = server_.Requests().back();
  EXPECT_EQ(seen.rfind("POST /post HTTP/1.1\r\n", 0), 0u);
  EXPECT_LT(seen.find("X-Second: 2"), seen.find("X-First: 1"));
  EXPECT_EQ(seen.substr(seen.size() - body.size()), body);
  // A field that would add lines of its own is refused before anything is sent.
  const size_t before = server_.Requests().size();
  HttpRequest injected(Url("/post").c_str(), HttpRequest::kPost);
  injected.AddHeaderField("X-A", "1\r\nX-Injected: 2");
  EXPECT_FALSE(injected.Post());
  EXPECT_EQ(server_.Requests().size(), before);
  // An empty answer is no answer for a POST.
  server_.SetReply({200, ""});
  EXPECT_FALSE(r.Post());
}

TEST_F(HttpRequestTest, FailuresAreReportedAsFailures) {
  struct Case {
    const char* what;
    LoopbackHttpServer::Reply reply;
  };
  const Case cases[] = {
      {"not found", {404, "missing"}},
      {"server error", {500, "oops"}},
      {"redirect not followed", {302, ""}},
      {"truncated body", {200, "only part", 1000}},
  };
  for (const auto& c : cases) {
    server_.SetReply(c.reply);
    HttpRequest get(Url().c_str(), HttpRequest::kGet);
    EXPECT_FALSE(get.Send(true)) << c.what;
    EXPECT_FALSE(get.GetLastError().empty()) << c.what;
    HttpRequest post(Url().c_str(), HttpRequest::kPost);
    EXPECT_FALSE(post.Send(true)) << c.what;
  }
  // What arrived of a truncated body is kept.
  server_.SetReply({200, "only part", 1000});
  HttpRequest r(Url().c_str(), HttpRequest::kGet);
  EXPECT_FALSE(r.Get());
  EXPECT_EQ(Response(r), "only part");
}

TEST_F(HttpRequestTest, TimeOutEndsASlowExchange) {
  server_.SetReply({200, "late", -1, 3000});
  HttpRequest r(Url().c_str(), HttpRequest::kGet);
  r.SetTimeouts(1000, 300);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(r.Get());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
  EXPECT_FALSE(r.GetLastError().empty());
}

TEST(HttpRequest, BadRequestsFailBeforeSending) {
  HttpRequest none(nullptr, HttpRequest::kGet);
  EXPECT_FALSE(none.Send(true));
  HttpRequest method2(L"http://127.0.0.1:1/", 2);
  EXPECT_FALSE(method2.SendSync());
  HttpRequest asyncGet(L"http://127.0.0.1:1/", HttpRequest::kGet);
  EXPECT_FALSE(asyncGet.SendAsync());
  // A numbered URL text that the bundle lacks becomes its digits, which fail harmlessly.
  HttpRequest numbered(987654, HttpRequest::kGet);
  EXPECT_EQ(numbered.GetUrl(), "987654");
  EXPECT_FALSE(numbered.Get());
  HttpRequest file(L"file:///etc/hostname", HttpRequest::kGet);
  EXPECT_FALSE(file.Get());
  EXPECT_EQ(file.GetResponseLength(), 0u);
}

TEST_F(HttpRequestTest, PostAsyncDeliversOnTheMainLoop) {
  server_.SetReply({200, "async answer"});
  auto& queue = host::MainLoopQueue::Instance();
  queue.Drain();
  HttpRequest r(Url().c_str(), HttpRequest::kPost);
  r.SetBody("x", 1);
  int calls = 0;
  bool result = false;
  ASSERT_TRUE(r.PostAsync([&](bool ok) {
    ++calls;
    result = ok;
  }));
  EXPECT_TRUE(r.IsPending());
  EXPECT_FALSE(r.PostAsync());  // one at a time
  // Nothing is delivered outside the main loop's drain.
  for (int i = 0; i < 100 && calls == 0; ++i) {
    if (queue.WaitForTasks(100)) queue.Drain();
  }
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(result);
  EXPECT_FALSE(r.IsPending());
  EXPECT_EQ(Response(r), "async answer");
  // Send(false) starts the same for a POST; a failure is delivered too.
  server_.SetReply({503, "busy"});
  ASSERT_TRUE(r.PostAsync([&](bool ok) {
    ++calls;
    result = ok;
  }));
  for (int i = 0; i < 100 && calls == 1; ++i) {
    if (queue.WaitForTasks(100)) queue.Drain();
  }
  EXPECT_EQ(calls, 2);
  EXPECT_FALSE(result);
  EXPECT_EQ(r.GetStatus(), 503);
}

TEST_F(HttpRequestTest, DestroyingAPendingRequestCancelsIt) {
  server_.SetReply({200, "never seen", -1, 5000});
  auto& queue = host::MainLoopQueue::Instance();
  queue.Drain();
  bool called = false;
  const auto start = std::chrono::steady_clock::now();
  {
    HttpRequest r(Url().c_str(), HttpRequest::kPost);
    ASSERT_TRUE(r.PostAsync([&](bool) { called = true; }));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
  queue.Drain();
  EXPECT_FALSE(called);
}

TEST(HttpRequest, OpenInBrowserUsesTheDesktopOpener) {
  std::string opened;
  host::SetDesktopOpenerForTesting([&](const std::string& target) {
    opened = target;
    return true;
  });
  HttpRequest r(L"https://example.invalid/help?x=1", HttpRequest::kGet);
  EXPECT_TRUE(r.OpenInBrowser());
  EXPECT_EQ(opened, "https://example.invalid/help?x=1");
  HttpRequest empty(nullptr, HttpRequest::kGet);
  EXPECT_FALSE(empty.OpenInBrowser());
  host::SetDesktopOpenerForTesting({});
}
