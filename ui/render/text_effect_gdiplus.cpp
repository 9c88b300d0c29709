#include "ui/render/text_effect_gdiplus.h"

#include <algorithm>

#include "ui/render/spaced_text_layout.h"

namespace gdip = Gdiplus::DllExports;

namespace ui {
namespace {

constexpr INT kBold = Gdiplus::FontStyleBold;

Gdiplus::RectF MeasureString(Gdiplus::GpGraphics* graphics, const std::wstring& text,
                             Gdiplus::GpFont* font, Gdiplus::GpStringFormat* format) {
  const Gdiplus::RectF unbounded(0, 0, 0, 0);
  Gdiplus::RectF bounds(0, 0, 0, 0);
  gdip::GdipMeasureString(graphics, text.c_str(), static_cast<INT>(text.size()), font, &unbounded,
                          format, &bounds, nullptr, nullptr);
  return bounds;
}

}  // namespace

void TextEffect_GdiPlus::SetGradient(DWORD color1, DWORD color2, float width_fraction,
                                     float height_fraction) {
  gradient_ = true;
  gradient_color1_ = color1;
  gradient_color2_ = color2;
  gradient_width_fraction_ = width_fraction;
  gradient_height_fraction_ = height_fraction;
}

void TextEffect_GdiPlus::SetOutline(DWORD color1, DWORD color2, int layers, bool gradient) {
  outline_ = true;
  outline_colors_.clear();
  if (layers <= 0) return;
  if (!gradient) {
    outline_colors_.assign(layers / 2, color1);
    outline_colors_.insert(outline_colors_.end(), layers - layers / 2, color2);
    return;
  }
  // The layer colours are the pixels of a one-pixel-high horizontal gradient.
  Gdiplus::GpBitmap* made = nullptr;
  gdip::GdipCreateBitmapFromScan0(layers, 1, 0, PixelFormat32bppARGB, nullptr, &made);
  const GdiplusPtr<Gdiplus::GpImage> bitmap(made);
  if (!bitmap) return;
  {
    Gdiplus::GpGraphics* graphics = nullptr;
    gdip::GdipGetImageGraphicsContext(bitmap.get(), &graphics);
    const GdiplusPtr<Gdiplus::GpGraphics> owned_graphics(graphics);
    const Gdiplus::Rect area(0, 0, layers, 1);
    Gdiplus::GpLineGradient* brush = nullptr;
    gdip::GdipCreateLineBrushFromRectI(&area, color1, color2, Gdiplus::LinearGradientModeHorizontal,
                                       Gdiplus::WrapModeTile, &brush);
    const GdiplusPtr<Gdiplus::GpLineGradient> owned_brush(brush);
    gdip::GdipFillRectangleI(graphics, brush, 0, 0, layers, 1);
  }
  const Gdiplus::Rect area(0, 0, layers, 1);
  Gdiplus::BitmapData data = {};
  if (gdip::GdipBitmapLockBits(made, &area, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB,
                               &data) != Gdiplus::Ok) {
    return;
  }
  const auto* pixels = static_cast<const DWORD*>(data.Scan0);
  for (int i = 0; i < layers; ++i) outline_colors_.push_back(pixels[i] | 0xFF000000);
  gdip::GdipBitmapUnlockBits(made, &data);
}

void TextEffect_GdiPlus::DrawText(const RECT& rect, const std::wstring& text, DWORD color,
                                  Gdiplus::GpGraphics* graphics, Gdiplus::GpFont* font,
                                  Gdiplus::GpStringFormat* format) {
  Gdiplus::GpFontFamily* family = nullptr;
  gdip::GdipGetFamily(font, &family);
  const GdiplusPtr<Gdiplus::GpFontFamily> owned_family(family);
  Gdiplus::GpPath* made = nullptr;
  gdip::GdipCreatePath(Gdiplus::FillModeAlternate, &made);
  const GdiplusPtr<Gdiplus::GpPath> path(made);
  if (!family || !path) return;

  const int spacing = GetCharacterSpacing();
  if (spacing > 0) {
    AddSpacedText(rect, text, spacing, graphics, font, family, format, path.get());
  } else {
    Gdiplus::REAL size = 0;
    gdip::GdipGetFontSize(font, &size);
    const Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(rect.left),
                                static_cast<Gdiplus::REAL>(rect.top),
                                static_cast<Gdiplus::REAL>(rect.right - rect.left),
                                static_cast<Gdiplus::REAL>(rect.bottom - rect.top));
    gdip::GdipAddPathString(path.get(), text.c_str(), static_cast<INT>(text.size()), family, kBold,
                            size, &layout, format);
  }

