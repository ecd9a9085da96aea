#include "publish/InstallerArchive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Checksum.h"
#include "tests/publish/InstallerScratch.h"

namespace {

using installertest::ListTree;
using installertest::ReadBytes;
using installertest::Scratch;
using installertest::WriteBytes;

std::string Le32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return s;
}

std::string Trailer(uint32_t length, uint32_t kind) { return Le32(length) + Le32(kind); }

std::string WideField(const std::wstring& name) {
  std::string s;
  for (wchar_t c : name) s += Le32(static_cast<uint32_t>(c));
  return s + Le32(static_cast<uint32_t>(name.size()));
}

const std::string kMagic("\xFF\xEE\x51\x58", 4);

// An archive made by hand: the empty first record, the payload and its trailer, the magic.
std::string OneRecordArchive(const std::string& payload, uint32_t kind) {
  return Trailer(0, 0) + payload + Trailer(static_cast<uint32_t>(payload.size()), kind) + kMagic;
}

TEST(InstallerArchiveFields, EncodersWriteTheirBytesAndCounts) {
  struct Case {
    const char* what;
    std::string bytes;
    size_t count;
    std::string expected;
  };
  std::vector<Case> cases;
  {
    std::string out;
    size_t n = WriteArchiveU32(out, 0x12345678);
    cases.push_back({"word", out, n, std::string("\x78\x56\x34\x12", 4)});
  }
  {
    std::string out;
    size_t n = WriteArchiveU8(out, 0xAB);
    cases.push_back({"byte", out, n, "\xAB"});
  }
  {
    std::string out;
    size_t n = WriteArchiveBlob(out, "xyz", 3);
    cases.push_back({"blob", out, n, "xyz" + Le32(3)});
  }
  {
    std::string out;
    size_t n = WriteArchiveBlob(out, nullptr, 0);
    cases.push_back({"empty blob", out, n, Le32(0)});
  }
  {
    std::string out;
    size_t n = WriteArchiveWideString(out, L"a\u00e9\U0001F600");
    cases.push_back({"wide string", out, n, Le32('a') + Le32(0xE9) + Le32(0x1F600) + Le32(3)});
  }
  {
    std::string out;
    size_t n = WriteArchiveRecordHeader(out, 7, 0x100);
    cases.push_back({"trailer", out, n, Le32(0x100) + Le32(7)});
  }
  for (const Case& c : cases) {
    EXPECT_EQ(c.bytes, c.expected) << c.what;
    EXPECT_EQ(c.count, c.expected.size()) << c.what;
  }
}

TEST(InstallerArchiveFields, OnlyPlainFileNamesAreWritten) {
  struct Case {
    std::wstring name;
    bool plain;
  };
  const std::vector<Case> cases = {
      {L"Read Me.rtf", true},
      {std::wstring(255, L'n'), true},
      {std::wstring(256, L'n'), false},  // its count would not fit the byte the format keeps
      {L"", false},
      {L".", false},
      {L"..", false},
      {L"...", true},
      {L"../evil", false},
      {L"a/b", false},
      {L"/abs", false},
      {std::wstring(L"a\0b", 3), false},
      {std::wstring(1, static_cast<wchar_t>(0xD800)), false},
      {std::wstring(1, static_cast<wchar_t>(0x110000)), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsPlainFileName(c.name), c.plain) << c.name.size();
    std::string out;
    EXPECT_EQ(WriteArchiveWideString(out, c.name) != 0, c.plain) << c.name.size();
    if (!c.plain) {
      EXPECT_TRUE(out.empty());
    }
  }
}

TEST(InstallerArchiveFields, LineEndsBecomeCrLf) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a\rb\nc\r\nd", "a\r\nb\r\nc\r\nd"},  // 8 bytes become 10
      {"end\r", "end\r\n"},
      {"\n\n", "\r\n\r\n"},
      {"\r\r\n", "\r\n\r\n"},
      {"\n\r", "\r\n\r\n"},
      {"", ""},
      {"plain", "plain"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(ConvertLineEndsToCrLf(in), out) << in;
}

