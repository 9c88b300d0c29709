// A pre-download end to end: MiscThread ticks the pre-download state beside
// the machine with the real download manager against the local servers (the
// fault host as directory service, the content host for the next version), and a
// message-only window on a stand-in UI thread records the widget's pages.

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <json/json.h>

#include "base/folder_util.h"
#include "base/json_util.h"
#include "base/thread_registry.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/launcher_lifecycle.h"
#include "launcher/core/misc_thread.h"
#include "launcher/core/window_messages.h"
#include "launcher/download/download_manager.h"
#include "launcher/update/context_update_world.h"
#include "launcher/update/pre_download_state.h"
#include "launcher/update/update_state_factory.h"
#include "tests/launcher/download/download_test_env.h"
#include "tests/launcher/update/pass_content.h"
#include "tests/launcher/update/pass_worker.h"
#include "tests/support/main_window_thread.h"
#include "tests/support/wait_for.h"

namespace {

using pass_test::MapText;
using pass_test::Md5;
using pass_test::RunOn;
using pass_test::WorkerLifecycle;
using test_support::WaitFor;

using download_test::GetServers;

std::mutex g_pages_mutex;
std::vector<std::pair<WPARAM, LPARAM>> g_pages;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PREDOWNLOAD_STATUS) {
    std::lock_guard<std::mutex> lock(g_pages_mutex);
    g_pages.push_back({wparam, lparam});
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

TEST(PreDownloadPassTest, TheNextVersionDownloadsIntoItsOwnFolderByContentAcrossAPause) {
  download_test::ResetFaultHost();
  test_support::ScratchDir scratch;
  test_support::ScopedCurrentFolder folder{scratch.path()};
  MakeDirectoriesW(scratch.Child(L"save"));
  MakeDirectoriesW(scratch.Child(L"game"));
  test_support::MainWindowThread ui_thread(L"PreDownloadPassTestMainWindow", MainWindowProc);
  ASSERT_TRUE(ui_thread.Start(qbase::MessageLoop::Type::kUI));
  LauncherContext* context = LauncherContext::GetInstance();
  context->mainWindow = ui_thread.window;
  UpdateStateFactory factory(ContextUpdateWorld::GetInstance());
  context->SetStateFactory(&factory);
  WorkerLifecycle lifecycle(WorkerLifecycle::Options{false, false});
  MiscThread worker(&lifecycle);
  ASSERT_TRUE(worker.Start(qbase::MessageLoop::Type::kDefault));

  // Installed: a.bin and kept.bin; the next version changes a.bin and adds
  // b.bin and its copy, which share their content.
  const std::string a2 = download_test::SeededBytes(300000, 7);
  const std::string b = download_test::SeededBytes(70000, 8);
  test_support::WriteFileBytes(scratch.Child(L"game\\version_map.txt"),
                               MapText("10077_3_2", {{"a.bin", "a"}, {"kept.bin", "k"}}));
  const std::string next_map =
      MapText("10077_4_2", {{"a.bin", a2}, {"b.bin", b}, {"copy/b.bin", b}, {"kept.bin", "k"}});
  const std::string cdn = "next" + std::to_string(GetCurrentProcessId());
  const auto serve = [&](const std::string& name, const std::string& bytes) {
    pass_test::ServeContent(cdn + "/" + name, bytes);
  };
  serve("version_map.txt", next_map);
  serve("a.bin", a2);
  serve("b.bin", b);
  serve("copy/b.bin", b);
  Json::Value hosts;
  hosts["TW_pc_addr"].append(GetServers().contentUrl + "/" + cdn + "/");
  Json::Value reply;
  reply["info"].append(WriteJsonText(hosts));
  pass_test::SetGateReply("/~gate/pre_download", WriteJsonText(reply));

  RunOn(qbase::kMiscThreadId, [context, &scratch] {
    LauncherSettings settings = context->GetSettings();
    settings.gamePath = scratch.Child(L"game");
    context->SetSettings(settings);
    context->InitVersionState();
    context->patchOption = 0;
    context->preDownloadAutoStart = true;
  });
  // Capped to a crawl, so the downloads are still running when they pause.
  DownloadManager& downloads = DownloadManager::GetInstance();
  downloads.SetSpeedLimit(DownloadMode::PreDownload, true, 1);
  context->StartPreDownload();
  // Until its files are queued: the probe's answer, which queues them, first
  // cancels what ran, and a pause with it.
  bool downloading = false;
  ASSERT_TRUE(WaitFor([&] {
    RunOn(qbase::kMiscThreadId, [&] {
      auto* state = static_cast<PreDownloadState*>(context->preDownloadState.get());
      downloading = state && state->IsDownloading() && state->pendingFiles() > 0;
    });
    return downloading;
  }));
  context->PauseDownloads();
  ASSERT_TRUE(WaitFor([&] { return downloads.paused(); }));
  // Paused, the state waits with its files outstanding.
  RunOn(qbase::kMiscThreadId, [&] {
    ASSERT_TRUE(context->preDownloadState);
    EXPECT_TRUE(context->preDownloadState->IsDownloading());
  });
  context->PauseDownloads();  // continues
  ASSERT_TRUE(WaitFor([&] { return !downloads.paused(); }));
  downloads.SetSpeedLimit(DownloadMode::PreDownload, false, 0);
  downloads.ApplySpeedLimit(DownloadMode::PreDownload);

  const std::wstring version_folder = scratch.Child(L"update\\predownload\\10077_4_2\\");
  bool gone = false;
  EXPECT_TRUE(WaitFor([&] {
    RunOn(qbase::kMiscThreadId, [&] { gone = context->preDownloadState == nullptr; });
    return gone;
  }));
  EXPECT_EQ(test_support::ReadFileBytes(version_folder + download_test::Wide(Md5(a2))), a2);
  EXPECT_EQ(test_support::ReadFileBytes(version_folder + download_test::Wide(Md5(b))), b);
  EXPECT_EQ(test_support::ReadFileBytes(version_folder + L"predownload_version_map.txt"), next_map);
  EXPECT_FALSE(test_support::FileExists(version_folder + L"tmp_predownload_version_map.txt"));
  // The shared content was fetched once, under the first name.
  EXPECT_TRUE(download_test::ContentLogLines(cdn + "/copy/b.bin").empty());
  EXPECT_FALSE(download_test::ContentLogLines(cdn + "/b.bin").empty());
  RunOn(qbase::kMiscThreadId, [context] {
    EXPECT_EQ(context->preDownloadFolders, std::vector<std::string>{"10077_4_2"});
    EXPECT_EQ(context->CheckPreDownloadComplete(), 0);
    EXPECT_FALSE(context->preDownloadAutoStart);
  });
  RunOn(qbase::kMainThreadId, [] {});
  {
    std::lock_guard<std::mutex> lock(g_pages_mutex);
    EXPECT_EQ(g_pages, (std::vector<std::pair<WPARAM, LPARAM>>{
                           {static_cast<WPARAM>(PreDownloadPage::Download), 0},
                           {static_cast<WPARAM>(PreDownloadPage::Download), 1},
                           {static_cast<WPARAM>(PreDownloadPage::Finish), 0}}));
  }

  worker.Stop();
  context->SetStateFactory(nullptr);
  context->mainWindow = nullptr;
}

}  // namespace
