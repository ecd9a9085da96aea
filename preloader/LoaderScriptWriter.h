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

  // A branch with a fixed offset (tracking must be off), or, with tracking on, one that
  // stays open until End().
  LoaderScriptWriter& If(int32_t offset = 0) { return Add<ActionIf>(offset); }
  LoaderScriptWriter& Jump(int32_t offset = 0) { return Add<ActionJump>(offset); }
  LoaderScriptWriter& End() {
    actions_.EndBranch();
    return *this;
  }

  DoActionTag& Actions() { return actions_; }

 private:
  DoActionTag& actions_;
  ActionConstantPool* pool_;
};
