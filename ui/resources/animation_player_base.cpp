#include "ui/resources/animation_player_base.h"

#include <cstdlib>
#include <utility>

#include "ui/resources/timer_manager.h"

namespace ui {

AnimationPlayerBase::~AnimationPlayerBase() { tickFlag.Cancel(); }

void AnimationPlayerBase::Init() {
  startValue = 0;
  endValue = 0;
  currentValue = 0;
  totalMillis = -1;
  elapsedMillis = 0;
  tickInterval = 0;
  lastCounter = 0;
  counterFrequency = 0;
  playing = false;
  reversed = false;
}

void AnimationPlayerBase::Reset() {
  tickFlag.Cancel();
  Init();
}

void AnimationPlayerBase::Start() {
  tickFlag.Cancel();
  elapsedMillis = 0;
  reversed = false;
  Play();
}

void AnimationPlayerBase::Cancel() { tickFlag.Cancel(); }

void AnimationPlayerBase::Continue() {
  tickFlag.Cancel();
  if (reversed) Turn();
  reversed = false;
  Play();
  firstRun = false;
}

void AnimationPlayerBase::Reverse() {
  tickFlag.Cancel();
  if (!reversed) Turn();
  if (firstRun) elapsedMillis = 0;
  reversed = true;
  Play();
  firstRun = false;
}

void AnimationPlayerBase::Turn() {
  std::swap(startValue, endValue);
  currentValue = startValue;
  elapsedMillis = totalMillis - elapsedMillis;
  if (elapsedMillis < 0) elapsedMillis = 0;
}

TimerManager* AnimationPlayerBase::Manager() {
  return timer_manager_ ? timer_manager_ : TimerManager::GetInstance();
}

void AnimationPlayerBase::Play() {
  TimerSystem* clock = Manager()->system();
  counterFrequency = clock->Frequency();
  lastCounter = clock->Counter();
  playing = true;
  if (endValue == startValue) {
    Complete();
    return;
  }
  const int64_t distance = std::llabs(static_cast<int64_t>(endValue) - startValue);
  tickInterval = static_cast<int32_t>(totalMillis / distance);
  // Also for a total that was never given (-1): every poll then ticks.
  if (tickInterval < 1) tickInterval = 1;
  Tick();
  if (!playing) return;
  Manager()->AddCancelableTimer(tickFlag.GetWeakFlag(), ToWeakCallback([this] { Tick(); }),
                                static_cast<uint32_t>(tickInterval), TimerManager::kRepeatForever);
}

void AnimationPlayerBase::Tick() {
  TimerSystem* clock = Manager()->system();
  if (counterFrequency > 0) {
    elapsedMillis += (clock->Counter() - lastCounter) * 1000.0 / counterFrequency;
  }
  lastCounter = clock->Counter();
  const int32_t value = GetCurrentValue();
  if (!playCallback) {
    currentValue = value;
    return;
  }
  const bool reached =
      (endValue > startValue && value >= endValue) || (endValue < startValue && value <= endValue);
  if (reached) {
    playCallback(endValue);
    // Stored before the completion callback, which may play again (or end
    // the player) and must not have its new value overwritten.
    currentValue = endValue;
    Complete();
  } else if (value != currentValue) {
    playCallback(value);
    currentValue = value;
  }
}

void AnimationPlayerBase::Complete() {
  // Stopped before the callback runs, so that a callback which plays again
  // keeps its new ticks.
  tickFlag.Cancel();
  playing = false;
  if (completeCallback) completeCallback();
}

}  // namespace ui
