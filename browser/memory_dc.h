#pragma once

#include <windows.h>

#include <cstdint>

namespace qoz_comp {

// A memory device context with a 32-bit top-down DIB section selected into
// it: the pixels a browser frame is copied into and blitted from.
class MemoryDC {
 public:
  MemoryDC() = default;
  ~MemoryDC() { Reset(); }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;

  // A fresh bitmap of the size, compatible with `reference`, cleared to zero;
  // false, leaving it invalid, without a reference context, for an empty size
  // or when the system refuses.
  bool Init(HDC reference, int width, int height);
  // Frees the bitmap and the context; the size stays.
  void Reset();

  bool IsValid() const { return valid_ && dc_ != nullptr && bitmap_ != nullptr; }
  HDC GetDC() const { return dc_; }
  // width x height x 4 bytes, top row first; null while invalid.
  void* GetBits() const { return valid_ ? bitmap_info_.bmBits : nullptr; }
  int32_t GetWidth() const { return width_; }
  int32_t GetHeight() const { return height_; }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  BITMAP bitmap_info_ = {};
  int32_t width_ = 0;
  int32_t height_ = 0;
  bool valid_ = false;
};

}  // namespace qoz_comp
