#include "launcher/core/version_map.h"

#include <windows.h>
#include <wincrypt.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <json/json.h>

#include "base/string_util.h"
#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"

namespace {

struct ParseCase {
  const char* name;
  const char* text;
  bool ok;
  VersionMap expected;  // when ok
};

TEST(VersionMapTest, ParseVersionMapShapesAndRefusals) {
  const ParseCase cases[] = {
      {"list form",
       R"({"version": "1_2_3", "list": {"a/b.txt": {"md5": "m", "size": 5}}})",
       true,
       {{"a/b.txt", {"m", 5}}}},
      {"flat form",
       R"({"a/b.txt": {"md5": "m", "size": 5}, "version": {"md5": "1_2_3"}})",
       true,
       {{"a/b.txt", {"m", 5}}, {"version", {"1_2_3", 0}}}},
      {"null list is absent",
       R"({"list": null, "x": {"md5": "m"}})",
       true,
       {{"list", {"", 0}}, {"x", {"m", 0}}}},
      {"missing and null members",
       R"({"a": null, "b": {}, "c": {"md5": null, "size": null}})",
       true,
       {{"a", {"", 0}}, {"b", {"", 0}}, {"c", {"", 0}}}},
      {"other members ignored",
       R"({"a": {"md5": "m", "size": 1, "extra": [1]}})",
       true,
       {{"a", {"m", 1}}}},
      {"integral real size", R"({"a": {"md5": "m", "size": 7.0}})", true, {{"a", {"m", 7}}}},
      {"size of 2 GiB and more",
       R"({"a": {"md5": "m", "size": 6442450944}})",
       true,
       {{"a", {"m", 6442450944LL}}}},
      {"last duplicate wins", R"({"a": {"md5": "1"}, "a": {"md5": "2"}})", true, {{"a", {"2", 0}}}},
      {"null document", "null", true, {}},
      {"empty object", "{}", true, {}},
      {"dot names allowed", R"({"a..b/.x/c.": {"md5": "m"}})", true, {{"a..b/.x/c.", {"m", 0}}}},
      {"empty text", "", false, {}},
      {"not JSON", "{\"a\": ", false, {}},
      {"root is an array", "[1, 2]", false, {}},
      {"list is a number", R"({"list": 5})", false, {}},
      {"entry is a text", R"({"a": "m"})", false, {}},
      {"md5 is an array", R"({"a": {"md5": ["m"]}})", false, {}},
      {"size is a text", R"({"a": {"md5": "m", "size": "5"}})", false, {}},
      {"size is fractional", R"({"a": {"md5": "m", "size": 5.5}})", false, {}},
      {"size is negative", R"({"a": {"md5": "m", "size": -5}})", false, {}},
      {"size is a flag", R"({"a": {"md5": "m", "size": true}})", false, {}},
      {"absolute name", R"({"list": {"/etc/x": {"md5": "m"}}})", false, {}},
      {"backslash absolute name", R"({"\\windows\\x": {"md5": "m"}})", false, {}},
      {"drive letter", R"({"C:/x.dll": {"md5": "m"}})", false, {}},
      {"stream colon", R"({"a.txt:stream": {"md5": "m"}})", false, {}},
      {"parent segment", R"({"a/../../x": {"md5": "m"}})", false, {}},
      {"parent with backslash", R"({"a\\..\\x": {"md5": "m"}})", false, {}},
      {"bare parent", R"({"..": {"md5": "m"}})", false, {}},
      {"trailing parent", R"({"a/..": {"md5": "m"}})", false, {}},
      {"parent ended by a zero byte", R"({"a/..\u0000x": {"md5": "m"}})", false, {}},
  };
  for (const ParseCase& test : cases) {
    VersionMap map = {{"old", {"o", 1}}};
    std::string error;
    EXPECT_EQ(ParseVersionMap(test.text, &map, &error), test.ok) << test.name;
    if (test.ok) {
      EXPECT_EQ(map.size(), test.expected.size()) << test.name;
      for (const auto& [name, entry] : test.expected) {
        ASSERT_EQ(map.count(name), 1u) << test.name << ": " << name;
        EXPECT_EQ(map[name].md5, entry.md5) << test.name << ": " << name;
        EXPECT_EQ(map[name].size, entry.size) << test.name << ": " << name;
      }
    } else {
      // A refused document loses nothing the caller had.
      ASSERT_EQ(map.size(), 1u) << test.name;
      EXPECT_EQ(map["old"].md5, "o") << test.name;
    }
  }
}

TEST(VersionMapTest, ParseFailureCarriesTheReason) {
  VersionMap map;
  std::string error;
  EXPECT_FALSE(ParseVersionMap("{\"a\": ", &map, &error));
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_FALSE(ParseVersionMap(R"({"../x": {}})", &map, &error));
  EXPECT_NE(error.find("../x"), std::string::npos);
}

TEST(VersionMapTest, GetVersionMapVersion) {
  VersionMap map;
  EXPECT_EQ(GetVersionMapVersion(map), "");
  std::string error;
  ASSERT_TRUE(
      ParseVersionMap(R"({"a/b.txt": {"md5": "m"}, "version": {"md5": "1_2_3"}})", &map, &error));
  EXPECT_EQ(GetVersionMapVersion(map), "1_2_3");
}

TEST(VersionMapTest, LoadVersionMapFile) {
  test_support::ScratchDir dir;
  VersionMap map = {{"old", {"o", 1}}};
  std::string error;
  EXPECT_FALSE(LoadVersionMapFile(dir.Child(L"missing.txt"), &map, &error));
  EXPECT_TRUE(map.empty());

  test_support::WriteFileBytes(dir.Child(L"\u5730\u5716.txt"),
                               "\xEF\xBB\xBF{\"list\": {\"x\": {\"md5\": \"m\", \"size\": 3}}}");
  EXPECT_TRUE(LoadVersionMapFile(dir.Child(L"\u5730\u5716.txt"), &map, &error));
  ASSERT_EQ(map.size(), 1u);
  EXPECT_EQ(map["x"].size, 3);
}

TEST(VersionMapTest, IsValidJson) {
  const std::pair<std::string, bool> cases[] = {
      {"", false},
      {"{}", true},
      {"[1, 2, ]", true},  // the default reader accepts trailing commas
      {"{\"a\": 1} trailing", true},
      {"{\"a\": ", false},
      {"<html>502</html>", false},
  };
  for (const auto& [text, valid] : cases) {
    std::string error;
    EXPECT_EQ(IsValidJson(text.data(), text.size(), &error), valid) << text;
  }
}

struct DiffCase {
  const char* name;
  VersionMap local;
  VersionMap remote;
  std::vector<std::string> deletionsBefore;
  std::vector<std::string> expectedUpdate;
  std::vector<std::string> expectedDeletions;
};

TEST(VersionMapTest, DiffVersionMaps) {
  const DiffCase cases[] = {
      {"changed, new and removed",
       {{"x", {"m1", 1}}, {"y", {"m2", 1}}, {"z", {"m3", 1}}},
       {{"x", {"m1", 1}}, {"y", {"m9", 2}}, {"w", {"m4", 3}}},
       {},
       {"w", "y"},
       {"z"}},
      {"empty local takes the whole remote, less version",
       {},
       {{"a", {"m", 1}}, {"version", {"1_2_3", 0}}},
       {"kept"},
       {"a"},
       {"kept"}},
      {"size alone is no change", {{"a", {"m", 1}}}, {{"a", {"m", 2}}}, {}, {}, {}},
      {"earlier deletions stay in front",
       {{"a", {"m", 1}}, {"b", {"m", 1}}},
       {{"c", {"m", 1}}},
       {"first"},
       {"c"},
       {"first", "a", "b"}},
      {"local version goes to the deletions",
       {{"version", {"1_0_0", 0}}, {"a", {"m", 1}}},
       {{"a", {"m", 1}}},
       {},
       {},
       {"version"}},
      {"remote version never in the update",
       {{"version", {"1_0_0", 0}}},
       {{"version", {"2_0_0", 0}}},
       {},
       {},
       {}},
  };
  for (const DiffCase& test : cases) {
    VersionMap local = test.local;
    VersionMap update = {{"stale", {}}};
    std::vector<std::string> deletions = test.deletionsBefore;
    DiffVersionMaps(&local, test.remote, &update, &deletions);
    std::vector<std::string> update_names;
    for (const auto& [name, entry] : update) {
      update_names.push_back(name);
      EXPECT_EQ(entry.md5, test.remote.at(name).md5) << test.name;
      EXPECT_EQ(entry.size, test.remote.at(name).size) << test.name;
    }
    EXPECT_EQ(update_names, test.expectedUpdate) << test.name;
    EXPECT_EQ(deletions, test.expectedDeletions) << test.name;
    if (!test.local.empty()) {
      // The local map keeps exactly the names it gave up for deletion.
      std::vector<std::string> left;
      for (const auto& [name, entry] : local) left.push_back(name);
      EXPECT_EQ(left, std::vector<std::string>(
                          test.expectedDeletions.begin() + test.deletionsBefore.size(),
                          test.expectedDeletions.end()))
          << test.name;
    }
  }
}

// Known digests (RFC 1321 test suite and a common sample), not computed here.
constexpr char kMd5Empty[] = "d41d8cd98f00b204e9800998ecf8427e";
constexpr char kMd5Abc[] = "900150983cd24fb0d6963f7d28e17f72";
constexpr char kMd5Fox[] = "9e107d9d372bb6826bd81d3542a419d6";
constexpr char kFox[] = "The quick brown fox jumps over the lazy dog";

Json::Value ReadJsonFile(const std::wstring& path) {
  Json::Value root;
  Json::CharReaderBuilder builder;
  const std::string text = test_support::ReadFileBytes(path);
  std::string error;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &root, &error)) << error;
  return root;
}

