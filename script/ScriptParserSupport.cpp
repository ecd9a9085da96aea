#include "script/ScriptParserSupport.h"

#include <utility>

namespace {

bool IsAssignmentKind(SyntaxNodeKind kind) {
  return kind >= SyntaxNodeKind::Assign && kind <= SyntaxNodeKind::BitXorAssign;
}

// The node that "var" marks in an expression: an assignment's target, or the expression.
SyntaxNode& DeclaredNode(SyntaxNode& expression) {
  if (IsAssignmentKind(expression.GetKind()) && expression.GetChildCount() > 0) return *expression.GetChild(0);
  return expression;
}

}  // namespace

SyntaxNodePtr MakeSyntaxNode(SyntaxNodeKind kind) { return std::make_unique<SyntaxNode>(kind); }

SyntaxNodePtr MakeSyntaxNode(SyntaxNodeKind kind, const std::string& text) {
  return std::make_unique<SyntaxNode>(kind, text.c_str());
}

SyntaxNodePtr MakeSyntaxNodeAt(int line, SyntaxNodeKind kind, const std::string& text) {
  SyntaxNodePtr node = MakeSyntaxNode(kind, text);
  node->SetLine(line);
  return node;
}

SyntaxNodePtr MakeUnarySyntaxNode(SyntaxNodeKind kind, SyntaxNodePtr operand) {
  SyntaxNodePtr node = MakeSyntaxNode(kind);
  if (operand) node->SetLine(operand->GetLine());
  AppendSyntaxNode(*node, std::move(operand));
  return node;
}

SyntaxNodePtr MakeBinarySyntaxNode(SyntaxNodeKind kind, SyntaxNodePtr left, SyntaxNodePtr right) {
  SyntaxNodePtr node = MakeSyntaxNode(kind);
  if (left) node->SetLine(left->GetLine());
  AppendSyntaxNode(*node, std::move(left));
  AppendSyntaxNode(*node, std::move(right));
  return node;
}

void AppendSyntaxNode(SyntaxNode& parent, SyntaxNodePtr child) {
  if (!child) return;
  parent.AppendChild(child.release());  // the parent owns it, also when appending fails
}

SyntaxNodePtr UnwrapSingleChild(SyntaxNodePtr list) {
  if (list && list->GetChildCount() == 1) return SyntaxNodePtr(list->RemoveChild(0));
  return list;
}

void AppendProgramStatement(SyntaxNode& root, SyntaxNodePtr statement) {
  if (!statement) return;
  if (statement->GetKind() == SyntaxNodeKind::OnClipEvent) {
    root.SetKind(SyntaxNodeKind::MovieClip);
  } else if (statement->GetKind() == SyntaxNodeKind::On) {
    root.SetKind(SyntaxNodeKind::Button);
  }
  AppendSyntaxNode(root, std::move(statement));
}

SyntaxNodePtr FinishMemberExpression(SyntaxNodePtr value) {
  if (!value) return value;
  // Walk the adjacent pairs. Removing child i moves the later children down, and the walk
  // still goes on with i + 1, exactly as the pairs were looked at when the chain was built.
  for (uint32_t i = 0; i + 1 < value->GetChildCount(); ++i) {
    SyntaxNode* current = value->GetChild(i);
    SyntaxNode* next = value->GetChild(i + 1);
    if (next->GetKind() != SyntaxNodeKind::Function) continue;
    if (current->GetKind() == SyntaxNodeKind::Identifier) {
      next->SetText(current->GetText());
      ReleaseSyntaxNode(value->RemoveChild(i));
    } else if (current->GetKind() == SyntaxNodeKind::Attribute) {
      current->SetKind(SyntaxNodeKind::NoOp);
      next->SetKind(SyntaxNodeKind::Method);
      next->SetText(current->GetText());
    }
  }
  return UnwrapSingleChild(std::move(value));
}

std::string StripQuotes(const std::string& token) {
  if (token.size() < 2) return std::string();
  return token.substr(1, token.size() - 2);
}

bool DeclaresVariable(const SyntaxNode& expression) {
  const SyntaxNode* marked = &expression;
  if (IsAssignmentKind(expression.GetKind()) && expression.GetChildCount() > 0) marked = expression.GetChild(0);
  return marked->GetKind() == SyntaxNodeKind::DefineVariable;
}

void MarkDeclaration(SyntaxNode& expression) { DeclaredNode(expression).SetKind(SyntaxNodeKind::DefineVariable); }
