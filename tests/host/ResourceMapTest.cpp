#include "host/ResourceMap.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace host::rsrc;

namespace {

ResourceMap Sample() {
  ResourceMap map;
  map.Set({FourCC("GfXX"), 128, "", false, 0, std::string("\x89PNG\r\n\x1a\n", 8)});
  map.Set({FourCC("SIZE"), -1, "", false, 0x20, std::string(10, '\0')});
  map.Set({FourCC("GfXX"), 129, "splash", true, 0, std::string(1000, 'x')});
  map.Set({FourCC("STR "), 0, "empty", true, 0, ""});
  map.SetForkAttributes(0x0080);
  return map;
}

}  // namespace

TEST(HostResourceMap, RoundTripsTypesIdsNamesAndAttributes) {
  std::string bytes, error;
  ASSERT_TRUE(Sample().Serialize(bytes, &error)) << error;
  // The header points at data from 256 and at the map after it.
  EXPECT_EQ(bytes.substr(0, 4), std::string("\0\0\x01\0", 4));
  ResourceMap back;
  ASSERT_TRUE(back.Parse(bytes, &error)) << error;
  ASSERT_EQ(back.Resources().size(), 4u);
  EXPECT_EQ(back.ForkAttributes(), 0x0080);
  const ResourceMap sample = Sample();
  for (const auto& r : sample.Resources()) {
    const Resource* got = back.Find(r.type, r.id);
    ASSERT_NE(got, nullptr) << FourCCText(r.type) << r.id;
    EXPECT_EQ(got->data, r.data);
    EXPECT_EQ(got->name, r.name);
    EXPECT_EQ(got->hasName, r.hasName);
    EXPECT_EQ(got->attributes, r.attributes);
  }
  EXPECT_EQ(back.Find(FourCC("GfXX"), 130), nullptr);
  std::string again;
  ASSERT_TRUE(back.Serialize(again));
  EXPECT_EQ(again, bytes);
}

TEST(HostResourceMap, EmptyMapRoundTrips) {
  std::string bytes;
  ASSERT_TRUE(ResourceMap().Serialize(bytes));
  ResourceMap back;
  ASSERT_TRUE(back.Parse(bytes));
  EXPECT_TRUE(back.Resources().empty());
}

TEST(HostResourceMap, RefusesDamagedFilesWithoutReadingOutside) {
  std::string good;
  ASSERT_TRUE(Sample().Serialize(good));
  ResourceMap map;
  // Every truncation fails cleanly (the map is at the end).
  for (size_t n = 0; n < good.size(); n += 7) EXPECT_FALSE(map.Parse(good.substr(0, n))) << n;
  // A data length pointing past the data, a map offset past the file, overlapping references.
  std::string bad = good;
  bad[256] = '\x7f';
  EXPECT_FALSE(map.Parse(bad));
  bad = good;
  bad[4] = '\x7f';
  EXPECT_FALSE(map.Parse(bad));
  // Random corruption never crashes and never yields more data than the file holds.
  std::mt19937 rng(7);
  for (int i = 0; i < 5000; ++i) {
    std::string b = good;
    for (int k = 0; k < 4; ++k) b[rng() % b.size()] = static_cast<char>(rng());
    if (map.Parse(b)) {
      size_t total = 0;
      for (const auto& r : map.Resources()) total += r.data.size();
      EXPECT_LE(total, b.size());
    }
  }
}

TEST(HostResourceMap, RefusesWhatTheFormatCannotHold) {
  ResourceMap map;
  map.Set({FourCC("TEXT"), 1, std::string(256, 'n'), true, 0, "x"});
  std::string out, error;
  EXPECT_FALSE(map.Serialize(out, &error));
  EXPECT_FALSE(error.empty());
}
