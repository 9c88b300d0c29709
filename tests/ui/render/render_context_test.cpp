#include "ui/render/render_context_gdiplus.h"

#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/ui/render/render_test_support.h"
#include "ui/render/auto_clip.h"
#include "ui/render/render_factory_gdiplus.h"
#include "ui/render/text_effect_gdiplus.h"

namespace ui {
namespace {

using test_support::Alpha;
using test_support::Blue;
using test_support::Green;
using test_support::InkBounds;
using test_support::PixelAt;
using test_support::Red;
using test_support::Rgb;
using test_support::TestImage;
using ::testing::ElementsAre;

constexpr DWORD kRed = 0xFFFF0000;
constexpr DWORD kGreen = 0xFF00FF00;
constexpr DWORD kBlue = 0xFF0000FF;
constexpr DWORD kYellow = 0xFFFFFF00;
constexpr DWORD kMagenta = 0xFFFF00FF;
constexpr DWORD kCyan = 0xFF00FFFF;
constexpr DWORD kGray = 0xFF808080;
constexpr DWORD kWhite = 0xFFFFFFFF;
constexpr DWORD kMaroon = 0xFF800000;

constexpr RECT kEverywhere = {-10000, -10000, 10000, 10000};
constexpr RECT kNoCorner = {0, 0, 0, 0};

// A 12 x 12 image whose nine 4-pixel parts have different colours.
TestImage MakeNineGridImage() {
  const DWORD parts[3][3] = {
      {kRed, kMagenta, kGreen}, {kGray, kMaroon, kWhite}, {kBlue, kCyan, kYellow}};
  std::vector<DWORD> pixels(12 * 12);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) pixels[y * 12 + x] = parts[y / 4][x / 4];
  }
  return test_support::MakeImage(12, 12, pixels);
}

// A 10 x 10 tile: five red rows over five blue rows (or columns).
TestImage MakeStripedImage(bool columns) {
  std::vector<DWORD> pixels(100);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) pixels[y * 10 + x] = ((columns ? x : y) < 5) ? kRed : kBlue;
  }
  return test_support::MakeImage(10, 10, pixels);
}

TestImage MakeSolidImage(DWORD argb) {
  return test_support::MakeImage(4, 4, test_support::Solid(4, 4, argb));
}

class RenderContextTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(context_.Resize(64, 48, true)); }

  test_support::TestRenderEnvironment environment_;
  RenderContext_GdiPlus context_{&environment_};
};

TEST_F(RenderContextTest, ResizeKeepsPixelsAtTheSameSizeAndRefusesNoSize) {
  context_.DrawColor({0, 0, 64, 48}, kRed, 255);
  EXPECT_FALSE(context_.Resize(64, 48, true));
  EXPECT_EQ(Rgb(PixelAt(context_, 10, 10)), 0xFF0000u);
  EXPECT_TRUE(context_.Resize(20, 10, true));
  EXPECT_EQ(context_.GetWidth(), 20);
  EXPECT_EQ(context_.GetHeight(), 10);
  EXPECT_FALSE(context_.Resize(0, 10, true));
  EXPECT_EQ(context_.GetBits(), nullptr);
  EXPECT_EQ(context_.GetWidth(), 0);
  EXPECT_EQ(context_.DetachBitmap(), nullptr);
  EXPECT_TRUE(context_.Resize(5, 5, true));
  context_.DrawColor({0, 0, 5, 5}, kBlue, 255);
  EXPECT_EQ(Rgb(PixelAt(context_, 4, 4)), 0x0000FFu);
}

TEST_F(RenderContextTest, DetachBitmapHandsOverTheSurface) {
  RenderContext_GdiPlus fresh;
  EXPECT_EQ(fresh.DetachBitmap(), nullptr);
  EXPECT_EQ(fresh.GetBits(), nullptr);
  HBITMAP bitmap = context_.DetachBitmap();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(context_.GetBits(), nullptr);
  EXPECT_EQ(context_.GetWidth(), 0);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_TRUE(context_.Resize(8, 8, true));
}

TEST_F(RenderContextTest, CloneCopiesThePixels) {
  context_.DrawColor({0, 0, 32, 48}, kGreen, 255);
  std::unique_ptr<IRenderContext> copy = context_.Clone();
  ASSERT_EQ(copy->GetWidth(), 64);
  ASSERT_EQ(copy->GetHeight(), 48);
  EXPECT_EQ(Rgb(PixelAt(*copy, 5, 40)), 0x00FF00u);
  EXPECT_EQ(Rgb(PixelAt(*copy, 40, 5)), 0u);
}

