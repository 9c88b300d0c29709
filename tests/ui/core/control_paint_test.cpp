#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/scratch_dir.h"
#include "tests/ui/core/render_setup.h"
#include "tests/ui/core/test_window.h"
#include "ui/core/control.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/image_info.h"

namespace {

using test_support::Alpha;
using test_support::InkBounds;
using test_support::MakeSurface;
using test_support::PixelAt;
using test_support::Rgb;
using ui::Control;

constexpr DWORD kRed = 0xFFFF0000;
constexpr DWORD kGreen = 0xFF00FF00;
constexpr DWORD kBlue = 0xFF0000FF;

class ControlPaintTest : public testing::Test {
 protected:
  ControlPaintTest() {
    ui::GlobalManager::AddTextColor(L"red", L"#FFFF0000");
    ui::GlobalManager::AddTextColor(L"green", L"#FF00FF00");
    ui::GlobalManager::AddTextColor(L"blue", L"#FF0000FF");
    ui::GlobalManager::AddTextColor(L"halfred", L"#80FF0000");
    surface_ = MakeSurface(100, 100);
  }

  // An image file of one colour in the scratch folder; its absolute path.
  std::wstring WriteImage(const std::wstring& name, int width, int height, DWORD argb) {
    const std::wstring path = scratch_.Child(name);
    test_support::WriteFileBytes(
        path, test_support::EncodePng(width, height, test_support::Solid(width, height, argb)));
    return path;
  }

