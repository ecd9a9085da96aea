// The passes of the code generator, its dispatcher, script roots, event handlers and function
// definitions. Expressions, calls and control flow have files of their own.
#include "script/CodeGenerator.h"

#include <utility>

namespace {

using Kind = SyntaxNodeKind;

bool IsScope(Kind kind) {
  return kind == Kind::Array || kind == Kind::Button || kind == Kind::MovieClip || kind == Kind::List;
}

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Whether the bytes are UTF-8: no stray or missing continuation byte, no overlong form, no
// surrogate and nothing past U+10FFFF.
bool IsUtf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    int length = 0;
    uint32_t c = 0;
    uint32_t least = 0;
    if (b0 < 0x80) {
      ++i;
      continue;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
      length = 2, c = b0 & 0x1F, least = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      length = 3, c = b0 & 0x0F, least = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      length = 4, c = b0 & 0x07, least = 0x10000;
    } else {
      return false;
    }
    if (i + static_cast<size_t>(length) > text.size()) return false;
    for (int k = 1; k < length; ++k) {
      const auto b = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
      if ((b & 0xC0) != 0x80) return false;
      c = (c << 6) | (b & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    i += static_cast<size_t>(length);
  }
  return true;
}

// Key presses sit in bits 9 to 15 of a button condition.
constexpr uint32_t kKeyMask = 0xFE00;

}  // namespace

// --- pass 1 ----------------------------------------------------------------------------------

void CodeGenerator::RewriteTree(SyntaxNode& node) { RewriteNode(node); }

void CodeGenerator::RewriteNode(SyntaxNode& node) {
  const bool scope = IsScope(node.GetKind());
  if (scope) {
    context_.scopes.push_back(&node);
    context_.counters.push_back(0);
  }
  // A definition moved to the front of this node shifts the later children by one place; the
  // walk goes on after the child it has just rewritten, so nothing is rewritten twice.
  for (uint32_t i = 0; i < node.GetChildCount();) {
    uint32_t before = node.GetChildCount();
    RewriteNode(*node.GetChild(i));
    i += 1 + (node.GetChildCount() - before);
  }
  if (scope) {
    context_.scopes.pop_back();
    context_.counters.pop_back();
  }

  try {
    RewriteOwnNode(node);
  } catch (ScriptGenerateError& e) {
    if (e.line == 0) e.line = node.GetLine();
    throw;
  }
}

void CodeGenerator::RewriteOwnNode(SyntaxNode& node) {
  // From SWF 6 on the movie's strings are UTF-8: text that is not would reach it as it stands.
  if (context_.version >= 6 && !IsUtf8(node.GetText())) {
    throw ScriptGenerateError(node.GetKind() == Kind::String ? "a string holds bytes that are not UTF-8"
                                                             : "a name holds bytes that are not UTF-8");
  }
  switch (node.GetKind()) {
    case Kind::String: DecodeStringLiteral(node); break;
    case Kind::Value: {
      // Only a name of exactly two parts is a constant; Math.PI.toString() stays a chain.
      if (node.GetChildCount() != 2) break;
      const SyntaxNode* first = node.GetChild(0);
      const SyntaxNode* second = node.GetChild(1);
      if ((first->GetKind() != Kind::Identifier && first->GetKind() != Kind::Number) ||
          second->GetKind() != Kind::Attribute) {
        break;
      }
      std::string name = std::string(first->GetText()) + "." + second->GetText();
      if (!names_.IsConstant(name)) break;
      node.SetKind(Kind::Constant);
      node.SetText(name.c_str());
      ReleaseSyntaxNode(node.ReplaceChild(0, NewSyntaxNode(Kind::NoOp)));
      ReleaseSyntaxNode(node.ReplaceChild(1, NewSyntaxNode(Kind::NoOp)));
      break;
    }
    case Kind::DefineFunction: {
      SyntaxNode* parent = node.GetParent();
      if (!parent || context_.scopes.empty()) break;
      int32_t index = parent->IndexOfChild(&node);
      if (index < 0) break;
      SyntaxNode* taken = parent->ReplaceChild(static_cast<uint32_t>(index), NewSyntaxNode(Kind::NoOp));
      SyntaxNode* target = context_.scopes.back();
      int32_t& counter = context_.counters.back();
      if (!target->InsertChild(static_cast<uint32_t>(counter), taken)) target->AppendChild(taken);
      ++counter;
      break;
    }
    case Kind::Function: {
      const std::string name = node.GetText();
      if (name == "fscommand") {
        SyntaxNode* command = node.GetChild(0);
        if (command && command->GetKind() == Kind::String) {
          command->SetText(("FSCommand:" + std::string(command->GetText())).c_str());
        }
      } else if ((name == "print" || name == "printAsBitmap" || name == "printNum" || name == "printAsBitmapNum") &&
                 node.GetChildCount() >= 2) {
        SyntaxNode* option = node.GetChild(1);
        std::string prefix = name == "print" || name == "printNum" ? "print:" : "printasbitmap:";
        std::string text = option->GetText();
        option->SetText((text == "bmovie" ? prefix : prefix + "#" + text).c_str());
      }
      break;
    }
    default: break;
  }
}

