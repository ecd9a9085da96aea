// One HTTP/1.1 exchange over libcurl, performed on the calling thread.
//
// Only http and https URLs are accepted, redirects are not followed, and both the connection
// and the whole exchange have time-outs. The answer counts as received only when the server
// answered with a 2xx status and the body arrived complete (a body shorter than its declared
// length, or a connection that breaks off, is a failure).
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace host::http {

struct Request {
  std::string url;
  bool post = false;
  std::vector<std::pair<std::string, std::string>> headers;  // sent in this order
  std::string body;                                          // POST only
  long connectTimeoutMs = 10000;
  long totalTimeoutMs = 30000;
  size_t maxResponseBytes = size_t{256} << 20;
};

struct Response {
  bool ok = false;    // 2xx and the whole body
  long status = 0;    // the HTTP status, 0 when none arrived
  std::string body;   // what arrived, also after a failure
  std::string error;  // why it failed
};

// Performs the exchange. The cancel flag, when given, may be set from another thread; the
// transfer then stops soon with an error.
Response Perform(const Request& request, const std::atomic<bool>* cancel = nullptr);

}  // namespace host::http