class InstallerArchiveTest : public ::testing::Test {
 protected:
  std::string Source(const std::string& name, const std::string& bytes) {
    const std::string path = scratch_ / name;
    WriteBytes(path, bytes);
    return path;
  }
  WideString W(const std::string& path) { return Utf8ToWide(path); }

  Scratch scratch_;
};

TEST_F(InstallerArchiveTest, RecordsHaveTheirPayloadLayoutAndLength) {
  const std::string text = "line one\nline two\r\n";
  const std::string textPath = Source("Read Me.rtf", text);
  const std::string descPath = Source("desc.xml", "<installer />");

  {  // uncompressed content: blob, flag 0, name, trailer
    InstallerContentRecord r;
    r.SetPath(W(textPath));
    r.SetCompressed(false);
    std::string out;
    ASSERT_TRUE(r.Write(out));
    const std::string payload = text + Le32(static_cast<uint32_t>(text.size())) + '\0' + WideField(L"Read Me.rtf");
    EXPECT_EQ(out, payload + Trailer(static_cast<uint32_t>(payload.size()), 2));
    EXPECT_EQ(r.PayloadLength(), payload.size());
  }
  {  // compressed content: payload = (n + 4) + 1 + (4 x count + 4), the compressed blob included
    InstallerContentRecord r;
    r.SetPath(W(textPath));
    std::string out;
    ASSERT_TRUE(r.Write(out));
    size_t n = 0;
    ASSERT_TRUE(CompressToNewBuffer(text.data(), text.size(), n));
    EXPECT_EQ(r.PayloadLength(), (n + 4) + 1 + (4 * 11 + 4));
    EXPECT_EQ(out.size(), r.PayloadLength() + 8u);
    EXPECT_EQ(out[n + 4], '\x01');
  }
  {  // read-me: line ends converted before compression
    InstallerReadMeRecord r;
    r.SetPath(W(textPath));
    std::string out;
    ASSERT_TRUE(r.Write(out));
    uint32_t blobLength = 0;
    std::memcpy(&blobLength, out.data() + out.size() - 8 - 4 - 44 - 1 - 4, 4);
    size_t length = 0;
    auto plain = UncompressToNewBuffer(out.data(), blobLength, length);
    ASSERT_TRUE(plain);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(plain.get()), length), "line one\r\nline two\r\n");
  }
  {  // description and configuration: a blob, n + 4
    InstallerFileRecord d;
    InstallerConfigRecord c;
    d.SetPath(W(descPath));
    c.SetPath(W(descPath));
    std::string out;
    ASSERT_TRUE(d.Write(out));
    ASSERT_TRUE(c.Write(out));
    const std::string blob = "<installer />" + Le32(13);
    EXPECT_EQ(out, blob + Trailer(17, 1) + blob + Trailer(17, 6));
  }
  {  // picture 300 x 200 at 24 bits: blob of 180,000 bytes, payload 16 more
    InstallerPictureRecord p;
    ASSERT_TRUE(p.Picture().Allocate(300, 200, 24));
    std::memset(p.Picture().Pixels(), 0x5A, p.Picture().Size());
    std::string out;
    ASSERT_TRUE(p.Write(out));
    EXPECT_EQ(p.PayloadLength(), 180000u + 16);
    EXPECT_EQ(out.substr(180000, 24), Le32(180000) + Le32(24) + Le32(200) + Le32(300) + Trailer(180016, 7));
  }
  {  // the base record: the trailer alone
    InstallerRecord r;
    std::string out;
    ASSERT_TRUE(r.Write(out));
    EXPECT_EQ(out, Trailer(0, 0));
  }
}

TEST_F(InstallerArchiveTest, RecordsWithoutTheirSourceFailAndWriteNothing) {
  InstallerContentRecord content;
  content.SetPath(W(scratch_ / "missing.txt"));
  InstallerFileRecord file;
  file.SetPath(W(scratch_ / "missing.dat"));
  InstallerPictureRecord empty;
  std::string out;
  EXPECT_FALSE(content.Write(out));
  EXPECT_FALSE(file.Write(out));
  EXPECT_FALSE(empty.Write(out));
  EXPECT_TRUE(out.empty());

  // An archive with a failed record is not put in place; the old file stays.
  const std::string archivePath = Source("old.arc", "old");
  InstallerArchiveWriter writer;
  ASSERT_TRUE(writer.Open(W(archivePath)));
  EXPECT_FALSE(writer.Add(content));
  EXPECT_FALSE(writer.Finish());
  EXPECT_EQ(ReadBytes(archivePath), "old");
}

