#include "script/GenerationContext.h"

#include <algorithm>
#include <utility>

void GenerationContext::AddPoolString(const std::string& text) {
  if (poolIndex_.contains(text)) {
    poolUsed = true;
    return;
  }
  size_t limit = version < 6 ? kPoolLimitBefore6 : kPoolLimit;
  int64_t bytes = poolBytes_ + static_cast<int64_t>(text.size()) + 1;
  if (pool_.size() >= limit || bytes > 0xFFFF) return;
  poolIndex_.emplace(text, static_cast<int32_t>(pool_.size()));
  pool_.push_back(text);
  poolBytes_ = bytes;
}

int32_t GenerationContext::PoolIndexOf(const std::string& text) const {
  auto found = poolIndex_.find(text);
  return found == poolIndex_.end() ? -1 : found->second;
}

bool GenerationContext::NameStackContains(std::string_view name) const {
  return std::find(nameStack.begin(), nameStack.end(), name) != nameStack.end();
}

GenActionPtr GenerationContext::NewConstantPool() const { return std::make_unique<GenConstantPool>(pool_); }

void AppendPushValue(GenList& list, GenPushValuePtr value) {
  if (!list.empty() && list.back()->Code() == GenCode::Push && !list.back()->sealed) {
    auto& push = static_cast<GenPush&>(*list.back());
    // A push whose payload would pass its 16-bit length goes on in a new push; the values
    // reach the stack in the same order either way.
    if (push.PayloadSize() + value->Size() <= 0xFFFF) {
      push.values.push_back(std::move(value));
      return;
    }
  }
  auto push = std::make_unique<GenPush>();
  push->values.push_back(std::move(value));
  list.push_back(std::move(push));
}

void AppendPushString(const GenerationContext& context, GenList& list, const std::string& text) {
  int32_t index = context.poolUsed ? context.PoolIndexOf(text) : -1;
  if (index >= 0) {
    AppendPushValue(list, std::make_unique<PushConstant>(static_cast<uint16_t>(index)));
  } else {
    AppendPushValue(list, std::make_unique<PushString>(text));
  }
}

void AppendPushNumber(GenList& list, int32_t number) {
  if (number == 0) {
    AppendPushValue(list, std::make_unique<PushDouble>(0.0));
  } else {
    AppendPushValue(list, std::make_unique<PushInteger>(number));
  }
}

void ReplaceLastPushValue(GenPush& push, GenPushValuePtr value) {
  if (!push.values.empty()) push.values.pop_back();
  push.values.push_back(std::move(value));
}

void AppendAction(GenList& list, int32_t code) { list.push_back(std::make_unique<GenSimpleAction>(code)); }

GenOperandAction& AppendOperandAction(GenList& list, int32_t code, int64_t operand) {
  auto action = std::make_unique<GenOperandAction>(code, operand);
  GenOperandAction& result = *action;
  list.push_back(std::move(action));
  return result;
}

void AppendRegion(GenList& list, GenList& region) {
  if (region.empty()) return;
  for (GenActionPtr& record : region) list.push_back(std::move(record));
  region.clear();
  list.back()->sealed = true;
}

int32_t LastCode(const GenList& list) { return list.empty() ? -1 : list.back()->Code(); }

int64_t ParseIntegerLiteral(std::string_view text) {
  int base = 10;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  constexpr int64_t kCeiling = int64_t{1} << 40;  // far beyond 32 bits, far below overflow
  int64_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else {
      break;
    }
    value = value * base + digit;
    if (value > kCeiling) value = kCeiling;
  }
  return value;
}
