#pragma once

#include <string>

// The user's settings, kept in ".\save\EnvConfig.json".
struct LauncherSettings {
  int languageType = 0;  // index into the language table
  std::wstring gamePath;
  bool closeToHide = false;
  bool autoUpdate = true;
  bool downloadLimit = false;
  int downloadSpeed = 4096;
  bool predlcLimit = false;
  int predlcSpeed = 4096;
  bool automaticStart = false;
  std::string language = "en";  // code of `languageType`; not saved
};

// Takes every member present with its expected type; other members keep their
// values. False, with nothing changed, when the text is not a JSON object.
bool ParseLauncherSettings(const std::string& text, LauncherSettings* settings);
// The file's text: all nine saved members, "\t"-indented, non-ASCII escaped.
std::string WriteLauncherSettings(const LauncherSettings& settings);
