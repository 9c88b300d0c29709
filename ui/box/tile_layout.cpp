#include "ui/box/tile_layout.h"

#include <algorithm>

#include "ui/box/box.h"
#include "ui/core/attribute_list.h"
#include "ui/core/dpi_manager.h"
#include "ui/resources/image_attribute.h"

namespace ui {

bool TileLayout::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"itemsize") {
    const RECT numbers = ParseRectValue(value);
    const DpiManager* dpi = DpiManager::GetInstance();
    const SIZE size = {dpi->ScaleInt(numbers.left), dpi->ScaleInt(numbers.top)};
    if (size.cx != item_size_.cx || size.cy != item_size_.cy) {
      item_size_ = size;
      ArrangeOwner();
    }
    return true;
  }
  if (name == L"columns") {
    const int32_t columns = ParseIntegerValue(value);
    if (columns > 0) {
      columns_ = columns;
      ArrangeOwner();
    }
    return true;
  }
  return Layout::SetAttribute(name, value);
}

SIZE TileLayout::ArrangeChildren(const std::vector<Control*>& items, RECT rect) {
  const int32_t width = rect.right - rect.left;
  if (item_size_.cx > 0) columns_ = width / item_size_.cx;
  if (columns_ <= 0) columns_ = 1;
  const int32_t cell_width = width / columns_;
  const int32_t extra = width - cell_width * columns_;

  int32_t x = rect.left;
  int32_t y = rect.top;
  int32_t row_height = 0;
  int32_t placed = 0;
  int32_t needed = 0;
  int32_t row_extra = extra;
  const int32_t half = child_margin_ / 2;
  for (size_t index = 0; index < items.size(); ++index) {
    Control* child = items[index];
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      PlaceFloatingChild(child, rect);
      continue;
    }
    int32_t cell_right = x + cell_width;
    if (row_extra > 0) {
      ++cell_right;
      --row_extra;
    }

    if (placed % columns_ == 0) {
      // The row is as tall as its tallest member; measured once, at its first.
      int32_t members = 0;
      for (size_t next = index; next < items.size() && members < columns_; ++next) {
        Control* member = items[next];
        if (!member->IsVisible() || member->IsFloat()) continue;
        const RECT margin = member->GetMargin();
        const bool edge = members == 0 || members == columns_ - 1;
        int32_t room = cell_right - x - margin.left - margin.right -
                       (edge ? child_margin_ / 2 : child_margin_);
        room = LimitSize(room, member->GetMinWidth(), member->GetMaxWidth());
        const SIZE estimate = member->EstimateSize({room, 9999});
        const int32_t cy = LimitSize(estimate.cy, member->GetMinHeight(), member->GetMaxHeight());
        row_height = std::max<int32_t>(row_height, cy + margin.top + margin.bottom);
        ++members;
      }
    }

    const RECT margin = child->GetMargin();
    const int32_t left = x + half + margin.left;
    const int32_t right = cell_right - half - margin.right;
    const int32_t top = y + margin.top;
    const int32_t bottom = y + row_height;
    const SIZE estimate = child->EstimateSize({right - left, bottom - top});
    int32_t cx = estimate.cx == kSizeStretch ? right - left : estimate.cx;
    int32_t cy = estimate.cy == kSizeStretch ? bottom - top : estimate.cy;
    cx = LimitSize(cx, child->GetMinWidth(), child->GetMaxWidth());
    cy = LimitSize(cy, child->GetMinHeight(), child->GetMaxHeight());
    const int32_t x0 = (left + right - cx) / 2;
    const int32_t y0 = (top + bottom - cy) / 2;
    child->SetPos({x0, y0, x0 + cx, y0 + cy});

    ++placed;
    needed = y + row_height - rect.top;
    if (placed % columns_ == 0) {
      y += row_height + child_margin_;
      x = rect.left;
      row_height = 0;
      row_extra = extra;
    } else {
      x = cell_right;
    }
  }
  return {width, needed};
}

SIZE TileLayout::EstimateChildrenSize(const std::vector<Control*>& items, SIZE available) {
  SIZE size = {owner_ ? owner_->Control::EstimateSize(available).cx : 0, 0};
  if (item_size_.cx > 0 && owner_) columns_ = owner_->GetFixedWidth() / item_size_.cx;
  if (columns_ <= 0) columns_ = 1;
  const int32_t count = static_cast<int32_t>(
      std::count_if(items.begin(), items.end(), [](Control* child) { return child->IsVisible(); }));
  if (count > 0) {
    const int32_t rows = count / columns_ + (count % columns_ ? 1 : 0);
    size.cy = rows * items.front()->GetFixedHeight() + (rows - 1) * child_margin_ + padding_.top +
              padding_.bottom;
  }
  return size;
}

}  // namespace ui
