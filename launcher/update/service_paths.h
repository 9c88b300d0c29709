#pragma once

#include <string>

#include "launcher/core/state.h"

// The update engine's request paths, relative to a host of the active list.

// "get/urls?key=<GateKey>" (without a key "get/urls?key=WIN10TW_<game
// version>"), "&udid=<device>", and "&is_qa=true" for the QA gate; every
// white-space character removed, nothing else encoded.
std::string MakeGetUrlsPath(const std::string& gate_key, const std::string& game_version,
                            const std::string& device_id, bool qa_gate);
// "pre_download?channel=TW&udid=<device>", white space removed.
std::string MakePreDownloadPath(const std::string& device_id);
// "patchs/<version>/<name>": the game pass files patches under the game
// version as stored, the launcher pass under its version with "." as "_".
std::string MakePatchPath(UpdateMode mode, const std::string& game_version,
                          const std::string& launcher_version, const std::string& name);

// The same from the context's settings, versions and this machine's device id.
std::string BuildGetUrlsPath();
std::string BuildPreDownloadPath();
std::string BuildPatchPath(const State& state, const std::string& name);
