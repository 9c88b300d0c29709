#include "ui/control/circle_progress.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"
#include "tests/ui/core/render_setup.h"
#include "tests/ui/core/test_window.h"
#include "ui/box/box.h"
#include "ui/render/render_context.h"
#include "ui/resources/global_manager.h"

namespace {

using test_support::Blue;
using test_support::Green;
using test_support::PixelAt;
using test_support::Red;
using test_support::Rgb;
using ui::CircleProgress;

constexpr DWORD kGray = 0x808080;
constexpr DWORD kGreen = 0x00FF00;

// The pixel's strongest channel: 'r', 'g', 'b', or 0 for none clearly ahead.
char Dominant(DWORD pixel) {
  const int r = Red(pixel);
  const int g = Green(pixel);
  const int b = Blue(pixel);
  if (r > 2 * g && r > 2 * b) return 'r';
  if (g > 2 * r && g > 2 * b) return 'g';
  if (b > 2 * r && b > 2 * g) return 'b';
  return 0;
}

// The colour of the indicator image's pixel, rows top to bottom.
DWORD ImagePixel(Gdiplus::GpImage* image, int x, int y) {
  Gdiplus::ARGB color = 0;
  Gdiplus::DllExports::GdipBitmapGetPixel(static_cast<Gdiplus::GpBitmap*>(image), x, y, &color);
  return color;
}

SIZE ImageSize(Gdiplus::GpImage* image) {
  UINT width = 0;
  UINT height = 0;
  Gdiplus::DllExports::GdipGetImageWidth(image, &width);
  Gdiplus::DllExports::GdipGetImageHeight(image, &height);
  return {static_cast<LONG>(width), static_cast<LONG>(height)};
}

class CircleProgressTest : public testing::Test {
 protected:
  CircleProgressTest() {
    ui::GlobalManager::AddTextColor(L"ring_gray", L"#FF808080");
    ui::GlobalManager::AddTextColor(L"ring_green", L"#FF00FF00");
    ui::GlobalManager::AddTextColor(L"ring_red", L"#FFFF0000");
    ui::GlobalManager::AddTextColor(L"fill_blue", L"#FF0000FF");
    // 12 by 8: the left half red, the right half blue.
    std::vector<DWORD> pixels;
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 12; ++x) pixels.push_back(x < 6 ? 0xFFFF0000 : 0xFF0000FF);
    }
    test_support::WriteFileBytes(indicator_path_, test_support::EncodePng(12, 8, pixels));
  }

  // A gray ring of width 10 with a green arc, in a 100 by 100 control.
  static std::unique_ptr<CircleProgress> MakeRing(const RECT& pos = {0, 0, 100, 100}) {
    auto ring = std::make_unique<CircleProgress>();
    ring->SetAttribute(L"circlewidth", L"10");
    ring->SetAttribute(L"bgcolor", L"ring_gray");
    ring->SetAttribute(L"fgcolor", L"ring_green");
    ring->SetPos(pos);
    return ring;
  }

  static std::unique_ptr<ui::IRenderContext> Paint(CircleProgress* ring, int width = 100,
                                                   int height = 100) {
    auto surface = test_support::MakeSurface(width, height);
    ring->Paint(surface.get(), {0, 0, width, height});
    return surface;
  }

  test_support::ScratchDir dir_;
  const std::wstring indicator_path_ = dir_.Child(L"skin\\indicator.png");
};

TEST(RingGeometryTest, TheLargestCentredSquareInsetByHalfThePenAndOnePixel) {
  const struct {
    RECT rect;
    float inset;
    int32_t center_x, center_y, diameter, left, top;
    float arc_x, arc_y, arc_side;
  } cases[] = {
      {{0, 0, 100, 100}, 5, 50, 50, 100, 0, 0, 6, 6, 88},
      {{0, 0, 100, 60}, 0.5f, 50, 30, 60, 20, 0, 21.5f, 1.5f, 57},
      {{10, 20, 41, 100}, 2, 25, 60, 31, 10, 45, 13, 48, 25},  // odd size: halves truncate
      {{0, 0, 40, 40}, 6, 20, 20, 40, 0, 0, 7, 7, 26},         // an indicator 12 wide
  };
  for (const auto& c : cases) {
    const ui::RingGeometry ring = ui::ComputeRingGeometry(c.rect, c.inset);
    SCOPED_TRACE(testing::Message() << c.rect.right << "x" << c.rect.bottom);
    EXPECT_EQ(ring.centerX, c.center_x);
    EXPECT_EQ(ring.centerY, c.center_y);
    EXPECT_EQ(ring.diameter, c.diameter);
    EXPECT_EQ(ring.squareLeft, c.left);
    EXPECT_EQ(ring.squareTop, c.top);
    EXPECT_FLOAT_EQ(ring.arc.X, c.arc_x);
    EXPECT_FLOAT_EQ(ring.arc.Y, c.arc_y);
    EXPECT_FLOAT_EQ(ring.arc.Width, c.arc_side);
    EXPECT_FLOAT_EQ(ring.arc.Height, c.arc_side);
  }
}

