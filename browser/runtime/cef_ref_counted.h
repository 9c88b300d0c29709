#pragma once

#include <atomic>
#include <cstddef>
#include <type_traits>

#include "browser/runtime/cef_capi.h"

// The count behind objects that implement structures of the runtime's C
// interface: the object deletes itself when the last reference goes.
class CefRefCounted {
 public:
  CefRefCounted() = default;
  CefRefCounted(const CefRefCounted&) = delete;
  CefRefCounted& operator=(const CefRefCounted&) = delete;

  void AddRef() { count_.fetch_add(1, std::memory_order_relaxed); }
  // True when this release deleted the object.
  bool Release() {
    if (count_.fetch_sub(1, std::memory_order_acq_rel) != 1) return false;
    delete this;
    return true;
  }
  bool HasOneRef() const { return count_.load(std::memory_order_acquire) == 1; }

 protected:
  virtual ~CefRefCounted() = default;

 private:
  std::atomic<int> count_{0};
};

// One interface structure of an object: the C structure, whose cef_base_t
// counts on its owner, and the way back from the structure to the owner.
template <typename Struct>
class CefInterface {
 public:
  explicit CefInterface(CefRefCounted* owner) : owner_(owner) {
    static_assert(std::is_standard_layout_v<CefInterface>, "the structure must lead");
    cef_base_t* base = reinterpret_cast<cef_base_t*>(&structure_);
    base->size = sizeof(Struct);
    base->add_ref = &AddRef;
    base->release = &Release;
    base->has_one_ref = &HasOneRef;
  }
  CefInterface(const CefInterface&) = delete;
  CefInterface& operator=(const CefInterface&) = delete;

  Struct* get() { return &structure_; }
  // A new reference for a caller that takes one over.
  Struct* AddRefAndGet() {
    owner_->AddRef();
    return &structure_;
  }

  // The owner of the structure a callback was given.
  template <typename Owner>
  static Owner* OwnerOf(Struct* self) {
    return static_cast<Owner*>(reinterpret_cast<CefInterface*>(self)->owner_);
  }

 private:
  static CefInterface* Of(cef_base_t* base) { return reinterpret_cast<CefInterface*>(base); }
  static void __stdcall AddRef(cef_base_t* base) { Of(base)->owner_->AddRef(); }
  static int __stdcall Release(cef_base_t* base) { return Of(base)->owner_->Release() ? 1 : 0; }
  static int __stdcall HasOneRef(cef_base_t* base) { return Of(base)->owner_->HasOneRef() ? 1 : 0; }

  Struct structure_ = {};
  CefRefCounted* owner_;
};
