// The compiler's syntax tree. A node has a kind, a text, a statement flag, a parent and an
// ordered list of children that it owns. What a node stands for is told by its kind alone;
// the meaning of its children follows from the kind.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class SyntaxNodeKind : int32_t {
  NoOp = 0,            // empty statement; what stays behind where a definition was moved or folded
  Array = 1,           // root of a frame script: its children are the statements
  Button = 2,          // root of a script that holds an On handler
  MovieClip = 3,       // root of a script that holds an OnClipEvent handler
  List = 4,            // block of statements; also a parameter list
  ExpressionList = 5,  // expressions separated by commas, evaluated in order
  If = 6,              // condition, then-statement, else-statement (optional)
  For = 7,             // initialisation, condition, step, body (NoOp for a missing part)
  ForIn = 8,           // variable, object, body
  While = 9,           // condition, body
  DoWhile = 10,        // body, condition
  With = 11,           // object, body
  OnClipEvent = 12,    // one node per event name, then the body
  On = 13,             // one node per button event, then the body
  Break = 14,
  Return = 15,  // the returned expression (optional)
  Continue = 16,
  Value = 17,            // member chain: the primary expression, then one node per suffix
  Constant = 18,         // built-in constant; text is the dotted name
  Number = 19,           // numeric literal; text as written
  String = 20,           // string literal; text without its quotes
  Identifier = 21,       // name
  Attribute = 22,        // member access by name; text is the member name
  Method = 23,           // method call; text is the method name; children are the arguments
  Function = 24,         // function call; text is the function name (may be empty); the arguments
  NewObject = 25,        // object creation; text is the class name; the arguments
  Subscript = 26,        // member access by value; the index expression
  DefineVariable = 27,   // variable declaration; text is the name
  DefineArray = 28,      // array literal; the elements
  DefineFunction = 29,   // named function definition; parameters (optional), body
  DefineAttribute = 30,  // member of an object literal; name, value
  DefineMethod = 31,     // function literal; parameters (optional), body
  DefineObject = 32,     // object literal; the members
  Add = 33,
  Subtract = 34,
  Multiply = 35,
  Divide = 36,
  Modulo = 37,
  ShiftLeft = 38,
  ShiftRight = 39,
  ShiftRightUnsigned = 40,
  BitAnd = 41,
  BitOr = 42,
  BitXor = 43,
  LogicalAnd = 44,
  LogicalOr = 45,
  Equal = 46,
  NotEqual = 47,
  Greater = 48,
  Less = 49,
  GreaterEqual = 50,
  LessEqual = 51,
  Conditional = 52,  // condition, value if true, value if false
  Not = 53,
  BitNot = 54,
  UnaryPlus = 55,
  UnaryMinus = 56,
  PreIncrement = 57,
  PreDecrement = 58,
  PostIncrement = 59,
  PostDecrement = 60,
  Assign = 61,  // target, value (and so every assignment kind below)
  AddAssign = 62,
  SubtractAssign = 63,
  MultiplyAssign = 64,
  DivideAssign = 65,
  ModuloAssign = 66,
  ShiftLeftAssign = 67,
  ShiftRightAssign = 68,
  ShiftRightUnsignedAssign = 69,
  BitAndAssign = 70,
  BitOrAssign = 71,
  BitXorAssign = 72,
  Delete = 73,      // operand
  InstanceOf = 74,  // left, right
};

inline constexpr int kSyntaxNodeKindCount = 75;

// The display name of a kind ("if", "Define Variable", "+", ...), or null outside 0 to 74.
const char* SyntaxNodeKindDisplayName(SyntaxNodeKind kind);
// The enumerator's own name ("If", "DefineVariable", "Add", ...), or null outside 0 to 74.
const char* SyntaxNodeKindName(SyntaxNodeKind kind);

class SyntaxNode;

