// Asks the update server which version of the program is current. The server answers the
// path "/swupdate/swvers.php?pcd=<product>" with "major.minor" ("1.211"); anything after the
// minor number's digits is ignored.
//
// The server's address is numbered text 11009 of the bundle. The query goes through the HTTP
// client with short time-outs, so a machine without a network costs only the failed connect;
// QueryInBackground runs it on a thread of its own and hands the answer to the main loop, so
// the window never waits for it.
#pragma once

#include <functional>
#include <string>

#include "platform/WideString.h"

class UpdateCheck {
 public:
  // The product number the program passes; the query carries it plus kProductOffset.
  static constexpr int kProduct = 1821;
  static constexpr int kProductOffset = 5762;
  // The running version.
  static constexpr int kMajor = 1;
  static constexpr int kMinor = 210;
  // The numbered text that holds the server's address.
  static constexpr int kServerStringNumber = 11009;

  UpdateCheck() = default;

  // The server's address (scheme, host and port, no path); empty: the bundle's text.
  void SetServer(const std::string& server) { server_ = server; }
  // The address every check without one of its own asks instead of the bundle's (tests
  // serve the query themselves); empty: the bundle's text again.
  static void SetDefaultServer(const std::string& server);
  void SetTimeouts(long connectMs, long totalMs) {
    connectMs_ = connectMs;
    totalMs_ = totalMs;
  }

  // True when an answer with both numbers arrived. The current numbers take the arguments.
  bool Query(int productBase, int currentMajor, int currentMinor);
  // Runs Query on a copy of this check on a thread of its own; `done` runs later on the main
  // loop with the result and the copy (this check need not outlive the call).
  void QueryInBackground(int productBase, int currentMajor, int currentMinor,
                         std::function<void(bool ok, const UpdateCheck& answered)> done) const;

  bool IsNewerAvailable() const {
    return currentMajor_ < latestMajor_ || (currentMajor_ == latestMajor_ && currentMinor_ < latestMinor_);
  }

  // Reads "major.minor" from the first bytes of an answer; false (the numbers unchanged) when
  // the answer does not start so.
  static bool ParseVersion(const char* bytes, size_t length, int& major, int& minor);

  int LatestMajor() const { return latestMajor_; }
  int LatestMinor() const { return latestMinor_; }
  const WideString& QueryUrl() const { return url_; }

 private:
  std::string server_;
  long connectMs_ = 5000;
  long totalMs_ = 15000;
  int currentMajor_ = 0;
  int currentMinor_ = 0;
  int latestMajor_ = 0;
  int latestMinor_ = 0;
  WideString url_;
};
