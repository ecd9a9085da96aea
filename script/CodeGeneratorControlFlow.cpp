// Control flow: if, the four loops, with and return. The loops lay out their parts in lists of
// their own, measure them and compute the branch offsets from the lengths; a Jump or If offset
// counts bytes from the end of the Jump or If, and both are 5 bytes long.
#include "script/CodeGenerator.h"

namespace {

using Kind = SyntaxNodeKind;

SyntaxNode& Child(SyntaxNode& node, uint32_t index) {
  SyntaxNode* child = node.GetChild(index);
  if (!child) throw ScriptGenerateError(std::string("incomplete statement: ") + SyntaxNodeKindName(node.GetKind()));
  return *child;
}

// The literal of an exit test that is always true, turned into the same literal made false:
// null when the value is not such a literal.
GenPushValuePtr FalseLiteralFor(const GenPushValue& value) {
  switch (value.Type()) {
    case PushValueType::Boolean:
      if (static_cast<const PushBoolean&>(value).value) return std::make_unique<PushBoolean>(false);
      break;
    case PushValueType::Integer:
      if (static_cast<const PushInteger&>(value).value > 0) return std::make_unique<PushInteger>(0);
      break;
    case PushValueType::Double:
      if (static_cast<const PushDouble&>(value).value > 0.0) return std::make_unique<PushDouble>(0.0);
      break;
    case PushValueType::String:
      if (static_cast<const PushString&>(value).text != "0") return std::make_unique<PushString>("0");
      break;
    default: break;
  }
  return nullptr;
}

// Counts a loop around the generation of its body.
class LoopScope {
 public:
  explicit LoopScope(int& depth) : depth_(depth) { ++depth_; }
  ~LoopScope() { --depth_; }
  LoopScope(const LoopScope&) = delete;
  LoopScope& operator=(const LoopScope&) = delete;

 private:
  int& depth_;
};

}  // namespace

bool CodeGenerator::ResolvePlaceholders(GenList& body, int64_t start, int64_t breakTarget, int64_t continueTarget) {
  bool sawBreak = false;
  int64_t position = start;
  for (GenActionPtr& record : body) {
    position += record->Size(context_.version);
    int32_t code = record->Code();
    if (code != GenCode::BreakPlaceholder && code != GenCode::ContinuePlaceholder) continue;
    auto& jump = static_cast<GenOperandAction&>(*record);
    jump.operand = (code == GenCode::BreakPlaceholder ? breakTarget : continueTarget) - position;
    jump.SetCode(GenCode::Jump);
    sawBreak = sawBreak || code == GenCode::BreakPlaceholder;
  }
  return sawBreak;
}

void CodeGenerator::GenerateIf(SyntaxNode& node, GenList& list) {
  GenList elsePart, thenPart;
  if (SyntaxNode* otherwise = node.GetChild(2)) GenerateStatement(*otherwise, elsePart);
  GenerateStatement(Child(node, 1), thenPart);
  GenerateNode(Child(node, 0), list);
  AppendAction(list, GenCode::Not);
  const int64_t elseLength = Length(elsePart);
  AppendOperandAction(list, GenCode::If, Length(thenPart) + (elsePart.empty() ? 0 : 5));
  AppendRegion(list, thenPart);
  if (!elsePart.empty()) {
    AppendOperandAction(list, GenCode::Jump, elseLength);
    AppendRegion(list, elsePart);
  }
}

void CodeGenerator::GenerateWhile(SyntaxNode& node, GenList& list) {
  GenList body, test;
  {
    LoopScope loop(loopDepth_);
    GenerateStatement(Child(node, 1), body);
  }
  const int64_t k = Length(body) + 5;
  GenerateNode(Child(node, 0), test);
  AppendAction(test, GenCode::Not);
  AppendOperandAction(test, GenCode::If, k);
  const int64_t testLength = Length(test);
  AppendOperandAction(body, GenCode::Jump, -(testLength + k));
  ResolvePlaceholders(body, testLength, testLength + k, 0);
  AppendRegion(list, test);
  AppendRegion(list, body);
}

void CodeGenerator::GenerateDoWhile(SyntaxNode& node, GenList& list) {
  GenList body, test;
  {
    LoopScope loop(loopDepth_);
    GenerateStatement(Child(node, 0), body);
  }
  const int64_t b = Length(body);
  GenerateNode(Child(node, 1), test);
  const int64_t total = Length(test) + b + 5;
  AppendOperandAction(test, GenCode::If, -total);
  ResolvePlaceholders(body, 0, total, b);
  AppendRegion(list, body);
  AppendRegion(list, test);
}

