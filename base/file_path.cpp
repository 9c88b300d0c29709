#include "base/file_path.h"

#include "base/file_api.h"

#include "base/string_util.h"

namespace qbase {
namespace {

// Longest name the wide file functions accept (with the "\\?\" form).
constexpr DWORD kMaxModuleNameChars = 32768;

using file_api::IsSeparator;

bool IsExistingDirectory(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::wstring NormalizeFilePath(const std::wstring& path) {
  std::wstring normalized = file_api::WithBackslashes(path);
  ReplaceAllWide(L"\\\\", L"\\", &normalized);
  return normalized;
}

std::wstring GetModuleFilePath(HMODULE module) {
  // Grow the buffer until the name fits, so long install paths are not cut.
  for (DWORD capacity = MAX_PATH; capacity <= kMaxModuleNameChars; capacity *= 2) {
    std::wstring name(capacity, L'\0');
    const DWORD length = GetModuleFileNameW(module, &name[0], capacity);
    if (length == 0) return std::wstring();
    if (length < capacity) {
      name.resize(length);
      return name;
    }
  }
  return std::wstring();
}

std::wstring GetCurrentModuleDirectory() {
  MEMORY_BASIC_INFORMATION info = {};
  std::wstring directory;
  if (VirtualQuery(reinterpret_cast<const void*>(&GetCurrentModuleDirectory), &info,
                   sizeof(info)) != 0 &&
      ExtractDirectory(GetModuleFilePath(static_cast<HMODULE>(info.AllocationBase)), &directory)) {
    return directory;
  }
  return L".\\";
}

bool ExtractDirectory(const std::wstring& path, std::wstring* directory) {
  if (path.size() < 2) return false;
  for (size_t i = path.size() - 1; i >= 1; --i) {
    if (IsSeparator(path[i])) {
      *directory = path.substr(0, i + 1);
      return true;
    }
  }
  return false;
}

bool SplitPathComponents(const wchar_t* path, std::vector<std::wstring>* components) {
  components->clear();
  if (!path) return false;
  const std::wstring text(path);
  size_t i = 0;
  if (!text.empty() && IsSeparator(text[0])) {
    components->push_back(L"\\");
    while (i < text.size() && IsSeparator(text[i])) ++i;
  }
  while (i < text.size()) {
    size_t end = i;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    std::wstring component = text.substr(i, end - i);
    if (end < text.size()) component += L'\\';
    components->push_back(std::move(component));
    i = end;
    while (i < text.size() && IsSeparator(text[i])) ++i;
  }
  return true;
}

bool CreateDirectoryRecursively(const wchar_t* path) {
  if (!path) return false;
  if (IsExistingDirectory(path)) return true;
  std::vector<std::wstring> components;
  if (!SplitPathComponents(path, &components) || components.empty()) return false;
  std::wstring prefix;
  for (const std::wstring& component : components) {
    prefix += component;
    if (IsExistingDirectory(prefix)) continue;
    if (!CreateDirectoryW(prefix.c_str(), nullptr)) {
      if (GetLastError() != ERROR_ALREADY_EXISTS || !IsExistingDirectory(prefix)) return false;
    }
  }
  return true;
}

}  // namespace qbase

std::string NormalizeDirPathA(const std::string& path, bool trailing_separator) {
  return file_api::NormalizeDirPath(path, trailing_separator);
}

std::wstring NormalizeDirPathW(const std::wstring& path, bool trailing_separator) {
  return file_api::NormalizeDirPath(path, trailing_separator);
}

bool SplitPathA(const std::string& path, std::string* folder, std::string* file_name) {
  return file_api::SplitPath(path, folder, file_name);
}

bool SplitPathW(const std::wstring& path, std::wstring* folder, std::wstring* file_name) {
  return file_api::SplitPath(path, folder, file_name);
}
