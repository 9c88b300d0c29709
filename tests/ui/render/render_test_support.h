#pragma once

// Surfaces and fonts for drawing tests: pixels read back from a render
// context, the bounds of what was drawn, and a font entered in the font table.

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "tests/ui/render/gdiplus_test_support.h"
#include "ui/render/render_context.h"
#include "ui/resources/global_manager.h"

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

// A Tahoma font of the given pixel height entered in the font table under
// `id` for the object's life.
class ScopedTestFont {
 public:
  ScopedTestFont(const std::wstring& id, int pixel_height, bool bold = false) : id_(id) {
    LOGFONTW record = {};
    record.lfHeight = -pixel_height;
    record.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    record.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(record.lfFaceName, L"Tahoma");
    auto info = std::make_unique<ui::FontInfo>();
    info->font = CreateFontIndirectW(&record);
    info->face = L"Tahoma";
    info->size = pixel_height;
    info->bold = bold;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    Gdiplus::GpFont* font = nullptr;
    Gdiplus::DllExports::GdipCreateFontFromLogfontW(dc, &record, &font);
    DeleteDC(dc);
    info->gdiplusFont.reset(font);
    EXPECT_TRUE(info->font && font) << "Tahoma is missing";
    ui::GlobalManager::fonts[id] = std::move(info);
  }
  ~ScopedTestFont() {
    DeleteObject(ui::GlobalManager::fonts[id_]->font);
    ui::GlobalManager::fonts.erase(id_);
  }
  ScopedTestFont(const ScopedTestFont&) = delete;
  ScopedTestFont& operator=(const ScopedTestFont&) = delete;

 private:
  std::wstring id_;
};

}  // namespace test_support
