#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

class Box;
class Control;

// How a box measures and places its children. The base arrangement puts
// every child alone in the whole area by its own alignment and margin, so
// children overlap; the stacking and tile layouts derive from it. The layout
// also keeps the box's padding and the margin between neighbouring children.
// Integer arithmetic throughout; divisions truncate toward zero.
class Layout {
 public:
  Layout() = default;
  virtual ~Layout() = default;
  Layout(const Layout&) = delete;
  Layout& operator=(const Layout&) = delete;

  // True when the layout took the attribute ("padding", "childmargin").
  virtual bool SetAttribute(const std::wstring& name, const std::wstring& value);
  // Places the children in the rectangle (the box's area inside its padding);
  // returns the size they take.
  virtual SIZE ArrangeChildren(const std::vector<Control*>& items, RECT rect);
  // The size the children want, padding included.
  virtual SIZE EstimateChildrenSize(const std::vector<Control*>& items, SIZE available);
  virtual RECT GetPadding() const { return padding_; }
  // Arranges the owner again; no comparison with the old value.
  virtual void SetPadding(RECT padding, bool scale);
  virtual int32_t GetChildMargin() const { return child_margin_; }
  // DPI-scaled; arranges the owner again.
  virtual void SetChildMargin(int32_t margin);

  void SetOwner(Box* owner) { owner_ = owner; }
  Box* GetOwner() const { return owner_; }

  // Places one control by its own alignment and margin inside the rectangle:
  // every child of this layout, and the floating children of the others. A
  // hidden control is not touched and takes (0, 0).
  static SIZE PlaceFloatingChild(Control* control, RECT rect);

 protected:
  void ArrangeOwner();

  RECT padding_ = {0, 0, 0, 0};
  int32_t child_margin_ = 0;
  Box* owner_ = nullptr;  // the box that owns this layout
};

// A size raised to the minimum and lowered to the maximum when the maximum
// is 0 or more (-1 means no maximum).
int32_t LimitSize(int32_t size, int32_t minimum, int32_t maximum);

// What the stacking layouts hand out to their stretching children: each gets
// `share`, and the first `spare` of them one pixel more. The share is 0 when
// the fixed sizes already overflow the room; the spare may be negative then.
struct StretchShares {
  int32_t share;
  int32_t spare;
};
StretchShares ComputeStretchShares(int32_t available, int32_t fixed_sum, int32_t stretch_count);

}  // namespace ui
