#pragma once

#include "ui/render/render_environment.h"
#include "ui/render/render_factory.h"

namespace ui {

// The process's one factory of render objects over GDI and GDI+.
class RenderFactory_GdiPlus : public IRenderFactory {
 public:
  // The render contexts it makes look fonts, colours and the screen's scale
  // up in `environment` (not owned; it outlives them). Without one they draw
  // no text, read every named colour as 0 and scale nothing.
  explicit RenderFactory_GdiPlus(IRenderEnvironment* environment = nullptr)
      : environment_(environment) {}

  std::unique_ptr<IPen> CreatePen(DWORD color, int width) override;
  std::unique_ptr<IBrush> CreateBrushFromBitmap(HBITMAP bitmap) override;
  std::unique_ptr<IBrush> CreateBrush(DWORD color) override;
  std::unique_ptr<IMatrix> CreateMatrix() override;
  std::unique_ptr<IPath> CreatePath() override;
  std::unique_ptr<IBitmap> CreateBitmap() override;
  std::unique_ptr<IRenderContext> CreateRenderContext() override;
  std::unique_ptr<ITextEffect> CreateTextEffect() override;

 private:
  IRenderEnvironment* environment_;  // not owned
};

}  // namespace ui
