// Every statement, operator and built-in function compiles, and the AVM1 verifier accepts the
// result: on its own, inside a for..in loop (whose end test sees any value a statement leaves
// behind) and inside a function; in SWF 5 and in SWF 6. Button and clip scripts are checked
// record by record.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "script/BuiltinNames.h"
#include "script/CodeGenerator.h"
#include "tests/script/ScriptTestSupport.h"
#include "tests/support/AvmVerifier.h"

namespace {

using scripttest::CompileScript;
using scripttest::ListActions;

void ExpectVerified(const std::vector<uint8_t>& bytes, const std::string& what,
                    avmverify::FinalEnd end = avmverify::FinalEnd::Refused) {
  avmverify::VerifyOptions options;
  options.finalEnd = end;
  avmverify::VerifyResult result = avmverify::VerifyActionBlock(bytes, options);
  EXPECT_TRUE(result.Ok()) << what << "\n" << result.Report() << "\n" << ListActions(bytes);
}

// Statements and operators.
const char* const kScripts[] = {
    ";",
    "{ a = 1; b = 2; }",
    "var v; var w = 1; var z += 2;",
    "a = 1, b = 2, f();",
    "if (a) b = 1;",
    "if (a) { b = 1; } else if (c) { b = 2; } else { b = 3; }",
    "while (i < 10) { i++; if (i == 5) continue; if (i == 7) break; }",
    "do { i--; if (i) continue; break; } while (i > 0);",
    "for (i = 0; i < 10; i++) { if (i == 2) continue; if (i == 8) break; t += i; }",
    "for (i = 0, j = 9; i < j; i++, j--) { s = s + i * j; }",
    "for (;;) { if (done) break; }",
    "for (k in o) { if (k == 'z') continue; if (k == 'y') break; trace(k); }",
    "for (k in o) { for (m in p) { if (m) break; } }",
    "with (mc) { _alpha = 50; gotoAndStop(2); x = _x; _y++; }",
    "function f(a, b) { if (a) return a + b; return; }",
    "function g() { for (k in o) { if (k) return k; } return null; }",
    "function h(n) { while (n > 0) { n--; if (n == 3) break; } return n; }",
    "o.m = function (p) { return p * 2; }; (function () { t = 1; });",
    "x = a + b - c * d / e % f;",
    "x = a << 1 | b >> 2 & c >>> 3 ^ d;",
    "x = a == b; y = a != b; z = a < b; w = a > b; u = a <= b; v = a >= b;",
    "x = a && b || !c;",
    "x = (a && b) + (c || d) + (e ? f : g);",
    "x = a ? b ? 1 : 2 : c ? 3 : 4;",
    "x = -a + +b - ~c; y = -1.5; z = -0x10; w = +2;",
    "x = a instanceof Array;",
    "i++; i--; ++i; --i; x = i++ + ++j - k-- - --l;",
    "a.b++; a.b.c--; ++a[i]; --a[i + 1]; _x++; _alpha--; x = a.b++ + ++a.c;",
    "x += 1; x -= 1; x *= 2; x /= 2; x %= 3; x <<= 1; x >>= 1; x >>>= 1; x &= 7; x |= 8; x ^= 9;",
    "a.b += 1; a[i] *= 2; _alpha -= 10;",
    "a = b = c = 0; o.p = o.q = 1; _x = _y = 5;",
    "x = c ? a = 1 : b;",
    "delete x; delete a.b; delete a[i]; d = delete e;",
    "o = new Object(); d = new Date(2000, 1, 1); new Foo();",
    "a = [1, 'two', [3], {four: 4}]; b = []; [5];",
    "o = {a: 1, 'b': 2, 3: c, _x: 4}; ({p: 1});",
    "x = a.b.c; y = a['b'][c]; z = a.b(1, 2).c(); a.b.c(); a[i](1); f(1)(2);",
    "x = Math.PI + Math.E + Key.LEFT + Number.MAX_VALUE; y = Math.floor(x); z = Math.PI.toString();",
    "x = null; y = true; z = false; w = undefined; n = 0; m = 0x7FFFFFFF; q = 1e10; r = 'str';",
    "x = \"esc\\n\\t\\\\\\\"\\u0041\\101\";",
    "f(); f(1); f(a, b, c); x = f(g(h(1)));",
    "if (f(c ? 1 : 2)) { x = (a || 0) + 1; }",
    "for (; x && true; ) { x = g(); }",
    "_root.mc.gotoAndPlay(2); this.stop(); _parent.x = 1;",
    "x = _x; y = _ymouse; _visible = false; _name = 'n';",
};

// One sample or more per built-in function; every name of the table must have one.
const std::map<std::string, const char*> kBuiltins = {
    {"delete", "delete a; delete a.b;"},
    {"duplicateMovieClip", "duplicateMovieClip(\"a\", \"b\", 1); duplicateMovieClip(a, b, d);"},
    {"eval", "x = eval(\"a\" + i); eval(\"b\").play(); y = eval(\"c\"); eval(n)(1); eval(\"mc\");"},
    {"fscommand", "fscommand(\"quit\", \"true\"); fscommand(c, a); fscommand(\"x\", a); fscommand(\"y\");"},
    {"getProperty", "x = getProperty(mc, _alpha) + getProperty(\"a\", _x); getProperty(mc, _y);"},
    {"getTimer", "t = getTimer(); getTimer();"},
    {"getURL", "getURL(\"a\"); getURL(u); getURL(\"a\", \"b\"); getURL(u, t); getURL(u, t, \"POST\");"},
    {"getVersion", "v = getVersion(); getVersion();"},
    {"gotoAndPlay", "gotoAndPlay(2); gotoAndPlay(\"l\"); gotoAndPlay(s, 3); gotoAndPlay(f + 1);"},
    {"gotoAndStop", "gotoAndStop(2); gotoAndStop(\"l\"); gotoAndStop(s, 3);"},
    {"hitTest", "h = hitTest(a, b, true); hitTest(mc);"},
    {"loadMovie", "loadMovie(\"m\", 1); loadMovie(u, 2); loadMovie(u, t); loadMovie(u, t, \"GET\");"},
    {"loadVariables", "loadVariables(\"v\", t); loadVariables(u, t, \"POST\");"},
    {"nextFrame", "nextFrame();"},
    {"nextScene", "nextScene();"},
    {"Number", "n = Number(s); Number(s);"},
    {"play", "play();"},
    {"prevFrame", "prevFrame();"},
    {"prevScene", "prevScene();"},
    {"print", "print(mc, \"bmovie\"); print(mc, \"bframe\");"},
    {"printAsBitmap", "printAsBitmap(mc, \"bmovie\"); printAsBitmap(mc, \"bmax\");"},
    {"removeMovieClip", "removeMovieClip(\"a\"); removeMovieClip(mc);"},
    {"set", "set(\"v\", 1); set(n, v + 1);"},
    {"setProperty", "setProperty(mc, _x, 10); setProperty(\"a\", _alpha, _y + 1);"},
    {"startDrag", "startDrag(\"a\"); startDrag(mc, true); startDrag(mc, false, 0, 0, 100, 100);"},
    {"stop", "stop();"},
    {"stopAllSounds", "stopAllSounds();"},
    {"stopDrag", "stopDrag();"},
    {"String", "s = String(n); String(n);"},
    {"targetPath", "p = targetPath(mc); targetPath(mc);"},
    {"toggleHighQuality", "toggleHighQuality();"},
    {"trace", "trace(x); trace(\"a\" + b);"},
    {"typeof", "t = typeof(x); typeof(x);"},
    {"unloadMovie", "unloadMovie(1); unloadMovie(mc); unloadMovie(\"a\");"},
    {"void", "v = void(0); void(f());"},
    {"loadMovieNum",
     "loadMovieNum(\"m\", 1); loadMovieNum(u, n); loadMovieNum(u, 2, \"POST\"); x = loadMovieNum(u, 1);"},
    {"unloadMovieNum", "unloadMovieNum(1); unloadMovieNum(n);"},
    {"loadVariablesNum", "loadVariablesNum(\"v\", 0); loadVariablesNum(u, n, \"GET\");"},
    {"printNum", "printNum(0, \"bmovie\"); printNum(n, \"bframe\");"},
    {"printAsBitmapNum", "printAsBitmapNum(1, \"bmax\"); printAsBitmapNum(n, \"bmovie\");"},
    {"int", "i = int(x); int(x);"},
    {"random", "r = random(10); random(n);"},
    {"length", "n = length(s); length(s);"},
    {"substring", "t = substring(s, 1, n); substring(s, 0, 1);"},
    {"chr", "c = chr(65); chr(n);"},
    {"ord", "n = ord(\"A\"); ord(c);"},
    {"mbchr", "c = mbchr(65); mbchr(n);"},
    {"mbord", "n = mbord(\"A\"); mbord(c);"},
    {"mblength", "n = mblength(s); mblength(s);"},
    {"mbsubstring", "t = mbsubstring(s, 1, n); mbsubstring(s, 0, 1);"},
};

void ExpectEveryForm(const std::string& script) {
  for (int32_t version : {5, 6}) {
    std::vector<uint8_t> bytes;
    avmverify::VerifyResult result = scripttest::CompileAndVerify(script, version, bytes);
    EXPECT_TRUE(result.Ok()) << script << " (SWF " << version << ")\n" << result.Report() << "\n" << ListActions(bytes);
    std::string loop = "for (k in o) { " + script + " }";
    ExpectVerified(CompileScript(loop, version), loop);
    std::string function = "function wrap() { " + script + " }";
    ExpectVerified(CompileScript(function, version), function);
  }
}

TEST(CodeGeneratorCoverageTest, StatementsAndOperators) {
  for (const char* script : kScripts) {
    SCOPED_TRACE(script);
    ExpectEveryForm(script);
  }
}

TEST(CodeGeneratorCoverageTest, EveryBuiltinFunction) {
  BuiltinNames names;
  for (const std::string& name : names.BuiltinFunctions()) {
    SCOPED_TRACE(name);
    auto sample = kBuiltins.find(name);
    ASSERT_NE(sample, kBuiltins.end()) << "no sample for " << name;
    ExpectEveryForm(sample->second);
  }
}

// The bytes of a button script: per condition an offset to the next, the condition, the
// actions and an End; every condition's actions pass the verifier.
TEST(CodeGeneratorCoverageTest, ButtonHandlers) {
  std::vector<uint8_t> bytes = CompileScript("on (press, release) { play(); } on (keyPress \"a\") { stop(); }");
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0x06, 0x00, 0x0C, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0xC2, 0x07, 0x00}));

  EXPECT_EQ(CompileScript("on (keyPress \"<left>\") { play(); }"),
            (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x02, 0x06, 0x00}));
  EXPECT_EQ(CompileScript("on (rollOver, rollOver) { play(); }"),
            (std::vector<uint8_t>{0x00, 0x00, 0x01, 0x00, 0x06, 0x00}));

  // A pool is used: every handler starts with its own copy.
  bytes = CompileScript("on (press) { a = a; } on (release) { for (k in o) { trace(k); } b = 1; }");
  size_t at = 0;
  int handlers = 0;
  while (at + 4 <= bytes.size()) {
    size_t offset = bytes[at] | bytes[at + 1] << 8;
    size_t end = offset ? at + offset : bytes.size();
    ASSERT_LE(end, bytes.size());
    std::vector<uint8_t> actions(bytes.begin() + static_cast<long>(at) + 4, bytes.begin() + static_cast<long>(end));
    ASSERT_FALSE(actions.empty());
    EXPECT_EQ(actions[0], 0x88) << "handler " << handlers;
    ExpectVerified(actions, "handler " + std::to_string(handlers), avmverify::FinalEnd::Required);
    ++handlers;
    at = end;
    if (!offset) break;
  }
  EXPECT_EQ(handlers, 2);
  EXPECT_EQ(at, bytes.size());
}

