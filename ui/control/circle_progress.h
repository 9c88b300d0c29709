#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <string>

#include "ui/control/progress.h"
#include "ui/render/gdiplus_handles.h"

namespace ui {

// Where a ring sits in a control rectangle: the centre, the largest square
// centred in the rectangle (integer halves) and the rectangle of the arc,
// inset from the square by `inset` and one pixel more.
struct RingGeometry {
  int32_t centerX = 0;
  int32_t centerY = 0;
  int32_t squareLeft = 0;
  int32_t squareTop = 0;
  int32_t diameter = 0;
  Gdiplus::RectF arc;
};
RingGeometry ComputeRingGeometry(const RECT& rect, float inset);
// The arc's sweep in degrees for the value between the limits (max > min):
// 0 to 360, negative when counter-clockwise.
float ComputeRingSweep(double value, int32_t min, int32_t max, bool clockwise);

// A progress bar that also draws its value as a ring: a background circle
// and a foreground arc from twelve o'clock, optionally with a two-colour
// gradient and an indicator image riding on the arc's end. Colours are
// resolved to ARGB when set. Markup "CircleProgress".
class CircleProgress : public Progress {
 public:
  CircleProgress() = default;

  std::wstring GetClass() const override { return L"CircleProgress"; }
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void ClearImageCache() override;
  void PaintStatusImage(IRenderContext* context) override;

  void SetCircular(bool circular);
  // A loaded indicator turns by 180 degrees to face the other way.
  void SetClockwise(bool clockwise);
  void SetCircleWidth(int32_t width);
  void SetBackgroundColor(const std::wstring& color);
  void SetForegroundColor(const std::wstring& color);
  void SetGradientColor(const std::wstring& color);
  // The image file as given, else under the resource root and the window's
  // skin folder; the skin package is not read. A missing or broken file
  // leaves no indicator.
  void SetIndicator(const std::wstring& path);

  bool IsCircular() const { return circular_; }
  bool IsClockwise() const { return clockwise_; }
  DWORD GetBackgroundColor() const { return background_color_; }
  DWORD GetForegroundColor() const { return foreground_color_; }
  DWORD GetGradientColor() const { return gradient_color_; }
  // Null while no indicator is loaded.
  Gdiplus::GpImage* GetIndicator() const { return indicator_.get(); }

 private:
  bool circular_ = true;
  bool clockwise_ = true;
  int32_t circle_width_ = 1;  // pen width in pixels, not DPI-scaled
  DWORD background_color_ = 0;
  DWORD foreground_color_ = 0;
  DWORD gradient_color_ = 0;  // 0: no gradient
  GdiplusPtr<Gdiplus::GpImage> indicator_;
  std::wstring indicator_path_;
};

}  // namespace ui
