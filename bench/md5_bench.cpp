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

#include "bench/bench_timing.h"
#include "base/string_util.h"
#include "base/md5.h"

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
  const double file_start = BenchNow();
  ComputeStreamMd5(stream, &md5, &bytes);
  const double file_seconds = BenchNow() - file_start;
  std::printf("file   md5 %s  %lld bytes  %.3f s  %.1f MiB/s\n", md5.c_str(),
              static_cast<long long>(bytes), file_seconds, MibPerSecond(bytes, file_seconds));

  const std::vector<uint8_t> buffer(256u << 20, 0x5a);
  const double memory_start = BenchNow();
  const std::string memory_md5 = Md5OfBuffer(buffer.data(), buffer.size());
  const double memory_seconds = BenchNow() - memory_start;
  std::printf("memory md5 %s  %lld bytes  %.3f s  %.1f MiB/s\n", memory_md5.c_str(),
              static_cast<long long>(buffer.size()), memory_seconds,
              MibPerSecond(static_cast<int64_t>(buffer.size()), memory_seconds));
  return 0;
}
