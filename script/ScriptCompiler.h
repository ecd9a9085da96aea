// The face of the script compiler. CompileScriptToDoAction turns script text into a DoAction
// tag for a SWF version and is what the rest of the program calls; behind it the compiler
// object preprocesses and parses text into a syntax tree, turns a tree into action bytes and
// keeps the description of the last error.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/WideString.h"
#include "script/BuiltinNames.h"
#include "script/ScriptPreprocessor.h"
#include "script/SyntaxNode.h"

class DoActionTag;

enum CompileError : int32_t {
  CompileErrorNone = 0,
  // Reading the text failed: a lexical error of the script or of the preprocessor.
  CompileErrorStream = 2,
  // The parser or the preprocessor rejected the text, or the generator refused the tree.
  CompileErrorSyntax = 4,
};

class ScriptCompilerInterface {
 public:
  virtual ~ScriptCompilerInterface() = default;

  // Include files are searched in these folders after the including file's own folder and the
  // working folder, in the order added.
  virtual void AddIncludeDirectory(const char* path) = 0;
  virtual const char* GetErrorMessage() const = 0;
  virtual const char* GetErrorFile() const = 0;
  virtual int32_t GetErrorLine() const = 0;
  virtual int32_t GetErrorColumn() const = 0;
  virtual const char* GetErrorLineText() const = 0;
  virtual int32_t GetErrorCode() const = 0;
  // The root of the script's syntax tree, or null (empty text, or an error described by the
  // getters above).
  [[nodiscard]] virtual SyntaxNodePtr Parse(const char* text) = 0;
  // Generates the tree's actions for the version and keeps them as the action bytes; returns
  // their count. Below version 5 there are none. A tree the generator refuses gives -1 and
  // an error with code CompileErrorSyntax, placed at the file and line the refused construct
  // came from (through the line map of the last Parse).
  [[nodiscard]] virtual int32_t Generate(SyntaxNode& root, int32_t version) = 0;
  // Copies the action bytes to the destination, which holds at least that many; returns the
  // count.
  virtual int32_t CopyBytes(uint8_t* destination) const = 0;
};

class ScriptCompilerBase : public ScriptCompilerInterface {
 public:
  // Deletes the compiler.
  virtual void Release() { delete this; }
};

class ScriptCompiler : public ScriptCompilerBase {
 public:
  ScriptCompiler();
  ~ScriptCompiler() override;

  void AddIncludeDirectory(const char* path) override;
  const char* GetErrorMessage() const override { return errorMessage_.c_str(); }
  const char* GetErrorFile() const override { return errorFile_.c_str(); }
  int32_t GetErrorLine() const override { return errorLine_; }
  int32_t GetErrorColumn() const override { return errorColumn_; }
  const char* GetErrorLineText() const override { return errorLineText_.c_str(); }
  int32_t GetErrorCode() const override { return errorCode_; }
  [[nodiscard]] SyntaxNodePtr Parse(const char* text) override;
  [[nodiscard]] int32_t Generate(SyntaxNode& root, int32_t version) override;
  int32_t CopyBytes(uint8_t* destination) const override;

  // The folder of the script text that Parse is given: its includes are searched there first.
  void SetScriptFolder(const std::string& folder) { scriptFolder_ = folder; }

  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  // Where each line of the last preprocessed text came from.
  const ScriptLineMap& LineMap() const { return lineMap_; }

 private:
  void SetError(int32_t code, std::string message, std::string file, int32_t line, int32_t column,
                std::string lineText);

  std::string errorMessage_;
  std::string errorFile_;
  std::string errorLineText_;
  int32_t errorLine_ = 0;
  int32_t errorColumn_ = 0;
  int32_t errorCode_ = CompileErrorNone;
  std::vector<uint8_t> bytes_;
  BuiltinNames names_;
  ScriptLineMap lineMap_;
  std::vector<std::string> includeDirectories_{"."};
  std::string scriptFolder_;
};

std::unique_ptr<ScriptCompiler> CreateScriptCompiler();

// The bytes the compiler reads for a text meant for a SWF version: UTF-8 from version 6 on,
// one byte per character (Latin-1) below it. Empty when the text holds a NUL character, or a
// character beyond U+00FF below version 6, which the movie could not carry.
std::optional<std::string> ScriptTextForVersion(const std::wstring& text, int32_t version);

// A one-frame movie of the version (550 x 400 pixels, 12 frames per second) whose only tag is a
// DoAction holding the action bytes; the zero bytes that follow the actions up to the length
// in the header (the action count plus 57) read as an End tag.
std::vector<uint8_t> WrapActionsInMovie(const std::vector<uint8_t>& actions, uint8_t version);

// The first DoAction tag of an uncompressed movie in memory, read back with the movie reader;
// every other tag is dropped. Null when the movie holds none, cannot be read, or has a tag
// whose declared body runs past the end of the data.
[[nodiscard]] std::unique_ptr<DoActionTag> ReadDoActionFromMovie(const std::vector<uint8_t>& movie);

// The actions of a script as a DoAction tag for a SWF version (0 to 255). Null for an empty
// text, a text that does not compile, and a script made of on or onClipEvent handlers (their
// records are no actions). Below version 5 the tag holds no actions.
[[nodiscard]] std::unique_ptr<DoActionTag> CompileScriptToDoAction(const WideString& text, int32_t version);
