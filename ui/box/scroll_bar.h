#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/weak_callback.h"
#include "ui/core/control.h"
#include "ui/resources/image.h"

namespace ui {

class ScrollableBox;
class TimerManager;

// Where the parts of a scroll bar lie, in the bar's coordinates. A part that
// is not shown is an empty rectangle at the bar's far end; a bar too short
// for a thumb has an all-zero thumb.
struct ScrollBarParts {
  RECT button1;
  RECT button2;
  RECT thumb;
};

// The parts of a bar at `bar` whose thickness (the side of its square arrow
// buttons) is `thickness`: the thumb is as long as the view's share of the
// content, at least `thumb_min_length`, and placed by the position's share
// of the range.
ScrollBarParts ComputeScrollBarParts(const RECT& bar, bool horizontal, int32_t thickness,
                                     bool show_button1, bool show_button2, int64_t range,
                                     int64_t position, int32_t thumb_min_length);

// The position change a thumb drag of `distance` pixels asks for: the
// distance's share of the track the thumb can travel, times the range; 0 when
// the thumb cannot travel.
int64_t ThumbDragOffset(int32_t distance, int32_t bar_length, int32_t thumb_length,
                        int32_t buttons_length, int64_t range);

// The bar a scrollable box puts at its right or bottom edge: two optional
// arrow buttons, a rail and a proportional thumb with a grip, each with its
// own images per state. Presses, drags and held buttons scroll the owner box
// (or the bar's own position when it stands alone); a bar that hides itself
// automatically fades out when a press ends outside its owner. The owner is
// not owned. Markup "ScrollBar".
class ScrollBar : public Control {
 public:
  // Ticks of the held-button repeat.
  static constexpr uint32_t kRepeatIntervalMs = 50;
  // Ticks that pass before a held button or rail press repeats.
  static constexpr int32_t kRepeatDelayTicks = 5;

  ScrollBar();
  ~ScrollBar() override;

  // Named apart from Control's GetScrollRange and GetScrollPos, which give a
  // scrolling container's view of its bars.
  int64_t GetRange() const { return range_; }
  void SetScrollRange(int64_t range);
  int64_t GetPosition() const { return position_; }
  void SetScrollPos(int64_t position);
  int32_t GetLineSize() const { return line_size_; }
  int32_t GetThumbMinLength() const { return thumb_min_length_; }
  bool IsHorizontal() const { return horizontal_; }
  // Turns the bar; its thickness moves to the other fixed size when that is 0.
  void SetHorizontal(bool horizontal);
  bool IsAutoHideScroll() const { return auto_hide_scroll_; }
  void SetAutoHideScroll(bool auto_hide) { auto_hide_scroll_ = auto_hide; }
  bool IsShowButton1() const { return show_button1_; }
  bool IsShowButton2() const { return show_button2_; }
  void SetOwner(ScrollableBox* owner) { owner_ = owner; }
  ScrollableBox* GetOwner() const { return owner_; }
  // The repeat timer's manager; the process's own unless a test gives another.
  void SetTimerManager(TimerManager* manager) { timer_manager_ = manager; }

  // In window coordinates; all zero when the bar is too short for a thumb.
  RECT GetButton1Rect() const { return parts_.button1; }
  RECT GetButton2Rect() const { return parts_.button2; }
  RECT GetThumbRect() const { return parts_.thumb; }
  ControlStateType GetButton1State() const { return button1_state_; }
  ControlStateType GetButton2State() const { return button2_state_; }
  ControlStateType GetThumbState() const { return thumb_state_; }

  void SetPos(RECT rect) override;
  void SetEnabled(bool enabled) override;
  void SetFocus() override;
  bool HasHotState() override { return true; }
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void ClearImageCache() override;
  void HandleEvent(EventArgs* msg) override;
  bool MouseEnter(EventArgs* msg) override;
  bool MouseLeave(EventArgs* msg) override;
  bool ButtonUp(EventArgs* msg) override;
  // The bar is no child of its owner's layout: nothing above it depends on
  // it, so a change of visibility or size lays out only the bar.
  void ArrangeAncestor() override { ArrangeSelf(); }

  // The bar draws only its own image sets: no colours, border or plain
  // background image.
  void PaintBkColor(IRenderContext* /*context*/) override {}
  void PaintBkImage(IRenderContext* /*context*/) override {}
  void PaintStatusColor(IRenderContext* /*context*/) override {}
  void PaintStatusImage(IRenderContext* context) override;
  void PaintBorder(IRenderContext* /*context*/) override {}

 private:
  // The side of the square buttons: the fixed width of a vertical bar, the
  // fixed height of a horizontal one.
  int32_t Thickness() const;
  int32_t Length() const;
  // The coordinate along the bar.
  LONG Along(POINT point) const;
  void SetImage(StateImage& images, ControlStateType state, const std::wstring& descriptor);
  void SetPartStates(ControlStateType state);
  void Press(POINT point);
  void LineStep(bool up);
  void PageStep(bool up);
  void RepeatStep();
  std::wstring PartModifier(const RECT& part) const;
  // Disabled -> disabled or normal; pushed -> pushed, hot or normal; hot ->
  // hot or normal; each next image tried when the one before draws nothing.
  void DrawPart(IRenderContext* context, StateImage& images, ControlStateType state,
                const std::wstring& modifier);

  bool horizontal_ = false;
  bool show_button1_ = true;
  bool show_button2_ = true;
  bool auto_hide_scroll_ = true;
  int64_t range_ = 100;
  int64_t position_ = 0;
  int32_t line_size_ = 8;
  int32_t thumb_min_length_ = 30;
  int64_t drag_start_position_ = 0;
  int64_t drag_offset_ = 0;
  int32_t repeat_counter_ = 0;
  ScrollableBox* owner_ = nullptr;  // not owned
  POINT drag_start_point_ = {0, 0};
  ScrollBarParts parts_ = {};
  ControlStateType button1_state_ = kControlStateNormal;
  ControlStateType button2_state_ = kControlStateNormal;
  ControlStateType thumb_state_ = kControlStateNormal;
  std::wstring image_modifier_;
  StateImage background_images_;
  StateImage button1_images_;
  StateImage button2_images_;
  StateImage thumb_images_;
  StateImage rail_images_;
  TimerManager* timer_manager_ = nullptr;  // not owned; null: the process's
  // Voids the pending repeat steps when the button goes up.
  qbase::WeakCallbackFlag repeat_flag_;
};

}  // namespace ui
