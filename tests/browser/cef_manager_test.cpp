#include "browser/cef_manager.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "base/file_path.h"
#include "base/thread_registry.h"
#include "tests/browser/main_thread.h"
#include "tests/browser/runtime/host_processes.h"
#include "tests/browser/thread_windows.h"
#include "tests/support/scratch_dir.h"

namespace qoz_comp {
namespace {

constexpr wchar_t kHomeVariable[] = L"QOZ_TEST_MANAGER_HOME";
constexpr wchar_t kReportVariable[] = L"QOZ_TEST_MANAGER_REPORT";

std::wstring GetVariable(const wchar_t* name) {
  std::wstring buffer(32768, L'\0');
  const DWORD length = GetEnvironmentVariableW(name, &buffer[0], 32768);
  return length == 0 || length >= 32768 ? std::wstring() : buffer.substr(0, length);
}

// Restores PATH and ComSpec when a test ends.
class CefEnvironmentTest : public testing::Test {
 protected:
  void SetUp() override {
    path_ = GetVariable(L"PATH");
    com_spec_ = GetVariable(L"ComSpec");
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"PATH", path_.c_str());
    SetEnvironmentVariableW(L"ComSpec", com_spec_.c_str());
  }

  test_support::ScratchDir scratch_;
  CefManager manager_;
  std::wstring path_;
  std::wstring com_spec_;
};

TEST_F(CefEnvironmentTest, CefFolderLeadsThePathAndNamesTheStandInShell) {
  ASSERT_TRUE(CreateDirectoryW(scratch_.Child(L"cef").c_str(), nullptr));
  const std::wstring folder = scratch_.path() + L"\\";
  ASSERT_TRUE(manager_.PrepareCefEnvironmentIn(folder));
  EXPECT_EQ(folder + L"cef;" + path_, GetVariable(L"PATH"));
  EXPECT_EQ(folder + L"cef\\dummy_cmd.exe", GetVariable(L"ComSpec"));
}

TEST_F(CefEnvironmentTest, WithoutACefFolderNothingChanges) {
  const std::wstring folder = scratch_.path() + L"\\";
  EXPECT_FALSE(manager_.PrepareCefEnvironmentIn(folder));
  // A file of that name is no runtime folder.
  test_support::WriteFileBytes(scratch_.Child(L"cef"), "not a folder");
  EXPECT_FALSE(manager_.PrepareCefEnvironmentIn(folder));
  EXPECT_EQ(path_, GetVariable(L"PATH"));
  EXPECT_EQ(com_spec_, GetVariable(L"ComSpec"));
  EXPECT_FALSE(manager_.IsInitialized());
  EXPECT_TRUE(manager_.IsOffscreenRendering());
}

TEST_F(CefEnvironmentTest, ThePathIsKeptWholeHoweverLong) {
  ASSERT_TRUE(CreateDirectoryW(scratch_.Child(L"cef").c_str(), nullptr));
  for (const std::wstring& old_path :
       {std::wstring(), std::wstring(L"C:\\only"), std::wstring(5000, L'p') + L";C:\\last"}) {
    SCOPED_TRACE(old_path.size());
    SetEnvironmentVariableW(L"PATH", old_path.empty() ? nullptr : old_path.c_str());
    ASSERT_TRUE(manager_.PrepareCefEnvironmentIn(scratch_.path() + L"\\"));
    EXPECT_EQ(scratch_.path() + L"\\cef" + (old_path.empty() ? L"" : L";" + old_path),
              GetVariable(L"PATH"));
  }
}

TEST(CefManagerQuitTest, WithNoBrowserTheQuitIsPostedAtOnce) {
  test_support::MainThread main_thread;
  ASSERT_TRUE(main_thread.Start(qbase::MessageLoop::Type::kUI));
  CefManager manager;
  ASSERT_TRUE(main_thread.RunAndWait([&] { manager.QuitWhenBrowsersClosed(0); }));
  bool ended = false;
  for (int i = 0; i < 600 && !ended; ++i) {
    ended = !qbase::ThreadRegistry::PostTask(qbase::kMainThreadId, [] {});
    if (!ended) Sleep(100);
  }
  EXPECT_TRUE(ended);
}

bool Copy(const std::wstring& from, const std::wstring& to) {
  return CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

// Each case starts a process of its own: a runtime library, once loaded,
// stays for the process.
TEST(CefManagerStartTest, TheRuntimeStartsOnlyFromALoadableMatchingLibrary) {
  const std::wstring module = qbase::GetCurrentModuleDirectory();
  const struct {
    const char* name;
    // Fills the "cef" folder.
    bool (*fill)(const std::wstring& module, const std::wstring& folder);
    const char* report;
  } cases[] = {
      {"the runtime",
       [](const std::wstring& module, const std::wstring& folder) {
         for (const wchar_t* file : {L"qoz_libcef.dll", L"cef_helper.exe", L"dummy_cmd.exe"}) {
           if (!Copy(module + L"cef\\" + file, folder + file)) return false;
         }
         return true;
       },
       "started 1 window 1 data 1"},
      {"no library", [](const std::wstring&, const std::wstring&) { return true; },
       "started 0 window 0 data 0"},
      {"no library but a file of its name",
       [](const std::wstring&, const std::wstring& folder) {
         test_support::WriteFileBytes(folder + L"qoz_libcef.dll", "not a library");
         return true;
       },
       "started 0 window 0 data 0"},
      {"a library of another interface",
       [](const std::wstring& module, const std::wstring& folder) {
         return Copy(module + L"foreign\\cef\\qoz_libcef.dll", folder + L"qoz_libcef.dll");
       },
       "started 0 window 0 data 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test_support::ScratchDir home;
    const std::wstring folder = home.Child(L"cef\\");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(c.fill(module, folder));
    const std::wstring report = home.Child(L"report.txt");
    SetEnvironmentVariableW(kHomeVariable, (home.path() + L"\\").c_str());
    SetEnvironmentVariableW(kReportVariable, report.c_str());
    std::wstring command = L"\"" + qbase::GetModuleFilePath(nullptr) +
                           L"\" --gtest_filter=CefManagerChild.StartsTheRuntimeOfItsHome";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    SetEnvironmentVariableW(kHomeVariable, nullptr);
    SetEnvironmentVariableW(kReportVariable, nullptr);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exit_code = 1;
    GetExitCodeProcess(process.hProcess, &exit_code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    EXPECT_EQ(0u, exit_code);
    std::string heard;
    EXPECT_TRUE(test_support::TryReadFileBytes(report, &heard));
    EXPECT_EQ(c.report, heard);
    // The home exists in every case, its data folder not: the host's name of
    // a missing folder is empty, and would match every host browser there.
    const std::string host_home = test_support::HostPathOf(home.path());
    ASSERT_FALSE(host_home.empty());
    EXPECT_EQ(0, test_support::CountHostProcesses("--user-data-dir=" + host_home +
                                                  "/cef_temp/CefLocalStorage"));
  }
}

// Not a test of its own: the process the test above starts for each case.
// Starts the runtime of the "cef" folder of its home as the launcher does and
// reports what came of it.
TEST(CefManagerChild, StartsTheRuntimeOfItsHome) {
  const std::wstring home = GetVariable(kHomeVariable);
  if (home.empty()) GTEST_SKIP() << "started only by the test above";
  CefManager manager;
  ASSERT_TRUE(manager.PrepareCefEnvironmentIn(home));
  const std::wstring data_folder = home + L"cef_temp\\";
  bool started = false;
  {
    CefSettings settings;
    started = manager.Initialize(data_folder, &settings);
  }
  // The hidden window, with whatever the system adds to a thread's first.
  const bool window = test_support::WindowsOfThisThread() > 0;
  EXPECT_EQ(started, manager.IsInitialized());
  EXPECT_TRUE(test_support::PumpUntilNoWindows());
  manager.Shutdown();
  EXPECT_FALSE(manager.IsInitialized());
  char report[64];
  std::snprintf(report, sizeof(report), "started %d window %d data %d", started ? 1 : 0,
                window ? 1 : 0, test_support::IsDirectory(data_folder) ? 1 : 0);
  test_support::WriteFileBytes(GetVariable(kReportVariable), report);
}

}  // namespace
}  // namespace qoz_comp
