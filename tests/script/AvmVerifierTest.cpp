// The independent AVM1 verifier that the compiler's tests run over generated code: it must
// accept sound blocks (hand-made and those of real movies) and catch bad branches, stack leaks
// and the other structural faults, each with a message that says where.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "tests/support/ActionChecker.h"
#include "tests/support/AvmVerifier.h"

namespace {

using avmverify::FinalEnd;
using avmverify::StatementSpan;
using avmverify::VerifyActionBlock;
using avmverify::VerifyOptions;
using avmverify::VerifyResult;

// A tiny assembler for hand-made blocks, written from the SWF action table.
class Block {
 public:
  Block& Op(uint8_t code) {
    bytes_.push_back(code);
    return *this;
  }
  // An action with operands; the length field is the operands' size unless given.
  Block& Long(uint8_t code, std::initializer_list<uint8_t> operands, int length = -1) {
    size_t n = length < 0 ? operands.size() : static_cast<size_t>(length);
    bytes_.push_back(code);
    bytes_.push_back(static_cast<uint8_t>(n & 0xFF));
    bytes_.push_back(static_cast<uint8_t>(n >> 8));
    bytes_.insert(bytes_.end(), operands.begin(), operands.end());
    return *this;
  }
  Block& PushString(const std::string& s) {
    std::vector<uint8_t> v{0};
    v.insert(v.end(), s.begin(), s.end());
    v.push_back(0);
    return PushRaw(v);
  }
  Block& PushInt(int32_t n) {
    uint32_t u = static_cast<uint32_t>(n);
    return PushRaw({7, static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
                    static_cast<uint8_t>(u >> 24)});
  }
  Block& PushZeroDouble() { return PushRaw({6, 0, 0, 0, 0, 0, 0, 0, 0}); }
  Block& PushNull() { return PushRaw({2}); }
  Block& PushRegister(uint8_t r) { return PushRaw({4, r}); }
  Block& PushConstant(uint8_t index) { return PushRaw({8, index}); }
  Block& PushRaw(const std::vector<uint8_t>& values) {
    bytes_.push_back(0x96);
    bytes_.push_back(static_cast<uint8_t>(values.size() & 0xFF));
    bytes_.push_back(static_cast<uint8_t>(values.size() >> 8));
    bytes_.insert(bytes_.end(), values.begin(), values.end());
    return *this;
  }
  Block& Pool(std::initializer_list<const char*> strings) {
    std::vector<uint8_t> v{static_cast<uint8_t>(strings.size()), 0};
    for (const char* s : strings) {
      v.insert(v.end(), s, s + std::strlen(s));
      v.push_back(0);
    }
    bytes_.push_back(0x88);
    bytes_.push_back(static_cast<uint8_t>(v.size()));
    bytes_.push_back(0);
    bytes_.insert(bytes_.end(), v.begin(), v.end());
    return *this;
  }
  // Jump or If with an offset counted from the end of the action.
  Block& Branch(uint8_t code, int16_t offset) {
    uint16_t u = static_cast<uint16_t>(offset);
    return Long(code, {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8)});
  }
  Block& Jump(int16_t offset) { return Branch(0x99, offset); }
  Block& If(int16_t offset) { return Branch(0x9D, offset); }
  Block& StoreRegister(uint8_t r) { return Long(0x87, {r}); }
  // DefineFunction with no parameters and a body of the given size.
  Block& DefineFunction(const std::string& name, uint16_t bodySize) {
    std::vector<uint8_t> v(name.begin(), name.end());
    v.push_back(0);
    v.push_back(0);  // no parameters
    v.push_back(0);
    v.push_back(static_cast<uint8_t>(bodySize & 0xFF));
    v.push_back(static_cast<uint8_t>(bodySize >> 8));
    bytes_.push_back(0x9B);
    bytes_.push_back(static_cast<uint8_t>(v.size()));
    bytes_.push_back(0);
    bytes_.insert(bytes_.end(), v.begin(), v.end());
    return *this;
  }
  // Sets x to n: push "x", n; SetVariable.
  Block& SetX(int32_t n) { return PushString("x").PushInt(n).Op(0x1D); }

