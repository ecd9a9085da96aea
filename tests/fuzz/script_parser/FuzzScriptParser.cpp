// Any bytes given to the script lexer and parser, or to the preprocessor's lexer, end in a
// tree or in an ANTLR exception: never a crash, a leak, a hang or a stack overflow.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "PreprocessorLexer.hpp"
#include "antlr/ANTLRException.hpp"
#include "script/ScriptParse.h"
#include "script/ScriptParserSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  {
    std::istringstream in(text);
    try {
      SyntaxNodePtr root = ParseScript(in);
      // The parser keeps trees shallow enough for recursive passes.
      if (SyntaxTreeDepth(root.get()) > static_cast<size_t>(3 * ScriptNestingLimit)) std::abort();
      SyntaxNodePtr copy(root->CloneTree());
      if (FormatSyntaxTree(copy.get()) != FormatSyntaxTree(root.get())) std::abort();
    } catch (const antlr::ANTLRException&) {
    }
  }

  {
    std::istringstream in(text);
    PreprocessorLexer lexer(in);
    try {
      // Every token consumes at least one character, so this ends.
      while (lexer.nextToken()->getType() != antlr::Token::EOF_TYPE) {
      }
    } catch (const antlr::ANTLRException&) {
    }
  }
  return 0;
}
