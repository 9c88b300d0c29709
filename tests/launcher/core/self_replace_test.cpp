// The self-update helper: its command line, the pending browser files, and a
// real hand-over from launcher.exe to "launcher_temp.exe replace ...".
#include "launcher/core/self_replace.h"

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/json_util.h"
#include "base/scoped_handle.h"
#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wait_for.h"

namespace {

using test_support::FileExists;
using test_support::ReadFileBytes;
using test_support::ScopedCurrentFolder;
using test_support::ScratchDir;
using test_support::TryReadFileBytes;
using test_support::WaitFor;
using test_support::WriteFileBytes;

TEST(SelfReplaceTest, HelperArguments) {
  EXPECT_EQ(BuildReplaceArguments(L".\\launcher.exe", true),
            L"replace \".\\update\\launcher.exe\" \".\\launcher.exe\" \".\\launcher.exe\"");
  EXPECT_EQ(BuildReplaceArguments(L"", false), L"replace \"\" \"\" \"\"");
  EXPECT_EQ(BuildReplaceArguments(L"C:\\a b\\x.exe", false),
            L"replace \"\" \"\" \"C:\\a b\\x.exe\"");
}

TEST(SelfReplaceTest, PendingBrowserFilesKeepOnlyTheFailedNames) {
  ScratchDir dir;
  ScopedCurrentFolder current(dir.path());
  WriteFileBytes(dir.Child(L"update\\cef\\qoz_libcef.dll"), "dll");
  WriteFileBytes(dir.Child(L"update\\cef\\locales\\deep\\zh-TW.pak"), "pak");
  ASSERT_TRUE(WriteStringListFile(
      ".\\update\\cef_update.txt",
      {"cef/qoz_libcef.dll", "cef/locales/deep/zh-TW.pak", "cef/missing.bin", "../outside.txt"}));

  ApplyPendingCefUpdate();

  EXPECT_EQ(ReadFileBytes(dir.Child(L"cef\\qoz_libcef.dll")), "dll");
  EXPECT_EQ(ReadFileBytes(dir.Child(L"cef\\locales\\deep\\zh-TW.pak")), "pak");
  EXPECT_FALSE(FileExists(dir.Child(L"update\\cef\\qoz_libcef.dll")));
  std::vector<std::string> left;
  ASSERT_TRUE(ReadStringListFile(".\\update\\cef_update.txt", &left));
  EXPECT_EQ(left, std::vector<std::string>{"cef/missing.bin"});

  // Once the missing file arrives, the next run installs it and the list goes.
  WriteFileBytes(dir.Child(L"update\\cef\\missing.bin"), "late");
  ApplyPendingCefUpdate();
  EXPECT_EQ(ReadFileBytes(dir.Child(L"cef\\missing.bin")), "late");
  EXPECT_FALSE(FileExists(dir.Child(L"update\\cef_update.txt")));
}

// The launcher copies itself to the helper, which waits for the old
// executable to be free (held open here past the helper's first wait),
// replaces it, installs the browser files, starts the program and deletes
// itself.
TEST(SelfReplaceTest, HelperReplacesTheLauncherAndDeletesItself) {
  ScratchDir dir;
  ScopedCurrentFolder current(dir.path());
  ASSERT_TRUE(CopyFileW(test_support::HostPathInWine(LAUNCHER_EXE).c_str(),
                        dir.Child(L"launcher.exe").c_str(), FALSE));
  WriteFileBytes(dir.Child(L"update\\launcher.exe"), "the new launcher");
  WriteFileBytes(dir.Child(L"update\\cef\\qoz_libcef.dll"), "new dll");
  ASSERT_TRUE(WriteStringListFile(".\\update\\cef_update.txt", {"cef/qoz_libcef.dll"}));

  LaunchSelfReplace(L"cmd.exe /c echo started>started.txt", true);
  ASSERT_TRUE(FileExists(dir.Child(L"launcher_temp.exe")));
  {
    // As if the old launcher were still ending.
    qbase::ScopedHandle busy(CreateFileW(dir.Child(L"launcher.exe").c_str(), GENERIC_READ, 0,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(busy.IsValid());
    Sleep(6000);
  }

  std::string bytes;
  EXPECT_TRUE(WaitFor([&] {
    return TryReadFileBytes(dir.Child(L"launcher.exe"), &bytes) && bytes == "the new launcher";
  }));
  EXPECT_TRUE(WaitFor([&] { return FileExists(dir.Child(L"started.txt")); }));
  EXPECT_TRUE(WaitFor([&] { return !FileExists(dir.Child(L"launcher_temp.exe")); }));
  EXPECT_EQ(ReadFileBytes(dir.Child(L"cef\\qoz_libcef.dll")), "new dll");
  EXPECT_FALSE(FileExists(dir.Child(L"update\\cef_update.txt")));
}

}  // namespace
