// Expressions: literals, names, properties, member chains, object creation, array and object
// literals, the operators, increments and assignments.
#include <charconv>
#include <cstring>
#include <limits>
#include <vector>

#include "script/CodeGenerator.h"

namespace {

using Kind = SyntaxNodeKind;

bool IsReadCode(int32_t code) {
  return code == GenCode::GetVariable || code == GenCode::GetMember || code == GenCode::GetProperty ||
         code == GenCode::DefineLocal;
}

// How the Number rule reads a literal: as an integer (decimal without a point or an exponent,
// or hexadecimal) or as a double.
bool ReadsAsInteger(const std::string& text) {
  if (text == "0") return true;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return true;
  return text.find_first_of(".eE") == std::string::npos;
}

double ReadDouble(const std::string& text) {
  double value = 0;
  // from_chars reads in the C locale whatever the process locale is.
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

int32_t CompoundAction(Kind kind) {
  switch (kind) {
    case Kind::AddAssign: return GenCode::Add2;
    case Kind::SubtractAssign: return GenCode::Subtract;
    case Kind::MultiplyAssign: return GenCode::Multiply;
    case Kind::DivideAssign: return GenCode::Divide;
    case Kind::ModuloAssign: return GenCode::Modulo;
    case Kind::ShiftLeftAssign: return GenCode::BitLShift;
    case Kind::ShiftRightAssign: return GenCode::BitRShift;
    case Kind::ShiftRightUnsignedAssign: return GenCode::BitURShift;
    case Kind::BitAndAssign: return GenCode::BitAnd;
    case Kind::BitOrAssign: return GenCode::BitOr;
    case Kind::BitXorAssign: return GenCode::BitXor;
    default: return -1;
  }
}

bool IsAssignment(Kind kind) { return kind == Kind::Assign || CompoundAction(kind) >= 0; }

// Whether evaluating the expression may do more than read: call, create, assign, increment
// or delete. Reading it twice is then not the same as reading it once.
bool HasEffects(const SyntaxNode& root) {
  std::vector<const SyntaxNode*> pending{&root};
  while (!pending.empty()) {
    const SyntaxNode& node = *pending.back();
    pending.pop_back();
    switch (node.GetKind()) {
      case Kind::Function:
        // eval only reads the variable its argument names.
        if (std::strcmp(node.GetText(), "eval") != 0) return true;
        break;
      case Kind::Method:
      case Kind::NewObject:
      case Kind::DefineMethod:
      case Kind::DefineFunction:
      case Kind::DefineArray:
      case Kind::DefineObject:
      case Kind::Delete:
      case Kind::PreIncrement:
      case Kind::PreDecrement:
      case Kind::PostIncrement:
      case Kind::PostDecrement: return true;
      default:
        if (IsAssignment(node.GetKind())) return true;
        break;
    }
    for (uint32_t i = 0; i < node.GetChildCount(); ++i) pending.push_back(node.GetChild(i));
  }
  return false;
}

SyntaxNode& Child(SyntaxNode& node, uint32_t index) {
  SyntaxNode* child = node.GetChild(index);
  if (!child) throw ScriptGenerateError(std::string("incomplete expression: ") + SyntaxNodeKindName(node.GetKind()));
  return *child;
}

}  // namespace

void CodeGenerator::GenerateExpression(SyntaxNode& node, GenList& list) {
  const std::string text = node.GetText();
  switch (node.GetKind()) {
    case Kind::Constant: {
      GenPushValuePtr constant = names_.ConstantPushValue(text);
      if (!constant) throw ScriptGenerateError("unknown constant: " + text);
      AppendPushValue(list, std::move(constant));
      PopWhenStatement(node, list);
      return;
    }
    case Kind::Number:
      GenerateNumber(node, list, false, false);
      PopWhenStatement(node, list);
      return;
    case Kind::String:
      AppendPushString(list, text);
      PopWhenStatement(node, list);
      return;
    case Kind::Identifier:
      GenerateIdentifier(node, list);
      PopWhenStatement(node, list);
      return;
    case Kind::Attribute:
      AppendPushString(list, text);
      AppendAction(list, GenCode::GetMember);
      PopWhenStatement(node, list);
      return;
    case Kind::Method:
      AppendPushString(list, text);
      AppendAction(list, GenCode::CallMethod);
      return;
    case Kind::DefineVariable: {
      if (node.GetChildCount() != 0) throw ScriptGenerateError("var needs a plain name");
      const SyntaxNode* parent = node.GetParent();
      bool target = parent && IsAssignment(parent->GetKind()) && parent->GetChild(0) == &node;
      AppendPushString(list, text);
      if (target) {
        AppendAction(list, GenCode::DefineLocal);  // the assignment takes it back and stores
      } else if (node.GetStatementFlag()) {
        AppendAction(list, GenCode::DefineLocal2);  // declared without a value
      } else {
        throw ScriptGenerateError("var stands only at the start of a statement");
      }
      return;
    }
    case Kind::Value:
      GenerateMemberChain(node, list);
      PopWhenStatement(node, list);
      return;
    case Kind::NewObject:
      GenerateChildren(node, list, true);
      AppendPushNumber(list, static_cast<int32_t>(node.GetChildCount()));
      AppendPushString(list, text);
      AppendAction(list, GenCode::NewObject);
      PopWhenStatement(node, list);
      return;
    case Kind::Subscript:
      GenerateNode(Child(node, 0), list);
      AppendAction(list, GenCode::GetMember);
      return;
    case Kind::DefineArray:
      GenerateChildren(node, list, true);
      AppendPushNumber(list, static_cast<int32_t>(node.GetChildCount()));
      AppendAction(list, GenCode::InitArray);
      PopWhenStatement(node, list);
      return;
    case Kind::DefineObject:
      GenerateChildren(node, list, false);
      AppendPushNumber(list, static_cast<int32_t>(node.GetChildCount()));
      AppendAction(list, GenCode::InitObject);
      PopWhenStatement(node, list);
      return;
    case Kind::DefineAttribute: {
      // A member named by a name is named by that name's text, never by a value read from it.
      SyntaxNode& name = Child(node, 0);
      if (name.GetKind() == Kind::Identifier) {
        AppendPushString(list, name.GetText());
      } else {
        GenerateNode(name, list);
        if (IsReadCode(LastCode(list)) && !list.back()->sealed) list.pop_back();
      }
      GenerateNode(Child(node, 1), list);
      return;
    }
    case Kind::Not:
    case Kind::BitNot:
    case Kind::UnaryPlus:
    case Kind::UnaryMinus:
    case Kind::Delete: GenerateUnary(node, list); return;
    case Kind::LogicalAnd:
    case Kind::LogicalOr: GenerateLogical(node, list); return;
    case Kind::Conditional: GenerateConditional(node, list); return;
    case Kind::PreIncrement:
    case Kind::PreDecrement:
    case Kind::PostIncrement:
    case Kind::PostDecrement: GenerateIncrement(node, list); return;
    default: break;
  }
  if (IsAssignment(node.GetKind())) {
    GenerateAssignment(node, list);
    return;
  }
  if (node.GetKind() >= Kind::Add && node.GetKind() <= Kind::LessEqual) {
    GenerateBinary(node, list);
    return;
  }
  if (node.GetKind() == Kind::InstanceOf) {
    GenerateBinary(node, list);
    return;
  }
  throw ScriptGenerateError(std::string("cannot generate ") + SyntaxNodeKindName(node.GetKind()) + " here");
}

void CodeGenerator::GenerateNumber(const SyntaxNode& node, GenList& list, bool negate, bool unary) {
  const std::string text = node.GetText();
  if (!ReadsAsInteger(text)) {
    double value = ReadDouble(text);
    AppendPushValue(list, std::make_unique<PushDouble>(negate ? -value : value));
    return;
  }
  int64_t value = ParseIntegerLiteral(text);
  if (negate) value = -value;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    // Beyond an integer push: the decimal text read exactly, or the hexadecimal value.
    bool hex = text.size() >= 2 && (text[1] == 'x' || text[1] == 'X');
    double d = hex ? static_cast<double>(ParseIntegerLiteral(text)) : ReadDouble(text);
    AppendPushValue(list, std::make_unique<PushDouble>(negate ? -d : d));
  } else if (negate || unary || text == "0") {
    AppendPushNumber(list, static_cast<int32_t>(value));
  } else {
    AppendPushValue(list, std::make_unique<PushInteger>(static_cast<int32_t>(value)));
  }
}

