#include "ui/core/placeholder.h"

#include "ui/core/control.h"
#include "ui/core/dpi_manager.h"
#include "ui/core/window.h"

namespace ui {

void PlaceHolder::SetWindow(Window* window, Control* parent, bool init) {
  window_ = window;
  parent_ = parent;
  if (init && parent_) Init();
}

SIZE PlaceHolder::EstimateSize(SIZE /*available*/) { return fixed_size_; }

RECT PlaceHolder::GetPos(bool /*contain_shadow*/) const { return pos_; }

void PlaceHolder::SetPos(RECT rect) { pos_ = rect; }

void PlaceHolder::SetFloat(bool value) {
  if (float_ == value) return;
  float_ = value;
  ArrangeAncestor();
}

void PlaceHolder::SetFixedWidth(int32_t cx, bool arrange, bool scale) {
  if (cx < kSizeAuto) return;
  if (scale && cx > 0) cx = DpiManager::GetInstance()->ScaleInt(cx);
  if (fixed_size_.cx == cx) return;
  fixed_size_.cx = cx;
  if (arrange) {
    ArrangeAncestor();
  } else {
    re_estimate_ = true;
  }
}

void PlaceHolder::SetFixedHeight(int32_t cy, bool scale) {
  if (cy < kSizeAuto) return;
  if (scale && cy > 0) cy = DpiManager::GetInstance()->ScaleInt(cy);
  if (fixed_size_.cy == cy) return;
  fixed_size_.cy = cy;
  ArrangeAncestor();
}

void PlaceHolder::SetMinWidth(int32_t cx) {
  cx = DpiManager::GetInstance()->ScaleInt(cx);
  if (cx < 0 || min_size_.cx == cx) return;
  min_size_.cx = cx;
  ArrangeAfterLimitChange();
}

void PlaceHolder::SetMinHeight(int32_t cy) {
  cy = DpiManager::GetInstance()->ScaleInt(cy);
  if (cy < 0 || min_size_.cy == cy) return;
  min_size_.cy = cy;
  ArrangeAfterLimitChange();
}

void PlaceHolder::SetMaxWidth(int32_t cx, bool scale) {
  if (scale) cx = DpiManager::GetInstance()->ScaleInt(cx);
  if (max_size_.cx == cx) return;
  max_size_.cx = cx;
  ArrangeAfterLimitChange();
}

void PlaceHolder::SetMaxHeight(int32_t cy, bool scale) {
  if (scale) cy = DpiManager::GetInstance()->ScaleInt(cy);
  if (max_size_.cy == cy) return;
  max_size_.cy = cy;
  ArrangeAfterLimitChange();
}

void PlaceHolder::ArrangeAfterLimitChange() {
  if (float_) {
    Arrange();
  } else {
    ArrangeAncestor();
  }
}

void PlaceHolder::Arrange() {
  if (fixed_size_.cx == kSizeAuto || fixed_size_.cy == kSizeAuto) {
    ArrangeAncestor();
  } else {
    ArrangeSelf();
  }
}

void PlaceHolder::ArrangeAncestor() {
  re_estimate_ = true;
  PlaceHolder* target = nullptr;
  if (window_ && window_->GetRoot()) {
    target = window_->GetRoot();
    Control* ancestor = parent_;
    while (ancestor) {
      if (ancestor->GetFixedWidth() != kSizeAuto && ancestor->GetFixedHeight() != kSizeAuto) {
        target = ancestor;
        break;
      }
      ancestor->SetReEstimate(true);
      ancestor = ancestor->GetParent();
    }
  } else if (parent_) {
    target = parent_;
  } else {
    target = this;
  }
  target->ArrangeSelf();
}

void PlaceHolder::ArrangeSelf() {
  if (!IsVisible()) return;
  re_estimate_ = true;
  arrange_pending_ = true;
  Invalidate();
  if (window_) window_->SetArrange(true);
}

void PlaceHolder::Invalidate() {
  if (!IsVisible()) return;
  cache_dirty_ = true;
  RECT rect = GetPos(true);
  const POINT offset = GetScrollOffset();
  OffsetRect(&rect, -offset.x, -offset.y);
  InvalidateWindowRect(rect);
}

void PlaceHolder::InvalidateWindowRect(const RECT& rect) const {
  if (!window_ || !window_->GetHWND()) return;
  InvalidateRect(window_->GetHWND(), &rect, FALSE);
  if (window_->IsLayeredWindow()) PostMessageW(window_->GetHWND(), WM_PAINT, 0, 0);
}

POINT PlaceHolder::GetScrollOffset() const {
  if (parent_ && parent_->GetScrollRange().cy != 0 && float_) return {0, 0};
  for (const Control* ancestor = parent_; ancestor; ancestor = ancestor->GetParent()) {
    const SIZE range = ancestor->GetScrollRange();
    if (range.cx != 0 || range.cy != 0) {
      const SIZE position = ancestor->GetScrollPos();
      return {position.cx, position.cy};
    }
  }
  return {0, 0};
}

}  // namespace ui
