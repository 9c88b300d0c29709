#include "ui/render/path_gdiplus.h"

#include <vector>

#include "ui/render/matrix_gdiplus.h"
#include "ui/render/pen_gdiplus.h"

namespace gdip = Gdiplus::DllExports;

namespace ui {
namespace {

std::vector<Gdiplus::Point> ToPoints(const POINT* points, int count) {
  std::vector<Gdiplus::Point> copy;
  for (int i = 0; points && i < count; ++i) copy.emplace_back(points[i].x, points[i].y);
  return copy;
}

Gdiplus::GpPen* NativePen(const IPen* pen) {
  const auto* gdiplus_pen = dynamic_cast<const Pen_GdiPlus*>(pen);
  return gdiplus_pen ? gdiplus_pen->GetPen() : nullptr;
}

}  // namespace

Path_GdiPlus::Path_GdiPlus() {
  Gdiplus::GpPath* path = nullptr;
  gdip::GdipCreatePath(Gdiplus::FillModeAlternate, &path);
  path_.reset(path);
}

Path_GdiPlus::Path_GdiPlus(GdiplusPtr<Gdiplus::GpPath> path) : path_(std::move(path)) {}

std::unique_ptr<IPath> Path_GdiPlus::Clone() const {
  Gdiplus::GpPath* copy = nullptr;
  if (path_) gdip::GdipClonePath(path_.get(), &copy);
  return std::unique_ptr<IPath>(new Path_GdiPlus(GdiplusPtr<Gdiplus::GpPath>(copy)));
}

void Path_GdiPlus::Reset() { gdip::GdipResetPath(path_.get()); }

void Path_GdiPlus::SetFillMode(Gdiplus::FillMode mode) {
  gdip::GdipSetPathFillMode(path_.get(), mode);
}

Gdiplus::FillMode Path_GdiPlus::GetFillMode() const {
  Gdiplus::FillMode mode = Gdiplus::FillModeAlternate;
  gdip::GdipGetPathFillMode(path_.get(), &mode);
  return mode;
}

void Path_GdiPlus::StartFigure() { gdip::GdipStartPathFigure(path_.get()); }

void Path_GdiPlus::CloseFigure() { gdip::GdipClosePathFigure(path_.get()); }

void Path_GdiPlus::AddLine(int x1, int y1, int x2, int y2) {
  gdip::GdipAddPathLineI(path_.get(), x1, y1, x2, y2);
}

void Path_GdiPlus::AddLines(const POINT* points, int count) {
  const std::vector<Gdiplus::Point> copy = ToPoints(points, count);
  gdip::GdipAddPathLine2I(path_.get(), copy.data(), static_cast<INT>(copy.size()));
}

void Path_GdiPlus::AddBezier(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  gdip::GdipAddPathBezierI(path_.get(), x1, y1, x2, y2, x3, y3, x4, y4);
}

void Path_GdiPlus::AddCurve(const POINT* points, int count) {
  const std::vector<Gdiplus::Point> copy = ToPoints(points, count);
  gdip::GdipAddPathCurveI(path_.get(), copy.data(), static_cast<INT>(copy.size()));
}

void Path_GdiPlus::AddRect(const RECT& rect) {
  AddRect(rect.left, rect.top, rect.right, rect.bottom);
}

void Path_GdiPlus::AddRect(int left, int top, int right, int bottom) {
  gdip::GdipAddPathRectangleI(path_.get(), left, top, right - left, bottom - top);
}

void Path_GdiPlus::AddEllipse(const RECT& rect) {
  AddEllipse(rect.left, rect.top, rect.right, rect.bottom);
}

void Path_GdiPlus::AddEllipse(int left, int top, int right, int bottom) {
  gdip::GdipAddPathEllipseI(path_.get(), left, top, right - left, bottom - top);
}

void Path_GdiPlus::AddArc(int x, int y, int width, int height, float start_angle,
                          float sweep_angle) {
  gdip::GdipAddPathArcI(path_.get(), x, y, width, height, start_angle, sweep_angle);
}

void Path_GdiPlus::AddPie(int x, int y, int width, int height, float start_angle,
                          float sweep_angle) {
  gdip::GdipAddPathPieI(path_.get(), x, y, width, height, start_angle, sweep_angle);
}

void Path_GdiPlus::AddPolygon(const POINT* points, int count) {
  const std::vector<Gdiplus::Point> copy = ToPoints(points, count);
  gdip::GdipAddPathPolygonI(path_.get(), copy.data(), static_cast<INT>(copy.size()));
}

RECT Path_GdiPlus::GetBounds(const IPen* pen) const {
  Gdiplus::Rect bounds(0, 0, 0, 0);
  gdip::GdipGetPathWorldBoundsI(path_.get(), &bounds, nullptr, NativePen(pen));
  RECT rect = {bounds.X, bounds.Y, bounds.X + bounds.Width, bounds.Y + bounds.Height};
  return rect;
}

bool Path_GdiPlus::IsContainsPoint(int x, int y) const {
  BOOL visible = FALSE;
  gdip::GdipIsVisiblePathPointI(path_.get(), x, y, nullptr, &visible);
  return visible != FALSE;
}

bool Path_GdiPlus::IsStrokeContainsPoint(int x, int y, const IPen* pen) const {
  BOOL visible = FALSE;
  gdip::GdipIsOutlineVisiblePathPointI(path_.get(), x, y, NativePen(pen), nullptr, &visible);
  return visible != FALSE;
}

void Path_GdiPlus::Transform(const IMatrix* matrix) {
  const auto* gdiplus_matrix = dynamic_cast<const Matrix_GdiPlus*>(matrix);
  if (!gdiplus_matrix) return;
  gdip::GdipTransformPath(path_.get(), gdiplus_matrix->GetMatrix());
}

}  // namespace ui