  size_t Size() const { return bytes_.size(); }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// Sizes of the pieces above, to compute branch offsets by hand.
constexpr int16_t kSetXSize = 6 + 8 + 1;  // push "x" (3 + 3), push int (3 + 5), SetVariable
// push "c" (6), GetVariable, Not, If (5): the head of a loop or an if.
constexpr int16_t kTestSize = 6 + 1 + 1 + 5;
// StoreRegister 0 (4), push null (4), Equals2, If (5): the head of a for-in loop.
constexpr int16_t kForInHeadSize = 4 + 4 + 1 + 5;

VerifyOptions Compiled() {
  VerifyOptions options;
  options.finalEnd = FinalEnd::Refused;
  return options;
}

bool Mentions(const VerifyResult& result, const std::string& text) {
  return result.Report().find(text) != std::string::npos;
}

TEST(AvmVerifier, AcceptsSoundHandMadeBlocks) {
  struct Case {
    const char* name;
    Block block;
  };
  std::vector<Case> cases;

  cases.push_back({"empty", Block()});
  cases.push_back({"assignment", Block().SetX(1)});
  {
    // if (c) x = 1; else x = 2;
    Block b;
    b.PushString("c").Op(0x1C).Op(0x12).If(kSetXSize + 5);
    b.SetX(1).Jump(kSetXSize);
    b.SetX(2);
    cases.push_back({"if-else", b});
  }
  {
    // while (c) x = 1;  head: c, Not, If out; body; Jump head
    Block b;
    b.PushString("c").Op(0x1C).Op(0x12).If(kSetXSize + 5);
    b.SetX(1).Jump(static_cast<int16_t>(-(kTestSize + kSetXSize + 5)));
    cases.push_back({"while", b});
  }
  {
    // for (k in o) { x = 1; }, then break's clean-up loop shape after it.
    Block b;
    b.PushString("o").Op(0x46);  // Enumerate
    // head: StoreRegister 0, push null, Equals2, If out   (5 + 4 + 1 + 5)
    const int16_t body = static_cast<int16_t>(4 + 4 + 1 + kSetXSize + 5);
    b.StoreRegister(0).PushNull().Op(0x49).If(body);
    b.PushRaw({0, 'k', 0, 4, 0}).Op(0x1D);  // k = register 0
    b.SetX(1);
    b.Jump(static_cast<int16_t>(-(body + kForInHeadSize)));
    cases.push_back({"for-in", b});
  }
  {
    // for (k in o) { break; }: the break jumps to a loop that drops the remaining names.
    Block b;
    b.PushString("o").Op(0x46);
    const int16_t body = static_cast<int16_t>(8 + 1 + 5 + 5);
    const int16_t cleanUp = static_cast<int16_t>(4 + 1 + 1 + 5);
    b.StoreRegister(0).PushNull().Op(0x49).If(body + cleanUp);  // exhausted: to the end
    b.PushRaw({0, 'k', 0, 4, 0}).Op(0x1D);
    b.Jump(5);                                               // break: to the clean-up
    b.Jump(static_cast<int16_t>(-(body + kForInHeadSize)));  // next name
    // clean-up: push null, Equals2, Not, If back to the clean-up while names remain.
    b.PushNull().Op(0x49).Op(0x12).If(static_cast<int16_t>(-cleanUp));
    cases.push_back({"for-in with break", b});
  }
  {
    // function f() { return 1; } x = f();
    Block body;
    body.PushInt(1).Op(0x3E);
    Block b;
    b.DefineFunction("f", static_cast<uint16_t>(body.Size()));
    for (uint8_t byte : body.Bytes()) b.Op(byte);
    b.PushString("x").PushZeroDouble().PushString("f").Op(0x3D).Op(0x1D);
    cases.push_back({"function and call", b});
  }
  {
    // o = new Object(); o.m(1, 2); [1, 2, 3]; {a: 1} — all with literal counts.
    Block b;
    b.PushString("o").PushZeroDouble().PushString("Object").Op(0x40).Op(0x1D);
    b.PushInt(2).PushInt(1).PushInt(2).PushString("o").Op(0x1C).PushString("m").Op(0x52).Op(0x17);
    b.PushInt(3).PushInt(2).PushInt(1).PushInt(3).Op(0x42).Op(0x17);
    b.PushString("a").PushInt(1).PushInt(1).Op(0x43).Op(0x17);
    cases.push_back({"calls and literals", b});
  }
  {
    // x = c ? 1 : y; the two arms bring a literal and a variable's value to the join.
    Block b;
    b.PushString("x").PushString("c").Op(0x1C).If(6 + 1 + 5);
    b.PushString("y").Op(0x1C).Jump(8);
    b.PushInt(1);
    b.Op(0x1D);
    cases.push_back({"conditional value", b});
  }
  {
    // A pool, strings pushed by index.
    Block b;
    b.Pool({"x", "y"}).PushConstant(0).PushConstant(1).Op(0x1C).Op(0x1D);
    cases.push_back({"pool", b});
  }
  {
    // with (o) { x = 1; }
    Block b;
    b.PushString("o").Op(0x1C).Long(0x94, {kSetXSize, 0}).SetX(1);
    cases.push_back({"with", b});
  }

  for (const Case& c : cases) {
    VerifyResult result = VerifyActionBlock(c.block.Bytes(), Compiled());
    EXPECT_TRUE(result.Ok()) << c.name << ":\n" << result.Report();
    EXPECT_FALSE(result.stackUnknown) << c.name;
  }
}

TEST(AvmVerifier, CatchesABranchThatMissesAnAction) {
  struct Case {
    const char* name;
    Block block;
    const char* message;
  };
  std::vector<Case> cases;
  // Jumps 2 bytes into the push that follows it.
  cases.push_back({"into a push", Block().Jump(2).SetX(1), "the Jump at 0x0 lands at 0x7"});
  // Past the end of the block.
  cases.push_back({"past the end", Block().PushInt(1).If(40).SetX(1), "the If at 0x8 lands at"});
  // Before the start.
  cases.push_back({"before the start", Block().Jump(-10), "before the block"});
  {
    // From outside into a function body.
    Block body;
    body.PushInt(1).Op(0x3E);
    Block b;
    b.Jump(0).DefineFunction("f", static_cast<uint16_t>(body.Size()));
    // The Jump at 0 is 5 bytes; aim it at the body's first action.
    std::vector<uint8_t> bytes = b.Bytes();
    for (uint8_t byte : body.Bytes()) bytes.push_back(byte);
    const size_t bodyStart = b.Size();
    bytes[3] = static_cast<uint8_t>(bodyStart - 5);
    Block raw;
    for (uint8_t byte : bytes) raw.Op(byte);
    cases.push_back({"into a function body", raw, "not on an action of its block"});
  }
  for (const Case& c : cases) {
    VerifyResult result = VerifyActionBlock(c.block.Bytes(), Compiled());
    EXPECT_FALSE(result.Ok()) << c.name;
    EXPECT_TRUE(Mentions(result, c.message)) << c.name << ":\n" << result.Report();
  }
}

TEST(AvmVerifier, CatchesStackLeaksAndUnderflows) {
  struct Case {
    const char* name;
    Block block;
    const char* message;
  };
  std::vector<Case> cases;
  // f(); as a statement without the Pop of its result.
  cases.push_back({"call result left", Block().PushZeroDouble().PushString("f").Op(0x3D),
                   "the end of the block at 0x13 leaves 1 value(s) on the stack"});
  // A Pop with nothing to pop.
  cases.push_back({"underflow", Block().Op(0x17), "takes more values than the stack holds"});
  {
    // while (c) { 5; }: the body leaves a value on every pass.
    Block b;
    b.PushString("c").Op(0x1C).Op(0x12).If(8 + 5);
    b.PushInt(5).Jump(static_cast<int16_t>(-(kTestSize + 8 + 5)));
    cases.push_back({"leak in a loop", b, "paths join at 0x0"});
  }
  {
    // if (c) { 5; } x = 1;: one arm leaves a value.
    Block b;
    b.PushString("c").Op(0x1C).Op(0x12).If(8);
    b.PushInt(5);
    b.SetX(1);
    cases.push_back({"leak in one arm", b, "paths join at 0x15 with 0 and 1 values on the stack (one from 0xD)"});
  }
  {
    // for (k in o) { return; } inside a function: the names stay on the stack.
    Block body;
    const int16_t loop = static_cast<int16_t>(4 + 1);
    body.PushString("o").Op(0x46).StoreRegister(0).PushNull().Op(0x49).If(loop);
    body.PushRaw({3}).Op(0x3E);
    Block b;
    b.DefineFunction("f", static_cast<uint16_t>(body.Size()));
    for (uint8_t byte : body.Bytes()) b.Op(byte);
    cases.push_back({"return inside for-in", b, "the Return at"});
  }
  for (const Case& c : cases) {
    VerifyResult result = VerifyActionBlock(c.block.Bytes(), Compiled());
    EXPECT_FALSE(result.Ok()) << c.name;
    EXPECT_TRUE(Mentions(result, c.message)) << c.name << ":\n" << result.Report();
  }
}

TEST(AvmVerifier, StatementSpansCatchLeaksThatCancelOut) {
  // x = 1; 5; then a statement that pops one value too many: the block as a whole is
  // balanced, so only the statement boundaries show the two faults.
  Block b;
  b.SetX(1);
  const size_t second = b.Size();
  b.PushInt(5);
  const size_t third = b.Size();
  b.PushString("y").Op(0x1C).Op(0x17).Op(0x17);
  const size_t end = b.Size();

  VerifyResult whole = VerifyActionBlock(b.Bytes(), Compiled());
  EXPECT_TRUE(whole.Ok()) << whole.Report();

  VerifyOptions options = Compiled();
  options.statements = {{0, second}, {second, third}, {third, end}};
  VerifyResult split = VerifyActionBlock(b.Bytes(), options);
  EXPECT_FALSE(split.Ok());
  EXPECT_TRUE(Mentions(split, "the statement [0xF, 0x17) changes the stack from 0 to 1 values")) << split.Report();
  EXPECT_TRUE(Mentions(split, "the statement [0x17, 0x20) changes the stack from 1 to 0 values")) << split.Report();
  EXPECT_FALSE(Mentions(split, "[0x0, 0xF)")) << split.Report();

  // A span must lie on action boundaries.
  options.statements = {{1, second}};
  EXPECT_TRUE(Mentions(VerifyActionBlock(b.Bytes(), options), "does not lie on the actions"));
}

TEST(AvmVerifier, CatchesStructuralFaults) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    FinalEnd finalEnd;
    const char* message;
  };
  Block function;
  function.DefineFunction("f", 3).PushInt(1);  // the body ends inside the push
  const Case cases[] = {
      {"pool index past the pool", Block().Pool({"x"}).PushConstant(1).Op(0x17).Bytes(), FinalEnd::Refused,
       "uses constant 1 of a pool of 1"},
      {"pool index without a pool", Block().PushConstant(0).Op(0x17).Bytes(), FinalEnd::Refused,
       "with no constant pool before it"},
      {"End inside the list", Block().Op(0x06).Op(0x00).Op(0x07).Bytes(), FinalEnd::Allowed,
       "an End action sits inside the list at 0x1"},
      {"End refused at the finish", Block().Op(0x06).Op(0x00).Bytes(), FinalEnd::Refused,
       "the block ends with an End action at 0x1"},
      {"End required", Block().Op(0x06).Bytes(), FinalEnd::Required, "does not end with an End action"},
      {"length past the block", Block().Long(0x96, {7, 1, 0}, 5).Bytes(), FinalEnd::Refused,
       "declares 5 bytes, past the end of the block"},
      {"length cut short", {0x96, 0x01}, FinalEnd::Refused, "has no room for its length"},
      {"push value cut short", Block().Long(0x96, {7, 1, 0}).Bytes(), FinalEnd::Refused, "do not fit its length of 3"},
      {"unknown push type", Block().Long(0x96, {10}).Bytes(), FinalEnd::Refused, "unknown type 10"},
      {"function body ends inside an action", function.Bytes(), FinalEnd::Refused,
       "the body of a function ends at 0xC, inside an action"},
      {"with block ends inside an action", Block().PushInt(0).Long(0x94, {2, 0}).PushInt(1).Bytes(), FinalEnd::Refused,
       "the With at 0x8 ends its block at 0xF"},
  };
  for (const Case& c : cases) {
    VerifyOptions options;
    options.finalEnd = c.finalEnd;
    VerifyResult result = VerifyActionBlock(c.bytes, options);
    EXPECT_FALSE(result.Ok()) << c.name;
    EXPECT_TRUE(Mentions(result, c.message)) << c.name << ":\n" << result.Report();
  }
  // An End as the last byte is fine where it is allowed or required.
  for (FinalEnd finalEnd : {FinalEnd::Allowed, FinalEnd::Required}) {
    VerifyOptions options;
    options.finalEnd = finalEnd;
    EXPECT_TRUE(VerifyActionBlock(Block().Op(0x06).Op(0x00).Bytes(), options).Ok());
  }
}

