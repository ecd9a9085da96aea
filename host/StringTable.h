// The bundle's table of numbered texts: Resources/Localizable.strings, one entry a line,
//     "123" = "text";
// in UTF-8, with the escapes \" \\ \n and \t inside the text. Blank lines, // comments and
// /* */ comments are allowed. A line that is not a well-formed entry (or not valid UTF-8) is
// skipped and reported as a problem; the rest of the file still loads. When a number appears
// twice, the later entry wins and the duplicate is reported.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace host::strings {

// Files larger than this are refused as a whole.
inline constexpr size_t kMaxTableFileBytes = 8u << 20;

struct TableProblem {
  size_t line = 0;  // 1-based; 0 for the file as a whole
  std::string message;
};

class StringTable {
 public:
  // Parses table text; never fails as a whole (bad lines become problems).
  static StringTable Parse(std::string_view utf8);
  // Reads and parses a file; a missing, unreadable or oversized file gives an empty table
  // with one problem.
  static StringTable Load(const std::string& path);

  // The text of a number, or null when the table has no entry for it.
  const std::wstring* Find(int number) const;
  size_t size() const { return entries_.size(); }
  const std::unordered_map<int, std::wstring>& entries() const { return entries_; }
  const std::vector<TableProblem>& problems() const { return problems_; }

 private:
  std::unordered_map<int, std::wstring> entries_;
  std::vector<TableProblem> problems_;
};

// The main bundle's table, loaded on first use and again whenever the bundle path changes
// (tests point the bundle at fixtures). Empty when the bundle has no table.
const StringTable& MainStringTable();

}  // namespace host::strings
