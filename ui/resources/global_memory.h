#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>

namespace ui {

// Owns a global memory block and frees it once.
struct GlobalMemoryDeleter {
  using pointer = HGLOBAL;
  void operator()(HGLOBAL block) const { GlobalFree(block); }
};
using ScopedGlobalMemory = std::unique_ptr<void, GlobalMemoryDeleter>;

// Keeps a movable block locked, its bytes in place, while the object lives.
class GlobalMemoryLock {
 public:
  explicit GlobalMemoryLock(HGLOBAL block)
      : block_(block), data_(block ? GlobalLock(block) : nullptr) {}
  ~GlobalMemoryLock() {
    if (data_) GlobalUnlock(block_);
  }
  GlobalMemoryLock(const GlobalMemoryLock&) = delete;
  GlobalMemoryLock& operator=(const GlobalMemoryLock&) = delete;

  // Null when there is no block or it cannot be locked.
  void* data() const { return data_; }
  // The block's size as the system reports it; 0 without data.
  size_t size() const { return data_ ? GlobalSize(block_) : 0; }

 private:
  HGLOBAL block_;
  void* data_;
};

}  // namespace ui