TEST_F(RenderContextTest, ClearZeroesEveryByte) {
  context_.DrawColor({0, 0, 64, 48}, kWhite, 255);
  context_.Clear();
  EXPECT_EQ(PixelAt(context_, 63, 47), 0u);
}

TEST(RenderContextColor, AlphaArithmetic) {
  struct Case {
    DWORD color;
    BYTE alpha;
    DWORD expected;
  };
  const Case cases[] = {
      {0xFFFFFFFF, 128, 0x80FFFFFF}, {0x80FF0000, 128, 0x40FF0000}, {0x80FF0000, 255, 0x80FF0000},
      {0x12345678, 0, 0x00345678},   {0xFF000000, 1, 0x01000000},
  };
  for (const Case& entry : cases) {
    EXPECT_EQ(ApplyAlphaToColor(entry.color, entry.alpha), entry.expected)
        << std::hex << entry.color << " at " << std::dec << int{entry.alpha};
  }
}

TEST(RenderContextColor, TextAlphaIsNeverFullyOpaque) {
  EXPECT_EQ(ComputeTextAlpha(0xFF000000, 255), 254);
  EXPECT_EQ(ComputeTextAlpha(0xFF000000, 128), 128);
  EXPECT_EQ(ComputeTextAlpha(0x80FFFFFF, 255), 128);
  EXPECT_EQ(ComputeTextAlpha(0x00FFFFFF, 255), 0);
  EXPECT_EQ(ComputeTextAlpha(0x80FFFFFF, 0), 0);
}

TEST(RenderContextText, StyleFlagsMapToTheStringFormat) {
  struct Case {
    UINT style;
    bool line_limit;
    INT flags;
    Gdiplus::StringAlignment alignment;
    Gdiplus::StringAlignment line_alignment;
    bool ellipsis;
  };
  const Case cases[] = {
      {0, false, 0, Gdiplus::StringAlignmentNear, Gdiplus::StringAlignmentNear, false},
      {DT_CENTER | DT_VCENTER | DT_SINGLELINE, false, 0x1000, Gdiplus::StringAlignmentCenter,
       Gdiplus::StringAlignmentCenter, false},
      {DT_RIGHT | DT_BOTTOM | DT_NOCLIP, true, 0x4000 | 0x2000, Gdiplus::StringAlignmentFar,
       Gdiplus::StringAlignmentFar, false},
      {DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM | DT_END_ELLIPSIS, false, 0,
       Gdiplus::StringAlignmentCenter, Gdiplus::StringAlignmentCenter, true},
  };
  for (const Case& entry : cases) {
    const TextFormatSettings settings = MapTextStyle(entry.style, entry.line_limit);
    EXPECT_EQ(settings.flags, entry.flags) << std::hex << entry.style;
    EXPECT_EQ(settings.alignment, entry.alignment) << std::hex << entry.style;
    EXPECT_EQ(settings.line_alignment, entry.line_alignment) << std::hex << entry.style;
    EXPECT_EQ(settings.ellipsis, entry.ellipsis) << std::hex << entry.style;
  }
}

TEST_F(RenderContextTest, DrawColorFillsExactlyWithCombinedAlpha) {
  context_.DrawColor({10, 10, 20, 20}, kWhite, 128);
  EXPECT_NEAR(Red(PixelAt(context_, 10, 10)), 128, 1);
  EXPECT_NEAR(Blue(PixelAt(context_, 19, 19)), 128, 1);
  EXPECT_EQ(Rgb(PixelAt(context_, 20, 20)), 0u);
  EXPECT_EQ(Rgb(PixelAt(context_, 9, 9)), 0u);
  context_.DrawColor({30, 0, 40, 10}, 0x80FF0000, 128);
  EXPECT_NEAR(Red(PixelAt(context_, 35, 5)), 64, 1);
  context_.DrawColor({40, 0, 50, 10}, kRed, 255);
  EXPECT_EQ(PixelAt(context_, 45, 5), kRed);
}

