// Trees that ScriptParser builds for every statement and expression form, the scripts it
// refuses (with the error position), and its nesting guard.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>

#include "antlr/RecognitionException.hpp"
#include "antlr/TokenStreamException.hpp"
#include "antlr/TokenStreamRecognitionException.hpp"
#include "script/ScriptParse.h"
#include "script/ScriptParserSupport.h"

namespace {

struct Outcome {
  std::string tree;   // the printed tree, when the script parsed
  std::string error;  // "syntax" or "stream", when it did not
  std::string message;
  int line = 0;
  int column = 0;
};

Outcome Parse(const std::string& text) {
  Outcome outcome;
  std::istringstream in(text);
  try {
    SyntaxNodePtr root = ParseScript(in);
    outcome.tree = FormatSyntaxTree(root.get());
  } catch (const antlr::RecognitionException& e) {
    outcome.error = "syntax";
    outcome.message = e.getMessage();
    outcome.line = e.getLine();
    outcome.column = e.getColumn();
  } catch (const antlr::TokenStreamRecognitionException& e) {
    outcome.error = "stream";
    outcome.message = e.getMessage();
    outcome.line = e.getLine();
    outcome.column = e.getColumn();
  } catch (const antlr::TokenStreamException& e) {
    outcome.error = "stream";
    outcome.message = e.getMessage();
  }
  return outcome;
}

struct TreeCase {
  const char* script;
  const char* tree;
};

const TreeCase kTrees[] = {
    // Programs and their roots.
    {"", "Array"},
    {" \t\r\n ", "Array"},
    {";", "Array[NoOp]"},
    {"x = 1;", "Array[Assign[Identifier \"x\", Number \"1\"]]"},
    {"x = 1; } y = 2;", "Array[Assign[Identifier \"x\", Number \"1\"]]"},
    {"else x();", "Array"},
    {"x(); y();", "Array[Function \"x\", Function \"y\"]"},
    // Blocks.
    {"{ ; }", "Array[List[NoOp]]"},
    {"{ x(); { y(); } }", "Array[List[Function \"x\", List[Function \"y\"]]]"},
    {"{ {a: 1}; }", "Array[List[DefineObject[DefineAttribute[Identifier \"a\", Number \"1\"]]]]"},
    {"{a: 1}.a;", "Array[Value[DefineObject[DefineAttribute[Identifier \"a\", Number \"1\"]], Attribute \"a\"]]"},
    {"{'a': 1, 2: b};",
     "Array[DefineObject[DefineAttribute[String \"a\", Number \"1\"], "
     "DefineAttribute[Number \"2\", Identifier \"b\"]]]"},
    // if and else.
    {"if (a) x();", "Array[If[Identifier \"a\", Function \"x\"]]"},
    {"if (a) x(); else y();", "Array[If[Identifier \"a\", Function \"x\", Function \"y\"]]"},
    {"if (a) if (b) x(); else y();",
     "Array[If[Identifier \"a\", If[Identifier \"b\", Function \"x\", Function \"y\"]]]"},
    {"if (a) x(); else", "Array[If[Identifier \"a\", Function \"x\"]]"},
    {"if (a) { x(); } else if (b) { y(); } else { z(); }",
     "Array[If[Identifier \"a\", List[Function \"x\"], If[Identifier \"b\", List[Function \"y\"], "
     "List[Function \"z\"]]]]"},
    // Loops.
    {"for (;;) x();", "Array[For[NoOp, NoOp, NoOp, Function \"x\"]]"},
    {"for (i = 0, j = 0; i < 3; i++, j++) x();",
     "Array[For[ExpressionList[Assign[Identifier \"i\", Number \"0\"], Assign[Identifier \"j\", Number \"0\"]], "
     "Less[Identifier \"i\", Number \"3\"], ExpressionList[PostIncrement[Identifier \"i\"], "
     "PostIncrement[Identifier \"j\"]], Function \"x\"]]"},
    {"for (var i = 0; i < n; ++i) { x(i); }",
     "Array[For[Assign[DefineVariable \"i\", Number \"0\"], Less[Identifier \"i\", Identifier \"n\"], "
     "PreIncrement[Identifier \"i\"], List[Function \"x\"[Identifier \"i\"]]]]"},
    {"for (; i;) ;", "Array[For[NoOp, Identifier \"i\", NoOp, NoOp]]"},
    {"for (k in o) x();", "Array[ForIn[Identifier \"k\", Identifier \"o\", Function \"x\"]]"},
    {"for ('k' in a.b) x();", "Array[ForIn[String \"k\", Value[Identifier \"a\", Attribute \"b\"], Function \"x\"]]"},
    {"while (a) a--;", "Array[While[Identifier \"a\", PostDecrement[Identifier \"a\"]]]"},
    {"while (true) { break; continue; }", "Array[While[Identifier \"true\", List[Break, Continue]]]"},
    {"do x(); while (a);", "Array[DoWhile[Function \"x\", Identifier \"a\"]]"},
    {"do { i++; } while (i < 10);",
     "Array[DoWhile[List[PostIncrement[Identifier \"i\"]], Less[Identifier \"i\", Number \"10\"]]]"},
    {"with (mc) { stop(); }", "Array[With[Identifier \"mc\", List[Function \"stop\"]]]"},
    // Handlers.
    {"onClipEvent (load) x();", "MovieClip[OnClipEvent[Identifier \"load\", Function \"x\"]]"},
    {"onClipEvent (load, enterFrame) { x = 1; }",
     "MovieClip[OnClipEvent[Identifier \"load\", Identifier \"enterFrame\", "
     "List[Assign[Identifier \"x\", Number \"1\"]]]]"},
    {"onClipEvent (data, 5, \"e\") ;", "MovieClip[OnClipEvent[Identifier \"data\", Number \"5\", String \"e\", NoOp]]"},
    {"on (release, keyPress 'a') x();", "Button[On[Identifier \"release\", String \"a\", Function \"x\"]]"},
    {"on (keyPress \"<Enter>\") x();", "Button[On[String \"<Enter>\", Function \"x\"]]"},
    {"onClipEvent (load) x(); on (press) y();",
     "Button[OnClipEvent[Identifier \"load\", Function \"x\"], On[Identifier \"press\", Function \"y\"]]"},
    {"on (press) y(); onClipEvent (load) x();",
     "MovieClip[On[Identifier \"press\", Function \"y\"], OnClipEvent[Identifier \"load\", Function \"x\"]]"},
    {"x(); { on (press) y(); }", "Array[Function \"x\", List[On[Identifier \"press\", Function \"y\"]]]"},
    // Functions and return.
    {"function f() {}", "Array[DefineFunction \"f\"[List]]"},
    {"function f(a) { return; }", "Array[DefineFunction \"f\"[Identifier \"a\", List[Return]]]"},
    {"function f(a, b) { return a + b; }",
     "Array[DefineFunction \"f\"[List[Identifier \"a\", Identifier \"b\"], "
     "List[Return[Add[Identifier \"a\", Identifier \"b\"]]]]]"},
    {"function f() { function g() {} return g; }",
     "Array[DefineFunction \"f\"[List[DefineFunction \"g\"[List], Return[Identifier \"g\"]]]]"},
    {"return;", "Array[Return]"},
    {"return x ? 1 : 2;", "Array[Return[Conditional[Identifier \"x\", Number \"1\", Number \"2\"]]]"},
    // var.
    {"var x;", "Array[DefineVariable \"x\"]"},
    // A list after var declares every name in it.
    {"var x = 1, y = 2;",
     "Array[ExpressionList[Assign[DefineVariable \"x\", Number \"1\"], Assign[DefineVariable \"y\", Number \"2\"]]]"},
    {"var x, y = z = 1, w;",
     "Array[ExpressionList[DefineVariable \"x\", Assign[DefineVariable \"y\", Assign[Identifier \"z\", Number \"1\"]], "
     "DefineVariable \"w\"]]"},
    {"x = 1, y = 2;",
     "Array[ExpressionList[Assign[Identifier \"x\", Number \"1\"], Assign[Identifier \"y\", Number \"2\"]]]"},
    {"var a.b = 1;", "Array[Assign[DefineVariable[Identifier \"a\", Attribute \"b\"], Number \"1\"]]"},
    // Assignment: right-associative, every operator.
    {"a = b = c;", "Array[Assign[Identifier \"a\", Assign[Identifier \"b\", Identifier \"c\"]]]"},
    {"x += y *= 2;", "Array[AddAssign[Identifier \"x\", MultiplyAssign[Identifier \"y\", Number \"2\"]]]"},
    {"a -= 1, a /= 1, a %= 1, a <<= 1, a >>= 1, a >>>= 1, a &= 1, a |= 1, a ^= 1;",
     "Array[ExpressionList[SubtractAssign[Identifier \"a\", Number \"1\"], DivideAssign[Identifier \"a\", Number "
     "\"1\"], "
     "ModuloAssign[Identifier \"a\", Number \"1\"], ShiftLeftAssign[Identifier \"a\", Number \"1\"], "
     "ShiftRightAssign[Identifier \"a\", Number \"1\"], ShiftRightUnsignedAssign[Identifier \"a\", Number \"1\"], "
     "BitAndAssign[Identifier \"a\", Number \"1\"], BitOrAssign[Identifier \"a\", Number \"1\"], "
     "BitXorAssign[Identifier \"a\", Number \"1\"]]]"},
    // Conditional.
    {"x = a ? b = 1 : c;",
     "Array[Assign[Identifier \"x\", Conditional[Identifier \"a\", Assign[Identifier \"b\", Number \"1\"], Identifier "
     "\"c\"]]]"},
    {"a ? b = 1 : c;",
     "Array[Conditional[Identifier \"a\", Assign[Identifier \"b\", Number \"1\"], Identifier \"c\"]]"},
    {"a ? b : c = 1;",
     "Array[Assign[Conditional[Identifier \"a\", Identifier \"b\", Identifier \"c\"], Number \"1\"]]"},
    {"a ? b : c ? d : e;",
     "Array[Conditional[Identifier \"a\", Identifier \"b\", Conditional[Identifier \"c\", Identifier \"d\", Identifier "
     "\"e\"]]]"},
    // Binary operators: precedence and left associativity.
    {"x = a - b - c;",
     "Array[Assign[Identifier \"x\", Subtract[Subtract[Identifier \"a\", Identifier \"b\"], Identifier \"c\"]]]"},
    {"x = a || b && c | d ^ e & f == g < h instanceof K << i + j * k;",
     "Array[Assign[Identifier \"x\", LogicalOr[Identifier \"a\", LogicalAnd[Identifier \"b\", "
     "BitOr[Identifier \"c\", BitXor[Identifier \"d\", BitAnd[Identifier \"e\", Equal[Identifier \"f\", "
     "Less[Identifier \"g\", InstanceOf[Identifier \"h\", ShiftLeft[Identifier \"K\", Add[Identifier \"i\", "
     "Multiply[Identifier \"j\", Identifier \"k\"]]]]]]]]]]]]]"},
    {"x = a * b + c << d instanceof e < f == g & h ^ i | j && k || l;",
     "Array[Assign[Identifier \"x\", LogicalOr[LogicalAnd[BitOr[BitXor[BitAnd[Equal[Less[InstanceOf["
     "ShiftLeft[Add[Multiply[Identifier \"a\", Identifier \"b\"], Identifier \"c\"], Identifier \"d\"], "
     "Identifier \"e\"], Identifier \"f\"], Identifier \"g\"], Identifier \"h\"], Identifier \"i\"], "
     "Identifier \"j\"], Identifier \"k\"], Identifier \"l\"]]]"},
    {"x = a < b instanceof K;",
     "Array[Assign[Identifier \"x\", Less[Identifier \"a\", InstanceOf[Identifier \"b\", Identifier \"K\"]]]]"},
    {"x = a << b instanceof K;",
     "Array[Assign[Identifier \"x\", InstanceOf[ShiftLeft[Identifier \"a\", Identifier \"b\"], Identifier \"K\"]]]"},
    {"x = a != b, a > b, a >= b, a <= b, a >> b, a >>> b, a / b % c;",
     "Array[ExpressionList[Assign[Identifier \"x\", NotEqual[Identifier \"a\", Identifier \"b\"]], "
     "Greater[Identifier \"a\", Identifier \"b\"], GreaterEqual[Identifier \"a\", Identifier \"b\"], "
     "LessEqual[Identifier \"a\", Identifier \"b\"], ShiftRight[Identifier \"a\", Identifier \"b\"], "
     "ShiftRightUnsigned[Identifier \"a\", Identifier \"b\"], "
     "Modulo[Divide[Identifier \"a\", Identifier \"b\"], Identifier \"c\"]]]"},
    {"x = (a + b) * c;",
     "Array[Assign[Identifier \"x\", Multiply[Add[Identifier \"a\", Identifier \"b\"], Identifier \"c\"]]]"},
    // Prefix and postfix operators.
    {"x = -y.z;", "Array[Assign[Identifier \"x\", UnaryMinus[Value[Identifier \"y\", Attribute \"z\"]]]]"},
    {"++a.b;", "Array[PreIncrement[Value[Identifier \"a\", Attribute \"b\"]]]"},
    {"--a;", "Array[PreDecrement[Identifier \"a\"]]"},
    {"x = !!a;", "Array[Assign[Identifier \"x\", Not[Not[Identifier \"a\"]]]]"},
    {"x = - -a + ~b + +c;",
     "Array[Assign[Identifier \"x\", Add[Add[UnaryMinus[UnaryMinus[Identifier \"a\"]], BitNot[Identifier \"b\"]], "
     "UnaryPlus[Identifier \"c\"]]]]"},
    {"delete a.b;", "Array[Delete[Value[Identifier \"a\", Attribute \"b\"]]]"},
    {"a++++;", "Array[PostIncrement[PostIncrement[Identifier \"a\"]]]"},
    {"x = a++ + b--;",
     "Array[Assign[Identifier \"x\", Add[PostIncrement[Identifier \"a\"], PostDecrement[Identifier \"b\"]]]]"},
    // Member chains and calls.
    {"f(1, 2);", "Array[Function \"f\"[Number \"1\", Number \"2\"]]"},
    {"a.b(1);", "Array[Value[Identifier \"a\", NoOp \"b\", Method \"b\"[Number \"1\"]]]"},
    {"x = a.b;", "Array[Assign[Identifier \"x\", Value[Identifier \"a\", Attribute \"b\"]]]"},
    {"x = a[i].c;",
     "Array[Assign[Identifier \"x\", Value[Identifier \"a\", Subscript[Identifier \"i\"], Attribute \"c\"]]]"},
    {"f()();", "Array[Value[Function \"f\", Function]]"},
    {"a.b.c(1)(2);",
     "Array[Value[Identifier \"a\", Attribute \"b\", NoOp \"c\", Method \"c\"[Number \"1\"], Function[Number \"2\"]]]"},
    {"x = f(a)[0];",
     "Array[Assign[Identifier \"x\", Value[Function \"f\"[Identifier \"a\"], Subscript[Number \"0\"]]]]"},
    {"x = 'abc'.length;", "Array[Assign[Identifier \"x\", Value[String \"abc\", Attribute \"length\"]]]"},
    {"x = \"abc\".length;", "Array[Assign[Identifier \"x\", Value[String \"abc\", Attribute \"length\"]]]"},
    {"a.(1);", "Array[Value[Identifier \"a\", Method[Number \"1\"]]]"},
    {"_root.a.b.c = 5;",
     "Array[Assign[Value[Identifier \"_root\", Attribute \"a\", Attribute \"b\", Attribute \"c\"], Number \"5\"]]"},
    {"a[\"b\"].c();", "Array[Value[Identifier \"a\", Subscript[String \"b\"], NoOp \"c\", Method \"c\"]]"},
    {"x = (f)(1);", "Array[Assign[Identifier \"x\", Function \"f\"[Number \"1\"]]]"},
    {"x = (a.b)(1);",
     "Array[Assign[Identifier \"x\", Value[Value[Identifier \"a\", Attribute \"b\"], Function[Number \"1\"]]]]"},
    {"x = a. 1 .'b';", "Array[Assign[Identifier \"x\", Value[Identifier \"a\", Attribute \"1\", Attribute \"b\"]]]"},
    // Literals.
    {"x = 0x1F + 1.5e3 - .5;",
     "Array[Assign[Identifier \"x\", Subtract[Add[Number \"0x1F\", Number \"1.5e3\"], Number \".5\"]]]"},
    {"trace(\"a\\\"b\\n\");", "Array[Function \"trace\"[String \"a\\\"b\\n\"]]"},
    {"x = '';", "Array[Assign[Identifier \"x\", String]]"},
    {"x = new K(1, 2);", "Array[Assign[Identifier \"x\", NewObject \"K\"[Number \"1\", Number \"2\"]]]"},
    {"x = new Array();", "Array[Assign[Identifier \"x\", NewObject \"Array\"]]"},
    {"x = new Date().getTime();",
     "Array[Assign[Identifier \"x\", Value[NewObject \"Date\", NoOp \"getTime\", Method \"getTime\"]]]"},
    {"x = {a: 1, 'b': 2, 3: c};",
     "Array[Assign[Identifier \"x\", DefineObject[DefineAttribute[Identifier \"a\", Number \"1\"], "
     "DefineAttribute[String \"b\", Number \"2\"], DefineAttribute[Number \"3\", Identifier \"c\"]]]]"},
    {"x = [];", "Array[Assign[Identifier \"x\", DefineArray]]"},
    {"x = [1, 'two', [3]];",
     "Array[Assign[Identifier \"x\", DefineArray[Number \"1\", String \"two\", DefineArray[Number \"3\"]]]]"},
    {"x = function () {};", "Array[Assign[Identifier \"x\", DefineMethod[List]]]"},
    {"x = function (a) { return a; };",
     "Array[Assign[Identifier \"x\", DefineMethod[Identifier \"a\", List[Return[Identifier \"a\"]]]]]"},
    {"x = function (a, b) {};",
     "Array[Assign[Identifier \"x\", DefineMethod[List[Identifier \"a\", Identifier \"b\"], List]]]"},
    {"function () { x(); }();", "Array[Value[DefineMethod[List[Function \"x\"]], Function]]"},
    {"f(function () { g(); }, [1], {a: 2});",
     "Array[Function \"f\"[DefineMethod[List[Function \"g\"]], DefineArray[Number \"1\"], "
     "DefineObject[DefineAttribute[Identifier \"a\", Number \"2\"]]]]"},
    {"x = a ? {b: 1} : [2];",
     "Array[Assign[Identifier \"x\", Conditional[Identifier \"a\", "
     "DefineObject[DefineAttribute[Identifier \"b\", Number \"1\"]], DefineArray[Number \"2\"]]]]"},
};

TEST(ScriptParser, BuildsTheTreeOfEveryForm) {
  for (const TreeCase& c : kTrees) {
    Outcome outcome = Parse(c.script);
    EXPECT_EQ(outcome.error, "") << c.script << "\n  " << outcome.message << " at " << outcome.line << ":"
                                 << outcome.column;
    EXPECT_EQ(outcome.tree, c.tree) << c.script;
  }
}

struct RejectCase {
  const char* script;
  const char* error;  // "syntax" or "stream"
  int line;
  int column;
};

const RejectCase kRejects[] = {
    {"x = 1", "syntax", 1, 6},
    {"{}", "syntax", 1, 2},
    {"{ }", "syntax", 1, 3},
    {"x = {};", "syntax", 1, 6},
    {"x = [1, , 2];", "syntax", 1, 9},
    {"for (var k in o) x();", "syntax", 1, 12},
    {"for (a.b in o) x();", "syntax", 1, 10},
    {"do x(); while (a)", "syntax", 1, 18},
    {"f(a = 1);", "syntax", 1, 5},
    {"if ((a = b)) x();", "syntax", 1, 8},
    {"(a, b);", "syntax", 1, 3},
    {"return a = 1;", "syntax", 1, 10},
    {"++-a;", "syntax", 1, 3},
    {"x = new K;", "syntax", 1, 10},
    {"x = new a.K();", "syntax", 1, 10},
    {"a.if;", "syntax", 1, 3},
    {"var;", "syntax", 1, 4},
    {"a b;", "syntax", 1, 3},
    {"x = 1;\ny = ;\n", "syntax", 2, 5},
    {"on (keyPress) x();", "syntax", 1, 13},
    {"onClipEvent () x();", "syntax", 1, 14},
    {"break", "syntax", 1, 6},
    {"if (a) {} else {}", "syntax", 1, 9},
    {"a.5;", "syntax", 1, 2},
    {"var x:Number = 1;", "syntax", 1, 6},
    {"x = typeof y;", "syntax", 1, 12},
    {"x = a === b;", "syntax", 1, 9},
    {"function f() x();", "syntax", 1, 14},
    {"f(1,);", "syntax", 1, 5},
    {"x = {a: 1,};", "syntax", 1, 11},
    {"a.b = 1 c = 2;", "syntax", 1, 9},
    {"x = #;", "stream", 1, 5},
    {"x = \"open;\ny();", "stream", 1, 11},
    {"x(); y = 0x;", "stream", 1, 12},
};

TEST(ScriptParser, RefusesBadScriptsWithThePosition) {
  for (const RejectCase& c : kRejects) {
    Outcome outcome = Parse(c.script);
    EXPECT_EQ(outcome.error, c.error) << c.script << " gave " << outcome.tree;
    EXPECT_EQ(outcome.line, c.line) << c.script << ": " << outcome.message;
    EXPECT_EQ(outcome.column, c.column) << c.script << ": " << outcome.message;
  }
}

// A syntax error in a block is reported where it stands, not at the start of the block.
TEST(ScriptParser, ErrorInsideABlockIsReportedWhereItStands) {
  Outcome outcome = Parse("if (a) {\n  x = 1;\n  y = ;\n}");
  EXPECT_EQ(outcome.error, "syntax");
  EXPECT_EQ(outcome.line, 3);
  EXPECT_EQ(outcome.column, 7);
}

std::string Repeat(const std::string& piece, int count) {
  std::string out;
  out.reserve(piece.size() * count);
  for (int i = 0; i < count; ++i) out += piece;
  return out;
}

// Deeply nested input is refused as a syntax error instead of overflowing the stack.
TEST(ScriptParser, DeepNestingIsASyntaxError) {
  const int kDeep = 20000;
  const std::string scripts[] = {
      "x = " + Repeat("(", kDeep) + "1" + Repeat(")", kDeep) + ";",
      Repeat("{", kDeep) + "x;" + Repeat("}", kDeep),
      "x = " + Repeat("- ", kDeep) + "1;",
      "x = " + Repeat("!", kDeep) + "1;",
      "x = " + Repeat("[", kDeep) + Repeat("]", kDeep) + ";",
      "x = " + Repeat("f(", kDeep) + Repeat(")", kDeep) + ";",
      "x = " + Repeat("a[", kDeep) + "0" + Repeat("]", kDeep) + ";",
      "x = " + Repeat("{a: ", kDeep) + "1" + Repeat("}", kDeep) + ";",
      "x = " + Repeat("function () { return ", kDeep) + "1" + Repeat("; }", kDeep) + ";",
      Repeat("if (a) ", kDeep) + "x();",
      Repeat("while (a) ", kDeep) + "x();",
      Repeat("a = ", kDeep) + "1;",
      "x = " + Repeat("a ? b : ", kDeep) + "c;",
      "x = " + Repeat("a + ", kDeep) + "a;",
      "x = " + Repeat("a || ", kDeep) + "a;",
      "x = " + Repeat("a * ", kDeep) + "a;",
      "x = a" + Repeat("++", kDeep) + ";",
      "x = " + Repeat("a instanceof ", kDeep) + "a;",
  };
  for (const std::string& script : scripts) {
    Outcome outcome = Parse(script);
    EXPECT_EQ(outcome.error, "syntax") << script.substr(0, 40);
    EXPECT_EQ(outcome.message, "the script is nested too deeply") << script.substr(0, 40);
  }
}

TEST(ScriptParser, ReasonableNestingParses) {
  const std::string scripts[] = {
      "x = " + Repeat("(", 100) + "1" + Repeat(")", 100) + ";",
      Repeat("{", 200) + "x;" + Repeat("}", 200),
      Repeat("if (a) ", 200) + "x();",
      "x = " + Repeat("a + ", 300) + "a;",
      "x = " + Repeat("[", 100) + Repeat("]", 100) + ";",
  };
  for (const std::string& script : scripts) {
    Outcome outcome = Parse(script);
    EXPECT_EQ(outcome.error, "") << script.substr(0, 40) << ": " << outcome.message;
  }
}

// A long flat chain of members or statements is no nesting at all.
TEST(ScriptParser, LongFlatInputParses) {
  Outcome members = Parse("x = a" + Repeat(".b", 5000) + ";");
  EXPECT_EQ(members.error, "") << members.message;
  Outcome calls = Parse("f" + Repeat("()", 5000) + ";");
  EXPECT_EQ(calls.error, "") << calls.message;
  Outcome statements = Parse(Repeat("x = x + 1;\n", 5000));
  EXPECT_EQ(statements.error, "") << statements.message;
}

// Nested blocks are decided without trying each block twice, so the time grows with the
// size of the script and not with two to the power of its depth.
TEST(ScriptParser, NestedBlocksParseInLinearTime) {
  auto start = std::chrono::steady_clock::now();
  Outcome outcome = Parse(Repeat("{ x; ", 300) + Repeat("}", 300));
  EXPECT_EQ(outcome.error, "") << outcome.message;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// The trees of accepted scripts stay within a small multiple of the nesting limit, so passes
// that walk them recursively have a known bound.
TEST(ScriptParser, TreeDepthIsBounded) {
  const std::string scripts[] = {
      "x = " + Repeat("a + ", 5000) + "a;",
      "x = " + Repeat("(", 5000) + "1" + Repeat(")", 5000) + ";",
      "x = " + Repeat("a.b(", 5000) + Repeat(")", 5000) + ";",
      Repeat("if (a) { ", 5000) + Repeat("}", 5000),
  };
  for (const std::string& script : scripts) {
    std::istringstream in(script);
    size_t depth = 0;
    try {
      depth = SyntaxTreeDepth(ParseScript(in).get());
    } catch (const antlr::RecognitionException&) {
      continue;
    }
    EXPECT_LE(depth, static_cast<size_t>(3 * ScriptNestingLimit)) << script.substr(0, 40);
  }
  // The deepest sum that parses builds a tree about as deep as the limit.
  std::istringstream in("x = " + Repeat("a + ", ScriptNestingLimit - 10) + "a;");
  EXPECT_GT(SyntaxTreeDepth(ParseScript(in).get()), static_cast<size_t>(ScriptNestingLimit - 10));
}

}  // namespace
