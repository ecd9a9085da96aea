#include "script/SyntaxNode.h"

#include <utility>

namespace {

struct KindNames {
  const char* name;
  const char* display;
};

constexpr KindNames kKindNames[kSyntaxNodeKindCount] = {
    {"NoOp", "NoOp"},
    {"Array", "Array"},
    {"Button", "Button"},
    {"MovieClip", "MovieClip"},
    {"List", "List"},
    {"ExpressionList", "ExpressionList"},
    {"If", "if"},
    {"For", "for"},
    {"ForIn", "for..in"},
    {"While", "while"},
    {"DoWhile", "do..while"},
    {"With", "With"},
    {"OnClipEvent", "OnClipEvent"},
    {"On", "On"},
    {"Break", "Break"},
    {"Return", "Return"},
    {"Continue", "Continue"},
    {"Value", "Value"},
    {"Constant", "Constant"},
    {"Number", "Number"},
    {"String", "String"},
    {"Identifier", "Identifier"},
    {"Attribute", "Attribute"},
    {"Method", "Method"},
    {"Function", "Function"},
    {"NewObject", "NewObject"},
    {"Subscript", "Subscript"},
    {"DefineVariable", "Define Variable"},
    {"DefineArray", "Define Array"},
    {"DefineFunction", "Define Function"},
    {"DefineAttribute", "Define Attribute"},
    {"DefineMethod", "Define Method"},
    {"DefineObject", "Define Object"},
    {"Add", "+"},
    {"Subtract", "-"},
    {"Multiply", "*"},
    {"Divide", "/"},
    {"Modulo", "%"},
    {"ShiftLeft", "<<"},
    {"ShiftRight", ">>"},
    {"ShiftRightUnsigned", ">>>"},
    {"BitAnd", "&"},
    {"BitOr", "|"},
    {"BitXor", "^"},
    {"LogicalAnd", "&&"},
    {"LogicalOr", "||"},
    {"Equal", "=="},
    {"NotEqual", "!="},
    {"Greater", ">"},
    {"Less", "<"},
    {"GreaterEqual", ">="},
    {"LessEqual", "<="},
    {"Conditional", "?"},
    {"Not", "!"},
    {"BitNot", "~"},
    {"UnaryPlus", "+x"},
    {"UnaryMinus", "-x"},
    {"PreIncrement", "++x"},
    {"PreDecrement", "--x"},
    {"PostIncrement", "x++"},
    {"PostDecrement", "x--"},
    {"Assign", "="},
    {"AddAssign", "+="},
    {"SubtractAssign", "-="},
    {"MultiplyAssign", "*="},
    {"DivideAssign", "/="},
    {"ModuloAssign", "%="},
    {"ShiftLeftAssign", "<<="},
    {"ShiftRightAssign", ">>="},
    {"ShiftRightUnsignedAssign", ">>>="},
    {"BitAndAssign", "&="},
    {"BitOrAssign", "|="},
    {"BitXorAssign", "^="},
    {"Delete", "delete"},
    {"InstanceOf", "instanceof"},
};

const KindNames* FindKind(SyntaxNodeKind kind) {
  auto index = static_cast<int32_t>(kind);
  if (index < 0 || index >= kSyntaxNodeKindCount) return nullptr;
  return &kKindNames[index];
}

constexpr uint32_t kInitialCapacity = 4;

}  // namespace

const char* SyntaxNodeKindDisplayName(SyntaxNodeKind kind) {
  const KindNames* names = FindKind(kind);
  return names ? names->display : nullptr;
}

const char* SyntaxNodeKindName(SyntaxNodeKind kind) {
  const KindNames* names = FindKind(kind);
  return names ? names->name : nullptr;
}

void SyntaxNodeInterface::Release() { delete this; }

SyntaxNode::SyntaxNode(SyntaxNodeKind kind, const char* text) : kind_(kind), text_(text ? text : "") {
  children_.reserve(kInitialCapacity);
  capacity_ = kInitialCapacity;
}

SyntaxNode::~SyntaxNode() {
  // The subtree is taken apart without recursion, so that no depth of tree can exhaust the
  // stack: every node is emptied of its children before it is deleted.
  std::vector<std::unique_ptr<SyntaxNode>> pending;
  pending.swap(children_);
  while (!pending.empty()) {
    std::unique_ptr<SyntaxNode> node = std::move(pending.back());
    pending.pop_back();
    for (auto& child : node->children_) pending.push_back(std::move(child));
    node->children_.clear();
  }
}

void SyntaxNode::MakeRoomForOneMore() {
  if (children_.size() < capacity_) return;
  uint32_t grown = capacity_ * 2 + 1;
  children_.reserve(grown);
  capacity_ = grown;
}

SyntaxNode* SyntaxNode::GetChild(uint32_t index) const {
  return index < children_.size() ? children_[index].get() : nullptr;
}

SyntaxNode* SyntaxNode::ReplaceChild(uint32_t index, SyntaxNode* node) {
  if (index >= children_.size() || node == nullptr) return nullptr;
  SyntaxNode* old = children_[index].release();
  old->parent_ = nullptr;
  node->parent_ = this;
  children_[index].reset(node);
  return old;
}

