// The demo content service's files, as scripts/demo/make_demo_content.py
// writes them (ctest runs it first, into the folder named by
// LAUNCHER_DEMO_CONTENT), read with the launcher's own parsers: every map
// names its files with their true MD5 and size, every patch turns the
// installed previous version's file into the current one, and the directory
// replies of each stage name the demo's hosts and its notice page.

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/file_io.h"
#include "base/md5.h"
#include "base/string_util.h"
#include "launcher/core/version_map.h"
#include "launcher/update/directory_reply.h"
#include "launcher/update/patch_apply.h"
#include "tests/support/scratch_dir.h"

namespace {

// Narrow paths are UTF-8, as in the launcher (its manifest selects that code page).
std::string DemoFolder() {
  wchar_t value[1024] = {};
  const DWORD length = GetEnvironmentVariableW(L"LAUNCHER_DEMO_CONTENT", value, 1024);
  if (length == 0 || length >= 1024) return std::string();
  return qbase::WideToUtf8(value);
}

// `folder` and a map entry's name, with the launcher's separators.
std::string Below(const std::string& folder, std::string name) {
  qbase::ReplaceAll("/", "\\", &name);
  return folder + "\\" + name;
}

VersionMap LoadMap(const std::string& path) {
  VersionMap map;
  std::string error;
  EXPECT_TRUE(LoadVersionMapFile(qbase::Utf8ToWide(path), &map, &error)) << path << ": " << error;
  return map;
}

std::string ReadText(const std::string& path) {
  std::string text;
  EXPECT_TRUE(ReadFileToStringA(path, &text)) << path;
  return text;
}

class DemoContentTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(demo.empty()) << "LAUNCHER_DEMO_CONTENT names no folder"; }

  const std::string demo = DemoFolder();
};

TEST_F(DemoContentTest, EveryMapNamesItsFilesWithTheirMd5AndSize) {
  struct Case {
    const char* folder;
    const char* version;
  };
  for (const Case& c : {Case{"content\\game", "3_2_8"}, Case{"content\\next", "3_2_9"},
                        Case{"previous", "3_2_7"}}) {
    SCOPED_TRACE(c.folder);
    const std::string folder = demo + "\\" + c.folder;
    const VersionMap map = LoadMap(folder + "\\version_map.txt");
    EXPECT_EQ(GetVersionMapVersion(map), c.version);
    EXPECT_GT(map.size(), 200u);
    bool blank = false;
    bool non_ascii = false;
    for (const auto& [name, entry] : map) {
      if (name == "version") continue;
      blank |= name.find(' ') != std::string::npos;
      for (unsigned char byte : name) non_ascii |= byte >= 0x80;
      std::string md5;
      int64_t size = -1;
      EXPECT_TRUE(VerifyFileMd5(Below(folder, name), entry.md5, &md5, &size)) << name;
      EXPECT_EQ(size, entry.size) << name;
    }
    EXPECT_TRUE(blank);
    EXPECT_TRUE(non_ascii);
  }
}

TEST_F(DemoContentTest, EveryPatchMakesTheCurrentFileFromThePreviousOne) {
  const std::string game = demo + "\\content\\game";
  const std::string patches = game + "\\patchs\\3_2_7";
  const VersionMap current = LoadMap(game + "\\version_map.txt");
  const VersionMap previous = LoadMap(demo + "\\previous\\version_map.txt");
  VersionMap patch_list = LoadMap(patches + "\\patch_list.txt");
  patch_list.erase("version");
  // The game pass probes for the executable's patch to learn the suffix.
  ASSERT_EQ(patch_list.count("TOVA.exe"), 1u);
  test_support::ScratchDir scratch;
  for (const auto& [name, entry] : patch_list) {
    SCOPED_TRACE(name);
    const std::string patch = Below(patches, name) + ".patch";
    std::string md5;
    int64_t size = -1;
    EXPECT_TRUE(VerifyFileMd5(patch, entry.md5, &md5, &size));
    EXPECT_EQ(size, entry.size);
    ASSERT_EQ(previous.count(name), 1u);
    ASSERT_EQ(current.count(name), 1u);
    EXPECT_NE(previous.at(name).md5, current.at(name).md5);

    const std::string made = scratch.ChildUtf8(L"made");
    const PatchOutcome outcome = ApplyPatchFileA(Below(demo + "\\previous", name), made, patch);
    ASSERT_TRUE(outcome.ok()) << static_cast<int>(outcome.result) << " " << outcome.code();
    EXPECT_TRUE(VerifyFileMd5(made, current.at(name).md5, &md5, &size));
    EXPECT_EQ(size, current.at(name).size);
  }
}

