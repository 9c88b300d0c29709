#pragma once

#include <windows.h>

#include <memory>

#include "ui/render/render_context.h"
#include "ui/render/render_objects.h"
#include "ui/render/text_effect.h"

namespace ui {

// Makes the render objects; every result belongs to the caller.
class IRenderFactory {
 public:
  virtual ~IRenderFactory() = default;

  virtual std::unique_ptr<IPen> CreatePen(DWORD color, int width) = 0;
  // The handle stays the caller's; the brush keeps its own copy of the pixels.
  virtual std::unique_ptr<IBrush> CreateBrushFromBitmap(HBITMAP bitmap) = 0;
  virtual std::unique_ptr<IBrush> CreateBrush(DWORD color) = 0;
  virtual std::unique_ptr<IMatrix> CreateMatrix() = 0;
  virtual std::unique_ptr<IPath> CreatePath() = 0;
  virtual std::unique_ptr<IBitmap> CreateBitmap() = 0;
  virtual std::unique_ptr<IRenderContext> CreateRenderContext() = 0;
  virtual std::unique_ptr<ITextEffect> CreateTextEffect() = 0;
};

}  // namespace ui
