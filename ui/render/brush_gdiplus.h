#pragma once

#include "ui/render/gdiplus_handles.h"
#include "ui/render/render_objects.h"

namespace ui {

class Brush_GdiPlus : public IBrush {
 public:
  // A solid brush of the colour.
  explicit Brush_GdiPlus(DWORD color);
  // A tiled texture brush of the bitmap's pixels (colour 0); the handle stays
  // the caller's.
  explicit Brush_GdiPlus(HBITMAP bitmap);

  std::unique_ptr<IBrush> Clone() const override;

  // The brush to fill with: the solid one, else the texture.
  Gdiplus::GpBrush* GetFillBrush() const;

 private:
  Brush_GdiPlus(DWORD color, GdiplusPtr<Gdiplus::GpSolidFill> solid,
                GdiplusPtr<Gdiplus::GpTexture> texture);

  GdiplusPtr<Gdiplus::GpSolidFill> solid_;
  GdiplusPtr<Gdiplus::GpTexture> texture_;
};

}  // namespace ui
