#include "platform/ResourceFile.h"

#include <gtest/gtest.h>


TEST(ResourceFile, MainRsrcOfTheBundleHoldsTheSplashPicture) {
  std::string data = "untouched";
  size_t size = 12345;
  ASSERT_TRUE(GetMainRsrcResource(host::rsrc::FourCC("GfXX"), 128, data, &size));
  EXPECT_EQ(size, data.size());
  EXPECT_EQ(data.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  // The splash picture is 400 x 240 (the IHDR chunk follows the signature).
  ASSERT_GE(data.size(), 24u);
  EXPECT_EQ(data.substr(12, 12), std::string("IHDR\0\0\x01\x90\0\0\0\xf0", 12));
  EXPECT_TRUE(ReleaseMainRsrcResource(data));
  EXPECT_TRUE(data.empty());

  // A missing resource leaves the outputs alone.
  data = "untouched";
  size = 12345;
  EXPECT_FALSE(GetMainRsrcResourceCached(host::rsrc::FourCC("GfXX"), 9999, data, &size));
  EXPECT_EQ(data, "untouched");
  EXPECT_EQ(size, 12345u);
}

TEST(ResourceFile, RefusesFilesThatAreNotResourceFiles) {
  ResourceFile file;
  EXPECT_FALSE(file.Open(L"/nonexistent/main.rsrc"));
  EXPECT_FALSE(file.Open(Utf8ToWide(std::string(PLENWICK_BUNDLE_DIR) + "/Resources/Localizable.strings")));
  EXPECT_FALSE(file.IsOpen());
  std::string data;
  EXPECT_FALSE(file.GetResource(host::rsrc::FourCC("GfXX"), 128, data));
}
