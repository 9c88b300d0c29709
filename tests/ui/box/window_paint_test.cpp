#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/scratch_dir.h"
#include "tests/ui/core/host_window.h"
#include "tests/ui/core/render_setup.h"
#include "tests/ui/core/test_window.h"
#include "ui/box/box.h"
#include "ui/box/shadow_box.h"
#include "ui/render/render_context.h"
#include "ui/resources/global_manager.h"

namespace {

using test_support::Alpha;
using test_support::HostWindow;
using test_support::PixelAt;
using test_support::PumpUntil;
using test_support::Rgb;
using ui::Box;
using ui::Control;

class WindowPaintTest : public testing::Test {
 protected:
  WindowPaintTest() {
    ui::GlobalManager::AddTextColor(L"white", L"#FFFFFFFF");
    ui::GlobalManager::AddTextColor(L"red", L"#FFFF0000");
    ui::GlobalManager::AddTextColor(L"blue", L"#FF0000FF");
    ui::GlobalManager::AddTextColor(L"dim", L"#40000000");
  }
  ~WindowPaintTest() override { host_.Destroy(); }

  static Control* Filled(const wchar_t* color, int width, int height) {
    auto* control = new Control;
    control->SetAttribute(L"bkcolor", color);
    if (width) control->SetFixedWidth(width, false, false);
    if (height) control->SetFixedHeight(height, false);
    return control;
  }

  DWORD Pixel(int x, int y) const { return PixelAt(*host_.GetRenderContext(), x, y); }

  // A layered window has no update region of its own until it is invalidated.
  static void Repaint(HWND hwnd) {
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
  }

