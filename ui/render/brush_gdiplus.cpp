#include "ui/render/brush_gdiplus.h"

namespace gdip = Gdiplus::DllExports;

namespace ui {
namespace {

template <typename T>
GdiplusPtr<T> CloneBrush(const GdiplusPtr<T>& brush) {
  Gdiplus::GpBrush* copy = nullptr;
  if (brush) gdip::GdipCloneBrush(brush.get(), &copy);
  return GdiplusPtr<T>(static_cast<T*>(copy));
}

}  // namespace

Brush_GdiPlus::Brush_GdiPlus(DWORD color) : IBrush(color) {
  Gdiplus::GpSolidFill* solid = nullptr;
  gdip::GdipCreateSolidFill(color, &solid);
  solid_.reset(solid);
}

Brush_GdiPlus::Brush_GdiPlus(HBITMAP bitmap) : IBrush(0) {
  Gdiplus::GpBitmap* image = nullptr;
  gdip::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image);
  const GdiplusPtr<Gdiplus::GpImage> owned_image(image);
  if (!image) return;
  Gdiplus::GpTexture* texture = nullptr;
  gdip::GdipCreateTexture(image, Gdiplus::WrapModeTile, &texture);
  texture_.reset(texture);
}

Brush_GdiPlus::Brush_GdiPlus(DWORD color, GdiplusPtr<Gdiplus::GpSolidFill> solid,
                             GdiplusPtr<Gdiplus::GpTexture> texture)
    : IBrush(color), solid_(std::move(solid)), texture_(std::move(texture)) {}

std::unique_ptr<IBrush> Brush_GdiPlus::Clone() const {
  return std::unique_ptr<IBrush>(
      new Brush_GdiPlus(color_, CloneBrush(solid_), CloneBrush(texture_)));
}

Gdiplus::GpBrush* Brush_GdiPlus::GetFillBrush() const {
  if (solid_) return solid_.get();
  return texture_.get();
}

}  // namespace ui
