#include "host/HttpTransfer.h"

#include <curl/curl.h>

#include <mutex>

namespace host::http {

namespace {

struct Sink {
  std::string* body;
  size_t limit;
  bool overflow = false;
  const std::atomic<bool>* cancel;
};

size_t OnData(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const size_t n = size * count;
  if (sink->body->size() + n > sink->limit) {
    sink->overflow = true;
    return 0;  // makes curl stop with CURLE_WRITE_ERROR
  }
  sink->body->append(data, n);
  return n;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* sink = static_cast<Sink*>(user);
  return sink->cancel && sink->cancel->load() ? 1 : 0;
}

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

Response Perform(const Request& request, const std::atomic<bool>* cancel) {
  Response response;
  if (request.url.empty()) {
    response.error = "no URL";
    return response;
  }
  GlobalInit();
  CURL* curl = curl_easy_init();
  if (!curl) {
    response.error = "can't start a transfer";
    return response;
  }
  char errorText[CURL_ERROR_SIZE] = {0};
  Sink sink{&response.body, request.maxResponseBytes, false, cancel};
  curl_slist* headers = nullptr;
  bool headersOk = true;
  for (const auto& [name, value] : request.headers) {
    // A field may not smuggle in further lines of its own.
    if (name.empty() || name.find_first_of("\r\n:") != std::string::npos ||
        value.find_first_of("\r\n") != std::string::npos) {
      curl_slist_free_all(headers);
      curl_easy_cleanup(curl);
      response.error = "invalid header field";
      return response;
    }
    const std::string line = value.empty() ? name + ";" : name + ": " + value;  // "Name;" sends an empty value
    curl_slist* next = curl_slist_append(headers, line.c_str());
    if (!next) {
      headersOk = false;
      break;
    }
    headers = next;
  }
  if (request.post) {
    // Send the body at once instead of waiting for a "100 Continue".
    if (curl_slist* next = curl_slist_append(headers, "Expect:")) headers = next;
  }

  curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, request.connectTimeoutMs);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, request.totalTimeoutMs);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnData);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &OnProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &sink);
  if (headers) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  if (request.post) {
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
  } else {
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  }

  CURLcode code = CURLE_OUT_OF_MEMORY;
  if (headersOk) code = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  response.status = status;
  if (!headersOk) {
    response.error = "out of memory";
  } else if (code != CURLE_OK) {
    if (sink.overflow) {
      response.error = "response too large";
    } else if (code == CURLE_ABORTED_BY_CALLBACK) {
      response.error = "cancelled";
    } else {
      response.error = errorText[0] ? errorText : curl_easy_strerror(code);
    }
  } else if (status < 200 || status > 299) {
    response.error = "HTTP status " + std::to_string(status);
  } else {
    response.ok = true;
  }
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  return response;
}

}  // namespace host::http
