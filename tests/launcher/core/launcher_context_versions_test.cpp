// The context's version answers over real files: the pending game update, the
// local game map, and the pre-download folders' completion, pruning and
// progress.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/folder_util.h"
#include "launcher/core/launcher_context.h"
#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"

namespace {

using test_support::IsDirectory;
using test_support::WriteFileBytes;

std::string MapOf(const std::string& version) {
  return R"({"version":{"md5":")" + version +
         R"("},"a.bin":{"md5":"0123456789abcdef0123456789abcdef","size":3}})";
}

class LauncherContextVersionsTest : public testing::Test {
 protected:
  LauncherContextVersionsTest() {
    LauncherSettings settings = context_.GetSettings();
    settings.gamePath = dir_.Child(L"game");
    context_.SetSettings(settings);
  }

  std::wstring PreDownloadFile(const std::wstring& version, const wchar_t* name) const {
    return dir_.Child(L"update\\predownload\\" + version + L"\\" + name);
  }
  void MakeFolder(const std::wstring& version) {
    MakeDirectoriesW(dir_.Child(L"update\\predownload\\" + version));
  }

  test_support::ScratchDir dir_;
  test_support::ScopedCurrentFolder folder_{dir_.path()};
  LauncherContext context_;
};

TEST_F(LauncherContextVersionsTest, AnUpdateIsAvailableOnlyBetweenTwoKnownVersions) {
  const struct {
    const char* installed;
    const char* target;
    bool available;
  } cases[] = {
      {"", "", false},           {"", "3_2_8", false},     {"3_2_7", "", false},
      {"3_2_7", "3_2_7", false}, {"3_2_7", "3_2_8", true},
  };
  for (const auto& c : cases) {
    context_.gameVersion = c.installed;
    context_.targetGameVersion = c.target;
    EXPECT_EQ(context_.IsGameUpdateAvailable(), c.available) << c.installed << " " << c.target;
  }
}

TEST_F(LauncherContextVersionsTest, TheLocalGameMapLoadsFromTheGameFolder) {
  context_.versionMaps[VersionMapKey::kLocalGame]["stale"] = {"x", 1};
  EXPECT_FALSE(context_.LoadLocalGameVersionMap());
  EXPECT_TRUE(context_.versionMaps[VersionMapKey::kLocalGame].empty());

  WriteFileBytes(dir_.Child(L"game\\version_map.txt"), MapOf("3_2_7"));
  EXPECT_TRUE(context_.LoadLocalGameVersionMap());
  EXPECT_EQ(GetVersionMapVersion(context_.versionMaps[VersionMapKey::kLocalGame]), "3_2_7");
  EXPECT_EQ(context_.versionMaps[VersionMapKey::kLocalGame].count("a.bin"), 1u);
}

TEST_F(LauncherContextVersionsTest, APreDownloadIsCompleteWhenItsFolderHoldsItsOwnFinishedMap) {
  EXPECT_EQ(context_.CheckPreDownloadComplete(), -1);

  context_.preDownloadVersion = "10077_5_2";
  context_.preDownloadFolders = {"10077_4_2"};
  EXPECT_EQ(context_.CheckPreDownloadComplete(), 1);  // no folder of that version

  context_.preDownloadFolders.push_back("10077_5_2");
  MakeFolder(L"10077_5_2");
  EXPECT_EQ(context_.CheckPreDownloadComplete(), 1);  // no finished map

  WriteFileBytes(PreDownloadFile(L"10077_5_2", L"predownload_version_map.txt"), "not json");
  EXPECT_EQ(context_.CheckPreDownloadComplete(), 1);

  // A map of another version does not finish this one.
  WriteFileBytes(PreDownloadFile(L"10077_5_2", L"predownload_version_map.txt"), MapOf("10077_6_2"));
  EXPECT_EQ(context_.CheckPreDownloadComplete(), 1);

  WriteFileBytes(PreDownloadFile(L"10077_5_2", L"predownload_version_map.txt"), MapOf("10077_5_2"));
  EXPECT_EQ(context_.CheckPreDownloadComplete(), 0);
  EXPECT_EQ(context_.versionMaps[VersionMapKey::kLocalPreDownload].count("a.bin"), 1u);
}

TEST_F(LauncherContextVersionsTest, PruningDeletesTheFoldersOfVersionsNotNewerThanTheGame) {
  const std::vector<std::string> folders = {"10077_9_1",   "10077_0_3", "10077_3_2", "10077_5_2",
                                            "10076_99_99", "notes",     "1_2_x"};
  context_.preDownloadFolders = folders;
  EXPECT_EQ(context_.PrunePreDownloadFolders(), -1);  // no installed version
  context_.gameVersion = "10077_3";
  EXPECT_EQ(context_.PrunePreDownloadFolders(), -2);
  context_.gameVersion = "10077_x_2";
  EXPECT_EQ(context_.PrunePreDownloadFolders(), -2);
  EXPECT_EQ(context_.preDownloadFolders, folders);

  for (const std::string& name : folders) {
    WriteFileBytes(
        dir_.Child(L"update\\predownload\\" + std::wstring(name.begin(), name.end()) + L"\\f"),
        "x");
  }
  context_.gameVersion = "10077_3_2";
  // Smaller third part, same version and smaller first part go; a larger
  // third or second part stays. Other names are left on disk but dropped.
  EXPECT_EQ(context_.PrunePreDownloadFolders(), 2);
  EXPECT_EQ(context_.preDownloadFolders, (std::vector<std::string>{"10077_0_3", "10077_5_2"}));
  const struct {
    const wchar_t* name;
    bool kept;
  } on_disk[] = {{L"10077_9_1", false}, {L"10077_0_3", true},    {L"10077_3_2", false},
                 {L"10077_5_2", true},  {L"10076_99_99", false}, {L"notes", true},
                 {L"1_2_x", true}};
  for (const auto& folder : on_disk) {
    EXPECT_EQ(IsDirectory(dir_.Child(L"update\\predownload\\") + folder.name), folder.kept)
        << folder.name;
  }

  context_.preDownloadFolders.clear();
  EXPECT_EQ(context_.PrunePreDownloadFolders(), 0);
}

TEST_F(LauncherContextVersionsTest, APreDownloadIsInProgressWhileItsUnfinishedMapStands) {
  context_.preDownloadVersion = "10077_5_2";
  EXPECT_FALSE(context_.IsPreDownloadInProgress());
  WriteFileBytes(PreDownloadFile(L"10077_5_2", L"tmp_predownload_version_map.txt"), "{}");
  EXPECT_TRUE(context_.IsPreDownloadInProgress());

  // A version from the network that is no version text never names a path.
  WriteFileBytes(dir_.Child(L"update\\tmp_predownload_version_map.txt"), "{}");
  context_.preDownloadVersion = "..";
  EXPECT_FALSE(context_.IsPreDownloadInProgress());
}

}  // namespace