TEST(AvmVerifier, CountsItCannotSeeStopThePathWithAReason) {
  // f(n) with the argument count in a variable: the verifier cannot know what CallFunction
  // takes, says so, and does not guess.
  Block b;
  b.PushString("n").Op(0x1C).PushString("f").Op(0x3D).Op(0x17);
  VerifyResult result = VerifyActionBlock(b.Bytes(), Compiled());
  EXPECT_FALSE(result.Ok());
  EXPECT_TRUE(result.stackUnknown);
  EXPECT_TRUE(Mentions(result, "is not a literal count")) << result.Report();

  VerifyOptions structureOnly = Compiled();
  structureOnly.checkStack = false;
  EXPECT_TRUE(VerifyActionBlock(b.Bytes(), structureOnly).Ok());
}

// Huge stacks kept at many joins would take unbounded memory: the verifier stops following the
// stack and says why.
TEST(AvmVerifier, HugeStacksAtManyJoinsAreGivenUpWithAReason) {
  Block b;
  b.PushRaw(std::vector<uint8_t>(16384, 2));  // 16384 nulls
  for (int i = 0; i < 20; ++i) b.Jump(0);     // every Jump lands on the next: 20 joins
  VerifyResult result = VerifyActionBlock(b.Bytes(), Compiled());
  EXPECT_TRUE(result.stackUnknown);
  EXPECT_TRUE(Mentions(result, "the stacks kept at the joins of this block grow past")) << result.Report();
}

