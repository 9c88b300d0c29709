#pragma once

#include <winsock2.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qoz_runtime {

struct HostBrowserOptions {
  // Host path of the browser program.
  std::string executable;
  // Windows paths; the profile folder is created when missing.
  std::wstring profile_folder;
  // Empty: the browser's output is dropped.
  std::wstring log_file;
  // Whole arguments such as "--no-sandbox" or "--name=value".
  std::vector<std::string> arguments;
};

// The host's headless browser, started through a small host shell that ends
// it when asked or when this process is gone (the host process cannot be held
// by a handle from here): the shell keeps a loopback connection to this
// process and ends the browser's process group once it closes.
class HostBrowser {
 public:
  HostBrowser() = default;
  ~HostBrowser();
  HostBrowser(const HostBrowser&) = delete;
  HostBrowser& operator=(const HostBrowser&) = delete;

  // True once the browser listens for its debugging protocol; false when it
  // cannot start or ends first (nothing is left running then).
  bool Start(const HostBrowserOptions& options);
  uint16_t debugging_port() const { return debugging_port_; }
  // The WebSocket path of the browser's own debugging target.
  const std::string& debugging_path() const { return debugging_path_; }

  // Ends the browser's process group and waits until the shell reports it
  // gone (bounded); does nothing when it does not run.
  void Stop();

 private:
  // One start; `ended_early` tells a browser that ended before it listened.
  bool StartOnce(const HostBrowserOptions& options, bool* ended_early);
  // Reads what the shell reported; false once it is gone.
  bool PollShell(DWORD wait_ms);

  SOCKET listener_ = INVALID_SOCKET;
  SOCKET shell_ = INVALID_SOCKET;
  std::string shell_output_;
  uint16_t debugging_port_ = 0;
  std::string debugging_path_;
};

// The host path of a Windows path; empty when there is none.
std::string ToHostPath(const std::wstring& windows_path);

}  // namespace qoz_runtime
