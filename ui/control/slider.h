#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/control/progress.h"

namespace ui {

// A progress bar with a draggable thumb: the value follows a drag, a press
// and release on the track and the wheel, and each change is reported with
// the value-change event when the button goes up or the wheel turns.
// Markup "Slider".
class Slider : public Progress {
 public:
  Slider();

  std::wstring GetClass() const override { return L"Slider"; }
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void ClearImageCache() override;
  void HandleEvent(EventArgs* msg) override;
  void PaintStatusImage(IRenderContext* context) override;
  RECT GetProgressPos() override;

  int32_t GetChangeStep() const { return change_step_; }
  void SetChangeStep(int32_t step) { change_step_ = step; }
  SIZE GetThumbSize() const { return thumb_size_; }
  void SetThumbSize(SIZE size) { thumb_size_ = size; }
  RECT GetProgressBarPadding() const { return progress_bar_padding_; }
  void SetProgressBarPadding(RECT padding);
  // In window coordinates.
  RECT GetThumbRect() const;
  void SetThumbImage(ControlStateType state, const std::wstring& descriptor);

 private:
  double ValueFromPoint(POINT point) const;

  int32_t change_step_ = 1;
  SIZE thumb_size_ = {10, 10};
  StateImage thumb_images_;
  RECT progress_bar_padding_ = {0, 0, 0, 0};
  std::wstring thumb_modifier_;
};

}  // namespace ui
