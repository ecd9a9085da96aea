// Tree-building helpers for the generated ScriptParser. They work on owning pointers, so that
// a syntax error thrown half-way through a rule leaks nothing.
#pragma once

#include <string>

#include "script/SyntaxNode.h"

// The parser's nesting limit (see ScriptParser::kMaxNesting). Trees built by the parser are at
// most a small multiple of this deep, which bounds the recursion of the passes that walk them.
inline constexpr int ScriptNestingLimit = 500;

SyntaxNodePtr MakeSyntaxNode(SyntaxNodeKind kind);
SyntaxNodePtr MakeSyntaxNode(SyntaxNodeKind kind, const std::string& text);
// A node read at a line of the text. The operator nodes below take the line of their first
// operand.
SyntaxNodePtr MakeSyntaxNodeAt(int line, SyntaxNodeKind kind, const std::string& text = std::string());
SyntaxNodePtr MakeUnarySyntaxNode(SyntaxNodeKind kind, SyntaxNodePtr operand);
SyntaxNodePtr MakeBinarySyntaxNode(SyntaxNodeKind kind, SyntaxNodePtr left, SyntaxNodePtr right);

// Appends child below parent; parent takes it over.
void AppendSyntaxNode(SyntaxNode& parent, SyntaxNodePtr child);

// A list of exactly one element stands for that element: it is detached and returned, and
// the list is released. Any other list is returned as it is.
SyntaxNodePtr UnwrapSingleChild(SyntaxNodePtr list);

// Appends a statement to the root of a script. An OnClipEvent handler makes the root a
// MovieClip, an On handler a Button; the last such statement decides.
void AppendProgramStatement(SyntaxNode& root, SyntaxNodePtr statement);

// Names the calls of a member chain and collapses a chain of one element:
//   an Identifier followed by a Function names the Function and goes away;
//   an Attribute followed by a Function becomes a NoOp (keeping its text) and the Function a
//   Method of that name.
SyntaxNodePtr FinishMemberExpression(SyntaxNodePtr value);

// Whether an expression of a list was marked by "var": it is a DefineVariable node, or an
// assignment whose target is one.
bool DeclaresVariable(const SyntaxNode& expression);
// Marks an expression as "var" marks it: an assignment's target, or else the expression itself,
// becomes a DefineVariable node.
void MarkDeclaration(SyntaxNode& expression);

// The text of a string token without its first and last character (its quotes).
std::string StripQuotes(const std::string& token);
