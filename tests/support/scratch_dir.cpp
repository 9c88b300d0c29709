#include "tests/support/scratch_dir.h"

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <gtest/gtest.h>

namespace test_support {
namespace {

std::string ToUtf8(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

}  // namespace

ScratchDir::ScratchDir() {
  static std::atomic<unsigned> counter{0};
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring base(temp);
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  for (;;) {
    std::wstring candidate = base + L"\\launcher_test_" + std::to_wstring(GetCurrentProcessId()) +
                             L"_" + std::to_wstring(counter++);
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      path_ = candidate;
      return;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      ADD_FAILURE() << "cannot create a scratch folder under the temporary folder";
      path_ = candidate;
      return;
    }
  }
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(path_), ignored);
}

std::wstring ScratchDir::Child(const std::wstring& relative) const {
  return path_ + L"\\" + relative;
}

std::string ScratchDir::PathUtf8() const { return ToUtf8(path_); }

std::string ScratchDir::ChildUtf8(const std::wstring& relative) const {
  return ToUtf8(Child(relative));
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  ASSERT_TRUE(out.good()) << "cannot write a test file";
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFileBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read a test file";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TryReadFileBytes(const std::wstring& path, std::string* bytes) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  if (!in.good()) return false;
  std::string read((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;
  *bytes = std::move(read);
  return true;
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsDirectory(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring HostPathInWine(const std::wstring& host_path) {
  std::wstring path = L"Z:" + host_path;
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

}  // namespace test_support
