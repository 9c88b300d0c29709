#include "ui/control/circle_progress.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstdlib>

#include "ui/core/window.h"
#include "ui/render/render_context.h"
#include "ui/resources/global_manager.h"

namespace gdip = Gdiplus::DllExports;

namespace ui {

namespace {

// GDI+ degrees: 270 is twelve o'clock, positive sweeps run clockwise.
constexpr Gdiplus::REAL kTwelveOClock = 270;
constexpr Gdiplus::REAL kFullCircle = 360;

// A colour name with its leading blanks and control characters skipped.
DWORD ColorOfName(const std::wstring& value) {
  size_t skipped = 0;
  while (skipped < value.size() && value[skipped] <= L' ') ++skipped;
  return GlobalManager::GetTextColor(value.substr(skipped));
}

GdiplusPtr<Gdiplus::GpPen> MakePen(DWORD color, int32_t width) {
  Gdiplus::GpPen* pen = nullptr;
  gdip::GdipCreatePen1(color, static_cast<Gdiplus::REAL>(width), Gdiplus::UnitWorld, &pen);
  return GdiplusPtr<Gdiplus::GpPen>(pen);
}

// Foreground to gradient colour from top to bottom, held flat near both ends.
GdiplusPtr<Gdiplus::GpPen> MakeGradientPen(const RingGeometry& ring, DWORD from, DWORD to,
                                           int32_t width) {
  const Gdiplus::RectF area(
      static_cast<Gdiplus::REAL>(ring.squareLeft), static_cast<Gdiplus::REAL>(ring.squareTop),
      static_cast<Gdiplus::REAL>(ring.diameter), static_cast<Gdiplus::REAL>(ring.diameter));
  Gdiplus::GpLineGradient* raw_brush = nullptr;
  gdip::GdipCreateLineBrushFromRect(&area, from, to, Gdiplus::LinearGradientModeVertical,
                                    Gdiplus::WrapModeTile, &raw_brush);
  const GdiplusPtr<Gdiplus::GpBrush> brush(raw_brush);
  if (!brush) return nullptr;
  const Gdiplus::REAL factors[] = {0.0f, 0.4f, 0.6f, 1.0f};
  const Gdiplus::REAL positions[] = {0.0f, 0.2f, 0.8f, 1.0f};
  gdip::GdipSetLineBlend(raw_brush, factors, positions, 4);
  Gdiplus::GpPen* pen = nullptr;
  gdip::GdipCreatePen2(brush.get(), static_cast<Gdiplus::REAL>(width), Gdiplus::UnitWorld, &pen);
  return GdiplusPtr<Gdiplus::GpPen>(pen);
}

void DrawArc(Gdiplus::GpGraphics* graphics, Gdiplus::GpPen* pen, const Gdiplus::RectF& arc,
             Gdiplus::REAL sweep) {
  if (!pen) return;
  gdip::GdipDrawArc(graphics, pen, arc.X, arc.Y, arc.Width, arc.Height, kTwelveOClock, sweep);
}

}  // namespace

RingGeometry ComputeRingGeometry(const RECT& rect, float inset) {
  RingGeometry ring;
  ring.centerX = rect.left + (rect.right - rect.left) / 2;
  ring.centerY = rect.top + (rect.bottom - rect.top) / 2;
  ring.diameter = std::min(rect.right - rect.left, rect.bottom - rect.top);
  ring.squareLeft = ring.centerX - ring.diameter / 2;
  ring.squareTop = ring.centerY - ring.diameter / 2;
  const float side = static_cast<float>(ring.diameter) - 2 * inset - 2;
  ring.arc = Gdiplus::RectF(static_cast<float>(ring.squareLeft) + inset + 1,
                            static_cast<float>(ring.squareTop) + inset + 1, side, side);
  return ring;
}

float ComputeRingSweep(double value, int32_t min, int32_t max, bool clockwise) {
  const double degrees = clockwise ? 360.0 : -360.0;
  return static_cast<float>((value - min) * degrees / (max - min));
}

void CircleProgress::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"circular") {
    SetCircular(value == L"true");
  } else if (name == L"circlewidth") {
    SetCircleWidth(_wtoi(value.c_str()));
  } else if (name == L"indicator") {
    SetIndicator(value);
  } else if (name == L"clockwise") {
    SetClockwise(value == L"true");
  } else if (name == L"bgcolor") {
    SetBackgroundColor(value);
  } else if (name == L"fgcolor") {
    SetForegroundColor(value);
  } else if (name == L"gradientcolor") {
    SetGradientColor(value);
  } else {
    Progress::SetAttribute(name, value);
  }
}

void CircleProgress::ClearImageCache() {
  Progress::ClearImageCache();
  indicator_.reset();
}

void CircleProgress::SetCircular(bool circular) {
  circular_ = circular;
  Invalidate();
}

