#include "ui/render/render_context_gdiplus.h"

#include <vector>

#include "ui/render/brush_gdiplus.h"
#include "ui/render/nine_grid.h"
#include "ui/render/path_gdiplus.h"
#include "ui/render/pen_gdiplus.h"
#include "ui/render/text_effect.h"

namespace gdip = Gdiplus::DllExports;

namespace ui {
namespace {

constexpr INT kNoClip = 0x4000;
constexpr INT kNoWrap = 0x1000;
constexpr INT kLineLimit = 0x2000;

// The two characters whose height is a single line of text.
constexpr wchar_t kLineSample[] = L"\u6d4b\u8bd5";

Gdiplus::RectF ToLayoutRect(const RECT& rect) {
  return Gdiplus::RectF(static_cast<Gdiplus::REAL>(rect.left), static_cast<Gdiplus::REAL>(rect.top),
                        static_cast<Gdiplus::REAL>(rect.right - rect.left),
                        static_cast<Gdiplus::REAL>(rect.bottom - rect.top));
}

// A fresh copy of the generic typographic format.
GdiplusPtr<Gdiplus::GpStringFormat> CopyGenericTypographicFormat() {
  Gdiplus::GpStringFormat* generic = nullptr;
  Gdiplus::GpStringFormat* copy = nullptr;
  if (gdip::GdipStringFormatGetGenericTypographic(&generic) == Gdiplus::Ok && generic) {
    gdip::GdipCloneStringFormat(generic, &copy);
  }
  return GdiplusPtr<Gdiplus::GpStringFormat>(copy);
}

GdiplusPtr<Gdiplus::GpStringFormat> MakeStringFormat(UINT style, bool line_limit) {
  GdiplusPtr<Gdiplus::GpStringFormat> format = CopyGenericTypographicFormat();
  if (!format) return format;
  const TextFormatSettings settings = MapTextStyle(style, line_limit);
  if (settings.ellipsis) {
    gdip::GdipSetStringFormatTrimming(format.get(), Gdiplus::StringTrimmingEllipsisCharacter);
  }
  gdip::GdipSetStringFormatFlags(format.get(), settings.flags);
  gdip::GdipSetStringFormatAlign(format.get(), settings.alignment);
  gdip::GdipSetStringFormatLineAlign(format.get(), settings.line_alignment);
  return format;
}

GdiplusPtr<Gdiplus::GpPen> MakePen(DWORD color, int width) {
  Gdiplus::GpPen* pen = nullptr;
  gdip::GdipCreatePen1(color, static_cast<Gdiplus::REAL>(width), Gdiplus::UnitWorld, &pen);
  return GdiplusPtr<Gdiplus::GpPen>(pen);
}

GdiplusPtr<Gdiplus::GpSolidFill> MakeSolidBrush(DWORD color) {
  Gdiplus::GpSolidFill* brush = nullptr;
  gdip::GdipCreateSolidFill(color, &brush);
  return GdiplusPtr<Gdiplus::GpSolidFill>(brush);
}

NineGrid MakeNineGrid(IRenderEnvironment* environment, const RECT& paint, const RECT& dest,
                      const RECT& source, const RECT& corner, bool xtiled, bool ytiled) {
  RECT scaled_corner = corner;
  if (environment) environment->ScaleRect(&scaled_corner);
  return NineGrid{paint, dest, source, corner, scaled_corner, xtiled, ytiled};
}

bool text_anti_alias_enabled = false;

LONG Width(const RECT& rect) { return rect.right - rect.left; }
LONG Height(const RECT& rect) { return rect.bottom - rect.top; }

}  // namespace

bool IsTextAntiAliasEnabled() { return text_anti_alias_enabled; }

void SetTextAntiAliasEnabled(bool enabled) { text_anti_alias_enabled = enabled; }

TextFormatSettings MapTextStyle(UINT style, bool line_limit) {
  TextFormatSettings settings = {};
  if (style & DT_NOCLIP) settings.flags |= kNoClip;
  if (style & DT_SINGLELINE) settings.flags |= kNoWrap;
  if (line_limit) settings.flags |= kLineLimit;
  settings.alignment = (style & DT_CENTER)  ? Gdiplus::StringAlignmentCenter
                       : (style & DT_RIGHT) ? Gdiplus::StringAlignmentFar
                                            : Gdiplus::StringAlignmentNear;
  settings.line_alignment = (style & DT_VCENTER)  ? Gdiplus::StringAlignmentCenter
                            : (style & DT_BOTTOM) ? Gdiplus::StringAlignmentFar
                                                  : Gdiplus::StringAlignmentNear;
  settings.ellipsis = (style & DT_END_ELLIPSIS) != 0;
  return settings;
}

DWORD ApplyAlphaToColor(DWORD color, BYTE alpha) {
  if (alpha == 255) return color;
  const double color_alpha = color >> 24;
  const DWORD combined = static_cast<DWORD>(color_alpha * (alpha / 255.0));
  return (combined << 24) | (color & 0x00FFFFFF);
}

BYTE ComputeTextAlpha(DWORD color, BYTE fade) {
  const double color_alpha = color >> 24;
  const BYTE alpha = static_cast<BYTE>(static_cast<DWORD>(color_alpha / 255.0 * fade) & 0xFF);
  // A fully opaque brush would switch GDI+ to text rendering without alpha.
  return alpha == 255 ? 254 : alpha;
}

RenderContext_GdiPlus::RenderContext_GdiPlus(IRenderEnvironment* environment)
    : environment_(environment) {
  const ScopedScreenDc screen;
  dc_.reset(CreateCompatibleDC(screen.get()));
}

bool RenderContext_GdiPlus::Resize(int width, int height, bool top_down) {
  if (width == bitmap_.GetWidth() && height == bitmap_.GetHeight()) return false;
  bitmap_selection_.Restore();
  if (!bitmap_.Init(dc_.get(), width, height, top_down)) return false;
  bitmap_selection_.Select(dc_.get(), bitmap_.GetBitmap());
  return true;
}

void RenderContext_GdiPlus::Clear() { bitmap_.Clear(); }

std::unique_ptr<IRenderContext> RenderContext_GdiPlus::Clone() {
  auto copy = std::make_unique<RenderContext_GdiPlus>(environment_);
  copy->Resize(GetWidth(), GetHeight(), true);
  ::BitBlt(copy->GetDC(), 0, 0, GetWidth(), GetHeight(), dc_.get(), 0, 0, SRCCOPY);
  return copy;
}

HBITMAP RenderContext_GdiPlus::DetachBitmap() {
  if (!bitmap_selection_.IsSelected()) return nullptr;
  bitmap_selection_.Restore();
  return bitmap_.DetachBitmap();
}

void RenderContext_GdiPlus::ClearAlpha(const RECT& rect, int value) {
  bitmap_.ClearAlpha(rect, value);
}

void RenderContext_GdiPlus::RestoreAlpha(const RECT& rect, const RECT& padding, int alpha_key) {
  bitmap_.RestoreAlpha(rect, padding, alpha_key);
}

bool RenderContext_GdiPlus::SetRenderTransparent(bool transparent) {
  const bool previous = render_transparent_;
  render_transparent_ = transparent;
  return previous;
}

void RenderContext_GdiPlus::Save() { saved_state_ = SaveDC(dc_.get()); }

void RenderContext_GdiPlus::Restore() { RestoreDC(dc_.get(), saved_state_); }

POINT RenderContext_GdiPlus::OffsetWindowOrg(POINT offset) {
  POINT origin = GetWindowOrg();
  SetWindowOrgEx(dc_.get(), origin.x + offset.x, origin.y + offset.y, nullptr);
  return origin;
}

POINT RenderContext_GdiPlus::SetWindowOrg(POINT origin) {
  POINT previous = {0, 0};
  SetWindowOrgEx(dc_.get(), origin.x, origin.y, &previous);
  return previous;
}

POINT RenderContext_GdiPlus::GetWindowOrg() const {
  POINT origin = {0, 0};
  GetWindowOrgEx(dc_.get(), &origin);
  return origin;
}

void RenderContext_GdiPlus::SetClip(const RECT& rect) { clip_.CreateClip(dc_.get(), rect); }

void RenderContext_GdiPlus::SetRoundClip(const RECT& rect, int corner_width, int corner_height) {
  clip_.CreateRoundClip(dc_.get(), rect, corner_width, corner_height);
}

void RenderContext_GdiPlus::ClearClip() { clip_.ClearClip(dc_.get()); }

bool RenderContext_GdiPlus::BitBlt(int x, int y, int width, int height, HDC source, int source_x,
                                   int source_y, DWORD raster_operation) {
  return ::BitBlt(dc_.get(), x, y, width, height, source, source_x, source_y, raster_operation) !=
         FALSE;
}

bool RenderContext_GdiPlus::AlphaBlend(int x, int y, int width, int height, HDC source,
                                       int source_x, int source_y, int source_width,
                                       int source_height, BYTE alpha) {
  const BLENDFUNCTION blend = {AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
  return ::AlphaBlend(dc_.get(), x, y, width, height, source, source_x, source_y, source_width,
                      source_height, blend) == TRUE;
}

void RenderContext_GdiPlus::DrawImage(const RECT& paint, HBITMAP bitmap, bool has_alpha,
                                      const RECT& dest, const RECT& source, const RECT& corner,
                                      BYTE fade, bool xtiled, bool ytiled) {
  if (!bitmap) return;
  const std::vector<ImagePiece> pieces = ComputeNineGridPieces(
      MakeNineGrid(environment_, paint, dest, source, corner, xtiled, ytiled));
  if (pieces.empty()) return;
  const ScopedMemoryDc image_dc(CreateCompatibleDC(dc_.get()));
  const ScopedSelectObject selection(image_dc.get(), bitmap);
  const int stretch_mode = SetStretchBltMode(dc_.get(), HALFTONE);
  const BLENDFUNCTION blend = {AC_SRC_OVER, 0, fade, AC_SRC_ALPHA};
  for (const ImagePiece& piece : pieces) {
    const RECT& d = piece.dest;
    const RECT& s = piece.source;
    const bool resized = Width(d) != Width(s) || Height(d) != Height(s);
    if (!render_transparent_ && !has_alpha && fade == 255 && resized) {
      StretchBlt(dc_.get(), d.left, d.top, Width(d), Height(d), image_dc.get(), s.left, s.top,
                 Width(s), Height(s), SRCCOPY);
    } else {
      ::AlphaBlend(dc_.get(), d.left, d.top, Width(d), Height(d), image_dc.get(), s.left, s.top,
                   Width(s), Height(s), blend);
    }
  }
  SetStretchBltMode(dc_.get(), stretch_mode);
}

void RenderContext_GdiPlus::DrawImageGdiPlus(const RECT& paint, Gdiplus::GpImage* image,
                                             const RECT& dest, const RECT& source,
                                             const RECT& corner, BYTE fade, bool xtiled,
                                             bool ytiled) {
  if (!image) return;
  const std::vector<ImagePiece> pieces = ComputeNineGridPieces(
      MakeNineGrid(environment_, paint, dest, source, corner, xtiled, ytiled));
  if (pieces.empty()) return;
  const GdiplusPtr<Gdiplus::GpGraphics> graphics = MakeGraphics(Gdiplus::SmoothingModeHighQuality);
  GdiplusPtr<Gdiplus::GpImageAttributes> attributes;
  if (fade != 255) {
    Gdiplus::GpImageAttributes* made = nullptr;
    gdip::GdipCreateImageAttributes(&made);
    attributes.reset(made);
    Gdiplus::ColorMatrix matrix = {};
    for (int i = 0; i < 5; ++i) matrix.m[i][i] = 1.0f;
    matrix.m[3][3] = fade / 255.0f;
    gdip::GdipSetImageAttributesColorMatrix(attributes.get(), Gdiplus::ColorAdjustTypeBitmap, TRUE,
                                            &matrix, nullptr, Gdiplus::ColorMatrixFlagsDefault);
  }
  for (const ImagePiece& piece : pieces) {
    const RECT& d = piece.dest;
    const RECT& s = piece.source;
    gdip::GdipDrawImageRectRect(
        graphics.get(), image, static_cast<Gdiplus::REAL>(d.left),
        static_cast<Gdiplus::REAL>(d.top), static_cast<Gdiplus::REAL>(Width(d)),
        static_cast<Gdiplus::REAL>(Height(d)), static_cast<Gdiplus::REAL>(s.left),
        static_cast<Gdiplus::REAL>(s.top), static_cast<Gdiplus::REAL>(Width(s)),
        static_cast<Gdiplus::REAL>(Height(s)), Gdiplus::UnitPixel, attributes.get(), nullptr,
        nullptr);
  }
}

void RenderContext_GdiPlus::DrawColorByName(const RECT& rect, const std::wstring& color_name,
                                            BYTE alpha) {
  if (color_name.empty()) return;
  DrawColor(rect, environment_ ? environment_->GetTextColor(color_name) : 0, alpha);
}

void RenderContext_GdiPlus::DrawColor(const RECT& rect, DWORD color, BYTE alpha) {
  const GdiplusPtr<Gdiplus::GpGraphics> graphics = MakeGraphics(Gdiplus::SmoothingModeNone);
  const GdiplusPtr<Gdiplus::GpSolidFill> brush = MakeSolidBrush(ApplyAlphaToColor(color, alpha));
  const Gdiplus::RectF area = ToLayoutRect(rect);
  gdip::GdipFillRectangle(graphics.get(), brush.get(), area.X, area.Y, area.Width, area.Height);
}

void RenderContext_GdiPlus::DrawLine(const IPen* pen, int x1, int y1, int x2, int y2) {
  const auto* gdiplus_pen = dynamic_cast<const Pen_GdiPlus*>(pen);
  if (!gdiplus_pen) return;
  const GdiplusPtr<Gdiplus::GpGraphics> graphics = MakeGraphics(Gdiplus::SmoothingModeAntiAlias);
  gdip::GdipDrawLineI(graphics.get(), gdiplus_pen->GetPen(), x1, y1, x2, y2);
}

void RenderContext_GdiPlus::DrawLineRect(const RECT& rect, int width, DWORD color) {
  const GdiplusPtr<Gdiplus::GpGraphics> graphics = MakeGraphics(Gdiplus::SmoothingModeNone);
  const GdiplusPtr<Gdiplus::GpPen> pen = MakePen(color, width);
  gdip::GdipDrawLineI(graphics.get(), pen.get(), rect.left, rect.top, rect.right, rect.bottom);
}

void RenderContext_GdiPlus::DrawBezier(const IPen* pen, int x1, int y1, int x2, int y2, int x3,
                                       int y3, int x4, int y4) {
  const auto* gdiplus_pen = dynamic_cast<const Pen_GdiPlus*>(pen);
  if (!gdiplus_pen) return;
  const GdiplusPtr<Gdiplus::GpGraphics> graphics = MakeGraphics(Gdiplus::SmoothingModeAntiAlias);
  gdip::GdipDrawBezierI(graphics.get(), gdiplus_pen->GetPen(), x1, y1, x2, y2, x3, y3, x4, y4);
}

void RenderContext_GdiPlus::DrawRect(const RECT& rect, int width, DWORD color) {
  const GdiplusPtr<Gdiplus::GpGraphics> graphics = MakeGraphics(Gdiplus::SmoothingModeNone);
  const GdiplusPtr<Gdiplus::GpPen> pen = MakePen(color, width);
  gdip::GdipDrawRectangleI(graphics.get(), pen.get(), rect.left, rect.top, Width(rect),
                           Height(rect));
}

void RenderContext_GdiPlus::DrawRoundRect(const RECT& rect, const SIZE& corner, int width,
                                          DWORD color) {
  const GdiplusPtr<Gdiplus::GpGraphics> graphics = MakeGraphics(Gdiplus::SmoothingModeAntiAlias);
  const GdiplusPtr<Gdiplus::GpPen> pen = MakePen(color, width);
  Gdiplus::GpPath* made = nullptr;
  gdip::GdipCreatePath(Gdiplus::FillModeAlternate, &made);
  const GdiplusPtr<Gdiplus::GpPath> path(made);
  const INT cx = corner.cx;
  const INT cy = corner.cy;
  gdip::GdipAddPathArcI(path.get(), rect.left, rect.top, cx, cy, 180, 90);
  gdip::GdipAddPathLineI(path.get(), rect.left + cx, rect.top, rect.right - cx, rect.top);
  gdip::GdipAddPathArcI(path.get(), rect.right - cx, rect.top, cx, cy, 270, 90);
  gdip::GdipAddPathLineI(path.get(), rect.right, rect.top + cy, rect.right, rect.bottom - cy);
  gdip::GdipAddPathArcI(path.get(), rect.right - cx, rect.bottom - cy, cx, cy, 0, 90);
  gdip::GdipAddPathLineI(path.get(), rect.right - cx, rect.bottom, rect.left + cx, rect.bottom);
  gdip::GdipAddPathArcI(path.get(), rect.left, rect.bottom - cy, cx, cy, 90, 90);
  gdip::GdipAddPathLineI(path.get(), rect.left, rect.bottom - cy, rect.left, rect.top + cy);
  gdip::GdipClosePathFigure(path.get());
  gdip::GdipDrawPath(graphics.get(), pen.get(), path.get());
}

void RenderContext_GdiPlus::DrawText(const RECT& rect, const std::wstring& text, DWORD color,
                                     const std::wstring& font_id, UINT style, BYTE fade,
                                     bool line_limit) {
  if (text.empty()) return;
  const GdiplusPtr<Gdiplus::GpGraphics> graphics = MakeGraphics(Gdiplus::SmoothingModeDefault);
  if (IsTextAntiAliasEnabled()) {
    gdip::GdipSetSmoothingMode(graphics.get(), Gdiplus::SmoothingModeAntiAlias);
    gdip::GdipSetTextRenderingHint(graphics.get(), Gdiplus::TextRenderingHintAntiAlias);
  }
  Gdiplus::GpFont* font = FindFont(font_id);
  if (!font) return;
  const Gdiplus::RectF layout = ToLayoutRect(rect);
  const DWORD text_color =
      (static_cast<DWORD>(ComputeTextAlpha(color, fade)) << 24) | (color & 0x00FFFFFF);
  const GdiplusPtr<Gdiplus::GpStringFormat> format = MakeStringFormat(style, line_limit);
  const GdiplusPtr<Gdiplus::GpSolidFill> brush = MakeSolidBrush(text_color);
  gdip::GdipDrawString(graphics.get(), text.c_str(), static_cast<INT>(text.size()), font, &layout,
                       format.get(), brush.get());
}

void RenderContext_GdiPlus::DrawTextWithEffect(const RECT& rect, const std::wstring& text,
                                               DWORD color, const std::wstring& font_id, UINT style,
                                               ITextEffect* effect, bool line_limit) {
  if (text.empty() || !effect) return;
  const GdiplusPtr<Gdiplus::GpGraphics> graphics = MakeGraphics(Gdiplus::SmoothingModeDefault);
  if (IsTextAntiAliasEnabled()) {
    gdip::GdipSetSmoothingMode(graphics.get(), Gdiplus::SmoothingModeAntiAlias);
    gdip::GdipSetTextRenderingHint(graphics.get(), Gdiplus::TextRenderingHintAntiAlias);
    gdip::GdipSetInterpolationMode(graphics.get(), Gdiplus::InterpolationModeHighQualityBicubic);
  }
  Gdiplus::GpFont* font = FindFont(font_id);
  if (!font) return;
  const GdiplusPtr<Gdiplus::GpStringFormat> format = MakeStringFormat(style, line_limit);
  effect->DrawText(rect, text, color, graphics.get(), font, format.get());
}

void RenderContext_GdiPlus::DrawEllipse(const RECT& rect, int width, DWORD color) {
  const GdiplusPtr<Gdiplus::GpGraphics> graphics = MakeGraphics(Gdiplus::SmoothingModeAntiAlias);
  const GdiplusPtr<Gdiplus::GpPen> pen = MakePen(color, width);
  gdip::GdipDrawEllipseI(graphics.get(), pen.get(), rect.left, rect.top, Width(rect), Height(rect));
}

void RenderContext_GdiPlus::FillEllipse(const RECT& rect, DWORD color) {
  const GdiplusPtr<Gdiplus::GpGraphics> graphics = MakeGraphics(Gdiplus::SmoothingModeAntiAlias);
  const GdiplusPtr<Gdiplus::GpSolidFill> brush = MakeSolidBrush(color);
  gdip::GdipFillEllipseI(graphics.get(), brush.get(), rect.left, rect.top, Width(rect),
                         Height(rect));
}

RECT RenderContext_GdiPlus::MeasureText(const std::wstring& text, const std::wstring& font_id,
                                        UINT style, int width) {
  const GdiplusPtr<Gdiplus::GpGraphics> graphics = MakeGraphics(Gdiplus::SmoothingModeDefault);
  Gdiplus::GpFont* font = FindFont(font_id);
  if (!font) return {0, 0, 1, 1};
  const GdiplusPtr<Gdiplus::GpStringFormat> format = CopyGenericTypographicFormat();
  gdip::GdipSetStringFormatFlags(format.get(), (style & DT_SINGLELINE) ? kNoWrap : 0);

  const Gdiplus::RectF unbounded(0, 0, 0, 0);
  Gdiplus::RectF layout = unbounded;
  if (width != -1) {
    Gdiplus::REAL height = 0;
    if (style & DT_SINGLELINE) {
      Gdiplus::RectF sample(0, 0, 0, 0);
      gdip::GdipMeasureString(graphics.get(), kLineSample, 2, font, &unbounded, format.get(),
                              &sample, nullptr, nullptr);
      height = sample.Height;
    }
    layout = Gdiplus::RectF(0, 0, static_cast<Gdiplus::REAL>(width), height);
  }
  Gdiplus::RectF bounds(0, 0, 0, 0);
  gdip::GdipMeasureString(graphics.get(), text.c_str(), static_cast<INT>(text.size()), font,
                          &layout, format.get(), &bounds, nullptr, nullptr);
  return {static_cast<LONG>(bounds.X), static_cast<LONG>(bounds.Y),
          static_cast<LONG>(bounds.X + bounds.Width + 1),
          static_cast<LONG>(bounds.Y + bounds.Height + 1)};
}

void RenderContext_GdiPlus::DrawPath(const IPath* path, const IPen* pen) {
  const auto* gdiplus_path = dynamic_cast<const Path_GdiPlus*>(path);
  const auto* gdiplus_pen = dynamic_cast<const Pen_GdiPlus*>(pen);
  if (!gdiplus_path || !gdiplus_pen) return;
  const GdiplusPtr<Gdiplus::GpGraphics> graphics = MakeGraphics(Gdiplus::SmoothingModeAntiAlias);
  gdip::GdipDrawPath(graphics.get(), gdiplus_pen->GetPen(), gdiplus_path->GetPath());
}

void RenderContext_GdiPlus::FillPath(const IPath* path, const IBrush* brush) {
  const auto* gdiplus_path = dynamic_cast<const Path_GdiPlus*>(path);
  const auto* gdiplus_brush = dynamic_cast<const Brush_GdiPlus*>(brush);
  if (!gdiplus_path || !gdiplus_brush || !gdiplus_brush->GetFillBrush()) return;
  const GdiplusPtr<Gdiplus::GpGraphics> graphics = MakeGraphics(Gdiplus::SmoothingModeAntiAlias);
  gdip::GdipFillPath(graphics.get(), gdiplus_brush->GetFillBrush(), gdiplus_path->GetPath());
}

GdiplusPtr<Gdiplus::GpGraphics> RenderContext_GdiPlus::MakeGraphics(
    Gdiplus::SmoothingMode smoothing) const {
  Gdiplus::GpGraphics* graphics = nullptr;
  gdip::GdipCreateFromHDC(dc_.get(), &graphics);
  if (graphics && smoothing != Gdiplus::SmoothingModeDefault) {
    gdip::GdipSetSmoothingMode(graphics, smoothing);
  }
  return GdiplusPtr<Gdiplus::GpGraphics>(graphics);
}

Gdiplus::GpFont* RenderContext_GdiPlus::FindFont(const std::wstring& font_id) const {
  return environment_ ? environment_->GetFont(font_id) : nullptr;
}

}  // namespace ui
