#pragma once

#include <cstdint>
#include <string>

// Download statistics, kept in ".\save\Log.json".
struct DownloadLog {
  bool firstInstall = true;
  int64_t downloadSize = 0;   // bytes
  int64_t downloadSpeed = 0;  // bytes per second
  int64_t downloadTime = 0;   // seconds
  std::string downloadVersion;
};

// Takes every member present with its expected type (counts must be whole and
// not negative); other members keep their values. False, with nothing changed,
// when the text is not a JSON object.
bool ParseDownloadLog(const std::string& text, DownloadLog* log);
// The file's text: all five members, "\t"-indented, counts as 64-bit integers.
std::string WriteDownloadLog(const DownloadLog& log);
