#include "app/UpdateCheck.h"

#include <charconv>
#include <memory>
#include <thread>

#include "host/MainLoopQueue.h"
#include "platform/HttpRequest.h"
#include "platform/WideTextBuffer.h"

namespace {

// The longest answer read: a version is a few bytes, and a server that sends a page instead
// is not a server that answers the query.
constexpr size_t kMaxAnswer = 64;

const char* ReadNumber(const char* p, const char* end, int& value) {
  const auto [next, error] = std::from_chars(p, end, value);
  return error == std::errc() ? next : nullptr;
}

std::string& DefaultServer() {
  static std::string server;
  return server;
}

std::string ServerAddress() {
  if (!DefaultServer().empty()) return DefaultServer();
  WideTextBuffer text;
  if (!text.LoadLocalizedString(UpdateCheck::kServerStringNumber) || text.GetText() == nullptr) return {};
  return WideToUtf8(text.GetText());
}

}  // namespace

void UpdateCheck::SetDefaultServer(const std::string& server) { DefaultServer() = server; }

bool UpdateCheck::ParseVersion(const char* bytes, size_t length, int& major, int& minor) {
  if (bytes == nullptr) return false;
  const char* end = bytes + (length < kMaxAnswer ? length : kMaxAnswer);
  int a = 0, b = 0;
  const char* p = ReadNumber(bytes, end, a);
  if (p == nullptr || p == end || *p != '.') return false;
  if (ReadNumber(p + 1, end, b) == nullptr) return false;
  major = a;
  minor = b;
  return true;
}

bool UpdateCheck::Query(int productBase, int currentMajor, int currentMinor) {
  const std::string server = server_.empty() ? ServerAddress() : server_;
  latestMajor_ = 0;
  latestMinor_ = 0;
  currentMajor_ = currentMajor;
  currentMinor_ = currentMinor;
  url_ = Utf8ToWide(server + "/swupdate/swvers.php?pcd=" + std::to_string(productBase + kProductOffset));
  if (server.empty()) return false;

  HttpRequest request(url_.c_str(), HttpRequest::kGet);
  request.SetTimeouts(connectMs_, totalMs_);
  if (!request.Send(true)) return false;
  return ParseVersion(request.GetResponseData(), request.GetResponseLength(), latestMajor_, latestMinor_);
}

void UpdateCheck::QueryInBackground(int productBase, int currentMajor, int currentMinor,
                                    std::function<void(bool ok, const UpdateCheck& answered)> done) const {
  // The thread works on a copy of its own, which travels back with the answer. The server's
  // address is looked up here, on the main thread, which owns the bundle's texts.
  auto copy = std::make_shared<UpdateCheck>(*this);
  if (copy->server_.empty()) copy->server_ = ServerAddress();
  std::thread([copy, productBase, currentMajor, currentMinor, done = std::move(done)]() mutable {
    const bool ok = copy->Query(productBase, currentMajor, currentMinor);
    host::MainLoopQueue::Instance().Post([copy, ok, done = std::move(done)] {
      if (done) done(ok, *copy);
    });
  }).detach();
}
