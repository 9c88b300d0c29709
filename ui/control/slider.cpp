#include "ui/control/slider.h"

#include <map>

#include "ui/core/dpi_manager.h"
#include "ui/core/window.h"
#include "ui/resources/image_attribute.h"

namespace ui {

Slider::Slider() { text_style_ = DT_CENTER | DT_SINGLELINE; }

void Slider::SetAttribute(const std::wstring& name, const std::wstring& value) {
  static const std::map<std::wstring, ControlStateType> kThumbImages = {
      {L"thumbnormalimage", kControlStateNormal},
      {L"thumbhotimage", kControlStateHot},
      {L"thumbpushedimage", kControlStatePushed},
      {L"thumbdisabledimage", kControlStateDisabled},
  };
  if (name == L"step") {
    SetChangeStep(_wtoi(value.c_str()));
  } else if (kThumbImages.count(name)) {
    SetThumbImage(kThumbImages.at(name), value);
  } else if (name == L"thumbsize") {
    const RECT numbers = ParseRectValue(value);
    const DpiManager* dpi = DpiManager::GetInstance();
    SetThumbSize({dpi->ScaleInt(numbers.left), dpi->ScaleInt(numbers.top)});
  } else if (name == L"progressbarpadding") {
    RECT padding = ParseRectValue(value);
    DpiManager::GetInstance()->ScaleRect(&padding);
    SetProgressBarPadding(padding);
  } else {
    Progress::SetAttribute(name, value);
  }
}

void Slider::ClearImageCache() {
  Progress::ClearImageCache();
  thumb_images_.ClearCache();
}

void Slider::SetProgressBarPadding(RECT padding) {
  progress_bar_padding_ = padding;
  ArrangeOrInvalidate();
}

void Slider::SetThumbImage(ControlStateType state, const std::wstring& descriptor) {
  Image& image = thumb_images_[state];
  image.ClearCache();
  image.attribute.Init();
  image.attribute.descriptor = descriptor;
  image.attribute.file_name = descriptor;
  image.attribute.ApplyDescriptor(descriptor);
  Invalidate();
}

RECT Slider::GetThumbRect() const {
  const double range = RepairedMax() - min_;
  const double offset = RepairedValue() - min_;
  RECT thumb = {};
  if (horizontal_) {
    thumb.top = (pos_.bottom - thumb_size_.cy + pos_.top) / 2;
    thumb.left =
        static_cast<LONG>(offset * (pos_.right - thumb_size_.cx - pos_.left) / range + pos_.left);
  } else {
    thumb.left = (pos_.right - thumb_size_.cx + pos_.left) / 2;
    thumb.top = static_cast<LONG>((pos_.bottom - thumb_size_.cy) -
                                  offset * (pos_.bottom - thumb_size_.cy - pos_.top) / range);
  }
  thumb.right = thumb.left + thumb_size_.cx;
  thumb.bottom = thumb.top + thumb_size_.cy;
  return thumb;
}

RECT Slider::GetProgressPos() {
  const LONG width = pos_.right - pos_.left;
  const LONG height = pos_.bottom - pos_.top;
  const double range = RepairedMax() - min_;
  const double value = RepairedValue();
  if (horizontal_) {
    return {0, 0,
            static_cast<LONG>((width - thumb_size_.cx) * (value - min_) / range +
                              thumb_size_.cx / 2 + 0.5),
            height};
  }
  return {0,
          static_cast<LONG>((height - thumb_size_.cy) * (RepairedMax() - value) / range +
                            thumb_size_.cy / 2 + 0.5),
          width, height};
}

double Slider::ValueFromPoint(POINT point) const {
  const int32_t max = RepairedMax();
  if (horizontal_) {
    const LONG half = thumb_size_.cx / 2;
    if (point.x >= pos_.right - half) return max;
    if (point.x <= pos_.left + half) return min_;
    return min_ + static_cast<double>((point.x - half - pos_.left) * (max - min_)) /
                      (pos_.right - pos_.left - thumb_size_.cx);
  }
  const LONG half = thumb_size_.cy / 2;
  if (point.y >= pos_.bottom - half) return min_;
  if (point.y > pos_.top + half) {
    return static_cast<double>((pos_.bottom - half - point.y) * (max - min_)) /
               (pos_.bottom - pos_.top - thumb_size_.cy) +
           min_;
  }
  return max;
}

void Slider::HandleEvent(EventArgs* msg) {
  const EventType type = msg->Type;
  if (!IsMouseEnabled() && IsMouseEvent(type)) {
    if (parent_) {
      parent_->DispatchEvent(msg);
    } else {
      Control::HandleEvent(msg);
    }
    return;
  }
  const POINT mouse = window_ ? window_->GetLastMousePos() : POINT{0, 0};
  switch (type) {
    case kEventButtonDown:
    case kEventPointerDown:
    case kEventInternalDoubleClick: {
      if (!IsEnabled()) return;
      const POINT offset = GetScrollOffset();
      const POINT point = {msg->ptMouse.x + offset.x, msg->ptMouse.y + offset.y};
      const RECT thumb = GetThumbRect();
      if (PtInRect(&thumb, point)) SetMouseFocused(true);
      return;
    }
    case kEventInternalMenu:
      return;
    case kEventMouseMove:
    case kEventPointerMove:
      if (IsMouseFocused()) {
        value_ = ValueFromPoint(msg->ptMouse);
        Invalidate();
      }
      return;
    case kEventButtonUp:
    case kEventPointerUp:
      if (IsMouseFocused()) SetMouseFocused(false);
      if (IsEnabled()) {
        value_ = ValueFromPoint(msg->ptMouse);
        SendEvent(kEventValueChange, 0, 0, 0, mouse);
        Invalidate();
      }
      return;
    case kEventScrollWheel:
      // Not clamped here: the next paint repairs the value.
      value_ += static_cast<int32_t>(msg->wParam) < 1 ? -change_step_ : change_step_;
      Invalidate();
      SendEvent(kEventValueChange, 0, 0, 0, mouse);
      return;
    default:
      Progress::HandleEvent(msg);
  }
}

void Slider::PaintStatusImage(IRenderContext* context) {
  const RECT full = pos_;
  pos_.left += progress_bar_padding_.left;
  pos_.top += progress_bar_padding_.top;
  pos_.right -= progress_bar_padding_.right;
  pos_.bottom -= progress_bar_padding_.bottom;
  Progress::PaintStatusImage(context);
  pos_ = full;

  const RECT thumb = GetThumbRect();
  wchar_t modifier[96] = {};
  swprintf(modifier, 96, L"destscale='false' dest='%ld,%ld,%ld,%ld'", thumb.left - pos_.left,
           thumb.top - pos_.top, thumb.right - pos_.left, thumb.bottom - pos_.top);
  thumb_modifier_ = modifier;
  if (IsMouseFocused() &&
      DrawImage(context, thumb_images_[kControlStatePushed], thumb_modifier_, -1)) {
    return;
  }
  DrawImage(context, thumb_images_[kControlStateNormal], thumb_modifier_, -1);
}

}  // namespace ui
