#include "platform/XmlDocument.h"

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "host/Text.h"
#include "platform/WideTextBuffer.h"

namespace {

locale_t CLocale() {
  static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}

// The text as narrow characters for the number parsers: anything beyond ASCII stops them,
// so it becomes a byte they never accept.
std::string NumberText(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) out.push_back(c >= 0 && c < 0x80 ? static_cast<char>(c) : '\x7f');
  return out;
}

std::string TooLarge(size_t limit) {
  const std::string size = limit >= 1024 * 1024 && limit % (1024 * 1024) == 0
                               ? std::to_string(limit / (1024 * 1024)) + " MB"
                               : std::to_string(limit) + " bytes";
  return "the file is larger than " + size;
}

bool ReadWholeFile(const WideString& path, size_t limit, std::string& bytes, std::string& error) {
  const std::string native = WideToUtf8(path);
  const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::string("can't open the file: ") + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    error = std::string("can't read the file: ") + std::strerror(errno);
    ::close(fd);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    error = S_ISDIR(st.st_mode) ? "it is a folder, not a file" : "it is not a regular file";
    return false;
  }
  // Refused before a byte is read.
  if (static_cast<unsigned long long>(st.st_size) > limit) {
    ::close(fd);
    error = TooLarge(limit);
    return false;
  }
  bytes.clear();
  bytes.reserve(static_cast<size_t>(st.st_size));
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::string("can't read the file: ") + std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    if (bytes.size() + static_cast<size_t>(n) > limit) {
      error = TooLarge(limit);
      ::close(fd);
      return false;
    }
    bytes.append(chunk, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

int EncodingCode(const std::wstring& name) {
  std::wstring upper;
  for (wchar_t c : name) upper.push_back(c >= L'a' && c <= L'z' ? c - 32 : c);
  if (upper == L"UTF-8") return kXmlEncodingUtf8;
  if (upper == L"UTF-16") return kXmlEncodingUtf16;
  return kXmlEncodingUnknown;
}

const host::xml::Node* FirstElement(const host::xml::Node* parent) {
  if (!parent) return nullptr;
  for (const auto& child : parent->children) {
    if (child->kind == host::xml::NodeKind::Element) return child.get();
  }
  return nullptr;
}

}  // namespace

// ---- XmlDocument ----

XmlDocument::XmlDocument() = default;
XmlDocument::XmlDocument(const host::xml::Limits& limits) : limits_(limits) {}
XmlDocument::~XmlDocument() = default;

bool XmlDocument::Open(const WideString& path) {
  std::string bytes;
  path_ = path;
  if (!ReadWholeFile(path, limits_.maxInputBytes, bytes, error_)) {
    tree_ = host::xml::Document();
    return false;
  }
  return Parse(bytes, path);
}

bool XmlDocument::Parse(std::string_view bytes, const WideString& path) {
  path_ = path;
  error_.clear();
  if (!host::xml::Parse(bytes, tree_, &error_, limits_)) return false;
  // The project files carry their encoding on their first element ("xml"); a document with
  // an XML declaration carries it there.
  if (const host::xml::Node* first = FirstElement(tree_.root.get())) {
    if (const std::wstring* enc = first->FindAttribute(L"encoding")) encoding_ = EncodingCode(*enc);
  }
  if (tree_.hasDeclaration && !tree_.declaredEncoding.empty()) encoding_ = EncodingCode(tree_.declaredEncoding);
  return true;
}

bool XmlDocument::GetRootElement(XmlElement& element) const {
  const host::xml::Node* first = FirstElement(tree_.root.get());
  element.SetNode(first, this);
  return first != nullptr;
}

// ---- XmlChildren ----

int XmlChildren::GetCount() const {
  if (!node_) return 0;
  const size_t n = node_->children.size();
  return n > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
}

bool XmlChildren::GetChild(int index, XmlElement& element) const {
  if (!node_ || index < 0 || index >= GetCount()) {
    element.SetNode(nullptr, document_);
    return false;
  }
  element.SetNode(node_->children[static_cast<size_t>(index)].get(), document_);
  return true;
}

// ---- XmlAttributes ----

int XmlAttributes::GetCount() const { return node_ ? static_cast<int>(node_->attributes.size()) : 0; }

bool XmlAttributes::GetAt(int index, WideString& name, WideString& value) const {
  if (node_ == nullptr || index < 0 || static_cast<size_t>(index) >= node_->attributes.size()) return false;
  const auto& attribute = node_->attributes[static_cast<size_t>(index)];
  name = attribute.first;
  value = attribute.second;
  return true;
}

bool XmlAttributes::Find(const char* name, XmlElement& value) const {
  const std::wstring* found = nullptr;
  if (node_ && name) found = node_->FindAttribute(host::text::Utf8ToWide(name));
  if (!found) {
    value.SetNode(nullptr, document_);
    return false;
  }
  value.SetValue(*found, document_);
  return true;
}

// ---- XmlElement ----

void XmlElement::SetNode(const host::xml::Node* node, const XmlDocument* document) {
  node_ = node;
  value_ = nullptr;
  isValue_ = false;
  document_ = document;
}

void XmlElement::SetValue(const std::wstring& value, const XmlDocument* document) {
  node_ = nullptr;
  value_ = &value;
  isValue_ = true;
  document_ = document;
}

