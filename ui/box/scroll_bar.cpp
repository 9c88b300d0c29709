#include "ui/box/scroll_bar.h"

#include <algorithm>
#include <map>

#include "ui/box/scrollable_box.h"
#include "ui/core/attribute_list.h"
#include "ui/core/dpi_manager.h"
#include "ui/core/window.h"
#include "ui/resources/timer_manager.h"

namespace ui {

namespace {

// Exchanges x and y, so that a horizontal bar is worked out as a vertical one.
RECT Transpose(const RECT& rect) { return {rect.top, rect.left, rect.bottom, rect.right}; }

bool IsAllZero(const RECT& rect) {
  return rect.left == 0 && rect.top == 0 && rect.right == 0 && rect.bottom == 0;
}

ScrollBarParts ComputeVerticalParts(const RECT& bar, int32_t thickness, bool show_button1,
                                    bool show_button2, int64_t range, int64_t position,
                                    int32_t thumb_min_length) {
  const LONG height = bar.bottom - bar.top;
  const LONG button1 = show_button1 ? thickness : 0;
  const LONG button2 = show_button2 ? thickness : 0;
  const LONG rail = height - button1 - button2;
  ScrollBarParts parts = {};
  const RECT hidden_button2 = {bar.left, bar.bottom, bar.left, bar.bottom};
  if (thickness < rail) {
    parts.button1 = {bar.left, bar.top, bar.left + button1, bar.top + button1};
    parts.button2 = show_button2
                        ? RECT{bar.left, bar.bottom - thickness, bar.left + thickness, bar.bottom}
                        : hidden_button2;
    const LONG rail_top = bar.top + button1;
    const LONG rail_bottom = bar.bottom - button2;
    if (range == 0) {
      parts.thumb = {bar.left, rail_top, bar.left + thickness, rail_bottom};
      return parts;
    }
    LONG thumb = static_cast<LONG>(static_cast<int64_t>(rail) * height / (range + height));
    thumb = std::max<LONG>(thumb, thumb_min_length);
    const LONG top = rail_top + static_cast<LONG>((rail - thumb) * position / range);
    parts.thumb = {bar.left, top, bar.left + thickness, top + thumb};
    if (parts.thumb.bottom > rail_bottom) {
      parts.thumb.top = rail_bottom - thumb;
      parts.thumb.bottom = rail_bottom;
    }
    return parts;
  }
  const LONG button = std::min<LONG>(thickness, height / 2);
  parts.button1 = {bar.left, bar.top, bar.left + button1,
                   show_button1 ? bar.top + button : bar.top};
  parts.button2 = show_button2
                      ? RECT{bar.left, bar.bottom - button, bar.left + thickness, bar.bottom}
                      : hidden_button2;
  return parts;
}

}  // namespace

ScrollBarParts ComputeScrollBarParts(const RECT& bar, bool horizontal, int32_t thickness,
                                     bool show_button1, bool show_button2, int64_t range,
                                     int64_t position, int32_t thumb_min_length) {
  if (!horizontal) {
    return ComputeVerticalParts(bar, thickness, show_button1, show_button2, range, position,
                                thumb_min_length);
  }
  const ScrollBarParts turned = ComputeVerticalParts(
      Transpose(bar), thickness, show_button1, show_button2, range, position, thumb_min_length);
  return {Transpose(turned.button1), Transpose(turned.button2), Transpose(turned.thumb)};
}

int64_t ThumbDragOffset(int32_t distance, int32_t bar_length, int32_t thumb_length,
                        int32_t buttons_length, int64_t range) {
  const int64_t track = static_cast<int64_t>(bar_length) - thumb_length - buttons_length;
  if (track == 0) return 0;
  return distance * range / track;
}

ScrollBar::ScrollBar() {
  // The thickness is in device pixels already.
  SetFixedWidth(16, false, false);
  SetFixedHeight(0, false);
  SetFloat(true);
  SetNeedButtonUpWhenKillFocus(true);
  background_images_.SetControl(this);
  thumb_images_.SetControl(this);
}

ScrollBar::~ScrollBar() { repeat_flag_.Cancel(); }

int32_t ScrollBar::Thickness() const { return horizontal_ ? GetFixedHeight() : GetFixedWidth(); }

int32_t ScrollBar::Length() const {
  return horizontal_ ? pos_.right - pos_.left : pos_.bottom - pos_.top;
}

LONG ScrollBar::Along(POINT point) const { return horizontal_ ? point.x : point.y; }

void ScrollBar::SetPos(RECT rect) {
  Control::SetPos(rect);
  parts_ = ComputeScrollBarParts(pos_, horizontal_, Thickness(), show_button1_, show_button2_,
                                 range_, position_, thumb_min_length_);
}

void ScrollBar::SetScrollRange(int64_t range) {
  range = std::max<int64_t>(range, 0);
  if (range == range_) return;
  range_ = range;
  if (position_ > range_) position_ = range_;
  if (range_ == 0) {
    SetVisible(false);
  } else if (!auto_hide_scroll_ && !IsVisible()) {
    SetFadeVisible(true);
  }
  SetPos(pos_);
  Invalidate();
}

void ScrollBar::SetScrollPos(int64_t position) {
  if (position == position_) return;
  position_ = std::clamp<int64_t>(position, 0, range_);
  SetPos(pos_);
  // The rectangle stays, so SetPos repaints nothing; the thumb moved.
  Invalidate();
}

void ScrollBar::SetHorizontal(bool horizontal) {
  if (horizontal == horizontal_) return;
  horizontal_ = horizontal;
  if (horizontal_ && GetFixedHeight() == 0) {
    SetFixedWidth(0, false, false);
    SetFixedHeight(16, false);
  } else if (!horizontal_ && GetFixedWidth() == 0) {
    SetFixedWidth(16, false, false);
    SetFixedHeight(0, false);
  }
  if (owner_) {
    owner_->Arrange();
  } else {
    Control::ArrangeAncestor();
  }
}

void ScrollBar::SetEnabled(bool enabled) {
  Control::SetEnabled(enabled);
  SetPartStates(enabled ? kControlStateNormal : kControlStateDisabled);
}

void ScrollBar::SetFocus() {
  if (owner_) {
    owner_->SetFocus();
  } else {
    Control::SetFocus();
  }
}

void ScrollBar::SetPartStates(ControlStateType state) {
  button1_state_ = state;
  button2_state_ = state;
  thumb_state_ = state;
}

void ScrollBar::SetImage(StateImage& images, ControlStateType state,
                         const std::wstring& descriptor) {
  Image& image = images[state];
  image.ClearCache();
  image.attribute.Init();
  image.attribute.descriptor = descriptor;
  image.attribute.file_name = descriptor;
  image.attribute.ApplyDescriptor(descriptor);
  Invalidate();
}

void ScrollBar::SetAttribute(const std::wstring& name, const std::wstring& value) {
  static const std::map<std::wstring, ControlStateType> kStates = {
      {L"normalimage", kControlStateNormal},
      {L"hotimage", kControlStateHot},
      {L"pushedimage", kControlStatePushed},
      {L"disabledimage", kControlStateDisabled},
  };
  const std::map<std::wstring, StateImage*> kImageSets = {
      {L"button1", &button1_images_}, {L"button2", &button2_images_}, {L"thumb", &thumb_images_},
      {L"rail", &rail_images_},       {L"bk", &background_images_},
  };
  for (const auto& [prefix, images] : kImageSets) {
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    const auto state = kStates.find(name.substr(prefix.size()));
    if (state == kStates.end()) continue;
    SetImage(*images, state->second, value);
    return;
  }
  const bool flag = value == L"true";
  const DpiManager* dpi = DpiManager::GetInstance();
  if (name == L"hor") {
    SetHorizontal(flag);
  } else if (name == L"linesize") {
    line_size_ = dpi->ScaleInt(ParseIntegerValue(value));
  } else if (name == L"thumbminlength") {
    thumb_min_length_ = dpi->ScaleInt(ParseIntegerValue(value));
  } else if (name == L"range") {
    SetScrollRange(ParseIntegerValue(value));
  } else if (name == L"value") {
    SetScrollPos(ParseIntegerValue(value));
  } else if (name == L"showbutton1") {
    show_button1_ = flag;
    SetPos(pos_);
  } else if (name == L"showbutton2") {
    show_button2_ = flag;
    SetPos(pos_);
  } else if (name == L"autohidescroll") {
    auto_hide_scroll_ = flag;
  } else {
    Control::SetAttribute(name, value);
  }
}

void ScrollBar::ClearImageCache() {
  Control::ClearImageCache();
  for (StateImage* images :
       {&background_images_, &button1_images_, &button2_images_, &thumb_images_, &rail_images_}) {
    images->ClearCache();
  }
}

void ScrollBar::LineStep(bool up) {
  if (owner_) {
    if (horizontal_) {
      up ? owner_->LineLeft(-1, true) : owner_->LineRight(-1, true);
    } else {
      up ? owner_->LineUp(-1, true) : owner_->LineDown(-1, true);
    }
    return;
  }
  if (line_size_ == 0) return;
  SetScrollPos(position_ + (up ? -line_size_ : line_size_));
}

void ScrollBar::PageStep(bool up) {
  if (owner_) {
    if (horizontal_) {
      up ? owner_->PageLeft() : owner_->PageRight();
    } else {
      up ? owner_->PageUp() : owner_->PageDown();
    }
    return;
  }
  const int32_t page = Length();
  SetScrollPos(position_ + (up ? -page : page));
}

void ScrollBar::Press(POINT point) {
  drag_offset_ = 0;
  repeat_counter_ = 0;
  repeat_flag_.Cancel();
  TimerManager* timers = timer_manager_ ? timer_manager_ : TimerManager::GetInstance();
  timers->AddCancelableTimer(repeat_flag_.GetWeakFlag(), ToWeakCallback([this] { RepeatStep(); }),
                             kRepeatIntervalMs, TimerManager::kRepeatForever);
  if (PtInRect(&parts_.button1, point)) {
    button1_state_ = kControlStatePushed;
    LineStep(true);
  } else if (PtInRect(&parts_.button2, point)) {
    button2_state_ = kControlStatePushed;
    LineStep(false);
  } else if (PtInRect(&parts_.thumb, point)) {
    thumb_state_ = kControlStatePushed;
    SetMouseFocused(true);
    drag_start_point_ = point;
    drag_start_position_ = position_;
  } else if (!IsAllZero(parts_.thumb)) {
    // A bar too short for a thumb has no rail to page by.
    const RECT& thumb = parts_.thumb;
    PageStep(Along(point) < (horizontal_ ? thumb.left : thumb.top));
  }
}

void ScrollBar::RepeatStep() {
  ++repeat_counter_;
  if (thumb_state_ == kControlStatePushed) {
    const int64_t target = drag_start_position_ + drag_offset_;
    if (owner_) {
      SIZE position = owner_->GetScrollPos();
      if (horizontal_) {
        position.cx = static_cast<LONG>(target);
      } else {
        position.cy = static_cast<LONG>(target);
      }
      owner_->SetScrollPos(position);
    } else if (target != position_) {
      SetScrollPos(target);
    }
    return;
  }
  if (repeat_counter_ <= kRepeatDelayTicks) return;
  if (button1_state_ == kControlStatePushed) {
    LineStep(true);
  } else if (button2_state_ == kControlStatePushed) {
    LineStep(false);
  } else if (!IsAllZero(parts_.thumb)) {
    POINT cursor = {};
    GetCursorPos(&cursor);
    if (window_) ScreenToClient(window_->GetHWND(), &cursor);
    const LONG along = Along(cursor);
    const RECT& thumb = parts_.thumb;
    const LONG thumb_start = horizontal_ ? thumb.left : thumb.top;
    const LONG thumb_end = horizontal_ ? thumb.right : thumb.bottom;
    if (along < thumb_start) {
      PageStep(true);
    } else if (along >= thumb_end) {
      PageStep(false);
    }
  }
}

void ScrollBar::HandleEvent(EventArgs* msg) {
  const EventType type = msg->Type;
  if (!IsMouseEnabled() && IsMouseEvent(type)) {
    if (owner_) owner_->DispatchEvent(msg);
    return;
  }
  switch (type) {
    case kEventInternalSetFocus:
    case kEventInternalKillFocus:
    case kEventInternalMenu:
      return;
    case kEventInternalDoubleClick:
    case kEventButtonDown:
    case kEventPointerDown: {
      if (!IsEnabled()) return;
      const auto alive = GetWeakFlag();
      Press(msg->ptMouse);
      if (alive.expired()) return;
      Control::ButtonDown(msg);
      return;
    }
    case kEventMouseMove:
    case kEventPointerMove:
      if (IsMouseFocused()) {
        const int32_t buttons =
            (show_button1_ ? Thickness() : 0) + (show_button2_ ? Thickness() : 0);
        const RECT& thumb = parts_.thumb;
        const int32_t thumb_length =
            horizontal_ ? thumb.right - thumb.left : thumb.bottom - thumb.top;
        drag_offset_ = ThumbDragOffset(Along(msg->ptMouse) - Along(drag_start_point_), Length(),
                                       thumb_length, buttons, range_);
      }
      return;
    case kEventMouseEnter:
    case kEventMouseLeave: {
      const auto alive = GetWeakFlag();
      type == kEventMouseEnter ? MouseEnter(msg) : MouseLeave(msg);
      if (alive.expired()) return;
      if (owner_) owner_->DispatchEvent(msg);
      return;
    }
    case kEventButtonUp:
    case kEventPointerUp:
      drag_offset_ = 0;
      repeat_counter_ = 0;
      repeat_flag_.Cancel();
      if (thumb_state_ == kControlStatePushed) {
        thumb_state_ = PtInRect(&pos_, msg->ptMouse) ? kControlStateHot : kControlStateNormal;
      }
      // Released whatever the press was: a button left pushed would make the
      // next held rail press repeat its line step instead of paging.
      if (button1_state_ == kControlStatePushed || button2_state_ == kControlStatePushed) {
        if (button1_state_ == kControlStatePushed) button1_state_ = kControlStateNormal;
        if (button2_state_ == kControlStatePushed) button2_state_ = kControlStateNormal;
        Invalidate();
      }
      ButtonUp(msg);
      return;
    case kEventSetCursor:
      if (GetCursorType() == kCursorHand) {
        ::SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return;
      }
      if (GetCursorType() == kCursorArrow) {
        ::SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        return;
      }
      break;
    default:
      break;
  }
  if (owner_) {
    owner_->DispatchEvent(msg);
  } else {
    Control::HandleEvent(msg);
  }
}

bool ScrollBar::MouseEnter(EventArgs* msg) {
  if (!Control::MouseEnter(msg)) return false;
  SetPartStates(kControlStateHot);
  return true;
}

bool ScrollBar::MouseLeave(EventArgs* msg) {
  if (!Control::MouseLeave(msg)) return false;
  SetPartStates(kControlStateNormal);
  return true;
}

bool ScrollBar::ButtonUp(EventArgs* msg) {
  bool result = false;
  if (IsMouseFocused()) {
    SetMouseFocused(false);
    Invalidate();
    const RECT bar = GetPos(true);
    if (PtInRect(&bar, msg->ptMouse)) {
      SetState(kControlStateHot);
      SetHotAlpha(255);
      const auto alive = GetWeakFlag();
      Activate();
      if (alive.expired()) return true;
      result = true;
    } else {
      SetState(kControlStateNormal);
      SetHotAlpha(0);
    }
  }
  if (auto_hide_scroll_ && owner_) {
    const RECT owner = owner_->GetPos(true);
    if (!PtInRect(&owner, msg->ptMouse)) SetFadeVisible(false);
  }
  return result;
}

std::wstring ScrollBar::PartModifier(const RECT& part) const {
  wchar_t modifier[96] = {};
  swprintf(modifier, 96, L"destscale='false' dest='%ld,%ld,%ld,%ld'", part.left - pos_.left,
           part.top - pos_.top, part.right - pos_.left, part.bottom - pos_.top);
  return modifier;
}

void ScrollBar::DrawPart(IRenderContext* context, StateImage& images, ControlStateType state,
                         const std::wstring& modifier) {
  const auto draw = [&](ControlStateType image_state) {
    return DrawImage(context, images[image_state], modifier, -1);
  };
  switch (state) {
    case kControlStateDisabled:
      if (!draw(kControlStateDisabled)) draw(kControlStateNormal);
      return;
    case kControlStatePushed:
      if (!draw(kControlStatePushed) && !draw(kControlStateHot)) draw(kControlStateNormal);
      return;
    case kControlStateHot:
      if (!draw(kControlStateHot)) draw(kControlStateNormal);
      return;
    default:
      draw(kControlStateNormal);
  }
}

void ScrollBar::PaintStatusImage(IRenderContext* context) {
  background_images_.PaintStateImage(context, GetState(), L"");
  const auto button_state = [this](ControlStateType state) {
    // While the thumb is dragged the buttons look hot.
    if (state == kControlStateNormal && thumb_state_ == kControlStatePushed) {
      return kControlStateHot;
    }
    return state;
  };
  if (show_button1_) {
    image_modifier_ = PartModifier(parts_.button1);
    DrawPart(context, button1_images_, button_state(button1_state_), image_modifier_);
  }
  if (show_button2_) {
    image_modifier_ = PartModifier(parts_.button2);
    DrawPart(context, button2_images_, button_state(button2_state_), image_modifier_);
  }
  if (IsAllZero(parts_.thumb)) return;
  const RECT& thumb = parts_.thumb;
  image_modifier_ = PartModifier(thumb);
  thumb_images_.PaintStateImage(context, thumb_state_, image_modifier_);

  const int32_t side = Thickness();
  RECT grip = thumb;
  if (horizontal_) {
    grip.left = (thumb.left + thumb.right) / 2 - side / 2;
    grip.right = grip.left + side;
  } else {
    grip.top = (thumb.top + thumb.bottom) / 2 - side / 2;
    grip.bottom = grip.top + side;
  }
  image_modifier_ = PartModifier(grip);
  DrawPart(context, rail_images_, thumb_state_, image_modifier_);
}

}  // namespace ui
