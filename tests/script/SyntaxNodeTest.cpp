// The syntax tree node: child operations, growth, texts, clones and release.
#include <gtest/gtest.h>

#include <string>

#include "script/SyntaxNode.h"

namespace {

SyntaxNode* Named(const char* text) { return NewSyntaxNode(SyntaxNodeKind::Identifier, text); }

std::string Children(const SyntaxNode& node) {
  std::string out;
  for (uint32_t i = 0; i < node.GetChildCount(); ++i) {
    if (i > 0) out += ',';
    out += node.GetChild(i)->GetText();
    EXPECT_EQ(node.GetChild(i)->GetParent(), &node);
  }
  return out;
}

TEST(SyntaxNode, NewNodeIsEmpty) {
  SyntaxNodePtr node(NewSyntaxNode(SyntaxNodeKind::List));
  EXPECT_EQ(node->GetKind(), SyntaxNodeKind::List);
  EXPECT_STREQ(node->GetText(), "");
  EXPECT_EQ(node->GetStatementFlag(), 0);
  EXPECT_EQ(node->GetParent(), nullptr);
  EXPECT_EQ(node->GetChildCount(), 0u);
  EXPECT_EQ(node->GetCapacity(), 4u);
  EXPECT_EQ(node->GetChild(0), nullptr);
}

TEST(SyntaxNode, GrowsByTwiceAndOneKeepingOrder) {
  SyntaxNodePtr node(NewSyntaxNode(SyntaxNodeKind::List));
  const char* names[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
  uint32_t expected[] = {4, 4, 4, 4, 9, 9, 9, 9, 9, 19};
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(node->AppendChild(Named(names[i])), static_cast<uint32_t>(i + 1));
    EXPECT_EQ(node->GetCapacity(), expected[i]) << "after child " << i + 1;
  }
  EXPECT_EQ(Children(*node), "0,1,2,3,4,5,6,7,8,9");
  EXPECT_STREQ(node->GetChildren()[9]->GetText(), "9");
}

TEST(SyntaxNode, InsertRemoveReplaceIndex) {
  SyntaxNodePtr node(NewSyntaxNode(SyntaxNodeKind::List));
  node->AppendChild(Named("a"));
  node->AppendChild(Named("b"));

  // Inserting at the count is refused.
  SyntaxNodePtr stray(Named("n"));
  EXPECT_EQ(node->InsertChild(2, stray.get()), 0);
  EXPECT_EQ(stray->GetParent(), nullptr);
  EXPECT_EQ(Children(*node), "a,b");

  EXPECT_EQ(node->InsertChild(0, stray.release()), 1);
  EXPECT_EQ(Children(*node), "n,a,b");

  SyntaxNodePtr removed(node->RemoveChild(0));
  ASSERT_NE(removed, nullptr);
  EXPECT_STREQ(removed->GetText(), "n");
  EXPECT_EQ(removed->GetParent(), nullptr);
  EXPECT_EQ(node->GetChildCount(), 2u);
  EXPECT_EQ(Children(*node), "a,b");
  EXPECT_EQ(node->RemoveChild(2), nullptr);

  SyntaxNodePtr old(node->ReplaceChild(1, removed.release()));
  ASSERT_NE(old, nullptr);
  EXPECT_STREQ(old->GetText(), "b");
  EXPECT_EQ(old->GetParent(), nullptr);
  EXPECT_EQ(Children(*node), "a,n");
  SyntaxNodePtr refused(Named("x"));
  EXPECT_EQ(node->ReplaceChild(2, refused.get()), nullptr);
  EXPECT_EQ(refused->GetParent(), nullptr);

  EXPECT_EQ(node->IndexOfChild(node->GetChild(1)), 1);
  EXPECT_EQ(node->IndexOfChild(old.get()), -1);
  EXPECT_EQ(node->IndexOfChild(nullptr), -1);
}

TEST(SyntaxNode, InsertIntoAFullArrayGrowsIt) {
  SyntaxNodePtr node(NewSyntaxNode(SyntaxNodeKind::List));
  for (const char* name : {"a", "b", "c", "d"}) node->AppendChild(Named(name));
  EXPECT_EQ(node->InsertChild(1, Named("x")), 1);
  EXPECT_EQ(node->GetCapacity(), 9u);
  EXPECT_EQ(Children(*node), "a,x,b,c,d");
}

TEST(SyntaxNode, ToStringForms) {
  SyntaxNodePtr identifier(NewSyntaxNode(SyntaxNodeKind::Identifier, "x"));
  EXPECT_STREQ(identifier->ToString(), "Identifier = x; ");
  SyntaxNodePtr list(NewSyntaxNode(SyntaxNodeKind::List));
  EXPECT_STREQ(list->ToString(), "List");
  SyntaxNodePtr add(NewSyntaxNode(SyntaxNodeKind::Add));
  EXPECT_STREQ(add->ToString(), "+");
  SyntaxNodePtr string(NewSyntaxNode(SyntaxNodeKind::String, "hi"));
  EXPECT_STREQ(string->ToString(), "String = \"hi\"; ");
  SyntaxNodePtr empty(NewSyntaxNode(SyntaxNodeKind::String));
  EXPECT_STREQ(empty->ToString(), "String = \"\"; ");
  SyntaxNodePtr define(NewSyntaxNode(SyntaxNodeKind::DefineVariable, "v"));
  EXPECT_STREQ(define->ToString(), "Define Variable = v; ");
}

TEST(SyntaxNode, KindNames) {
  struct {
    SyntaxNodeKind kind;
    const char* display;
    const char* name;
  } cases[] = {
      {SyntaxNodeKind::NoOp, "NoOp", "NoOp"},
      {SyntaxNodeKind::If, "if", "If"},
      {SyntaxNodeKind::ForIn, "for..in", "ForIn"},
      {SyntaxNodeKind::DoWhile, "do..while", "DoWhile"},
      {SyntaxNodeKind::With, "With", "With"},
      {SyntaxNodeKind::DefineAttribute, "Define Attribute", "DefineAttribute"},
      {SyntaxNodeKind::BitOr, "|", "BitOr"},
      {SyntaxNodeKind::LogicalOr, "||", "LogicalOr"},
      {SyntaxNodeKind::BitOrAssign, "|=", "BitOrAssign"},
      {SyntaxNodeKind::Conditional, "?", "Conditional"},
      {SyntaxNodeKind::UnaryMinus, "-x", "UnaryMinus"},
      {SyntaxNodeKind::PostDecrement, "x--", "PostDecrement"},
      {SyntaxNodeKind::ShiftRightUnsignedAssign, ">>>=", "ShiftRightUnsignedAssign"},
      {SyntaxNodeKind::InstanceOf, "instanceof", "InstanceOf"},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(SyntaxNodeKindDisplayName(c.kind), c.display);
    EXPECT_STREQ(SyntaxNodeKindName(c.kind), c.name);
  }
  for (int kind = 0; kind < kSyntaxNodeKindCount; ++kind) {
    EXPECT_NE(SyntaxNodeKindDisplayName(static_cast<SyntaxNodeKind>(kind)), nullptr) << kind;
  }
  EXPECT_EQ(SyntaxNodeKindDisplayName(static_cast<SyntaxNodeKind>(75)), nullptr);
  EXPECT_EQ(SyntaxNodeKindDisplayName(static_cast<SyntaxNodeKind>(-1)), nullptr);
  EXPECT_EQ(static_cast<int>(SyntaxNodeKind::InstanceOf), 74);
}

TEST(SyntaxNode, CloneTreeCopiesKindsTextsAndOrderWithFlagsCleared) {
  SyntaxNodePtr root(NewBinarySyntaxNode(SyntaxNodeKind::Add, Named("a"),
                                         NewBinarySyntaxNode(SyntaxNodeKind::Multiply, Named("b"), Named("c"))));
  root->SetStatementFlag(1);
  root->GetChild(1)->SetStatementFlag(1);
  root->SetText("sum");

  SyntaxNodePtr copy(root->CloneTree());
  EXPECT_EQ(FormatSyntaxTree(copy.get()), FormatSyntaxTree(root.get()));
  EXPECT_EQ(FormatSyntaxTree(copy.get()),
            "Add \"sum\"[Identifier \"a\", Multiply[Identifier \"b\", Identifier \"c\"]]");
  EXPECT_EQ(copy->GetStatementFlag(), 0);
  EXPECT_EQ(copy->GetChild(1)->GetStatementFlag(), 0);
  EXPECT_EQ(copy->GetParent(), nullptr);
  EXPECT_EQ(copy->GetChild(1)->GetParent(), copy.get());
  EXPECT_NE(copy->GetChild(0), root->GetChild(0));

  SyntaxNodePtr single(root->Clone());
  EXPECT_EQ(single->GetChildCount(), 0u);
  EXPECT_STREQ(single->GetText(), "sum");
}

TEST(SyntaxNode, DeepTreesAreClonedPrintedAndReleasedWithoutRecursion) {
  // Deep enough to overflow any stack if these operations recursed.
  const int kDepth = 200000;
  SyntaxNode* root = NewSyntaxNode(SyntaxNodeKind::UnaryMinus);
  SyntaxNode* tip = root;
  for (int i = 0; i < kDepth; ++i) {
    SyntaxNode* child = NewSyntaxNode(SyntaxNodeKind::UnaryMinus);
    tip->AppendChild(child);
    tip = child;
  }
  EXPECT_EQ(SyntaxTreeDepth(root), static_cast<size_t>(kDepth + 1));
  SyntaxNode* copy = root->CloneTree();
  EXPECT_EQ(SyntaxTreeDepth(copy), static_cast<size_t>(kDepth + 1));
  EXPECT_EQ(FormatSyntaxTree(copy).size(), FormatSyntaxTree(root).size());
  ReleaseSyntaxNode(copy);
  root->Release();
  ReleaseSyntaxNode(nullptr);
}

TEST(SyntaxNode, FormatShowsTextsInQuotes) {
  SyntaxNodePtr root(NewSyntaxNode(SyntaxNodeKind::Array));
  root->AppendChild(NewSyntaxNode(SyntaxNodeKind::String, "a b"));
  root->AppendChild(NewSyntaxNode(SyntaxNodeKind::NoOp));
  EXPECT_EQ(FormatSyntaxTree(root.get()), "Array[String \"a b\", NoOp]");
  EXPECT_EQ(FormatSyntaxTree(nullptr), "");
}

}  // namespace
