#include "ui/box/layout.h"

#include <algorithm>

#include "ui/box/box.h"
#include "ui/core/attribute_list.h"
#include "ui/core/dpi_manager.h"
#include "ui/resources/image_attribute.h"

namespace ui {

namespace {

// Where a span of `size` starts between `start` and `end` by an alignment:
// start 0, centre 1, end 2 (the values of both alignment types agree).
int32_t AlignedStart(int32_t alignment, int32_t start, int32_t end, int32_t size) {
  switch (alignment) {
    case kHorAlignCenter:
      return start + (end - size - start) / 2;
    case kHorAlignRight:
      return end - size;
    default:
      return start;
  }
}

}  // namespace

int32_t LimitSize(int32_t size, int32_t minimum, int32_t maximum) {
  size = std::max(size, minimum);
  if (maximum >= 0) size = std::min(size, maximum);
  return size;
}

StretchShares ComputeStretchShares(int32_t available, int32_t fixed_sum, int32_t stretch_count) {
  if (stretch_count == 0) return {0, available - fixed_sum};
  const int32_t share = std::max(0, (available - fixed_sum) / stretch_count);
  return {share, available - share * stretch_count - fixed_sum};
}

bool Layout::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"padding") {
    SetPadding(ParseRectValue(value), true);
    return true;
  }
  if (name == L"childmargin") {
    SetChildMargin(ParseIntegerValue(value));
    return true;
  }
  return false;
}

void Layout::SetPadding(RECT padding, bool scale) {
  if (scale) DpiManager::GetInstance()->ScaleRect(&padding);
  padding_ = padding;
  ArrangeOwner();
}

void Layout::SetChildMargin(int32_t margin) {
  child_margin_ = DpiManager::GetInstance()->ScaleInt(margin);
  ArrangeOwner();
}

void Layout::ArrangeOwner() {
  if (owner_) owner_->Arrange();
}

SIZE Layout::PlaceFloatingChild(Control* control, RECT rect) {
  if (!control->IsVisible()) return {0, 0};
  const RECT margin = control->GetMargin();
  const int32_t left = rect.left + margin.left;
  const int32_t right = rect.right - margin.right;
  const int32_t top = rect.top + margin.top;
  const int32_t bottom = rect.bottom - margin.bottom;
  const SIZE available = {right - left, bottom - top};

  SIZE estimate = control->EstimateSize(available);
  // A text control sized from its content both ways wraps at the room there is.
  if (control->GetFixedWidth() == kSizeAuto && control->GetFixedHeight() == kSizeAuto &&
      control->GetMaxWidth() == kSizeStretch) {
    const int32_t width = std::max<int32_t>(0, available.cx);
    if (estimate.cx > width) {
      control->SetFixedWidth(width, false, false);
      estimate = control->EstimateSize(available);
      control->SetFixedWidth(kSizeAuto, false, false);
    }
  }

  int32_t cx = estimate.cx == kSizeStretch ? std::max<int32_t>(0, available.cx) : estimate.cx;
  cx = LimitSize(cx, control->GetMinWidth(), control->GetMaxWidth());
  int32_t cy = estimate.cy == kSizeStretch ? std::max<int32_t>(0, available.cy) : estimate.cy;
  cy = LimitSize(cy, control->GetMinHeight(), control->GetMaxHeight());

  const int32_t x0 = AlignedStart(control->GetHorAlignType(), left, right, cx);
  const int32_t y0 = AlignedStart(control->GetVerAlignType(), top, bottom, cy);
  const int32_t x1 = x0 + cx;
  const int32_t y1 = y0 + cy;
  control->SetPos({x0, y0, x1, y1});
  return {x1 - x0, y1 - y0};
}

SIZE Layout::ArrangeChildren(const std::vector<Control*>& items, RECT rect) {
  SIZE largest = {0, 0};
  for (Control* child : items) {
    if (!child->IsVisible()) continue;
    const SIZE placed = PlaceFloatingChild(child, rect);
    largest.cx = std::max(largest.cx, placed.cx);
    largest.cy = std::max(largest.cy, placed.cy);
  }
  return largest;
}

SIZE Layout::EstimateChildrenSize(const std::vector<Control*>& items, SIZE available) {
  SIZE size = {-9999, -9999};
  for (Control* child : items) {
    if (!child->IsVisible()) continue;
    const SIZE estimate = child->EstimateSize(available);
    const RECT margin = child->GetMargin();
    const int32_t cx = LimitSize(estimate.cx, child->GetMinWidth(), child->GetMaxWidth());
    const int32_t cy = LimitSize(estimate.cy, child->GetMinHeight(), child->GetMaxHeight());
    size.cx = std::max<int32_t>(size.cx, cx + margin.left + margin.right);
    size.cy = std::max<int32_t>(size.cy, cy + margin.top + margin.bottom);
  }
  size.cx += padding_.left + padding_.right;
  size.cy += padding_.top + padding_.bottom;
  return size;
}

}  // namespace ui
