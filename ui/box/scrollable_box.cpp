#include "ui/box/scrollable_box.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "ui/core/attribute_list.h"
#include "ui/core/dpi_manager.h"
#include "ui/core/window.h"
#include "ui/render/auto_clip.h"
#include "ui/render/render_context.h"
#include "ui/resources/image_attribute.h"

namespace ui {

namespace {

// Line scrolling: constant speed for the first half, then slowing to rest.
constexpr double kLineSlowDownRatio = 0.5;
constexpr double kLineSlowDownFactor = -0.012;
// The slide after a jump to the end.
constexpr double kSlideSpeedUpRatio = 0.3;
constexpr double kSlideSpeedUpFactor = 0.003;
constexpr double kSlideSlowDownRatio = 0.7;
constexpr int32_t kSlideMaxMillis = 650;

// The first scrollable box to paint sorts its children's images by the view.
bool g_first_paint_pending = true;

}  // namespace

ScrollableBox::ScrollableBox(std::unique_ptr<Layout> layout) : Box(std::move(layout)) {}

ScrollableBox::~ScrollableBox() {
  line_scroll_player_.Reset();
  render_offset_player_.Reset();
}

SIZE ScrollableBox::GetScrollPos() const {
  SIZE position = {0, 0};
  if (vertical_bar_ && vertical_bar_->GetRange() != 0) {
    position.cy = static_cast<LONG>(vertical_bar_->GetPosition());
  }
  if (horizontal_bar_ && horizontal_bar_->GetRange() != 0) {
    position.cx = static_cast<LONG>(horizontal_bar_->GetPosition());
  }
  return position;
}

SIZE ScrollableBox::GetScrollRange() const {
  SIZE range = {0, 0};
  if (vertical_bar_) range.cy = static_cast<LONG>(vertical_bar_->GetRange());
  if (horizontal_bar_) range.cx = static_cast<LONG>(horizontal_bar_->GetRange());
  return range;
}

void ScrollableBox::SetScrollPos(SIZE position) {
  // Vertical requests beyond the ends stop the line animation there.
  if (position.cy < 0) {
    position.cy = 0;
    ResetLineScroll();
  } else if (position.cy > GetScrollRange().cy) {
    position.cy = GetScrollRange().cy;
    ResetLineScroll();
  }
  int64_t dy = 0;
  int64_t dx = 0;
  if (vertical_bar_ && vertical_bar_->GetRange() != 0 &&
      position.cy != vertical_bar_->GetPosition()) {
    const int64_t old = vertical_bar_->GetPosition();
    vertical_bar_->SetScrollPos(position.cy);
    dy = vertical_bar_->GetPosition() - old;
  }
  if (horizontal_bar_ && horizontal_bar_->GetRange() != 0 &&
      position.cx != horizontal_bar_->GetPosition()) {
    const int64_t old = horizontal_bar_->GetPosition();
    horizontal_bar_->SetScrollPos(position.cx);
    dx = horizontal_bar_->GetPosition() - old;
  }
  if (dx == 0 && dy == 0) return;
  UpdateImageCachesByView(dy > 0);
  Invalidate();
  if (window_ && !programmatic_scroll_) {
    SendEvent(kEventScrollChange, 0, 0, 0, window_->GetLastMousePos());
  }
}

void ScrollableBox::SetScrollPosY(int32_t y) { SetScrollPos({GetScrollPos().cx, y}); }

void ScrollableBox::SetScrollPosX(int32_t x) { SetScrollPos({x, GetScrollPos().cy}); }

void ScrollableBox::EndVerticalScrollAnimation() { programmatic_scroll_ = false; }

void ScrollableBox::EndHorizontalScrollAnimation() { programmatic_scroll_ = false; }

void ScrollableBox::PlayLineScroll(int32_t start, int32_t end, bool vertical) {
  AnimationPlayer& player = line_scroll_player_;
  player.startValue = start;
  player.endValue = end;
  player.speedUpRatio = 0;
  player.SetSlowDownFactor(kLineSlowDownFactor);
  player.slowDownRatio = kLineSlowDownRatio;
  player.totalMillis = -1;
  if (vertical) {
    player.playCallback = ToWeakCallback([this](int32_t y) { SetScrollPosY(y); });
    player.completeCallback = ToWeakCallback([this] { EndVerticalScrollAnimation(); });
  } else {
    player.playCallback = ToWeakCallback([this](int32_t x) { SetScrollPosX(x); });
    player.completeCallback = ToWeakCallback([this] { EndHorizontalScrollAnimation(); });
  }
  player.Start();
}

void ScrollableBox::LineUp(int32_t distance, bool animated) {
  if (distance == -1) distance = vertical_unit_;
  const SIZE position = GetScrollPos();
  if (position.cy <= 0) return;
  const int32_t target = position.cy - distance;
  if (!animated) {
    SetScrollPos({position.cx, std::max(target, 0)});
    return;
  }
  const AnimationPlayer& player = line_scroll_player_;
  int32_t end = target;
  // A step while an upward scroll runs goes on from where that one ends.
  if (player.playing && player.endValue <= position.cy) end = player.endValue - distance;
  PlayLineScroll(position.cy, end, true);
}

void ScrollableBox::LineDown(int32_t distance, bool animated) {
  if (distance == -1) distance = vertical_unit_;
  const SIZE position = GetScrollPos();
  if (position.cy >= GetScrollRange().cy) return;
  const int32_t target = position.cy + distance;
  if (!animated) {
    SetScrollPos({position.cx, std::max(target, 0)});
    return;
  }
  const AnimationPlayer& player = line_scroll_player_;
  int32_t end = target;
  if (player.playing && player.endValue >= position.cy) end = player.endValue + distance;
  PlayLineScroll(position.cy, end, true);
}

void ScrollableBox::LineLeft(int32_t distance, bool animated) {
  if (distance == -1) distance = horizontal_unit_;
  const SIZE position = GetScrollPos();
  if (position.cx <= 0) return;
  const int32_t target = position.cx - distance;
  if (!animated) {
    SetScrollPos({std::max(target, 0), position.cy});
    return;
  }
  const AnimationPlayer& player = line_scroll_player_;
  int32_t end = target;
  if (player.playing && player.endValue <= position.cx) end = player.endValue - distance;
  PlayLineScroll(position.cx, end, false);
}

void ScrollableBox::LineRight(int32_t distance, bool animated) {
  if (distance == -1) distance = horizontal_unit_;
  const SIZE position = GetScrollPos();
  if (position.cx >= GetScrollRange().cx) return;
  const int32_t target = position.cx + distance;
  if (!animated) {
    SetScrollPos({std::max(target, 0), position.cy});
    return;
  }
  const AnimationPlayer& player = line_scroll_player_;
  int32_t end = target;
  if (player.playing && player.endValue >= position.cx) end = player.endValue + distance;
  PlayLineScroll(position.cx, end, false);
}

void ScrollableBox::PageUp() {
  const RECT padding = GetLayout()->GetPadding();
  int32_t page = pos_.bottom - pos_.top - padding.top - padding.bottom;
  if (horizontal_bar_ && horizontal_bar_->GetRange() != 0) {
    page -= horizontal_bar_->GetFixedHeight();
  }
  const SIZE position = GetScrollPos();
  SetScrollPos({position.cx, position.cy - page});
}

void ScrollableBox::PageDown() {
  const RECT padding = GetLayout()->GetPadding();
  int32_t page = pos_.bottom - pos_.top - padding.top - padding.bottom;
  if (horizontal_bar_ && horizontal_bar_->GetRange() != 0) {
    page -= horizontal_bar_->GetFixedHeight();
  }
  const SIZE position = GetScrollPos();
  SetScrollPos({position.cx, position.cy + page});
}

void ScrollableBox::PageLeft() {
  const RECT padding = GetLayout()->GetPadding();
  const int32_t page = pos_.right - pos_.left - padding.left - padding.right;
  const SIZE position = GetScrollPos();
  SetScrollPos({position.cx - page, position.cy});
}

void ScrollableBox::PageRight() {
  const RECT padding = GetLayout()->GetPadding();
  const int32_t page = pos_.right - pos_.left - padding.left - padding.right;
  const SIZE position = GetScrollPos();
  SetScrollPos({position.cx + page, position.cy});
}

void ScrollableBox::HomeUp() { SetScrollPos({GetScrollPos().cx, 0}); }

void ScrollableBox::HomeLeft() { SetScrollPos({0, GetScrollPos().cy}); }

void ScrollableBox::EndRight() { SetScrollPos({GetScrollRange().cx, GetScrollPos().cy}); }

void ScrollableBox::EndDown(bool arrange_first, bool animated) {
  if (arrange_first) PlaceContent(GetPos(true));
  const SIZE position = GetScrollPos();
  const SIZE range = GetScrollRange();
  const int32_t gap = range.cy - position.cy - GetRenderOffset().y;
  if (animated && vertical_bar_ && vertical_bar_->GetRange() != 0 && gap > 0) {
    PlayRenderOffsetAnimation(-gap);
  }
  SetScrollPos({position.cx, range.cy});
}

void ScrollableBox::TouchUp(int32_t distance) {
  const SIZE position = GetScrollPos();
  if (position.cy > 0) SetScrollPos({position.cx, position.cy - distance});
}

void ScrollableBox::TouchDown(int32_t distance) {
  const SIZE position = GetScrollPos();
  if (position.cy < GetScrollRange().cy) SetScrollPos({position.cx, position.cy + distance});
}

void ScrollableBox::PlayRenderOffsetAnimation(int32_t start) {
  AnimationPlayer& player = render_offset_player_;
  player.startValue = start;
  player.endValue = 0;
  player.speedUpRatio = kSlideSpeedUpRatio;
  player.SetSpeedUpFactor(kSlideSpeedUpFactor);
  player.slowDownRatio = kSlideSlowDownRatio;
  player.totalMillis = -1;
  player.maxTotalMillis = kSlideMaxMillis;
  player.playCallback = ToWeakCallback([this](int32_t y) { SetRenderOffsetY(y); });
  player.Start();
}

std::unique_ptr<ScrollBar> ScrollableBox::CreateBar(bool horizontal) {
  auto bar = std::make_unique<ScrollBar>();
  bar->SetVisible(false);
  // A new bar scrolls nothing until the content overflows.
  bar->SetScrollRange(0);
  bar->SetOwner(this);
  if (timer_manager_) bar->SetTimerManager(timer_manager_);
  if (horizontal) bar->SetHorizontal(true);
  bar->SetWindow(window_, nullptr, false);
  bar->SetClass(horizontal ? L"hscrollbar" : L"vscrollbar");
  return bar;
}

void ScrollableBox::EnableScrollBar(bool vertical, bool horizontal) {
  if (vertical && !vertical_bar_) {
    vertical_bar_ = CreateBar(false);
  } else if (!vertical && vertical_bar_) {
    vertical_bar_.reset();
  }
  if (horizontal && !horizontal_bar_) {
    horizontal_bar_ = CreateBar(true);
  } else if (!horizontal && horizontal_bar_) {
    horizontal_bar_.reset();
  }
  Arrange();
}

void ScrollableBox::SetTimerManager(TimerManager* manager) {
  timer_manager_ = manager;
  line_scroll_player_.SetTimerManager(manager);
  render_offset_player_.SetTimerManager(manager);
  if (vertical_bar_) vertical_bar_->SetTimerManager(manager);
  if (horizontal_bar_) horizontal_bar_->SetTimerManager(manager);
}

void ScrollableBox::SetWindow(Window* window, Control* parent, bool init) {
  if (vertical_bar_) vertical_bar_->SetWindow(window, this, init);
  if (horizontal_bar_) horizontal_bar_->SetWindow(window, this, init);
  Box::SetWindow(window, parent, init);
}

void ScrollableBox::SetMouseEnabled(bool enabled) {
  if (vertical_bar_) vertical_bar_->SetMouseEnabled(enabled);
  if (horizontal_bar_) horizontal_bar_->SetMouseEnabled(enabled);
  Box::SetMouseEnabled(enabled);
}

void ScrollableBox::SetPos(RECT rect) {
  const bool at_end = hold_end_ && vertical_bar_ && vertical_bar_->GetRange() != 0 &&
                      vertical_bar_->GetPosition() == vertical_bar_->GetRange();
  PlaceContent(rect);
  if (at_end && vertical_bar_ && vertical_bar_->GetRange() != 0) EndDown(false, false);
}

void ScrollableBox::PlaceContent(RECT rect) {
  Control::SetPos(rect);
  const RECT padding = GetLayout()->GetPadding();
  const RECT content = {rect.left + padding.left, rect.top + padding.top,
                        rect.right - padding.right, rect.bottom - padding.bottom};
  const SIZE required = CalcRequiredSize(content);
  ProcessVScrollBar(rect, required.cy);
  ProcessHScrollBar(rect, required.cx);
}

SIZE ScrollableBox::CalcRequiredSize(const RECT& content) {
  if (items_.empty()) return {0, 0};
  RECT rect = content;
  if (!scroll_bar_float_) {
    if (vertical_bar_ && vertical_bar_->GetRange() != 0) {
      rect.right -= vertical_bar_->GetFixedWidth();
    }
    if (horizontal_bar_ && horizontal_bar_->GetRange() != 0) {
      rect.bottom -= horizontal_bar_->GetFixedHeight();
    }
  }
  const SIZE size = GetLayout()->ArrangeChildren(items_, rect);
  UpdateChildOffsets();
  return size;
}

void ScrollableBox::UpdateChildOffsets() {
  const auto rebuild = [this](bool vertical) {
    child_offsets_.clear();
    child_offsets_.push_back(0);
    const int32_t margin = GetLayout()->GetChildMargin();
    int32_t sum = 0;
    for (size_t i = 0; i + 1 < items_.size(); ++i) {
      const RECT pos = items_[i]->GetPos(true);
      sum += (vertical ? pos.bottom - pos.top : pos.right - pos.left) + margin;
      child_offsets_.push_back(sum);
    }
  };
  if (vertical_bar_ && vertical_bar_->GetRange() != 0) rebuild(true);
  if (horizontal_bar_ && horizontal_bar_->GetRange() != 0) rebuild(false);
}

void ScrollableBox::ProcessVScrollBar(RECT rect, int32_t required_height) {
  ScrollBar* bar = vertical_bar_.get();
  if (!bar) return;
  const RECT padding = GetLayout()->GetPadding();
  const int32_t view = rect.bottom - rect.top - padding.top - padding.bottom;
  const int32_t overflow = required_height - view;
  if (required_height > view && bar->GetRange() == 0) {
    bar->SetScrollRange(overflow);
    bar->SetScrollPos(0);
    // The content may have become narrower: lay it out again with the bar.
    nested_layout_ = true;
    SetPos(GetPos(true));
    nested_layout_ = false;
    return;
  }
  if (bar->GetRange() == 0) return;
  if (overflow > 0 || nested_layout_) {
    const RECT& inset = scroll_bar_padding_;
    bar->SetPos({rect.right - inset.right - bar->GetFixedWidth(), rect.top + inset.top,
                 rect.right - inset.right, rect.bottom - inset.bottom});
    if (bar->GetRange() == overflow) return;
    const int64_t last_position = bar->GetPosition();
    bar->SetScrollRange(std::abs(overflow));
    if (bar->GetRange() == 0 && bar->GetPosition() != 0) bar->SetScrollPos(0);
    if (bar->GetPosition() >= last_position) return;
  } else {
    bar->SetScrollPos(0);
    bar->SetScrollRange(0);
  }
  SetPos(GetPos(true));
}

void ScrollableBox::ProcessHScrollBar(RECT rect, int32_t required_width) {
  ScrollBar* bar = horizontal_bar_.get();
  if (!bar) return;
  const RECT padding = GetLayout()->GetPadding();
  const int32_t view = rect.right - rect.left - padding.left - padding.right;
  const int32_t overflow = required_width - view;
  if (required_width > view && bar->GetRange() == 0) {
    bar->SetScrollRange(overflow);
    bar->SetScrollPos(0);
    nested_layout_ = true;
    SetPos(GetPos(true));
    nested_layout_ = false;
    return;
  }
  if (bar->GetRange() == 0) return;
  if (overflow > 0 || nested_layout_) {
    const RECT& inset = scroll_bar_padding_;
    bar->SetPos({rect.left + inset.left, rect.bottom - inset.bottom - bar->GetFixedHeight(),
                 rect.right - inset.right, rect.bottom - inset.bottom});
    if (bar->GetRange() == overflow) return;
    const int64_t last_position = bar->GetPosition();
    bar->SetScrollRange(std::abs(overflow));
    if (bar->GetRange() == 0 && bar->GetPosition() != 0) bar->SetScrollPos(0);
    if (bar->GetPosition() >= last_position) return;
  } else {
    bar->SetScrollPos(0);
    bar->SetScrollRange(0);
  }
  SetPos(GetPos(true));
}

void ScrollableBox::UpdateImageCachesByView(bool forward) {
  RECT view = GetPos(true);
  const SIZE scroll = GetScrollPos();
  const POINT render = GetRenderOffset();
  OffsetRect(&view, scroll.cx + render.x, scroll.cy + render.y);
  view.top -= kImageCacheBand;
  view.bottom += kImageCacheBand;
  const auto sort = [&view](Control* child) {
    if (!child->IsVisible() || child->IsFloat()) return;
    const RECT pos = child->GetPos(true);
    RECT overlap;
    if (IntersectRect(&overlap, &pos, &view)) {
      child->LoadImageCache();
    } else {
      child->UnloadImageCache();
    }
  };
  if (forward) {
    for (Control* child : items_) sort(child);
  } else {
    for (auto it = items_.rbegin(); it != items_.rend(); ++it) sort(*it);
  }
}

Control* ScrollableBox::FindControl(const FindControlCallback& test, void* data, uint32_t flags,
                                    POINT /*scroll_offset*/) {
  if ((flags & kFindVisible) && !IsVisible()) return nullptr;
  if ((flags & kFindEnabled) && !IsEnabled()) return nullptr;
  const bool hit_test = (flags & kFindHitTest) != 0;
  if (hit_test && !PtInRect(&pos_, *static_cast<const POINT*>(data))) return nullptr;
  for (ScrollBar* bar : {vertical_bar_.get(), horizontal_bar_.get()}) {
    if (!bar) continue;
    if (Control* found = bar->FindControl(test, data, flags, {0, 0})) return found;
  }
  if (hit_test && !IsMouseChildEnabled()) return Control::FindControl(test, data, flags, {0, 0});
  // The children lie in content coordinates.
  const SIZE scroll = GetScrollPos();
  return Box::FindControl(test, data, flags, {scroll.cx, scroll.cy});
}

void ScrollableBox::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const bool flag = value == L"true";
  const DpiManager* dpi = DpiManager::GetInstance();
  if (name == L"vscrollbar") {
    EnableScrollBar(flag, horizontal_bar_ != nullptr);
  } else if (name == L"vscrollbarstyle") {
    EnableScrollBar(true, horizontal_bar_ != nullptr);
    vertical_bar_->ApplyAttributeList(value);
  } else if (name == L"hscrollbar") {
    EnableScrollBar(vertical_bar_ != nullptr, flag);
  } else if (name == L"hscrollbarstyle") {
    EnableScrollBar(vertical_bar_ != nullptr, true);
    horizontal_bar_->ApplyAttributeList(value);
  } else if (name == L"scrollbarpadding") {
    RECT padding = ParseRectValue(value);
    dpi->ScaleRect(&padding);
    scroll_bar_padding_ = padding;
  } else if (name == L"vscrollunit") {
    vertical_unit_ = dpi->ScaleInt(ParseIntegerValue(value));
  } else if (name == L"hscrollunit") {
    horizontal_unit_ = dpi->ScaleInt(ParseIntegerValue(value));
  } else if (name == L"scrollbarfloat") {
    scroll_bar_float_ = flag;
  } else if (name == L"defaultdisplayscrollbar") {
    default_display_scroll_bar_ = flag;
  } else if (name == L"holdend") {
    hold_end_ = flag;
  } else {
    Box::SetAttribute(name, value);
  }
}

