#include "ui/box/vertical_layout.h"

#include <algorithm>

#include "ui/core/control.h"

namespace ui {

SIZE VLayout::ArrangeChildren(const std::vector<Control*>& items, RECT rect) {
  const SIZE available = {rect.right - rect.left, rect.bottom - rect.top};

  int32_t counted = 0;
  int32_t stretching = 0;
  int32_t fixed_sum = 0;
  for (Control* child : items) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    ++counted;
    const SIZE estimate = child->EstimateSize(available);
    const RECT margin = child->GetMargin();
    fixed_sum += margin.top + margin.bottom;
    if (estimate.cy == kSizeStretch) {
      ++stretching;
    } else {
      fixed_sum += LimitSize(estimate.cy, child->GetMinHeight(), child->GetMaxHeight());
    }
  }
  fixed_sum += child_margin_ * (counted - 1);
  StretchShares shares = ComputeStretchShares(available.cy, fixed_sum, stretching);

  int32_t y = rect.top;
  int32_t remaining = available.cy;
  int32_t needed = 0;
  int32_t widest = 0;
  for (Control* child : items) {
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      PlaceFloatingChild(child, rect);
      continue;
    }
    const RECT margin = child->GetMargin();
    remaining -= margin.top;
    const SIZE estimate = child->EstimateSize({available.cx, remaining});

    int32_t cy = estimate.cy;
    if (cy == kSizeStretch) {
      cy = shares.share;
      if (shares.spare > 0) {
        ++cy;
        --shares.spare;
      }
    }
    cy = LimitSize(cy, child->GetMinHeight(), child->GetMaxHeight());

    int32_t cx = estimate.cx;
    if (cx == kSizeStretch) cx = available.cx - margin.left - margin.right;
    cx = LimitSize(std::max<int32_t>(0, cx), child->GetMinWidth(), child->GetMaxWidth());

    int32_t x0 = 0;
    int32_t x1 = 0;
    switch (child->GetHorAlignType()) {
      case kHorAlignLeft:
        x0 = rect.left + margin.left;
        x1 = x0 + cx;
        break;
      case kHorAlignRight:
        x1 = rect.right - margin.right;
        x0 = x1 - cx;
        break;
      case kHorAlignCenter:
        x0 = rect.left + (margin.left - margin.right - cx + available.cx) / 2;
        x1 = x0 + cx;
        break;
    }
    const int32_t top = y + margin.top;
    child->SetPos({x0, top, x1, top + cy});

    y += margin.top + cy + margin.bottom + child_margin_;
    needed += margin.top + cy + margin.bottom;
    remaining -= cy + margin.bottom + child_margin_;
    widest = std::max(widest, x1 - x0);
  }
  return {widest, needed + child_margin_ * (counted - 1)};
}

SIZE VLayout::EstimateChildrenSize(const std::vector<Control*>& items, SIZE available) {
  SIZE size = {0, 0};
  int32_t counted = 0;
  for (Control* child : items) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    const SIZE estimate = child->EstimateSize(available);
    const RECT margin = child->GetMargin();
    const int32_t cx = LimitSize(estimate.cx, child->GetMinWidth(), child->GetMaxWidth());
    const int32_t cy = LimitSize(estimate.cy, child->GetMinHeight(), child->GetMaxHeight());
    size.cx = std::max<int32_t>(size.cx, cx + margin.left + margin.right);
    size.cy += cy + margin.top + margin.bottom;
    ++counted;
  }
  if (counted >= 2) size.cy += child_margin_ * (counted - 1);
  size.cx += padding_.left + padding_.right;
  size.cy += padding_.top + padding_.bottom;
  return size;
}

}  // namespace ui
