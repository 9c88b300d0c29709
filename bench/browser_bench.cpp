// Measures the embedded browser through the launcher's own objects: the
// runtime's start (manager) and a browser's creation, a navigation to its
// first frame, a click to the frame that shows it, a page's bridge call to
// its callback, the CPU of a 60 fps animation (this process and the host
// browser) and the memory both hold.
//
// Usage: browser_bench (beside the "cef" folder; the host browser from the
// machine)
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "base/thread_registry.h"
#include "bench/bench_timing.h"
#include "browser/browser_handler.h"
#include "browser/cef_js_bridge.h"
#include "browser/cef_manager.h"
#include "browser/cef_settings.h"
#include "browser/cef_string.h"
#include "tests/browser/main_thread.h"
#include "tests/browser/runtime/host_processes.h"
#include "tests/browser/thread_windows.h"

namespace {

using qoz_comp::CefString;
using test_support::MainThread;
using test_support::ReadHostFile;

// What the page shows: the colour at the view's centre, the title, the
// frames painted; waits on them with a generous limit.
class BenchDelegate : public qoz_comp::HandlerDelegate {
 public:
  bool WaitFor(const std::function<bool()>& ready) {
    std::unique_lock<std::mutex> hold(lock_);
    return changed_.wait_for(hold, std::chrono::seconds(120), ready);
  }
  uint32_t centre() const { return centre_; }
  const std::wstring& title() const { return title_; }
  int frames() const { return frames_; }
  bool created() const { return created_; }
  CefRefPtr<cef_browser_t> browser() const { return browser_; }
  void Reset() {
    std::lock_guard<std::mutex> hold(lock_);
    centre_ = 0;
    title_.clear();
  }
  std::mutex& lock() { return lock_; }

  void OnPaint(CefRefPtr<cef_browser_t>, cef_paint_element_type_t type,
               const std::vector<cef_rect_t>&, const std::string& frame, int width,
               int height) override {
    if (type != PET_VIEW || frame.size() != static_cast<size_t>(width) * height * 4) return;
    uint32_t pixel = 0;
    std::memcpy(&pixel, frame.data() + (static_cast<size_t>(height / 2) * width + width / 2) * 4,
                4);
    Change([&] {
      centre_ = pixel & 0xFFFFFF;
      ++frames_;
    });
  }
  void OnPopupShow(CefRefPtr<cef_browser_t>, bool) override {}
  void OnPopupSize(CefRefPtr<cef_browser_t>, const cef_rect_t&) override {}
  void RefreshViewPosition() override {}
  void OnAddressChange(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t>,
                       const std::wstring&) override {}
  void OnTitleChange(CefRefPtr<cef_browser_t>, const std::wstring& title) override {
    Change([&] { title_ = title; });
  }
  void OnLoadingStateChange(CefRefPtr<cef_browser_t>, bool, bool, bool) override {}
  void OnLoadStart(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t>) override {}
  void OnLoadEnd(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t>, int) override {}
  void OnLoadError(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t>, int, const std::wstring&,
                   const std::wstring&) override {}
  bool OnBeforePopup(CefRefPtr<cef_browser_t>, CefRefPtr<cef_frame_t>, const std::wstring&,
                     const std::wstring&, cef_window_open_disposition_t, bool) override {
    return false;
  }
  void OnAfterCreated(CefRefPtr<cef_browser_t> browser) override {
    Change([&] {
      browser_ = browser;
      created_ = true;
    });
  }
  void OnBeforeClose(CefRefPtr<cef_browser_t>) override {
    Change([&] { browser_.reset(); });
  }
  void OnRenderProcessTerminated(CefRefPtr<cef_browser_t>, cef_termination_status_t) override {}
  bool OnCallCppFunction(const std::wstring& function_name, const std::wstring& parameters, int id,
                         CefRefPtr<cef_browser_t> browser) override {
    return bridge_.OnCallCppFunction(function_name, parameters, id, browser);
  }

 private:
  void Change(const std::function<void()>& change) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      change();
    }
    changed_.notify_all();
  }

  std::mutex lock_;
  std::condition_variable changed_;
  uint32_t centre_ = 0;
  std::wstring title_;
  int frames_ = 0;
  bool created_ = false;
  CefRefPtr<cef_browser_t> browser_;
  qoz_comp::CefJSBridge bridge_;
};

double Milliseconds(double seconds) { return seconds * 1000.0; }

// User and kernel seconds of this process.
double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto seconds = [](const FILETIME& time) {
    return static_cast<double>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                               time.dwLowDateTime) /
           1e7;
  };
  return seconds(kernel) + seconds(user);
}