// A string literal's text keeps its escapes as written; here they become the characters they
// stand for. A \u or octal escape is written in UTF-8 from SWF 6 on and as one byte below
// (where only characters up to 0xFF have one). A SWF string cannot hold a 0 byte, so \0 is
// refused.
void CodeGenerator::DecodeStringLiteral(SyntaxNode& node) {
  const std::string text = node.GetText();
  if (text.find('\\') == std::string::npos) return;
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\\' || i + 1 >= text.size()) {
      out += c;
      continue;
    }
    char e = text[++i];
    uint32_t code = 0;
    bool character = false;  // code holds a character number rather than a byte
    switch (e) {
      case 'n': code = '\n'; break;
      case 'r': code = '\r'; break;
      case 't': code = '\t'; break;
      case 'b': code = '\b'; break;
      case 'f': code = '\f'; break;
      case 'u': {
        while (i + 1 < text.size() && text[i + 1] == 'u') ++i;
        int value = 0;
        int digits = 0;
        while (digits < 4 && i + 1 < text.size() && HexValue(text[i + 1]) >= 0) {
          value = value * 16 + HexValue(text[++i]);
          ++digits;
        }
        code = static_cast<uint32_t>(value);
        character = true;
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          // Up to three octal digits when the first is 0 to 3, up to two otherwise.
          int limit = e <= '3' ? 3 : 2;
          int value = e - '0';
          for (int n = 1; n < limit && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '7'; ++n) {
            value = value * 8 + (text[++i] - '0');
          }
          code = static_cast<uint32_t>(value);
          // A character number, like \u: past 0x7F it is written as the version writes text.
          character = true;
        } else {
          code = static_cast<unsigned char>(e);  // \" \' \\ and anything else stand for themselves
        }
        break;
    }
    if (code == 0) throw ScriptGenerateError("a string cannot hold the character 0");
    if (character && code > 0x7F) {
      if (context_.version >= 6) {
        AppendUtf8(out, code);
      } else if (code <= 0xFF) {
        out += static_cast<char>(code);
      } else {
        throw ScriptGenerateError("a character beyond 0xFF needs SWF 6 or later");
      }
    } else {
      out += static_cast<char>(code);
    }
  }
  node.SetText(out.c_str());
}

// --- pass 2 ----------------------------------------------------------------------------------