TEST(VersionMapTest, MakeLauncherVersionMapHashesTheLaunchersFiles) {
  test_support::ScratchDir dir;
  test_support::WriteFileBytes(dir.Child(L"launcher.exe"), "abc");
  test_support::WriteFileBytes(dir.Child(L"resources.zip"), "");
  test_support::WriteFileBytes(dir.Child(L"LomaN.ttf"), kFox);
  test_support::WriteFileBytes(dir.Child(L"cef\\libcef.dll"), "abc");
  test_support::WriteFileBytes(dir.Child(L"cef\\locales\\zh-TW.pak"), kFox);
  test_support::WriteFileBytes(dir.Child(L"other.txt"), "not listed");
  // The map writers work in the current folder, as the launcher does in its own.
  test_support::ScopedCurrentFolder folder(dir.path());

  MakeLauncherVersionMap(L"");

  const Json::Value root = ReadJsonFile(dir.Child(L"launcher_version_map.txt"));
  EXPECT_EQ(root["version"].asString(), "1.0.0");
  const Json::Value& list = root["list"];
  const std::vector<std::string> expected_names = {
      "LomaN.ttf", "cef/libcef.dll", "cef/locales/zh-TW.pak", "launcher.exe", "resources.zip"};
  EXPECT_EQ(list.getMemberNames(), expected_names);
  EXPECT_EQ(list["launcher.exe"]["md5"].asString(), kMd5Abc);
  EXPECT_EQ(list["launcher.exe"]["size"].asInt64(), 3);
  EXPECT_EQ(list["resources.zip"]["md5"].asString(), kMd5Empty);
  EXPECT_EQ(list["resources.zip"]["size"].asInt64(), 0);
  EXPECT_EQ(list["cef/locales/zh-TW.pak"]["md5"].asString(), kMd5Fox);
  EXPECT_EQ(list["cef/locales/zh-TW.pak"]["size"].asInt64(), 43);

  // The written file is a map the launcher itself reads back.
  VersionMap map;
  std::string error;
  EXPECT_TRUE(LoadVersionMapFile(dir.Child(L"launcher_version_map.txt"), &map, &error));
  EXPECT_EQ(map.size(), 5u);
}

