#include "ui/control/combo_popup_geometry.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using ui::ComboPopupHeight;
using ui::PlaceComboPopup;

TEST(ComboPopupGeometryTest, HeightIsTheItemsAndBordersUpToTheDropHeight) {
  const struct {
    const char* label;
    std::vector<int32_t> items;
    int32_t drop;
    int32_t height;
  } cases[] = {
      {"ten items scroll", std::vector<int32_t>(10, 30), 150, 150},
      {"two items fit", {30, 30}, 150, 62},
      {"no items", {}, 150, 2},
      {"exactly the drop height", {74, 74}, 150, 150},
      // A sum past 32 bits must not wrap to a small pop-up.
      {"huge items", std::vector<int32_t>(3, 0x7FFFFFFF), 150, 150},
      {"negative estimates count as 0", {-5, 30}, 150, 32},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.label);
    EXPECT_EQ(ComboPopupHeight(item.items, item.drop), item.height);
  }
}

TEST(ComboPopupGeometryTest, PopupOpensBelowUnlessItWouldLeaveTheWorkAreaOrIsAskedOnTop) {
  const RECT combo = {100, 200, 300, 230};
  const struct {
    const char* label;
    int32_t drop_width;
    int32_t height;
    LONG work_bottom;
    bool on_top;
    RECT expected;
  } cases[] = {
      {"below", 0, 150, 768, false, {100, 231, 300, 381}},
      {"wider drop box", 260, 62, 768, false, {100, 231, 360, 293}},
      {"bottom exactly at the work area", 0, 150, 381, false, {100, 231, 300, 381}},
      {"one pixel past the work area", 0, 150, 380, false, {100, 50, 300, 200}},
      {"asked on top", 0, 62, 768, true, {100, 138, 300, 200}},
      {"on top with a drop width", 120, 62, 768, true, {100, 138, 220, 200}},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.label);
    const RECT placed =
        PlaceComboPopup(combo, item.drop_width, item.height, item.work_bottom, item.on_top);
    EXPECT_TRUE(EqualRect(&placed, &item.expected))
        << placed.left << "," << placed.top << "," << placed.right << "," << placed.bottom;
  }
}

}  // namespace
