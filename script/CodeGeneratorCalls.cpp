// Calls of functions by name: script functions, and the built-in functions that become actions
// of their own.
#include <cstring>
#include <limits>
#include <optional>

#include "script/CodeGenerator.h"

namespace {

using Kind = SyntaxNodeKind;

bool IsString(const SyntaxNode* node) { return node && node->GetKind() == Kind::String; }
bool IsNumber(const SyntaxNode* node) { return node && node->GetKind() == Kind::Number; }

// The argument counts a built-in accepts (max -1: any number from min on; the rules read only
// the arguments they name). Calls outside them are refused: a missing argument would leave
// the action short of its operands, a surplus one would stay on the stack.
struct Arity {
  const char* name;
  int min;
  int max;
};

constexpr Arity kArities[] = {
    {"delete", 1, 1},
    {"duplicateMovieClip", 3, 3},
    {"eval", 1, -1},
    {"fscommand", 1, 2},
    {"getProperty", 2, 2},
    {"getTimer", 0, -1},
    {"getURL", 1, 3},
    {"getVersion", 0, -1},
    {"gotoAndPlay", 1, -1},
    {"gotoAndStop", 1, -1},
    {"hitTest", 0, -1},
    {"loadMovie", 2, 3},
    {"loadVariables", 2, 3},
    {"nextFrame", 0, -1},
    {"nextScene", 0, -1},
    {"Number", 1, -1},
    {"play", 0, -1},
    {"prevFrame", 0, -1},
    {"prevScene", 0, -1},
    {"print", 2, 2},
    {"printAsBitmap", 2, 2},
    {"removeMovieClip", 1, 1},
    {"set", 2, 2},
    {"setProperty", 3, 3},
    {"startDrag", 1, 6},
    {"stop", 0, -1},
    {"stopAllSounds", 0, -1},
    {"stopDrag", 0, -1},
    {"String", 1, -1},
    {"targetPath", 1, 1},
    {"toggleHighQuality", 0, -1},
    {"trace", 1, 1},
    {"typeof", 1, 1},
    {"unloadMovie", 1, 1},
    {"void", 1, 1},
    {"loadMovieNum", 2, 3},
    {"unloadMovieNum", 1, 1},
    {"loadVariablesNum", 2, 3},
    {"printNum", 2, 2},
    {"printAsBitmapNum", 2, 2},
    {"int", 1, 1},
    {"random", 1, 1},
    {"length", 1, 1},
    {"substring", 3, 3},
    {"chr", 1, 1},
    {"ord", 1, 1},
    {"mbchr", 1, 1},
    {"mbord", 1, 1},
    {"mblength", 1, 1},
    {"mbsubstring", 3, 3},
};

// The functions the player has only as actions: their arguments in order, then the action.
struct ActionFunction {
  const char* name;
  int32_t code;
};

constexpr ActionFunction kActionFunctions[] = {
    {"int", GenCode::ToInteger},           {"random", GenCode::RandomNumber},
    {"length", GenCode::StringLength},     {"substring", GenCode::StringExtract},
    {"chr", GenCode::AsciiToChar},         {"ord", GenCode::CharToAscii},
    {"mbchr", GenCode::MBAsciiToChar},     {"mbord", GenCode::MBCharToAscii},
    {"mblength", GenCode::MBStringLength}, {"mbsubstring", GenCode::MBStringExtract},
};

void CheckArity(const std::string& name, uint32_t count) {
  for (const Arity& arity : kArities) {
    if (name != arity.name) continue;
    bool ok = static_cast<int>(count) >= arity.min && (arity.max < 0 || static_cast<int>(count) <= arity.max);
    if (name == "startDrag" && count >= 3 && count <= 5) ok = false;
    if (!ok) throw ScriptGenerateError("wrong number of arguments for " + name);
    return;
  }
}

// Built-in calls that leave nothing on the stack, whatever the name table says: set and
// loadVariables store or load and push no result.
bool LeavesNothing(const std::string& name) { return name == "set" || name == "loadVariables"; }

}  // namespace

