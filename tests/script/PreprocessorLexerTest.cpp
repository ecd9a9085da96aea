// Token streams of PreprocessorLexer: directives, white space and line ends as tokens,
// comments, and its own numbering.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "PreprocessorLexer.hpp"
#include "antlr/TokenStreamRecognitionException.hpp"

namespace {

const char* const kNames[] = {
    "<0>",
    "EOF",
    "<2>",
    "<3>",
    "INCLUDE",
    "DEFINE",
    "IFDEF",
    "IFNDEF",
    "ELSE",
    "ENDIF",
    "LPAREN",
    "RPAREN",
    "LBRACKET",
    "RBRACKET",
    "LCURLY",
    "RCURLY",
    "SEMI",
    "COMMA",
    "SELECT",
    "ALTERNATE",
    "ASSIGN",
    "ASSIGN_ADD",
    "ASSIGN_SUB",
    "ASSIGN_MUL",
    "ASSIGN_DIV",
    "ASSIGN_MOD",
    "ASSIGN_LSL",
    "ASSIGN_ASR",
    "ASSIGN_LSR",
    "ASSIGN_AND",
    "ASSIGN_OR",
    "ASSIGN_XOR",
    "LOGICAL_AND",
    "LOGICAL_OR",
    "LOGICAL_NOT",
    "EQ",
    "GTHAN",
    "LTHAN",
    "GTE",
    "LTE",
    "NE",
    "BIT_AND",
    "BIT_OR",
    "BIT_XOR",
    "BIT_NOT",
    "LSL",
    "LSR",
    "ASR",
    "PLUS",
    "MINUS",
    "MULTIPLY",
    "DIVIDE",
    "MOD",
    "INC",
    "DEC",
    "WS",
    "NEWLINE",
    "STRING_LITERAL",
    "QUOTED_LITERAL",
    "IDENTIFIER",
    "ESC",
    "HEX_DIGIT",
    "EXPONENT",
    "NUMERIC_LITERAL",
    "SL_COMMENT",
    "ML_COMMENT",
};

std::string Visible(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += c;
    }
  }
  return out;
}

// "NAME text" per token (line ends shown as \r and \n), separated by " | ".
std::string Lex(const std::string& text) {
  std::istringstream in(text);
  PreprocessorLexer lexer(in);
  std::string out;
  for (int guard = 0; guard < 1000; ++guard) {
    antlr::RefToken token = lexer.nextToken();
    int type = token->getType();
    if (type == antlr::Token::EOF_TYPE) return out;
    if (!out.empty()) out += " | ";
    out += type >= 0 && type < static_cast<int>(std::size(kNames)) ? kNames[type] : "?";
    out += ' ';
    out += Visible(token->getText());
  }
  return out + " ...";
}

struct LexCase {
  const char* text;
  const char* tokens;
};

const LexCase kCases[] = {
    {"#include \"lib/x.as\"", "INCLUDE #include | WS   | STRING_LITERAL \"lib/x.as\""},
    {"#define DEBUG 1", "DEFINE #define | WS   | IDENTIFIER DEBUG | WS   | NUMERIC_LITERAL 1"},
    {"#ifdef A", "IFDEF #ifdef | WS   | IDENTIFIER A"},
    {"#ifndef A", "IFNDEF #ifndef | WS   | IDENTIFIER A"},
    {"#else\n#endif", "ELSE #else | NEWLINE \\n | ENDIF #endif"},
    {"#ifdefined", "IFDEF #ifdef | IDENTIFIER ined"},
    {"#endifx", "ENDIF #endif | IDENTIFIER x"},
    {"  \t\f", "WS   | WS   | WS \\t | WS \f"},
    {"\r\n", "NEWLINE \\r\\n"},
    {"\n\r", "NEWLINE \\n | NEWLINE \\r"},
    {"\r\r\n\n", "NEWLINE \\r | NEWLINE \\r\\n | NEWLINE \\n"},
    {"if (a) {", "IDENTIFIER if | WS   | LPAREN ( | IDENTIFIER a | RPAREN ) | WS   | LCURLY {"},
    {"var keyPress in", "IDENTIFIER var | WS   | IDENTIFIER keyPress | WS   | IDENTIFIER in"},
    {".", "NUMERIC_LITERAL ."},
    {"a.b 1.5 .5 0x1F",
     "IDENTIFIER a | NUMERIC_LITERAL . | IDENTIFIER b | WS   | "
     "NUMERIC_LITERAL 1.5 | WS   | NUMERIC_LITERAL .5 | WS   | NUMERIC_LITERAL 0x1F"},
    {"a // note\nb", "IDENTIFIER a | WS   | SL_COMMENT // note\\n | IDENTIFIER b"},
    {"a//x\r\nb", "IDENTIFIER a | SL_COMMENT //x\\r\\n | IDENTIFIER b"},
    {"a//x\rb", "IDENTIFIER a | SL_COMMENT //x\\r | IDENTIFIER b"},
    {"// end", "SL_COMMENT // end"},
    {"a/* x */b", "IDENTIFIER a | ML_COMMENT /* x */ | IDENTIFIER b"},
    {"/***/", "ML_COMMENT /***/"},
    {"/**/ /* a ** b */", "ML_COMMENT /**/ | WS   | ML_COMMENT /* a ** b */"},
    {"/* /* */ */", "ML_COMMENT /* /* */ | WS   | MULTIPLY * | DIVIDE /"},
    {"a/b/=c", "IDENTIFIER a | DIVIDE / | IDENTIFIER b | ASSIGN_DIV /= | IDENTIFIER c"},
    {"(){}[];,?:",
     "LPAREN ( | RPAREN ) | LCURLY { | RCURLY } | LBRACKET [ | RBRACKET ] | "
     "SEMI ; | COMMA , | SELECT ? | ALTERNATE :"},
    {"x>>>=1", "IDENTIFIER x | ASSIGN_LSR >>>= | NUMERIC_LITERAL 1"},
    {"= += -= *= /= %= <<= >>= >>>= &= |= ^=",
     "ASSIGN = | WS   | ASSIGN_ADD += | WS   | ASSIGN_SUB -= | WS   | ASSIGN_MUL *= | WS   | "
     "ASSIGN_DIV /= | WS   | ASSIGN_MOD %= | WS   | ASSIGN_LSL <<= | WS   | ASSIGN_ASR >>= | WS   | "
     "ASSIGN_LSR >>>= | WS   | ASSIGN_AND &= | WS   | ASSIGN_OR |= | WS   | ASSIGN_XOR ^="},
    {"&&||!==><>=<=!=",
     "LOGICAL_AND && | LOGICAL_OR || | NE != | ASSIGN = | GTHAN > | "
     "LTHAN < | GTE >= | LTE <= | NE !="},
    {"& | ^ ~ << >>> >> + - * % ++ --",
     "BIT_AND & | WS   | BIT_OR | | WS   | BIT_XOR ^ | WS   | BIT_NOT ~ | WS   | LSL << | WS   | "
     "LSR >>> | WS   | ASR >> | WS   | PLUS + | WS   | MINUS - | WS   | MULTIPLY * | WS   | "
     "MOD % | WS   | INC ++ | WS   | DEC --"},
    {"'a\"b' \"it's\"", "QUOTED_LITERAL 'a\"b' | WS   | STRING_LITERAL \"it's\""},
    {"\"// not a comment\"", "STRING_LITERAL \"// not a comment\""},
    {"", ""},
};

