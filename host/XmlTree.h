// A parsed XML document as a plain tree, read with expat.
//
// The reader is meant for outside data: it never loads or expands anything from outside the
// document. A document type declaration is refused outright (so no entity can be declared,
// and no external subset is fetched), external entity references fail, and the input size,
// the nesting depth, the number of nodes and attributes, the length of every name, value and
// text, and the memory the tree takes are bounded: a document past any bound is refused as
// soon as the parser meets it, before the tree grows any further. Character data arriving in pieces is
// merged into one text node, and text nodes holding only white space are dropped.
// Entity and character references are decoded by the parser; texts and attribute values
// reach the tree as plain characters.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace host::xml {

enum class NodeKind { Document, Element, Text, Comment, ProcessingInstruction };

struct Node {
  NodeKind kind = NodeKind::Document;
  // Element: its tag name. Text and comment: the text. Processing instruction: its target.
  std::wstring name;
  // Processing instruction: its data. Unused otherwise.
  std::wstring data;
  // Element attributes in document order (names are unique, as XML requires).
  std::vector<std::pair<std::wstring, std::wstring>> attributes;
  std::vector<std::unique_ptr<Node>> children;

  // The value of the attribute of that exact name, or null.
  const std::wstring* FindAttribute(std::wstring_view attributeName) const;
};

struct Limits {
  size_t maxInputBytes = 64u * 1024 * 1024;
  size_t maxDepth = 256;
  size_t maxNodes = 4u * 1024 * 1024;        // elements, texts, comments, processing instructions
  size_t maxAttributes = 1024;               // on one element
  size_t maxValueBytes = 16u * 1024 * 1024;  // one name, attribute value or text, in UTF-8
  size_t maxTreeBytes = 256u * 1024 * 1024;  // the tree in memory, counted generously
};

struct Document {
  std::unique_ptr<Node> root;     // kind Document; its children are the top-level nodes
  std::wstring declaredEncoding;  // from an XML declaration, else empty
  bool hasDeclaration = false;
};

// Parses the bytes. On failure returns false and, when asked, says why (with the line).
[[nodiscard]] bool Parse(std::string_view bytes, Document& out, std::string* error = nullptr,
                         const Limits& limits = Limits());

}  // namespace host::xml
