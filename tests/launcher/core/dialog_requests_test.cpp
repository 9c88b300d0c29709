#include "launcher/core/dialog_requests.h"

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/thread_registry.h"
#include "launcher/core/dialog_presenter.h"
#include "launcher/core/launcher_context.h"
#include "tests/launcher/core/thread_test_support.h"
#include "ui/resources/global_manager.h"

namespace {

using test_support::RegisteredThread;
using test_support::RunOnThread;

// ui::Window lives above the core and only the presenter looks inside one, so
// distinct addresses stand in for framework windows.
char g_window_tokens[3];
ui::Window* const kMainUiWindow = reinterpret_cast<ui::Window*>(&g_window_tokens[0]);
ui::Window* const kOtherUiWindow = reinterpret_cast<ui::Window*>(&g_window_tokens[1]);
ui::Window* const kParentUiWindow = reinterpret_cast<ui::Window*>(&g_window_tokens[2]);

// Records what it is asked to show, and on which thread.
class RecordingPresenter : public DialogPresenter {
 public:
  struct Shown {
    ui::Window* owner;
    DWORD thread;
    MessageBoxContent box;
    OptionsBoxRequest options;
    bool isOptions;
  };

  std::map<ui::Window*, HWND> handles;

  HWND GetWindowHandle(ui::Window* window) override {
    auto found = handles.find(window);
    return found == handles.end() ? nullptr : found->second;
  }
  void ShowMessageBox(ui::Window* owner, const MessageBoxContent& content) override {
    std::lock_guard<std::mutex> lock(mutex_);
    shown_.push_back({owner, GetCurrentThreadId(), content, OptionsBoxRequest(), false});
  }
  void ShowOptionsBox(ui::Window* owner, const OptionsBoxRequest& request) override {
    std::lock_guard<std::mutex> lock(mutex_);
    shown_.push_back({owner, GetCurrentThreadId(), MessageBoxContent(), request, true});
  }

  std::vector<Shown> shown() {
    std::lock_guard<std::mutex> lock(mutex_);
    return shown_;
  }

 private:
  std::mutex mutex_;
  std::vector<Shown> shown_;
};

// A UI thread with a hidden main window and a worker, as in the launcher.
class DialogRequestsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ui_thread_.Start(qbase::MessageLoop::Type::kUI));
    ASSERT_TRUE(worker_.Start());
    ASSERT_TRUE(RunOnThread(qbase::kMainThreadId, [this] {
      main_window_ = std::make_unique<test_support::RecordingWindow>();
    }));
    presenter_.handles[kMainUiWindow] = main_window_->handle();
    presenter_.handles[kOtherUiWindow] = nullptr;
    ui::GlobalManager::windowList = {kOtherUiWindow, kMainUiWindow};
    context_.mainWindow = main_window_->handle();
    context_.SetDialogPresenter(&presenter_);
  }
  void TearDown() override {
    RunOnThread(qbase::kMainThreadId, [this] { main_window_.reset(); });
    worker_.Stop();
    ui_thread_.Stop();
    ui::GlobalManager::windowList.clear();
  }

  // Waits until the requests posted so far have been handled on thread 0.
  void DrainUi() { ASSERT_TRUE(RunOnThread(qbase::kMainThreadId, nullptr)); }

  RegisteredThread ui_thread_{"UiThread", qbase::kMainThreadId};
  RegisteredThread worker_{"Worker", qbase::kMiscThreadId};
  std::unique_ptr<test_support::RecordingWindow> main_window_;
  RecordingPresenter presenter_;
  LauncherContext context_;
};

