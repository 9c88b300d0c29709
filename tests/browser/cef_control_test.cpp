#include "browser/cef_control.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/thread_registry.h"
#include "browser/cef_closure_task.h"
#include "browser/cef_manager.h"
#include "browser/cef_native_control.h"
#include "browser/cef_settings.h"
#include "browser/cef_string.h"
#include "tests/browser/main_thread.h"
#include "tests/browser/recording_delegate.h"
#include "tests/browser/runtime/menu_window.h"
#include "tests/browser/runtime/page_url.h"
#include "tests/browser/runtime_fixture.h"
#include "tests/browser/thread_windows.h"
#include "tests/support/real_mouse.h"
#include "tests/support/scratch_dir.h"
#include "tests/ui/core/host_window.h"
#include "tests/ui/core/render_setup.h"
#include "ui/box/box.h"
#include "ui/render/render_context.h"
#include "ui/resources/global_manager.h"

namespace qoz_comp {
namespace {

using test_support::Narrow;

using test_support::PageUrl;
using test_support::Wide;

constexpr DWORD kUnder = 0x20A040;
constexpr DWORD kPage = 0x336699;

// What the callbacks of the controls heard, one line each, with the thread
// they ran on: "title@0 TEXT", "popup@runtime URL".
class Journal {
 public:
  void Add(const std::string& name, const std::string& text) {
    const bool main = qbase::ThreadRegistry::CurrentThreadId() == qbase::kMainThreadId;
    {
      std::lock_guard<std::mutex> hold(lock_);
      lines_.push_back(name + (main ? "@0" : "@runtime") + (text.empty() ? "" : " " + text));
    }
    changed_.notify_all();
  }
  bool WaitFor(const std::string& line, int limit_ms = 60000) {
    std::unique_lock<std::mutex> hold(lock_);
    return changed_.wait_for(hold, std::chrono::milliseconds(limit_ms), [&] {
      return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
    });
  }
  // Waits until `line` was heard `count` times.
  bool WaitForCount(const std::string& line, int count) {
    std::unique_lock<std::mutex> hold(lock_);
    return changed_.wait_for(hold, std::chrono::milliseconds(60000), [&] {
      return std::count(lines_.begin(), lines_.end(), line) >= count;
    });
  }
  int Count(const std::string& line) {
    std::lock_guard<std::mutex> hold(lock_);
    return static_cast<int>(std::count(lines_.begin(), lines_.end(), line));
  }
  // Lines starting with `prefix`.
  std::vector<std::string> Starting(const std::string& prefix) {
    std::lock_guard<std::mutex> hold(lock_);
    std::vector<std::string> found;
    for (const std::string& line : lines_) {
      if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
    }
    return found;
  }
  std::string Describe() {
    std::lock_guard<std::mutex> hold(lock_);
    std::string text = "heard:\n";
    for (const std::string& line : lines_) text += "  " + line + "\n";
    return text;
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<std::string> lines_;
};

// Every callback of a control reports to the journal under `tag`.
void Record(CefControlBase* control, Journal* journal, const std::string& tag,
            bool load_popups = false) {
  const std::string t = tag.empty() ? "" : tag + ".";
  control->SetOnTitleChange(
      [=](const std::wstring& title) { journal->Add(t + "title", Narrow(title)); });
  control->SetOnUrlChange([=](const std::wstring& url) { journal->Add(t + "url", Narrow(url)); });
  control->SetOnMainUrlChange([=](const std::wstring& old_url, const std::wstring& new_url) {
    journal->Add(t + "main_url", Narrow(old_url) + " -> " + Narrow(new_url));
  });
  control->SetOnBeforePopup([=](const std::wstring& url) {
    journal->Add(t + "popup", Narrow(url));
    return load_popups;
  });
  control->SetOnLoadingStateChange(
      [=](bool loading, bool, bool) { journal->Add(t + "loading", loading ? "true" : "false"); });
  control->SetOnLoadStart([=] { journal->Add(t + "load_start", ""); });
  control->SetOnLoadEnd([=](int status) { journal->Add(t + "load_end", std::to_string(status)); });
  control->SetOnLoadError([=](int code, const std::wstring&, const std::wstring& url) {
    journal->Add(t + "load_error", std::to_string(code) + " " + Narrow(url));
  });
  control->SetOnAfterCreated([=](CefRefPtr<cef_browser_t>) { journal->Add(t + "created", ""); });
  control->SetOnBeforeClose([=](CefRefPtr<cef_browser_t>) { journal->Add(t + "closed", ""); });
  const auto url_of = [](const CefRefPtr<cef_request_t>& request) {
    cef_string_userfree_t url = request ? request->get_url(request.get()) : nullptr;
    const std::string text = Narrow(ToWide(url));
    if (url != nullptr) cef_string_userfree_utf16_free(url);
    return text;
  };
  control->SetOnBeforeBrowse([=](CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t> frame,
                                 CefRefPtr<cef_request_t> request, bool) {
    const bool sub = frame && frame->is_main(frame.get()) == 0;
    journal->Add(t + "browse", url_of(request) + (sub ? " sub" : ""));
    return false;
  });
  control->SetOnBeforeResourceLoad([=](CefRefPtr<cef_request_t> request, bool main_frame) {
    journal->Add(t + "resource", url_of(request) + (main_frame ? " main" : ""));
    return RV_CONTINUE;
  });
  control->SetOnDevToolsVisibleChange(
      [=](bool shown) { journal->Add(t + "dev_tools", shown ? "true" : "false"); });
}

// A sub-frame of a page, as the runtime would report one.
class SubFrame : public CefRefCounted {
 public:
  SubFrame() {
    frame_.get()->is_main = [](cef_frame_t*) { return 0; };
    frame_.get()->get_url = [](cef_frame_t*) { return cef_string_userfree_utf16_alloc(); };
  }
  cef_frame_t* get() { return frame_.get(); }

 private:
  ~SubFrame() override = default;
  CefInterface<cef_frame_t> frame_{this};
};

// A layered, topmost window on thread 0 whose root paints kUnder, with the
// controls added to it at their places.
struct Host {
  test_support::HostWindow window;
  ui::Box* root = nullptr;
  POINT origin = {0, 0};
};

class CefControlTest : public test_support::RuntimeFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(started_);
    ASSERT_TRUE(main_thread_.Start(qbase::MessageLoop::Type::kUI));
    OnMain([] { ui::GlobalManager::AddTextColor(L"test_under", L"#FF20A040"); });
  }

  void TearDown() override {
    OnMain([&] {
      for (Host* host : hosts_) host->window.Destroy();
    });
    OnMain([&] {
      for (Host* host : hosts_) delete host;
      hosts_.clear();
    });
    EXPECT_TRUE(WaitUntil([] { return CefManager::GetInstance()->browser_count() == 0; }))
        << BrowserCount();
    main_thread_.Stop();
  }

  void OnMain(const std::function<void()>& task) { ASSERT_TRUE(main_thread_.RunAndWait(task)); }

