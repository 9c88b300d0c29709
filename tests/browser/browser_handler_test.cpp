#include "browser/browser_handler.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "base/thread_registry.h"
#include "browser/cef_manager.h"
#include "browser/cef_settings.h"
#include "browser/cef_string.h"
#include "tests/browser/main_thread.h"
#include "tests/browser/recording_delegate.h"
#include "tests/browser/runtime/page_url.h"
#include "tests/browser/runtime_fixture.h"
#include "tests/browser/thread_windows.h"
#include "tests/browser/runtime/host_processes.h"
#include "tests/support/scratch_dir.h"

namespace qoz_comp {
namespace {

using test_support::RecordingDelegate;

using test_support::PageUrl;
using test_support::Wide;

template <typename T>
CefRefPtr<T> Adopt(T* object) {
  return CefRefPtr<T>::Adopt(object);
}

CefRefPtr<cef_browser_host_t> HostOf(const CefRefPtr<cef_browser_t>& browser) {
  return Adopt(browser->get_host(browser.get()));
}

// One control's worth: a handler with its delegate on thread 0.
struct View {
  CefRefPtr<cef_client_t> client;
  BrowserHandler* handler = nullptr;
  std::unique_ptr<RecordingDelegate> delegate = std::make_unique<RecordingDelegate>();
};

// The launcher's runtime, started once through the manager for the whole
// program: the "cef" folder beside the test holds the library.
class BrowserHandlerTest : public test_support::RuntimeFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(started_);
    ASSERT_TRUE(main_thread_.Start(qbase::MessageLoop::Type::kUI));
  }

  void TearDown() override {
    for (const auto& view : views_) Close(view.get());
    main_thread_.Stop();
  }

  // A handler on thread 0 whose browser shows `url`, created.
  View* Open(const std::string& url, int width = 200, int height = 100,
             std::unique_ptr<RecordingDelegate> delegate = nullptr) {
    View* view = new View();
    if (delegate) view->delegate = std::move(delegate);
    views_.emplace_back(view);
    main_thread_.RunAndWait([&] {
      view->handler = new BrowserHandler();
      view->client = view->handler->client();
      view->handler->AttachDelegate(view->delegate.get());
      view->handler->SetViewRect({0, 0, width, height});
      cef_window_info_t info = {};
      info.windowless_rendering_enabled = 1;
      const CefString address(Wide(url));
      cef_browser_host_create_browser(&info, view->client.get(), address.get(), nullptr, nullptr);
    });
    EXPECT_TRUE(view->delegate->WaitForLine("created")) << view->delegate->Describe();
    return view;
  }

  CefRefPtr<cef_browser_t> Current(View* view) {
    CefRefPtr<cef_browser_t> browser;
    main_thread_.RunAndWait([&] { browser = view->handler->CurrentBrowser(); });
    return browser;
  }

  void Load(View* view, const std::string& url) {
    CefRefPtr<cef_browser_t> browser = Current(view);
    ASSERT_TRUE(browser);
    CefRefPtr<cef_frame_t> frame = Adopt(browser->get_main_frame(browser.get()));
    const CefString address(Wide(url));
    frame->load_url(frame.get(), address.get());
  }

  void Close(View* view) {
    if (view->handler == nullptr) return;
    const size_t closed_before = Count(view, "closed");
    main_thread_.RunAndWait([&] { view->handler->CloseAllBrowser(); });
    view->delegate->WaitFor([&](const test_support::Heard& heard) {
      const std::vector<std::string>& lines = heard.lines;
      return std::count(lines.begin(), lines.end(), "closed") > static_cast<long>(closed_before);
    });
    main_thread_.RunAndWait([&] { view->handler->AttachDelegate(nullptr); });
    view->handler = nullptr;
    view->client.reset();
  }

  static size_t Count(View* view, const std::string& line) {
    const std::vector<std::string> lines = view->delegate->Lines();
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
  }

  test_support::MainThread main_thread_;
  std::vector<std::unique_ptr<View>> views_;
};

