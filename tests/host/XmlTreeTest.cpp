#include "host/XmlTree.h"

#include <gtest/gtest.h>

#include <string>

using host::xml::Document;
using host::xml::NodeKind;
using host::xml::Parse;

TEST(HostXmlTree, BuildsTheTreeMergingTextAndDroppingBlankText) {
  Document doc;
  std::string error;
  ASSERT_TRUE(Parse("<xml version=\"1.0\" encoding=\"UTF-8\">\n<a x=\"1\" y='&lt;&#x1F600;'>one &amp; <![CDATA[two]]> three</a>\n"
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
      "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">"
      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">]><l>&c;&c;&c;</l>",
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
