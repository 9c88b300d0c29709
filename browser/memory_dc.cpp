#include "browser/memory_dc.h"

#include <cstring>

namespace qoz_comp {

bool MemoryDC::Init(HDC reference, int width, int height) {
  Reset();
  if (reference == nullptr || width <= 0 || height <= 0) return false;
  dc_ = CreateCompatibleDC(reference);
  if (dc_ == nullptr) return false;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4;
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap_ == nullptr || bits == nullptr) {
    Reset();
    return false;
  }
  previous_ = SelectObject(dc_, bitmap_);
  GetObjectW(bitmap_, sizeof(bitmap_info_), &bitmap_info_);
  width_ = width;
  height_ = height;
  valid_ = true;
  std::memset(bits, 0, info.bmiHeader.biSizeImage);
  return true;
}

void MemoryDC::Reset() {
  if (dc_ != nullptr && previous_ != nullptr) SelectObject(dc_, previous_);
  previous_ = nullptr;
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
  bitmap_ = nullptr;
  if (dc_ != nullptr) DeleteDC(dc_);
  dc_ = nullptr;
  bitmap_info_ = {};
  valid_ = false;
}

}  // namespace qoz_comp
