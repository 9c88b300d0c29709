// A form built from markup whose option captions switch the pages of a tab
// box by real clicks, at once and sliding; one page holds a circular
// progress. Its memory bitmap is read back and saved beside the program.

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "tests/ui/control/control_input.h"
#include "tests/ui/core/render_setup.h"
#include "ui/box/markup_builder.h"
#include "ui/box/tab_box.h"
#include "ui/control/circle_progress.h"
#include "ui/control/control_classes.h"
#include "ui/control/option.h"
#include "ui/core/animation_manager.h"
#include "ui/render/render_context.h"
#include "ui/resources/global_manager.h"

namespace {

using test_support::InputHost;
using test_support::PixelAt;
using test_support::PumpUntil;
using test_support::Rgb;

constexpr DWORD kRed = 0xFF0000;
constexpr DWORD kBlue = 0x0000FF;
constexpr DWORD kGreen = 0x00FF00;
constexpr DWORD kGray = 0x808080;

// Two captions of 100 pixels over a tab box: page 0 red, page 1 blue with
// a ring 100 across at its top left, three quarters full.
std::wstring FormMarkup(bool slide) {
  return std::wstring(
             L"<Window><VBox bkcolor=\"white\">"
             L"<HBox height=\"40\">"
             L"<Option name=\"cap0\" group=\"tabs\" width=\"100\" height=\"40\" bkcolor=\"gray\"/>"
             L"<Option name=\"cap1\" group=\"tabs\" width=\"100\" height=\"40\" bkcolor=\"gray\"/>"
             L"</HBox><TabBox name=\"pages\" fadeswitch=\"") +
         (slide ? L"true" : L"false") +
         L"\"><Box name=\"page0\" bkcolor=\"red\"/>"
         L"<Box name=\"page1\" bkcolor=\"blue\"><CircleProgress name=\"ring\" width=\"100\" "
         L"height=\"100\" circlewidth=\"10\" bgcolor=\"gray\" fgcolor=\"green\" value=\"75\"/>"
         L"</Box></TabBox></VBox></Window>";
}

class TabFormTest : public testing::Test {
 protected:
  TabFormTest() : host_({120, 520}, {300, 200}) {
    ui::RegisterControlClasses();
    ui::GlobalManager::AddTextColor(L"white", L"#FFFFFFFF");
    ui::GlobalManager::AddTextColor(L"gray", L"#FF808080");
    ui::GlobalManager::AddTextColor(L"red", L"#FFFF0000");
    ui::GlobalManager::AddTextColor(L"blue", L"#FF0000FF");
    ui::GlobalManager::AddTextColor(L"green", L"#FF00FF00");
  }

  void Build(bool slide) {
    ui::MarkupBuilder builder;
    ui::Control* root =
        builder.Create(FormMarkup(slide), nullptr, &host_.window(), nullptr, nullptr);
    ASSERT_NE(root, nullptr);
    host_.Attach(root);
    pages_ = dynamic_cast<ui::TabBox*>(host_.window().FindControl(L"pages"));
    ASSERT_NE(pages_, nullptr);
    for (int i = 0; i < 2; ++i) {
      ui::Control* caption = host_.window().FindControl(L"cap" + std::to_wstring(i));
      ASSERT_NE(caption, nullptr);
      caption->AddEventHandler(ui::kEventSelect, [this, i](ui::EventArgs*) {
        pages_->SelectItem(i);
        return true;
      });
    }
    ASSERT_NE(dynamic_cast<ui::CircleProgress*>(host_.window().FindControl(L"ring")), nullptr);
  }

  // Clicks the caption and waits until its page is current and still.
  void SwitchTo(int index) {
    host_.Click(50 + 100 * index, 20);
    ASSERT_TRUE(PumpUntil([&] {
      if (pages_->GetCurSel() != index) return false;
      for (int i = 0; i < pages_->GetCount(); ++i) {
        const ui::AnimationPlayer* player =
            pages_->GetItemAt(i)->GetAnimationManager().GetAnimationPlayer(
                ui::kAnimationInoutXFromRight);
        if (player && player->playing) return false;
      }
      return true;
    }));
    InvalidateRect(host_.hwnd(), nullptr, FALSE);
    UpdateWindow(host_.hwnd());
  }

  DWORD Pixel(int x, int y) { return Rgb(PixelAt(*host_.window().GetRenderContext(), x, y)); }

  void ExpectPageOneWithItsRing() {
    EXPECT_EQ(Pixel(250, 180), kBlue);
    // The ring: centre (50, 90), radius 44; three quarters run clockwise
    // from twelve to nine o'clock.
    EXPECT_EQ(Pixel(50, 46), kGreen);
    EXPECT_EQ(Pixel(94, 90), kGreen);
    EXPECT_EQ(Pixel(50, 134), kGreen);
    EXPECT_EQ(Pixel(19, 59), kGray);
    EXPECT_EQ(Pixel(50, 90), kBlue);
  }

  InputHost host_;
  ui::TabBox* pages_ = nullptr;  // owned by the window
};

TEST_F(TabFormTest, CaptionsSwitchPagesAtOnce) {
  Build(false);
  InvalidateRect(host_.hwnd(), nullptr, FALSE);
  UpdateWindow(host_.hwnd());
  EXPECT_EQ(Pixel(250, 180), kRed);
  EXPECT_EQ(Pixel(50, 20), kGray);

  SwitchTo(1);
  ExpectPageOneWithItsRing();
  EXPECT_FALSE(pages_->GetItemAt(0)->IsVisible());

  // The form as it looks, kept as an artifact of the run.
  wchar_t module[MAX_PATH];
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring path = module;
  path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"ui_tab_form.png";
  const ui::IRenderContext* context = host_.window().GetRenderContext();
  EXPECT_TRUE(test_support::SaveSurfaceAsPng(context->GetBits(), context->GetWidth(),
                                             context->GetHeight(), path));

  SwitchTo(0);
  EXPECT_EQ(Pixel(250, 180), kRed);
  EXPECT_EQ(Pixel(50, 46), kRed);
}

TEST_F(TabFormTest, CaptionsSlidePagesInAndOut) {
  Build(true);
  SwitchTo(1);
  ExpectPageOneWithItsRing();
  // The page that slid out stays in the tree, transparent and deaf.
  ui::Control* first = pages_->GetItemAt(0);
  EXPECT_TRUE(first->IsVisible());
  EXPECT_EQ(first->GetAlpha(), 0);
  EXPECT_FALSE(first->IsMouseEnabled());

  SwitchTo(0);
  EXPECT_EQ(Pixel(250, 180), kRed);
  EXPECT_EQ(Pixel(50, 46), kRed);
  EXPECT_EQ(pages_->GetItemAt(1)->GetAlpha(), 0);
}

}  // namespace
