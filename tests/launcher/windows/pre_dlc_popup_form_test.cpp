#include "launcher/windows/pre_dlc_popup_form.h"

#include <windows.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "tests/launcher/windows/windows_test_env.h"
#include "tests/support/wait_for.h"
#include "tests/ui/core/host_window.h"
#include "ui/control/label.h"
#include "ui/core/dpi_manager.h"

namespace {

using test_support::WaitFor;
using test_support::WindowsTestEnv;

TEST(PlacePreDownloadPopupTest, AboveTheAnchorInsideTheRightEdgeClampedToTheScreen) {
  const RECT anchor = {790, 160, 1290, 465};
  const struct {
    const char* name;
    RECT main_window;
    int gap;
    POINT place;
  } cases[] = {
      {"in the middle", {100, 300, 1440, 1050}, 5, {1440 - 318 - 5, 300 + 160 - 5 - 212}},
      {"a larger gap", {100, 300, 1440, 1050}, 8, {1440 - 318 - 8, 300 + 160 - 8 - 212}},
      {"near the top", {100, 20, 1440, 770}, 5, {1440 - 318 - 5, 0}},
      {"near the left", {-1200, 300, 140, 1050}, 5, {0, 300 + 160 - 5 - 212}},
      {"the top-left corner beyond the screen", {-1300, -200, 40, 550}, 5, {0, 0}},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.name);
    const POINT place = PlacePreDownloadPopup(item.main_window, anchor, {318, 212}, item.gap);
    EXPECT_EQ(place.x, item.place.x);
    EXPECT_EQ(place.y, item.place.y);
  }
}

// A framework window standing in for the main window, which the pop-up finds
// by its class.
class MainWindowStandIn : public test_support::HostWindow {
 public:
  std::wstring GetWindowClassName() const override { return L"Launcher"; }
};

class PreDlcPopupFormTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(env_.skin_open()); }
  void TearDown() override {
    env_.OnUi([this] {
      if (main_) main_->Destroy();
      main_.reset();
    });
    env_.Reset();
  }

  void OpenMain(const RECT& rect) {
    env_.OnUi([&] {
      main_ = std::make_unique<MainWindowStandIn>();
      main_->Create(nullptr, L"", WS_POPUP, 0, true, rect);
      main_->ShowWindow(true, true);
    });
  }
  // Shows a pop-up over the anchor; null when none was shown. UI thread.
  PreDlcPopupForm* Show(const RECT& anchor) {
    auto* popup = new PreDlcPopupForm();
    const auto alive = popup->GetWeakFlag();
    popup->ShowAt(anchor, L"( 1.00G/ 2.00G)", L"00:10:00", L" 1.00M/S");
    return alive.expired() ? nullptr : popup;
  }
  RECT MainWithoutShadow() {
    RECT rect = {};
    GetWindowRect(main_->GetHWND(), &rect);
    const RECT corner = main_->GetShadow().attached ? main_->GetShadow().corner : RECT{};
    return {rect.left + corner.left, rect.top + corner.top, rect.right - corner.right,
            rect.bottom - corner.bottom};
  }

  WindowsTestEnv& env_ = WindowsTestEnv::Get();
  std::unique_ptr<MainWindowStandIn> main_;
};

// The real placement, at 100% and at 150% (the gap scaled by the DPI
// manager, without any DPI message), and clamped at the screen's corner.
TEST_F(PreDlcPopupFormTest, PlacesItselfByTheMainWindow) {
  const RECT anchor = {700, 160, 1200, 465};
  const struct {
    const char* name;
    int scale;
    RECT main_window;
    int gap;
    bool clamped;
  } cases[] = {
      {"100%", 100, {200, 250, 1540, 1000}, 5, false},
      {"150%", 150, {200, 250, 1540, 1000}, 8, false},
      {"at the top-left corner", 100, {-1300, -100, 40, 650}, 5, true},
  };
  ui::DpiManager* dpi = ui::DpiManager::GetInstance();
  int32_t scale = 100;
  bool enabled = false;
  env_.OnUi([&] {
    scale = dpi->GetScale();
    enabled = dpi->IsEnabled();
  });
  for (const auto& item : cases) {
    SCOPED_TRACE(item.name);
    OpenMain(item.main_window);
    env_.OnUi([&] {
      dpi->SetEnabled(item.scale != 100);
      dpi->SetScale(item.scale);
      PreDlcPopupForm* popup = Show(anchor);
      dpi->SetScale(scale);
      dpi->SetEnabled(enabled);
      ASSERT_NE(popup, nullptr);
      EXPECT_EQ(::GetWindow(popup->GetHWND(), GW_OWNER), main_->GetHWND());
      EXPECT_TRUE(IsWindowVisible(popup->GetHWND()));
      RECT rect = {};
      GetWindowRect(popup->GetHWND(), &rect);
      const RECT main = MainWithoutShadow();
      if (item.clamped) {
        EXPECT_EQ(rect.left, 0);
        EXPECT_EQ(rect.top, 0);
      } else {
        EXPECT_EQ(main.right - rect.right, item.gap);
        EXPECT_EQ(main.top + anchor.top - rect.bottom, item.gap);
      }
      // It holds the focus until it closes, then hands it back.
      EXPECT_EQ(GetFocus(), popup->GetHWND());
      auto label = [&](const wchar_t* name) {
        return dynamic_cast<ui::Label*>(popup->FindControl(name))->GetText();
      };
      EXPECT_EQ(label(L"text_dlc_size"), L"( 1.00G/ 2.00G)");
      EXPECT_EQ(label(L"text_dlc_time"), L"00:10:00");
      EXPECT_EQ(label(L"text_dlc_speed"), L" 1.00M/S");
      popup->UpdateTexts(L"00:09:59", L" 2.00M/S");
      EXPECT_EQ(label(L"text_dlc_time"), L"00:09:59");
      EXPECT_EQ(label(L"text_dlc_speed"), L" 2.00M/S");
      popup->Close(1);
      EXPECT_EQ(GetFocus(), main_->GetHWND());
    });
    EXPECT_TRUE(WaitFor([&] {
      bool gone = false;
      env_.OnUi([&] { gone = test_support::FindFrameworkWindow(L"PreDlcPopupForm") == nullptr; });
      return gone;
    }));
    env_.OnUi([&] {
      main_->Destroy();
      main_.reset();
    });
  }
}

TEST_F(PreDlcPopupFormTest, WithoutAMainWindowNothingShows) {
  env_.OnUi([&] {
    ASSERT_EQ(FindWindowW(L"Launcher", nullptr), nullptr);
    EXPECT_EQ(Show({0, 0, 10, 10}), nullptr);
    EXPECT_EQ(test_support::FindFrameworkWindow(L"PreDlcPopupForm"), nullptr);
  });
}

}  // namespace
