#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <string>

namespace ui {

// What a render context looks up while it draws: the skin's fonts and named
// colours, and the screen's scale for image corners. They are kept above the
// render library, whose owner hands them in through the render factory.
class IRenderEnvironment {
 public:
  // The GDI+ font of the id (an empty id means the default font); null when
  // the id names no font.
  virtual Gdiplus::GpFont* GetFont(const std::wstring& font_id) = 0;
  // The colour of the name; 0 for a name that has none.
  virtual DWORD GetTextColor(const std::wstring& name) = 0;
  // Scales, in place, a rectangle of sizes written for 96 dots per inch to
  // the screen's pixels.
  virtual void ScaleRect(RECT* rect) = 0;

 protected:
  ~IRenderEnvironment() = default;
};

}  // namespace ui