  // Tests `done` on thread 0 every 100 ms, for two minutes at most.
  bool WaitUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 1200; ++i) {
      bool result = false;
      main_thread_.RunAndWait([&] { result = done(); });
      if (result) return true;
      Sleep(100);
    }
    return false;
  }

  int BrowserCount() {
    int count = -1;
    main_thread_.RunAndWait([&] { count = CefManager::GetInstance()->browser_count(); });
    return count;
  }

  Host* MakeHost(POINT origin = {500, 300}, SIZE size = {400, 250}) {
    return MakeWindowHost(origin, size, WS_POPUP, true);
  }

  // A topmost window on thread 0, layered or not, with a root box.
  Host* MakeWindowHost(POINT origin, SIZE size, DWORD style, bool layered) {
    Host* host = new Host();
    host->origin = origin;
    hosts_.push_back(host);
    OnMain([&] {
      host->window.GetShadow().attached = false;
      host->window.Create(nullptr, L"", style, WS_EX_TOPMOST, layered,
                          {origin.x, origin.y, origin.x + size.cx, origin.y + size.cy});
      host->window.ShowWindow(true, false);
      host->root = new ui::Box;
      host->root->SetAttribute(L"bkcolor", L"test_under");
      host->window.AttachRootControl(host->root);
      SetForegroundWindow(host->window.GetHWND());
    });
    return host;
  }

  // A control as the main window makes it (transparent page, alpha 254) at
  // `place` in the window; `before` runs before it joins the window.
  CefControl* AddControl(Host* host, RECT place,
                         const std::function<void(CefControl*)>& before = nullptr) {
    CefControl* control = nullptr;
    OnMain([&] {
      control = new CefControl();
      control->SetTransparentPainting(true);
      control->SetAlpha(254);
      Place(control, place);
      if (before) before(control);
      host->root->Add(control);
      control->Invalidate();
    });
    return control;
  }

  // A plain, topmost window on thread 0: a child window does not show in a
  // layered one. It does not clip its children until a windowed control
  // asks for it.
  Host* MakePlainHost(POINT origin, SIZE size) {
    return MakeWindowHost(origin, size, WS_POPUP, false);
  }

  // A windowed control at `place`, its callbacks recorded; its browser's
  // window once it exists.
  CefNativeControl* AddNativeControl(Host* host, RECT place, HWND* child) {
    CefNativeControl* control = nullptr;
    OnMain([&] {
      control = new CefNativeControl();
      Record(control, &journal_, "");
      host->root->Add(control);
      Place(control, place);
    });
    EXPECT_TRUE(WaitUntil([&] {
      *child = control->GetWindowHandle();
      return *child != nullptr;
    }));
    // What the handler does after a windowed browser was created when the
    // manager renders windowed; the tests' manager renders off-screen.
    OnMain([&] { control->RefreshViewPosition(); });
    return control;
  }

  // Where a child window lies in its parent's client area.
  static RECT PlaceOf(HWND child) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, GetAncestor(child, GA_PARENT), reinterpret_cast<POINT*>(&rect),
                    2);
    return rect;
  }

  bool WaitForPlace(HWND child, RECT place) {
    for (int i = 0; i < 1200; ++i) {
      const RECT actual = PlaceOf(child);
      if (EqualRect(&place, &actual)) return true;
      Sleep(100);
    }
    return false;
  }

  static std::string Describe(RECT rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
           std::to_string(rect.right) + "," + std::to_string(rect.bottom);
  }

  // What a window shows at a client point, read from its own device
  // context, as 0xRRGGBB.
  static DWORD WindowPixel(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    const COLORREF colour = dc != nullptr ? GetPixel(dc, x, y) : CLR_INVALID;
    if (dc != nullptr) ReleaseDC(window, dc);
    if (colour == CLR_INVALID) return 0xFFFFFFFF;
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
  }

  static bool WaitForWindowPixel(HWND window, int x, int y, DWORD rgb) {
    for (int i = 0; i < 1200; ++i) {
      if (Near(WindowPixel(window, x, y), rgb)) return true;
      Sleep(100);
    }
    return false;
  }

  static void Place(ui::Control* control, RECT place) {
    control->SetMargin({place.left, place.top, 0, 0}, false);
    control->SetFixedWidth(place.right - place.left, true, false);
    control->SetFixedHeight(place.bottom - place.top, false);
    control->ArrangeAncestor();
  }

  bool HasBrowser(CefControl* control) {
    bool has = false;
    main_thread_.RunAndWait([&] { has = static_cast<bool>(control->GetBrowser()); });
    return has;
  }

  // The window's memory bitmap at a client point, as 0xRRGGBB.
  DWORD PixelAt(Host* host, int x, int y) {
    DWORD pixel = 0xFFFFFFFF;
    main_thread_.RunAndWait([&] {
      const ui::IRenderContext* context = host->window.GetRenderContext();
      if (context == nullptr || x >= context->GetWidth() || y >= context->GetHeight()) return;
      pixel = test_support::Rgb(test_support::PixelAt(*context, x, y));
    });
    return pixel;
  }

  static bool Near(DWORD pixel, DWORD rgb) {
    for (int shift : {0, 8, 16}) {
      if (std::abs(static_cast<int>((pixel >> shift) & 0xFF) -
                   static_cast<int>((rgb >> shift) & 0xFF)) > 3) {
        return false;
      }
    }
    return true;
  }

  bool WaitForPixel(Host* host, int x, int y, DWORD rgb) {
    for (int i = 0; i < 1200; ++i) {
      if (Near(PixelAt(host, x, y), rgb)) return true;
      Sleep(100);
    }
    return false;
  }

  // Real input at a window client point.
  static void MoveTo(Host* host, int x, int y) {
    test_support::MoveMouseTo(host->origin.x + x, host->origin.y + y);
  }

  test_support::MainThread main_thread_;
  std::vector<Host*> hosts_;
  Journal journal_;
};

TEST_F(CefControlTest, ThePageAppearsInTheWindowBitmapAndFollowsTheControl) {
  Host* host = MakeHost();
  CefControl* control =
      AddControl(host, {100, 50, 300, 150}, [&](CefControl* c) { Record(c, &journal_, ""); });
  OnMain([&] { control->LoadURL(Wide(PageUrl("/color/336699"))); });
  ASSERT_TRUE(WaitForPixel(host, 200, 100, kPage)) << std::hex << PixelAt(host, 200, 100);
  const struct {
    POINT point;
    DWORD rgb;
  } shown[] = {{{100, 50}, kPage},   {{299, 149}, kPage}, {{99, 100}, kUnder},
               {{300, 100}, kUnder}, {{200, 49}, kUnder}, {{200, 150}, kUnder}};
  for (const auto& c : shown) {
    EXPECT_TRUE(Near(PixelAt(host, c.point.x, c.point.y), c.rgb))
        << c.point.x << "," << c.point.y << " " << std::hex << PixelAt(host, c.point.x, c.point.y);
  }

  // Moved and grown: the page follows, where it was shows what lies under.
  OnMain([&] { Place(control, {20, 30, 320, 180}); });
  EXPECT_TRUE(WaitForPixel(host, 310, 170, kPage)) << std::hex << PixelAt(host, 310, 170);
  EXPECT_TRUE(WaitForPixel(host, 25, 35, kPage));
  EXPECT_TRUE(WaitForPixel(host, 330, 100, kUnder));

  // Hidden, the page goes; shown, it comes back.
  OnMain([&] { control->SetFadeVisible(false); });
  EXPECT_TRUE(WaitForPixel(host, 100, 100, kUnder));
  OnMain([&] { control->SetFadeVisible(true); });
  EXPECT_TRUE(WaitForPixel(host, 100, 100, kPage));

  // A transparent page shows what lies under the control.
  OnMain([&] { control->LoadURL(Wide(PageUrl("/color/33669900"))); });
  EXPECT_TRUE(journal_.WaitFor("title@0 33669900")) << journal_.Describe();
  EXPECT_TRUE(WaitForPixel(host, 100, 100, kUnder)) << std::hex << PixelAt(host, 100, 100);
}

TEST_F(CefControlTest, AHiddenBrowserKeepsLoadingAndReporting) {
  Host* host = MakeHost();
  CefControl* control =
      AddControl(host, {0, 0, 200, 100}, [&](CefControl* c) { Record(c, &journal_, ""); });
  OnMain([&] {
    control->SetFadeVisible(false);
    control->LoadURL(Wide(PageUrl("/title/hidden")));
  });
  EXPECT_TRUE(journal_.WaitFor("load_end@0 200")) << journal_.Describe();
  EXPECT_TRUE(journal_.WaitFor("title@0 hidden")) << journal_.Describe();
  EXPECT_TRUE(Near(PixelAt(host, 100, 50), kUnder));
  OnMain([&] {
    control->SetFadeVisible(true);
    control->LoadURL(Wide(PageUrl("/color/336699")));
  });
  EXPECT_TRUE(WaitForPixel(host, 100, 50, kPage));
}

