// The state that one generation of a script shares across its passes: the SWF version, the
// scopes of the rewriting pass, the markers of the constructs being generated and the
// string constant pool; and the operations through which the generator appends pushes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/GenAction.h"

class SyntaxNode;

// The most strings a pool holds below SWF 6 (every index fits the one-byte form) and from
// SWF 6 on (the count field is 16 bits).
inline constexpr size_t kPoolLimitBefore6 = 256;
inline constexpr size_t kPoolLimit = 65535;

class GenerationContext {
 public:
  explicit GenerationContext(int32_t version) : version(version) {}

  // Offers a string to the pool: a string already there marks the pool as used; a new one is
  // appended while the pool has room (by count, and by the 16-bit length of the pool action),
  // otherwise it is left out and pushed inline.
  void AddPoolString(const std::string& text);
  // The string's position in the pool, or -1.
  int32_t PoolIndexOf(const std::string& text) const;
  bool NameStackContains(std::string_view name) const;

  const std::vector<std::string>& Pool() const { return pool_; }
  // The pool action holding a copy of the pool's strings in order.
  GenActionPtr NewConstantPool() const;

  int32_t version;
  std::vector<SyntaxNode*> scopes;     // the blocks and roots around the node being rewritten
  std::vector<int32_t> counters;       // per scope, the definitions already moved to its front
  std::vector<std::string> nameStack;  // "With", "getProperty", "setProperty" while inside them
  bool poolUsed = false;

 private:
  std::vector<std::string> pool_;
  std::unordered_map<std::string, int32_t> poolIndex_;
  int64_t poolBytes_ = 2;  // the pool action's payload: the count and each string with its 0
};

// Appends the value to the last record when it is a push that is not sealed and has room for
// it within its 16-bit length; otherwise to a new push at the end of the list.
void AppendPushValue(GenList& list, GenPushValuePtr value);
// A pool reference when the pool is used and holds the string, else the string inline.
void AppendPushString(const GenerationContext& context, GenList& list, const std::string& text);
// An integer, except that 0 is pushed as the double 0.0.
void AppendPushNumber(GenList& list, int32_t number);
// Replaces the last value of a push.
void ReplaceLastPushValue(GenPush& push, GenPushValuePtr value);

// Appends a record of a code alone or an action with one operand.
void AppendAction(GenList& list, int32_t code);
GenOperandAction& AppendOperandAction(GenList& list, int32_t code, int64_t operand);
// Moves the records of a stretch to the end of the list and seals the last record, since a
// branch lands right after it.
void AppendRegion(GenList& list, GenList& region);
// The last record's code, or -1 for an empty list.
int32_t LastCode(const GenList& list);

// The integer value of a literal: "0x"/"0X" selects base 16, otherwise base 10; digits are
// 0-9, A-F and a-f in either base, and the first other character ends the number. The value
// is accumulated in 64 bits and stops growing once it passes the 32-bit range, so callers can
// tell a value that does not fit an integer push.
int64_t ParseIntegerLiteral(std::string_view text);
