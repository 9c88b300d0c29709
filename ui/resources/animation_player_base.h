#pragma once

#include <cstdint>
#include <functional>

#include "base/weak_callback.h"

namespace ui {

class TimerManager;

// Steps an integer value from `startValue` to `endValue` over `totalMillis`
// on the UI thread's timer manager, reporting each new value to
// `playCallback`. The members are set directly by the users before playing.
class AnimationPlayerBase : public qbase::SupportWeakCallback {
 public:
  AnimationPlayerBase() = default;
  ~AnimationPlayerBase() override;

  virtual void Init();
  virtual void Start();
  // Stops where it stands; no completion.
  virtual void Cancel();
  // Plays forward from the current position.
  virtual void Continue();
  // Plays backward; the first reverse of a fresh player runs the whole way.
  virtual void Reverse();
  virtual void Play();
  virtual int32_t GetCurrentValue() = 0;

  // Cancels pending ticks and initialises again.
  void Reset();

  // The manager whose timers and clock drive the ticks; the process's own
  // unless a test supplies another.
  void SetTimerManager(TimerManager* manager) { timer_manager_ = manager; }

  int32_t startValue = 0;
  int32_t endValue = 0;
  int32_t currentValue = 0;
  int32_t totalMillis = -1;
  double elapsedMillis = 0;
  int32_t tickInterval = 0;
  bool firstRun = true;
  bool playing = false;
  bool reversed = false;
  std::function<void(int32_t)> playCallback;
  std::function<void()> completeCallback;
  int64_t lastCounter = 0;
  int64_t counterFrequency = 0;
  qbase::WeakCallbackFlag tickFlag;

 protected:
  void Tick();
  void Complete();
  // Swaps start and end and mirrors the elapsed time.
  void Turn();
  TimerManager* Manager();

 private:
  TimerManager* timer_manager_ = nullptr;
};

}  // namespace ui
