#include "base/file_io.h"

#include <algorithm>
#include <atomic>
#include <new>

#include "base/file_api.h"
#include "base/file_path.h"
#include "base/folder_util.h"
#include "base/scoped_handle.h"

namespace {

using file_api::kMaxIoChunk;
using file_api::NarrowApi;
using file_api::WideApi;

BOOL SystemWriteFile(HANDLE file, const void* bytes, DWORD size, DWORD* written) {
  return WriteFile(file, bytes, size, written, nullptr);
}

// Read by saves on any thread; a test may swap it meanwhile.
std::atomic<FileWriteFunction> file_write_function{&SystemWriteFile};

template <typename Api>
bool ReadFileToString(const typename Api::String& path, std::string* bytes) {
  qbase::ScopedHandle file(Api::Open(path, GENERIC_READ, OPEN_EXISTING));
  if (!file.IsValid()) return false;
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
      static_cast<uint64_t>(size.QuadPart) > bytes->max_size()) {
    return false;
  }
  std::string content;
  try {
    content.resize(static_cast<size_t>(size.QuadPart));
  } catch (const std::bad_alloc&) {
    return false;
  }
  size_t done = 0;
  while (done < content.size()) {
    const DWORD want = static_cast<DWORD>(std::min<size_t>(content.size() - done, kMaxIoChunk));
    DWORD got = 0;
    if (!ReadFile(file.Get(), &content[done], want, &got, nullptr)) return false;
    if (got == 0) break;
    done += got;
  }
  content.resize(done);
  *bytes = std::move(content);
  return true;
}

// Every byte, then the disk's copy of them; false when either falls short.
bool WriteAllAndFlush(HANDLE file, const std::string& bytes) {
  const FileWriteFunction write = file_write_function.load();
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kMaxIoChunk));
    DWORD written = 0;
    if (!write(file, bytes.data() + done, want, &written) || written == 0) return false;
    done += written;
  }
  return FlushFileBuffers(file) != FALSE;
}

template <typename Api>
bool WriteStringToFile(const typename Api::String& path, const std::string& bytes) {
  if (path.empty()) return false;
  // Unshared, so a second save of the same target cannot write into this one's
  // bytes; a copy left by a killed save is simply overwritten.
  const typename Api::String saving_path = Api::SavingPath(path);
  qbase::ScopedHandle saving(Api::CreateUnshared(saving_path));
  if (!saving.IsValid()) return false;
  const bool written = WriteAllAndFlush(saving.Get(), bytes);
  saving.Reset();
  if (!written || !Api::Replace(saving_path, path)) {
    Api::Delete(saving_path);
    return false;
  }
  return true;
}

}  // namespace

bool ReadFileToStringA(const std::string& path, std::string* bytes) {
  return ReadFileToString<NarrowApi>(path, bytes);
}

bool ReadFileToStringW(const std::wstring& path, std::string* bytes) {
  return ReadFileToString<WideApi>(path, bytes);
}

bool WriteStringToFileA(const std::string& path, const std::string& bytes) {
  return WriteStringToFile<NarrowApi>(path, bytes);
}

bool WriteStringToFileW(const std::wstring& path, const std::string& bytes) {
  return WriteStringToFile<WideApi>(path, bytes);
}

FileWriteFunction SetFileWriteFunctionForTesting(FileWriteFunction write) {
  return file_write_function.exchange(write ? write : &SystemWriteFile);
}

std::unique_ptr<uint8_t[]> ReadFileHandleToBuffer(HANDLE file, uint32_t byte_count, int64_t* size) {
  qbase::ScopedHandle owned(file);
  if (!owned.IsValid()) return nullptr;
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size_t{byte_count} + 1]);
  if (!buffer) return nullptr;
  uint32_t done = 0;
  while (done < byte_count) {
    DWORD got = 0;
    if (!ReadFile(owned.Get(), buffer.get() + done, byte_count - done, &got, nullptr) || got == 0) {
      return nullptr;
    }
    done += got;
  }
  if (size) *size = byte_count;
  return buffer;
}

void CreateParentFolders(const std::string& path) {
  std::string folder;
  std::string name;
  if (SplitPathA(path, &folder, &name) && !DirectoryExistsA(folder)) MakeDirectoriesA(folder);
}

bool SetFileLength(const std::string& path, int64_t length, bool create) {
  if (create) CreateParentFolders(path);
  qbase::ScopedHandle file(
      CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;
  LARGE_INTEGER position;
  position.QuadPart = length;
  return SetFilePointerEx(file.Get(), position, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get());
}

int64_t GetFileLength(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return -1;
  }
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}
