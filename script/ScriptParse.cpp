#include "script/ScriptParse.h"

#include "ScriptLexer.hpp"
#include "ScriptParser.hpp"

SyntaxNodePtr ParseScript(std::istream& text) {
  ScriptLexer lexer(text);
  ScriptParser parser(lexer);
  return parser.program();
}
