#include <dlfcn.h>

#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/log/logger.h"
#include "core/thread/singleton.h"

namespace {

std::string g_destroyed;

struct Recorder : ds::SingletonBase {
  explicit Recorder(char tag) : tag(tag) {}
  ~Recorder() override { g_destroyed += tag; }
  char tag;
};

void ForgetNothing() {}

TEST(SingletonRegistry, DestroysByPriorityThenCreationOrder) {
  g_destroyed.clear();
  {
    ds::SingletonRegistry registry;
    registry.Add(10, new Recorder('x'), &ForgetNothing);
    registry.Add(1, new Recorder('a'), &ForgetNothing);
    registry.Add(5, new Recorder('m'), &ForgetNothing);
    registry.Add(1, new Recorder('b'), &ForgetNothing);
    EXPECT_EQ(registry.Count(), 4);
  }
  EXPECT_EQ(g_destroyed, "abmx");
}

TEST(SingletonRegistry, RemovedInstanceIsNotDestroyed) {
  g_destroyed.clear();
  Recorder* kept = new Recorder('k');
  {
    ds::SingletonRegistry registry;
    registry.Add(1, kept, &ForgetNothing);
    registry.Add(1, new Recorder('d'), &ForgetNothing);
    registry.Remove(1, kept);
  }
  EXPECT_EQ(g_destroyed, "d");
  delete kept;
}

// The library's own registry tears its singletons down when the library unloads: the two of
// priority 1 in creation order, then the one of priority 10.
TEST(SingletonLibrary, UnloadDestroysInPriorityOrder) {
  void* library = dlopen(SINGLETON_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto set_log = reinterpret_cast<void (*)(std::string*)>(dlsym(library, "fixture_set_order_log"));
  auto create = reinterpret_cast<void (*)()>(dlsym(library, "fixture_create_all"));
  ASSERT_NE(set_log, nullptr);
  ASSERT_NE(create, nullptr);
  std::string order;
  set_log(&order);
  create();
  EXPECT_EQ(order, "");
  ASSERT_EQ(dlclose(library), 0);
  EXPECT_EQ(order, "ACB");
}

TEST(Singleton, DeInstanceThenInstanceMakesAFreshObject) {
  ds::Logger* first = ds::LoggerHolder::Instance();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(ds::LoggerHolder::Pointer(), first);
  ds::LoggerHolder::DeInstance();
  EXPECT_EQ(ds::LoggerHolder::Pointer(), nullptr);
  ds::Logger* second = ds::LoggerHolder::Instance();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(ds::LoggerHolder::Pointer(), second);
}

// Threads that ask for the first instance at once all get the same one, registered once (two
// download threads logging their first lines once registered one logger twice).
TEST(Singleton, FirstInstanceFromManyThreadsIsOne) {
  for (int round = 0; round < 50; ++round) {
    ds::LoggerHolder::DeInstance();
    std::vector<ds::Logger*> seen(8);
    std::vector<std::thread> threads;
    for (auto& slot : seen) threads.emplace_back([&slot] { slot = ds::LoggerHolder::Instance(); });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(std::set<ds::Logger*>(seen.begin(), seen.end()).size(), 1u);
  }
  ds::LoggerHolder::DeInstance();
  EXPECT_EQ(ds::LoggerHolder::Pointer(), nullptr);  // nothing left registered to delete at exit
}

TEST(Singleton, ForcedInstanceIsOwnedByItsCaller) {
  // Forcing an instance drops the registered one from the registry without destroying it:
  // whoever forces takes care of it.
  std::unique_ptr<ds::Logger> replaced(ds::LoggerHolder::Instance());
  ds::Logger own;
  ds::LoggerHolder::ForceInst(&own);
  EXPECT_EQ(ds::LoggerHolder::Instance(), &own);
  // Dropping the forced instance must not delete it (it lives on this stack).
  ds::LoggerHolder::ForceInst(nullptr);
  EXPECT_NE(ds::LoggerHolder::Instance(), &own);
}

}  // namespace
