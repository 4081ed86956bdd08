#include <atomic>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/thread/message_target.h"

namespace {

TEST(MessageTargetTest, HandlesAreFreshAndDeadHandlesAnswerZero) {
  auto target = std::make_shared<ds::RecordingTarget>();
  EXPECT_EQ(ds::RegisterMessageTarget(nullptr), 0);
  ds::MsgHandle first = ds::RegisterMessageTarget(target);
  ds::MsgHandle second = ds::RegisterMessageTarget(target);
  EXPECT_GE(first, 1);
  EXPECT_GT(second, first);
  EXPECT_TRUE(ds::IsMessageTarget(first));

  ds::UnregisterMessageTarget(first);
  EXPECT_FALSE(ds::IsMessageTarget(first));
  EXPECT_EQ(ds::PostMessageTo(first, 2524, 1, 2), 0);
  EXPECT_EQ(ds::SendMessageTo(first, 2524, 1, 2), 0);
  EXPECT_EQ(ds::SendMessageTo(0, 2524, 1, 2), 0);
  ds::UnregisterMessageTarget(first);  // twice is harmless

  // A released handle is not handed out again.
  ds::MsgHandle third = ds::RegisterMessageTarget(target);
  EXPECT_GT(third, second);

  target->SetSendResult(42);
  EXPECT_EQ(ds::PostMessageTo(second, 2540, 7, -3), 1);
  EXPECT_EQ(ds::SendMessageTo(third, 2551, 8, 9), 42);
  auto messages = target->Take();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_TRUE(messages[0].message == 2540 && messages[0].wparam == 7 && messages[0].lparam == -3 &&
              !messages[0].sent);
  EXPECT_TRUE(messages[1].message == 2551 && messages[1].sent);
  EXPECT_TRUE(target->Messages().empty());
  ds::UnregisterMessageTarget(second);
  ds::UnregisterMessageTarget(third);
}

// Blocks in Send until released and notes its destruction.
class BlockingTarget : public ds::MessageTarget {
 public:
  BlockingTarget(std::atomic<bool>* destroyed, std::shared_future<void> release)
      : release_future(std::move(release)), destroyed_(destroyed) {}
  ~BlockingTarget() override { destroyed_->store(true); }
  int Post(unsigned, ds::WParam, ds::LParam) override { return 1; }
  ds::LResult Send(unsigned, ds::WParam wparam, ds::LParam) override {
    entered.set_value();
    release_future.wait();
    // Touches members after the wait: freed memory here would show under sanitizers.
    return static_cast<ds::LResult>(wparam) + (destroyed_->load() ? 1000 : 0);
  }
  std::promise<void> entered;
  std::shared_future<void> release_future;

 private:
  std::atomic<bool>* destroyed_;
};

TEST(MessageTargetTest, UnregisterDuringACallKeepsTheTargetAlive) {
  std::atomic<bool> destroyed{false};
  std::promise<void> release;
  auto target = std::make_shared<BlockingTarget>(&destroyed, release.get_future().share());
  std::future<void> entered = target->entered.get_future();
  ds::MsgHandle handle = ds::RegisterMessageTarget(target);
  target.reset();  // the table holds the only reference

  std::future<ds::LResult> result =
      std::async(std::launch::async, [handle] { return ds::SendMessageTo(handle, 2524, 5, 0); });
  ASSERT_EQ(entered.wait_for(std::chrono::seconds(10)), std::future_status::ready);

  ds::UnregisterMessageTarget(handle);
  EXPECT_FALSE(ds::IsMessageTarget(handle));
  EXPECT_EQ(ds::SendMessageTo(handle, 2524, 5, 0), 0);
  EXPECT_FALSE(destroyed.load());

  release.set_value();
  EXPECT_EQ(result.get(), 5);
  EXPECT_TRUE(destroyed.load());
}

// A handler may use the table itself, including unregistering its own handle.
class SelfRemovingTarget : public ds::MessageTarget {
 public:
  int Post(unsigned, ds::WParam, ds::LParam) override { return 1; }
  ds::LResult Send(unsigned, ds::WParam, ds::LParam) override {
    ds::UnregisterMessageTarget(handle);
    return ds::IsMessageTarget(handle) ? 2 : 1;
  }
  ds::MsgHandle handle = 0;
};

TEST(MessageTargetTest, HandlerMayUnregisterItself) {
  auto target = std::make_shared<SelfRemovingTarget>();
  target->handle = ds::RegisterMessageTarget(target);
  std::weak_ptr<SelfRemovingTarget> weak = target;
  ds::MsgHandle handle = target->handle;
  target.reset();
  EXPECT_EQ(ds::SendMessageTo(handle, 1, 0, 0), 1);
  EXPECT_TRUE(weak.expired());
}

TEST(MessageTargetTest, RecordingTargetFromManyThreads) {
  constexpr int kThreads = 8;
  constexpr int kPerThread = 2000;
  auto target = std::make_shared<ds::RecordingTarget>();
  ds::MsgHandle handle = ds::RegisterMessageTarget(target);

  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([handle, t] {
      for (int i = 0; i < kPerThread; ++i) {
        if (i % 2 == 0) {
          ds::PostMessageTo(handle, 100 + t, static_cast<ds::WParam>(i), t);
        } else {
          ds::SendMessageTo(handle, 100 + t, static_cast<ds::WParam>(i), t);
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();

  auto messages = target->Messages();
  ASSERT_EQ(messages.size(), static_cast<std::size_t>(kThreads * kPerThread));
  std::vector<int> next(kThreads, 0);
  for (const auto& m : messages) {
    int t = static_cast<int>(m.lparam);
    ASSERT_EQ(m.message, static_cast<unsigned>(100 + t));
    // Each thread's messages arrive in the order it sent them.
    ASSERT_EQ(m.wparam, static_cast<ds::WParam>(next[t]));
    ASSERT_EQ(m.sent, next[t] % 2 == 1);
    ++next[t];
  }
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(target->Count(100 + t), static_cast<std::size_t>(kPerThread));
  ds::UnregisterMessageTarget(handle);
}

}  // namespace
