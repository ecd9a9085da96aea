#include "platform/XmlWriter.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/FileTypes.h"
#include "platform/TempFolder.h"
#include "platform/WideTextBuffer.h"
#include "platform/XmlDocument.h"

namespace {

class XmlWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/plenwick-xmlwriter-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::string cmd = "rm -rf '" + dir_ + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  WideString Path(const char* name) const { return Utf8ToWide(dir_ + "/" + name); }
  static std::string Read(const WideString& path) {
    std::ifstream in(WideToUtf8(path), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string dir_;
};

}  // namespace

TEST_F(XmlWriterTest, HeaderFormsAndTrailers) {
  struct Case {
    bool writeHeader;
    bool declaration;
    const char* expected;
  };
  const Case cases[] = {
      {true, false, "<xml version=\"1.0\" encoding=\"UTF-8\">\n<a x=\"1\" />\n</xml>\n"},
      {false, false, "<a x=\"1\" />\n"},
      {true, true, "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<a x=\"1\" />\n"},
  };
  for (const auto& c : cases) {
    XmlWriterOptions options;
    options.writeHeader = c.writeHeader;
    options.declarationForm = c.declaration;
    XmlWriter w;
    ASSERT_TRUE(w.Open(Path("h.xml"), options, true));
    w.WriteRaw(L"<a x=\"").WriteLong(1).WriteRaw(L"\" />");
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(Read(Path("h.xml")), c.expected);
  }
}

TEST_F(XmlWriterTest, EveryKindOfValueReadsBackEqual) {
  const std::wstring texts[] = {
      L"",
      L"plain",
      L"<&>\"'",
      L"a\nb\rc\td",
      L"\U0001F600 \U0010FFFD \u00E9\u20AC\u0101\u4E2D",
      L"&amp; &#x41; ]]> <!-- -->",
      L"  spaced  ",
  };
  const int32_t longs[] = {0, -1, INT32_MIN, INT32_MAX};
  const double doubles[] = {0.5, 100.0, 1234567.0, 1e-07, -3.25, 29.97};
  {
    XmlWriter w;
    ASSERT_TRUE(w.Open(Path("v.xml")));
    w.WriteRaw(L"<values>\n");
    for (const auto& t : texts)
      w.WriteRaw(L"<t v=\"").WriteEscaped(t).WriteRaw(L"\">").WriteEscaped(t).WriteRaw(L"</t>\n");
    for (int32_t v : longs) w.WriteRaw(L"<l v=\"").WriteLong(v).WriteRaw(L"\" />\n");
    w.WriteRaw(L"<u v=\"").WriteULong(UINT32_MAX).WriteRaw(L"\" s=\"").WriteUShort(65535).WriteRaw(L"\" />\n");
    for (double v : doubles) w.WriteRaw(L"<d v=\"").WriteDouble(v).WriteRaw(L"\" />\n");
    w.WriteRaw(L"<f v=\"").WriteFloat(29.97f).WriteRaw(L"\" />\n");
    w.WriteRaw(L"<b t=\"").WriteBool(true).WriteRaw(L"\" f=\"").WriteBool(false).WriteRaw(L"\" />\n");
    w.WriteRaw(L"</values>");
    ASSERT_TRUE(w.Close());
  }
  XmlDocument doc;
  ASSERT_TRUE(doc.Load(Path("v.xml"))) << doc.LastError();
  XmlElement xml, values, e, v;
  XmlChildren top, children;
  XmlAttributes attrs;
  ASSERT_TRUE(doc.GetRootElement(xml));
  ASSERT_TRUE(xml.GetChildren(top) && top.GetChild(0, values) && values.GetChildren(children));
  int i = 0;
  for (const auto& t : texts) {
    ASSERT_TRUE(children.GetChild(i++, e));
    ASSERT_TRUE(e.GetAttributes(attrs) && attrs.Find("v", v));
    EXPECT_EQ(v.GetString(), t);
    WideTextBuffer buffer;
    if (t.find_first_not_of(L' ') != std::wstring::npos) {
      EXPECT_TRUE(e.GetText(buffer));
      EXPECT_EQ(std::wstring(buffer.GetText()), t);
    }
  }
  for (int32_t l : longs) {
    ASSERT_TRUE(children.GetChild(i++, e) && e.GetAttributes(attrs) && attrs.Find("v", v));
    EXPECT_EQ(v.GetInt(7), l);
  }
  ASSERT_TRUE(children.GetChild(i++, e) && e.GetAttributes(attrs));
  ASSERT_TRUE(attrs.Find("v", v));
  EXPECT_EQ(v.GetString(), L"4294967295");
  ASSERT_TRUE(attrs.Find("s", v));
  EXPECT_EQ(v.GetInt(0), 65535);
  for (double d : doubles) {
    ASSERT_TRUE(children.GetChild(i++, e) && e.GetAttributes(attrs) && attrs.Find("v", v));
    EXPECT_NEAR(v.GetDouble(0), d, std::fabs(d) * 1e-5);
  }
  ASSERT_TRUE(children.GetChild(i++, e) && e.GetAttributes(attrs) && attrs.Find("v", v));
  EXPECT_EQ(v.GetString(), L"29.97");
  ASSERT_TRUE(children.GetChild(i++, e) && e.GetAttributes(attrs));
  ASSERT_TRUE(attrs.Find("t", v));
  EXPECT_TRUE(v.GetBool());
  ASSERT_TRUE(attrs.Find("f", v));
  EXPECT_FALSE(v.GetBool());
  EXPECT_FALSE(children.GetChild(i, e));
}

TEST_F(XmlWriterTest, ReplacesOnlyWhenAskedAndOnlyOnSuccess) {
  const WideString path = Path("keep.xml");
  { std::ofstream(WideToUtf8(path)) << "old"; }
  XmlWriter w;
  EXPECT_FALSE(w.Open(path, XmlWriterOptions(), false));
  EXPECT_EQ(Read(path), "old");
  // An abandoned document leaves the old file.
  ASSERT_TRUE(w.Open(path, XmlWriterOptions(), true));
  w.WriteRaw(L"<half");
  w.Abort();
  EXPECT_EQ(Read(path), "old");
  // A folder that can't be written to fails at Open.
  EXPECT_FALSE(w.Open(Utf8ToWide(dir_ + "/missing/sub.xml")));
  EXPECT_NE(w.LastError(), 0);
}

TEST_F(XmlWriterTest, AWriterLeftWithoutCloseDropsItsDocument) {
  // However a writer is left before Close, its half-written document never replaces the old
  // file, and its temporary file goes.
  const WideString path = Path("left.xml");
  const auto leaveByReturn = [&] {
    XmlWriter w;
    ASSERT_TRUE(w.Open(path));
    w.WriteRaw(L"<half a=\"1\"");
  };
  const auto leaveByException = [&] {
    try {
      XmlWriter w;
      ASSERT_TRUE(w.Open(path));
      w.WriteRaw(L"<half a=\"1\"");
      throw std::runtime_error("given up");
    } catch (const std::runtime_error&) {
    }
  };
  for (const auto& leave : {std::function<void()>(leaveByReturn), std::function<void()>(leaveByException)}) {
    { std::ofstream(WideToUtf8(path)) << "old"; }
    leave();
    EXPECT_EQ(Read(path), "old");
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"left.xml"});
  }
}

