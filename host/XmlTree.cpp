#include "host/XmlTree.h"

#include <expat.h>

#include <cstring>
#include <string>

#include "host/Text.h"

namespace host::xml {

const std::wstring* Node::FindAttribute(std::wstring_view attributeName) const {
  for (const auto& [key, value] : attributes) {
    if (key == attributeName) return &value;
  }
  return nullptr;
}

namespace {

std::wstring Wide(const XML_Char* text) { return text ? host::text::Utf8ToWide(text) : std::wstring(); }

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// A count of bytes for a reason: "1 MB", "64 KB" or "300 bytes".
std::string Bytes(size_t n) {
  if (n >= 1024 * 1024 && n % (1024 * 1024) == 0) return std::to_string(n / (1024 * 1024)) + " MB";
  if (n >= 1024 && n % 1024 == 0) return std::to_string(n / 1024) + " KB";
  return std::to_string(n) + " bytes";
}

// What one wide string of that many UTF-8 bytes may take: at most one character per byte,
// four bytes each, and the allocation's own overhead.
size_t WideBytes(size_t utf8) { return 4 * (utf8 + 1) + 32; }

struct Builder {
  XML_Parser parser = nullptr;
  const Limits* limits = nullptr;
  Document* doc = nullptr;
  std::vector<Node*> stack;  // open nodes, the document first
  std::string pendingText;   // UTF-8 character data not yet made a node
  size_t nodes = 0;
  size_t treeBytes = 0;
  std::string failure;  // our own reason for stopping, when we stopped the parser

  void Stop(const std::string& why) {
    if (failure.empty()) failure = why;
    XML_StopParser(parser, XML_FALSE);
  }

  bool Stopped() const { return !failure.empty(); }

  // Counts memory the tree is about to take; false (and the parser stopped) past the limit.
  bool Charge(size_t bytes) {
    treeBytes += bytes;
    if (treeBytes <= limits->maxTreeBytes) return true;
    Stop("the document needs more than " + Bytes(limits->maxTreeBytes) + " of memory");
    return false;
  }

  // False (and the parser stopped) for a name, value or text longer than the limit.
  bool FitsValue(size_t utf8Bytes, const char* what) {
    if (utf8Bytes <= limits->maxValueBytes) return true;
    Stop(std::string(what) + " is longer than " + Bytes(limits->maxValueBytes));
    return false;
  }

  Node* Add(NodeKind kind) {
    if (Stopped()) return nullptr;
    if (++nodes > limits->maxNodes) {
      Stop("the document has more than " + std::to_string(limits->maxNodes) + " elements and texts");
      return nullptr;
    }
    if (!Charge(sizeof(Node) + 32)) return nullptr;
    auto node = std::make_unique<Node>();
    node->kind = kind;
    Node* raw = node.get();
    stack.back()->children.push_back(std::move(node));
    return raw;
  }

  void FlushText() {
    if (pendingText.empty()) return;
    bool blank = true;
    for (char c : pendingText) {
      if (!IsXmlSpace(c)) {
        blank = false;
        break;
      }
    }
    if (!blank && Charge(WideBytes(pendingText.size()))) {
      if (Node* n = Add(NodeKind::Text)) n->name = host::text::Utf8ToWide(pendingText);
    }
    pendingText.clear();
  }

  static Builder& Of(void* user) { return *static_cast<Builder*>(user); }

  static void OnStart(void* user, const XML_Char* name, const XML_Char** atts) {
    Builder& b = Of(user);
    b.FlushText();
    if (b.stack.size() > b.limits->maxDepth) {
      b.Stop("elements nested too deeply");
      return;
    }
    // Everything the element brings is measured before any of it is built.
    size_t count = 0;
    size_t bytes = WideBytes(std::strlen(name));
    if (!b.FitsValue(std::strlen(name), "an element name")) return;
    for (const XML_Char** a = atts; a && a[0]; a += 2) {
      if (++count > b.limits->maxAttributes) {
        b.Stop("an element has more than " + std::to_string(b.limits->maxAttributes) + " attributes");
        return;
      }
      const size_t nameBytes = std::strlen(a[0]);
      const size_t valueBytes = std::strlen(a[1]);
      if (!b.FitsValue(nameBytes, "an attribute name") || !b.FitsValue(valueBytes, "an attribute value")) return;
      bytes += sizeof(std::pair<std::wstring, std::wstring>) + WideBytes(nameBytes) + WideBytes(valueBytes);
    }
    if (!b.Charge(bytes)) return;
    Node* n = b.Add(NodeKind::Element);
    if (!n) return;
    n->name = Wide(name);
    n->attributes.reserve(count);
    for (const XML_Char** a = atts; a && a[0]; a += 2) n->attributes.emplace_back(Wide(a[0]), Wide(a[1]));
    b.stack.push_back(n);
  }