TEST_F(CefControlTest, PopUpWidgetFramesAreDrawnOverTheViewOnlyWhileShown) {
  Host* host = MakeHost();
  CefControl* control = AddControl(host, {100, 50, 300, 150});
  ASSERT_TRUE(WaitUntil([&] { return static_cast<bool>(control->GetBrowser()); }));
  const auto frame = [](int width, int height, DWORD argb) {
    std::string pixels(static_cast<size_t>(width) * height * 4, '\0');
    for (size_t i = 0; i < pixels.size(); i += 4) {
      pixels[i] = static_cast<char>(argb & 0xFF);
      pixels[i + 1] = static_cast<char>((argb >> 8) & 0xFF);
      pixels[i + 2] = static_cast<char>((argb >> 16) & 0xFF);
      pixels[i + 3] = static_cast<char>(argb >> 24);
    }
    return pixels;
  };
  // The page has the colour of the view frames below, whichever comes last.
  OnMain([&] { control->LoadURL(Wide(PageUrl("/color/336699"))); });
  ASSERT_TRUE(WaitForPixel(host, 115, 65, kPage));
  CefRefPtr<cef_browser_t> browser;
  OnMain([&] { browser = control->GetBrowser(); });
  // While no pop-up place is set, pop-up frames are dropped.
  OnMain([&] {
    control->OnPaint(browser, PET_POPUP, {}, frame(20, 20, 0xFFFF0000), 20, 20);
    control->OnPaint(browser, PET_VIEW, {}, frame(200, 100, 0xFF336699), 200, 100);
    // A frame whose pixels do not match its size is not taken.
    control->OnPaint(browser, PET_VIEW, {}, std::string(16, '\x7F'), 200, 100);
  });
  EXPECT_TRUE(WaitForPixel(host, 115, 65, kPage));
  OnMain([&] {
    control->OnPopupSize(browser, {10, 10, 20, 20});
    control->OnPopupSize(browser, {0, 0, 0, 5});  // ignored
    control->OnPaint(browser, PET_POPUP, {}, frame(20, 20, 0xFFFF0000), 20, 20);
  });
  EXPECT_TRUE(WaitForPixel(host, 115, 65, 0xFF0000));
  EXPECT_TRUE(Near(PixelAt(host, 135, 65), kPage));
  // Hidden, the place is cleared at once: the next paint shows the view.
  OnMain([&] {
    control->OnPopupShow(browser, false);
    control->Invalidate();
  });
  EXPECT_TRUE(WaitForPixel(host, 115, 65, kPage));
  OnMain([&] { control->OnPaint(browser, PET_POPUP, {}, frame(20, 20, 0xFFFF0000), 20, 20); });
  EXPECT_TRUE(WaitForPixel(host, 115, 65, kPage));
}

TEST_F(CefControlTest, CallbacksFireOnTheirThreadsAndUnsetOnesAnswerTheirDefaults) {
  Host* host = MakeHost();
  CefControl* control =
      AddControl(host, {0, 0, 200, 100}, [&](CefControl* c) { Record(c, &journal_, ""); });
  ASSERT_TRUE(journal_.WaitFor("created@0")) << journal_.Describe();
  OnMain([&] { control->LoadURL(Wide(PageUrl("/title/first"))); });
  ASSERT_TRUE(journal_.WaitFor("load_end@0 200")) << journal_.Describe();
  const char* const expected[] = {"load_start@0", "loading@0 true", "loading@0 false",
                                  "title@0 first"};
  for (const char* line : expected) EXPECT_TRUE(journal_.WaitFor(line)) << line;
  EXPECT_TRUE(journal_.WaitFor("url@0 " + PageUrl("/title/first")));
  // The questions come on the runtime's thread while the request waits.
  EXPECT_TRUE(journal_.WaitFor("browse@runtime " + PageUrl("/title/first"))) << journal_.Describe();
  EXPECT_TRUE(journal_.WaitFor("resource@runtime " + PageUrl("/title/first")))
      << journal_.Describe();
  const std::vector<std::string> first_main = journal_.Starting("main_url@");
  ASSERT_FALSE(first_main.empty());
  const std::string to_first = " -> " + PageUrl("/title/first");
  EXPECT_EQ(to_first, first_main.back().substr(first_main.back().size() - to_first.size()));

  // Only the fragment changes: callback 4, not 5.
  OnMain([&] { control->LoadURL(Wide(PageUrl("/title/first#part"))); });
  EXPECT_TRUE(journal_.WaitFor("url@0 " + PageUrl("/title/first#part"))) << journal_.Describe();
  OnMain([&] { control->LoadURL(Wide(PageUrl("/title/second"))); });
  EXPECT_TRUE(journal_.WaitFor("main_url@0 " + PageUrl("/title/first#part") + " -> " +
                               PageUrl("/title/second")))
      << journal_.Describe();
  EXPECT_EQ(first_main.size() + 1, journal_.Starting("main_url@").size()) << journal_.Describe();

  // A sub-frame: callback 4 only, the main frame's address stays.
  OnMain([&] {
    SubFrame* sub = new SubFrame();
    CefRefPtr<cef_frame_t> frame(sub->get());
    control->OnAddressChange(control->GetBrowser(), frame, L"http://sub.example/");
    EXPECT_EQ(Wide(PageUrl("/title/second")), control->GetURL());
  });
  EXPECT_EQ(1, journal_.Count("url@0 http://sub.example/"));
  EXPECT_EQ(first_main.size() + 1, journal_.Starting("main_url@").size());

  // A real sub-frame's navigation the same; its request names it.
  OnMain([&] { control->LoadURL(Wide(PageUrl("/framed/one"))); });
  ASSERT_TRUE(journal_.WaitFor("title@0 one")) << journal_.Describe();
  EXPECT_TRUE(journal_.WaitFor("url@0 " + PageUrl("/report/one"))) << journal_.Describe();
  EXPECT_TRUE(journal_.WaitFor("browse@runtime " + PageUrl("/report/one") + " sub"))
      << journal_.Describe();
  const size_t framed_main = journal_.Starting("main_url@").size();
  EXPECT_EQ(first_main.size() + 2, framed_main) << journal_.Describe();
  OnMain([&] {
    CefRefPtr<cef_browser_t> browser = control->GetBrowser();
    CefRefPtr<cef_frame_t> main_frame =
        CefRefPtr<cef_frame_t>::Adopt(browser->get_main_frame(browser.get()));
    const CefString code(L"inner.src = '/report/two'");
    main_frame->execute_java_script(main_frame.get(), code.get(), nullptr, 0);
  });
  EXPECT_TRUE(journal_.WaitFor("url@0 " + PageUrl("/report/two"))) << journal_.Describe();
  ASSERT_TRUE(journal_.WaitFor("title@0 two")) << journal_.Describe();
  EXPECT_EQ(framed_main, journal_.Starting("main_url@").size()) << journal_.Describe();
  OnMain([&] { EXPECT_EQ(Wide(PageUrl("/framed/one")), control->GetURL()); });

  // A pop-up with a target asks on the runtime's thread; an empty one never.
  OnMain([&] { control->LoadURL(Wide(PageUrl("/popup/blank"))); });
  ASSERT_TRUE(journal_.WaitFor("title@0 popup")) << journal_.Describe();
  OnMain([&] {
    CefRefPtr<cef_browser_t> browser = control->GetBrowser();
    CefRefPtr<cef_browser_host_t> host_of =
        CefRefPtr<cef_browser_host_t>::Adopt(browser->get_host(browser.get()));
    const cef_mouse_event_t at = {20, 20, 0};
    host_of->send_mouse_click_event(host_of.get(), &at, MBT_LEFT, 0, 1);
    host_of->send_mouse_click_event(host_of.get(), &at, MBT_LEFT, 1, 1);
  });
  EXPECT_TRUE(journal_.WaitFor("popup@runtime " + PageUrl("/title/blank"))) << journal_.Describe();
  bool empty_answer = true;
  OnMain([&] {
    empty_answer = control->OnBeforePopup(nullptr, nullptr, L"", L"", WOD_NEW_POPUP, true);
  });
  EXPECT_FALSE(empty_answer);
  EXPECT_EQ(1, static_cast<int>(journal_.Starting("popup@").size()));

  // Load errors reach callback 10.
  const char* dead = std::getenv("QOZ_TEST_DEAD_URL");
  ASSERT_NE(dead, nullptr);
  OnMain([&] { control->LoadURL(Wide(std::string(dead) + "/gone")); });
  EXPECT_TRUE(journal_.WaitFor("load_error@0 -102 " + std::string(dead) + "/gone"))
      << journal_.Describe();

  // Unset callbacks: a pop-up is refused; nothing else happens.
  CefControl* bare = AddControl(host, {200, 0, 400, 100});
  ASSERT_TRUE(WaitUntil([&] { return static_cast<bool>(bare->GetBrowser()); }));
  OnMain([&] {
    EXPECT_FALSE(bare->OnBeforePopup(nullptr, nullptr, L"http://x/", L"", WOD_NEW_POPUP, true));
    EXPECT_FALSE(bare->OnBeforeBrowse(nullptr, nullptr, nullptr, false));
    EXPECT_EQ(RV_CONTINUE, bare->OnBeforeResourceLoad(nullptr, nullptr, nullptr, nullptr));
    // Without a bridge (not initialised) a page call is dropped.
    CefControl unattached;
    EXPECT_FALSE(unattached.OnCallCppFunction(L"f", L"{}", 1, nullptr));
    EXPECT_FALSE(unattached.OnExecuteCppCallback(1, L"{}"));
    bare->OnTitleChange(nullptr, L"t");
    bare->OnLoadEnd(nullptr, nullptr, 200);
    bare->CloseDevTools();
    EXPECT_FALSE(bare->IsDevToolsShown());
  });
  EXPECT_EQ(0, journal_.Count("dev_tools@0 false"));
}

