#include "ui/resources/animation_player.h"

#include <cmath>
#include <cstdlib>

namespace ui {

void AnimationPlayer::Init() {
  AnimationPlayerBase::Init();
  speedUpRatio = 0;
  slowDownRatio = 0;
  speedUpTime = 0;
  constantSpeed = 0;
  constantTime = 0;
  slowDownTime = 0;
  speedUpFactor = 0;
  slowDownFactor = 0;
  slowDownStartSpeed = 0;
  maxTotalMillis = 1000000;
}

void AnimationPlayer::Play() {
  ComputePlan();
  AnimationPlayerBase::Play();
}

void AnimationPlayer::ComputePlan() {
  const double a = speedUpRatio;
  const double s = slowDownRatio;
  const double distance = std::fabs(static_cast<double>(endValue) - startValue);
  int32_t total = totalMillis;

  if (a == 0 && s == 0) {
    if (total == -1) {
      // Without a speed there is nothing to spread over time.
      total = constantSpeed > 0 ? static_cast<int32_t>(distance / constantSpeed) : 0;
      totalMillis = total;
    } else if (total > 0) {
      constantSpeed = distance / total;
    }
    constantTime = total;
    return;
  }

  bool given = total != -1;
  double d = 0;
  for (;;) {
    if (given) {
      const double k = 2 * (1 - a - s);
      const double squared = static_cast<double>(total) * total;
      if (a != 0) {
        speedUpFactor = distance / ((k * a + a * a + s * a) * squared);
      } else if (s != 0) {
        slowDownFactor = -distance / ((k * s + s * s + s * a) * squared);
      }
    }
    if (speedUpFactor != 0 && a != 0) {
      d = speedUpFactor * a;
      if (s != 0) slowDownFactor = -speedUpFactor * a / s;
    } else if (slowDownFactor != 0 && s != 0) {
      d = -slowDownFactor * s;
      if (a != 0) speedUpFactor = d / a;
    } else {
      d = 0;
    }
    if (given) break;
    const double root = std::sqrt(
        distance / (speedUpFactor * a * a + 2 * (1 - a - s) * d - s * slowDownFactor * s));
    // Not a number or beyond the limit (factors that cannot reach the end):
    // the longest plan allowed, its factor worked out from that time.
    if (!(root <= maxTotalMillis)) {
      total = maxTotalMillis;
      given = true;
      continue;
    }
    total = static_cast<int32_t>(root);
    break;
  }
  totalMillis = total;
  constantSpeed = 2 * d * total;
  slowDownStartSpeed = constantSpeed;
  speedUpTime = total * a;
  slowDownTime = total * s;
  constantTime = total - total * a - total * s;
}

int32_t AnimationPlayer::GetCurrentValue() {
  const double t = elapsedMillis;
  if (t >= totalMillis) return endValue;
  const double speed_up_distance = speedUpTime * speedUpFactor * speedUpTime;
  double p = 0;
  if (t <= speedUpTime) {
    p = t * speedUpFactor * t;
  } else if (t <= speedUpTime + constantTime) {
    p = (t - speedUpTime) * constantSpeed + speed_up_distance;
  } else {
    const double u = t - speedUpTime - constantTime;
    p = speed_up_distance + constantTime * constantSpeed + u * slowDownFactor * u +
        u * slowDownStartSpeed;
  }
  // Plans from odd ratios or factors may give no number or overshoot; the
  // step stays between the two ends.
  const double distance = std::fabs(static_cast<double>(endValue) - startValue);
  if (!(p >= 0)) p = 0;
  if (p > distance) p = distance;
  const int32_t step = static_cast<int32_t>(p);
  return startValue < endValue ? startValue + step : startValue - step;
}

}  // namespace ui
