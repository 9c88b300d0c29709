#pragma once

#include <string>
#include <vector>

#include "ui/render/gdiplus_handles.h"
#include "ui/render/text_effect.h"
#include "ui/render/text_splitter.h"

namespace ui {

// Turns the text into a GDI+ outline path (bold), draws its outline layers
// from the outermost in, and fills it with a solid colour or a tiled
// diagonal gradient.
class TextEffect_GdiPlus : public ITextEffect {
 public:
  TextEffect_GdiPlus() = default;

  void SetGradient(DWORD color1, DWORD color2, float width_fraction,
                   float height_fraction) override;
  void SetOutline(DWORD color1, DWORD color2, int layers, bool gradient) override;
  void SetCharacterSpacing(int spacing) override { character_spacing_ = spacing; }
  int GetCharacterSpacing() const override { return character_spacing_; }
  void DrawText(const RECT& rect, const std::wstring& text, DWORD color,
                Gdiplus::GpGraphics* graphics, Gdiplus::GpFont* font,
                Gdiplus::GpStringFormat* format) override;

  // One colour per outline layer, innermost first.
  const std::vector<DWORD>& outline_colors() const { return outline_colors_; }

 private:
  // Adds the text unit by unit, `spacing` pixels apart.
  void AddSpacedText(const RECT& rect, const std::wstring& text, int spacing,
                     Gdiplus::GpGraphics* graphics, Gdiplus::GpFont* font,
                     Gdiplus::GpFontFamily* family, Gdiplus::GpStringFormat* format,
                     Gdiplus::GpPath* path);

  bool outline_ = false;
  std::vector<DWORD> outline_colors_;
  bool gradient_ = false;
  DWORD gradient_color1_ = 0;
  DWORD gradient_color2_ = 0;
  float gradient_width_fraction_ = 0.3f;
  float gradient_height_fraction_ = 0.3f;
  int space_width_ = -1;  // measured on first use
  int character_spacing_ = 0;
  std::wstring laid_out_text_;
  TextUnitLines lines_;
};

}  // namespace ui