// A full archive: the description, two content files (one stored plain), the picture, then the
// configuration, read-me and licence last.
class InstallerArchiveRoundTrip : public InstallerArchiveTest {
 protected:
  void SetUp() override {
    desc_ = "<installer steps=\"0\" >\n</installer>\n";
    first_ = std::string(5000, 'q') + "tail";
    second_ = std::string("\0\1\2\3binary", 10);
    InstallerFileRecord d;
    d.SetPath(W(Source("installer.xml", desc_)));
    InstallerContentRecord c1;
    c1.SetPath(W(Source("Read Me.rtf", first_)));
    InstallerContentRecord c2;
    c2.SetPath(W(Source("data1.dat", second_)));
    c2.SetCompressed(false);
    InstallerPictureRecord p;
    ASSERT_TRUE(p.Picture().Allocate(3, 2, 24));
    for (size_t i = 0; i < p.Picture().Size(); ++i) p.Picture().Pixels()[i] = static_cast<uint8_t>(i * 7);
    InstallerConfigRecord cfg;
    cfg.SetPath(W(Source("cfg", std::string("\x66\0\0\0", 4))));
    InstallerReadMeRecord rm;
    rm.SetPath(W(Source("notes.txt", "a\rb\nc\r\nd")));
    InstallerLicenseRecord li;
    li.SetPath(W(Source("terms.txt", "free\n")));

    path_ = scratch_ / "setup.arc";
    InstallerArchiveWriter w;
    ASSERT_TRUE(w.Open(W(path_)));
    for (InstallerRecord* r : std::vector<InstallerRecord*>{&d, &c1, &c2, &p, &cfg, &rm, &li}) ASSERT_TRUE(w.Add(*r));
    ASSERT_TRUE(w.Finish());
    out_ = scratch_ / "out";
    ASSERT_TRUE(archive_.Open(W(path_)));
    archive_.SetExtractFolder(W(out_));
  }

  std::string desc_, first_, second_, path_, out_;
  InstallerArchive archive_;
};

