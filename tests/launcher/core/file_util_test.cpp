#include "launcher/core/file_util.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/file_path.h"
#include "base/string_util.h"
#include "launcher/core/json_util.h"
#include "tests/support/scratch_dir.h"

namespace {

using test_support::FileExists;
using test_support::ReadFileBytes;
using test_support::ScratchDir;
using test_support::WriteFileBytes;

// A CJK folder and file name: narrow paths carry them as UTF-8 (the test
// programs run with the UTF-8 ANSI code page).
const wchar_t kCjkFolder[] = L"\u904a\u6232\u8cc7\u6599";
const wchar_t kCjkFile[] = L"\u8a2d\u5b9a.json";

bool IsDirectory(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Makes a folder the current directory for the test's lifetime: the
// launcher's relative paths are relative to it.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::wstring& path) {
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    previous_ = previous;
    EXPECT_TRUE(SetCurrentDirectoryW(path.c_str()));
  }
  ~CurrentDirectory() { SetCurrentDirectoryW(previous_.c_str()); }

 private:
  std::wstring previous_;
};

TEST(FileUtilTest, FolderTextsAreRelativeToTheLauncherFolder) {
  EXPECT_EQ(GetSaveDirA(), ".\\save");
  EXPECT_EQ(GetSaveDirW(), L".\\save");
  EXPECT_EQ(GetUpdateDirA(), ".\\update");
  EXPECT_EQ(GetUpdateDirW(), L".\\update");
  EXPECT_EQ(GetExceptionDirW(), L".\\exception");
  EXPECT_EQ(GetPreDownloadDirA(), ".\\update\\predownload");
  EXPECT_EQ(GetDefaultGamePath(), qbase::GetCurrentModuleDirectory() + L"Corvandel Game");
  EXPECT_EQ(&GetSaveDirA(), &GetSaveDirA());
}