TEST(RingGeometryTest, TheSweepFollowsTheValueAndTheDirection) {
  const struct {
    double value;
    int32_t min, max;
    bool clockwise;
    float sweep;
  } cases[] = {
      {0, 0, 100, true, 0},      {100, 0, 100, true, 360}, {25, 0, 100, true, 90},
      {25, 0, 100, false, -90},  {15, 10, 20, true, 180},  {12.5, 0, 100, true, 45},
      {1, 0, 3, false, -120.0f},
  };
  for (const auto& c : cases) {
    EXPECT_FLOAT_EQ(ui::ComputeRingSweep(c.value, c.min, c.max, c.clockwise), c.sweep)
        << c.value << " clockwise " << c.clockwise;
  }
}

TEST_F(CircleProgressTest, TheArcGrowsFromTwelveOClockInEitherDirection) {
  // Points on the middle of the stroke (radius 44 around 50,50): twelve,
  // half past one, three, six, nine and half past ten o'clock.
  const POINT twelve = {50, 6}, half_past_one = {81, 19}, three = {94, 50}, six = {50, 94},
              nine = {6, 50}, half_past_ten = {19, 19};
  const struct {
    double value;
    bool clockwise;
    std::vector<POINT> green;
    std::vector<POINT> gray;
  } cases[] = {
      {0, true, {}, {twelve, three, six, nine}},
      {100, true, {twelve, three, six, nine}, {}},
      {150, true, {twelve, three, six, nine}, {}},  // repaired to the maximum
      {25, true, {half_past_one}, {six, nine, half_past_ten}},
      {25, false, {half_past_ten}, {three, six, half_past_one}},
      {75, false, {half_past_ten, nine, six}, {half_past_one}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value << " clockwise " << c.clockwise);
    auto ring = MakeRing();
    ring->SetAttribute(L"clockwise", c.clockwise ? L"true" : L"false");
    ring->SetValue(c.value);
    auto surface = Paint(ring.get());
    for (const POINT& point : c.green) {
      EXPECT_EQ(Rgb(PixelAt(*surface, point.x, point.y)), kGreen) << point.x << "," << point.y;
    }
    for (const POINT& point : c.gray) {
      EXPECT_EQ(Rgb(PixelAt(*surface, point.x, point.y)), kGray) << point.x << "," << point.y;
    }
    // Inside and outside the ring nothing is drawn.
    EXPECT_EQ(PixelAt(*surface, 50, 50), 0u);
    EXPECT_EQ(PixelAt(*surface, 1, 1), 0u);
  }
}

// GDI+ draws through the device context; the window composes with the
// bitmap's alpha, so the ring must leave it opaque.
TEST_F(CircleProgressTest, TheRingIsOpaqueInTheMemoryBitmap) {
  auto ring = MakeRing();
  ring->SetValue(50);
  auto surface = Paint(ring.get());
  EXPECT_EQ(PixelAt(*surface, 50, 6), 0xFF000000u | kGreen);
  EXPECT_EQ(PixelAt(*surface, 6, 50), 0xFF000000u | kGray);
}

TEST_F(CircleProgressTest, ANarrowControlDrawsARingAsHighAsItCentredAcross) {
  auto ring = MakeRing({0, 0, 100, 60});
  ring->SetAttribute(L"circlewidth", L"4");
  ring->SetValue(100);
  auto surface = Paint(ring.get(), 100, 60);
  const RECT ink = test_support::InkBounds(*surface, 0);
  EXPECT_GE(ink.left, 20);
  EXPECT_LE(ink.right, 80);
  EXPECT_NEAR((ink.left + ink.right) / 2.0, 50, 1);
  EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 30, 1);
  EXPECT_GE(ink.right - ink.left, 54);
}

TEST_F(CircleProgressTest, ColoursAreResolvedWhenSetAndAGradientRunsTopToBottom) {
  auto ring = MakeRing();
  ring->SetAttribute(L"bgcolor", L" \tring_gray");
  EXPECT_EQ(ring->GetBackgroundColor(), 0xFF808080u);
  ring->SetAttribute(L"gradientcolor", L"no_such_colour");
  EXPECT_EQ(ring->GetGradientColor(), 0u);

  ring->SetAttribute(L"fgcolor", L"ring_red");
  ring->SetAttribute(L"gradientcolor", L"ring_green");
  ring->SetValue(100);
  auto surface = Paint(ring.get());
  EXPECT_EQ(Dominant(PixelAt(*surface, 50, 6)), 'r');
  EXPECT_EQ(Dominant(PixelAt(*surface, 50, 94)), 'g');
}

