#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qbase {

// "/" becomes "\", then each "\\" pair becomes one "\" in one left-to-right pass.
// It cleans file paths joined from parts, so unlike NormalizeDirPathW it folds
// inner pairs and leaves the end alone.
std::wstring NormalizeFilePath(const std::wstring& path);
// The module's full file name (empty on failure).
std::wstring GetModuleFilePath(HMODULE module);
// The folder of the executable holding this code, with its trailing separator;
// ".\" when no separator is found.
std::wstring GetCurrentModuleDirectory();
// The path up to and including its last separator (index 0 is never examined).
bool ExtractDirectory(const std::wstring& path, std::wstring* directory);
// Components, each followed by "\" when a separator followed it in the path.
bool SplitPathComponents(const wchar_t* path, std::vector<std::wstring>* components);
// Creates every missing folder of the path; false when one cannot be made
// or a file stands in the way.
bool CreateDirectoryRecursively(const wchar_t* path);

}  // namespace qbase

// The launcher's own path helpers. "/" counts as "\" everywhere.
// "/" becomes "\"; with trailing_separator a "\" is added unless the last
// character is one, without it every trailing separator goes. Unlike
// qbase::NormalizeFilePath inner pairs stay: only the end matters before a name
// is appended.
std::string NormalizeDirPathA(const std::string& path, bool trailing_separator);
std::wstring NormalizeDirPathW(const std::wstring& path, bool trailing_separator);
bool SplitPathA(const std::string& path, std::string* folder, std::string* file_name);
bool SplitPathW(const std::wstring& path, std::wstring* folder, std::wstring* file_name);