TEST(FileUtilTest, NormalizeDirPathInBothWidths) {
  struct Case {
    std::string path;
    bool trailing;
    std::string normalized;
  };
  const Case cases[] = {
      {"a/b", true, "a\\b\\"},
      {"a\\", true, "a\\"},
      {"a/", true, "a\\"},
      {"a\\\\", false, "a"},
      {"a/b//", false, "a\\b"},
      {"", true, "\\"},
      {"", false, ""},
      {"\\", false, ""},
      {"C:\\x", false, "C:\\x"},
      {"\xE9\x81\x8A/\xE6\x88\xB2/", true, "\xE9\x81\x8A\\\xE6\x88\xB2\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormalizeDirPathA(c.path, c.trailing), c.normalized) << c.path;
    EXPECT_EQ(NormalizeDirPathW(qbase::Utf8ToWide(c.path), c.trailing),
              qbase::Utf8ToWide(c.normalized))
        << c.path;
  }
}

TEST(FileUtilTest, SplitPathInBothWidths) {
  struct Case {
    std::string path;
    bool split;
    std::string folder;
    std::string name;
  };
  const Case cases[] = {
      {"dir/sub/file.txt", true, "dir\\sub", "file.txt"},
      {"C:\\dir\\", true, "C:\\dir", ""},
      {"a\\b", true, "a", "b"},
      {"\xE9\x81\x8A/\xE6\x88\xB2.txt", true, "\xE9\x81\x8A", "\xE6\x88\xB2.txt"},
      {"\\file.txt", false, "old", "old"},
      {"file.txt", false, "old", "old"},
      {"", false, "old", "old"},
  };
  for (const Case& c : cases) {
    std::string folder = "old", name = "old";
    EXPECT_EQ(SplitPathA(c.path, &folder, &name), c.split) << c.path;
    EXPECT_EQ(folder, c.folder) << c.path;
    EXPECT_EQ(name, c.name) << c.path;

    std::wstring wide_folder = L"old", wide_name = L"old";
    EXPECT_EQ(SplitPathW(qbase::Utf8ToWide(c.path), &wide_folder, &wide_name), c.split);
    EXPECT_EQ(wide_folder, qbase::Utf8ToWide(c.folder)) << c.path;
    EXPECT_EQ(wide_name, qbase::Utf8ToWide(c.name)) << c.path;
  }
}

TEST(FileUtilTest, ListFilesRecursiveListsOwnFilesFirstAndSkipsExcludedNames) {
  ScratchDir dir;
  const std::wstring cjk = kCjkFolder;
  WriteFileBytes(dir.Child(L"b.txt"), "b");
  WriteFileBytes(dir.Child(L"sub\\c.txt"), "c");
  WriteFileBytes(dir.Child(L"deep\\sub\\hidden.txt"), "x");
  WriteFileBytes(dir.Child(L"deep\\Sub2\\d.txt"), "d");
  WriteFileBytes(dir.Child(L"other\\Sub\\e.txt"), "e");
  WriteFileBytes(dir.Child(cjk + L"\\" + kCjkFile), "f");
  CurrentDirectory current(dir.path());

  std::vector<std::string> files = {"kept"};
  const int count = ListFilesRecursive(".", &files, {"sub"});
  const std::string cjk_file = ".\\" + qbase::WideToUtf8(cjk) + "\\" + qbase::WideToUtf8(kCjkFile);
  std::vector<std::string> expected = {"kept", ".\\b.txt", ".\\deep\\Sub2\\d.txt",
                                       ".\\other\\Sub\\e.txt", cjk_file};
  EXPECT_EQ(count, 5);
  ASSERT_EQ(files.size(), expected.size());
  EXPECT_EQ(files.front(), "kept");
  // A folder's own files come before those of its sub-folders.
  EXPECT_EQ(files[1], ".\\b.txt");
  std::sort(files.begin(), files.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(files, expected);

  files.clear();
  EXPECT_EQ(ListFilesRecursive(dir.PathUtf8() + "\\", &files, {}), 6);
  EXPECT_NE(std::find(files.begin(), files.end(), dir.PathUtf8() + "\\sub\\c.txt"), files.end());
  EXPECT_EQ(files.front(), dir.PathUtf8() + "\\b.txt");
}

TEST(FileUtilTest, ListingAMissingFolderFails) {
  ScratchDir dir;
  std::vector<std::string> files = {"kept"};
  EXPECT_EQ(ListFilesRecursive(dir.ChildUtf8(L"missing"), &files, {}), -1);
  EXPECT_EQ(files, std::vector<std::string>{"kept"});

  std::vector<std::string> names = {"stale"};
  EXPECT_EQ(ListSubdirectories(dir.ChildUtf8(L"missing"), &names), -1);
  EXPECT_TRUE(names.empty());
}

TEST(FileUtilTest, ListSubdirectoriesGivesFolderNamesOnly) {
  ScratchDir dir;
  WriteFileBytes(dir.Child(L"file.txt"), "x");
  WriteFileBytes(dir.Child(std::wstring(kCjkFolder) + L"\\inner\\f.txt"), "x");
  WriteFileBytes(dir.Child(L"plain\\f.txt"), "x");
  std::vector<std::string> names = {"stale"};
  EXPECT_EQ(ListSubdirectories(dir.PathUtf8(), &names), 2);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"plain", qbase::WideToUtf8(kCjkFolder)}));
}

TEST(FileUtilTest, MakeDirectoriesCreatesEveryLevel) {
  ScratchDir dir;
  CurrentDirectory current(dir.path());
  EXPECT_TRUE(MakeDirectoriesA(GetPreDownloadDirA()));
  EXPECT_TRUE(IsDirectory(dir.Child(L"update\\predownload")));
  EXPECT_TRUE(MakeDirectoriesA(GetPreDownloadDirA()));  // already there

  const std::string narrow = dir.ChildUtf8(std::wstring(kCjkFolder) + L"/a/b");
  EXPECT_TRUE(MakeDirectoriesA(narrow));
  EXPECT_TRUE(IsDirectory(dir.Child(std::wstring(kCjkFolder) + L"\\a\\b")));
  EXPECT_TRUE(MakeDirectoriesW(dir.Child(std::wstring(kCjkFolder) + L"\\w\\x\\")));
  EXPECT_TRUE(IsDirectory(dir.Child(std::wstring(kCjkFolder) + L"\\w\\x")));

  EXPECT_FALSE(MakeDirectoriesA(""));
  EXPECT_FALSE(MakeDirectoriesW(L""));
}

