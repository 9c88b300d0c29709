#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Hashes many files at once: a game folder without version map is read whole
// before a pass can go on, and one reader leaves the disk and the other cores
// idle. The files are read on a few threads of their own while the caller
// takes the results in list order.
class FileHasher {
 public:
  struct Result {
    bool ok = false;  // false when the file could not be opened or read
    std::string md5;
    int64_t size = 0;
  };
  using ResultCallback = std::function<void(size_t index, const Result& result)>;

  // One file on the calling thread.
  static Result HashFile(const std::string& path);

  // At most this many files are read at the same time.
  static constexpr unsigned kMaxThreads = 4;

  // Calls `done` on the calling thread once per path (narrow, ANSI code page),
  // in the order of `paths`, and returns after the last call.
  static void HashAll(const std::vector<std::string>& paths, const ResultCallback& done);
};