TEST(AvmVerifier, ReportsDepthsOfTheDecodedActions) {
  Block b;
  b.SetX(1).PushInt(2).Op(0x17);
  VerifyResult result = VerifyActionBlock(b.Bytes(), Compiled());
  ASSERT_TRUE(result.Ok()) << result.Report();
  ASSERT_EQ(result.actions.size(), 5u);
  const int depths[] = {0, 1, 2, 0, 1};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(result.actions[i].depthBefore, depths[i]) << i;
  EXPECT_EQ(result.maxDepth, 2);
}

// Whatever bytes come in, the verifier answers without crashing or hanging.
TEST(AvmVerifier, AnyBytesGiveAnAnswer) {
  std::vector<uint8_t> bytes;
  uint32_t state = 12345;
  for (int round = 0; round < 2000; ++round) {
    bytes.resize(1 + round % 97);
    for (uint8_t& byte : bytes) {
      state = state * 1103515245u + 12345u;
      byte = static_cast<uint8_t>(state >> 16);
    }
    VerifyResult result = VerifyActionBlock(bytes);
    (void)result.Report();
  }
}

std::vector<actioncheck::MovieActionList> CorpusLists(const std::string& movie) {
  std::vector<actioncheck::MovieActionList> lists;
  std::string error;
  const std::string path = std::string(PLENWICK_CORPUS_DIR) + "/ruffle-avm1/" + movie + "/test.swf";
  EXPECT_TRUE(actioncheck::CollectMovieActionLists(path, lists, error)) << path << ": " << error;
  return lists;
}