void CircleProgress::SetClockwise(bool clockwise) {
  if (clockwise_ == clockwise) return;
  clockwise_ = clockwise;
  if (indicator_) gdip::GdipImageRotateFlip(indicator_.get(), Gdiplus::Rotate180FlipNone);
}

void CircleProgress::SetCircleWidth(int32_t width) {
  circle_width_ = width;
  Invalidate();
}

void CircleProgress::SetBackgroundColor(const std::wstring& color) {
  background_color_ = ColorOfName(color);
  Invalidate();
}

void CircleProgress::SetForegroundColor(const std::wstring& color) {
  foreground_color_ = ColorOfName(color);
  Invalidate();
}

void CircleProgress::SetGradientColor(const std::wstring& color) {
  gradient_color_ = ColorOfName(color);
  Invalidate();
}

void CircleProgress::SetIndicator(const std::wstring& path) {
  if (path == indicator_path_) return;
  indicator_path_ = path;
  indicator_.reset();
  std::wstring file = path;
  if (!PathFileExistsW(file.c_str())) {
    // A control built in code has no skin folder to look in.
    if (!window_) return;
    file = GlobalManager::resourcePath + window_->GetResourcePath() + path;
    if (!PathFileExistsW(file.c_str())) return;
  }
  Gdiplus::GpImage* image = nullptr;
  if (gdip::GdipLoadImageFromFile(file.c_str(), &image) != Gdiplus::Ok) return;
  indicator_.reset(image);
  gdip::GdipImageRotateFlip(image,
                            clockwise_ ? Gdiplus::Rotate90FlipNone : Gdiplus::Rotate270FlipNone);
  Invalidate();
}

void CircleProgress::PaintStatusImage(IRenderContext* context) {
  Progress::PaintStatusImage(context);
  if (!circular_) return;

  Gdiplus::GpGraphics* raw_graphics = nullptr;
  gdip::GdipCreateFromHDC(context->GetDC(), &raw_graphics);
  const GdiplusPtr<Gdiplus::GpGraphics> graphics(raw_graphics);
  if (!graphics) return;
  gdip::GdipSetSmoothingMode(raw_graphics, Gdiplus::SmoothingModeAntiAlias);

  UINT indicator_width = 0;
  UINT indicator_height = 0;
  if (indicator_) {
    gdip::GdipGetImageWidth(indicator_.get(), &indicator_width);
    gdip::GdipGetImageHeight(indicator_.get(), &indicator_height);
  }
  // The image's width insets both directions, also for an image that is not
  // square.
  const float inset =
      indicator_ ? static_cast<float>(indicator_width) / 2 : static_cast<float>(circle_width_) / 2;
  const RingGeometry ring = ComputeRingGeometry(pos_, inset);
  const float sweep = ComputeRingSweep(value_, min_, max_, clockwise_);

  const GdiplusPtr<Gdiplus::GpPen> background = MakePen(background_color_, circle_width_);
  DrawArc(raw_graphics, background.get(), ring.arc, kFullCircle);
  const GdiplusPtr<Gdiplus::GpPen> foreground =
      gradient_color_ == 0
          ? MakePen(foreground_color_, circle_width_)
          : MakeGradientPen(ring, foreground_color_, gradient_color_, circle_width_);
  DrawArc(raw_graphics, foreground.get(), ring.arc, sweep);

  if (!indicator_) return;
  Gdiplus::GpMatrix* raw_matrix = nullptr;
  gdip::GdipCreateMatrix(&raw_matrix);
  const GdiplusPtr<Gdiplus::GpMatrix> matrix(raw_matrix);
  if (!matrix) return;
  const auto center_x = static_cast<Gdiplus::REAL>(ring.centerX);
  const auto center_y = static_cast<Gdiplus::REAL>(ring.centerY);
  gdip::GdipTranslateMatrix(raw_matrix, -center_x, -center_y, Gdiplus::MatrixOrderAppend);
  gdip::GdipRotateMatrix(raw_matrix, sweep, Gdiplus::MatrixOrderAppend);
  gdip::GdipTranslateMatrix(raw_matrix, center_x, center_y, Gdiplus::MatrixOrderAppend);
  gdip::GdipSetWorldTransform(raw_graphics, raw_matrix);
  const auto half_width = static_cast<int32_t>(indicator_width / 2);
  const auto half_height = static_cast<int32_t>(indicator_height / 2);
  gdip::GdipDrawImageRect(
      raw_graphics, indicator_.get(), static_cast<Gdiplus::REAL>(ring.centerX - half_width),
      ring.arc.Y - static_cast<Gdiplus::REAL>(half_height),
      static_cast<Gdiplus::REAL>(indicator_width), static_cast<Gdiplus::REAL>(indicator_height));
}

}  // namespace ui
