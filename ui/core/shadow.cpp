#include "ui/core/shadow.h"

#include "ui/core/control.h"
#include "ui/core/dpi_manager.h"

namespace ui {

namespace {

constexpr SIZE kContentRound = {3, 3};

}  // namespace

Shadow::Shadow() {
  corner = unscaledCorner;
  DpiManager::GetInstance()->ScaleRect(&corner);
  savedCorner = corner;
}

void Shadow::OnMaximized() {
  if (!attached || !shadowBox) return;
  corner = {0, 0, 0, 0};
  shadowBox->SetFramePadding(corner);
  Control* content = shadowBox->GetContent();
  if (roundCorners && content) content->SetBorderRound({0, 0});
}

void Shadow::OnRestored() {
  if (!attached || !shadowBox) return;
  corner = savedCorner;
  shadowBox->SetFramePadding(corner);
  Control* content = shadowBox->GetContent();
  if (roundCorners && content) content->SetBorderRound(kContentRound);
}

}  // namespace ui
