// Measures the streaming patch apply that brings game files up to date:
// applies one patch container to one old file through ApplyPatchFileW and
// prints the time, the throughput over the new file's size and the process's
// peak memory.
//
// Usage: patch_bench <old file> <new file> <patch file>
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <string>

#include "bench/bench_timing.h"
#include "base/file_io.h"
#include "base/string_util.h"
#include "launcher/update/patch_apply.h"

namespace {

std::wstring Wide(const char* narrow) {
  std::wstring wide;
  // Arguments arrive in the ANSI code page (UTF-8 with the manifest).
  qbase::MultiByteToWide(narrow, qbase::kCodePageAnsi, &wide);
  return wide;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: patch_bench <old file> <new file> <patch file>\n");
    return 2;
  }
  const double start = BenchNow();
  const PatchOutcome outcome = ApplyPatchFileW(Wide(argv[1]), Wide(argv[2]), Wide(argv[3]));
  const double seconds = BenchNow() - start;
  if (!outcome.ok()) {
    std::fprintf(stderr, "apply failed: result %d, code %d\n", static_cast<int>(outcome.result),
                 outcome.code());
    return 1;
  }
  WIN32_FILE_ATTRIBUTE_DATA data;
  int64_t bytes = 0;
  if (GetFileAttributesExW(Wide(argv[2]).c_str(), GetFileExInfoStandard, &data)) {
    bytes = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof(memory);
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
  std::printf("apply  %lld bytes  %.3f s  %.1f MiB/s\n", static_cast<long long>(bytes), seconds,
              MibPerSecond(bytes, seconds));
  std::printf("peak   working set %.1f MiB\n",
              static_cast<double>(memory.PeakWorkingSetSize) / 1048576.0);

  // The share of the time that only unpacks the container.
  std::string container;
  std::string payload;
  if (!ReadFileToStringW(Wide(argv[3]), &container)) return 1;
  const double unpack_start = BenchNow();
  const PatchContainerResult unpacked = ReadPatchContainer(container, &payload);
  const double unpack_seconds = BenchNow() - unpack_start;
  std::printf("unpack %zu bytes  %.3f s  (%s)\n", payload.size(), unpack_seconds,
              unpacked == PatchContainerResult::Ok ? "ok" : "failed");
  return 0;
}