TEST_F(CefControlTest, LoadsBeforeTheBrowserAreQueuedAndBeforeInitialisationDropped) {
  Host* host = MakeHost();
  CefControl* early = nullptr;
  OnMain([&] {
    early = new CefControl();
    Record(early, &journal_, "early");
    early->LoadURL(Wide(PageUrl("/log/dropped")));
  });
  OnMain([&] {
    CefControl* control = new CefControl();
    Record(control, &journal_, "");
    Place(control, {0, 0, 200, 100});
    host->root->Add(control);
    EXPECT_FALSE(control->GetBrowser());
    control->LoadURL(Wide(PageUrl("/log/one")));
    control->LoadURL(Wide(PageUrl("/log/two")));
    host->root->Add(early);
  });
  EXPECT_TRUE(journal_.WaitFor("title@0 two")) << journal_.Describe();
  ASSERT_TRUE(journal_.WaitFor("early.created@0")) << journal_.Describe();
  OnMain([&] { early->LoadURL(Wide(PageUrl("/logged"))); });
  ASSERT_TRUE(WaitUntil([&] { return !journal_.Starting("early.title@0 logged").empty(); }));
  // Both queued loads ran, in order, and the dropped one never: the first
  // reached the server, or the host browser dropped its request for the
  // second before sending it.
  const std::string logged = journal_.Starting("early.title@0 logged").front();
  if (logged != "early.title@0 logged one two") {
    EXPECT_EQ("early.title@0 logged two", logged);
    EXPECT_EQ(1, journal_.Count("load_error@0 -3 " + PageUrl("/log/one"))) << journal_.Describe();
  }
}

TEST_F(CefControlTest, RealClicksReachThePageRelativeToTheControl) {
  Host* host = MakeHost();
  CefControl* control =
      AddControl(host, {100, 50, 300, 150}, [&](CefControl* c) { Record(c, &journal_, ""); });
  OnMain([&] { control->LoadURL(Wide(PageUrl("/pointer"))); });
  ASSERT_TRUE(journal_.WaitFor("load_end@0 200")) << journal_.Describe();
  OnMain([&] { EXPECT_FALSE(control->IsFocused()); });

  const struct {
    DWORD down, up;
    int button;
  } buttons[] = {{MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 0},
                 {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, 2},
                 {MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 1}};
  int x = 20;
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.button);
    x += 25;
    const std::string at = std::to_string(x) + " 40 " + std::to_string(b.button);
    MoveTo(host, 100 + x, 50 + 40);
    Sleep(100);
    test_support::MouseButton(b.down);
    EXPECT_TRUE(journal_.WaitFor("title@0 down " + at + " 1")) << journal_.Describe();
    test_support::MouseButton(b.up);
    EXPECT_TRUE(journal_.WaitFor("title@0 up " + at + " 1")) << journal_.Describe();
    // The press gave the control the focus first.
    OnMain([&] { EXPECT_TRUE(control->IsFocused()); });
    // Far enough from the last click for a new one.
    Sleep(GetDoubleClickTime() + 100);
  }

  for (const auto& b : buttons) {
    SCOPED_TRACE(b.button);
    x += 25;
    const std::string at = std::to_string(x) + " 40 " + std::to_string(b.button);
    MoveTo(host, 100 + x, 50 + 40);
    Sleep(100);
    test_support::MouseButton(b.down);
    test_support::MouseButton(b.up);
    test_support::MouseButton(b.down);
    test_support::MouseButton(b.up);
    EXPECT_TRUE(journal_.WaitFor("title@0 down " + at + " 2")) << journal_.Describe();
    EXPECT_TRUE(journal_.WaitFor("title@0 up " + at + " 2")) << journal_.Describe();
    Sleep(GetDoubleClickTime() + 100);
  }
}

