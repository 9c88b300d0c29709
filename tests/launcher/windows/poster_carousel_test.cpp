#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/core/launcher_context.h"
#include "launcher/core/window_messages.h"
#include "launcher/windows/main_form.h"
#include "launcher/windows/scroll_page.h"
#include "tests/launcher/windows/content_test_form.h"
#include "tests/launcher/windows/windows_test_env.h"
#include "tests/support/real_mouse.h"
#include "tests/support/wait_for.h"
#include "ui/box/builder_cache.h"
#include "ui/control/list_box.h"

namespace {

using test_support::ContentTestForm;
using test_support::WaitFor;
using test_support::WindowsTestEnv;

constexpr int kPageWidth = 462;

// The links the carousel opened, in order (UI thread).
std::vector<std::string> g_opened;

void RecordLink(HWND, const std::string& url) { g_opened.push_back(url); }

// A click at the middle of a control where it shows in a scrolled list. UI
// thread only.
void ClickShown(HWND window, ui::Control* control) {
  RECT rect = control->GetPos();
  const POINT offset = control->GetScrollOffset();
  OffsetRect(&rect, -offset.x, -offset.y);
  const LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  SendMessageW(window, WM_MOUSEMOVE, 0, point);
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
  SendMessageW(window, WM_LBUTTONUP, 0, point);
}

// What the carousel shows: the selected dot, the page list's scroll position
// and the arrows.
struct Shown {
  int dot = -1;
  int scroll = -1;
  bool left_enabled = false;
  bool right_enabled = false;
  bool left_visible = false;
  bool right_visible = false;
  std::vector<bool> filled;  // per dot: its "btn_dot" shows the filled look
};

class PosterCarouselTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(env_.skin_open());
    test_support::MoveMouseTo(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
    ContentTestForm::WriteLayout(env_.dir().path());
    g_opened.clear();
    ASSERT_TRUE(env_.OnUi([this] {
      ui::BuilderCache::Install();
      context_->SetLinkOpener(RecordLink);
      context_->links = {{"poster_a", "https://example.test/a"},
                         {"poster_b", "https://example.test/b"},
                         {"poster_c", "https://example.test/c"},
                         {"unsafe", "file:///C:/Windows/notepad.exe"}};
    }));
  }
  // The UI timers' manager is a static that the exiting main thread destroys
  // while the UI thread may still poll it: the program ends only once the
  // animations of the last windows are over and their polls are done.
  static void TearDownTestSuite() {
    Sleep(500);
    WindowsTestEnv::Get().OnUi(nullptr);
  }
  void TearDown() override {
    env_.Reset();
    env_.OnUi([this] {
      context_->posters.clear();
      context_->links.clear();
      context_->SetLinkOpener(nullptr);
    });
  }

  void SetPosters(std::vector<std::string> links) {
    env_.OnUi([&] {
      context_->posters.clear();
      for (const std::string& link : links) {
        context_->posters.push_back({"../public/dot_filled.png", link});
      }
    });
  }
  // Opens the window as the launcher does, with the carousel's tick as given.
  void Open(qbase::TimeDelta tick = qbase::TimeDelta::FromSeconds(3600)) {
    ASSERT_TRUE(env_.OnUi([&] {
      form_ = new ContentTestForm(tick);
      hwnd_ = form_->Create(nullptr, L"Launcher", 0x00CE0000, 0, true, RECT{0, 0, 0, 0});
      ASSERT_NE(hwnd_, nullptr);
      form_->CenterWindow();
      form_->ShowWindow(true, true);
      pages_ = dynamic_cast<ui::ListBox*>(form_->FindControl(L"scroll_pages"));
      dots_ = dynamic_cast<ui::ListBox*>(form_->FindControl(L"dot_list"));
    }));
    ASSERT_NE(pages_, nullptr);
    ASSERT_NE(dots_, nullptr);
  }
  // Waits for the page list to be laid out: its range is every page but one.
  bool WaitLaidOut(int pages) {
    return WaitFor([&] {
      int range = -1;
      env_.OnUi([&] { range = pages_->GetScrollRange().cx; });
      return range == (pages - 1) * kPageWidth;
    });
  }
  Shown Now() {
    Shown shown;
    env_.OnUi([&] {
      shown.dot = dots_->GetCurSel();
      shown.scroll = pages_->GetScrollPos().cx;
      auto* left = form_->FindControl(L"btn_scroll_left");
      auto* right = form_->FindControl(L"btn_scroll_right");
      shown.left_enabled = left->IsEnabled();
      shown.right_enabled = right->IsEnabled();
      shown.left_visible = left->IsVisible();
      shown.right_visible = right->IsVisible();
      for (int i = 0; i < dots_->GetCount(); ++i) {
        auto* dot = dynamic_cast<MainComponents::ScrollDot*>(dots_->GetItemAt(i));
        shown.filled.push_back(dot && dot->dot_control() && !dot->dot_control()->IsEnabled());
      }
    });
    return shown;
  }
  // Waits until poster `index` of `count` rests in view, with its dot filled
  // and the others empty, and returns what then shows.
  Shown WaitPoster(int index, int count) {
    Shown shown;
    std::vector<bool> filled(count, false);
    filled[index] = true;
    EXPECT_TRUE(WaitFor([&] {
      shown = Now();
      return shown.dot == index && shown.scroll == index * kPageWidth && shown.filled == filled;
    })) << "poster "
        << index << " never rested in view: dot " << shown.dot << ", scroll " << shown.scroll;
    return shown;
  }
  void Tick() {
    env_.OnUi([this] { form_->OnPosterTimer(); });
  }
  void Click(const wchar_t* name) {
    env_.OnUi([&] { test_support::ClickControl(hwnd_, form_->FindControl(name)); });
  }
  void ClickPageImage(int index) {
    env_.OnUi([&] {
      auto* page = dynamic_cast<MainComponents::ScrollPage*>(pages_->GetItemAt(index));
      ASSERT_NE(page, nullptr);
      ASSERT_NE(page->image_control(), nullptr);
      ClickShown(hwnd_, page->image_control());
    });
  }

