#pragma once

#include <windows.h>

#include <optional>
#include <string>

// A tray balloon that another process asks for with WM_COPYDATA: a fixed
// 2696-byte record of three zero-terminated UTF-16 texts and a window handle.
struct BalloonRequest {
  // The record's layout in bytes.
  static constexpr size_t kTitleOffset = 0;
  static constexpr size_t kTitleBytes = 128;
  static constexpr size_t kTextOffset = 128;
  static constexpr size_t kTextBytes = 512;
  static constexpr size_t kSoundOffset = 640;
  static constexpr size_t kSoundBytes = 2048;
  static constexpr size_t kFlashWindowOffset = 2688;
  static constexpr size_t kRecordBytes = 2696;

  std::wstring title;
  std::wstring text;
  std::wstring sound;  // a sound file's path; empty for none
  HWND flashWindow = nullptr;
};

// The request carried by `data`; empty when it is not one: no data, dwData
// other than 0, fewer than 2696 bytes, or a text that fills its field without
// a terminating zero. Never reads beyond the record.
std::optional<BalloonRequest> ParseBalloonRequest(const COPYDATASTRUCT* data);
