#pragma once

// Surfaces, images and fonts for drawing tests: pixels read back from a
// render context, the bounds of what was drawn, images as the render context
// takes them, and the fonts and colours a render context looks up.

#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/ui/render/gdiplus_test_support.h"
#include "ui/render/gdiplus_handles.h"
#include "ui/render/nine_grid.h"
#include "ui/render/render_context.h"
#include "ui/render/render_environment.h"

namespace test_support {

// The ARGB value of a pixel of a top-down context.
inline DWORD PixelAt(const ui::IRenderContext& context, int x, int y) {
  return static_cast<const DWORD*>(context.GetBits())[y * context.GetWidth() + x];
}

inline int Red(DWORD pixel) { return (pixel >> 16) & 0xFF; }
inline int Green(DWORD pixel) { return (pixel >> 8) & 0xFF; }
inline int Blue(DWORD pixel) { return pixel & 0xFF; }
inline int Alpha(DWORD pixel) { return pixel >> 24; }
inline DWORD Rgb(DWORD pixel) { return pixel & 0x00FFFFFF; }

// The smallest rectangle holding every pixel whose colour differs from
// `background` (alpha ignored); empty when nothing was drawn.
inline RECT InkBounds(const ui::IRenderContext& context, DWORD background) {
  RECT bounds = {context.GetWidth(), context.GetHeight(), 0, 0};
  for (int y = 0; y < context.GetHeight(); ++y) {
    for (int x = 0; x < context.GetWidth(); ++x) {
      if (Rgb(PixelAt(context, x, y)) == Rgb(background)) continue;
      bounds.left = std::min<LONG>(bounds.left, x);
      bounds.top = std::min<LONG>(bounds.top, y);
      bounds.right = std::max<LONG>(bounds.right, x + 1);
      bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
    }
  }
  if (bounds.right == 0) bounds = {0, 0, 0, 0};
  return bounds;
}

inline int CountPixels(const ui::IRenderContext& context, DWORD rgb) {
  int count = 0;
  for (int y = 0; y < context.GetHeight(); ++y) {
    for (int x = 0; x < context.GetWidth(); ++x) {
      if (Rgb(PixelAt(context, x, y)) == Rgb(rgb)) ++count;
    }
  }
  return count;
}

// An image as the render context draws it: a GDI+ bitmap of ARGB pixels and
// the 32-bit GDI bitmap that GDI+ makes of it.
struct TestImage {
  int width = 0;
  int height = 0;
  bool alpha = false;  // some pixel is not opaque
  ui::GdiplusPtr<Gdiplus::GpImage> bitmap;
  ui::ScopedBitmap frame;
};

inline TestImage MakeImage(int width, int height, const std::vector<DWORD>& argb) {
  TestImage image;
  image.width = width;
  image.height = height;
  image.alpha =
      std::any_of(argb.begin(), argb.end(), [](DWORD pixel) { return Alpha(pixel) != 255; });
  Gdiplus::GpBitmap* bitmap = MakeBitmap(width, height, argb);
  image.bitmap.reset(bitmap);
  HBITMAP frame = nullptr;
  EXPECT_EQ(Gdiplus::DllExports::GdipCreateHBITMAPFromBitmap(bitmap, &frame, 0xFF000000),
            Gdiplus::Ok);
  image.frame.reset(frame);
  return image;
}

// The fonts, named colours and scale a render context looks up, as the test
// sets them; remembers which colour names were asked for.
class TestRenderEnvironment : public ui::IRenderEnvironment {
 public:
  // Enters a Tahoma font of the pixel height under the id.
  void AddFont(const std::wstring& id, int pixel_height, bool bold = false) {
    LOGFONTW record = {};
    record.lfHeight = -pixel_height;
    record.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    record.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(record.lfFaceName, L"Tahoma");
    const ui::ScopedScreenDc screen;
    const ui::ScopedMemoryDc dc(CreateCompatibleDC(screen.get()));
    Gdiplus::GpFont* font = nullptr;
    Gdiplus::DllExports::GdipCreateFontFromLogfontW(dc.get(), &record, &font);
    EXPECT_NE(font, nullptr) << "Tahoma is missing";
    fonts_[id].reset(font);
  }

  Gdiplus::GpFont* GetFont(const std::wstring& font_id) override {
    const auto found = fonts_.find(font_id);
    return found == fonts_.end() ? nullptr : found->second.get();
  }
  DWORD GetTextColor(const std::wstring& name) override {
    asked_colors.push_back(name);
    const auto found = colors.find(name);
    return found == colors.end() ? 0 : found->second;
  }
  void ScaleRect(RECT* rect) override { ui::ScaleRectByPercent(rect, scale_percent); }

  std::map<std::wstring, DWORD> colors;
  std::vector<std::wstring> asked_colors;
  int scale_percent = 100;

 private:
  std::map<std::wstring, ui::GdiplusPtr<Gdiplus::GpFont>> fonts_;
};

}  // namespace test_support