  if (outline_) {
    for (size_t i = outline_colors_.size(); i-- > 0;) {
      Gdiplus::GpPen* pen = nullptr;
      gdip::GdipCreatePen1(outline_colors_[i], static_cast<Gdiplus::REAL>(i + 1),
                           Gdiplus::UnitWorld, &pen);
      const GdiplusPtr<Gdiplus::GpPen> owned_pen(pen);
      gdip::GdipSetPenLineJoin(pen, Gdiplus::LineJoinRound);
      gdip::GdipDrawPath(graphics, pen, path.get());
    }
  }

  Gdiplus::GpBrush* brush = nullptr;
  if (gradient_) {
    const Gdiplus::RectF area(static_cast<Gdiplus::REAL>(rect.left),
                              static_cast<Gdiplus::REAL>(rect.top),
                              (rect.right - rect.left) * gradient_width_fraction_,
                              (rect.bottom - rect.top) * gradient_height_fraction_);
    Gdiplus::GpLineGradient* gradient = nullptr;
    gdip::GdipCreateLineBrushFromRect(&area, gradient_color1_, gradient_color2_,
                                      Gdiplus::LinearGradientModeForwardDiagonal,
                                      Gdiplus::WrapModeTile, &gradient);
    brush = gradient;
  } else {
    Gdiplus::GpSolidFill* solid = nullptr;
    gdip::GdipCreateSolidFill(color, &solid);
    brush = solid;
  }
  const GdiplusPtr<Gdiplus::GpBrush> owned_brush(brush);
  if (brush) gdip::GdipFillPath(graphics, brush, path.get());
}

void TextEffect_GdiPlus::AddSpacedText(const RECT& rect, const std::wstring& text, int spacing,
                                       Gdiplus::GpGraphics* graphics, Gdiplus::GpFont* font,
                                       Gdiplus::GpFontFamily* family,
                                       Gdiplus::GpStringFormat* format, Gdiplus::GpPath* path) {
  if (space_width_ < 0) {
    const float difference = MeasureString(graphics, L"a a", font, format).Width -
                             MeasureString(graphics, L"aa", font, format).Width;
    space_width_ = std::max(1, static_cast<int>(difference));
  }
  if (text != laid_out_text_) {
    // A text that cannot be cut whole keeps the lines cut before the failure;
    // they are this text's lines, never another's.
    SplitTextIntoUnits(text, &lines_);
    laid_out_text_ = text;
  }

  Gdiplus::StringAlignment alignment = Gdiplus::StringAlignmentNear;
  gdip::GdipGetStringFormatAlign(format, &alignment);
  const bool right_to_left = alignment == Gdiplus::StringAlignmentFar;
  const std::vector<PlacedUnit> placed = LayoutSpacedText(
      lines_, rect, spacing, space_width_, right_to_left, [&](const std::wstring& unit) {
        const Gdiplus::RectF bounds = MeasureString(graphics, unit, font, format);
        return UnitExtent{bounds.Width, bounds.Height};
      });

  Gdiplus::REAL size = 0;
  gdip::GdipGetFontSize(font, &size);
  for (const PlacedUnit& unit : placed) {
    const Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(unit.x),
                                static_cast<Gdiplus::REAL>(unit.y), 0, 0);
    gdip::GdipAddPathString(path, unit.text.c_str(), static_cast<INT>(unit.text.size()), family,
                            kBold, size, &layout, format);
  }
}

}  // namespace ui
