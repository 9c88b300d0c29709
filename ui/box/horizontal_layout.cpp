#include "ui/box/horizontal_layout.h"

#include <algorithm>

#include "ui/core/control.h"

namespace ui {

SIZE HLayout::ArrangeChildren(const std::vector<Control*>& items, RECT rect) {
  const SIZE available = {rect.right - rect.left, rect.bottom - rect.top};

  int32_t counted = 0;
  int32_t stretching = 0;
  int32_t fixed_sum = 0;
  for (Control* child : items) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    ++counted;
    const SIZE estimate = child->EstimateSize(available);
    const RECT margin = child->GetMargin();
    fixed_sum += margin.left + margin.right;
    if (estimate.cx == kSizeStretch) {
      ++stretching;
    } else {
      fixed_sum += LimitSize(estimate.cx, child->GetMinWidth(), child->GetMaxWidth());
    }
  }
  fixed_sum += child_margin_ * (counted - 1);
  StretchShares shares = ComputeStretchShares(available.cx, fixed_sum, stretching);

  int32_t x = rect.left;
  int32_t remaining = available.cx;
  int32_t needed = 0;
  int32_t tallest = 0;
  for (Control* child : items) {
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      PlaceFloatingChild(child, rect);
      continue;
    }
    const RECT margin = child->GetMargin();
    remaining -= margin.left;
    const SIZE estimate = child->EstimateSize({remaining, available.cy});

    int32_t cx = estimate.cx;
    if (cx == kSizeStretch) {
      cx = shares.share;
      if (shares.spare > 0) {
        ++cx;
        --shares.spare;
      }
    }
    cx = LimitSize(cx, child->GetMinWidth(), child->GetMaxWidth());

    int32_t cy = estimate.cy;
    if (cy == kSizeStretch) cy = available.cy - margin.top - margin.bottom;
    cy = LimitSize(std::max<int32_t>(0, cy), child->GetMinHeight(), child->GetMaxHeight());

    int32_t y0 = 0;
    int32_t y1 = 0;
    switch (child->GetVerAlignType()) {
      case kVerAlignTop:
        y0 = rect.top + margin.top;
        y1 = y0 + cy;
        break;
      case kVerAlignBottom:
        y1 = rect.bottom - margin.bottom;
        y0 = y1 - cy;
        break;
      case kVerAlignCenter:
        y0 = rect.top + (margin.top - margin.bottom - cy + available.cy) / 2;
        y1 = y0 + cy;
        break;
    }
    const int32_t left = x + margin.left;
    child->SetPos({left, y0, left + cx, y1});

    x += margin.left + cx + margin.right + child_margin_;
    needed += margin.left + cx + margin.right;
    remaining -= cx + margin.right + child_margin_;
    tallest = std::max(tallest, y1 - y0);
  }
  return {needed + child_margin_ * (counted - 1), tallest};
}

SIZE HLayout::EstimateChildrenSize(const std::vector<Control*>& items, SIZE available) {
  SIZE size = {0, 0};
  int32_t counted = 0;
  for (Control* child : items) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    const SIZE estimate = child->EstimateSize(available);
    const RECT margin = child->GetMargin();
    const int32_t cx = LimitSize(estimate.cx, child->GetMinWidth(), child->GetMaxWidth());
    const int32_t cy = LimitSize(estimate.cy, child->GetMinHeight(), child->GetMaxHeight());
    size.cx += cx + margin.left + margin.right;
    size.cy = std::max<int32_t>(size.cy, cy + margin.top + margin.bottom);
    ++counted;
  }
  if (counted >= 2) size.cx += child_margin_ * (counted - 1);
  size.cx += padding_.left + padding_.right;
  size.cy += padding_.top + padding_.bottom;
  return size;
}

}  // namespace ui
