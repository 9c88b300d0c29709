#include "ui/render/pen_gdiplus.h"

namespace gdip = Gdiplus::DllExports;

namespace ui {

Pen_GdiPlus::Pen_GdiPlus(DWORD color, int width) : IPen(color) {
  Gdiplus::GpPen* pen = nullptr;
  gdip::GdipCreatePen1(color, static_cast<Gdiplus::REAL>(width), Gdiplus::UnitWorld, &pen);
  pen_.reset(pen);
}

Pen_GdiPlus::Pen_GdiPlus(DWORD color, GdiplusPtr<Gdiplus::GpPen> pen)
    : IPen(color), pen_(std::move(pen)) {}

std::unique_ptr<IPen> Pen_GdiPlus::Clone() const {
  Gdiplus::GpPen* copy = nullptr;
  if (pen_) gdip::GdipClonePen(pen_.get(), &copy);
  return std::unique_ptr<IPen>(new Pen_GdiPlus(color_, GdiplusPtr<Gdiplus::GpPen>(copy)));
}

void Pen_GdiPlus::SetWidth(int width) {
  gdip::GdipSetPenWidth(pen_.get(), static_cast<Gdiplus::REAL>(width));
}

int Pen_GdiPlus::GetWidth() const {
  Gdiplus::REAL width = 0;
  gdip::GdipGetPenWidth(pen_.get(), &width);
  return static_cast<int>(width);
}

void Pen_GdiPlus::SetColor(DWORD color) {
  color_ = color;
  gdip::GdipSetPenColor(pen_.get(), color);
}

void Pen_GdiPlus::SetStartCap(Gdiplus::LineCap cap) { gdip::GdipSetPenStartCap(pen_.get(), cap); }

void Pen_GdiPlus::SetEndCap(Gdiplus::LineCap cap) { gdip::GdipSetPenEndCap(pen_.get(), cap); }

void Pen_GdiPlus::SetDashCap(Gdiplus::DashCap cap) {
  gdip::GdipSetPenDashCap197819(pen_.get(), cap);
}

Gdiplus::LineCap Pen_GdiPlus::GetStartCap() const {
  Gdiplus::LineCap cap = Gdiplus::LineCapFlat;
  gdip::GdipGetPenStartCap(pen_.get(), &cap);
  return cap;
}

Gdiplus::LineCap Pen_GdiPlus::GetEndCap() const {
  Gdiplus::LineCap cap = Gdiplus::LineCapFlat;
  gdip::GdipGetPenEndCap(pen_.get(), &cap);
  return cap;
}

Gdiplus::DashCap Pen_GdiPlus::GetDashCap() const {
  Gdiplus::DashCap cap = Gdiplus::DashCapFlat;
  gdip::GdipGetPenDashCap197819(pen_.get(), &cap);
  return cap;
}

void Pen_GdiPlus::SetLineJoin(Gdiplus::LineJoin join) {
  gdip::GdipSetPenLineJoin(pen_.get(), join);
}

Gdiplus::LineJoin Pen_GdiPlus::GetLineJoin() const {
  Gdiplus::LineJoin join = Gdiplus::LineJoinMiter;
  gdip::GdipGetPenLineJoin(pen_.get(), &join);
  return join;
}

void Pen_GdiPlus::SetDashStyle(Gdiplus::DashStyle style) {
  gdip::GdipSetPenDashStyle(pen_.get(), style);
}

Gdiplus::DashStyle Pen_GdiPlus::GetDashStyle() const {
  Gdiplus::DashStyle style = Gdiplus::DashStyleSolid;
  gdip::GdipGetPenDashStyle(pen_.get(), &style);
  return style;
}

}  // namespace ui
