#include "launcher/update/pre_download_state.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <json/json.h>

#include "base/json_util.h"
#include "launcher/core/window_messages.h"
#include "launcher/update/patch_suffix.h"
#include "tests/launcher/update/update_state_fixture.h"
#include "ui/resources/language_string_table.h"

namespace {

using update_test::FakeUpdateWorld;
using update_test::FlatMapText;
using update_test::UpdateStateTest;
using Message = FakeUpdateWorld::Message;
using Strings = std::vector<std::string>;

const std::string kMd5A(32, 'a');
const std::string kMd5B(32, 'b');
const std::string kMd5C(32, 'c');
const std::string kMd5P(32, 'd');

constexpr WPARAM kNone = static_cast<WPARAM>(PreDownloadPage::None);
constexpr WPARAM kOffer = static_cast<WPARAM>(PreDownloadPage::Offer);
constexpr WPARAM kDownload = static_cast<WPARAM>(PreDownloadPage::Download);
constexpr WPARAM kFinish = static_cast<WPARAM>(PreDownloadPage::Finish);

class PreDownloadStateTest : public UpdateStateTest {
 protected:
  PreDownloadStateTest() {
    context->preDownloadFolders.clear();
    context->preDownloadVersion.clear();
    CurrentPatchSuffix = false;
    context->gameVersion = "10077_3_2";
    context->targetGameVersion = "10077_3_2";
    WriteGameFile(L"version_map.txt",
                  FlatMapText("10077_3_2", {{"a.bin", kMd5A, 10}, {"same.bin", kMd5A, 7}}));
    // The next version's hosts come from the pre-download query.
    Json::Value inner;
    inner["TW_pc_addr"].append("https://next.test/");
    Json::Value query;
    query["info"].append(WriteJsonText(inner));
    world.replies["pre_download"] = {0, WriteJsonText(query), ""};
    NextVersion("10077_4_2");
    Json::Value patches;
    patches["a.bin"]["md5"] = kMd5P;
    patches["a.bin"]["size"] = 30;
    world.replies["patchs/10077_3_2/patch_list.txt"] = {0, WriteJsonText(patches), ""};
  }
  ~PreDownloadStateTest() override {
    world.preDownload.reset();
    ui::LanguageStringTable::GetInstance()->Clear();
  }

  // The next version adds b.bin and copy.bin (the same content), changes
  // a.bin and keeps same.bin.
  void NextVersion(const std::string& version) {
    next_map_ = FlatMapText(version, {{"a.bin", kMd5B, 100},
                                      {"b.bin", kMd5C, 200},
                                      {"copy.bin", kMd5C, 200},
                                      {"same.bin", kMd5A, 7}});
    world.replies["https://next.test/version_map.txt"] = {0, next_map_, ""};
  }
  PreDownloadState* Start() {
    world.preDownload = std::make_unique<PreDownloadState>(&world);
    world.preDownload->Enter(nullptr);
    return state();
  }
  PreDownloadState* state() const {
    return static_cast<PreDownloadState*>(world.preDownload.get());
  }
  // Ticks until the state has gone or `ticks` have passed.
  void Tick(int ticks) {
    for (int i = 0; i < ticks && world.preDownload; ++i) world.preDownload->Update();
  }
  std::vector<Message> Pages() const { return MainMessages(WM_PREDOWNLOAD_STATUS); }
  std::string VersionFile(const char* name) const {
    return test_support::ReadFileBytes(LauncherFile(L"update\\predownload\\10077_4_2\\" +
                                                    std::wstring(name, name + strlen(name))));
  }
  bool Logged(const std::string& entry) const {
    return std::count(world.log.begin(), world.log.end(), entry) > 0;
  }