TEST(CodeGeneratorCoverageTest, ClipHandlers) {
  const std::string script = "onClipEvent (load) { a = 1; } onClipEvent (enterFrame, mouseDown) { play(); }";
  // Below SWF 6: 16-bit flags; from SWF 6: 32-bit flags.
  std::vector<uint8_t> v5 = CompileScript(script, 5);
  std::vector<uint8_t> expected5 = {0x00, 0x00, 0x13, 0x00, 0x01, 0x00, 0x0D, 0x00, 0x00, 0x00, 0x96,
                                    0x08, 0x00, 0x00, 'a',  0x00, 0x07, 0x01, 0x00, 0x00, 0x00, 0x1D,
                                    0x00, 0x12, 0x00, 0x02, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00};
  EXPECT_EQ(v5, expected5);
  std::vector<uint8_t> v6 = CompileScript(script, 6);
  std::vector<uint8_t> expected6 = {0x00, 0x00, 0x13, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x0D, 0x00, 0x00, 0x00,
                                    0x96, 0x08, 0x00, 0x00, 'a',  0x00, 0x07, 0x01, 0x00, 0x00, 0x00, 0x1D, 0x00, 0x12,
                                    0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(v6, expected6);
}

// More distinct strings than a SWF 5 pool holds: the later ones are pushed inline, and every
// pool reference stays inside the pool.
TEST(CodeGeneratorCoverageTest, ScriptsBeyondTheSwf5Pool) {
  std::string script;
  for (int i = 0; i < 300; ++i) script += "v" + std::to_string(i) + " = v" + std::to_string(i) + " + 1;";
  for (int32_t version : {5, 6}) {
    std::vector<uint8_t> bytes = CompileScript(script, version);
    ExpectVerified(bytes, "300 variables, SWF " + std::to_string(version));
    std::string listing = ListActions(bytes);
    EXPECT_EQ(listing.find("push('v255'"), std::string::npos);
    EXPECT_EQ(listing.find("push('v256', 'v256')") != std::string::npos, version < 6) << listing.substr(0, 200);
  }
}

TEST(CodeGeneratorCoverageTest, FscommandStringsInThePool) {
  std::vector<uint8_t> bytes = CompileScript("fscommand(\"quit\", \"true\"); x = \"true\"; y = \"FSCommand:\";");
  ExpectVerified(bytes, "fscommand");
  EXPECT_EQ(ListActions(bytes),
            "Pool('FSCommand:', 'FSCommand:quit', 'true', 'x', 'y'); GetURL 'FSCommand:quit' 'true'; "
            "push(c3, c2); SetVariable; push(c4, c0); SetVariable");
}

}  // namespace
