// Member definitions of ds::Singleton. Include only in the library that owns the held type, and
// instantiate there: template class ds::Singleton<T, N>; (the extern declaration in T's header
// carries DS_API, which exports the members).
#pragma once

#include "core/thread/singleton.h"

namespace ds {

template <class T, int N>
T* Singleton<T, N>::m_pInst = nullptr;

template <class T, int N>
bool Singleton<T, N>::m_registered = false;

template <class T, int N>
T* Singleton<T, N>::Instance() {
  if (m_pInst == nullptr) {
    m_pInst = new T();
    m_registered = true;
    LibrarySingletonRegistry().Add(N, m_pInst, &Singleton::Forget);
  }
  return m_pInst;
}

template <class T, int N>
T* Singleton<T, N>::Pointer() {
  return m_pInst;
}

template <class T, int N>
void Singleton<T, N>::DeInstance() {
  if (m_pInst == nullptr) return;
  T* doomed = m_pInst;
  if (m_registered) LibrarySingletonRegistry().Remove(N, doomed);
  m_pInst = nullptr;
  m_registered = false;
  delete doomed;
}

template <class T, int N>
void Singleton<T, N>::ForceInst(T* p) {
  if (m_pInst != nullptr && m_registered) LibrarySingletonRegistry().Remove(N, m_pInst);
  m_pInst = p;
  m_registered = false;
}

template <class T, int N>
void Singleton<T, N>::Forget() {
  m_pInst = nullptr;
  m_registered = false;
}

}  // namespace ds
