// Control flow on whole scripts (if, the loops, with, return, break and continue), the script
// of the segments display, event handlers, and the scripts the generator refuses.
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

using scripttest::Listing;
using Case = scripttest::ListingCase;

TEST(CodeGeneratorControlFlowTest, ConditionsAndLoops) {
  const Case cases[] = {
      {"if (a) b(); else c();",
       "push('a'); GetVariable; Not; If +22; push(0.0, 'b'); CallFunction; Pop; Jump +17; "
       "push(0.0, 'c'); CallFunction; Pop"},
      // An empty else emits no Jump.
      {"if (a) b(); else { ; }", "push('a'); GetVariable; Not; If +17; push(0.0, 'b'); CallFunction; Pop"},
      {"while (i < 3) { if (i == 1) break; i++; }",
       "Pool('i'); push(c0); GetVariable; push(3); Less2; Not; If +41; push(c0); GetVariable; push(1); Equals2; "
       "Not; If +5; Jump +15; push(c0, c0); GetVariable; Increment; SetVariable; Jump -62"},
      {"while (i < 3) { if (i == 1) continue; i++; }",
       "Pool('i'); push(c0); GetVariable; push(3); Less2; Not; If +41; push(c0); GetVariable; push(1); Equals2; "
       "Not; If +5; Jump -47; push(c0, c0); GetVariable; Increment; SetVariable; Jump -62"},
      {"for (;;) { ; }", "Jump -5"},
      {"for (; true; ) { ; }", "push(false); If +5; Jump -15"},
      {"for (; false; ) { ; }", "push(false); Not; If +5; Jump -16"},
      {"for (; 0; ) { ; }", "push(0.0); Not; If +5; Jump -23"},
      {"for (; 2; ) { ; }", "push(0); If +5; Jump -18"},
      {"for (; 'yes'; ) { ; }", "push('0'); If +5; Jump -16"},
      // A continue in a for loop goes to the step; a break leaves the loop.
      {"for (i = 0; c; i++) { if (d) continue; if (e) break; }",
       "Pool('i', 'c', 'd', 'e'); push(c0, 0.0); SetVariable; push(c1); GetVariable; Not; If +49; push(c2); "
       "GetVariable; Not; If +5; Jump +17; push(c3); GetVariable; Not; If +5; Jump +15; push(c0, c0); GetVariable; "
       "Increment; SetVariable; Jump -61"},
      // In a do..while loop a continue goes to the condition.
      {"do { if (d) continue; x(); } while (c);",
       "push('d'); GetVariable; Not; If +5; Jump +17; push(0.0, 'x'); CallFunction; Pop; push('c'); GetVariable; "
       "If -47"},
      {"do { if (d) break; } while (c);",
       "push('d'); GetVariable; Not; If +5; Jump +12; push('c'); GetVariable; If -30"},
      {"for (k in obj) trace(k);",
       "Pool('k', 'obj'); push(c1); Enumerate; StoreRegister 0; push(null); Equals2; If +20; push(c0, r0); "
       "SetVariable; push(c0); GetVariable; Trace; Jump -34"},
      {"function f() { return; }", "DefineFunction f() 5; push(undef); Return"},
      {"function f() { return x; }", "DefineFunction f() 8; push('x'); GetVariable; Return"},
      {"with (a) { b = 1; c = 2; }",
       "push('a'); GetVariable; With 24; push('b', 1); SetVariable; push('c', 2); SetVariable"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    EXPECT_EQ(Listing(c.script), c.listing);
  }
}

TEST(CodeGeneratorControlFlowTest, SegmentsDisplayScript) {
  const std::string script =
      "maxw = 5;\n"
      "_parent._parent.anm = maxw;\n"
      "for ( i=1; i<=maxw; i++) {\n"
      "  myseg = eval( \"progress.seg\" + i);\n"
      "  myseg._visible = false;\n"
      "  myseg.shw = 0;\n"
      "  mybseg = eval( \"progress.bseg\" + i);\n"
      "  mybseg.shw = 0;\n"
      "}\n";
  EXPECT_EQ(Listing(script),
            "Pool('maxw', '_parent', 'anm', 'i', 'myseg', 'progress.seg', '_visible', 'shw', 'mybseg', "
            "'progress.bseg'); "
            "push(c0, 5); SetVariable; "
            "push(c1); GetVariable; push(c1); GetMember; push(c2, c0); GetVariable; SetMember; "
            "push(c3, 1); SetVariable; "
            "push(c0); GetVariable; push(c3); GetVariable; Less2; Not; Not; If +97; "
            "push(c4, c5, c3); GetVariable; Add2; GetVariable; SetVariable; "
            "push(c4); GetVariable; push(c6, false); SetMember; "
            "push(c4); GetVariable; push(c7, 0.0); SetMember; "
            "push(c8, c9, c3); GetVariable; Add2; GetVariable; SetVariable; "
            "push(c8); GetVariable; push(c7, 0.0); SetMember; "
            "push(c3, c3); GetVariable; Increment; SetVariable; Jump -117");
  // The same bytes in SWF 5, where the ten strings fit the pool as well.
  EXPECT_EQ(CompileScript(script, 5), CompileScript(script, 6));
  std::vector<uint8_t> bytes = CompileScript(script, 6);
  ASSERT_GE(bytes.size(), 3u);
  EXPECT_EQ(bytes[0], 0x88);
  EXPECT_EQ(bytes.back(), 0xFF);  // the high byte of the Jump back
}

}  // namespace
