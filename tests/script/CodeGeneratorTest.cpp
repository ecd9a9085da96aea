// The code generator on whole scripts: each script is parsed, generated for a SWF version, run
// through the independent AVM1 verifier and listed action by action from its bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/CodeGenerator.h"
#include "tests/script/ListingTestSupport.h"
#include "tests/script/ScriptTestSupport.h"
#include "tests/support/AvmVerifier.h"

namespace {

using scripttest::CompileScript;
using scripttest::ListActions;

using scripttest::ExpectListings;
using scripttest::Listing;
using Case = scripttest::ListingCase;

TEST(CodeGeneratorTest, ExpressionsAndAssignments) {
  ExpectListings({
      {"x = 5;", "push('x', 5); SetVariable"},
      {"x += 1;", "push('x', 'x'); GetVariable; push(1); Add2; SetVariable"},
      {"a = b = 0;", "push('a', 'b', 0.0); StoreRegister 0; SetVariable; push(r0); SetVariable"},
      {"var n = 2;", "push('n', 2); DefineLocal"},
      {"_alpha = 50;", "push('', 6, 50); SetProperty"},
      {"with (mc) { _alpha = 50; }", "push('mc'); GetVariable; With 17; push('_alpha', 50); SetVariable"},
      {"y = _x;", "push('y', '', 0.0); GetProperty; SetVariable"},
      {"mc._visible = false;", "push('mc'); GetVariable; push('_visible', false); SetMember"},
      {"i++;", "push('i', 'i'); GetVariable; Increment; SetVariable"},
      {"y = i++;", "push('y', 'i'); GetVariable; push('i', 'i'); GetVariable; Increment; SetVariable; SetVariable"},
      {"y = --i;", "push('y', 'i', 'i'); GetVariable; Decrement; StoreRegister 0; SetVariable; push(r0); SetVariable"},
      {"5;", "push(5); Pop"},
      {"x = a && b;",
       "push('x', 'a'); GetVariable; PushDuplicate; Not; If +8; Pop; push('b'); GetVariable; SetVariable"},
      {"x = a || b;", "push('x', 'a'); GetVariable; PushDuplicate; If +8; Pop; push('b'); GetVariable; SetVariable"},
      {"x = c ? 1 : 2;", "push('x', 'c'); GetVariable; If +13; push(2); Jump +8; push(1); SetVariable"},
      {"x = -3;", "push('x', -3); SetVariable"},
      {"x = -1.5;", "push('x', -1.5); SetVariable"},
      {"y = -x;", "push('y', 0.0, 'x'); GetVariable; Subtract; SetVariable"},
      {"x = +y;", "push('x', 'y'); GetVariable; SetVariable"},
      {"x = -0;", "push('x', 0.0); SetVariable"},
      {"x = +00; y = 00;", "push('x', 0.0); SetVariable; push('y', 0); SetVariable"},
      {"x = +7;", "push('x', 7); SetVariable"},
      {"x = 1.5;", "push('x', 1.5); SetVariable"},
      {"x = 0x10;", "push('x', 16); SetVariable"},
      {"x = 0;", "push('x', 0.0); SetVariable"},
      {"x = 10;", "push('x', 10); SetVariable"},
      {"x = .5;", "push('x', 0.5); SetVariable"},
      {"y = f(1).z;", "push('y', 1, 1, 'f'); CallFunction; push('z'); GetMember; SetVariable"},
      {"x = ~a;", "push('x', 'a'); GetVariable; push(4294967295.0); BitXor; SetVariable"},
      {"x = !a;", "push('x', 'a'); GetVariable; Not; SetVariable"},
      {"o = {a: 1, 'b': 2};", "push('o', 'a', 1, 'b', 2, 2); InitObject; SetVariable"},
      {"o = [1, 2, 3];", "push('o', 3, 2, 1, 3); InitArray; SetVariable"},
      {"o = new Foo(1, 2);", "push('o', 2, 1, 2, 'Foo'); NewObject; SetVariable"},
      {"delete x;", "push('x'); Delete2; Pop"},
      {"x = a[1];", "push('x', 'a'); GetVariable; push(1); GetMember; SetVariable"},
      {"a.b(1);", "push(1, 1, 'a'); GetVariable; push('b'); CallMethod; Pop"},
      {"a[k](2);", "push(2, 1, 'a'); GetVariable; push('k'); GetVariable; CallMethod; Pop"},
      {"x = a > b;", "push('x', 'b'); GetVariable; push('a'); GetVariable; Less2; SetVariable"},
      {"x = a <= b;", "push('x', 'b'); GetVariable; push('a'); GetVariable; Less2; Not; SetVariable"},
      {"x = a >= b;", "push('x', 'a'); GetVariable; push('b'); GetVariable; Less2; Not; SetVariable"},
      {"x = a != b;", "push('x', 'a'); GetVariable; push('b'); GetVariable; Equals2; Not; SetVariable"},
      {"x = a instanceof B;", "push('x', 'a'); GetVariable; push('B'); GetVariable; InstanceOf; SetVariable"},
      {"x = Math.PI;", "push('x', 3.141592653589793); SetVariable"},
      {"x = Key.LEFT;", "push('x', 37); SetVariable"},
      {"x = Math.foo;", "push('x', 'Math'); GetVariable; push('foo'); GetMember; SetVariable"},
      {"x = null; y = true; z = undefined;",
       "push('x', null); SetVariable; push('y', true); SetVariable; push('z', 'undefined'); GetVariable; SetVariable"},
      {"x = 'a' + \"b\";", "push('x', 'a', 'b'); Add2; SetVariable"},
  });
}

TEST(CodeGeneratorTest, CompoundAssignmentsUseTheirOperator) {
  const Case cases[] = {
      {"x -= 1;", "Subtract"},   {"x *= 1;", "Multiply"},   {"x /= 1;", "Divide"},       {"x %= 1;", "Modulo"},
      {"x <<= 1;", "BitLShift"}, {"x >>= 1;", "BitRShift"}, {"x >>>= 1;", "BitURShift"}, {"x &= 1;", "BitAnd"},
      {"x |= 1;", "BitOr"},      {"x ^= 1;", "BitXor"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Listing(c.script), std::string("push('x', 'x'); GetVariable; push(1); ") + c.listing + "; SetVariable");
  }
  const Case binary[] = {
      {"y = a - b;", "Subtract"},     {"y = a * b;", "Multiply"},   {"y = a / b;", "Divide"},
      {"y = a % b;", "Modulo"},       {"y = a << b;", "BitLShift"}, {"y = a >> b;", "BitRShift"},
      {"y = a >>> b;", "BitURShift"}, {"y = a & b;", "BitAnd"},     {"y = a | b;", "BitOr"},
      {"y = a ^ b;", "BitXor"},       {"y = a == b;", "Equals2"},   {"y = a < b;", "Less2"},
      {"y = a + b;", "Add2"},
  };
  for (const Case& c : binary) {
    EXPECT_EQ(Listing(c.script),
              std::string("push('y', 'a'); GetVariable; push('b'); GetVariable; ") + c.listing + "; SetVariable");
  }
}

TEST(CodeGeneratorTest, CallsOfFunctions) {
  ExpectListings({
      {"gotoAndPlay(5);", "GotoFrame 4; Play"},
      {"gotoAndStop(\"intro\");", "push('intro'); GotoFrame2 0"},
      {"gotoAndPlay(f);", "push('f'); GetVariable; GotoFrame2 1"},
      {"gotoAndPlay(scene, 3);", "GotoFrame 2; Play"},
      {"gotoAndStop(1);", "GotoFrame 0"},
      {"getURL(\"a.html\", \"_blank\");", "GetURL 'a.html' '_blank'"},
      {"getURL(\"a.html\");", "GetURL 'a.html' ''"},
      {"getURL(u);", "push('u'); GetVariable; push(''); GetURL2 0x00"},
      {"getURL(u, \"_top\");", "push('u'); GetVariable; push('_top'); GetURL2 0x00"},
      {"getURL(u, t, \"POST\");", "push('u'); GetVariable; push('t'); GetVariable; GetURL2 0x02"},
      {"getURL(u, t, \"get\");", "push('u'); GetVariable; push('t'); GetVariable; GetURL2 0x01"},
      {"loadMovie(\"m.swf\", 2);", "GetURL 'm.swf' '_level2'"},
      {"loadMovie(\"m.swf\", \"mc\");", "push('m.swf', 'mc'); GetURL2 0x40"},
      {"loadMovie(\"m.swf\", \"mc\", \"post\");", "push('m.swf', 'mc'); GetURL2 0x42"},
      {"loadMovie(\"m.swf\", \"mc\", \"GET\");", "push('m.swf', 'mc'); GetURL2 0x41"},
      {"loadVariables(\"v.txt\", \"mc\");", "push('v.txt', 'mc'); GetURL2 0xC0"},
      {"loadVariables(\"v.txt\", \"mc\", \"GET\");", "push('v.txt', 'mc'); GetURL2 0xC1"},
      {"loadVariables(\"v.txt\", \"mc\", \"POST\");", "push('v.txt', 'mc'); GetURL2 0xC2"},
      {"unloadMovie(1);", "GetURL '' '_level1'"},
      {"unloadMovie(mc);", "push('', 'mc'); GetVariable; GetURL2 0x40"},
      {"fscommand(\"quit\", \"true\");", "GetURL 'FSCommand:quit' 'true'"},
      {"fscommand(\"quit\", a);", "push('FSCommand:quit', 'a'); GetVariable; GetURL2 0x00"},
      {"fscommand(cmd, a);", "push('FSCommand:', 'cmd'); GetVariable; StringAdd; push('a'); GetVariable; GetURL2 0x00"},
      {"duplicateMovieClip(\"a\", \"b\", 3);", "push('a', 'b', 16387); CloneSprite"},
      {"duplicateMovieClip(\"a\", \"b\", d);", "push('a', 'b', 16384, 'd'); GetVariable; Add2; CloneSprite"},
      {"removeMovieClip(\"a\");", "push('a'); RemoveSprite"},
      {"trace(x);", "push('x'); GetVariable; Trace"},
      {"myFunc(1, 2);", "push(2, 1, 2, 'myFunc'); CallFunction; Pop"},
      {"myFunc();", "push(0.0, 'myFunc'); CallFunction; Pop"},
      {"x = eval(\"progress.seg\" + i);",
       "push('x', 'progress.seg', 'i'); GetVariable; Add2; GetVariable; SetVariable"},
      {"x = getProperty(mc, _alpha);", "push('x', 'mc'); GetVariable; push(6); GetProperty; SetVariable"},
      {"x = getProperty(mc, _x);", "push('x', 'mc'); GetVariable; push(0); GetProperty; SetVariable"},
      {"setProperty(mc, _x, 10);", "push('mc'); GetVariable; push(0.0, 10); SetProperty"},
      {"print(mc, \"bmovie\");", "push('print:', 'mc'); GetVariable; GetURL2 0x00"},
      {"print(mc, \"bframe\");", "push('print:#bframe', 'mc'); GetVariable; GetURL2 0x00"},
      {"printAsBitmap(mc, \"bmovie\");", "push('printasbitmap:', 'mc'); GetVariable; GetURL2 0x00"},
      {"printAsBitmap(mc, \"bmax\");", "push('printasbitmap:#bmax', 'mc'); GetVariable; GetURL2 0x00"},
      {"v = \"/:$version\"; w = \"/:$version\"; x = getVersion();",
       "Pool('v', '/:$version', 'w', 'x'); push(c0, c1); SetVariable; push(c2, c1); SetVariable; "
       "push(c3, '/:$version'); GetVariable; SetVariable"},
      {"void(0);", "push(0.0); Pop; push(undef); Pop"},
      {"x = getTimer();", "push('x'); GetTime; SetVariable"},
      {"getTimer();", "GetTime; Pop"},
      {"x = hitTest(a);", "push('x', 'a'); GetVariable; push(1, 'hitTest'); CallFunction; SetVariable"},
      {"x = Number(s); y = String(n);",
       "push('x', 's'); GetVariable; ToNumber; SetVariable; push('y', 'n'); GetVariable; ToString; SetVariable"},
      {"x = targetPath(mc); y = typeof(a);",
       "push('x', 'mc'); GetVariable; TargetPath; SetVariable; push('y', 'a'); GetVariable; TypeOf; SetVariable"},
      {"play(); stop(); nextFrame(); prevFrame(); nextScene(); prevScene();",
       "Play; Stop; NextFrame; PrevFrame; GotoFrame 0; GotoFrame 0"},
      {"stopAllSounds(); toggleHighQuality(); stopDrag();", "StopSounds; ToggleQuality; EndDrag"},
      {"startDrag(\"mc\");", "push(0.0, 0.0, 'mc'); StartDrag"},
      {"startDrag(\"mc\", true);", "push(0.0, true, 'mc'); StartDrag"},
      {"startDrag(\"mc\", false, 1, 2, 3, 4);", "push(1, 2, 3, 4, 1, false, 'mc'); StartDrag"},
      {"set(\"v\", 1);", "push('v', 1); SetVariable"},
  });
}

TEST(CodeGeneratorTest, DefinitionsMoveToTheFrontOfTheirBlock) {
  ExpectListings({
      // A call before the definition below it: the definition comes first.
      {"f(); function f() { return; }", "DefineFunction f() 5; push(undef); Return; push(0.0, 'f'); CallFunction; Pop"},
      {"function f(x) { return x; }", "DefineFunction f(x) 8; push('x'); GetVariable; Return"},
      {"function f(a, b) { }", "DefineFunction f(a, b) 0"},
      // Two definitions keep their order; one inside an if moves in front of the if.
      {"x = 1; function g() {} if (c) function h() {}",
       "DefineFunction g() 0; DefineFunction h() 0; push('x', 1); SetVariable; push('c'); GetVariable; Not; If +0"},
      {"o.m = function (p) { trace(q); };",
       "push('o'); GetVariable; push('m'); DefineFunction (p) 8; push('q'); GetVariable; Trace; SetMember"},
  });
}

TEST(CodeGeneratorTest, ConstantPoolOnlyWhenAStringRepeats) {
  EXPECT_EQ(Listing("a = b;"), "push('a', 'b'); GetVariable; SetVariable");
  EXPECT_EQ(Listing("a = a;"), "Pool('a'); push(c0, c0); GetVariable; SetVariable");
  // Below SWF 5 nothing is generated.
  EXPECT_TRUE(CompileScript("a = a;", 4).empty());
  EXPECT_EQ(Listing("a = a;", 5), "Pool('a'); push(c0, c0); GetVariable; SetVariable");
}

TEST(CodeGeneratorTest, StatementSpansOfAFrameScript) {
  std::vector<ScriptStatementSpan> spans;
  std::vector<uint8_t> bytes = CompileScript("x = 1; ; y = y;", 6, &spans);
  // The pool Pool('x', 'y') (9 bytes) comes first and belongs to no statement; then
  // push(c0, 1), SetVariable (11 bytes).
  ASSERT_EQ(spans.size(), 3u);
  EXPECT_EQ(spans[0].begin, 9u);
  EXPECT_EQ(spans[0].end, 20u);
  EXPECT_EQ(spans[1].begin, spans[1].end);  // the empty statement
  EXPECT_EQ(spans[2].begin, 20u);
  EXPECT_EQ(spans[2].end, bytes.size());
  // Handlers are no frame script: no spans.
  spans.clear();
  CompileScript("on (press) { play(); }", 6, &spans);
  EXPECT_TRUE(spans.empty());
}

}  // namespace
