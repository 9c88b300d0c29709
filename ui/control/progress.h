#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/control/label.h"
#include "ui/resources/image.h"

namespace ui {

// A value between a minimum and a maximum shown as the filled part of the
// control, horizontally (from the left) or vertically (from the bottom), with
// a fill colour and/or a fore image stretched or cut to that part. Painting
// repairs limits and value that are out of order. Markup "Progress".
class Progress : public LabelTemplate<Control> {
 public:
  Progress();

  std::wstring GetClass() const override { return L"Progress"; }
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void ClearImageCache() override;
  void PaintStatusImage(IRenderContext* context) override;
  // The filled rectangle relative to the control's top-left corner.
  virtual RECT GetProgressPos();

  bool IsHorizontal() const { return horizontal_; }
  void SetHorizontal(bool horizontal);
  int32_t GetMaxValue() const { return max_; }
  void SetMaxValue(int32_t value);
  int32_t GetMinValue() const { return min_; }
  void SetMinValue(int32_t value);
  double GetValue() const { return value_; }
  void SetValue(double value);
  bool IsStretchForeImage() const { return stretch_fore_image_; }
  void SetStretchForeImage(bool stretch);
  void SetProgressImage(const std::wstring& descriptor);
  const std::wstring& GetProgressColor() const { return progress_color_; }
  void SetProgressColor(const std::wstring& color);

 protected:
  // min < max and min <= value <= max, stored.
  void RepairLimits();
  // The limits as painting will repair them, without storing: geometry
  // outside painting must not divide by an empty range.
  int32_t RepairedMax() const { return min_ >= max_ ? min_ + 1 : max_; }
  double RepairedValue() const;

  bool horizontal_ = true;
  bool stretch_fore_image_ = true;
  int32_t max_ = 100;
  int32_t min_ = 0;
  double value_ = 0;
  Image progress_image_;
  std::wstring progress_color_;
  std::wstring image_modifier_;
};

}  // namespace ui