  test_support::ScratchDir scratch_;
  std::unique_ptr<ui::IRenderContext> surface_;
};

TEST_F(ControlPaintTest, BackgroundColourFillsThePaintedPartUnlessTranslucent) {
  const struct {
    const wchar_t* color;
    DWORD inside;   // RGB at (20, 20), inside the painted part
    DWORD outside;  // RGB at (50, 50), in the control but outside the painted part
  } cases[] = {
      {L"red", 0xFF0000, 0},
      // Translucent colours cover the whole control at once.
      {L"halfred", 0xFF0000, 0xFF0000},
      {L"nosuchcolour", 0, 0},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(testing::Message() << item.color);
    surface_->Clear();
    Control control;
    control.SetPos({10, 10, 60, 60});
    control.SetAttribute(L"bkcolor", item.color);
    control.Paint(surface_.get(), {0, 0, 30, 30});
    EXPECT_EQ(Rgb(PixelAt(*surface_, 20, 20)) != 0, item.inside != 0);
    EXPECT_EQ(Rgb(PixelAt(*surface_, 50, 50)) != 0, item.outside != 0);
    EXPECT_EQ(Rgb(PixelAt(*surface_, 70, 70)), 0u);
  }
}

TEST_F(ControlPaintTest, BordersStayInsideTheControl) {
  const struct {
    const wchar_t* label;
    std::vector<std::pair<const wchar_t*, const wchar_t*>> attributes;
    RECT ink;
  } cases[] = {
      // A one-pixel side ends on the last pixel row (or column) of the control.
      {L"left 1", {{L"leftbordersize", L"1"}}, {10, 10, 11, 60}},
      {L"top 1", {{L"topbordersize", L"1"}}, {10, 10, 60, 11}},
      {L"right 2", {{L"rightbordersize", L"2"}}, {58, 10, 60, 60}},
      {L"bottom 3", {{L"bottombordersize", L"3"}}, {10, 57, 60, 60}},
      {L"size 1", {{L"bordersize", L"1"}}, {10, 10, 60, 60}},
      {L"size 2", {{L"bordersize", L"2"}}, {10, 10, 60, 60}},
      {L"size 3", {{L"bordersize", L"3"}}, {10, 10, 60, 60}},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(testing::Message() << item.label);
    surface_->Clear();
    Control control;
    control.SetPos({10, 10, 60, 60});
    control.SetAttribute(L"bordercolor", L"blue");
    for (const auto& [name, value] : item.attributes) control.SetAttribute(name, value);
    control.Paint(surface_.get(), {0, 0, 100, 100});
    const RECT ink = InkBounds(*surface_, 0);
    EXPECT_EQ(ink.left, item.ink.left);
    EXPECT_EQ(ink.top, item.ink.top);
    EXPECT_EQ(ink.right, item.ink.right);
    EXPECT_EQ(ink.bottom, item.ink.bottom);
  }
  // A rounded border of 3 leaves the corner pixel itself empty.
  surface_->Clear();
  Control round;
  round.SetPos({10, 10, 60, 60});
  round.SetAttribute(L"bordercolor", L"blue");
  round.SetAttribute(L"bordersize", L"3");
  round.SetAttribute(L"borderround", L"8,8");
  round.Paint(surface_.get(), {0, 0, 100, 100});
  EXPECT_EQ(Rgb(PixelAt(*surface_, 10, 10)), 0u);
  EXPECT_EQ(Rgb(PixelAt(*surface_, 11, 35)), 0x0000FFu);
}

TEST_F(ControlPaintTest, AlphaDecidesHowMuchOfTheControlShows) {
  const struct {
    int alpha;
    int low;
    int high;
  } cases[] = {{255, 255, 255}, {128, 120, 136}, {0, 0, 0}};
  for (const auto& item : cases) {
    SCOPED_TRACE(item.alpha);
    surface_->Clear();
    Control control;
    control.SetPos({10, 10, 60, 60});
    control.SetAttribute(L"bkcolor", L"red");
    control.SetAlpha(item.alpha);
    control.AlphaPaint(surface_.get(), {0, 0, 100, 100});
    const int red = test_support::Red(PixelAt(*surface_, 30, 30));
    EXPECT_GE(red, item.low);
    EXPECT_LE(red, item.high);
  }
}

TEST_F(ControlPaintTest, CachedControlRepaintsItsCacheOnlyWhenInvalidated) {
  Control control;
  control.SetPos({10, 10, 60, 60});
  control.SetAttribute(L"cache", L"true");
  control.SetAttribute(L"bkcolor", L"green");
  control.AlphaPaint(surface_.get(), {0, 0, 100, 100});
  EXPECT_EQ(Rgb(PixelAt(*surface_, 30, 30)), 0x00FF00u);

  // A colour changed behind the control's back: the cache still has green.
  ui::GlobalManager::AddTextColor(L"green", L"#FF0000FF");
  surface_->Clear();
  control.AlphaPaint(surface_.get(), {0, 0, 100, 100});
  EXPECT_EQ(Rgb(PixelAt(*surface_, 30, 30)), 0x00FF00u);

  control.SetCacheDirty(true);
  surface_->Clear();
  control.AlphaPaint(surface_.get(), {0, 0, 100, 100});
  EXPECT_EQ(Rgb(PixelAt(*surface_, 30, 30)), 0x0000FFu);
}

TEST_F(ControlPaintTest, ClipAndRenderOffsetMoveTheContent) {
  Control control;
  control.SetPos({10, 10, 60, 60});
  control.SetAttribute(L"bkcolor", L"halfred");
  // The content slides 20 pixels left; the clip keeps it inside the control.
  control.SetRenderOffsetX(20);
  control.AlphaPaint(surface_.get(), {0, 0, 100, 100});
  const RECT ink = InkBounds(*surface_, 0);
  EXPECT_EQ(ink.left, 10);
  EXPECT_EQ(ink.right, 40);
}

TEST_F(ControlPaintTest, ImagesDrawByStateAndMissingOnesAreForgotten) {
  const std::wstring normal = WriteImage(L"normal.png", 50, 50, kRed);
  const std::wstring hot = WriteImage(L"hot.png", 50, 50, kGreen);
  const std::wstring background = WriteImage(L"background.png", 50, 50, kBlue);
  Control control;
  control.SetPos({10, 10, 60, 60});
  control.SetAttribute(L"normalimage", L"file='" + normal + L"'");
  control.SetAttribute(L"hotimage", L"file='" + hot + L"'");
  control.Paint(surface_.get(), {0, 0, 100, 100});
  EXPECT_EQ(Rgb(PixelAt(*surface_, 30, 30)), 0xFF0000u);
  control.SetState(ui::kControlStateHot);
  control.SetHotAlpha(255);
  control.Paint(surface_.get(), {0, 0, 100, 100});
  EXPECT_EQ(Rgb(PixelAt(*surface_, 30, 30)), 0x00FF00u);
  // Pushed without a pushed image falls back to hot.
  control.SetState(ui::kControlStatePushed);
  surface_->Clear();
  control.Paint(surface_.get(), {0, 0, 100, 100});
  EXPECT_EQ(Rgb(PixelAt(*surface_, 30, 30)), 0x00FF00u);

  // A destination inside the control, relative to its top-left.
  Control placed;
  placed.SetPos({10, 10, 60, 60});
  placed.SetBkImage(L"file='" + background + L"' dest='5,5,15,15'");
  surface_->Clear();
  placed.Paint(surface_.get(), {0, 0, 100, 100});
  const RECT ink = InkBounds(*surface_, 0);
  EXPECT_EQ(ink.left, 15);
  EXPECT_EQ(ink.top, 15);
  EXPECT_EQ(ink.right, 25);
  EXPECT_EQ(ink.bottom, 25);

  Control missing;
  missing.SetPos({10, 10, 60, 60});
  missing.SetBkImage(L"file='" + scratch_.Child(L"absent.png") + L"'");
  surface_->Clear();
  missing.Paint(surface_.get(), {0, 0, 100, 100});
  EXPECT_EQ(InkBounds(*surface_, 0).right, 0);
  EXPECT_TRUE(missing.GetBkImage().attribute.file_name.empty());
}

TEST_F(ControlPaintTest, LanguageVariantIsDrawnWhenThePackageOrDiskHasIt) {
  const std::wstring logo = WriteImage(L"img_logo.png", 50, 50, kRed);
  WriteImage(L"img_logo_ja.png", 50, 50, kBlue);
  const std::wstring saved = ui::GlobalManager::language;
  const struct {
    const wchar_t* language;
    DWORD rgb;
  } cases[] = {{L"ja", 0x0000FF}, {L"ko", 0xFF0000}};
  for (const auto& item : cases) {
    SCOPED_TRACE(testing::Message() << item.language);
    ui::GlobalManager::language = item.language;
    Control control;
    control.SetPos({10, 10, 60, 60});
    control.SetAttribute(L"bkimageadaptlanguage", L"true");
    control.SetBkImage(L"file='" + logo + L"'");
    control.Paint(surface_.get(), {0, 0, 100, 100});
    EXPECT_EQ(Rgb(PixelAt(*surface_, 30, 30)), item.rgb);
  }
  ui::GlobalManager::language = saved;
}

TEST(ControlGifTest, FrameIntervalTable) {
  ui::ImageInfo image;
  image.frame_delays = {0, 2, 3, 4, 5, 10, 25};
  const struct {
    size_t frame;
    uint32_t millis;
  } cases[] = {{0, 100}, {1, 100}, {2, 50}, {3, 50}, {4, 50}, {5, 100}, {6, 250}, {7, 0}};
  for (const auto& item : cases) {
    EXPECT_EQ(Control::GetFrameInterval(image, item.frame), item.millis) << item.frame;
  }
}

TEST_F(ControlPaintTest, GifPlaysItsCountStopsOnTheLastFrameAndStaysStopped) {
  const std::wstring path = scratch_.Child(L"spinner.gif");
  test_support::WriteFileBytes(path, test_support::MakeGif({0xFF0000, 0x00FF00, 0x0000FF}, 2));
  // As large as the image, so its pixel is drawn unscaled.
  Control control;
  control.SetPos({30, 30, 31, 31});
  control.SetBkImage(L"file='" + path + L"' playcount='2'");
  int stops = 0;
  control.AttachGifPlayStop([&](ui::EventArgs* args) {
    EXPECT_EQ(args->pSender, &control);
    ++stops;
    return true;
  });
  control.Paint(surface_.get(), {0, 0, 100, 100});
  ASSERT_TRUE(control.GetBkImage().image_info);
  ASSERT_EQ(control.GetBkImage().image_info->bitmaps.size(), 3u);
  EXPECT_TRUE(control.GetBkImage().playing);
  // The first frame is drawn while the animation starts.
  EXPECT_EQ(Rgb(PixelAt(*surface_, 30, 30)), 0xFF0000u);

  ASSERT_TRUE(test_support::PumpUntil([&] { return stops > 0; }));
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(control.GetBkImage().cycles_played, 2);
  EXPECT_EQ(control.GetBkImage().current_frame, 2);
  EXPECT_FALSE(control.GetBkImage().playing);
  surface_->Clear();
  control.Paint(surface_.get(), {0, 0, 100, 100});
  EXPECT_FALSE(control.GetBkImage().playing);
  EXPECT_EQ(Rgb(PixelAt(*surface_, 30, 30)), 0x0000FFu);
}

TEST_F(ControlPaintTest, FramesWithoutDelaysAreDrawnStill) {
  // Two frames of different colours and no delay data.
  const std::wstring first = WriteImage(L"first.png", 50, 50, kRed);
  const std::wstring second = WriteImage(L"second.png", 50, 50, kBlue);
  auto one = ui::DecodeImageFromFile(first, first);
  auto two = ui::DecodeImageFromFile(second, second);
  ASSERT_TRUE(one && two);
  auto image = std::make_shared<ui::ImageInfo>();
  image->width = 50;
  image->height = 50;
  image->bitmaps.push_back(std::move(one->bitmaps[0]));
  image->bitmaps.push_back(std::move(two->bitmaps[0]));

  Control control;
  control.SetPos({10, 10, 60, 60});
  control.SetBkImage(L"file='" + first + L"'");
  control.GetBkImage().image_info = image;
  control.Paint(surface_.get(), {0, 0, 100, 100});
  EXPECT_EQ(Rgb(PixelAt(*surface_, 30, 30)), 0xFF0000u);
  EXPECT_FALSE(control.GetBkImage().playing);
  control.StopGif(ui::kGifFrameLast);
  control.Paint(surface_.get(), {0, 0, 100, 100});
  EXPECT_EQ(Rgb(PixelAt(*surface_, 30, 30)), 0x0000FFu);
}

}  // namespace
