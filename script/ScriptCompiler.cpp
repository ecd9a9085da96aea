#include "script/ScriptCompiler.h"

#include <cstring>
#include <exception>
#include <sstream>

#include "antlr/CharStreamException.hpp"
#include "antlr/RecognitionException.hpp"
#include "antlr/TokenStreamException.hpp"
#include "script/CodeGenerator.h"
#include "script/GenAction.h"
#include "script/ScriptParse.h"
#include "swf/DoActionTag.h"
#include "swf/SwfReader.h"
#include "swf/SwfRecord.h"

namespace {

constexpr const char* kNoLine = "No Line";
constexpr const char* kReadFailed = "An error occurred while reading the script.";
// Header, frame rectangle, rate and count, the long DoAction header and the End tag's room.
constexpr size_t kWrapperBytes = 57;
constexpr int kDoActionCode = 12;

}  // namespace

ScriptCompiler::ScriptCompiler() = default;
ScriptCompiler::~ScriptCompiler() = default;

std::unique_ptr<ScriptCompiler> CreateScriptCompiler() { return std::make_unique<ScriptCompiler>(); }

void ScriptCompiler::AddIncludeDirectory(const char* path) {
  if (path != nullptr) includeDirectories_.emplace_back(path);
}

void ScriptCompiler::SetError(int32_t code, std::string message, std::string file, int32_t line, int32_t column,
                              std::string lineText) {
  errorCode_ = code;
  errorMessage_ = std::move(message);
  errorFile_ = std::move(file);
  errorLine_ = line;
  errorColumn_ = column;
  errorLineText_ = std::move(lineText);
}

SyntaxNodePtr ScriptCompiler::Parse(const char* text) {
  lineMap_.Clear();
  if (text == nullptr || *text == '\0') return nullptr;

  ScriptPreprocessor preprocessor;
  // The preprocessor searches the working folder first by itself.
  for (size_t i = 1; i < includeDirectories_.size(); ++i) preprocessor.AddIncludeDirectory(includeDirectories_[i]);
  preprocessor.SetMainFolder(scriptFolder_);
  try {
    std::istringstream input{std::string(text)};
    try {
      preprocessor.Preprocess(input, ScriptPreprocessor::kMainFileName);
    } catch (...) {
      lineMap_ = preprocessor.LineMap();
      throw;
    }
    lineMap_ = preprocessor.LineMap();
    std::istringstream preprocessed(preprocessor.Output());
    return ParseScript(preprocessed);
  } catch (const antlr::CharStreamException& e) {
    SetError(CompileErrorStream, e.getMessage().empty() ? kReadFailed : e.getMessage(),
             ScriptPreprocessor::kMainFileName, 0, 0, kNoLine);
  } catch (const antlr::TokenStreamException& e) {
    SetError(CompileErrorStream, e.getMessage().empty() ? kReadFailed : e.getMessage(),
             ScriptPreprocessor::kMainFileName, 0, 0, kNoLine);
  } catch (const ScriptPreprocessorError& e) {
    // The preprocessor names the source file and line itself; the line map of its (partial)
    // output only gives the text of that line when it was written before the error.
    std::string lineText = kNoLine;
    for (const ScriptLineMap::Location& location : lineMap_.Entries()) {
      if (location.file == e.getFilename() && location.line == e.getLine()) lineText = location.text;
    }
    SetError(CompileErrorSyntax, e.toString(), e.getFilename(), e.getLine(), e.getColumn(), lineText);
  } catch (const antlr::RecognitionException& e) {
    ScriptLineMap::Location location = lineMap_.Locate(e.getLine());
    SetError(CompileErrorSyntax, e.toString(), location.file, location.line, e.getColumn(), location.text);
  } catch (const antlr::ANTLRException& e) {
    SetError(CompileErrorSyntax, e.toString(), ScriptPreprocessor::kMainFileName, 0, 0, kNoLine);
  }
  return nullptr;
}

int32_t ScriptCompiler::Generate(SyntaxNode& root, int32_t version) {
  if (version < 5) return 0;
  try {
    GenList records = GenerateScriptRecords(root, version, names_);
    bytes_ = WriteGenActions(records, version);
  } catch (const ScriptGenerateError& e) {
    bytes_.clear();
    // The line is one of the parsed (preprocessed) text: the line map gives its source.
    ScriptLineMap::Location location = lineMap_.Locate(e.line);
    SetError(CompileErrorSyntax, e.what(), location.file, location.line, 0, location.text);
    return -1;
  }
  return static_cast<int32_t>(bytes_.size());
}

