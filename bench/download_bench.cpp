// Measures the download engine against a plain libcurl transfer (what the
// libcurl command-line tool does: one transfer written to a file) on the same
// local server, over HTTPS (HTTP/2) and plain HTTP, and prints:
//   engine <protocol> <seconds> <MiB/s>        32 MiB ranges, 5 transfers,
//                                              resume files, MD5 check included
//   single <protocol> <seconds> <MiB/s>        one libcurl transfer to a file
//   limit <setting> <bytes/s> <expected> <ratio>  one capped transfer
//   gap <milliseconds>                         longest pause between progress
//                                              callbacks of a slow transfer while
//                                              the big file is checked
// Run by bench/download_bench.sh, which starts the servers and makes the file.
//
// Usage: download_bench <https base> <http base> <name> <size> <md5> <work folder>
#include <windows.h>
#include <wincrypt.h>

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "launcher/download/curl_handle.h"
#include "launcher/download/download_manager.h"

namespace {

bool TrustCa() {
  const char* der_path = std::getenv("LAUNCHER_TEST_CA_DER");
  if (!der_path) return false;
  FILE* file = std::fopen(der_path, "rb");
  if (!file) return false;
  std::vector<BYTE> der(65536);
  der.resize(std::fread(der.data(), 1, der.size(), file));
  std::fclose(file);
  HCERTSTORE store =
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT");
  if (!store) return false;
  const BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                                      static_cast<DWORD>(der.size()),
                                                      CERT_STORE_ADD_USE_EXISTING, nullptr);
  CertCloseStore(store, 0);
  return added != FALSE;
}

// Polls like MiscThread's 2 ms task until `done` holds.
template <typename Done>
double PollUntil(DownloadManager* manager, Done done, double* longest_poll_gap) {
  const double start = BenchNow();
  double last = start;
  while (!done()) {
    manager->Poll();
    const double now = BenchNow();
    if (longest_poll_gap) *longest_poll_gap = std::max(*longest_poll_gap, now - last);
    last = now;
    Sleep(1);
  }
  return BenchNow() - start;
}

double RunEngine(const std::string& base, const std::string& name, int64_t size,
                 const std::string& md5, const std::string& folder, int32_t* code) {
  DownloadManager manager;
  manager.Init();
  manager.SetActiveUrls({base + "/"});
  const std::string path = folder + "\\engine.bin";
  DeleteFileA(path.c_str());
  DeleteFileA((path + ".cfg").c_str());
  bool finished = false;
  const double start = BenchNow();
  manager.DownloadFile(
      name, path, md5, size,
      [&](int32_t, int32_t result, const std::string&, const std::string&) {
        *code = result;
        finished = true;
      },
      nullptr, 0);
  PollUntil(
      &manager, [&] { return finished && !manager.HasWork(); }, nullptr);
  const double seconds = BenchNow() - start;
  manager.Shutdown();
  DeleteFileA(path.c_str());
  return seconds;
}

size_t WriteToFile(char* data, size_t size, size_t count, void* file) {
  return std::fwrite(data, size, count, static_cast<FILE*>(file)) * size;
}

double RunSingle(const std::string& url, const std::string& folder, int64_t* bytes) {
  const std::string path = folder + "\\single.bin";
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  CurlEasyHandle easy(curl_easy_init());
  curl_easy_setopt(easy.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy.get(), CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_NATIVE_CA));
  curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, &WriteToFile);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, file);
  const double start = BenchNow();
  const CURLcode result = curl_easy_perform(easy.get());
  const double seconds = BenchNow() - start;
  std::fclose(file);
  curl_off_t downloaded = 0;
  curl_easy_getinfo(easy.get(), CURLINFO_SIZE_DOWNLOAD_T, &downloaded);
  *bytes = result == CURLE_OK ? downloaded : -1;
  DeleteFileA(path.c_str());
  return seconds;
}

