#include "launcher/core/file_util.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>
#include <new>

#include "base/file_path.h"
#include "base/scoped_handle.h"
#include "base/string_util.h"
#include "launcher/core/md5.h"
#include "launcher/core/registry_key.h"

namespace {

// The narrow (ANSI code page) and wide forms of the file functions, so each
// operation is written once for both path widths.
struct NarrowApi {
  using Char = char;
  using String = std::string;
  using FindData = WIN32_FIND_DATAA;
  static HANDLE FindFirst(const String& pattern, FindData* data) {
    return FindFirstFileA(pattern.c_str(), data);
  }
  static BOOL FindNext(HANDLE find, FindData* data) { return FindNextFileA(find, data); }
  static BOOL SetAttributes(const String& path, DWORD attributes) {
    return SetFileAttributesA(path.c_str(), attributes);
  }
  static BOOL Delete(const String& path) { return DeleteFileA(path.c_str()); }
  static BOOL RemoveFolder(const String& path) { return RemoveDirectoryA(path.c_str()); }
  static BOOL CreateFolder(const String& path) { return CreateDirectoryA(path.c_str(), nullptr); }
  static DWORD Attributes(const String& path) { return GetFileAttributesA(path.c_str()); }
  static HANDLE Open(const String& path, DWORD access, DWORD disposition) {
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  static HANDLE CreateUnshared(const String& path) {
    return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  static BOOL Replace(const String& from, const String& to) {
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }
  static String SavingPath(const String& path) { return path + ".saving.tmp"; }
  static DWORD FullPath(const String& path, DWORD capacity, Char* buffer) {
    return GetFullPathNameA(path.c_str(), capacity, buffer, nullptr);
  }
  static BOOL DiskSpace(const String& drive, ULARGE_INTEGER* available, ULARGE_INTEGER* total) {
    return GetDiskFreeSpaceExA(drive.c_str(), available, total, nullptr);
  }
  static bool IsDot(const Char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
  }
};

struct WideApi {
  using Char = wchar_t;
  using String = std::wstring;
  using FindData = WIN32_FIND_DATAW;
  static HANDLE FindFirst(const String& pattern, FindData* data) {
    return FindFirstFileW(pattern.c_str(), data);
  }
  static BOOL FindNext(HANDLE find, FindData* data) { return FindNextFileW(find, data); }
  static BOOL SetAttributes(const String& path, DWORD attributes) {
    return SetFileAttributesW(path.c_str(), attributes);
  }
  static BOOL Delete(const String& path) { return DeleteFileW(path.c_str()); }
  static BOOL RemoveFolder(const String& path) { return RemoveDirectoryW(path.c_str()); }
  static BOOL CreateFolder(const String& path) { return CreateDirectoryW(path.c_str(), nullptr); }
  static DWORD Attributes(const String& path) { return GetFileAttributesW(path.c_str()); }
  static HANDLE Open(const String& path, DWORD access, DWORD disposition) {
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  static HANDLE CreateUnshared(const String& path) {
    return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  static BOOL Replace(const String& from, const String& to) {
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }
  static String SavingPath(const String& path) { return path + L".saving.tmp"; }
  static DWORD FullPath(const String& path, DWORD capacity, Char* buffer) {
    return GetFullPathNameW(path.c_str(), capacity, buffer, nullptr);
  }
  static BOOL DiskSpace(const String& drive, ULARGE_INTEGER* available, ULARGE_INTEGER* total) {
    return GetDiskFreeSpaceExW(drive.c_str(), available, total, nullptr);
  }
  static bool IsDot(const Char* name) {
    return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0;
  }
};

// A directory listing handle, closed when the listing goes out of scope.
class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() { Close(); }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  void Close() {
    if (valid()) FindClose(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

// Windows file functions move at most 4 GiB - 1 per call; stay well below.
constexpr DWORD kMaxIoChunk = 1u << 30;
// Hashing reads large blocks: few calls per file, bounded memory.
constexpr size_t kMd5ReadBlock = 1u << 20;

BOOL SystemWriteFile(HANDLE file, const void* bytes, DWORD size, DWORD* written) {
  return WriteFile(file, bytes, size, written, nullptr);
}

// Read by saves on any thread; a test may swap it meanwhile.
std::atomic<FileWriteFunction> file_write_function{&SystemWriteFile};

template <typename Char>
bool IsSeparator(Char c) {
  return c == '\\' || c == '/';
}

template <typename String>
String WithBackslashes(const String& path) {
  String converted = path;
  std::replace(converted.begin(), converted.end(), '/', '\\');
  return converted;
}

template <typename String>
String NormalizeDirPath(const String& path, bool trailing_separator) {
  String normalized = WithBackslashes(path);
  if (trailing_separator) {
    if (normalized.empty() || !IsSeparator(normalized.back())) normalized += '\\';
  } else {
    while (!normalized.empty() && IsSeparator(normalized.back())) normalized.pop_back();
  }
  return normalized;
}

template <typename String>
bool SplitPath(const String& path, String* folder, String* file_name) {
  if (path.empty()) return false;
  const String normalized = WithBackslashes(path);
  const size_t last = normalized.rfind('\\');
  if (last == String::npos || last == 0) return false;
  *folder = normalized.substr(0, last);
  *file_name = normalized.substr(last + 1);
  return true;
}

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

template <typename String>
int SplitString(const String& text, const String& delimiter, std::vector<String>* pieces) {
  pieces->clear();
  if (text.empty() || delimiter.empty()) return 0;
  size_t start = 0;
  for (size_t at = text.find(delimiter); at != String::npos; at = text.find(delimiter, start)) {
    pieces->push_back(text.substr(start, at - start));
    start = at + delimiter.size();
  }
  if (start < text.size()) pieces->push_back(text.substr(start));
  return static_cast<int>(pieces->size());
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

// A REG_SZ value of any length; false when it is missing or of another type.
bool ReadRegistryString(HKEY key, const std::wstring& value_name, std::wstring* text) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD bytes = 0;
    if (RegGetValueW(key, nullptr, value_name.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
        ERROR_SUCCESS) {
      return false;
    }
    std::wstring buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    const LSTATUS status =
        RegGetValueW(key, nullptr, value_name.c_str(), RRF_RT_REG_SZ, nullptr, &buffer[0], &size);
    if (status == ERROR_MORE_DATA) continue;  // grew between the two reads
    if (status != ERROR_SUCCESS) return false;
    buffer.resize(std::wcslen(buffer.c_str()));
    *text = std::move(buffer);
    return true;
  }
  return false;
}

}  // namespace

const std::string& GetSaveDirA() {
  static const std::string dir = ".\\save";
  return dir;
}

const std::wstring& GetSaveDirW() {
  static const std::wstring dir = L".\\save";
  return dir;
}

const std::string& GetUpdateDirA() {
  static const std::string dir = ".\\update";
  return dir;
}

const std::wstring& GetUpdateDirW() {
  static const std::wstring dir = L".\\update";
  return dir;
}

const std::wstring& GetExceptionDirW() {
  static const std::wstring dir = L".\\exception";
  return dir;
}

const std::string& GetPreDownloadDirA() {
  static const std::string dir = GetUpdateDirA() + "\\predownload";
  return dir;
}

const std::wstring& GetDefaultGamePath() {
  static const std::wstring path = qbase::GetCurrentModuleDirectory() + L"Corvandel Game";
  return path;
}

std::string NormalizeDirPathA(const std::string& path, bool trailing_separator) {
  return NormalizeDirPath(path, trailing_separator);
}

std::wstring NormalizeDirPathW(const std::wstring& path, bool trailing_separator) {
  return NormalizeDirPath(path, trailing_separator);
}

bool SplitPathA(const std::string& path, std::string* folder, std::string* file_name) {
  return SplitPath(path, folder, file_name);
}

bool SplitPathW(const std::wstring& path, std::wstring* folder, std::wstring* file_name) {
  return SplitPath(path, folder, file_name);
}

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

bool ComputeStreamMd5(std::ifstream& stream, std::string* md5, int64_t* byte_count) {
  Md5 digest;
  int64_t count = 0;
  std::unique_ptr<char[]> block(new char[kMd5ReadBlock]);
  while (stream) {
    stream.read(block.get(), static_cast<std::streamsize>(kMd5ReadBlock));
    const std::streamsize got = stream.gcount();
    if (got <= 0) break;
    digest.Update(block.get(), static_cast<size_t>(got));
    count += got;
  }
  stream.close();
  digest.finalised = true;
  digest.Final();
  *md5 = digest.HexDigest();
  *byte_count = count;
  return true;
}

bool VerifyFileMd5(const std::string& path, const std::string& expected, std::string* md5,
                   int64_t* byte_count) {
  md5->clear();
  *byte_count = 0;
  // Opened through the wide name so the ANSI code page, not the C runtime's
  // idea of it, decides how the narrow path is read.
  std::wstring wide_path;
  qbase::MultiByteToWide(path, qbase::kCodePageAnsi, &wide_path);
  if (wide_path.empty()) return false;
  std::ifstream stream(wide_path.c_str(), std::ios::in | std::ios::binary);
  if (!stream.is_open()) return false;
  ComputeStreamMd5(stream, md5, byte_count);
  return *md5 == expected;
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

int SplitStringA(const std::string& text, const std::string& delimiter,
                 std::vector<std::string>* pieces) {
  return SplitString(text, delimiter, pieces);
}

int SplitStringW(const std::wstring& text, const std::wstring& delimiter,
                 std::vector<std::wstring>* pieces) {
  return SplitString(text, delimiter, pieces);
}

int FormatDuration(int seconds, wchar_t* buffer, size_t capacity) {
  if (!buffer || capacity == 0) return -1;
  int hours = 0;
  int rest = seconds;
  if (seconds >= 3600) {
    hours = seconds / 3600;
    rest = seconds % 3600;
  }
  int minutes = 0;
  if (rest >= 60) {
    minutes = rest / 60;
    rest %= 60;
  }
  const int written = std::swprintf(buffer, capacity, L"%02d:%02d:%02d", hours, minutes, rest);
  if (written < 0 || static_cast<size_t>(written) >= capacity) {
    buffer[0] = L'\0';
    return -1;
  }
  return written;
}

int RegWriteStringIfChanged(const std::wstring& key_path, const std::wstring& alternate_key_path,
                            const std::wstring& value_name, const std::wstring& text) {
  {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, key_path, KEY_READ) ||
        (!alternate_key_path.empty() &&
         key.Open(HKEY_LOCAL_MACHINE, alternate_key_path, KEY_READ))) {
      std::wstring stored;
      if (ReadRegistryString(key.get(), value_name, &stored) && stored == text) return 0;
    }
  }
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (bytes > MAXDWORD) return -1;
  RegistryKey key;
  if (!key.Open(HKEY_LOCAL_MACHINE, key_path, KEY_SET_VALUE) &&
      (alternate_key_path.empty() ||
       !key.Open(HKEY_LOCAL_MACHINE, alternate_key_path, KEY_SET_VALUE))) {
    return -1;
  }
  const LSTATUS status =
      RegSetValueExW(key.get(), value_name.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(bytes));
  return status == ERROR_SUCCESS ? 1 : -1;
}
