// Figures of the update engine's first steps:
//
//   update_pass_bench hash <game folder>
//     A game pass over a folder without version map: times the first state's
//     hashing of every file, the step that blocks the worker the longest.
//   update_pass_bench first-request <directory host URL> <CA file (DER)>
//     A launcher pass against a directory host that names its content hosts:
//     the time from the pass's start to its first request to a content host.
#include <windows.h>
#include <wincrypt.h>

#include <curl/curl.h>

#include <cstdio>
#include <memory>
#include <string>

#include "base/file_io.h"
#include "base/string_util.h"
#include "bench/bench_timing.h"
#include "launcher/core/launcher_context.h"
#include "launcher/download/download_manager.h"
#include "launcher/update/context_update_world.h"
#include "launcher/update/prepare_state.h"

namespace {

// The launcher's world with the pass stopped after its first steps; marks the
// moment of the first request to a content host.
class BenchWorld : public ContextUpdateWorld {
 public:
  explicit BenchWorld(bool offline) : offline_(offline) {}

  void UseHosts(HostList hosts) override {
    hosts_ = hosts;
    ContextUpdateWorld::UseHosts(hosts);
  }
  void Request(const std::string& path, StateId tag) override {
    if (hosts_ == HostList::Content && firstContentRequest < 0) firstContentRequest = BenchNow();
    if (!offline_) {
      ContextUpdateWorld::Request(path, tag);
      return;
    }
    // The hashing figure leaves the network out.
    static const char kReply[] = R"({"DlcAddr":"https://127.0.0.1:9/"})";
    ForwardRequestDone(static_cast<int32_t>(tag), 0, path + "/", kReply,
                       static_cast<int32_t>(sizeof(kReply) - 1), "");
  }
  void ChangeState(std::unique_ptr<State> next) override {
    if (next && next->GetId() != StateId::Prepare && next->GetId() != StateId::RequestRemote) {
      next.reset();
    }
    ContextUpdateWorld::ChangeState(std::move(next));
  }
  void SendToMainWindow(UINT, WPARAM, LPARAM) override {}
  void SendToGameWindows(UINT, WPARAM, LPARAM) override {}
  void CollectGameWindows() override {}

  double firstContentRequest = -1;

 private:
  const bool offline_;
  HostList hosts_ = HostList::Gate;
};

std::wstring Wide(const char* text) {
  std::wstring wide;
  qbase::MultiByteToWide(text, qbase::kCodePageAnsi, &wide);
  return wide;
}

int HashGameFolder(const char* folder) {
  LauncherContext* context = LauncherContext::GetInstance();
  LauncherSettings settings = context->GetSettings();
  settings.gamePath = Wide(folder);
  context->SetSettings(settings);
  BenchWorld world(true);
  context->ChangeState(std::make_unique<PrepareState>(UpdateMode::Game, &world));
  const auto* prepare = static_cast<const PrepareState*>(context->currentState.get());
  const int32_t files = prepare->hashTotal();
  const double start = BenchNow();
  context->currentState->Update();
  const double seconds = BenchNow() - start;
  int64_t bytes = 0;
  for (const auto& entry : context->versionMaps[VersionMapKey::kLocalGame]) {
    bytes += entry.second.size;
  }
  context->ChangeState(nullptr);
  std::printf("hash %d files  %lld bytes  %.3f s  %.1f MiB/s\n", files,
              static_cast<long long>(bytes), seconds, MibPerSecond(bytes, seconds));
  return files > 0 ? 0 : 1;
}

bool TrustCertificate(const char* der_path) {
  std::string der;
  if (!ReadFileToStringA(der_path, &der)) return false;
  HCERTSTORE store =
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT");
  if (store == nullptr) return false;
  const BOOL added = CertAddEncodedCertificateToStore(
      store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
      static_cast<DWORD>(der.size()), CERT_STORE_ADD_USE_EXISTING, nullptr);
  CertCloseStore(store, 0);
  return added;
}

int TimeFirstContentRequest(const char* gate, const char* ca) {
  if (!TrustCertificate(ca)) {
    std::fprintf(stderr, "cannot trust %s\n", ca);
    return 1;
  }
  curl_global_init(CURL_GLOBAL_ALL);
  DownloadManager& downloads = DownloadManager::GetInstance();
  DownloadServiceSettings services;
  services.gateUrls = {gate};
  downloads.SetServiceSettings(services);
  downloads.Init();
  LauncherContext* context = LauncherContext::GetInstance();
  context->publicIp = "203.0.113.7";
  context->InitVersionState();

  BenchWorld world(false);
  const double start = BenchNow();
  context->ChangeState(std::make_unique<PrepareState>(UpdateMode::Launcher, &world));
  if (context->currentState) context->currentState->Update();
  context->ChangeState(nullptr);
  downloads.Shutdown();
  if (world.firstContentRequest < 0) {
    std::fprintf(stderr, "the pass made no content request\n");
    return 1;
  }
  std::printf("first content request after %.1f ms\n", (world.firstContentRequest - start) * 1e3);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "hash") return HashGameFolder(argv[2]);
  if (argc == 4 && std::string(argv[1]) == "first-request") {
    return TimeFirstContentRequest(argv[2], argv[3]);
  }
  std::fprintf(stderr,
               "usage: update_pass_bench hash <game folder>\n"
               "       update_pass_bench first-request <directory host URL> <CA file>\n");
  return 2;
}
