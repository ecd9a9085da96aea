// The application bundle: the folder "Plenwick.app" that holds the executable (bin/) and
// the resources (Resources/). It is found from the running executable, so it works in the
// build tree and after installation; the environment variable PLENWICK_BUNDLE overrides it
// (the test suites point it at the build tree's bundle).
#pragma once

#include <string>

namespace host::bundle {

// Absolute path of the bundle folder, UTF-8, without a trailing '/'; empty when no bundle
// with a Resources folder was found.
const std::string& BundlePath();

// Absolute path of the bundle's Resources folder, without a trailing '/'; empty when none.
std::string ResourcesPath();

// Absolute path of a named resource inside Resources/ (whether or not it exists); empty when
// there is no bundle.
std::string ResourcePath(const std::string& name);

// Replaces the bundle path (tests use it to point at a fixture bundle). An empty path makes
// the next call look the bundle up again.
void SetBundlePathForTesting(const std::string& path);

}  // namespace host::bundle