bool HaveCorpus() { return std::filesystem::is_directory(std::string(PLENWICK_CORPUS_DIR) + "/ruffle-avm1"); }

// Frame scripts compiled by the authoring tool for SWF 5 and 6 with for-in loops, functions and
// with blocks: the verifier accepts them with every check on.
TEST(AvmVerifier, ScriptsOfTheAuthoringToolPassEveryCheck) {
  if (!HaveCorpus()) GTEST_SKIP() << "no corpus";
  for (const char* movie : {"array_trivial", "swf5_global_funcs", "swf6_case_insensitive", "prototype_enumerate",
                            "this_swf6", "define_local_with_paths"}) {
    std::vector<actioncheck::MovieActionList> lists = CorpusLists(movie);
    EXPECT_FALSE(lists.empty()) << movie;
    for (const actioncheck::MovieActionList& list : lists) {
      VerifyResult result = VerifyActionBlock(list.bytes);
      EXPECT_TRUE(result.Ok()) << movie << " " << list.where << ":\n" << result.Report();
    }
  }
}

// The same real scripts with one fault put in: every Pop turned into an action without stack
// effect leaks a value, and every branch moved by one byte off an action boundary misses its
// action. The verifier catches each one.
TEST(AvmVerifier, CatchesFaultsPutIntoRealScripts) {
  if (!HaveCorpus()) GTEST_SKIP() << "no corpus";
  int leaks = 0;
  int branches = 0;
  for (const char* movie : {"array_trivial", "swf6_case_insensitive", "prototype_enumerate", "sound_props_swf6",
                            "focusrect_property_swf6", "printjob_props_swf6", "define_local_with_paths"}) {
    for (const actioncheck::MovieActionList& list : CorpusLists(movie)) {
      VerifyResult sound = VerifyActionBlock(list.bytes);
      ASSERT_TRUE(sound.Ok()) << sound.Report();
      std::set<size_t> starts;
      for (const avmverify::VerifiedAction& a : sound.actions) starts.insert(a.offset);
      for (const avmverify::VerifiedAction& a : sound.actions) {
        if (a.code == 0x17 && a.depthBefore >= 0) {
          std::vector<uint8_t> bytes = list.bytes;
          bytes[a.offset] = 0x06;  // Play
          EXPECT_FALSE(VerifyActionBlock(bytes).Ok()) << movie << " Pop at " << a.offset;
          ++leaks;
        }
        if ((a.code == 0x99 || a.code == 0x9D) && a.depthBefore >= 0) {
          const int16_t offset = static_cast<int16_t>(list.bytes[a.offset + 3] | (list.bytes[a.offset + 4] << 8));
          const size_t target = a.offset + 5 + static_cast<size_t>(offset + 1);
          if (starts.count(target) || target == list.bytes.size()) continue;
          std::vector<uint8_t> bytes = list.bytes;
          const uint16_t moved = static_cast<uint16_t>(offset + 1);
          bytes[a.offset + 3] = static_cast<uint8_t>(moved);
          bytes[a.offset + 4] = static_cast<uint8_t>(moved >> 8);
          VerifyResult result = VerifyActionBlock(bytes);
          EXPECT_TRUE(Mentions(result, "not on an action of its block")) << movie << " branch at " << a.offset << ":\n"
                                                                         << result.Report();
          ++branches;
        }
      }
    }
  }
  EXPECT_GT(leaks, 0);
  EXPECT_GT(branches, 0);
  std::printf("faults put into real scripts: %d leaks, %d branches\n", leaks, branches);
}

