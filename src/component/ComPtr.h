#pragma once

#include <utility>

#include "component/Interfaces.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle::com {

// Holds one reference to a component object and releases it when it goes.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference the caller already holds.
  static ComPtr attach(T* p) {
    ComPtr c;
    c.p_ = p;
    return c;
  }
  ComPtr(const ComPtr& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComPtr() { reset(); }

  void reset() {
    if (auto* p = std::exchange(p_, nullptr)) p->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For functions that return a new reference through a void**.
  void** out() {
    reset();
    return reinterpret_cast<void**>(&p_);
  }

  // The same object as another interface, or empty.
  template <class U>
  ComPtr<U> query(const Guid& iid) const {
    ComPtr<U> u;
    if (p_) p_->QueryInterface(iid, u.out());
    return u;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace kadrelle::com
#pragma GCC visibility pop
