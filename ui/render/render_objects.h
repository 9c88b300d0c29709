#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <memory>

#include "base/weak_callback.h"

namespace ui {

class IMatrix;

// A line style: colour, width, caps, join and dash style (GDI+'s numbering).
class IPen : public qbase::SupportWeakCallback {
 public:
  explicit IPen(DWORD color) : color_(color) {}

  virtual std::unique_ptr<IPen> Clone() const = 0;
  virtual void SetWidth(int width) = 0;
  virtual int GetWidth() const = 0;
  virtual void SetColor(DWORD color) = 0;
  DWORD GetColor() const { return color_; }
  virtual void SetStartCap(Gdiplus::LineCap cap) = 0;
  virtual void SetEndCap(Gdiplus::LineCap cap) = 0;
  virtual void SetDashCap(Gdiplus::DashCap cap) = 0;
  virtual Gdiplus::LineCap GetStartCap() const = 0;
  virtual Gdiplus::LineCap GetEndCap() const = 0;
  virtual Gdiplus::DashCap GetDashCap() const = 0;
  virtual void SetLineJoin(Gdiplus::LineJoin join) = 0;
  virtual Gdiplus::LineJoin GetLineJoin() const = 0;
  virtual void SetDashStyle(Gdiplus::DashStyle style) = 0;
  virtual Gdiplus::DashStyle GetDashStyle() const = 0;

 protected:
  DWORD color_;
};

// A fill: a solid colour or a texture.
class IBrush : public qbase::SupportWeakCallback {
 public:
  explicit IBrush(DWORD color) : color_(color) {}

  virtual std::unique_ptr<IBrush> Clone() const = 0;
  DWORD GetColor() const { return color_; }
  // Never set by the brushes made here: a texture brush keeps its own copy.
  HBITMAP GetBitmap() const { return bitmap_; }

 protected:
  DWORD color_;
  HBITMAP bitmap_ = nullptr;
};

// A figure of lines and curves in integer coordinates; angles in degrees.
class IPath : public qbase::SupportWeakCallback {
 public:
  virtual std::unique_ptr<IPath> Clone() const = 0;
  virtual void Reset() = 0;
  virtual void SetFillMode(Gdiplus::FillMode mode) = 0;
  virtual Gdiplus::FillMode GetFillMode() const = 0;
  virtual void StartFigure() = 0;
  virtual void CloseFigure() = 0;
  virtual void AddLine(int x1, int y1, int x2, int y2) = 0;
  virtual void AddLines(const POINT* points, int count) = 0;
  virtual void AddBezier(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
  virtual void AddCurve(const POINT* points, int count) = 0;
  virtual void AddRect(const RECT& rect) = 0;
  virtual void AddRect(int left, int top, int right, int bottom) = 0;
  virtual void AddEllipse(const RECT& rect) = 0;
  virtual void AddEllipse(int left, int top, int right, int bottom) = 0;
  virtual void AddArc(int x, int y, int width, int height, float start_angle,
                      float sweep_angle) = 0;
  virtual void AddPie(int x, int y, int width, int height, float start_angle,
                      float sweep_angle) = 0;
  virtual void AddPolygon(const POINT* points, int count) = 0;
  // World bounds (right and bottom exclusive), widened by the pen when given.
  virtual RECT GetBounds(const IPen* pen) const = 0;
  virtual bool IsContainsPoint(int x, int y) const = 0;
  virtual bool IsStrokeContainsPoint(int x, int y, const IPen* pen) const = 0;
  virtual void Transform(const IMatrix* matrix) = 0;
};

// A 2-D transform; every operation is applied before the current one.
class IMatrix : public qbase::SupportWeakCallback {
 public:
  virtual void Translate(int offset_x, int offset_y) = 0;
  virtual void Scale(int scale_x, int scale_y) = 0;
  virtual void Rotate(float angle) = 0;
  virtual void RotateAt(float angle, const POINT& centre) = 0;
};

// A 32-bit device-independent bitmap (blue, green, red, alpha per pixel).
class IBitmap : public qbase::SupportWeakCallback {
 public:
  virtual bool Init(HDC dc, int width, int height, bool top_down) = 0;
  virtual void Clear() = 0;
  // The handle passes to the caller; the bitmap is empty afterwards.
  virtual HBITMAP DetachBitmap() = 0;
  virtual HBITMAP GetBitmap() const = 0;
  virtual void* GetBits() const = 0;
  virtual int GetWidth() const = 0;
  virtual int GetHeight() const = 0;
  // Every byte of every pixel in the rectangle (clipped to the bitmap) := value.
  virtual void ClearAlpha(const RECT& rect, int value) = 0;
  // The alpha of the rectangle's pixels := 0 where a non-zero key equals it,
  // else 255; the corner areas that `padding` cuts off the bitmap stay.
  virtual void RestoreAlpha(const RECT& rect, const RECT& padding, int alpha_key) = 0;
};

// Nested clipping of a device context: every clip set is undone by one clear.
class IClip : public qbase::SupportWeakCallback {
 public:
  virtual void CreateClip(HDC dc, RECT rect) = 0;
  virtual void CreateRoundClip(HDC dc, RECT rect, int corner_width, int corner_height) = 0;
  virtual void ClearClip(HDC dc) = 0;
};

}  // namespace ui