TEST_F(RenderContextTest, DrawColorByNameLooksTheColourUp) {
  environment_.colors[L"test_green"] = kGreen;
  context_.DrawColorByName({0, 0, 10, 10}, L"test_green", 255);
  context_.DrawColorByName({10, 0, 20, 10}, L"", 255);
  context_.DrawColorByName({20, 0, 30, 10}, L"test_missing", 255);
  EXPECT_EQ(Rgb(PixelAt(context_, 5, 5)), 0x00FF00u);
  EXPECT_EQ(PixelAt(context_, 15, 5), 0u);
  EXPECT_EQ(PixelAt(context_, 25, 5), 0u);
  EXPECT_THAT(environment_.asked_colors, ElementsAre(L"test_green", L"test_missing"));
}

// The factory's contexts and their clones look up in the factory's environment.
TEST(RenderContextEnvironment, FactoryAndCloneHandTheEnvironmentOn) {
  test_support::TestRenderEnvironment environment;
  environment.AddFont(L"test_font", 16);
  environment.colors[L"test_green"] = kGreen;
  RenderFactory_GdiPlus factory(&environment);
  std::unique_ptr<IRenderContext> made = factory.CreateRenderContext();
  ASSERT_TRUE(made->Resize(8, 8, true));
  std::unique_ptr<IRenderContext> copy = made->Clone();
  for (IRenderContext* context : {made.get(), copy.get()}) {
    const RECT measured = context->MeasureText(L"abc", L"test_font", DT_SINGLELINE, -1);
    EXPECT_GT(measured.right, 10);
    context->DrawColorByName({0, 0, 8, 8}, L"test_green", 255);
    EXPECT_EQ(Rgb(PixelAt(*context, 4, 4)), 0x00FF00u);
  }
}

// Without an environment there is no font, every named colour is 0 and
// corners keep their size.
TEST(RenderContextEnvironment, WithoutOneNothingIsLookedUp) {
  RenderContext_GdiPlus context;
  ASSERT_TRUE(context.Resize(40, 20, true));
  context.DrawColor({0, 0, 40, 20}, kBlue, 255);
  context.DrawText({0, 0, 40, 20}, L"abc", kWhite, L"", 0, 255, false);
  context.DrawColorByName({0, 0, 10, 10}, L"test_green", 255);
  EXPECT_EQ(InkBounds(context, kBlue).right, 0);
  const RECT measured = context.MeasureText(L"abc", L"", 0, -1);
  const RECT one_pixel = {0, 0, 1, 1};
  EXPECT_TRUE(EqualRect(&measured, &one_pixel));
  const TestImage image = MakeNineGridImage();
  context.DrawImage({0, 0, 40, 20}, image.frame.get(), false, {0, 0, 40, 20}, {0, 0, 12, 12},
                    {4, 4, 4, 4}, 255, false, false);
  EXPECT_EQ(Rgb(PixelAt(context, 3, 3)), Rgb(kRed));
  EXPECT_EQ(Rgb(PixelAt(context, 4, 4)), Rgb(kMaroon));
}

TEST_F(RenderContextTest, ClipsNestAndTwoClearsLeaveNone) {
  context_.SetClip({0, 0, 30, 30});
  context_.SetRoundClip({20, 20, 60, 60}, 0, 0);
  context_.DrawColor({0, 0, 64, 48}, kRed, 255);
  EXPECT_EQ(Rgb(PixelAt(context_, 25, 25)), 0xFF0000u);
  EXPECT_EQ(Rgb(PixelAt(context_, 10, 10)), 0u);
  EXPECT_EQ(Rgb(PixelAt(context_, 35, 35)), 0u);
  context_.ClearClip();
  context_.ClearClip();
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(context_.GetDC(), region), 0);
  DeleteObject(region);
  context_.DrawColor({0, 0, 64, 48}, kBlue, 255);
  EXPECT_EQ(Rgb(PixelAt(context_, 63, 47)), 0x0000FFu);
}

TEST_F(RenderContextTest, ClipLeavesTheCallersRectangleAndFollowsTheOrigin) {
  const POINT previous = context_.SetWindowOrg({100, 100});
  EXPECT_EQ(previous.x, 0);
  RECT clip = {100, 100, 110, 105};
  context_.SetClip(clip);
  EXPECT_EQ(clip.left, 100);
  context_.DrawColor({0, 0, 1000, 1000}, kRed, 255);
  context_.ClearClip();
  EXPECT_EQ(Rgb(PixelAt(context_, 0, 0)), 0xFF0000u);
  EXPECT_EQ(Rgb(PixelAt(context_, 9, 4)), 0xFF0000u);
  EXPECT_EQ(Rgb(PixelAt(context_, 10, 4)), 0u);
  EXPECT_EQ(Rgb(PixelAt(context_, 9, 5)), 0u);
}

