// An independent verifier of compiled AVM1 action blocks, for tests.
//
// It is written from the public SWF action table and shares no code with the movie model
// (swf/) or the script compiler (script/): it has its own decoder and its own table of the
// stack effect of every action. Give it the bytes of one action block, for example the bytes
// that the script compiler generates for a DoAction tag, the body of a DoAction tag read from a
// movie, or the actions of one button condition or clip event, and it checks:
//
//   Structure
//   - every action's declared length lies inside the block, and the operands of Push,
//     ConstantPool, DefineFunction, DefineFunction2, With and Try fill exactly that length;
//   - every Jump and If (and the skip of WaitForFrame and WaitForFrame2) lands on an action
//     boundary of its own code block: the whole block, or the body of the function that holds
//     the branch. Landing exactly on the end of the code block is allowed (it leaves the block);
//   - the bodies of DefineFunction and DefineFunction2 and the blocks of With and Try end on an
//     action boundary inside the code block that holds them;
//   - every constant-pool index of a Push is below the count of the last ConstantPool that
//     comes before it in the bytes; an index with no pool before it is a problem;
//   - no End action (code 0x00) sits inside the block; one End as the very last byte is
//     accepted, refused or required as the options say.
//
//   Stack (an abstract interpretation of every reachable path; see VerifyOptions::checkStack)
//   - no action takes more values than the stack holds;
//   - where paths join (branch targets, the end of a block) they bring the same stack;
//   - the stack is empty where a code block is left: at its end, at an End action and after
//     the value of a Return is taken;
//   - each statement span given in the options leaves the stack as it found it.
//   The arity of CallFunction, CallMethod, NewObject, NewMethod, InitArray, InitObject,
//   ImplementsOp and the constraint of StartDrag must be pushed as literals (integer, double,
//   or boolean) where the verifier can see them; otherwise the path is reported and not
//   followed further. Enumerate and Enumerate2 push an unknown number of names ahead of a null:
//   the verifier keeps them as one "enumeration" entry, from which every pop takes one name,
//   and recognises the end test of a for-in loop (a name compared with Equals or Equals2 to a
//   pushed null, optionally inverted with Not, then If): the branch that sees the null leaves
//   the enumeration behind, the other keeps it.
//   Memory is bounded: a stack deeper than 100000 values, or more than 262144 values kept at
//   the join points of one block, stops the stack checks with a reason (stackUnknown).
//
// Statement boundaries. The bytes alone do not say where one statement ends and the next
// begins. Without help the verifier checks at block level (joins agree, blocks are left with an
// empty stack), which already catches a leaking statement whose code runs to the end of its
// block, sits in a loop or in one arm of a branch. A generator that knows where its statements
// lie can pass them as StatementSpan values (byte offsets from the start of the block, the end
// exclusive); each span is then checked on its own: both offsets must be action boundaries of
// the same code block, and when the verifier reaches both, the stack at the end must equal the
// stack at the start. Statements nested in other statements (the body of a loop inside a
// for-in, for example) may be given too, since the check compares the two ends of the span and
// not a depth of zero.
//
// Typical use in a test of the code generator:
//   avmverify::VerifyOptions options;
//   options.finalEnd = avmverify::FinalEnd::Refused;  // the compiler writes no End of its own
//   avmverify::VerifyResult result = avmverify::VerifyActionBlock(bytes, options);
//   EXPECT_TRUE(result.Ok()) << result.Report();
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace avmverify {

// A statement's bytes: [begin, end), offsets from the start of the verified block.
struct StatementSpan {
  size_t begin = 0;
  size_t end = 0;
};

// What to make of an End action (0x00) as the very last byte of the block. An End anywhere
// else is always a problem.
enum class FinalEnd {
  Allowed,   // the bytes of a DoAction tag as stored in a movie, with or without the End
  Refused,   // the compiler's own action bytes, which carry no End
  Required,  // a complete action list as a tag stores it
};

struct VerifyOptions {
  FinalEnd finalEnd = FinalEnd::Allowed;
  // Follow the stack through every reachable path. When false only the structure is checked.
  bool checkStack = true;
  // A code block must be left with an empty stack. Movies made by other tools sometimes leave
  // values behind at the end of a frame script, which a player discards; compiled scripts must
  // not.
  bool requireEmptyStackAtExit = true;
  // Statements whose stack effect must be zero (see above).
  std::vector<StatementSpan> statements;
};

// One decoded action, in the order of the bytes (function bodies inline, as stored).
struct VerifiedAction {
  size_t offset = 0;  // of the action code
  uint8_t code = 0;
  size_t size = 1;       // the whole action: 1, or 3 + the declared length
  int block = 0;         // 0 for the outermost code block, else the index of the function body
  int depthBefore = -1;  // stack depth on entry when the action was reached, else -1
};

struct VerifyResult {
  std::vector<VerifiedAction> actions;
  std::vector<std::string> problems;  // empty when the block is sound
  int maxDepth = 0;                   // the deepest stack seen on any path
  // Set when the stack could not be followed on some path (unknown action, arity not a
  // literal); the reason is among the problems.
  bool stackUnknown = false;

  bool Ok() const { return problems.empty(); }
  // Every problem on a line of its own, for test failure messages.
  std::string Report() const;
};

VerifyResult VerifyActionBlock(const uint8_t* data, size_t size, const VerifyOptions& options = {});
VerifyResult VerifyActionBlock(const std::vector<uint8_t>& bytes, const VerifyOptions& options = {});

}  // namespace avmverify
