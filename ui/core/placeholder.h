#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/weak_callback.h"

namespace ui {

class Control;
class Window;

// Fixed sizes: 0 or more are device pixels.
constexpr int32_t kSizeStretch = -1;  // take what the layout gives
constexpr int32_t kSizeAuto = -2;     // size from content
constexpr int32_t kNoMaximum = 9999999;

enum HorAlignType : int32_t { kHorAlignLeft = 0, kHorAlignCenter = 1, kHorAlignRight = 2 };
enum VerAlignType : int32_t { kVerAlignTop = 0, kVerAlignCenter = 1, kVerAlignBottom = 2 };

// A node of the control tree: name, window and parent, the sizes it asks for,
// the rectangle it was given, alignment, float and visibility, and whether it
// must be measured, laid out or repainted again. The window and the parent
// (the box that holds the node) are not owned. UI thread only.
class PlaceHolder : public virtual qbase::SupportWeakCallback {
 public:
  PlaceHolder() = default;
  ~PlaceHolder() override = default;
  PlaceHolder(const PlaceHolder&) = delete;
  PlaceHolder& operator=(const PlaceHolder&) = delete;

  virtual Window* GetWindow() const { return window_; }
  virtual void SetWindow(Window* window) { window_ = window; }
  // Runs Init when the init flag is set and there is a parent.
  virtual void SetWindow(Window* window, Control* parent, bool init);
  virtual void Init() { DoInit(); }
  // For controls that finish setting up once they know window and parent.
  virtual void DoInit() {}
  // The control's own visibility and the one its ancestors impose.
  virtual bool IsVisible() const { return visible_ && intern_visible_; }
  virtual SIZE EstimateSize(SIZE available);
  virtual RECT GetPos(bool contain_shadow = true) const;
  virtual void SetPos(RECT rect);
  // Lays the control out again: through its parent when its size depends on
  // its content, else by itself.
  virtual void Arrange();
  // Lays out the nearest ancestor whose size does not depend on its content.
  virtual void ArrangeAncestor();
  // Marks the control's rectangle for repainting in its window.
  virtual void Invalidate();
  virtual void ArrangeSelf();

  const std::wstring& GetName() const { return name_; }
  void SetName(const std::wstring& name) { name_ = name; }
  Control* GetParent() const { return parent_; }
  bool IsFloat() const { return float_; }
  void SetFloat(bool value);
  bool IsInternVisible() const { return intern_visible_; }

  int32_t GetFixedWidth() const { return fixed_size_.cx; }
  int32_t GetFixedHeight() const { return fixed_size_.cy; }
  int32_t GetMinWidth() const { return min_size_.cx; }
  int32_t GetMinHeight() const { return min_size_.cy; }
  int32_t GetMaxWidth() const { return max_size_.cx; }
  int32_t GetMaxHeight() const { return max_size_.cy; }
  // Values below kSizeAuto are ignored; the DPI scale applies only to
  // values above 0.
  void SetFixedWidth(int32_t cx, bool arrange, bool scale);
  void SetFixedHeight(int32_t cy, bool scale);
  // DPI-scaled whatever their sign; minimums ignore negative values. The
  // maximums take the keywords stretch and auto unscaled (scale false), as
  // text controls test a maximum width of exactly -1.
  void SetMinWidth(int32_t cx);
  void SetMinHeight(int32_t cy);
  void SetMaxWidth(int32_t cx, bool scale);
  void SetMaxHeight(int32_t cy, bool scale);

  HorAlignType GetHorAlignType() const { return horizontal_alignment_; }
  void SetHorAlignType(HorAlignType type) { horizontal_alignment_ = type; }
  VerAlignType GetVerAlignType() const { return vertical_alignment_; }
  void SetVerAlignType(VerAlignType type) { vertical_alignment_ = type; }

  bool IsReEstimateNeeded() const { return re_estimate_; }
  void SetReEstimate(bool value) { re_estimate_ = value; }
  // The window lays such controls out again before it paints.
  bool IsArrangePending() const { return arrange_pending_; }
  bool IsUseCache() const { return use_cache_; }
  void SetUseCache(bool value) { use_cache_ = value; }
  bool IsCacheDirty() const { return cache_dirty_; }
  void SetCacheDirty(bool value) { cache_dirty_ = value; }

  // The scroll position of the nearest scrolling ancestor; floating children
  // of a vertically scrolled parent do not scroll.
  POINT GetScrollOffset() const;

 protected:
  void ArrangeAfterLimitChange();
  // InvalidateRect on the window, plus WM_PAINT for a layered window.
  void InvalidateWindowRect(const RECT& rect) const;

  std::wstring name_;
  Window* window_ = nullptr;
  Control* parent_ = nullptr;
  SIZE fixed_size_ = {kSizeStretch, kSizeStretch};
  SIZE min_size_ = {-1, -1};
  SIZE max_size_ = {kNoMaximum, kNoMaximum};
  RECT pos_ = {0, 0, 0, 0};
  HorAlignType horizontal_alignment_ = kHorAlignLeft;
  VerAlignType vertical_alignment_ = kVerAlignTop;
  bool float_ = false;
  bool re_estimate_ = true;
  bool visible_ = true;
  bool intern_visible_ = true;
  bool arrange_pending_ = true;
  bool use_cache_ = false;
  bool cache_dirty_ = false;
};

}  // namespace ui
