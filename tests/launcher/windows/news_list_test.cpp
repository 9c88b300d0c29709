#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/core/launcher_context.h"
#include "launcher/core/window_messages.h"
#include "launcher/windows/news_tab_page.h"
#include "launcher/windows/tab_label.h"
#include "tests/launcher/windows/content_test_form.h"
#include "tests/launcher/windows/windows_test_env.h"
#include "tests/support/real_mouse.h"
#include "tests/support/wait_for.h"
#include "ui/box/builder_cache.h"
#include "ui/box/tab_box.h"
#include "ui/control/list_box.h"

namespace {

using MainComponents::TabLabel;
using MainComponents::TabPage;
using test_support::ContentTestForm;
using test_support::WaitFor;
using test_support::WindowsTestEnv;

// The links the news list opened, in order (UI thread).
std::vector<std::string> g_opened;

void RecordLink(HWND, const std::string& url) { g_opened.push_back(url); }

NewsTab Category(const std::string& name, int lines) {
  NewsTab tab{name, {}};
  for (int i = 1; i <= lines; ++i) {
    const std::string n = std::to_string(i);
    tab.news.push_back({name + " news " + n, "05/0" + n, "about " + n, name + "_" + n});
  }
  return tab;
}

LPARAM Middle(const RECT& rect) {
  return MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

class NewsListTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(env_.skin_open());
    test_support::MoveMouseTo(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
    ContentTestForm::WriteLayout(env_.dir().path());
    g_opened.clear();
    ASSERT_TRUE(env_.OnUi([this] {
      ui::BuilderCache::Install();
      context_->SetLinkOpener(RecordLink);
      context_->links = {{"Events_5", "https://example.test/events/5"},
                         {"Events_6", "https://example.test/events/6"},
                         {"Notes_1", "https://example.test/notes/1"}};
      // A category of six lines and one of a single line.
      context_->newsTabs = {Category("Events", 6), Category("Notes", 1)};
      form_ = new ContentTestForm();
      hwnd_ = form_->Create(nullptr, L"Launcher", 0x00CE0000, 0, true, RECT{0, 0, 0, 0});
      ASSERT_NE(hwnd_, nullptr);
      form_->CenterWindow();
      form_->ShowWindow(true, true);
      labels_ = dynamic_cast<ui::ListBox*>(form_->FindControl(L"tab_labels"));
      pages_ = dynamic_cast<ui::TabBox*>(form_->FindControl(L"tab_pages"));
    }));
    ASSERT_NE(labels_, nullptr);
    ASSERT_NE(pages_, nullptr);
    // Laid out: the tabs have their places.
    ASSERT_TRUE(WaitFor([this] {
      bool placed = false;
      env_.OnUi(
          [&] { placed = labels_->GetCount() > 0 && labels_->GetItemAt(0)->GetPos().right > 0; });
      return placed;
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
      context_->newsTabs.clear();
      context_->links.clear();
      context_->SetLinkOpener(nullptr);
    });
  }

  // UI thread.
  TabLabel* Label(int index) { return dynamic_cast<TabLabel*>(labels_->GetItemAt(index)); }
  TabPage* Page(int index) { return dynamic_cast<TabPage*>(pages_->GetItemAt(index)); }
  TabPage::NewsItem* Line(int page, int index) {
    return dynamic_cast<TabPage::NewsItem*>(Page(page)->GetItemAt(index));
  }
  // Waits until tab `index` is the selected one in every respect.
  bool WaitTab(int index) {
    return WaitFor([&] {
      bool selected = true;
      env_.OnUi([&] {
        selected = pages_->GetCurSel() == index && labels_->GetCurSel() == index;
        for (int i = 0; i < labels_->GetCount(); ++i) {
          TabLabel* label = Label(i);
          selected = selected && label->IsSelected() == (i == index) &&
                     label->name_label()->IsEnabled() == (i != index) &&
                     label->line_control()->IsVisible() == (i == index);
        }
      });
      return selected;
    });
  }

  WindowsTestEnv& env_ = WindowsTestEnv::Get();
  LauncherContext* context_ = LauncherContext::GetInstance();
  ContentTestForm* form_ = nullptr;  // deletes itself with its window
  HWND hwnd_ = nullptr;
  ui::ListBox* labels_ = nullptr;
  ui::TabBox* pages_ = nullptr;
};

// A tab per category with its name; a page keeps the last four lines added.
TEST_F(NewsListTest, TabsAndTheLastFourLines) {
  env_.OnUi([this] {
    ASSERT_EQ(labels_->GetCount(), 2);
    ASSERT_EQ(pages_->GetCount(), 2);
    EXPECT_EQ(Label(0)->name_label()->GetText(), L"Events");
    EXPECT_EQ(Label(1)->name_label()->GetText(), L"Notes");
    ASSERT_EQ(Page(0)->GetCount(), 4);
    for (int i = 0; i < 4; ++i) {
      const std::string n = std::to_string(i + 3);
      TabPage::NewsItem* line = Line(0, i);
      EXPECT_EQ(line->title_label()->GetUTF8Text(), "Events news " + n);
      EXPECT_EQ(line->title_label()->GetUTF8ToolTipText(), "about " + n);
      EXPECT_EQ(line->date_label()->GetUTF8Text(), "05/0" + n);
      EXPECT_EQ(line->link(), "Events_" + n);
    }
    EXPECT_EQ(Page(1)->GetCount(), 1);

    // One more line still leaves four, the oldest gone.
    Page(1)->AddNews("a", "b", "c", "d");
    Page(0)->AddNews("Events news 7", "05/07", "about 7", "Events_7");
    ASSERT_EQ(Page(0)->GetCount(), 4);
    EXPECT_EQ(Line(0, 0)->link(), "Events_4");
    EXPECT_EQ(Line(0, 3)->link(), "Events_7");
    EXPECT_EQ(Page(1)->GetCount(), 2);
  });
  EXPECT_TRUE(WaitTab(0));
}

// Pressing a tab shows its page; a refresh rebuilds from the context and
// starts at the first tab again.
TEST_F(NewsListTest, PressingATabShowsItsPage) {
  ASSERT_TRUE(WaitTab(0));
  env_.OnUi([this] { test_support::ClickControl(hwnd_, Label(1)); });
  EXPECT_TRUE(WaitTab(1));
  env_.OnUi([this] { test_support::ClickControl(hwnd_, Label(0)); });
  EXPECT_TRUE(WaitTab(0));
  // Chosen by the list (keys, wheel): the same.
  env_.OnUi([this] { labels_->SelectItem(1, false, true); });
  EXPECT_TRUE(WaitTab(1));

  env_.OnUi([this] { context_->newsTabs = {Category("Updates", 2), Category("Events", 1), {}}; });
  SendMessageW(hwnd_, WM_REFRESH_CONTENT, 0, 0);
  EXPECT_TRUE(WaitTab(0));
  env_.OnUi([this] {
    ASSERT_EQ(labels_->GetCount(), 3);
    EXPECT_EQ(Label(0)->name_label()->GetText(), L"Updates");
    EXPECT_EQ(Page(0)->GetCount(), 2);
    EXPECT_EQ(Page(2)->GetCount(), 0);
    // Out of range: nothing changes.
    form_->SelectNewsTab(3);
    form_->SelectNewsTab(-1);
  });
  EXPECT_TRUE(WaitTab(0));
}

// The mouse leaving the selected tab keeps its highlighted name; leaving
// another tab takes its hover look away.
TEST_F(NewsListTest, TheSelectedTabKeepsItsHoverLook) {
  ASSERT_TRUE(WaitTab(0));
  struct Case {
    int tab;
    bool kept;
  };
  for (const Case& test : {Case{0, true}, Case{1, false}}) {
    // Enter and leave in one task: the shell's own leave notice for the
    // window comes only after it.
    env_.OnUi([&] {
      ui::LabelTemplate<ui::Control>* name = Label(test.tab)->name_label();
      SendMessageW(hwnd_, WM_MOUSEMOVE, 0, Middle(Label(test.tab)->GetPos()));
      EXPECT_EQ(name->GetState(), ui::kControlStateHot) << test.tab;
      EXPECT_EQ(name->GetHotAlpha(), 255) << test.tab;
      SendMessageW(hwnd_, WM_MOUSEMOVE, 0, Middle(pages_->GetPos()));
      EXPECT_EQ(name->GetState(), test.kept ? ui::kControlStateHot : ui::kControlStateNormal)
          << test.tab;
      EXPECT_EQ(name->GetHotAlpha(), test.kept ? 255 : 0) << test.tab;
    });
  }
}

// Pressing a line's title opens its link once; its date opens nothing.
TEST_F(NewsListTest, PressingATitleOpensItsLink) {
  env_.OnUi([this] {
    test_support::ClickControl(hwnd_, Line(0, 3)->title_label());
    test_support::ClickControl(hwnd_, Line(0, 2)->date_label());
    test_support::ClickControl(hwnd_, Line(0, 2)->title_label());
    // "Events_4" is no key of the links.
    test_support::ClickControl(hwnd_, Line(0, 1)->title_label());
  });
  env_.OnUi([] {
    EXPECT_EQ(g_opened, (std::vector<std::string>{"https://example.test/events/6",
                                                  "https://example.test/events/5"}));
  });
}

}  // namespace
