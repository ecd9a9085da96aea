// The code generator over fixed mutations of small scripts: whatever the parser accepts either
// compiles to actions that the AVM1 verifier accepts or is refused with a ScriptGenerateError;
// it never crashes (the sanitizer build runs this too).
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "antlr/ANTLRException.hpp"
#include "script/BuiltinNames.h"
#include "script/CodeGenerator.h"
#include "script/ScriptParse.h"
#include "tests/script/ScriptMutation.h"
#include "tests/support/AvmVerifier.h"

namespace {

const char* const kSeeds[] = {
    "maxw = 5; _parent._parent.anm = maxw;\nfor (i = 1; i <= maxw; i++) { myseg = eval(\"progress.seg\" + i); "
    "myseg._visible = false; myseg.shw = 0; }\n",
    "function f(a, b) { var t = a + b * 2; return t > 3 ? t : -t; }\n"
    "for (var i = 0; i < 10; i++) { trace(f(i, i)); if (i == 4) continue; }\n",
    "o = {a: 1, \"b\": [1, 2, 3]}; for (k in o) { if (k == 'a') break; delete o[k]; }\n"
    "if (!(o instanceof Object)) x >>>= 2; else do { x--; } while (x && y || z);\n",
    "with (mc) { _alpha = 50; a.b.c(1)(2); _x++; } x = c ? a = 1 : (b || 0) + 1; y = ~-+z;\n",
    "getURL(\"a\", \"_b\"); loadMovie(u, 1); fscommand(\"quit\", t); gotoAndPlay(3); "
    "setProperty(mc, _y, getProperty(mc, _x)); startDrag(mc, true, 0, 0, 9, 9); x = Math.PI * Key.UP;\n",
};

const char kPieces[] = "(){}[];,.?:=+-*/%<>!&|^~\"'x0 \n";

using scripttest::Random;

std::string Mutate(const std::string& text, Random& random) { return scripttest::Mutate(text, random, kPieces, 3); }

TEST(CodeGeneratorRobustnessTest, MutatedScriptsCompileSoundlyOrAreRefused) {
  const BuiltinNames names;
  Random random{0x5EED};
  int compiled = 0;
  for (const char* seed : kSeeds) {
    for (int n = 0; n < 300; ++n) {
      std::string text = n == 0 ? seed : Mutate(seed, random);
      SyntaxNodePtr root;
      try {
        std::istringstream in(text);
        root = ParseScript(in);
      } catch (const antlr::ANTLRException&) {
        continue;
      }
      for (int32_t version : {5, 6}) {
        SyntaxNodePtr tree(root->CloneTree());
        std::vector<uint8_t> bytes;
        std::vector<ScriptStatementSpan> statements;
        try {
          bytes = GenerateScriptActions(*tree, version, names, &statements);
        } catch (const ScriptGenerateError&) {
          continue;
        }
        ++compiled;
        if (tree->GetKind() != SyntaxNodeKind::Array) continue;
        avmverify::VerifyOptions options;
        options.finalEnd = avmverify::FinalEnd::Refused;
        for (const ScriptStatementSpan& s : statements) options.statements.push_back({s.begin, s.end});
        avmverify::VerifyResult result = avmverify::VerifyActionBlock(bytes, options);
        EXPECT_TRUE(result.Ok()) << text << "\n" << result.Report();
      }
    }
  }
  EXPECT_GT(compiled, 0);
}

}  // namespace
