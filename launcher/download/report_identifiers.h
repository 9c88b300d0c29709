#pragma once

// Identifiers of the reports sent around downloads: the launcher event's
// action type, the launcher-detail action ids and the attribution events.
constexpr char kPauseActionType[] = "pause";
constexpr char kPauseDetailId[] = "15";
constexpr char kPauseEvent[] = "click_launch_pause_game";
constexpr char kContinueDetailId[] = "16";
constexpr char kContinueEvent[] = "click_launch_continue_download_game";
// Sent by the download state when a game download has arrived.
constexpr char kDownloadFinishDetailId[] = "17";
constexpr char kDownloadFinishEvent[] = "download_game_finish";
