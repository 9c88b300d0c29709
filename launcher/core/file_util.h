#pragma once

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

// The launcher's own folders, relative to its folder (the current directory).
const std::string& GetSaveDirA();  // ".\save"
const std::wstring& GetSaveDirW();
const std::string& GetUpdateDirA();  // ".\update"
const std::wstring& GetUpdateDirW();
const std::wstring& GetExceptionDirW();    // ".\exception"
const std::string& GetPreDownloadDirA();   // ".\update\predownload"
const std::wstring& GetDefaultGamePath();  // module folder + "Corvandel Game"

// Paths. "/" counts as "\" everywhere.
std::string NormalizeDirPathA(const std::string& path, bool trailing_separator);
std::wstring NormalizeDirPathW(const std::wstring& path, bool trailing_separator);
bool SplitPathA(const std::string& path, std::string* folder, std::string* file_name);
bool SplitPathW(const std::wstring& path, std::wstring* folder, std::wstring* file_name);
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

// MD5 of a binary stream read to its end in large blocks (bounded memory);
// closes the stream. The count is 64-bit: files may exceed 2 GiB.
bool ComputeStreamMd5(std::ifstream& stream, std::string* md5, int64_t* byte_count);
// True when the file's MD5 text equals `expected` exactly.
bool VerifyFileMd5(const std::string& path, const std::string& expected, std::string* md5,
                   int64_t* byte_count);
// Reads `byte_count` bytes from an open handle and closes it in every case;
// null unless exactly that many bytes were read.
std::unique_ptr<uint8_t[]> ReadFileHandleToBuffer(HANDLE file, uint32_t byte_count, int64_t* size);

// Cuts at each delimiter; no trailing empty piece. Returns the piece count.
int SplitStringA(const std::string& text, const std::string& delimiter,
                 std::vector<std::string>* pieces);
int SplitStringW(const std::wstring& text, const std::wstring& delimiter,
                 std::vector<std::wstring>* pieces);
// "hh:mm:ss" into the buffer (hours unbounded); returns the characters written,
// or -1 with an empty buffer when it does not fit.
int FormatDuration(int seconds, wchar_t* buffer, size_t capacity);
// Under HKEY_LOCAL_MACHINE, the alternate key when the first cannot be opened:
// 0 unchanged, 1 written, -1 failed. A value that is missing or not REG_SZ
// counts as changed.
int RegWriteStringIfChanged(const std::wstring& key_path, const std::wstring& alternate_key_path,
                            const std::wstring& value_name, const std::wstring& text);