TEST(VersionMapTest, MakeDependenceVersionMap) {
  test_support::ScratchDir dir;
  // The map writers work in the current folder, as the launcher does in its own.
  test_support::ScopedCurrentFolder folder(dir.path());

  MakeDependenceVersionMap(L"1_0_5");
  Json::Value root = ReadJsonFile(dir.Child(L"dependence_version_map.txt"));
  EXPECT_EQ(root["version"].asString(), "1_0_5");
  EXPECT_TRUE(root["list"].isObject());
  EXPECT_EQ(root["list"].size(), 0u);

  test_support::WriteFileBytes(dir.Child(L"dependence\\\u5143\\a.bin"), "abc");
  MakeDependenceVersionMap(L"2_0_0");
  root = ReadJsonFile(dir.Child(L"dependence_version_map.txt"));
  EXPECT_EQ(root["version"].asString(), "2_0_0");
  const std::vector<std::string> expected_names = {"dependence/\xE5\x85\x83/a.bin"};
  EXPECT_EQ(root["list"].getMemberNames(), expected_names);
  EXPECT_EQ(root["list"]["dependence/\xE5\x85\x83/a.bin"]["md5"].asString(), kMd5Abc);
}

}  // namespace

namespace {

// MD5 by the system's crypto provider, independent of the launcher's own digest.
std::string SystemMd5(const std::string& bytes) {
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  std::string text;
  if (CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
      CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) &&
      CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()),
                    static_cast<DWORD>(bytes.size()), 0)) {
    BYTE digest[16] = {};
    DWORD size = sizeof(digest);
    if (CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0)) {
      static const char kHex[] = "0123456789abcdef";
      for (BYTE byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
      }
    }
  }
  if (hash != 0) CryptDestroyHash(hash);
  if (provider != 0) CryptReleaseContext(provider, 0);
  return text;
}

