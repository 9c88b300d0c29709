#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <memory>
#include <type_traits>

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
template <typename Handle>
struct GdiObjectDeleter {
  using pointer = Handle;
  void operator()(Handle object) const { DeleteObject(object); }
};
template <typename Handle>
using ScopedGdi = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter<Handle>>;
using ScopedGdiObject = ScopedGdi<HGDIOBJ>;
using ScopedBitmap = ScopedGdi<HBITMAP>;
using ScopedFont = ScopedGdi<HFONT>;

// Owns a memory device context.
struct MemoryDcDeleter {
  using pointer = HDC;
  void operator()(HDC dc) const { DeleteDC(dc); }
};
using ScopedMemoryDc = std::unique_ptr<HDC__, MemoryDcDeleter>;

// The screen's device context, released when the object ends.
class ScopedScreenDc {
 public:
  ScopedScreenDc() : dc_(::GetDC(nullptr)) {}
  ~ScopedScreenDc() {
    if (dc_) ::ReleaseDC(nullptr, dc_);
  }
  ScopedScreenDc(const ScopedScreenDc&) = delete;
  ScopedScreenDc& operator=(const ScopedScreenDc&) = delete;

  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// Keeps an object selected into a device context and selects back what it
// replaced, so neither the object nor the context is deleted while selected.
class ScopedSelectObject {
 public:
  ScopedSelectObject() = default;
  ScopedSelectObject(HDC dc, HGDIOBJ object) { Select(dc, object); }
  ~ScopedSelectObject() { Restore(); }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

  // Restores any earlier selection first.
  void Select(HDC dc, HGDIOBJ object) {
    Restore();
    dc_ = dc;
    previous_ = SelectObject(dc, object);
  }
  // False when nothing is selected (never, or the selection failed).
  bool IsSelected() const { return previous_ != nullptr; }
  void Restore() {
    if (previous_) SelectObject(dc_, previous_);
    dc_ = nullptr;
    previous_ = nullptr;
  }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

}  // namespace ui