TEST_F(CefControlTest, RealWheelKeysAndHover) {
  Host* host = MakeHost();
  CefControl* control =
      AddControl(host, {100, 50, 300, 150}, [&](CefControl* c) { Record(c, &journal_, ""); });
  OnMain([&] { control->LoadURL(Wide(PageUrl("/pointer"))); });
  ASSERT_TRUE(journal_.WaitFor("load_end@0 200")) << journal_.Describe();

  // Keys reach the page only while the control has the focus.
  const HWND window = host->window.GetHWND();
  PostMessageW(window, WM_KEYDOWN, 'B', 0);
  PostMessageW(window, WM_KEYUP, 'B', 0);
  MoveTo(host, 150, 100);
  EXPECT_TRUE(journal_.WaitFor("title@0 entered")) << journal_.Describe();
  test_support::MouseButton(MOUSEEVENTF_LEFTDOWN);
  test_support::MouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(journal_.WaitFor("title@0 up 50 50 0 1")) << journal_.Describe();
  PostMessageW(window, WM_KEYDOWN, 'C', 0);
  PostMessageW(window, WM_CHAR, 'c', 0);
  PostMessageW(window, WM_KEYUP, 'C', 0);
  EXPECT_TRUE(journal_.WaitFor("title@0 keydown c")) << journal_.Describe();
  EXPECT_TRUE(journal_.WaitFor("title@0 char c")) << journal_.Describe();
  EXPECT_EQ(0, journal_.Count("title@0 keydown b"));

  // The wheel: vertical, horizontal with Shift.
  test_support::MouseButton(MOUSEEVENTF_WHEEL, static_cast<DWORD>(-WHEEL_DELTA));
  EXPECT_TRUE(journal_.WaitFor("title@0 wheel 0 1")) << journal_.Describe();
  INPUT shift = {};
  shift.type = INPUT_KEYBOARD;
  shift.ki.wVk = VK_SHIFT;
  SendInput(1, &shift, sizeof(shift));
  test_support::MouseButton(MOUSEEVENTF_WHEEL, static_cast<DWORD>(WHEEL_DELTA));
  shift.ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(1, &shift, sizeof(shift));
  EXPECT_TRUE(journal_.WaitFor("title@0 wheel -1 0")) << journal_.Describe();

  // Not over a window lying above the control.
  HWND cover = nullptr;
  OnMain([&] {
    cover = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, L"STATIC", L"", WS_POPUP | WS_VISIBLE,
                            host->origin.x + 250, host->origin.y + 60, 40, 40, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  });
  ASSERT_NE(cover, nullptr);
  MoveTo(host, 270, 80);
  Sleep(200);
  test_support::MouseButton(MOUSEEVENTF_WHEEL, static_cast<DWORD>(-WHEEL_DELTA));
  MoveTo(host, 150, 100);
  Sleep(200);
  test_support::MouseButton(MOUSEEVENTF_WHEEL, static_cast<DWORD>(WHEEL_DELTA));
  EXPECT_TRUE(journal_.WaitFor("title@0 wheel 0 -1")) << journal_.Describe();
  EXPECT_EQ(1, journal_.Count("title@0 wheel 0 1")) << journal_.Describe();
  OnMain([&] { DestroyWindow(cover); });

  // Hover: leaving the control for the rest of the window, and the window.
  MoveTo(host, 150, 100);
  Sleep(1000);
  const int entered = journal_.Count("title@0 entered");
  const int left = journal_.Count("title@0 left");
  MoveTo(host, 50, 20);
  EXPECT_TRUE(journal_.WaitForCount("title@0 left", left + 1)) << journal_.Describe();
  MoveTo(host, 150, 100);
  EXPECT_TRUE(journal_.WaitForCount("title@0 entered", entered + 1)) << journal_.Describe();
  MoveTo(host, 600, 100);
  EXPECT_TRUE(journal_.WaitForCount("title@0 left", left + 2)) << journal_.Describe();
}

TEST_F(CefControlTest, DevToolsAskedBeforeEitherBrowserOpenOnceBothExist) {
  Host* host = MakeHost();
  CefControl* page = nullptr;
  CefControl* tools = nullptr;
  OnMain([&] {
    page = new CefControl();
    tools = new CefControl();
    Record(page, &journal_, "page");
    Record(tools, &journal_, "tools");
    Place(page, {0, 0, 200, 100});
    Place(tools, {200, 0, 400, 250});
    host->root->Add(page);
    host->root->Add(tools);
    EXPECT_FALSE(page->GetBrowser());
    EXPECT_TRUE(page->ShowDevTools(tools));
    EXPECT_TRUE(page->ShowDevTools(nullptr));
    tools->LoadURL(Wide(PageUrl("/title/own")));
  });
  EXPECT_TRUE(journal_.WaitFor("page.dev_tools@0 true")) << journal_.Describe();
  EXPECT_TRUE(WaitUntil([&] { return CefManager::GetInstance()->browser_count() == 3; }));
  EXPECT_TRUE(journal_.WaitFor("tools.title@0 own")) << journal_.Describe();
  CefRefPtr<cef_browser_t> own;
  OnMain([&] {
    EXPECT_TRUE(page->IsDevToolsShown());
    // Asked again while open: nothing more.
    EXPECT_TRUE(page->ShowDevTools(tools));
  });
  EXPECT_TRUE(journal_.WaitFor("tools.created@0")) << journal_.Describe();
  EXPECT_EQ(2, journal_.Count("tools.created@0")) << journal_.Describe();
  EXPECT_EQ(1, journal_.Count("page.dev_tools@0 true"));

  const size_t loads_before = journal_.Starting("tools.load_end@0").size();
  OnMain([&] {
    page->CloseDevTools();
    page->CloseDevTools();
  });
  EXPECT_TRUE(journal_.WaitFor("tools.closed@0")) << journal_.Describe();
  EXPECT_TRUE(WaitUntil([&] { return CefManager::GetInstance()->browser_count() == 2; }));
  // The control's own page is back, reloaded.
  for (int i = 0; i < 600 && journal_.Starting("tools.load_end@0").size() <= loads_before; ++i) {
    Sleep(100);
  }
  EXPECT_GT(journal_.Starting("tools.load_end@0").size(), loads_before) << journal_.Describe();
  EXPECT_EQ(1, journal_.Count("page.dev_tools@0 false"));
  OnMain([&] { EXPECT_FALSE(page->IsDevToolsShown()); });
}

TEST_F(CefControlTest, DestroyingControlsOrTheirWindowEarlyLeavesNoBrowser) {
  // Before the browser exists, and while the page loads.
  Host* first = MakeHost({100, 100}, {200, 100});
  AddControl(first, {0, 0, 200, 100});
  OnMain([&] {
    first->window.Destroy();
    delete first;
  });
  hosts_.erase(std::find(hosts_.begin(), hosts_.end(), first));
  Host* second = MakeHost({100, 300}, {200, 100});
  CefControl* loading =
      AddControl(second, {0, 0, 200, 100}, [&](CefControl* c) { Record(c, &journal_, ""); });
  OnMain([&] { loading->LoadURL(Wide(PageUrl("/title/going"))); });
  ASSERT_TRUE(journal_.WaitFor("created@0")) << journal_.Describe();
  OnMain([&] { second->root->Remove(loading); });
  CefControl* unborn = AddControl(second, {0, 0, 200, 100});
  OnMain([&] { second->root->Remove(unborn); });
  EXPECT_TRUE(WaitUntil([&] { return CefManager::GetInstance()->browser_count() == 0; }))
      << BrowserCount();
}

TEST_F(CefControlTest, TheWindowedControlClipsItsWindowAndOpensDevToolsOnce) {
  // A plain window: a child window does not show in a layered one.
  Host* host = new Host();
  hosts_.push_back(host);
  CefNativeControl* control = nullptr;
  OnMain([&] {
    host->window.GetShadow().attached = false;
    host->window.Create(nullptr, L"", WS_POPUP, 0, false, {100, 600, 400, 800});
    host->window.ShowWindow(true, false);
    host->root = new ui::Box;
    host->window.AttachRootControl(host->root);
    EXPECT_EQ(0, GetWindowLongW(host->window.GetHWND(), GWL_STYLE) & WS_CLIPCHILDREN);
    control = new CefNativeControl();
    Record(control, &journal_, "");
    host->root->Add(control);
    const LONG style = GetWindowLongW(host->window.GetHWND(), GWL_STYLE);
    EXPECT_EQ(WS_CLIPCHILDREN | WS_CLIPSIBLINGS, style & (WS_CLIPCHILDREN | WS_CLIPSIBLINGS));
    // Asked before the browser exists: opens once it does.
    EXPECT_TRUE(control->ShowDevTools(nullptr));
  });
  EXPECT_TRUE(journal_.WaitFor("dev_tools@0 true")) << journal_.Describe();
  EXPECT_TRUE(WaitUntil([] { return CefManager::GetInstance()->browser_count() == 2; }));
  // The tools have a window of their own.
  HWND tools = nullptr;
  EXPECT_TRUE(
      WaitUntil([&] { return (tools = FindWindowW(nullptr, L"cef_devtools")) != nullptr; }));
  RECT tools_rect = {};
  GetWindowRect(tools, &tools_rect);
  EXPECT_EQ(900, tools_rect.right - tools_rect.left);
  EXPECT_EQ(700, tools_rect.bottom - tools_rect.top);
  EXPECT_EQ(nullptr, GetParent(tools));
  OnMain([&] {
    EXPECT_TRUE(control->ShowDevTools(nullptr));
    control->CloseDevTools();
  });
  EXPECT_EQ(1, journal_.Count("dev_tools@0 true"));
  EXPECT_TRUE(journal_.WaitFor("dev_tools@0 false")) << journal_.Describe();
  EXPECT_TRUE(WaitUntil([] { return CefManager::GetInstance()->browser_count() == 1; }));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(tools); }));
}