void CodeGenerator::GenerateIdentifier(const SyntaxNode& node, GenList& list) {
  const std::string text = node.GetText();
  if (text == "null") {
    AppendPushValue(list, std::make_unique<PushNull>());
  } else if (text == "true" || text == "false") {
    AppendPushValue(list, std::make_unique<PushBoolean>(text == "true"));
  } else if (names_.IsProperty(text)) {
    if (context_.NameStackContains("With")) {
      AppendPushString(list, text);
      AppendAction(list, GenCode::GetVariable);
    } else {
      AppendPushString(list, "");
      AppendPushNumber(list, names_.PropertyIndex(text));
      AppendAction(list, GenCode::GetProperty);
    }
  } else {
    AppendPushString(list, text);
    AppendAction(list, GenCode::GetVariable);
  }
}

void CodeGenerator::GenerateMemberChain(SyntaxNode& node, GenList& list) {
  const uint32_t count = node.GetChildCount();
  if (count == 0) return;
  // The arguments of the chain's calls, last call first, each from its last argument.
  for (uint32_t i = count; i-- > 1;) {
    SyntaxNode& child = *node.GetChild(i);
    bool call = child.GetKind() == Kind::Method ||
                (child.GetKind() == Kind::Function && std::strcmp(child.GetText(), "eval") != 0);
    if (!call) continue;
    GenerateChildren(child, list, true);
    AppendPushNumber(list, static_cast<int32_t>(child.GetChildCount()));
  }
  GenerateNode(*node.GetChild(0), list);
  for (uint32_t i = 1; i < count; ++i) {
    SyntaxNode& child = *node.GetChild(i);
    if (child.GetKind() == Kind::Function) {
      const SyntaxNode& callee = *node.GetChild(i - 1);
      if (LastCode(list) == GenCode::GetMember && !list.back()->sealed) {
        // x[e](...) calls the method named by e on x.
        list.pop_back();
        AppendAction(list, GenCode::CallMethod);
      } else if (callee.GetKind() == Kind::String ||
                 (callee.GetKind() == Kind::Function && std::strcmp(callee.GetText(), "eval") == 0)) {
        // A string, or what eval left unread, names the function to call.
        AppendAction(list, GenCode::CallFunction);
      } else {
        // Anything else is the function itself (the result of a call, a function literal):
        // a method call without a name calls the object it is given.
        AppendPushValue(list, std::make_unique<PushUndefined>());
        AppendAction(list, GenCode::CallMethod);
      }
    } else {
      GenerateNode(child, list);
    }
  }
}

