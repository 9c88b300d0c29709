#include "ui/render/spaced_text_layout.h"

#include <map>
#include <ostream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ui {

bool operator==(const PlacedUnit& a, const PlacedUnit& b) {
  return a.text == b.text && a.x == b.x && a.y == b.y;
}

std::ostream& operator<<(std::ostream& out, const PlacedUnit& unit) {
  return out << "{" << unit.text.size() << " chars at " << unit.x << "," << unit.y << "}";
}

namespace {

using ::testing::ElementsAre;

// Widths with fractions, so truncation shows.
UnitExtent Measure(const std::wstring& unit) {
  static const std::map<std::wstring, UnitExtent> extents = {
      {L"a", {7.6f, 12.9f}}, {L"b", {8.2f, 14.2f}}, {L"c", {5.0f, 10.0f}}};
  return extents.at(unit);
}

constexpr RECT kRect = {10, 20, 200, 100};

TEST(SpacedTextLayout, LeftToRightAddsSpacingAfterEachUnit) {
  EXPECT_THAT(LayoutSpacedText({{L"a", L"b"}}, kRect, 2, 3, false, Measure),
              ElementsAre(PlacedUnit{L"a", 10, 20}, PlacedUnit{L"b", 10 + 2 + 7, 20}));
}

TEST(SpacedTextLayout, RightToLeftEndsTheLastUnitAtTheRightEdge) {
  EXPECT_THAT(LayoutSpacedText({{L"a", L"b"}}, kRect, 2, 3, true, Measure),
              ElementsAre(PlacedUnit{L"b", 200, 20}, PlacedUnit{L"a", 200 - 2 - 8, 20}));
}

TEST(SpacedTextLayout, BlankAdvancesBySpacingAndSpaceWidth) {
  EXPECT_THAT(LayoutSpacedText({{L"a", L" ", L"b"}}, kRect, 2, 3, false, Measure),
              ElementsAre(PlacedUnit{L"a", 10, 20}, PlacedUnit{L"b", 10 + 9 + 2 + 3, 20}));
  EXPECT_THAT(LayoutSpacedText({{L"a", L" ", L"b"}}, kRect, 2, 1, true, Measure),
              ElementsAre(PlacedUnit{L"b", 200, 20}, PlacedUnit{L"a", 200 - 10 - 3, 20}));
}

TEST(SpacedTextLayout, LineHeightIsTheTallestUnitSoFar) {
  EXPECT_THAT(
      LayoutSpacedText({{L"b"}, {L"c"}, {L"a"}}, kRect, 1, 1, false, Measure),
      ElementsAre(PlacedUnit{L"b", 10, 20}, PlacedUnit{L"c", 10, 34}, PlacedUnit{L"a", 10, 48}));
}

TEST(SpacedTextLayout, BlankLineOnlyAdvancesByTheKeptHeight) {
  EXPECT_THAT(LayoutSpacedText({{L"a"}, {L" "}, {L"c"}}, kRect, 1, 1, false, Measure),
              ElementsAre(PlacedUnit{L"a", 10, 20}, PlacedUnit{L"c", 10, 44}));
}

}  // namespace
}  // namespace ui
