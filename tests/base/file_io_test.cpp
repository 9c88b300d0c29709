#include "base/file_io.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include <fstream>

#include <gtest/gtest.h>

#include "base/json_util.h"
#include "base/string_util.h"
#include "tests/support/scratch_dir.h"

namespace {

using test_support::FileExists;
using test_support::IsDirectory;
using test_support::kCjkFile;
using test_support::kCjkFolder;
using test_support::ReadFileBytes;
using test_support::ScratchDir;
using test_support::WriteFileBytes;

TEST(FileIoTest, WholeFilesRoundTripBytesUnchangedThroughCjkPaths) {
  ScratchDir dir;
  const std::string bytes("line\r\nnext\n\0\xff end", 17);
  const std::wstring wide_path = dir.Child(std::wstring(kCjkFolder) + L"_" + kCjkFile);
  const std::string narrow_path = qbase::WideToUtf8(wide_path);

  EXPECT_TRUE(WriteStringToFileA(narrow_path, bytes));
  EXPECT_EQ(ReadFileBytes(wide_path), bytes);
  std::string read = "stale";
  EXPECT_TRUE(ReadFileToStringW(wide_path, &read));
  EXPECT_EQ(read, bytes);

  // A shorter text truncates what was there.
  EXPECT_TRUE(WriteStringToFileW(wide_path, "short"));
  EXPECT_TRUE(ReadFileToStringA(narrow_path, &read));
  EXPECT_EQ(read, "short");

  EXPECT_TRUE(WriteStringToFileA(narrow_path, ""));
  EXPECT_TRUE(ReadFileToStringA(narrow_path, &read));
  EXPECT_EQ(read, "");
}

TEST(FileIoTest, WholeFileErrorsLeaveTheOutputAlone) {
  ScratchDir dir;
  std::string read = "untouched";
  EXPECT_FALSE(ReadFileToStringA(dir.ChildUtf8(L"missing.txt"), &read));
  EXPECT_FALSE(ReadFileToStringW(dir.Child(L"missing.txt"), &read));
  EXPECT_EQ(read, "untouched");

  EXPECT_FALSE(WriteStringToFileA(dir.ChildUtf8(L"no\\such\\folder.txt"), "x"));
  EXPECT_FALSE(WriteStringToFileW(dir.Child(L"no\\such\\folder.txt"), "x"));
  EXPECT_FALSE(WriteStringToFileW(dir.path(), "x"));  // a folder is not a file

  std::string too_long_path = dir.PathUtf8();
  too_long_path += "\\" + std::string(40000, 'p');
  EXPECT_FALSE(WriteStringToFileA(too_long_path, "x"));
  EXPECT_FALSE(ReadFileToStringA(too_long_path, &read));
}

// The names in a folder, sorted.
std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

// Hands bytes on through WriteFile a few at a time until the budget is spent,
// then fails as a full disk does.
size_t write_budget = 0;

BOOL WriteUntilBudgetSpent(HANDLE file, const void* bytes, DWORD size, DWORD* written) {
  *written = 0;
  if (write_budget == 0) {
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  const DWORD piece = static_cast<DWORD>(std::min<size_t>({size, write_budget, 7}));
  if (!WriteFile(file, bytes, piece, written, nullptr)) return FALSE;
  write_budget -= *written;
  return TRUE;
}

class ScopedFileWriteFunction {
 public:
  explicit ScopedFileWriteFunction(FileWriteFunction write)
      : previous_(SetFileWriteFunctionForTesting(write)) {}
  ~ScopedFileWriteFunction() { SetFileWriteFunctionForTesting(previous_); }
  ScopedFileWriteFunction(const ScopedFileWriteFunction&) = delete;
  ScopedFileWriteFunction& operator=(const ScopedFileWriteFunction&) = delete;

 private:
  FileWriteFunction previous_;
};

TEST(CrashSafeSaveTest, AWriteFailingPartWayLeavesTheOldFileAndNoCopy) {
  const std::string old_bytes = "{\n\t\"gamePath\" : \"D:\\\\Games\"\n}\n";
  const std::string new_bytes(100, 'n');
  struct Case {
    bool old_file;
    size_t budget;
  };
  // Only a budget that covers every byte may save.
  const Case cases[] = {{true, 0},   {true, 1},  {true, 50},  {true, 99},
                        {true, 100}, {false, 0}, {false, 99}, {false, 100}};
  ScopedFileWriteFunction failing(&WriteUntilBudgetSpent);
  for (const Case& c : cases) {
    for (bool wide : {false, true}) {
      ScratchDir dir;
      const std::wstring target = dir.Child(kCjkFile);
      if (c.old_file) WriteFileBytes(target, old_bytes);
      write_budget = c.budget;
      const bool saved = wide ? WriteStringToFileW(target, new_bytes)
                              : WriteStringToFileA(qbase::WideToUtf8(target), new_bytes);
      const bool complete = c.budget >= new_bytes.size();
      const std::string label = std::to_string(c.budget) + (c.old_file ? " over old" : " fresh") +
                                (wide ? " wide" : " narrow");
      EXPECT_EQ(saved, complete) << label;
      if (complete || c.old_file) {
        EXPECT_EQ(ReadFileBytes(target), complete ? new_bytes : old_bytes) << label;
        EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::wstring>{kCjkFile}) << label;
      } else {
        EXPECT_TRUE(FolderEntries(dir.path()).empty()) << label;
      }
    }
  }
}

TEST(CrashSafeSaveTest, ATargetThatCannotBeReplacedKeepsItsContent) {
  ScratchDir dir;
  // A folder in the target's place, with a file of its own.
  const std::wstring folder = dir.Child(L"EnvConfig.json");
  WriteFileBytes(folder + L"\\inside.txt", "inside");
  EXPECT_FALSE(WriteStringToFileW(folder, "{}"));
  EXPECT_FALSE(WriteStringToFileA(qbase::WideToUtf8(folder), "{}"));
  EXPECT_TRUE(IsDirectory(folder));
  EXPECT_EQ(ReadFileBytes(folder + L"\\inside.txt"), "inside");

  // A target someone reads without allowing it to be deleted meanwhile, as
  // ReadFileToString does.
  const std::wstring target = dir.Child(L"Log.json");
  WriteFileBytes(target, "{\"old\" : 1}");
  HANDLE reader = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(WriteStringToFileW(target, "{\"new\" : 2}"));
  EXPECT_FALSE(WriteStringToFileA(qbase::WideToUtf8(target), "{\"new\" : 2}"));
  CloseHandle(reader);
  EXPECT_EQ(ReadFileBytes(target), "{\"old\" : 1}");

  EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::wstring>{L"EnvConfig.json", L"Log.json"}));
  EXPECT_TRUE(WriteStringToFileW(target, "{\"new\" : 2}"));
  EXPECT_EQ(ReadFileBytes(target), "{\"new\" : 2}");
}

