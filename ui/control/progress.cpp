#include "ui/control/progress.h"

#include <cstdlib>

#include "ui/core/dpi_manager.h"
#include "ui/render/render_context.h"
#include "ui/resources/global_manager.h"

namespace ui {

Progress::Progress() {
  text_style_ = DT_CENTER | DT_SINGLELINE;
  SetFixedHeight(12, true);
}

void Progress::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"hor") {
    SetHorizontal(value == L"true");
  } else if (name == L"min") {
    SetMinValue(_wtoi(value.c_str()));
  } else if (name == L"max") {
    SetMaxValue(_wtoi(value.c_str()));
  } else if (name == L"value") {
    SetValue(_wtoi(value.c_str()));
  } else if (name == L"progressimage") {
    SetProgressImage(value);
  } else if (name == L"isstretchfore") {
    SetStretchForeImage(value == L"true");
  } else if (name == L"progresscolor") {
    size_t skipped = 0;
    while (skipped < value.size() && value[skipped] <= L' ') ++skipped;
    SetProgressColor(value.substr(skipped));
  } else {
    LabelTemplate<Control>::SetAttribute(name, value);
  }
}

void Progress::ClearImageCache() {
  LabelTemplate<Control>::ClearImageCache();
  progress_image_.ClearCache();
}

void Progress::SetHorizontal(bool horizontal) {
  if (horizontal_ == horizontal) return;
  horizontal_ = horizontal;
  Invalidate();
}

void Progress::SetMaxValue(int32_t value) {
  max_ = value;
  Invalidate();
}

void Progress::SetMinValue(int32_t value) {
  min_ = value;
  Invalidate();
}

void Progress::SetValue(double value) {
  value_ = value;
  Invalidate();
}

void Progress::SetStretchForeImage(bool stretch) {
  if (stretch_fore_image_ == stretch) return;
  stretch_fore_image_ = stretch;
  Invalidate();
}

void Progress::SetProgressImage(const std::wstring& descriptor) {
  progress_image_.ClearCache();
  progress_image_.attribute.Init();
  progress_image_.attribute.descriptor = descriptor;
  progress_image_.attribute.file_name = descriptor;
  progress_image_.attribute.ApplyDescriptor(descriptor);
  Invalidate();
}

void Progress::SetProgressColor(const std::wstring& color) {
  if (progress_color_ == color) return;
  progress_color_ = color;
  Invalidate();
}

double Progress::RepairedValue() const {
  const int32_t max = RepairedMax();
  if (value_ > max) return max;
  if (value_ < min_) return min_;
  return value_;
}

void Progress::RepairLimits() {
  max_ = RepairedMax();
  value_ = RepairedValue();
}

RECT Progress::GetProgressPos() {
  const LONG width = pos_.right - pos_.left;
  const LONG height = pos_.bottom - pos_.top;
  const double range = RepairedMax() - min_;
  const double value = RepairedValue();
  if (horizontal_) {
    return {0, 0, static_cast<LONG>((value - min_) * width / range), height};
  }
  return {0, static_cast<LONG>((RepairedMax() - value) * height / range), width, height};
}

void Progress::PaintStatusImage(IRenderContext* context) {
  RepairLimits();
  const RECT filled = GetProgressPos();
  if (!progress_color_.empty()) {
    const DWORD color = GlobalManager::GetTextColor(progress_color_);
    if (color != 0) {
      RECT rect = pos_;
      if (horizontal_) {
        rect.right = pos_.left + filled.right;
      } else {
        rect.top = pos_.top + filled.top;
      }
      context->DrawColor(rect, color, 255);
    }
  }
  if (progress_image_.attribute.descriptor.empty()) return;
  wchar_t modifier[160] = {};
  if (stretch_fore_image_) {
    swprintf(modifier, 160, L"destscale='false' dest='%ld,%ld,%ld,%ld'", filled.left, filled.top,
             filled.right, filled.bottom);
  } else {
    swprintf(modifier, 160, L"destscale='false' dest='%ld,%ld,%ld,%ld' source='%ld,%ld,%ld,%ld'",
             filled.left, filled.top, filled.right, filled.bottom, filled.left, filled.top,
             filled.right, filled.bottom);
  }
  image_modifier_ = modifier;
  DrawImage(context, progress_image_, image_modifier_, -1);
}

}  // namespace ui