std::string SeededBytes(unsigned seed, size_t size) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random() & 0xFF);
  return bytes;
}

// Runs the executable with a command line and returns its exit code (-1 on failure).
int RunAndWait(const std::wstring& executable, const std::wstring& arguments) {
  std::wstring command_line = L"\"" + executable + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(executable.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return -1;
  }
  CloseHandle(process.hThread);
  DWORD exit_code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &exit_code);
  } else {
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hProcess);
  return static_cast<int>(exit_code);
}

// Every entry of a written map names a file of the folder with its true size and MD5.
void ExpectMapMatchesFiles(const std::wstring& map_path, const std::wstring& folder,
                           const std::string& version, const std::vector<std::string>& names) {
  const Json::Value root = ReadJsonFile(map_path);
  EXPECT_EQ(root["version"].asString(), version);
  const Json::Value& list = root["list"];
  EXPECT_EQ(list.getMemberNames(), names);
  for (const std::string& name : names) {
    std::wstring relative = qbase::Utf8ToWide(name);
    for (wchar_t& unit : relative) {
      if (unit == L'/') unit = L'\\';
    }
    const std::string bytes = test_support::ReadFileBytes(folder + L"\\" + relative);
    EXPECT_EQ(list[name]["md5"].asString(), SystemMd5(bytes)) << name;
    EXPECT_EQ(list[name]["size"].asInt64(), static_cast<int64_t>(bytes.size())) << name;
  }
}

TEST(VersionMapToolTest, LauncherExeWritesMapsOfItsOwnFolder) {
  const std::wstring built = test_support::HostPathInWine(LAUNCHER_EXE);
  ASSERT_TRUE(test_support::FileExists(built)) << "build the launcher target first";
  test_support::ScratchDir dir;
  const std::wstring launcher = dir.Child(L"launcher.exe");
  ASSERT_TRUE(CopyFileW(built.c_str(), launcher.c_str(), FALSE));
  test_support::WriteFileBytes(dir.Child(L"resources.zip"), SeededBytes(1, 300000));
  test_support::WriteFileBytes(dir.Child(L"SourceHanSansCNRegular.ttf"), SeededBytes(2, 5000));
  test_support::WriteFileBytes(dir.Child(L"SourceHanSansCNBold.ttf"), SeededBytes(3, 4097));
  test_support::WriteFileBytes(dir.Child(L"LomaN.ttf"), SeededBytes(4, 1024));
  test_support::WriteFileBytes(dir.Child(L"LomaB.ttf"), "");
  test_support::WriteFileBytes(dir.Child(L"cef\\libcef.dll"), SeededBytes(5, 70000));
  test_support::WriteFileBytes(dir.Child(L"cef\\locales\\zh-TW.pak"), SeededBytes(6, 1025));
  test_support::WriteFileBytes(dir.Child(L"dependence\\\u5143\\a.bin"), SeededBytes(7, 2048));
  test_support::WriteFileBytes(dir.Child(L"dependence\\b.txt"), "b");

  // Tool modes run before the single-instance test (the process tests cover a
  // running first instance), so these runs need no lock on the semaphore.
  EXPECT_EQ(RunAndWait(launcher, L"make_version 1_2_3"), 0);
  EXPECT_EQ(RunAndWait(launcher, L"make_dependence_version 4_5_6"), 0);

  ExpectMapMatchesFiles(
      dir.Child(L"launcher_version_map.txt"), dir.path(), "1_2_3",
      {"LomaB.ttf", "LomaN.ttf", "SourceHanSansCNBold.ttf", "SourceHanSansCNRegular.ttf",
       "cef/libcef.dll", "cef/locales/zh-TW.pak", "launcher.exe", "resources.zip"});
  ExpectMapMatchesFiles(dir.Child(L"dependence_version_map.txt"), dir.path(), "4_5_6",
                        {"dependence/b.txt", "dependence/\xE5\x85\x83/a.bin"});
}

}  // namespace
