#include "ui/resources/timer_manager.h"

#include <mmsystem.h>

#include <algorithm>

namespace ui {

namespace {

constexpr wchar_t kWindowClass[] = L"UI_ANIMATION_TIMERMANAGER_H_";

class SystemTimerSystem : public TimerSystem {
 public:
  int64_t Counter() override {
    LARGE_INTEGER counter = {};
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
  }
  int64_t Frequency() override {
    LARGE_INTEGER frequency = {};
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
  }
  void PeriodRange(uint32_t* shortest, uint32_t* longest) override {
    TIMECAPS caps = {};
    if (timeGetDevCaps(&caps, sizeof(caps)) == MMSYSERR_NOERROR) {
      *shortest = caps.wPeriodMin;
      *longest = caps.wPeriodMax;
    } else {
      *shortest = 1;
      *longest = 1000000;
    }
  }
  uint32_t StartPeriodic(uint32_t period_ms, HWND window) override {
    return timeSetEvent(period_ms, 1, &SystemTimerSystem::OnTimer,
                        reinterpret_cast<DWORD_PTR>(window), TIME_PERIODIC);
  }
  void Stop(uint32_t id) override { timeKillEvent(id); }

 private:
  // Runs on the system's timer thread: it only asks the UI thread to poll.
  static void CALLBACK OnTimer(UINT, UINT, DWORD_PTR window, DWORD_PTR, DWORD_PTR) {
    PostMessageW(reinterpret_cast<HWND>(window), TimerManager::kPollMessage, 0, 0);
  }
};

LRESULT CALLBACK TimerWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == TimerManager::kPollMessage) {
    auto* manager = reinterpret_cast<TimerManager*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (manager) manager->Poll();
    return 1;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND CreateTimerWindow(TimerManager* manager) {
  static const bool registered = [] {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = TimerWindowProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = kWindowClass;
    return RegisterClassExW(&window_class) != 0;
  }();
  if (!registered) return nullptr;
  HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (window) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(manager));
  return window;
}

}  // namespace

std::unique_ptr<TimerSystem> CreateSystemTimerSystem() {
  return std::make_unique<SystemTimerSystem>();
}

TimerManager* TimerManager::GetInstance() {
  // Never destroyed: a UI thread may still poll it while the process exits.
  static TimerManager* manager = new TimerManager(CreateSystemTimerSystem());
  return manager;
}

TimerManager::TimerManager(std::unique_ptr<TimerSystem> system)
    : system_(std::move(system)), frequency_(system_->Frequency()) {
  window_.reset(CreateTimerWindow(this));
}

TimerManager::~TimerManager() { StopTimer(); }

bool TimerManager::AddCancelableTimer(const std::weak_ptr<qbase::WeakFlag>& flag,
                                      const std::function<void()>& callback, uint32_t interval_ms,
                                      int32_t repeat_count) {
  const bool repeats = repeat_count > 1 || repeat_count == kRepeatForever;
  // It would fall due again within the same poll, for ever.
  if (interval_ms == 0 && repeats) return false;
  Record record;
  record.callback = callback;
  record.interval = static_cast<int64_t>(interval_ms) * frequency_ / 1000;
  if (repeats) record.interval = std::max<int64_t>(record.interval, 1);
  record.repeat_count = repeat_count;
  record.due = system_->Counter() + record.interval;
  record.flag = flag;
  queue_.push(std::move(record));
  if (timer_id_ == 0 || !fast_) StartFastTimer();
  return true;
}

void TimerManager::Poll() {
  const int64_t now = system_->Counter();
  while (!queue_.empty()) {
    const int64_t remaining = queue_.top().due - now;
    if (remaining > 0) {
      if (remaining < frequency_) {
        if (!fast_ || timer_id_ == 0) StartFastTimer();
      } else {
        uint32_t shortest = 1;
        uint32_t longest = 1000000;
        system_->PeriodRange(&shortest, &longest);
        StartTimer(LongTimerPeriod(remaining, frequency_, shortest, longest), false);
      }
      break;
    }
    Record record = queue_.top();
    queue_.pop();
    if (record.flag.expired()) continue;
    if (record.callback) record.callback();
    bool repeat = false;
    if (record.repeat_count > 0) {
      --record.repeat_count;
      repeat = record.repeat_count > 0;
    } else if (record.repeat_count == kRepeatForever) {
      repeat = true;
    }
    if (repeat) {
      record.due = now + record.interval;
      queue_.push(std::move(record));
    }
  }
  if (queue_.empty()) StopTimer();
}

void TimerManager::StartFastTimer() { StartTimer(kFastPeriodMs, true); }

void TimerManager::StartTimer(uint32_t period_ms, bool fast) {
  StopTimer();
  timer_id_ = system_->StartPeriodic(period_ms, window_.get());
  fast_ = fast;
}

void TimerManager::StopTimer() {
  if (timer_id_ != 0) system_->Stop(timer_id_);
  timer_id_ = 0;
}

uint32_t LongTimerPeriod(int64_t remaining, int64_t frequency, uint32_t shortest,
                         uint32_t longest) {
  const double period =
      frequency > 0 ? static_cast<double>(remaining) * 1000.0 / frequency + 2.0 : longest;
  if (!(period >= shortest)) return shortest;
  if (period >= longest) return longest;
  return static_cast<uint32_t>(period);
}

}  // namespace ui