// A JSON document with `entries` members, as the launcher writes its files.
std::string JsonDocument(int entries) {
  Json::Value root(Json::objectValue);
  for (int i = 0; i < entries; ++i) {
    root["entry" + std::to_string(i)]["md5"] = std::string(32, static_cast<char>('a' + i % 6));
  }
  return WriteJsonText(root);
}

int64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The save loop program, killed when the test is done with it.
class SaveLoopProcess {
 public:
  SaveLoopProcess(const std::wstring& target, const std::wstring& first,
                  const std::wstring& second) {
    std::wstring program = L"Z:" SAVE_LOOP_EXE;
    std::replace(program.begin(), program.end(), L'/', L'\\');
    std::wstring command = L"\"" + program + L"\" \"" + target + L"\" \"" + first + L"\" \"" +
                           second + L"\" " + std::to_wstring(GetCurrentProcessId());
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
      CloseHandle(process.hThread);
      process_ = process.hProcess;
    }
  }
  ~SaveLoopProcess() { Kill(); }
  SaveLoopProcess(const SaveLoopProcess&) = delete;
  SaveLoopProcess& operator=(const SaveLoopProcess&) = delete;

  bool running() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
  }
  // Ends the program wherever it is and waits until it is gone.
  void Kill() {
    if (process_ == nullptr) return;
    TerminateProcess(process_, 9);
    WaitForSingleObject(process_, INFINITE);
    CloseHandle(process_);
    process_ = nullptr;
  }

 private:
  HANDLE process_ = nullptr;
};