void CodeGenerator::GenerateUnary(SyntaxNode& node, GenList& list) {
  SyntaxNode& operand = Child(node, 0);
  switch (node.GetKind()) {
    case Kind::UnaryPlus:
    case Kind::UnaryMinus: {
      bool minus = node.GetKind() == Kind::UnaryMinus;
      if (operand.GetKind() == Kind::Number) {
        // Under a sign an integer literal of 0 (however written) is pushed as the double 0.0.
        GenerateNumber(operand, list, minus, true);
      } else if (minus) {
        AppendPushNumber(list, 0);
        GenerateNode(operand, list);
        AppendAction(list, GenCode::Subtract);
      } else {
        GenerateNode(operand, list);
      }
      break;
    }
    case Kind::Not:
      GenerateNode(operand, list);
      AppendAction(list, GenCode::Not);
      break;
    case Kind::BitNot:
      GenerateNode(operand, list);
      AppendPushValue(list, std::make_unique<PushDouble>(4294967295.0));
      AppendAction(list, GenCode::BitXor);
      break;
    case Kind::Delete:
      GenerateChildren(node, list, false);
      if (LastCode(list) == GenCode::GetMember && !list.back()->sealed) {
        // delete a.b removes the member b of a.
        list.pop_back();
        AppendAction(list, GenCode::Delete);
      } else {
        if (LastCode(list) == GenCode::GetVariable && !list.back()->sealed) list.pop_back();
        AppendAction(list, GenCode::Delete2);
      }
      break;
    default: break;
  }
  PopWhenStatement(node, list);
}