TEST_F(RenderContextTest, AutoClipLastsForItsScope) {
  {
    AutoClip outer(&context_, {0, 0, 20, 20});
    AutoClip inner(&context_, {10, 10, 40, 40}, 8, 8);
    AutoClip unwanted(&context_, {0, 0, 1, 1}, false);
    context_.DrawColor({0, 0, 64, 48}, kRed, 255);
  }
  EXPECT_EQ(Rgb(PixelAt(context_, 15, 15)), 0xFF0000u);
  EXPECT_EQ(Rgb(PixelAt(context_, 5, 5)), 0u);
  EXPECT_EQ(Rgb(PixelAt(context_, 25, 25)), 0u);
  context_.DrawColor({0, 0, 64, 48}, kBlue, 255);
  EXPECT_EQ(Rgb(PixelAt(context_, 63, 0)), 0x0000FFu);
}

TEST_F(RenderContextTest, WindowOriginOperations) {
  EXPECT_EQ(context_.SetWindowOrg({5, 6}).y, 0);
  const POINT old = context_.OffsetWindowOrg({10, 20});
  EXPECT_EQ(old.x, 5);
  EXPECT_EQ(old.y, 6);
  EXPECT_EQ(context_.GetWindowOrg().x, 15);
  EXPECT_EQ(context_.GetWindowOrg().y, 26);
  context_.DrawColor({15, 26, 16, 27}, kRed, 255);
  EXPECT_EQ(Rgb(PixelAt(context_, 0, 0)), 0xFF0000u);
}

TEST_F(RenderContextTest, SaveAndRestoreTheDeviceState) {
  context_.Save();
  context_.SetClip({0, 0, 1, 1});
  context_.SetWindowOrg({3, 3});
  context_.Restore();
  EXPECT_EQ(context_.GetWindowOrg().x, 0);
  context_.DrawColor({0, 0, 64, 48}, kRed, 255);
  EXPECT_EQ(Rgb(PixelAt(context_, 30, 30)), 0xFF0000u);
}

TEST_F(RenderContextTest, ClearAndRestoreAlpha) {
  context_.ClearAlpha({0, 0, 64, 48}, 0x20);
  EXPECT_EQ(PixelAt(context_, 1, 1), 0x20202020u);
  context_.RestoreAlpha({0, 0, 64, 48}, {4, 4, 4, 4}, 0x20);
  EXPECT_EQ(Alpha(PixelAt(context_, 1, 1)), 0x20);  // corner area
  EXPECT_EQ(Alpha(PixelAt(context_, 30, 1)), 0);    // matches the key
  context_.RestoreAlpha({0, 0, 64, 48}, {0, 0, 0, 0}, 0);
  EXPECT_EQ(Alpha(PixelAt(context_, 1, 1)), 255);
}

TEST_F(RenderContextTest, BlitsFromAnotherDeviceContext) {
  RenderContext_GdiPlus source;
  ASSERT_TRUE(source.Resize(8, 8, true));
  source.DrawColor({0, 0, 8, 8}, kRed, 255);
  EXPECT_TRUE(context_.BitBlt(0, 0, 8, 8, source.GetDC(), 0, 0, SRCCOPY));
  EXPECT_EQ(PixelAt(context_, 7, 7), kRed);
  context_.DrawColor({20, 0, 28, 8}, kBlue, 255);
  EXPECT_TRUE(context_.AlphaBlend(20, 0, 8, 8, source.GetDC(), 0, 0, 8, 8, 128));
  EXPECT_NEAR(Red(PixelAt(context_, 24, 4)), 128, 2);
  EXPECT_NEAR(Blue(PixelAt(context_, 24, 4)), 127, 2);
}

// The two image drawings share the nine-grid; both are checked alike.
enum class ImageApi { Gdi, GdiPlus };

class ImageDrawingTest : public ::testing::TestWithParam<ImageApi> {
 protected:
  void SetUp() override { ASSERT_TRUE(context_.Resize(64, 48, true)); }