// The host browser's processes (those of the profile under `profile_name`):
// CPU seconds and resident megabytes, read from the host's process table.
struct HostUse {
  double cpu_seconds = 0;
  double resident_mib = 0;
  int processes = 0;
};

HostUse HostBrowserUse(const std::string& profile_name) {
  HostUse use;
  const double ticks = 100.0;
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &entry);
  if (search == INVALID_HANDLE_VALUE) return use;
  do {
    const std::wstring name = entry.cFileName;
    if (name.empty() || name.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
    const std::wstring folder = L"Z:\\proc\\" + name + L"\\";
    std::string command_line = ReadHostFile(folder + L"cmdline");
    if (command_line.find(profile_name) == std::string::npos ||
        command_line.find("host_browser.sh") != std::string::npos) {
      continue;
    }
    const std::string stat = ReadHostFile(folder + L"stat");
    const size_t after_name = stat.rfind(')');
    if (after_name == std::string::npos) continue;
    // Fields after the name: state is field 3; utime and stime are 14 and 15.
    std::vector<std::string> fields;
    size_t at = after_name + 2;
    while (at < stat.size()) {
      const size_t end = stat.find(' ', at);
      fields.push_back(stat.substr(at, end == std::string::npos ? std::string::npos : end - at));
      if (end == std::string::npos) break;
      at = end + 1;
    }
    if (fields.size() < 13) continue;
    use.cpu_seconds += (std::stod(fields[11]) + std::stod(fields[12])) / ticks;
    const std::string status = ReadHostFile(folder + L"status");
    const size_t rss = status.find("VmRSS:");
    if (rss != std::string::npos) use.resident_mib += std::stod(status.substr(rss + 6)) / 1024.0;
    ++use.processes;
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return use;
}

void Load(const CefRefPtr<cef_browser_t>& browser, const std::wstring& url) {
  cef_frame_t* frame = browser->get_main_frame(browser.get());
  const CefString address(url);
  frame->load_url(frame, address.get());
  frame->base.release(&frame->base);
}

void Run(const CefRefPtr<cef_browser_t>& browser, const std::wstring& script) {
  cef_frame_t* frame = browser->get_main_frame(browser.get());
  const CefString code(script);
  frame->execute_java_script(frame, code.get(), nullptr, 0);
  frame->base.release(&frame->base);
}

std::wstring ColourPage(const wchar_t* colour, const wchar_t* body) {
  return std::wstring(L"data:text/html,<html><body style='margin:0;height:100vh;background:%23") +
         colour + L"'>" + body + L"</body></html>";
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main() {
  wchar_t module[MAX_PATH];
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring data_folder(module);
  data_folder = data_folder.substr(0, data_folder.rfind(L'\\') + 1) + L"bench_cef_temp\\";

  qoz_comp::CefManager* manager = qoz_comp::CefManager::GetInstance();
  const double start = BenchNow();
  qoz_comp::CefSettings settings;
  if (!manager->PrepareCefEnvironment() || !manager->Initialize(data_folder, &settings)) {
    std::fprintf(stderr, "the browser runtime did not start\n");
    return 1;
  }
  const double started = BenchNow() - start;
  // The start leaves a hidden window on this thread that the runtime's UI
  // thread closes; the launcher's UI loop answers it, here this pump does.
  test_support::PumpUntilNoWindows();

  MainThread main_thread;
  main_thread.Start(qbase::MessageLoop::Type::kUI);
  BenchDelegate delegate;
  qoz_comp::BrowserHandler* handler = nullptr;
  CefRefPtr<cef_client_t> client;
  const double create_start = BenchNow();
  HANDLE asked = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [&] {
    handler = new qoz_comp::BrowserHandler();
    client = handler->client();
    handler->AttachDelegate(&delegate);
    handler->SetViewRect({0, 0, 400, 300});
    cef_window_info_t info = {};
    info.windowless_rendering_enabled = 1;
    const CefString no_url(L"");
    cef_browser_host_create_browser(&info, client.get(), no_url.get(), nullptr, nullptr);
    SetEvent(asked);
  });
  WaitForSingleObject(asked, INFINITE);
  CloseHandle(asked);
  if (!delegate.WaitFor([&] { return delegate.created(); })) {
    std::fprintf(stderr, "no browser was created\n");
    return 1;
  }
  const double created = BenchNow() - create_start;
  CefRefPtr<cef_browser_t> browser = delegate.browser();
  std::printf("%-40s %9.1f ms\n", "runtime start (manager)", Milliseconds(started));
  std::printf("%-40s %9.1f ms\n", "browser creation", Milliseconds(created));

  std::vector<double> navigations;
  const wchar_t* colours[] = {L"ff0000", L"00ff00", L"0000ff"};
  for (int round = 0; round < 9; ++round) {
    const wchar_t* colour = colours[round % 3];
    const uint32_t expected = std::wcstoul(colour, nullptr, 16);
    const double navigate_start = BenchNow();
    Load(browser, ColourPage(colour, L""));
    if (!delegate.WaitFor([&] { return delegate.centre() == expected; })) break;
    navigations.push_back(BenchNow() - navigate_start);
  }
  std::printf("%-40s %9.1f ms (median of %zu)\n", "navigation to first frame",
              Milliseconds(Median(navigations)), navigations.size());

  std::vector<double> inputs;
  CefRefPtr<cef_browser_host_t> host =
      CefRefPtr<cef_browser_host_t>::Adopt(browser->get_host(browser.get()));
  for (int round = 0; round < 9; ++round) {
    Load(browser,
         ColourPage(L"ff0000",
                    L"<script>onmousedown=()=>{document.body.style.background='%2300ff00'};"
                    L"document.title='input'+Math.random()</script>"));
    if (!delegate.WaitFor([&] { return delegate.title().rfind(L"input", 0) == 0; }) ||
        !delegate.WaitFor([&] { return delegate.centre() == 0xFF0000; })) {
      break;
    }
    const cef_mouse_event_t at = {200, 150, 0};
    const double input_start = BenchNow();
    host->send_mouse_click_event(host.get(), &at, MBT_LEFT, 0, 1);
    if (!delegate.WaitFor([&] { return delegate.centre() == 0x00FF00; })) break;
    inputs.push_back(BenchNow() - input_start);
    host->send_mouse_click_event(host.get(), &at, MBT_LEFT, 1, 1);
    delegate.Reset();
  }
  std::printf("%-40s %9.1f ms (median of %zu)\n", "click to frame", Milliseconds(Median(inputs)),
              inputs.size());

  // Each callback starts the next call; the page keeps each call's time.
  Load(browser, ColourPage(L"ffffff", L"<script>document.title='bridge'</script>"));
  delegate.WaitFor([&] { return delegate.title() == L"bridge"; });
  Run(browser,
      L"const times = []; let left = 200;"
      L"const next = () => { const begun = performance.now();"
      L"  QozCefWebInstance.call('missing', () => { times.push(performance.now() - begun);"
      L"    if (--left > 0) { next(); return; }"
      L"    times.sort((a, b) => a - b);"
      L"    document.title = 'median ' + times[times.length >> 1].toFixed(3); }); };"
      L"next();");
  delegate.WaitFor([&] { return delegate.title().rfind(L"median ", 0) == 0; });
  std::printf("%-40s %9.3f ms (median of 200)\n", "bridge call to callback",
              std::wcstod(delegate.title().c_str() + 7, nullptr));

  const std::string profile = "bench_cef_temp/CefLocalStorage";
  Load(browser, ColourPage(L"000000",
                           L"<div id=box style='width:100px;height:100px;background:%23fff'>"
                           L"</div><script>let x=0;const step=()=>{x=(x+4)%25300;"
                           L"box.style.transform='translateX('+x+'px)';"
                           L"requestAnimationFrame(step)};step();document.title='animating'"
                           L"</script>"));
  delegate.WaitFor([&] { return delegate.title() == L"animating"; });
  Sleep(1000);
  const int frames_before = delegate.frames();
  const double cpu_before = ProcessCpuSeconds();
  const HostUse host_before = HostBrowserUse(profile);
  const double wall_before = BenchNow();
  Sleep(5000);
  const double wall = BenchNow() - wall_before;
  const HostUse host_after = HostBrowserUse(profile);
  const double cpu = ProcessCpuSeconds() - cpu_before;
  const int frames = delegate.frames() - frames_before;
  std::printf("%-40s %9.1f fps delivered\n", "animation (requestAnimationFrame)", frames / wall);
  std::printf("%-40s %9.1f %% of a core\n", "  CPU of this process (Wine)", cpu / wall * 100);
  std::printf("%-40s %9.1f %% of a core (%d processes)\n", "  CPU of the host browser",
              (host_after.cpu_seconds - host_before.cpu_seconds) / wall * 100,
              host_after.processes);

  PROCESS_MEMORY_COUNTERS memory = {};
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
  std::printf("%-40s %9.1f MiB\n", "memory of this process (working set)",
              memory.WorkingSetSize / 1048576.0);
  std::printf("%-40s %9.1f MiB\n", "memory of the host browser (resident)",
              host_after.resident_mib);

  qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [&] { handler->CloseAllBrowser(); });
  delegate.WaitFor([&] { return !delegate.browser(); });
  browser.reset();
  host.reset();
  qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [&] {
    handler->AttachDelegate(nullptr);
    client.reset();
  });
  main_thread.Stop();
  manager->Shutdown();
  return 0;
}