void ScrollableBox::PaintChild(IRenderContext* context, const RECT& paint) {
  RECT overlap;
  if (!IntersectRect(&overlap, &paint, &pos_)) return;
  const SIZE scroll = GetScrollPos();
  const POINT render = GetRenderOffset();
  for (Control* child : items_) {
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      child->AlphaPaint(context, paint);
      continue;
    }
    const RECT clip = GetPaddingPos();
    AutoClip auto_clip(context, clip, IsClip());
    RECT child_paint = clip;
    OffsetRect(&child_paint, scroll.cx + render.x, scroll.cy + render.y);
    const POINT origin = context->OffsetWindowOrg({scroll.cx, scroll.cy});
    child->AlphaPaint(context, child_paint);
    context->SetWindowOrg(origin);
  }
  for (ScrollBar* bar : {horizontal_bar_.get(), vertical_bar_.get()}) {
    if (bar && bar->IsVisible()) bar->AlphaPaint(context, paint);
  }
  if (g_first_paint_pending) {
    g_first_paint_pending = false;
    UpdateImageCachesByView(true);
  }
}

void ScrollableBox::ClearImageCache() {
  Box::ClearImageCache();
  if (horizontal_bar_) horizontal_bar_->ClearImageCache();
  if (vertical_bar_) vertical_bar_->ClearImageCache();
}

