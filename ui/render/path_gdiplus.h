#pragma once

#include "ui/render/gdiplus_handles.h"
#include "ui/render/render_objects.h"

namespace ui {

class Path_GdiPlus : public IPath {
 public:
  // An empty path with alternate fill mode.
  Path_GdiPlus();

  std::unique_ptr<IPath> Clone() const override;
  void Reset() override;
  void SetFillMode(Gdiplus::FillMode mode) override;
  Gdiplus::FillMode GetFillMode() const override;
  void StartFigure() override;
  void CloseFigure() override;
  void AddLine(int x1, int y1, int x2, int y2) override;
  void AddLines(const POINT* points, int count) override;
  void AddBezier(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
  void AddCurve(const POINT* points, int count) override;
  void AddRect(const RECT& rect) override;
  void AddRect(int left, int top, int right, int bottom) override;
  void AddEllipse(const RECT& rect) override;
  void AddEllipse(int left, int top, int right, int bottom) override;
  void AddArc(int x, int y, int width, int height, float start_angle, float sweep_angle) override;
  void AddPie(int x, int y, int width, int height, float start_angle, float sweep_angle) override;
  void AddPolygon(const POINT* points, int count) override;
  RECT GetBounds(const IPen* pen) const override;
  bool IsContainsPoint(int x, int y) const override;
  bool IsStrokeContainsPoint(int x, int y, const IPen* pen) const override;
  void Transform(const IMatrix* matrix) override;

  Gdiplus::GpPath* GetPath() const { return path_.get(); }

 private:
  explicit Path_GdiPlus(GdiplusPtr<Gdiplus::GpPath> path);

  GdiplusPtr<Gdiplus::GpPath> path_;
};

}  // namespace ui
