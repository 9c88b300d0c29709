#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/scoped_handle.h"

// Owns a Windows file handle; closed when the owner goes or on Reset.
using FileHandle = qbase::ScopedHandle;

// Creates the missing folders above a file path (narrow, ANSI code page).
void CreateParentFolders(const std::string& path);

// Sets the size of an existing file, creating the file when `create` is set.
// False when the file cannot be opened or resized.
bool SetFileLength(const std::string& path, int64_t length, bool create);

// The size of an existing file, or -1.
int64_t GetFileLength(const std::string& path);
