#pragma once

#include "ui/box/layout.h"

namespace ui {

// Children in a grid of equal cells, each centred in its cell. With an item
// width the number of columns follows from the room; the pixels a row has
// left over widen its first cells by one each.
class TileLayout : public Layout {
 public:
  // Also "itemsize" (two numbers, DPI-scaled) and "columns".
  bool SetAttribute(const std::wstring& name, const std::wstring& value) override;
  SIZE ArrangeChildren(const std::vector<Control*>& items, RECT rect) override;
  SIZE EstimateChildrenSize(const std::vector<Control*>& items, SIZE available) override;

  int32_t GetColumns() const { return columns_; }
  SIZE GetItemSize() const { return item_size_; }

 private:
  int32_t columns_ = 1;
  SIZE item_size_ = {0, 0};
};

}  // namespace ui