void CodeGenerator::GenerateFor(SyntaxNode& node, GenList& list) {
  GenList init, test, step, body;
  // The initialisation stands as a statement: it leaves nothing before the loop.
  GenerateStatement(Child(node, 0), init);
  GenerateNode(Child(node, 1), test);
  int64_t c = Length(test);
  GenerateStatement(Child(node, 2), step);
  const int64_t s = Length(step);
  {
    LoopScope loop(loopDepth_);
    GenerateStatement(Child(node, 3), body);
  }
  const int64_t b = Length(body);
  if (c > 0) {
    const int64_t e = s + b + 5;
    // A condition that is one literal always true needs no Not: the literal is made false.
    // Only a whole condition of one push qualifies; a push that ends a short-circuit or a
    // conditional is a branch target and keeps its value.
    GenPushValuePtr replacement;
    if (test.size() == 1 && test.back()->Code() == GenCode::Push) {
      auto& push = static_cast<GenPush&>(*test.back());
      if (push.values.size() == 1) replacement = FalseLiteralFor(*push.values.back());
    }
    if (replacement) {
      ReplaceLastPushValue(static_cast<GenPush&>(*test.back()), std::move(replacement));
      AppendOperandAction(test, GenCode::If, e);
      c = Length(test);
    } else {
      AppendAction(test, GenCode::Not);
      AppendOperandAction(test, GenCode::If, e);
      c = Length(test);
    }
  }
  AppendOperandAction(step, GenCode::Jump, -(s + c + b + 5));
  ResolvePlaceholders(body, c, s + c + b + 5, c + b);
  AppendRegion(list, init);
  AppendRegion(list, test);
  AppendRegion(list, body);
  AppendRegion(list, step);
}

void CodeGenerator::GenerateForIn(SyntaxNode& node, GenList& list) {
  SyntaxNode& variable = Child(node, 0);
  SyntaxNode& object = Child(node, 1);
  if (object.GetKind() == Kind::Identifier) {
    AppendPushString(list, object.GetText());
    AppendAction(list, GenCode::Enumerate);
  } else if (context_.version >= 6) {
    // Any other object is enumerated by its value.
    GenerateNode(object, list);
    AppendAction(list, GenCode::Enumerate2);
  } else {
    throw ScriptGenerateError("for..in below SWF 6 enumerates a variable named by a plain name only");
  }

  GenList body, head;
  AppendPushString(body, variable.GetText());
  AppendPushValue(body, std::make_unique<PushRegister>(0));
  AppendAction(body, GenCode::SetVariable);
  {
    LoopScope loop(loopDepth_);
    LoopScope enumeration(forInDepth_);
    GenerateStatement(Child(node, 2), body);
  }
  const int64_t k = Length(body) + 5;
  AppendOperandAction(head, GenCode::StoreRegister, 0);
  AppendPushValue(head, std::make_unique<PushNull>());
  AppendAction(head, GenCode::Equals2);
  AppendOperandAction(head, GenCode::If, k);
  const int64_t h = Length(head);
  AppendOperandAction(body, GenCode::Jump, -(k + h));

  // A break leaves names of the enumeration on the stack, down to the null that ends them:
  // it goes to a loop that pops them, which the normal end of the loop jumps over.
  GenList cleanup;
  AppendEnumerationCleanup(cleanup);
  const int64_t cleanupLength = Length(cleanup);

  bool breaks = ResolvePlaceholders(body, h, h + k, 0);
  if (breaks) static_cast<GenOperandAction&>(*head.back()).operand = k + cleanupLength;
  AppendRegion(list, head);
  AppendRegion(list, body);
  if (breaks) AppendRegion(list, cleanup);
}

void CodeGenerator::GenerateWith(SyntaxNode& node, GenList& list) {
  context_.nameStack.push_back("With");
  GenerateNode(Child(node, 0), list);
  GenList block;
  for (uint32_t i = 1; i < node.GetChildCount(); ++i) GenerateStatement(*node.GetChild(i), block);
  AppendOperandAction(list, GenCode::With, Length(block));
  AppendRegion(list, block);
  context_.nameStack.pop_back();
}

void CodeGenerator::AppendEnumerationCleanup(GenList& list) {
  GenList cleanup;
  AppendPushValue(cleanup, std::make_unique<PushNull>());
  AppendAction(cleanup, GenCode::Equals2);
  AppendAction(cleanup, GenCode::Not);
  AppendOperandAction(cleanup, GenCode::If, 0);
  static_cast<GenOperandAction&>(*cleanup.back()).operand = -Length(cleanup);
  AppendRegion(list, cleanup);
}

void CodeGenerator::GenerateReturn(SyntaxNode& node, GenList& list) {
  if (node.GetChildCount() == 0) {
    AppendPushValue(list, std::make_unique<PushUndefined>());
  } else {
    GenerateChildren(node, list, false);
  }
  if (forInDepth_ > 0) {
    // A return from inside for..in loops first pops what their enumerations left below the
    // value; the value waits in register 0.
    AppendOperandAction(list, GenCode::StoreRegister, 0);
    AppendAction(list, GenCode::Pop);
    for (int i = 0; i < forInDepth_; ++i) AppendEnumerationCleanup(list);
    AppendPushValue(list, std::make_unique<PushRegister>(0));
  }
  AppendAction(list, GenCode::Return);
}
