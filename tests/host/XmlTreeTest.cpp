#include "host/XmlTree.h"

#include <gtest/gtest.h>

#include <string>

using host::xml::Document;
using host::xml::NodeKind;
using host::xml::Parse;

TEST(HostXmlTree, BuildsTheTreeMergingTextAndDroppingBlankText) {
  Document doc;
  std::string error;
  ASSERT_TRUE(Parse(
      "<xml version=\"1.0\" encoding=\"UTF-8\">\n<a x=\"1\" y='&lt;&#x1F600;'>one &amp; <![CDATA[two]]> three</a>\n"
      "<!-- note --><b/>\n</xml>\n",
      doc, &error))
      << error;
  ASSERT_EQ(doc.root->children.size(), 1u);
  const auto& xml = *doc.root->children[0];
  EXPECT_EQ(xml.kind, NodeKind::Element);
  EXPECT_EQ(xml.name, L"xml");
  ASSERT_NE(xml.FindAttribute(L"encoding"), nullptr);
  ASSERT_EQ(xml.children.size(), 3u);  // a, the comment, b: blank text between them dropped
  const auto& a = *xml.children[0];
  EXPECT_EQ(*a.FindAttribute(L"y"), L"<\U0001F600");
  ASSERT_EQ(a.children.size(), 1u);
  EXPECT_EQ(a.children[0]->kind, NodeKind::Text);
  EXPECT_EQ(a.children[0]->name, L"one & two three");
  EXPECT_EQ(xml.children[1]->kind, NodeKind::Comment);
  EXPECT_EQ(xml.children[2]->name, L"b");
  EXPECT_FALSE(doc.hasDeclaration);
}

TEST(HostXmlTree, ReadsTheDeclaration) {
  Document doc;
  ASSERT_TRUE(Parse("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<r/>", doc));
  EXPECT_TRUE(doc.hasDeclaration);
  EXPECT_EQ(doc.declaredEncoding, L"UTF-8");
}

TEST(HostXmlTree, RefusesHostileAndMalformedInput) {
  const std::string deep(10000, '<');
  std::string nested;
  for (int i = 0; i < 300; ++i) nested += "<a>";
  for (int i = 0; i < 300; ++i) nested += "</a>";
  const char* cases[] = {
      // entity expansion ("billion laughs")
      ("<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">"
       "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">]><l>&c;&c;&c;</l>"),
      // external DTD and external entity
      "<?xml version=\"1.0\"?><!DOCTYPE r SYSTEM \"file:///etc/passwd\"><r/>",
      "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><r>&x;</r>",
      "<!DOCTYPE r [<!ENTITY % p SYSTEM \"http://127.0.0.1:1/x.dtd\"> %p;]><r/>",
      // undeclared entity, malformed markup, bad characters
      "<r>&undeclared;</r>",
      "<r><a></r>",
      "<r a=\"1\" a=\"2\"/>",
      "<r>&#x0;</r>",
      "<r>&#xD800;</r>",
      "<r>&#xDFFF;</r>",
      "<r>\xED\xBF\xBF</r>",  // U+DFFF spelled in UTF-8
      "<r>&#x110000;</r>",
      "<r>\x01</r>",
      "<r>\xC3</r>",
      "",
      "<r/><s/>",
      "just text",
  };
  for (const char* text : cases) {
    Document doc;
    std::string error;
    EXPECT_FALSE(Parse(text, doc, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
    EXPECT_EQ(doc.root, nullptr) << text;
  }
  Document doc;
  std::string error;
  EXPECT_FALSE(Parse(deep, doc, &error));
  EXPECT_FALSE(Parse(nested, doc, &error));
  EXPECT_NE(error.find("deeply"), std::string::npos) << error;
}

TEST(HostXmlTree, LimitsAreHonoured) {
  host::xml::Limits small;
  small.maxInputBytes = 16;
  small.maxNodes = 3;
  Document doc;
  EXPECT_FALSE(Parse("<r>0123456789abcdef</r>", doc, nullptr, small));
  EXPECT_FALSE(Parse("<r><a/><b/><c/></r>", doc, nullptr, small));
  EXPECT_TRUE(Parse("<r><a/><b/></r>", doc, nullptr, small));
}

// Each bound stops the parse where it is crossed, with a reason that names the bound and the
// line, and never the offending text itself.
TEST(HostXmlTree, EachBoundRefusesWithItsReason) {
  host::xml::Limits limits;
  limits.maxAttributes = 4;
  limits.maxValueBytes = 64;
  limits.maxTreeBytes = 16 * 1024;
  const std::string longText(65, 'q');
  std::string manyElements = "<r>";
  for (int i = 0; i < 40; ++i) manyElements += "<e a=\"" + std::string(60, 'v') + "\"/>";
  manyElements += "</r>";
  const struct {
    std::string document;
    const char* reason;
  } cases[] = {
      {"<r a=\"1\" b=\"2\" c=\"3\" d=\"4\" e=\"5\"/>", "more than 4 attributes"},
      {"<r a=\"" + longText + "\"/>", "an attribute value is longer than 64 bytes"},
      {"<r " + longText + "=\"1\"/>", "an attribute name is longer than 64 bytes"},
      {"<" + longText + "/>", "an element name is longer than 64 bytes"},
      {"<r>" + longText + "</r>", "a text is longer than 64 bytes"},
      {"<r>" + std::string(40, 'q') + "<![CDATA[" + std::string(40, 'q') + "]]></r>", "a text is longer than 64 bytes"},
      {"<r>\n\n" + std::string(80, ' ') + "<a/></r>", "a text is longer than 64 bytes"},
      {"<r><!--" + longText + "--></r>", "a comment is longer than 64 bytes"},
      {"<r><?pi " + longText + "?></r>", "a processing instruction is longer than 64 bytes"},
      {manyElements, "needs more than 16 KB of memory"},
  };
  for (const auto& c : cases) {
    Document doc;
    std::string error;
    EXPECT_FALSE(Parse(c.document, doc, &error, limits)) << c.reason;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_NE(error.find("(line "), std::string::npos) << error;
    EXPECT_EQ(error.find("qqqq"), std::string::npos) << error;
    EXPECT_EQ(doc.root, nullptr);
  }
  // Right at each bound the document is taken.
  Document doc;
  std::string error;
  EXPECT_TRUE(Parse("<r a=\"" + std::string(64, 'v') + "\" b=\"\" c=\"\" d=\"\">" + std::string(64, 't') + "</r>", doc,
                    &error, limits))
      << error;
}