TEST_F(DialogRequestsTest, BoxesAreShownOnTheUiThreadOwnedByTheMainWindowOrDropped) {
  struct Case {
    const char* name;
    bool mainWindow;
    bool listed;
    bool presenter;
    ui::Window* parent;
    ui::Window* messageOwner;  // null: dropped
    bool optionsShown;         // the options box always belongs to the main window
  };
  const Case cases[] = {
      {"shown", true, true, true, nullptr, kMainUiWindow, true},
      {"no main window yet", false, true, true, nullptr, nullptr, false},
      {"main window no longer listed", true, false, true, nullptr, nullptr, false},
      {"no presenter", true, true, false, nullptr, nullptr, false},
      {"a parent owns its box", false, false, true, kParentUiWindow, kParentUiWindow, false},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    RecordingPresenter presenter;
    presenter.handles = presenter_.handles;
    context_.SetDialogPresenter(test.presenter ? &presenter : nullptr);
    context_.mainWindow = test.mainWindow ? main_window_->handle() : nullptr;
    ui::GlobalManager::windowList = {kOtherUiWindow};
    if (test.listed) ui::GlobalManager::windowList.push_back(kMainUiWindow);
    context_.messageBoxOpen = false;
    bool called = false;

    // Asked from the worker, as the update engine asks.
    ASSERT_TRUE(RunOnThread(qbase::kMiscThreadId, [&] {
      context_.ShowMessageBox(
          test.parent, L"TITLE", L"CONTENT", L"NO", L"YES",
          [&called](DialogResult) { called = true; }, false);
      context_.ShowOptionsBox(L"QUESTION", L"group", {L"FIRST"}, L"OK",
                              [&called](int32_t) { called = true; });
    }));
    DrainUi();
    // Set by the request and cleared by the box; a dropped request clears it,
    // as no box will.
    EXPECT_EQ(context_.messageBoxOpen, test.messageOwner != nullptr);
    EXPECT_TRUE(context_.messageBoxShownOnce);
    EXPECT_FALSE(called);
    std::vector<RecordingPresenter::Shown> shown = presenter.shown();
    for (const RecordingPresenter::Shown& box : shown) {
      EXPECT_EQ(box.thread, ui_thread_.system_thread_id());
    }
    if (test.optionsShown) {
      ASSERT_FALSE(shown.empty());
      EXPECT_TRUE(shown.back().isOptions);
      EXPECT_EQ(shown.back().owner, kMainUiWindow);
      shown.pop_back();
    }
    if (test.messageOwner == nullptr) {
      EXPECT_TRUE(shown.empty());
    } else {
      ASSERT_EQ(shown.size(), 1u);
      EXPECT_FALSE(shown[0].isOptions);
      EXPECT_EQ(shown[0].owner, test.messageOwner);
    }
  }
  context_.SetDialogPresenter(&presenter_);
}

TEST_F(DialogRequestsTest, KeysWinOverTextsAndOneCaptionKeyTakesBothAsKeys) {
  context_.PostMessageBoxRequest(nullptr, L"TITLE_KEY", L"title", L"", L"content", L"", L"", L"No",
                                 L"Yes", nullptr, true);
  context_.PostMessageBoxRequest(nullptr, L"", L"title", L"CONTENT_KEY", L"content", L"",
                                 L"YES_KEY", L"No", L"Yes", nullptr, false);
  context_.PostDetailedMessageBoxRequest(nullptr, L"", L"title", L"", L"content", L"", L"detail",
                                         L"NO_KEY", L"", L"", L"", nullptr, false);
  context_.PostDetailedMessageBoxRequest(nullptr, L"", L"", L"", L"", L"DETAIL_KEY", L"detail", L"",
                                         L"", L"", L"", nullptr, false);
  DrainUi();
  const std::vector<RecordingPresenter::Shown> shown = presenter_.shown();
  ASSERT_EQ(shown.size(), 4u);

  const MessageBoxContent& texts = shown[0].box;
  EXPECT_EQ(texts.title, (BoxText{L"TITLE_KEY", true}));
  EXPECT_EQ(texts.content, (BoxText{L"content", false}));
  EXPECT_EQ(texts.detail, (BoxText{L"", false}));
  EXPECT_FALSE(texts.captionsAreKeys);
  EXPECT_EQ(texts.firstCaption, L"No");
  EXPECT_EQ(texts.secondCaption, L"Yes");
  EXPECT_TRUE(texts.swapImages);

  const MessageBoxContent& one_key = shown[1].box;
  EXPECT_EQ(one_key.title, (BoxText{L"title", false}));
  EXPECT_EQ(one_key.content, (BoxText{L"CONTENT_KEY", true}));
  EXPECT_TRUE(one_key.captionsAreKeys);
  EXPECT_EQ(one_key.firstCaption, L"");  // hides "btn_no"
  EXPECT_EQ(one_key.secondCaption, L"YES_KEY");
  EXPECT_FALSE(one_key.swapImages);

  EXPECT_EQ(shown[2].box.detail, (BoxText{L"detail", false}));
  EXPECT_TRUE(shown[2].box.captionsAreKeys);
  EXPECT_EQ(shown[2].box.firstCaption, L"NO_KEY");
  EXPECT_EQ(shown[3].box.detail, (BoxText{L"DETAIL_KEY", true}));
  EXPECT_EQ(shown[3].box.title, (BoxText{L"", false}));
  // Plain posts leave the open flag to ShowMessageBox.
  EXPECT_FALSE(context_.messageBoxOpen);
}

