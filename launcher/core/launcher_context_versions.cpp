// The context's answers about versions and the pre-download folders: whether
// a game update is pending, whether the next version's pre-download finished
// or still runs, and which of its folders are no longer needed.
#include <windows.h>

#include <string>
#include <vector>

#include "base/file_io.h"
#include "base/file_path.h"
#include "base/folder_util.h"
#include "base/scoped_handle.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/launcher_folders.h"
#include "launcher/core/version_text.h"

namespace {

constexpr char kFinishedMapName[] = "predownload_version_map.txt";
constexpr char kUnfinishedMapName[] = "tmp_predownload_version_map.txt";

std::string PreDownloadFolder(const std::string& version) {
  return NormalizeDirPathA(GetPreDownloadDirA(), true) + version;
}

}  // namespace

bool LauncherContext::IsGameUpdateAvailable() const {
  return !targetGameVersion.empty() && !gameVersion.empty() && targetGameVersion != gameVersion;
}

bool LauncherContext::LoadLocalGameVersionMap() {
  std::string error;
  return LoadVersionMapFile(NormalizeDirPathW(GetSettings().gamePath, true) + L"version_map.txt",
                            &versionMaps[VersionMapKey::kLocalGame], &error);
}

int LauncherContext::CheckPreDownloadComplete() {
  if (preDownloadVersion.empty()) return -1;
  bool listed = false;
  for (const std::string& folder : preDownloadFolders) listed |= folder == preDownloadVersion;
  if (!listed) return 1;
  VersionMap& map = ResetVersionMap(VersionMapKey::kLocalPreDownload);
  std::string text;
  std::string error;
  if (!ReadFileToStringA(PreDownloadFolder(preDownloadVersion) + "\\" + kFinishedMapName, &text) ||
      !ParseVersionMap(text, &map, &error) || GetVersionMapVersion(map) != preDownloadVersion) {
    return 1;
  }
  return 0;
}

int LauncherContext::PrunePreDownloadFolders() {
  if (preDownloadFolders.empty()) return 0;
  if (gameVersion.empty()) return -1;
  int game_a = 0;
  int game_b = 0;
  int game_c = 0;
  if (!IsVersionFolderName(gameVersion) ||
      !ParseVersionTriple(gameVersion, &game_a, &game_c, &game_b)) {
    return -2;
  }
  std::vector<std::string> kept;
  for (const std::string& folder : preDownloadFolders) {
    int a = 0;
    int b = 0;
    int c = 0;
    // Anything that is not a version's folder is neither deleted nor kept.
    if (!IsVersionFolderName(folder) || !ParseVersionTriple(folder, &a, &c, &b)) continue;
    const bool not_newer =
        a < game_a || (a == game_a && c < game_c) || (a == game_a && c == game_c && b <= game_b);
    if (not_newer) {
      // A folder that cannot be deleted is dropped from the list all the same.
      DeleteDirectoryTreeA(PreDownloadFolder(folder));
    } else {
      kept.push_back(folder);
    }
  }
  preDownloadFolders = kept;
  return static_cast<int>(kept.size());
}

bool LauncherContext::IsPreDownloadInProgress() const {
  if (!IsVersionFolderName(preDownloadVersion)) return false;
  const std::string path = PreDownloadFolder(preDownloadVersion) + "\\" + kUnfinishedMapName;
  const qbase::ScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.IsValid();
}
