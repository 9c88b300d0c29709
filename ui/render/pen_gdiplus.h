#pragma once

#include "ui/render/gdiplus_handles.h"
#include "ui/render/render_objects.h"

namespace ui {

class Pen_GdiPlus : public IPen {
 public:
  // A pen of the colour and width in world units.
  Pen_GdiPlus(DWORD color, int width);

  std::unique_ptr<IPen> Clone() const override;
  void SetWidth(int width) override;
  int GetWidth() const override;
  void SetColor(DWORD color) override;
  void SetStartCap(Gdiplus::LineCap cap) override;
  void SetEndCap(Gdiplus::LineCap cap) override;
  void SetDashCap(Gdiplus::DashCap cap) override;
  Gdiplus::LineCap GetStartCap() const override;
  Gdiplus::LineCap GetEndCap() const override;
  Gdiplus::DashCap GetDashCap() const override;
  void SetLineJoin(Gdiplus::LineJoin join) override;
  Gdiplus::LineJoin GetLineJoin() const override;
  void SetDashStyle(Gdiplus::DashStyle style) override;
  Gdiplus::DashStyle GetDashStyle() const override;

  Gdiplus::GpPen* GetPen() const { return pen_.get(); }

 private:
  Pen_GdiPlus(DWORD color, GdiplusPtr<Gdiplus::GpPen> pen);

  GdiplusPtr<Gdiplus::GpPen> pen_;
};

}  // namespace ui
