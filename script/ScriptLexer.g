// The script lexer: turns preprocessed script text into the tokens that ScriptParser reads.
// Comments and preprocessor directives never reach it (the preprocessor removes them), so two
// slashes here are two division operators. Token numbers come from ScriptTokenTypes.txt.

header "pre_include_hpp" {
// Generated from ScriptLexer.g at build time; do not edit.
}

options {
  language = "Cpp";
}

class ScriptLexer extends Lexer;

options {
  importVocab = Script;
  k = 4;
  charVocabulary = '\3'..'\377';
  caseSensitive = true;
  caseSensitiveLiterals = true;
  testLiterals = true;
}

// Operators. The longest match wins (">>>=" before ">>>" before ">>" before ">").
ASSIGN      : '=' ;
ASSIGN_ADD  : "+=" ;
ASSIGN_SUB  : "-=" ;
ASSIGN_MUL  : "*=" ;
ASSIGN_DIV  : "/=" ;
ASSIGN_MOD  : "%=" ;
ASSIGN_LSL  : "<<=" ;
ASSIGN_ASR  : ">>=" ;
ASSIGN_LSR  : ">>>=" ;
ASSIGN_AND  : "&=" ;
ASSIGN_OR   : "|=" ;
ASSIGN_XOR  : "^=" ;
LOGICAL_AND : "&&" ;
LOGICAL_OR  : "||" ;
LOGICAL_NOT : '!' ;
EQ          : "==" ;
GTHAN       : '>' ;
LTHAN       : '<' ;
GTE         : ">=" ;
LTE         : "<=" ;
NE          : "!=" ;
BIT_AND     : '&' ;
BIT_OR      : '|' ;
BIT_XOR     : '^' ;
BIT_NOT     : '~' ;
LSL         : "<<" ;
LSR         : ">>>" ;
ASR         : ">>" ;
PLUS        : '+' ;
MINUS       : '-' ;
MULTIPLY    : '*' ;
DIVIDE      : '/' ;
MOD         : '%' ;
INC         : "++" ;
DEC         : "--" ;

// Punctuation. The literals table gives each of these the type of its literal ("(" and so on).
LPAREN    : '(' ;
RPAREN    : ')' ;
LCURLY    : '{' ;
RCURLY    : '}' ;
LBRACKET  : '[' ;
RBRACKET  : ']' ;
SEMI      : ';' ;
COMMA     : ',' ;
SELECT    : '?' ;
ALTERNATE : ':' ;

WS
  : ( ' '
    | '\t'
    | '\f'
    | ( options { generateAmbigWarnings = false; }
      : "\r\n"
      | '\r'
      | '\n'
      )
      { newline(); }
    )+
    { $setType(antlr::Token::SKIP); }
  ;

IDENTIFIER
  options { testLiterals = true; }
  : ('$' | 'A'..'Z' | '_' | 'a'..'z') ('$' | '0'..'9' | 'A'..'Z' | '_' | 'a'..'z')*
  ;

// A lone '.' is a token of its own; the literals table turns it into ".".
NUMERIC_LITERAL
  : '.' (('0'..'9')+ (EXPONENT)?)?
  | ( '0'
      ( ('0'..'9')+
      | ('x' | 'X')
        ( options { warnWhenFollowAmbig = false; }
        : HEX_DIGIT
        )+
      )?
    | '1'..'9' ('0'..'9')*
    )
    ( '.' ('0'..'9')* (EXPONENT)?
    | EXPONENT
    )?
  ;

protected
EXPONENT
  : ('e' | 'E') ('+' | '-')? ('0'..'9')+
  ;

protected
HEX_DIGIT
  : '0'..'9' | 'A'..'F' | 'a'..'f'
  ;

// Strings keep their quotes and their escape sequences as written; nothing is decoded here.
STRING_LITERAL
  : '"' (ESC | ~('"' | '\\' | '\n' | '\r'))* '"'
  ;

QUOTED_LITERAL
  : '\'' (ESC | ~('\'' | '\\' | '\n' | '\r'))* '\''
  ;

protected
ESC
  : '\\'
    ( 'n'
    | 'r'
    | 't'
    | 'b'
    | 'f'
    | '"'
    | '\''
    | '\\'
    | ('u')+ HEX_DIGIT HEX_DIGIT HEX_DIGIT HEX_DIGIT
    | '0'..'3'
      ( options { warnWhenFollowAmbig = false; }
      : '0'..'7'
        ( options { warnWhenFollowAmbig = false; }
        : '0'..'7'
        )?
      )?
    | '4'..'7'
      ( options { warnWhenFollowAmbig = false; }
      : '0'..'7'
      )?
    )
  ;