  void Draw(const TestImage& image, const RECT& dest, const RECT& corner, BYTE fade = 255,
            bool xtiled = false, bool ytiled = false, const RECT& paint = kEverywhere) {
    const RECT source = {0, 0, image.width, image.height};
    if (GetParam() == ImageApi::Gdi) {
      context_.DrawImage(paint, image.frame.get(), image.alpha, dest, source, corner, fade, xtiled,
                         ytiled);
    } else {
      context_.DrawImageGdiPlus(paint, image.bitmap.get(), dest, source, corner, fade, xtiled,
                                ytiled);
    }
  }

  test_support::TestRenderEnvironment environment_;
  RenderContext_GdiPlus context_{&environment_};
};

TEST_P(ImageDrawingTest, NineGridPlacesEveryPart) {
  const TestImage image = MakeNineGridImage();
  Draw(image, {0, 0, 40, 32}, {4, 4, 4, 4});
  EXPECT_EQ(Rgb(PixelAt(context_, 1, 1)), Rgb(kRed));
  EXPECT_EQ(Rgb(PixelAt(context_, 20, 1)), Rgb(kMagenta));
  EXPECT_EQ(Rgb(PixelAt(context_, 38, 2)), Rgb(kGreen));
  EXPECT_EQ(Rgb(PixelAt(context_, 2, 16)), Rgb(kGray));
  EXPECT_EQ(Rgb(PixelAt(context_, 20, 16)), Rgb(kMaroon));
  EXPECT_EQ(Rgb(PixelAt(context_, 37, 16)), Rgb(kWhite));
  EXPECT_EQ(Rgb(PixelAt(context_, 1, 30)), Rgb(kBlue));
  EXPECT_EQ(Rgb(PixelAt(context_, 20, 29)), Rgb(kCyan));
  EXPECT_EQ(Rgb(PixelAt(context_, 38, 30)), Rgb(kYellow));
  EXPECT_EQ(Rgb(PixelAt(context_, 45, 16)), 0u) << "nothing outside the dest";
}

TEST_P(ImageDrawingTest, CornersGrowWithTheDpiScale) {
  environment_.scale_percent = 150;
  const TestImage image = MakeNineGridImage();
  Draw(image, {0, 0, 40, 40}, {4, 4, 4, 4});
  EXPECT_EQ(Rgb(PixelAt(context_, 4, 4)), Rgb(kRed));
  EXPECT_EQ(Rgb(PixelAt(context_, 4, 20)), Rgb(kGray));
  EXPECT_EQ(Rgb(PixelAt(context_, 8, 8)), Rgb(kMaroon));
  EXPECT_EQ(Rgb(PixelAt(context_, 35, 35)), Rgb(kYellow));
  EXPECT_EQ(Rgb(PixelAt(context_, 20, 20)), Rgb(kMaroon));
}

TEST_P(ImageDrawingTest, WithoutCornersTheWholeImageIsStretched) {
  const TestImage image = MakeNineGridImage();
  Draw(image, {0, 0, 60, 48}, kNoCorner);
  EXPECT_EQ(Rgb(PixelAt(context_, 30, 24)), Rgb(kMaroon));
  EXPECT_EQ(Rgb(PixelAt(context_, 5, 5)), Rgb(kRed));
  EXPECT_EQ(Rgb(PixelAt(context_, 55, 43)), Rgb(kYellow));
}

TEST_P(ImageDrawingTest, YTiledRowsRepeatAndTheLastShowsTheTileTop) {
  const TestImage image = MakeStripedImage(false);
  Draw(image, {0, 0, 10, 25}, kNoCorner, 255, false, true);
  const int expected_red[] = {1, 0, 1, 0, 1};  // bands of five rows
  for (int band = 0; band < 5; ++band) {
    EXPECT_EQ(Rgb(PixelAt(context_, 5, band * 5 + 2)), expected_red[band] ? 0xFF0000u : 0x0000FFu)
        << "band " << band;
  }
  EXPECT_EQ(Rgb(PixelAt(context_, 5, 26)), 0u);
}

TEST_P(ImageDrawingTest, XTiledColumnsRepeat) {
  const TestImage image = MakeStripedImage(true);
  Draw(image, {0, 0, 25, 20}, kNoCorner, 255, true, false);
  EXPECT_EQ(Rgb(PixelAt(context_, 2, 10)), 0xFF0000u);
  EXPECT_EQ(Rgb(PixelAt(context_, 7, 10)), 0x0000FFu);
  EXPECT_EQ(Rgb(PixelAt(context_, 12, 10)), 0xFF0000u);
  EXPECT_EQ(Rgb(PixelAt(context_, 22, 10)), 0xFF0000u);
}

