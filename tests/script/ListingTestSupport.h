// Listings of compiled scripts for the code generator's tests: a script is compiled, the
// verifier must accept its actions, and the actions are listed from their bytes.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/script/ScriptTestSupport.h"

namespace scripttest {

// The listing of a script's actions, after the verifier has accepted them.
inline std::string Listing(const std::string& script, int32_t version = 6) {
  std::vector<uint8_t> bytes;
  avmverify::VerifyResult result = CompileAndVerify(script, version, bytes);
  EXPECT_TRUE(result.Ok()) << script << "\n" << result.Report() << "\n" << ListActions(bytes);
  return ListActions(bytes);
}

struct ListingCase {
  const char* script;
  const char* listing;
};

inline void ExpectListings(const std::vector<ListingCase>& cases, int32_t version = 6) {
  for (const ListingCase& c : cases) {
    SCOPED_TRACE(c.script);
    EXPECT_EQ(Listing(c.script, version), c.listing);
  }
}

}  // namespace scripttest
