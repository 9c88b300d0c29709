#pragma once

#include "ui/render/render_environment.h"

namespace ui {

// The global manager's font and colour tables and the process's DPI scale, as
// the render contexts look them up. It keeps nothing of its own.
class SkinRenderEnvironment final : public IRenderEnvironment {
 public:
  Gdiplus::GpFont* GetFont(const std::wstring& font_id) override;
  // A name not in the table is entered with 0, as GlobalManager::GetTextColor does.
  DWORD GetTextColor(const std::wstring& name) override;
  void ScaleRect(RECT* rect) override;
};

}  // namespace ui
