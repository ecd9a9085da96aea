// Scripts whose straightforward translation would be wrong: branches that would land inside a
// merged push, increments of members and properties, declarations without a value and var
// lists, deletes of members, literals with exponents, string escapes and text that is not
// UTF-8, expression lists, statement calls that leave nothing, calls of values, targets and
// comparisons whose operands have effects, the standard global functions, breaks inside
// for..in, and the scripts that are refused with an error.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "script/CodeGenerator.h"
#include "tests/script/ListingTestSupport.h"
#include "tests/script/ScriptTestSupport.h"
#include "tests/support/AvmVerifier.h"

namespace {

using scripttest::CompileScript;
using scripttest::ListActions;

avmverify::VerifyResult Verify(const std::vector<uint8_t>& bytes) {
  avmverify::VerifyOptions options;
  options.finalEnd = avmverify::FinalEnd::Refused;
  return avmverify::VerifyActionBlock(bytes, options);
}

using scripttest::ExpectListings;
using scripttest::Listing;
using Case = scripttest::ListingCase;

TEST(CodeGeneratorRepairTest, PushesNeverGrowPastTheEndOfABranch) {
  ExpectListings({
      {"f(c ? 1 : 2);", "push('c'); GetVariable; If +13; push(2); Jump +8; push(1); push(1, 'f'); CallFunction; Pop"},
      {"x = (a || 0) + 1;",
       "push('x', 'a'); GetVariable; PushDuplicate; If +13; Pop; push(0.0); push(1); Add2; SetVariable"},
      {"x = (c ? 'p' : 'q').length;",
       "push('x', 'c'); GetVariable; If +11; push('q'); Jump +6; push('p'); push('length'); GetMember; SetVariable"},
  });
}

TEST(CodeGeneratorRepairTest, IncrementsStoreWhereTheyRead) {
  ExpectListings({
      {"mc._x++;",
       "push('mc'); GetVariable; push('_x', 'mc'); GetVariable; push('_x'); GetMember; Increment; SetMember"},
      {"_alpha--;", "push('', 6, '', 6); GetProperty; Decrement; SetProperty"},
      {"y = ++a.b;",
       "push('y', 'a'); GetVariable; push('b', 'a'); GetVariable; push('b'); GetMember; Increment; StoreRegister 0; "
       "SetMember; push(r0); SetVariable"},
      {"a[i]--;",
       "push('a'); GetVariable; push('i'); GetVariable; push('a'); GetVariable; push('i'); GetVariable; "
       "GetMember; Decrement; SetMember"},
      {"with (mc) _alpha++;",
       "push('mc'); GetVariable; With 22; push('_alpha', '_alpha'); GetVariable; Increment; SetVariable"},
  });
}

TEST(CodeGeneratorRepairTest, DeclarationsDeletesAndLiterals) {
  ExpectListings({
      {"var x;", "push('x'); DefineLocal2"},
      // Every name of a var list is declared.
      {"var x, y = 1;", "push('x'); DefineLocal2; push('y', 1); DefineLocal"},
      {"var a = 1, b = 2;", "push('a', 1); DefineLocal; push('b', 2); DefineLocal"},
      {"var x += 2;", "push('x', 'x'); GetVariable; push(2); Add2; DefineLocal"},
      {"delete a.b;", "push('a'); GetVariable; push('b'); Delete; Pop"},
      {"x = 1e5;", "push('x', 100000.0); SetVariable"},
      {"x = 1E-3;", "push('x', 0.001); SetVariable"},
      {"x = 2.5e2;", "push('x', 250.0); SetVariable"},
      {"x = -1e5;", "push('x', -100000.0); SetVariable"},
      {"x = 3000000000;", "push('x', 3000000000.0); SetVariable"},
      {"x = 0xFFFFFFFF;", "push('x', 4294967295.0); SetVariable"},
      {"x = -2147483648;", "push('x', -2147483648); SetVariable"},
      {"x = 2147483647;", "push('x', 2147483647); SetVariable"},
      {"x = \"a\\nb\\t\\\"q\\\"\\\\\";", "push('x', 'a\nb\t\"q\"\\'); SetVariable"},
      {"x = '\\'\\101';", "push('x', ''A'); SetVariable"},
      {"getURL(\"a\\tb\", \"_c\\\\\");", "GetURL 'a\tb' '_c\\'"},
  });
  // \u escapes: UTF-8 from SWF 6 on, one byte below.
  EXPECT_EQ(Listing("x = \"\\u00e9\";", 6), "push('x', '\xC3\xA9'); SetVariable");
  EXPECT_EQ(Listing("x = \"\\u00e9\";", 5), "push('x', '\xE9'); SetVariable");
  EXPECT_EQ(Listing("x = \"\\u20AC\";", 6), "push('x', '\xE2\x82\xAC'); SetVariable");
  // Octal escapes name characters too.
  EXPECT_EQ(Listing("x = \"\\351\";", 6), "push('x', '\xC3\xA9'); SetVariable");
  EXPECT_EQ(Listing("x = \"\\351\";", 5), "push('x', '\xE9'); SetVariable");
}

// From SWF 6 on strings are UTF-8: a string whose bytes are not is refused instead of being
// copied into the movie. Below SWF 6 a string's bytes are the movie's own.
TEST(CodeGeneratorRepairTest, TextThatIsNotUtf8IsRefusedFromSwf6) {
  struct Case {
    const char* text;
    bool utf8;
  };
  const Case cases[] = {
      {"caf\xC3\xA9", true},   {"\xE2\x82\xAC", true}, {"\xF0\x9F\x98\x80", true},
      {"caf\xE9", false},      {"\xFF", false},        {"\xC0\x80", false},
      {"\xED\xA0\x80", false}, {"\xE2\x82", false},    {"\xF4\x90\x80\x80", false},
      {"\x80", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string script = std::string("x = \"") + c.text + "\";";
    if (c.utf8) {
      EXPECT_NO_THROW(CompileScript(script, 6));
    } else {
      EXPECT_THROW(CompileScript(script, 6), ScriptGenerateError);
    }
    const std::vector<uint8_t> bytes = CompileScript(script, 5);
    const std::vector<uint8_t> text(c.text, c.text + std::string(c.text).size());
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), text.begin(), text.end()), bytes.end()) << ListActions(bytes);
  }
}

