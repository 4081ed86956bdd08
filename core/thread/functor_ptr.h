// A callable shared by reference count: every holder keeps the function alive, the last one to
// let go frees it.
#pragma once
#include <functional>
#include <memory>

namespace ds {

template <class Signature>
using FunctorPtr = std::shared_ptr<const std::function<Signature>>;

template <class Signature, class F>
FunctorPtr<Signature> MakeFunctor(F f) {
  return std::make_shared<const std::function<Signature>>(std::move(f));
}

}  // namespace ds
