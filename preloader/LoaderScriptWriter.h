// A small writer of action lists in the form the loader's scripts are read: one call per
// action, Push values given as pool references, inline texts and numbers.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <utility>

#include "platform/WideString.h"
#include "swf/ActionBranch.h"
#include "swf/ActionConstantPool.h"
#include "swf/ActionPush.h"
#include "swf/DoActionTag.h"
#include "swf/OperandActions.h"

// One value of a Push.
struct ScriptValue {
  enum Kind { kPoolRef, kPoolIndex, kInline, kInt, kDouble, kBool };
  Kind kind;
  WideString text;
  double number = 0;

  static ScriptValue Ref(const WideString& text) { return {kPoolRef, text, 0}; }
  // A reference by a given pool index.
  static ScriptValue Index(int index) { return {kPoolIndex, WideString(), static_cast<double>(index)}; }
  static ScriptValue Inline(const WideString& text) { return {kInline, text, 0}; }
  static ScriptValue Int(int32_t value) { return {kInt, WideString(), static_cast<double>(value)}; }
  static ScriptValue Dbl(double value) { return {kDouble, WideString(), value}; }
  static ScriptValue Bool(bool value) { return {kBool, WideString(), value ? 1.0 : 0.0}; }
};

class LoaderScriptWriter {
 public:
  // `pool` (may be null when the script references none) receives every referenced text
  // that it does not hold yet.
  LoaderScriptWriter(DoActionTag& actions, ActionConstantPool* pool) : actions_(actions), pool_(pool) {}

  LoaderScriptWriter& Push(std::initializer_list<ScriptValue> values) {
    auto push = std::make_unique<ActionPush>();
    for (const ScriptValue& v : values) {
      switch (v.kind) {
        case ScriptValue::kPoolRef: push->AddConstant8(pool_ ? pool_->AddString(v.text) : -1); break;
        case ScriptValue::kPoolIndex: push->AddConstant8(static_cast<int>(v.number)); break;
        case ScriptValue::kInline: push->AddString(v.text); break;
        case ScriptValue::kInt: push->AddInteger(static_cast<int32_t>(v.number)); break;
        case ScriptValue::kDouble: push->AddDouble(v.number); break;
        case ScriptValue::kBool: push->AddBoolean(v.number != 0); break;
      }
    }
    actions_.AddAction(std::move(push));
    return *this;
  }

  template <typename Action, typename... Args>
  LoaderScriptWriter& Add(Args&&... args) {
    actions_.AddAction(std::make_unique<Action>(std::forward<Args>(args)...));
    return *this;
  }

  // A forward branch, with the list's branch tracking on: it stays open, and the list adds
  // the size of every action appended after it to its offset, until it lands. If and Jump
  // with a `Branch` keep it for Land; without one the branch lands at End() (innermost first).
  using Branch = const ActionRecord*;
  LoaderScriptWriter& If() { return Add<ActionIf>(0); }
  LoaderScriptWriter& Jump() { return Add<ActionJump>(0); }
  LoaderScriptWriter& If(Branch& branch) { return Keep(Add<ActionIf>(0), branch); }
  LoaderScriptWriter& Jump(Branch& branch) { return Keep(Add<ActionJump>(0), branch); }
  LoaderScriptWriter& End() {
    actions_.EndBranch();
    return *this;
  }
  // The branch lands here: at the next action appended, or at the end of the list.
  LoaderScriptWriter& Land(Branch branch) {
    actions_.EndBranch(branch);
    return *this;
  }

  // A DefineFunction whose body is the actions appended until EndFunction, which sets its
  // code size to their bytes.
  LoaderScriptWriter& Function(ActionDefineFunction*& function) {
    auto made = std::make_unique<ActionDefineFunction>();
    function = made.get();
    actions_.AddAction(std::move(made));
    functionStart_ = actions_.ActionCount();
    return *this;
  }
  LoaderScriptWriter& EndFunction(ActionDefineFunction* function) {
    uint32_t bytes = 0;
    for (size_t i = functionStart_; i < actions_.ActionCount(); ++i) bytes += actions_.ActionAt(i)->Size();
    function->codeSize = static_cast<uint16_t>(bytes);
    return *this;
  }

  DoActionTag& Actions() { return actions_; }

 private:
  LoaderScriptWriter& Keep(LoaderScriptWriter& self, Branch& branch) {
    branch = actions_.ActionAt(actions_.ActionCount() - 1);
    return self;
  }

  DoActionTag& actions_;
  ActionConstantPool* pool_;
  size_t functionStart_ = 0;  // index of the first action of the open function's body
};