TEST_F(BrowserHandlerTest, TheSettingsCarryTheLauncherFields) {
  const cef_settings_t* fields = settings_->get();
  EXPECT_EQ(0, fields->single_process);
  EXPECT_EQ(1, fields->no_sandbox);
  EXPECT_EQ(1, fields->multi_threaded_message_loop);
  EXPECT_EQ(1, fields->windowless_rendering_enabled);
  struct Case {
    const cef_string_t* field;
    std::wstring value;
  };
  const Case cases[] = {
      {&fields->browser_subprocess_path, L".\\cef\\cef_helper.exe"},
      {&fields->cache_path, data_folder_ + L"CefLocalStorage"},
      {&fields->log_file, data_folder_ + L"cef.log"},
      {&fields->user_agent, L""},
      {&fields->locale, L""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, ToWide(c.field));
  EXPECT_TRUE(test_support::IsDirectory(data_folder_));
  EXPECT_TRUE(CefManager::GetInstance()->IsInitialized());
  EXPECT_TRUE(hidden_window_closed_);
}

TEST_F(BrowserHandlerTest, TheHostBrowserRunsWithTheLauncherSwitchesAndStillPaints) {
  const std::vector<std::string> command_lines = test_support::HostCommandLines(
      "--user-data-dir=" + test_support::HostPathOf(data_folder_ + L"CefLocalStorage") + " ");
  std::string browser_line;
  for (const std::string& line : command_lines) {
    if (line.find("--type=") == std::string::npos) browser_line = line;
  }
  ASSERT_FALSE(browser_line.empty());
  size_t at = 0;
  for (const char* expected :
       {"--ppapi-flash-version=20.0.0.228", "--ppapi-flash-path=PepperFlash\\pepflashplayer.dll",
        "--process-per-site", "--disable-gpu", "--disable-gpu-compositing", "--disable-surfaces",
        "--enable-begin-frame-scheduling"}) {
    const size_t found = browser_line.find(std::string(expected) + " ", at);
    EXPECT_NE(std::string::npos, found) << expected << " in order in " << browser_line;
    if (found != std::string::npos) at = found;
  }

  View* view = Open(PageUrl("/color/336699"), 40, 30);
  EXPECT_TRUE(view->delegate->WaitFor([&](const test_support::Heard& heard) {
    const std::string& frame = heard.frame;
    if (heard.frame_width != 40 || frame.size() != 40u * 30 * 4) return false;
    const size_t centre = (15 * 40 + 20) * 4;
    return static_cast<uint8_t>(frame[centre]) == 0x99 &&
           static_cast<uint8_t>(frame[centre + 1]) == 0x66 &&
           static_cast<uint8_t>(frame[centre + 2]) == 0x33;
  }));
}

TEST_F(BrowserHandlerTest, LoadsReachTheDelegateByTheirOutcome) {
  View* view = Open("");
  const char* dead = std::getenv("QOZ_TEST_DEAD_URL");
  ASSERT_NE(dead, nullptr);
  const struct {
    std::string url;
    std::string outcome;
  } cases[] = {
      {PageUrl("/title/found"), "load_end 200"},
      {PageUrl("/missing"), "load_end 404"},
      {std::string(dead) + "/gone", "load_error -102 " + std::string(dead) + "/gone"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    Load(view, c.url);
    EXPECT_TRUE(view->delegate->WaitForLine(c.outcome)) << view->delegate->Describe();
  }
  EXPECT_TRUE(view->delegate->WaitForLine("title found"));
  EXPECT_TRUE(view->delegate->WaitForLine("address " + PageUrl("/missing")));
}

TEST_F(BrowserHandlerTest, PopUpsNeverOpenAndLoadInTheBrowserWhenTheDelegateAgrees) {
  const struct {
    const char* kind;
    bool load;
  } cases[] = {{"open", false}, {"blank", true}, {"noopener", false}, {"open", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.kind) + (c.load ? " loaded" : " refused"));
    View* view = Open(PageUrl("/popup/") + c.kind);
    view->delegate->set_load_popups(c.load);
    ASSERT_TRUE(view->delegate->WaitForLine("load_end 200")) << view->delegate->Describe();
    CefRefPtr<cef_browser_host_t> host = HostOf(Current(view));
    const cef_mouse_event_t at = {20, 20, 0};
    host->send_mouse_click_event(host.get(), &at, MBT_LEFT, 0, 1);
    host->send_mouse_click_event(host.get(), &at, MBT_LEFT, 1, 1);
    const std::string target = PageUrl("/title/") + c.kind;
    EXPECT_TRUE(view->delegate->WaitForLine("popup " + target)) << view->delegate->Describe();
    if (c.load) {
      EXPECT_TRUE(view->delegate->WaitForLine("address " + target)) << view->delegate->Describe();
    } else {
      // A load the page starts itself afterwards shows the first one never came.
      Load(view, PageUrl("/title/after"));
      EXPECT_TRUE(view->delegate->WaitForLine("title after"));
      EXPECT_EQ(0u, Count(view, "address " + target)) << view->delegate->Describe();
    }
    EXPECT_EQ(1u, Count(view, "created"));
    EXPECT_EQ(1, CefManager::GetInstance()->browser_count());
    Close(view);
  }
}

TEST_F(BrowserHandlerTest, DialogsCloseUnansweredAndThePageGoesOn) {
  View* view = Open(PageUrl("/dialogs"));
  EXPECT_TRUE(view->delegate->WaitForLine("title undefined false null"))
      << view->delegate->Describe();
}

TEST_F(BrowserHandlerTest, InputReachesThePage) {
  View* view = Open(PageUrl("/input"));
  ASSERT_TRUE(view->delegate->WaitForLine("load_end 200")) << view->delegate->Describe();
  CefRefPtr<cef_browser_host_t> host = HostOf(Current(view));
  const auto key = [&](cef_key_event_type_t type, int virtual_key, char16 character,
                       uint32_t modifiers = 0) {
    cef_key_event_t event = {};
    event.type = type;
    event.windows_key_code = virtual_key;
    event.character = character;
    event.modifiers = modifiers;
    host->send_key_event(host.get(), &event);
  };
  const auto click = [&](int x, int y, cef_mouse_button_type_t button, bool up, int count) {
    const cef_mouse_event_t at = {x, y, 0};
    host->send_mouse_click_event(host.get(), &at, button, up ? 1 : 0, count);
  };
  const auto wheel = [&](int delta_y) {
    const cef_mouse_event_t at = {50, 50, 0};
    host->send_mouse_wheel_event(host.get(), &at, 0, delta_y);
  };
  const struct {
    std::function<void()> send;
    std::string title;
  } cases[] = {
      {[&] { click(12, 34, MBT_LEFT, false, 1); }, "down 12 34 0 1"},
      {[&] { click(12, 34, MBT_LEFT, true, 1); }, "up 12 34 0 1"},
      {[&] { click(56, 78, MBT_RIGHT, false, 1); }, "down 56 78 2 1"},
      {[&] { click(56, 78, MBT_RIGHT, true, 1); }, "up 56 78 2 1"},
      {[&] { click(5, 6, MBT_LEFT, false, 2); }, "down 5 6 0 2"},
      {[&] { click(5, 6, MBT_LEFT, true, 2); }, "up 5 6 0 2"},
      {[&] { key(KEYEVENT_RAWKEYDOWN, 'A', 0); }, "keydown a KeyA 65"},
      {[&] { key(KEYEVENT_RAWKEYDOWN, 'B', 0, EVENTFLAG_SHIFT_DOWN); }, "keydown B KeyB 66"},
      {[&] { key(KEYEVENT_RAWKEYDOWN, VK_RETURN, 0); }, "keydown Enter Enter 13"},
      {[&] { key(KEYEVENT_CHAR, 'q', L'q'); }, "char q"},
      {[&] {
         key(KEYEVENT_CHAR, 0, 0xD83D);
         key(KEYEVENT_CHAR, 0, 0xDE00);
       },
       "char \xF0\x9F\x98\x80"},
      {[&] { wheel(-120); }, "wheel down"},
      {[&] { wheel(120); }, "wheel up"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    c.send();
    EXPECT_TRUE(view->delegate->WaitForLine("title " + c.title)) << view->delegate->Describe();
  }
}

TEST_F(BrowserHandlerTest, ASecondBrowserHidesTheFirstUntilItCloses) {
  View* view = Open(PageUrl("/title/first"));
  ASSERT_TRUE(view->delegate->WaitForLine("title first"));
  CefRefPtr<cef_browser_t> first = Current(view);
  main_thread_.RunAndWait([&] {
    cef_window_info_t info = {};
    info.windowless_rendering_enabled = 1;
    const CefString address(Wide(PageUrl("/title/second")));
    cef_browser_host_create_browser(&info, view->client.get(), address.get(), nullptr, nullptr);
  });
  ASSERT_TRUE(view->delegate->WaitFor([](const test_support::Heard& heard) {
    const std::vector<std::string>& lines = heard.lines;
    return std::count(lines.begin(), lines.end(), "created") == 2;
  }));
  CefRefPtr<cef_browser_t> second = Current(view);
  ASSERT_TRUE(second);
  EXPECT_FALSE(second->is_same(second.get(), first.get()));
  EXPECT_EQ(2, CefManager::GetInstance()->browser_count());

  const size_t before_close = view->delegate->Lines().size();
  CefRefPtr<cef_browser_host_t> host = HostOf(second);
  host->close_browser(host.get(), 1);
  ASSERT_TRUE(view->delegate->WaitForLine("closed"));
  // The first is shown again and reloaded.
  EXPECT_TRUE(view->delegate->WaitFor([&](const test_support::Heard& heard) {
    const std::vector<std::string>& lines = heard.lines;
    return std::find(lines.begin() + before_close, lines.end(), "load_end 200") != lines.end();
  })) << view->delegate->Describe();
  CefRefPtr<cef_browser_t> current = Current(view);
  ASSERT_TRUE(current);
  EXPECT_TRUE(current->is_same(current.get(), first.get()));
  EXPECT_EQ(1, CefManager::GetInstance()->browser_count());
}

TEST_F(BrowserHandlerTest, TheQuitWaitsForTheLastBrowser) {
  View* view = Open(PageUrl("/title/quit"));
  ASSERT_TRUE(view->delegate->WaitForLine("title quit"));
  bool quit_seen_while_open = true;
  main_thread_.RunAndWait([&] { CefManager::GetInstance()->QuitWhenBrowsersClosed(3); });
  // The loop still runs tasks after the request: the browser keeps it going.
  ASSERT_TRUE(main_thread_.RunAndWait(
      [&] { quit_seen_while_open = CefManager::GetInstance()->browser_count() == 0; }));
  EXPECT_FALSE(quit_seen_while_open);
  CefRefPtr<cef_browser_host_t> host = HostOf(Current(view));
  host->close_browser(host.get(), 1);
  ASSERT_TRUE(view->delegate->WaitForLine("closed"));
  // Once the count is 0 the loop ends: tasks are no longer taken.
  bool ended = false;
  for (int i = 0; i < 600 && !ended; ++i) {
    ended = !qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [] {});
    if (!ended) Sleep(100);
  }
  EXPECT_TRUE(ended);
  EXPECT_EQ(0, CefManager::GetInstance()->browser_count());
  main_thread_.Stop();
  view->handler->AttachDelegate(nullptr);
  view->handler = nullptr;
  view->client.reset();
}

// Answers the request questions by address: "refused" navigations are
// cancelled, "blocked" loads refused, "held" loads allowed later from
// another thread.
class RequestDelegate : public RecordingDelegate {
 public:
  ~RequestDelegate() override {
    for (std::thread& answer : answers_) answer.join();
  }
  bool OnBeforeBrowse(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t> frame,
                      CefRefPtr<cef_request_t> request, bool is_redirect) override {
    const std::string url = UrlOf(request);
    Add("browse " + url + (is_redirect ? " redirect" : "") +
        (frame && frame->is_main(frame.get()) ? " main" : ""));
    return url.find("/title/refused") != std::string::npos;
  }
  cef_return_value_t OnBeforeResourceLoad(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t>,
                                          CefRefPtr<cef_request_t> request,
                                          CefRefPtr<cef_request_callback_t> callback) override {
    const std::string url = UrlOf(request);
    Add("resource " + url);
    if (url.find("/title/blocked") != std::string::npos) return RV_CANCEL;
    if (url.find("/title/held") == std::string::npos) return RV_CONTINUE;
    answers_.emplace_back([callback] {
      Sleep(100);
      callback->cont(callback.get(), 1);
    });
    return RV_CONTINUE_ASYNC;
  }

 private:
  static std::string UrlOf(const CefRefPtr<cef_request_t>& request) {
    cef_string_userfree_t url = request->get_url(request.get());
    const std::string text = test_support::Narrow(ToWide(url));
    cef_string_userfree_utf16_free(url);
    return text;
  }

  // Runtime thread only.
  std::vector<std::thread> answers_;
};

TEST_F(BrowserHandlerTest, RequestsWaitForTheDelegatesAnswer) {
  View* view = Open("", 200, 100, std::make_unique<RequestDelegate>());
  const struct {
    std::string path;
    std::string outcome;
    bool asked_for_resource;
  } cases[] = {
      {"/title/allowed", "title allowed", true},
      {"/title/refused", "load_error -3 " + PageUrl("/title/refused"), false},
      {"/title/blocked", "load_error -3 " + PageUrl("/title/blocked"), true},
      {"/title/held", "title held", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const std::string url = PageUrl(c.path);
    Load(view, url);
    EXPECT_TRUE(view->delegate->WaitForLine(c.outcome)) << view->delegate->Describe();
    EXPECT_EQ(1u, Count(view, "browse " + url + " main")) << view->delegate->Describe();
    EXPECT_EQ(c.asked_for_resource ? 1u : 0u, Count(view, "resource " + url));
  }
  EXPECT_EQ(0u, Count(view, "title refused"));
  EXPECT_EQ(0u, Count(view, "title blocked"));
}

// The answers a request callback was given.
class AnswerRecorder : public CefRefCounted {
 public:
  AnswerRecorder() {
    callback_.get()->cont = [](cef_request_callback_t* self, int allow) {
      CefInterface<cef_request_callback_t>::OwnerOf<AnswerRecorder>(self)->answers.push_back(allow);
    };
  }
  cef_request_callback_t* get() { return callback_.get(); }
  std::vector<int> answers;

 private:
  CefInterface<cef_request_callback_t> callback_{this};
};

// Carries out every context-menu command it is given.
class MenuCommandDelegate : public RecordingDelegate {
 public:
  bool OnContextMenuCommand(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t>,
                            CefRefPtr<cef_context_menu_params_t>, int command_id,
                            int event_flags) override {
    Add("menu_command " + std::to_string(command_id) + " " + std::to_string(event_flags));
    return true;
  }
};

TEST_F(BrowserHandlerTest, StorageUpTo20MiBIsGrantedAndMenuCommandsAskTheDelegate) {
  BrowserHandler* handler = nullptr;
  CefRefPtr<cef_client_t> client;
  MenuCommandDelegate delegate;
  main_thread_.RunAndWait([&] {
    handler = new BrowserHandler();
    client = handler->client();
  });
  // Asked through the client, as the runtime would ask.
  CefRefPtr<cef_request_handler_t> requests = Adopt(client->get_request_handler(client.get()));
  const struct {
    int64_t size;
    int granted;
  } quotas[] = {{20971520, 1}, {20971521, 0}};
  for (const auto& quota : quotas) {
    SCOPED_TRACE(quota.size);
    AnswerRecorder* recorder = new AnswerRecorder();
    CefRefPtr<cef_request_callback_t> hold(recorder->get());
    const CefString origin(L"http://127.0.0.1/");
    EXPECT_EQ(1, requests->on_quota_request(requests.get(), nullptr, origin.get(), quota.size,
                                            recorder->get()));
    EXPECT_EQ(std::vector<int>{quota.granted}, recorder->answers);
  }

  CefRefPtr<cef_context_menu_handler_t> menus =
      Adopt(client->get_context_menu_handler(client.get()));
  EXPECT_EQ(0, menus->on_context_menu_command(menus.get(), nullptr, nullptr, nullptr,
                                              MENU_COMMAND_RELOAD, 0));
  main_thread_.RunAndWait([&] { handler->AttachDelegate(&delegate); });
  EXPECT_EQ(1, menus->on_context_menu_command(menus.get(), nullptr, nullptr, nullptr,
                                              MENU_COMMAND_COPY, EVENTFLAG_SHIFT_DOWN));
  main_thread_.RunAndWait([&] { handler->AttachDelegate(nullptr); });
  EXPECT_EQ((std::vector<std::string>{"menu_command 5 2"}), delegate.Lines());
}

}  // namespace
}  // namespace qoz_comp