TEST_F(CefControlTest, ALostCaptureReleasesTheButtonThePageHolds) {
  Host* host = MakeHost();
  CefControl* control =
      AddControl(host, {100, 50, 300, 150}, [&](CefControl* c) { Record(c, &journal_, ""); });
  OnMain([&] { control->LoadURL(Wide(PageUrl("/pointer"))); });
  ASSERT_TRUE(journal_.WaitFor("load_end@0 200")) << journal_.Describe();
  HWND other = nullptr;
  OnMain([&] {
    other = CreateWindowExW(WS_EX_NOACTIVATE, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
  });
  ASSERT_NE(other, nullptr);
  const struct {
    const char* name;
    std::function<void()> interrupt;
  } cases[] = {{"released", [] { ReleaseCapture(); }},
               {"taken by another window", [&] { SetCapture(other); }}};
  int x = 20;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    x += 40;
    // A drag in the page: pressed at one point, moved to another.
    MoveTo(host, 100 + x, 50 + 30);
    Sleep(100);
    test_support::MouseButton(MOUSEEVENTF_LEFTDOWN);
    EXPECT_TRUE(journal_.WaitFor("title@0 down " + std::to_string(x) + " 30 0 1"))
        << journal_.Describe();
    MoveTo(host, 100 + x + 10, 50 + 60);
    EXPECT_TRUE(journal_.WaitFor("title@0 drag " + std::to_string(x + 10) + " 60"))
        << journal_.Describe();
    OnMain([&] { EXPECT_EQ(host->window.GetHWND(), GetCapture()); });
    OnMain(c.interrupt);
    // The page hears the button go up while it is still held.
    EXPECT_TRUE(journal_.WaitFor("title@0 up " + std::to_string(x + 10) + " 60 0 1"))
        << journal_.Describe();
    OnMain([] { ReleaseCapture(); });
    test_support::MouseButton(MOUSEEVENTF_LEFTUP);
    Sleep(GetDoubleClickTime() + 100);
  }
  OnMain([&] { DestroyWindow(other); });
}

TEST_F(CefControlTest, TheWindowedBrowserLivesInAChildWindowThatFollowsTheControl) {
  Host* host = MakePlainHost({100, 300}, {400, 250});
  HWND child = nullptr;
  CefNativeControl* control = AddNativeControl(host, {40, 30, 240, 130}, &child);
  ASSERT_NE(child, nullptr);
  OnMain([&] { control->LoadURL(Wide(PageUrl("/color/336699"))); });
  // A child of the control's window, served by the runtime's own thread.
  const HWND window = host->window.GetHWND();
  EXPECT_EQ(window, GetAncestor(child, GA_PARENT));
  EXPECT_NE(GetWindowThreadProcessId(window, nullptr), GetWindowThreadProcessId(child, nullptr));
  EXPECT_EQ(child, FindWindowExW(window, nullptr, nullptr, nullptr));
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_TRUE(WaitForPlace(child, {40, 30, 240, 130})) << Describe(PlaceOf(child));
  // It shows the page, and the window's own drawing leaves it alone.
  EXPECT_TRUE(WaitForWindowPixel(child, 100, 50, kPage)) << std::hex << WindowPixel(child, 100, 50);
  EXPECT_TRUE(WaitForWindowPixel(window, 140, 80, kPage))
      << std::hex << WindowPixel(window, 140, 80);
  EXPECT_TRUE(WaitForWindowPixel(window, 20, 20, kUnder))
      << std::hex << WindowPixel(window, 20, 20);

  // Moved and grown: the window follows and the page fills it.
  OnMain([&] { Place(control, {100, 80, 350, 230}); });
  EXPECT_TRUE(WaitForPlace(child, {100, 80, 350, 230})) << Describe(PlaceOf(child));
  EXPECT_TRUE(WaitForWindowPixel(child, 240, 140, kPage))
      << std::hex << WindowPixel(child, 240, 140);

  // Hidden, the window stays, visible at zero size; its size comes back with
  // the control's next position.
  OnMain([&] { control->SetFadeVisible(false); });
  const RECT hidden = PlaceOf(child);
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_TRUE(IsRectEmpty(&hidden)) << Describe(hidden);
  OnMain([&] {
    control->SetFadeVisible(true);
    Place(control, {100, 80, 350, 230});
  });
  EXPECT_TRUE(WaitForPlace(child, {100, 80, 350, 230})) << Describe(PlaceOf(child));

  // Moved to another window: re-parented there, with the clipping styles.
  Host* other = MakePlainHost({550, 300}, {300, 200});
  OnMain([&] {
    EXPECT_EQ(0, GetWindowLongW(other->window.GetHWND(), GWL_STYLE) & WS_CLIPCHILDREN);
    host->root->SetAutoDestroy(false);
    host->root->Remove(control);
    host->root->SetAutoDestroy(true);
    other->root->Add(control);
    Place(control, {10, 20, 210, 120});
  });
  EXPECT_EQ(other->window.GetHWND(), GetAncestor(child, GA_PARENT));
  const LONG style = GetWindowLongW(other->window.GetHWND(), GWL_STYLE);
  EXPECT_EQ(WS_CLIPCHILDREN | WS_CLIPSIBLINGS, style & (WS_CLIPCHILDREN | WS_CLIPSIBLINGS));
  EXPECT_TRUE(WaitForPlace(child, {10, 20, 210, 120})) << Describe(PlaceOf(child));
}

TEST_F(CefControlTest, RealInputOnTheWindowedBrowsersWindowReachesThePage) {
  Host* host = MakePlainHost({100, 300}, {400, 250});
  HWND child = nullptr;
  CefNativeControl* control = AddNativeControl(host, {40, 30, 240, 130}, &child);
  ASSERT_NE(child, nullptr);
  OnMain([&] { control->LoadURL(Wide(PageUrl("/pointer"))); });
  ASSERT_TRUE(journal_.WaitFor("load_end@0 200")) << journal_.Describe();
  ASSERT_TRUE(WaitForPlace(child, {40, 30, 240, 130})) << Describe(PlaceOf(child));

  // Buttons at a page point: the window's own point.
  MoveTo(host, 40 + 60, 30 + 40);
  EXPECT_TRUE(journal_.WaitFor("title@0 entered")) << journal_.Describe();
  const struct {
    DWORD down, up;
    int button;
  } buttons[] = {{MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 0},
                 {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, 2}};
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.button);
    const std::string at = "60 40 " + std::to_string(b.button);
    test_support::MouseButton(b.down);
    EXPECT_TRUE(journal_.WaitFor("title@0 down " + at + " 1")) << journal_.Describe();
    test_support::MouseButton(b.up);
    EXPECT_TRUE(journal_.WaitFor("title@0 up " + at + " 1")) << journal_.Describe();
    Sleep(GetDoubleClickTime() + 100);
  }
  test_support::MouseButton(MOUSEEVENTF_LEFTDOWN);
  test_support::MouseButton(MOUSEEVENTF_LEFTUP);
  test_support::MouseButton(MOUSEEVENTF_LEFTDOWN);
  test_support::MouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(journal_.WaitFor("title@0 up 60 40 0 2")) << journal_.Describe();

  // The click gave the window the keyboard focus: typed keys reach the page.
  GUITHREADINFO focus = {};
  focus.cbSize = sizeof(focus);
  EXPECT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(child, nullptr), &focus));
  EXPECT_EQ(child, focus.hwndFocus);
  for (DWORD flags : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
    INPUT key = {};
    key.type = INPUT_KEYBOARD;
    key.ki.wVk = 'K';
    key.ki.dwFlags = flags;
    SendInput(1, &key, sizeof(key));
  }
  EXPECT_TRUE(journal_.WaitFor("title@0 keydown k")) << journal_.Describe();
  EXPECT_TRUE(journal_.WaitFor("title@0 char k")) << journal_.Describe();

  test_support::MouseButton(MOUSEEVENTF_WHEEL, static_cast<DWORD>(-WHEEL_DELTA));
  EXPECT_TRUE(journal_.WaitFor("title@0 wheel 0 1")) << journal_.Describe();

  // Leaving the window clears the page's hover.
  MoveTo(host, 20, 20);
  EXPECT_TRUE(journal_.WaitFor("title@0 left")) << journal_.Describe();
}

