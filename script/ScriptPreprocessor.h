// The script preprocessor: runs before the script lexer, drops comments, carries out the
// directives "#include", "#define", "#ifdef", "#ifndef", "#else" and "#endif", and writes the
// remaining text line by line. For every line it writes it records the file and the source line
// the line came from, so that an error found later in the preprocessed text can be reported
// where it was written.
//
// The directives are flat: "#ifdef" and "#ifndef" set whether text is kept, "#else" inverts
// that, "#endif" keeps text again; there is no nesting. "#define NAME [number]" only declares
// NAME for "#ifdef"/"#ifndef" (the first definition of a name stays); defined names are never
// replaced in the text. Directives, line ends and comments are carried out even where text is
// dropped, so a dropped region still gives one empty output line per source line.
//
// A comment leaves one blank in the line being built, so it never joins the tokens on its two
// sides ("a/**/b" stays two names). A file that includes itself, directly or through other
// files, is an error rather than an endless recursion.
#pragma once

#include <cstdint>
#include <istream>
#include <map>
#include <string>
#include <vector>

#include "antlr/RecognitionException.hpp"

// An error of the preprocessor itself. Unlike a parser error, its file name, line and column
// are already the source position (the file being read and the line in that file).
class ScriptPreprocessorError : public antlr::RecognitionException {
 public:
  ScriptPreprocessorError(const std::string& message, const std::string& fileName, int line, int column)
      : antlr::RecognitionException(message, fileName, line, column) {}
};

// Where each line of the preprocessed text came from. Output lines are numbered from 1, as the
// script lexer numbers them.
class ScriptLineMap {
 public:
  struct Location {
    std::string file;  // "Main" for the script itself, else the include file's resolved path
    int32_t line = 0;  // line number in that file
    std::string text;  // the text written for that line
  };

  void Clear();
  void Add(const std::string& file, int32_t line, const std::string& text);
  size_t Size() const { return entries_.size(); }

  // The source of output line n (1-based). A line that the map does not hold (0 or less, or
  // past the end) gives the file "Main", line 0 and the text "No Line".
  Location Locate(int n) const;

  const std::vector<Location>& Entries() const { return entries_; }

 private:
  std::vector<Location> entries_;
};

class ScriptPreprocessor {
 public:
  // The file name of the script text itself.
  static constexpr const char* kMainFileName = "Main";

  // Bounds on what one run may produce; past them preprocessing stops with an error.
  static constexpr size_t kMaxOutputBytes = 2 * 1024 * 1024;
  static constexpr size_t kMaxOutputLines = 64 * 1024;
  static constexpr int kMaxIncludeDepth = 64;
  static constexpr int kMaxIncludes = 1024;

  ScriptPreprocessor();

  // An include file is searched first in the folder of the file that includes it (for the
  // script itself, the folder set here, if any), then in "." (relative to the working
  // directory), then in these folders in the order they were added.
  void AddIncludeDirectory(const std::string& directory);
  const std::vector<std::string>& IncludeDirectories() const { return includeDirectories_; }
  // The folder of the script itself (kMainFileName), searched first for its includes.
  void SetMainFolder(const std::string& folder) { mainFolder_ = folder; }

  // Preprocesses the text of one file (kMainFileName for the script itself), appending to the
  // output and the line map. Errors: ScriptPreprocessorError for a missing include file, a
  // number defined without a name, a recursive include and the bounds above; the preprocessor
  // lexer's own errors pass through as antlr::TokenStreamException.
  void Preprocess(std::istream& input, const std::string& fileName = kMainFileName);

  // The path under which an include name of the file `from` is found: the first folder (see
  // AddIncludeDirectory) in which folder + "/" + name (quotes around the name removed,
  // backslashes made forward slashes) is a regular file that opens for reading. Empty when
  // there is none.
  std::string ResolveIncludePath(const std::string& name, const std::string& from = kMainFileName) const;

  const std::string& Output() const { return output_; }
  const ScriptLineMap& LineMap() const { return lineMap_; }
  // The declared names and the number each was given ("" when none).
  const std::map<std::string, std::string>& Defines() const { return defines_; }

  // Empties the output and the line map (the defines and include folders stay).
  void ClearOutput();

 private:
  struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
  };

  void Run(std::istream& input, const std::string& fileName);
  void Include(const std::string& quotedName, const std::string& fileName, int line, int column);
  void Record(const std::string& fileName, int32_t line, const std::string& text);
  void CheckSize(size_t pending, const std::string& fileName, int line, int column) const;

  std::vector<std::string> includeDirectories_;
  std::string mainFolder_;
  std::map<std::string, std::string> defines_;
  std::string output_;
  ScriptLineMap lineMap_;
  std::vector<FileIdentity> openFiles_;  // the include files being read, outermost first
  int includes_ = 0;
};
