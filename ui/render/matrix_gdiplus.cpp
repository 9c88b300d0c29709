#include "ui/render/matrix_gdiplus.h"

namespace gdip = Gdiplus::DllExports;

namespace ui {

Matrix_GdiPlus::Matrix_GdiPlus() {
  Gdiplus::GpMatrix* matrix = nullptr;
  gdip::GdipCreateMatrix(&matrix);
  matrix_.reset(matrix);
}

void Matrix_GdiPlus::Translate(int offset_x, int offset_y) {
  gdip::GdipTranslateMatrix(matrix_.get(), static_cast<Gdiplus::REAL>(offset_x),
                            static_cast<Gdiplus::REAL>(offset_y), Gdiplus::MatrixOrderPrepend);
}

void Matrix_GdiPlus::Scale(int scale_x, int scale_y) {
  gdip::GdipScaleMatrix(matrix_.get(), static_cast<Gdiplus::REAL>(scale_x),
                        static_cast<Gdiplus::REAL>(scale_y), Gdiplus::MatrixOrderPrepend);
}

void Matrix_GdiPlus::Rotate(float angle) {
  gdip::GdipRotateMatrix(matrix_.get(), angle, Gdiplus::MatrixOrderPrepend);
}

void Matrix_GdiPlus::RotateAt(float angle, const POINT& centre) {
  Translate(centre.x, centre.y);
  Rotate(angle);
  Translate(-centre.x, -centre.y);
}

}  // namespace ui
