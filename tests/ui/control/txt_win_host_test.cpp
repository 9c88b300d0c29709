// The text host's answers to the system's text services, with a rich edit in
// a real window as its owner: interfaces, property bits, formats, scroll
// ranges and timers.

#include "ui/control/txt_win_host.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/ui/core/host_window.h"
#include "tests/ui/core/render_setup.h"
#include "tests/ui/resources/fake_timer_system.h"
#include "ui/box/box.h"
#include "ui/control/rich_edit.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/timer_manager.h"

namespace {

// The extended host interface; its methods lie past the host's table.
const IID kTextHost2Iid = {
    0x13e670f5, 0x1a5a, 0x11cf, {0xab, 0xeb, 0x00, 0xaa, 0x00, 0xb6, 0x5e, 0xa1}};

class TxtWinHostTest : public testing::Test {
 protected:
  TxtWinHostTest() {
    if (!ui::GlobalManager::measureDC) {
      ui::GlobalManager::measureDC.reset(CreateCompatibleDC(nullptr));
    }
    ui::GlobalManager::AddFont(L"host_regular", L"Tahoma", 16, false, false, false, false);
    ui::GlobalManager::AddFont(L"host_bold", L"Tahoma", 16, true, false, false, false);
    timers_ = std::make_unique<ui::TimerManager>(std::unique_ptr<ui::TimerSystem>(clock_));
    window_.GetShadow().attached = false;
    window_.CreatePopup({40, 600, 300, 740}, false);
  }
  ~TxtWinHostTest() override { window_.Destroy(); }

  // A rich edit of 200 x 100 with the attributes, attached to the window.
  ui::CTxtWinHost* Open(const std::vector<std::pair<std::wstring, std::wstring>>& attributes) {
    auto* root = new ui::VBox;
    edit_ = new ui::RichEdit;
    edit_->SetFixedWidth(200, false, false);
    edit_->SetFixedHeight(100, false);
    edit_->SetTimerManager(timers_.get());
    for (const auto& attribute : attributes) edit_->SetAttribute(attribute.first, attribute.second);
    root->Add(edit_);
    window_.AttachRootControl(root);
    InvalidateRect(window_.GetHWND(), nullptr, FALSE);
    UpdateWindow(window_.GetHWND());
    return edit_->GetTextHost();
  }

  // Whether the services' default format, or that of the whole text, is bold.
  bool ServicesSayBold(WPARAM which = SCF_DEFAULT) {
    CHARFORMAT2W format = {};
    format.cbSize = sizeof(format);
    LRESULT result = 0;
    if (which == SCF_SELECTION) edit_->TxSendMessage(EM_SETSEL, 0, -1, &result);
    edit_->TxSendMessage(EM_GETCHARFORMAT, which, reinterpret_cast<LPARAM>(&format), &result);
    return (format.dwMask & CFM_BOLD) && (format.dwEffects & CFE_BOLD);
  }

