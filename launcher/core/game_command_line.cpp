#include "launcher/core/game_command_line.h"

#include <cstdlib>
#include <vector>

#include "base/file_path.h"
#include "base/string_util.h"

namespace {

constexpr wchar_t kGameProgram[] = L"TOVA.exe";

// The tail rule reads only the first part; a part that is not a number counts
// as 0, so it gets no tail.
bool TakesPlatformTail(const std::string& game_version) {
  if (game_version.empty()) return true;
  std::vector<std::string> parts;
  qbase::SplitStringA(game_version, "_", &parts);
  if (parts.size() != 3) return false;
  char* end = nullptr;
  const long first = std::strtol(parts[0].c_str(), &end, 10);
  if (end == parts[0].c_str() || *end != '\0') return false;
  return first >= kGamePlatformTailMinVersion;
}

}  // namespace

GameCommandLine BuildGameCommandLine(const std::wstring& game_folder, const std::string& md5,
                                     const std::string& game_version,
                                     const std::wstring& platform) {
  GameCommandLine line;
  line.program = NormalizeDirPathW(game_folder, true) + kGameProgram;
  line.arguments = md5.empty() ? L"empty" : qbase::Utf8ToWide(md5);
  if (TakesPlatformTail(game_version)) {
    line.arguments += L" " + (platform.empty() ? std::wstring(L"win") : platform) + L" 0|1";
  }
  return line;
}
