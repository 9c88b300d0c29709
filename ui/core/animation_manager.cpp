#include "ui/core/animation_manager.h"

#include "ui/core/control.h"

namespace ui {

namespace {

// Appear and Disappear play the players in this order; the hot one follows
// the mouse instead.
constexpr AnimationType kShowOrder[] = {
    kAnimationAlpha,
    kAnimationWidth,
    kAnimationHeight,
    kAnimationInoutXFromLeft,
    kAnimationInoutXFromRight,
    kAnimationInoutYFromTop,
    kAnimationInoutYFromBottom,
};

constexpr double kSpeedUpRatio = 0.3;
constexpr double kSlowDownRatio = 0.7;
constexpr int32_t kFadeMillis = 250;
constexpr double kGrowFactor = 8.4e-4;
constexpr double kSlideFactor = 0.006;
constexpr int32_t kDerivedTotal = -1;
// The room a control is measured in when a size or slide player is installed.
constexpr SIZE kEstimateRoom = {999999, 999999};
// The slide distance of a control that measures nothing.
constexpr int32_t kDefaultSlide = 100;

}  // namespace

AnimationPlayer* AnimationManager::Install(AnimationType type, int32_t start, int32_t end,
                                           int32_t total_millis, double speed_up_factor) {
  auto player = std::make_unique<AnimationPlayer>();
  player->startValue = start;
  player->endValue = end;
  player->totalMillis = total_millis;
  player->speedUpRatio = kSpeedUpRatio;
  player->slowDownRatio = kSlowDownRatio;
  if (speed_up_factor > 0) player->SetSpeedUpFactor(speed_up_factor);
  Control* control = control_;
  std::function<void(int32_t)> step;
  switch (type) {
    case kAnimationAlpha:
      step = [control](int32_t value) { control->SetAlpha(value); };
      break;
    case kAnimationHeight:
      step = [control](int32_t value) { control->SetFixedHeight(value, false); };
      break;
    case kAnimationWidth:
      step = [control](int32_t value) { control->SetFixedWidth(value, true, false); };
      break;
    case kAnimationHot:
      step = [control](int32_t value) { control->SetHotAlpha(value); };
      break;
    case kAnimationInoutXFromLeft:
    case kAnimationInoutXFromRight:
      step = [control](int32_t value) { control->SetRenderOffsetX(value); };
      break;
    default:
      step = [control](int32_t value) { control->SetRenderOffsetY(value); };
      break;
  }
  player->playCallback = control->ToWeakCallback(step);
  AnimationPlayer* installed = player.get();
  players_[type] = std::move(player);
  return installed;
}

void AnimationManager::Remove(AnimationType type) { players_.erase(type); }

AnimationPlayer* AnimationManager::SetFadeAlpha(bool fade) {
  AnimationPlayer* player = nullptr;
  if (fade) {
    player = Install(kAnimationAlpha, 0, 255, kFadeMillis, 0);
    control_->SetAlpha(0);
  } else {
    Remove(kAnimationAlpha);
    control_->SetAlpha(255);
  }
  return player;
}

AnimationPlayer* AnimationManager::SetFadeHot(bool fade) {
  if (!fade) {
    Remove(kAnimationHot);
    return nullptr;
  }
  return Install(kAnimationHot, 0, 255, kFadeMillis, 0);
}

AnimationPlayer* AnimationManager::SetFadeWidth(bool fade) {
  if (!fade) {
    Remove(kAnimationWidth);
    return nullptr;
  }
  const SIZE size = control_->EstimateSize(kEstimateRoom);
  return Install(kAnimationWidth, 0, size.cx, kDerivedTotal, kGrowFactor);
}

AnimationPlayer* AnimationManager::SetFadeHeight(bool fade) {
  if (!fade) {
    Remove(kAnimationHeight);
    return nullptr;
  }
  const SIZE size = control_->EstimateSize(kEstimateRoom);
  return Install(kAnimationHeight, 0, size.cy, kDerivedTotal, kGrowFactor);
}

AnimationPlayer* AnimationManager::SetFadeInOutX(bool fade, bool from_right) {
  const AnimationType type = from_right ? kAnimationInoutXFromRight : kAnimationInoutXFromLeft;
  if (!fade) {
    Remove(type);
    return nullptr;
  }
  int32_t distance = control_->EstimateSize(kEstimateRoom).cx;
  if (distance < 1) distance = kDefaultSlide;
  return Install(type, from_right ? -distance : distance, 0, kDerivedTotal, kSlideFactor);
}

AnimationPlayer* AnimationManager::SetFadeInOutY(bool fade, bool from_bottom) {
  const AnimationType type = from_bottom ? kAnimationInoutYFromBottom : kAnimationInoutYFromTop;
  if (!fade) {
    Remove(type);
    return nullptr;
  }
  int32_t distance = control_->EstimateSize(kEstimateRoom).cy;
  if (distance < 1) distance = kDefaultSlide;
  return Install(type, from_bottom ? -distance : distance, 0, kDerivedTotal, kSlideFactor);
}

AnimationPlayer* AnimationManager::GetAnimationPlayer(AnimationType type) const {
  const auto found = players_.find(type);
  return found == players_.end() ? nullptr : found->second.get();
}

void AnimationManager::Appear() {
  control_->SetVisible(true);
  for (AnimationType type : kShowOrder) {
    if (AnimationPlayer* player = GetAnimationPlayer(type)) {
      player->completeCallback = nullptr;
      player->Continue();
    }
  }
}

void AnimationManager::Disappear() {
  Control* control = control_;
  const std::function<void()> hide =
      control->ToWeakCallback([control] { control->SetVisible(false); });
  bool any = false;
  for (AnimationType type : kShowOrder) {
    if (AnimationPlayer* player = GetAnimationPlayer(type)) {
      any = true;
      player->completeCallback = hide;
      player->Reverse();
    }
  }
  if (!any) control->SetVisible(false);
}

}  // namespace ui
