#include "platform/XmlDocument.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

#include "platform/XmlText.h"

namespace {

// A document <xml ...><e a="VALUE"/>TEXT</xml> made from escaped values.
std::string DocumentWith(const std::wstring& attr, const std::wstring& text) {
  return "<xml version=\"1.0\" encoding=\"UTF-8\">\n<e a=\"" + XmlEscaped(attr) + "\" b='" + XmlEscaped(attr) + "'>" +
         XmlEscaped(text) + "</e>\n</xml>\n";
}

}  // namespace

TEST(XmlText, EscapesMarkupAndHighCharacters) {
  struct Case {
    std::wstring text;
    std::string written;
  };
  const Case cases[] = {
      {L"a<b&c\"d'e>f", "a&lt;b&amp;c&quot;d&apos;e&gt;f"},
      {L"1\n2\r3\t4", "1&#x0a;2&#x0d;3&#x09;4"},
      {L"\u00E9\u20AC", "&#xe9;&#x20ac;"},
      {L"\u0101", "\xC4\x81"},              // bit 7 clear: plain UTF-8
      {L"\U0001F600", "\xF0\x9F\x98\x80"},  // 0x1F600 has bit 7 clear too
      {L"\U0001F680", "&#x1f680;"},
      {std::wstring(L"x") + wchar_t(0x01) + wchar_t(0xD800) + wchar_t(0xFFFE) + wchar_t(0x110000) + L"y",
       "x&#xfffd;&#xfffd;&#xfffd;&#xfffd;y"},
      // The edges of the ranges XML refuses: the last character before each and the first after.
      {std::wstring{wchar_t(0x1F), wchar_t(0x20)}, "&#xfffd; "},
      {std::wstring{wchar_t(0xD7FF), wchar_t(0xD800)}, "&#xd7ff;&#xfffd;"},
      {std::wstring{wchar_t(0xDBFF), wchar_t(0xDC00)}, "&#xfffd;&#xfffd;"},
      {std::wstring{wchar_t(0xDC80), wchar_t(0xDCFF)}, "&#xfffd;&#xfffd;"},  // escaped bytes of file names
      {std::wstring{wchar_t(0xDFFF), wchar_t(0xE000)}, "&#xfffd;\xEE\x80\x80"},
      {std::wstring{wchar_t(0xFFFD), wchar_t(0xFFFF), wchar_t(0x10000)}, "&#xfffd;&#xfffd;\xF0\x90\x80\x80"},
      {std::wstring{wchar_t(0x10FFFF), wchar_t(0x110000)}, "&#x10ffff;&#xfffd;"},
  };
  for (const auto& c : cases) EXPECT_EQ(XmlEscaped(c.text), c.written);
}

TEST(XmlText, NumbersUseTheStreamDefaultFormatInAnyLocale) {
  const char* saved = std::setlocale(LC_ALL, nullptr);
  const std::string restore = saved ? saved : "C";
  for (const char* loc : {"C", "de_DE.UTF-8"}) {
    std::setlocale(LC_ALL, loc);
    EXPECT_EQ(XmlFormatDouble(0.5), "0.5") << loc;
    EXPECT_EQ(XmlFormatDouble(100.0), "100");
    EXPECT_EQ(XmlFormatDouble(1234567.0), "1.23457e+06");
    EXPECT_EQ(XmlFormatDouble(0.0000001), "1e-07");
    EXPECT_EQ(XmlFormatDouble(static_cast<double>(29.97f)), "29.97");
    EXPECT_EQ(XmlFormatDouble(-12.25), "-12.25");
    EXPECT_EQ(XmlFormatLong(-2147483647 - 1), "-2147483648");
    EXPECT_EQ(XmlFormatULong(4294967295u), "4294967295");
    EXPECT_EQ(XmlFormatUShort(65535), "65535");
    XmlDocument doc;
    ASSERT_TRUE(doc.Parse("<r v=\"2.5\"/>"));
    XmlElement root, v;
    XmlAttributes attrs;
    ASSERT_TRUE(doc.GetRootElement(root) && root.GetAttributes(attrs) && attrs.Find("v", v));
    EXPECT_EQ(v.GetDouble(0), 2.5) << loc;
  }
  std::setlocale(LC_ALL, restore.c_str());
}

