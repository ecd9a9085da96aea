// Lexing and parsing of preprocessed script text.
#pragma once

#include <istream>

#include "script/SyntaxNode.h"

// Reads the whole script from text with a ScriptLexer and returns the root that
// ScriptParser::program builds (Array, Button or MovieClip). Errors are not caught: a lexical
// error leaves as antlr::TokenStreamException (or a subclass), a syntax error as
// antlr::RecognitionException, and no tree survives either.
[[nodiscard]] SyntaxNodePtr ParseScript(std::istream& text);
