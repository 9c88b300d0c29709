#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "launcher/core/launcher_settings.h"

class DownloadManager;
class LauncherContext;

// Everything a tracking report or an attribution event says besides its own
// arguments, copied in one go on the worker thread when the report is built,
// so that one report never mixes values from before and after a change.
struct ReportFacts {
  // The context.
  std::string installPackageType;
  std::string gid;
  std::string gameVersion;
  std::string targetGameVersion;
  std::string downloadGameVersion;
  std::string preDownloadVersion;
  std::string publicIp;
  LauncherSettings settings;
  bool gameRunning = false;

  // The download manager's speed statistics, bytes per second.
  int64_t lowestSpeed = 0;
  int64_t highestSpeed = 0;
  std::string lowestSpeedPath;

  // The machine. Texts read in the ANSI code page go in unconverted.
  std::string machineGuid;
  std::string deviceId;
  std::string cpuName;
  std::string osVersion;
  std::string productName;
  std::optional<std::string> country;  // empty when the locale lookup fails
  std::optional<uint64_t> freeBytes;   // on the game folder's drive
  std::string systemLanguage;          // the UI framework's language code, UTF-8
  std::string launcherFolder;          // the running executable's folder, UTF-8

  // One reading of the UTC clock: "YYYY-MM-DD", "hh:mm:ss", and seconds
  // since 1970.
  std::string date;
  std::string time;
  int64_t unixSeconds = 0;
};

// Reads the facts now. The context's settings come as one copy taken under
// the context's guard; the rest is owned by the calling worker thread.
ReportFacts GatherReportFacts(const LauncherContext& context, const DownloadManager& manager);
