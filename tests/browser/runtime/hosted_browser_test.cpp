#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "browser/runtime/cef_capi.h"
#include "tests/browser/runtime/menu_window.h"
#include "tests/browser/runtime/page_url.h"
#include "tests/browser/runtime/recording_client.h"
#include "tests/support/scratch_dir.h"

namespace {

using test_support::ClientEvents;
using test_support::RecordingClient;

using test_support::PageUrl;

struct Pixel {
  int blue, green, red, alpha;
};

Pixel PixelAt(const ClientEvents& events, int x, int y) {
  const size_t at = (static_cast<size_t>(y) * events.frame_width + x) * 4;
  return {events.frame[at], events.frame[at + 1], events.frame[at + 2], events.frame[at + 3]};
}

bool Near(const Pixel& pixel, const Pixel& expected) {
  return std::abs(pixel.blue - expected.blue) <= 2 && std::abs(pixel.green - expected.green) <= 2 &&
         std::abs(pixel.red - expected.red) <= 2 && std::abs(pixel.alpha - expected.alpha) <= 2;
}

// A frame of the given size whose every corner and centre has `expected`.
std::function<bool(const ClientEvents&)> FrameOf(int width, int height, Pixel expected) {
  return [=](const ClientEvents& events) {
    if (events.frame_width != width || events.frame_height != height) return false;
    for (const auto& [x, y] : {std::pair<int, int>{0, 0},
                               {width - 1, 0},
                               {0, height - 1},
                               {width - 1, height - 1},
                               {width / 2, height / 2}}) {
      if (!Near(PixelAt(events, x, y), expected)) return false;
    }
    return true;
  };
}

// One host browser for the whole program: it takes seconds to start.
class HostedBrowserTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new test_support::ScratchDir();
    cef_settings_t settings = {};
    settings.size = sizeof(settings);
    settings.no_sandbox = 1;
    settings.multi_threaded_message_loop = 1;
    settings.windowless_rendering_enabled = 1;
    const std::wstring profile = scratch_->Child(L"profile");
    const std::wstring log = scratch_->Child(L"cef.log");
    cef_string_wide_to_utf16(profile.c_str(), profile.size(), &settings.cache_path);
    cef_string_wide_to_utf16(log.c_str(), log.size(), &settings.log_file);
    cef_main_args_t args = {GetModuleHandleW(nullptr)};
    started_ = cef_initialize(&args, &settings, nullptr, nullptr) == 1;
    cef_string_utf16_clear(&settings.cache_path);
    cef_string_utf16_clear(&settings.log_file);
  }
  static void TearDownTestSuite() {
    cef_shutdown();
    delete scratch_;
  }

  void SetUp() override { ASSERT_TRUE(started_); }

  // A browser of `client` showing `url`, created and painted once.
  static CefRefPtr<cef_browser_t> Open(RecordingClient* client, const std::string& url,
                                       bool transparent = false) {
    cef_window_info_t info = {};
    info.windowless_rendering_enabled = 1;
    info.transparent_painting_enabled = transparent ? 1 : 0;
    test_support::CefText address(url);
    if (!cef_browser_host_create_browser(&info, client->client(), address.get(), nullptr,
                                         nullptr)) {
      return CefRefPtr<cef_browser_t>();
    }
    if (!client->WaitForLine("created")) return CefRefPtr<cef_browser_t>();
    return client->browser();
  }

  static void Load(cef_browser_t* browser, const std::string& url) {
    CefRefPtr<cef_frame_t> frame = CefRefPtr<cef_frame_t>::Adopt(browser->get_main_frame(browser));
    Load(frame.get(), url);
  }
  static void Load(cef_frame_t* frame, const std::string& url) {
    test_support::CefText address(url);
    frame->load_url(frame, address.get());
  }

  static void Close(RecordingClient* client, cef_browser_t* browser) {
    CefRefPtr<cef_browser_host_t> host =
        CefRefPtr<cef_browser_host_t>::Adopt(browser->get_host(browser));
    host->close_browser(host.get(), 1);
    EXPECT_TRUE(client->WaitForLine("closed")) << client->Describe();
  }

  static test_support::ScratchDir* scratch_;
  static bool started_;
};