  test_support::FakeTimerSystem* clock_ = new test_support::FakeTimerSystem;  // owned by timers_
  std::unique_ptr<ui::TimerManager> timers_;
  test_support::HostWindow window_;
  ui::RichEdit* edit_ = nullptr;  // owned by the tree
};

TEST_F(TxtWinHostTest, AnswersOnlyTheInterfacesItImplements) {
  ui::CTxtWinHost* host = Open({});
  ASSERT_NE(host, nullptr);
  for (const IID& iid : {IID_IUnknown, ui::kTextHostIid, ui::kTextHostLegacyIid}) {
    void* object = nullptr;
    EXPECT_EQ(host->QueryInterface(iid, &object), S_OK);
    EXPECT_EQ(object, static_cast<ITextHost*>(host));
    host->Release();
  }
  for (const IID& iid : {kTextHost2Iid, ui::kTextServicesIid, IID_IDispatch}) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(host->QueryInterface(iid, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
  }
  const ULONG added = host->AddRef();
  EXPECT_EQ(host->Release(), added - 1);
}

TEST_F(TxtWinHostTest, IsTransparentFromTheStart) {
  ui::CTxtWinHost* host = Open({});
  TXTBACKSTYLE style = TXTBACK_OPAQUE;
  EXPECT_EQ(host->TxGetBackStyle(&style), S_OK);
  EXPECT_EQ(style, TXTBACK_TRANSPARENT);
}

TEST_F(TxtWinHostTest, PropertyBitsFollowTheStyle) {
  struct Case {
    std::vector<std::pair<std::wstring, std::wstring>> attributes;
    DWORD bits;
  };
  const DWORD base = TXTBIT_MULTILINE | TXTBIT_HIDESELECTION | TXTBIT_WORDWRAP;
  const std::vector<Case> cases = {
      {{}, base},
      {{{L"readonly", L"true"}}, base | TXTBIT_READONLY},
      {{{L"password", L"true"}}, base | TXTBIT_USEPASSWORD},
      {{{L"rich", L"true"}}, base | TXTBIT_RICHTEXT},
      {{{L"multiline", L"false"}}, TXTBIT_HIDESELECTION | TXTBIT_WORDWRAP},
      {{{L"autohscroll", L"true"}}, TXTBIT_MULTILINE | TXTBIT_HIDESELECTION},
      {{{L"hscrollbar", L"true"}}, TXTBIT_MULTILINE | TXTBIT_HIDESELECTION},
      // Words other than "true" and "false" leave a style flag alone.
      {{{L"readonly", L"true"}, {L"readonly", L"maybe"}}, base | TXTBIT_READONLY},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    ui::CTxtWinHost* host = Open(cases[i].attributes);
    ASSERT_NE(host, nullptr);
    DWORD bits = 0;
    host->TxGetPropertyBits(0xFFFFFFFF, &bits);
    EXPECT_EQ(bits, cases[i].bits) << i;
    TCHAR mask = 0;
    host->TxGetPasswordChar(&mask);
    EXPECT_EQ(mask != 0, (cases[i].bits & TXTBIT_USEPASSWORD) != 0) << i;
  }
}

TEST_F(TxtWinHostTest, ABoldFontReplacedByARegularOneLeavesTheTextRegular) {
  ui::CTxtWinHost* host = Open({{L"font", L"host_bold"}});
  edit_->SetText(L"text");
  EXPECT_TRUE(host->GetCharFormat().dwEffects & CFE_BOLD);
  EXPECT_TRUE(ServicesSayBold());
  EXPECT_TRUE(ServicesSayBold(SCF_SELECTION));
  edit_->SetAttribute(L"font", L"host_regular");
  EXPECT_FALSE(host->GetCharFormat().dwEffects & CFE_BOLD);
  EXPECT_FALSE(ServicesSayBold());
  EXPECT_FALSE(ServicesSayBold(SCF_SELECTION));
  EXPECT_EQ(std::wstring(host->GetCharFormat().szFaceName), L"Tahoma");
}

TEST_F(TxtWinHostTest, ScrollRangeIsWhatTheViewCannotShow) {
  ui::CTxtWinHost* host = Open({{L"vscrollbar", L"true"}});
  ui::ScrollBar* bar = edit_->GetVerticalScrollBar();
  const RECT client = host->GetClientRect();
  const LONG height = client.bottom - client.top;
  EXPECT_TRUE(host->TxSetScrollRange(SB_VERT, 0, height + 50, TRUE));
  EXPECT_EQ(bar->GetRange(), 50);
  // The bar took its room from the text.
  EXPECT_EQ(host->GetClientRect().right, client.right - bar->GetFixedWidth());
  EXPECT_TRUE(host->TxSetScrollPos(SB_VERT, 80, TRUE));
  EXPECT_EQ(bar->GetPosition(), 50);
  EXPECT_TRUE(host->TxSetScrollRange(SB_VERT, 10, height + 10, TRUE));
  EXPECT_EQ(bar->GetRange(), 0);
  EXPECT_EQ(bar->GetPosition(), 0);
  EXPECT_FALSE(bar->IsVisible());
  // No horizontal bar: nothing to do, and no failure.
  EXPECT_TRUE(host->TxSetScrollRange(SB_HORZ, 0, 1000, TRUE));
  EXPECT_EQ(edit_->GetHorizontalScrollBar(), nullptr);
  host->TxSetScrollRange(SB_VERT, 0, height + 30, TRUE);
  EXPECT_TRUE(host->TxEnableScrollBar(SB_BOTH, ESB_DISABLE_BOTH));
  EXPECT_EQ(bar->GetRange(), 0);
}

TEST_F(TxtWinHostTest, TimersOfTheServicesRunOnTheFrameworkTimers) {
  ui::CTxtWinHost* host = Open({});
  EXPECT_TRUE(host->TxSetTimer(7, 100));
  EXPECT_TRUE(host->GetFlags() & ui::CTxtWinHost::kFlagTimer);
  EXPECT_TRUE(host->TxSetTimer(7, 50));
  EXPECT_EQ(edit_->GetTextServicesTimerCount(), 1u);
  host->TxKillTimer(7);
  EXPECT_EQ(edit_->GetTextServicesTimerCount(), 0u);
  EXPECT_FALSE(host->GetFlags() & ui::CTxtWinHost::kFlagTimer);
}

}  // namespace
