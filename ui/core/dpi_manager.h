#pragma once

#include <windows.h>

#include <cstdint>

namespace ui {

// The process's one DPI scale: sizes written for 96 dpi become device pixels
// when they are set. The record itself is the global manager's pair
// (awareness, percent), which the framework's start-up fills and the fonts
// and image rectangles read, so every size of the process follows one scale.
// UI thread only.
class DpiManager {
 public:
  static DpiManager* GetInstance();

  // Percent; 100 means 96 dpi.
  int32_t GetScale() const;
  void SetScale(int32_t percent);
  bool IsEnabled() const;
  void SetEnabled(bool enabled);

  // MulDiv(value, scale, 100) while enabled and the scale is not 100.
  int32_t ScaleInt(int32_t value) const;
  // Left and top scaled, and width and height scaled on top of them, so that
  // four independent sizes (margins, paddings) scale like one rectangle.
  void ScaleRect(RECT* rect) const;

  // Major version 6 and at least the given minor version.
  static bool IsWindowsVersionOrGreater(WORD minor_version);

 private:
  DpiManager() = default;
};

}  // namespace ui
