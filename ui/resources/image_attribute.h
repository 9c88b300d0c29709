#pragma once

#include <windows.h>

#include <string>

namespace ui {

// How a layout or the code describes an image: the blank-separated pairs
// key='value' of an image descriptor, parsed.
struct ImageAttribute {
  ImageAttribute() { Init(); }

  // Back to no file, no dest or source (-1 each), no corner, opaque, not
  // tiled, endless play.
  void Init();
  // Applies the descriptor's pairs on top of the current values; parsing
  // stops at the first malformed pair. Keys: file, res, destscale, dest,
  // source, corner, fade, xtiled, ytiled, playcount.
  void ApplyDescriptor(const std::wstring& descriptor);

  std::wstring descriptor;
  std::wstring file_name;
  RECT dest;
  RECT source;
  RECT corner;
  BYTE fade;
  bool xtiled;
  bool ytiled;
  int play_count;
};

// Four numbers separated by any single character ("1,2,3,4"); numbers that
// cannot be read, or are missing, are 0.
RECT ParseRectValue(const std::wstring& value);

// Scales the rectangle by the process's DPI scale (ScaleRectByPercent),
// while the process is DPI-aware.
void ScaleRectForDpi(RECT* rect);

}  // namespace ui