// DoAction bodies of the movies in the corpus, most of them made by the authoring tool. Their
// structure must hold everywhere; their stack is followed and the figures are printed, but not
// required to be clean: the authoring tool's own class definitions pop from an empty stack
// where an "if (!_global.X)" skips the call whose result the Pop after it removes, and frame
// scripts of other tools leave values behind, which players discard.
TEST(AvmVerifier, AcceptsTheActionListsOfTheCorpus) {
  const std::filesystem::path root = std::filesystem::path(PLENWICK_CORPUS_DIR) / "ruffle-avm1";
  if (!std::filesystem::is_directory(root)) GTEST_SKIP() << "no corpus at " << root;
  int movies = 0;
  int lists = 0;
  int stackFollowed = 0;
  int stackClean = 0;
  int strictClean = 0;
  std::vector<std::string> structural;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".swf") continue;
    std::vector<actioncheck::MovieActionList> found;
    std::string error;
    if (!actioncheck::CollectMovieActionLists(entry.path().string(), found, error)) continue;
    ++movies;
    for (const actioncheck::MovieActionList& list : found) {
      ++lists;
      VerifyOptions structureOnly;
      structureOnly.checkStack = false;
      VerifyResult structure = VerifyActionBlock(list.bytes, structureOnly);
      if (!structure.Ok()) {
        structural.push_back(entry.path().string() + " " + list.where + ":\n" + structure.Report());
        continue;
      }
      VerifyOptions stack;
      stack.requireEmptyStackAtExit = false;
      VerifyResult withStack = VerifyActionBlock(list.bytes, stack);
      if (!withStack.stackUnknown) ++stackFollowed;
      if (withStack.Ok()) ++stackClean;
      if (VerifyActionBlock(list.bytes).Ok()) ++strictClean;
    }
  }
  std::printf(
      "corpus: %d movies, %d action lists, stack followed in %d, no problem in %d, "
      "no problem with an empty stack at every exit in %d\n",
      movies, lists, stackFollowed, stackClean, strictClean);
  EXPECT_GT(lists, 0);
  // The verifier knows every action these movies use and sees every count they pass.
  EXPECT_EQ(stackFollowed, lists - static_cast<int>(structural.size()));
  std::string all;
  for (const std::string& s : structural) all += s;
  EXPECT_TRUE(structural.empty()) << structural.size() << " lists:\n" << all;
}

}  // namespace
