#pragma once

#include <string>

// How the launcher starts the game program "TOVA.exe" of a game folder.
struct GameCommandLine {
  std::wstring program;    // the game folder, one "\", "TOVA.exe"
  std::wstring arguments;  // the MD5 (or "empty"), then the platform and instance tail
};

// The smallest first version part for which the game takes the platform and
// instance fields.
constexpr long kGamePlatformTailMinVersion = 10077;

// `md5` is UTF-8; `platform` is the "set_platform" word ("" for "win"). The
// tail is added for an empty `game_version` and for one of three "_" parts
// whose first part is 10077 or more.
GameCommandLine BuildGameCommandLine(const std::wstring& game_folder, const std::string& md5,
                                     const std::string& game_version, const std::wstring& platform);
