#pragma once

#include <windows.h>

// Window messages between the worker thread, a second launcher instance, the
// game and the launcher's windows. The game numbers (2525 to 2532) are shared
// with the game client.
constexpr UINT WM_TRAY_NOTIFY = 2025;
constexpr UINT WM_SHOW_LAUNCHER = 2026;
constexpr UINT WM_HIDE_LAUNCHER = 2027;
constexpr UINT WM_EXIT_LAUNCHER = 2028;
constexpr UINT WM_HOVER_REGIONS_CLEAR = 2125;
constexpr UINT WM_STATE_CHANGED = 2126;
constexpr UINT WM_CHECK_PROGRESS = 2127;
constexpr UINT WM_DOWNLOAD_SPEED = 2128;
constexpr UINT WM_DOWNLOAD_PROGRESS = 2129;
constexpr UINT WM_DOWNLOAD_PAUSED = 2130;
constexpr UINT WM_LANGUAGE_RELOADED = 2225;
constexpr UINT WM_REFRESH_CONTENT = 2226;
constexpr UINT WM_REFRESH_GAME_BUTTON = 2325;
constexpr UINT WM_PREDOWNLOAD_STATUS = 2326;
constexpr UINT WM_PREDOWNLOAD_TICK = 2425;
// The pre-download widget's pages: the first parameter of WM_PREDOWNLOAD_STATUS.
enum class PreDownloadPage : WPARAM {
  None = 0,
  Offer = 1,
  Download = 2,
  Finish = 3,
};
constexpr UINT WM_GAME_REGISTER = 2525;
constexpr UINT WM_GAME_QUERY_PREDOWNLOAD = 2526;
constexpr UINT WM_GAME_PREDOWNLOAD_STATE = 2527;
constexpr UINT WM_GAME_QUERY_PROGRESS = 2528;
constexpr UINT WM_GAME_PROGRESS = 2529;
constexpr UINT WM_GAME_QUERY_SPEED = 2530;
constexpr UINT WM_GAME_SPEED = 2531;
constexpr UINT WM_GAME_PING = 2532;
constexpr UINT WM_TOP_WINDOW_CHANGED = 3025;