TEST(XmlDocument, EveryEscapedTextReadsBackEqual) {
  std::wstring all;
  for (wchar_t c = 0x20; c < 0x300; ++c) all.push_back(c);
  const std::wstring cases[] = {
      L"plain",
      L"<tag attr=\"v\" other='w'>&amp;</tag>",
      L"line\nfeed",
      L"carriage\rreturn",
      L"tab\there",
      L"  leading and trailing  ",
      L"\U0001F600\U0010FFFD\u4E2D\u00E9\u20AC",
      all,
  };
  for (const auto& text : cases) {
    XmlDocument doc;
    ASSERT_TRUE(doc.Parse(DocumentWith(text, text))) << doc.LastError();
    XmlElement root, e, a, b;
    XmlChildren children;
    XmlAttributes attrs;
    ASSERT_TRUE(doc.GetRootElement(root));
    ASSERT_TRUE(root.GetChildren(children));
    ASSERT_TRUE(children.GetChild(0, e));
    ASSERT_TRUE(e.GetAttributes(attrs));
    ASSERT_TRUE(attrs.Find("a", a));
    ASSERT_TRUE(attrs.Find("b", b));
    EXPECT_EQ(a.GetString(), text);
    EXPECT_EQ(b.GetString(), text);
    if (text.find_first_not_of(L" ") != std::wstring::npos) {
      EXPECT_EQ(e.GetString(), text);
    }
  }
}

TEST(XmlDocument, ForbiddenCharactersAreReplacedSoTheDocumentStillLoads) {
  const std::wstring text = std::wstring(L"a") + wchar_t(0x01) + wchar_t(0xDC80) + L"b";
  XmlDocument doc;
  ASSERT_TRUE(doc.Parse(DocumentWith(text, text))) << doc.LastError();
  XmlElement root, e, a;
  XmlChildren children;
  XmlAttributes attrs;
  ASSERT_TRUE(doc.GetRootElement(root) && root.GetChildren(children) && children.GetChild(0, e) &&
              e.GetAttributes(attrs) && attrs.Find("a", a));
  EXPECT_EQ(a.GetString(), L"a\uFFFD\uFFFDb");
}

TEST(XmlDocument, TypedGetters) {
  XmlDocument doc;
  ASSERT_TRUE(
      doc.Parse("<xml version=\"1.0\" encoding=\"UTF-8\"><e i=\"12px\" n=\"-7\" big=\"99999999999\" "
                "d=\" 2.5e3x\" t=\"TRUE\" one=\"1\" empty=\"\" ref=\"&#xe9;&#xc4;&#233;\"/></xml>"));
  XmlElement root, e, v;
  XmlChildren children;
  XmlAttributes attrs;
  ASSERT_TRUE(doc.GetRootElement(root));
  EXPECT_EQ(root.GetName(), L"xml");
  ASSERT_TRUE(root.GetChildren(children));
  EXPECT_EQ(children.GetCount(), 1);
  EXPECT_FALSE(children.GetChild(1, e));
  EXPECT_FALSE(children.GetChild(-1, e));
  ASSERT_TRUE(children.GetChild(0, e));
  ASSERT_TRUE(e.GetAttributes(attrs));
  struct IntCase {
    const char* name;
    int value;
  };
  for (const IntCase c : {IntCase{"i", 12}, {"n", -7}, {"big", 2147483647}, {"empty", 0}, {"absent", 42}, {"t", 0}}) {
    attrs.Find(c.name, v);
    EXPECT_EQ(v.GetInt(42), c.value) << c.name;
  }
  ASSERT_TRUE(attrs.Find("d", v));
  EXPECT_EQ(v.GetDouble(1), 2500.0);
  EXPECT_FALSE(attrs.Find("absent", v));
  EXPECT_EQ(v.GetDouble(1.5), 1.5);
  WideString text = L"unchanged";
  EXPECT_FALSE(v.GetText(text, L"default"));
  EXPECT_EQ(text, L"default");
  EXPECT_FALSE(attrs.Find("I", v));  // names are case-sensitive
  ASSERT_TRUE(attrs.Find("t", v));
  EXPECT_TRUE(v.GetBool());
  ASSERT_TRUE(attrs.Find("one", v));
  EXPECT_FALSE(v.GetBool());
  ASSERT_TRUE(attrs.Find("ref", v));
  EXPECT_EQ(v.GetString(), L"\u00E9\u00C4\u00E9");
  // An element without children has no text and leaves the output alone.
  EXPECT_FALSE(e.GetText(text, L"default"));
  EXPECT_EQ(text, L"default");
  // A handle is reused: each fill replaces what it held.
  XmlElement reused;
  ASSERT_TRUE(children.GetChild(0, reused));
  EXPECT_EQ(reused.GetName(), L"e");
  ASSERT_TRUE(attrs.Find("n", reused));
  EXPECT_EQ(reused.GetInt(0), -7);
  ASSERT_TRUE(doc.GetRootElement(reused));
  EXPECT_EQ(reused.GetName(), L"xml");
  EXPECT_EQ(doc.GetEncoding(), kXmlEncodingUtf8);
}

