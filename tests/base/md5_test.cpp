#include "base/md5.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "base/string_util.h"

#include "tests/support/scratch_dir.h"

namespace {

using test_support::kCjkFile;
struct DigestCase {
  std::string input;
  const char* md5;
};

// The test suite of RFC 1321.
const DigestCase kRfc1321Suite[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

// Lengths around the padding boundaries: 55 bytes still fit the length in the
// same block, 56 to 63 need a second block, 64 is a whole block.
const DigestCase kPaddingBoundaries[] = {
    {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
    {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
    {std::string(57, 'a'), "652b906d60af96844ebd21b674f35e93"},
    {std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
    {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
    {std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
    {std::string(119, 'a'), "8a7bd0732ed6a28ce75f6dabc90e1613"},
    {std::string(120, 'a'), "5f61c0ccad4cac44c75ff505e1f1e537"},
    {std::string(128, 'a'), "e510683b3f5ffe4093d021808bc6ff70"},
};

std::string PatternBytes(size_t size, unsigned multiplier, unsigned offset, unsigned modulus) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>((i * multiplier + offset) % modulus);
  }
  return bytes;
}

TEST(Md5Test, Rfc1321SuiteAndPaddingBoundaries) {
  for (const DigestCase& c : kRfc1321Suite) {
    EXPECT_EQ(Md5OfBuffer(c.input.data(), c.input.size()), c.md5) << '"' << c.input << '"';
  }
  for (const DigestCase& c : kPaddingBoundaries) {
    EXPECT_EQ(Md5OfBuffer(c.input.data(), c.input.size()), c.md5) << c.input.size() << " bytes";
  }
}

TEST(Md5Test, AnySplitIntoUpdatesGivesTheOnePieceDigest) {
  const std::string message = PatternBytes(200, 31, 7, 256);
  const std::string whole = Md5OfBuffer(message.data(), message.size());
  for (size_t first = 0; first <= message.size(); ++first) {
    for (size_t second : {size_t{1}, size_t{63}, size_t{64}, size_t{65}}) {
      Md5 md5;
      md5.Update(message.data(), first);
      size_t at = first;
      while (at < message.size()) {
        const size_t piece = std::min(second, message.size() - at);
        md5.Update(message.data() + at, piece);
        at += piece;
      }
      md5.finalised = true;
      md5.Final();
      ASSERT_EQ(md5.HexDigest(), whole) << "first piece " << first << ", then " << second;
    }
  }
}

TEST(Md5Test, StreamedFilesMatchTheirKnownDigests) {
  struct FileCase {
    std::string bytes;
    const char* md5;
  };
  // A multiple of 1024 bytes, and a file larger than one stream read.
  const FileCase cases[] = {
      {PatternBytes(3 * 1024, 31, 7, 256), "87da669e89c4c51f8cfd4e195f725d6b"},
      {PatternBytes(2 * 1024 * 1024 + 1024, 131, 17, 251), "98235f1d805b923b9e7e387d8a52da40"},
      {std::string(), "d41d8cd98f00b204e9800998ecf8427e"},
  };
  test_support::ScratchDir dir;
  for (const FileCase& c : cases) {
    const std::wstring path = dir.Child(L"data.bin");
    test_support::WriteFileBytes(path, c.bytes);
    std::ifstream stream(path.c_str(), std::ios::in | std::ios::binary);
    ASSERT_TRUE(stream.is_open());
    std::string md5;
    int64_t byte_count = -1;
    EXPECT_TRUE(ComputeStreamMd5(stream, &md5, &byte_count));
    EXPECT_EQ(md5, c.md5) << c.bytes.size() << " bytes";
    EXPECT_EQ(md5, Md5OfBuffer(c.bytes.data(), c.bytes.size()));
    EXPECT_EQ(byte_count, static_cast<int64_t>(c.bytes.size()));
    EXPECT_FALSE(stream.is_open());
  }
}

// A CJK file name: narrow paths carry it as UTF-8 (the test programs run
// with the UTF-8 ANSI code page).
using test_support::ScratchDir;
using test_support::WriteFileBytes;

TEST(Md5FileTest, VerifyFileMd5ComparesTheExactText) {
  ScratchDir dir;
  const std::wstring path = dir.Child(kCjkFile);
  const std::string narrow = qbase::WideToUtf8(path);
  WriteFileBytes(path, std::string("line\r\n\0\xff", 8));
  const std::string md5_text = "0fe77da82df4064cac6a548d8a220dc6";

  std::string md5;
  int64_t count = -1;
  EXPECT_TRUE(VerifyFileMd5(narrow, md5_text, &md5, &count));
  EXPECT_EQ(md5, md5_text);
  EXPECT_EQ(count, 8);

  std::string upper = md5_text;
  std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
  EXPECT_FALSE(VerifyFileMd5(narrow, upper, &md5, &count));
  EXPECT_EQ(md5, md5_text);

  WriteFileBytes(path, "");
  EXPECT_TRUE(VerifyFileMd5(narrow, "d41d8cd98f00b204e9800998ecf8427e", &md5, &count));
  EXPECT_EQ(count, 0);

  EXPECT_FALSE(VerifyFileMd5(dir.ChildUtf8(L"missing"), "", &md5, &count));
  EXPECT_EQ(md5, "");
  EXPECT_EQ(count, 0);
}

TEST(Md5FileTest, FilesBeyondTwoGibibytesAreCountedInFull) {
  ScratchDir dir;
  const std::wstring path = dir.Child(L"large.bin");
  {
    // Sparse where the file system allows: 2 GiB of zeros, then five bytes.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER offset;
    offset.QuadPart = int64_t{1} << 31;
    ASSERT_TRUE(SetFilePointerEx(file, offset, nullptr, FILE_BEGIN));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "tail!", 5, &written, nullptr));
    CloseHandle(file);
  }
  std::string md5;
  int64_t count = 0;
  EXPECT_TRUE(
      VerifyFileMd5(qbase::WideToUtf8(path), "79a54ab0e7da8b6370802bd7cfef13f2", &md5, &count));
  EXPECT_EQ(count, (int64_t{1} << 31) + 5);
}

}  // namespace
