#pragma once

#include "ui/render/gdiplus_handles.h"
#include "ui/render/render_objects.h"

namespace ui {

class Matrix_GdiPlus : public IMatrix {
 public:
  // The identity transform.
  Matrix_GdiPlus();

  void Translate(int offset_x, int offset_y) override;
  void Scale(int scale_x, int scale_y) override;
  void Rotate(float angle) override;
  void RotateAt(float angle, const POINT& centre) override;

  Gdiplus::GpMatrix* GetMatrix() const { return matrix_.get(); }

 private:
  GdiplusPtr<Gdiplus::GpMatrix> matrix_;
};

}  // namespace ui