uint32_t SyntaxNode::AppendChild(SyntaxNode* node) {
  if (node != nullptr) {
    std::unique_ptr<SyntaxNode> owned(node);  // ours from here, also when growing fails
    MakeRoomForOneMore();
    owned->parent_ = this;
    children_.push_back(std::move(owned));
  }
  return GetChildCount();
}

int32_t SyntaxNode::InsertChild(uint32_t index, SyntaxNode* node) {
  if (index >= children_.size() || node == nullptr) return 0;
  std::unique_ptr<SyntaxNode> owned(node);  // ours from here, also when growing fails
  MakeRoomForOneMore();
  owned->parent_ = this;
  children_.insert(children_.begin() + index, std::move(owned));
  return 1;
}

SyntaxNode* SyntaxNode::RemoveChild(uint32_t index) {
  if (index >= children_.size()) return nullptr;
  SyntaxNode* child = children_[index].release();
  children_.erase(children_.begin() + index);
  child->parent_ = nullptr;
  return child;
}

int32_t SyntaxNode::IndexOfChild(const SyntaxNode* node) const {
  for (size_t i = children_.size(); i > 0; --i) {
    if (children_[i - 1].get() == node) return static_cast<int32_t>(i - 1);
  }
  return -1;
}

SyntaxNode* const* SyntaxNode::GetChildren() const {
  childArray_.clear();
  for (const auto& child : children_) childArray_.push_back(child.get());
  return childArray_.data();
}

const char* SyntaxNode::ToString() {
  const char* name = SyntaxNodeKindDisplayName(kind_);
  display_ = name ? name : "";
  if (kind_ == SyntaxNodeKind::String) {
    display_ += " = \"";
    display_ += text_;
    display_ += "\"; ";
  } else if (!text_.empty()) {
    display_ += " = ";
    display_ += text_;
    display_ += "; ";
  }
  return display_.c_str();
}

SyntaxNode* SyntaxNode::Clone() const {
  auto* copy = new SyntaxNode(kind_, text_.c_str());
  copy->line_ = line_;
  return copy;
}

SyntaxNode* SyntaxNode::CloneTree() const {
  // Copied level by level with an explicit work list instead of recursion.
  SyntaxNodePtr root(Clone());
  std::vector<std::pair<const SyntaxNode*, SyntaxNode*>> pending{{this, root.get()}};
  while (!pending.empty()) {
    auto [source, copy] = pending.back();
    pending.pop_back();
    for (const auto& child : source->children_) {
      SyntaxNode* childCopy = child->Clone();
      copy->AppendChild(childCopy);
      pending.emplace_back(child.get(), childCopy);
    }
  }
  return root.release();
}

SyntaxNode* NewSyntaxNode(SyntaxNodeKind kind) { return new SyntaxNode(kind); }

SyntaxNode* NewSyntaxNode(SyntaxNodeKind kind, const char* text) { return new SyntaxNode(kind, text); }

SyntaxNode* NewBinarySyntaxNode(SyntaxNodeKind kind, SyntaxNode* left, SyntaxNode* right) {
  // Both operands are ours from the call on, also when making the node fails.
  SyntaxNodePtr ownedLeft(left);
  SyntaxNodePtr ownedRight(right);
  SyntaxNodePtr node(new SyntaxNode(kind));
  node->AppendChild(ownedLeft.release());
  node->AppendChild(ownedRight.release());
  return node.release();
}

void ReleaseSyntaxNode(SyntaxNode* node) {
  if (node != nullptr) node->Release();
}

std::string FormatSyntaxTree(const SyntaxNode* root) {
  std::string out;
  if (root == nullptr) return out;
  // Each entry is a node and the index of its next child to print.
  std::vector<std::pair<const SyntaxNode*, uint32_t>> stack{{root, 0}};
  bool opening = true;
  while (!stack.empty()) {
    auto& [node, next] = stack.back();
    if (opening) {
      const char* name = SyntaxNodeKindName(node->GetKind());
      out += name ? name : "?";
      if (node->GetText()[0] != '\0') {
        out += " \"";
        out += node->GetText();
        out += '"';
      }
      if (node->GetChildCount() > 0) out += '[';
    }
    if (next < node->GetChildCount()) {
      if (next > 0) out += ", ";
      const SyntaxNode* child = node->GetChild(next++);
      stack.emplace_back(child, 0);
      opening = true;
      continue;
    }
    if (node->GetChildCount() > 0) out += ']';
    stack.pop_back();
    opening = false;
  }
  return out;
}

size_t SyntaxTreeDepth(const SyntaxNode* root) {
  if (root == nullptr) return 0;
  size_t deepest = 0;
  std::vector<std::pair<const SyntaxNode*, size_t>> pending{{root, 1}};
  while (!pending.empty()) {
    auto [node, depth] = pending.back();
    pending.pop_back();
    if (depth > deepest) deepest = depth;
    for (uint32_t i = 0; i < node->GetChildCount(); ++i) pending.emplace_back(node->GetChild(i), depth + 1);
  }
  return deepest;
}