TEST_P(ImageDrawingTest, FadeBlendsOverTheBackground) {
  context_.DrawColor({0, 0, 64, 48}, kBlue, 255);
  const TestImage image = MakeSolidImage(kRed);
  Draw(image, {0, 0, 8, 8}, kNoCorner, 128);
  EXPECT_NEAR(Red(PixelAt(context_, 4, 4)), 128, 3);
  EXPECT_NEAR(Blue(PixelAt(context_, 4, 4)), 127, 3);
}

TEST_P(ImageDrawingTest, TranslucentPixelsBlendOverTheBackground) {
  context_.DrawColor({0, 0, 64, 48}, kBlue, 255);
  const TestImage image = MakeSolidImage(0x80FF0000);
  ASSERT_TRUE(image.alpha);
  Draw(image, {0, 0, 4, 4}, kNoCorner);
  Draw(image, {10, 0, 30, 20}, kNoCorner);
  for (const POINT& point : {POINT{2, 2}, POINT{20, 10}}) {
    EXPECT_NEAR(Red(PixelAt(context_, point.x, point.y)), 128, 3) << point.x;
    EXPECT_NEAR(Blue(PixelAt(context_, point.x, point.y)), 127, 3) << point.x;
  }
}

TEST_P(ImageDrawingTest, OnlyPartsMeetingThePaintRectangleAreDrawn) {
  const TestImage image = MakeNineGridImage();
  Draw(image, {0, 0, 40, 32}, {4, 4, 4, 4}, 255, false, false, {0, 0, 2, 2});
  EXPECT_EQ(Rgb(PixelAt(context_, 1, 1)), Rgb(kRed));
  EXPECT_EQ(Rgb(PixelAt(context_, 20, 16)), 0u);
  Draw(image, {0, 0, 40, 32}, {4, 4, 4, 4}, 255, false, false, {50, 40, 60, 45});
  EXPECT_EQ(Rgb(PixelAt(context_, 20, 16)), 0u);
}

INSTANTIATE_TEST_SUITE_P(BothApis, ImageDrawingTest,
                         ::testing::Values(ImageApi::Gdi, ImageApi::GdiPlus),
                         [](const ::testing::TestParamInfo<ImageApi>& info) {
                           return info.param == ImageApi::Gdi ? "Gdi" : "GdiPlus";
                         });

// A bitmap whose pixels are all zero bytes shows how each part was copied:
// a plain copy writes them, a blend with their zero alpha leaves the surface.
TEST_F(RenderContextTest, OpaqueImagesCopyResizedPartsAndBlendTheOthers) {
  GdiBitmap zeros;
  ASSERT_TRUE(zeros.Init(context_.GetDC(), 12, 12, true));
  zeros.Clear();
  const RECT dest = {0, 0, 40, 40};
  const RECT source = {0, 0, 12, 12};
  const RECT corner = {4, 4, 4, 4};

  context_.ClearAlpha({0, 0, 64, 48}, 0xFF);
  context_.DrawImage(kEverywhere, zeros.GetBitmap(), false, dest, source, corner, 255, false,
                     false);
  EXPECT_EQ(Rgb(PixelAt(context_, 20, 20)), 0u) << "the stretched centre is copied";
  EXPECT_EQ(PixelAt(context_, 1, 1), 0xFFFFFFFFu) << "same-size corners are blended";

  for (bool has_alpha : {true, false}) {
    context_.ClearAlpha({0, 0, 64, 48}, 0xFF);
    const bool previous = context_.SetRenderTransparent(!has_alpha);
    context_.DrawImage(kEverywhere, zeros.GetBitmap(), has_alpha, dest, source, corner, 255, false,
                       false);
    context_.SetRenderTransparent(previous);
    EXPECT_EQ(PixelAt(context_, 20, 20), 0xFFFFFFFFu) << "has_alpha " << has_alpha;
  }
  EXPECT_FALSE(context_.IsRenderTransparent());
}