void CodeGenerator::GenerateBinary(SyntaxNode& node, GenList& list) {
  const Kind kind = node.GetKind();
  SyntaxNode& left = Child(node, 0);
  SyntaxNode& right = Child(node, 1);
  const bool swapped = kind == Kind::Greater || kind == Kind::LessEqual;
  if (swapped && (HasEffects(left) || HasEffects(right))) {
    // The order of evaluation shows: the left operand comes first. From SWF 6 on Greater
    // compares them as they stand; before it the two values are swapped for Less2.
    GenerateNode(left, list);
    GenerateNode(right, list);
    if (context_.version >= 6) {
      AppendAction(list, GenCode::Greater);
    } else {
      AppendAction(list, GenCode::StackSwap);
      AppendAction(list, GenCode::Less2);
    }
    if (kind == Kind::LessEqual) AppendAction(list, GenCode::Not);
    PopWhenStatement(node, list);
    return;
  }
  if (swapped) {
    // Operands that only read give the same values in either order: b < a.
    GenerateNode(right, list);
    GenerateNode(left, list);
  } else {
    GenerateNode(left, list);
    GenerateNode(right, list);
  }
  switch (kind) {
    case Kind::Add: AppendAction(list, GenCode::Add2); break;
    case Kind::Subtract: AppendAction(list, GenCode::Subtract); break;
    case Kind::Multiply: AppendAction(list, GenCode::Multiply); break;
    case Kind::Divide: AppendAction(list, GenCode::Divide); break;
    case Kind::Modulo: AppendAction(list, GenCode::Modulo); break;
    case Kind::ShiftLeft: AppendAction(list, GenCode::BitLShift); break;
    case Kind::ShiftRight: AppendAction(list, GenCode::BitRShift); break;
    case Kind::ShiftRightUnsigned: AppendAction(list, GenCode::BitURShift); break;
    case Kind::BitAnd: AppendAction(list, GenCode::BitAnd); break;
    case Kind::BitOr: AppendAction(list, GenCode::BitOr); break;
    case Kind::BitXor: AppendAction(list, GenCode::BitXor); break;
    case Kind::Equal: AppendAction(list, GenCode::Equals2); break;
    case Kind::NotEqual:
      AppendAction(list, GenCode::Equals2);
      AppendAction(list, GenCode::Not);
      break;
    case Kind::Less:
    case Kind::Greater: AppendAction(list, GenCode::Less2); break;
    case Kind::GreaterEqual:
    case Kind::LessEqual:
      AppendAction(list, GenCode::Less2);
      AppendAction(list, GenCode::Not);
      break;
    case Kind::InstanceOf: AppendAction(list, GenCode::InstanceOf); break;
    default: break;
  }
  PopWhenStatement(node, list);
}

void CodeGenerator::GenerateLogical(SyntaxNode& node, GenList& list) {
  GenList right;
  AppendAction(right, GenCode::Pop);
  GenerateNode(Child(node, 1), right);
  GenerateNode(Child(node, 0), list);
  AppendAction(list, GenCode::PushDuplicate);
  if (node.GetKind() == Kind::LogicalAnd) AppendAction(list, GenCode::Not);
  AppendOperandAction(list, GenCode::If, Length(right));
  AppendRegion(list, right);
  PopWhenStatement(node, list);
}

void CodeGenerator::GenerateConditional(SyntaxNode& node, GenList& list) {
  GenList whenFalse, whenTrue;
  GenerateNode(Child(node, 2), whenFalse);
  GenerateNode(Child(node, 1), whenTrue);
  GenerateNode(Child(node, 0), list);
  AppendOperandAction(list, GenCode::If, Length(whenFalse) + 5);
  AppendRegion(list, whenFalse);
  AppendOperandAction(list, GenCode::Jump, Length(whenTrue));
  AppendRegion(list, whenTrue);
  PopWhenStatement(node, list);
}

int32_t CodeGenerator::RemoveTargetRead(GenList& list, const char* what) {
  int32_t code = LastCode(list);
  if (!IsReadCode(code) || list.back()->sealed) {
    throw ScriptGenerateError(std::string("cannot ") + what + " this expression");
  }
  list.pop_back();
  return code;
}

void CodeGenerator::AppendStore(GenList& list, int32_t read) {
  switch (read) {
    case GenCode::GetVariable: AppendAction(list, GenCode::SetVariable); break;
    case GenCode::GetMember: AppendAction(list, GenCode::SetMember); break;
    case GenCode::GetProperty: AppendAction(list, GenCode::SetProperty); break;
    case GenCode::DefineLocal: AppendAction(list, GenCode::DefineLocal); break;
    default: break;
  }
}