TEST_F(CefControlTest, AFileInputAsksTheFileDialogCallbackOnTheRuntimesThread) {
  test_support::ScratchDir scratch;
  const std::wstring first = scratch.Child(L"first.txt");
  const std::wstring second = scratch.Child(L"second.txt");
  test_support::WriteFileBytes(first, "hello");
  test_support::WriteFileBytes(second, "hi");
  Host* host = MakeHost();
  // Each click on the page's file input answers with the next of these.
  struct Answer {
    bool answered;
    std::vector<std::wstring> files;
  };
  const std::vector<Answer> answers = {{true, {first, second}}, {false, {}}, {true, {second}}};
  std::atomic<size_t> asked{0};
  CefControl* control = AddControl(host, {100, 50, 300, 150}, [&](CefControl* c) {
    Record(c, &journal_, "");
    c->SetOnFileDialog([&](cef_file_dialog_mode_t mode, const std::wstring& title,
                           const std::wstring& default_path,
                           const std::vector<std::wstring>& accept_filters, int selected,
                           CefRefPtr<cef_file_dialog_callback_t> callback) {
      std::string filters;
      for (const std::wstring& filter : accept_filters) filters += "[" + Narrow(filter) + "]";
      journal_.Add("file_dialog", std::to_string(mode) + " " + filters + " " + Narrow(title) +
                                      Narrow(default_path) + std::to_string(selected));
      const Answer& answer = answers[std::min(asked++, answers.size() - 1)];
      if (!answer.answered) return false;
      cef_string_list_t paths = cef_string_list_alloc();
      for (const std::wstring& file : answer.files) {
        const CefString path(file);
        cef_string_list_append(paths, path.get());
      }
      callback->cont(callback.get(), 0, paths);
      cef_string_list_free(paths);
      return true;
    });
  });
  OnMain([&] { control->LoadURL(Wide(PageUrl("/upload"))); });
  ASSERT_TRUE(journal_.WaitFor("load_end@0 200")) << journal_.Describe();
  const auto click = [&] {
    MoveTo(host, 150, 100);
    Sleep(100);
    test_support::MouseButton(MOUSEEVENTF_LEFTDOWN);
    test_support::MouseButton(MOUSEEVENTF_LEFTUP);
  };
  const std::string asked_line = "file_dialog@runtime 1 [.txt][image/png] 0";
  click();
  EXPECT_TRUE(journal_.WaitFor(asked_line)) << journal_.Describe();
  EXPECT_TRUE(journal_.WaitFor("title@0 files first.txt:5 second.txt:2")) << journal_.Describe();
  // Not answered: the page gets nothing, and asks again on the next click.
  Sleep(GetDoubleClickTime() + 100);
  click();
  EXPECT_TRUE(journal_.WaitForCount(asked_line, 2)) << journal_.Describe();
  Sleep(GetDoubleClickTime() + 100);
  click();
  EXPECT_TRUE(journal_.WaitForCount(asked_line, 3)) << journal_.Describe();
  EXPECT_TRUE(journal_.WaitFor("title@0 files second.txt:2")) << journal_.Describe();
  EXPECT_EQ(2, static_cast<int>(journal_.Starting("title@0 files").size())) << journal_.Describe();

  // Unset, the answer is the runtime's own.
  OnMain([&] {
    CefControl bare;
    EXPECT_FALSE(bare.OnFileDialog(nullptr, FILE_DIALOG_OPEN, L"", L"", {}, 0, nullptr));
  });
}

// The system's handler of the test protocol: the shell's command writes the
// address it was given into a file. Removed again at the end of the test.
// Wine's shell reads protocols from the machine's classes only.
class TestProtocolHandler {
 public:
  TestProtocolHandler(const std::wstring& protocol, const std::wstring& record) : key_(protocol) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring command =
        L"\"" + std::wstring(system) + L"\\cmd.exe\" /c echo %1>>\"" + record + L"\"";
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, (key_ + L"\\shell\\open\\command").c_str(), 0, nullptr,
                        0, KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
      RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                     static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
      RegCloseKey(key);
    }
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key_.c_str(), 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
      RegSetValueExW(key, L"URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""),
                     sizeof(wchar_t));
      RegCloseKey(key);
    }
  }
  ~TestProtocolHandler() { RegDeleteTreeW(HKEY_CLASSES_ROOT, key_.c_str()); }
  TestProtocolHandler(const TestProtocolHandler&) = delete;
  TestProtocolHandler& operator=(const TestProtocolHandler&) = delete;

 private:
  const std::wstring key_;
};

TEST_F(CefControlTest, AnAddressOfAnotherProtocolAsksTheProtocolCallbackOnTheRuntimesThread) {
  test_support::ScratchDir scratch;
  const std::wstring opened = scratch.Child(L"opened.txt");
  TestProtocolHandler system_handler(L"qoztest", opened);
  Host* host = MakeHost();
  CefControl* control = AddControl(host, {0, 0, 200, 100}, [&](CefControl* c) {
    Record(c, &journal_, "");
    c->SetOnProtocolExecution([&](CefRefPtr<cef_browser_t> browser, const std::wstring& url,
                                  bool& allow) {
      journal_.Add("protocol",
                   Narrow(url) + (allow ? " allowed" : "") + (browser ? "" : " without a browser"));
      if (url == L"qoztest:open") allow = true;
    });
  });
  ASSERT_TRUE(journal_.WaitFor("created@0")) << journal_.Describe();
  // Loaded directly, and navigated to by the page; the page's own addresses
  // never ask.
  OnMain([&] { control->LoadURL(L"qoztest:direct"); });
  EXPECT_TRUE(journal_.WaitFor("protocol@runtime qoztest:direct")) << journal_.Describe();
  OnMain([&] { control->LoadURL(Wide(PageUrl("/title/plain"))); });
  ASSERT_TRUE(journal_.WaitFor("title@0 plain")) << journal_.Describe();
  OnMain([&] {
    CefRefPtr<cef_browser_t> browser = control->GetBrowser();
    CefRefPtr<cef_frame_t> frame =
        CefRefPtr<cef_frame_t>::Adopt(browser->get_main_frame(browser.get()));
    const CefString script(L"location.href = 'mailto:someone@example.com';");
    frame->execute_java_script(frame.get(), script.get(), nullptr, 0);
  });
  EXPECT_TRUE(journal_.WaitFor("protocol@runtime mailto:someone@example.com"))
      << journal_.Describe();
  EXPECT_EQ(2, static_cast<int>(journal_.Starting("protocol@").size())) << journal_.Describe();

  // Allowed, the address goes to the system's handler of its protocol; the
  // one refused earlier never did.
  OnMain([&] { control->LoadURL(L"qoztest:open"); });
  EXPECT_TRUE(journal_.WaitFor("protocol@runtime qoztest:open")) << journal_.Describe();
  std::string record;
  EXPECT_TRUE(WaitUntil([&] {
    return test_support::TryReadFileBytes(opened, &record) &&
           record.find("qoztest:open") != std::string::npos;
  })) << record;
  EXPECT_EQ(std::string::npos, record.find("qoztest:direct")) << record;

  // Unset, the flag stays as the runtime gave it.
  OnMain([&] {
    CefControl bare;
    for (bool given : {false, true}) {
      bool allow = given;
      bare.OnProtocolExecution(nullptr, L"qoztest:bare", allow);
      EXPECT_EQ(given, allow);
    }
  });
}