TEST_F(DialogRequestsTest, AnswersReachTheCallersCopiedCallbacksOnTheUiThread) {
  std::vector<std::pair<int, DWORD>> answers;
  {
    // The caller's own objects are gone before the request is handled.
    auto message_answer = std::make_unique<DialogCallback>([&answers](DialogResult result) {
      answers.push_back({static_cast<int>(result), GetCurrentThreadId()});
    });
    auto choice_answer = std::make_unique<OptionChoiceCallback>([&answers](int32_t index) {
      answers.push_back({100 + index, GetCurrentThreadId()});
    });
    context_.ShowMessageBox(nullptr, L"TITLE", L"CONTENT", L"", L"STRING_CONFIRM", *message_answer,
                            false);
    context_.ShowOptionsBox(L"STRING_SHUT_OPTION_NOTICE", L"shutdown_options",
                            {L"STRING_TRAY", L"STRING_EXIT"}, L"STRING_CONFIRM", *choice_answer);
  }
  DrainUi();
  const std::vector<RecordingPresenter::Shown> shown = presenter_.shown();
  ASSERT_EQ(shown.size(), 2u);
  const OptionsBoxRequest& options = shown[1].options;
  EXPECT_EQ(options.titleKey, L"STRING_SHUT_OPTION_NOTICE");
  EXPECT_EQ(options.groupName, L"shutdown_options");
  EXPECT_EQ(options.optionKeys, (std::vector<std::wstring>{L"STRING_TRAY", L"STRING_EXIT"}));
  EXPECT_EQ(options.selectedIndex, 0);
  EXPECT_EQ(options.buttonKey, L"STRING_CONFIRM");

  // The boxes answer on the UI thread when they close.
  ASSERT_TRUE(RunOnThread(qbase::kMainThreadId, [&shown] {
    shown[0].box.callback(DialogResult::Ok);
    shown[1].options.callback(1);
  }));
  const DWORD ui = ui_thread_.system_thread_id();
  EXPECT_EQ(answers, (std::vector<std::pair<int, DWORD>>{{static_cast<int>(DialogResult::Ok), ui},
                                                         {101, ui}}));
}

TEST(DialogRequestsWithoutUiThreadTest, RequestBeforeTheUiThreadIsLost) {
  RecordingPresenter presenter;
  LauncherContext context;
  context.SetDialogPresenter(&presenter);
  bool called = false;
  context.ShowMessageBox(
      nullptr, L"TITLE", L"CONTENT", L"", L"YES", [&called](DialogResult) { called = true; },
      false);

  RegisteredThread ui_thread("UiThread", qbase::kMainThreadId);
  ASSERT_TRUE(ui_thread.Start(qbase::MessageLoop::Type::kUI));
  std::unique_ptr<test_support::RecordingWindow> window;
  ASSERT_TRUE(RunOnThread(qbase::kMainThreadId, [&window] {
    window = std::make_unique<test_support::RecordingWindow>();
  }));
  presenter.handles[kMainUiWindow] = window->handle();
  ui::GlobalManager::windowList = {kMainUiWindow};
  context.mainWindow = window->handle();
  ASSERT_TRUE(RunOnThread(qbase::kMainThreadId, nullptr));
  EXPECT_TRUE(presenter.shown().empty());
  EXPECT_FALSE(called);
  EXPECT_TRUE(context.messageBoxOpen);

  RunOnThread(qbase::kMainThreadId, [&window] { window.reset(); });
  ui_thread.Stop();
  ui::GlobalManager::windowList.clear();
}

}  // namespace
