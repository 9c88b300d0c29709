#include "launcher/core/launcher_folders.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include <gtest/gtest.h>

#include "base/file_path.h"

namespace {

TEST(LauncherFoldersTest, FolderTextsAreRelativeToTheLauncherFolder) {
  EXPECT_EQ(GetSaveDirA(), ".\\save");
  EXPECT_EQ(GetSaveDirW(), L".\\save");
  EXPECT_EQ(GetUpdateDirA(), ".\\update");
  EXPECT_EQ(GetUpdateDirW(), L".\\update");
  EXPECT_EQ(GetExceptionDirW(), L".\\exception");
  EXPECT_EQ(GetPreDownloadDirA(), ".\\update\\predownload");
  EXPECT_EQ(GetDefaultGamePath(), qbase::GetCurrentModuleDirectory() + L"Corvandel Game");
  EXPECT_EQ(&GetSaveDirA(), &GetSaveDirA());
}

}  // namespace