void CodeGenerator::AppendReadAgain(GenList& list, int32_t read) {
  if (read == GenCode::GetVariable) {
    AppendAction(list, GenCode::PushDuplicate);
  } else {
    // Two operands (an object and a key, or a target and a property index) are copied through
    // register 0, which holds nothing else while this runs: [a, k] becomes [a, k, a, k].
    AppendOperandAction(list, GenCode::StoreRegister, 0);
    AppendAction(list, GenCode::Pop);
    AppendAction(list, GenCode::PushDuplicate);
    AppendPushValue(list, std::make_unique<PushRegister>(0));
    AppendAction(list, GenCode::StackSwap);
    AppendPushValue(list, std::make_unique<PushRegister>(0));
  }
  AppendAction(list, read);
}

void CodeGenerator::GenerateIncrement(SyntaxNode& node, GenList& list) {
  const Kind kind = node.GetKind();
  const bool pre = kind == Kind::PreIncrement || kind == Kind::PreDecrement;
  const bool increment = kind == Kind::PreIncrement || kind == Kind::PostIncrement;
  const bool value = !node.GetStatementFlag();
  SyntaxNode& operand = Child(node, 0);
  const int32_t step = increment ? GenCode::Increment : GenCode::Decrement;
  if (HasEffects(operand)) {
    // A target that calls or changes something is evaluated once: its address is copied for
    // the read, and the old value (post) or the new one (pre) is kept in register 0.
    GenerateNode(operand, list);
    int32_t read = RemoveTargetRead(list, increment ? "increment" : "decrement");
    if (read == GenCode::DefineLocal) throw ScriptGenerateError("cannot increment a declaration");
    AppendReadAgain(list, read);
    if (!pre && value) AppendOperandAction(list, GenCode::StoreRegister, 0);
    AppendAction(list, step);
    if (pre && value) AppendOperandAction(list, GenCode::StoreRegister, 0);
    AppendStore(list, read);
    if (value) AppendPushValue(list, std::make_unique<PushRegister>(0));
    return;
  }
  // The old value is the result of a post-increment.
  if (!pre && value) GenerateNode(operand, list);
  GenerateNode(operand, list);
  int32_t read = RemoveTargetRead(list, increment ? "increment" : "decrement");
  if (read == GenCode::DefineLocal) throw ScriptGenerateError("cannot increment a declaration");
  GenerateNode(operand, list);
  AppendAction(list, step);
  if (pre && value) AppendOperandAction(list, GenCode::StoreRegister, 0);
  // The new value goes where it was read from: a variable, a member or a property.
  AppendStore(list, read);
  if (pre && value) AppendPushValue(list, std::make_unique<PushRegister>(0));
}

void CodeGenerator::GenerateAssignment(SyntaxNode& node, GenList& list) {
  const Kind kind = node.GetKind();
  const int32_t compound = CompoundAction(kind);
  SyntaxNode& target = Child(node, 0);
  // An assignment whose value is used (a chain, an argument, a condition) leaves the value.
  const bool value = !node.GetStatementFlag();
  const SyntaxNode* parent = node.GetParent();

  GenerateNode(target, list);
  int32_t read = RemoveTargetRead(list, "assign to");
  if (compound >= 0) {
    if (read == GenCode::DefineLocal) {
      // The current value of a newly declared local is read by name.
      AppendPushString(list, target.GetText());
      AppendAction(list, GenCode::GetVariable);
    } else if (HasEffects(target)) {
      // A target that calls or changes something is evaluated once.
      AppendReadAgain(list, read);
    } else {
      GenerateNode(target, list);
    }
  }
  GenerateNode(Child(node, 1), list);
  if (compound >= 0) AppendAction(list, compound);
  bool inExpressionList = parent && parent->GetKind() == Kind::ExpressionList;
  if (value || (read == GenCode::GetVariable && inExpressionList)) {
    AppendOperandAction(list, GenCode::StoreRegister, 0);
  }
  AppendStore(list, read);
  if (value) AppendPushValue(list, std::make_unique<PushRegister>(0));
}
