// The byte layer against movies made by other tools: every compressed movie inflates, every
// movie's tags can be walked and written again, and what is written reads back the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "SwfTestSupport.h"
#include "swf/SwfCompression.h"
#include "swf/SwfFileWriter.h"
#include "swf/SwfHeader.h"

namespace {

using namespace swftest;

struct WalkedTag {
  int code;
  Bytes body;
  bool operator==(const WalkedTag& o) const { return code == o.code && body == o.body; }
};

// Splits an "FWS" movie into its tags, up to the End tag or the end of the data.
bool WalkTags(const Bytes& fws, SwfHeader& header, std::vector<WalkedTag>& tags) {
  SwfReader reader(fws, fws.size() > 3 ? fws[3] : 6);
  if (header.ReadFrom(reader, true) == 0) return false;
  tags.clear();
  while (reader.GetRemaining() != 0) {
    SwfTagHeader th;
    if (!ReadTagHeader(reader, th)) break;
    RawTag tag(th.code, th.length);
    {
      SwfReaderRange body(reader, th.length, SwfReaderRange::Overrun::Contain);
      tag.Read(reader);
    }
    tags.push_back({th.code, tag.GetBody()});
    if (th.code == 0) break;
  }
  return true;
}

std::vector<std::filesystem::path> CorpusMovies() {
  std::vector<std::filesystem::path> movies;
  const std::filesystem::path root(PLENWICK_CORPUS_DIR);
  std::error_code ec;
  if (!std::filesystem::is_directory(root, ec)) return movies;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root, ec)) {
    if (entry.is_regular_file() && entry.path().extension() == ".swf") movies.push_back(entry.path());
  }
  std::sort(movies.begin(), movies.end());
  return movies;
}

TEST(SwfCorpus, MoviesInflateWalkAndRewrite) {
  const auto movies = CorpusMovies();
  if (movies.empty()) GTEST_SKIP() << "no corpus at " << PLENWICK_CORPUS_DIR;
  ScratchDir dir;
  int checked = 0;
  for (const auto& path : movies) {
    const Bytes file = ReadFile(path.string());
    if (file.size() < 8 || file[1] != 'W' || file[2] != 'S') continue;
    if (file[0] != 'F' && file[0] != 'C') continue;  // LZMA movies are not ours to read
    SCOPED_TRACE(path.string());
    Bytes fws = file;
    if (file[0] == 'C') {
      ASSERT_EQ(InflateSwf(file.data(), file.size(), fws), SwfInflateResult::kOk);
      const uint32_t declared = file[4] | (file[5] << 8) | (file[6] << 16) | (uint32_t{file[7]} << 24);
      EXPECT_EQ(fws.size(), declared);
    }
    SwfHeader header;
    std::vector<WalkedTag> tags;
    ASSERT_TRUE(WalkTags(fws, header, tags));
    const auto frames = std::count_if(tags.begin(), tags.end(), [](const WalkedTag& t) { return t.code == 1; });

    // Written again tag by tag, the movie reads back with the same tags and frame count.
    SwfFileWriter writer;
    writer.CopyHeader(header);
    ASSERT_TRUE(writer.Open(dir.Path("copy.swf"), true));
    for (const WalkedTag& t : tags) writer.AddTag(Tag(t.code, t.body));
    ASSERT_NE(writer.Close(), 0u);
    const Bytes copy = ReadFile(dir.Native("copy.swf"));
    SwfHeader copyHeader;
    std::vector<WalkedTag> copyTags;
    ASSERT_TRUE(WalkTags(copy, copyHeader, copyTags));
    EXPECT_EQ(copyHeader.fileLength, copy.size());
    EXPECT_EQ(copyHeader.frameCount, frames);
    EXPECT_TRUE(copyHeader.frameSize == header.frameSize);
    EXPECT_EQ(copyHeader.version, header.version);
    // Repeated frame labels are dropped by the writer; everything else is kept as it was.
    std::vector<WalkedTag> expected;
    std::vector<Bytes> labels;
    for (const WalkedTag& t : tags) {
      if (t.code == 43) {
        Bytes label(t.body.begin(), std::find(t.body.begin(), t.body.end(), 0));
        if (std::find(labels.begin(), labels.end(), label) != labels.end()) continue;
        labels.push_back(label);
      }
      expected.push_back(t);
    }
    EXPECT_TRUE(copyTags == expected);

    // And it survives compression both ways.
    Bytes cws;
    Bytes back;
    ASSERT_TRUE(DeflateSwf(copy.data(), copy.size(), cws));
    ASSERT_EQ(InflateSwf(cws.data(), cws.size(), back), SwfInflateResult::kOk);
    EXPECT_EQ(back, copy);
    ++checked;
  }
  EXPECT_GT(checked, 100);
}

}  // namespace