void CodeGenerator::CollectStrings(const SyntaxNode& node) {
  const Kind kind = node.GetKind();
  const std::string text = node.GetText();
  const uint32_t count = node.GetChildCount();
  auto visit = [&](uint32_t i) { CollectStrings(*node.GetChild(i)); };
  auto inOrder = [&] {
    for (uint32_t i = 0; i < count; ++i) visit(i);
  };
  auto backwards = [&] {
    for (uint32_t i = count; i-- > 0;) visit(i);
  };

  const bool getProperty = kind == Kind::Function && text == "getProperty";
  if (getProperty) context_.nameStack.push_back("getProperty");

  switch (kind) {
    case Kind::NoOp: break;
    case Kind::Value:
      for (uint32_t i = count; i-- > 0;) {
        if (node.GetChild(i)->GetKind() == Kind::Function) visit(i);
      }
      for (uint32_t i = 0; i < count; ++i) {
        if (node.GetChild(i)->GetKind() != Kind::Function) visit(i);
      }
      break;
    case Kind::String:
    case Kind::DefineVariable: context_.AddPoolString(text); break;
    case Kind::Identifier: {
      const SyntaxNode* parent = node.GetParent();
      Kind parentKind = parent ? parent->GetKind() : Kind::NoOp;
      if (parentKind == Kind::OnClipEvent && names_.ClipEventValue(text) != 0) break;
      if (parentKind == Kind::On && names_.ButtonEventValue(text) != 0) break;
      if (names_.IsProperty(text)) {
        if (parentKind == Kind::Value && !context_.NameStackContains("getProperty")) context_.AddPoolString(text);
        break;
      }
      if (text == "true" || text == "false" || text == "null") break;
      context_.AddPoolString(text);
      break;
    }
    case Kind::Attribute:
    case Kind::Method:
    case Kind::NewObject:
      backwards();
      context_.AddPoolString(text);
      break;
    case Kind::Function:
      if (names_.IsBuiltinFunction(text)) {
        if (text == "fscommand") {
          context_.AddPoolString("FSCommand:");
          inOrder();
        } else if (text == "getURL" || text == "loadMovie" || text == "loadVariables") {
          if (count >= 1) visit(0);
          if (count >= 2) visit(1);
          if (count == 1) context_.AddPoolString("");
        } else if (text == "gotoAndPlay" || text == "gotoAndStop") {
          if (count > 0) visit(count - 1);
        } else if (text == "print" || text == "printAsBitmap") {
          backwards();
        } else if (text == "loadMovieNum" || text == "loadVariablesNum" || text == "unloadMovieNum" ||
                   text == "printNum" || text == "printAsBitmapNum") {
          // In the order of the pushes: the address or print option, then the level's name.
          const bool unload = text == "unloadMovieNum";
          const uint32_t level = unload || text[0] == 'p' ? 0 : 1;
          if (unload) {
            if (count >= 1 && !LevelName(node.GetChild(0))) context_.AddPoolString("");
          } else if (count >= 2) {
            visit(level == 0 ? 1 : 0);
          }
          if (count > level) {
            std::optional<std::string> name = LevelName(node.GetChild(level));
            // A load of a literal address into a literal level pushes nothing.
            bool pushes =
                !(text == "loadMovieNum" && count == 2 && node.GetChild(0)->GetKind() == Kind::String && name) &&
                !(unload && name);
            if (pushes) {
              context_.AddPoolString(name ? *name : "_level");
              if (!name) visit(level);
            }
          }
        } else {
          inOrder();
        }
      } else {
        inOrder();
        if (!text.empty()) context_.AddPoolString(text);
      }
      break;
    case Kind::DefineArray: backwards(); break;
    case Kind::DefineFunction:
      if (count > 0) visit(count - 1);
      break;
    default: inOrder(); break;
  }

  if (getProperty) context_.nameStack.pop_back();
}

// --- pass 3 ----------------------------------------------------------------------------------

void CodeGenerator::MarkStatement(SyntaxNode& node) {
  node.SetStatementFlag(1);
  // The parts of an expression list stand as statements of their own: each leaves nothing.
  if (node.GetKind() == Kind::List || node.GetKind() == Kind::ExpressionList) {
    for (uint32_t i = 0; i < node.GetChildCount(); ++i) MarkStatement(*node.GetChild(i));
  }
}

void CodeGenerator::GenerateStatement(SyntaxNode& node, GenList& list) {
  MarkStatement(node);
  GenerateNode(node, list);
}

void CodeGenerator::GenerateChildren(SyntaxNode& node, GenList& list, bool reverse, uint32_t from) {
  uint32_t count = node.GetChildCount();
  if (reverse) {
    for (uint32_t i = count; i-- > from;) GenerateNode(*node.GetChild(i), list);
  } else {
    for (uint32_t i = from; i < count; ++i) GenerateNode(*node.GetChild(i), list);
  }
}

void CodeGenerator::GenerateNode(SyntaxNode& node, GenList& list) {
  try {
    DispatchNode(node, list);
  } catch (ScriptGenerateError& e) {
    // The innermost node that knows its line names the place of the error.
    if (e.line == 0) e.line = node.GetLine();
    throw;
  }
}

