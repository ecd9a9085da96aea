#include "host/StringTable.h"

#include <gtest/gtest.h>

#include "host/Bundle.h"

using host::strings::StringTable;

TEST(HostStringTable, ParsesEntriesEscapesAndComments) {
  const StringTable t = StringTable::Parse(
      "\xEF\xBB\xBF/* heading\n"
      "   still a comment */\n"
      "\n"
      "\"1\" = \"plain\";\n"
      "  \"2\"=\"a \\\"quoted\\\" \\\\ word\\n\\tnext\";  // trailing comment\r\n"
      "\"3\" = \"\"; \"4\" = \"two on a line\"; /* and a note */\n"
      "\"5\" = \"Gr\xC3\xBC\xC3\x9F\x65 \xF0\x9F\x98\x80\";");
  EXPECT_TRUE(t.problems().empty()) << t.problems().front().message;
  ASSERT_EQ(t.size(), 5u);
  EXPECT_EQ(*t.Find(1), L"plain");
  EXPECT_EQ(*t.Find(2), L"a \"quoted\" \\ word\n\tnext");
  EXPECT_EQ(*t.Find(3), L"");
  EXPECT_EQ(*t.Find(4), L"two on a line");
  EXPECT_EQ(*t.Find(5), L"Gr\u00FC\u00DFe \U0001F600");
  EXPECT_EQ(t.Find(6), nullptr);
}

TEST(HostStringTable, BadLinesAreSkippedAndReported) {
  struct Case {
    const char* line;
  };
  const Case bad[] = {
      {"\"12\" = \"no semicolon\""},         {"\"12\" \"no equals\";"},          {"\"12\" = \"unterminated;"},
      {"\"12\" = \"bad escape \\q\";"},      {"\"1x\" = \"key is no number\";"}, {"\"-3\" = \"negative\";"},
      {"\"99999999999\" = \"beyond int\";"}, {"\"\" = \"empty key\";"},          {"12 = \"unquoted key\";"},
      {"\"12\" = \"text\"; junk"},           {"\"12\" = \"Latin-1 \xE9\";"},     {"\"12\" = \"ends in a backslash\\"},
  };
  for (const Case& c : bad) {
    SCOPED_TRACE(c.line);
    const StringTable t = StringTable::Parse(std::string("\"1\" = \"before\";\n") + c.line + "\n\"2\" = \"after\";\n");
    ASSERT_EQ(t.problems().size(), 1u);
    EXPECT_EQ(t.problems()[0].line, 2u);
    EXPECT_EQ(t.Find(12), nullptr);
    ASSERT_NE(t.Find(1), nullptr);
    ASSERT_NE(t.Find(2), nullptr);
    EXPECT_EQ(*t.Find(2), L"after");
  }
}

TEST(HostStringTable, DuplicatesAndOpenCommentsAreReported) {
  const StringTable dup = StringTable::Parse("\"5\" = \"first\";\n\"5\" = \"second\";\n");
  ASSERT_EQ(dup.problems().size(), 1u);
  EXPECT_EQ(dup.problems()[0].line, 2u);
  EXPECT_EQ(*dup.Find(5), L"second");

  const StringTable open = StringTable::Parse("\"5\" = \"kept\";\n/* never closed\n\"6\" = \"hidden\";\n");
  ASSERT_EQ(open.problems().size(), 1u);
  EXPECT_EQ(open.problems()[0].line, 2u);
  EXPECT_EQ(open.Find(6), nullptr);
  EXPECT_EQ(*open.Find(5), L"kept");
}

TEST(HostStringTable, AnyBytesParseWithoutHarm) {
  // A few hostile inputs: NULs, lone quotes, very long lines, no newline at all.
  const std::string inputs[] = {
      std::string("\"1\" = \"a\0b\";", 12),
      "\"",
      "\\",
      "/*",
      "*/",
      "\"1\" = \"" + std::string(100000, 'x'),
      std::string(3, '\xFF'),
      "\"1\"=\"x\";\"2\"",
  };
  for (const std::string& in : inputs) {
    const StringTable t = StringTable::Parse(in);
    EXPECT_LE(t.size(), 1u);
  }
}

TEST(HostStringTable, LoadReportsMissingFiles) {
  const StringTable t = StringTable::Load(std::string(PLENWICK_TEST_DATA_DIR) + "/no-such-table.strings");
  EXPECT_EQ(t.size(), 0u);
  ASSERT_EQ(t.problems().size(), 1u);
  EXPECT_EQ(t.problems()[0].line, 0u);
}

TEST(HostStringTable, MainTableFollowsTheBundle) {
  host::bundle::SetBundlePathForTesting(std::string(PLENWICK_TEST_DATA_DIR) + "/strings-bundle");
  const std::wstring* seven = host::strings::MainStringTable().Find(7);
  ASSERT_NE(seven, nullptr);
  EXPECT_EQ(*seven, L"Seven");
  EXPECT_TRUE(host::strings::MainStringTable().problems().empty());

  host::bundle::SetBundlePathForTesting("/nonexistent-bundle-folder");
  EXPECT_EQ(host::strings::MainStringTable().size(), 0u);

  host::bundle::SetBundlePathForTesting("");
  EXPECT_EQ(host::strings::MainStringTable().Find(7), nullptr);
}
