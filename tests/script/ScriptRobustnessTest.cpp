// The fuzz target's exercise over fixed mutations of small scripts, so that every sanitizer
// run of the suite checks that broken scripts end in a tree or an ANTLR exception.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>

#include "PreprocessorLexer.hpp"
#include "antlr/ANTLRException.hpp"
#include "script/ScriptParse.h"
#include "script/ScriptParserSupport.h"
#include "tests/script/ScriptMutation.h"

namespace {

const char* const kSeeds[] = {
    "function f(a, b) {\n  var t = a + b * 2;\n  return t > 3 ? t : -t;\n}\n"
    "for (var i = 0; i < 10; i++) { trace(f(i, i)); }\n",
    "onClipEvent (load) { this._x = 0; }\non (release, keyPress \"<Enter>\") { gotoAndPlay(2); }\n",
    "o = {a: 1, \"b\": [1, 2, 3], 4: function () { return new Date().getTime(); }};\n"
    "for (k in o) { delete o[k]; }\nif (!(o instanceof Object)) x >>>= 2; else do { x--; } while (x);\n"
    "with (mc) { a.b.c(1)(2); }\n",
    "#define DEBUG\n#ifdef DEBUG\ntrace('debug'); // note\n#else\n/* off */ trace(0x1F);\n#endif\n",
};

const char kPieces[] = "(){}[];,.?:=+-*/%<>!&|^~\"'\\#x0 \n";

using scripttest::Random;

std::string Mutate(const std::string& text, Random& random) { return scripttest::Mutate(text, random, kPieces, 4); }

void Exercise(const std::string& text) {
  {
    std::istringstream in(text);
    try {
      SyntaxNodePtr root = ParseScript(in);
      ASSERT_LE(SyntaxTreeDepth(root.get()), static_cast<size_t>(3 * ScriptNestingLimit));
      SyntaxNodePtr copy(root->CloneTree());
      ASSERT_EQ(FormatSyntaxTree(copy.get()), FormatSyntaxTree(root.get()));
    } catch (const antlr::ANTLRException&) {
    }
  }
  std::istringstream in(text);
  PreprocessorLexer lexer(in);
  try {
    while (lexer.nextToken()->getType() != antlr::Token::EOF_TYPE) {
    }
  } catch (const antlr::ANTLRException&) {
  }
}

TEST(ScriptRobustness, MutatedScriptsEndInATreeOrAnError) {
  Random random{12345};
  int parsed = 0;
  for (const char* seed : kSeeds) {
    for (int i = 0; i < 500; ++i) {
      std::string text = Mutate(seed, random);
      SCOPED_TRACE(text);
      Exercise(text);
      std::istringstream in(text);
      try {
        EXPECT_NE(ParseScript(in), nullptr);
        ++parsed;
      } catch (const antlr::ANTLRException&) {
      }
    }
  }
  // Some mutations keep the script valid; the exercise reached past the first error.
  EXPECT_GT(parsed, 0);
}

}  // namespace