TEST_F(InstallerArchiveRoundTrip, ReadAllExtractsEveryFileAndIndexesTheRecords) {
  ASSERT_TRUE(archive_.ReadAll()) << archive_.Error();
  EXPECT_EQ(ListTree(out_), (std::vector<std::string>{"License.txt", "Read Me.rtf", "ReadMe.txt", "data1.dat",
                                                      "icd0.dat", "installer.dat"}));
  EXPECT_EQ(ReadBytes(out_ + "/installer.dat"), desc_);
  EXPECT_EQ(ReadBytes(out_ + "/Read Me.rtf"), first_);
  EXPECT_EQ(ReadBytes(out_ + "/data1.dat"), second_);
  EXPECT_EQ(ReadBytes(out_ + "/ReadMe.txt"), "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(ReadBytes(out_ + "/License.txt"), "free\r\n");
  EXPECT_EQ(ReadBytes(out_ + "/icd0.dat"), std::string("\x66\0\0\0", 4));

  // Contents in reading order: the last written first.
  ASSERT_EQ(archive_.Contents().size(), 2u);
  const auto* last = dynamic_cast<const InstallerContentRecord*>(archive_.Contents().front().record.get());
  const auto* earlier = dynamic_cast<const InstallerContentRecord*>(archive_.Contents().back().record.get());
  ASSERT_TRUE(last && earlier);
  EXPECT_EQ(last->Name(), L"data1.dat");
  EXPECT_FALSE(last->Compressed());
  EXPECT_EQ(earlier->Name(), L"Read Me.rtf");
  EXPECT_TRUE(earlier->Compressed());
  ASSERT_TRUE(archive_.Description() && archive_.ReadMe() && archive_.License() && archive_.Picture());
  const auto& picture = static_cast<const InstallerPictureRecord&>(*archive_.Picture()->record).Picture();
  ASSERT_EQ(picture.Width(), 3u);
  ASSERT_EQ(picture.Height(), 2u);
  ASSERT_EQ(picture.BitsPerPixel(), 24);
  for (size_t i = 0; i < picture.Size(); ++i) EXPECT_EQ(picture.Pixels()[i], static_cast<uint8_t>(i * 7));
  // The description's offset is where its payload ends: right after the empty first record.
  EXPECT_EQ(archive_.Description()->offset, 8u + desc_.size() + 4);
  EXPECT_EQ(archive_.Position(), 0u);  // the empty first record's trailer was the last thing read
}

TEST_F(InstallerArchiveRoundTrip, ReadTrailingTextsExtractsOnlyTheTextsWrittenLast) {
  ASSERT_TRUE(archive_.ReadTrailingTexts()) << archive_.Error();
  EXPECT_EQ(ListTree(out_), (std::vector<std::string>{"License.txt", "ReadMe.txt", "icd0.dat"}));
  EXPECT_FALSE(archive_.ReadMe());
  EXPECT_FALSE(archive_.Picture());
  EXPECT_TRUE(archive_.Contents().empty());
}

TEST_F(InstallerArchiveRoundTrip, ReadAllButContentsStepsOverTheContentFiles) {
  ASSERT_TRUE(archive_.ReadAllButContents()) << archive_.Error();
  EXPECT_EQ(ListTree(out_), (std::vector<std::string>{"License.txt", "ReadMe.txt", "icd0.dat", "installer.dat"}));
  EXPECT_TRUE(archive_.Contents().empty());
  EXPECT_FALSE(archive_.Description());
  ASSERT_TRUE(archive_.Picture());
  // Having stepped over both content records it landed on the description's trailer (the
  // description was extracted) and went on to the empty first record.
  EXPECT_EQ(archive_.Position(), 0u);
}

TEST_F(InstallerArchiveTest, ReadTrailingTextsStopsAtAContentRecord) {
  InstallerReadMeRecord rm;
  rm.SetPath(W(Source("r.txt", "r")));
  InstallerContentRecord c;
  c.SetPath(W(Source("c.bin", "c")));
  const std::string path = scratch_ / "a.arc";
  InstallerArchiveWriter w;
  ASSERT_TRUE(w.Open(W(path)));
  ASSERT_TRUE(w.Add(rm));
  ASSERT_TRUE(w.Add(c));
  ASSERT_TRUE(w.Finish());

  InstallerArchive a;
  ASSERT_TRUE(a.Open(W(path)));
  a.SetExtractFolder(W(scratch_ / "out"));
  EXPECT_TRUE(a.ReadTrailingTexts());
  EXPECT_TRUE(ListTree(scratch_ / "out").empty());
  // The position is at the content record's first byte, just after the read-me's trailer.
  EXPECT_EQ(a.Position(), ReadBytes(path).size() - 4 - 8 - c.PayloadLength());
}

TEST_F(InstallerArchiveTest, HostileArchivesAreRefusedWithoutWritingOutsideTheFolder) {
  const std::string okName = WideField(L"ok.txt");
  const std::string small = "hello" + Le32(5);
  struct Case {
    const char* what;
    std::string bytes;
    int error;
  };
  const std::vector<Case> cases = {
      {"last byte of the magic off by one", Trailer(0, 0) + std::string("\xFF\xEE\x51\x59", 4), kArchiveNotAnArchive},
      {"empty file", "", kArchiveNotAnArchive},
      {"magic only in the middle", kMagic + "x", kArchiveNotAnArchive},
      {"traversing name", OneRecordArchive(small + '\0' + WideField(L"../escaped.txt"), 2), kArchiveDamaged},
      {"name with a slash", OneRecordArchive(small + '\0' + WideField(L"sub/x"), 2), kArchiveDamaged},
      {"dot-dot name", OneRecordArchive(small + '\0' + WideField(L".."), 2), kArchiveDamaged},
      {"empty name", OneRecordArchive(small + '\0' + WideField(L""), 2), kArchiveDamaged},
      {"name with NUL", OneRecordArchive(small + '\0' + WideField(std::wstring(L"a\0b", 3)), 2), kArchiveDamaged},
      {"name count of 256", OneRecordArchive(small + '\0' + WideField(std::wstring(256, L'n')), 2), kArchiveDamaged},
      {"name count beyond the record", OneRecordArchive(small + '\0' + Le32('a') + Le32(9), 2), kArchiveDamaged},
      {"flag byte 2", OneRecordArchive(small + '\2' + okName, 2), kArchiveDamaged},
      {"blob count beyond the record", OneRecordArchive("hello" + Le32(0xFFFFFFF0) + '\0' + okName, 2),
       kArchiveDamaged},
      {"blob count reaching into the record before", OneRecordArchive("hello" + Le32(6) + '\0' + okName, 2),
       kArchiveDamaged},
      {"record length beyond the file", Trailer(0xFFFFFF00, 1) + kMagic, kArchiveDamaged},
      {"payload longer than its fields", OneRecordArchive("junk" + small, 1), kArchiveDamaged},
      {"trailer cut short", std::string("\0\0\0", 3) + Le32(1) + kMagic, kArchiveDamaged},
      {"compressed flag on plain bytes", OneRecordArchive(small + '\1' + okName, 2), kArchiveDamaged},
      {"picture larger than its blob", OneRecordArchive(small + Le32(24) + Le32(1000) + Le32(1000), 7),
       kArchiveDamaged},
      {"picture of 16 bits", OneRecordArchive(std::string(6, 'p') + Le32(6) + Le32(16) + Le32(1) + Le32(3), 7),
       kArchiveDamaged},
      {"picture too large to exist", OneRecordArchive(small + Le32(32) + Le32(0xFFFFFFFF) + Le32(0xFFFFFFFF), 7),
       kArchiveDamaged},
  };
  for (const Case& c : cases) {
    Scratch root;
    const std::string out = root / "deep";
    InstallerArchive a;
    a.OpenBytes(c.bytes);
    a.SetExtractFolder(W(out));
    EXPECT_FALSE(a.ReadAll()) << c.what;
    EXPECT_EQ(a.Error(), c.error) << c.what;
    EXPECT_TRUE(a.Contents().empty()) << c.what;
    const auto tree = ListTree(root.Path());
    EXPECT_TRUE(tree.empty() || tree == std::vector<std::string>{"deep/"}) << c.what << ": " << tree.size();
  }
}

TEST_F(InstallerArchiveTest, AWellFormedHandMadeArchiveReads) {
  // The same layout as the hostile table's cases, with every field right, so those cases fail
  // for the one fault each holds.
  InstallerArchive a;
  a.OpenBytes(OneRecordArchive("hello" + Le32(5) + '\0' + WideField(L"ok.txt"), 2));
  a.SetExtractFolder(W(scratch_ / "out"));
  ASSERT_TRUE(a.ReadAll()) << a.Error();
  EXPECT_EQ(ReadBytes(scratch_ / "out/ok.txt"), "hello");

  // An archive with no empty first record ends cleanly at the file's start.
  a.OpenBytes("hello" + Le32(5) + Trailer(9, 1) + kMagic);
  EXPECT_TRUE(a.ReadAll()) << a.Error();
  EXPECT_EQ(ReadBytes(scratch_ / "out/installer.dat"), "hello");
}

TEST_F(InstallerArchiveTest, AnExtractedFileThatCannotBeWrittenIsReported) {
  // The extraction folder's place is taken by a file.
  const std::string blocked = Source("blocked", "x");
  InstallerArchive a;
  a.OpenBytes(OneRecordArchive("hello" + Le32(5), 1));
  a.SetExtractFolder(W(blocked));
  EXPECT_FALSE(a.ReadAll());
  EXPECT_EQ(a.Error(), kArchiveExtractFailed);
}

}  // namespace
