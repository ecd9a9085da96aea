#include "platform/Signal.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string>* g_log = nullptr;

void PlainSlot(int value) { g_log->push_back("plain " + std::to_string(value)); }

struct Recorder {
  std::string name;
  std::vector<std::string>* log;
  void OnValue(int value) { log->push_back(name + " " + std::to_string(value)); }
  void OnValueConst(int value) const { log->push_back(name + " const " + std::to_string(value)); }
};

class SignalTest : public testing::Test {
 protected:
  void SetUp() override { g_log = &log; }
  void TearDown() override { g_log = nullptr; }
  std::vector<std::string> log;
};

}  // namespace

TEST_F(SignalTest, EmitWithoutSlotsCallsNothing) {
  Signal<int> s;
  EXPECT_FALSE(s.Emit(1));
  s.Connect(static_cast<void (*)(int)>(nullptr));  // ignored
  EXPECT_EQ(s.ConnectedCount(), 0u);
  EXPECT_FALSE(s.Emit(1));
}

TEST_F(SignalTest, SlotsAreCalledOnceEachInConnectionOrder) {
  Signal<int> s;
  Recorder a{"a", &log};
  Recorder b{"b", &log};
  s.Connect(&b, &Recorder::OnValue);
  s.Connect(&PlainSlot);
  s.Connect(&a, &Recorder::OnValue);
  s.Connect(MakeMemberCallback(static_cast<const Recorder*>(&a), &Recorder::OnValueConst));
  EXPECT_TRUE(s.Emit(7));
  EXPECT_EQ(log, (std::vector<std::string>{"b 7", "plain 7", "a 7", "a const 7"}));
  log.clear();
  EXPECT_TRUE(s.Emit(8));
  EXPECT_EQ(log, (std::vector<std::string>{"b 8", "plain 8", "a 8", "a const 8"}));
}

TEST_F(SignalTest, DisabledAndDisconnectedSignalsCallNothing) {
  Signal<int> s;
  s.Connect(&PlainSlot);
  s.SetEnabled(false);
  EXPECT_FALSE(s.Emit(1));
  s.SetEnabled(true);
  EXPECT_TRUE(s.Emit(2));
  s.DisconnectAll();
  EXPECT_FALSE(s.Emit(3));
  EXPECT_EQ(log, (std::vector<std::string>{"plain 2"}));
}

namespace {

// A slot object that does something to its own signal while the signal is emitting.
struct Meddler {
  enum class Action { kEmitAgain, kDisconnectAll, kDestroySignal, kConnectAnother };
  Action action;
  Signal<int>* signal;
  std::unique_ptr<Signal<int>>* owner = nullptr;  // for kDestroySignal
  std::vector<std::string>* log;
  bool nestedResult = true;
  void OnValue(int value) {
    log->push_back("meddler " + std::to_string(value));
    switch (action) {
      case Action::kEmitAgain: nestedResult = signal->Emit(value + 100); break;
      case Action::kDisconnectAll: signal->DisconnectAll(); break;
      case Action::kDestroySignal: owner->reset(); break;
      case Action::kConnectAnother: signal->Connect(&PlainSlot); break;
    }
  }
};

}  // namespace

TEST_F(SignalTest, NestedEmitCallsNothingAndTheOuterEmitGoesOn) {
  Signal<int> s;
  Meddler m{Meddler::Action::kEmitAgain, &s, nullptr, &log};
  s.Connect(&m, &Meddler::OnValue);
  s.Connect(&PlainSlot);
  EXPECT_TRUE(s.Emit(1));
  EXPECT_FALSE(m.nestedResult);
  EXPECT_EQ(log, (std::vector<std::string>{"meddler 1", "plain 1"}));
  EXPECT_FALSE(s.IsEmitting());
}

TEST_F(SignalTest, DisconnectAllDuringEmitStopsTheRestSafely) {
  Signal<int> s;
  Recorder before{"before", &log};
  Recorder after{"after", &log};
  Meddler m{Meddler::Action::kDisconnectAll, &s, nullptr, &log};
  s.Connect(&before, &Recorder::OnValue);
  s.Connect(&m, &Meddler::OnValue);
  s.Connect(&after, &Recorder::OnValue);
  EXPECT_TRUE(s.Emit(1));
  EXPECT_EQ(log, (std::vector<std::string>{"before 1", "meddler 1"}));
  EXPECT_EQ(s.ConnectedCount(), 0u);
  EXPECT_FALSE(s.Emit(2));
  s.Connect(&after, &Recorder::OnValue);  // the signal stays usable
  EXPECT_TRUE(s.Emit(3));
  EXPECT_EQ(log.back(), "after 3");
}

TEST_F(SignalTest, DestroyingTheSignalDuringEmitIsSafe) {
  // The sanitizer build turns any use of the freed signal or slot into a failure.
  auto owner = std::make_unique<Signal<int>>();
  Recorder after{"after", &log};
  Meddler m{Meddler::Action::kDestroySignal, owner.get(), &owner, &log};
  owner->Connect(&PlainSlot);
  owner->Connect(&m, &Meddler::OnValue);
  owner->Connect(&after, &Recorder::OnValue);
  EXPECT_TRUE(owner->Emit(5));
  EXPECT_EQ(owner, nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"plain 5", "meddler 5"}));
}

TEST_F(SignalTest, SlotsConnectedDuringEmitWaitForTheNextEmit) {
  Signal<int> s;
  Meddler m{Meddler::Action::kConnectAnother, &s, nullptr, &log};
  s.Connect(&m, &Meddler::OnValue);
  EXPECT_TRUE(s.Emit(1));
  EXPECT_EQ(log, (std::vector<std::string>{"meddler 1"}));
  log.clear();
  EXPECT_TRUE(s.Emit(2));
  EXPECT_EQ(log, (std::vector<std::string>{"meddler 2", "plain 2"}));
}

TEST(BoundCallback, InvokesAPlainFunctionOrAMember) {
  std::vector<std::string> log;
  Recorder r{"r", &log};
  auto member = MakeMemberCallback(&r, &Recorder::OnValue);
  ASSERT_NE(member, nullptr);
  EXPECT_EQ(member->GetObject(), &r);
  member->Invoke(4);
  EXPECT_EQ(log, (std::vector<std::string>{"r 4"}));
  EXPECT_EQ(MakeMemberCallback(static_cast<Recorder*>(nullptr), &Recorder::OnValue), nullptr);

  BoundCallback<int> tooBig;
  unsigned char bytes[BoundCallback<int>::kMaxMemberBytes + 1] = {};
  EXPECT_FALSE(tooBig.Set(nullptr, bytes, sizeof bytes));
  tooBig.Invoke(1);  // an empty slot does nothing
}
