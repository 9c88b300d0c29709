#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <memory>
#include <string>

#include "base/weak_callback.h"

namespace ui {

class IBrush;
class IPath;
class IPen;
class ITextEffect;

// The drawing surface of windows and controls: a memory device context with
// a 32-bit bitmap. Colours are ARGB; alpha and fade 255 mean opaque. Text
// styles are the Windows DT_ flags (centre, right, vertical centre, bottom,
// single line, no clip, end ellipsis).
class IRenderContext : public qbase::SupportWeakCallback {
 public:
  virtual HDC GetDC() const = 0;
  // False when the size is unchanged (the pixels stay) or the bitmap cannot
  // be made (the context then has none).
  virtual bool Resize(int width, int height, bool top_down) = 0;
  virtual void Clear() = 0;
  virtual std::unique_ptr<IRenderContext> Clone() = 0;
  // The bitmap passes to the caller; null when the context was never sized.
  virtual HBITMAP DetachBitmap() = 0;
  virtual void* GetBits() const = 0;
  virtual int GetWidth() const = 0;
  virtual int GetHeight() const = 0;
  virtual void ClearAlpha(const RECT& rect, int value) = 0;
  virtual void RestoreAlpha(const RECT& rect, const RECT& padding, int alpha_key) = 0;
  virtual bool IsRenderTransparent() const = 0;
  // When set, images are always alpha-blended. Returns the previous value.
  virtual bool SetRenderTransparent(bool transparent) = 0;
  virtual void Save() = 0;
  virtual void Restore() = 0;
  virtual POINT OffsetWindowOrg(POINT offset) = 0;
  virtual POINT SetWindowOrg(POINT origin) = 0;
  virtual POINT GetWindowOrg() const = 0;
  // Clips nest: every SetClip or SetRoundClip needs one ClearClip.
  virtual void SetClip(const RECT& rect) = 0;
  virtual void SetRoundClip(const RECT& rect, int corner_width, int corner_height) = 0;
  virtual void ClearClip() = 0;
  virtual bool BitBlt(int x, int y, int width, int height, HDC source, int source_x, int source_y,
                      DWORD raster_operation) = 0;
  virtual bool AlphaBlend(int x, int y, int width, int height, HDC source, int source_x,
                          int source_y, int source_width, int source_height, BYTE alpha) = 0;
  // Nine-grid drawing of the image's `source` part onto `dest`; `corner`
  // holds the border widths in image pixels. Only what meets `paint` is drawn.
  virtual void DrawImage(const RECT& paint, HBITMAP bitmap, bool has_alpha, const RECT& dest,
                         const RECT& source, const RECT& corner, BYTE fade, bool xtiled,
                         bool ytiled) = 0;
  virtual void DrawImageGdiPlus(const RECT& paint, Gdiplus::GpImage* image, const RECT& dest,
                                const RECT& source, const RECT& corner, BYTE fade, bool xtiled,
                                bool ytiled) = 0;
  // Nothing for an empty name; an unknown name is colour 0.
  virtual void DrawColorByName(const RECT& rect, const std::wstring& color_name, BYTE alpha) = 0;
  virtual void DrawColor(const RECT& rect, DWORD color, BYTE alpha) = 0;
  virtual void DrawLine(const IPen* pen, int x1, int y1, int x2, int y2) = 0;
  // A line from the rectangle's top-left to its bottom-right, not smoothed.
  virtual void DrawLineRect(const RECT& rect, int width, DWORD color) = 0;
  virtual void DrawBezier(const IPen* pen, int x1, int y1, int x2, int y2, int x3, int y3, int x4,
                          int y4) = 0;
  virtual void DrawRect(const RECT& rect, int width, DWORD color) = 0;
  virtual void DrawRoundRect(const RECT& rect, const SIZE& corner, int width, DWORD color) = 0;
  virtual void DrawText(const RECT& rect, const std::wstring& text, DWORD color,
                        const std::wstring& font_id, UINT style, BYTE fade, bool line_limit) = 0;
  virtual void DrawTextWithEffect(const RECT& rect, const std::wstring& text, DWORD color,
                                  const std::wstring& font_id, UINT style, ITextEffect* effect,
                                  bool line_limit) = 0;
  virtual void DrawEllipse(const RECT& rect, int width, DWORD color) = 0;
  virtual void FillEllipse(const RECT& rect, DWORD color) = 0;
  // Width -1 does not bound the text. (0, 0, 1, 1) when the font is unknown.
  virtual RECT MeasureText(const std::wstring& text, const std::wstring& font_id, UINT style,
                           int width) = 0;
  virtual void DrawPath(const IPath* path, const IPen* pen) = 0;
  virtual void FillPath(const IPath* path, const IBrush* brush) = 0;
};

}  // namespace ui
