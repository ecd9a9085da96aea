// Token streams of ScriptLexer, its errors and positions, and the shared token vocabulary.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "ScriptLexer.hpp"
#include "ScriptParser.hpp"
#include "antlr/TokenStreamRecognitionException.hpp"

namespace {

// The token-name table, from a parser over an empty script.
const char* TokenName(int type) {
  static std::istringstream empty;
  static ScriptLexer lexer(empty);
  static ScriptParser parser(lexer);
  return parser.getTokenName(type);
}

// "NAME text" per token, separated by " | ", up to the end of input.
std::string Lex(const std::string& text) {
  std::istringstream in(text);
  ScriptLexer lexer(in);
  std::string out;
  for (int guard = 0; guard < 1000; ++guard) {
    antlr::RefToken token = lexer.nextToken();
    if (token->getType() == antlr::Token::EOF_TYPE) return out;
    if (!out.empty()) out += " | ";
    const char* name = TokenName(token->getType());
    out += name ? name : "?";
    out += ' ';
    out += token->getText();
  }
  return out + " ...";
}

struct LexCase {
  const char* text;
  const char* tokens;
};

const LexCase kLexCases[] = {
    // Keywords are case-sensitive; other words are identifiers.
    LexCase{"If WHILE Function", "IDENTIFIER If | IDENTIFIER WHILE | IDENTIFIER Function"},
    LexCase{"keyPress in", "\"keyPress\" keyPress | \"in\" in"},
    LexCase{"true false null this typeof switch case",
            "IDENTIFIER true | IDENTIFIER false | IDENTIFIER null | IDENTIFIER this | "
            "IDENTIFIER typeof | IDENTIFIER switch | IDENTIFIER case"},
    LexCase{"$a _b c9 $", "IDENTIFIER $a | IDENTIFIER _b | IDENTIFIER c9 | IDENTIFIER $"},
    LexCase{"function if else with while do for in onClipEvent on keyPress break continue "
            "return var instanceof delete new",
            "\"function\" function | \"if\" if | \"else\" else | \"with\" with | "
            "\"while\" while | \"do\" do | \"for\" for | \"in\" in | "
            "\"onClipEvent\" onClipEvent | \"on\" on | \"keyPress\" keyPress | "
            "\"break\" break | \"continue\" continue | \"return\" return | \"var\" var | "
            "\"instanceof\" instanceof | \"delete\" delete | \"new\" new"},
    LexCase{"forx inx newer", "IDENTIFIER forx | IDENTIFIER inx | IDENTIFIER newer"},
    // Punctuation takes the types of the literals.
    LexCase{"(){}[];,?:",
            "\"(\" ( | \")\" ) | \"{\" { | \"}\" } | \"[\" [ | \"]\" ] | \";\" ; | "
            "\",\" , | \"?\" ? | \":\" :"},
    // Member access and numbers around dots.
    LexCase{"a.b", "IDENTIFIER a | \".\" . | IDENTIFIER b"},
    LexCase{"a.5", "IDENTIFIER a | NUMERIC_LITERAL .5"},
    LexCase{"1.2.3", "NUMERIC_LITERAL 1.2 | NUMERIC_LITERAL .3"},
    LexCase{"1.", "NUMERIC_LITERAL 1."},
    LexCase{"1.e5", "NUMERIC_LITERAL 1.e5"},
    LexCase{".e5", "\".\" . | IDENTIFIER e5"},
    LexCase{".5e+2", "NUMERIC_LITERAL .5e+2"},
    LexCase{"0x1F 0X1f 0x1F.5", "NUMERIC_LITERAL 0x1F | NUMERIC_LITERAL 0X1f | NUMERIC_LITERAL 0x1F.5"},
    LexCase{"0x1E5", "NUMERIC_LITERAL 0x1E5"},
    LexCase{"007 09 0 10",
            "NUMERIC_LITERAL 007 | NUMERIC_LITERAL 09 | NUMERIC_LITERAL 0 | "
            "NUMERIC_LITERAL 10"},
    LexCase{"1E-3 1e5 2E+10 0e1",
            "NUMERIC_LITERAL 1E-3 | NUMERIC_LITERAL 1e5 | "
            "NUMERIC_LITERAL 2E+10 | NUMERIC_LITERAL 0e1"},
    LexCase{"12abc", "NUMERIC_LITERAL 12 | IDENTIFIER abc"},
    // The longest operator wins.
    LexCase{"x>>>=1", "IDENTIFIER x | ASSIGN_LSR >>>= | NUMERIC_LITERAL 1"},
    LexCase{"a>>>b", "IDENTIFIER a | LSR >>> | IDENTIFIER b"},
    LexCase{"a>>=b", "IDENTIFIER a | ASSIGN_ASR >>= | IDENTIFIER b"},
    LexCase{"a>>b>c", "IDENTIFIER a | ASR >> | IDENTIFIER b | GTHAN > | IDENTIFIER c"},
    LexCase{">>>>", "LSR >>> | GTHAN >"},
    LexCase{"a+++b", "IDENTIFIER a | INC ++ | PLUS + | IDENTIFIER b"},
    LexCase{"= += -= *= /= %= <<= >>= >>>= &= |= ^=",
            "ASSIGN = | ASSIGN_ADD += | ASSIGN_SUB -= | ASSIGN_MUL *= | ASSIGN_DIV /= | "
            "ASSIGN_MOD %= | ASSIGN_LSL <<= | ASSIGN_ASR >>= | ASSIGN_LSR >>>= | "
            "ASSIGN_AND &= | ASSIGN_OR |= | ASSIGN_XOR ^="},
    LexCase{"&& || ! == > < >= <= != & | ^ ~ << >>> >> + - * / % ++ --",
            "LOGICAL_AND && | LOGICAL_OR || | LOGICAL_NOT ! | EQ == | GTHAN > | LTHAN < | "
            "GTE >= | LTE <= | NE != | BIT_AND & | BIT_OR | | BIT_XOR ^ | BIT_NOT ~ | "
            "LSL << | LSR >>> | ASR >> | PLUS + | MINUS - | MULTIPLY * | DIVIDE / | "
            "MOD % | INC ++ | DEC --"},
    // No comments here: two slashes are two divisions.
    LexCase{"a//b", "IDENTIFIER a | DIVIDE / | DIVIDE / | IDENTIFIER b"},
    LexCase{"/*", "DIVIDE / | MULTIPLY *"},
    // Strings keep their quotes and their escapes as written.
    LexCase{"\"it's\"", "STRING_LITERAL \"it's\""},
    LexCase{"'say \"hi\"'", "QUOTED_LITERAL 'say \"hi\"'"},
    LexCase{"\"\"''", "STRING_LITERAL \"\" | QUOTED_LITERAL ''"},
    LexCase{R"("\n\r\t\b\f\"\'\\")", R"(STRING_LITERAL "\n\r\t\b\f\"\'\\")"},
    LexCase{R"("\u0041\uuu004a")", R"(STRING_LITERAL "\u0041\uuu004a")"},
    LexCase{R"('\0\12\377\1234\47\78')", R"(QUOTED_LITERAL '\0\12\377\1234\47\78')"},
    LexCase{"\"caf\xe9 \xff\x80\"", "STRING_LITERAL \"caf\xe9 \xff\x80\""},
    LexCase{"\"a\" \"b\"", "STRING_LITERAL \"a\" | STRING_LITERAL \"b\""},
    // White space of every kind is skipped.
    LexCase{" \t\f\r\n\r\n\n\ra", "IDENTIFIER a"},
    LexCase{"", ""},
};

TEST(ScriptLexer, TokenStreams) {
  for (const LexCase& c : kLexCases) EXPECT_EQ(Lex(c.text), c.tokens) << "input: " << c.text;
}

// Inputs that the lexer refuses; every error reaches the caller as a token-stream error.
TEST(ScriptLexer, RefusesBadCharactersAndBrokenLiterals) {
  const char* bad[] = {
      "#",    "@",       "`",         "\\",       "\x80",    "\xff",  "0x ",  "0x",         "1e",       "1e+",
      "1E-x", "\"\\q\"", "\"\\u12\"", "'\\u123'", "\"\\8\"", "\"abc", "'abc", "\"ab\ncd\"", "'ab\rcd'", "a = \"x",
  };
  for (const char* text : bad) {
    std::istringstream in(text);
    ScriptLexer lexer(in);
    bool refused = false;
    try {
      for (int i = 0; i < 10; ++i) {
        if (lexer.nextToken()->getType() == antlr::Token::EOF_TYPE) break;
      }
    } catch (const antlr::TokenStreamRecognitionException&) {
      refused = true;
    }
    EXPECT_TRUE(refused) << "input: " << text;
  }
}

TEST(ScriptLexer, ControlBytesBelowThreeAreRefused) {
  for (char c : {'\0', '\1', '\2'}) {
    std::istringstream in(std::string(1, c));
    ScriptLexer lexer(in);
    EXPECT_THROW(lexer.nextToken(), antlr::TokenStreamRecognitionException) << int(c);
  }
  std::istringstream in(std::string("\"a\0b\"", 5));
  ScriptLexer lexer(in);
  EXPECT_THROW(lexer.nextToken(), antlr::TokenStreamRecognitionException);
}

TEST(ScriptLexer, ErrorCarriesThePositionOfTheBadCharacter) {
  std::istringstream in("x = 1;\n  y = @;");
  ScriptLexer lexer(in);
  try {
    while (lexer.nextToken()->getType() != antlr::Token::EOF_TYPE) {
    }
    FAIL() << "no error";
  } catch (const antlr::TokenStreamRecognitionException& e) {
    EXPECT_EQ(e.getLine(), 2);
    EXPECT_EQ(e.getColumn(), 7);
  }
}

TEST(ScriptLexer, EndOfInputRepeats) {
  std::istringstream in("a");
  ScriptLexer lexer(in);
  EXPECT_EQ(lexer.nextToken()->getType(), ScriptLexerTokenTypes::IDENTIFIER);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(lexer.nextToken()->getType(), antlr::Token::EOF_TYPE);

  std::istringstream empty("");
  ScriptLexer emptyLexer(empty);
  EXPECT_EQ(emptyLexer.nextToken()->getType(), antlr::Token::EOF_TYPE);
  EXPECT_EQ(emptyLexer.nextToken()->getType(), antlr::Token::EOF_TYPE);
}

// Line and column of the token "b" after each prefix.
TEST(ScriptLexer, LinesAndColumns) {
  struct Case {
    const char* text;
    int line;
    int column;
  } cases[] = {
      {"b", 1, 1},          {"a b", 1, 3},          {"a\r\nb", 2, 1},
      {"a\n\rb", 3, 1},     {"a\rb", 2, 1},         {"a\nb", 2, 1},
      {"\tb", 1, 9},        {"ab\tb", 1, 9},        {"12345678\tb", 1, 17},
      {"\"x\"\n  b", 2, 3}, {"a\r\n\r\n  b", 3, 3},
  };
  for (const Case& c : cases) {
    std::istringstream in(c.text);
    ScriptLexer lexer(in);
    antlr::RefToken token;
    do {
      token = lexer.nextToken();
    } while (token->getType() != antlr::Token::EOF_TYPE && token->getText() != "b");
    ASSERT_EQ(token->getText(), "b") << c.text;
    EXPECT_EQ(token->getLine(), c.line) << c.text;
    EXPECT_EQ(token->getColumn(), c.column) << c.text;
  }
}

TEST(ScriptLexer, LiteralTypesAreTheParsersOnly) {
  // The punctuation rules never leave the lexer with their own types (72 to 81).
  std::istringstream in("(){}[];,?:.");
  ScriptLexer lexer(in);
  std::vector<int> types;
  for (antlr::RefToken t = lexer.nextToken(); t->getType() != antlr::Token::EOF_TYPE; t = lexer.nextToken()) {
    types.push_back(t->getType());
  }
  EXPECT_EQ(types, (std::vector<int>{7, 8, 4, 10, 65, 66, 9, 19, 38, 39, 67}));
}

TEST(ScriptVocabulary, TokenNameTableIsPinned) {
  const char* expected[] = {
      "<0>",
      "EOF",
      "<2>",
      "NULL_TREE_LOOKAHEAD",
      "\"{\"",
      "\"function\"",
      "IDENTIFIER",
      "\"(\"",
      "\")\"",
      "\";\"",
      "\"}\"",
      "\"if\"",
      "\"else\"",
      "\"with\"",
      "\"while\"",
      "\"do\"",
      "\"for\"",
      "\"in\"",
      "\"onClipEvent\"",
      "\",\"",
      "\"on\"",
      "\"keyPress\"",
      "\"break\"",
      "\"continue\"",
      "\"return\"",
      "\"var\"",
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
      "\"?\"",
      "\":\"",
      "LOGICAL_OR",
      "LOGICAL_AND",
      "BIT_OR",
      "BIT_XOR",
      "BIT_AND",
      "EQ",
      "NE",
      "LTHAN",
      "GTHAN",
      "LTE",
      "GTE",
      "\"instanceof\"",
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
      "BIT_NOT",
      "LOGICAL_NOT",
      "\"delete\"",
      "\"[\"",
      "\"]\"",
      "\".\"",
      "\"new\"",
      "NUMERIC_LITERAL",
      "STRING_LITERAL",
      "QUOTED_LITERAL",
      "LPAREN",
      "RPAREN",
      "LCURLY",
      "RCURLY",
      "LBRACKET",
      "RBRACKET",
      "SEMI",
      "COMMA",
      "SELECT",
      "ALTERNATE",
      "WS",
      "ESC",
      "HEX_DIGIT",
      "EXPONENT",
  };
  static_assert(std::size(expected) == 86);
  std::istringstream empty;
  ScriptLexer lexer(empty);
  ScriptParser parser(lexer);
  EXPECT_EQ(parser.getNumTokens(), 86);
  for (int type = 0; type < 86; ++type) {
    ASSERT_NE(parser.getTokenName(type), nullptr) << type;
    EXPECT_STREQ(parser.getTokenName(type), expected[type]) << type;
    EXPECT_STREQ(parser.getTokenNames()[type], expected[type]) << type;
  }
  EXPECT_STREQ(parser.getTokenName(85), "EXPONENT");
  EXPECT_EQ(parser.getTokenName(86), nullptr);
  EXPECT_EQ(parser.getTokenName(-1), nullptr);
  EXPECT_EQ(parser.getTokenName(1000), nullptr);
}

TEST(ScriptVocabulary, LexerAndParserAgree) {
  EXPECT_EQ(ScriptLexerTokenTypes::IDENTIFIER, ScriptParserTokenTypes::IDENTIFIER);
  EXPECT_EQ(ScriptLexerTokenTypes::IDENTIFIER, 6);
  EXPECT_EQ(ScriptLexerTokenTypes::ASSIGN_LSR, 34);
  EXPECT_EQ(ScriptLexerTokenTypes::LPAREN, 72);
  EXPECT_EQ(ScriptLexerTokenTypes::ALTERNATE, 81);
  EXPECT_EQ(ScriptLexerTokenTypes::EXPONENT, 85);
  EXPECT_EQ(ScriptParserTokenTypes::NUMERIC_LITERAL, 69);
  EXPECT_EQ(ScriptParserTokenTypes::QUOTED_LITERAL, 71);
}

}  // namespace
