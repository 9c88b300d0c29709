#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <queue>
#include <vector>

#include "base/weak_callback.h"

namespace ui {

// What the timer manager needs of the system: the performance counter and a
// periodic multimedia timer that asks for a poll. Tests supply their own.
class TimerSystem {
 public:
  virtual ~TimerSystem() = default;
  virtual int64_t Counter() = 0;
  virtual int64_t Frequency() = 0;
  // The shortest and longest periods the system accepts, in ms.
  virtual void PeriodRange(uint32_t* shortest, uint32_t* longest) = 0;
  // Starts a periodic timer whose every firing posts the poll message to
  // `window`; returns its id, 0 when it cannot be started.
  virtual uint32_t StartPeriodic(uint32_t period_ms, HWND window) = 0;
  virtual void Stop(uint32_t id) = 0;
};

// The system's counter and multimedia timer.
std::unique_ptr<TimerSystem> CreateSystemTimerSystem();

// Runs callbacks on the UI thread after their interval, polled whenever a
// multimedia timer fires: 16 ms apart while a timer is due within a second,
// one long period otherwise, none while the queue is empty. A timer lives
// while its weak flag does; cancelling is its owner's business.
class TimerManager {
 public:
  static constexpr int32_t kRepeatForever = -1;
  static constexpr UINT kPollMessage = 11023;
  static constexpr uint32_t kFastPeriodMs = 16;

  // The process's manager; the first call must come from the UI thread,
  // which then owns every poll.
  static TimerManager* GetInstance();

  explicit TimerManager(std::unique_ptr<TimerSystem> system);
  ~TimerManager();
  TimerManager(const TimerManager&) = delete;
  TimerManager& operator=(const TimerManager&) = delete;

  // Runs `callback` after `interval_ms`: n >= 1 times for a repeat count n,
  // once for 0 or another negative count, until the flag dies for
  // kRepeatForever. A repeating timer with a zero interval is refused (false).
  bool AddCancelableTimer(const std::weak_ptr<qbase::WeakFlag>& flag,
                          const std::function<void()>& callback, uint32_t interval_ms,
                          int32_t repeat_count);
  // Runs every due timer once; timers that fall due meanwhile wait for the
  // next poll.
  void Poll();

  TimerSystem* system() { return system_.get(); }

 private:
  struct Record {
    std::function<void()> callback;
    int64_t interval = 0;  // counter ticks
    int32_t repeat_count = 0;
    int64_t due = 0;
    std::weak_ptr<qbase::WeakFlag> flag;
  };
  struct LaterFirst {
    bool operator()(const Record& a, const Record& b) const { return a.due > b.due; }
  };
  struct WindowDestroyer {
    using pointer = HWND;
    void operator()(HWND window) const { DestroyWindow(window); }
  };

  void StartFastTimer();
  void StartTimer(uint32_t period_ms, bool fast);
  void StopTimer();

  std::priority_queue<Record, std::vector<Record>, LaterFirst> queue_;
  std::unique_ptr<TimerSystem> system_;
  int64_t frequency_ = 0;
  bool fast_ = true;
  uint32_t timer_id_ = 0;
  // The message-only window the timer's firings post the poll message to.
  std::unique_ptr<HWND__, WindowDestroyer> window_;
};

// The long period for a timer `remaining` counter ticks away: its
// milliseconds plus 2, within what the system accepts.
uint32_t LongTimerPeriod(int64_t remaining, int64_t frequency, uint32_t shortest, uint32_t longest);

}  // namespace ui
