#include "platform/ResourceFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "host/ResourceFork.h"

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

TEST(ResourceFile, SetSizeResourceWritesTheSizesIntoTheFork) {
  char pattern[] = "/tmp/plenwick-rsrc-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string app = std::string(pattern) + "/Projector";
  { std::ofstream(app) << "code"; }
  const WideString path = Utf8ToWide(app);
  EXPECT_FALSE(SetSizeResource(path, 0x700000, 0x100000));  // no fork

  host::rsrc::ResourceMap map;
  map.Set({host::rsrc::FourCC("SIZE"), -1, "", false, 0, std::string(10, '\xAA')});
  map.Set({host::rsrc::FourCC("SIZE"), 0, "", false, 0, std::string(4, '\xAA')});
  std::string fork;
  ASSERT_TRUE(map.Serialize(fork));
  ASSERT_EQ(host::fs::WriteResourceFork(app, fork), 0);
  ASSERT_TRUE(SetSizeResource(path, 0x700000, 0x100000));

  ResourceFile file;
  ASSERT_TRUE(file.Open(path)) << file.LastError();  // the fork, not the content "code"
  std::string size;
  ASSERT_TRUE(file.GetResource(host::rsrc::FourCC("SIZE"), -1, size));
  EXPECT_EQ(size, std::string("\xAA\xAA\x00\x70\x00\x00\x00\x10\x00\x00", 10));

  // A 'SIZE' too short for the two sizes is refused, not overrun.
  map.Remove(host::rsrc::FourCC("SIZE"), -1);
  map.Set({host::rsrc::FourCC("SIZE"), -1, "", false, 0, std::string(6, '\0')});
  ASSERT_TRUE(map.Serialize(fork));
  ASSERT_EQ(host::fs::WriteResourceFork(app, fork), 0);
  EXPECT_FALSE(SetSizeResource(path, 1, 2));
  std::filesystem::remove_all(pattern);
}