// A right-click at a view point, through the browser host.
void RightClick(cef_browser_t* browser, int x, int y) {
  CefRefPtr<cef_browser_host_t> host =
      CefRefPtr<cef_browser_host_t>::Adopt(browser->get_host(browser));
  const cef_mouse_event_t at = {x, y, 0};
  host->send_mouse_click_event(host.get(), &at, MBT_RIGHT, 0, 1);
  host->send_mouse_click_event(host.get(), &at, MBT_RIGHT, 1, 1);
}

void PressKey(WORD key) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = key;
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
}

test_support::ScratchDir* HostedBrowserTest::scratch_ = nullptr;
bool HostedBrowserTest::started_ = false;

TEST_F(HostedBrowserTest, PaintsThePageAndFollowsTheViewSize) {
  RecordingClient* client = new RecordingClient();
  CefRefPtr<cef_client_t> hold(client->client());
  client->SetViewSize(200, 100);
  CefRefPtr<cef_browser_t> browser = Open(client, PageUrl("/color/336699"));
  ASSERT_TRUE(browser);
  EXPECT_TRUE(client->WaitFor(FrameOf(200, 100, {0x99, 0x66, 0x33, 0xFF})));
  EXPECT_TRUE(client->WaitForLine("title 336699")) << client->Describe();

  client->SetViewSize(120, 80);
  CefRefPtr<cef_browser_host_t> host =
      CefRefPtr<cef_browser_host_t>::Adopt(browser->get_host(browser.get()));
  host->was_resized(host.get());
  EXPECT_TRUE(client->WaitFor(FrameOf(120, 80, {0x99, 0x66, 0x33, 0xFF})));

  // A hidden browser paints nothing; shown again, it paints at once.
  host->was_hidden(host.get(), 1);
  Load(browser.get(), PageUrl("/color/00ff00"));
  EXPECT_TRUE(client->WaitForLine("title 00ff00")) << client->Describe();
  EXPECT_TRUE(FrameOf(120, 80, {0x99, 0x66, 0x33, 0xFF})(client->Snapshot()));
  host->was_hidden(host.get(), 0);
  EXPECT_TRUE(client->WaitFor(FrameOf(120, 80, {0x00, 0xFF, 0x00, 0xFF})));

  // An empty view keeps the last size.
  client->SetViewSize(0, 0);
  host->was_resized(host.get());
  host->invalidate(host.get(), PET_VIEW);
  const int frames = client->Snapshot().frames;
  EXPECT_TRUE(
      client->WaitFor([frames](const ClientEvents& events) { return events.frames > frames; }));
  EXPECT_TRUE(FrameOf(120, 80, {0x00, 0xFF, 0x00, 0xFF})(client->Snapshot()));

  Close(client, browser.get());
}

TEST_F(HostedBrowserTest, HalfTransparentColoursArrivePremultiplied) {
  RecordingClient* client = new RecordingClient();
  CefRefPtr<cef_client_t> hold(client->client());
  client->SetViewSize(64, 64);
  CefRefPtr<cef_browser_t> browser = Open(client, PageUrl("/color/ff000080"), true);
  ASSERT_TRUE(browser);
  EXPECT_TRUE(client->WaitFor(FrameOf(64, 64, {0x00, 0x00, 0x80, 0x80}))) << [&] {
    const ClientEvents events = client->Snapshot();
    if (events.frame_width == 0) return std::string("no frame");
    const Pixel p = PixelAt(events, events.frame_width / 2, events.frame_height / 2);
    return std::to_string(events.frame_width) + "x" + std::to_string(events.frame_height) +
           " centre BGRA " + std::to_string(p.blue) + " " + std::to_string(p.green) + " " +
           std::to_string(p.red) + " " + std::to_string(p.alpha);
  }();
  Close(client, browser.get());
}

