// One HTTP request: a synchronous GET, a synchronous POST with header fields and a body, or
// an asynchronous POST whose answer is delivered on the main loop; and opening the request's
// URL in the user's browser.
//
// The synchronous calls block the calling thread until the answer is complete or a time-out
// (10 s to connect, 30 s in all, unless set otherwise) ends the exchange. A request succeeds
// only when the server answers with a 2xx status and the whole body arrives; on failure the
// response holds whatever arrived.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/WideString.h"

class HttpRequest {
 public:
  enum Method : int { kGet = 0, kPost = 1 };
  // The step by which the response buffer grows.
  static constexpr size_t kChunkSize = 1024000;

  explicit HttpRequest(const wchar_t* url = nullptr, int method = kGet);
  // The URL is the numbered text of that number.
  HttpRequest(int urlStringNumber, int method);
  // Cancels an asynchronous request that is still running; its answer is then dropped.
  ~HttpRequest();
  HttpRequest(const HttpRequest&) = delete;
  HttpRequest& operator=(const HttpRequest&) = delete;

  void SetUrl(const wchar_t* url);
  const std::string& GetUrl() const { return url_; }
  int GetMethod() const { return method_; }
  // The fields and body a POST sends (fields in the order added).
  void AddHeaderField(const std::string& name, const std::string& value);
  void SetBody(const void* bytes, size_t count);
  void SetTimeouts(long connectMs, long totalMs);

  // synchronous: SendSync, otherwise SendAsync.
  bool Send(bool synchronous);
  // GET for method 0, POST for method 1; false for any other method.
  bool SendSync();
  // PostAsync for method 1; false otherwise.
  bool SendAsync();

  bool Get();
  // False also when the answer has an empty body.
  bool Post();
  // Starts the POST and returns at once. When the answer is complete (or the request failed)
  // the main loop's queue (host/MainLoopQueue.h) runs the delivery: the response is filled
  // and `done`, when given, is called with the result. Returns whether the request was
  // started; false while an earlier one is still running.
  bool PostAsync(std::function<void(bool ok)> done = {});
  bool IsPending() const { return async_ != nullptr; }

  const char* GetResponseData() const { return response_.data(); }
  size_t GetResponseLength() const { return length_; }
  // The HTTP status of the last answer (0 when none arrived) and why the last request failed.
  long GetStatus() const { return status_; }
  const std::string& GetLastError() const { return error_; }

  // Frees the response; with bytes, makes room for count + kChunkSize bytes and copies them.
  void ResetResponse(const void* bytes, size_t count);
  // Appends, growing the buffer to length + count + kChunkSize when it is too small.
  void AppendResponse(const void* bytes, size_t count);

  // Opens the URL with the desktop's opener; true when the opener was started.
  bool OpenInBrowser();

 private:
  struct AsyncState;
  bool Run(bool post);
  void Deliver(AsyncState& state);

  std::string url_;
  std::vector<char> response_;  // its size is the capacity
  size_t length_ = 0;
  std::string body_;
  int method_ = kGet;
  std::vector<std::pair<std::string, std::string>> headers_;
  long connectTimeoutMs_ = 10000;
  long totalTimeoutMs_ = 30000;
  long status_ = 0;
  std::string error_;
  std::shared_ptr<AsyncState> async_;
  std::thread worker_;
};
