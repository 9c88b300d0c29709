// Measures the streaming MD5 that verifies every download: hashes one file
// through ComputeStreamMd5 and prints its throughput, then the throughput of
// the digest alone over a buffer in memory (no file reads).
//
// Usage: md5_bench <file>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "base/string_util.h"
#include "launcher/core/file_util.h"
#include "launcher/core/md5.h"

namespace {

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double MibPerSecond(int64_t bytes, double seconds) {
  return seconds > 0 ? static_cast<double>(bytes) / (1024.0 * 1024.0) / seconds : 0.0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: md5_bench <file>\n");
    return 2;
  }
  // Arguments arrive in the ANSI code page (UTF-8 with the manifest).
  std::wstring path;
  qbase::MultiByteToWide(argv[1], qbase::kCodePageAnsi, &path);
  std::ifstream stream(path.c_str(), std::ios::in | std::ios::binary);
  if (!stream.is_open()) {
    std::fprintf(stderr, "cannot open %s\n", argv[1]);
    return 1;
  }
  std::string md5;
  int64_t bytes = 0;
  const double file_start = Now();
  ComputeStreamMd5(stream, &md5, &bytes);
  const double file_seconds = Now() - file_start;
  std::printf("file   md5 %s  %lld bytes  %.3f s  %.1f MiB/s\n", md5.c_str(),
              static_cast<long long>(bytes), file_seconds, MibPerSecond(bytes, file_seconds));

  const std::vector<uint8_t> buffer(256u << 20, 0x5a);
  const double memory_start = Now();
  const std::string memory_md5 = Md5OfBuffer(buffer.data(), buffer.size());
  const double memory_seconds = Now() - memory_start;
  std::printf("memory md5 %s  %lld bytes  %.3f s  %.1f MiB/s\n", memory_md5.c_str(),
              static_cast<long long>(buffer.size()), memory_seconds,
              MibPerSecond(static_cast<int64_t>(buffer.size()), memory_seconds));
  return 0;
}
