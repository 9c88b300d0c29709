// A form built from markup holding a list with a styled scroll bar: real
// clicks and keys select items and keep the selection in view, and the
// memory bitmap shows the selected item and the bar's parts where the
// scroll position puts them. The bitmap is saved beside the program.

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"
#include "tests/ui/control/control_input.h"
#include "tests/ui/core/render_setup.h"
#include "ui/box/markup_builder.h"
#include "ui/control/control_classes.h"
#include "ui/control/list_box.h"
#include "ui/render/render_context.h"
#include "ui/resources/global_manager.h"

namespace {

using test_support::InputHost;
using test_support::PixelAt;
using test_support::PumpUntil;
using test_support::Rgb;

constexpr DWORD kWhite = 0xFFFFFF;
constexpr DWORD kRed = 0xFF0000;
constexpr DWORD kGreen = 0x00FF00;
constexpr DWORD kBlue = 0x0000FF;

class ListFormTest : public testing::Test {
 protected:
  ListFormTest() : host_({120, 300}, {200, 200}) {
    ui::RegisterControlClasses();
    ui::GlobalManager::AddTextColor(L"white", L"#FFFFFFFF");
    ui::GlobalManager::AddTextColor(L"red", L"#FFFF0000");
  }

  std::wstring Image(const std::wstring& name, DWORD argb) {
    const std::wstring path = scratch_.Child(name);
    test_support::WriteFileBytes(path,
                                 test_support::EncodePng(4, 4, test_support::Solid(4, 4, argb)));
    return path;
  }

  // Eight items of 50 in a view of 200: a range of 200.
  void Build() {
    std::wstring markup =
        L"<Window><VListBox name=\"list\" bkcolor=\"white\" vscrollbar=\"true\" "
        L"vscrollbarstyle=\"autohidescroll=&quot;false&quot; button1normalimage=&quot;" +
        Image(L"b1.png", 0xFF00FF00) + L"&quot; button2normalimage=&quot;" +
        Image(L"b2.png", 0xFF00FF00) + L"&quot; thumbnormalimage=&quot;" +
        Image(L"thumb.png", 0xFF0000FF) + L"&quot;\">";
    for (int i = 0; i < 8; ++i) {
      markup += L"<ListContainerElement height=\"50\" selectednormalcolor=\"red\"/>";
    }
    markup += L"</VListBox></Window>";
    ui::MarkupBuilder builder;
    ui::Control* root = builder.Create(markup, nullptr, &host_.window(), nullptr, nullptr);
    ASSERT_NE(root, nullptr);
    host_.Attach(root);
    list_ = dynamic_cast<ui::ListBox*>(host_.window().FindControl(L"list"));
    ASSERT_NE(list_, nullptr);
  }

  void Repaint() {
    InvalidateRect(host_.hwnd(), nullptr, FALSE);
    UpdateWindow(host_.hwnd());
  }
  DWORD Pixel(int x, int y) { return Rgb(PixelAt(*host_.window().GetRenderContext(), x, y)); }

  test_support::ScratchDir scratch_;
  InputHost host_;
  ui::ListBox* list_ = nullptr;  // owned by the window
};

TEST_F(ListFormTest, SelectionAndBarFollowClicksAndKeys) {
  Build();
  ASSERT_EQ(list_->GetScrollRange().cy, 200);
  Repaint();
  EXPECT_EQ(Pixel(192, 8), kGreen);    // button 1
  EXPECT_EQ(Pixel(192, 192), kGreen);  // button 2
  EXPECT_EQ(Pixel(192, 20), kBlue);    // thumb 16..100 at the top
  EXPECT_EQ(Pixel(192, 150), kWhite);
  EXPECT_EQ(Pixel(50, 75), kWhite);

  host_.Click(50, 75);
  ASSERT_TRUE(PumpUntil([&] { return list_->GetCurSel() == 1; }));
  Repaint();
  EXPECT_EQ(Pixel(50, 75), kRed);
  EXPECT_EQ(Pixel(50, 25), kWhite);

  // Down to item 5 (250..300): the list scrolls it just into view.
  for (int i = 0; i < 4; ++i) host_.Key(VK_DOWN);
  ASSERT_TRUE(PumpUntil([&] { return list_->GetCurSel() == 5; }));
  EXPECT_EQ(list_->GetScrollPos().cy, 100);
  Repaint();
  EXPECT_EQ(Pixel(50, 175), kRed);
  EXPECT_EQ(Pixel(50, 125), kWhite);
  // The thumb (84 long) moved half its travel down: 58..142.
  EXPECT_EQ(Pixel(192, 40), kWhite);
  EXPECT_EQ(Pixel(192, 100), kBlue);

  // The form as it looks, kept as an artifact of the run.
  wchar_t module[MAX_PATH];
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring path = module;
  path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"ui_list_form.png";
  const ui::IRenderContext* context = host_.window().GetRenderContext();
  EXPECT_TRUE(test_support::SaveSurfaceAsPng(context->GetBits(), context->GetWidth(),
                                             context->GetHeight(), path));

  // Home goes back to the first item and the top.
  host_.Key(VK_HOME);
  ASSERT_TRUE(PumpUntil([&] { return list_->GetCurSel() == 0; }));
  EXPECT_EQ(list_->GetScrollPos().cy, 0);
}

}  // namespace
