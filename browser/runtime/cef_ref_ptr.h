#pragma once

#include <utility>

#include "browser/runtime/cef_capi.h"

// A counted reference to an object of the runtime's C interface: any
// structure whose first member is a cef_base_t.
template <typename T>
class CefRefPtr {
 public:
  CefRefPtr() = default;
  // Takes a reference of its own.
  CefRefPtr(T* object) : object_(object) {  // NOLINT: implicit, like a raw pointer
    if (object_ != nullptr) Base()->add_ref(Base());
  }
  CefRefPtr(const CefRefPtr& other) : CefRefPtr(other.object_) {}
  CefRefPtr(CefRefPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  CefRefPtr& operator=(CefRefPtr other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~CefRefPtr() { reset(); }

  // Takes over a reference the caller already holds (a getter's result, a
  // callback's argument).
  static CefRefPtr Adopt(T* object) {
    CefRefPtr pointer;
    pointer.object_ = object;
    return pointer;
  }

  void reset() {
    T* object = std::exchange(object_, nullptr);
    if (object != nullptr) {
      cef_base_t* base = reinterpret_cast<cef_base_t*>(object);
      base->release(base);
    }
  }
  // Hands the reference to the caller.
  T* release() { return std::exchange(object_, nullptr); }
  // A new reference for a callee that takes one over.
  T* AddRefAndGet() const {
    if (object_ != nullptr) Base()->add_ref(Base());
    return object_;
  }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  cef_base_t* Base() const { return reinterpret_cast<cef_base_t*>(object_); }

  T* object_ = nullptr;
};