// The node's operations. Index errors are answered with null, 0 or -1; nothing is thrown
// except std::bad_alloc.
class SyntaxNodeInterface {
 public:
  // Deletes the node and its whole subtree. ReleaseSyntaxNode does the same for a pointer
  // that may be null.
  virtual void Release();
  virtual SyntaxNodeKind GetKind() const = 0;
  virtual void SetKind(SyntaxNodeKind kind) = 0;
  // The text's characters, valid until the text changes.
  virtual const char* GetText() const = 0;
  virtual void SetText(const char* text) = 0;
  virtual int32_t GetStatementFlag() const = 0;
  virtual void SetStatementFlag(int32_t value) = 0;
  // The child at index, or null when the index is not below the child count.
  virtual SyntaxNode* GetChild(uint32_t index) const = 0;
  // Puts node in the slot and hands the old child (now parentless) to the caller; null and no
  // change when the index is not below the count.
  virtual SyntaxNode* ReplaceChild(uint32_t index, SyntaxNode* node) = 0;
  // Takes ownership of node (also when growing the children throws) and returns the new child
  // count.
  virtual uint32_t AppendChild(SyntaxNode* node) = 0;
  // Only for an index below the count: 1 after inserting, 0 (and no change, the node stays the
  // caller's) otherwise. Below the count the node is taken over as by AppendChild.
  virtual int32_t InsertChild(uint32_t index, SyntaxNode* node) = 0;
  // Detaches the child and hands it to the caller; null when the index is not below the count.
  virtual SyntaxNode* RemoveChild(uint32_t index) = 0;
  // The position of the last slot holding node, or -1.
  virtual int32_t IndexOfChild(const SyntaxNode* node) const = 0;
  virtual SyntaxNode* GetParent() const = 0;
  virtual void SetParent(SyntaxNode* parent) = 0;
  virtual uint32_t GetChildCount() const = 0;
  // The children array itself, valid until the children change.
  virtual SyntaxNode* const* GetChildren() const = 0;
  // "Name", "Name = text; " or, for a String node, "String = \"text\"; ".
  virtual const char* ToString() = 0;
  // Same kind and text; no children, statement flag 0, no parent.
  virtual SyntaxNode* Clone() const = 0;
  // Clone of the whole subtree.
  virtual SyntaxNode* CloneTree() const = 0;
  virtual ~SyntaxNodeInterface() = default;
};

class SyntaxNode final : public SyntaxNodeInterface {
 public:
  explicit SyntaxNode(SyntaxNodeKind kind, const char* text = nullptr);
  ~SyntaxNode() override;
  SyntaxNode(const SyntaxNode&) = delete;
  SyntaxNode& operator=(const SyntaxNode&) = delete;

  SyntaxNodeKind GetKind() const override { return kind_; }
  void SetKind(SyntaxNodeKind kind) override { kind_ = kind; }
  const char* GetText() const override { return text_.c_str(); }
  void SetText(const char* text) override { text_ = text ? text : ""; }
  int32_t GetStatementFlag() const override { return statement_; }
  void SetStatementFlag(int32_t value) override { statement_ = value; }
  SyntaxNode* GetChild(uint32_t index) const override;
  SyntaxNode* ReplaceChild(uint32_t index, SyntaxNode* node) override;
  uint32_t AppendChild(SyntaxNode* node) override;
  int32_t InsertChild(uint32_t index, SyntaxNode* node) override;
  SyntaxNode* RemoveChild(uint32_t index) override;
  int32_t IndexOfChild(const SyntaxNode* node) const override;
  SyntaxNode* GetParent() const override { return parent_; }
  void SetParent(SyntaxNode* parent) override { parent_ = parent; }
  uint32_t GetChildCount() const override { return static_cast<uint32_t>(children_.size()); }
  SyntaxNode* const* GetChildren() const override;
  const char* ToString() override;
  SyntaxNode* Clone() const override;
  SyntaxNode* CloneTree() const override;

  // The number of child slots: 4 for a new node, then 9, 19, 39, ... as children are added.
  uint32_t GetCapacity() const { return capacity_; }

  // The line of the parsed text the node was read from (1 for the first), 0 when unknown.
  // Errors found in the tree report it.
  int32_t GetLine() const { return line_; }
  void SetLine(int32_t line) { line_ = line; }

 private:
  void MakeRoomForOneMore();

  SyntaxNodeKind kind_;
  int32_t statement_ = 0;
  int32_t line_ = 0;
  std::string text_;
  std::string display_;
  SyntaxNode* parent_ = nullptr;
  std::vector<std::unique_ptr<SyntaxNode>> children_;
  mutable std::vector<SyntaxNode*> childArray_;  // what GetChildren hands out
  uint32_t capacity_ = 0;
};

// An owning pointer to a node and its subtree.
using SyntaxNodePtr = std::unique_ptr<SyntaxNode>;

// Factories; the caller owns the new node.
SyntaxNode* NewSyntaxNode(SyntaxNodeKind kind);
SyntaxNode* NewSyntaxNode(SyntaxNodeKind kind, const char* text);
SyntaxNode* NewBinarySyntaxNode(SyntaxNodeKind kind, SyntaxNode* left, SyntaxNode* right);

// Releases a node and its subtree; nothing for null.
void ReleaseSyntaxNode(SyntaxNode* node);

// The tree as one line of text, for tests and diagnostics: every node is its kind's enumerator
// name, then its text in double quotes when it has one, then its children in brackets, e.g.
// Array[Assign[Identifier "x", Number "1"]]. Works on trees of any depth.
std::string FormatSyntaxTree(const SyntaxNode* root);

// The number of nodes on the longest path from root down (1 for a lone node, 0 for null).
size_t SyntaxTreeDepth(const SyntaxNode* root);