bool XmlElement::IsElement() const { return node_ && node_->kind == host::xml::NodeKind::Element; }

bool XmlElement::GetName(WideString& name) const {
  if (!node_) return false;
  name = node_->name;
  return true;
}

WideString XmlElement::GetName() const { return node_ ? WideString(node_->name) : WideString(); }

bool XmlElement::GetChildren(XmlChildren& children) const {
  if (node_) {
    children.node_ = node_;
    children.document_ = document_;
  }
  return true;
}

bool XmlElement::GetAttributes(XmlAttributes& attributes) const {
  if (!IsElement()) return false;
  attributes.node_ = node_;
  attributes.document_ = document_;
  return true;
}

const std::wstring* XmlElement::Text() const {
  if (isValue_) return value_;
  if (node_) {
    if (node_->kind == host::xml::NodeKind::Element) {
      if (node_->children.empty()) return nullptr;
      return &node_->children.front()->name;
    }
    return &node_->name;
  }
  return nullptr;
}

bool XmlElement::GetText(WideString& text, const wchar_t* defaultText) const {
  if (const std::wstring* t = Text()) {
    text = *t;
    return true;
  }
  if (!node_) text = defaultText;  // an element without children leaves the output alone
  return false;
}

WideString XmlElement::GetString() const {
  const std::wstring* t = Text();
  return t ? WideString(*t) : WideString();
}

int XmlElement::GetInt(int defaultValue) const {
  const std::wstring* t = Text();
  if (!t) return defaultValue;
  const std::string narrow = NumberText(*t);
  const long long v = strtoll_l(narrow.c_str(), nullptr, 10, CLocale());
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

double XmlElement::GetDouble(double defaultValue) const {
  const std::wstring* t = Text();
  if (!t) return defaultValue;
  const std::string narrow = NumberText(*t);
  return strtod_l(narrow.c_str(), nullptr, CLocale());
}

bool XmlElement::GetBool() const {
  const std::wstring* t = Text();
  if (!t || t->size() != 4) return false;
  static const wchar_t kTrue[] = L"true";
  for (size_t i = 0; i < 4; ++i) {
    wchar_t c = (*t)[i];
    if (c >= L'A' && c <= L'Z') c += 32;
    if (c != kTrue[i]) return false;
  }
  return true;
}

namespace {

bool DecodeBase64Text(const std::wstring* text, std::string& bytes) {
  if (!text) return false;
  std::string narrow;
  narrow.reserve(text->size());
  for (wchar_t c : *text) {
    if (c < 0 || c >= 0x80) return false;
    narrow.push_back(static_cast<char>(c));
  }
  return DecodeBase64(narrow, bytes);
}

}  // namespace

bool XmlElement::GetBase64Bytes(void* destination, size_t maximum, size_t* length) const {
  std::string bytes;
  if (!DecodeBase64Text(Text(), bytes) || bytes.size() > maximum) return false;
  if (!bytes.empty()) std::memcpy(destination, bytes.data(), bytes.size());
  if (length) *length = bytes.size();
  return true;
}

bool XmlElement::GetBase64Text(WideString& text, const wchar_t* defaultText) const {
  std::string bytes;
  if (!DecodeBase64Text(Text(), bytes)) {
    text = defaultText;
    return false;
  }
  const int encoding = document_ ? document_->GetEncoding() : kXmlEncodingUnknown;
  if (encoding == kXmlEncodingUnknown) {
    text = WideString(host::text::MacRomanToWide(bytes));
    return true;
  }
  WideString wide;
  for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + i);
    const uint32_t c = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    if (c == 0) break;
    wide.push_back(static_cast<wchar_t>(c));
  }
  text = std::move(wide);
  return true;
}

bool DecodeBase64(std::string_view text, std::string& bytes) {
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  bytes.clear();
  bytes.reserve(text.size() / 4 * 3 + 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    int v[4] = {0, 0, 0, 0};
    size_t have = 0;
    bool end = false;
    for (size_t k = 0; k < 4 && i + k < text.size(); ++k) {
      const char c = text[i + k];
      if (c == '=') {
        if (k < 2) return false;
        end = true;
        break;
      }
      v[k] = value(c);
      if (v[k] < 0) return false;
      ++have;
    }
    if (have >= 2) bytes.push_back(static_cast<char>(v[0] << 2 | v[1] >> 4));
    if (have >= 3) bytes.push_back(static_cast<char>((v[1] & 0x0F) << 4 | v[2] >> 2));
    if (have >= 4) bytes.push_back(static_cast<char>((v[2] & 0x03) << 6 | v[3]));
    if (end) break;
  }
  return true;
}

// ---- the same getters into a WideTextBuffer ----

bool XmlElement::GetName(WideTextBuffer& name) const {
  WideString text;
  if (!GetName(text)) return false;
  return name.Set(text.c_str());
}

bool XmlElement::GetText(WideTextBuffer& text, const wchar_t* defaultText) const {
  WideString value;
  const bool found = GetText(value, defaultText);
  if (found || !node_) text.Set(value.c_str());
  return found;
}

bool XmlElement::GetBase64Text(WideTextBuffer& text, const wchar_t* defaultText) const {
  WideString value;
  const bool found = GetBase64Text(value, defaultText);
  text.Set(value.c_str());
  return found;
}
