#include "host/StringTable.h"

#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>
#include <utility>

#include "host/Bundle.h"
#include "host/Text.h"

namespace host::strings {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

void SkipBlanks(std::string_view line, size_t& p) {
  while (p < line.size() && IsBlank(line[p])) ++p;
}

// Reads a quoted string starting at line[p] == '"', with the table's escapes; leaves p after
// the closing quote. Returns nullopt (with a reason) when the string is malformed.
std::optional<std::string> ReadQuoted(std::string_view line, size_t& p, std::string& why) {
  std::string out;
  ++p;  // opening quote
  while (p < line.size()) {
    const char c = line[p++];
    if (c == '"') return out;
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    if (p >= line.size()) break;
    const char e = line[p++];
    switch (e) {
      case '"': out.push_back('"'); break;
      case '\\': out.push_back('\\'); break;
      case 'n': out.push_back('\n'); break;
      case 't': out.push_back('\t'); break;
      default: why = std::string("unknown escape \\") + e; return std::nullopt;
    }
  }
  why = "unterminated string";
  return std::nullopt;
}

std::optional<int> ParseKey(const std::string& key) {
  if (key.empty()) return std::nullopt;
  for (char c : key) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  int value = 0;
  const auto [end, ec] = std::from_chars(key.data(), key.data() + key.size(), value);
  if (ec != std::errc() || end != key.data() + key.size()) return std::nullopt;
  return value;
}

bool HasUndecodableBytes(const std::wstring& text) {
  for (wchar_t c : text) {
    const auto u = static_cast<char32_t>(c);
    if (u >= text::kEscapedByteFirst && u <= text::kEscapedByteLast) return true;
  }
  return false;
}

}  // namespace

StringTable StringTable::Parse(std::string_view all) {
  StringTable table;
  if (all.substr(0, 3) == "\xEF\xBB\xBF") all.remove_prefix(3);
  bool in_comment = false;
  size_t comment_line = 0;
  size_t line_no = 0;
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find('\n', start);
    if (end == std::string_view::npos) end = all.size();
    const std::string_view line = all.substr(start, end - start);
    start = end + 1;
    ++line_no;

    size_t p = 0;
    std::string why;
    // Entries of this line are kept only when the whole line is well formed.
    std::vector<std::pair<int, std::wstring>> found;
    while (why.empty()) {
      if (in_comment) {
        const size_t close = line.find("*/", p);
        if (close == std::string_view::npos) break;
        in_comment = false;
        p = close + 2;
        continue;
      }
      SkipBlanks(line, p);
      if (p >= line.size()) break;
      if (line.substr(p, 2) == "/*") {
        in_comment = true;
        comment_line = line_no;
        p += 2;
        continue;
      }
      if (line.substr(p, 2) == "//") break;
      if (line[p] != '"') {
        why = "expected a quoted number";
        break;
      }
      const auto key = ReadQuoted(line, p, why);
      if (!key) break;
      const auto number = ParseKey(*key);
      if (!number) {
        why = "the key \"" + *key + "\" is not a decimal number";
        break;
      }
      SkipBlanks(line, p);
      if (p >= line.size() || line[p] != '=') {
        why = "expected '='";
        break;
      }
      ++p;
      SkipBlanks(line, p);
      if (p >= line.size() || line[p] != '"') {
        why = "expected a quoted text";
        break;
      }
      const auto value = ReadQuoted(line, p, why);
      if (!value) break;
      SkipBlanks(line, p);
      if (p >= line.size() || line[p] != ';') {
        why = "expected ';'";
        break;
      }
      ++p;
      std::wstring wide = text::Utf8ToWide(*value);
      if (HasUndecodableBytes(wide)) {
        why = "the text is not valid UTF-8";
        break;
      }
      found.emplace_back(*number, std::move(wide));
    }
    if (!why.empty()) {
      table.problems_.push_back({line_no, why});
      continue;
    }
    for (auto& [number, text] : found) {
      if (table.entries_.count(number) != 0) {
        table.problems_.push_back({line_no, "number " + std::to_string(number) + " appears more than once"});
      }
      table.entries_[number] = std::move(text);
    }
  }
  if (in_comment) table.problems_.push_back({comment_line, "comment is not closed"});
  return table;
}

StringTable StringTable::Load(const std::string& path) {
  StringTable empty;
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) {
    empty.problems_.push_back({0, "cannot open " + path});
    return empty;
  }
  std::string bytes;
  char chunk[65536];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
    if (bytes.size() + n > kMaxTableFileBytes) {
      empty.problems_.push_back({0, path + " is larger than the table limit"});
      return empty;
    }
    bytes.append(chunk, n);
  }
  if (std::ferror(file.get())) {
    empty.problems_.push_back({0, "cannot read " + path});
    return empty;
  }
  return Parse(bytes);
}

const std::wstring* StringTable::Find(int number) const {
  const auto it = entries_.find(number);
  return it == entries_.end() ? nullptr : &it->second;
}

const StringTable& MainStringTable() {
  static std::optional<std::string> loaded_from;
  static StringTable table;
  const std::string& bundle = bundle::BundlePath();
  if (!loaded_from || *loaded_from != bundle) {
    table = bundle.empty() ? StringTable() : StringTable::Load(bundle::ResourcePath("Localizable.strings"));
    loaded_from = bundle;
  }
  return table;
}

}  // namespace host::strings
