// Saves one file over and over, alternating between the bytes of two other
// files, until it is killed or the process that started it ends:
//   base_save_loop <target> <first bytes> <second bytes> <parent process id>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "base/scoped_handle.h"
#include "base/file_io.h"

namespace {

// Stretches each save's writing over many calls, so that kills often land
// inside it rather than in the flush.
BOOL WriteInSmallPieces(HANDLE file, const void* bytes, DWORD size, DWORD* written) {
  return WriteFile(file, bytes, size < 1024 ? size : 1024, written, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  std::string contents[2];
  if (!ReadFileToStringA(argv[2], &contents[0]) || !ReadFileToStringA(argv[3], &contents[1])) {
    return 3;
  }
  // Never outlives a test program that crashed before it could kill this one.
  const qbase::ScopedHandle parent(
      OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::strtoul(argv[4], nullptr, 10))));
  if (!parent.IsValid()) return 4;
  SetFileWriteFunctionForTesting(&WriteInSmallPieces);
  for (size_t save = 0; WaitForSingleObject(parent.Get(), 0) == WAIT_TIMEOUT; ++save) {
    // A save that fails leaves the target whole; the next one tries again.
    WriteStringToFileA(argv[1], contents[save % 2]);
  }
  return 0;
}
