// One object per process, created on first use and destroyed with the library that owns it.
//
// Singleton<T, N>'s members are defined in core/thread/singleton_impl.h. The library that owns T
// includes that file and instantiates Singleton<T, N> explicitly; T's header declares the
// instantiation extern, so every other library calls into the owner and shares its instance.
#pragma once

#include <map>
#include <mutex>

#include "core/export.h"

namespace ds {

class DS_API SingletonBase {
 public:
  virtual ~SingletonBase();
};

// The held objects of one library, destroyed in ascending priority (equal priorities in the
// order they were created) when the library unloads.
class DS_API SingletonRegistry {
 public:
  SingletonRegistry();
  ~SingletonRegistry();
  // `forget` is called just before the registry destroys the instance, so the holder drops
  // its pointer.
  void Add(int priority, SingletonBase* instance, void (*forget)());
  // Removes exactly this (priority, instance) pair; the instance itself is left alone.
  void Remove(int priority, SingletonBase* instance);
  // Destroys every registered instance in teardown order and empties the registry.
  void DestroyAll();
  int Count() const;

  SingletonRegistry(const SingletonRegistry&) = delete;
  SingletonRegistry& operator=(const SingletonRegistry&) = delete;

 private:
  mutable std::mutex mutex_;
  struct Entry {
    SingletonBase* instance;
    void (*forget)();
  };
  std::multimap<int, Entry> entries_;
};

// Each library compiles core/thread/singleton_registry.cpp into itself, so this resolves to the
// registry of the library the caller was built into.
DS_LOCAL SingletonRegistry& LibrarySingletonRegistry();

template <class T, int N>
class Singleton {
 public:
  // The instance, created with T's default constructor on first use.
  static T* Instance();
  // The instance or null; never creates one.
  static T* Pointer();
  // Destroys the instance (if any); the next Instance() creates a fresh one.
  static void DeInstance();
  // Replaces the instance with `p`, which the registry will not destroy: its owner does.
  static void ForceInst(T* p);

 private:
  static void Forget();
  static T* m_pInst;
  static bool m_registered;
};

}  // namespace ds
