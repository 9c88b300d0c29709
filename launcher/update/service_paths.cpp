#include "launcher/update/service_paths.h"

#include <algorithm>

#include "base/string_util.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/system_info.h"

namespace {

std::string WithoutWhiteSpace(std::string text) {
  const auto is_space = [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
  };
  text.erase(std::remove_if(text.begin(), text.end(), is_space), text.end());
  return text;
}

}  // namespace

std::string MakeGetUrlsPath(const std::string& gate_key, const std::string& game_version,
                            const std::string& device_id, bool qa_gate) {
  std::string path =
      gate_key.empty() ? "get/urls?key=WIN10TW_" + game_version : "get/urls?key=" + gate_key;
  path += "&udid=" + device_id;
  if (qa_gate) path += "&is_qa=true";
  return WithoutWhiteSpace(std::move(path));
}

std::string MakePreDownloadPath(const std::string& device_id) {
  return WithoutWhiteSpace("pre_download?channel=TW&udid=" + device_id);
}

std::string MakePatchPath(UpdateMode mode, const std::string& game_version,
                          const std::string& launcher_version, const std::string& name) {
  std::string version = game_version;
  if (mode == UpdateMode::Launcher) {
    version = launcher_version;
    qbase::ReplaceAll(".", "_", &version);
  }
  return "patchs/" + version + "/" + name;
}

std::string BuildGetUrlsPath() {
  const LauncherContext* context = LauncherContext::GetInstance();
  return MakeGetUrlsPath(context->serviceSettings.GateKey, context->gameVersion, GetDeviceId(),
                         context->serviceSettings.QaGate);
}

std::string BuildPreDownloadPath() { return MakePreDownloadPath(GetDeviceId()); }

std::string BuildPatchPath(const State& state, const std::string& name) {
  const LauncherContext* context = LauncherContext::GetInstance();
  return MakePatchPath(state.mode(), context->gameVersion, context->launcherVersion, name);
}