void CodeGenerator::DispatchNode(SyntaxNode& node, GenList& list) {
  switch (node.GetKind()) {
    case Kind::NoOp: return;
    case Kind::Array:
    case Kind::Button:
    case Kind::MovieClip: GenerateRoot(node, list); return;
    case Kind::List:
      for (uint32_t i = 0; i < node.GetChildCount(); ++i) GenerateStatement(*node.GetChild(i), list);
      return;
    case Kind::ExpressionList: GenerateChildren(node, list, false); return;
    case Kind::If: GenerateIf(node, list); return;
    case Kind::For: GenerateFor(node, list); return;
    case Kind::ForIn: GenerateForIn(node, list); return;
    case Kind::While: GenerateWhile(node, list); return;
    case Kind::DoWhile: GenerateDoWhile(node, list); return;
    case Kind::With: GenerateWith(node, list); return;
    case Kind::OnClipEvent:
    case Kind::On: GenerateHandler(node, list); return;
    case Kind::Break:
    case Kind::Continue:
      if (loopDepth_ == 0) {
        throw ScriptGenerateError(node.GetKind() == Kind::Break ? "break outside a loop" : "continue outside a loop");
      }
      AppendOperandAction(list,
                          node.GetKind() == Kind::Break ? GenCode::BreakPlaceholder : GenCode::ContinuePlaceholder, 0);
      return;
    case Kind::Return: GenerateReturn(node, list); return;
    case Kind::DefineFunction:
    case Kind::DefineMethod: GenerateFunctionDefinition(node, list); return;
    case Kind::Function: GenerateCall(node, list); return;
    default: GenerateExpression(node, list); return;
  }
}

void CodeGenerator::GenerateRoot(SyntaxNode& node, GenList& list) {
  const Kind kind = node.GetKind();
  // A button script holds on handlers only, a clip script onClipEvent handlers only: the
  // records of anything else would sit among the handlers as bytes no player reads.
  for (uint32_t i = 0; i < node.GetChildCount(); ++i) {
    const SyntaxNode& statement = *node.GetChild(i);
    Kind child = statement.GetKind();
    if (child == Kind::NoOp) continue;
    const char* refusal = nullptr;
    if (kind == Kind::Button && child != Kind::On) {
      refusal = "a script with on handlers can hold nothing but on handlers";
    }
    if (kind == Kind::MovieClip && child != Kind::OnClipEvent) {
      refusal = "a script with onClipEvent handlers can hold nothing but onClipEvent handlers";
    }
    if (refusal) {
      ScriptGenerateError error(refusal);
      error.line = statement.GetLine();
      throw error;
    }
  }
  GenList records;
  if (kind == Kind::Array && context_.poolUsed) records.push_back(context_.NewConstantPool());
  const bool spans = kind == Kind::Array && statementSpans && !node.GetParent();
  int64_t position = spans ? Length(records) : 0;
  for (uint32_t i = 0; i < node.GetChildCount(); ++i) {
    SyntaxNode& statement = *node.GetChild(i);
    size_t first = records.size();
    GenerateStatement(statement, records);
    // Sizing the statement's records checks their operands and lengths while the statement
    // that made them is known, so that a refusal names its line.
    int64_t size = SizeNodeRecords(statement, records, first);
    if (!spans) continue;
    statementSpans->push_back({static_cast<size_t>(position), static_cast<size_t>(position + size)});
    position += size;
  }
  int32_t code = kind == Kind::Array    ? GenCode::PlainList
                 : kind == Kind::Button ? GenCode::ButtonConditionList
                                        : GenCode::ClipActionList;
  list.push_back(std::make_unique<GenRecordList>(code, std::move(records)));
}

