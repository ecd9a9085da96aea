// The script parser: reads the tokens of ScriptLexer and builds the syntax tree of one script.
// Recursive descent with two tokens of lookahead. There is no error recovery: the first
// lexical or syntax error leaves program() as an exception and no tree survives (every rule
// holds its nodes in owning pointers until it hands them on).
//
// Every rule on a path that can recurse goes through a NestingGuard, and every loop that
// stacks nodes on top of each other (a - b - c ..., x++ ++ ...) deepens it, so that deeply
// nested input is a syntax error instead of a stack overflow, and the trees that the parser
// builds stay shallow enough for the recursive passes that walk them.

header "pre_include_hpp" {
// Generated from ScriptParser.g at build time; do not edit.
}

header "post_include_hpp" {
#include "script/ScriptParserSupport.h"
}

options {
  language = "Cpp";
}

class ScriptParser extends Parser;

options {
  importVocab = Script;
  k = 2;
  buildAST = false;
  defaultErrorHandler = false;
}

{
 public:
  // The deepest nesting of statements and expressions that the parser accepts. One level is
  // one nested statement, one operand of a prefix operator, one parenthesised or bracketed
  // expression or one more operator in a chain of equal operators; real scripts stay far below.
  static constexpr int kMaxNesting = ScriptNestingLimit;

 private:
  int nesting_ = 0;

  // Counts one level on entry (or none, for the rules that only deepen in their loops) and
  // restores the count on every way out of the rule, exceptions included.
  class NestingGuard {
   public:
    NestingGuard(ScriptParser& parser, int levels) : parser_(parser), saved_(parser.nesting_) {
      Deepen(levels);
    }
    ~NestingGuard() { parser_.nesting_ = saved_; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
    void Deepen(int levels = 1) {
      parser_.nesting_ += levels;
      if (parser_.nesting_ > kMaxNesting) parser_.ThrowTooDeep();
    }

   private:
    ScriptParser& parser_;
    int saved_;
  };

  [[noreturn]] void ThrowTooDeep() {
    ANTLR_USE_NAMESPACE(antlr)RefToken token = LT(1);
    throw ANTLR_USE_NAMESPACE(antlr)RecognitionException(
        "the script is nested too deeply", getFilename(), token->getLine(), token->getColumn());
  }

  // A "{" at the start of a statement opens a block unless what follows it can only be an
  // object literal: a "}" (an empty object, which is refused) or a member name and ":".
  bool IsBlockAhead() {
    int second = LA(2);
    if (second == LITERAL_RCURLY) return false;
    bool name = second == IDENTIFIER || second == NUMERIC_LITERAL || second == STRING_LITERAL ||
                second == QUOTED_LITERAL;
    return !(name && LA(3) == LITERAL_ALTERNATE);
  }
}

// ----------------------------------------------------------------------------------------------
// Statements

program returns [SyntaxNodePtr root]
  { SyntaxNodePtr s; }
  : { root = MakeSyntaxNode(SyntaxNodeKind::Array); }
    ( s=statement { AppendProgramStatement(*root, std::move(s)); } )*
  ;

// A statement's node carries the line of its first token unless it has a line of its own.
statement returns [SyntaxNodePtr node]
  { NestingGuard guard(*this, 1); int line = LT(1)->getLine(); }
  : ( node=ifStatement
    | node=withStatement
    | node=whileStatement
    | node=doWhileStatement
    | node=forStatement
    | node=onClipEventStatement
    | node=onStatement
    | node=breakStatement
    | node=continueStatement
    | node=returnStatement
    | { IsBlockAhead() }? node=block
    | ("function" IDENTIFIER) => node=functionDefinition
    | node=expressionStatement
    )
    { if (node && node->GetLine() == 0) node->SetLine(line); }
  ;

block returns [SyntaxNodePtr node]
  { SyntaxNodePtr s; }
  : open:"{" { node = MakeSyntaxNodeAt(open->getLine(), SyntaxNodeKind::List); }
    ( s=statement { AppendSyntaxNode(*node, std::move(s)); } )*
    "}"
  ;

ifStatement returns [SyntaxNodePtr node]
  { SyntaxNodePtr c, t, e; }
  : "if" "(" c=conditionalExpression ")" t=statement
    ( options { generateAmbigWarnings = false; }
    : ("else") => "else" e=statement
    )?
    {
      node = MakeSyntaxNode(SyntaxNodeKind::If);
      AppendSyntaxNode(*node, std::move(c));
      AppendSyntaxNode(*node, std::move(t));
      if (e) AppendSyntaxNode(*node, std::move(e));
    }
  ;

forStatement returns [SyntaxNodePtr node]
  { SyntaxNodePtr a, b, c, body; }
  : "for" "("
    ( (a=expressionList)? ";" (b=conditionalExpression)? ";" (c=expressionList)? ")" body=statement
      {
        node = MakeSyntaxNode(SyntaxNodeKind::For);
        AppendSyntaxNode(*node, a ? std::move(a) : MakeSyntaxNode(SyntaxNodeKind::NoOp));
        AppendSyntaxNode(*node, b ? std::move(b) : MakeSyntaxNode(SyntaxNodeKind::NoOp));
        AppendSyntaxNode(*node, c ? std::move(c) : MakeSyntaxNode(SyntaxNodeKind::NoOp));
        AppendSyntaxNode(*node, std::move(body));
      }
    | a=terminal "in" b=conditionalExpression ")" body=statement
      {
        node = MakeSyntaxNode(SyntaxNodeKind::ForIn);
        AppendSyntaxNode(*node, std::move(a));
        AppendSyntaxNode(*node, std::move(b));
        AppendSyntaxNode(*node, std::move(body));
      }
    )
  ;

whileStatement returns [SyntaxNodePtr node]
  { SyntaxNodePtr c, body; }
  : "while" "(" c=conditionalExpression ")" body=statement
    { node = MakeBinarySyntaxNode(SyntaxNodeKind::While, std::move(c), std::move(body)); }
  ;

doWhileStatement returns [SyntaxNodePtr node]
  { SyntaxNodePtr c, body; }
  : "do" body=statement "while" "(" c=conditionalExpression ")" ";"
    { node = MakeBinarySyntaxNode(SyntaxNodeKind::DoWhile, std::move(body), std::move(c)); }
  ;

withStatement returns [SyntaxNodePtr node]
  { SyntaxNodePtr o, body; }
  : "with" "(" o=conditionalExpression ")" body=statement
    { node = MakeBinarySyntaxNode(SyntaxNodeKind::With, std::move(o), std::move(body)); }
  ;

onClipEventStatement returns [SyntaxNodePtr node]
  { SyntaxNodePtr t, body; }
  : "onClipEvent" { node = MakeSyntaxNode(SyntaxNodeKind::OnClipEvent); }
    "(" t=terminal { AppendSyntaxNode(*node, std::move(t)); }
    ( "," t=terminal { AppendSyntaxNode(*node, std::move(t)); } )*
    ")" body=statement { AppendSyntaxNode(*node, std::move(body)); }
  ;

// "keyPress" leaves no node: a key event is told by its terminal alone.
onStatement returns [SyntaxNodePtr node]
  { SyntaxNodePtr t, body; }
  : "on" { node = MakeSyntaxNode(SyntaxNodeKind::On); }
    "(" ("keyPress")? t=terminal { AppendSyntaxNode(*node, std::move(t)); }
    ( "," ("keyPress")? t=terminal { AppendSyntaxNode(*node, std::move(t)); } )*
    ")" body=statement { AppendSyntaxNode(*node, std::move(body)); }
  ;

breakStatement returns [SyntaxNodePtr node]
  : keyword:"break" ";" { node = MakeSyntaxNodeAt(keyword->getLine(), SyntaxNodeKind::Break); }
  ;

continueStatement returns [SyntaxNodePtr node]
  : keyword:"continue" ";" { node = MakeSyntaxNodeAt(keyword->getLine(), SyntaxNodeKind::Continue); }
  ;

returnStatement returns [SyntaxNodePtr node]
  { SyntaxNodePtr value; }
  : keyword:"return" { node = MakeSyntaxNodeAt(keyword->getLine(), SyntaxNodeKind::Return); }
    ( value=conditionalExpression { AppendSyntaxNode(*node, std::move(value)); } )?
    ";"
  ;

functionDefinition returns [SyntaxNodePtr node]
  { SyntaxNodePtr params, body; }
  : "function" name:IDENTIFIER
    { node = MakeSyntaxNodeAt(name->getLine(), SyntaxNodeKind::DefineFunction, name->getText()); }
    "(" ( params=parameterList { AppendSyntaxNode(*node, std::move(params)); } )? ")"
    body=block { AppendSyntaxNode(*node, std::move(body)); }
  ;

expressionStatement returns [SyntaxNodePtr node]
  : ( node=expressionList )? ";"
    { if (!node) node = MakeSyntaxNode(SyntaxNodeKind::NoOp); }
  ;

// ----------------------------------------------------------------------------------------------
// Expressions, lowest precedence first

// A list that starts with "var" declares every name in it: var a = 1, b = 2 declares b too.
expressionList returns [SyntaxNodePtr node]
  { SyntaxNodePtr e; bool declaring = false; }
  : e=assignmentExpression
    {
      declaring = DeclaresVariable(*e);
      node = MakeSyntaxNodeAt(e->GetLine(), SyntaxNodeKind::ExpressionList);
      AppendSyntaxNode(*node, std::move(e));
    }
    ( "," e=assignmentExpression
      {
        if (declaring) MarkDeclaration(*e);
        AppendSyntaxNode(*node, std::move(e));
      }
    )*
    { node = UnwrapSingleChild(std::move(node)); }
  ;

// "var" marks the expression that follows it, whatever its kind (and, in a list, the targets
// of the expressions after it).
assignmentExpression returns [SyntaxNodePtr node]
  { NestingGuard guard(*this, 1); bool isVar = false; SyntaxNodeKind kind; SyntaxNodePtr value; }
  : ( "var" { isVar = true; } )? node=conditionalExpression
    { if (isVar) node->SetKind(SyntaxNodeKind::DefineVariable); }
    ( kind=assignmentOperator value=assignmentExpression
      { node = MakeBinarySyntaxNode(kind, std::move(node), std::move(value)); }
    )?
  ;

assignmentOperator returns [SyntaxNodeKind kind = SyntaxNodeKind::Assign]
  : ASSIGN { kind = SyntaxNodeKind::Assign; }
  | ASSIGN_ADD { kind = SyntaxNodeKind::AddAssign; }
  | ASSIGN_SUB { kind = SyntaxNodeKind::SubtractAssign; }
  | ASSIGN_MUL { kind = SyntaxNodeKind::MultiplyAssign; }
  | ASSIGN_DIV { kind = SyntaxNodeKind::DivideAssign; }
  | ASSIGN_MOD { kind = SyntaxNodeKind::ModuloAssign; }
  | ASSIGN_LSL { kind = SyntaxNodeKind::ShiftLeftAssign; }
  | ASSIGN_ASR { kind = SyntaxNodeKind::ShiftRightAssign; }
  | ASSIGN_LSR { kind = SyntaxNodeKind::ShiftRightUnsignedAssign; }
  | ASSIGN_AND { kind = SyntaxNodeKind::BitAndAssign; }
  | ASSIGN_OR { kind = SyntaxNodeKind::BitOrAssign; }
  | ASSIGN_XOR { kind = SyntaxNodeKind::BitXorAssign; }
  ;

conditionalExpression returns [SyntaxNodePtr node]
  { NestingGuard guard(*this, 1); SyntaxNodePtr whenTrue, whenFalse; }
  : node=logicalOrExpression
    ( "?" whenTrue=assignmentExpression ":" whenFalse=conditionalExpression
      {
        SyntaxNodePtr condition = MakeSyntaxNodeAt(node->GetLine(), SyntaxNodeKind::Conditional);
        AppendSyntaxNode(*condition, std::move(node));
        AppendSyntaxNode(*condition, std::move(whenTrue));
        AppendSyntaxNode(*condition, std::move(whenFalse));
        node = std::move(condition);
      }
    )?
  ;

logicalOrExpression returns [SyntaxNodePtr node]
  { NestingGuard guard(*this, 0); SyntaxNodePtr r; }
  : node=logicalAndExpression
    ( LOGICAL_OR { guard.Deepen(); } r=logicalAndExpression
      { node = MakeBinarySyntaxNode(SyntaxNodeKind::LogicalOr, std::move(node), std::move(r)); }
    )*
  ;

logicalAndExpression returns [SyntaxNodePtr node]
  { NestingGuard guard(*this, 0); SyntaxNodePtr r; }
  : node=bitOrExpression
    ( LOGICAL_AND { guard.Deepen(); } r=bitOrExpression
      { node = MakeBinarySyntaxNode(SyntaxNodeKind::LogicalAnd, std::move(node), std::move(r)); }
    )*
  ;

bitOrExpression returns [SyntaxNodePtr node]
  { NestingGuard guard(*this, 0); SyntaxNodePtr r; }
  : node=bitXorExpression
    ( BIT_OR { guard.Deepen(); } r=bitXorExpression
      { node = MakeBinarySyntaxNode(SyntaxNodeKind::BitOr, std::move(node), std::move(r)); }
    )*
  ;

bitXorExpression returns [SyntaxNodePtr node]
  { NestingGuard guard(*this, 0); SyntaxNodePtr r; }
  : node=bitAndExpression
    ( BIT_XOR { guard.Deepen(); } r=bitAndExpression
      { node = MakeBinarySyntaxNode(SyntaxNodeKind::BitXor, std::move(node), std::move(r)); }
    )*
  ;

bitAndExpression returns [SyntaxNodePtr node]
  { NestingGuard guard(*this, 0); SyntaxNodePtr r; }
  : node=equalityExpression
    ( BIT_AND { guard.Deepen(); } r=equalityExpression
      { node = MakeBinarySyntaxNode(SyntaxNodeKind::BitAnd, std::move(node), std::move(r)); }
    )*
  ;

equalityExpression returns [SyntaxNodePtr node]
  { NestingGuard guard(*this, 0); SyntaxNodeKind kind = SyntaxNodeKind::Equal; SyntaxNodePtr r; }
  : node=relationalExpression
    ( ( EQ { kind = SyntaxNodeKind::Equal; }
      | NE { kind = SyntaxNodeKind::NotEqual; }
      )
      { guard.Deepen(); }
      r=relationalExpression
      { node = MakeBinarySyntaxNode(kind, std::move(node), std::move(r)); }
    )*
  ;

relationalExpression returns [SyntaxNodePtr node]
  { NestingGuard guard(*this, 0); SyntaxNodeKind kind = SyntaxNodeKind::Less; SyntaxNodePtr r; }
  : node=instanceofExpression
    ( ( LTHAN { kind = SyntaxNodeKind::Less; }
      | GTHAN { kind = SyntaxNodeKind::Greater; }
      | LTE { kind = SyntaxNodeKind::LessEqual; }
      | GTE { kind = SyntaxNodeKind::GreaterEqual; }
      )
      { guard.Deepen(); }
      r=instanceofExpression
      { node = MakeBinarySyntaxNode(kind, std::move(node), std::move(r)); }
    )*
  ;

instanceofExpression returns [SyntaxNodePtr node]
  { NestingGuard guard(*this, 0); SyntaxNodePtr r; }
  : node=shiftExpression
    ( "instanceof" { guard.Deepen(); } r=shiftExpression
      { node = MakeBinarySyntaxNode(SyntaxNodeKind::InstanceOf, std::move(node), std::move(r)); }
    )*
  ;

shiftExpression returns [SyntaxNodePtr node]
  { NestingGuard guard(*this, 0); SyntaxNodeKind kind = SyntaxNodeKind::ShiftLeft; SyntaxNodePtr r; }
  : node=additiveExpression
    ( ( LSL { kind = SyntaxNodeKind::ShiftLeft; }
      | LSR { kind = SyntaxNodeKind::ShiftRightUnsigned; }
      | ASR { kind = SyntaxNodeKind::ShiftRight; }
      )
      { guard.Deepen(); }
      r=additiveExpression
      { node = MakeBinarySyntaxNode(kind, std::move(node), std::move(r)); }
    )*
  ;

additiveExpression returns [SyntaxNodePtr node]
  { NestingGuard guard(*this, 0); SyntaxNodeKind kind = SyntaxNodeKind::Add; SyntaxNodePtr r; }
  : node=multiplicativeExpression
    ( ( PLUS { kind = SyntaxNodeKind::Add; }
      | MINUS { kind = SyntaxNodeKind::Subtract; }
      )
      { guard.Deepen(); }
      r=multiplicativeExpression
      { node = MakeBinarySyntaxNode(kind, std::move(node), std::move(r)); }
    )*
  ;

multiplicativeExpression returns [SyntaxNodePtr node]
  { NestingGuard guard(*this, 0); SyntaxNodeKind kind = SyntaxNodeKind::Multiply; SyntaxNodePtr r; }
  : node=unaryExpression
    ( ( MULTIPLY { kind = SyntaxNodeKind::Multiply; }
      | DIVIDE { kind = SyntaxNodeKind::Divide; }
      | MOD { kind = SyntaxNodeKind::Modulo; }
      )
      { guard.Deepen(); }
      r=unaryExpression
      { node = MakeBinarySyntaxNode(kind, std::move(node), std::move(r)); }
    )*
  ;

unaryExpression returns [SyntaxNodePtr node]
  { NestingGuard guard(*this, 1); SyntaxNodePtr operand; }
  : PLUS operand=unaryExpression
    { node = MakeUnarySyntaxNode(SyntaxNodeKind::UnaryPlus, std::move(operand)); }
  | MINUS operand=unaryExpression
    { node = MakeUnarySyntaxNode(SyntaxNodeKind::UnaryMinus, std::move(operand)); }
  | BIT_NOT operand=unaryExpression
    { node = MakeUnarySyntaxNode(SyntaxNodeKind::BitNot, std::move(operand)); }
  | LOGICAL_NOT operand=unaryExpression
    { node = MakeUnarySyntaxNode(SyntaxNodeKind::Not, std::move(operand)); }
  | "delete" operand=unaryExpression
    { node = MakeUnarySyntaxNode(SyntaxNodeKind::Delete, std::move(operand)); }
  | INC operand=memberExpression
    { node = MakeUnarySyntaxNode(SyntaxNodeKind::PreIncrement, std::move(operand)); }
  | DEC operand=memberExpression
    { node = MakeUnarySyntaxNode(SyntaxNodeKind::PreDecrement, std::move(operand)); }
  | node=postfixExpression
  ;

postfixExpression returns [SyntaxNodePtr node]
  { NestingGuard guard(*this, 0); }
  : node=memberExpression
    ( INC { guard.Deepen(); node = MakeUnarySyntaxNode(SyntaxNodeKind::PostIncrement, std::move(node)); }
    | DEC { guard.Deepen(); node = MakeUnarySyntaxNode(SyntaxNodeKind::PostDecrement, std::move(node)); }
    )*
  ;

memberExpression returns [SyntaxNodePtr node]
  { SyntaxNodePtr p, s; }
  : p=primaryExpression
    {
      node = MakeSyntaxNodeAt(p->GetLine(), SyntaxNodeKind::Value);
      AppendSyntaxNode(*node, std::move(p));
    }
    ( s=memberSuffix { AppendSyntaxNode(*node, std::move(s)); } )*
    { node = FinishMemberExpression(std::move(node)); }
  ;

memberSuffix returns [SyntaxNodePtr node]
  { SyntaxNodePtr index; }
  : open:"[" index=conditionalExpression "]"
    {
      node = MakeUnarySyntaxNode(SyntaxNodeKind::Subscript, std::move(index));
      node->SetLine(open->getLine());
    }
  | "."
    ( node=terminal { node->SetKind(SyntaxNodeKind::Attribute); }
    | node=argumentList { node->SetKind(SyntaxNodeKind::Method); }
    )
  | node=argumentList
  ;

primaryExpression returns [SyntaxNodePtr node]
  { NestingGuard guard(*this, 1); }
  : node=objectLiteral
  | node=functionLiteral
  | node=terminal
  | "(" node=conditionalExpression ")"
  | node=arrayLiteral
  | node=newExpression
  ;

terminal returns [SyntaxNodePtr node]
  : id:IDENTIFIER { node = MakeSyntaxNodeAt(id->getLine(), SyntaxNodeKind::Identifier, id->getText()); }
  | number:NUMERIC_LITERAL
    { node = MakeSyntaxNodeAt(number->getLine(), SyntaxNodeKind::Number, number->getText()); }
  | string:STRING_LITERAL
    { node = MakeSyntaxNodeAt(string->getLine(), SyntaxNodeKind::String, StripQuotes(string->getText())); }
  | quoted:QUOTED_LITERAL
    { node = MakeSyntaxNodeAt(quoted->getLine(), SyntaxNodeKind::String, StripQuotes(quoted->getText())); }
  ;

// A call's arguments; the Function node gets its name from the member expression around it.
argumentList returns [SyntaxNodePtr node]
  { SyntaxNodePtr a; }
  : open:"(" { node = MakeSyntaxNodeAt(open->getLine(), SyntaxNodeKind::Function); }
    ( a=conditionalExpression { AppendSyntaxNode(*node, std::move(a)); }
      ( "," a=conditionalExpression { AppendSyntaxNode(*node, std::move(a)); } )*
    )?
    ")"
  ;

arrayLiteral returns [SyntaxNodePtr node]
  { SyntaxNodePtr a; }
  : open:"[" { node = MakeSyntaxNodeAt(open->getLine(), SyntaxNodeKind::DefineArray); }
    ( a=conditionalExpression { AppendSyntaxNode(*node, std::move(a)); }
      ( "," a=conditionalExpression { AppendSyntaxNode(*node, std::move(a)); } )*
    )?
    "]"
  ;

objectLiteral returns [SyntaxNodePtr node]
  { SyntaxNodePtr m; }
  : open:"{" { node = MakeSyntaxNodeAt(open->getLine(), SyntaxNodeKind::DefineObject); }
    m=objectMember { AppendSyntaxNode(*node, std::move(m)); }
    ( "," m=objectMember { AppendSyntaxNode(*node, std::move(m)); } )*
    "}"
  ;

objectMember returns [SyntaxNodePtr node]
  { SyntaxNodePtr name, value; }
  : name=terminal ":" value=conditionalExpression
    { node = MakeBinarySyntaxNode(SyntaxNodeKind::DefineAttribute, std::move(name), std::move(value)); }
  ;

newExpression returns [SyntaxNodePtr node]
  { SyntaxNodePtr a; }
  : "new" name:IDENTIFIER { node = MakeSyntaxNodeAt(name->getLine(), SyntaxNodeKind::NewObject, name->getText()); }
    "("
    ( a=conditionalExpression { AppendSyntaxNode(*node, std::move(a)); }
      ( "," a=conditionalExpression { AppendSyntaxNode(*node, std::move(a)); } )*
    )?
    ")"
  ;

functionLiteral returns [SyntaxNodePtr node]
  { SyntaxNodePtr params, body; }
  : keyword:"function" { node = MakeSyntaxNodeAt(keyword->getLine(), SyntaxNodeKind::DefineMethod); }
    "(" ( params=parameterList { AppendSyntaxNode(*node, std::move(params)); } )? ")"
    body=block { AppendSyntaxNode(*node, std::move(body)); }
  ;

// Parameters are parsed as expressions; one parameter stands alone, several form a List.
parameterList returns [SyntaxNodePtr node]
  { SyntaxNodePtr p; }
  : p=conditionalExpression
    {
      node = MakeSyntaxNodeAt(p->GetLine(), SyntaxNodeKind::List);
      AppendSyntaxNode(*node, std::move(p));
    }
    ( "," p=conditionalExpression { AppendSyntaxNode(*node, std::move(p)); } )*
    { node = UnwrapSingleChild(std::move(node)); }
  ;
