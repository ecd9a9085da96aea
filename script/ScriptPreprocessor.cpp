#include "script/ScriptPreprocessor.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "PreprocessorLexer.hpp"
#include "PreprocessorLexerTokenTypes.hpp"

void ScriptLineMap::Clear() { entries_.clear(); }

void ScriptLineMap::Add(const std::string& file, int32_t line, const std::string& text) {
  entries_.push_back({file, line, text});
}

ScriptLineMap::Location ScriptLineMap::Locate(int n) const {
  if (n <= 0 || static_cast<size_t>(n) > entries_.size()) {
    return {ScriptPreprocessor::kMainFileName, 0, "No Line"};
  }
  return entries_[static_cast<size_t>(n) - 1];
}

ScriptPreprocessor::ScriptPreprocessor() : includeDirectories_{"."} {}

void ScriptPreprocessor::AddIncludeDirectory(const std::string& directory) { includeDirectories_.push_back(directory); }

void ScriptPreprocessor::ClearOutput() {
  output_.clear();
  lineMap_.Clear();
}

void ScriptPreprocessor::Preprocess(std::istream& input, const std::string& fileName) {
  openFiles_.clear();
  includes_ = 0;
  Run(input, fileName);
}

std::string ScriptPreprocessor::ResolveIncludePath(const std::string& name, const std::string& from) const {
  std::string bare = name;
  if (!bare.empty() && bare.front() == '"') bare.erase(0, 1);
  if (!bare.empty() && bare.back() == '"') bare.pop_back();
  // The including file's own folder comes first.
  std::vector<std::string> directories;
  if (from == kMainFileName) {
    if (!mainFolder_.empty()) directories.push_back(mainFolder_);
  } else {
    std::string folder = std::filesystem::path(from).parent_path().string();
    directories.push_back(folder.empty() ? "." : folder);
  }
  directories.insert(directories.end(), includeDirectories_.begin(), includeDirectories_.end());
  for (const std::string& directory : directories) {
    std::string candidate = directory + "/" + bare;
    for (char& c : candidate) {
      if (c == '\\') c = '/';
    }
    // Only a regular file: opening a pipe or a device could wait for ever or never end.
    struct stat info;
    if (stat(candidate.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    if (std::FILE* file = std::fopen(candidate.c_str(), "rb")) {
      std::fclose(file);
      return candidate;
    }
  }
  return {};
}

void ScriptPreprocessor::Record(const std::string& fileName, int32_t line, const std::string& text) {
  CheckSize(text.size() + 1, fileName, line, 0);
  lineMap_.Add(fileName, line, text);
  output_ += text;
  output_ += '\n';
}

void ScriptPreprocessor::CheckSize(size_t pending, const std::string& fileName, int line, int column) const {
  if (output_.size() + pending > kMaxOutputBytes || lineMap_.Size() >= kMaxOutputLines) {
    throw ScriptPreprocessorError("The preprocessed script is too long", fileName, line, column);
  }
}

void ScriptPreprocessor::Include(const std::string& quotedName, const std::string& fileName, int line, int column) {
  std::string path = ResolveIncludePath(quotedName, fileName);
  if (path.empty()) {
    throw ScriptPreprocessorError("Could not find file: " + quotedName, fileName, line, column);
  }
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    throw ScriptPreprocessorError("Could not find file: " + quotedName, fileName, line, column);
  }
  // The whole file is read into one run; a file larger than any result could be is refused
  // before a byte of it is read.
  if (static_cast<uint64_t>(info.st_size) > kMaxOutputBytes) {
    throw ScriptPreprocessorError("The preprocessed script is too long", fileName, line, column);
  }
  FileIdentity identity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
  for (const FileIdentity& open : openFiles_) {
    if (open.device == identity.device && open.inode == identity.inode) {
      throw ScriptPreprocessorError("Recursive #include of file: " + quotedName, fileName, line, column);
    }
  }
  if (static_cast<int>(openFiles_.size()) >= kMaxIncludeDepth) {
    throw ScriptPreprocessorError("Too deeply nested #include of file: " + quotedName, fileName, line, column);
  }
  if (++includes_ > kMaxIncludes) {
    throw ScriptPreprocessorError("Too many #include directives at file: " + quotedName, fileName, line, column);
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw ScriptPreprocessorError("Could not find file: " + quotedName, fileName, line, column);
  }
  openFiles_.push_back(identity);
  Run(file, path);
  openFiles_.pop_back();
}

void ScriptPreprocessor::Run(std::istream& input, const std::string& fileName) {
  PreprocessorLexer lexer(input);
  lexer.setFilename(fileName);

  std::string lineText;
  int32_t counter = 0;
  bool active = true;
  bool includePending = false;
  bool definePending = false;
  bool ifdefPending = false;
  bool ifndefPending = false;
  std::string defineName;

  // Plain text is kept while active, except while both an include and a define wait for their
  // operand.
  auto keepsText = [&] { return active && !(includePending && definePending); };

  while (true) {
    antlr::RefToken token = lexer.nextToken();
    const int type = token->getType();
    const int line = token->getLine();
    const int column = token->getColumn();

    if (type == antlr::Token::EOF_TYPE) {
      if (!lineText.empty()) Record(fileName, ++counter, lineText);
      return;
    }
    switch (type) {
      case PreprocessorLexerTokenTypes::SL_COMMENT:
        // The comment took the line end with it: the line ends here, and the text before the
        // comment moves on to the next line, after one blank in the comment's place.
        counter = line;
        Record(fileName, counter, std::string());
        if (keepsText()) lineText += ' ';
        continue;
      case PreprocessorLexerTokenTypes::ML_COMMENT:
        while (true) {
          int32_t v = counter++;
          if (v >= line) break;
          Record(fileName, counter, std::string());
        }
        if (keepsText()) lineText += ' ';
        continue;
      case PreprocessorLexerTokenTypes::NEWLINE:
        if (definePending) {
          defines_.emplace(defineName, std::string());
          defineName.clear();
          definePending = false;
        }
        counter = line;
        Record(fileName, counter, lineText);
        lineText.clear();
        continue;
      case PreprocessorLexerTokenTypes::INCLUDE: includePending = true; continue;
      case PreprocessorLexerTokenTypes::DEFINE: definePending = true; continue;
      case PreprocessorLexerTokenTypes::IFDEF: ifdefPending = true; continue;
      case PreprocessorLexerTokenTypes::IFNDEF: ifndefPending = true; continue;
      case PreprocessorLexerTokenTypes::ELSE: active = !active; continue;
      case PreprocessorLexerTokenTypes::ENDIF: active = true; continue;
      default: break;
    }
    if (type == PreprocessorLexerTokenTypes::STRING_LITERAL && includePending) {
      Include(token->getText(), fileName, line, column);
      includePending = false;
      continue;
    }
    if (type == PreprocessorLexerTokenTypes::IDENTIFIER) {
      if (definePending) {
        defineName = token->getText();
        continue;
      }
      if (ifdefPending) {
        active = defines_.count(token->getText()) != 0;
        ifdefPending = false;
        continue;
      }
      if (ifndefPending) {
        active = defines_.count(token->getText()) == 0;
        ifndefPending = false;
        continue;
      }
    }
    if (type == PreprocessorLexerTokenTypes::NUMERIC_LITERAL && definePending) {
      if (defineName.empty()) {
        throw ScriptPreprocessorError("Unsupported value for #define: " + token->getText(), fileName, line, column);
      }
      defines_.emplace(defineName, token->getText());
      defineName.clear();
      definePending = false;
      continue;
    }
    if (keepsText()) {
      const std::string& text = token->getText();
      CheckSize(lineText.size() + text.size(), fileName, line, column);
      lineText += text;
    }
  }
}
