#pragma once

#include "ui/render/gdi_bitmap.h"
#include "ui/render/gdi_clip.h"
#include "ui/render/gdiplus_handles.h"
#include "ui/render/render_context.h"
#include "ui/render/render_environment.h"

namespace ui {

// How a text style (DT_ flags) and the line limit set up a GDI+ string format.
struct TextFormatSettings {
  INT flags;  // no-clip, no-wrap, line-limit
  Gdiplus::StringAlignment alignment;
  Gdiplus::StringAlignment line_alignment;
  bool ellipsis;
};
TextFormatSettings MapTextStyle(UINT style, bool line_limit);

// The colour with its alpha multiplied by alpha / 255 (unchanged at 255).
DWORD ApplyAlphaToColor(DWORD color, BYTE alpha);
// The alpha of drawn text: the colour's alpha times fade / 255, never 255.
BYTE ComputeTextAlpha(DWORD color, BYTE fade);

// Whether text is drawn anti-aliased; off at process start, switched by the
// launcher's font set-up.
bool IsTextAntiAliasEnabled();
void SetTextAntiAliasEnabled(bool enabled);

// Draws through GDI and the GDI+ flat interface into a 32-bit DIB section
// selected into a memory device context; each drawing call makes and deletes
// its own GDI+ graphics. Fonts, named colours and the scale of image corners
// come from the environment (not owned; it outlives the context); without one
// no text is drawn, every named colour is 0 and corners are not scaled.
class RenderContext_GdiPlus : public IRenderContext {
 public:
  explicit RenderContext_GdiPlus(IRenderEnvironment* environment = nullptr);
  RenderContext_GdiPlus(const RenderContext_GdiPlus&) = delete;
  RenderContext_GdiPlus& operator=(const RenderContext_GdiPlus&) = delete;

  HDC GetDC() const override { return dc_.get(); }
  bool Resize(int width, int height, bool top_down) override;
  void Clear() override;
  std::unique_ptr<IRenderContext> Clone() override;
  HBITMAP DetachBitmap() override;
  void* GetBits() const override { return bitmap_.GetBits(); }
  int GetWidth() const override { return bitmap_.GetWidth(); }
  int GetHeight() const override { return bitmap_.GetHeight(); }
  void ClearAlpha(const RECT& rect, int value) override;
  void RestoreAlpha(const RECT& rect, const RECT& padding, int alpha_key) override;
  bool IsRenderTransparent() const override { return render_transparent_; }
  bool SetRenderTransparent(bool transparent) override;
  void Save() override;
  void Restore() override;
  POINT OffsetWindowOrg(POINT offset) override;
  POINT SetWindowOrg(POINT origin) override;
  POINT GetWindowOrg() const override;
  void SetClip(const RECT& rect) override;
  void SetRoundClip(const RECT& rect, int corner_width, int corner_height) override;
  void ClearClip() override;
  bool BitBlt(int x, int y, int width, int height, HDC source, int source_x, int source_y,
              DWORD raster_operation) override;
  bool AlphaBlend(int x, int y, int width, int height, HDC source, int source_x, int source_y,
                  int source_width, int source_height, BYTE alpha) override;
  void DrawImage(const RECT& paint, HBITMAP bitmap, bool has_alpha, const RECT& dest,
                 const RECT& source, const RECT& corner, BYTE fade, bool xtiled,
                 bool ytiled) override;
  void DrawImageGdiPlus(const RECT& paint, Gdiplus::GpImage* image, const RECT& dest,
                        const RECT& source, const RECT& corner, BYTE fade, bool xtiled,
                        bool ytiled) override;
  void DrawColorByName(const RECT& rect, const std::wstring& color_name, BYTE alpha) override;
  void DrawColor(const RECT& rect, DWORD color, BYTE alpha) override;
  void DrawLine(const IPen* pen, int x1, int y1, int x2, int y2) override;
  void DrawLineRect(const RECT& rect, int width, DWORD color) override;
  void DrawBezier(const IPen* pen, int x1, int y1, int x2, int y2, int x3, int y3, int x4,
                  int y4) override;
  void DrawRect(const RECT& rect, int width, DWORD color) override;
  void DrawRoundRect(const RECT& rect, const SIZE& corner, int width, DWORD color) override;
  void DrawText(const RECT& rect, const std::wstring& text, DWORD color,
                const std::wstring& font_id, UINT style, BYTE fade, bool line_limit) override;
  void DrawTextWithEffect(const RECT& rect, const std::wstring& text, DWORD color,
                          const std::wstring& font_id, UINT style, ITextEffect* effect,
                          bool line_limit) override;
  void DrawEllipse(const RECT& rect, int width, DWORD color) override;
  void FillEllipse(const RECT& rect, DWORD color) override;
  RECT MeasureText(const std::wstring& text, const std::wstring& font_id, UINT style,
                   int width) override;
  void DrawPath(const IPath* path, const IPen* pen) override;
  void FillPath(const IPath* path, const IBrush* brush) override;

 private:
  // A GDI+ graphics on the device context with the given smoothing.
  GdiplusPtr<Gdiplus::GpGraphics> MakeGraphics(Gdiplus::SmoothingMode smoothing) const;
  Gdiplus::GpFont* FindFont(const std::wstring& font_id) const;

  IRenderEnvironment* environment_;  // not owned
  // In this order so that the bitmap is selected out of the device context
  // first, then the device context goes, then the bitmap.
  GdiBitmap bitmap_;
  ScopedMemoryDc dc_;
  ScopedSelectObject bitmap_selection_;
  GdiClip clip_;
  int saved_state_ = 0;
  bool render_transparent_ = false;
};

}  // namespace ui