TEST(CrashSafeSaveTest, ASaverKilledAtAnyMomentLeavesOneWholeVersion) {
  ScratchDir dir;
  const std::wstring target = dir.Child(L"EnvConfig.json");
  // Sizes far apart, and the larger big enough that kills often land inside
  // its write.
  const std::string contents[2] = {JsonDocument(2), JsonDocument(20000)};
  const std::wstring sources[2] = {dir.Child(L"first.json"), dir.Child(L"second.json")};
  WriteFileBytes(sources[0], contents[0]);
  WriteFileBytes(sources[1], contents[1]);
  WriteFileBytes(target, contents[0]);
  const int64_t sizes[2] = {static_cast<int64_t>(contents[0].size()),
                            static_cast<int64_t>(contents[1].size())};
  const std::vector<std::wstring> own_files = {L"EnvConfig.json", L"first.json", L"second.json"};
  auto stray_files = [&dir, &own_files] {
    std::vector<std::wstring> stray;
    for (const std::wstring& name : FolderEntries(dir.path())) {
      if (std::find(own_files.begin(), own_files.end(), name) == own_files.end()) {
        stray.push_back(name);
      }
    }
    return stray;
  };

  for (int round = 0; round < 8; ++round) {
    SaveLoopProcess saver(target, sources[0], sources[1]);
    ASSERT_TRUE(saver.running()) << round;
    // Each round lets a different number of saves finish before the kill.
    const int wanted_changes = 2 + round;
    int changes = 0;
    int64_t last_size = FileSize(target);
    const ULONGLONG give_up = GetTickCount64() + 120000;
    while (changes < wanted_changes && saver.running() && GetTickCount64() < give_up) {
      // Never seen empty or part-written, even between saves.
      const int64_t size = FileSize(target);
      ASSERT_TRUE(size == sizes[0] || size == sizes[1]) << round << ": " << size << " bytes";
      if (size != last_size) ++changes;
      last_size = size;
      Sleep(0);
    }
    ASSERT_TRUE(saver.running()) << round;
    ASSERT_EQ(changes, wanted_changes) << round;
    Sleep(round);  // spreads the kills over the next save's steps
    saver.Kill();

    const std::string bytes = ReadFileBytes(target);
    EXPECT_TRUE(bytes == contents[0] || bytes == contents[1])
        << round << ": " << bytes.size() << " bytes";
    Json::Value root;
    std::string error;
    EXPECT_TRUE(ParseJson(bytes, &root, &error)) << round << ": " << error;
    // At most the one copy the killed save was writing.
    EXPECT_LE(stray_files().size(), 1u) << round;
  }
  // The next save takes over whatever copy a killed one left.
  EXPECT_TRUE(WriteStringToFileW(target, contents[1]));
  EXPECT_EQ(ReadFileBytes(target), contents[1]);
  EXPECT_TRUE(stray_files().empty());
}

TEST(FileIoTest, ReadFileHandleToBufferNeedsTheExactCountAndAlwaysCloses) {
  ScratchDir dir;
  const std::wstring path = dir.Child(kCjkFile);
  WriteFileBytes(path, "0123456789");
  auto open = [&path] {
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  // An exclusive open succeeds only when the helper closed its handle.
  auto closed = [&path] {
    HANDLE exclusive = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (exclusive == INVALID_HANDLE_VALUE) return false;
    CloseHandle(exclusive);
    return true;
  };

  int64_t size = -1;
  std::unique_ptr<uint8_t[]> buffer = ReadFileHandleToBuffer(open(), 10, &size);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.get()), 10), "0123456789");
  EXPECT_EQ(size, 10);
  EXPECT_TRUE(closed());

  EXPECT_NE(ReadFileHandleToBuffer(open(), 4, nullptr), nullptr);
  EXPECT_TRUE(closed());

  size = -1;
  EXPECT_EQ(ReadFileHandleToBuffer(open(), 11, &size), nullptr);
  EXPECT_EQ(size, -1);
  EXPECT_TRUE(closed());

  EXPECT_EQ(ReadFileHandleToBuffer(INVALID_HANDLE_VALUE, 1, &size), nullptr);
}

}  // namespace