int32_t ScriptCompiler::CopyBytes(uint8_t* destination) const {
  if (destination != nullptr && !bytes_.empty()) std::memcpy(destination, bytes_.data(), bytes_.size());
  return static_cast<int32_t>(bytes_.size());
}

std::optional<std::string> ScriptTextForVersion(const std::wstring& text, int32_t version) {
  if (text.find(L'\0') != std::wstring::npos) return std::nullopt;
  if (version >= 6) return WideToUtf8(text);
  std::string bytes;
  bytes.reserve(text.size());
  for (wchar_t c : text) {
    if (static_cast<uint32_t>(c) > 0xFF) return std::nullopt;
    bytes += static_cast<char>(static_cast<unsigned char>(c));
  }
  return bytes;
}

std::vector<uint8_t> WrapActionsInMovie(const std::vector<uint8_t>& actions, uint8_t version) {
  const size_t n = actions.size();
  const size_t total = n + kWrapperBytes;
  std::vector<uint8_t> block(total, 0);
  auto put16 = [&](size_t at, uint32_t value) {
    block[at] = static_cast<uint8_t>(value);
    block[at + 1] = static_cast<uint8_t>(value >> 8);
  };
  auto put32 = [&](size_t at, uint32_t value) {
    put16(at, value & 0xFFFF);
    put16(at + 2, value >> 16);
  };
  block[0] = 'F';
  block[1] = 'W';
  block[2] = 'S';
  block[3] = version;
  put32(4, static_cast<uint32_t>(total));
  // Frame rectangle with 15-bit fields: 0, 11000, 0, 8000 twips.
  static const uint8_t kFrame[9] = {0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00};
  std::memcpy(&block[8], kFrame, sizeof kFrame);
  put16(17, 0x0C00);  // 12.0 frames per second (8.8 fixed point)
  put16(19, 1);       // one frame
  size_t at = 21;
  if (n <= 62) {
    put16(at, static_cast<uint32_t>((kDoActionCode << 6) + n));
    at += 2;
  } else {
    put16(at, (kDoActionCode << 6) | 0x3F);
    put32(at + 2, static_cast<uint32_t>(n));
    at += 6;
  }
  if (n > 0) std::memcpy(&block[at], actions.data(), n);
  return block;
}

std::unique_ptr<DoActionTag> ReadDoActionFromMovie(const std::vector<uint8_t>& movie) {
  SwfReader reader;
  if (!reader.LoadFromMemory(movie.data(), movie.size(), true, 0, true)) return nullptr;
  // A tag cut short by the end of the data means the block is damaged.
  if (reader.HasCutTag()) return nullptr;
  for (std::unique_ptr<SwfTag>& tag : reader.GetTags()) {
    if (tag->TagCode() != kDoActionCode) continue;
    // A body the DoAction class could not read comes back as raw bytes: no actions to return.
    auto* doAction = dynamic_cast<DoActionTag*>(tag.get());
    if (doAction == nullptr) return nullptr;
    tag.release();
    return std::unique_ptr<DoActionTag>(doAction);
  }
  return nullptr;
}

std::unique_ptr<DoActionTag> CompileScriptToDoAction(const WideString& text, int32_t version) {
  if (text.empty() || version < 5 || version > 255) return nullptr;
  try {
    std::optional<std::string> narrow = ScriptTextForVersion(text, version);
    if (!narrow) return nullptr;
    std::unique_ptr<ScriptCompiler> compiler = CreateScriptCompiler();
    SyntaxNodePtr root = compiler->Parse(narrow->c_str());
    // Handler records (button conditions, clip actions) are no actions of a DoAction.
    if (!root || root->GetKind() != SyntaxNodeKind::Array) return nullptr;
    const int32_t n = compiler->Generate(*root, version);
    if (n < 0) return nullptr;
    std::vector<uint8_t> actions(static_cast<size_t>(n));
    compiler->CopyBytes(actions.data());
    return ReadDoActionFromMovie(WrapActionsInMovie(actions, static_cast<uint8_t>(version)));
  } catch (const std::exception&) {
    return nullptr;
  }
}