TEST(XmlDocument, Base64) {
  // "text" is "Hé" as Mac Roman bytes ("SI4="), "wide" is "Hé" as UTF-32LE with a terminator.
  const char* body =
      "<e bytes=\"AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGw==\" text=\"SI4=\" "
      "wide=\"SAAAAOkAAAAAAAAAWgAAAA==\" bad=\"SI4*\" short=\"SGk\"/>";
  XmlElement root, v;
  XmlAttributes attrs;
  {
    XmlDocument doc;  // no declared encoding: Mac Roman text
    ASSERT_TRUE(doc.Parse(std::string("<xml>") + body + "</xml>"));
    XmlChildren ch;
    ASSERT_TRUE(doc.GetRootElement(root) && root.GetChildren(ch) && ch.GetChild(0, root) && root.GetAttributes(attrs));
    unsigned char buf[28];
    size_t len = 0;
    ASSERT_TRUE(attrs.Find("bytes", v));
    EXPECT_FALSE(v.GetBase64Bytes(buf, 27, &len));
    EXPECT_TRUE(v.GetBase64Bytes(buf, 28, &len));
    EXPECT_EQ(len, 28u);
    EXPECT_EQ(buf[27], 27);
    WideString text;
    ASSERT_TRUE(attrs.Find("text", v));
    EXPECT_TRUE(v.GetBase64Text(text, L"d"));
    EXPECT_EQ(text, L"H\u00E9");
    ASSERT_TRUE(attrs.Find("short", v));
    EXPECT_TRUE(v.GetBase64Text(text, L"d"));
    EXPECT_EQ(text, L"Hi");
    ASSERT_TRUE(attrs.Find("bad", v));
    EXPECT_FALSE(v.GetBase64Text(text, L"d"));
    EXPECT_EQ(text, L"d");
  }
  {
    XmlDocument doc;  // declares UTF-8: 4-byte characters
    ASSERT_TRUE(doc.Parse(std::string("<xml version=\"1.0\" encoding=\"UTF-8\">") + body + "</xml>"));
    XmlChildren ch;
    ASSERT_TRUE(doc.GetRootElement(root) && root.GetChildren(ch) && ch.GetChild(0, root) && root.GetAttributes(attrs));
    WideString text;
    ASSERT_TRUE(attrs.Find("wide", v));
    EXPECT_TRUE(v.GetBase64Text(text, L"d"));
    EXPECT_EQ(text, L"H\u00E9");
  }
}

TEST(XmlDocument, OpenRefusesMissingAndHostileFiles) {
  XmlDocument doc;
  EXPECT_FALSE(doc.Open(L"/nonexistent/file.xml"));
  EXPECT_FALSE(doc.LastError().empty());
  EXPECT_FALSE(doc.Parse("<!DOCTYPE r [<!ENTITY a \"x\">]><r>&a;</r>"));
  XmlElement root;
  EXPECT_FALSE(doc.GetRootElement(root));
  EXPECT_TRUE(root.IsEmpty());
}

TEST(XmlDocument, AttributesListInDocumentOrder) {
  XmlDocument doc;
  ASSERT_TRUE(doc.Parse("<r b=\"1\" a=\"x &amp; y\"/>"));
  XmlElement root;
  XmlAttributes attributes;
  ASSERT_TRUE(doc.GetRootElement(root));
  ASSERT_TRUE(root.GetAttributes(attributes));
  ASSERT_EQ(attributes.GetCount(), 2);
  WideString name, value;
  ASSERT_TRUE(attributes.GetAt(0, name, value));
  EXPECT_EQ(name, WideString(L"b"));
  EXPECT_EQ(value, WideString(L"1"));
  ASSERT_TRUE(attributes.GetAt(1, name, value));
  EXPECT_EQ(name, WideString(L"a"));
  EXPECT_EQ(value, WideString(L"x & y"));
  EXPECT_FALSE(attributes.GetAt(2, name, value));
  EXPECT_FALSE(attributes.GetAt(-1, name, value));
}