TEST(FileUtilTest, DirectoryExistsInBothWidths) {
  ScratchDir dir;
  const std::wstring cjk = dir.Child(kCjkFolder);
  ASSERT_TRUE(CreateDirectoryW(cjk.c_str(), nullptr));
  WriteFileBytes(dir.Child(L"file.txt"), "x");
  CurrentDirectory current(dir.path());

  EXPECT_TRUE(DirectoryExistsW(cjk));
  EXPECT_TRUE(DirectoryExistsA(qbase::WideToUtf8(cjk)));
  EXPECT_TRUE(DirectoryExistsA(".\\" + qbase::WideToUtf8(kCjkFolder)));
  EXPECT_TRUE(DirectoryExistsW(L"."));
  EXPECT_FALSE(DirectoryExistsA("file.txt"));
  EXPECT_FALSE(DirectoryExistsW(dir.Child(L"missing")));
  EXPECT_FALSE(DirectoryExistsA(""));
}

TEST(FileUtilTest, DeleteDirectoryTreeRemovesReadOnlyFilesInBothWidths) {
  for (bool wide : {false, true}) {
    ScratchDir dir;
    const std::wstring root = dir.Child(kCjkFolder);
    const std::wstring read_only = root + L"\\inner\\" + kCjkFile;
    WriteFileBytes(root + L"\\top.txt", "top");
    WriteFileBytes(read_only, "locked");
    WriteFileBytes(root + L"\\inner\\deeper\\x.bin", "x");
    ASSERT_TRUE(
        SetFileAttributesW(read_only.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    if (wide) {
      DeleteDirectoryTreeW(root);
    } else {
      DeleteDirectoryTreeA(qbase::WideToUtf8(root) + "/");
    }
    EXPECT_FALSE(PathExists(root)) << (wide ? "wide" : "narrow");
    EXPECT_TRUE(IsDirectory(dir.path()));
  }
}

TEST(FileUtilTest, DeleteDirectoryTreeKeepsWhatItCannotDelete) {
  ScratchDir dir;
  const std::wstring root = dir.Child(L"tree");
  WriteFileBytes(root + L"\\busy\\open.txt", "open");
  WriteFileBytes(root + L"\\free.txt", "free");
  HANDLE busy = CreateFileW((root + L"\\busy\\open.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(busy, INVALID_HANDLE_VALUE);
  DeleteDirectoryTreeW(root);
  EXPECT_TRUE(FileExists(root + L"\\busy\\open.txt"));
  EXPECT_FALSE(PathExists(root + L"\\free.txt"));
  CloseHandle(busy);
  DeleteDirectoryTreeW(root);
  EXPECT_FALSE(PathExists(root));
  DeleteDirectoryTreeW(root);  // a missing tree is no error
}

// A junction (mount point) at `link` that leads to `target`.
bool CreateJunction(const std::wstring& link, const std::wstring& target) {
  if (!CreateDirectoryW(link.c_str(), nullptr)) return false;
  const std::wstring substitute = L"\\??\\" + target;
  const size_t name_bytes = substitute.size() * sizeof(wchar_t);
  // Tag, data length, reserved; then the mount-point fields and both names.
  std::vector<uint8_t> buffer(8 + 8 + name_bytes + 2 + 2, 0);
  auto put16 = [&buffer](size_t at, size_t value) {
    const uint16_t word = static_cast<uint16_t>(value);
    std::memcpy(&buffer[at], &word, 2);
  };
  const uint32_t tag = IO_REPARSE_TAG_MOUNT_POINT;
  std::memcpy(&buffer[0], &tag, 4);
  put16(4, buffer.size() - 8);
  put16(8, 0);                // substitute name offset
  put16(10, name_bytes);      // substitute name length
  put16(12, name_bytes + 2);  // print name offset (empty print name)
  put16(14, 0);
  std::memcpy(&buffer[16], substitute.data(), name_bytes);
  HANDLE handle = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  const BOOL ok =
      DeviceIoControl(handle, FSCTL_SET_REPARSE_POINT, buffer.data(),
                      static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr);
  CloseHandle(handle);
  return ok != FALSE;
}

bool CreateDirectorySymlink(const std::wstring& link, const std::wstring& target) {
  return CreateSymbolicLinkW(
             link.c_str(), target.c_str(),
             SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != FALSE;
}

// Under Wine: runs a host program on the host paths of two Windows paths and
// waits until `settled` holds. False elsewhere.
bool RunHostCommand(const char* program, const char* options, const std::wstring& first,
                    const std::wstring& second, bool (*settled)(const std::wstring&)) {
  using ToUnixName = char*(CDECL*)(const wchar_t*);
  const auto to_unix = reinterpret_cast<ToUnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!to_unix) return false;
  char* unix_first = to_unix(first.c_str());
  char* unix_second = to_unix(second.c_str());
  std::string command;
  if (unix_first && unix_second) {
    command =
        std::string(program) + " " + options + " \"" + unix_first + "\" \"" + unix_second + "\"";
  }
  HeapFree(GetProcessHeap(), 0, unix_first);
  HeapFree(GetProcessHeap(), 0, unix_second);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (command.empty() || !CreateProcessA(program, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                         nullptr, &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // A host process is not tracked through its handle: wait for its effect.
  for (int i = 0; i < 100 && !settled(second); ++i) Sleep(50);
  return settled(second);
}

// Wine makes neither junctions nor symbolic links through the Windows calls,
// but lists a link of the host file system as a reparse point.
bool CreateHostLink(const std::wstring& link, const std::wstring& target) {
  return RunHostCommand("/bin/ln", "-s", target, link, &PathExists);
}

// Wine cannot remove such a link through the Windows calls either.
void RemoveHostLink(const std::wstring& link) {
  RunHostCommand("/bin/rm", "-f", link, link,
                 [](const std::wstring& path) { return !PathExists(path); });
}

struct LinkKind {
  const char* name;
  bool (*create)(const std::wstring& link, const std::wstring& target);
  // Wine cannot remove a host link through the Windows calls, so that link
  // and the folders above it stay.
  bool link_removable;
};
const LinkKind kLinkKinds[] = {{"junction", &CreateJunction, true},
                               {"symbolic link", &CreateDirectorySymlink, true},
                               {"host file system link", &CreateHostLink, false}};

TEST(FileUtilTest, ListFilesRecursiveNeverEntersALink) {
  int made = 0;
  for (const LinkKind& kind : kLinkKinds) {
    ScratchDir dir;
    const std::wstring root = dir.Child(L"game");
    WriteFileBytes(root + L"\\own.txt", "own");
    WriteFileBytes(root + L"\\sub\\own.txt", "own");
    // A link back to the tree's own top: followed, it never ends.
    const std::wstring link = root + L"\\sub\\loop";
    if (!kind.create(link, root) || !FileExists(link + L"\\own.txt")) continue;
    ++made;
    std::vector<std::string> files;
    EXPECT_EQ(ListFilesRecursive(qbase::WideToUtf8(root), &files, {}), 2) << kind.name;
    EXPECT_EQ(files, (std::vector<std::string>{qbase::WideToUtf8(root + L"\\own.txt"),
                                               qbase::WideToUtf8(root + L"\\sub\\own.txt")}))
        << kind.name;
    if (!kind.link_removable) RemoveHostLink(link);
  }
  if (made == 0) GTEST_SKIP() << "this system can make no folder link";
}

TEST(FileUtilTest, DeleteDirectoryTreeNeverFollowsALinkOutOfTheTree) {
  int made = 0;
  for (const LinkKind& kind : kLinkKinds) {
    for (bool wide : {false, true}) {
      ScratchDir dir;
      const std::wstring outside = dir.Child(L"outside");
      const std::wstring root = dir.Child(std::wstring(L"tree") + kCjkFolder);
      WriteFileBytes(outside + L"\\keep.txt", "keep");
      WriteFileBytes(root + L"\\own.txt", "own");
      WriteFileBytes(root + L"\\sub\\own.txt", "own");
      // Some systems report success without making a usable link (Wine's
      // symbolic links); only a link that leads out of the tree tests anything.
      const std::wstring link = root + L"\\sub\\link";
      if (!kind.create(link, outside) || !FileExists(link + L"\\keep.txt")) continue;
      ++made;
      ASSERT_TRUE(GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) << kind.name;
      // Deleting the link as a tree of its own leaves the target alone too.
      if (wide) {
        DeleteDirectoryTreeW(link);
      } else {
        DeleteDirectoryTreeA(qbase::WideToUtf8(link) + "\\");
      }
      EXPECT_EQ(ReadFileBytes(outside + L"\\keep.txt"), "keep") << kind.name;
      EXPECT_EQ(PathExists(link), !kind.link_removable) << kind.name;
      if (wide) {
        DeleteDirectoryTreeW(root);
      } else {
        DeleteDirectoryTreeA(qbase::WideToUtf8(root));
      }
      EXPECT_EQ(ReadFileBytes(outside + L"\\keep.txt"), "keep") << kind.name;
      EXPECT_FALSE(PathExists(root + L"\\own.txt")) << kind.name;
      EXPECT_FALSE(PathExists(root + L"\\sub\\own.txt")) << kind.name;
      if (kind.link_removable) {
        EXPECT_FALSE(PathExists(root)) << kind.name;
      } else {
        RemoveHostLink(link);
      }
    }
  }
  if (made == 0) GTEST_SKIP() << "this system can make no folder link";
}

TEST(FileUtilTest, WholeFilesRoundTripBytesUnchangedThroughCjkPaths) {
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

TEST(FileUtilTest, WholeFileErrorsLeaveTheOutputAlone) {
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

TEST(FileUtilTest, VerifyFileMd5ComparesTheExactText) {
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

TEST(FileUtilTest, FilesBeyondTwoGibibytesAreCountedInFull) {
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

TEST(FileUtilTest, ReadFileHandleToBufferNeedsTheExactCountAndAlwaysCloses) {
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

TEST(FileUtilTest, DiskSpaceAndDriveOfAPath) {
  ScratchDir dir;
  uint64_t total = 0, free_bytes = 0;
  EXPECT_TRUE(GetDiskSpaceW(dir.Child(kCjkFolder), &total, &free_bytes));
  EXPECT_GT(total, 0u);
  EXPECT_LE(free_bytes, total);
  total = free_bytes = 0;
  EXPECT_TRUE(GetDiskSpaceA(dir.ChildUtf8(kCjkFolder), &total, &free_bytes));
  EXPECT_GT(total, 0u);

  CurrentDirectory current(dir.path());
  EXPECT_TRUE(GetDiskSpaceA("relative\\path", &total, &free_bytes));

  total = free_bytes = 7;
  EXPECT_FALSE(GetDiskSpaceW(L"\\\\server\\share\\folder", &total, &free_bytes));
  EXPECT_FALSE(GetDiskSpaceA("\\\\server\\share\\folder", &total, &free_bytes));
  EXPECT_EQ(total, 7u);
  EXPECT_EQ(free_bytes, 7u);

  EXPECT_EQ(GetDriveOfPath(L"D:\\\u904a\u6232\\x"), L"D");
  EXPECT_EQ(GetDriveOfPath(L"relative"), dir.path().substr(0, 1));
  EXPECT_EQ(GetDriveOfPath(L"\\\\server\\share\\folder"), L"");
}

TEST(FileUtilTest, SplitStringKeepsInnerAndLeadingEmptyPieces) {
  struct Case {
    std::string text;
    std::string delimiter;
    std::vector<std::string> pieces;
  };
  const Case cases[] = {
      {"1_2_3", "_", {"1", "2", "3"}},
      {"_1_2", "_", {"", "1", "2"}},
      {"1_2_", "_", {"1", "2"}},
      {"1__2", "_", {"1", "", "2"}},
      {"whole", "_", {"whole"}},
      {"a::b", "::", {"a", "b"}},
      {"", "_", {}},
      {"1_2", "", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> pieces = {"stale"};
    EXPECT_EQ(SplitStringA(c.text, c.delimiter, &pieces), static_cast<int>(c.pieces.size()))
        << c.text;
    EXPECT_EQ(pieces, c.pieces) << c.text;

    std::vector<std::wstring> wide_pieces = {L"stale"};
    EXPECT_EQ(SplitStringW(qbase::Utf8ToWide(c.text), qbase::Utf8ToWide(c.delimiter), &wide_pieces),
              static_cast<int>(c.pieces.size()));
    ASSERT_EQ(wide_pieces.size(), c.pieces.size());
    for (size_t i = 0; i < c.pieces.size(); ++i) {
      EXPECT_EQ(wide_pieces[i], qbase::Utf8ToWide(c.pieces[i]));
    }
  }
}

TEST(FileUtilTest, FormatDurationWritesHoursMinutesSeconds) {
  struct Case {
    int seconds;
    const wchar_t* text;
  };
  const Case cases[] = {
      {0, L"00:00:00"},    {59, L"00:00:59"},   {60, L"00:01:00"},
      {3599, L"00:59:59"}, {3661, L"01:01:01"}, {360000, L"100:00:00"},
  };
  for (const Case& c : cases) {
    wchar_t buffer[32] = {};
    EXPECT_EQ(FormatDuration(c.seconds, buffer, 32), static_cast<int>(std::wcslen(c.text)));
    EXPECT_STREQ(buffer, c.text) << c.seconds;
  }
  // Too small a buffer: a failure, and nothing written past its end.
  wchar_t small[6];
  std::fill(std::begin(small), std::end(small), L'#');
  EXPECT_LT(FormatDuration(3661, small, 4), 0);
  EXPECT_EQ(small[4], L'#');
  EXPECT_EQ(small[5], L'#');
}

// A scratch key under HKEY_LOCAL_MACHINE, removed with its values afterwards.
class RegistryWriteTest : public testing::Test {
 protected:
  void SetUp() override {
    key_path_ = L"SOFTWARE\\LauncherUtilTest_" + std::to_wstring(GetCurrentProcessId());
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, key_path_.c_str()); }

  std::wstring Stored(const std::wstring& name) {
    wchar_t value[2048] = {};
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key_path_.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr,
                     value, &size) != ERROR_SUCCESS) {
      return L"<missing>";
    }
    return value;
  }

  std::wstring key_path_;
};

TEST_F(RegistryWriteTest, WritesOnlyWhenTheTextChanged) {
  const std::wstring text = L"C:\\Games\\\u904a\u6232\\launcher.exe";
  EXPECT_EQ(RegWriteStringIfChanged(key_path_, L"", L"QELLauncher", text), 1);
  EXPECT_EQ(RegWriteStringIfChanged(key_path_, L"", L"QELLauncher", text), 0);
  EXPECT_EQ(Stored(L"QELLauncher"), text);
  EXPECT_EQ(RegWriteStringIfChanged(key_path_, L"", L"QELLauncher", text + L"x"), 1);
  EXPECT_EQ(Stored(L"QELLauncher"), text + L"x");

  // Longer than any fixed path buffer: still compared in full.
  const std::wstring long_text(1000, L'\u6232');
  EXPECT_EQ(RegWriteStringIfChanged(key_path_, L"", L"Long", long_text), 1);
  EXPECT_EQ(RegWriteStringIfChanged(key_path_, L"", L"Long", long_text), 0);
  EXPECT_EQ(Stored(L"Long"), long_text);
}

TEST_F(RegistryWriteTest, AValueOfAnotherTypeCountsAsChanged) {
  const DWORD number = 5;
  ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key_path_.c_str(), L"Value", REG_DWORD, &number,
                            sizeof(number)),
            ERROR_SUCCESS);
  EXPECT_EQ(RegWriteStringIfChanged(key_path_, L"", L"Value", L"5"), 1);
  EXPECT_EQ(Stored(L"Value"), L"5");
}

TEST_F(RegistryWriteTest, FallsBackToTheAlternateKey) {
  const std::wstring missing = key_path_ + L"\\Missing";
  EXPECT_EQ(RegWriteStringIfChanged(missing, key_path_, L"Value", L"text"), 1);
  EXPECT_EQ(Stored(L"Value"), L"text");
  EXPECT_EQ(RegWriteStringIfChanged(missing, key_path_, L"Value", L"text"), 0);
  EXPECT_EQ(RegWriteStringIfChanged(missing, L"", L"Value", L"text"), -1);
  EXPECT_EQ(RegWriteStringIfChanged(missing, missing + L"2", L"Value", L"text"), -1);
}

}  // namespace
