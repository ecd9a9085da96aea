// The preprocessor's lexer: splits raw script text into directives, white space, line ends,
// comments, literals, identifiers, numbers and operators. Unlike ScriptLexer it keeps white
// space and line ends as tokens, returns comments, has no literals table (keywords are plain
// identifiers here) and has a numbering of its own, fixed in PreprocessorTokenTypes.txt.

header "pre_include_hpp" {
// Generated from PreprocessorLexer.g at build time; do not edit.
}

options {
  language = "Cpp";
}

class PreprocessorLexer extends Lexer;

options {
  importVocab = Preprocessor;
  k = 4;
  charVocabulary = '\3'..'\377';
  caseSensitive = true;
  caseSensitiveLiterals = true;
  testLiterals = false;
}

// Directives: the whole word, '#' included, exactly as written.
INCLUDE : "#include" ;
DEFINE  : "#define" ;
IFDEF   : "#ifdef" ;
IFNDEF  : "#ifndef" ;
ELSE    : "#else" ;
ENDIF   : "#endif" ;

LPAREN    : '(' ;
RPAREN    : ')' ;
LBRACKET  : '[' ;
RBRACKET  : ']' ;
LCURLY    : '{' ;
RCURLY    : '}' ;
SEMI      : ';' ;
COMMA     : ',' ;
SELECT    : '?' ;
ALTERNATE : ':' ;

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

// One blank, tab or form feed per token.
WS
  : ' ' | '\t' | '\f'
  ;

// One line end per token: CR LF, a lone CR or a lone LF.
NEWLINE
  : ( options { generateAmbigWarnings = false; }
    : "\r\n"
    | '\r'
    | '\n'
    )
    { newline(); }
  ;

STRING_LITERAL
  : '"' (ESC | ~('"' | '\\' | '\n' | '\r'))* '"'
  ;

QUOTED_LITERAL
  : '\'' (ESC | ~('\'' | '\\' | '\n' | '\r'))* '\''
  ;

IDENTIFIER
  : ('$' | 'A'..'Z' | '_' | 'a'..'z') ('$' | '0'..'9' | 'A'..'Z' | '_' | 'a'..'z')*
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

protected
HEX_DIGIT
  : '0'..'9' | 'A'..'F' | 'a'..'f'
  ;

protected
EXPONENT
  : ('e' | 'E') ('+' | '-')? ('0'..'9')+
  ;

// A lone '.' stays a number token with the text ".".
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

// From two slashes to the end of the line, the line end included when there is one. The line
// counter advances also when the comment ends the input without a line end.
SL_COMMENT
  : "//" (~('\n' | '\r'))*
    ( options { generateAmbigWarnings = false; }
    : '\n'
    | '\r' ( options { generateAmbigWarnings = false; } : '\n' )?
    )?
    { newline(); }
  ;

// From slash-star to the first star-slash; comments do not nest.
ML_COMMENT
  : "/*"
    ( options { generateAmbigWarnings = false; }
    : { LA(2) != '/' }? '*'
    | "\r\n" { newline(); }
    | '\r' { newline(); }
    | '\n' { newline(); }
    | ~('*' | '\n' | '\r')
    )*
    "*/"
  ;
