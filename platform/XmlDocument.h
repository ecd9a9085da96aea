// Reading XML documents: the parsed document and handles on its elements, attribute values
// and child lists, with typed getters that fall back to a default.
//
//   XmlDocument doc;
//   XmlElement root, child, value;
//   XmlChildren children;
//   XmlAttributes attributes;
//   if (doc.Load(path) && doc.GetRootElement(root) && root.GetChildren(children))
//     for (int i = 0; children.GetChild(i, child); ++i)
//       if (child.GetAttributes(attributes) && attributes.Find("width", value))
//         width = value.GetInt(0);
//
// The parser never loads anything from outside the document and refuses document type
// declarations (see host/XmlTree.h). Entity and character references are decoded by the
// parser, so texts arrive as plain characters.
//
// Handles refer into their document: they stay valid as long as the document lives and is
// not opened again. Every call that fills a handle replaces whatever it held before, so one
// handle may be reused in a loop.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "host/XmlTree.h"
#include "platform/WideString.h"

class WideTextBuffer;
class XmlElement;

// The declared encoding of a document, as far as the readers care.
enum XmlDeclaredEncoding : int { kXmlEncodingUnknown = 0, kXmlEncodingUtf8 = 1, kXmlEncodingUtf16 = 2 };

class XmlDocument {
 public:
  XmlDocument();
  // A reader held to tighter bounds than the general ones of host::xml::Limits (a project
  // file, say): a file or document past any of them is refused, with the bound it broke.
  explicit XmlDocument(const host::xml::Limits& limits);
  ~XmlDocument();
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  // Reads the whole file and parses it. False when the file can't be read or is not a
  // well-formed document we accept; LastError() then says why.
  [[nodiscard]] bool Open(const WideString& path);
  [[nodiscard]] bool Load(const WideString& path) { return Open(path); }
  // Parses a document held in memory (the path is only remembered).
  [[nodiscard]] bool Parse(std::string_view bytes, const WideString& path = WideString());

  // The document's first element (for a project file, the "xml" element of its header).
  bool GetRootElement(XmlElement& element) const;

  // Taken from the "encoding" attribute of the first element, or from an XML declaration.
  int GetEncoding() const { return encoding_; }
  const WideString& GetPath() const { return path_; }
  const std::string& LastError() const { return error_; }

 private:
  host::xml::Limits limits_;
  host::xml::Document tree_;
  WideString path_;
  int encoding_ = kXmlEncodingUnknown;
  std::string error_;
};

// The children of one element: elements, texts and the other node kinds, in document order.
class XmlChildren {
 public:
  int GetCount() const;
  // Fills the element with the child at that index (from 0); false when there is none.
  bool GetChild(int index, XmlElement& element) const;

 private:
  friend class XmlElement;
  const host::xml::Node* node_ = nullptr;
  const XmlDocument* document_ = nullptr;
};

// The attributes of one element.
class XmlAttributes {
 public:
  // Makes the element handle refer to the value of the attribute of that name (exact,
  // case-sensitive); false when there is no such attribute.
  bool Find(const char* name, XmlElement& value) const;
  // The number of attributes, and the name and value of the one at an index (from 0, in
  // document order); false when there is none. For readers that keep what they don't know.
  int GetCount() const;
  bool GetAt(int index, WideString& name, WideString& value) const;

 private:
  friend class XmlElement;
  const host::xml::Node* node_ = nullptr;
  const XmlDocument* document_ = nullptr;
};

// A handle on one node of a document (an element or a text), or on one attribute value.
class XmlElement {
 public:
  XmlElement() = default;

  // The tag name of an element (the text of a text node); false for an empty handle or an
  // attribute value.
  bool GetName(WideString& name) const;
  bool GetName(WideTextBuffer& name) const;
  WideString GetName() const;

  bool GetChildren(XmlChildren& children) const;
  // False unless the handle refers to an element.
  bool GetAttributes(XmlAttributes& attributes) const;

  // The text: of an element, its first child; of an attribute, the value. False, with the
  // default in the output, when there is none.
  bool GetText(WideString& text, const wchar_t* defaultText = nullptr) const;
  bool GetText(WideTextBuffer& text, const wchar_t* defaultText = nullptr) const;
  // The text, "" when there is none.
  WideString GetString() const;
  // The leading decimal integer of the text (like strtol in the C locale, clamped to the int
  // range; 0 when no digit leads); the default when there is no text.
  int GetInt(int defaultValue) const;
  // The leading number of the text (like strtod in the C locale, whatever the user's
  // locale); the default when there is no text.
  double GetDouble(double defaultValue) const;
  // True only when the text is "true" in any letter case.
  bool GetBool() const;

  // The text decoded from Base64 (standard alphabet, no white space). When the decoded bytes
  // fit into the maximum they are copied, their count is stored (when asked) and the result
  // is true; false when they don't fit, there is no text or it is not Base64.
  bool GetBase64Bytes(void* destination, size_t maximum, size_t* length) const;
  // The text decoded from Base64 as text: for a document of unknown encoding the bytes are
  // Mac Roman text; for one that declares UTF-8 or UTF-16 they are 4-byte little-endian
  // characters, up to the first zero character. False, with the default in the output,
  // when there is no text or it can't be decoded.
  bool GetBase64Text(WideString& text, const wchar_t* defaultText = nullptr) const;
  bool GetBase64Text(WideTextBuffer& text, const wchar_t* defaultText = nullptr) const;

  bool IsEmpty() const { return node_ == nullptr && !isValue_; }
  bool IsElement() const;

 private:
  friend class XmlDocument;
  friend class XmlChildren;
  friend class XmlAttributes;
  void SetNode(const host::xml::Node* node, const XmlDocument* document);
  void SetValue(const std::wstring& value, const XmlDocument* document);
  const std::wstring* Text() const;

  const host::xml::Node* node_ = nullptr;
  const std::wstring* value_ = nullptr;  // an attribute value inside the document
  bool isValue_ = false;
  const XmlDocument* document_ = nullptr;
};

// Standard Base64 decoding as the readers use it: groups of four characters, a '=' in the
// third or fourth place ends the data, a short final group gives the bytes its characters
// cover. False for any character outside the alphabet.
[[nodiscard]] bool DecodeBase64(std::string_view text, std::string& bytes);
