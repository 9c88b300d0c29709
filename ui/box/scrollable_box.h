#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/box/box.h"
#include "ui/box/scroll_bar.h"
#include "ui/resources/animation_player.h"

namespace ui {

class TimerManager;

// A box whose content may be larger than the box: the children are laid out
// in a content area, a vertical and a horizontal ScrollBar (owned) appear
// when the content overflows, and painting and hit testing shift the
// children by the scroll position (cx, cy), which lives in the bars. Scrolls
// by line (animated), page, wheel, keys and touch; can stay at the end of
// growing content ("holdend"); children far out of view drop their decoded
// images. The base of every list.
class ScrollableBox : public Box {
 public:
  // Children farther than this above or below the view unload their images.
  static constexpr int32_t kImageCacheBand = 730;
  static constexpr int32_t kDefaultScrollUnit = 30;

  explicit ScrollableBox(std::unique_ptr<Layout> layout = std::make_unique<Layout>());
  ~ScrollableBox() override;

  // Position and range of each bar; 0 for a missing bar (and a position 0
  // for a bar without range).
  SIZE GetScrollPos() const override;
  SIZE GetScrollRange() const override;
  virtual void SetScrollPos(SIZE position);
  virtual void SetScrollPosY(int32_t y);
  virtual void EndVerticalScrollAnimation();
  virtual void SetScrollPosX(int32_t x);
  virtual void EndHorizontalScrollAnimation();
  // A distance of -1 is the scroll unit; animated steps made while one runs
  // in the same direction add up.
  virtual void LineUp(int32_t distance, bool animated);
  virtual void LineDown(int32_t distance, bool animated);
  virtual void LineLeft(int32_t distance, bool animated);
  virtual void LineRight(int32_t distance, bool animated);
  virtual void PageUp();
  virtual void PageDown();
  virtual void HomeUp();
  // Jumps to the end; animated, the content slides the last stretch.
  virtual void EndDown(bool arrange_first, bool animated);
  virtual void PageLeft();
  virtual void PageRight();
  virtual void HomeLeft();
  virtual void EndRight();
  virtual void TouchUp(int32_t distance);
  virtual void TouchDown(int32_t distance);
  // Creates or destroys each bar.
  virtual void EnableScrollBar(bool vertical, bool horizontal);
  virtual ScrollBar* GetVerticalScrollBar() const { return vertical_bar_.get(); }
  virtual ScrollBar* GetHorizontalScrollBar() const { return horizontal_bar_.get(); }
  // Fit a bar's range to the content's required size and place it.
  virtual void ProcessVScrollBar(RECT rect, int32_t required_height);
  virtual void ProcessHScrollBar(RECT rect, int32_t required_width);
  virtual void SetScrollOptionFlag(bool value) { scroll_option_flag_ = value; }
  virtual void SetMouseWheelScrollEnabled(bool value) { mouse_wheel_scroll_ = value; }
  // Lays the children out in the content rectangle and returns the size they
  // need.
  virtual SIZE CalcRequiredSize(const RECT& content);

  void SetWindow(Window* window, Control* parent, bool init) override;
  using PlaceHolder::SetWindow;
  void SetPos(RECT rect) override;
  void SetMouseEnabled(bool enabled) override;
  Control* FindControl(const FindControlCallback& test, void* data, uint32_t flags,
                       POINT scroll_offset) override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void PaintChild(IRenderContext* context, const RECT& paint) override;
  void ClearImageCache() override;
  void HandleEvent(EventArgs* msg) override;
  bool MouseEnter(EventArgs* msg) override;
  bool MouseLeave(EventArgs* msg) override;

  void PlaceContent(RECT rect);
  // For each child, where it starts along the scrolled direction.
  void UpdateChildOffsets();
  // Loads the images of the children near the view and drops the others'.
  void UpdateImageCachesByView(bool forward);
  // The content is drawn displaced by `start` and slides back into place.
  void PlayRenderOffsetAnimation(int32_t start);
  const std::vector<int32_t>& GetChildOffsets() const { return child_offsets_; }

  // While set, position changes send no scroll-change event; the end of a
  // line-scroll animation clears it.
  bool IsProgrammaticScroll() const { return programmatic_scroll_; }
  void SetProgrammaticScroll(bool value) { programmatic_scroll_ = value; }
  bool IsMouseWheelScrollEnabled() const { return mouse_wheel_scroll_; }
  bool IsScrollOptionFlag() const { return scroll_option_flag_; }
  bool IsHoldEnd() const { return hold_end_; }
  bool IsScrollBarFloat() const { return scroll_bar_float_; }
  bool IsDefaultDisplayScrollBar() const { return default_display_scroll_bar_; }
  RECT GetScrollBarPadding() const { return scroll_bar_padding_; }
  int32_t GetVerticalScrollUnit() const { return vertical_unit_; }
  int32_t GetHorizontalScrollUnit() const { return horizontal_unit_; }
  const AnimationPlayer& GetLineScrollPlayer() const { return line_scroll_player_; }
  const AnimationPlayer& GetRenderOffsetPlayer() const { return render_offset_player_; }
  // The timers behind the animations and the bars' repeat; the process's own
  // unless a test gives another.
  void SetTimerManager(TimerManager* manager);
  // The manager a test gave; null means the process's.
  TimerManager* GetTimerManager() const { return timer_manager_; }

 protected:
  // A bar exists, has a range and is enabled.
  bool IsVerticalAxisActive() const;
  bool IsHorizontalAxisActive() const;
  // Stops the line-scroll animation where it stands and forgets it.
  void ResetLineScroll() { line_scroll_player_.Reset(); }

 private:
  std::unique_ptr<ScrollBar> CreateBar(bool horizontal);
  void PlayLineScroll(int32_t start, int32_t end, bool vertical);
  void HandleVerticalAxis(EventArgs* msg);
  void HandleHorizontalAxis(EventArgs* msg);

  std::unique_ptr<ScrollBar> vertical_bar_;
  std::unique_ptr<ScrollBar> horizontal_bar_;
  int32_t vertical_unit_ = kDefaultScrollUnit;
  int32_t horizontal_unit_ = kDefaultScrollUnit;
  // Set while the box lays itself out again because a bar became necessary.
  bool nested_layout_ = false;
  bool hold_end_ = false;
  bool scroll_bar_float_ = true;
  bool default_display_scroll_bar_ = true;
  RECT scroll_bar_padding_ = {0, 0, 0, 0};
  POINT last_touch_point_ = {-1, -1};
  AnimationPlayer line_scroll_player_;
  AnimationPlayer render_offset_player_;
  bool scroll_option_flag_ = false;
  bool mouse_wheel_scroll_ = true;
  bool programmatic_scroll_ = false;
  std::vector<int32_t> child_offsets_;
  TimerManager* timer_manager_ = nullptr;  // not owned; null: the process's
};

}  // namespace ui
