#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "core/thread/sync.h"
#include "core/thread/thread.h"

namespace {

TEST(SimpleSemaphore, HoldsAtMostOneSignal) {
  ds::SimpleSemaphore s;
  EXPECT_NE(s.Release(), 0);
  EXPECT_EQ(s.Release(), 0);
  EXPECT_EQ(s.Wait(0), ds::kWaitObject0);
  EXPECT_EQ(s.Wait(0), ds::kWaitTimeout);
}

TEST(SimpleSemaphore, WaitTimesOutThenWakesOnReleaseFromAnotherThread) {
  ds::SimpleSemaphore s;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(s.Wait(50), ds::kWaitTimeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(45));
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    s.Release();
  });
  EXPECT_EQ(s.Wait(ds::kWaitInfinite), ds::kWaitObject0);
  releaser.join();
}

TEST(SemaphoreGroup, AnyReturnsTheIndexOfTheSignalledOne) {
  ds::SimpleSemaphore a, b, c;
  ds::SemaphoreGroup group(3);
  group.Push(&a);
  group.Push(&b);
  group.Push(&c);
  EXPECT_EQ(group.Wait(0, 0), ds::kWaitTimeout);
  b.Release();
  EXPECT_EQ(group.Wait(0, 100), 1u);
  EXPECT_EQ(b.Wait(0), ds::kWaitTimeout);  // the group consumed the signal
  c.Release();
  EXPECT_EQ(group.Wait(0, ds::kWaitInfinite), 2u);
}

TEST(SemaphoreGroup, AllTakesEverySignalTogetherOrNone) {
  ds::SimpleSemaphore a, b;
  ds::SemaphoreGroup group(2);
  group.Push(&a);
  group.Push(&b);
  EXPECT_EQ(group.Push(&a), 0);  // full
  a.Release();
  EXPECT_EQ(group.Wait(1, 30), ds::kWaitTimeout);
  EXPECT_EQ(a.Wait(0), ds::kWaitObject0);  // a's signal was left alone
  a.Release();
  std::thread late([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    b.Release();
  });
  EXPECT_EQ(group.Wait(1, 2000), ds::kWaitObject0);
  late.join();
  EXPECT_EQ(a.Wait(0), ds::kWaitTimeout);
  EXPECT_EQ(b.Wait(0), ds::kWaitTimeout);
  ds::SemaphoreGroup empty;
  EXPECT_EQ(empty.Wait(0, 0), 0xFFFFFFFFu);
}

TEST(SimpleLock, IsRecursiveAndExcludesOtherThreads) {
  ds::SimpleLock lock;
  lock.Lock();
  lock.Lock();
  lock.Unlock();
  std::atomic<bool> got{false};
  std::thread other([&] {
    ds::LockGuard guard(&lock);
    got = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(got);  // still held once
  lock.Unlock();
  other.join();
  EXPECT_TRUE(got);
  ds::LockGuard nothing(nullptr);  // a null guard locks nothing
}

TEST(SimpleLock, GuardsACounterAcrossThreads) {
  ds::SimpleLock lock;
  long counter = 0;
  auto work = [&] {
    for (int i = 0; i < 20000; ++i) {
      ds::LockGuard guard(&lock);
      ++counter;
    }
  };
  std::thread t1(work), t2(work);
  t1.join();
  t2.join();
  EXPECT_EQ(counter, 40000);
}

std::uint32_t SleepAndReturn(void* p) {
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  *static_cast<int*>(p) = 7;
  return 42;
}

TEST(Thread, StartsWaitsAndReportsItsCode) {
  int value = 0;
  ds::ThreadHandle t = ds::CreateSimpleThread(&SleepAndReturn, &value);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(ds::WaitThreadEnd(t, 0), ds::kWaitTimeout);
  ds::WaitThreadEnd(t);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(ds::GetThreadExitCode(t), 42u);
  ds::CloseThreadHandle(t);
  EXPECT_EQ(ds::CreateSimpleThread(nullptr, nullptr), nullptr);
}

TEST(Thread, ClosingTheHandleOfARunningThreadLetsItFinish) {
  std::atomic<int> done{0};
  ds::ThreadHandle t = ds::CreateSimpleThread(
      [](void* p) -> std::uint32_t {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        static_cast<std::atomic<int>*>(p)->store(1);
        return 0;
      },
      &done);
  ds::CloseThreadHandle(t);
  for (int i = 0; i < 200 && done == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(done, 1);
}

TEST(Tick, CountsWallTimeWhileSleeping) {
  std::uint32_t before = ds::GetTick();
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  std::uint32_t elapsed = ds::GetTick() - before;
  EXPECT_GE(elapsed, 115u);  // processor time would barely move while asleep
}

}  // namespace