void RunLimit(const std::string& base, const std::string& folder, int32_t setting,
              const std::string& name, int64_t size) {
  DownloadManager manager;
  manager.Init();
  manager.SetActiveUrls({base + "/"});
  manager.SetSpeedLimit(DownloadMode::Game, true, setting);
  const std::string path = folder + "\\limited.bin";
  DeleteFileA(path.c_str());
  bool finished = false;
  int64_t first_bytes = -1;
  double first_time = 0;
  manager.DownloadFile(
      name, path, "", size,
      [&](int32_t, int32_t, const std::string&, const std::string&) { finished = true; }, nullptr,
      0);
  // Measured from the first byte, so connecting does not count.
  const double start = BenchNow();
  while (!finished || manager.HasWork()) {
    manager.Poll();
    if (first_bytes < 0 && manager.done_bytes() > 0) {
      first_bytes = manager.done_bytes();
      first_time = BenchNow();
    }
    Sleep(1);
    if (BenchNow() - start > 120) break;
  }
  const double seconds = BenchNow() - first_time;
  const double rate = static_cast<double>(size - first_bytes) / seconds;
  const double expected = static_cast<double>(setting) * 204.0;
  std::printf("limit %d %.0f %.0f %.3f\n", setting, rate, expected, rate / expected);
  manager.Shutdown();
  DeleteFileA(path.c_str());
}

// The big file and a slow companion; the companion's progress callbacks must
// keep coming while the big file's MD5 is checked.
void RunGap(const std::string& base, const std::string& name, int64_t size, const std::string& md5,
            const std::string& folder) {
  DownloadManager manager;
  manager.Init();
  manager.SetActiveUrls({base + "/"});
  const std::string path = folder + "\\gap.bin";
  DeleteFileA(path.c_str());
  DeleteFileA((path + ".cfg").c_str());
  bool big_done = false;
  double big_done_at = 0;
  double transfers_done_at = 0;
  std::vector<double> companion_ticks;
  manager.DownloadFile(
      name, path, md5, size,
      [&](int32_t, int32_t, const std::string&, const std::string&) {
        big_done = true;
        big_done_at = BenchNow();
      },
      nullptr, 0);
  manager.DownloadFile(
      "slow/companion.bin", folder + "\\companion.bin", "", 64 * 1048576, nullptr,
      [&](int32_t, double) { companion_ticks.push_back(BenchNow()); }, 1);
  double longest_poll = 0;
  PollUntil(
      &manager,
      [&] {
        if (transfers_done_at == 0 && manager.done_bytes() >= size) transfers_done_at = BenchNow();
        return big_done;
      },
      &longest_poll);
  double longest = 0;
  for (size_t i = 1; i < companion_ticks.size(); ++i) {
    if (companion_ticks[i] < transfers_done_at - 1 || companion_ticks[i - 1] > big_done_at + 1) {
      continue;
    }
    longest = std::max(longest, companion_ticks[i] - companion_ticks[i - 1]);
  }
  std::printf("gap %.1f check %.2f poll %.1f\n", longest * 1000,
              transfers_done_at > 0 ? big_done_at - transfers_done_at : 0.0, longest_poll * 1000);
  manager.Shutdown();
  DeleteFileA(path.c_str());
  DeleteFileA((folder + "\\companion.bin").c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr,
                 "usage: download_bench <https base> <http base> <name> <size> <md5> "
                 "<work folder>\n");
    return 2;
  }
  curl_global_init(CURL_GLOBAL_ALL);
  if (!TrustCa()) {
    std::fprintf(stderr, "cannot trust the test CA (LAUNCHER_TEST_CA_DER)\n");
    return 1;
  }
  const std::string https_base = argv[1];
  const std::string http_base = argv[2];
  const std::string name = argv[3];
  const int64_t size = std::strtoll(argv[4], nullptr, 10);
  const std::string md5 = argv[5];
  const std::string folder = argv[6];
  SetCurrentDirectoryA(folder.c_str());

  for (const auto& [protocol, base] :
       {std::pair<std::string, std::string>{"https", https_base}, {"http", http_base}}) {
    int32_t code = -100;
    const double engine = RunEngine(base, name, size, md5, folder, &code);
    std::printf("engine %s %.3f %.1f%s\n", protocol.c_str(), engine, MibPerSecond(size, engine),
                code == 0 ? "" : " FAILED");
    int64_t bytes = 0;
    const double single = RunSingle(base + "/" + name, folder, &bytes);
    std::printf("single %s %.3f %.1f%s\n", protocol.c_str(), single, MibPerSecond(size, single),
                bytes == size ? "" : " FAILED");
    std::fflush(stdout);
  }
  RunLimit(https_base, folder, 1024, "limit/a.bin", 1024 * 204 * 8);
  RunLimit(https_base, folder, 4096, "limit/b.bin", 4096 * 204 * 8);
  RunLimit(http_base, folder, 4096, "limit/b.bin", 4096 * 204 * 8);
  RunGap(https_base, name, size, md5, folder);
  curl_global_cleanup();
  return 0;
}