TEST(CodeGeneratorRepairTest, ExpressionListsAndStatementCallsLeaveNothing) {
  ExpectListings({
      {"f(), g();", "push(0.0, 'f'); CallFunction; Pop; push(0.0, 'g'); CallFunction; Pop"},
      {"a = 1, b = 2;", "push('a', 1); StoreRegister 0; SetVariable; push('b', 2); StoreRegister 0; SetVariable"},
      {"for (k in o) set('v', k);",
       "Pool('k', 'o', 'v'); push(c1); Enumerate; StoreRegister 0; push(null); Equals2; If +22; push(c0, r0); "
       "SetVariable; push(c2, c0); GetVariable; SetVariable; Jump -36"},
      {"for (k in o) loadVariables('v.txt', k);",
       "Pool('k', 'o', 'v.txt'); push(c1); Enumerate; StoreRegister 0; push(null); Equals2; If +25; "
       "push(c0, r0); SetVariable; push(c2, c0); GetVariable; GetURL2 0xC0; Jump -39"},
  });
  // The steps of a loop stand as statements: the verifier sees the stack agree at the loop's
  // head on every pass.
  for (const char* script : {"for (i = 0, j = 0; i < 2; i++, j++) { ; }", "for (f(), i = 0; i < 2; i++, g()) { ; }",
                             "for (i = 0; i < 2; i++, j += 2, k = 1) { trace(i); }"}) {
    SCOPED_TRACE(script);
    avmverify::VerifyResult result = Verify(CompileScript(script));
    EXPECT_TRUE(result.Ok()) << result.Report();
  }
}

// A built-in call that leaves nothing, standing where a value is wanted, gives undefined: the
// operator, argument or branch that takes it finds a value on the stack.
TEST(CodeGeneratorRepairTest, CallsThatLeaveNothingGiveUndefinedWhereAValueIsWanted) {
  ExpectListings({
      {"x = trace('a');", "push('x', 'a'); Trace; push(undef); SetVariable"},
  });
  for (const char* script : {"x = trace('d') > 3 ? t : -t;", "c ? stop() : play();", "f(gotoAndPlay(2), 1);",
                             "x = set('v', 1) + loadVariables('v.txt', 0);", "o = {a: stopAllSounds()};",
                             "x = [nextFrame()].length;", "x = fscommand('quit').y;"}) {
    SCOPED_TRACE(script);
    avmverify::VerifyResult result = Verify(CompileScript(script));
    EXPECT_TRUE(result.Ok()) << result.Report();
  }
}