bool ScrollableBox::IsVerticalAxisActive() const {
  return vertical_bar_ && vertical_bar_->GetRange() != 0 && vertical_bar_->IsEnabled();
}

bool ScrollableBox::IsHorizontalAxisActive() const {
  return horizontal_bar_ && horizontal_bar_->GetRange() != 0 && horizontal_bar_->IsEnabled();
}

void ScrollableBox::HandleVerticalAxis(EventArgs* msg) {
  switch (msg->Type) {
    case kEventKeyDown:
      if (!IsKeyboardEnabled()) break;
      switch (msg->chKey) {
        case VK_PRIOR:
          PageUp();
          return;
        case VK_NEXT:
          PageDown();
          return;
        case VK_END:
          EndDown(true, true);
          return;
        case VK_HOME:
          HomeUp();
          return;
        case VK_UP:
          LineUp(-1, true);
          return;
        case VK_DOWN:
          LineDown(-1, true);
          return;
        default:
          break;
      }
      break;
    case kEventScrollWheel: {
      if (!mouse_wheel_scroll_) break;
      const int32_t delta = static_cast<int32_t>(msg->wParam);
      if (delta > 0) {
        LineUp(delta, true);
      } else {
        LineDown(-delta, true);
      }
      return;
    }
    case kEventTouchDown:
    case kEventPointerDown:
      if (!IsEnabled()) break;
      SetMouseFocused(true);
      last_touch_point_ = msg->ptMouse;
      return;
    case kEventTouchMove:
    case kEventPointerMove: {
      if (!IsMouseFocused()) break;
      const POINT point = msg->ptMouse;
      if (point.y == last_touch_point_.y) return;
      const int32_t moved = point.y - last_touch_point_.y;
      last_touch_point_ = point;
      // The content follows the finger.
      if (moved > 0) {
        TouchUp(moved);
      } else {
        TouchDown(-moved);
      }
      return;
    }
    case kEventTouchUp:
    case kEventPointerUp:
      if (!IsMouseFocused()) break;
      SetMouseFocused(false);
      last_touch_point_ = msg->ptMouse;
      return;
    default:
      break;
  }
  Control::HandleEvent(msg);
}

