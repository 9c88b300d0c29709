#include "ui/render/gdi_bitmap.h"

#include <algorithm>
#include <cstring>

namespace ui {

bool GdiBitmap::Init(HDC dc, int width, int height, bool top_down) {
  bitmap_.reset();
  bits_ = nullptr;
  width_ = 0;
  height_ = 0;
  if (!dc || width <= 0 || height <= 0) return false;

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = top_down ? -height : height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return false;
  bitmap_.reset(bitmap);

  BITMAP description = {};
  GetObjectW(bitmap, sizeof(description), &description);
  bits_ = static_cast<BYTE*>(description.bmBits);
  width_ = width;
  height_ = height;
  return true;
}

void GdiBitmap::Clear() {
  if (!bits_) return;
  std::memset(bits_, 0, static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4);
}

HBITMAP GdiBitmap::DetachBitmap() {
  HBITMAP bitmap = bitmap_.release();
  bits_ = nullptr;
  width_ = 0;
  height_ = 0;
  return bitmap;
}

bool GdiBitmap::ClipToBitmap(const RECT& rect, RECT* clipped) const {
  clipped->left = std::max<LONG>(rect.left, 0);
  clipped->top = std::max<LONG>(rect.top, 0);
  clipped->right = std::min<LONG>(rect.right, width_);
  clipped->bottom = std::min<LONG>(rect.bottom, height_);
  return bits_ && clipped->left < clipped->right && clipped->top < clipped->bottom;
}

void GdiBitmap::ClearAlpha(const RECT& rect, int value) {
  RECT clipped;
  if (!ClipToBitmap(rect, &clipped)) return;
  const size_t row_bytes = static_cast<size_t>(clipped.right - clipped.left) * 4;
  for (LONG y = clipped.top; y < clipped.bottom; ++y) {
    BYTE* row = bits_ + (static_cast<size_t>(y) * width_ + clipped.left) * 4;
    std::memset(row, value, row_bytes);
  }
}

void GdiBitmap::RestoreAlpha(const RECT& rect, const RECT& padding, int alpha_key) {
  RECT clipped;
  if (!ClipToBitmap(rect, &clipped)) return;
  for (LONG y = clipped.top; y < clipped.bottom; ++y) {
    const bool in_row_band = y >= padding.top && y < height_ - padding.bottom;
    for (LONG x = clipped.left; x < clipped.right; ++x) {
      const bool in_column_band = x >= padding.left && x < width_ - padding.right;
      if (!in_row_band && !in_column_band) continue;
      BYTE& alpha = bits_[(static_cast<size_t>(y) * width_ + x) * 4 + 3];
      alpha = (alpha_key != 0 && alpha == alpha_key) ? 0 : 255;
    }
  }
}

}  // namespace ui
