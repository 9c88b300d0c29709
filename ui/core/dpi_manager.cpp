#include "ui/core/dpi_manager.h"

#include <versionhelpers.h>

#include "ui/render/nine_grid.h"
#include "ui/resources/global_manager.h"

namespace ui {

DpiManager* DpiManager::GetInstance() {
  static DpiManager instance;
  return &instance;
}

int32_t DpiManager::GetScale() const { return GlobalManager::dpiScalePercent; }

void DpiManager::SetScale(int32_t percent) { GlobalManager::dpiScalePercent = percent; }

bool DpiManager::IsEnabled() const { return GlobalManager::dpiAware; }

void DpiManager::SetEnabled(bool enabled) { GlobalManager::dpiAware = enabled; }

int32_t DpiManager::ScaleInt(int32_t value) const {
  if (!IsEnabled() || GetScale() == 100) return value;
  return MulDiv(value, GetScale(), 100);
}

void DpiManager::ScaleRect(RECT* rect) const {
  if (IsEnabled()) ScaleRectByPercent(rect, GetScale());
}

bool DpiManager::IsWindowsVersionOrGreater(WORD minor_version) {
  return ::IsWindowsVersionOrGreater(6, minor_version, 0);
}

}  // namespace ui