TEST_F(XmlWriterTest, CloseReportsWriteErrorsAndKeepsTheOldFile) {
  // A file-size limit makes the writes fail the way a full disk does (EFBIG instead of
  // ENOSPC), without touching anything outside the test's folder.
  const WideString path = Path("limited.xml");
  { std::ofstream(WideToUtf8(path)) << "old"; }
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  XmlWriter w;
  bool opened = w.Open(path);
  for (int i = 0; opened && i < 10000; ++i) w.WriteRaw(L"<filler a=\"0123456789\" />\n");
  const bool closed = opened && w.Close();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  ASSERT_TRUE(opened);
  EXPECT_FALSE(closed);
  EXPECT_NE(w.LastError(), 0);
  EXPECT_FALSE(w.Close());  // asked again, it still reports the failure
  EXPECT_EQ(Read(path), "old");
}

TEST_F(XmlWriterTest, PathsAndFileType) {
  XmlWriterOptions options;
  options.relativePaths = true;
  options.fileType = MakeFourCC("pPlw");
  options.creator = MakeFourCC("PlWq");
  const WideString doc = Path("doc.plw");
  XmlWriter w;
  ASSERT_TRUE(w.Open(doc, options));
  w.WriteRaw(L"<p a=\"")
      .WritePath(Path("img/a.png"))
      .WriteRaw(L"\" b=\"")
      .WritePath(Utf8ToWide(dir_ + "/../x & y.swf"));
  w.WriteRaw(L"\" />");
  ASSERT_TRUE(w.Close());
  EXPECT_NE(Read(doc).find("<p a=\"./img/a.png\" b=\"../x &amp; y.swf\" />"), std::string::npos) << Read(doc);
  FileTypeCreator tc;
  ASSERT_TRUE(GetFileTypeCreator(doc, tc));
  if (tc.type != kUnknownFileType) {  // file systems without extended attributes keep none
    EXPECT_EQ(tc.type, MakeFourCC("pPlw"));
    EXPECT_EQ(tc.creator, MakeFourCC("PlWq"));
  }
  // Without the option, paths are written absolute.
  ASSERT_TRUE(w.Open(doc));
  w.WriteRaw(L"<p a=\"").WritePath(Utf8ToWide(dir_ + "/sub/../b.png")).WriteRaw(L"\" />");
  ASSERT_TRUE(w.Close());
  EXPECT_NE(Read(doc).find("<p a=\"" + dir_ + "/"), std::string::npos) << Read(doc);
}
