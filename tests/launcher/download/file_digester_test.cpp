#include "launcher/download/file_digester.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "base/md5.h"
#include "launcher/download/file_handle.h"
#include "tests/support/scratch_dir.h"

namespace {

using test_support::ScratchDir;

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 12345;
  for (char& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

// Waits (bounded) until the digester has left Hashing or hashed `bytes`.
void WaitFor(const FileDigester& digester, int64_t bytes) {
  for (int i = 0; i < 2000; ++i) {
    if (digester.state() != FileDigester::State::Hashing || digester.hashed_bytes() >= bytes) {
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// Appends to a file through its own handle, the way a transfer writes it.
class Writer {
 public:
  explicit Writer(const std::string& path)
      : file_(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  void Write(const std::string& bytes) {
    DWORD written = 0;
    ASSERT_TRUE(
        WriteFile(file_.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
  }

 private:
  FileHandle file_;
};

TEST(FileDigesterTest, HashesWhatIsWrittenAsItIsWritten) {
  const size_t sizes[] = {1, 1 << 20, (3 << 20) + 17};
  for (size_t size : sizes) {
    ScratchDir scratch;
    const std::string path = scratch.ChildUtf8(L"file.bin");
    const std::string bytes = Pattern(size);
    Writer writer(path);
    FileDigester digester(path, static_cast<int64_t>(size));
    // Written in uneven pieces; after each the digester may hash up to the
    // written length and never further.
    const size_t piece = size / 3 + 1;
    for (size_t done = 0; done < size;) {
      const size_t step = std::min(piece, size - done);
      writer.Write(bytes.substr(done, step));
      done += step;
      digester.Advance(static_cast<int64_t>(done));
      WaitFor(digester, static_cast<int64_t>(done));
      EXPECT_EQ(digester.hashed_bytes(), static_cast<int64_t>(done)) << size;
    }
    WaitFor(digester, static_cast<int64_t>(size) + 1);
    ASSERT_EQ(digester.state(), FileDigester::State::Done) << size << " " << digester.error();
    EXPECT_EQ(digester.HexDigest(), Md5OfBuffer(bytes.data(), bytes.size())) << size;
  }
}

TEST(FileDigesterTest, AdvanceIsClampedAndNeverGoesBack) {
  ScratchDir scratch;
  const std::string path = scratch.ChildUtf8(L"file.bin");
  const std::string bytes = Pattern(5000);
  test_support::WriteFileBytes(scratch.Child(L"file.bin"), bytes);
  FileDigester digester(path, 5000);
  digester.Advance(3000);
  WaitFor(digester, 3000);
  digester.Advance(1000);  // a stale value: ignored
  EXPECT_EQ(digester.state(), FileDigester::State::Hashing);
  digester.Advance(1 << 30);  // past the end: the whole file
  WaitFor(digester, 5001);
  ASSERT_EQ(digester.state(), FileDigester::State::Done);
  EXPECT_EQ(digester.hashed_bytes(), 5000);
  EXPECT_EQ(digester.HexDigest(), Md5OfBuffer(bytes.data(), bytes.size()));
}

TEST(FileDigesterTest, AFileThatCannotHoldTheBytesFails) {
  ScratchDir scratch;
  test_support::WriteFileBytes(scratch.Child(L"short.bin"), Pattern(100));
  struct Case {
    const char* name;
    std::wstring file;
    const char* error;
  } cases[] = {
      {"shorter than said", L"short.bin", "short:"},
      {"missing", L"missing.bin", "open:"},
  };
  for (const Case& c : cases) {
    FileDigester digester(scratch.ChildUtf8(c.file), 200);
    digester.Advance(200);
    WaitFor(digester, 201);
    EXPECT_EQ(digester.state(), FileDigester::State::Failed) << c.name;
    EXPECT_EQ(digester.error().rfind(c.error, 0), 0u) << c.name << ": " << digester.error();
    EXPECT_EQ(digester.HexDigest(), "") << c.name;
  }
}

TEST(FileDigesterTest, GoesAwayWhileWaitingOrHashing) {
  ScratchDir scratch;
  const std::string path = scratch.ChildUtf8(L"big.bin");
  test_support::WriteFileBytes(scratch.Child(L"big.bin"), Pattern(8 << 20));
  {
    FileDigester waiting(path, 8 << 20);  // told nothing: waits for bytes
  }
  {
    FileDigester hashing(path, 8 << 20);
    hashing.Advance(8 << 20);
  }
  // No handle of a digester is left: the file opens without sharing.
  HANDLE exclusive = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(exclusive, INVALID_HANDLE_VALUE);
  CloseHandle(exclusive);
}

}  // namespace
