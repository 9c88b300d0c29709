#include "base/folder_util.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include <winioctl.h>

#include <gtest/gtest.h>

#include "base/file_io.h"
#include "base/string_util.h"
#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"

namespace {

using test_support::FileExists;
using test_support::IsDirectory;
using test_support::kCjkFile;
using test_support::kCjkFolder;
using test_support::PathExists;
using test_support::ReadFileBytes;
using test_support::ScratchDir;
using test_support::WriteFileBytes;

TEST(FolderUtilTest, ListFilesRecursiveListsOwnFilesFirstAndSkipsExcludedNames) {
  ScratchDir dir;
  const std::wstring cjk = kCjkFolder;
  WriteFileBytes(dir.Child(L"b.txt"), "b");
  WriteFileBytes(dir.Child(L"sub\\c.txt"), "c");
  WriteFileBytes(dir.Child(L"deep\\sub\\hidden.txt"), "x");
  WriteFileBytes(dir.Child(L"deep\\Sub2\\d.txt"), "d");
  WriteFileBytes(dir.Child(L"other\\Sub\\e.txt"), "e");
  WriteFileBytes(dir.Child(cjk + L"\\" + kCjkFile), "f");
  test_support::ScopedCurrentFolder current(dir.path());

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

TEST(FolderUtilTest, ListingAMissingFolderFails) {
  ScratchDir dir;
  std::vector<std::string> files = {"kept"};
  EXPECT_EQ(ListFilesRecursive(dir.ChildUtf8(L"missing"), &files, {}), -1);
  EXPECT_EQ(files, std::vector<std::string>{"kept"});

  std::vector<std::string> names = {"stale"};
  EXPECT_EQ(ListSubdirectories(dir.ChildUtf8(L"missing"), &names), -1);
  EXPECT_TRUE(names.empty());
}

TEST(FolderUtilTest, ListSubdirectoriesGivesFolderNamesOnly) {
  ScratchDir dir;
  WriteFileBytes(dir.Child(L"file.txt"), "x");
  WriteFileBytes(dir.Child(std::wstring(kCjkFolder) + L"\\inner\\f.txt"), "x");
  WriteFileBytes(dir.Child(L"plain\\f.txt"), "x");
  std::vector<std::string> names = {"stale"};
  EXPECT_EQ(ListSubdirectories(dir.PathUtf8(), &names), 2);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"plain", qbase::WideToUtf8(kCjkFolder)}));
}

TEST(FolderUtilTest, MakeDirectoriesCreatesEveryLevel) {
  ScratchDir dir;
  test_support::ScopedCurrentFolder current(dir.path());
  EXPECT_TRUE(MakeDirectoriesA(".\\update\\predownload"));
  EXPECT_TRUE(IsDirectory(dir.Child(L"update\\predownload")));
  EXPECT_TRUE(MakeDirectoriesA(".\\update\\predownload"));  // already there

  const std::string narrow = dir.ChildUtf8(std::wstring(kCjkFolder) + L"/a/b");
  EXPECT_TRUE(MakeDirectoriesA(narrow));
  EXPECT_TRUE(IsDirectory(dir.Child(std::wstring(kCjkFolder) + L"\\a\\b")));
  EXPECT_TRUE(MakeDirectoriesW(dir.Child(std::wstring(kCjkFolder) + L"\\w\\x\\")));
  EXPECT_TRUE(IsDirectory(dir.Child(std::wstring(kCjkFolder) + L"\\w\\x")));

  EXPECT_FALSE(MakeDirectoriesA(""));
  EXPECT_FALSE(MakeDirectoriesW(L""));
}

TEST(FolderUtilTest, DirectoryExistsInBothWidths) {
  ScratchDir dir;
  const std::wstring cjk = dir.Child(kCjkFolder);
  ASSERT_TRUE(CreateDirectoryW(cjk.c_str(), nullptr));
  WriteFileBytes(dir.Child(L"file.txt"), "x");
  test_support::ScopedCurrentFolder current(dir.path());

  EXPECT_TRUE(DirectoryExistsW(cjk));
  EXPECT_TRUE(DirectoryExistsA(qbase::WideToUtf8(cjk)));
  EXPECT_TRUE(DirectoryExistsA(".\\" + qbase::WideToUtf8(kCjkFolder)));
  EXPECT_TRUE(DirectoryExistsW(L"."));
  EXPECT_FALSE(DirectoryExistsA("file.txt"));
  EXPECT_FALSE(DirectoryExistsW(dir.Child(L"missing")));
  EXPECT_FALSE(DirectoryExistsA(""));
}

TEST(FolderUtilTest, DeleteDirectoryTreeRemovesReadOnlyFilesInBothWidths) {
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

TEST(FolderUtilTest, DeleteDirectoryTreeKeepsWhatItCannotDelete) {
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

TEST(FolderUtilTest, ListFilesRecursiveNeverEntersALink) {
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

TEST(FolderUtilTest, DeleteDirectoryTreeNeverFollowsALinkOutOfTheTree) {
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

TEST(FolderUtilTest, DiskSpaceAndDriveOfAPath) {
  ScratchDir dir;
  uint64_t total = 0, free_bytes = 0;
  EXPECT_TRUE(GetDiskSpaceW(dir.Child(kCjkFolder), &total, &free_bytes));
  EXPECT_GT(total, 0u);
  EXPECT_LE(free_bytes, total);
  total = free_bytes = 0;
  EXPECT_TRUE(GetDiskSpaceA(dir.ChildUtf8(kCjkFolder), &total, &free_bytes));
  EXPECT_GT(total, 0u);

  test_support::ScopedCurrentFolder current(dir.path());
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

}  // namespace