std::optional<std::string> CodeGenerator::LevelName(const SyntaxNode* level) {
  if (!IsNumber(level)) return std::nullopt;
  const std::string text = level->GetText();
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const int64_t number = ParseIntegerLiteral(text);
  if (number > std::numeric_limits<int32_t>::max()) return std::nullopt;
  return "_level" + std::to_string(number);
}

void CodeGenerator::AppendLevelTarget(SyntaxNode* level, GenList& list) {
  if (std::optional<std::string> name = LevelName(level)) {
    AppendPushString(list, *name);
    return;
  }
  AppendPushString(list, "_level");
  GenerateNode(*level, list);
  AppendAction(list, GenCode::StringAdd);
}

void CodeGenerator::GenerateCall(SyntaxNode& node, GenList& list) {
  const std::string name = node.GetText();
  const bool builtin = names_.IsBuiltinFunction(name);
  if (builtin) {
    GenerateBuiltinCall(node, list);
  } else {
    GenerateChildren(node, list, true);
    AppendPushNumber(list, static_cast<int32_t>(node.GetChildCount()));
    AppendPushString(list, name);
    AppendAction(list, GenCode::CallFunction);
  }
  // A statement call pops its result, unless the call leaves none: only a built-in can, since
  // every call of a script function returns a value. A call that leaves none but stands where
  // a value is wanted (an operand, an argument, a branch of a condition) gives undefined, so
  // that whatever takes the value finds one.
  bool noValue = builtin && (names_.IsNoValueFunction(name) || LeavesNothing(name));
  if (node.GetStatementFlag() && !noValue) AppendAction(list, GenCode::Pop);
  if (!node.GetStatementFlag() && noValue) AppendPushValue(list, std::make_unique<PushUndefined>());
}