TEST_F(CircleProgressTest, WithoutTheCircleOnlyTheBarIsPainted) {
  auto ring = MakeRing();
  ring->SetAttribute(L"circular", L"false");
  ring->SetAttribute(L"progresscolor", L"fill_blue");
  ring->SetValue(50);
  auto surface = Paint(ring.get());
  EXPECT_EQ(Rgb(PixelAt(*surface, 25, 6)), 0x0000FFu);
  EXPECT_EQ(PixelAt(*surface, 75, 6), 0u);
  EXPECT_EQ(test_support::CountPixels(*surface, kGray), 0);

  // Both together: the ring over the bar.
  ring->SetCircular(true);
  auto both = Paint(ring.get());
  EXPECT_EQ(Rgb(PixelAt(*both, 50, 6)), kGreen);
  EXPECT_EQ(Rgb(PixelAt(*both, 6, 50)), kGray);
  EXPECT_EQ(Rgb(PixelAt(*both, 30, 50)), 0x0000FFu);
}

TEST_F(CircleProgressTest, TheIndicatorTurnsWithTheDirectionAndRidesOnTheArc) {
  auto ring = MakeRing();
  ring->SetIndicator(indicator_path_);
  Gdiplus::GpImage* image = ring->GetIndicator();
  ASSERT_NE(image, nullptr);
  // Turned a quarter clockwise: 8 wide, the red half on top.
  EXPECT_EQ(ImageSize(image).cx, 8);
  EXPECT_EQ(ImageSize(image).cy, 12);
  EXPECT_EQ(Dominant(ImagePixel(image, 4, 2)), 'r');
  EXPECT_EQ(Dominant(ImagePixel(image, 4, 9)), 'b');
  // Each change of direction turns it half round, without reloading.
  ring->SetAttribute(L"clockwise", L"false");
  EXPECT_EQ(ring->GetIndicator(), image);
  EXPECT_EQ(Dominant(ImagePixel(image, 4, 2)), 'b');
  ring->SetAttribute(L"clockwise", L"false");
  EXPECT_EQ(Dominant(ImagePixel(image, 4, 2)), 'b');
  ring->SetAttribute(L"clockwise", L"true");
  EXPECT_EQ(Dominant(ImagePixel(image, 4, 2)), 'r');

  // At the minimum it sits centred on the top of the ring (the arc inset by
  // half its width: top at 5), 46..54 across and -1..11 down.
  auto at_top = Paint(ring.get());
  EXPECT_EQ(Dominant(PixelAt(*at_top, 50, 2)), 'r');
  EXPECT_EQ(Dominant(PixelAt(*at_top, 50, 8)), 'b');
  // A quarter of the way it has turned to three o'clock.
  ring->SetValue(25);
  auto at_three = Paint(ring.get());
  EXPECT_EQ(Dominant(PixelAt(*at_three, 97, 50)), 'r');
  EXPECT_EQ(Dominant(PixelAt(*at_three, 91, 50)), 'b');
  EXPECT_NE(Dominant(PixelAt(*at_three, 50, 2)), 'r');
}

TEST_F(CircleProgressTest, IndicatorPathsAndTheImageCache) {
  auto ring = MakeRing();
  // Built in code, without a window: only the path as given is tried.
  ring->SetIndicator(L"indicator.png");
  EXPECT_EQ(ring->GetIndicator(), nullptr);
  ring->SetIndicator(dir_.Child(L"skin\\missing.png"));
  EXPECT_EQ(ring->GetIndicator(), nullptr);
  test_support::WriteFileBytes(dir_.Child(L"skin\\broken.png"), "not an image");
  ring->SetIndicator(dir_.Child(L"skin\\broken.png"));
  EXPECT_EQ(ring->GetIndicator(), nullptr);
  auto surface = Paint(ring.get());  // the ring inset by half the pen
  EXPECT_EQ(Rgb(PixelAt(*surface, 50, 6)), kGray);

  // On a window a relative path is found under the resource root and the
  // window's skin folder.
  test_support::TestWindow host;
  auto* root = new ui::Box;
  host.window().AttachRootControl(root);
  host.window().SetResourcePath(L"skin\\");
  const std::wstring saved_root = ui::GlobalManager::resourcePath;
  ui::GlobalManager::resourcePath = dir_.path() + L"\\";
  auto* placed = new CircleProgress;
  root->Add(placed);
  placed->SetAttribute(L"indicator", L"indicator.png");
  ui::GlobalManager::resourcePath = saved_root;
  ASSERT_NE(placed->GetIndicator(), nullptr);

  // The cache drops the image and keeps the path: the same path again does
  // not load it, another one does.
  placed->ClearImageCache();
  EXPECT_EQ(placed->GetIndicator(), nullptr);
  placed->SetIndicator(L"indicator.png");
  EXPECT_EQ(placed->GetIndicator(), nullptr);
  placed->SetIndicator(indicator_path_);
  EXPECT_NE(placed->GetIndicator(), nullptr);
}

}  // namespace
