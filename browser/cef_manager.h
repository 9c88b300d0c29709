#pragma once

#include <string>

namespace qoz_comp {

// The process-wide manager of the embedded browser runtime, which lives in the
// optional "cef" folder beside the executable.
class CefManager {
 public:
  static CefManager* GetInstance();

  // True when the "cef" folder beside the executable exists; it then leads
  // the PATH and ComSpec names its "dummy_cmd.exe". False, with nothing
  // changed, when the folder is missing.
  bool PrepareCefEnvironment();
};

// The same for the executable folder `module_directory` (ending in "\").
bool PrepareCefEnvironmentIn(const std::wstring& module_directory);

}  // namespace qoz_comp
