#pragma once

#include <cstdint>

#include "ui/resources/animation_player_base.h"

namespace ui {

// An animation in three phases: speeding up, constant speed, slowing down.
// Without a total time the plan derives it from the distance and factors,
// never beyond `maxTotalMillis`.
class AnimationPlayer : public AnimationPlayerBase {
 public:
  AnimationPlayer() = default;
  ~AnimationPlayer() override = default;

  void Init() override;
  void Play() override;
  int32_t GetCurrentValue() override;

  void SetSpeedUpFactor(double factor) { speedUpFactor = factor; }
  void SetSlowDownFactor(double factor) { slowDownFactor = factor; }

  // Works out the phase times, speeds and factors before every play.
  void ComputePlan();

  double speedUpRatio = 0;
  double slowDownRatio = 0;
  double speedUpTime = 0;
  double constantSpeed = 0;
  double constantTime = 0;
  double slowDownTime = 0;
  double speedUpFactor = 0;
  double slowDownFactor = 0;
  double slowDownStartSpeed = 0;
  int32_t maxTotalMillis = 1000000;
};

}  // namespace ui
