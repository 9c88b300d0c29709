#pragma once

#include "ui/render/render_factory.h"

namespace ui {

// The process's one factory of render objects over GDI and GDI+.
class RenderFactory_GdiPlus : public IRenderFactory {
 public:
  std::unique_ptr<IPen> CreatePen(DWORD color, int width) override;
  std::unique_ptr<IBrush> CreateBrushFromBitmap(HBITMAP bitmap) override;
  std::unique_ptr<IBrush> CreateBrush(DWORD color) override;
  std::unique_ptr<IMatrix> CreateMatrix() override;
  std::unique_ptr<IPath> CreatePath() override;
  std::unique_ptr<IBitmap> CreateBitmap() override;
  std::unique_ptr<IRenderContext> CreateRenderContext() override;
  std::unique_ptr<ITextEffect> CreateTextEffect() override;
};

}  // namespace ui
