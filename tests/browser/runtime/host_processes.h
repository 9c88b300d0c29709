#pragma once

#include <string>
#include <vector>

namespace test_support {

// The host's processes whose command line holds `needle` (a profile folder's
// host path, say), read from the host's process table through the Wine
// drive that maps the host's root.
int CountHostProcesses(const std::string& needle);

// The command lines of those processes, arguments separated by spaces.
std::vector<std::string> HostCommandLines(const std::string& needle);

// The whole of a file, read as it grows (a host process's status, say);
// empty when it cannot be opened.
std::string ReadHostFile(const std::wstring& path);

// The host path of a Windows path, which need not exist yet; empty when there
// is none.
std::string HostPathOf(const std::wstring& windows_path);

}  // namespace test_support
