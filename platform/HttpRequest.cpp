#include "platform/HttpRequest.h"

#include <atomic>
#include <cstring>

#include "host/DesktopOpener.h"
#include "host/HttpTransfer.h"
#include "host/MainLoopQueue.h"
#include "host/Text.h"
#include "platform/WideTextBuffer.h"

struct HttpRequest::AsyncState {
  std::atomic<bool> cancel{false};
  HttpRequest* owner = nullptr;  // read and cleared on the main thread only
  std::function<void(bool)> done;
  host::http::Response response;  // written by the worker before it posts the delivery
};

HttpRequest::HttpRequest(const wchar_t* url, int method) : method_(method) { SetUrl(url); }

HttpRequest::HttpRequest(int urlStringNumber, int method) : method_(method) {
  WideTextBuffer text;
  text.LoadLocalizedString(urlStringNumber);
  SetUrl(text.GetText());
}

HttpRequest::~HttpRequest() {
  if (async_) {
    async_->cancel = true;
    async_->owner = nullptr;  // a delivery still queued finds no owner and does nothing
  }
  if (worker_.joinable()) worker_.join();
}

void HttpRequest::SetUrl(const wchar_t* url) { url_ = url ? host::text::WideToUtf8(url) : std::string(); }

void HttpRequest::AddHeaderField(const std::string& name, const std::string& value) {
  headers_.emplace_back(name, value);
}

void HttpRequest::SetBody(const void* bytes, size_t count) {
  body_.assign(static_cast<const char*>(bytes), bytes ? count : 0);
}

void HttpRequest::SetTimeouts(long connectMs, long totalMs) {
  connectTimeoutMs_ = connectMs;
  totalTimeoutMs_ = totalMs;
}

bool HttpRequest::Send(bool synchronous) { return synchronous ? SendSync() : SendAsync(); }

bool HttpRequest::SendSync() {
  if (method_ == kGet) return Get();
  if (method_ == kPost) return Post();
  return false;
}

bool HttpRequest::SendAsync() { return method_ == kPost ? PostAsync() : false; }

void HttpRequest::ResetResponse(const void* bytes, size_t count) {
  std::vector<char>().swap(response_);
  length_ = 0;
  if (bytes) {
    response_.resize(count + kChunkSize);
    if (count) std::memcpy(response_.data(), bytes, count);
    length_ = count;
  }
}

void HttpRequest::AppendResponse(const void* bytes, size_t count) {
  if (count == 0) return;
  if (length_ + count > response_.size()) {
    std::vector<char> grown(length_ + count + kChunkSize);
    if (length_) std::memcpy(grown.data(), response_.data(), length_);
    response_.swap(grown);
  }
  std::memcpy(response_.data() + length_, bytes, count);
  length_ += count;
}

bool HttpRequest::Run(bool post) {
  if (async_) return false;  // the response belongs to the running request
  host::http::Request request;
  request.url = url_;
  request.post = post;
  if (post) {
    request.headers = headers_;
    request.body = body_;
  }
  request.connectTimeoutMs = connectTimeoutMs_;
  request.totalTimeoutMs = totalTimeoutMs_;
  host::http::Response response = host::http::Perform(request);
  ResetResponse(nullptr, 0);
  AppendResponse(response.body.data(), response.body.size());
  status_ = response.status;
  error_ = response.error;
  return response.ok;
}

bool HttpRequest::Get() { return Run(false); }

bool HttpRequest::Post() {
  const bool ok = Run(true);
  if (ok && length_ == 0) {
    error_ = "empty answer";
    return false;
  }
  return ok;
}

bool HttpRequest::PostAsync(std::function<void(bool ok)> done) {
  if (async_ || url_.empty()) {
    if (!async_) error_ = "no URL";
    return false;
  }
  if (worker_.joinable()) worker_.join();
  ResetResponse(nullptr, 0);
  status_ = 0;
  error_.clear();
  auto state = std::make_shared<AsyncState>();
  state->owner = this;
  state->done = std::move(done);
  host::http::Request request;
  request.url = url_;
  request.post = true;
  request.headers = headers_;
  request.body = body_;
  request.connectTimeoutMs = connectTimeoutMs_;
  request.totalTimeoutMs = totalTimeoutMs_;
  async_ = state;
  worker_ = std::thread([state, request = std::move(request)] {
    state->response = host::http::Perform(request, &state->cancel);
    host::MainLoopQueue::Instance().Post([state] {
      if (state->owner) state->owner->Deliver(*state);
    });
  });
  return true;
}

void HttpRequest::Deliver(AsyncState& state) {
  if (worker_.joinable()) worker_.join();  // it has posted this delivery; it ends now
  auto keep = async_;                      // the state outlives this call
  async_.reset();
  state.owner = nullptr;
  ResetResponse(nullptr, 0);
  AppendResponse(state.response.body.data(), state.response.body.size());
  status_ = state.response.status;
  error_ = state.response.error;
  bool ok = state.response.ok;
  if (ok && length_ == 0) {
    ok = false;
    error_ = "empty answer";
  }
  if (state.done) state.done(ok);
}

bool HttpRequest::OpenInBrowser() { return host::OpenWithDesktop(url_); }
