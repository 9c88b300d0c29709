#include "launcher/core/report_facts.h"

#include <windows.h>

#include <ctime>

#include "base/file_path.h"
#include "base/folder_util.h"
#include "base/string_util.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/system_info.h"
#include "launcher/download/download_manager.h"
#include "ui/resources/global_manager.h"

namespace {

constexpr int kLocaleBuffer = 260;

std::optional<std::string> SystemCountryName() {
  wchar_t buffer[kLocaleBuffer] = {};
  if (GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_SISO3166CTRYNAME, buffer, kLocaleBuffer) == 0) {
    return std::nullopt;
  }
  return qbase::WideToUtf8(buffer);
}

std::optional<uint64_t> FreeBytesOf(const std::wstring& folder) {
  uint64_t total = 0;
  uint64_t available = 0;
  if (!GetDiskSpaceW(folder, &total, &available)) return std::nullopt;
  return available;
}

}  // namespace

ReportFacts GatherReportFacts(const LauncherContext& context, const DownloadManager& manager) {
  ReportFacts facts;
  facts.installPackageType = context.installPackageType;
  facts.gid = context.gid;
  facts.gameVersion = context.gameVersion;
  facts.targetGameVersion = context.targetGameVersion;
  facts.downloadGameVersion = context.downloadGameVersion;
  facts.preDownloadVersion = context.preDownloadVersion;
  facts.publicIp = context.publicIp;
  facts.settings = context.GetSettings();
  facts.gameRunning = context.IsGameRunning();

  facts.lowestSpeed = manager.lowest_speed();
  facts.highestSpeed = manager.highest_speed();
  facts.lowestSpeedPath = manager.lowest_speed_path();

  facts.machineGuid = RegReadString(L"SOFTWARE\\Microsoft\\Cryptography\\", "MachineGuid");
  facts.deviceId = GetDeviceId();
  facts.cpuName = GetCpuName();
  facts.osVersion = GetOsVersionString();
  facts.productName =
      RegReadString(L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\", "ProductName");
  facts.country = SystemCountryName();
  facts.freeBytes = FreeBytesOf(facts.settings.gamePath);
  facts.systemLanguage = qbase::WideToUtf8(ui::GlobalManager::language);
  facts.launcherFolder = qbase::WideToUtf8(qbase::GetCurrentModuleDirectory());

  GetUtcDateTime(&facts.date, &facts.time);
  facts.unixSeconds = static_cast<int64_t>(std::time(nullptr));
  return facts;
}
