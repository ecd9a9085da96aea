#include "host/Bundle.h"

#include <gtest/gtest.h>

TEST(HostBundle, FindsTheBuildTreeBundleAndItsResources) {
  // ctest points PLENWICK_BUNDLE at <build>/Plenwick.app.
  EXPECT_EQ(host::bundle::BundlePath(), std::string(PLENWICK_BUNDLE_DIR));
  EXPECT_EQ(host::bundle::ResourcePath("Localizable.strings"),
            std::string(PLENWICK_BUNDLE_DIR) + "/Resources/Localizable.strings");
}
