#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

class Control;

// What the window asks of the box that draws its shadow around the root. The
// box itself is a container and lives in the library above this one.
class ShadowFrame {
 public:
  // The root it wraps; null before one was added.
  virtual Control* GetContent() const = 0;
  // The padding of the frame's layout: the shadow's width on each side.
  virtual RECT GetFramePadding() const = 0;
  // Device pixels, not scaled again.
  virtual void SetFramePadding(const RECT& padding) = 0;

 protected:
  ~ShadowFrame() = default;
};

// The shadow setting of a window: whether it has one, its image, its width on
// each side (device pixels; 0 while the window is maximised) and the box that
// draws it, which belongs to the control tree. UI thread only.
struct Shadow {
  static constexpr int32_t kDefaultCorner = 14;

  // Attached with round corners, the default image and the default corner
  // scaled by the process's DPI scale.
  Shadow();

  // The window was maximised (no shadow border, square corners) or restored.
  void OnMaximized();
  void OnRestored();

  bool attached = true;
  // The wrapped root gets rounded corners of 3 by 3.
  bool roundCorners = true;
  std::wstring image = L"file='../public/bk_shadow.png' corner='30,30,30,30'";
  RECT corner = {};
  RECT unscaledCorner = {kDefaultCorner, kDefaultCorner, kDefaultCorner, kDefaultCorner};
  // The corner restored after maximising.
  RECT savedCorner = {};
  ShadowFrame* shadowBox = nullptr;  // owned by the control tree
};

}  // namespace ui
