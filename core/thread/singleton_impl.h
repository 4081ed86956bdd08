// Member definitions of ds::Singleton. Include only in the library that owns the held type, and
// instantiate there: template class ds::Singleton<T, N>; (the extern declaration in T's header
// carries DS_API, which exports the members).
#pragma once

#include <mutex>

#include "core/thread/singleton.h"

namespace ds {

namespace singleton_detail {
// One lock per held type: two threads asking for the first instance at once (two downloads
// logging their first line) must not make two and register one of them twice.
template <class T, int N>
std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}
}  // namespace singleton_detail

template <class T, int N>
T* Singleton<T, N>::m_pInst = nullptr;

template <class T, int N>
bool Singleton<T, N>::m_registered = false;

template <class T, int N>
T* Singleton<T, N>::Instance() {
  std::lock_guard<std::mutex> hold(singleton_detail::Lock<T, N>());
  if (m_pInst == nullptr) {
    m_pInst = new T();
    m_registered = true;
    LibrarySingletonRegistry().Add(N, m_pInst, &Singleton::Forget);
  }
  return m_pInst;
}

template <class T, int N>
T* Singleton<T, N>::Pointer() {
  std::lock_guard<std::mutex> hold(singleton_detail::Lock<T, N>());
  return m_pInst;
}

template <class T, int N>
void Singleton<T, N>::DeInstance() {
  T* doomed = nullptr;
  {
    std::lock_guard<std::mutex> hold(singleton_detail::Lock<T, N>());
    if (m_pInst == nullptr) return;
    doomed = m_pInst;
    if (m_registered) LibrarySingletonRegistry().Remove(N, doomed);
    m_pInst = nullptr;
    m_registered = false;
  }
  delete doomed;
}

template <class T, int N>
void Singleton<T, N>::ForceInst(T* p) {
  std::lock_guard<std::mutex> hold(singleton_detail::Lock<T, N>());
  if (m_pInst != nullptr && m_registered) LibrarySingletonRegistry().Remove(N, m_pInst);
  m_pInst = p;
  m_registered = false;
}

template <class T, int N>
void Singleton<T, N>::Forget() {
  std::lock_guard<std::mutex> hold(singleton_detail::Lock<T, N>());
  m_pInst = nullptr;
  m_registered = false;
}

}  // namespace ds