TEST_F(RenderContextTest, ShapesDrawWhereTheyShould) {
  RenderFactory_GdiPlus factory;
  context_.DrawRect({2, 2, 20, 20}, 1, kRed);
  EXPECT_EQ(Rgb(PixelAt(context_, 2, 10)), 0xFF0000u);
  EXPECT_EQ(Rgb(PixelAt(context_, 10, 2)), 0xFF0000u);
  EXPECT_EQ(Rgb(PixelAt(context_, 10, 10)), 0u);

  context_.DrawLineRect({30, 5, 60, 5}, 1, kGreen);
  EXPECT_EQ(Rgb(PixelAt(context_, 45, 5)), 0x00FF00u);
  EXPECT_EQ(Rgb(PixelAt(context_, 45, 6)), 0u);

  context_.FillEllipse({30, 10, 50, 30}, kBlue);
  EXPECT_EQ(Rgb(PixelAt(context_, 40, 20)), 0x0000FFu);
  EXPECT_EQ(Rgb(PixelAt(context_, 30, 10)), 0u);

  context_.DrawEllipse({2, 24, 22, 44}, 2, kWhite);
  EXPECT_EQ(Rgb(PixelAt(context_, 12, 34)), 0u);
  EXPECT_NE(Rgb(PixelAt(context_, 2, 34)), 0u);

  std::unique_ptr<IPen> pen = factory.CreatePen(kYellow, 2);
  context_.DrawLine(pen.get(), 52, 40, 62, 40);
  EXPECT_EQ(Rgb(PixelAt(context_, 57, 40)), 0xFFFF00u);
  context_.DrawLine(nullptr, 0, 0, 10, 10);
}

TEST_F(RenderContextTest, RoundRectLeavesTheCornersOut) {
  context_.DrawRoundRect({4, 4, 44, 40}, {16, 16}, 2, kWhite);
  EXPECT_EQ(Rgb(PixelAt(context_, 4, 4)), 0u);
  EXPECT_NE(Rgb(PixelAt(context_, 24, 4)), 0u);
  EXPECT_NE(Rgb(PixelAt(context_, 44, 22)), 0u);
  EXPECT_EQ(Rgb(PixelAt(context_, 24, 22)), 0u);
}

TEST_F(RenderContextTest, PathsAndCurvesDrawThroughTheirObjects) {
  RenderFactory_GdiPlus factory;
  std::unique_ptr<IPath> path = factory.CreatePath();
  path->AddRect(10, 10, 30, 30);
  std::unique_ptr<IBrush> brush = factory.CreateBrush(kGreen);
  context_.FillPath(path.get(), brush.get());
  EXPECT_EQ(Rgb(PixelAt(context_, 20, 20)), 0x00FF00u);
  std::unique_ptr<IPen> pen = factory.CreatePen(kRed, 2);
  context_.DrawPath(path.get(), pen.get());
  EXPECT_EQ(Rgb(PixelAt(context_, 10, 20)), 0xFF0000u);
  context_.DrawBezier(pen.get(), 40, 40, 45, 10, 55, 10, 60, 40);
  EXPECT_NE(InkBounds(context_, 0).right, 30);
  context_.FillPath(nullptr, brush.get());
  context_.DrawPath(path.get(), nullptr);
}

class RenderContextTextTest : public RenderContextTest {
 protected:
  void SetUp() override {
    environment_.AddFont(L"test_font", 16);
    ASSERT_TRUE(context_.Resize(240, 80, true));
    context_.DrawColor({0, 0, 240, 80}, 0xFF000000, 255);
  }
  RECT Ink() { return InkBounds(context_, 0); }
};

TEST_F(RenderContextTextTest, MeasureGrowsWithTheText) {
  const RECT short_text = context_.MeasureText(L"ab", L"test_font", DT_SINGLELINE, -1);
  const RECT long_text = context_.MeasureText(L"abcdefgh", L"test_font", DT_SINGLELINE, -1);
  EXPECT_GT(short_text.right, short_text.left + 5);
  EXPECT_GT(long_text.right, short_text.right);
  EXPECT_GT(short_text.bottom, 10);
  EXPECT_EQ(long_text.bottom, short_text.bottom);
}

TEST_F(RenderContextTextTest, MeasureWrapsWithinAWidth) {
  const std::wstring text = L"several words that cannot fit in a narrow box";
  const RECT wide = context_.MeasureText(text, L"test_font", 0, -1);
  const RECT narrow = context_.MeasureText(text, L"test_font", 0, 80);
  EXPECT_GT(narrow.bottom, wide.bottom * 2);
  EXPECT_LE(narrow.right, 82);
  const RECT single = context_.MeasureText(text, L"test_font", DT_SINGLELINE, 80);
  const RECT sample = context_.MeasureText(L"\u6d4b\u8bd5", L"test_font", DT_SINGLELINE, -1);
  EXPECT_EQ(single.bottom, sample.bottom);
}