// Every version's "TOVA.exe" is the stand-in game (later ones with bytes
// appended), so the installed game starts whichever version it is.
TEST_F(DemoContentTest, TheGameProgramIsTheStandInGameInEveryVersion) {
  const std::string game = test_support::ReadFileBytes(test_support::HostPathInWine(FAKE_GAME_EXE));
  ASSERT_EQ(game.compare(0, 2, "MZ"), 0);
  std::string previous;
  for (const char* folder : {"previous", "content\\game", "content\\next"}) {
    SCOPED_TRACE(folder);
    const std::string program = ReadText(demo + "\\" + folder + "\\TOVA.exe");
    EXPECT_EQ(program.compare(0, game.size(), game), 0);
    EXPECT_NE(program, previous);
    previous = program;
  }
}

// Each stage of the next version: held back, offered for pre-download, and
// released as the current version; every stage shows the notice page.
TEST_F(DemoContentTest, TheRepliesOfEachStageNameTheDemoHosts) {
  const std::string game = "@FILES_URL@/game/";
  const std::string next = "@FILES_URL@/next/";
  const std::vector<std::string> none;
  struct Case {
    const char* get_urls;
    const char* pre_download;
    std::string game_host;
    std::vector<std::string> offered_by_directory;
    std::vector<std::string> offered_by_query;
  };
  for (const Case& c :
       {Case{"get_urls.json", "pre_download.json", game, {next}, {next}},
        Case{"get_urls_withheld.json", "pre_download_none.json", game, none, none},
        Case{"get_urls_released.json", "pre_download_none.json", next, none, none}}) {
    SCOPED_TRACE(c.get_urls);
    const std::string get_urls = ReadText(demo + "\\replies\\" + c.get_urls);
    std::vector<std::string> hosts;
    std::vector<std::string> pre_download_hosts;
    std::string error;
    ASSERT_TRUE(ParseDirectoryReply(get_urls, &hosts, &pre_download_hosts, &error, true)) << error;
    EXPECT_EQ(hosts, std::vector<std::string>{c.game_host});
    EXPECT_EQ(pre_download_hosts, c.offered_by_directory);

    const LauncherDirectoryReply launcher = ParseLauncherDirectoryReply(get_urls);
    EXPECT_TRUE(launcher.usable);
    ASSERT_TRUE(launcher.contentHosts);
    EXPECT_EQ(*launcher.contentHosts, std::vector<std::string>{"@CONTENT_URL@/launcher/"});
    EXPECT_EQ(launcher.patchOption, 2);
    EXPECT_EQ(launcher.activityAddr.value_or(""), "@PAGE_URL@/notice/index.html");

    hosts.clear();
    ParsePreDownloadReply(ReadText(demo + "\\replies\\" + c.pre_download), &hosts, &error);
    EXPECT_EQ(hosts, c.offered_by_query);
  }

  LoadMap(demo + "\\content\\launcher\\launcher_version_map.txt");
  const std::string page = ReadText(demo + "\\content\\notice\\index.html");
  for (const char* part : {"href=\"#", "target=\"_blank\"", "window.open('http://",
                           "window.open('javascript:", "window.open('file:"}) {
    EXPECT_NE(page.find(part), std::string::npos) << part;
  }
}

}  // namespace
