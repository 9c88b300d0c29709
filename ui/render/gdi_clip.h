#pragma once

#include "ui/render/render_objects.h"

namespace ui {

// Clips through the device context's saved states, so clips nest.
class GdiClip : public IClip {
 public:
  void CreateClip(HDC dc, RECT rect) override;
  void CreateRoundClip(HDC dc, RECT rect, int corner_width, int corner_height) override;
  void ClearClip(HDC dc) override;
};

}  // namespace ui
