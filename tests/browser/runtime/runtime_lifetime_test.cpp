#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "browser/runtime/cef_capi.h"
#include "tests/browser/runtime/host_processes.h"
#include "tests/browser/runtime/menu_window.h"
#include "tests/browser/runtime/page_url.h"
#include "tests/browser/runtime/recording_client.h"
#include "tests/support/scratch_dir.h"

namespace {

using test_support::RecordingClient;

bool Initialize(const std::wstring& profile) {
  cef_settings_t settings = {};
  settings.size = sizeof(settings);
  settings.no_sandbox = 1;
  settings.multi_threaded_message_loop = 1;
  settings.windowless_rendering_enabled = 1;
  cef_string_wide_to_utf16(profile.c_str(), profile.size(), &settings.cache_path);
  cef_main_args_t args = {GetModuleHandleW(nullptr)};
  const bool started = cef_initialize(&args, &settings, nullptr, nullptr) == 1;
  cef_string_utf16_clear(&settings.cache_path);
  return started;
}

// The host browser's processes of one profile folder.
int HostBrowsersOf(const std::wstring& profile) {
  return test_support::CountHostProcesses("--user-data-dir=" + test_support::HostPathOf(profile));
}

bool WaitForHostBrowsers(const std::wstring& profile, bool running) {
  for (int i = 0; i < 600; ++i) {
    if ((HostBrowsersOf(profile) > 0) == running) return true;
    Sleep(100);
  }
  return false;
}

// Starts the runtime on `profile`, has a blank browser made and shuts the
// runtime down again, leaving no host browser behind.
void StartOpenAndShutDown(const std::wstring& profile) {
  ASSERT_TRUE(Initialize(profile));
  RecordingClient* client = new RecordingClient();
  CefRefPtr<cef_client_t> hold(client->client());
  client->SetViewSize(50, 50);
  cef_window_info_t info = {};
  info.windowless_rendering_enabled = 1;
  test_support::CefText url("about:blank");
  ASSERT_EQ(1,
            cef_browser_host_create_browser(&info, client->client(), url.get(), nullptr, nullptr));
  EXPECT_TRUE(client->WaitForLine("created"));
  cef_shutdown();
  EXPECT_TRUE(WaitForHostBrowsers(profile, false));
}

TEST(RuntimeLifetimeTest, WithoutTheHostBrowserNothingStarts) {
  test_support::ScratchDir scratch;
  SetEnvironmentVariableW(L"QOZ_CEF_HOST_BROWSER", L"/nonexistent/chromium");
  EXPECT_FALSE(Initialize(scratch.Child(L"profile")));
  SetEnvironmentVariableW(L"QOZ_CEF_HOST_BROWSER", nullptr);
  // After a failed start every call is harmless.
  RecordingClient* client = new RecordingClient();
  CefRefPtr<cef_client_t> hold(client->client());
  cef_window_info_t info = {};
  EXPECT_EQ(0, cef_browser_host_create_browser(&info, client->client(), nullptr, nullptr, nullptr));
  EXPECT_EQ(0, cef_currently_on(TID_UI));
  cef_shutdown();
}

TEST(RuntimeLifetimeTest, ShutdownEndsTheHostBrowserAndReleasesEverything) {
  test_support::ScratchDir scratch;
  const std::wstring profile = scratch.Child(L"profile");
  ASSERT_TRUE(Initialize(profile));
  EXPECT_GT(HostBrowsersOf(profile), 0);
  {
    RecordingClient* client = new RecordingClient();
    CefRefPtr<cef_client_t> hold(client->client());
    client->SetViewSize(50, 50);
    cef_window_info_t info = {};
    info.windowless_rendering_enabled = 1;
    test_support::CefText url("about:blank");
    ASSERT_EQ(
        1, cef_browser_host_create_browser(&info, client->client(), url.get(), nullptr, nullptr));
    ASSERT_TRUE(client->WaitForLine("created"));
    cef_shutdown();
    // A browser still open at shut-down is closed on the way.
    EXPECT_TRUE(client->WaitForLine("closed", 0)) << client->Describe();
  }
  EXPECT_EQ(0, RecordingClient::live_objects());
  EXPECT_EQ(0, HostBrowsersOf(profile));
}

TEST(RuntimeLifetimeTest, ShutdownClosesAContextMenuLeftOpen) {
  test_support::ScratchDir scratch;
  const std::wstring profile = scratch.Child(L"profile");
  ASSERT_TRUE(Initialize(profile));
  RecordingClient* client = new RecordingClient();
  CefRefPtr<cef_client_t> hold(client->client());
  client->SetViewSize(200, 100);
  cef_window_info_t info = {};
  info.windowless_rendering_enabled = 1;
  test_support::CefText url(test_support::PageUrl("/menu"));
  ASSERT_EQ(1,
            cef_browser_host_create_browser(&info, client->client(), url.get(), nullptr, nullptr));
  ASSERT_TRUE(client->WaitForLine("load_end 200")) << client->Describe();
  CefRefPtr<cef_browser_t> browser = client->browser();
  ASSERT_TRUE(browser);
  CefRefPtr<cef_browser_host_t> host =
      CefRefPtr<cef_browser_host_t>::Adopt(browser->get_host(browser.get()));
  const cef_mouse_event_t at = {150, 75, 0};
  host->send_mouse_click_event(host.get(), &at, MBT_RIGHT, 0, 1);
  host->send_mouse_click_event(host.get(), &at, MBT_RIGHT, 1, 1);
  ASSERT_TRUE(client->WaitForLine("menu 150 75 0 ")) << client->Describe();
  HWND menu = nullptr;
  for (int i = 0; i < 600 && menu == nullptr; ++i) {
    menu = test_support::FindMenuWindow(true);
    if (menu == nullptr) Sleep(100);
  }
  ASSERT_NE(nullptr, menu);
  host.reset();
  browser.reset();
  // Returns with the menu closed, nothing chosen.
  cef_shutdown();
  EXPECT_TRUE(client->WaitForLine("closed", 0)) << client->Describe();
  EXPECT_EQ(nullptr, test_support::FindMenuWindow(true));
  const std::vector<std::string> lines = client->Snapshot().lines;
  EXPECT_EQ(
      0, std::count_if(lines.begin(), lines.end(),
                       [](const std::string& line) { return line.compare(0, 8, "command ") == 0; }))
      << client->Describe();
  EXPECT_TRUE(WaitForHostBrowsers(profile, false));
}

// The launcher's process ending without shut-down must not leave the host
// browser behind, and the next start on the same profile must not meet the
// lock the killed browser left.
TEST(RuntimeLifetimeTest, AKilledProcessLeavesNoHostBrowserAndTheProfileRestarts) {
  test_support::ScratchDir scratch;
  const std::wstring profile = scratch.Child(L"profile");
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command =
      L"\"" + std::wstring(self) + L"\" --gtest_filter=RuntimeHolder.HoldsTheRuntime";
  SetEnvironmentVariableW(L"QOZ_TEST_HOLD_PROFILE", profile.c_str());
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  SetEnvironmentVariableW(L"QOZ_TEST_HOLD_PROFILE", nullptr);
  CloseHandle(process.hThread);
  EXPECT_TRUE(WaitForHostBrowsers(profile, true));
  TerminateProcess(process.hProcess, 9);
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hProcess);
  EXPECT_TRUE(WaitForHostBrowsers(profile, false));

