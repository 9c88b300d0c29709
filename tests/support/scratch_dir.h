#pragma once

#include <string>

namespace test_support {

// A fresh, uniquely named folder under the system's temporary folder, removed
// with everything in it when the object goes away.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // The folder's absolute path, without a trailing separator.
  const std::wstring& path() const { return path_; }
  // path() + "\" + relative.
  std::wstring Child(const std::wstring& relative) const;
  // The same paths as UTF-8 (the tests' processes use the UTF-8 code page).
  std::string PathUtf8() const;
  std::string ChildUtf8(const std::wstring& relative) const;

 private:
  std::wstring path_;
};

// A CJK folder and file name: narrow paths carry them as UTF-8 (the test
// programs run with the UTF-8 ANSI code page).
inline constexpr wchar_t kCjkFolder[] = L"\u904a\u6232\u8cc7\u6599";
inline constexpr wchar_t kCjkFile[] = L"\u8a2d\u5b9a.json";

// Writes bytes to a file, creating missing parent folders. Fails the test on error.
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
// Reads a whole file; fails the test when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);
// For a file another process may be replacing: false, without failing the
// test, while it cannot be read.
bool TryReadFileBytes(const std::wstring& path, std::string* bytes);
bool FileExists(const std::wstring& path);
bool IsDirectory(const std::wstring& path);
// A file, a folder or a link.
bool PathExists(const std::wstring& path);
// A host (Linux) path as Wine sees it: on Z:, with back-slashes.
std::wstring HostPathInWine(const std::wstring& host_path);

}  // namespace test_support
