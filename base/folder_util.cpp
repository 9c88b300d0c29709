#include "base/folder_util.h"

#include <windows.h>

#include <algorithm>

#include "base/file_api.h"
#include "base/file_path.h"

namespace {

using file_api::FindHandle;
using file_api::NarrowApi;
using file_api::NormalizeDirPath;
using file_api::WideApi;

template <typename Api>
bool MakeDirectories(const typename Api::String& path) {
  if (path.empty()) return false;
  const typename Api::String normalized = NormalizeDirPath(path, true);
  for (size_t i = 1; i < normalized.size(); ++i) {
    if (normalized[i] != '\\') continue;
    const typename Api::String prefix = normalized.substr(0, i + 1);
    if (prefix.size() == 2 && prefix[0] == '.') continue;
    // Failures (an existing folder, a drive root, "..\") are expected here.
    Api::CreateFolder(prefix);
  }
  return true;
}

template <typename Api>
void DeleteDirectoryTree(const typename Api::String& path) {
  // A tree that is itself a junction or link: only the link goes.
  const typename Api::String folder = NormalizeDirPath(path, false);
  const DWORD folder_attributes = Api::Attributes(folder);
  if (folder_attributes != INVALID_FILE_ATTRIBUTES &&
      (folder_attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    Api::RemoveFolder(folder);
    return;
  }
  const typename Api::String base = folder + static_cast<typename Api::Char>('\\');
  typename Api::FindData entry;
  FindHandle find(Api::FindFirst(base + static_cast<typename Api::Char>('*'), &entry));
  if (!find.valid()) return;
  do {
    if (Api::IsDot(entry.cFileName)) continue;
    const typename Api::String child = base + entry.cFileName;
    const DWORD attributes = entry.dwFileAttributes;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      DeleteDirectoryTree<Api>(child);
    } else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      Api::Delete(child);  // a file link: never touch the attributes of its target
    } else {
      if (attributes & FILE_ATTRIBUTE_READONLY) {
        const DWORD writable = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        if (!Api::SetAttributes(child, writable ? writable : FILE_ATTRIBUTE_NORMAL)) continue;
      }
      Api::Delete(child);
    }
  } while (Api::FindNext(find.get(), &entry));
  const bool listed_to_end = GetLastError() == ERROR_NO_MORE_FILES;
  find.Close();
  if (listed_to_end) Api::RemoveFolder(base);
}

// The absolute form of a path; empty when it cannot be made absolute.
template <typename Api>
typename Api::String AbsolutePath(const typename Api::String& path) {
  if (path.empty()) return typename Api::String();
  DWORD capacity = Api::FullPath(path, 0, nullptr);
  while (capacity > 0) {
    typename Api::String full(capacity, '\0');
    const DWORD length = Api::FullPath(path, capacity, &full[0]);
    if (length == 0) break;
    if (length < capacity) {
      full.resize(length);
      return full;
    }
    capacity = length;
  }
  return typename Api::String();
}

template <typename Api>
bool DirectoryExists(const typename Api::String& path) {
  const typename Api::String full = AbsolutePath<Api>(path);
  if (full.empty()) return false;
  const DWORD attributes = Api::Attributes(full);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

template <typename Api>
bool GetDiskSpace(const typename Api::String& path, uint64_t* total_bytes, uint64_t* free_bytes) {
  const typename Api::String full = AbsolutePath<Api>(path);
  const size_t colon = full.find(':');
  if (colon == Api::String::npos || colon == 0) return false;
  ULARGE_INTEGER available = {};
  ULARGE_INTEGER total = {};
  if (!Api::DiskSpace(full.substr(0, colon + 1), &available, &total)) return false;
  *total_bytes = total.QuadPart;
  *free_bytes = available.QuadPart;
  return true;
}

// False when the folder cannot be listed; sub-folders that cannot be listed
// add nothing.
bool ListFilesInto(const std::string& folder, std::vector<std::string>* files,
                   const std::vector<std::string>& excluded) {
  const std::string base = NormalizeDirPathA(folder, true);
  std::vector<std::string> subfolders;
  {
    WIN32_FIND_DATAA entry;
    FindHandle find(FindFirstFileA((base + "*").c_str(), &entry));
    if (!find.valid()) return false;
    do {
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        files->push_back(base + entry.cFileName);
        continue;
      }
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      // A junction or link may lead out of the tree or back into it: a
      // looping one would list the same files until the paths overflow.
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      if (std::find(excluded.begin(), excluded.end(), name) == excluded.end()) {
        subfolders.push_back(name);
      }
    } while (FindNextFileA(find.get(), &entry));
  }
  for (const std::string& name : subfolders) ListFilesInto(base + name, files, excluded);
  return true;
}

}  // namespace

int ListFilesRecursive(const std::string& folder, std::vector<std::string>* files,
                       std::vector<std::string> excluded) {
  if (!ListFilesInto(folder, files, excluded)) return -1;
  return static_cast<int>(files->size());
}

int ListSubdirectories(const std::string& folder, std::vector<std::string>* names) {
  names->clear();
  WIN32_FIND_DATAA entry;
  FindHandle find(FindFirstFileA((NormalizeDirPathA(folder, true) + "*").c_str(), &entry));
  if (!find.valid()) return -1;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    const std::string name = entry.cFileName;
    if (name != "." && name != "..") names->push_back(name);
  } while (FindNextFileA(find.get(), &entry));
  return static_cast<int>(names->size());
}

bool MakeDirectoriesA(const std::string& path) { return MakeDirectories<NarrowApi>(path); }

bool MakeDirectoriesW(const std::wstring& path) { return MakeDirectories<WideApi>(path); }

void DeleteDirectoryTreeA(const std::string& path) { DeleteDirectoryTree<NarrowApi>(path); }

void DeleteDirectoryTreeW(const std::wstring& path) { DeleteDirectoryTree<WideApi>(path); }

bool DirectoryExistsA(const std::string& path) { return DirectoryExists<NarrowApi>(path); }

bool DirectoryExistsW(const std::wstring& path) { return DirectoryExists<WideApi>(path); }

bool GetDiskSpaceA(const std::string& path, uint64_t* total_bytes, uint64_t* free_bytes) {
  return GetDiskSpace<NarrowApi>(path, total_bytes, free_bytes);
}

bool GetDiskSpaceW(const std::wstring& path, uint64_t* total_bytes, uint64_t* free_bytes) {
  return GetDiskSpace<WideApi>(path, total_bytes, free_bytes);
}

std::wstring GetDriveOfPath(const std::wstring& path) {
  const std::wstring full = AbsolutePath<WideApi>(path);
  const size_t colon = full.find(L':');
  if (colon == std::wstring::npos || colon == 0) return std::wstring();
  return full.substr(0, colon);
}
