// Clip scripts of the display types: a clip action record written action by action.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>

#include "swf/ActionConstantPool.h"
#include "swf/ActionPush.h"
#include "swf/PlaceObject2Tag.h"

namespace displayscript {

inline constexpr uint32_t kLoadEvent = 1;
inline constexpr uint32_t kEnterFrameEvent = 2;

class ClipScript {
 public:
  explicit ClipScript(uint32_t events) : record_(std::make_unique<ClipActionRecord>(events)) {}

  ClipScript& Pool(std::initializer_list<const wchar_t*> strings) {
    auto pool = std::make_unique<ActionConstantPool>();
    for (const wchar_t* s : strings) pool->strings.emplace_back(s);
    record_->AddAction(std::move(pool));
    return *this;
  }
  // A Push of the values, each added by the function.
  template <typename F>
  ClipScript& Push(F add) {
    auto push = std::make_unique<ActionPush>();
    add(*push);
    record_->AddAction(std::move(push));
    return *this;
  }
  ClipScript& Do(std::unique_ptr<ActionRecord> action) {
    record_->AddAction(std::move(action));
    return *this;
  }
  template <typename A>
  ClipScript& Do() {
    return Do(std::make_unique<A>());
  }
  void NoBranchTracking() { record_->SetBranchTracking(false); }
  void AttachTo(PlaceObject2Tag& placement) { placement.AddClipAction(std::move(record_)); }

 private:
  std::unique_ptr<ClipActionRecord> record_;
};

}  // namespace displayscript