TEST_F(RenderContextTextTest, MeasureWithoutTheFontIsOnePixel) {
  const RECT rect = context_.MeasureText(L"abc", L"no_such_font", 0, -1);
  const RECT expected = {0, 0, 1, 1};
  EXPECT_TRUE(EqualRect(&rect, &expected));
}

TEST_F(RenderContextTextTest, AlignmentMovesTheInk) {
  const RECT box = {10, 10, 230, 70};
  context_.DrawText(box, L"Hello", kWhite, L"test_font", DT_SINGLELINE, 255, false);
  const RECT left = Ink();
  context_.DrawColor({0, 0, 240, 80}, 0xFF000000, 255);
  context_.DrawText(box, L"Hello", kWhite, L"test_font", DT_SINGLELINE | DT_CENTER | DT_VCENTER,
                    255, false);
  const RECT centre = Ink();
  context_.DrawColor({0, 0, 240, 80}, 0xFF000000, 255);
  context_.DrawText(box, L"Hello", kWhite, L"test_font", DT_SINGLELINE | DT_RIGHT | DT_BOTTOM, 255,
                    false);
  const RECT right = Ink();

  EXPECT_GE(left.left, 10);
  EXPECT_LT(left.left, 16);
  EXPECT_LT(left.top, 20);
  EXPECT_GT(right.right, 220);
  EXPECT_LE(right.right, 230);
  EXPECT_GT(right.bottom, 60);
  EXPECT_NEAR((centre.left + centre.right) / 2, 120, 4);
  EXPECT_NEAR((centre.top + centre.bottom) / 2, 40, 4);
  EXPECT_EQ(left.right - left.left, right.right - right.left);
}

TEST_F(RenderContextTextTest, TextAlphaFollowsColourAndFade) {
  const RECT box = {0, 0, 240, 80};
  const auto brightest = [&] {
    int value = 0;
    for (int y = 0; y < 80; ++y) {
      for (int x = 0; x < 240; ++x) value = std::max(value, Green(PixelAt(context_, x, y)));
    }
    return value;
  };
  context_.DrawText(box, L"IIII", kWhite, L"test_font", 0, 255, false);
  EXPECT_EQ(brightest(), 254);
  context_.DrawColor(box, 0xFF000000, 255);
  context_.DrawText(box, L"IIII", kWhite, L"test_font", 0, 128, false);
  EXPECT_NEAR(brightest(), 128, 1);
  context_.DrawColor(box, 0xFF000000, 255);
  context_.DrawText(box, L"IIII", kWhite, L"test_font", 0, 0, false);
  context_.DrawText(box, L"", kWhite, L"test_font", 0, 255, false);
  context_.DrawText(box, L"IIII", kWhite, L"no_such_font", 0, 255, false);
  EXPECT_EQ(brightest(), 0);
}

TEST_F(RenderContextTextTest, EffectTextIsDrawnThroughTheEffect) {
  TextEffect_GdiPlus effect;
  effect.SetOutline(kRed, kRed, 2, false);
  context_.DrawTextWithEffect({10, 10, 230, 70}, L"Hello", kGreen, L"test_font", 0, &effect, false);
  EXPECT_GT(test_support::CountPixels(context_, kRed), 10);
  EXPECT_GT(test_support::CountPixels(context_, kGreen), 10);
  context_.DrawColor({0, 0, 240, 80}, 0xFF000000, 255);
  context_.DrawTextWithEffect({10, 10, 230, 70}, L"Hello", kGreen, L"no_such_font", 0, &effect,
                              false);
  context_.DrawTextWithEffect({10, 10, 230, 70}, L"", kGreen, L"test_font", 0, &effect, false);
  context_.DrawTextWithEffect({10, 10, 230, 70}, L"Hello", kGreen, L"test_font", 0, nullptr, false);
  EXPECT_EQ(Ink().right, 0);
}

TEST_F(RenderContextTextTest, AntiAliasingSettingDrawsTheSameText) {
  SetTextAntiAliasEnabled(true);
  context_.DrawText({10, 10, 230, 70}, L"Hello", kWhite, L"test_font", 0, 255, false);
  SetTextAntiAliasEnabled(false);
  const RECT ink = Ink();
  EXPECT_GT(ink.right - ink.left, 20);
  EXPECT_FALSE(IsTextAntiAliasEnabled());
}

}  // namespace
}  // namespace ui