TEST(PreprocessorLexer, TokenStreams) {
  for (const LexCase& c : kCases) EXPECT_EQ(Lex(c.text), c.tokens) << "input: " << Visible(c.text);
}

TEST(PreprocessorLexer, RefusesUnknownDirectivesAndUnclosedText) {
  const char* bad[] = {"#Include \"x\"", "#pragma once", "# include", "#if A", "#inclde \"x\"",
                       "#endf",          "#elif",        "#",         "#d",    "/* open",
                       "/* open *",      "\"abc",        "'abc\n'",   "@"};
  for (const char* text : bad) {
    std::istringstream in(text);
    PreprocessorLexer lexer(in);
    bool refused = false;
    try {
      for (int i = 0; i < 20; ++i) {
        if (lexer.nextToken()->getType() == antlr::Token::EOF_TYPE) break;
      }
    } catch (const antlr::TokenStreamRecognitionException&) {
      refused = true;
    }
    EXPECT_TRUE(refused) << "input: " << text;
  }
}

TEST(PreprocessorLexer, LineCounting) {
  // A line comment at the end of input still advances the line.
  {
    std::istringstream in("// end");
    PreprocessorLexer lexer(in);
    EXPECT_EQ(lexer.nextToken()->getType(), PreprocessorLexerTokenTypes::SL_COMMENT);
    antlr::RefToken eof = lexer.nextToken();
    EXPECT_EQ(eof->getType(), antlr::Token::EOF_TYPE);
    EXPECT_EQ(eof->getLine(), 2);
  }
  // A block comment over three lines moves the next token two lines down.
  struct Case {
    const char* text;
    int line;
  } cases[] = {
      {"/* a\n b\n c */x", 3}, {"/* a\r\n b\r\n */x", 3}, {"/* a\r b\r */x", 3}, {"a\r\nx", 2}, {"a\n\rx", 3},
      {"// c\nx", 2},          {"// c\r\nx", 2},          {"\n\n/**/x", 3},
  };
  for (const Case& c : cases) {
    std::istringstream in(c.text);
    PreprocessorLexer lexer(in);
    antlr::RefToken token;
    do {
      token = lexer.nextToken();
    } while (token->getType() != antlr::Token::EOF_TYPE && token->getText() != "x");
    ASSERT_EQ(token->getText(), "x") << Visible(c.text);
    EXPECT_EQ(token->getLine(), c.line) << Visible(c.text);
  }
}

TEST(PreprocessorLexer, NumberingIsItsOwn) {
  EXPECT_EQ(PreprocessorLexerTokenTypes::INCLUDE, 4);
  EXPECT_EQ(PreprocessorLexerTokenTypes::ENDIF, 9);
  EXPECT_EQ(PreprocessorLexerTokenTypes::LPAREN, 10);
  EXPECT_EQ(PreprocessorLexerTokenTypes::ASSIGN, 20);
  EXPECT_EQ(PreprocessorLexerTokenTypes::DEC, 54);
  EXPECT_EQ(PreprocessorLexerTokenTypes::NEWLINE, 56);
  EXPECT_EQ(PreprocessorLexerTokenTypes::STRING_LITERAL, 57);
  EXPECT_EQ(PreprocessorLexerTokenTypes::IDENTIFIER, 59);
  EXPECT_EQ(PreprocessorLexerTokenTypes::NUMERIC_LITERAL, 63);
  EXPECT_EQ(PreprocessorLexerTokenTypes::SL_COMMENT, 64);
  EXPECT_EQ(PreprocessorLexerTokenTypes::ML_COMMENT, 65);
}

TEST(PreprocessorLexer, EndOfInputRepeats) {
  std::istringstream in("x");
  PreprocessorLexer lexer(in);
  EXPECT_EQ(lexer.nextToken()->getType(), PreprocessorLexerTokenTypes::IDENTIFIER);
  EXPECT_EQ(lexer.nextToken()->getType(), antlr::Token::EOF_TYPE);
  EXPECT_EQ(lexer.nextToken()->getType(), antlr::Token::EOF_TYPE);
}

}  // namespace
