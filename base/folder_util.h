#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Folders, in the narrow (ANSI code page) and wide forms. "/" counts as "\".
// Appends base + name of every file below the folder (a folder's own files,
// then each sub-folder's); folders named in `excluded`, junctions and links
// are never entered.
// Returns the list's size, or -1 when the folder cannot be listed.
int ListFilesRecursive(const std::string& folder, std::vector<std::string>* files,
                       std::vector<std::string> excluded);
int ListSubdirectories(const std::string& folder, std::vector<std::string>* names);
bool MakeDirectoriesA(const std::string& path);
bool MakeDirectoriesW(const std::wstring& path);
// Deletes everything below the folder and the folder itself; read-only files
// are made writable first. Junctions and links are removed, never followed.
// Whatever cannot be deleted stays, with the folders above it.
void DeleteDirectoryTreeA(const std::string& path);
void DeleteDirectoryTreeW(const std::wstring& path);
bool DirectoryExistsA(const std::string& path);
bool DirectoryExistsW(const std::wstring& path);
bool GetDiskSpaceA(const std::string& path, uint64_t* total_bytes, uint64_t* free_bytes);
bool GetDiskSpaceW(const std::wstring& path, uint64_t* total_bytes, uint64_t* free_bytes);
std::wstring GetDriveOfPath(const std::wstring& path);
