#include "core/thread/singleton.h"

namespace ds {

// This file is compiled into every library that holds singletons; the hidden symbol keeps one
// registry per library image.
SingletonRegistry& LibrarySingletonRegistry() {
  static SingletonRegistry registry;
  return registry;
}

}  // namespace ds