  std::string next_map_;
};

TEST_F(PreDownloadStateTest, AnAutoStartedPreDownloadFetchesTheNextVersionByContent) {
  context->preDownloadAutoStart = true;
  Start();
  EXPECT_EQ(Pages(), (std::vector<Message>{{WM_PREDOWNLOAD_STATUS, kDownload, 0}}));
  // One phase per tick: the query, the map, the patch list, the probe.
  Tick(4);
  ASSERT_NE(state(), nullptr);
  EXPECT_EQ(state()->phase(), PreDownloadState::Phase::Download);
  EXPECT_EQ(world.requests.size(), 3u);
  EXPECT_EQ(world.requests[0].rfind("gate:pre_download?channel=TW&udid=", 0), 0u);
  EXPECT_EQ(Strings(world.requests.begin() + 1, world.requests.end()),
            (Strings{"content:version_map.txt", "content:patchs/10077_3_2/patch_list.txt"}));
  EXPECT_EQ(world.probes, Strings{"content:patchs/10077_3_2/TOVA.exe.patch"});
  EXPECT_EQ(context->preDownloadVersion, "10077_4_2");
  EXPECT_EQ(VersionFile("tmp_predownload_version_map.txt"), next_map_);

  // a.bin comes as its patch, b.bin and copy.bin share one target.
  ASSERT_EQ(world.transfers.size(), 2u);
  const std::string folder = ".\\update\\predownload\\10077_4_2\\";
  EXPECT_EQ(world.transfers[0].url, "patchs/10077_3_2/a.bin.patch");
  EXPECT_EQ(world.transfers[0].target, folder + kMd5P);
  EXPECT_EQ(world.transfers[0].md5, kMd5P);
  EXPECT_EQ(world.transfers[0].size, 30);
  EXPECT_EQ(world.transfers[1].url, "b.bin");
  EXPECT_EQ(world.transfers[1].target, folder + kMd5C);
  EXPECT_EQ(world.transfers[1].tag, StateId::PreDownload);
  EXPECT_EQ(state()->pendingFiles(), 2);
  EXPECT_EQ(world.transferTotal, 230);
  EXPECT_TRUE(Logged("cancel for pre-download"));
  EXPECT_EQ(MainMessages(WM_DOWNLOAD_PROGRESS),
            (std::vector<Message>{{WM_DOWNLOAD_PROGRESS, 230, 0}}));
  EXPECT_EQ(Pages().back(), (Message{WM_PREDOWNLOAD_STATUS, kDownload, 1}));
  EXPECT_EQ(world.gameMessages, (std::vector<Message>{{WM_GAME_PREDOWNLOAD_STATE, 0, 3}}));

  // Speed samples reach the statistics whatever state is current.
  state()->OnDownloadSpeed(512.0);
  EXPECT_EQ(world.speedSamples, std::vector<double>{512.0});

  Tick(3);
  EXPECT_EQ(state()->phase(), PreDownloadState::Phase::Download);
  state()->OnFileDownloaded(0, "b.bin", "");
  Tick(1);
  EXPECT_EQ(state()->phase(), PreDownloadState::Phase::Download);
  state()->OnFileDownloaded(0, "patchs/10077_3_2/a.bin.patch", "");
  Tick(1);
  // Complete: the map takes its final name.
  EXPECT_EQ(VersionFile("predownload_version_map.txt"), next_map_);
  EXPECT_FALSE(test_support::FileExists(
      LauncherFile(L"update\\predownload\\10077_4_2\\tmp_predownload_version_map.txt")));
  EXPECT_TRUE(Logged("statistics done"));
  Tick(1);
  EXPECT_EQ(state(), nullptr);
  EXPECT_EQ(context->preDownloadFolders, Strings{"10077_4_2"});
  EXPECT_FALSE(context->preDownloadAutoStart);
  EXPECT_EQ(Pages().back(), (Message{WM_PREDOWNLOAD_STATUS, kFinish, 0}));
  EXPECT_EQ(world.gameMessages.back(), (Message{WM_GAME_PREDOWNLOAD_STATE, 0, 4}));
  EXPECT_EQ(context->CheckPreDownloadComplete(), 0);
}

TEST_F(PreDownloadStateTest, TheProbeChoosesThePatchSuffixAndWholeFilesComeWithoutPatches) {
  const struct {
    const char* what;
    int patchOption;
    bool probeFinds;
    Strings urls;
  } cases[] = {
      {"no .patch on the hosts", 2, false, {"patchs/10077_3_2/a.bin.lgdiff", "b.bin"}},
      {"patches off", 0, false, {"a.bin", "b.bin"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    world.transfers.clear();
    world.requests.clear();
    context->patchOption = c.patchOption;
    context->preDownloadAutoStart = true;
    world.probeReplies["patchs/10077_3_2/TOVA.exe.patch"] = {0, c.probeFinds};
    Start();
    Tick(4);
    Strings urls;
    for (const auto& transfer : world.transfers) urls.push_back(transfer.url);
    EXPECT_EQ(urls, c.urls);
    EXPECT_EQ(CurrentPatchSuffix, !c.probeFinds);
    // Without patches the list is not asked for.
    EXPECT_EQ(world.requests.size(), c.patchOption > 0 ? 3u : 2u);
  }
}

TEST_F(PreDownloadStateTest, WithoutAutoStartOnlyTheOfferOrTheFinishIsShown) {
  Start();
  Tick(3);
  EXPECT_EQ(state(), nullptr);
  EXPECT_TRUE(world.transfers.empty());
  EXPECT_EQ(Pages().back(), (Message{WM_PREDOWNLOAD_STATUS, kOffer, 0}));
  EXPECT_TRUE(context->preDownloadFolders.empty());
  EXPECT_FALSE(test_support::FileExists(
      LauncherFile(L"update\\predownload\\10077_4_2\\tmp_predownload_version_map.txt")));

  // Nothing to fetch: the version counts as pre-downloaded.
  world.mainMessages.clear();
  world.replies["https://next.test/version_map.txt"] = {
      0, FlatMapText("10077_4_2", {{"a.bin", kMd5A, 10}}), ""};
  Start();
  Tick(3);
  EXPECT_EQ(state(), nullptr);
  EXPECT_EQ(Pages().back(), (Message{WM_PREDOWNLOAD_STATUS, kFinish, 0}));
  EXPECT_EQ(world.gameMessages.back(), (Message{WM_GAME_PREDOWNLOAD_STATE, 0, 4}));
  EXPECT_EQ(context->preDownloadFolders, Strings{"10077_4_2"});
}

TEST_F(PreDownloadStateTest, TheDirectoryNamesTheHostsWhenTheQueryFails) {
  world.replies.erase("pre_download");
  world.replies["get/urls"] = {
      0, R"({"DlcAddr":"https://cdn.test/","Others":"{\"PreDlcAddr\":\"https://next.test/\"}"})",
      ""};
  Start();
  Tick(4);
  EXPECT_EQ(world.requests.size(), 3u);
  EXPECT_EQ(world.requests[1].rfind("gate:get/urls?key=", 0), 0u);
  EXPECT_EQ(world.contentHosts, Strings{"https://next.test/"});
  EXPECT_EQ(Pages().back(), (Message{WM_PREDOWNLOAD_STATUS, kOffer, 0}));

  // Without "PreDlcAddr" no next version is out: the state ends silently.
  world.mainMessages.clear();
  world.replies["get/urls"] = {0, R"({"DlcAddr":"https://cdn.test/"})", ""};
  Start();
  Tick(3);
  EXPECT_EQ(state(), nullptr);
  EXPECT_TRUE(world.dialogs.empty());
  EXPECT_EQ(Pages().back(), (Message{WM_PREDOWNLOAD_STATUS, kNone, 0}));
}

TEST_F(PreDownloadStateTest, FailuresShowTheirDialogAndTheStateWaitsForIt) {
  const std::wstring language = LauncherFile(L"en.ini");
  test_support::WriteFileBytes(language,
                               "STRING_ERROR_DLC_LAST = Your game is up-to-date.\n"
                               "STRING_ERROR_DLC_OUTDATED = Pre-download version is too old.\n"
                               "STRING_ERROR_DLC_FIRST = Please update the game first.\n");
  ASSERT_TRUE(ui::LanguageStringTable::GetInstance()->LoadFromFile(language));
  struct Case {
    const char* what;
    std::string next;
    std::string target;
    bool mapFails;
    std::wstring detail;
  };
  const Case cases[] = {
      {"not newer", "10077_3_2", "10077_3_2", false, L"Your game is up-to-date."},
      {"older than the pending update", "10077_4_2", "10077_5_2", false,
       L"Pre-download version is too old."},
      {"newer than the pending update", "10077_6_2", "10077_5_2", false,
       L"Please update the game first."},
      {"no version text", "10077_4_2\\..\\..\\x", "10077_3_2", false, L"PreDlc check failed:-2"},
      {"the map request fails", "10077_4_2", "10077_3_2", true,
       L"-2\nPreDlc Request:7 Failed:404(version_map.txt/)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    world.dialogs.clear();
    world.log.clear();
    world.mainMessages.clear();
    context->preDownloadVersion.clear();
    context->targetGameVersion = c.target;
    context->preDownloadAutoStart = true;
    context->errorShown = false;
    NextVersion(c.next);
    if (c.mapFails) world.replies.erase("https://next.test/version_map.txt");
    Start();
    Tick(4);
    ASSERT_EQ(world.dialogs.size(), 1u);
    EXPECT_EQ(world.dialogs[0].detail, c.detail);
    EXPECT_EQ(world.dialogs[0].noKey, L"");
    EXPECT_EQ(world.dialogs[0].yesKey, L"STRING_CONFIRM");
    EXPECT_TRUE(context->errorShown);
    EXPECT_EQ(Pages().back(), (Message{WM_PREDOWNLOAD_STATUS, kNone, 0}));
    EXPECT_FALSE(context->preDownloadAutoStart);
    EXPECT_TRUE(context->preDownloadVersion.empty());
    EXPECT_TRUE(world.transfers.empty());
    // Idle in its slot until the dialog closes, which removes it.
    ASSERT_NE(state(), nullptr);
    EXPECT_EQ(state()->phase(), PreDownloadState::Phase::Idle);
    world.dialogs[0].callback(true);
    EXPECT_TRUE(Logged("stop pre-download"));
  }
}

TEST_F(PreDownloadStateTest, TheFirstFileFailureCountsAndLeavingCancelsTheTransfers) {
  context->preDownloadAutoStart = true;
  Start();
  Tick(4);
  ASSERT_EQ(world.transfers.size(), 2u);
  state()->OnFileDownloaded(-5, "b.bin", "md5 mismatch");
  state()->OnFileDownloaded(-2, "a.bin", "later");
  EXPECT_EQ(state()->errorCode, -5);
  EXPECT_EQ(state()->errorMessage, "md5 mismatch");
  EXPECT_EQ(state()->errorDetail, "b.bin");
  Tick(1);
  ASSERT_EQ(world.dialogs.size(), 1u);

  // A pass that starts meanwhile ends a downloading pre-download.
  context->preDownloadAutoStart = true;
  Start();
  Tick(4);
  ASSERT_NE(state(), nullptr);
  EXPECT_TRUE(state()->IsDownloading());
  world.log.clear();
  world.EndPreDownloadState();
  EXPECT_EQ(world.log, Strings{"cancel for pre-download"});
}

TEST_F(PreDownloadStateTest, AProbeThatCannotBeAskedFailsInsteadOfWaitingForEver) {
  context->preDownloadAutoStart = true;
  world.probeHosts = false;
  Start();
  Tick(5);
  ASSERT_EQ(world.dialogs.size(), 1u);
  EXPECT_TRUE(world.transfers.empty());
}

TEST_F(PreDownloadStateTest, TheForwardersReachTheContextsPreDownloadWhateverTheTag) {
  context->preDownloadAutoStart = true;
  Start();
  Tick(4);
  // The same state object now sits in the context's slot.
  context->preDownloadState = std::move(world.preDownload);
  auto* pre_download = static_cast<PreDownloadState*>(context->preDownloadState.get());
  ForwardPreDownloadFileDownloaded(5, 0, "b.bin", "");
  EXPECT_EQ(pre_download->pendingFiles(), 1);
  ForwardPreDownloadSpeed(0, 100.0);
  EXPECT_EQ(world.speedSamples, std::vector<double>{100.0});
  context->preDownloadState.reset();
  // Without a pre-download the results are dropped.
  ForwardPreDownloadFileDownloaded(9, 0, "a.bin", "");
  ForwardPreDownloadProbeDone(9, 0, "x", true, "");
  ForwardPreDownloadRequestDone(9, 0, "x", "{}", 2, "");
}

}  // namespace
