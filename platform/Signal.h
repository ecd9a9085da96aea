// The observer mechanism: a Signal calls back every connected slot with one argument.
// Each slot is a BoundCallback: a plain function, or an object with one of its member
// functions. The signal owns its slots and calls them in the order they were connected.
//
// Emitting is safe against what slots do to their own signal meanwhile:
// - a slot that emits the same signal again calls nothing (that emit returns false);
// - a slot that disconnects every slot (itself included) stops the slots not yet called;
//   the slot objects are deleted only when the outer emit has finished;
// - a slot that destroys the signal ends the emit after it returns; the slot objects are
//   deleted by the emit, once no slot is running;
// - a slot connected during an emit is first called by the next emit.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

template <typename Arg>
class BoundCallback {
 public:
  using Function = void (*)(Arg);
  // Calls the stored member function on the stored object.
  using Thunk = void (*)(const BoundCallback& slot, Arg arg);
  static constexpr size_t kMaxMemberBytes = 32;

  BoundCallback() = default;

  // With an object: stores the object and the member-function bytes (at most
  // kMaxMemberBytes). Without one: the bytes are a plain function pointer. False (nothing
  // changed) when the bytes don't fit.
  bool Set(void* object, const void* bytes, size_t count) {
    if (bytes == nullptr || count > kMaxMemberBytes) return false;
    std::memset(bytes_, 0, sizeof bytes_);
    std::memcpy(bytes_, bytes, count);
    object_ = object;
    return true;
  }
  void SetThunk(Thunk thunk) { thunk_ = thunk; }

  // Calls the slot: through the thunk when an object is set, else the plain function.
  void Invoke(Arg arg) const {
    if (object_ != nullptr) {
      if (thunk_ != nullptr) thunk_(*this, std::forward<Arg>(arg));
      return;
    }
    Function function = nullptr;
    std::memcpy(&function, bytes_, sizeof function);
    if (function != nullptr) function(std::forward<Arg>(arg));
  }

  void* GetObject() const { return object_; }
  const unsigned char* GetBytes() const { return bytes_; }

 private:
  alignas(std::max_align_t) unsigned char bytes_[kMaxMemberBytes] = {};
  void* object_ = nullptr;
  Thunk thunk_ = nullptr;
};

namespace signal_detail {

template <typename Object, typename Member, typename Arg>
void CallMember(const BoundCallback<Arg>& slot, Arg arg) {
  Member member;
  std::memcpy(&member, slot.GetBytes(), sizeof member);
  (static_cast<Object*>(slot.GetObject())->*member)(std::forward<Arg>(arg));
}

template <typename Object, typename Member, typename Arg>
std::unique_ptr<BoundCallback<Arg>> MakeMember(Object* object, Member member) {
  static_assert(sizeof(Member) <= BoundCallback<Arg>::kMaxMemberBytes, "member-function pointer too large");
  static_assert(std::is_trivially_copyable_v<Member>);
  if (object == nullptr || member == nullptr) return nullptr;
  auto slot = std::make_unique<BoundCallback<Arg>>();
  slot->Set(const_cast<void*>(static_cast<const void*>(object)), &member, sizeof member);
  slot->SetThunk(&CallMember<Object, Member, Arg>);
  return slot;
}

}  // namespace signal_detail

// A new slot that calls the member function on the object (null for a null object or
// member). The signal that receives it owns it.
template <typename Object, typename Arg>
std::unique_ptr<BoundCallback<Arg>> MakeMemberCallback(Object* object, void (Object::*member)(Arg)) {
  return signal_detail::MakeMember<Object, void (Object::*)(Arg), Arg>(object, member);
}
template <typename Object, typename Arg>
std::unique_ptr<BoundCallback<Arg>> MakeMemberCallback(const Object* object, void (Object::*member)(Arg) const) {
  return signal_detail::MakeMember<const Object, void (Object::*)(Arg) const, Arg>(object, member);
}

// A new slot that calls a plain function (null for a null function).
template <typename Arg>
std::unique_ptr<BoundCallback<Arg>> MakeFunctionCallback(void (*function)(Arg)) {
  if (function == nullptr) return nullptr;
  auto slot = std::make_unique<BoundCallback<Arg>>();
  slot->Set(nullptr, &function, sizeof function);
  return slot;
}

template <typename Arg>
class Signal {
 public:
  Signal() = default;
  virtual ~Signal() {
    if (emit_ != nullptr) {
      // Destroyed by one of its own slots: the running emit deletes the slots when that
      // slot has returned.
      emit_->destroyed = true;
      for (Entry& e : slots_) emit_->doomed.push_back(std::move(e.slot));
    }
  }
  Signal(const Signal&) = delete;
  Signal& operator=(const Signal&) = delete;

  // Takes ownership of the slot; a null slot is ignored.
  void Connect(std::unique_ptr<BoundCallback<Arg>> slot) {
    if (slot) slots_.push_back(Entry{std::move(slot), false});
  }
  void Connect(void (*function)(Arg)) { Connect(MakeFunctionCallback(function)); }
  template <typename Object>
  void Connect(Object* object, void (Object::*member)(Arg)) {
    Connect(MakeMemberCallback(object, member));
  }

  // Calls every slot with the argument, in connection order. False, calling nothing, when
  // the signal is already emitting, is disabled or has no slots.
  bool Emit(Arg arg) {
    if (emit_ != nullptr || !enabled_ || ConnectedCount() == 0) return false;
    EmitState state;
    emit_ = &state;
    const size_t count = slots_.size();
    for (size_t i = 0; i < count; ++i) {
      if (slots_[i].removed) continue;
      const BoundCallback<Arg>* slot = slots_[i].slot.get();
      slot->Invoke(arg);
      if (state.destroyed) return true;  // the signal is gone; `state` deletes the slots
    }
    emit_ = nullptr;
    std::erase_if(slots_, [](const Entry& e) { return e.removed; });
    return true;
  }

  // Deletes every slot (during an emit: once the emit has finished; the slots not yet
  // called are skipped).
  void DisconnectAll() {
    if (emit_ != nullptr) {
      for (Entry& e : slots_) e.removed = true;
    } else {
      slots_.clear();
    }
  }

  void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool IsEnabled() const { return enabled_; }
  bool IsEmitting() const { return emit_ != nullptr; }
  // Slots that an emit would call.
  size_t ConnectedCount() const {
    size_t n = 0;
    for (const Entry& e : slots_) n += e.removed ? 0 : 1;
    return n;
  }

 private:
  struct Entry {
    std::unique_ptr<BoundCallback<Arg>> slot;
    bool removed = false;
  };
  struct EmitState {
    bool destroyed = false;
    std::vector<std::unique_ptr<BoundCallback<Arg>>> doomed;
  };

  EmitState* emit_ = nullptr;
  bool enabled_ = true;
  std::vector<Entry> slots_;
};