// The result of a call, of a method or a function literal is called as the value it is: a
// method call without a name (undefined) calls the object given. A string, and eval's name
// left unread, still name the function.
TEST(CodeGeneratorRepairTest, CallsOfValuesCallTheValue) {
  ExpectListings({
      {"x = mk(4)();", "push('x', 0.0, 4, 1, 'mk'); CallFunction; push(undef); CallMethod; SetVariable"},
      {"x = (function (v) { return v * 3; })(7);",
       "Pool('x', 'v'); push(c0, 7, 1); DefineFunction (v) 16; push(c1); GetVariable; push(3); Multiply; Return; "
       "push(undef); CallMethod; SetVariable"},
      {"o.get()();", "push(0.0, 0.0, 'o'); GetVariable; push('get'); CallMethod; push(undef); CallMethod; Pop"},
      {"x = f(1)(2)(3);",
       "push('x', 3, 1, 2, 1, 1, 1, 'f'); CallFunction; push(undef); CallMethod; push(undef); CallMethod; "
       "SetVariable"},
      {"x = eval(\"f\")(1);", "push('x', 1, 1, 'f'); CallFunction; SetVariable"},
      {"\"f\"(1);", "push(1, 1, 'f'); CallFunction; Pop"},
  });
}

// A compound assignment or increment whose target calls or changes something evaluates the
// target once: the object and key it leaves are copied through register 0 (a variable's name
// with PushDuplicate) for the read. Targets that only read keep reading twice.
TEST(CodeGeneratorRepairTest, TargetsWithEffectsAreEvaluatedOnce) {
  const std::string copy = "StoreRegister 0; Pop; PushDuplicate; push(r0); StackSwap; push(r0); ";
  const std::pair<std::string, std::string> cases[] = {
      {"get().n += 5;", "push(0.0, 'get'); CallFunction; push('n'); " + copy + "GetMember; push(5); Add2; SetMember"},
      {"a[i++] += 10;",
       "push('a'); GetVariable; push('i'); GetVariable; push('i', 'i'); GetVariable; Increment; "
       "SetVariable; " +
           copy + "GetMember; push(10); Add2; SetMember"},
      {"x = a[f()] -= 2;", "push('x', 'a'); GetVariable; push(0.0, 'f'); CallFunction; " + copy +
                               "GetMember; push(2); Subtract; StoreRegister 0; SetMember; push(r0); SetVariable"},
      {"get().n++;", "push(0.0, 'get'); CallFunction; push('n'); " + copy + "GetMember; Increment; SetMember"},
      {"x = ++get().n;", "push('x', 0.0, 'get'); CallFunction; push('n'); " + copy +
                             "GetMember; Increment; StoreRegister 0; SetMember; push(r0); SetVariable"},
      {"x = get().n--;", "push('x', 0.0, 'get'); CallFunction; push('n'); " + copy +
                             "GetMember; StoreRegister 0; Decrement; SetMember; push(r0); SetVariable"},
      {"eval(f()) += 1;", "push(0.0, 'f'); CallFunction; PushDuplicate; GetVariable; push(1); Add2; SetVariable"},
      {"x = eval(f())++;",
       "push('x', 0.0, 'f'); CallFunction; PushDuplicate; GetVariable; StoreRegister 0; Increment; SetVariable; "
       "push(r0); SetVariable"},
      {"o.n += 1;",
       "push('o'); GetVariable; push('n', 'o'); GetVariable; push('n'); GetMember; push(1); Add2; SetMember"},
  };
  for (const auto& [script, listing] : cases) {
    SCOPED_TRACE(script);
    EXPECT_EQ(Listing(script), listing);
  }
  for (int32_t version : {5, 6}) {
    for (const char* script : {"for (k in o) { get().n++; o[f()] += 1; a[g()][h()] *= 2; }",
                               "function f() { return o[k()]++ + --o[k()]; }", "x = c ? p.q().r += 1 : t[i++]--;"}) {
      SCOPED_TRACE(script);
      avmverify::VerifyResult result = Verify(CompileScript(script, version));
      EXPECT_TRUE(result.Ok()) << result.Report();
    }
  }
}