  WindowsTestEnv& env_ = WindowsTestEnv::Get();
  LauncherContext* context_ = LauncherContext::GetInstance();
  ContentTestForm* form_ = nullptr;  // deletes itself with its window
  HWND hwnd_ = nullptr;
  ui::ListBox* pages_ = nullptr;
  ui::ListBox* dots_ = nullptr;
};

// Each tick moves on by one poster and wraps; the arrows follow the ends.
TEST_F(PosterCarouselTest, ThreePostersCycleWithTheTick) {
  SetPosters({"poster_a", "poster_b", "poster_c"});
  Open();
  Shown shown = WaitPoster(0, 3);
  EXPECT_EQ(shown.dot, 0);
  EXPECT_EQ(shown.scroll, 0);
  EXPECT_TRUE(shown.left_visible && shown.right_visible);
  EXPECT_FALSE(shown.left_enabled);
  EXPECT_TRUE(shown.right_enabled);
  env_.OnUi([&] {
    EXPECT_EQ(pages_->GetCount(), 3);
    auto* page = dynamic_cast<MainComponents::ScrollPage*>(pages_->GetItemAt(2));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->link(), "poster_c");
    EXPECT_EQ(page->image_control()->GetBkImage().attribute.descriptor,
              L"../public/dot_filled.png");
    // The pages move only as the carousel moves them.
    EXPECT_FALSE(pages_->IsKeyboardEnabled());
    EXPECT_FALSE(pages_->IsMouseWheelScrollEnabled());
    EXPECT_FALSE(pages_->GetHorizontalScrollBar()->IsVisible());
  });
  ASSERT_TRUE(WaitLaidOut(3));

  struct Step {
    int poster;
    bool left_enabled;
    bool right_enabled;
  };
  for (const Step& step :
       {Step{1, true, true}, Step{2, true, false}, Step{0, false, true}, Step{1, true, true}}) {
    Tick();
    shown = WaitPoster(step.poster, 3);
    EXPECT_EQ(shown.dot, step.poster);
    EXPECT_EQ(shown.scroll, step.poster * kPageWidth);
    EXPECT_EQ(shown.left_enabled, step.left_enabled) << step.poster;
    EXPECT_EQ(shown.right_enabled, step.right_enabled) << step.poster;
  }
}

// A new choice while a slide still runs ends on the chosen page, never
// between pages or past it.
TEST_F(PosterCarouselTest, AChoiceDuringASlideRestsOnItsPage) {
  SetPosters({"poster_a", "poster_b", "poster_c"});
  Open();
  ASSERT_TRUE(WaitLaidOut(3));
  env_.OnUi([this] {
    form_->SelectPoster(1, true);
    form_->SelectPoster(1, true);
  });
  EXPECT_EQ(WaitPoster(1, 3).scroll, kPageWidth);
  // Out of range: nothing changes.
  env_.OnUi([this] {
    form_->SelectPoster(2, true);
    form_->SelectPoster(0, true);
    form_->SelectPoster(3, true);
    form_->SelectPoster(-1, true);
  });
  EXPECT_EQ(WaitPoster(0, 3).scroll, 0);
}

