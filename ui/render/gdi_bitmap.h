#pragma once

#include "ui/render/gdiplus_handles.h"
#include "ui/render/render_objects.h"

namespace ui {

class GdiBitmap : public IBitmap {
 public:
  GdiBitmap() = default;

  bool Init(HDC dc, int width, int height, bool top_down) override;
  void Clear() override;
  HBITMAP DetachBitmap() override;
  HBITMAP GetBitmap() const override { return bitmap_.get(); }
  void* GetBits() const override { return bits_; }
  int GetWidth() const override { return width_; }
  int GetHeight() const override { return height_; }
  void ClearAlpha(const RECT& rect, int value) override;
  void RestoreAlpha(const RECT& rect, const RECT& padding, int alpha_key) override;

 private:
  // The rectangle's part inside the bitmap; false when it is empty.
  bool ClipToBitmap(const RECT& rect, RECT* clipped) const;

  ScopedBitmap bitmap_;
  BYTE* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace ui
