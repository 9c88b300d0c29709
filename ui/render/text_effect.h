#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <string>

#include "base/weak_callback.h"

namespace ui {

// Decorated text: outline layers, a gradient fill and character spacing.
class ITextEffect : public qbase::SupportWeakCallback {
 public:
  // Fills the text with a diagonal gradient repeating every width_fraction
  // by height_fraction of the text rectangle.
  virtual void SetGradient(DWORD color1, DWORD color2, float width_fraction,
                           float height_fraction) = 0;
  // `layers` outlines from colour 1 (innermost) to colour 2, in two halves
  // or, with `gradient`, blended evenly.
  virtual void SetOutline(DWORD color1, DWORD color2, int layers, bool gradient) = 0;
  // Extra pixels after each character; 0 or less lays the text out whole.
  virtual void SetCharacterSpacing(int spacing) = 0;
  virtual int GetCharacterSpacing() const = 0;
  virtual void DrawText(const RECT& rect, const std::wstring& text, DWORD color,
                        Gdiplus::GpGraphics* graphics, Gdiplus::GpFont* font,
                        Gdiplus::GpStringFormat* format) = 0;
};

}  // namespace ui