  static void OnEnd(void* user, const XML_Char*) {
    Builder& b = Of(user);
    b.FlushText();
    if (b.stack.size() > 1) b.stack.pop_back();
  }

  static void OnText(void* user, const XML_Char* s, int len) {
    Builder& b = Of(user);
    if (len <= 0 || b.Stopped()) return;
    if (!b.FitsValue(b.pendingText.size() + static_cast<size_t>(len), "a text")) return;
    b.pendingText.append(s, static_cast<size_t>(len));
  }

  static void OnComment(void* user, const XML_Char* text) {
    Builder& b = Of(user);
    b.FlushText();
    const size_t bytes = std::strlen(text);
    if (!b.FitsValue(bytes, "a comment") || !b.Charge(WideBytes(bytes))) return;
    if (Node* n = b.Add(NodeKind::Comment)) n->name = Wide(text);
  }

  static void OnProcessingInstruction(void* user, const XML_Char* target, const XML_Char* data) {
    Builder& b = Of(user);
    b.FlushText();
    const size_t targetBytes = std::strlen(target);
    const size_t dataBytes = data ? std::strlen(data) : 0;
    if (!b.FitsValue(targetBytes, "a processing instruction") || !b.FitsValue(dataBytes, "a processing instruction") ||
        !b.Charge(WideBytes(targetBytes) + WideBytes(dataBytes))) {
      return;
    }
    if (Node* n = b.Add(NodeKind::ProcessingInstruction)) {
      n->name = Wide(target);
      n->data = Wide(data);
    }
  }

  static void OnXmlDecl(void* user, const XML_Char*, const XML_Char* encoding, int) {
    Builder& b = Of(user);
    b.doc->hasDeclaration = true;
    b.doc->declaredEncoding = Wide(encoding);
  }

  static void OnDoctype(void* user, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    Of(user).Stop("document type declarations are not accepted");
  }

  static void OnEntityDecl(void* user, const XML_Char*, int, const XML_Char*, int, const XML_Char*, const XML_Char*,
                           const XML_Char*, const XML_Char*) {
    Of(user).Stop("entity declarations are not accepted");
  }

  static int OnExternalEntity(XML_Parser, const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*) {
    return XML_STATUS_ERROR;  // nothing is ever loaded from outside the document
  }
};

}  // namespace

bool Parse(std::string_view bytes, Document& out, std::string* error, const Limits& limits) {
  auto fail = [&](std::string why) {
    if (error) *error = std::move(why);
    out = Document();
    return false;
  };
  if (bytes.size() > limits.maxInputBytes) return fail("the document is larger than " + Bytes(limits.maxInputBytes));

  out = Document();
  out.root = std::make_unique<Node>();
  XML_Parser parser = XML_ParserCreate(nullptr);
  if (!parser) return fail("out of memory");

  Builder b;
  b.parser = parser;
  b.limits = &limits;
  b.doc = &out;
  b.stack.push_back(out.root.get());

  XML_SetUserData(parser, &b);
  XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
  XML_SetElementHandler(parser, &Builder::OnStart, &Builder::OnEnd);
  XML_SetCharacterDataHandler(parser, &Builder::OnText);
  XML_SetCommentHandler(parser, &Builder::OnComment);
  XML_SetProcessingInstructionHandler(parser, &Builder::OnProcessingInstruction);
  XML_SetXmlDeclHandler(parser, &Builder::OnXmlDecl);
  XML_SetStartDoctypeDeclHandler(parser, &Builder::OnDoctype);
  XML_SetEntityDeclHandler(parser, &Builder::OnEntityDecl);
  XML_SetExternalEntityRefHandler(parser, &Builder::OnExternalEntity);

  const XML_Status status = XML_Parse(parser, bytes.data(), static_cast<int>(bytes.size()), XML_TRUE);
  std::string why;
  if (status != XML_STATUS_OK || !b.failure.empty()) {
    why = !b.failure.empty() ? b.failure : std::string(XML_ErrorString(XML_GetErrorCode(parser)));
    why += " (line " + std::to_string(XML_GetCurrentLineNumber(parser)) + ")";
  }
  XML_ParserFree(parser);
  if (!why.empty()) return fail(std::move(why));
  return true;
}

}  // namespace host::xml
