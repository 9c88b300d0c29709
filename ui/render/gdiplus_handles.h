#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <memory>

namespace ui {

// Releases a GDI+ flat-interface object with its own delete call.
struct GdiplusDeleter {
  void operator()(Gdiplus::GpPen* pen) const { Gdiplus::DllExports::GdipDeletePen(pen); }
  void operator()(Gdiplus::GpBrush* brush) const { Gdiplus::DllExports::GdipDeleteBrush(brush); }
  void operator()(Gdiplus::GpPath* path) const { Gdiplus::DllExports::GdipDeletePath(path); }
  void operator()(Gdiplus::GpMatrix* matrix) const {
    Gdiplus::DllExports::GdipDeleteMatrix(matrix);
  }
  void operator()(Gdiplus::GpImage* image) const { Gdiplus::DllExports::GdipDisposeImage(image); }
  void operator()(Gdiplus::GpGraphics* graphics) const {
    Gdiplus::DllExports::GdipDeleteGraphics(graphics);
  }
  void operator()(Gdiplus::GpStringFormat* format) const {
    Gdiplus::DllExports::GdipDeleteStringFormat(format);
  }
  void operator()(Gdiplus::GpFontFamily* family) const {
    Gdiplus::DllExports::GdipDeleteFontFamily(family);
  }
  void operator()(Gdiplus::GpFont* font) const { Gdiplus::DllExports::GdipDeleteFont(font); }
  void operator()(Gdiplus::GpImageAttributes* attributes) const {
    Gdiplus::DllExports::GdipDisposeImageAttributes(attributes);
  }
};

template <typename T>
using GdiplusPtr = std::unique_ptr<T, GdiplusDeleter>;

// Owns a GDI object (bitmap, region, pen, brush, font) and deletes it once.
struct GdiObjectDeleter {
  using pointer = HGDIOBJ;
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using ScopedGdiObject = std::unique_ptr<void, GdiObjectDeleter>;

// Owns a memory device context.
struct MemoryDcDeleter {
  using pointer = HDC;
  void operator()(HDC dc) const { DeleteDC(dc); }
};
using ScopedMemoryDc = std::unique_ptr<HDC__, MemoryDcDeleter>;

}  // namespace ui