void CodeGenerator::GenerateHandler(SyntaxNode& node, GenList& list) {
  const bool button = node.GetKind() == Kind::On;
  const SyntaxNode* parent = node.GetParent();
  if (!parent || parent->GetKind() != (button ? Kind::Button : Kind::MovieClip)) {
    throw ScriptGenerateError(button ? "an on handler must stand at the top of its script"
                                     : "an onClipEvent handler must stand at the top of its script");
  }
  const uint32_t count = node.GetChildCount();
  if (count < 2) throw ScriptGenerateError("a handler needs an event and a body");
  uint32_t flags = 0;
  bool key = false;
  for (uint32_t i = 0; i + 1 < count; ++i) {
    const std::string name = node.GetChild(i)->GetText();
    if (!button) {
      uint32_t flag = static_cast<uint32_t>(names_.ClipEventValue(name));
      if (flag == 0) throw ScriptGenerateError("unknown clip event: " + name);
      flags |= flag;
      continue;
    }
    uint32_t value = static_cast<uint32_t>(names_.ButtonEventValue(name));
    if (value == 0) {
      // A key press named by its character.
      unsigned char c = name.size() == 1 ? static_cast<unsigned char>(name[0]) : 0;
      if (c == 0 || c > 0x7F) throw ScriptGenerateError("unknown button event: " + name);
      value = static_cast<uint32_t>(c) * 512;
    }
    if (value & kKeyMask) {
      // The condition has room for one key.
      if (key) throw ScriptGenerateError("a handler can wait for one key only");
      key = true;
    }
    flags |= value;
  }

  GenList actions;
  if (context_.poolUsed) actions.push_back(context_.NewConstantPool());
  int savedLoops = std::exchange(loopDepth_, 0);
  int savedForIns = std::exchange(forInDepth_, 0);
  GenerateStatement(*node.GetChild(count - 1), actions);
  SizeNodeRecords(node, actions, 0);
  loopDepth_ = savedLoops;
  forInDepth_ = savedForIns;
  list.push_back(std::make_unique<GenEventHandler>(button ? GenCode::ButtonCondition : GenCode::ClipEventHandler, flags,
                                                   std::move(actions)));
}

void CodeGenerator::GenerateFunctionDefinition(SyntaxNode& node, GenList& list) {
  const uint32_t count = node.GetChildCount();
  if (count == 0) throw ScriptGenerateError("a function without a body");
  std::vector<std::string> parameters;
  auto addParameter = [&](const SyntaxNode& p) {
    if (p.GetKind() != Kind::Identifier) throw ScriptGenerateError("a parameter must be a name");
    parameters.emplace_back(p.GetText());
  };
  if (count == 2) {
    const SyntaxNode& params = *node.GetChild(0);
    if (params.GetKind() == Kind::List) {
      for (uint32_t i = 0; i < params.GetChildCount(); ++i) addParameter(*params.GetChild(i));
    } else {
      addParameter(params);
    }
  }
  GenList body;
  int savedLoops = std::exchange(loopDepth_, 0);
  int savedForIns = std::exchange(forInDepth_, 0);
  GenerateStatement(*node.GetChild(count - 1), body);
  loopDepth_ = savedLoops;
  forInDepth_ = savedForIns;
  std::string name = node.GetKind() == Kind::DefineFunction ? node.GetText() : "";
  list.push_back(std::make_unique<GenDefineFunction>(std::move(name), std::move(parameters), std::move(body)));
  // A function literal leaves the function on the stack.
  if (node.GetKind() == Kind::DefineMethod) PopWhenStatement(node, list);
}

int64_t CodeGenerator::SizeNodeRecords(const SyntaxNode& node, GenList& list, size_t first) {
  int64_t size = 0;
  try {
    for (size_t r = first; r < list.size(); ++r) size += list[r]->Size(context_.version);
  } catch (ScriptGenerateError& e) {
    if (e.line == 0) e.line = node.GetLine();
    throw;
  }
  return size;
}

void CodeGenerator::PopWhenStatement(const SyntaxNode& node, GenList& list) {
  if (node.GetStatementFlag()) AppendAction(list, GenCode::Pop);
}

// --- entry -----------------------------------------------------------------------------------

GenList GenerateScriptRecords(SyntaxNode& root, int32_t version, const BuiltinNames& names,
                              std::vector<ScriptStatementSpan>* statements) {
  GenerationContext context(version);
  CodeGenerator generator(names, context);
  generator.statementSpans = statements;
  generator.RewriteTree(root);
  generator.CollectStrings(root);
  GenList records;
  generator.GenerateNode(root, records);
  return records;
}

std::vector<uint8_t> GenerateScriptActions(SyntaxNode& root, int32_t version, const BuiltinNames& names,
                                           std::vector<ScriptStatementSpan>* statements) {
  if (version < 5) return {};
  GenList records = GenerateScriptRecords(root, version, names, statements);
  return WriteGenActions(records, version);
}

bool GenerateScriptActions(SyntaxNode& root, int32_t version, const BuiltinNames& names, std::vector<uint8_t>& bytes,
                           std::string& error) {
  try {
    bytes = GenerateScriptActions(root, version, names);
    error.clear();
    return true;
  } catch (const ScriptGenerateError& e) {
    bytes.clear();
    error = e.what();
    return false;
  }
}
