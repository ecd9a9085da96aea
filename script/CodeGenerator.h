// The code generator: turns a parsed script into the generator's action records, in three
// passes over the syntax tree that share one GenerationContext:
//   1. RewriteTree changes the tree in place: function definitions move to the front of their
//      block, dotted names of built-in constants become Constant nodes, string literals get
//      their escapes decoded, and the string arguments of fscommand, print and printAsBitmap
//      get their prefixes;
//   2. CollectStrings offers every string that generation will push to the constant pool, in
//      the order in which it will push them;
//   3. GenerateNode emits the records of each node by the rule of its kind.
// A script that cannot become valid actions is refused with a ScriptGenerateError, which names
// the line of the construct it refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "script/BuiltinNames.h"
#include "script/GenAction.h"
#include "script/GenerationContext.h"
#include "script/SyntaxNode.h"

// The bytes of one statement of a frame script: [begin, end), from the start of the actions.
struct ScriptStatementSpan {
  size_t begin = 0;
  size_t end = 0;
};

class CodeGenerator {
 public:
  CodeGenerator(const BuiltinNames& names, GenerationContext& context) : names_(names), context_(context) {}

  // Pass 1 over a subtree.
  void RewriteTree(SyntaxNode& node);
  // Pass 2 over a subtree.
  void CollectStrings(const SyntaxNode& node);
  // Pass 3: appends the node's records to the list.
  void GenerateNode(SyntaxNode& node, GenList& list);

  // Sets the statement flag; a List or an expression list passes it on to its children.
  static void MarkStatement(SyntaxNode& node);

  // When set, a frame script's root records where each of its statements lies in its bytes.
  std::vector<ScriptStatementSpan>* statementSpans = nullptr;

 private:
  // Pass 3: the rule of the node's kind.
  void DispatchNode(SyntaxNode& node, GenList& list);
  // Pass 3 rules, by family.
  void GenerateRoot(SyntaxNode& node, GenList& list);
  void GenerateHandler(SyntaxNode& node, GenList& list);
  void GenerateFunctionDefinition(SyntaxNode& node, GenList& list);
  void GenerateExpression(SyntaxNode& node, GenList& list);
  void GenerateNumber(const SyntaxNode& node, GenList& list, bool negate, bool unary);
  void GenerateIdentifier(const SyntaxNode& node, GenList& list);
  void GenerateMemberChain(SyntaxNode& node, GenList& list);
  void GenerateUnary(SyntaxNode& node, GenList& list);
  void GenerateBinary(SyntaxNode& node, GenList& list);
  void GenerateLogical(SyntaxNode& node, GenList& list);
  void GenerateConditional(SyntaxNode& node, GenList& list);
  void GenerateIncrement(SyntaxNode& node, GenList& list);
  void GenerateAssignment(SyntaxNode& node, GenList& list);
  void GenerateCall(SyntaxNode& node, GenList& list);
  void GenerateBuiltinCall(SyntaxNode& node, GenList& list);
  // The name of the level a literal level number gives ("_level2"), or nothing when the
  // level is not a plain decimal number.
  static std::optional<std::string> LevelName(const SyntaxNode* level);
  // Pushes the name of a level: the literal name, or "_level" joined to the level's value.
  void AppendLevelTarget(SyntaxNode* level, GenList& list);
  void GenerateIf(SyntaxNode& node, GenList& list);
  void GenerateWhile(SyntaxNode& node, GenList& list);
  void GenerateDoWhile(SyntaxNode& node, GenList& list);
  void GenerateFor(SyntaxNode& node, GenList& list);
  void GenerateForIn(SyntaxNode& node, GenList& list);
  void GenerateWith(SyntaxNode& node, GenList& list);
  void GenerateReturn(SyntaxNode& node, GenList& list);

  // Helpers.
  void GenerateChildren(SyntaxNode& node, GenList& list, bool reverse, uint32_t from = 0);
  // Generates a marked statement into the list.
  void GenerateStatement(SyntaxNode& node, GenList& list);
  // Removes the last record when it reads a target (a variable, a member, a property or a
  // declared local) and returns its code; a script whose target is something else is refused.
  int32_t RemoveTargetRead(GenList& list, const char* what);
  // Stores according to the read that addressed the target.
  void AppendStore(GenList& list, int32_t read);
  // Reads the target again from its address on the stack (left by RemoveTargetRead), which
  // stays below the value read.
  void AppendReadAgain(GenList& list, int32_t read);
  void AppendPushString(GenList& list, const std::string& text) { ::AppendPushString(context_, list, text); }
  void PopWhenStatement(const SyntaxNode& node, GenList& list);
  // The size of the records from first to the end, which the node made; a record that cannot
  // be written is refused with the node's line.
  int64_t SizeNodeRecords(const SyntaxNode& node, GenList& list, size_t first);
  // Turns the break and continue placeholders lying directly in a loop's body into Jumps.
  // Returns whether the body holds a break.
  bool ResolvePlaceholders(GenList& body, int64_t start, int64_t breakTarget, int64_t continueTarget);
  // A loop that pops the names an enumeration has left on the stack, down to its closing null.
  void AppendEnumerationCleanup(GenList& list);
  int64_t Length(GenList& list) { return GenListLength(list, context_.version); }

  // Pass 1 helpers.
  void RewriteNode(SyntaxNode& node);
  // The node's own rewriting, after its children's.
  void RewriteOwnNode(SyntaxNode& node);
  void DecodeStringLiteral(SyntaxNode& node);

  const BuiltinNames& names_;
  GenerationContext& context_;
  // Loops around the node being generated, within the current function or handler, and how
  // many of them are for..in loops (each keeps its enumeration on the stack).
  int loopDepth_ = 0;
  int forInDepth_ = 0;
};

// Generates the records of a parsed script (an Array, Button or MovieClip root) for a SWF
// version; the tree is rewritten on the way. Throws ScriptGenerateError for a script that
// cannot become valid actions.
// When statements is given, a frame script's top-level statements are listed there with the
// bytes they take.
GenList GenerateScriptRecords(SyntaxNode& root, int32_t version, const BuiltinNames& names,
                              std::vector<ScriptStatementSpan>* statements = nullptr);

// The action bytes of a parsed script for a SWF version, without a closing End action: the
// written records, whose sizes add up to the byte count. Below version 5 there are none.
std::vector<uint8_t> GenerateScriptActions(SyntaxNode& root, int32_t version, const BuiltinNames& names,
                                           std::vector<ScriptStatementSpan>* statements = nullptr);

// The same, for callers that take failures as a result: false and a message for a script
// that cannot become valid actions.
[[nodiscard]] bool GenerateScriptActions(SyntaxNode& root, int32_t version, const BuiltinNames& names,
                                         std::vector<uint8_t>& bytes, std::string& error);