// The arrows and the dots move the carousel at once and hold the automatic
// advance for the next four ticks.
TEST_F(PosterCarouselTest, ArrowsAndDotsHoldTheAdvanceForFourTicks) {
  SetPosters({"poster_a", "poster_b", "poster_c"});
  Open();
  ASSERT_TRUE(WaitLaidOut(3));
  Click(L"btn_scroll_right");
  WaitPoster(1, 3);
  for (int tick = 0; tick < 4; ++tick) {
    Tick();
    EXPECT_EQ(Now().dot, 1) << "tick " << tick;
  }
  Tick();
  WaitPoster(2, 3);

  Click(L"btn_scroll_left");
  WaitPoster(1, 3);
  Click(L"btn_scroll_left");
  Shown shown = WaitPoster(0, 3);
  EXPECT_FALSE(shown.left_enabled);
  // At the first poster the left arrow does nothing.
  env_.OnUi([this] { form_->OnScrollLeftClick(nullptr); });
  EXPECT_EQ(Now().dot, 0);

  // A dot chosen with the mouse.
  env_.OnUi([this] { test_support::ClickControl(hwnd_, dots_->GetItemAt(2)); });
  shown = WaitPoster(2, 3);
  EXPECT_FALSE(shown.right_enabled);
  for (int tick = 0; tick < 4; ++tick) Tick();
  EXPECT_EQ(Now().dot, 2);
  Tick();
  WaitPoster(0, 3);
}

// One poster shows its arrows disabled and stays; without posters the arrows
// fade out and the tick does nothing. Each refresh rebuilds from the list.
TEST_F(PosterCarouselTest, OneOrNoPosterAndRefreshes) {
  SetPosters({"poster_a"});
  Open();
  Shown shown = WaitPoster(0, 1);
  EXPECT_TRUE(shown.left_visible && shown.right_visible);
  EXPECT_FALSE(shown.left_enabled || shown.right_enabled);
  for (int tick = 0; tick < 3; ++tick) Tick();
  shown = WaitPoster(0, 1);
  EXPECT_EQ(shown.scroll, 0);

  SetPosters({});
  SendMessageW(hwnd_, WM_REFRESH_CONTENT, 0, 0);
  ASSERT_TRUE(WaitFor([&] {
    shown = Now();
    return !shown.left_visible && !shown.right_visible;
  }));
  Tick();
  Tick();
  env_.OnUi([&] {
    EXPECT_EQ(dots_->GetCount(), 0);
    EXPECT_EQ(pages_->GetCount(), 0);
    EXPECT_EQ(dots_->GetCurSel(), -1);
  });

  // The language reload rebuilds as well, starting again at the first poster.
  SetPosters({"poster_a", "poster_b"});
  SendMessageW(hwnd_, WM_LANGUAGE_RELOADED, 0, 0);
  ASSERT_TRUE(WaitFor([&] {
    shown = Now();
    return shown.left_visible && shown.right_visible;
  }));
  shown = WaitPoster(0, 2);
  EXPECT_TRUE(shown.right_enabled);
  ASSERT_TRUE(WaitLaidOut(2));
  Tick();
  WaitPoster(1, 2);
}

// Pressing a poster opens its own link; a key the links lack, or an address
// that is not a web address, opens nothing.
TEST_F(PosterCarouselTest, PressingAPosterOpensItsLink) {
  SetPosters({"poster_a", "poster_b", "missing", "unsafe"});
  Open();
  ASSERT_TRUE(WaitLaidOut(4));
  ClickPageImage(0);
  env_.OnUi([] { EXPECT_EQ(g_opened, std::vector<std::string>{"https://example.test/a"}); });
  for (int poster = 1; poster < 4; ++poster) {
    Tick();
    WaitPoster(poster, 4);
    ClickPageImage(poster);
  }
  env_.OnUi([] {
    EXPECT_EQ(g_opened,
              (std::vector<std::string>{"https://example.test/a", "https://example.test/b"}));
  });
}

// The carousel's own timer moves it on, on the window's thread, and ends with
// the window.
TEST_F(PosterCarouselTest, TheTimerMovesOnUntilTheWindowIsGone) {
  SetPosters({"poster_a", "poster_b", "poster_c"});
  Open(qbase::TimeDelta::FromMilliseconds(300));
  // Each poster comes in turn; the wait may miss a turn, never the next one.
  for (int poster : {1, 2, 0, 1}) {
    EXPECT_TRUE(WaitFor([&] { return Now().dot == poster; })) << poster;
  }
  env_.OnUi([this] { DestroyWindow(hwnd_); });
  EXPECT_FALSE(IsWindow(hwnd_));
  // The ticks still due find no window and end.
  Sleep(1000);
  EXPECT_TRUE(env_.OnUi(nullptr));
}

}  // namespace
