#pragma once

#include <cstdint>
#include <vector>

namespace ui {

// Where a virtual list puts one of its elements: its top, relative to the
// top of the list's content, and the data row it shows (-1: none, the
// element stays empty).
struct VirtualRowSlot {
  int32_t element;
  int64_t top;
  int32_t row;
};

// Which way the elements keep their reserve of rows: below the view after
// scrolling down, above it after scrolling up.
enum class VirtualRecycleDirection { Upwards, Downwards };

// The places of `element_count` elements of `element_height` over
// `row_count` rows for the scroll position. Downwards the first element
// shows the first row in view and the others follow; upwards the elements
// beyond one view's worth of rows sit above that row. Empty without elements
// or with a height below 1; the reserve above is never negative, so fewer
// elements than the view holds are placed as downwards.
std::vector<VirtualRowSlot> PlanVirtualRows(int32_t element_count, int32_t element_height,
                                            int32_t scroll_position, int32_t view_height,
                                            int32_t row_count, VirtualRecycleDirection direction);

// rows x height, computed in 64 bits and held to what a rectangle can take.
int32_t VirtualContentHeight(int32_t row_count, int32_t element_height);

}  // namespace ui