TEST_F(HostedBrowserTest, ReportsLoadsByTheirOutcome) {
  RecordingClient* client = new RecordingClient();
  CefRefPtr<cef_client_t> hold(client->client());
  client->SetViewSize(100, 100);
  CefRefPtr<cef_browser_t> browser = Open(client, "");
  ASSERT_TRUE(browser);
  const char* dead = std::getenv("QOZ_TEST_DEAD_URL");
  ASSERT_NE(dead, nullptr);
  struct Case {
    std::string url;
    std::string outcome;
  };
  const Case cases[] = {
      {PageUrl("/color/123456"), "load_end 200"},
      {PageUrl("/missing"), "load_end 404"},
      {std::string(dead) + "/gone", "load_error -102 " + std::string(dead) + "/gone"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    Load(browser.get(), c.url);
    EXPECT_TRUE(client->WaitForLine(c.outcome)) << client->Describe();
  }
  // The error page that stands for the failed load still ends loading.
  EXPECT_TRUE(client->WaitFor([](const ClientEvents& events) {
    return !events.lines.empty() && events.lines.back() == "loading 0";
  })) << client->Describe();
  const ClientEvents events = client->Snapshot();
  int starts = 0;
  int addresses = 0;
  for (const std::string& line : events.lines) {
    if (line == "load_start") ++starts;
    if (line == "address " + cases[0].url || line == "address " + cases[1].url) ++addresses;
  }
  // The failed load starts no page and keeps no address of its own.
  EXPECT_EQ(2, starts) << client->Describe();
  EXPECT_EQ(2, addresses);
  CefRefPtr<cef_frame_t> frame =
      CefRefPtr<cef_frame_t>::Adopt(browser->get_main_frame(browser.get()));
  cef_string_userfree_t url = frame->get_url(frame.get());
  EXPECT_EQ(cases[1].url, test_support::ToUtf8(url));
  cef_string_userfree_utf16_free(url);
  EXPECT_EQ(0, browser->is_loading(browser.get()));
  Close(client, browser.get());
}

std::string UrlOf(cef_frame_t* frame) {
  cef_string_userfree_t url = frame->get_url(frame);
  const std::string text = test_support::ToUtf8(url);
  cef_string_userfree_utf16_free(url);
  return text;
}

void RunIn(cef_frame_t* frame, const std::string& script) {
  test_support::CefText code(script);
  frame->execute_java_script(frame, code.get(), nullptr, 0);
}

TEST_F(HostedBrowserTest, ASubFrameIsAFrameOfItsOwnUntilItLeavesThePage) {
  RecordingClient* client = new RecordingClient();
  CefRefPtr<cef_client_t> hold(client->client());
  client->SetViewSize(200, 100);
  CefRefPtr<cef_browser_t> browser = Open(client, PageUrl("/framed/inner"));
  ASSERT_TRUE(browser);
  ASSERT_TRUE(client->WaitForLine("subframe address " + PageUrl("/report/inner")))
      << client->Describe();
  ASSERT_TRUE(client->WaitForLine("title inner")) << client->Describe();
  CefRefPtr<cef_frame_t> main_frame =
      CefRefPtr<cef_frame_t>::Adopt(browser->get_main_frame(browser.get()));
  CefRefPtr<cef_frame_t> frame = client->sub_frame();
  ASSERT_TRUE(frame);
  const int64_t identifier = frame->get_identifier(frame.get());
  EXPECT_EQ(0, frame->is_main(frame.get()));
  EXPECT_NE(main_frame->get_identifier(main_frame.get()), identifier);
  EXPECT_EQ(PageUrl("/report/inner"), UrlOf(frame.get()));
  EXPECT_EQ(PageUrl("/framed/inner"), UrlOf(main_frame.get()));
  CefRefPtr<cef_browser_t> owner = CefRefPtr<cef_browser_t>::Adopt(frame->get_browser(frame.get()));
  EXPECT_EQ(1, browser->is_same(browser.get(), owner.get()));
  CefRefPtr<cef_frame_t> found =
      CefRefPtr<cef_frame_t>::Adopt(browser->get_frame(browser.get(), identifier));
  EXPECT_EQ(frame.get(), found.get());
  EXPECT_EQ(nullptr, CefRefPtr<cef_frame_t>::Adopt(browser->get_frame(browser.get(), -7)).get());
  EXPECT_EQ(
      nullptr,
      CefRefPtr<cef_frame_t>::Adopt(browser->get_frame(browser.get(), identifier + 1000)).get());

  // Scripts and loads act in the sub-frame; its address is its own.
  RunIn(frame.get(), "parent.document.title = 'in top ' + (window === top)");
  EXPECT_TRUE(client->WaitForLine("title in top false")) << client->Describe();
  Load(frame.get(), PageUrl("/report/second"));
  EXPECT_TRUE(client->WaitForLine("subframe address " + PageUrl("/report/second")))
      << client->Describe();
  EXPECT_TRUE(client->WaitForLine("title second")) << client->Describe();
  EXPECT_EQ(PageUrl("/report/second"), UrlOf(frame.get()));
  EXPECT_EQ(PageUrl("/framed/inner"), UrlOf(main_frame.get()));
  for (const std::string& line : client->Snapshot().lines) {
    EXPECT_NE(0u, line.rfind("address " + PageUrl("/report"), 0)) << line;
  }

  // Gone from the page, the frame is no longer found and does nothing more.
  RunIn(main_frame.get(), "document.getElementById('inner').remove()");
  bool forgotten = false;
  for (int i = 0; i < 600 && !forgotten; ++i) {
    forgotten = !CefRefPtr<cef_frame_t>::Adopt(browser->get_frame(browser.get(), identifier));
    if (!forgotten) Sleep(100);
  }
  EXPECT_TRUE(forgotten);
  EXPECT_EQ(identifier, frame->get_identifier(frame.get()));
  EXPECT_EQ(0, frame->is_main(frame.get()));
  EXPECT_EQ(PageUrl("/report/second"), UrlOf(frame.get()));
  RunIn(frame.get(), "parent.document.title = 'detached ran'");
  Load(frame.get(), PageUrl("/report/detached"));
  RunIn(main_frame.get(), "document.title = 'settled'");
  EXPECT_TRUE(client->WaitForLine("title settled")) << client->Describe();
  for (const std::string& line : client->Snapshot().lines) {
    EXPECT_EQ(std::string::npos, line.find("detached")) << line;
  }
  Close(client, browser.get());
  EXPECT_EQ(identifier, frame->get_identifier(frame.get()));
}

TEST_F(HostedBrowserTest, RightClicksThePageLetsThroughReachTheContextMenuHandler) {
  RecordingClient* client = new RecordingClient();
  CefRefPtr<cef_client_t> hold(client->client());
  client->SetViewSize(200, 100);
  client->SetMenuAnswers(true, false);
  CefRefPtr<cef_browser_t> browser = Open(client, PageUrl("/menu"));
  ASSERT_TRUE(browser);
  ASSERT_TRUE(client->WaitForLine("load_end 200")) << client->Describe();
  // Back shows only when the history holds a page before this one. The host
  // browser may or may not keep the runtime's blank first page there, and
  // the history is read after each load, so it may say so late; it never
  // shrinks here.
  const std::vector<int> page_entries = {MENU_COMMAND_RELOAD};
  const std::vector<int> page_entries_with_back = {MENU_COMMAND_BACK, MENU_COMMAND_RELOAD};
  const std::vector<int> field_entries = {MENU_COMMAND_PASTE, 0, MENU_COMMAND_SELECT_ALL};
  const struct {
    int x, y;
    // The handler's line; empty when the page cancels the menu.
    std::string heard;
    std::vector<int> entries;
  } cases[] = {
      {20, 20, "menu 20 20 0 " + PageUrl("/title/linked"), page_entries},
      {150, 20, "", {}},
      {20, 75, "menu 20 75 1 ", field_entries},
      {150, 75, "menu 150 75 0 ", page_entries},
  };
  for (const auto& c : cases) {
    const std::string at = std::to_string(c.x) + " " + std::to_string(c.y);
    SCOPED_TRACE(at);
    const size_t before = client->Snapshot().lines.size();
    RightClick(browser.get(), c.x, c.y);
    // The page's own report of the event comes after the runtime's.
    const std::string title = "title menu " + at + (c.heard.empty() ? " cancelled" : "");
    ASSERT_TRUE(client->WaitForLine(title)) << client->Describe();
    const ClientEvents events = client->Snapshot();
    std::vector<std::string> menus;
    for (size_t i = before; i < events.lines.size(); ++i) {
      if (events.lines[i].compare(0, 5, "menu ") == 0) menus.push_back(events.lines[i]);
    }
    if (c.heard.empty()) {
      EXPECT_TRUE(menus.empty()) << client->Describe();
    } else {
      EXPECT_EQ(std::vector<std::string>{c.heard}, menus) << client->Describe();
      if (c.entries == page_entries && browser->can_go_back(browser.get())) {
        EXPECT_TRUE(events.menu_entries == page_entries ||
                    events.menu_entries == page_entries_with_back);
      } else {
        EXPECT_EQ(c.entries, events.menu_entries);
      }
    }
  }
  // Emptied by the client, no menu showed.
  EXPECT_EQ(nullptr, test_support::FindMenuWindow(true));
  Close(client, browser.get());
}

TEST_F(HostedBrowserTest, AMenuTheClientLeavesShowsAndItsUnhandledReloadReloads) {
  RecordingClient* client = new RecordingClient();
  CefRefPtr<cef_client_t> hold(client->client());
  client->SetViewSize(200, 100);
  CefRefPtr<cef_browser_t> browser = Open(client, PageUrl("/log/menu-reload"));
  ASSERT_TRUE(browser);
  ASSERT_TRUE(client->WaitForLine("load_end 200")) << client->Describe();
  RightClick(browser.get(), 30, 40);
  ASSERT_TRUE(client->WaitForLine("menu 30 40 0 ")) << client->Describe();

  // A real menu of the runtime's thread at the point the client gave.
  HWND menu = nullptr;
  for (int i = 0; i < 600 && menu == nullptr; ++i) {
    menu = test_support::FindMenuWindow(true);
    if (menu == nullptr) Sleep(100);
  }
  ASSERT_NE(nullptr, menu);
  RECT place = {};
  GetWindowRect(menu, &place);
  EXPECT_EQ(30 + RecordingClient::kScreenOffset, place.left);
  EXPECT_EQ(40 + RecordingClient::kScreenOffset, place.top);

  // Down to "Reload", then Enter.
  const std::vector<int> entries = client->Snapshot().menu_entries;
  const auto reload = std::find(entries.begin(), entries.end(), MENU_COMMAND_RELOAD);
  ASSERT_NE(entries.end(), reload);
  const auto steps = std::count_if(entries.begin(), reload, [](int id) { return id != 0; }) + 1;
  for (int i = 0; i < steps; ++i) PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  EXPECT_TRUE(client->WaitForLine("command " + std::to_string(MENU_COMMAND_RELOAD)))
      << client->Describe();
  EXPECT_EQ(nullptr, test_support::FindMenuWindow(true));

  // The client left it to the runtime: the page was asked for again.
  EXPECT_TRUE(client->WaitFor([](const ClientEvents& events) {
    return std::count(events.lines.begin(), events.lines.end(), "load_end 200") >= 2;
  })) << client->Describe();
  Load(browser.get(), PageUrl("/logged"));
  EXPECT_TRUE(client->WaitFor([](const ClientEvents& events) {
    for (const std::string& line : events.lines) {
      if (line.compare(0, 12, "title logged") == 0) return true;
    }
    return false;
  })) << client->Describe();
  std::string logged;
  for (const std::string& line : client->Snapshot().lines) {
    if (line.compare(0, 12, "title logged") == 0) logged = line;
  }
  EXPECT_NE(std::string::npos, logged.find("menu-reload menu-reload")) << logged;
  Close(client, browser.get());
}

}  // namespace
