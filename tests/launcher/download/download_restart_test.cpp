#include <windows.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "base/md5.h"
#include "launcher/download/download_manager.h"
#include "tests/launcher/download/download_test_env.h"

namespace {

using download_test::GetServers;
using download_test::Wide;

constexpr wchar_t kChildFolderVariable[] = L"LAUNCHER_TEST_RESTART_FOLDER";
constexpr char kName[] = "restart/big.bin";
constexpr int64_t kSize = 2 * kChunkBytes;
constexpr uint64_t kSeed = 77;
constexpr int kRate = 4 * 1048576;  // per transfer

std::wstring ChildFolder() {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(kChildFolderVariable, buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

std::string Utf8(const std::wstring& wide) {
  std::string out(wide.size() * 4, '\0');
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       out.data(), static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(size > 0 ? size : 0);
  return out;
}

// A child left running by a failed assertion is killed, not left downloading.
struct Process {
  PROCESS_INFORMATION info = {};
  ~Process() {
    if (info.hProcess && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(info.hProcess, 1);
      WaitForSingleObject(info.hProcess, 10000);
    }
    if (info.hProcess) CloseHandle(info.hProcess);
    if (info.hThread) CloseHandle(info.hThread);
  }
};

// The child: downloads into the folder it is given until it is killed.
TEST(DownloadRestartChild, DownloadsUntilKilled) {
  const std::wstring folder = ChildFolder();
  if (folder.empty()) GTEST_SKIP() << "runs only as the child of the restart test";
  SetCurrentDirectoryW(folder.c_str());
  DownloadManager manager;
  manager.Init();
  manager.SetActiveUrls({GetServers().faultUrl + "/"});
  const std::string bytes = download_test::SeededBytes(kSize, kSeed);
  manager.DownloadFile(kName, Utf8(folder) + "\\update\\big.bin",
                       Md5OfBuffer(bytes.data(), bytes.size()), kSize, nullptr, nullptr, 1);
  const ULONGLONG deadline = GetTickCount64() + 120000;
  while (GetTickCount64() < deadline) {
    manager.Poll();
    Sleep(1);
  }
  FAIL() << "the child was not killed";
}

TEST(DownloadRestartTest, AKilledDownloadFinishesFromItsResumeFile) {
  if (!ChildFolder().empty()) GTEST_SKIP();
  test_support::ScratchDir scratch;
  download_test::ResetFaultHost();
  const std::string content = download_test::SeededBytes(kSize, kSeed);
  const std::string md5 = download_test::MakeContent(kName, kSize, kSeed);
  Json::Value throttle(Json::objectValue);
  throttle["path"] = std::string("/") + kName;
  throttle["action"] = "throttle";
  throttle["rate"] = kRate;
  download_test::SetFaultRule(throttle);

  wchar_t self[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  std::wstring command =
      L"\"" + std::wstring(self) + L"\" --gtest_filter=DownloadRestartChild.DownloadsUntilKilled";
  SetEnvironmentVariableW(kChildFolderVariable, scratch.path().c_str());
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  Process child;
  const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &startup, &child.info);
  SetEnvironmentVariableW(kChildFolderVariable, nullptr);
  ASSERT_TRUE(started);

  // Kill the child once both transfers are well under way, between two saves.
  const std::string data_path = scratch.ChildUtf8(L"update\\big.bin");
  const std::vector<ChunkInfo> plan = PlanChunks(kSize);
  const ULONGLONG deadline = GetTickCount64() + 90000;
  std::vector<ChunkInfo> saved;
  for (;;) {
    ASSERT_LT(GetTickCount64(), deadline) << "the child made no progress";
    ASSERT_EQ(WaitForSingleObject(child.info.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    // The child replaces the resume file while this reads it: a miss is
    // just another round.
    std::string text;
    test_support::TryReadFileBytes(Wide(data_path + ".cfg"), &text);
    if (ParseResumeText(text, md5, kSize, &saved) == ResumeState::Pending && saved.size() == 2 &&
        saved[0].begin - plan[0].begin > 2 * kRate && saved[1].begin - plan[1].begin > 2 * kRate) {
      break;
    }
    Sleep(100);
  }
  Sleep(600);
  ASSERT_TRUE(TerminateProcess(child.info.hProcess, 9));
  WaitForSingleObject(child.info.hProcess, INFINITE);

  ASSERT_EQ(
      ParseResumeText(test_support::ReadFileBytes(Wide(data_path + ".cfg")), md5, kSize, &saved),
      ResumeState::Pending);
  ASSERT_EQ(saved.size(), 2u);
  // What the child had written: the data up to the first byte that differs.
  const std::string written = test_support::ReadFileBytes(Wide(data_path));
  for (const ChunkInfo& chunk : saved) {
    int64_t extent = plan[chunk.index].begin;
    while (extent < static_cast<int64_t>(written.size()) && extent <= chunk.end &&
           written[static_cast<size_t>(extent)] == content[static_cast<size_t>(extent)]) {
      ++extent;
    }
    // A saved offset never runs ahead of the data on disk; how much a
    // restart repeats depends on timing and belongs to the benchmark.
    EXPECT_GE(extent, chunk.begin) << "range " << chunk.index;
  }

  // The restarted launcher resumes from the saved offsets.
  download_test::ResetFaultHost();
  std::vector<download_test::DoneRecord> results;
  {
    test_support::ScopedCurrentFolder folder(scratch.path());
    DownloadManager manager;
    manager.Init();
    manager.SetActiveUrls({GetServers().faultUrl + "/"});
    manager.DownloadFile(
        kName, data_path, md5, kSize,
        [&](int32_t tag, int32_t code, const std::string& url, const std::string& message) {
          results.push_back({tag, code, url, message});
        },
        nullptr, 1);
    const ULONGLONG finish_by = GetTickCount64() + 120000;
    while ((results.empty() || manager.HasWork()) && GetTickCount64() < finish_by) {
      manager.Poll();
      Sleep(1);
    }
    manager.Shutdown();
  }
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].code, static_cast<int32_t>(DownloadResult::Ok)) << results[0].message;
  const std::string finished = test_support::ReadFileBytes(Wide(data_path));
  EXPECT_EQ(Md5OfBuffer(finished.data(), finished.size()), md5);
  std::vector<std::string> ranges;
  for (const Json::Value& request : download_test::FaultRequests(std::string("/") + kName)) {
    ranges.push_back(request["range"].asString());
  }
  std::sort(ranges.begin(), ranges.end());
  std::vector<std::string> expected;
  for (const ChunkInfo& chunk : saved) {
    expected.push_back("bytes=" + std::to_string(chunk.begin) + "-" + std::to_string(chunk.end));
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(ranges, expected);
}

}  // namespace
