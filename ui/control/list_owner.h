#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/core/events.h"

namespace ui {

// What a list item needs of the list that holds it: the selection, the
// list's event dispatch, scrolling an item into view and stopping a running
// scroll. The list outlives its link: it clears the owner of every item that
// leaves it.
class IListOwner {
 public:
  virtual int32_t GetCurSel() const = 0;
  virtual bool SelectItem(int32_t index, bool take_focus, bool trigger) = 0;
  virtual void DispatchEvent(EventArgs* msg) = 0;
  // The rectangle is an item's position in the list's content.
  virtual void EnsureVisible(const RECT& rect) = 0;
  virtual void StopScroll() = 0;

 protected:
  ~IListOwner() = default;
};

}  // namespace ui