void CodeGenerator::GenerateBuiltinCall(SyntaxNode& node, GenList& list) {
  const std::string name = node.GetText();
  const uint32_t n = node.GetChildCount();
  CheckArity(name, n);
  SyntaxNode* a0 = node.GetChild(0);
  SyntaxNode* a1 = node.GetChild(1);
  SyntaxNode* a2 = node.GetChild(2);
  auto gen = [&](SyntaxNode* argument) { GenerateNode(*argument, list); };
  auto action = [&](int32_t code) { AppendAction(list, code); };
  auto argumentsAnd = [&](int32_t code) {
    GenerateChildren(node, list, false);
    action(code);
  };
  auto getUrl2 = [&](int64_t flags) { AppendOperandAction(list, GenCode::GetUrl2, flags); };
  auto getUrl = [&](const std::string& url, const std::string& target) {
    list.push_back(std::make_unique<GenUrlAction>(url, target));
  };
  auto methodText = [](const SyntaxNode* option) {
    std::string t = option->GetText();
    return t == "get" || t == "GET" ? 1 : t == "post" || t == "POST" ? 2 : 0;
  };

  if (name == "delete") {
    gen(a0);
    if (LastCode(list) == GenCode::GetMember && !list.back()->sealed) {
      list.pop_back();
      action(GenCode::Delete);
    } else {
      if (LastCode(list) == GenCode::GetVariable && !list.back()->sealed) list.pop_back();
      action(GenCode::Delete2);
    }
    // The result of a delete is not wanted here.
    action(GenCode::Pop);
  } else if (name == "duplicateMovieClip") {
    gen(a0);
    gen(a1);
    int64_t depth = IsNumber(a2) ? ParseIntegerLiteral(a2->GetText()) + 16384 : -1;
    if (depth >= 0 && depth <= 0x7FFFFFFF) {
      AppendPushValue(list, std::make_unique<PushInteger>(static_cast<int32_t>(depth)));
    } else {
      AppendPushValue(list, std::make_unique<PushInteger>(16384));
      gen(a2);
      action(GenCode::Add2);
    }
    action(GenCode::CloneSprite);
  } else if (name == "eval") {
    gen(a0);
    const SyntaxNode* parent = node.GetParent();
    if (parent && parent->GetKind() == Kind::Value) {
      int32_t index = parent->IndexOfChild(&node);
      const SyntaxNode* next = parent->GetChild(static_cast<uint32_t>(index + 1));
      if (next && next->GetKind() != Kind::Method && next->GetKind() != Kind::Function) action(GenCode::GetVariable);
    } else {
      // eval of a literal names a variable too: its value is the result, not the name.
      action(GenCode::GetVariable);
    }
  } else if (name == "fscommand") {
    if (IsString(a0) && (n == 1 || IsString(a1))) {
      getUrl(a0->GetText(), n == 1 ? "" : a1->GetText());
    } else {
      if (IsString(a0)) {
        AppendPushString(list, a0->GetText());
      } else {
        AppendPushString(list, "FSCommand:");
        gen(a0);
        action(GenCode::StringAdd);
      }
      if (n == 1) {
        AppendPushString(list, "");
      } else {
        gen(a1);
      }
      getUrl2(0);
    }
  } else if (name == "getProperty") {
    if (a1->GetKind() != Kind::Identifier || !names_.IsProperty(a1->GetText())) {
      throw ScriptGenerateError("getProperty needs a property name");
    }
    gen(a0);
    AppendPushValue(list, std::make_unique<PushInteger>(names_.PropertyIndex(a1->GetText())));
    action(GenCode::GetProperty);
  } else if (name == "getTimer") {
    action(GenCode::GetTime);
  } else if (name == "getURL") {
    if (n == 1) {
      if (IsString(a0)) {
        getUrl(a0->GetText(), "");
      } else {
        gen(a0);
        AppendPushString(list, "");
        getUrl2(0);
      }
    } else if (n == 2) {
      if (IsString(a0) && IsString(a1)) {
        getUrl(a0->GetText(), a1->GetText());
      } else {
        gen(a0);
        gen(a1);
        getUrl2(0);
      }
    } else {
      gen(a0);
      gen(a1);
      getUrl2(methodText(a2));
    }
  } else if (name == "getVersion") {
    AppendPushValue(list, std::make_unique<PushString>("/:$version"));
    action(GenCode::GetVariable);
  } else if (name == "gotoAndPlay" || name == "gotoAndStop") {
    bool play = name == "gotoAndPlay";
    SyntaxNode* frame = node.GetChild(n - 1);
    if (IsNumber(frame)) {
      AppendOperandAction(list, GenCode::GotoFrame, ParseIntegerLiteral(frame->GetText()) - 1);
      if (play) action(GenCode::Play);
    } else {
      gen(frame);
      AppendOperandAction(list, GenCode::GotoFrame2, play ? 1 : 0);
    }
  } else if (name == "hitTest") {
    GenerateChildren(node, list, true);
    AppendPushNumber(list, static_cast<int32_t>(n));
    AppendPushString(list, "hitTest");
    action(GenCode::CallFunction);
  } else if (name == "loadMovie") {
    if (n == 2) {
      if (IsString(a0) && IsNumber(a1)) {
        getUrl(a0->GetText(), std::string("_level") + a1->GetText());
      } else if (IsNumber(a1)) {
        // A level given by number: the target is its level name.
        gen(a0);
        AppendPushString(list, std::string("_level") + a1->GetText());
        getUrl2(0x40);
      } else {
        gen(a0);
        gen(a1);
        getUrl2(0x40);
      }
    } else {
      gen(a0);
      gen(a1);
      getUrl2(methodText(a2) == 1 ? 0x41 : 0x42);
    }
  } else if (name == "loadVariables") {
    gen(a0);
    gen(a1);
    getUrl2(n == 2 ? 0xC0 : methodText(a2) == 1 ? 0xC1 : 0xC2);
  } else if (name == "nextFrame") {
    action(GenCode::NextFrame);
  } else if (name == "nextScene" || name == "prevScene") {
    AppendOperandAction(list, GenCode::GotoFrame, 0);
  } else if (name == "Number") {
    gen(a0);
    action(GenCode::ToNumber);
  } else if (name == "play") {
    action(GenCode::Play);
  } else if (name == "prevFrame") {
    action(GenCode::PreviousFrame);
  } else if (name == "print" || name == "printAsBitmap") {
    AppendPushString(list, a1->GetText());
    gen(a0);
    getUrl2(0);
  } else if (name == "removeMovieClip") {
    argumentsAnd(GenCode::RemoveSprite);
  } else if (name == "set") {
    argumentsAnd(GenCode::SetVariable);
  } else if (name == "setProperty") {
    // The second argument names the property: its index is pushed, never its value.
    if (a1->GetKind() != Kind::Identifier || !names_.IsProperty(a1->GetText())) {
      throw ScriptGenerateError("setProperty needs a property name");
    }
    context_.nameStack.push_back("setProperty");
    gen(a0);
    AppendPushNumber(list, names_.PropertyIndex(a1->GetText()));
    gen(a2);
    context_.nameStack.pop_back();
    action(GenCode::SetProperty);
  } else if (name == "startDrag") {
    if (n == 1) {
      AppendPushNumber(list, 0);
      AppendPushNumber(list, 0);
    } else if (n == 2) {
      AppendPushNumber(list, 0);
      gen(a1);
    } else {
      for (uint32_t i = 2; i < 6; ++i) gen(node.GetChild(i));
      AppendPushValue(list, std::make_unique<PushInteger>(1));
      gen(a1);
    }
    gen(a0);
    action(GenCode::StartDrag);
  } else if (name == "stop") {
    action(GenCode::Stop);
  } else if (name == "stopAllSounds") {
    action(GenCode::StopSounds);
  } else if (name == "stopDrag") {
    action(GenCode::EndDrag);
  } else if (name == "String") {
    gen(a0);
    action(GenCode::ToString);
  } else if (name == "targetPath") {
    argumentsAnd(GenCode::TargetPath);
  } else if (name == "toggleHighQuality") {
    action(GenCode::ToggleQuality);
  } else if (name == "trace") {
    argumentsAnd(GenCode::Trace);
  } else if (name == "typeof") {
    argumentsAnd(GenCode::TypeOf);
  } else if (name == "unloadMovie") {
    if (IsNumber(a0)) {
      getUrl("", std::string("_level") + a0->GetText());
    } else {
      AppendPushString(list, "");
      gen(a0);
      getUrl2(0x40);
    }
  } else if (name == "void") {
    argumentsAnd(GenCode::Pop);
    AppendPushValue(list, std::make_unique<PushUndefined>());
  } else if (name == "loadMovieNum") {
    // A level is loaded as the window "_levelN".
    std::optional<std::string> level = LevelName(a1);
    if (n == 2 && IsString(a0) && level) {
      getUrl(a0->GetText(), *level);
    } else {
      gen(a0);
      AppendLevelTarget(a1, list);
      getUrl2(n == 2 ? 0 : methodText(a2) == 1 ? 1 : 2);
    }
  } else if (name == "unloadMovieNum") {
    std::optional<std::string> level = LevelName(a0);
    if (level) {
      getUrl("", *level);
    } else {
      AppendPushString(list, "");
      AppendLevelTarget(a0, list);
      getUrl2(0);
    }
  } else if (name == "loadVariablesNum") {
    gen(a0);
    AppendLevelTarget(a1, list);
    getUrl2(0x80 | (n == 2 ? 0 : methodText(a2) == 1 ? 1 : 2));
  } else if (name == "printNum" || name == "printAsBitmapNum") {
    AppendPushString(list, a1->GetText());
    AppendLevelTarget(a0, list);
    getUrl2(0);
  } else {
    for (const ActionFunction& function : kActionFunctions) {
      if (name != function.name) continue;
      argumentsAnd(function.code);
      return;
    }
    throw ScriptGenerateError("no translation for " + name);
  }
}
