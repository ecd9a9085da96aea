// Points the bundle at a fixture folder for one test and restores the real one afterwards.
#pragma once

#include <string>

#include "host/Bundle.h"

class ScopedFixtureBundle {
 public:
  explicit ScopedFixtureBundle(const std::string& name) {
    host::bundle::SetBundlePathForTesting(std::string(PLENWICK_TEST_DATA_DIR) + "/" + name);
  }
  ~ScopedFixtureBundle() { host::bundle::SetBundlePathForTesting(""); }
  ScopedFixtureBundle(const ScopedFixtureBundle&) = delete;
  ScopedFixtureBundle& operator=(const ScopedFixtureBundle&) = delete;
};
