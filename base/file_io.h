#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

// Whole files, bytes unchanged. Reading fails (output untouched) when the file
// cannot be opened or read.
bool ReadFileToStringA(const std::string& path, std::string* bytes);
bool ReadFileToStringW(const std::wstring& path, std::string* bytes);
// Writing replaces the file whole or not at all, even when the process dies or
// the power fails part-way: the bytes go to `path` + ".saving.tmp" beside it,
// are flushed to the disk, and that file then takes the target's place in one
// rename. On any failure (no folder, a full disk, a target that is a folder or
// held open by someone else) the target keeps its previous bytes, or stays
// absent, and the result is false. A process killed mid-save may leave the
// ".saving.tmp" file; it is never read as the target and the next save of the
// same target reuses it. Of two saves of one target at the same moment, one
// may fail.
bool WriteStringToFileA(const std::string& path, const std::string& bytes);
bool WriteStringToFileW(const std::wstring& path, const std::string& bytes);

// The call the saves above hand their bytes to, with WriteFile's contract
// (without the overlapped argument); WriteFile itself unless replaced.
using FileWriteFunction = BOOL (*)(HANDLE file, const void* bytes, DWORD size, DWORD* written);
// Replaces it for every later save and returns the previous one; null restores
// WriteFile. Lets a test make a save fail part-way, as a full disk would.
FileWriteFunction SetFileWriteFunctionForTesting(FileWriteFunction write);

// Reads `byte_count` bytes from an open handle and closes it in every case;
// null unless exactly that many bytes were read.
std::unique_ptr<uint8_t[]> ReadFileHandleToBuffer(HANDLE file, uint32_t byte_count, int64_t* size);

// Narrow paths (ANSI code page).
// Creates the missing folders above a file path.
void CreateParentFolders(const std::string& path);
// Sets the size of an existing file, creating the file when `create` is set.
// False when the file cannot be opened or resized.
bool SetFileLength(const std::string& path, int64_t length, bool create);
// The size of an existing file, or -1.
int64_t GetFileLength(const std::string& path);