  HostWindow host_;
};

// Windows whose screen pixels are read stand topmost, apart from the corner
// where the other test programs' windows appear, as they share the display.
constexpr DWORD kOnTop = WS_EX_TOPMOST;

TEST_F(WindowPaintTest, OpaqueWindowPaintsItsTreeAndCopiesItToTheScreen) {
  host_.CreatePopup({40, 800, 240, 950}, false, kOnTop);
  host_.GetShadow().attached = false;
  auto* root = new ui::VBox;
  root->SetAttribute(L"bkcolor", L"white");
  auto* bordered = Filled(L"red", 50, 40);
  bordered->SetAttribute(L"bordercolor", L"blue");
  bordered->SetAttribute(L"bordersize", L"2");
  root->Add(bordered);
  root->Add(Filled(L"blue", 30, 20));
  host_.AttachRootControl(root);
  Repaint(host_.GetHWND());

  EXPECT_EQ(Rgb(Pixel(25, 20)), 0xFF0000u);
  EXPECT_EQ(Rgb(Pixel(0, 0)), 0x0000FFu);  // the border
  EXPECT_EQ(Rgb(Pixel(10, 50)), 0x0000FFu);
  EXPECT_EQ(Rgb(Pixel(150, 100)), 0xFFFFFFu);
  // The same pixels reached the window.
  const HDC screen = GetDC(host_.GetHWND());
  EXPECT_EQ(GetPixel(screen, 25, 20), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(screen, 150, 100), RGB(255, 255, 255));
  ReleaseDC(host_.GetHWND(), screen);
}

TEST_F(WindowPaintTest, AChildWindowStaysUncoveredOnceTheWindowClipsItsChildren) {
  // Clipping asked for after the window was made, as a windowed control does
  // when it places its child window.
  host_.CreatePopup({260, 800, 460, 950}, false, kOnTop);
  host_.GetShadow().attached = false;
  auto* root = new ui::VBox;
  root->SetAttribute(L"bkcolor", L"white");
  host_.AttachRootControl(root);
  Repaint(host_.GetHWND());
  WNDCLASSW child_class = {};
  child_class.lpfnWndProc = DefWindowProcW;
  child_class.hInstance = GetModuleHandleW(nullptr);
  child_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  child_class.lpszClassName = L"WindowPaintTestChild";
  RegisterClassW(&child_class);
  const HWND child =
      CreateWindowExW(0, L"WindowPaintTestChild", L"", WS_CHILD | WS_VISIBLE, 50, 40, 80, 60,
                      host_.GetHWND(), nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(child, nullptr);
  SetWindowLongW(host_.GetHWND(), GWL_STYLE,
                 GetWindowLongW(host_.GetHWND(), GWL_STYLE) | WS_CLIPCHILDREN);
  UpdateWindow(child);
  Repaint(host_.GetHWND());

  const HDC screen = GetDC(host_.GetHWND());
  EXPECT_EQ(GetPixel(screen, 90, 70), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(screen, 20, 20), RGB(255, 255, 255));
  ReleaseDC(host_.GetHWND(), screen);
  DestroyWindow(child);
}

TEST_F(WindowPaintTest, TranslucentBoxShowsItsChildrenTogetherAtItsAlpha) {
  const struct {
    int alpha;
    int low;
    int high;
  } cases[] = {{128, 120, 136}, {0, 0, 0}};
  for (const auto& item : cases) {
    SCOPED_TRACE(item.alpha);
    auto surface = test_support::MakeSurface(100, 100);
    ui::HBox box;
    box.Add(Filled(L"red", 50, 0));
    box.Add(Filled(L"blue", 50, 0));
    box.SetPos({0, 0, 100, 100});
    box.SetAlpha(item.alpha);
    box.AlphaPaint(surface.get(), {0, 0, 100, 100});
    EXPECT_GE(test_support::Red(PixelAt(*surface, 25, 50)), item.low);
    EXPECT_LE(test_support::Red(PixelAt(*surface, 25, 50)), item.high);
    EXPECT_GE(test_support::Blue(PixelAt(*surface, 75, 50)), item.low);
    EXPECT_LE(test_support::Blue(PixelAt(*surface, 75, 50)), item.high);
  }
}

TEST_F(WindowPaintTest, LayeredShadowKeepsItsImageAlphaAndTheContentIsOpaque) {
  // A quarter-opaque shadow image.
  test_support::ScratchDir scratch;
  const std::wstring shadow_image = scratch.Child(L"shadow.png");
  test_support::WriteFileBytes(
      shadow_image, test_support::EncodePng(64, 64, test_support::Solid(64, 64, 0x40000000)));
  host_.CreatePopup({0, 0, 200, 150}, true);
  ui::Shadow& shadow = host_.GetShadow();
  shadow.image = L"file='" + shadow_image + L"' corner='30,30,30,30'";
  auto* content = Filled(L"red", 0, 0);
  host_.AttachRootControl(ui::ShadowBox::AttachShadow(&shadow, content));
  Repaint(host_.GetHWND());

  const LONG inset = shadow.corner.left;
  ASSERT_GT(inset, 2);
  EXPECT_EQ(content->GetPos(true).left, inset);
  EXPECT_EQ(content->GetPos(false).left, 0);
  EXPECT_NEAR(Alpha(Pixel(2, 75)), 0x40, 2);
  EXPECT_EQ(Alpha(Pixel(100, 75)), 255);
  EXPECT_EQ(Rgb(Pixel(100, 75)), 0xFF0000u);
  EXPECT_EQ(Alpha(Pixel(inset + 1, inset + 1)), 255);

  // Maximised: no shadow border, square corners; restored: both back.
  SendMessageW(host_.GetHWND(), WM_SIZE, SIZE_MAXIMIZED, 0);
  EXPECT_EQ(shadow.corner.left, 0);
  EXPECT_EQ(shadow.shadowBox->GetFramePadding().left, 0);
  EXPECT_EQ(content->GetBorderRound().cx, 0);
  SendMessageW(host_.GetHWND(), WM_SIZE, SIZE_RESTORED, 0);
  EXPECT_EQ(shadow.corner.left, inset);
  EXPECT_EQ(shadow.shadowBox->GetFramePadding().left, inset);
  EXPECT_EQ(content->GetBorderRound().cx, 3);
}

TEST_F(WindowPaintTest, ExpandedLayeredWindowIsOpaqueOnlyOverItsDialog) {
  host_.CreatePopup({0, 0, 100, 100}, true);
  host_.GetShadow().attached = false;
  host_.SetInitSize(504, 320, false, false);
  host_.SetInitSize(1340, 750, false, false);
  host_.SetEdging({20, 20, 20, 20});
  host_.AttachRootControl(Filled(L"dim", 0, 0));
  Repaint(host_.GetHWND());

  const struct {
    int x;
    int y;
    int alpha;
  } cases[] = {{438, 235, 255},  {901, 514, 255},  {437, 235, 0x40}, {438, 234, 0x40},
               {902, 514, 0x40}, {901, 515, 0x40}, {10, 10, 0x40}};
  for (const auto& item : cases) {
    EXPECT_NEAR(Alpha(Pixel(item.x, item.y)), item.alpha, 1) << item.x << "," << item.y;
  }
}

TEST_F(WindowPaintTest, AutoSizedRootSizesTheWindowToItsContent) {
  const struct {
    int32_t max_width;
    LONG width;
  } cases[] = {{-1, 120}, {100, 100}};
  for (const auto& item : cases) {
    SCOPED_TRACE(item.max_width);
    HostWindow host;
    host.CreatePopup({0, 0, 300, 300}, false);
    host.GetShadow().attached = false;
    auto* root = new ui::VBox;
    root->SetFixedWidth(ui::kSizeAuto, false, false);
    root->SetFixedHeight(ui::kSizeAuto, false);
    root->SetMaxWidth(item.max_width, false);
    root->SetMaxHeight(-1, false);
    root->Add(Filled(L"red", 120, 80));
    host.AttachRootControl(root);
    Repaint(host.GetHWND());
    RECT rect;
    GetWindowRect(host.GetHWND(), &rect);
    EXPECT_EQ(rect.right - rect.left, item.width);
    EXPECT_EQ(rect.bottom - rect.top, 80);
    host.Destroy();
  }
}

TEST_F(WindowPaintTest, MinimisedWindowValidatesWithoutLayout) {
  host_.CreatePopup({0, 0, 100, 100}, false);
  ShowWindow(host_.GetHWND(), SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(host_.GetHWND()));
  auto* root = Filled(L"red", 0, 0);
  host_.AttachRootControl(root);
  InvalidateRect(host_.GetHWND(), nullptr, FALSE);
  Repaint(host_.GetHWND());
  RECT update = {};
  EXPECT_FALSE(GetUpdateRect(host_.GetHWND(), &update, FALSE));
  EXPECT_TRUE(root->IsArrangePending());
  EXPECT_TRUE(host_.IsArrangeNeeded());
}

TEST_F(WindowPaintTest, LayeredWindowFadesInAfterItsFirstLayout) {
  host_.CreatePopup({0, 0, 100, 100}, true);
  host_.AttachRootControl(Filled(L"red", 0, 0));
  EXPECT_EQ(host_.GetWindowAlpha(), 255);
  Repaint(host_.GetHWND());
  EXPECT_LT(host_.GetWindowAlpha(), 255);
  EXPECT_TRUE(PumpUntil([&] { return host_.GetWindowAlpha() == 255; }));
  // A later WM_PAINT without an update region paints nothing and lays out nothing.
  host_.GetRoot()->SetPos({0, 0, 10, 10});
  ValidateRect(host_.GetHWND(), nullptr);
  SendMessageW(host_.GetHWND(), WM_PAINT, 0, 0);
  EXPECT_EQ(host_.GetRoot()->GetPos(true).right, 10);
}

TEST_F(WindowPaintTest, SampleWindowScreenshotIsSaved) {
  host_.CreatePopup({500, 800, 740, 960}, false, kOnTop);
  host_.GetShadow().attached = false;
  auto* root = new ui::VBox;
  root->SetAttribute(L"bkcolor", L"white");
  root->SetAttribute(L"padding", L"10,10,10,10");
  root->SetAttribute(L"childmargin", L"6");
  auto* row = new ui::HBox;
  row->SetFixedHeight(60, false);
  row->SetAttribute(L"childmargin", L"6");
  row->Add(Filled(L"red", 60, 0));
  auto* framed = Filled(L"white", 60, 0);
  framed->SetAttribute(L"bordercolor", L"blue");
  framed->SetAttribute(L"bordersize", L"3");
  framed->SetAttribute(L"borderround", L"8,8");
  row->Add(framed);
  root->Add(row);
  root->Add(Filled(L"blue", 0, 0));
  host_.AttachRootControl(root);
  Repaint(host_.GetHWND());
  PumpUntil([&] { return host_.GetWindowAlpha() == 255; });
  Repaint(host_.GetHWND());

  // What the screen shows of the window, saved beside the test program.
  auto shot = test_support::MakeSurface(240, 160);
  const HDC screen = GetDC(nullptr);
  ::BitBlt(shot->GetDC(), 0, 0, 240, 160, screen, 500, 800, SRCCOPY);
  ReleaseDC(nullptr, screen);
  wchar_t module[MAX_PATH];
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring path = module;
  path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"ui_window_sample.png";
  ASSERT_TRUE(test_support::SaveSurfaceAsPng(shot->GetBits(), 240, 160, path));
  EXPECT_EQ(Rgb(PixelAt(*shot, 40, 40)), 0xFF0000u);
  EXPECT_EQ(Rgb(PixelAt(*shot, 120, 120)), 0x0000FFu);
}

}  // namespace
