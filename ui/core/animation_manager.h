#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "ui/resources/animation_player.h"

namespace ui {

class Control;

// The property of its control that a player drives.
enum AnimationType : int32_t {
  kAnimationNone = 0,
  kAnimationAlpha = 1,
  kAnimationHeight = 2,
  kAnimationWidth = 3,
  kAnimationHot = 4,
  kAnimationInoutXFromLeft = 5,
  kAnimationInoutXFromRight = 6,
  kAnimationInoutYFromTop = 7,
  kAnimationInoutYFromBottom = 8,
};

// A control's value animations, one player per property at most: alpha, hot
// alpha, fixed width and height, and the render offset of the four slides.
// Showing plays them forward, hiding backward. Every step reaches the
// control through a weak callback, so a step after its death does nothing.
class AnimationManager {
 public:
  explicit AnimationManager(Control* control) : control_(control) {}
  AnimationManager(const AnimationManager&) = delete;
  AnimationManager& operator=(const AnimationManager&) = delete;

  // With the flag, a new player replaces the type's old one and is returned;
  // without it, the type's player is deleted and null returned.
  AnimationPlayer* SetFadeAlpha(bool fade);
  AnimationPlayer* SetFadeHot(bool fade);
  AnimationPlayer* SetFadeWidth(bool fade);
  AnimationPlayer* SetFadeHeight(bool fade);
  AnimationPlayer* SetFadeInOutX(bool fade, bool from_right);
  AnimationPlayer* SetFadeInOutY(bool fade, bool from_bottom);

  AnimationPlayer* GetAnimationPlayer(AnimationType type) const;

  // Shows the control and plays every player but the hot one forward.
  void Appear();
  // Plays every player but the hot one backward and hides the control when
  // the first of them completes; at once when there is none.
  void Disappear();

 private:
  AnimationPlayer* Install(AnimationType type, int32_t start, int32_t end, int32_t total_millis,
                           double speed_up_factor);
  void Remove(AnimationType type);

  Control* control_;  // the owner
  std::map<AnimationType, std::unique_ptr<AnimationPlayer>> players_;
};

}  // namespace ui
