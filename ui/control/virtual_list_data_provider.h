#pragma once

#include <cstdint>

namespace ui {

class Control;

// The rows behind a virtual list, implemented by the code that uses the
// list. The list does not own its provider; the provider outlives the list.
class VirtualListDataProvider {
 public:
  virtual ~VirtualListDataProvider() = default;

  // A new element (normally a list item); the list adds it and owns it.
  virtual Control* CreateElement() = 0;
  // Shows the row's data in the element.
  virtual void FillElement(Control* element, int32_t row) = 0;
  virtual int32_t GetElementCount() = 0;
};

}  // namespace ui
