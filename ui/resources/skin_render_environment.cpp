#include "ui/resources/skin_render_environment.h"

#include "ui/resources/global_manager.h"
#include "ui/resources/image_attribute.h"

namespace ui {

Gdiplus::GpFont* SkinRenderEnvironment::GetFont(const std::wstring& font_id) {
  FontInfo* font = GlobalManager::GetFont(font_id);
  return font ? font->gdiplusFont.get() : nullptr;
}

DWORD SkinRenderEnvironment::GetTextColor(const std::wstring& name) {
  return GlobalManager::GetTextColor(name);
}

void SkinRenderEnvironment::ScaleRect(RECT* rect) { ScaleRectForDpi(rect); }

}  // namespace ui