  StartOpenAndShutDown(profile);
}

// Starts a host program; Wine gives no handle that tells its end.
bool StartHostProgram(const std::wstring& command_line) {
  std::wstring line = command_line;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

// A killed run leaves its lock, naming its process, and its port file. The
// lock's number may belong to another process by now (here this one): the
// start neither waits for nor ends it, and the old port file is not taken.
TEST(RuntimeLifetimeTest, WhatAKilledRunLeftIsClearedWithoutTouchingOthers) {
  test_support::ScratchDir scratch;
  const std::wstring profile = scratch.Child(L"profile");
  ASSERT_TRUE(CreateDirectoryW(profile.c_str(), nullptr));
  HANDLE stat = CreateFileW(L"Z:\\proc\\self\\stat", GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, stat);
  char buffer[64] = {};
  DWORD read = 0;
  ReadFile(stat, buffer, sizeof(buffer) - 1, &read, nullptr);
  CloseHandle(stat);
  const std::string own_process = std::string(buffer).substr(0, std::string(buffer).find(' '));
  ASSERT_FALSE(own_process.empty());
  // The lock names a file beside it, so that it can be seen from here.
  const std::wstring owner = L"host-" + std::wstring(own_process.begin(), own_process.end());
  HANDLE owner_file = CreateFileW((profile + L"\\" + owner).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, owner_file);
  CloseHandle(owner_file);
  const std::string host_profile = test_support::HostPathOf(profile);
  const std::wstring lock =
      std::wstring(host_profile.begin(), host_profile.end()) + L"/SingletonLock";
  ASSERT_TRUE(StartHostProgram(L"Z:\\bin\\ln -s " + owner + L" " + lock));
  bool locked = false;
  for (int i = 0; i < 300 && !locked; ++i) {
    locked = GetFileAttributesW((profile + L"\\SingletonLock").c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!locked) Sleep(100);
  }
  ASSERT_TRUE(locked);
  HANDLE port_file = CreateFileW((profile + L"\\DevToolsActivePort").c_str(), GENERIC_WRITE, 0,
                                 nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, port_file);
  const char stale[] = "9\n/devtools/browser/00000000-0000-0000-0000-000000000000";
  DWORD written = 0;
  WriteFile(port_file, stale, sizeof(stale) - 1, &written, nullptr);
  CloseHandle(port_file);

  StartOpenAndShutDown(profile);
}

// Not a test of its own: the process the killed-process test starts and
// kills. It
// holds a started runtime until it is ended from outside.
TEST(RuntimeHolder, HoldsTheRuntime) {
  wchar_t profile[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"QOZ_TEST_HOLD_PROFILE", profile, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) GTEST_SKIP() << "started only by the test above";
  ASSERT_TRUE(Initialize(profile));
  Sleep(INFINITE);
}

}  // namespace
