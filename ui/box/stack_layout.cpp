#include "ui/box/stack_layout.h"

#include <algorithm>

#include "ui/core/control.h"

namespace ui {

namespace {

// Sizes, rectangles and a child's limits seen along the stacking axis ("main")
// and across it ("cross"), so one arrangement serves both directions.
class AxisView {
 public:
  explicit AxisView(bool horizontal) : horizontal_(horizontal) {}

  int32_t Main(SIZE size) const { return horizontal_ ? size.cx : size.cy; }
  int32_t Cross(SIZE size) const { return horizontal_ ? size.cy : size.cx; }
  SIZE MakeSize(int32_t main, int32_t cross) const {
    return horizontal_ ? SIZE{main, cross} : SIZE{cross, main};
  }
  int32_t MainStart(const RECT& rect) const { return horizontal_ ? rect.left : rect.top; }
  int32_t MainEnd(const RECT& rect) const { return horizontal_ ? rect.right : rect.bottom; }
  int32_t CrossStart(const RECT& rect) const { return horizontal_ ? rect.top : rect.left; }
  int32_t CrossEnd(const RECT& rect) const { return horizontal_ ? rect.bottom : rect.right; }
  RECT MakeRect(int32_t main0, int32_t cross0, int32_t main1, int32_t cross1) const {
    return horizontal_ ? RECT{main0, cross0, main1, cross1} : RECT{cross0, main0, cross1, main1};
  }

  int32_t LimitMain(const Control* child, int32_t size) const {
    return horizontal_ ? LimitSize(size, child->GetMinWidth(), child->GetMaxWidth())
                       : LimitSize(size, child->GetMinHeight(), child->GetMaxHeight());
  }
  int32_t LimitCross(const Control* child, int32_t size) const {
    return horizontal_ ? LimitSize(size, child->GetMinHeight(), child->GetMaxHeight())
                       : LimitSize(size, child->GetMinWidth(), child->GetMaxWidth());
  }
  // Start 0, centre 1, end 2: the values of both alignment types agree.
  int32_t CrossAlignment(const Control* child) const {
    return horizontal_ ? static_cast<int32_t>(child->GetVerAlignType())
                       : static_cast<int32_t>(child->GetHorAlignType());
  }

 private:
  bool horizontal_;
};

}  // namespace

SIZE StackLayout::ArrangeChildren(const std::vector<Control*>& items, RECT rect) {
  const AxisView axis(axis_ == Axis::Horizontal);
  const SIZE available = {rect.right - rect.left, rect.bottom - rect.top};
  const int32_t room = axis.Main(available);
  const int32_t cross_room = axis.Cross(available);

  int32_t counted = 0;
  int32_t stretching = 0;
  int32_t fixed_sum = 0;
  for (Control* child : items) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    ++counted;
    const SIZE estimate = child->EstimateSize(available);
    const RECT margin = child->GetMargin();
    fixed_sum += axis.MainStart(margin) + axis.MainEnd(margin);
    if (axis.Main(estimate) == kSizeStretch) {
      ++stretching;
    } else {
      fixed_sum += axis.LimitMain(child, axis.Main(estimate));
    }
  }
  fixed_sum += child_margin_ * (counted - 1);
  StretchShares shares = ComputeStretchShares(room, fixed_sum, stretching);

  int32_t position = axis.MainStart(rect);
  int32_t remaining = room;
  int32_t needed = 0;
  int32_t largest_across = 0;
  for (Control* child : items) {
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      PlaceFloatingChild(child, rect);
      continue;
    }
    const RECT margin = child->GetMargin();
    const int32_t before = axis.MainStart(margin);
    const int32_t after = axis.MainEnd(margin);
    const int32_t cross_before = axis.CrossStart(margin);
    const int32_t cross_after = axis.CrossEnd(margin);
    remaining -= before;
    const SIZE estimate = child->EstimateSize(axis.MakeSize(remaining, cross_room));

    int32_t main = axis.Main(estimate);
    if (main == kSizeStretch) {
      main = shares.share;
      if (shares.spare > 0) {
        ++main;
        --shares.spare;
      }
    }
    main = axis.LimitMain(child, main);

    int32_t cross = axis.Cross(estimate);
    if (cross == kSizeStretch) cross = cross_room - cross_before - cross_after;
    cross = axis.LimitCross(child, std::max<int32_t>(0, cross));

    int32_t cross0 = 0;
    switch (axis.CrossAlignment(child)) {
      case kHorAlignLeft:  // also the top
        cross0 = axis.CrossStart(rect) + cross_before;
        break;
      case kHorAlignRight:  // also the bottom
        cross0 = axis.CrossEnd(rect) - cross_after - cross;
        break;
      case kHorAlignCenter:
        cross0 = axis.CrossStart(rect) + (cross_before - cross_after - cross + cross_room) / 2;
        break;
    }
    const int32_t main0 = position + before;
    child->SetPos(axis.MakeRect(main0, cross0, main0 + main, cross0 + cross));

    position += before + main + after + child_margin_;
    needed += before + main + after;
    remaining -= main + after + child_margin_;
    largest_across = std::max(largest_across, cross);
  }
  return axis.MakeSize(needed + child_margin_ * (counted - 1), largest_across);
}

SIZE StackLayout::EstimateChildrenSize(const std::vector<Control*>& items, SIZE available) {
  const AxisView axis(axis_ == Axis::Horizontal);
  int32_t main = 0;
  int32_t cross = 0;
  int32_t counted = 0;
  for (Control* child : items) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    const SIZE estimate = child->EstimateSize(available);
    const RECT margin = child->GetMargin();
    main +=
        axis.LimitMain(child, axis.Main(estimate)) + axis.MainStart(margin) + axis.MainEnd(margin);
    cross = std::max<int32_t>(cross, axis.LimitCross(child, axis.Cross(estimate)) +
                                         axis.CrossStart(margin) + axis.CrossEnd(margin));
    ++counted;
  }
  if (counted >= 2) main += child_margin_ * (counted - 1);
  SIZE size = axis.MakeSize(main, cross);
  size.cx += padding_.left + padding_.right;
  size.cy += padding_.top + padding_.bottom;
  return size;
}

}  // namespace ui