void ScrollableBox::HandleHorizontalAxis(EventArgs* msg) {
  switch (msg->Type) {
    case kEventKeyDown:
      if (!IsKeyboardEnabled()) break;
      switch (msg->chKey) {
        case VK_PRIOR:
          PageLeft();
          return;
        case VK_NEXT:
          PageRight();
          return;
        case VK_END:
          EndRight();
          return;
        case VK_HOME:
          HomeLeft();
          return;
        case VK_UP:
          LineLeft(-1, true);
          return;
        case VK_DOWN:
          LineRight(-1, true);
          return;
        default:
          break;
      }
      break;
    case kEventScrollWheel: {
      if (!mouse_wheel_scroll_) break;
      const int32_t delta = static_cast<int32_t>(msg->wParam);
      if (delta > 0) {
        LineLeft(delta, true);
      } else {
        LineRight(-delta, true);
      }
      return;
    }
    default:
      break;
  }
  Control::HandleEvent(msg);
}

void ScrollableBox::HandleEvent(EventArgs* msg) {
  if (!IsMouseEnabled() && IsMouseEvent(msg->Type)) {
    if (parent_) {
      parent_->DispatchEvent(msg);
    } else {
      Control::HandleEvent(msg);
    }
    return;
  }
  if (IsVerticalAxisActive()) {
    HandleVerticalAxis(msg);
  } else if (IsHorizontalAxisActive()) {
    HandleHorizontalAxis(msg);
  } else {
    Control::HandleEvent(msg);
  }
}

bool ScrollableBox::MouseEnter(EventArgs* msg) {
  if (!Box::MouseEnter(msg)) return false;
  if (IsVerticalAxisActive() && vertical_bar_->IsAutoHideScroll()) {
    vertical_bar_->SetFadeVisible(true);
  }
  if (IsHorizontalAxisActive() && horizontal_bar_->IsAutoHideScroll()) {
    horizontal_bar_->SetFadeVisible(true);
  }
  return true;
}

bool ScrollableBox::MouseLeave(EventArgs* msg) {
  if (!Box::MouseLeave(msg)) return false;
  // A bar being dragged or under the mouse stays.
  for (ScrollBar* bar : {vertical_bar_.get(), horizontal_bar_.get()}) {
    const bool active =
        bar == vertical_bar_.get() ? IsVerticalAxisActive() : IsHorizontalAxisActive();
    if (active && bar->IsAutoHideScroll() && bar->GetThumbState() == kControlStateNormal) {
      bar->SetFadeVisible(false);
    }
  }
  return true;
}

}  // namespace ui