TEST_F(CefControlTest, ADownloadAsksWhereToSaveItAndReportsItsEnd) {
  test_support::ScratchDir scratch;
  Host* host = MakeHost();
  CefControl* control = AddControl(host, {0, 0, 200, 100}, [&](CefControl* c) {
    Record(c, &journal_, "");
    // Saved in the scratch folder unless its name says not to.
    c->SetOnBeforeDownload([&](CefRefPtr<cef_browser_t>, CefRefPtr<cef_download_item_t> item,
                               const std::wstring& suggested_name,
                               CefRefPtr<cef_before_download_callback_t> callback) {
      cef_string_userfree_t url = item->get_url(item.get());
      journal_.Add("before_download", Narrow(suggested_name) + " " + Narrow(ToWide(url)));
      cef_string_userfree_utf16_free(url);
      if (suggested_name.find(L"unwanted") != std::wstring::npos) return;
      const CefString path(scratch.Child(suggested_name));
      callback->cont(callback.get(), path.get(), 0);
    });
    c->SetOnDownloadUpdated([&](CefRefPtr<cef_browser_t>, CefRefPtr<cef_download_item_t> item,
                                CefRefPtr<cef_download_item_callback_t>) {
      if (item->is_in_progress(item.get())) return;
      cef_string_userfree_t path = item->get_full_path(item.get());
      journal_.Add("download_ended", std::string(item->is_complete(item.get()) ? "complete" : "") +
                                         (item->is_canceled(item.get()) ? "canceled" : "") + " " +
                                         std::to_string(item->get_received_bytes(item.get())) +
                                         " " + Narrow(ToWide(path)));
      cef_string_userfree_utf16_free(path);
    });
  });
  ASSERT_TRUE(journal_.WaitFor("created@0")) << journal_.Describe();

  OnMain([&] { control->LoadURL(Wide(PageUrl("/download/report.txt"))); });
  EXPECT_TRUE(
      journal_.WaitFor("before_download@runtime report.txt " + PageUrl("/download/report.txt")))
      << journal_.Describe();
  const std::wstring saved = scratch.Child(L"report.txt");
  EXPECT_TRUE(journal_.WaitFor("download_ended@runtime complete 22 " + Narrow(saved)))
      << journal_.Describe();
  std::string contents;
  EXPECT_TRUE(test_support::TryReadFileBytes(saved, &contents));
  EXPECT_EQ("contents of report.txt", contents);

  // Not continued: cancelled, nothing saved.
  OnMain([&] { control->LoadURL(Wide(PageUrl("/download/unwanted.txt"))); });
  EXPECT_TRUE(
      journal_.WaitFor("before_download@runtime unwanted.txt " + PageUrl("/download/unwanted.txt")))
      << journal_.Describe();
  EXPECT_TRUE(WaitUntil([&] {
    return !journal_.Starting("download_ended@runtime canceled").empty();
  })) << journal_.Describe();
  OnMain([&] { control->LoadURL(Wide(PageUrl("/title/after"))); });
  EXPECT_TRUE(journal_.WaitFor("title@0 after")) << journal_.Describe();
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(scratch.Child(L"unwanted.txt").c_str()));
  EXPECT_EQ(1, static_cast<int>(journal_.Starting("download_ended@runtime complete").size()))
      << journal_.Describe();
}

TEST_F(CefControlTest, RealRightClicksShowNoMenuAndOnlyADirectCallReachesTheCommandCallback) {
  Host* host = MakeHost();
  CefControl* control = AddControl(host, {100, 50, 300, 150}, [&](CefControl* c) {
    Record(c, &journal_, "");
    c->SetOnBeforeContextMenu([&](CefRefPtr<cef_context_menu_params_t>,
                                  CefRefPtr<cef_menu_model_t>) { journal_.Add("menu", ""); });
  });
  OnMain([&] { control->LoadURL(Wide(PageUrl("/menu"))); });
  ASSERT_TRUE(journal_.WaitFor("load_end@0 200")) << journal_.Describe();
  // On the link, on the text field and on the page.
  const POINT points[] = {{20, 20}, {20, 75}, {150, 75}};
  for (const POINT& point : points) {
    const std::string at = std::to_string(point.x) + " " + std::to_string(point.y);
    SCOPED_TRACE(at);
    MoveTo(host, 100 + point.x, 50 + point.y);
    Sleep(100);
    test_support::MouseButton(MOUSEEVENTF_RIGHTDOWN);
    test_support::MouseButton(MOUSEEVENTF_RIGHTUP);
    // The page's own report of the event comes after the runtime asked the
    // handler, and a task of the runtime's thread runs after the menu would
    // have closed.
    ASSERT_TRUE(journal_.WaitFor("title@0 menu " + at)) << journal_.Describe();
    std::atomic<bool> ran{false};
    ASSERT_TRUE(CefClosureTask::Post(TID_UI, [&ran] { ran = true; }));
    for (int i = 0; i < 600 && !ran; ++i) Sleep(100);
    EXPECT_TRUE(ran);
    EXPECT_EQ(nullptr, test_support::FindMenuWindow(false));
    Sleep(GetDoubleClickTime() + 100);
  }
  EXPECT_EQ(0, journal_.Count("menu@0") + journal_.Count("menu@runtime"));

  // The command callback answers for the control; unset, the answer is no.
  OnMain([&] {
    EXPECT_FALSE(control->OnContextMenuCommand(nullptr, nullptr, nullptr, MENU_COMMAND_RELOAD, 0));
    control->SetOnContextMenuCommand(
        [&](CefRefPtr<cef_context_menu_params_t>, int command_id, int event_flags) {
          journal_.Add("command", std::to_string(command_id) + " " + std::to_string(event_flags));
          return command_id == MENU_COMMAND_COPY;
        });
    EXPECT_TRUE(control->OnContextMenuCommand(nullptr, nullptr, nullptr, MENU_COMMAND_COPY,
                                              EVENTFLAG_CONTROL_DOWN));
    EXPECT_FALSE(control->OnContextMenuCommand(nullptr, nullptr, nullptr, MENU_COMMAND_RELOAD, 0));
  });
  EXPECT_EQ(1, journal_.Count("command@0 5 4")) << journal_.Describe();
  EXPECT_EQ(1, journal_.Count("command@0 3 0")) << journal_.Describe();
}

TEST_F(CefControlTest, TheHostWindowTakesTheCursorOfThePageUnderTheMouse) {
  Host* host = MakeHost();
  CefControl* control =
      AddControl(host, {100, 50, 300, 150}, [&](CefControl* c) { Record(c, &journal_, ""); });
  OnMain([&] { control->LoadURL(Wide(PageUrl("/menu"))); });
  ASSERT_TRUE(journal_.WaitFor("load_end@0 200")) << journal_.Describe();
  const HWND window = host->window.GetHWND();
  const auto class_cursor = [window] {
    return reinterpret_cast<HCURSOR>(GetClassLongPtrW(window, GCLP_HCURSOR));
  };
  const struct {
    POINT point;
    LPCWSTR cursor;
  } cases[] = {{{150, 80}, IDC_HAND},
               {{250, 140}, IDC_ARROW},
               {{120, 125}, IDC_IBEAM},
               {{160, 70}, IDC_HAND}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.point.x) + "," + std::to_string(c.point.y));
    // A few moves: the page hears of the first only once it has the mouse.
    const HCURSOR expected = LoadCursorW(nullptr, c.cursor);
    bool reached = false;
    for (int i = 0; i < 600 && !reached; ++i) {
      MoveTo(host, c.point.x + i % 2, c.point.y);
      Sleep(100);
      reached = class_cursor() == expected;
    }
    EXPECT_TRUE(reached);
  }
}

}  // namespace
}  // namespace qoz_comp
