// Combos in a topmost form driven by the real mouse: a click opens the
// pop-up window at its place below or above the combo, an item click
// chooses, a click elsewhere closes, and the pop-up goes cleanly however it
// ends. The pop-up is layered; its bitmap is checked and saved beside the
// program.

#include "ui/control/combo.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/ui/control/control_input.h"
#include "tests/ui/core/render_setup.h"
#include "ui/box/box.h"
#include "ui/box/markup_builder.h"
#include "ui/control/combo_wnd.h"
#include "ui/control/control_classes.h"
#include "ui/control/list_box.h"
#include "ui/control/list_container_element.h"
#include "ui/render/render_context.h"
#include "ui/resources/global_manager.h"

namespace {

using test_support::InputHost;
using test_support::PixelAt;
using test_support::PumpUntil;
using test_support::Rgb;

constexpr DWORD kPaper = 0x00FF00;
constexpr DWORD kWhite = 0xFFFFFF;
constexpr POINT kOrigin = {700, 150};
constexpr SIZE kHostSize = {300, 420};
// The combo sits inside the root's padding.
constexpr RECT kCombo = {20, 20, 220, 50};

// An item that counts the live instances, so a test sees every one go.
class CountedItem : public ui::ListContainerElement {
 public:
  CountedItem() { ++live; }
  ~CountedItem() override { --live; }
  static int live;
};
int CountedItem::live = 0;

bool NearInk(DWORD pixel) {
  return test_support::Red(pixel) < 110 && test_support::Green(pixel) < 110 &&
         test_support::Blue(pixel) < 110;
}

// Pixels near black in a rectangle of a context.
int InkIn(const ui::IRenderContext& context, const RECT& rect) {
  int count = 0;
  for (LONG y = rect.top; y < rect.bottom; ++y) {
    for (LONG x = rect.left; x < rect.right; ++x) count += NearInk(PixelAt(context, x, y)) ? 1 : 0;
  }
  return count;
}

std::wstring BesideProgram(const std::wstring& name) {
  wchar_t module[MAX_PATH];
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  const std::wstring path = module;
  return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

class ComboTest : public testing::Test {
 protected:
  ComboTest() {
    ui::RegisterControlClasses();
    ui::GlobalManager::AddTextColor(L"white", L"#FFFFFFFF");
    ui::GlobalManager::AddTextColor(L"paper", L"#FF00FF00");
    ui::GlobalManager::AddTextColor(L"ink", L"#FF000000");
    if (!ui::GlobalManager::measureDC) {
      ui::GlobalManager::measureDC.reset(CreateCompatibleDC(nullptr));
    }
    ui::GlobalManager::AddFont(L"combo_font", L"Tahoma", 16, false, false, false, true);
    start_items_ = CountedItem::live;
  }
  ~ComboTest() override {
    host_.reset();
    EXPECT_EQ(CountedItem::live, start_items_);
  }

  // A form at `origin` holding one combo of `count` items 30 high.
  void Build(int count, POINT origin = kOrigin, SIZE size = kHostSize,
             const std::wstring& extra = L"") {
    host_ = std::make_unique<InputHost>(origin, size);
    origin_ = origin;
    std::wstring markup =
        L"<Window><VBox bkcolor=\"white\" padding=\"20,20,20,20\"><Combo name=\"combo\" "
        L"width=\"200\" height=\"30\" dropbox=\"bkcolor=&quot;paper&quot;\" " +
        extra + L"/></VBox></Window>";
    ui::MarkupBuilder builder;
    ui::Control* root = builder.Create(markup, nullptr, &host_->window(), nullptr, nullptr);
    ASSERT_NE(root, nullptr);
    combo_ = dynamic_cast<ui::Combo*>(static_cast<ui::Box*>(root)->GetItemAt(0));
    ASSERT_NE(combo_, nullptr);
    for (int i = 0; i < count; ++i) {
      auto* item = new CountedItem;
      item->SetFixedHeight(30, false);
      item->SetText(L"item " + std::to_wstring(i));
      item->SetFont(L"combo_font");
      item->SetStateTextColor(ui::kControlStateNormal, L"ink");
      items_.push_back(item);
      EXPECT_TRUE(combo_->Add(item));
    }
    host_->Attach(root);
  }

  // A real click on the combo; true once its pop-up shows.
  bool OpenByClick() {
    host_->Click((kCombo.left + kCombo.right) / 2, (kCombo.top + kCombo.bottom) / 2);
    return PumpUntil([this] {
      return combo_->GetPopup() && IsWindowVisible(combo_->GetPopup()->GetHWND()) &&
             combo_->GetPopup()->GetRenderContext() &&
             combo_->GetPopup()->GetRenderContext()->GetWidth() > 0;
    });
  }
  RECT PopupRect() const {
    RECT rect = {};
    GetWindowRect(combo_->GetPopup()->GetHWND(), &rect);
    return rect;
  }
  // A real click at a screen point.
  static void ClickScreen(int x, int y) {
    test_support::MoveMouseTo(x, y);
    PumpUntil([] { return false; }, 100);
    test_support::MouseButton(MOUSEEVENTF_LEFTDOWN);
    test_support::MouseButton(MOUSEEVENTF_LEFTUP);
  }
  bool WaitClosed() {
    return PumpUntil([this] { return combo_->GetPopup() == nullptr; });
  }
  void Repaint() {
    InvalidateRect(host_->hwnd(), nullptr, FALSE);
    UpdateWindow(host_->hwnd());
  }
  int ComboInk() {
    Repaint();
    return InkIn(*host_->window().GetRenderContext(), kCombo);
  }

  std::unique_ptr<InputHost> host_;
  POINT origin_ = kOrigin;
  ui::Combo* combo_ = nullptr;  // owned by the form
  std::vector<CountedItem*> items_;
  int start_items_ = 0;
};

TEST_F(ComboTest, ClickOpensTheListBelowAndAnItemClickChoosesClosesAndShowsIt) {
  Build(10);
  std::vector<std::string> order;
  int64_t combo_lparam = 0;
  uint64_t combo_wparam = 0;
  int list_selection_then = -1;
  items_[2]->AddEventHandler(ui::kEventSelect, [&](ui::EventArgs*) {
    order.push_back("item");
    return true;
  });
  int list_selects = 0;
  combo_->GetListBox()->AddEventHandler(ui::kEventSelect, [&](ui::EventArgs*) {
    ++list_selects;
    return true;
  });
  combo_->AddEventHandler(ui::kEventSelect, [&](ui::EventArgs* msg) {
    order.push_back("combo");
    combo_wparam = msg->wParam;
    combo_lparam = msg->lParam;
    list_selection_then = combo_->GetListBox()->GetCurSel();
    return true;
  });
  EXPECT_EQ(ComboInk(), 0);

  ASSERT_TRUE(OpenByClick());
  ui::CComboWnd* popup = combo_->GetPopup();
  const HWND popup_hwnd = popup->GetHWND();
  wchar_t class_name[64] = {};
  GetClassNameW(popup_hwnd, class_name, 64);
  EXPECT_STREQ(class_name, L"ComboWnd");
  EXPECT_NE(GetWindowLongW(popup_hwnd, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  EXPECT_EQ(GetWindow(popup_hwnd, GW_OWNER), host_->hwnd());
  // Ten items of 30 want 302; the drop height holds the pop-up to 150, as
  // wide as the combo, one pixel below it.
  const RECT expected = {origin_.x + kCombo.left, origin_.y + kCombo.bottom + 1,
                         origin_.x + kCombo.right, origin_.y + kCombo.bottom + 151};
  const RECT placed = PopupRect();
  EXPECT_TRUE(EqualRect(&placed, &expected))
      << placed.left << "," << placed.top << "," << placed.right << "," << placed.bottom;
  EXPECT_EQ(combo_->GetListBox()->GetWindow(), popup);
  EXPECT_EQ(items_[9]->GetWindow(), popup);

  // The pop-up's bitmap: the list's colour, and the first items' text inside
  // the one-pixel padding.
  ASSERT_TRUE(PumpUntil([&] {
    const ui::IRenderContext* context = popup->GetRenderContext();
    return context->GetHeight() == 150 && Rgb(PixelAt(*context, 150, 20)) == kPaper;
  }));
  const ui::IRenderContext& bitmap = *popup->GetRenderContext();
  EXPECT_EQ(bitmap.GetWidth(), 200);
  EXPECT_GT(InkIn(bitmap, {1, 1, 120, 31}), 0);
  EXPECT_GT(InkIn(bitmap, {1, 61, 120, 91}), 0);
  EXPECT_EQ(InkIn(bitmap, {140, 1, 180, 149}), 0);
  EXPECT_TRUE(test_support::SaveSurfaceAsPng(bitmap.GetBits(), bitmap.GetWidth(),
                                             bitmap.GetHeight(),
                                             BesideProgram(L"ui_combo_popup.png")));

  // Item 2 lies at 61..91 in the pop-up.
  ClickScreen(placed.left + 60, placed.top + 76);
  ASSERT_TRUE(WaitClosed());
  EXPECT_FALSE(IsWindow(popup_hwnd));
  // The item and the list had announced the choice when the combo did.
  EXPECT_EQ((std::vector<std::string>{"item", "combo"}), order);
  EXPECT_EQ(list_selects, 1);
  EXPECT_EQ(list_selection_then, 2);
  EXPECT_EQ(combo_wparam, 2u);
  EXPECT_EQ(combo_lparam, -1);
  EXPECT_EQ(combo_->GetCurSel(), 2);
  // The list and everything in it left the pop-up.
  EXPECT_EQ(combo_->GetListBox()->GetWindow(), nullptr);
  EXPECT_EQ(combo_->GetListBox()->GetVerticalScrollBar()->GetWindow(), nullptr);
  EXPECT_EQ(items_[2]->GetWindow(), nullptr);
  EXPECT_EQ(items_[2]->GetState(), ui::kControlStateNormal);
  // The combo shows the chosen text.
  EXPECT_GT(ComboInk(), 0);
  const ui::IRenderContext& form = *host_->window().GetRenderContext();
  EXPECT_TRUE(test_support::SaveSurfaceAsPng(form.GetBits(), form.GetWidth(), form.GetHeight(),
                                             BesideProgram(L"ui_combo_form.png")));

  // It opens again with the same list.
  ASSERT_TRUE(OpenByClick());
  EXPECT_EQ(combo_->GetListBox()->GetWindow(), combo_->GetPopup());
  combo_->Deactivate();
  ASSERT_TRUE(WaitClosed());
}

TEST_F(ComboTest, AClickOutsideClosesWithoutChoosing) {
  Build(2);
  int selects = 0;
  combo_->AddEventHandler(ui::kEventSelect, [&](ui::EventArgs*) {
    ++selects;
    return true;
  });
  ASSERT_TRUE(OpenByClick());
  // Two items: 60 and the borders.
  EXPECT_EQ(PopupRect().bottom - PopupRect().top, 62);
  const HWND popup_hwnd = combo_->GetPopup()->GetHWND();
  host_->Click(250, 350);
  ASSERT_TRUE(WaitClosed());
  EXPECT_FALSE(IsWindow(popup_hwnd));
  EXPECT_EQ(selects, 0);
  EXPECT_EQ(combo_->GetCurSel(), -1);
  EXPECT_EQ(combo_->GetListBox()->GetWindow(), nullptr);
  EXPECT_EQ(ComboInk(), 0);
}

TEST_F(ComboTest, PopupOpensAboveOnRequestOrNearTheBottomOfTheWorkArea) {
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const struct {
    const char* label;
    POINT origin;
    std::wstring extra;
  } cases[] = {
      {"popuptop", kOrigin, L"popuptop=\"true\""},
      {"near the bottom", {kOrigin.x, monitor.rcWork.bottom - 100}, L""},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.label);
    items_.clear();
    Build(2, item.origin, {300, 100}, item.extra);
    ASSERT_TRUE(OpenByClick());
    const RECT expected = {item.origin.x + kCombo.left, item.origin.y + kCombo.top - 62,
                           item.origin.x + kCombo.right, item.origin.y + kCombo.top};
    const RECT placed = PopupRect();
    EXPECT_TRUE(EqualRect(&placed, &expected))
        << placed.left << "," << placed.top << "," << placed.right << "," << placed.bottom;
    // An item of the pop-up above chooses as well.
    ClickScreen(placed.left + 60, placed.top + 46);
    ASSERT_TRUE(WaitClosed());
    EXPECT_EQ(combo_->GetCurSel(), 1);
    host_.reset();
  }
}

TEST_F(ComboTest, ClosingTheFormWhileOpenDetachesTheListAndFreesEverything) {
  Build(3);
  ASSERT_TRUE(OpenByClick());
  const HWND popup_hwnd = combo_->GetPopup()->GetHWND();
  DestroyWindow(host_->hwnd());
  EXPECT_FALSE(IsWindow(popup_hwnd));
  EXPECT_EQ(combo_->GetPopup(), nullptr);
  EXPECT_EQ(combo_->GetListBox()->GetWindow(), nullptr);
  EXPECT_EQ(items_[0]->GetWindow(), nullptr);
  test_support::PumpPending();
  host_.reset();
  EXPECT_EQ(CountedItem::live, start_items_);
}

TEST_F(ComboTest, AComboDestroyedWhileOpenClosesItsPopupFirst) {
  Build(3);
  ASSERT_TRUE(OpenByClick());
  const HWND popup_hwnd = combo_->GetPopup()->GetHWND();
  // The form's box queues the combo for deletion.
  static_cast<ui::Box*>(combo_->GetParent())->Remove(combo_);
  ASSERT_TRUE(PumpUntil([&] { return CountedItem::live == start_items_; }));
  EXPECT_FALSE(IsWindow(popup_hwnd));
  // The form lives on and takes input.
  host_->Click(250, 350);
  PumpUntil([] { return false; }, 200);
  EXPECT_TRUE(IsWindow(host_->hwnd()));
}

TEST_F(ComboTest, RemovedItemsStayAliveAndLeaveTheList) {
  Build(4);
  ASSERT_TRUE(OpenByClick());
  // Removed while open: the item must not keep the pop-up.
  EXPECT_TRUE(combo_->Remove(items_[3]));
  std::unique_ptr<CountedItem> removed(items_[3]);
  EXPECT_EQ(removed->GetWindow(), nullptr);
  EXPECT_EQ(removed->GetOwner(), nullptr);
  EXPECT_EQ(combo_->GetCount(), 3);
  combo_->Deactivate();
  ASSERT_TRUE(WaitClosed());
  removed.reset();
  EXPECT_EQ(CountedItem::live, start_items_ + 3);

  EXPECT_TRUE(combo_->RemoveAt(0));
  std::unique_ptr<CountedItem> first(items_[0]);
  combo_->RemoveAll();
  std::vector<std::unique_ptr<CountedItem>> rest;
  rest.emplace_back(items_[1]);
  rest.emplace_back(items_[2]);
  EXPECT_EQ(combo_->GetCount(), 0);
  EXPECT_EQ(combo_->GetCurSel(), -1);
  EXPECT_EQ(CountedItem::live, start_items_ + 3);
  EXPECT_EQ(rest[0]->GetOwner(), nullptr);
}

TEST_F(ComboTest, MarkupReadsTheDropBoxAttributes) {
  ui::MarkupBuilder builder;
  std::unique_ptr<ui::Control> built(builder.Create(
      L"<Window><Combo dropboxsize=\"260,90\" popuptop=\"true\" vscrollbar=\"false\" "
      L"dropbox=\"bkcolor=&quot;paper&quot;\"><ListContainerElement text=\"a\"/>"
      L"<ListContainerElement text=\"b\"/></Combo></Window>",
      nullptr, nullptr, nullptr, nullptr));
  auto* combo = dynamic_cast<ui::Combo*>(built.get());
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->GetDropBoxSize().cx, 260);
  EXPECT_EQ(combo->GetDropBoxSize().cy, 90);
  EXPECT_TRUE(combo->IsPopupTop());
  EXPECT_EQ(combo->GetCount(), 2);
  // The list keeps its bar and takes the drop box's colour.
  EXPECT_NE(combo->GetListBox()->GetVerticalScrollBar(), nullptr);
  EXPECT_EQ(combo->GetListBox()->GetBkColor(), L"paper");
  // Items in a combo take pointer presses again.
  EXPECT_TRUE(combo->GetListBox()->GetItemAt(0)->IsReceivePointer());
}

}  // namespace