// > and <= evaluate the left operand first when the order shows (an operand calls or changes
// something): Greater from SWF 6, the operands swapped on the stack before Less2 below it.
// Operands that only read are compared as b < a, as before.
TEST(CodeGeneratorRepairTest, ComparisonsWithEffectsEvaluateLeftToRight) {
  struct Case {
    const char* script;
    const char* swf5;
    const char* swf6;
  };
  const Case cases[] = {
      {"x = f() > g();",
       "push('x', 0.0, 'f'); CallFunction; push(0.0, 'g'); CallFunction; StackSwap; Less2; SetVariable",
       "push('x', 0.0, 'f'); CallFunction; push(0.0, 'g'); CallFunction; Greater; SetVariable"},
      {"x = f() <= 2;", "push('x', 0.0, 'f'); CallFunction; push(2); StackSwap; Less2; Not; SetVariable",
       "push('x', 0.0, 'f'); CallFunction; push(2); Greater; Not; SetVariable"},
      {"x = a <= i++;",
       "push('x', 'a'); GetVariable; push('i'); GetVariable; push('i', 'i'); GetVariable; Increment; SetVariable; "
       "StackSwap; Less2; Not; SetVariable",
       "push('x', 'a'); GetVariable; push('i'); GetVariable; push('i', 'i'); GetVariable; Increment; SetVariable; "
       "Greater; Not; SetVariable"},
      {"x = a > b;", "push('x', 'b'); GetVariable; push('a'); GetVariable; Less2; SetVariable",
       "push('x', 'b'); GetVariable; push('a'); GetVariable; Less2; SetVariable"},
      {"x = a.b <= c[d];",
       "push('x', 'c'); GetVariable; push('d'); GetVariable; GetMember; push('a'); GetVariable; push('b'); GetMember; "
       "Less2; Not; SetVariable",
       "push('x', 'c'); GetVariable; push('d'); GetVariable; GetMember; push('a'); GetVariable; push('b'); GetMember; "
       "Less2; Not; SetVariable"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    EXPECT_EQ(Listing(c.script, 5), c.swf5);
    EXPECT_EQ(Listing(c.script, 6), c.swf6);
  }
}

// The global functions of levels load, unload and print the window "_levelN" (a literal
// level names it, any other is joined to "_level" at run time) and leave nothing; the
// functions the player has only as actions compile to them.
TEST(CodeGeneratorRepairTest, StandardFunctionsCompileToTheirActions) {
  ExpectListings({
      {"loadMovieNum(\"a.swf\", 1);", "GetURL 'a.swf' '_level1'"},
      {"loadMovieNum(u, 2);", "push('u'); GetVariable; push('_level2'); GetURL2 0x00"},
      {"loadMovieNum(\"a.swf\", n);", "push('a.swf', '_level', 'n'); GetVariable; StringAdd; GetURL2 0x00"},
      {"loadMovieNum(\"a.swf\", 007, \"POST\");", "push('a.swf', '_level7'); GetURL2 0x02"},
      {"loadMovieNum(\"a.swf\", 0x10, \"GET\");", "push('a.swf', '_level', 16); StringAdd; GetURL2 0x01"},
      {"unloadMovieNum(2);", "GetURL '' '_level2'"},
      {"unloadMovieNum(n);", "push('', '_level', 'n'); GetVariable; StringAdd; GetURL2 0x00"},
      {"loadVariablesNum(\"v.txt\", 0);", "push('v.txt', '_level0'); GetURL2 0x80"},
      {"loadVariablesNum(\"v.txt\", n, \"GET\");",
       "push('v.txt', '_level', 'n'); GetVariable; StringAdd; GetURL2 0x81"},
      {"printNum(0, \"bframe\");", "push('print:#bframe', '_level0'); GetURL2 0x00"},
      {"printAsBitmapNum(n, \"bmovie\");",
       "push('printasbitmap:', '_level', 'n'); GetVariable; StringAdd; GetURL2 0x00"},
      {"x = loadMovieNum(\"a\", 1);", "push('x'); GetURL 'a' '_level1'; push(undef); SetVariable"},
      {"x = int(3.7) + random(5) + length(s) + ord(c);",
       "push('x', 3.7); ToInteger; push(5); RandomNumber; Add2; push('s'); GetVariable; StringLength; Add2; "
       "push('c'); GetVariable; CharToAscii; Add2; SetVariable"},
      {"x = substring(s, 1, 2) + chr(65) + mbchr(66);",
       "push('x', 's'); GetVariable; push(1, 2); StringExtract; push(65); AsciiToChar; Add2; push(66); "
       "MBAsciiToChar; Add2; SetVariable"},
      {"x = mbord(c) + mblength(s) + mbsubstring(s, 1, 2);",
       "Pool('x', 'c', 's'); push(c0, c1); GetVariable; MBCharToAscii; push(c2); GetVariable; MBStringLength; Add2; "
       "push(c2); GetVariable; push(1, 2); MBStringExtract; Add2; SetVariable"},
      {"int(x);", "push('x'); GetVariable; ToInteger; Pop"},
      // The strings of a pool come in the order of the pushes.
      {"loadVariablesNum(\"v.txt\", n); unloadMovieNum(n); printNum(n, \"bmax\"); x = \"_level\"; y = \"\";",
       "Pool('v.txt', '_level', 'n', '', 'print:#bmax', 'x', 'y'); push(c0, c1, c2); GetVariable; StringAdd; "
       "GetURL2 0x80; push(c3, c1, c2); GetVariable; StringAdd; GetURL2 0x00; push(c4, c1, c2); GetVariable; "
       "StringAdd; GetURL2 0x00; push(c5, c1); SetVariable; push(c6, c3); SetVariable"},
  });
}

TEST(CodeGeneratorRepairTest, BreakInsideForInPopsTheRestOfTheNames) {
  ExpectListings({
      {"for (k in o) { if (k == 'x') break; }",
       "Pool('k', 'o', 'x'); push(c1); Enumerate; StoreRegister 0; push(null); Equals2; If +47; push(c0, r0); "
       "SetVariable; push(c0); GetVariable; push(c2); Equals2; Not; If +5; Jump +5; Jump -50; push(null); "
       "Equals2; Not; If -11"},
      // A return pops the names below its value first.
      {"function f() { for (k in o) { return 1; } }",
       "DefineFunction f() 65; push('o'); Enumerate; StoreRegister 0; push(null); Equals2; If +44; push('k', r0); "
       "SetVariable; push(1); StoreRegister 0; Pop; push(null); Equals2; Not; If -11; push(r0); Return; Jump -58"},
      // A member chain is enumerated by its value.
      {"for (k in a.b) trace(k);",
       "Pool('k', 'a', 'b'); push(c1); GetVariable; push(c2); GetMember; Enumerate2; StoreRegister 0; "
       "push(null); Equals2; If +20; push(c0, r0); SetVariable; push(c0); GetVariable; Trace; Jump -34"},
  });
  for (const char* script : {"for (k in o) { for (j in p) { if (j) break; } if (k) break; }",
                             "while (c) { for (k in o) { if (k) break; if (d) continue; } }",
                             "function f() { for (k in o) { if (k) break; } return 1; }",
                             "function g() { for (k in o) { for (j in p) { while (c) { return j; } } } }"}) {
    SCOPED_TRACE(script);
    avmverify::VerifyResult result = Verify(CompileScript(script));
    EXPECT_TRUE(result.Ok()) << result.Report();
  }
}

TEST(CodeGeneratorRepairTest, ValuesOfAssignmentsAndLiteralsAsStatements) {
  ExpectListings({
      {"x = c ? a = 1 : 2;",
       "push('x', 'c'); GetVariable; If +13; push(2); Jump +21; push('a', 1); StoreRegister 0; SetVariable; "
       "push(r0); SetVariable"},
      {"a = b += 1;",
       "push('a', 'b', 'b'); GetVariable; push(1); Add2; StoreRegister 0; SetVariable; push(r0); SetVariable"},
      {"x = o.p = 2;", "push('x', 'o'); GetVariable; push('p', 2); StoreRegister 0; SetMember; push(r0); SetVariable"},
      {"x = _alpha = 2;", "push('x', '', 6, 2); StoreRegister 0; SetProperty; push(r0); SetVariable"},
      {"x = var y = 3;", "push('x', 'y', 3); StoreRegister 0; DefineLocal; push(r0); SetVariable"},
      {"new Foo();", "push(0.0, 'Foo'); NewObject; Pop"},
      {"[1];", "push(1, 1); InitArray; Pop"},
      {"({a: 1});", "push('a', 1, 1); InitObject; Pop"},
      {"(function () {});", "DefineFunction () 0; Pop"},
      {"o.m = function () { f(); };",
       "push('o'); GetVariable; push('m'); DefineFunction () 17; push(0.0, 'f'); CallFunction; Pop; SetMember"},
      {"o = {_x: 1};", "push('o', '_x', 1, 1); InitObject; SetVariable"},
      {"x = eval(\"y\");", "push('x', 'y'); GetVariable; SetVariable"},
      {"x = eval(\"f\")(1);", "push('x', 1, 1, 'f'); CallFunction; SetVariable"},
      {"loadMovie(url, 1);", "push('url'); GetVariable; push('_level1'); GetURL2 0x40"},
      {"fscommand(\"quit\");", "GetURL 'FSCommand:quit' ''"},
      {"setProperty(mc, _x, _y);", "push('mc'); GetVariable; push(0.0, '', 1); GetProperty; SetProperty"},
      {"x = Math.PI.toString();",
       "push('x', 0.0, 'Math'); GetVariable; push('PI'); GetMember; push('toString'); CallMethod; SetVariable"},
      // The literal exit test applies to a whole condition of one literal only.
      {"for (; x && true; ) { ; }",
       "push('x'); GetVariable; PushDuplicate; Not; If +6; Pop; push(true); Not; If +5; Jump -31"},
      // A statement that holds a moved definition is rewritten once: the prefix is not doubled.
      {"if (c) function f() {} else fscommand(\"quit\", \"x\");",
       "DefineFunction f() 0; push('c'); GetVariable; Not; If +5; Jump +20; GetURL 'FSCommand:quit' 'x'"},
  });
}

TEST(CodeGeneratorRepairTest, RefusedScripts) {
  const char* scripts[] = {
      "break;",
      "continue;",
      "if (c) break;",
      "while (c) { function f() { break; } }",
      "function g() { continue; }",
      "(c ? a : b) = 1;",
      "f() = 1;",
      "5 = 3;",
      "5++;",
      "(a || b)++;",
      "x = var y;",
      "x = \"a\\0b\";",
      "trace();",
      "trace(a, b);",
      "gotoAndPlay();",
      "gotoAndStop(0);",
      "gotoAndPlay(70000);",
      "getProperty(mc);",
      "getProperty(mc, y);",
      "setProperty(mc, y, 1);",
      "duplicateMovieClip(\"a\", \"b\");",
      "startDrag();",
      "startDrag(a, b, c);",
      "print(mc);",
      "getURL(a, b, c, d);",
      "loadMovie(a);",
      "loadMovieNum(a);",
      "unloadMovieNum();",
      "loadVariablesNum(a, 1, b, c);",
      "printNum(1);",
      "int();",
      "random(1, 2);",
      "substring(s, 1);",
      "mbsubstring(s);",
      "function f(1) { }",
      "onClipEvent (load) { play(); } x = 1;",
      "on (press) { play(); } onClipEvent (load) { play(); }",
      "onClipEvent (wobble) { play(); }",
      "on (rollover) { play(); }",
      "on (keyPress \"a\", keyPress \"b\") { play(); }",
      "on (keyPress \"<Left>\") { play(); }",
      "on (press) { on (release) { play(); } }",
  };
  for (const char* script : scripts) {
    SCOPED_TRACE(script);
    // Each refusal names the line it was found on: the only line here.
    try {
      CompileScript(script);
      ADD_FAILURE() << "compiled";
    } catch (const ScriptGenerateError& e) {
      EXPECT_EQ(e.line, 1) << e.what();
    }
  }
  EXPECT_THROW(CompileScript("for (k in a.b) { ; }", 5), ScriptGenerateError);
  EXPECT_THROW(CompileScript("x = \"\\u20AC\";", 5), ScriptGenerateError);

  // The result form: false and a message, no bytes.
  static const BuiltinNames names;
  std::istringstream in("break;");
  SyntaxNodePtr root = ParseScript(in);
  std::vector<uint8_t> bytes{1, 2, 3};
  std::string error;
  EXPECT_FALSE(GenerateScriptActions(*root, 6, names, bytes, error));
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(error, "break outside a loop");
}

TEST(CodeGeneratorRepairTest, BranchesTooFarAreErrors) {
  // A body past 32767 bytes cannot be jumped over.
  std::string script = "if (c) {";
  for (int i = 0; i < 3000; ++i) script += "v" + std::to_string(i) + " = " + std::to_string(i + 1) + ";";
  script += "}";
  EXPECT_THROW(CompileScript(script), ScriptGenerateError);
  // One a little shorter compiles and verifies.
  std::string shorter = "if (c) {";
  for (int i = 0; i < 1000; ++i) shorter += "v" + std::to_string(i) + " = " + std::to_string(i + 1) + ";";
  shorter += "}";
  EXPECT_TRUE(Verify(CompileScript(shorter)).Ok());
}

}  // namespace
